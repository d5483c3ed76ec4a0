#pragma once

#include "platform/framework/FrameIds.h"
#include "platform/framework/StringTable.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostTexts.h"

// Watchpost's string table: the program's name, the document string, the status bar's texts, the
// prompt of each menu command ("prompt\ntooltip"; the status bar shows the prompt) and the
// program's own texts (WatchpostTexts.h). Profile Image has no prompt. The spelling is the
// program's own.
namespace watchpost::res {

inline constexpr int IDS_DOCUMENT = 128;  // the seven document string fields

// --- the program's own texts (WatchpostTexts.h), by number
inline constexpr int IDS_TITLE = 40001;
inline constexpr int IDS_CAPTURE_WINDOW_TITLE = 40002;
inline constexpr int IDS_TARGET_FOLDER_CAPTION = 40003;
inline constexpr int IDS_ERROR_CAPTION = 40004;
inline constexpr int IDS_WARNING_CAPTION = 40005;
inline constexpr int IDS_ZONE_CAPTION = 40006;
inline constexpr int IDS_COMPRESSOR_CAPTION = 40007;
inline constexpr int IDS_CANNOT_OPEN = 40008;
inline constexpr int IDS_CANNOT_ENTER_FOLDER = 40009;
inline constexpr int IDS_SEVERAL_DRIVERS = 40010;
inline constexpr int IDS_RECORDING_ENDED = 40011;
inline constexpr int IDS_RESTART_WAITS = 40012;
inline constexpr int IDS_WITH_REASON = 40013;
inline constexpr int IDS_STATUS_LINE = 40014;
inline constexpr int IDS_NO_SIGNAL_WATCH = 40015;
inline constexpr int IDS_UNKNOWN_OPTION = 40016;
inline constexpr int IDS_CANNOT_CREATE_LOG = 40017;
inline constexpr int IDS_CANNOT_WRITE_LOG = 40018;
inline constexpr int IDS_CANNOT_FINISH_LOG = 40019;
inline constexpr int IDS_DEFAULT_COMPRESSOR_QUESTION = 40020;
inline constexpr int IDS_START_BUTTON = 40021;
inline constexpr int IDS_END_BUTTON = 40022;
inline constexpr int IDS_PAUSE_BUTTON = 40023;
inline constexpr int IDS_CONTINUE_BUTTON = 40024;
inline constexpr int IDS_PIXELS_OVER_THRESHOLD = 40025;
inline constexpr int IDS_PERFORMING_ANALYSIS = 40026;
inline constexpr int IDS_COMPLETED_ANALYSIS = 40027;
inline constexpr int IDS_SMALL_ZONE_QUESTION = 40028;
inline constexpr int IDS_NO_ZONE_MESSAGE = 40029;
inline constexpr int IDS_RESTORE_TIP = 40030;
inline constexpr int IDS_TIP_CAPTURING = 40031;
inline constexpr int IDS_TIP_NOT_CAPTURING = 40032;
inline constexpr int IDS_TIP_CAPTURED = 40033;
inline constexpr int IDS_BROWSE_TITLE_PREFIX = 40034;
inline constexpr int IDS_EXAMPLE_CAPTION = 40035;
inline constexpr int IDS_SLASH_REFUSED = 40036;
inline constexpr int IDS_DOTS_REFUSED = 40037;
inline constexpr int IDS_CAMERA_LOST = 40038;
inline constexpr int IDS_CAMERA_BACK = 40039;
inline constexpr int IDS_NO_FRAMES = 40040;
inline constexpr int IDS_MOVEMENT_TITLE = 40041;
inline constexpr int IDS_COMMAND_FAILED = 40042;
inline constexpr int IDS_EMPTY_COMMAND = 40043;
inline constexpr int IDS_COMPRESSOR_MISSING = 40044;
inline constexpr int IDS_FREE_SPACE = 40045;
inline constexpr int IDS_FREE_SPACE_LASTING = 40046;
inline constexpr int IDS_LESS_THAN_A_MINUTE = 40047;
inline constexpr int IDS_ONE_MINUTE = 40048;
inline constexpr int IDS_MINUTES = 40049;
inline constexpr int IDS_ONE_HOUR = 40050;
inline constexpr int IDS_HOURS = 40051;
inline constexpr int IDS_ONE_DAY = 40052;
inline constexpr int IDS_DAYS = 40053;
inline constexpr int IDS_LOW_DISK_NO_START = 40054;
inline constexpr int IDS_LOW_DISK_ENDED = 40055;
inline constexpr int IDS_LOW_DISK_WAITS = 40056;
inline constexpr int IDS_COMMAND_DIALOG_TEXT = 40057;
inline constexpr int IDS_CANNOT_AUTOSTART = 40058;
inline constexpr int IDS_OPEN_QUOTE = 40059;
inline constexpr int IDS_FREE_SPACE_SHORT = 40060;

namespace detail {

using framework::StringResource;

inline constexpr StringResource kStrings[] = {
    {IDS_DOCUMENT,
     "Corvane\n\nCorvix\nCorvix Files (*.log)\n.log\nCorvane.Document\nCorvix Document"},
    {framework::IDS_APP_TITLE, text::kAppTitle},
    {framework::IDS_IDLE_MESSAGE, "Waiting"},
    {framework::IDS_UNTITLED, text::kUntitled},
    {framework::ID_INDICATOR_CAPS, "CAP"},
    {framework::ID_INDICATOR_NUM, "NUM"},
    {framework::ID_INDICATOR_SCRL, "SCRL"},

    {cmd::SetTargetFolder, "Set the taget folder for storing avi & log file"},
    {cmd::NamingOptions, "Choose the file naming convention"},
    {cmd::Recording, "Frames from before a hit, and why each frame was taken"},
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
    {cmd::NotifyOnMovement, "Show a desktop notification at movement while Corvane is hidden"},
    {cmd::EventCommand, "Run a command of your own at movement and when the camera is lost"},
    {cmd::StartWithSession, "Start Corvane hidden, recording, when you log in"},
    {framework::ID_APP_ABOUT, "Display program information, version number and copyright\nAbout"},

    {IDS_TITLE, text::kTitle},
    {IDS_CAPTURE_WINDOW_TITLE, text::kCaptureWindowTitle},
    {IDS_TARGET_FOLDER_CAPTION, text::kTargetFolderCaption},
    {IDS_ERROR_CAPTION, text::kErrorCaption},
    {IDS_WARNING_CAPTION, text::kWarningCaption},
    {IDS_ZONE_CAPTION, text::kZoneCaption},
    {IDS_COMPRESSOR_CAPTION, text::kCompressorCaption},
    {IDS_CANNOT_OPEN, text::kCannotOpen},
    {IDS_CANNOT_ENTER_FOLDER, text::kCannotEnterFolder},
    {IDS_SEVERAL_DRIVERS, text::kSeveralDrivers},
    {IDS_RECORDING_ENDED, text::kRecordingEnded},
    {IDS_RESTART_WAITS, text::kRestartWaits},
    {IDS_WITH_REASON, text::kWithReason},
    {IDS_STATUS_LINE, text::kStatusLine},
    {IDS_NO_SIGNAL_WATCH, text::kNoSignalWatch},
    {IDS_UNKNOWN_OPTION, text::kUnknownOption},
    {IDS_CANNOT_CREATE_LOG, text::kCannotCreateLog},
    {IDS_CANNOT_WRITE_LOG, text::kCannotWriteLog},
    {IDS_CANNOT_FINISH_LOG, text::kCannotFinishLog},
    {IDS_DEFAULT_COMPRESSOR_QUESTION, text::kDefaultCompressorQuestion},
    {IDS_START_BUTTON, text::kStartButton},
    {IDS_END_BUTTON, text::kEndButton},
    {IDS_PAUSE_BUTTON, text::kPauseButton},
    {IDS_CONTINUE_BUTTON, text::kContinueButton},
    {IDS_PIXELS_OVER_THRESHOLD, text::kPixelsOverThreshold},
    {IDS_PERFORMING_ANALYSIS, text::kPerformingAnalysis},
    {IDS_COMPLETED_ANALYSIS, text::kCompletedAnalysis},
    {IDS_SMALL_ZONE_QUESTION, text::kSmallZoneQuestion},
    {IDS_NO_ZONE_MESSAGE, text::kNoZoneMessage},
    {IDS_RESTORE_TIP, text::kRestoreTip},
    {IDS_TIP_CAPTURING, text::kTipCapturing},
    {IDS_TIP_NOT_CAPTURING, text::kTipNotCapturing},
    {IDS_TIP_CAPTURED, text::kTipCaptured},
    {IDS_BROWSE_TITLE_PREFIX, text::kBrowseTitlePrefix},
    {IDS_EXAMPLE_CAPTION, text::kExampleCaption},
    {IDS_SLASH_REFUSED, text::kSlashRefused},
    {IDS_DOTS_REFUSED, text::kDotsRefused},
    {IDS_CAMERA_LOST, text::kCameraLost},
    {IDS_CAMERA_BACK, text::kCameraBack},
    {IDS_NO_FRAMES, text::kNoFrames},
    {IDS_MOVEMENT_TITLE, text::kMovementTitle},
    {IDS_COMMAND_FAILED, text::kCommandFailed},
    {IDS_EMPTY_COMMAND, text::kEmptyCommand},
    {IDS_COMPRESSOR_MISSING, text::kCompressorMissing},
    {IDS_FREE_SPACE, text::kFreeSpace},
    {IDS_FREE_SPACE_LASTING, text::kFreeSpaceLasting},
    {IDS_LESS_THAN_A_MINUTE, text::kLessThanAMinute},
    {IDS_ONE_MINUTE, text::kOneMinute},
    {IDS_MINUTES, text::kMinutes},
    {IDS_ONE_HOUR, text::kOneHour},
    {IDS_HOURS, text::kHours},
    {IDS_ONE_DAY, text::kOneDay},
    {IDS_DAYS, text::kDays},
    {IDS_LOW_DISK_NO_START, text::kLowDiskNoStart},
    {IDS_LOW_DISK_ENDED, text::kLowDiskEnded},
    {IDS_LOW_DISK_WAITS, text::kLowDiskWaits},
    {IDS_COMMAND_DIALOG_TEXT, text::kCommandDialogText},
    {IDS_CANNOT_AUTOSTART, text::kCannotAutostart},
    {IDS_OPEN_QUOTE, text::kOpenQuote},
    {IDS_FREE_SPACE_SHORT, text::kFreeSpaceShort},
};

}  // namespace detail

inline constexpr framework::StringTable kStringTable{detail::kStrings};

}  // namespace watchpost::res
