#pragma once

#include <QFont>
#include <QRect>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "platform/framework/DialogTemplate.h"

class QAbstractSlider;
class QButtonGroup;
class QIcon;
class QObject;
class QWidget;

namespace framework {

class CDataExchange;

// The font dialogs are drawn in: a sans face whose widths match the one the templates were laid
// out for (DejaVu Sans Condensed, from fonts-dejavu-extra, at 11 pixels: 13 pixels a line), so
// texts fit the rectangles the templates give them.
QFont DialogFont();

// Where a control of a template sits on its dialog, in pixels.
QRect ControlPixelRect(const ControlTemplate& control);

// Reports a slider's moves by the user to `onCode` as a trackbar does: each move's code
// (TrackbarCodes.h), TB_ENDTRACK right after a step by key, click or wheel, TB_THUMBPOSITION then
// TB_ENDTRACK when a drag is let go. `onMove` runs first at every move. Both stop with `context`.
void ConnectScrollCodes(QAbstractSlider& slider, QObject& context,
                        std::function<void(int code)> onCode, std::function<void()> onMove = {});

// The controls of a template built on one host widget, found by id: what a modal dialog and a
// form view share. The template's controls must outlive the host (they are static data). The
// host is a base class listed before this one, so it exists while the controls are built and
// still exists while these items go.
//
// Change notifications (OnEditChange) come for every change of an edit's text, typed or set with
// SetDlgItemText, with two exceptions that keep handlers from feeding themselves: none during
// UpdateData (in either direction), and none for an edit while its own handler is running.
class DialogItems {
 public:
  DialogItems(const DialogItems&) = delete;
  DialogItems& operator=(const DialogItems&) = delete;

  // Fields into the controls (false) or controls into the fields, validated (true). Returns
  // false when a value was refused; the user has then been told, and nothing after it moved.
  bool UpdateData(bool saveAndValidate = true);

  // The widget the controls live on; owner of the messages the data exchange shows.
  QWidget& hostWidget() const { return host_; }

  // --- controls by id; null or harmless when the id is not there
  QWidget* GetDlgItem(int id) const;
  template <class Widget>
  Widget* GetDlgItemAs(int id) const {
    return dynamic_cast<Widget*>(GetDlgItem(id));
  }
  void SetDlgItemText(int id, const std::string& text);  // UTF-8
  std::string GetDlgItemText(int id) const;
  void EnableDlgItem(int id, bool enable);
  void ShowDlgItem(int id, bool show);
  // Focus to the control, its text selected when it is an edit.
  void GotoDlgCtrl(int id);
  // The icon at 32 x 32 pixels, the control sized to it.
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
  int ListAddString(int id, const std::string& text);                // sorted in with LBS_SORT
  int ListInsertString(int id, int index, const std::string& text);  // -1 when out of range
  int ListGetCount(int id) const;
  int ListGetCurSel(int id) const;
  bool ListSetCurSel(int id, int index);  // -1 clears; false when out of range
  std::string ListGetText(int id, int index) const;
  void ListResetContent(int id);

  // Progress bars and trackbars. A position outside the range is taken as the nearer end (Qt's
  // progress bar would otherwise keep its old value).
  void SetBarRange(int id, int minimum, int maximum);
  void SetBarPos(int id, int position);
  int GetBarPos(int id) const;  // 0 when the id is no bar

  // --- notifications by control id; a later registration replaces an earlier one.
  // A button (radio buttons and check boxes included) clicked by the user or by click().
  void OnClicked(int id, std::function<void()> handler);
  void OnEditChange(int id, std::function<void()> handler);
  // The user changed the selection of a list box / double-clicked an item.
  void OnListSelChange(int id, std::function<void()> handler);
  void OnListDblClk(int id, std::function<void()> handler);
  // The user moved a trackbar (dragging, keys, clicks beside the knob, the wheel); the position
  // read inside is the new one. Moving it from the program does not notify.
  void OnScroll(int id, std::function<void()> handler);
  // The same moves with the trackbar notification code (TrackbarCodes.h), and the end of each
  // move: TB_THUMBPOSITION then TB_ENDTRACK when a drag is let go, TB_ENDTRACK right after a
  // step by key, click or wheel.
  void OnScrollCode(int id, std::function<void(int code)> handler);

 protected:
  // Builds the controls on `host`, in template order, and gives it the dialog font.
  DialogItems(QWidget& host, std::span<const ControlTemplate> controls);
  virtual ~DialogItems();

  virtual void DoDataExchange(CDataExchange& dx);
  // A button click nobody registered a handler for.
  virtual void OnUnhandledClick(int id);

  // Every control `dx` pixels to the right (to the left when negative).
  void MoveControls(int dx);

  // The first enabled tab stop, or 0.
  int FirstTabStop() const;

 private:
  struct Control {
    const ControlTemplate* source;
    QWidget* widget;
    int group;  // controls from one WS_GROUP to the next share a number
  };
  // What a control's notifications run, one slot each; empty where nothing is registered.
  struct Handlers {
    std::function<void()> clicked, editChanged, selChanged, dblClicked, scrolled;
    std::function<void(int code)> scrollCode;
  };

  QWidget* createControl(const ControlTemplate& control);
  const Control* findControl(int id) const;
  void clicked(int id);
  void editChanged(int id);
  // Runs the handler `which` of control `id`; false when it has none.
  template <class... Args>
  bool runHandler(std::function<void(Args...)> Handlers::*which, int id, Args... args);
  void setEditText(int id, const QString& text);

  QWidget& host_;
  // Context of every signal connection to the controls. It goes with these items, before the
  // host deletes the controls, so no signal of a dying control reaches a handler that is gone.
  std::unique_ptr<QObject> context_;
  std::vector<Control> controls_;
  std::map<int, std::size_t> byId_;
  std::map<int, QButtonGroup*> radioGroups_;
  std::map<int, Handlers> handlers_;
  std::set<int> editsInHandler_;
  int transfers_ = 0;              // UpdateData calls running
  bool settingSelection_ = false;  // the program, not the user, is moving a list selection
};

}  // namespace framework
