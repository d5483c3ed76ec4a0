#pragma once

#include "platform/framework/DialogTemplate.h"

// Watchpost's dialog templates, in dialog units, and the numbers of their controls.
namespace watchpost::res {

inline constexpr int IDD_ALLOCATE_FILE = 131;
inline constexpr int IDD_DRIVER_CHOICE = 132;
inline constexpr int IDD_FILE_NAMING = 136;

inline constexpr int IDC_FILE_SIZE = 1026;       // edit: megabytes to allocate
inline constexpr int IDC_DRIVER_LIST = 1029;     // list box of capture drivers
inline constexpr int IDC_CUSTOM_NAME = 1057;     // edit: the custom / example name
inline constexpr int IDC_PREFIX = 1058;          // edit: the prefix
inline constexpr int IDC_RADIO_PREFIX = 1059;    // radio group, in template order:
inline constexpr int IDC_RADIO_CUSTOM = 1060;    //   Standard 1061, Detailed 1062,
inline constexpr int IDC_RADIO_STANDARD = 1061;  //   Custom 1060, Prefix 1059
inline constexpr int IDC_RADIO_DETAILED = 1062;
inline constexpr int IDC_EXAMPLE_NAME = 1065;  // static under the custom name

namespace detail {

using framework::ControlKind;
using framework::ControlTemplate;
using framework::ES_AUTOHSCROLL;
using framework::IDC_STATIC;
using framework::IDCANCEL;
using framework::IDOK;
using framework::LBS_NOTIFY;
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
     "Choose from one of the options below to specify the filename format that will be used", 7,
     7, 226, 16},
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

}  // namespace detail

inline constexpr framework::DialogTemplate kAllocateFileDialog{
    IDD_ALLOCATE_FILE, "Allocate File space", 0, 0, 230, 64, detail::kAllocateFileControls};
inline constexpr framework::DialogTemplate kDriverChoiceDialog{
    IDD_DRIVER_CHOICE, "Corvane Warning", 0, 0, 230, 98, detail::kDriverChoiceControls};
inline constexpr framework::DialogTemplate kFileNamingDialog{
    IDD_FILE_NAMING, "File Naming Options", 0, 0, 297, 130, detail::kFileNamingControls};

}  // namespace watchpost::res
