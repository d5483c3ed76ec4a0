#include "capture/session/WatchpostDoc.h"

#include <gtest/gtest.h>

#include <QTest>

#include <QLineEdit>
#include <QPushButton>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "capture/naming/FileNamingDlg.h"
#include "capture/session/SessionDialogs.h"
#include "platform/framework/Command.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/StandardIds.h"
#include "platform/video/FrameFormat.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostDialogs.h"
#include "tests/gui/capture/session/TestShell.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

using testing_support::Call;
using testing_support::FakeCaptureService;
using testing_support::ModalScript;

constexpr int kWidth = 64, kHeight = 48;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Calls as "op(args)[text]" for readable comparisons.
std::vector<std::string> Describe(const std::vector<Call>& calls) {
  std::vector<std::string> out;
  for (const Call& c : calls) {
    std::string s = c.op + "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) {
      if (i != 0) s += ',';
      s += std::to_string(c.args[i]);
    }
    s += ")";
    if (!c.text.empty()) s += "[" + c.text + "]";
    out.push_back(s);
  }
  return out;
}

class WatchpostDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    profile_.seedText("Settings", "CurrentDirectory", folder_.string());
    FreshService();
    shell_.clock = static_cast<std::uint32_t>(testing_support::LocalTime(2001, 3, 5, 9, 7, 42));
    still_.assign(kWidth * kHeight * 3, 40);
    moved_.assign(kWidth * kHeight * 3, 160);
  }
  void TearDown() override {
    doc_.reset();
    naming_.reset();
    std::filesystem::current_path(cwd_);
  }

  // One camera of the test's frame size, nothing called yet.
  void FreshService() {
    service_ = FakeCaptureService{};
    service_.setDrivers({{"Camera A", "1.0"}});
    service_.setVideoFormat(video::ToBitmapInfo({kWidth, kHeight, 24}));
  }

  CWatchpostDoc& Doc() {
    if (!doc_) {
      naming_ = std::make_unique<CFileNamingDlg>([this] { return std::time_t{shell_.clock}; });
      doc_ = std::make_unique<CWatchpostDoc>(service_, profile_, shell_, *naming_);
      shell_.document = doc_.get();
    }
    return *doc_;
  }
  CWatchpostDoc& StartedDoc() {
    Doc().OnNewDocument();
    service_.clearCalls();
    return Doc();
  }
  // Frames alternate between two pictures, so every sample differs from the one before.
  void Deliver(int frames) {
    for (int i = 0; i < frames; ++i) service_.deliverFrame((++delivered_ & 1) ? moved_ : still_);
  }
  // Frames until the run has `captures` captures and the frame after the last has passed.
  void CaptureUntil(std::int32_t captures) {
    for (int i = 0; i < 100 && (Doc().capturedCount < captures || Doc().mode == ModeHitAcknowledge);
         ++i) {
      Deliver(1);
    }
    ASSERT_EQ(Doc().capturedCount, captures);
  }
  // Frames until a hit has just been captured: the next frame would acknowledge it.
  void UntilAHitIsTaken() {
    for (int i = 0; i < 10 && Doc().mode != ModeHitAcknowledge; ++i) Deliver(1);
    ASSERT_EQ(Doc().mode, ModeHitAcknowledge);
  }
  std::filesystem::path InFolder(const std::string& name) const { return folder_ / name; }
  // The next case of a table starts afresh: no document, an empty folder, settings, camera and
  // shell as a first start finds them.
  void FreshStart() {
    doc_.reset();
    std::filesystem::current_path(cwd_);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directory(folder_);
    FreshService();
    shell_ = testing::TestShell{};
    shell_.clock = static_cast<std::uint32_t>(testing_support::LocalTime(2001, 3, 5, 9, 7, 42));
    profile_ = framework::MemoryProfileStore{};
    profile_.seedText("Settings", "CurrentDirectory", folder_.string());
  }

  std::filesystem::path cwd_;
  testing_support::TempFolder temp_{"watchpost"};
  const std::filesystem::path& folder_ = temp_.path();
  framework::MemoryProfileStore profile_;
  FakeCaptureService service_;
  testing::TestShell shell_;
  std::unique_ptr<CFileNamingDlg> naming_;
  std::unique_ptr<CWatchpostDoc> doc_;
  std::vector<std::uint8_t> still_, moved_;
  int delivered_ = 0;
};

