#pragma once

#include "platform/framework/DialogTemplate.h"
#include "resources/WatchpostIcons.h"
#include "resources/WatchpostTexts.h"

// Watchpost's dialog templates, in dialog units, and the numbers of their controls.
namespace watchpost::res {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_WATCHPOST_FORM = 101;  // the control panel view
inline constexpr int IDD_ALLOCATE_FILE = 131;
inline constexpr int IDD_DRIVER_CHOICE = 132;
inline constexpr int IDD_PEEK_WINDOW = 135;
inline constexpr int IDD_FILE_NAMING = 136;
inline constexpr int IDD_EVENT_COMMAND = 138;

// The control panel (form 101).
inline constexpr int IDC_ACTIVITY = 1001;  // progress bar
inline constexpr int IDC_THRESHOLD_SLIDER = 1002;
inline constexpr int IDC_THRESHOLD_TEXT = 1003;  // "Capture on:" value
inline constexpr int IDC_DIFFERENTIAL_SLIDER = 1004;
inline constexpr int IDC_DIFFERENTIAL_TEXT = 1005;
inline constexpr int IDC_CAPTURED = 1006;
inline constexpr int IDC_SAMPLED = 1007;
inline constexpr int IDC_PIXELS_HIT = 1008;
inline constexpr int IDC_BEEP_ON_HIT = 1011;
inline constexpr int IDC_START = 1012;  // push-like check box: Start / End
inline constexpr int IDC_INTERVAL = 1018;
inline constexpr int IDC_LIMIT = 1019;
inline constexpr int IDC_SPECIFY_PLAYBACK = 1022;
inline constexpr int IDC_APPLY = 1024;
inline constexpr int IDC_AUTO_MAIL = 1025;  // always disabled
inline constexpr int IDC_AUTO_RESTART = 1026;
inline constexpr int IDC_PAUSE = 1028;       // push-like check box: Pause / Continue
inline constexpr int IDC_PROFILE = 1034;     // also the Profile Image command
inline constexpr int IDC_SCALE_HIGH = 1035;  // push-like radio buttons, group L M H
inline constexpr int IDC_SCALE_MEDIUM = 1036;
inline constexpr int IDC_SCALE_LOW = 1037;
inline constexpr int IDC_PEEK_HIDE = 1039;
inline constexpr int IDC_PLAYBACK = 1053;

// The Peek Window dialog (135).
inline constexpr int IDC_SIZE_SMALL = 1041;
inline constexpr int IDC_SIZE_MEDIUM = 1042;
inline constexpr int IDC_TOP_LEFT = 1043;
inline constexpr int IDC_TOP_RIGHT = 1044;
inline constexpr int IDC_BOTTOM_LEFT = 1045;
inline constexpr int IDC_BOTTOM_RIGHT = 1046;
inline constexpr int IDC_SIZE_HIDDEN = 1051;
inline constexpr int IDC_SIZE_LARGE = 1052;
inline constexpr int IDC_PEEK_WIDTH = 1055;
inline constexpr int IDC_PEEK_HEIGHT = 1056;
inline constexpr int IDC_SIZE_CUSTOM = 32792;

inline constexpr int IDC_FILE_SIZE = 1026;       // edit: megabytes to allocate
inline constexpr int IDC_DRIVER_LIST = 1029;     // list box of capture drivers
inline constexpr int IDC_CUSTOM_NAME = 1057;     // edit: the custom / example name
inline constexpr int IDC_PREFIX = 1058;          // edit: the prefix
inline constexpr int IDC_RADIO_PREFIX = 1059;    // radio group, in template order:
inline constexpr int IDC_RADIO_CUSTOM = 1060;    //   Standard 1061, Detailed 1062,
inline constexpr int IDC_RADIO_STANDARD = 1061;  //   Custom 1060, Prefix 1059
inline constexpr int IDC_RADIO_DETAILED = 1062;
inline constexpr int IDC_EXAMPLE_NAME = 1065;   // static under the custom name
inline constexpr int IDC_EVENT_COMMAND = 1066;  // edit: the command on movement

namespace detail {

using framework::BS_FLAT;
using framework::BS_LEFTTEXT;
using framework::BS_PUSHLIKE;
using framework::ControlKind;
using framework::ControlTemplate;
using framework::ES_AUTOHSCROLL;
using framework::ES_RIGHT;
using framework::IDC_STATIC;
using framework::IDCANCEL;
using framework::IDOK;
using framework::LBS_NOTIFY;
using framework::NOT_WS_VISIBLE;
using framework::SS_SUNKEN;
using framework::TBS_NOTICKS;
using framework::WS_BORDER;
using framework::WS_DISABLED;
using framework::WS_GROUP;
using framework::WS_TABSTOP;
using framework::WS_VSCROLL;

// Content on the left, OK and Cancel down the right, 7 units from every edge.
inline constexpr ControlTemplate kAllocateFileControls[] = {
    {ControlKind::LText, IDC_STATIC,
     "Enter a size in Megabytes that you would like to pre-allocate to the AVI file to help "
     "improve performance",
     7, 7, 158, 26},
    {ControlKind::LText, IDC_STATIC, "AVI File Size (Mb):", 7, 45, 70, 8},
    {ControlKind::Edit, IDC_FILE_SIZE, "", 80, 43, 50, 14, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "OK", 173, 7, 50, 14, WS_GROUP | WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 173, 24, 50, 14, WS_TABSTOP},
};

// The text over the command line, OK and Cancel under it on the right.
inline constexpr ControlTemplate kEventCommandControls[] = {
    {ControlKind::LText, IDC_STATIC, text::kCommandDialogText, 7, 7, 276, 34},
    {ControlKind::Edit, IDC_EVENT_COMMAND, "", 7, 45, 276, 14, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "OK", 179, 65, 50, 14, WS_GROUP | WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 233, 65, 50, 14, WS_TABSTOP},
};

inline constexpr ControlTemplate kDriverChoiceControls[] = {
    {ControlKind::LText, IDC_STATIC,
     "You have more than one active Capture driver on your system. Please select the one you "
     "require",
     7, 7, 158, 24},
    {ControlKind::ListBox, IDC_DRIVER_LIST, nullptr, 7, 35, 158, 56,
     LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "OK", 173, 7, 50, 14, WS_GROUP | WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 173, 24, 50, 14, WS_TABSTOP},
};

// The four radio buttons come one after another so that they make one group; each edit sits
// under the choice it belongs to.
inline constexpr ControlTemplate kFileNamingControls[] = {
    {ControlKind::LText, IDC_STATIC,
     "Choose from one of the options below to specify the filename format that will be used", 7, 7,
     226, 16},
    {ControlKind::RadioButton, IDC_RADIO_STANDARD, "Standard Filename", 14, 28, 120, 10,
     WS_GROUP | WS_TABSTOP},
    {ControlKind::RadioButton, IDC_RADIO_DETAILED, "Detailed Filename", 14, 41, 120, 10},
    {ControlKind::RadioButton, IDC_RADIO_CUSTOM, "Custom Filename", 14, 54, 120, 10},
    {ControlKind::RadioButton, IDC_RADIO_PREFIX, "Specify a Prefix", 14, 97, 120, 10},
    {ControlKind::Edit, IDC_CUSTOM_NAME, "", 26, 66, 207, 14,
     ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP},
    {ControlKind::LText, IDC_EXAMPLE_NAME, "Example Filename", 26, 83, 207, 8},
    {ControlKind::Edit, IDC_PREFIX, "", 26, 109, 60, 14, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "OK", 240, 7, 50, 14, WS_GROUP | WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 240, 24, 50, 14, WS_TABSTOP},
};

// The icon left, the texts beside it, OK at the bottom right.
inline constexpr ControlTemplate kAboutControls[] = {
    {ControlKind::Icon, IDC_STATIC, kMainIconPath, 12, 12, 20, 20},
    {ControlKind::LText, IDC_STATIC, "Corvane Version 0.15", 44, 14, 140, 8},
    {ControlKind::LText, IDC_STATIC, "Intermediate build", 44, 28, 140, 8},
    {ControlKind::LText, IDC_STATIC, "Motion-triggered video surveillance", 44, 48, 140, 8},
    {ControlKind::DefPushButton, IDOK, "OK", 143, 79, 50, 14, WS_GROUP | WS_TABSTOP},
};

// The panel strip at the left of the view, in tab order.
inline constexpr ControlTemplate kWatchpostFormControls[] = {
    {ControlKind::CheckBox, IDC_START, "Start", 5, 5, 40, 15, BS_PUSHLIKE | BS_FLAT | WS_TABSTOP},
    {ControlKind::CheckBox, IDC_PAUSE, "", 45, 5, 40, 15,
     BS_PUSHLIKE | BS_FLAT | NOT_WS_VISIBLE | WS_DISABLED | WS_TABSTOP},
    {ControlKind::PushButton, IDC_PROFILE, "Profile", 5, 22, 40, 13, WS_TABSTOP},
    {ControlKind::PushButton, IDC_PEEK_HIDE, "Peek/Hide", 46, 22, 40, 13, WS_TABSTOP},
    {ControlKind::CheckBox, IDC_BEEP_ON_HIT, "Beep On Hit", 6, 42, 75, 10,
     BS_LEFTTEXT | WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "# Sampled:", 6, 54, 37, 10},
    {ControlKind::RText, IDC_SAMPLED, "", 46, 54, 38, 10, SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "# Captured:", 6, 66, 36, 10},
    {ControlKind::RText, IDC_CAPTURED, "", 46, 66, 38, 10, SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Scale:", 7, 78, 24, 10},
    {ControlKind::RadioButton, IDC_SCALE_LOW, "L", 34, 78, 16, 10, BS_PUSHLIKE | WS_GROUP},
    {ControlKind::RadioButton, IDC_SCALE_MEDIUM, "M", 51, 78, 16, 10, BS_PUSHLIKE},
    {ControlKind::RadioButton, IDC_SCALE_HIGH, "H", 68, 78, 16, 10, BS_PUSHLIKE},
    {ControlKind::LText, IDC_STATIC, "# Pixels hit:", 6, 90, 36, 8, WS_GROUP},
    {ControlKind::RText, IDC_PIXELS_HIT, "", 45, 90, 40, 10, SS_SUNKEN},
    {ControlKind::Progress, IDC_ACTIVITY, nullptr, 7, 102, 75, 10, WS_BORDER},
    {ControlKind::Trackbar, IDC_THRESHOLD_SLIDER, nullptr, 4, 114, 81, 10,
     TBS_NOTICKS | WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Capture on:", 6, 125, 37, 10},
    {ControlKind::RText, IDC_THRESHOLD_TEXT, "", 43, 125, 40, 10, SS_SUNKEN},
    {ControlKind::LText, IDC_STATIC, "Differential:", 6, 142, 38, 10},
    {ControlKind::RText, IDC_DIFFERENTIAL_TEXT, "", 54, 142, 29, 10, SS_SUNKEN},
    {ControlKind::Trackbar, IDC_DIFFERENTIAL_SLIDER, nullptr, 4, 153, 81, 10,
     TBS_NOTICKS | WS_TABSTOP},
    {ControlKind::GroupBox, IDC_STATIC, nullptr, 3, 165, 84, 110},
    {ControlKind::DefPushButton, IDC_APPLY, "Apply", 47, 174, 38, 13, WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Sample\nInterval (ms)", 7, 189, 38, 15},
    {ControlKind::Edit, IDC_INTERVAL, "", 47, 190, 36, 14, ES_RIGHT | WS_BORDER | WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Frame Limit", 7, 209, 36, 10},
    {ControlKind::Edit, IDC_LIMIT, "", 47, 206, 36, 14, ES_RIGHT | WS_BORDER | WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Playback\nRate (fps)", 7, 221, 35, 16},
    {ControlKind::Edit, IDC_PLAYBACK, "", 47, 222, 36, 14, ES_RIGHT | WS_BORDER | WS_TABSTOP},
    {ControlKind::CheckBox, IDC_SPECIFY_PLAYBACK, "Specify playback rate", 5, 240, 79, 10,
     BS_LEFTTEXT | WS_TABSTOP},
    {ControlKind::CheckBox, IDC_AUTO_RESTART, "Auto Restart", 5, 250, 79, 10,
     BS_LEFTTEXT | WS_TABSTOP},
    {ControlKind::CheckBox, IDC_AUTO_MAIL, "Auto Mail Out", 5, 260, 79, 10,
     BS_LEFTTEXT | WS_DISABLED | WS_TABSTOP},
    {ControlKind::GroupBox, IDC_STATIC, nullptr, 3, 35, 84, 130},
};

// Where the peek window goes (the corners as they lie on the screen), how big it is, and the
// custom size beside the size choices. Each radio group starts a group.
inline constexpr ControlTemplate kPeekWindowControls[] = {
    {ControlKind::GroupBox, IDC_STATIC, "Window Position", 7, 7, 161, 40},
    {ControlKind::RadioButton, IDC_TOP_LEFT, "Top &Left", 14, 18, 70, 10, WS_GROUP | WS_TABSTOP},
    {ControlKind::RadioButton, IDC_TOP_RIGHT, "Top &Right", 90, 18, 70, 10},
    {ControlKind::RadioButton, IDC_BOTTOM_LEFT, "B&ottom Left", 14, 31, 70, 10},
    {ControlKind::RadioButton, IDC_BOTTOM_RIGHT, "Botto&m Right", 90, 31, 70, 10},
    {ControlKind::GroupBox, IDC_STATIC, "Window Size", 7, 50, 72, 69},
    {ControlKind::RadioButton, IDC_SIZE_HIDDEN, "Hidden", 14, 61, 58, 10, WS_GROUP | WS_TABSTOP},
    {ControlKind::RadioButton, IDC_SIZE_SMALL, "Small", 14, 72, 58, 10},
    {ControlKind::RadioButton, IDC_SIZE_MEDIUM, "Medium", 14, 83, 58, 10},
    {ControlKind::RadioButton, IDC_SIZE_LARGE, "Large", 14, 94, 58, 10},
    {ControlKind::RadioButton, IDC_SIZE_CUSTOM, "Custom", 14, 105, 58, 10},
    {ControlKind::GroupBox, IDC_STATIC, "Custom Dimensions", 84, 50, 84, 69},
    {ControlKind::LText, IDC_STATIC, "Width", 92, 66, 26, 8, WS_GROUP},
    {ControlKind::Edit, IDC_PEEK_WIDTH, "", 124, 64, 36, 14, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::LText, IDC_STATIC, "Height", 92, 88, 26, 8},
    {ControlKind::Edit, IDC_PEEK_HEIGHT, "", 124, 86, 36, 14, ES_AUTOHSCROLL | WS_TABSTOP},
    {ControlKind::DefPushButton, IDOK, "OK", 175, 7, 50, 14, WS_GROUP | WS_TABSTOP},
    {ControlKind::PushButton, IDCANCEL, "Cancel", 175, 24, 50, 14, WS_TABSTOP},
};

}  // namespace detail

inline constexpr framework::DialogTemplate kAboutDialog{
    IDD_ABOUTBOX, "About Corvane", 0, 0, 200, 100, detail::kAboutControls};
// A child form without a caption.
inline constexpr framework::DialogTemplate kWatchpostForm{
    IDD_WATCHPOST_FORM, nullptr, 0, 0, 1280, 281, detail::kWatchpostFormControls};
inline constexpr framework::DialogTemplate kPeekWindowDialog{
    IDD_PEEK_WINDOW,
    "Define the Peek Window characteristics",
    0,
    0,
    232,
    126,
    detail::kPeekWindowControls};

inline constexpr framework::DialogTemplate kAllocateFileDialog{
    IDD_ALLOCATE_FILE, "Allocate File space", 0, 0, 230, 64, detail::kAllocateFileControls};
inline constexpr framework::DialogTemplate kDriverChoiceDialog{
    IDD_DRIVER_CHOICE, "Corvane Warning", 0, 0, 230, 98, detail::kDriverChoiceControls};
inline constexpr framework::DialogTemplate kEventCommandDialog{
    IDD_EVENT_COMMAND, "Command on Movement", 0, 0, 290, 86, detail::kEventCommandControls};
inline constexpr framework::DialogTemplate kFileNamingDialog{
    IDD_FILE_NAMING, "File Naming Options", 0, 0, 297, 130, detail::kFileNamingControls};

}  // namespace watchpost::res
