#pragma once

// Command numbers of Watchpost's menus and accelerators. The framework's own (Exit, About, the
// status bar) are in platform/framework/FrameIds.h.
namespace watchpost::cmd {

inline constexpr int ProfileImage = 1034;  // the same number as the panel's Profile button
inline constexpr int Compression = 32771;
inline constexpr int VideoFormat = 32772;
inline constexpr int VideoSource = 32773;
inline constexpr int StartStop = 32774;
inline constexpr int SetTargetFolder = 32775;
inline constexpr int MailSettings = 32776;  // no handler: always shown disabled
inline constexpr int AllocateFileSpace = 32777;
inline constexpr int PreviewMovement = 32779;
inline constexpr int OverlayMode = 32780;
inline constexpr int RowStrideIncrease = 32783;  // Ctrl+Page Down
inline constexpr int RowStrideDecrease = 32784;  // Ctrl+Page Up
inline constexpr int ClearZone = 32785;
inline constexpr int ShowZone = 32786;
inline constexpr int Hide = 32787;
inline constexpr int Peek = 32788;
inline constexpr int PeekWindowSettings = 32790;
inline constexpr int NamingOptions = 32793;
inline constexpr int Recording = 32800;
inline constexpr int NotifyOnMovement = 32801;
inline constexpr int EventCommand = 32802;
inline constexpr int StartWithSession = 32803;

}  // namespace watchpost::cmd

namespace watchpost {

// The control panel view's restart timer.
inline constexpr int kRestartTimerId = 26985;  // 0x6969
inline constexpr int kRestartTimerMs = 500;

}  // namespace watchpost
