#pragma once

// Every text Watchpost shows: message boxes and their captions, pane 0 of the status bar, the
// panel's buttons, the tray's tip and notices, the naming dialog's checks and the window texts.
// The string table (WatchpostStrings.h) lists them by number beside the menu prompts; the code
// names them here. "%1", "%2", ... stand for what the program fills in (base::FillIn). Plain
// data, so that the pure logic may use it too.
namespace watchpost::res::text {

inline constexpr char kAppTitle[] = "Corvane";
inline constexpr char kUntitled[] = "Untitled";
inline constexpr char kTitle[] = "%1 - Corvane";
inline constexpr char kCaptureWindowTitle[] = "WardenCam";
inline constexpr char kTargetFolderCaption[] = "Target Folder  %1";

// Captions of the boxes (and of the notices that stand in for them).
inline constexpr char kErrorCaption[] = "Corvane Error";
inline constexpr char kWarningCaption[] = "Corvane Warning";
inline constexpr char kZoneCaption[] = "Corvane Warning!";
inline constexpr char kCompressorCaption[] = "Warning";

// Opening, setting up, recording.
inline constexpr char kCannotOpen[] = "Cannot open %1: %2";
inline constexpr char kCannotEnterFolder[] =
    "Recordings go to %1: the target folder %2 cannot be entered (%3).";
inline constexpr char kSeveralDrivers[] =
    "Several capture drivers are installed; recording with the first, %1.";
inline constexpr char kRecordingEnded[] = "Recording ended: %1";
inline constexpr char kRestartWaits[] =
    "Auto Restart waits until %1 takes recordings again; it tries every 30 seconds.";
inline constexpr char kWithReason[] = "%1 (%2)";
inline constexpr char kStatusLine[] = "Status# %1: %2 %3";
inline constexpr char kNoSignalWatch[] = "Corvane cannot watch for the end of the session: %1";
inline constexpr char kUnknownOption[] = "watchpost: unknown option %1 (ignored)\n";

// The event log could not be kept: %1 is its path, %2 why.
inline constexpr char kCannotCreateLog[] = "Cannot create the event log %1: %2";
inline constexpr char kCannotWriteLog[] = "Cannot write the event log %1: %2";
inline constexpr char kCannotFinishLog[] = "Cannot finish the event log %1: %2";

// The control panel.
inline constexpr char kDefaultCompressorQuestion[] = "OK to use the default compressor?";
inline constexpr char kStartButton[] = "Start";
inline constexpr char kEndButton[] = "End";
inline constexpr char kPauseButton[] = "Pause";
inline constexpr char kContinueButton[] = "Continue";
inline constexpr char kPixelsOverThreshold[] = "> %1";
inline constexpr char kPerformingAnalysis[] = "Corvane - Performing Analysis";
inline constexpr char kCompletedAnalysis[] = "Corvane - Completed Analysis";

// The trigger zone.
inline constexpr char kSmallZoneQuestion[] =
    "The Trigger Zone is quite small.\nWas this intentional";
inline constexpr char kNoZoneMessage[] =
    "The Trigger Zone has not been defined or has been cleared.\nTo Define a new zone, use the "
    "left mouse button within the image area";

// The tray: the icon's tip while hidden, then the pieces the counters go between.
inline constexpr char kRestoreTip[] = "Restore Corvane";
inline constexpr char kTipCapturing[] = "\nCapturing. Sampled: ";
inline constexpr char kTipNotCapturing[] = "\nNot capturing. Sampled: ";
inline constexpr char kTipCaptured[] = " , Captured: ";

// Choosing folder and names.
inline constexpr char kBrowseTitlePrefix[] = "Select a new Target Folder\nCurrently set to ";
inline constexpr char kExampleCaption[] = "Example Filename";
inline constexpr char kSlashRefused[] = "A file name cannot contain \"/\".";
inline constexpr char kDotsRefused[] = "A file name cannot be made of dots only.";

// Left alone: the camera, the disk, alerts and the command on movement. %1 in the camera texts
// is the local time hh:mm:ss.
inline constexpr char kCameraLost[] = "Camera lost at %1, trying again";
inline constexpr char kCameraBack[] = "Camera back at %1";
inline constexpr char kNoFrames[] = "no frame came for %1 seconds";
inline constexpr char kMovementTitle[] = "Movement at %1";
inline constexpr char kCommandFailed[] = "The command on movement did not start: %1";
inline constexpr char kEmptyCommand[] = "it names no program";
inline constexpr char kOpenQuote[] = "a quote is not closed";
inline constexpr char kCompressorMissing[] =
    "The remembered compressor %1 is not available here; recording with the default.";
inline constexpr char kFreeSpace[] = "%1 free";
inline constexpr char kFreeSpaceLasting[] = "%1 free, about %2 at this rate";
inline constexpr char kFreeSpaceShort[] = "%1 free, less than a minute at this rate";
inline constexpr char kLessThanAMinute[] = "less than a minute";
inline constexpr char kOneMinute[] = "1 minute";
inline constexpr char kMinutes[] = "%1 minutes";
inline constexpr char kOneHour[] = "1 hour";
inline constexpr char kHours[] = "%1 hours";
inline constexpr char kOneDay[] = "1 day";
inline constexpr char kDays[] = "%1 days";
inline constexpr char kLowDiskNoStart[] =
    "No run starts: only %1 free in %2, and %3 MiB are kept free.";
inline constexpr char kLowDiskEnded[] =
    "Recording ended before the disk fills: only %1 free in %2, and %3 MiB are kept free.";
inline constexpr char kLowDiskWaits[] =
    "Auto Restart waits until %1 has %2 MiB free; it looks every 30 seconds.";
inline constexpr char kCommandDialogText[] =
    "A command to run at the first movement of a run and after 5 quiet minutes, and when the "
    "camera is lost or back. It gets CORVANE_AVI, CORVANE_LOG, CORVANE_TIME, CORVANE_FRAME and "
    "CORVANE_EVENT in its environment; for a shell, write sh -c '...'.";
inline constexpr char kCannotAutostart[] = "Cannot change the autostart entry %1: %2";

}  // namespace watchpost::res::text