TEST_F(WatchpostDocTest, StartUpSetsUpTheCaptureWindowInOrder) {
  profile_.seedInt("Settings", "ZoneSet", 1);
  Doc().OnNewDocument();
  EXPECT_EQ(Describe(service_.calls()),
            (std::vector<std::string>{
                "createCaptureWindow(128,140,0,640,480,0)[WardenCam]", "setCallbackStatus(1)",
                "setCallbackFrame(1)", "driverDescription(0)", "driverDescription(1)",
                "setCallbackError(1)", "driverConnect(0)", "videoFormat()", "setScale(1)",
                "videoFormat()", "setSequenceSetup(250000,2000)", "setPreviewRate(250)",
                "setOverlay(0)", "setPreview(1)"}));
  EXPECT_EQ(Doc().captureReady, 1);
  EXPECT_EQ(Doc().driverCount, 1);
  EXPECT_EQ(Doc().mode, ModePreviewMovement);
  EXPECT_EQ(std::filesystem::current_path(), folder_) << "the target folder is the current one";
  EXPECT_STREQ(Doc().logFileName.data(), "WTV0103050907") << "the start-up stem, no extension";

  const camera::CaptureParms& p = service_.sequenceSetup();
  const std::vector<std::uint32_t> members = {p.dwRequestMicroSecPerFrame,
                                              static_cast<std::uint32_t>(p.fMakeUserHitOKToCapture),
                                              p.wPercentDropForError,
                                              static_cast<std::uint32_t>(p.fYield),
                                              p.dwIndexSize,
                                              p.wChunkGranularity,
                                              static_cast<std::uint32_t>(p.fUsingDOSMemory),
                                              p.wNumVideoRequested,
                                              static_cast<std::uint32_t>(p.fCaptureAudio),
                                              p.wNumAudioRequested,
                                              p.vKeyAbort,
                                              static_cast<std::uint32_t>(p.fAbortLeftMouse),
                                              static_cast<std::uint32_t>(p.fAbortRightMouse),
                                              static_cast<std::uint32_t>(p.fLimitEnabled),
                                              p.wTimeLimit,
                                              static_cast<std::uint32_t>(p.fMCIControl),
                                              static_cast<std::uint32_t>(p.fStepMCIDevice),
                                              p.dwMCIStartTime,
                                              p.dwMCIStopTime,
                                              static_cast<std::uint32_t>(p.fStepCaptureAt2x),
                                              p.wStepCaptureAverageFrames,
                                              p.dwAudioBufferSize,
                                              static_cast<std::uint32_t>(p.fDisableWriteCache),
                                              p.AVStreamMaster};
  EXPECT_EQ(members, (std::vector<std::uint32_t>{250000, 0, 10, 0, 2000, 0, 0, 2, 0, 0, 27, 0,
                                                 0,      0, 30, 0, 0,    0, 0, 1, 0, 0, 0,  1}));
}

TEST_F(WatchpostDocTest, ASecondNewDocumentKeepsTheValuesInMemory) {
  Doc().OnNewDocument();
  Doc().Threshold = 1234;
  Doc().Interval = 800;
  profile_.seedInt("Settings", "Threshold", 5);
  service_.clearCalls();
  Doc().OnNewDocument();
  EXPECT_EQ(Doc().Threshold, 1234);
  EXPECT_EQ(Describe(service_.calls()),
            (std::vector<std::string>{"setSequenceSetup(800000,2000)", "setPreviewRate(800)",
                                      "setOverlay(0)", "setPreview(1)"}));
}

TEST_F(WatchpostDocTest, SeveralDriversAreOfferedAndTheChoiceIsConnected) {
  service_.setDrivers({{"Camera A", "1"}, {"Camera B", "2"}, {"Pattern", "3"}});
  const struct {
    const char* name;
    int select;  // -1: nothing selected
    bool ok;
    int connected;
  } cases[] = {{"second", 1, true, 1}, {"no selection", -1, true, -1}, {"cancel", 2, false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    doc_.reset();
    service_ = FakeCaptureService{};
    service_.setDrivers({{"Camera A", "1"}, {"Camera B", "2"}, {"Pattern", "3"}});
    ModalScript script;
    script.expectDialog<CDriverChoiceDlg>([&](CDriverChoiceDlg& d) {
      EXPECT_EQ(d.ListGetCount(res::IDC_DRIVER_LIST), 3);
      EXPECT_EQ(d.ListGetText(res::IDC_DRIVER_LIST, 1), "Camera B");
      if (c.select >= 0) d.ListSetCurSel(res::IDC_DRIVER_LIST, c.select);
      QTest::mouseClick(d.GetDlgItemAs<QPushButton>(c.ok ? framework::IDOK : framework::IDCANCEL),
                        Qt::LeftButton);
    });
    Doc().OnNewDocument();
    const Call* connect = service_.last("driverConnect");
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->args, std::vector<long long>{c.connected});
  }
}

