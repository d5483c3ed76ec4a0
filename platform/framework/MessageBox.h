#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/framework/StandardIds.h"

class QDialog;
class QWidget;

namespace framework {

// Message box types, with the values the programs were written with: one button set, one icon
// and one default button, or-ed together.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONERROR = MB_ICONSTOP;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_DEFBUTTON1 = 0x0;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
inline constexpr unsigned MB_TYPEMASK = 0xF;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr unsigned MB_DEFMASK = 0xF00;

// Shows `text` (plain, UTF-8) in a box owned by `owner`, run through RunModal, and returns the
// button pressed: IDOK, IDCANCEL, IDYES, IDNO or IDRETRY. Escape and the close button give
// IDCANCEL where there is a Cancel button, IDOK in an OK box and IDNO in a Yes/No box.
// Unknown button sets show OK.
int MessageBox(QWidget* owner, const std::string& text, const std::string& caption,
               unsigned type = MB_OK);
// The same with the application's display name as the caption.
int AppMessageBox(QWidget* owner, const std::string& text, unsigned type = MB_OK);

// What a message box shows, in the terms above; nothing when `dialog` is no message box.
struct MessageBoxInfo {
  std::string text;
  std::string caption;
  unsigned icon = 0;         // one of the MB_ICON values, 0 for none
  std::vector<int> buttons;  // in the order shown: IDYES, IDNO, IDCANCEL...
  int defaultButton = 0;     // 0 when none is the default
};
std::optional<MessageBoxInfo> DescribeMessageBox(const QDialog& dialog);

}  // namespace framework
