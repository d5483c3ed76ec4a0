#pragma once

#include <QDialog>

#include "platform/framework/DialogItems.h"
#include "platform/framework/DialogTemplate.h"

namespace framework {

class CDataExchange;

// A dialog built from a template: one fixed-size window with a child widget per control,
// found by id (DialogItems). The template's controls must outlive the dialog (they are static
// data). Subclasses move their fields in and out of the controls in DoDataExchange and react to
// controls through the On... registrations.
class CDialog : public QDialog, public DialogItems {
 public:
  explicit CDialog(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
  ~CDialog() override;

  // Runs OnInitDialog, then the dialog through RunModal; returns what EndDialog was given
  // (IDOK, IDCANCEL...). A dialog ended inside OnInitDialog is not shown.
  int DoModal();
  void EndDialog(int result);

  const DialogTemplate& dialogTemplate() const { return template_; }

  // Qt's accept and reject (Enter on a default button aside, Escape, the close button) go the
  // same way as the buttons: through OnOK and OnCancel.
  void accept() override;
  void reject() override;

 protected:
  // Returns true to have focus put on the first tab stop. The base moves the fields into the
  // controls.
  virtual bool OnInitDialog();
  void DoDataExchange(CDataExchange& dx) override;
  // The base moves the controls into the fields and ends the dialog with IDOK if they were
  // valid; otherwise it stays open.
  virtual void OnOK();
  virtual void OnCancel();  // ends the dialog with IDCANCEL, nothing moved
  // Buttons IDOK and IDCANCEL call OnOK and OnCancel unless a handler is registered for them.
  void OnUnhandledClick(int id) override;

 private:
  DialogTemplate template_;
  bool ended_ = false;
};

}  // namespace framework
