#pragma once

#include "platform/framework/FrameIds.h"
#include "platform/framework/StringTable.h"
#include "resources/WatchpostCommands.h"

// Watchpost's string table: the program's name, the document string, the status bar's texts and
// the prompt of each menu command ("prompt\ntooltip"; the status bar shows the prompt). Profile
// Image has no prompt. The spelling is the program's own.
namespace watchpost::res {

inline constexpr int IDS_DOCUMENT = 128;  // the seven document string fields

namespace detail {

using framework::StringResource;

inline constexpr StringResource kStrings[] = {
    {IDS_DOCUMENT,
     "Corvane\n\nCorvix\nCorvix Files (*.log)\n.log\nCorvane.Document\nCorvix Document"},
    {framework::IDS_APP_TITLE, "Corvane"},
    {framework::IDS_IDLE_MESSAGE, "Waiting"},
    {framework::IDS_UNTITLED, "Untitled"},
    {framework::ID_INDICATOR_CAPS, "CAP"},
    {framework::ID_INDICATOR_NUM, "NUM"},
    {framework::ID_INDICATOR_SCRL, "SCRL"},

    {cmd::SetTargetFolder, "Set the taget folder for storing avi & log file"},
    {cmd::NamingOptions, "Choose the file naming convention"},
    {cmd::AllocateFileSpace, "Allocate space for the AVI file"},
    {framework::ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {cmd::StartStop, "Start or Stop capture"},
    {cmd::Hide, "Hide Corvane"},
    {cmd::Peek, "Peek while hiding"},
    {framework::ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar"},
    {cmd::PreviewMovement, "Preview Movement (Default)"},
    {cmd::OverlayMode, "Set Overlay mode"},
    {cmd::Compression, "Select the most suitable CODEC"},
    {cmd::VideoFormat, "Select the Video Format"},
    {cmd::VideoSource, "Select the Video Input Source"},
    {cmd::MailSettings, "Configure the Mail Settings"},
    {cmd::ClearZone, "Reset the existing Zone"},
    {cmd::ShowZone, "Show the existing Zone"},
    {cmd::PeekWindowSettings, "Define the size and position of the Peek Window"},
    {framework::ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
};

}  // namespace detail

inline constexpr framework::StringTable kStringTable{detail::kStrings};

}  // namespace watchpost::res
