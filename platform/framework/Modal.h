#pragma once

#include <functional>

class QDialog;

namespace framework {

// Every modal dialog of the programs runs through here, so a test can answer it: with a hook
// set, the hook gets the dialog instead of the user and returns its result.
int RunModal(QDialog& dialog);

using ModalHook = std::function<int(QDialog&)>;
// An empty hook restores the real dialogs. Returns the hook it replaced, so a scoped user can
// put it back.
ModalHook SetModalHook(ModalHook hook);

}  // namespace framework
