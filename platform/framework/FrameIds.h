#pragma once

namespace framework {

// Numbers the framework itself gives to commands, strings, indicators and frame parts. The
// values are the ones the programs' resource tables were written with.

// Commands.
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;  // the recent-file list's place in a menu
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_HELP_FINDER = 57667;   // Help Topics
inline constexpr int ID_CONTEXT_HELP = 57669;  // Shift+F1
inline constexpr int ID_HELP = 57670;          // F1
inline constexpr int ID_DEFAULT_HELP = 57671;

// Status bar panes: the message pane, then the lock key indicators.
inline constexpr int ID_SEPARATOR = 0;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// Strings a program's table supplies: its name, the idle text of the message pane, and the
// title of a document without a name.
inline constexpr int IDS_APP_TITLE = 57344;
inline constexpr int IDS_IDLE_MESSAGE = 57345;
inline constexpr int IDS_UNTITLED = 61443;

// The frame's status bar window.
inline constexpr int AFX_IDW_STATUS_BAR = 59393;

}  // namespace framework
