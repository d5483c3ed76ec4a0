#pragma once

#include <functional>
#include <span>
#include <string>

#include "platform/framework/Command.h"
#include "platform/framework/MenuTemplate.h"
#include "platform/framework/RecentFileList.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace framework {

class CStatusBar;

// Menus and keys of a window built from the resource tables. Items and keys do nothing by
// themselves: each sends its command number through the router, which runs it only if the
// command is enabled at that moment. The router must outlive what is built here.

// The menu bar of `menu`, a child of `parent` (give it to QMainWindow::setMenuBar). Each menu
// refreshes its items from router.query() as it opens: enabled, the check mark where a rule
// sets one (otherwise the template's mark stays), and the text where a rule renames the item.
// Choosing an item never changes its mark by itself.
QMenuBar* CreateMenuBar(const MenuTemplate& menu, CommandRouter& router, QWidget* parent);

// The command number of an item built here; 0 for popups, separators and other actions.
int CommandIdOf(const QAction& action);
// The first item of the bar, at any depth, that sends `id`, or null.
QAction* FindMenuItem(const QMenuBar& bar, int id);

// Refreshes the items of one menu (its submenus refresh as they open).
void UpdateMenuItems(QMenu& menu, const CommandRouter& router);

// The recent-file list in the menu that holds the placeholder item ID_FILE_MRU_FILE1: as that
// menu opens, the files take the placeholder's place as "&1 name", "&2 name"... (the full path
// is the item's prompt); with no files the greyed placeholder shows. Choosing one calls `open`
// with its path. The list must outlive the bar.
void ShowRecentFiles(QMenuBar& bar, const RecentFileList& files,
                     std::function<void(const std::string& path)> open);

// Shows the prompt of the highlighted item in the status bar's message pane while the menus of
// `bar` are open, and what was there before once they close.
void ShowMenuPrompts(const QMenuBar& bar, CStatusBar& statusBar);

// Binds the keys of an accelerator table on `window` (active while the window is). The table's
// keys come before a focused control's own use of them: Ctrl+X in an edit sends the table's
// command rather than cutting. Returns false when some entry names a key that has no
// counterpart here; the others are bound all the same.
bool LoadAccelerators(std::span<const AcceleratorEntry> table, CommandRouter& router,
                      QWidget& window);

}  // namespace framework
