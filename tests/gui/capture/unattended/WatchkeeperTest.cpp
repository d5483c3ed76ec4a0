// The watcher on the capture document and the test fake of the capture window: the camera lost
// and back, the disk's floor, movement alerts, the remembered compressor. The disk is a
// reading the test sets, so nothing has to fill.
#include "capture/unattended/Watchkeeper.h"

#include <gtest/gtest.h>

#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "capture/naming/FileNamingDlg.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/video/FrameFormat.h"
#include "resources/WatchpostCommands.h"
#include "tests/gui/capture/session/TestShell.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

using testing_support::FakeCaptureService;

constexpr int kWidth = 64, kHeight = 48;
constexpr std::uint64_t kGB = 1'000'000'000;

class SetDisk final : public FreeSpaceReading {
 public:
  std::optional<std::uint64_t> freeBytes(const std::string& folder) override {
    folders.push_back(folder);
    return bytes;
  }
  std::optional<std::uint64_t> bytes = 500 * kGB;
  std::vector<std::string> folders;
};

class TestDesktop final : public WatchDesktop {
 public:
  bool windowAway() override { return away; }
  bool showNotice(const std::string& title, const std::string& text) override {
    notices.push_back(title + " | " + text);
    return true;
  }
  bool away = true;
  std::vector<std::string> notices;
};

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class WatchkeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    profile_.seedText("Settings", "CurrentDirectory", temp_.path().string());
    service_.setDrivers({{"Camera A", "1.0"}});
    service_.setVideoFormat(video::ToBitmapInfo({kWidth, kHeight, 24}));
    shell_.clock = static_cast<std::uint32_t>(testing_support::LocalTime(2001, 3, 5, 14, 2, 11));
    still_.assign(kWidth * kHeight * 3, 40);
    moved_.assign(kWidth * kHeight * 3, 160);
  }
  void TearDown() override {
    doc_.reset();
    keeper_.reset();
    std::filesystem::current_path(cwd_);
  }

  // The document with its watcher, started as the program starts it. Timers are long enough
  // never to fire by themselves: the tests call Check and TryReconnect.
  CWatchpostDoc& Start(bool unattended = false) {
    naming_ = std::make_unique<CFileNamingDlg>([this] { return std::time_t{shell_.clock}; });
    doc_ = std::make_unique<CWatchpostDoc>(service_, profile_, shell_, *naming_);
    shell_.document = doc_.get();
    Watchkeeper::Timing timing;
    timing.reconnectMs = timing.checkMs = 3'600'000;
    timing.stallMs = 200;
    keeper_ = std::make_unique<Watchkeeper>(*doc_, shell_, desktop_, disk_,
                                            (temp_.path() / "autostart.desktop").string(),
                                            "/usr/bin/watchpost", timing);
    doc_->SetWatcher(keeper_.get());
    doc_->SetUnattended(unattended);
    doc_->OnNewDocument();
    return *doc_;
  }
  CWatchpostDoc& Doc() { return *doc_; }
  Watchkeeper& Keeper() { return *keeper_; }
  void Deliver(int frames) {
    for (int i = 0; i < frames; ++i) service_.deliverFrame((++delivered_ & 1) ? moved_ : still_);
  }
  void CaptureUntil(std::int32_t captures) {
    for (int i = 0; i < 100 && (Doc().capturedCount < captures || Doc().mode == ModeHitAcknowledge);
         ++i) {
      Deliver(1);
    }
    ASSERT_EQ(Doc().capturedCount, captures);
  }
  std::string Pane() const { return shell_.statusTexts.empty() ? "" : shell_.statusTexts.back(); }
  // What the restart timer does when it fires: the panel's start, if the document lets it.
  bool FireRestartTimer() {
    shell_.timers.erase(kRestartTimerId);
    if (!Doc().ReadyToRestart()) return false;
    if (Doc().MayStartRun(true)) Doc().StartRun(true);
    return Doc().runOpen();
  }

  std::filesystem::path cwd_;
  testing_support::TempFolder temp_{"watchkeeper"};
  framework::MemoryProfileStore profile_;
  FakeCaptureService service_;
  testing::TestShell shell_;
  TestDesktop desktop_;
  SetDisk disk_;
  std::unique_ptr<CFileNamingDlg> naming_;
  std::unique_ptr<Watchkeeper> keeper_;
  std::unique_ptr<CWatchpostDoc> doc_;
  std::vector<std::uint8_t> still_, moved_;
  int delivered_ = 0;
};

// --- the compressor

