#include "platform/shell/WindowPlatform.h"

#include <cstdlib>
#include <cstring>

namespace shell {
namespace {
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}
}  // namespace

bool PreferXcbOnWayland() {
  const char* session = std::getenv("XDG_SESSION_TYPE");
  const bool wayland =
      IsSet("WAYLAND_DISPLAY") || (session != nullptr && std::strcmp(session, "wayland") == 0);
  // Without XWayland (no DISPLAY) there is nothing to fall back to.
  if (!wayland || IsSet("QT_QPA_PLATFORM") || !IsSet("DISPLAY")) return false;
  return ::setenv("QT_QPA_PLATFORM", "xcb", 1) == 0;
}

}  // namespace shell