TEST_F(WatchpostDocTest, ARunOpensAtThePlaybackRateThenReturnsToTheInterval) {
  profile_.seedInt("Settings", "SetPlayback", 1);
  profile_.seedInt("Settings", "Playback", 4);
  profile_.seedInt("Settings", "Interval", 500);
  profile_.seedInt("Settings", "Limit", 3);
  profile_.seedInt("Settings", "FileSize", 2);
  StartedDoc().OnStartStop();
  EXPECT_EQ(Describe(service_.calls()),
            (std::vector<std::string>{"fileSetCaptureFile()[WTV0103050907.avi]",
                                      "fileAllocate(2097152)", "setSequenceSetup(250000,3)",
                                      "setPreviewRate(500)", "setPreview(1)", "setOverlay(0)",
                                      "singleFrameOpen(250000)", "setSequenceSetup(500000,3)"}));
  EXPECT_EQ(Doc().mode, ModeDetect);
  EXPECT_TRUE(Doc().runOpen());
  EXPECT_EQ(Doc().title(), "WTV0103050907");
  EXPECT_EQ(shell_.titles.back(), "WTV0103050907");
  EXPECT_STREQ(Doc().logFileName.data(), "WTV0103050907.log");
}

TEST_F(WatchpostDocTest, AnUnusablePlaybackRateStillGivesTheAviAFrameTime) {
  const struct {
    float rate;
    long long microSeconds;
  } cases[] = {{0.0f, 1'000'000}, {-3.0f, 1'000'000}, {0.5f, 1'000'000}, {4.29e9f, 1}};
  for (const auto [rate, microSeconds] : cases) {
    doc_.reset();
    FreshService();
    StartedDoc().SetPlayback = 1;
    Doc().Playback = rate;
    Doc().StartRun();
    EXPECT_EQ(service_.last("singleFrameOpen")->args, std::vector<long long>{microSeconds}) << rate;
    Doc().StopRun();
  }
}

TEST_F(WatchpostDocTest, HitsAreLoggedAsTheyComeAndTheLimitEndsTheRun) {
  profile_.seedInt("Settings", "Limit", 3);
  StartedDoc().OnStartStop();
  const std::filesystem::path log = InFolder("WTV0103050907.log");
  CaptureUntil(1);
  EXPECT_EQ(ReadFile(log), "Frame# 1 Mon Mar 05 09:07:42 2001\r\n") << "on disk at once";
  shell_.clock += 1;
  CaptureUntil(3);
  EXPECT_TRUE(Doc().runOpen());
  Deliver(1);  // the next detection finds the limit reached
  EXPECT_FALSE(Doc().runOpen());
  EXPECT_EQ(Doc().mode, ModePreviewMovement);
  EXPECT_EQ(service_.recordedFrames().size(), 3u);
  EXPECT_EQ(ReadFile(log), EventLogText(Doc().detector().captureTimes(), 3, Doc()));
  EXPECT_TRUE(shell_.timers.empty()) << "no restart without AutoRestart";
}

TEST_F(WatchpostDocTest, EveryRunThatEndsArmsTheRestartAndTheNextReplacesNothing) {
  profile_.seedInt("Settings", "Limit", 2);
  profile_.seedInt("Settings", "AutoRestart", 1);
  StartedDoc().OnStartStop();
  CaptureUntil(2);
  Deliver(1);
  ASSERT_FALSE(Doc().runOpen());
  EXPECT_EQ(shell_.timers, (std::map<int, int>{{kRestartTimerId, kRestartTimerMs}}));

  Doc().StartRun(true);  // as the panel starts it when the timer fires, the same minute
  EXPECT_TRUE(shell_.timers.empty()) << "a start kills the timer";
  EXPECT_EQ(Doc().capturedCount, 0);
  EXPECT_EQ(Doc().title(), "WTV0103050907-2");
  EXPECT_EQ(service_.last("fileSetCaptureFile")->text, "WTV0103050907-2.avi");
  CaptureUntil(1);
  Doc().OnStartStop();  // a stop by the user restarts as well
  EXPECT_EQ(shell_.timers.count(kRestartTimerId), 1u);
  EXPECT_EQ(ReadFile(InFolder("WTV0103050907.log")).substr(0, 9), "Frame# 1 ");
  EXPECT_EQ(std::count_if(std::filesystem::directory_iterator(folder_), {},
                          [](const auto& e) { return e.path().extension() == ".log"; }),
            2);
}

