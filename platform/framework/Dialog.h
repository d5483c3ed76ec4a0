#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/framework/DialogTemplate.h"

class QButtonGroup;
class QIcon;

namespace framework {

class CDataExchange;

// The font dialogs are drawn in: a sans face whose widths match the one the templates were laid
// out for (DejaVu Sans Condensed, from fonts-dejavu-extra, at 11 pixels: 13 pixels a line), so
// texts fit the rectangles the templates give them.
QFont DialogFont();

// Where a control of a template sits on its dialog, in pixels.
QRect ControlPixelRect(const ControlTemplate& control);

// A dialog built from a template: one fixed-size window with a child widget per control,
// found by id. The template's controls must outlive the dialog (they are static data). Subclasses move their fields in and out of the controls in DoDataExchange and
// react to controls through the On... registrations.
//
// Change notifications (OnEditChange) come for every change of an edit's text, typed or set with
// SetDlgItemText, with two exceptions that keep handlers from feeding themselves: none during
// UpdateData (in either direction), and none for an edit while its own handler is running.
class CDialog : public QDialog {
 public:
  explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
  ~CDialog() override;

  // Runs OnInitDialog, then the dialog through RunModal; returns what EndDialog was given
  // (IDOK, IDCANCEL...). A dialog ended inside OnInitDialog is not shown.
  int DoModal();
  void EndDialog(int result);
  // Fields into the controls (false) or controls into the fields, validated (true). Returns
  // false when a value was refused; the user has then been told, and nothing after it moved.
  bool UpdateData(bool saveAndValidate = true);

  const DialogTemplate& dialogTemplate() const { return template_; }

  // --- controls by id; null or harmless when the id is not on the dialog
  QWidget* GetDlgItem(int id) const;
  template <class Widget>
  Widget* GetDlgItemAs(int id) const {
    return dynamic_cast<Widget*>(GetDlgItem(id));
  }
  void SetDlgItemText(int id, const std::string& text);  // UTF-8
  std::string GetDlgItemText(int id) const;
  void EnableDlgItem(int id, bool enable);
  // Focus to the control, its text selected when it is an edit.
  void GotoDlgCtrl(int id);
  void SetDlgItemIcon(int id, const QIcon& icon);

  void CheckDlgButton(int id, bool checked);
  bool IsDlgButtonChecked(int id) const;
  // Checks `checkId` and clears every other button with an id from `firstId` to `lastId`.
  void CheckRadioButton(int firstId, int lastId, int checkId);
  // The checked button with an id from `firstId` to `lastId`, or 0.
  int GetCheckedRadioButton(int firstId, int lastId) const;
  // The ids of the radio buttons of the group that `firstId` starts, in template order.
  std::vector<int> RadioGroupIds(int firstId) const;

  // Edits: typing stops at `maxChars` characters (0: no limit). Text set by the program is not
  // cut, so a value that is already too long still shows whole and can be shortened.
  void LimitText(int id, int maxChars);

  // List boxes. Indexes count from 0; -1 is "none" (or, for an insert, "at the end").
  int ListAddString(int id, const std::string& text);  // sorted in with LBS_SORT
  int ListInsertString(int id, int index, const std::string& text);  // -1 when out of range
  int ListGetCount(int id) const;
  int ListGetCurSel(int id) const;
  bool ListSetCurSel(int id, int index);  // -1 clears; false when out of range
  std::string ListGetText(int id, int index) const;
  void ListResetContent(int id);

  // --- notifications by control id; a later registration replaces an earlier one.
  // A button (radio buttons and check boxes included) clicked by the user or by click(). Buttons
  // IDOK and IDCANCEL call OnOK and OnCancel unless a handler is registered for them.
  void OnClicked(int id, std::function<void()> handler);
  void OnEditChange(int id, std::function<void()> handler);
  // The user changed the selection of a list box / double-clicked an item.
  void OnListSelChange(int id, std::function<void()> handler);
  void OnListDblClk(int id, std::function<void()> handler);

  // Qt's accept and reject (Enter on a default button aside, Escape, the close button) go the
  // same way as the buttons: through OnOK and OnCancel.
  void accept() override;
  void reject() override;

 protected:
  // Returns true to have focus put on the first tab stop. The base moves the fields into the
  // controls.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(CDataExchange& dx);
  // The base moves the controls into the fields and ends the dialog with IDOK if they were
  // valid; otherwise it stays open.
  virtual void OnOK();
  virtual void OnCancel();  // ends the dialog with IDCANCEL, nothing moved

 private:
  struct Control {
    const ControlTemplate* source;
    QWidget* widget;
    int group;  // controls from one WS_GROUP to the next share a number
  };

  QWidget* createControl(const ControlTemplate& control);
  const Control* find(int id) const;
  void clicked(int id);
  void editChanged(int id);
  void setEditText(int id, const QString& text);

  DialogTemplate template_;
  std::vector<Control> controls_;
  std::map<int, std::size_t> byId_;
  std::map<int, QButtonGroup*> radioGroups_;
  std::map<int, std::function<void()>> clickHandlers_;
  std::map<int, std::function<void()>> editHandlers_;
  std::map<int, std::function<void()>> selChangeHandlers_;
  std::map<int, std::function<void()>> dblClkHandlers_;
  std::set<int> editsInHandler_;
  int transfers_ = 0;            // UpdateData calls running
  bool settingSelection_ = false;  // the program, not the user, is moving a list selection
  bool ended_ = false;
};

}  // namespace framework
