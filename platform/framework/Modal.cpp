#include "platform/framework/Modal.h"

#include <QDialog>

#include <utility>

namespace framework {
namespace {

ModalHook& Hook() {
  static ModalHook hook;
  return hook;
}

}  // namespace

int RunModal(QDialog& dialog) {
  // A copy: the hook may replace itself while the dialog runs (a nested script).
  if (const ModalHook hook = Hook()) return hook(dialog);
  return dialog.exec();
}

ModalHook SetModalHook(ModalHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace framework