// Whatever comes between a hit and the frame after it, the AVI's frames and the log's frame
// lines stay one for one and in order.
TEST_F(WatchpostDocTest, EveryFrameOfTheAviHasItsLineWhateverInterruptsTheAcknowledgement) {
  const struct {
    const char* what;
    std::function<void()> interrupt;
  } cases[] = {
      {"Stop", [&] { Doc().OnStartStop(); }},
      {"exit", [&] { doc_.reset(); }},
      {"Pause, then Stop",
       [&] {
         Doc().mode = ModePreviewMovement;
         Deliver(3);
         Doc().OnStartStop();
       }},
      {"Pause, Continue, more hits, Stop",
       [&] {
         Doc().mode = ModePreviewMovement;
         Deliver(1);
         Doc().mode = ModeDetect;
         Deliver(5);
         Doc().OnStartStop();
       }},
      {"Show Zone, then Stop",
       [&] {
         Doc().ZoneSet = 1;
         Doc().mode = ModeShowZone;
         Deliver(4);
         Doc().OnStartStop();
       }},
      {"the limit",
       [&] {
         Doc().Limit = Doc().capturedCount;
         Deliver(2);
         EXPECT_FALSE(Doc().runOpen());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStart();
    StartedDoc().OnStartStop();
    CaptureUntil(2);
    shell_.clock += 60;  // a later hit, a later time
    UntilAHitIsTaken();
    c.interrupt();
    ASSERT_TRUE(!doc_ || !doc_->runOpen());
    const std::string log = ReadFile(InFolder("WTV0103050907.log"));
    const std::size_t frames = service_.recordedFrames().size();
    std::size_t lines = 0;
    for (std::size_t at = log.find("Frame# "); at != std::string::npos;
         at = log.find("Frame# ", at + 1)) {
      const std::string start = "Frame# " + std::to_string(lines + 1) + " ";
      EXPECT_EQ(log.compare(at, start.size(), start), 0) << "line " << lines + 1 << " out of order";
      ++lines;
    }
    EXPECT_GE(frames, 3u);
    EXPECT_EQ(lines, frames) << log;
    EXPECT_NE(log.find("Frame# 3 Mon Mar 05 09:08:42 2001\r\n"), std::string::npos)
        << "the interrupted hit keeps its own time";
    EXPECT_NE(log.find("ZoneBottom"), std::string::npos) << "the log was finished";
  }
}

TEST_F(WatchpostDocTest, AFrameTheAviDidNotTakeGetsNoLogLine) {
  StartedDoc().OnStartStop();
  CaptureUntil(2);
  service_.singleFrameClose();  // from here on the AVI takes nothing
  Deliver(6);
  EXPECT_EQ(Doc().capturedCount, 2);
  Doc().OnStartStop();
  EXPECT_EQ(service_.recordedFrames().size(), 2u);
  EXPECT_EQ(ReadFile(InFolder("WTV0103050907.log")),
            EventLogText(Doc().detector().captureTimes(), 2, Doc()));
}

TEST_F(WatchpostDocTest, TheLimitGoesThroughThePanelsToggle) {
  profile_.seedInt("Settings", "Limit", 1);
  profile_.seedInt("Settings", "AutoRestart", 1);
  StartedDoc().OnStartStop();
  CaptureUntil(1);
  Deliver(1);
  EXPECT_EQ(shell_.startStops, 1);
  EXPECT_FALSE(Doc().runOpen());
}

TEST_F(WatchpostDocTest, StartingWhileARunIsOpenFinishesThatRunFirst) {
  StartedDoc().OnStartStop();
  CaptureUntil(1);
  Doc().StartRun();
  EXPECT_NE(ReadFile(InFolder("WTV0103050907.log")).find("ZoneBottom"), std::string::npos);
  EXPECT_EQ(Doc().title(), "WTV0103050907-2");
}

TEST_F(WatchpostDocTest, AStartByTheUserCancelsAPendingRestart) {
  profile_.seedInt("Settings", "AutoRestart", 1);
  StartedDoc().OnStartStop();
  Doc().OnStartStop();
  ASSERT_EQ(shell_.timers.count(kRestartTimerId), 1u);
  Doc().OnStartStop();  // the user starts again within the 500 ms
  EXPECT_TRUE(shell_.timers.empty());
  EXPECT_TRUE(Doc().runOpen());
}

TEST_F(WatchpostDocTest, ARunStoppedBeforeItsFirstHitLeavesNoLog) {
  StartedDoc().OnStartStop();
  Doc().OnStartStop();
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
}

TEST_F(WatchpostDocTest, ClosingFinishesTheRunDetectingOrPausedThenSavesTheSettings) {
  for (const bool paused : {false, true}) {
    SCOPED_TRACE(paused ? "paused" : "detecting");
    doc_.reset();
    std::filesystem::current_path(cwd_);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directory(folder_);
    FreshService();
    StartedDoc().OnStartStop();
    CaptureUntil(2);
    Doc().Threshold = 321;
    if (paused) Doc().mode = ModePreviewMovement;  // what Pause does
    service_.clearCalls();
    doc_.reset();
    EXPECT_EQ(Describe(service_.calls()),
              (std::vector<std::string>{"singleFrameClose()", "driverDisconnect()",
                                        "setCallbackStatus(0)", "setCallbackError(0)",
                                        "setCallbackFrame(0)"}));
    const std::string log = ReadFile(folder_ / "WTV0103050907.log");
    EXPECT_NE(log.find("Frame# 2 "), std::string::npos);
    EXPECT_NE(log.find("Threshold 321\r\n"), std::string::npos) << log;
    EXPECT_EQ(profile_.GetProfileInt("Settings", "Threshold", 0), 321);
  }
}

TEST_F(WatchpostDocTest, SetUpCommandsWaitWhileARunDetects) {
  StartedDoc();
  framework::CommandRouter router({&Doc()});
  const int setUp[] = {cmd::Compression,     cmd::VideoFormat,       cmd::VideoSource,
                       cmd::SetTargetFolder, cmd::AllocateFileSpace, cmd::PreviewMovement,
                       cmd::OverlayMode,     cmd::NamingOptions};
  for (const int id : setUp) EXPECT_TRUE(router.query(id).enabled) << id;
  EXPECT_TRUE(router.query(cmd::PreviewMovement).checked);
  EXPECT_FALSE(router.query(cmd::OverlayMode).checked);

  Doc().OnStartStop();
  for (const int id : setUp) EXPECT_FALSE(router.query(id).enabled) << id;
  service_.clearCalls();
  EXPECT_FALSE(router.dispatch(cmd::OverlayMode));
  EXPECT_TRUE(service_.calls().empty()) << "a disabled command does nothing";

  Doc().mode = ModePreviewMovement;  // paused
  EXPECT_TRUE(router.dispatch(cmd::OverlayMode));
  EXPECT_EQ(
      Describe(service_.calls()),
      (std::vector<std::string>{"setPreviewRate(1000000)", "setOverlay(1)", "setPreview(0)"}));
  EXPECT_TRUE(router.query(cmd::OverlayMode).checked);
  EXPECT_FALSE(router.query(cmd::PreviewMovement).checked);
  service_.clearCalls();
  EXPECT_TRUE(router.dispatch(cmd::PreviewMovement));
  EXPECT_EQ(Describe(service_.calls()),
            (std::vector<std::string>{"setPreviewRate(250)", "setOverlay(0)", "setPreview(1)"}));
}

TEST_F(WatchpostDocTest, ApplyAndTheVideoDialogs) {
  StartedDoc().Interval = 60;
  Doc().Limit = 64000;
  Doc().previewOn = 0;
  Doc().ApplySettings();
  EXPECT_EQ(Describe(service_.calls()),
            (std::vector<std::string>{"setSequenceSetup(60000,64000)", "setPreviewRate(60)",
                                      "setPreview(1)", "setOverlay(0)"}));
  EXPECT_EQ(Doc().previewOn, 1);

  service_.setCompressionResult(1);
  Doc().OnCompression();
  EXPECT_EQ(Doc().compressorChosen, 1);
  service_.setCompressionResult(0);
  Doc().OnCompression();
  EXPECT_EQ(Doc().compressorChosen, 0);

  service_.clearCalls();
  service_.setVideoFormat(video::ToBitmapInfo({320, 240, 32}));
  Doc().OnVideoFormat();
  EXPECT_EQ(service_.ops(), (std::vector<std::string>{"dlgVideoFormat", "videoFormat"}));
  EXPECT_EQ(Doc().detector().videoFormat().bmiHeader.biWidth, 320);
  Doc().OnVideoSource();
  EXPECT_EQ(service_.ops().back(), "dlgVideoSource");

  service_.destroyWindow();
  service_.setCompressionResult(1);
  Doc().OnCompression();
  EXPECT_EQ(Doc().compressorChosen, 0) << "no window, no compressor";
  EXPECT_TRUE(service_.strayCalls().empty());
}

TEST_F(WatchpostDocTest, AllocateFileSpaceTakesOneToOneThousandMegabytes) {
  StartedDoc().FileSize = 7;
  ModalScript script;
  script
      .expectDialog<CAllocateFileDlg>([](CAllocateFileDlg& d) {
        auto* edit = d.GetDlgItemAs<QLineEdit>(res::IDC_FILE_SIZE);
        EXPECT_EQ(edit->text(), "7");
        for (const char* text : {"abc", "1001", "0", "12"}) {
          edit->setText(text);
          QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::LeftButton);
        }
      })
      .expectMessage("Please enter an integer.")
      .expectMessage("Please enter an integer between 1 and 1000.")
      .expectMessage("Please enter an integer between 1 and 1000.");
  Doc().OnAllocateFileSpace();
  EXPECT_EQ(Doc().FileSize, 12);

  ModalScript cancelled;
  cancelled.expectDialog<CAllocateFileDlg>([](CAllocateFileDlg& d) {
    d.GetDlgItemAs<QLineEdit>(res::IDC_FILE_SIZE)->setText("99");
    QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDCANCEL), Qt::LeftButton);
  });
  Doc().OnAllocateFileSpace();
  EXPECT_EQ(Doc().FileSize, 12);
}

