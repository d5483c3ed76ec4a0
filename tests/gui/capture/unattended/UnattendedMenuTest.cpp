// The program's menu commands for being left alone, clicked and typed as a person does, and
// the start in the notification area.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "capture/frame/MainFrame.h"
#include "capture/main/WatchpostApp.h"
#include "capture/session/WatchpostDoc.h"
#include "capture/unattended/EventCommandDlg.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/Menus.h"
#include "platform/video/FrameFormat.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostDialogs.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

class UnattendedMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr) config_ = config;
    setenv("XDG_CONFIG_HOME", (temp_.path() / "config").c_str(), 1);
    profile_.seedText("Settings", "CurrentDirectory", temp_.path().string());
    service_.setDrivers({{"Camera A", "1.0"}});
    service_.setVideoFormat(video::ToBitmapInfo({64, 48, 24}));
  }
  void TearDown() override {
    app_.reset();
    std::filesystem::current_path(cwd_);
    if (config_) {
      setenv("XDG_CONFIG_HOME", config_->c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
  }
  void Start(const QStringList& arguments = {}) {
    app_ = std::make_unique<CWatchpostApp>(service_, profile_);
    ASSERT_TRUE(app_->InitInstance(arguments));
  }
  void StartActive() {
    Start();
    QApplication::setActiveWindow(app_->mainFrame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(app_->mainFrame()));
  }
  CMainFrame& Frame() { return *app_->mainFrame(); }

  // Configuration opened with a click on the menu bar; the item of `id`, as it then shows.
  QAction* OpenConfiguration(int id) {
    QMenuBar* bar = Frame().menuBar();
    QAction* configuration = nullptr;
    for (QAction* action : bar->actions()) {
      if (action->text() == "&Configuration") configuration = action;
    }
    if (configuration == nullptr) return nullptr;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(configuration).center());
    QMenu* menu = configuration->menu();
    if (!QTest::qWaitForWindowExposed(menu)) return nullptr;
    return framework::FindMenuItem(*bar, id);
  }
  // The item clicked in the open menu.
  void ClickItem(QAction* item) {
    QMenu* menu = Frame().menuBar()->actions().at(3)->menu();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }

  std::filesystem::path cwd_;
  std::optional<std::string> config_;
  testing_support::TempFolder temp_{"unattended-menu"};
  framework::MemoryProfileStore profile_;
  testing_support::FakeCaptureService service_;
  std::unique_ptr<CWatchpostApp> app_;
};

TEST_F(UnattendedMenuTest, NotifyOnMovementIsCheckedByDefaultAndAClickTurnsItOff) {
  StartActive();
  QAction* item = OpenConfiguration(cmd::NotifyOnMovement);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isCheckable());
  EXPECT_TRUE(item->isChecked());
  ClickItem(item);
  EXPECT_EQ(app_->watchkeeper()->settings.NotifyOnMovement, 0);
  item = OpenConfiguration(cmd::NotifyOnMovement);
  EXPECT_FALSE(item->isChecked());
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
  app_.reset();
  EXPECT_EQ(profile_.rawText("Settings", "NotifyOnMovement"), "0");
}

TEST_F(UnattendedMenuTest, TheCommandTypedInItsDialogIsKeptAndSaved) {
  StartActive();
  QAction* item = OpenConfiguration(cmd::EventCommand);
  ASSERT_NE(item, nullptr);
  testing_support::ModalScript script;
  script.expectDialog<CEventCommandDlg>([](CEventCommandDlg& dialog) {
    QWidget* edit = dialog.GetDlgItem(res::IDC_EVENT_COMMAND);
    edit->setFocus();
    QTest::keyClicks(edit, "  notify-send \"Corvane\" movement ");
    QTest::mouseClick(static_cast<QWidget*>(dialog.GetDlgItem(framework::IDOK)), Qt::LeftButton);
  });
  ClickItem(item);
  EXPECT_EQ(script.pending(), 0u);
  EXPECT_EQ(app_->watchkeeper()->settings.EventCommand, "notify-send \"Corvane\" movement");
  app_.reset();
  EXPECT_EQ(profile_.rawText("Settings", "EventCommand"), "notify-send \"Corvane\" movement");
}

TEST_F(UnattendedMenuTest, StartWithDesktopSessionWritesAndRemovesTheAutostartEntry) {
  StartActive();
  const std::filesystem::path entry = temp_.path() / "config" / "autostart" / "watchpost.desktop";
  QAction* item = OpenConfiguration(cmd::StartWithSession);
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(item->isChecked()) << "no entry yet";
  ClickItem(item);
  ASSERT_TRUE(std::filesystem::exists(entry));
  std::ifstream in(entry);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find(" --start --hidden\n"), std::string::npos) << text.str();
  item = OpenConfiguration(cmd::StartWithSession);
  EXPECT_TRUE(item->isChecked()) << "checked while the file exists";
  ClickItem(item);
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST_F(UnattendedMenuTest, HiddenStartsInTheNotificationAreaAndTheIconBringsTheFrameBack) {
  Start({"--hidden"});
  EXPECT_FALSE(Frame().isVisible());
  ASSERT_TRUE(Frame().notificationIcon().isShown());
  QWidget* icon = Frame().notificationIcon().standInWindow();
  ASSERT_NE(icon, nullptr) << "the offscreen desktop has no notification area";
  QTest::mouseDClick(icon, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Frame().isVisible(); }));
  EXPECT_FALSE(Frame().notificationIcon().isShown());
}

}  // namespace
}  // namespace watchpost
