// Menus and keys from tables, and the status bar: a command does only what the router allows at
// the moment it is sent, check marks follow the rules, the table's keys are the only keys, and
// the message pane shows prompts while a menu is walked.
#include "platform/framework/Menus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <optional>
#include <string>
#include <vector>

#include "platform/framework/FrameIds.h"
#include "platform/framework/StatusBar.h"

namespace framework {
namespace {

constexpr int kRun = 40001;
constexpr int kStop = 40002;
constexpr int kMode = 40003;
constexpr int kFixed = 40004;
constexpr int kNoHandler = 40005;
constexpr int kDeep = 40006;

constexpr MenuItem kMoreItems[] = {MenuCommand("&Deep\tCtrl+D", kDeep)};
constexpr MenuItem kFileItems[] = {
    MenuCommand("&Run  Ctrl+R", kRun),   MenuSeparator(),
    MenuCommand("&Mode", kMode),         MenuCommand("&Fixed", kFixed, MF_CHECKED),
    MenuCommand("&Nothing", kNoHandler), MenuPopup("M&ore", kMoreItems),
};
constexpr MenuItem kBar[] = {MenuPopup("&File", kFileItems)};
constexpr MenuTemplate kMenu{1, kBar};

constexpr AcceleratorEntry kKeys[] = {
    {FVIRTKEY | FCONTROL, 'R', kRun},  {FVIRTKEY | FCONTROL, 'X', kMode},
    {FVIRTKEY, VK_RETURN, kStop},      {FVIRTKEY | FSHIFT, VK_F1, kFixed},
    {FVIRTKEY | FCONTROL, 'R', kStop},  // a second entry for a key: the first one stands
};

constexpr StringResource kStrings[] = {
    {IDS_IDLE_MESSAGE, "Idle"},   {ID_INDICATOR_CAPS, "CAP"}, {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},  {kRun, "Run it now\nRun"},  {kDeep, "Go deeper"},
    {kNoHandler, "Does nothing"},
};
constexpr int kPanes[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

class MenusTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const int id : {kRun, kStop, kMode, kFixed, kDeep}) {
      target.OnCommand(id, [this, id] { ran.push_back(id); });
    }
    target.OnUpdateCommandUI(kRun, [this](CCmdUI& ui) { ui.Enable(runEnabled); });
    target.OnUpdateCommandUI(kMode, [this](CCmdUI& ui) { ui.SetCheck(mode); });
    window.setMenuBar(CreateMenuBar(kMenu, router, &window));
    ASSERT_TRUE(LoadAccelerators(kKeys, router, window));
    status = new CStatusBar(StringTable(kStrings), &window);
    ASSERT_TRUE(status->SetIndicators(kPanes));
    window.setStatusBar(status);
    edit = new QLineEdit(&window);
    window.setCentralWidget(edit);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  QMenu* fileMenu() { return window.menuBar()->actions().front()->menu(); }
  QAction* item(int id) { return FindMenuItem(*window.menuBar(), id); }
  void open() { fileMenu()->popup(QPoint(0, 0)); }
  void click(int id) {
    QMenu* menu = fileMenu();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item(id)).center());
  }

  CCmdTarget target;
  CommandRouter router{{&target}};
  bool runEnabled = true;
  int mode = 0;
  std::vector<int> ran;
  QMainWindow window;
  CStatusBar* status = nullptr;
  QLineEdit* edit = nullptr;
};

TEST_F(MenusTest, ACommandRunsFromItsItemAndKeyOnlyWhileItsRuleEnablesIt) {
  struct Case {
    const char* how;
    bool enabledWhenOpened, enabledWhenSent, runs;
  };
  for (const Case c : {Case{"menu", true, true, true}, Case{"menu", false, false, false},
                       Case{"menu", true, false, false}, Case{"key", true, true, true},
                       Case{"key", false, false, false}}) {
    SCOPED_TRACE(std::string(c.how) + (c.enabledWhenOpened ? " opened enabled" : " opened off") +
                 (c.enabledWhenSent ? ", sent enabled" : ", sent off"));
    ran.clear();
    runEnabled = c.enabledWhenOpened;
    if (std::string(c.how) == "menu") {
      open();
      EXPECT_EQ(item(kRun)->isEnabled(), c.enabledWhenOpened);
      runEnabled = c.enabledWhenSent;
      click(kRun);
      fileMenu()->hide();
    } else {
      runEnabled = c.enabledWhenSent;
      QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
    }
    EXPECT_EQ(ran, c.runs ? std::vector<int>{kRun} : std::vector<int>{});
  }
}

TEST_F(MenusTest, MarksFollowTheRulesATemplateMarkWithoutOneStaysAndUnhandledIsGrey) {
  for (const int shown : {1, 0, 1}) {
    mode = shown;
    open();
    EXPECT_FALSE(item(kNoHandler)->isEnabled());  // nobody handles it
    EXPECT_EQ(item(kMode)->isChecked(), shown == 1);
    EXPECT_TRUE(item(kFixed)->isChecked());
    click(kFixed);  // choosing an item does not toggle its mark
    EXPECT_TRUE(item(kFixed)->isChecked());
  }
  EXPECT_EQ(ran, (std::vector<int>{kFixed, kFixed, kFixed}));
}