TEST_F(WatchpostDocTest, TheStatusLineShowsTheLastCaptureAndFitsItsBuffer) {
  StartedDoc();
  service_.emitStatus(5, "Capturing");
  EXPECT_EQ(shell_.statusTexts.back(), "Status# 5: Capturing " + std::string(79, ' '));
  service_.emitStatus(0, "anything");
  EXPECT_EQ(shell_.statusTexts.back(), "");

  Doc().OnStartStop();
  CaptureUntil(1);
  service_.emitStatus(2, "Capturing to x");
  EXPECT_EQ(shell_.statusTexts.back(), "Status# 2: Capturing to x Mon Mar 05 09:07:42 2001\n");

  std::string longText;
  for (int i = 0; i < 100; ++i) longText += "\xC3\xA9";  // 100 e-acute, 200 bytes
  service_.emitStatus(3, longText);
  const std::string& line = shell_.statusTexts.back();
  EXPECT_LE(line.size(), 199u);
  EXPECT_EQ(line.substr(0, 11), "Status# 3: ");
  EXPECT_EQ((line.size() - 11) % 2, 0u) << "cut on a whole character";
}

TEST_F(WatchpostDocTest, DriverErrorsAreShownAndTheConnectionFailureIsRemembered) {
  service_.setConnectFails(true, "The camera is busy.");
  ModalScript script;
  script.expectMessage("The camera is busy.");
  Doc().OnNewDocument();
  EXPECT_EQ(Doc().driverError, 1);
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(script.seen()[0].caption, "Corvane Error");

  Doc().driverError = 0;
  ModalScript later;
  later.expectMessage("Disk full.");
  service_.emitError(camera::kFileWriteErrorId, "Disk full.");
  service_.emitError(0, "no box for id 0");
  EXPECT_EQ(Doc().driverError, 0);
}

