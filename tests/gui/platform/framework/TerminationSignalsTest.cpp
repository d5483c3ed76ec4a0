#include "platform/framework/TerminationSignals.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <signal.h>

#include <vector>

namespace framework {
namespace {

TEST(TerminationSignalsTest, EachSignalReachesTheUiThreadAndTheDefaultsComeBack) {
  std::vector<int> received;
  {
    TerminationSignals watch([&](int signal) { received.push_back(signal); });
    ASSERT_TRUE(watch.ok()) << watch.error();
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::raise(signal);
    EXPECT_TRUE(received.empty()) << "nothing runs inside the handler";
    QElapsedTimer timer;
    timer.start();
    while (received.size() < 3 && timer.elapsed() < 5000) QApplication::processEvents();
  }
  EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace framework