TEST_F(MenusTest, KeyNamesInCaptionsAreTextOnly) {
  for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
    EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
  }
  QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);  // "&Deep\tCtrl+D" has no entry
  EXPECT_TRUE(ran.empty());
}

TEST_F(MenusTest, TableKeysComeBeforeAFocusedEditsOwnUseOfThem) {
  edit->setText("keep me");
  edit->selectAll();
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(ran, std::vector<int>{kMode});
  EXPECT_EQ(edit->text(), "keep me");  // not cut
}

TEST_F(MenusTest, EveryKeyOfTheTableSendsItsEntrysCommand) {
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int command;
  };
  for (const Case c :
       {Case{Qt::Key_R, Qt::ControlModifier, kRun}, Case{Qt::Key_Return, Qt::NoModifier, kStop},
        Case{Qt::Key_Enter, Qt::KeypadModifier, kStop},
        Case{Qt::Key_F1, Qt::ShiftModifier, kFixed}}) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    ran.clear();
    QTest::keyClick(edit, c.key, c.modifiers);
    EXPECT_EQ(ran, std::vector<int>{c.command});
  }
}

TEST_F(MenusTest, AKeyWithNoCounterpartIsReportedAndTheOthersAreBound) {
  QMainWindow other;
  constexpr AcceleratorEntry kOdd[] = {{FVIRTKEY, 0xE7, kStop}, {FVIRTKEY | FCONTROL, 'Q', kRun}};
  EXPECT_FALSE(LoadAccelerators(kOdd, router, other));
  other.show();
  QApplication::setActiveWindow(&other);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  QTest::keyClick(&other, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(ran, std::vector<int>{kRun});
}

TEST_F(MenusTest, ThePaneShowsTheHighlightedPromptAndAfterwardsTheTextBefore) {
  ShowMenuPrompts(*window.menuBar(), *status);
  status->SetPaneText(0, "Busy");
  open();
  auto* more = qobject_cast<QMenu*>(item(kDeep)->parent());
  ASSERT_NE(more, nullptr);
  struct Step {
    QMenu* menu;
    QAction* action;
    bool byPointer;  // else by the keyboard's highlight
    const char* shown;
  };
  for (const Step step : {Step{fileMenu(), item(kRun), false, "Run it now"},         // to the break
                          Step{fileMenu(), item(kNoHandler), true, "Does nothing"},  // greyed
                          Step{fileMenu(), item(kFixed), false, ""},                 // no string
                          Step{fileMenu(), more->menuAction(), false, ""},
                          Step{more, item(kDeep), false, "Go deeper"}}) {
    if (step.menu == more) more->popup(QPoint(0, 0));
    if (step.byPointer) {
      QTest::mouseMove(step.menu, step.menu->actionGeometry(step.action).center());
    } else {
      step.menu->setActiveAction(step.action);
    }
    EXPECT_EQ(status->GetPaneText(0), step.shown) << step.action->text().toStdString();
  }
  status->SetPaneText(0, "Newer");  // set while walking: it waits
  EXPECT_EQ(status->GetPaneText(0), "Go deeper");
  more->hide();
  EXPECT_EQ(status->GetPaneText(0), "Go deeper");  // the bar's menu is still open
  fileMenu()->hide();
  EXPECT_EQ(status->GetPaneText(0), "Newer");
}

TEST(StatusBar, StartsWithTheIdleTextAndLightsIndicatorsFromTheKeyboard) {
  CStatusBar bar{StringTable(kStrings)};
  ASSERT_TRUE(bar.SetIndicators(kPanes));
  EXPECT_EQ(bar.GetPaneText(0), "Idle");
  struct Case {
    std::optional<LockKeyState> keys;
    const char* caps;
    const char* num;
    const char* scroll;
  };
  for (const Case c :
       {Case{LockKeyState{true, false, true}, "CAP", "", "SCRL"},
        Case{LockKeyState{false, true, false}, "", "NUM", ""}, Case{std::nullopt, "", "", ""}}) {
    bar.SetLockKeyReader([keys = c.keys] { return keys; });
    EXPECT_EQ(bar.GetPaneText(bar.CommandToIndex(ID_INDICATOR_CAPS)), c.caps);
    EXPECT_EQ(bar.GetPaneText(bar.CommandToIndex(ID_INDICATOR_NUM)), c.num);
    EXPECT_EQ(bar.GetPaneText(bar.CommandToIndex(ID_INDICATOR_SCRL)), c.scroll);
  }
}

TEST(StatusBar, PanesWithoutATextOrAMessagePaneOutOfPlaceAreRefused) {
  constexpr int kUnknown[] = {ID_SEPARATOR, 59140};
  constexpr int kLate[] = {ID_INDICATOR_CAPS, ID_SEPARATOR};
  CStatusBar bar{StringTable(kStrings)};
  EXPECT_FALSE(bar.SetIndicators(kUnknown));
  EXPECT_FALSE(bar.SetIndicators(kLate));
  EXPECT_EQ(bar.GetCount(), 0);
  EXPECT_FALSE(bar.SetPaneText(0, "nowhere"));
}

}  // namespace
}  // namespace framework
