#pragma once
// Checks on resource tables that the compiler can make: every control lies inside its dialog,
// no two controls of one dialog share a number, no two strings of a table share one.
#include <cstddef>
#include <span>

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/StringTable.h"

namespace resources_check {

constexpr bool ControlsInside(const framework::DialogTemplate& dialog) {
  for (const framework::ControlTemplate& c : dialog.controls) {
    if (c.x < 0 || c.y < 0 || c.x + c.w > dialog.w || c.y + c.h > dialog.h) return false;
  }
  return true;
}

constexpr bool IdsUnique(const framework::DialogTemplate& dialog) {
  const auto controls = dialog.controls;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      if (controls[i].id != framework::IDC_STATIC && controls[i].id == controls[j].id) {
        return false;
      }
    }
  }
  return true;
}

constexpr bool StringIdsUnique(std::span<const framework::StringResource> strings) {
  for (std::size_t i = 0; i < strings.size(); ++i) {
    for (std::size_t j = i + 1; j < strings.size(); ++j) {
      if (strings[i].id == strings[j].id) return false;
    }
  }
  return true;
}

constexpr bool Sound(const framework::DialogTemplate& dialog) {
  return ControlsInside(dialog) && IdsUnique(dialog);
}

}  // namespace resources_check
