#pragma once

#include <cstdint>
#include <span>

#include "platform/framework/StandardIds.h"

namespace framework {

enum class ControlKind {
  PushButton,
  DefPushButton,  // the button Enter presses
  RadioButton,    // checks itself and clears the others of its group when clicked
  CheckBox,
  GroupBox,
  LText,  // static texts: left-aligned (word-wrapped), centred, right-aligned
  CText,
  RText,
  Edit,
  ListBox,
  Icon,      // the icon its caption names (a file or resource path), or what SetDlgItemIcon gives
  Progress,  // a progress bar, range 0 to 100 until set
  Trackbar,  // a horizontal slider, range 0 to 100 until set
  UpDown,    // arrows that count the number in the control before it up and down, 0 to 100
};

// Styles, with the values the resource tables use. Push buttons, check boxes, edits and list
// boxes are tab stops whatever their style, as the resource compiler made them; radio buttons
// always take focus (Qt moves between the buttons of a group with the arrow keys).
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;    // starts a new radio group
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;  // list boxes: a scroll bar when needed
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;  // accepted; edits and bars have frames
// Controls are visible unless the table says otherwise: this is the script's NOT WS_VISIBLE, so
// that a table lists only what differs from an ordinary control. The control starts hidden.
inline constexpr std::uint32_t NOT_WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t BS_LEFTTEXT = 0x0020;  // check boxes: text left, box at the right
inline constexpr std::uint32_t BS_PUSHLIKE = 0x1000;  // check and radio buttons drawn as buttons
inline constexpr std::uint32_t BS_FLAT = 0x8000;      // accepted; Qt's flat buttons lose their edge
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;    // static texts in a sunken frame
inline constexpr std::uint32_t ES_RIGHT = 0x0002;     // edits: text right-aligned
inline constexpr std::uint32_t TBS_NOTICKS = 0x0010;  // trackbars: no tick marks (Qt's default)
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;  // accepted; every edit scrolls
inline constexpr std::uint32_t ES_READONLY = 0x0800;
inline constexpr std::uint32_t ES_NUMBER = 0x2000;   // typing takes digits only
inline constexpr std::uint32_t LBS_NOTIFY = 0x0001;  // accepted; list boxes always notify
inline constexpr std::uint32_t LBS_SORT = 0x0002;    // ListAddString keeps the list sorted
// Up-down controls: always attached to the control before them (an edit), at its right edge,
// counting its number; the Up and Down keys in the edit count too.
inline constexpr std::uint32_t UDS_SETBUDDYINT = 0x0002;  // accepted
inline constexpr std::uint32_t UDS_ALIGNRIGHT = 0x0004;   // accepted
inline constexpr std::uint32_t UDS_AUTOBUDDY = 0x0010;    // accepted
inline constexpr std::uint32_t UDS_ARROWKEYS = 0x0020;    // accepted

// One control: position and size in dialog units, caption in UTF-8 (null for none).
struct ControlTemplate {
  ControlKind kind;
  int id;
  const char* caption;
  int x, y, w, h;
  std::uint32_t style = 0;
};

struct DialogTemplate {
  int id;
  const char* caption;
  int x, y, w, h;  // the position is not used: a dialog opens centred on its owner
  std::span<const ControlTemplate> controls;
};

// Dialog units to pixels with the base units of 8-point MS Sans Serif at 96 dpi (6 x 13
// pixels), the font the templates were laid out for. Positions and sizes convert on their own,
// truncating.
constexpr int DialogXToPixels(int units) { return units * 6 / 4; }
constexpr int DialogYToPixels(int units) { return units * 13 / 8; }

}  // namespace framework
