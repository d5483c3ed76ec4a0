#pragma once

// Every text Casebook shows: message boxes and their captions, status bar texts, the band's
// texts and the window's. The string table (CasebookResources.h) lists them by number beside
// the menu prompts; the code names them here. "%1", "%2" stand for what the program fills in
// (framework FillIn); "%d" is a count. Plain data, so that the pure logic may use it too.
namespace casebook::res::text {

inline constexpr char kAppTitle[] = "Casebook";
inline constexpr char kErrorCaption[] = "Casebook Error";
inline constexpr char kUntitled[] = "Untitled";
inline constexpr char kTitle[] = "%1 - Casebook";

// Opening a recording.
inline constexpr char kCannotOpen[] = "Cannot open %1: %2";
inline constexpr char kOpenFailure[] =
    "  There's a problem **Opening** this AVI file.\nCheck that it is the correct format and is "
    "not in use   ";
inline constexpr char kStreamFailure[] =
    "  There's a problem with this AVI **Stream**.\nCheck that it is the correct format and is "
    "not in use  ";
inline constexpr char kFirstPictureFailure[] =
    "  There's a problem showing the first picture of this AVI file.\n%1  ";
inline constexpr char kFrameCannotBeShown[] = "Frame %1 cannot be shown: %2";
inline constexpr char kOpenDialogCaption[] = "Open";
inline constexpr char kVideoFilter[] = "Corvane files (*.avi)";
inline constexpr char kLogFilter[] = "Corvane logs (*.log)";
inline constexpr char kAllFilesFilter[] = "All files (*)";

// Reading the event log.
inline constexpr char kProcessingLog[] = "Processing the Log File";
inline constexpr char kLogEntries[] = "Log File contains %d entries";
inline constexpr char kUnableToOpenLog[] = "Unable to open a Corvane Log File";
inline constexpr char kLogSuspect[] = "  The Corvane Log File is Suspect  ";
inline constexpr char kLogSuspectMark[] = " *LOG SUSPECT*";
inline constexpr char kNoLogEntry[] = "No Log Entry";

// The band over the picture.
inline constexpr char kEntryBeforeOpen[] = "Log Entry Details";
inline constexpr char kTotalBeforeOpen[] = "----";
inline constexpr char kLogReady[] = "Log Ready";
inline constexpr char kEndOfAvi[] = "End of AVI";

inline constexpr char kHelp[] =
    "Casebook shows a recording of Watchpost frame by frame beside its event log.\n\n"
    "Open (Ctrl+O) either file of a recording: the video (.avi) or its log (.log).\n"
    "Enter, Space or a click on the picture plays and stops it; Ctrl+F and Ctrl+B step one "
    "frame; the slider moves anywhere in it. Speed (Ctrl+E) sets the playback rate, "
    "Properties (Ctrl+R) shows what the recording's headers say.";
inline constexpr char kNoSignalWatch[] = "Casebook cannot watch for the end of the session: %1";

// Reviewing a night: bursts, the activity strip, the burst list, playing at recorded times.
inline constexpr char kBurstStatus[] = "Burst %1 of %2, %3, %4";
inline constexpr char kFrames[] = "%1 frames";
inline constexpr char kOneFrame[] = "%1 frame";
inline constexpr char kMarkInStatus[] = "Mark in at frame %1";
inline constexpr char kMarkOutStatus[] = "Mark out at frame %1";
inline constexpr char kNoBursts[] = "No bursts: the log gives no times";
inline constexpr char kBurstListTitle[] = "Bursts";
inline constexpr char kThumbnailFailure[] = "No picture of frame %1: %2";
// Exporting a clip.
inline constexpr char kExportWhole[] = "&Whole recording, frames %1 to %2";
inline constexpr char kExportBurst[] = "Current &burst, frames %1 to %2";
inline constexpr char kExportNoBurst[] = "Current &burst (the log gives this frame no burst)";
inline constexpr char kExportMarks[] = "Between the &marks, frames %1 to %2";
inline constexpr char kExportNoMarks[] = "Between the &marks (set them with [ and ])";
inline constexpr char kExportNoTimes[] = "At recorded &times (the log has no times)";
inline constexpr char kExportProgress[] = "Exporting frame %1 of %2 to %3";
inline constexpr char kExportDone[] = "Exported %1 frames to %2";
inline constexpr char kExportFailed[] = "The clip could not be exported: %1";
inline constexpr char kExportCancelled[] = "Export cancelled; nothing was written";
inline constexpr char kExportReplace[] = "%1 exists already.\nDo you want to replace it?";
inline constexpr char kExportNoFile[] = "Enter the name of the MP4 file to export to.";
inline constexpr char kExportSaveCaption[] = "Export Clip To";
inline constexpr char kExportFilter[] = "MP4 video (*.mp4)";

}  // namespace casebook::res::text
