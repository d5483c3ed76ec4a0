#include "platform/framework/Modal.h"

#include <QDialog>

namespace framework {
namespace {

ModalHook& Hook() {
  static ModalHook hook;
  return hook;
}

}  // namespace

int RunModal(QDialog& dialog) {
  if (const ModalHook& hook = Hook()) return hook(dialog);
  return dialog.exec();
}

void SetModalHook(ModalHook hook) { Hook() = std::move(hook); }

}  // namespace framework
