#include "platform/framework/WindowTimer.h"

#include <gtest/gtest.h>

#include <QTest>

#include <map>

namespace framework {
namespace {

class Timers : public testing::Test {
 protected:
  std::map<int, int> ticks;
  WindowTimers timers{[this](int id) { ++ticks[id]; }};
};

TEST_F(Timers, ATimerRepeatsUnderItsOwnNumberUntilKilled) {
  ASSERT_TRUE(timers.SetTimer(26985, 20));
  ASSERT_TRUE(timers.SetTimer(7, 1000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks[26985] >= 3; }, 2000));
  EXPECT_EQ(ticks[7], 0);

  EXPECT_TRUE(timers.KillTimer(26985));
  EXPECT_FALSE(timers.isTimerSet(26985));
  EXPECT_TRUE(timers.isTimerSet(7));
  const int before = ticks[26985];
  QTest::qWait(100);
  EXPECT_EQ(ticks[26985], before);
  EXPECT_FALSE(timers.KillTimer(26985));
}

TEST_F(Timers, SettingARunningTimerAgainRestartsItWithTheNewPeriod) {
  ASSERT_TRUE(timers.SetTimer(1, 20));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ticks[1] >= 1; }, 2000));
  ASSERT_TRUE(timers.SetTimer(1, 5000));
  const int before = ticks[1];
  QTest::qWait(150);
  EXPECT_EQ(ticks[1], before);
  EXPECT_TRUE(timers.isTimerSet(1));
}

TEST_F(Timers, AHandlerMayKillItsOwnTimer) {
  WindowTimers* self = nullptr;  // set before any tick can come
  WindowTimers killer{[&](int id) {
    ++ticks[id];
    self->KillTimer(id);
  }};
  self = &killer;
  ASSERT_TRUE(killer.SetTimer(3, 10));
  QTest::qWait(150);
  EXPECT_EQ(ticks[3], 1);
}

}  // namespace
}  // namespace framework
