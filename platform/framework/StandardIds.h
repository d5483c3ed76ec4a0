#pragma once

namespace framework {

// Result and control numbers every dialog and message box shares. The values are the ones the
// programs' resource tables were written with.
inline constexpr int IDC_STATIC = -1;  // a static text that nothing refers to
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

}  // namespace framework
