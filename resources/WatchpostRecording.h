#pragma once

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/StandardIds.h"

// Watchpost's Recording dialog (Configuration > Recording...): frames kept from before a hit and
// the file of reasons beside each recording, with the texts of both.
namespace watchpost::res {

inline constexpr int IDD_RECORDING = 137;
inline constexpr int IDC_PRE_EVENT_FRAMES = 1100;
inline constexpr int IDC_PRE_EVENT_SPIN = 1101;
inline constexpr int IDC_WRITE_REASONS = 1102;

namespace detail {

using framework::ControlKind;
using framework::ControlTemplate;

inline constexpr ControlTemplate kRecordingControls[] = {
    {ControlKind::LText, framework::IDC_STATIC,
     "Frames from before a hit: the last samples before it go into the recording first "
     "(0 to 10).",
     7, 7, 158, 18},
    {ControlKind::LText, framework::IDC_STATIC, "Frames before the hit:", 7, 32, 80, 8},
    {ControlKind::Edit, IDC_PRE_EVENT_FRAMES, "", 90, 30, 30, 14,
     framework::WS_BORDER | framework::ES_AUTOHSCROLL | framework::WS_TABSTOP},
    {ControlKind::UpDown, IDC_PRE_EVENT_SPIN, nullptr, 120, 30, 10, 14,
     framework::UDS_SETBUDDYINT | framework::UDS_ALIGNRIGHT | framework::UDS_AUTOBUDDY |
         framework::UDS_ARROWKEYS},
    {ControlKind::CheckBox, IDC_WRITE_REASONS, "Write why each frame was taken (.csv)", 7, 52, 158,
     10, framework::WS_TABSTOP},
    {ControlKind::DefPushButton, framework::IDOK, "OK", 173, 7, 50, 14,
     framework::WS_GROUP | framework::WS_TABSTOP},
    {ControlKind::PushButton, framework::IDCANCEL, "Cancel", 173, 24, 50, 14,
     framework::WS_TABSTOP},
};

}  // namespace detail

inline constexpr framework::DialogTemplate kRecordingDialog{
    IDD_RECORDING, "Recording", 0, 0, 230, 70, detail::kRecordingControls};

namespace text {

inline constexpr char kCannotCreateReasons[] = "Cannot create the reasons file %1: %2";
inline constexpr char kCannotWriteReasons[] = "Cannot write the reasons file %1: %2";
inline constexpr char kCannotFinishReasons[] = "Cannot finish the reasons file %1: %2";
inline constexpr char kNoMemoryForKeptFrames[] =
    "No memory for the frames kept from before a hit; recordings start at the hit.";

}  // namespace text
}  // namespace watchpost::res