TEST_F(WatchkeeperTest, TheCompressorChosenIsSavedAndTheNextStartUsesItUnasked) {
  Start();
  EXPECT_EQ(Doc().compressorChosen, 0);
  service_.setCompressionResult(true);
  service_.setDialogCompressor("mjpeg", 60);
  Doc().OnCompression();
  doc_.reset();
  EXPECT_EQ(profile_.rawText("Settings", "Compressor"), "mjpeg");
  EXPECT_EQ(profile_.rawText("Settings", "CompressorQuality"), "60");

  service_ = FakeCaptureService{};
  service_.setDrivers({{"Camera A", "1.0"}});
  service_.setVideoFormat(video::ToBitmapInfo({kWidth, kHeight, 24}));
  Start();
  EXPECT_EQ(service_.compressorName(), "mjpeg");
  EXPECT_EQ(service_.compressorQuality(), 60);
  EXPECT_EQ(Doc().compressorChosen, 1) << "a remembered choice counts as chosen";
  // Cancel in the dialog keeps it in force, and chosen.
  service_.setCompressionResult(false);
  Doc().OnCompression();
  EXPECT_EQ(Doc().compressorChosen, 1);
}

TEST_F(WatchkeeperTest, ACompressorThisMachineLacksFallsBackToTheDefaultAndSaysSo) {
  profile_.seedText("Settings", "Compressor", "h265x");
  service_.setKnownCompressors({"rawvideo", "mjpeg"});
  Start();
  EXPECT_EQ(service_.compressorName(), "rawvideo");
  EXPECT_EQ(Doc().compressorChosen, 0) << "the default still asks";
  EXPECT_EQ(Pane(),
            "The remembered compressor h265x is not available here; recording with the default.");
}

TEST_F(WatchkeeperTest, NothingRememberedWritesNoCompressor) {
  Start();
  doc_.reset();
  EXPECT_FALSE(profile_.contains("Settings", "Compressor"));
  EXPECT_EQ(profile_.rawText("Settings", "NotifyOnMovement"), "1");
  EXPECT_EQ(profile_.rawText("Settings", "MinFreeMiB"), "1024");
  EXPECT_EQ(profile_.rawText("Settings", "EventCommand"), "");
}

// --- the camera lost and back

TEST_F(WatchkeeperTest, ACameraLostEndsTheRunAsStopDoesAndItsReturnStartsANewOne) {
  Start();
  Doc().AutoRestart = 1;
  Doc().StartRun();
  CaptureUntil(2);
  const std::string firstLog = Doc().logFileName.data();
  testing_support::ModalScript noBoxes;  // any box fails the test

  service_.dropOut("unplugged");
  EXPECT_FALSE(Doc().runOpen());
  EXPECT_TRUE(Keeper().cameraLost());
  EXPECT_EQ(service_.count("singleFrameClose"), 1u);
  EXPECT_NE(ReadFile(temp_.path() / firstLog).find("Frame# 2 "), std::string::npos);
  EXPECT_NE(ReadFile(temp_.path() / firstLog).find("Limit"), std::string::npos)
      << "the log is finished with its settings lines";
  EXPECT_EQ(Pane(), "Camera lost at 14:02:11, trying again");
  ASSERT_EQ(shell_.notices.size(), 1u);
  EXPECT_EQ(shell_.notices[0],
            "Corvane Error: Camera lost at 14:02:11, trying again (The video source stopped: "
            "unplugged)");
  EXPECT_EQ(Keeper().TipLine(), "Camera lost at 14:02:11, trying again");

  // Auto Restart's timer finds the camera away: it waits for it, nothing fails.
  EXPECT_FALSE(FireRestartTimer());
  Keeper().TryReconnect();
  EXPECT_TRUE(Keeper().cameraLost());
  EXPECT_EQ(Doc().driverError, 0) << "a failed attempt is no driver error";

  service_.comeBack();
  shell_.clock += 65;
  Keeper().TryReconnect();
  EXPECT_FALSE(Keeper().cameraLost());
  EXPECT_EQ(Pane(), "Camera back at 14:03:16");
  EXPECT_EQ(shell_.timers[kRestartTimerId], kRestartTimerMs) << "a new run, as a restart";
  EXPECT_TRUE(FireRestartTimer());
  EXPECT_NE(Doc().logFileName.data(), firstLog) << "new names";
  EXPECT_EQ(Doc().capturedCount, 0);
  CaptureUntil(1);
}

