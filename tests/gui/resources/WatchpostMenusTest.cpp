// Watchpost's menu bar, keys and strings as the program shows them: every caption exactly, the
// prompt each item puts in the status bar, the command each key sends, the document string.
#include "resources/WatchpostMenus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <string>
#include <vector>

#include "platform/framework/Menus.h"
#include "platform/framework/StatusBar.h"
#include "resources/WatchpostStrings.h"

namespace watchpost::res {
namespace {

using framework::CommandIdOf;

// One line per item, indented by depth: caption, command, and the prompt its hover shows.
void Describe(const QMenu& menu, framework::CStatusBar& status, const std::string& indent,
              std::vector<std::string>& lines) {
  for (QAction* action : menu.actions()) {
    if (action->isSeparator()) {
      lines.push_back(indent + "-----");
    } else if (QMenu* popup = action->menu()) {
      lines.push_back(indent + action->text().toStdString());
      Describe(*popup, status, indent + "  ", lines);
    } else {
      status.ShowMenuPrompt(CommandIdOf(*action));
      lines.push_back(indent + action->text().toStdString() + " | " +
                      std::to_string(CommandIdOf(*action)) + " | " + status.GetPaneText(0));
    }
  }
}

TEST(WatchpostMenu, EveryCaptionCommandAndPromptIsTheProgramsOwn) {
  framework::CommandRouter router;
  QMainWindow window;
  QMenuBar* bar = framework::CreateMenuBar(kMainMenu, router, &window);
  framework::CStatusBar status(kStringTable, &window);
  constexpr int kPanes[] = {framework::ID_SEPARATOR};
  ASSERT_TRUE(status.SetIndicators(kPanes));

  std::vector<std::string> lines;
  for (QAction* title : bar->actions()) {
    lines.push_back(title->text().toStdString());
    Describe(*title->menu(), status, "  ", lines);
  }
  const std::vector<std::string> expected = {
      "&File",
      "  Set &Target Folder | 32775 | Set the taget folder for storing avi & log file",
      "  Naming options | 32793 | Choose the file naming convention",
      "  &Allocate File Space | 32777 | Allocate space for the AVI file",
      "  E&xit | 57665 | Quit the application; prompts to save documents",
      "&Action",
      "  S&tart/Stop  Ctrl+T | 32774 | Start or Stop capture",
      "  P&rofile Image  Ctrl+I | 1034 | ",
      "  &Hide  Ctrl+H | 32787 | Hide Corvane",
      "  P&eek  Ctrl+E | 32788 | Peek while hiding",
      "&View",
      "  &Status Bar | 59393 | Show or hide the status bar",
      "  &Preview Movement | 32779 | Preview Movement (Default)",
      "  &Overlay mode | 32780 | Set Overlay mode",
      "&Configuration",
      "  &Compression | 32771 | Select the most suitable CODEC",
      "  Video &Format | 32772 | Select the Video Format",
      "  Video &Source | 32773 | Select the Video Input Source",
      "  &Mail Settings | 32776 | Configure the Mail Settings",
      "  Trigger &Zone",
      "    &Clear Zone  Ctrl+X | 32785 | Reset the existing Zone",
      "    &Show Zone  Ctrl+Z | 32786 | Show the existing Zone",
      "  Peek &Window",
      "    Window size && position | 32790 | Define the size and position of the Peek Window",
      "  &Recording... | 32800 | Frames from before a hit, and why each frame was taken",
      "  -----",
      "  &Notify on Movement | 32801 | Show a desktop notification at movement while Corvane is "
      "hidden",
      "  Command on Mo&vement... | 32802 | Run a command of your own at movement and when the "
      "camera is lost",
      "  Start with &Desktop Session | 32803 | Start Corvane hidden, recording, when you log in",
      "&Help",
      "  &About Corvane... | 57664 | Display program information, version number and copyright",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(framework::FindMenuItem(*bar, cmd::PreviewMovement)->isChecked());
}

TEST(WatchpostMenu, EachKeySendsItsCommandAndNoOther) {
  framework::CCmdTarget target;
  std::vector<int> sent;
  for (const framework::AcceleratorEntry& entry : kMainAccelerators) {
    target.OnCommand(entry.id, [&sent, id = entry.id] { sent.push_back(id); });
  }
  framework::CommandRouter router({&target});
  QMainWindow window;
  ASSERT_TRUE(framework::LoadAccelerators(kMainAccelerators, router, window));
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

  struct Case {
    Qt::Key key;
    int command;
  };
  for (const Case c :
       {Case{Qt::Key_E, cmd::Peek}, Case{Qt::Key_H, cmd::Hide}, Case{Qt::Key_I, cmd::ProfileImage},
        Case{Qt::Key_T, cmd::StartStop}, Case{Qt::Key_PageDown, cmd::RowStrideIncrease},
        Case{Qt::Key_PageUp, cmd::RowStrideDecrease}, Case{Qt::Key_X, cmd::ClearZone},
        Case{Qt::Key_Z, cmd::ShowZone}}) {
    sent.clear();
    QTest::keyClick(&window, c.key, Qt::ControlModifier);
    EXPECT_EQ(sent, std::vector<int>{c.command}) << c.command;
    sent.clear();
    QTest::keyClick(&window, c.key);  // without Ctrl, nothing
    EXPECT_TRUE(sent.empty()) << c.command;
  }
}

TEST(WatchpostStrings, TheDocumentStringHasItsSevenFields) {
  const std::string_view doc = kStringTable.LoadString(IDS_DOCUMENT);
  const std::vector<std::string_view> expected = {
      "Corvane",        "", "Corvix", "Corvix Files (*.log)", ".log", "Corvane.Document",
      "Corvix Document"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(framework::DocStringField(doc, i), expected[i]) << i;
  EXPECT_EQ(framework::DocStringField(doc, 7), "");
  EXPECT_EQ(kStringTable.LoadString(framework::IDS_APP_TITLE), "Corvane");
  EXPECT_EQ(kStringTable.LoadString(framework::IDS_IDLE_MESSAGE), "Waiting");
  EXPECT_EQ(kStringTable.LoadString(framework::IDS_UNTITLED), "Untitled");
}

}  // namespace
}  // namespace watchpost::res