TEST_F(WatchpostDocTest, ALogThatCannotBeWrittenIsReportedOncePerRun) {
  StartedDoc().OnStartStop();
  std::filesystem::remove_all(folder_);  // the folder goes while the run records
  ModalScript script;
  const std::string expected = "Cannot create the event log " + folder_.string() +
                               "/WTV0103050907.log: No such file or directory";
  script.expectMessage(expected);
  CaptureUntil(3);
  Doc().OnStartStop();
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(script.seen()[0].caption, "Corvane Error");
}

// The first frame the AVI refuses ends the run as Stop does, with one report; later hits try
// nothing more. With Auto Restart on, the next run waits until the folder takes a write.
TEST_F(WatchpostDocTest, AFailedFrameWriteEndsTheRunOnceAndTheRestartWaitsForTheFolder) {
  const std::string failure =
      "Cannot write to the capture file WTV0103050907.avi: No space left on device";
  const std::string ended = "Recording ended: " + failure;
  const std::string waits = "Auto Restart waits until " + folder_.string() +
                            " takes recordings again; it tries every 30 seconds.";
  const struct {
    const char* what;
    bool unattended;
    int autoRestart;
    std::string pane;
  } cases[] = {
      {"by hand", false, 0, ended},
      {"by hand, Auto Restart", false, 1, ended + " " + waits},
      {"--start, Auto Restart", true, 1, ended + " " + waits},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStart();
    profile_.seedInt("Settings", "AutoRestart", c.autoRestart);
    Doc().SetUnattended(c.unattended);
    StartedDoc().OnStartStop();
    CaptureUntil(2);

    service_.setFrameWriteFails(true, failure);
    ModalScript script;
    if (!c.unattended) script.expectMessage(failure);
    ::testing::internal::CaptureStderr();
    Deliver(12);  // six samples that would each be a hit
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(Doc().runOpen());
    EXPECT_EQ(Doc().mode, ModePreviewMovement);
    EXPECT_EQ(script.seen().size(), c.unattended ? 0u : 1u);
    if (!script.seen().empty()) {
      EXPECT_EQ(script.seen()[0].caption, "Corvane Error");
    }
    EXPECT_EQ(shell_.notices.size(), c.unattended ? 1u : 0u);
    EXPECT_EQ(errors, c.unattended ? "Corvane Error: " + failure + "\n" : "");
    ASSERT_FALSE(shell_.statusTexts.empty());
    EXPECT_EQ(shell_.statusTexts.back(), c.pane);
    EXPECT_EQ(service_.count("singleFrame"), 3u) << "two frames taken, one refused, no more tried";
    EXPECT_EQ(ReadFile(InFolder("WTV0103050907.log")),
              EventLogText(Doc().detector().captureTimes(), 2, Doc()));
    if (c.autoRestart == 0) {
      EXPECT_TRUE(shell_.timers.empty());
      continue;
    }
    EXPECT_EQ(shell_.timers,
              (std::map<int, int>{{kRestartTimerId, CWatchpostDoc::kFolderRetryMs}}));
    service_.setFrameWriteFails(false);

    // The folder is gone: the timer comes back in 30 s and nothing starts.
    const std::filesystem::path away = folder_.string() + "-away";
    std::filesystem::rename(folder_, away);
    EXPECT_FALSE(Doc().ReadyToRestart());
    EXPECT_FALSE(Doc().runOpen());
    EXPECT_EQ(shell_.timers,
              (std::map<int, int>{{kRestartTimerId, CWatchpostDoc::kFolderRetryMs}}));
    EXPECT_EQ(shell_.statusTexts.back(), waits + " (No such file or directory)");

    // Back again, it takes a write: the next run starts there, under a new name.
    std::filesystem::rename(away, folder_);
    ASSERT_TRUE(Doc().ReadyToRestart());
    Doc().StartRun(true);  // as the panel starts it
    EXPECT_TRUE(Doc().runOpen());
    EXPECT_EQ(Doc().title(), "WTV0103050907-2");
    EXPECT_TRUE(Doc().waitingFolder().empty());
    EXPECT_EQ(Describe({*service_.last("fileSetCaptureFile")}),
              std::vector<std::string>{"fileSetCaptureFile()[WTV0103050907-2.avi]"});
    CaptureUntil(1);
    EXPECT_TRUE(std::filesystem::exists(InFolder("WTV0103050907-2.log")));
    Doc().OnStartStop();
    EXPECT_EQ(shell_.timers, (std::map<int, int>{{kRestartTimerId, kRestartTimerMs}}))
        << "a run that ended well restarts after 500 ms";
    // Two logs and their files of reasons.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_), {}), 4)
        << "the write check leaves nothing behind";
  }
}

