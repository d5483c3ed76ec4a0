#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell/NotificationIcon.h"
#include "platform/shell/WindowPlatform.h"

namespace shell {
namespace {

// Sets the variables for one case and puts the old values back afterwards.
class Environment {
 public:
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  void set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    if (value != nullptr) {
      ::setenv(name.c_str(), value, 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(WindowPlatformTest, AWaylandSessionWithXWaylandRunsOnXcbUnlessTheUserChose) {
  struct Row {
    const char* waylandDisplay;
    const char* sessionType;
    const char* display;
    const char* platform;
    bool chosen;
    const char* platformAfter;
  };
  const Row rows[] = {
      {"wayland-0", nullptr, ":0", nullptr, true, "xcb"},
      {nullptr, "wayland", ":1", nullptr, true, "xcb"},
      {"wayland-0", "wayland", ":0", "wayland", false, "wayland"},  // the user's choice stands
      {"wayland-0", "wayland", nullptr, nullptr, false, nullptr},   // no XWayland
      {nullptr, "x11", ":0", nullptr, false, nullptr},
      {"", "tty", ":0", nullptr, false, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.waylandDisplay ? row.waylandDisplay : "-") + " " +
                 (row.sessionType ? row.sessionType : "-"));
    Environment environment;
    environment.set("WAYLAND_DISPLAY", row.waylandDisplay);
    environment.set("XDG_SESSION_TYPE", row.sessionType);
    environment.set("DISPLAY", row.display);
    environment.set("QT_QPA_PLATFORM", row.platform);
    EXPECT_EQ(PreferXcbOnWayland(), row.chosen);
    const char* after = std::getenv("QT_QPA_PLATFORM");
    EXPECT_EQ(after != nullptr ? std::string(after) : "-",
              row.platformAfter != nullptr ? row.platformAfter : "-");
  }
}

// The offscreen platform has no notification area: the stand-in window carries the icon.
TEST(NotificationIconTest, TheStandInCarriesTheTipAndTheDoubleClickMayRemoveIt) {
  std::vector<NotificationIcon::Mouse> heard;
  NotificationIcon* self = nullptr;
  NotificationIcon icon(
      [&](NotificationIcon::Mouse mouse) {
        heard.push_back(mouse);
        if (mouse == NotificationIcon::Mouse::DoubleClick) self->remove();  // as a restore does
      },
      "Restore");
  self = &icon;
  EXPECT_FALSE(icon.isShown());
  icon.remove();  // harmless without an icon

  icon.add(QIcon());
  ASSERT_TRUE(icon.isShown());
  QWidget* window = icon.standInWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(window->testAttribute(Qt::WA_AlwaysShowToolTips)) << "it is never the active window";
  EXPECT_EQ(icon.tip(), "") << "a new icon has no tip until the mouse comes";
  icon.setTip("Untitled\nCapturing");
  EXPECT_EQ(window->toolTip().toStdString(), "Untitled\nCapturing");

  QTest::mouseMove(window, {5, 5});
  EXPECT_FALSE(heard.empty());
  EXPECT_EQ(heard.front(), NotificationIcon::Mouse::Move);
  heard.clear();
  QTest::mouseDClick(window, Qt::LeftButton);
  EXPECT_TRUE(heard.empty()) << "passed on from the event loop, not from inside the click";
  ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() == std::size_t{1}; })) << heard.size();
  EXPECT_EQ(heard[0], NotificationIcon::Mouse::DoubleClick);
  EXPECT_FALSE(icon.isShown());
  EXPECT_EQ(icon.standInWindow(), nullptr);
}

}  // namespace
}  // namespace shell
