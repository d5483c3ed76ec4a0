#pragma once

#include <QStatusBar>

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/framework/LockKeys.h"
#include "platform/framework/StringTable.h"

class QLabel;
class QTimer;

namespace framework {

// A frame's status bar: the message pane (pane 0) and indicator panes after it, named by the
// ids of the program's string table.
//
// The message pane shows the idle text (string IDS_IDLE_MESSAGE) until the program sets another.
// While the user walks a menu it shows the highlighted command's prompt (the string with the
// command's number, up to its line break; nothing for a command without one or a popup), and
// when the menus close it goes back to what it showed before. Text set meanwhile is what comes
// back.
//
// The lock key indicators (ID_INDICATOR_CAPS, _NUM, _SCRL) show their text while the key is on
// and stay blank, at their width, while it is off or the platform does not tell (LockKeys.h).
// They are refreshed on every key press and release in the program and twice a second for
// keys pressed elsewhere.
class CStatusBar : public QStatusBar {
 public:
  explicit CStatusBar(StringTable strings, QWidget* parent = nullptr);
  ~CStatusBar() override;

  // Makes the panes: ID_SEPARATOR (the message pane, first and only once) and indicator ids.
  // Returns false, leaving no panes, when an indicator has no text in the table or the message
  // pane is not first.
  bool SetIndicators(std::span<const int> ids);
  int GetCount() const { return static_cast<int>(panes_.size()); }
  int CommandToIndex(int id) const;  // -1 when no pane has that id

  // False when there is no such pane. With `update`, the pane is painted at once, for texts
  // set just before the program gets busy.
  bool SetPaneText(int pane, const std::string& text, bool update = true);
  std::string GetPaneText(int pane) const;  // UTF-8; what the pane shows now

  void ShowMenuPrompt(int commandId);
  void EndMenuPrompt();

  // Replaces where the lock key states come from (tests); refreshes the indicators.
  void SetLockKeyReader(LockKeyReader reader);
  void UpdateIndicators();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Pane {
    int id;
    QLabel* label;
    std::string text;  // an indicator's text while lit
  };

  StringTable strings_;  // a view of static data
  std::vector<Pane> panes_;
  std::optional<std::string> textBeforePrompt_;  // set while a menu prompt shows
  LockKeyReader readLockKeys_;
  QTimer* lockKeyTimer_;
};

}  // namespace framework