// Nobody may be there to answer: what would be a box goes to the standard error stream, the
// notification icon and pane 0, and the recording goes on.
TEST_F(WatchpostDocTest, UnattendedNothingWaitsForAnAnswer) {
  const std::filesystem::path missing = folder_ / "missing";
  const std::string missingText = "Recordings go to " + folder_.string() + ": the target folder " +
                                  missing.string() +
                                  " cannot be entered (No such file or directory).";
  // A folder that went while the program stood in it has no name to build one from.
  const std::string logText =
      "Cannot create the event log ./WTV0103050907.log: No such file or directory";
  const struct {
    const char* what;
    std::function<void()> act;
    std::string caption;
    std::string text;
  } cases[] = {
      {"--start with the target folder missing",
       [&] {
         std::filesystem::current_path(folder_);
         profile_.seedText("Settings", "CurrentDirectory", missing.string());
         Doc().SetUnattended(true);
         Doc().OnNewDocument();
         Doc().OnStartStop();
         CaptureUntil(2);
         EXPECT_TRUE(std::filesystem::exists(InFolder("WTV0103050907.log"))) << "it records";
       },
       "Corvane Warning", missingText},
      {"--start with several cameras",
       [&] {
         service_.setDrivers({{"Camera A", "1.0"}, {"Camera B", "2.0"}});
         Doc().SetUnattended(true);
         Doc().OnNewDocument();
         EXPECT_EQ(service_.last("driverConnect")->args, std::vector<long long>{0});
       },
       "Corvane Warning",
       "Several capture drivers are installed; recording with the first, Camera A."},
      {"a run the restart timer started, its log failing",
       [&] {
         profile_.seedInt("Settings", "AutoRestart", 1);
         StartedDoc().OnStartStop();
         Doc().OnStartStop();
         std::filesystem::create_directory(folder_ / "gone");
         std::filesystem::current_path(folder_ / "gone");
         std::filesystem::remove(folder_ / "gone");
         Doc().StartRun(true);  // as the panel starts it when the timer fires
         ASSERT_TRUE(Doc().runOpen());
         CaptureUntil(2);
       },
       "Corvane Error", logText},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FreshStart();
    ModalScript noBoxes;
    ::testing::internal::CaptureStderr();
    c.act();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(noBoxes.seen().empty());
    EXPECT_EQ(errors, c.caption + ": " + c.text + "\n");
    EXPECT_EQ(shell_.notices, std::vector<std::string>{c.caption + ": " + c.text});
    EXPECT_NE(std::find(shell_.statusTexts.begin(), shell_.statusTexts.end(), c.text),
              shell_.statusTexts.end());
  }
}

