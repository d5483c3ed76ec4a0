#include "platform/framework/Dialog.h"

#include "platform/framework/Modal.h"

namespace framework {

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), DialogItems(*this, dialogTemplate.controls), template_(dialogTemplate) {
  setWindowTitle(QString::fromUtf8(template_.caption != nullptr ? template_.caption : ""));
  setFixedSize(DialogXToPixels(template_.w), DialogYToPixels(template_.h));
}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
  ended_ = false;
  setResult(0);
  if (OnInitDialog()) {
    if (const int first = FirstTabStop(); first != 0) GotoDlgCtrl(first);
  }
  if (ended_) return result();
  return RunModal(*this);
}

void CDialog::EndDialog(int result) {
  ended_ = true;
  QDialog::done(result);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange& /*dx*/) {}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::accept() { OnOK(); }

void CDialog::reject() { OnCancel(); }

void CDialog::OnUnhandledClick(int id) {
  if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  }
}

}  // namespace framework