TEST_F(WatchkeeperTest, ACameraLostWhileIdleComesBackWithoutARun) {
  Start();
  service_.dropOut("unplugged");
  EXPECT_TRUE(Keeper().cameraLost());
  service_.comeBack();
  Keeper().TryReconnect();
  EXPECT_FALSE(Keeper().cameraLost());
  EXPECT_EQ(shell_.timers.count(kRestartTimerId), 0u);
  EXPECT_FALSE(Doc().runOpen());
}

TEST_F(WatchkeeperTest, ACameraThatDeliversNothingIsTakenForLost) {
  Start();
  Doc().Interval = 60;  // three intervals stay below the test's patience
  Doc().StartRun();
  Deliver(1);
  Keeper().Check();
  EXPECT_FALSE(Keeper().cameraLost()) << "a frame just came";
  QTest::qWait(260);
  Keeper().Check();
  EXPECT_TRUE(Keeper().cameraLost());
  EXPECT_FALSE(Doc().runOpen());
  EXPECT_EQ(service_.last("driverDisconnect") != nullptr, true);
  EXPECT_FALSE(service_.connected());
}

TEST_F(WatchkeeperTest, AStartByHandWhileTheCameraIsAwayIsRefusedAndComesWithTheCamera) {
  Start();
  service_.dropOut("unplugged");
  testing_support::ModalScript script;
  script.expectMessage("Camera lost at 14:02:11, trying again");
  EXPECT_FALSE(Doc().MayStartRun(false));
  service_.comeBack();
  Keeper().TryReconnect();
  EXPECT_EQ(shell_.timers[kRestartTimerId], kRestartTimerMs);
}

// A start after a login may come before the camera: the run asked for waits for it. With a
// person there, a camera that cannot be connected at start-up is the driver error it always was.
TEST_F(WatchkeeperTest, AnUnattendedStartWaitsForACameraThatIsNotThereYet) {
  service_.setConnectFails(true, "No such camera.");
  {
    testing_support::ModalScript noBoxes;
    Start(true);
  }
  EXPECT_EQ(Doc().driverError, 0) << "the program goes on";
  EXPECT_TRUE(Keeper().cameraLost());
  EXPECT_EQ(Pane(), "Camera lost at 14:02:11, trying again");
  ASSERT_FALSE(shell_.notices.empty());
  EXPECT_FALSE(Doc().MayStartRun(false)) << "the run asked for waits";
  Keeper().TryReconnect();
  EXPECT_TRUE(Keeper().cameraLost()) << "still not there";

  service_.setConnectFails(false);
  Keeper().TryReconnect();
  EXPECT_FALSE(Keeper().cameraLost());
  EXPECT_EQ(shell_.timers[kRestartTimerId], kRestartTimerMs);
  EXPECT_TRUE(FireRestartTimer());
  CaptureUntil(1);
}

TEST_F(WatchkeeperTest, AStartByAPersonWithoutItsCameraIsADriverError) {
  service_.setConnectFails(true, "No such camera.");
  testing_support::ModalScript script;
  script.expectMessage("No such camera.");
  Start();
  EXPECT_EQ(Doc().driverError, 1);
  EXPECT_FALSE(Keeper().cameraLost());
}

// --- the disk

