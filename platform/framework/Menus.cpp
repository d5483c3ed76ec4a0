#include "platform/framework/Menus.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QShortcut>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/framework/FrameIds.h"
#include "platform/framework/StatusBar.h"

namespace framework {
namespace {

constexpr const char* kCommandProperty = "framework_commandId";

void AddItems(QMenu& menu, std::span<const MenuItem> items, CommandRouter& router);

QMenu* AddPopup(QWidget& owner, const MenuItem& item, CommandRouter& router) {
  auto* popup = new QMenu(QString::fromUtf8(item.caption), &owner);
  AddItems(*popup, item.popup, router);
  QObject::connect(popup, &QMenu::aboutToShow, popup,
                   [popup, &router] { UpdateMenuItems(*popup, router); });
  return popup;
}

void AddCommand(QAction& action, const MenuItem& item, CommandRouter& router) {
  action.setProperty(kCommandProperty, item.id);
  action.setEnabled((item.flags & MF_GRAYED) == 0);
  if ((item.flags & MF_CHECKED) != 0) {
    action.setCheckable(true);
    action.setChecked(true);
  }
  const int id = item.id;
  QAction* self = &action;
  QObject::connect(self, &QAction::triggered, self, [self, id, &router](bool checked) {
    if (self->isCheckable()) self->setChecked(!checked);  // the mark is the rule's to set
    router.dispatch(id);
  });
}

void AddItems(QMenu& menu, std::span<const MenuItem> items, CommandRouter& router) {
  for (const MenuItem& item : items) {
    if (item.isSeparator()) {
      menu.addSeparator();
    } else if (item.isPopup()) {
      menu.addMenu(AddPopup(menu, item, router));
    } else {
      AddCommand(*menu.addAction(QString::fromUtf8(item.caption)), item, router);
    }
  }
}

constexpr const char* kRecentFileProperty = "framework_recentFile";

void RefreshRecentFiles(QMenu& menu, QAction& placeholder, const RecentFileList& files,
                        const std::function<void(const std::string&)>& open) {
  for (QAction* action : menu.actions()) {
    if (action->property(kRecentFileProperty).isValid()) {
      menu.removeAction(action);
      action->deleteLater();
    }
  }
  placeholder.setVisible(files.files().empty());
  int number = 0;
  for (const std::string& path : files.files()) {
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    auto* action = new QAction(QStringLiteral("&%1 %2").arg(++number).arg(name), &menu);
    action->setProperty(kRecentFileProperty, QString::fromStdString(path));
    action->setStatusTip(QString::fromStdString(path));
    QObject::connect(action, &QAction::triggered, &menu, [open, path] { open(path); });
    menu.insertAction(&placeholder, action);
  }
}

// Virtual keys other than letters, digits and function keys.
struct NamedKey {
  int virtualKey;
  Qt::Key key;
};
constexpr NamedKey kNamedKeys[] = {
    {VK_BACK, Qt::Key_Backspace}, {VK_TAB, Qt::Key_Tab},       {VK_RETURN, Qt::Key_Return},
    {VK_ESCAPE, Qt::Key_Escape},  {VK_SPACE, Qt::Key_Space},   {VK_PRIOR, Qt::Key_PageUp},
    {VK_NEXT, Qt::Key_PageDown},  {VK_END, Qt::Key_End},       {VK_HOME, Qt::Key_Home},
    {VK_LEFT, Qt::Key_Left},      {VK_UP, Qt::Key_Up},         {VK_RIGHT, Qt::Key_Right},
    {VK_DOWN, Qt::Key_Down},      {VK_INSERT, Qt::Key_Insert}, {VK_DELETE, Qt::Key_Delete},
};

std::optional<Qt::Key> VirtualKey(int key) {
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return Qt::Key(key);
  if (key >= VK_F1 && key <= VK_F12) return Qt::Key(Qt::Key_F1 + (key - VK_F1));
  for (const NamedKey& named : kNamedKeys) {
    if (named.virtualKey == key) return named.key;
  }
  return std::nullopt;
}

// A character entry: Qt's key codes for printable ASCII are the characters themselves, letters
// in upper case.
std::optional<Qt::Key> CharacterKey(int key) {
  if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
  if (key > ' ' && key < 0x7F) return Qt::Key(key);
  if (key == ' ') return Qt::Key_Space;
  return std::nullopt;
}

Qt::KeyboardModifiers Modifiers(std::uint8_t flags) {
  Qt::KeyboardModifiers modifiers;
  if ((flags & FCONTROL) != 0) modifiers |= Qt::ControlModifier;
  if ((flags & FSHIFT) != 0) modifiers |= Qt::ShiftModifier;
  if ((flags & FALT) != 0) modifiers |= Qt::AltModifier;
  return modifiers;
}

// Keeps a focused control of the window from claiming a key of the table (a line edit takes
// Ctrl+X for itself otherwise), so that the shortcut gets it.
class TableKeysFirst : public QObject {
 public:
  explicit TableKeysFirst(QWidget& window) : QObject(&window), window_(window) {
    qApp->installEventFilter(this);
  }
  bool has(QKeyCombination key) const {
    return std::find(keys_.begin(), keys_.end(), key) != keys_.end();
  }
  void add(QKeyCombination key) { keys_.push_back(key); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType() ||
        static_cast<QWidget*>(watched)->window() != &window_) {
      return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!has(QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())))) {
      return false;
    }
    event->ignore();
    return true;
  }

 private:
  QWidget& window_;
  std::vector<QKeyCombination> keys_;
};

