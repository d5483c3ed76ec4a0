#pragma once

#include <functional>
#include <optional>

namespace framework {

struct LockKeyState {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// Where the lock key states come from; nothing when the platform does not say.
using LockKeyReader = std::function<std::optional<LockKeyState>()>;

// The keyboard's lock lights as the window system reports them. Qt has no portable query, so
// this asks X11 (the XKB indicators "Caps Lock", "Num Lock", "Scroll Lock") when the program
// runs on an X display, and says nothing elsewhere (Wayland, offscreen): the status bar then
// shows its indicators unlit.
std::optional<LockKeyState> ReadPlatformLockKeys();

}  // namespace framework