TEST_F(WatchkeeperTest, BelowTheFloorNoRunStartsAndARunningOneEndsBetweenFrames) {
  Start();
  disk_.bytes = 1000 * kMiB;  // below the default 1024 MiB
  EXPECT_FALSE(Doc().MayStartRun(true));
  ASSERT_FALSE(shell_.notices.empty());
  EXPECT_NE(shell_.notices.back().find("No run starts: only 1.0 GB free in "), std::string::npos)
      << shell_.notices.back();

  disk_.bytes = 2000 * kMiB;
  ASSERT_TRUE(Doc().MayStartRun(false));
  Doc().AutoRestart = 1;
  Doc().StartRun();
  CaptureUntil(1);
  shell_.clock += 5;
  Keeper().Check();
  EXPECT_TRUE(Doc().runOpen()) << "room enough";
  disk_.bytes = 10 * kMiB;
  shell_.clock += 5;
  Keeper().Check();
  EXPECT_FALSE(Doc().runOpen());
  EXPECT_EQ(Doc().mode, ModePreviewMovement);
  EXPECT_NE(Pane().find("Recording ended before the disk fills: only 10 MB free"),
            std::string::npos)
      << Pane();

  // Auto Restart waits for room, looking every 30 seconds; nothing is deleted meanwhile.
  EXPECT_FALSE(FireRestartTimer());
  EXPECT_EQ(shell_.timers[kRestartTimerId], 30'000);
  EXPECT_NE(Pane().find("has 1024 MiB free"), std::string::npos) << Pane();
  EXPECT_TRUE(std::filesystem::exists(temp_.path() / Doc().logFileName.data()));
  disk_.bytes = 3 * kGB;
  EXPECT_TRUE(FireRestartTimer());
}

TEST_F(WatchkeeperTest, AFloorOfZeroKeepsNothingFree) {
  profile_.seedInt("Settings", "MinFreeMiB", 0);
  Start();
  disk_.bytes = 0;
  std::string why;
  EXPECT_TRUE(Keeper().mayStartRun(why)) << why;
}

TEST_F(WatchkeeperTest, TheTipAndTheIdlePaneTellTheFreeSpace) {
  Start();
  disk_.bytes = 38 * kGB + 123;
  EXPECT_EQ(Keeper().TipLine(), "38 GB free");
  disk_.bytes.reset();
  EXPECT_EQ(Keeper().TipLine(), "") << "a disk that does not tell";
  disk_.bytes = 5 * kGB;
  Doc().StartRun();
  CaptureUntil(1);
  Doc().StopRun();
  EXPECT_EQ(Pane(), "5.0 GB free");
}

// --- movement alerts

TEST_F(WatchkeeperTest, MovementIsToldAtTheFirstHitAndAfterFiveQuietMinutesOnly) {
  Start();
  Doc().StartRun();
  CaptureUntil(1);
  ASSERT_EQ(desktop_.notices.size(), 1u);
  EXPECT_EQ(desktop_.notices[0], "Movement at 14:02:11 | " + Doc().title());
  shell_.clock += 299;
  CaptureUntil(2);
  EXPECT_EQ(desktop_.notices.size(), 1u) << "less than five quiet minutes";
  shell_.clock += 300;
  CaptureUntil(3);
  EXPECT_EQ(desktop_.notices.size(), 2u);
  // A new run tells of its first hit again.
  Doc().StopRun();
  Doc().StartRun();
  CaptureUntil(1);
  EXPECT_EQ(desktop_.notices.size(), 3u);
}

TEST_F(WatchkeeperTest, NoNoticeWhileTheWindowIsLookedAtOrWhenSwitchedOff) {
  Start();
  desktop_.away = false;
  Doc().StartRun();
  CaptureUntil(1);
  EXPECT_TRUE(desktop_.notices.empty());
  Doc().StopRun();
  desktop_.away = true;
  Keeper().OnNotifyOnMovement();
  EXPECT_EQ(Keeper().settings.NotifyOnMovement, 0);
  Doc().StartRun();
  CaptureUntil(1);
  EXPECT_TRUE(desktop_.notices.empty());
}

// --- the command on movement

TEST_F(WatchkeeperTest, TheCommandGetsTheRecordingInItsEnvironment) {
  const std::filesystem::path out = temp_.path() / "env.txt";
  profile_.seedText("Settings", "EventCommand",
                    "sh -c 'env > \"$0.part\" && mv \"$0.part\" \"$0\"' " + out.string());
  Start();
  Doc().StartRun();
  CaptureUntil(1);
  for (int i = 0; i < 200 && !std::filesystem::exists(out); ++i) QTest::qWait(50);
  ASSERT_TRUE(std::filesystem::exists(out)) << "the command did not run";
  const std::string env = ReadFile(out);
  const std::string folder = Doc().runFolder();
  EXPECT_NE(env.find("CORVANE_AVI=" + folder + "/" + Doc().aviFileName.data() + "\n"),
            std::string::npos)
      << env;
  EXPECT_NE(env.find("CORVANE_LOG=" + folder + "/" + Doc().logFileName.data() + "\n"),
            std::string::npos);
  EXPECT_NE(env.find("CORVANE_FRAME=1\n"), std::string::npos);
  EXPECT_NE(env.find("CORVANE_EVENT=movement\n"), std::string::npos);
  EXPECT_NE(env.find("CORVANE_TIME=2001-03-05T14:02:11"), std::string::npos);
}

TEST_F(WatchkeeperTest, ACommandThatCannotStartIsReportedOncePerRun) {
  profile_.seedText("Settings", "EventCommand", "/nonexistent/corvane-no-such-program --x");
  Start();
  Doc().StartRun();
  CaptureUntil(1);
  int reports = 0;
  for (const std::string& text : shell_.statusTexts) {
    reports += text.rfind("The command on movement did not start: ", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(reports, 1);
  shell_.clock += 600;
  CaptureUntil(2);  // a second moment in the same run: no second report
  reports = 0;
  for (const std::string& text : shell_.statusTexts) {
    reports += text.rfind("The command on movement did not start: ", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace watchpost
