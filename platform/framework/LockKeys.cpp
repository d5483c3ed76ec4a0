#include "platform/framework/LockKeys.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

// Xlib's macros (None, Bool, Status...) clash with Qt's names: it comes last, and nothing of Qt
// is used after it.
#include <X11/XKBlib.h>

namespace framework {
namespace {

// False when the display has no indicator of that name.
bool IndicatorLit(Display* display, const char* name) {
  const Atom atom = XInternAtom(display, name, True);  // only an existing name
  if (atom == None) return false;
  Bool on = False;
  if (XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) == False) return false;
  return on != False;
}

}  // namespace

std::optional<LockKeyState> ReadPlatformLockKeys() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return std::nullopt;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  if (display == nullptr) return std::nullopt;
  return LockKeyState{IndicatorLit(display, "Caps Lock"), IndicatorLit(display, "Num Lock"),
                      IndicatorLit(display, "Scroll Lock")};
}

}  // namespace framework