TEST_F(WatchpostDocTest, TheTargetFolderCanBeChangedOrLeftAlone) {
  StartedDoc();
  const std::filesystem::path other = folder_ / "yard";
  std::filesystem::create_directory(other);

  shell_.folderAnswer.reset();  // cancelled
  Doc().OnSetTargetFolder();
  EXPECT_EQ(Doc().CurrentDirectory, folder_.string());
  EXPECT_EQ(std::filesystem::current_path(), folder_);
  EXPECT_TRUE(shell_.captions.empty());
  EXPECT_EQ(shell_.browseTitles.back(),
            "Select a new Target Folder\nCurrently set to " + folder_.string());

  shell_.folderAnswer = other.string();
  Doc().OnSetTargetFolder();
  EXPECT_EQ(Doc().CurrentDirectory, other.string());
  EXPECT_EQ(std::filesystem::current_path(), other);
  EXPECT_EQ(shell_.captions.back(), "Target Folder  " + other.string());
  EXPECT_STREQ(Doc().targetFolderPath.data(), other.c_str());
}

TEST_F(WatchpostDocTest, APausedRunKeepsItsLogBesideItsAviWhenTheFolderChanges) {
  StartedDoc().OnStartStop();
  CaptureUntil(1);
  Doc().mode = ModePreviewMovement;  // paused
  const std::filesystem::path other = folder_ / "elsewhere";
  std::filesystem::create_directory(other);
  shell_.folderAnswer = other.string();
  Doc().OnSetTargetFolder();
  Doc().mode = ModeDetect;  // continued
  CaptureUntil(2);
  Doc().OnStartStop();
  EXPECT_TRUE(std::filesystem::exists(folder_ / "WTV0103050907.log"));
  EXPECT_FALSE(std::filesystem::exists(other / "WTV0103050907.log"));
  EXPECT_EQ(Doc().runFolder(), folder_.string());
}

TEST_F(WatchpostDocTest, AFolderThatCannotBeEnteredIsReportedWithWhereRecordingsGo) {
  profile_.seedText("Settings", "CurrentDirectory", (folder_ / "missing").string());
  ModalScript script;
  const std::string expected = "Recordings go to " + cwd_.string() + ": the target folder " +
                               (folder_ / "missing").string() +
                               " cannot be entered (No such file or directory).";
  script.expectMessage(expected);
  Doc().OnNewDocument();
  ASSERT_EQ(script.seen().size(), 1u);
  EXPECT_EQ(script.seen()[0].caption, "Corvane Warning");
  EXPECT_EQ(shell_.statusTexts.front(), expected);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "missing")) << "a chosen folder is never made";
}

TEST_F(WatchpostDocTest, TheDefaultFolderIsMadeWhenMissing) {
  struct HomeIn {
    explicit HomeIn(const std::filesystem::path& home) {
      if (const char* old = std::getenv("HOME")) saved = old;
      setenv("HOME", home.c_str(), 1);
    }
    ~HomeIn() { setenv("HOME", saved.c_str(), 1); }
    std::string saved;
  } home(folder_);
  ASSERT_EQ(DefaultTargetFolder().rfind(folder_.string(), 0), 0u) << DefaultTargetFolder();
  profile_ = framework::MemoryProfileStore{};  // no CurrentDirectory: the default
  Doc().OnNewDocument();
  EXPECT_EQ(Doc().CurrentDirectory, DefaultTargetFolder());
  EXPECT_TRUE(std::filesystem::is_directory(Doc().CurrentDirectory));
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(Doc().CurrentDirectory));
}

TEST_F(WatchpostDocTest, NamingOptionsKeepTheSchemeClickedEvenOnCancel) {
  StartedDoc().FileFormatChoice = 1;
  ModalScript script;
  script.expectDialog<CFileNamingDlg>([](CFileNamingDlg& d) {
    QTest::mouseClick(d.GetDlgItemAs<QAbstractButton>(res::IDC_RADIO_DETAILED), Qt::LeftButton);
    QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDCANCEL), Qt::LeftButton);
  });
  Doc().OnNamingOptions();
  EXPECT_EQ(Doc().FileFormatChoice, 2);
  Doc().driverIndex = 2;
  Doc().StartRun();
  EXPECT_EQ(Doc().title(), "Warden01 Monday 05 March 2001 09-07");
}

}  // namespace
}  // namespace watchpost