// Qt highlights no disabled item, so it tells of no hover over one either; the pointer's item is
// found here, so a greyed command shows its prompt too.
class PointerPrompts : public QObject {
 public:
  explicit PointerPrompts(CStatusBar& statusBar) : QObject(&statusBar), statusBar_(statusBar) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove) {
      const auto* menu = static_cast<QMenu*>(watched);
      const QAction* action =
          menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (action != nullptr) statusBar_.ShowMenuPrompt(CommandIdOf(*action));
    }
    return false;
  }

 private:
  CStatusBar& statusBar_;
};

}  // namespace

QMenuBar* CreateMenuBar(const MenuTemplate& menu, CommandRouter& router, QWidget* parent) {
  auto* bar = new QMenuBar(parent);
  for (const MenuItem& item : menu.bar) {
    if (item.isSeparator()) {
      bar->addSeparator();
    } else if (item.isPopup()) {
      bar->addMenu(AddPopup(*bar, item, router));
    } else {
      AddCommand(*bar->addAction(QString::fromUtf8(item.caption)), item, router);
    }
  }
  return bar;
}

int CommandIdOf(const QAction& action) {
  const QVariant id = action.property(kCommandProperty);
  return id.isValid() ? id.toInt() : 0;
}

QAction* FindMenuItem(const QMenuBar& bar, int id) {
  for (QAction* action : bar.findChildren<QAction*>()) {
    if (CommandIdOf(*action) == id) return action;
  }
  return nullptr;
}

void ShowRecentFiles(QMenuBar& bar, const RecentFileList& files,
                     std::function<void(const std::string& path)> open) {
  QAction* placeholder = FindMenuItem(bar, ID_FILE_MRU_FILE1);
  if (placeholder == nullptr) return;
  for (QMenu* menu : bar.findChildren<QMenu*>()) {
    if (!menu->actions().contains(placeholder)) continue;
    QObject::connect(menu, &QMenu::aboutToShow, menu,
                     [menu, placeholder, &files, open = std::move(open)] {
                       RefreshRecentFiles(*menu, *placeholder, files, open);
                     });
    return;
  }
}

void UpdateMenuItems(QMenu& menu, const CommandRouter& router) {
  for (QAction* action : menu.actions()) {
    const int id = CommandIdOf(*action);
    if (id == 0) continue;
    const CCmdUI state = router.query(id);
    action->setEnabled(state.enabled);
    if (state.checkSet) {
      action->setCheckable(state.checked != 0);
      action->setChecked(state.checked != 0);
    }
    if (state.text) action->setText(QString::fromStdString(*state.text));
  }
}

void ShowMenuPrompts(const QMenuBar& bar, CStatusBar& statusBar) {
  auto* pointer = new PointerPrompts(statusBar);
  for (QMenu* menu : bar.findChildren<QMenu*>()) {
    menu->installEventFilter(pointer);
    for (QAction* action : menu->actions()) {
      const int id = CommandIdOf(*action);
      QObject::connect(action, &QAction::hovered, &statusBar,
                       [&statusBar, id] { statusBar.ShowMenuPrompt(id); });
    }
    if (menu->parent() == &bar) {
      QObject::connect(menu, &QMenu::aboutToHide, &statusBar,
                       [&statusBar] { statusBar.EndMenuPrompt(); });
    }
  }
}

bool LoadAccelerators(std::span<const AcceleratorEntry> table, CommandRouter& router,
                      QWidget& window) {
  auto* tableKeys = new TableKeysFirst(window);
  bool allBound = true;
  for (const AcceleratorEntry& entry : table) {
    const std::optional<Qt::Key> key =
        (entry.flags & FVIRTKEY) != 0 ? VirtualKey(entry.key) : CharacterKey(entry.key);
    if (!key) {
      allBound = false;
      continue;
    }
    std::vector<QKeyCombination> keys{QKeyCombination(Modifiers(entry.flags), *key)};
    if (*key == Qt::Key_Return) keys.emplace_back(Modifiers(entry.flags), Qt::Key_Enter);
    for (const QKeyCombination combination : keys) {
      if (tableKeys->has(combination)) continue;  // the first entry for a key is the one
      tableKeys->add(combination);
      auto* shortcut = new QShortcut(QKeySequence(combination), &window);
      const int id = entry.id;
      QObject::connect(shortcut, &QShortcut::activated, shortcut,
                       [id, &router] { router.dispatch(id); });
    }
  }
  return allBound;
}

}  // namespace framework
