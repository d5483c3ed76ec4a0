#pragma once

#include "platform/framework/FrameIds.h"
#include "platform/framework/MenuTemplate.h"
#include "resources/WatchpostCommands.h"

// Watchpost's menu bar and keys, resource 128. The key names in the captions are text only,
// after two blanks rather than a tab; the keys themselves are the accelerator table's.
namespace watchpost::res {

inline constexpr int IDR_MAINFRAME = 128;  // menu, accelerators, frame icon, document string

namespace detail {

using framework::MenuCommand;
using framework::MenuItem;
using framework::MenuPopup;

inline constexpr MenuItem kFileMenu[] = {
    MenuCommand("Set &Target Folder", cmd::SetTargetFolder),
    MenuCommand("Naming options", cmd::NamingOptions),
    MenuCommand("&Allocate File Space", cmd::AllocateFileSpace),
    MenuCommand("E&xit", framework::ID_APP_EXIT),
};

inline constexpr MenuItem kActionMenu[] = {
    MenuCommand("S&tart/Stop  Ctrl+T", cmd::StartStop),
    MenuCommand("P&rofile Image  Ctrl+I", cmd::ProfileImage),
    MenuCommand("&Hide  Ctrl+H", cmd::Hide),
    MenuCommand("P&eek  Ctrl+E", cmd::Peek),
};

inline constexpr MenuItem kViewMenu[] = {
    MenuCommand("&Status Bar", framework::ID_VIEW_STATUS_BAR),
    MenuCommand("&Preview Movement", cmd::PreviewMovement, framework::MF_CHECKED),
    MenuCommand("&Overlay mode", cmd::OverlayMode),
};

inline constexpr MenuItem kTriggerZoneMenu[] = {
    MenuCommand("&Clear Zone  Ctrl+X", cmd::ClearZone),
    MenuCommand("&Show Zone  Ctrl+Z", cmd::ShowZone),
};

inline constexpr MenuItem kPeekWindowMenu[] = {
    MenuCommand("Window size && position", cmd::PeekWindowSettings),
};

inline constexpr MenuItem kConfigurationMenu[] = {
    MenuCommand("&Compression", cmd::Compression),
    MenuCommand("Video &Format", cmd::VideoFormat),
    MenuCommand("Video &Source", cmd::VideoSource),
    MenuCommand("&Mail Settings", cmd::MailSettings),
    MenuPopup("Trigger &Zone", kTriggerZoneMenu),
    MenuPopup("Peek &Window", kPeekWindowMenu),
    MenuCommand("&Recording...", cmd::Recording),
    framework::MenuSeparator(),
    MenuCommand("&Notify on Movement", cmd::NotifyOnMovement),
    MenuCommand("Command on Mo&vement...", cmd::EventCommand),
    MenuCommand("Start with &Desktop Session", cmd::StartWithSession),
};

inline constexpr MenuItem kHelpMenu[] = {
    MenuCommand("&About Corvane...", framework::ID_APP_ABOUT),
};

inline constexpr MenuItem kMenuBar[] = {
    MenuPopup("&File", kFileMenu), MenuPopup("&Action", kActionMenu),
    MenuPopup("&View", kViewMenu), MenuPopup("&Configuration", kConfigurationMenu),
    MenuPopup("&Help", kHelpMenu),
};

// Every key is a virtual key with Ctrl.
inline constexpr std::uint8_t kCtrlKey =
    framework::FVIRTKEY | framework::FNOINVERT | framework::FCONTROL;  // 0x0B

}  // namespace detail

inline constexpr framework::MenuTemplate kMainMenu{IDR_MAINFRAME, detail::kMenuBar};

inline constexpr framework::AcceleratorEntry kMainAccelerators[] = {
    {detail::kCtrlKey, 'E', cmd::Peek},
    {detail::kCtrlKey, 'H', cmd::Hide},
    {detail::kCtrlKey, 'I', cmd::ProfileImage},
    {detail::kCtrlKey, 'T', cmd::StartStop},
    {detail::kCtrlKey, framework::VK_NEXT, cmd::RowStrideIncrease},
    {detail::kCtrlKey, framework::VK_PRIOR, cmd::RowStrideDecrease},
    {detail::kCtrlKey, 'X', cmd::ClearZone},
    {detail::kCtrlKey, 'Z', cmd::ShowZone},
};

}  // namespace watchpost::res
