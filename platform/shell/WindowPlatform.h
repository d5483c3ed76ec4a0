#pragma once

namespace shell {

// The programs place their windows themselves (a fixed place at start, a corner of the screen,
// always on top), which Wayland compositors refuse. In a Wayland session with XWayland they
// therefore run on the xcb platform, unless the user chose one in QT_QPA_PLATFORM. Call before
// the application object is made. Returns whether it chose xcb.
bool PreferXcbOnWayland();

}  // namespace shell
