#pragma once

#include <cstdint>
#include <span>

namespace framework {

// Item flags, with the values the resource tables use.
inline constexpr std::uint32_t MF_GRAYED = 0x0001;   // shown disabled until its rule says
inline constexpr std::uint32_t MF_CHECKED = 0x0008;  // checked until its rule says

// One entry of a menu: a command item, a popup with items of its own, or a separator. Captions
// are UTF-8 and exact: '&' marks the mnemonic ("&&" shows one), and a key name after a tab is
// shown in the menu's key column but is only text; the keys themselves come from an
// accelerator table.
struct MenuItem {
  const char* caption;  // null for a separator
  int id;               // the command number; 0 for popups and separators
  std::span<const MenuItem> popup = {};
  std::uint32_t flags = 0;

  bool isSeparator() const { return caption == nullptr; }
  bool isPopup() const { return !popup.empty(); }
};

constexpr MenuItem MenuCommand(const char* caption, int id, std::uint32_t flags = 0) {
  return {caption, id, {}, flags};
}
constexpr MenuItem MenuPopup(const char* caption, std::span<const MenuItem> items) {
  return {caption, 0, items, 0};
}
constexpr MenuItem MenuSeparator() { return {nullptr, 0, {}, 0}; }

// A menu bar: its popups in order.
struct MenuTemplate {
  int id;
  std::span<const MenuItem> bar;
};

// Accelerator flags, with the values the resource tables use.
inline constexpr std::uint8_t FVIRTKEY = 0x01;   // `key` is a virtual key, else a character
inline constexpr std::uint8_t FNOINVERT = 0x02;  // accepted; no menu title flashes here
inline constexpr std::uint8_t FSHIFT = 0x04;
inline constexpr std::uint8_t FCONTROL = 0x08;
inline constexpr std::uint8_t FALT = 0x10;

// Virtual keys the tables name. Letters and digits are their upper-case character codes.
inline constexpr int VK_BACK = 0x08;
inline constexpr int VK_TAB = 0x09;
inline constexpr int VK_RETURN = 0x0D;  // both Enter keys
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_PRIOR = 0x21;  // Page Up
inline constexpr int VK_NEXT = 0x22;   // Page Down
inline constexpr int VK_END = 0x23;
inline constexpr int VK_HOME = 0x24;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;
inline constexpr int VK_INSERT = 0x2D;
inline constexpr int VK_DELETE = 0x2E;
inline constexpr int VK_F1 = 0x70;  // to VK_F12 = 0x7B
inline constexpr int VK_F12 = 0x7B;

// One key of an accelerator table and the command it sends.
struct AcceleratorEntry {
  std::uint8_t flags;
  int key;
  int id;
};

}  // namespace framework
