#pragma once

// Command numbers of Watchpost's menus and accelerators.
namespace watchpost::cmd {

inline constexpr int RowStrideIncrease = 32783;  // Ctrl+Page Down
inline constexpr int RowStrideDecrease = 32784;  // Ctrl+Page Up

}  // namespace watchpost::cmd
