#pragma once

#include <cstdint>

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MenuTemplate.h"
#include "platform/framework/StringTable.h"
#include "resources/CasebookTexts.h"

// Casebook's resources: command and control numbers, the dialog templates, the menu and keys
// (resource 128), the string table and the icon.
namespace casebook::res {

// --- commands
namespace cmd {
inline constexpr int StopStart = 32771;          // the menu's Stop/Start, enabled with a recording
inline constexpr int StepForwardUnused = 32772;  // prompts only; no command uses them
inline constexpr int StepBackUnused = 32773;
inline constexpr int Back = 32774;
inline constexpr int Forward = 32775;
inline constexpr int StopStartKey = 32777;  // Enter, Space, Ctrl+T: no enabling rule
inline constexpr int Properties = 32778;
inline constexpr int Speed = 32779;
inline constexpr int ShowZone = 32790;  // View > Show Zone: the zone over the picture
// Reviewing a night.
inline constexpr int NextBurst = 32791;          // Ctrl+Right
inline constexpr int PreviousBurst = 32792;      // Ctrl+Left
inline constexpr int MarkIn = 32793;             // [
inline constexpr int MarkOut = 32794;            // ]
inline constexpr int ActivityStrip = 32795;      // View > Activity Strip
inline constexpr int BurstList = 32796;          // View > Bursts
inline constexpr int PlayRecordedTimes = 32797;  // Action > Play at Recorded Times
inline constexpr int ExportClip = 32800;  // File > Export Clip...: frames to MP4, time burned in
}  // namespace cmd

// --- icons
inline constexpr int IDR_MAINFRAME = 128;  // menu, keys, frame icon, document string
inline constexpr const char* kMainIconPath = ":/casebook/icons/casebook-128.svg";

// --- dialogs and their controls
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_CASEBOOK_FORM = 101;
inline constexpr int IDD_AVI_PROPERTIES = 130;
inline constexpr int IDD_PLAYBACK_SPEED = 131;
inline constexpr int IDD_EXPORT_CLIP = 145;

inline constexpr int IDC_SLIDER = 1000;        // form 101
inline constexpr int IDC_TOTAL = 1001;         // form 101: frames in the recording
inline constexpr int IDC_ENTRY = 1003;         // form 101: the position's log entry
inline constexpr int IDC_TOTAL_FRAMES = 1001;  // dialog 130
inline constexpr int IDC_WIDTH = 1004;
inline constexpr int IDC_HEIGHT = 1005;
inline constexpr int IDC_RECORDING_RATE = 1006;
inline constexpr int IDC_SPEED = 1007;  // dialog 131: the edit
inline constexpr int IDC_SPEED_SPIN = 1009;
inline constexpr int IDC_OVERRIDE = 1010;
inline constexpr int IDC_EXPORT_WHOLE = 1100;  // dialog 145: which frames, a radio group
inline constexpr int IDC_EXPORT_BURST = 1101;
inline constexpr int IDC_EXPORT_MARKS = 1102;
inline constexpr int IDC_EXPORT_AT_RATE = 1103;  // dialog 145: how they are timed, a radio group
inline constexpr int IDC_EXPORT_RECORDED = 1104;
inline constexpr int IDC_EXPORT_FILE = 1105;  // dialog 145: the MP4 to write
inline constexpr int IDC_EXPORT_BROWSE = 1106;

inline constexpr int IDS_DOCUMENT = 128;

// --- the program's own texts (CasebookTexts.h), by number
inline constexpr int IDS_ERROR_CAPTION = 40001;
inline constexpr int IDS_TITLE = 40002;
inline constexpr int IDS_CANNOT_OPEN = 40003;
inline constexpr int IDS_OPEN_FAILURE = 40004;
inline constexpr int IDS_STREAM_FAILURE = 40005;
inline constexpr int IDS_FIRST_PICTURE_FAILURE = 40006;
inline constexpr int IDS_FRAME_CANNOT_BE_SHOWN = 40007;
inline constexpr int IDS_OPEN_DIALOG = 40008;
inline constexpr int IDS_VIDEO_FILTER = 40009;
inline constexpr int IDS_LOG_FILTER = 40010;
inline constexpr int IDS_ALL_FILES_FILTER = 40011;
inline constexpr int IDS_PROCESSING_LOG = 40012;
inline constexpr int IDS_LOG_ENTRIES = 40013;
inline constexpr int IDS_UNABLE_TO_OPEN_LOG = 40014;
inline constexpr int IDS_LOG_SUSPECT = 40015;
inline constexpr int IDS_LOG_SUSPECT_MARK = 40016;
inline constexpr int IDS_NO_LOG_ENTRY = 40017;
inline constexpr int IDS_ENTRY_BEFORE_OPEN = 40018;
inline constexpr int IDS_TOTAL_BEFORE_OPEN = 40019;
inline constexpr int IDS_LOG_READY = 40020;
inline constexpr int IDS_END_OF_AVI = 40021;
inline constexpr int IDS_HELP = 40022;
inline constexpr int IDS_NO_SIGNAL_WATCH = 40023;
inline constexpr int IDS_BURST_STATUS = 40030;
inline constexpr int IDS_FRAMES = 40031;
inline constexpr int IDS_ONE_FRAME = 40032;
inline constexpr int IDS_MARK_IN_STATUS = 40033;
inline constexpr int IDS_MARK_OUT_STATUS = 40034;
inline constexpr int IDS_NO_BURSTS = 40035;
inline constexpr int IDS_BURST_LIST_TITLE = 40036;
inline constexpr int IDS_THUMBNAIL_FAILURE = 40037;
inline constexpr int IDS_EXPORT_WHOLE = 40050;
inline constexpr int IDS_EXPORT_BURST = 40051;
inline constexpr int IDS_EXPORT_NO_BURST = 40052;
inline constexpr int IDS_EXPORT_MARKS = 40053;
inline constexpr int IDS_EXPORT_NO_MARKS = 40054;
inline constexpr int IDS_EXPORT_NO_TIMES = 40055;
inline constexpr int IDS_EXPORT_PROGRESS = 40056;
inline constexpr int IDS_EXPORT_DONE = 40057;
inline constexpr int IDS_EXPORT_FAILED = 40058;
inline constexpr int IDS_EXPORT_CANCELLED = 40059;
inline constexpr int IDS_EXPORT_REPLACE = 40060;
inline constexpr int IDS_EXPORT_NO_FILE = 40061;
inline constexpr int IDS_EXPORT_SAVE_CAPTION = 40062;
inline constexpr int IDS_EXPORT_FILTER = 40063;

namespace detail {

using framework::ControlKind;
using framework::ControlTemplate;
using framework::IDC_STATIC;
using framework::IDCANCEL;
using framework::IDOK;

inline constexpr ControlTemplate kFormControls[] = {
    {ControlKind::LText, IDC_ENTRY, "Log Entry", 5, 5, 140, 10, framework::SS_SUNKEN},
    {ControlKind::Trackbar, IDC_SLIDER, nullptr, 150, 5, 160, 10,
     framework::TBS_NOTICKS | framework::WS_TABSTOP},
    {ControlKind::RText, IDC_TOTAL, "", 315, 5, 30, 10, framework::SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Total Frames", 350, 6, 44, 8},
};

inline constexpr ControlTemplate kPropertiesControls[] = {
    {ControlKind::LText, IDC_STATIC, "Total number of frames", 10, 10, 85, 10},
    {ControlKind::LText, IDC_TOTAL_FRAMES, "", 100, 10, 40, 10, framework::SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Video Width in pixels", 10, 25, 85, 10},
    {ControlKind::LText, IDC_WIDTH, "", 100, 25, 40, 10, framework::SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Video Height in pixels", 10, 40, 85, 10},
    {ControlKind::LText, IDC_HEIGHT, "", 100, 40, 40, 10, framework::SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Recording rate in fps", 10, 55, 85, 10},
    {ControlKind::LText, IDC_RECORDING_RATE, "", 100, 55, 40, 10, framework::SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "", 10, 70, 85, 10},
    {ControlKind::LText, IDC_STATIC, "", 100, 70, 40, 10},
    {ControlKind::LText, IDC_STATIC, "", 10, 85, 85, 10},
    {ControlKind::LText, IDC_STATIC, "", 100, 85, 40, 10},
    {ControlKind::DefPushButton, IDOK, "OK", 73, 105, 50, 14, framework::WS_TABSTOP},
};

inline constexpr ControlTemplate kSpeedControls[] = {
    {ControlKind::CheckBox, IDC_OVERRIDE, "Override the recorded speed", 10, 12, 110, 10,
     framework::WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Playback speed (fps)", 10, 31, 72, 8},
    {ControlKind::Edit, IDC_SPEED, "", 85, 31, 29, 12,
     framework::WS_BORDER | framework::ES_AUTOHSCROLL | framework::WS_TABSTOP},
    {ControlKind::UpDown, IDC_SPEED_SPIN, nullptr, 114, 31, 10, 12,
     framework::UDS_SETBUDDYINT | framework::UDS_ALIGNRIGHT | framework::UDS_AUTOBUDDY |
         framework::UDS_ARROWKEYS},
    {ControlKind::DefPushButton, IDOK, "OK", 130, 10, 45, 14, framework::WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 130, 30, 45, 14, framework::WS_TABSTOP},
};

inline constexpr ControlTemplate kExportControls[] = {
    {ControlKind::GroupBox, IDC_STATIC, "Frames", 7, 5, 226, 50},
    {ControlKind::RadioButton, IDC_EXPORT_WHOLE, "&Whole recording", 14, 16, 212, 10,
     framework::WS_GROUP | framework::WS_TABSTOP},
    {ControlKind::RadioButton, IDC_EXPORT_BURST, "Current &burst", 14, 28, 212, 10},
    {ControlKind::RadioButton, IDC_EXPORT_MARKS, "Between the &marks", 14, 40, 212, 10},
    {ControlKind::GroupBox, IDC_STATIC, "Timing", 7, 58, 226, 38},
    {ControlKind::RadioButton, IDC_EXPORT_AT_RATE, "At the recording's &rate", 14, 69, 212, 10,
     framework::WS_GROUP | framework::WS_TABSTOP},
    {ControlKind::RadioButton, IDC_EXPORT_RECORDED, "At recorded &times (long gaps shortened)", 14,
     81, 212, 10},
    {ControlKind::LText, IDC_STATIC, "&Save as:", 7, 102, 40, 8},
    {ControlKind::Edit, IDC_EXPORT_FILE, "", 7, 112, 176, 12,
     framework::WS_BORDER | framework::ES_AUTOHSCROLL | framework::WS_TABSTOP},
    {ControlKind::PushButton, IDC_EXPORT_BROWSE, "Br&owse...", 187, 111, 46, 14,
     framework::WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "Export", 129, 132, 50, 14, framework::WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 183, 132, 50, 14, framework::WS_TABSTOP},
};

inline constexpr ControlTemplate kAboutControls[] = {
    {ControlKind::Icon, IDC_STATIC, kMainIconPath, 11, 17, 20, 20},
    {ControlKind::LText, IDC_STATIC, "Casebook Version 0.14", 40, 10, 119, 8},
    {ControlKind::DefPushButton, IDOK, "OK", 178, 7, 32, 14,
     framework::WS_GROUP | framework::WS_TABSTOP},
};

}  // namespace detail

inline constexpr framework::DialogTemplate kCasebookForm{
    IDD_CASEBOOK_FORM, nullptr, 0, 0, 400, 20, detail::kFormControls};
inline constexpr framework::DialogTemplate kPropertiesDialog{
    IDD_AVI_PROPERTIES, "AVI Properties", 0, 0, 197, 130, detail::kPropertiesControls};
inline constexpr framework::DialogTemplate kSpeedDialog{
    IDD_PLAYBACK_SPEED, "Playback Speed", 0, 0, 182, 55, detail::kSpeedControls};
inline constexpr framework::DialogTemplate kExportDialog{
    IDD_EXPORT_CLIP, "Export Clip", 0, 0, 240, 153, detail::kExportControls};
inline constexpr framework::DialogTemplate kAboutDialog{
    IDD_ABOUTBOX, "About Casebook", 0, 0, 217, 55, detail::kAboutControls};

// --- menu 128 and its keys. The Action items name their keys after two blanks, the others
// after a tab.
namespace detail {

using framework::MenuCommand;
using framework::MenuItem;
using framework::MenuPopup;
using framework::MenuSeparator;

inline constexpr MenuItem kFileMenu[] = {
    MenuCommand("&Open...\tCtrl+O", framework::ID_FILE_OPEN),
    MenuSeparator(),
    MenuCommand("Recent File", framework::ID_FILE_MRU_FILE1, framework::MF_GRAYED),
    MenuSeparator(),
    MenuCommand("P&roperties", cmd::Properties),
    MenuCommand("&Export Clip...", cmd::ExportClip),
    MenuSeparator(),
    MenuCommand("E&xit", framework::ID_APP_EXIT),
};
inline constexpr MenuItem kActionMenu[] = {
    MenuCommand("S&top/Start  ENTER", cmd::StopStart),
    MenuCommand("&Forward  Ctrl+F", cmd::Forward),
    MenuCommand("Back  Ctrl+B", cmd::Back),
    MenuCommand("Speed  Ctrl+E", cmd::Speed),
    MenuSeparator(),
    MenuCommand("&Next Burst  Ctrl+Right", cmd::NextBurst),
    MenuCommand("&Previous Burst  Ctrl+Left", cmd::PreviousBurst),
    MenuCommand("Play at &Recorded Times", cmd::PlayRecordedTimes),
    MenuCommand("Mark &In  [", cmd::MarkIn),
    MenuCommand("Mark &Out  ]", cmd::MarkOut),
};
inline constexpr MenuItem kEditMenu[] = {
    MenuCommand("&Copy\tCtrl+C", framework::ID_EDIT_COPY),
};
inline constexpr MenuItem kViewMenu[] = {
    MenuCommand("Show &Zone", cmd::ShowZone),
    MenuCommand("Activity &Strip", cmd::ActivityStrip),
    MenuCommand("&Bursts", cmd::BurstList),
};
inline constexpr MenuItem kHelpMenu[] = {
    MenuCommand("&Help Topics", framework::ID_HELP_FINDER),
    MenuSeparator(),
    MenuCommand("&About Casebook...", framework::ID_APP_ABOUT),
};
inline constexpr MenuItem kMenuBar[] = {
    MenuPopup("&File", kFileMenu), MenuPopup("&Action", kActionMenu), MenuPopup("&Edit", kEditMenu),
    MenuPopup("&View", kViewMenu), MenuPopup("&Help", kHelpMenu),
};

inline constexpr std::uint8_t kCtrl = framework::FVIRTKEY | framework::FCONTROL;
inline constexpr std::uint8_t kPlain = framework::FVIRTKEY;

inline constexpr framework::StringResource kStrings[] = {
    {IDS_DOCUMENT,
     "Casebook\n\nCasebook\nCorvane files (*.avi)\n.avi\nCorvane.Document\nCorvane Document"},
    {framework::IDS_APP_TITLE, text::kAppTitle},
    {framework::IDS_IDLE_MESSAGE, "Ready"},
    {framework::IDS_UNTITLED, text::kUntitled},
    {framework::ID_INDICATOR_CAPS, "CAP"},
    {framework::ID_INDICATOR_NUM, "NUM"},
    {framework::ID_INDICATOR_SCRL, "SCRL"},
    {cmd::StopStart, "Stop or Start the current AVI"},
    {cmd::StepForwardUnused, "Forward one frame"},
    {cmd::StepBackUnused, "Back one frame"},
    {cmd::Back, "Reverse one frame"},
    {cmd::Forward, "Advance One frame"},
    {cmd::Properties, "Display the properties of an open AVI"},
    {cmd::Speed, "Change the playback speed (frames per second)"},
    {cmd::ShowZone, "Show the trigger zone each frame was compared in"},
    {framework::ID_FILE_OPEN, "Open an existing document\nOpen"},
    {framework::ID_FILE_MRU_FILE1, "Open this document"},
    {framework::ID_APP_EXIT, "Quit the application; prompts to save documents\nExit"},
    {framework::ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy"},
    {framework::ID_HELP_FINDER, "List Help topics\nHelp Topics"},
    {framework::ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},
    {IDS_ERROR_CAPTION, text::kErrorCaption},
    {IDS_TITLE, text::kTitle},
    {IDS_CANNOT_OPEN, text::kCannotOpen},
    {IDS_OPEN_FAILURE, text::kOpenFailure},
    {IDS_STREAM_FAILURE, text::kStreamFailure},
    {IDS_FIRST_PICTURE_FAILURE, text::kFirstPictureFailure},
    {IDS_FRAME_CANNOT_BE_SHOWN, text::kFrameCannotBeShown},
    {IDS_OPEN_DIALOG, text::kOpenDialogCaption},
    {IDS_VIDEO_FILTER, text::kVideoFilter},
    {IDS_LOG_FILTER, text::kLogFilter},
    {IDS_ALL_FILES_FILTER, text::kAllFilesFilter},
    {IDS_PROCESSING_LOG, text::kProcessingLog},
    {IDS_LOG_ENTRIES, text::kLogEntries},
    {IDS_UNABLE_TO_OPEN_LOG, text::kUnableToOpenLog},
    {IDS_LOG_SUSPECT, text::kLogSuspect},
    {IDS_LOG_SUSPECT_MARK, text::kLogSuspectMark},
    {IDS_NO_LOG_ENTRY, text::kNoLogEntry},
    {IDS_ENTRY_BEFORE_OPEN, text::kEntryBeforeOpen},
    {IDS_TOTAL_BEFORE_OPEN, text::kTotalBeforeOpen},
    {IDS_LOG_READY, text::kLogReady},
    {IDS_END_OF_AVI, text::kEndOfAvi},
    {IDS_HELP, text::kHelp},
    {IDS_NO_SIGNAL_WATCH, text::kNoSignalWatch},
    {cmd::NextBurst, "Go to the first frame of the next burst"},
    {cmd::PreviousBurst, "Go to the first frame of the previous burst"},
    {cmd::MarkIn, "Mark the frame on the screen as the start of a range"},
    {cmd::MarkOut, "Mark the frame on the screen as the end of a range"},
    {cmd::ActivityStrip, "Show the frames per minute of log time under the slider"},
    {cmd::BurstList, "List the bursts of the recording beside the picture"},
    {cmd::PlayRecordedTimes, "Play the frames spaced as their log times are"},
    {IDS_BURST_STATUS, text::kBurstStatus},
    {IDS_FRAMES, text::kFrames},
    {IDS_ONE_FRAME, text::kOneFrame},
    {IDS_MARK_IN_STATUS, text::kMarkInStatus},
    {IDS_MARK_OUT_STATUS, text::kMarkOutStatus},
    {IDS_NO_BURSTS, text::kNoBursts},
    {IDS_BURST_LIST_TITLE, text::kBurstListTitle},
    {IDS_THUMBNAIL_FAILURE, text::kThumbnailFailure},
    {cmd::ExportClip, "Export frames of the recording to an MP4 with their log times burned in"},
    {IDS_EXPORT_WHOLE, text::kExportWhole},
    {IDS_EXPORT_BURST, text::kExportBurst},
    {IDS_EXPORT_NO_BURST, text::kExportNoBurst},
    {IDS_EXPORT_MARKS, text::kExportMarks},
    {IDS_EXPORT_NO_MARKS, text::kExportNoMarks},
    {IDS_EXPORT_NO_TIMES, text::kExportNoTimes},
    {IDS_EXPORT_PROGRESS, text::kExportProgress},
    {IDS_EXPORT_DONE, text::kExportDone},
    {IDS_EXPORT_FAILED, text::kExportFailed},
    {IDS_EXPORT_CANCELLED, text::kExportCancelled},
    {IDS_EXPORT_REPLACE, text::kExportReplace},
    {IDS_EXPORT_NO_FILE, text::kExportNoFile},
    {IDS_EXPORT_SAVE_CAPTION, text::kExportSaveCaption},
    {IDS_EXPORT_FILTER, text::kExportFilter},
};

}  // namespace detail

inline constexpr framework::MenuTemplate kMainMenu{IDR_MAINFRAME, detail::kMenuBar};

inline constexpr framework::AcceleratorEntry kMainAccelerators[] = {
    {detail::kCtrl, 'B', cmd::Back},
    {detail::kCtrl, 'C', framework::ID_EDIT_COPY},
    {detail::kCtrl, 'E', cmd::Speed},
    {detail::kCtrl, 'F', cmd::Forward},
    {detail::kCtrl, 'O', framework::ID_FILE_OPEN},
    {detail::kCtrl, 'R', cmd::Properties},
    {detail::kCtrl, 'T', cmd::StopStartKey},
    {detail::kPlain, framework::VK_F1, framework::ID_HELP},
    {detail::kPlain | framework::FSHIFT, framework::VK_F1, framework::ID_CONTEXT_HELP},
    {detail::kCtrl, framework::VK_INSERT, framework::ID_EDIT_COPY},
    {detail::kPlain, framework::VK_RETURN, cmd::StopStartKey},
    {detail::kPlain, framework::VK_SPACE, cmd::StopStartKey},
    {detail::kCtrl, framework::VK_RIGHT, cmd::NextBurst},
    {detail::kCtrl, framework::VK_LEFT, cmd::PreviousBurst},
    {0, '[', cmd::MarkIn},
    {0, ']', cmd::MarkOut},
};

inline constexpr framework::StringTable kStringTable{detail::kStrings};

}  // namespace casebook::res
