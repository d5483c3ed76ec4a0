// The Watchpost program on a scripted capture service: the control panel's states, the zone
// editor, the main frame's docking, menus and keys, the tray and the peek window, start-up and
// shutdown.
#include "capture/main/WatchpostApp.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "capture/frame/MainFrame.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/StatusBar.h"
#include "platform/video/FrameFormat.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostDialogs.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

using namespace res;
using testing_support::Call;
using testing_support::FakeCaptureService;
using testing_support::ModalScript;

constexpr const char* kCompressorQuestion = "OK to use the default compressor?";
constexpr const char* kSmallZoneQuestion = "The Trigger Zone is quite small.\nWas this intentional";

std::vector<long long> Args(const Call* call) {
  return call != nullptr ? call->args : std::vector<long long>{};
}

class WatchpostAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    profile_.seedText("Settings", "CurrentDirectory", temp_.path().string());
    service_.setDrivers({{"Camera A", "1.0"}});
    service_.setVideoFormat(video::ToBitmapInfo({64, 48, 24}));
  }
  void TearDown() override {
    app_.reset();
    std::filesystem::current_path(cwd_);
  }

  // The program started with `arguments`; the frame shown and active, so its keys work.
  void Start(const QStringList& arguments = {}) {
    app_ = std::make_unique<CWatchpostApp>(service_, profile_);
    ASSERT_TRUE(app_->InitInstance(arguments));
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  }
  CMainFrame& Frame() { return *app_->mainFrame(); }
  CWatchpostView& View() { return *app_->view(); }
  CWatchpostDoc& Doc() { return *app_->document(); }

  QAbstractButton* Button(int id) { return View().GetDlgItemAs<QAbstractButton>(id); }
  std::string Text(int id) { return View().GetDlgItemText(id); }
  bool Enabled(int id) { return View().GetDlgItem(id)->isEnabled(); }
  void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
  // Typed over what the edit held, as a person selects it and types.
  void Type(int id, const char* text) {
    QWidget* edit = View().GetDlgItem(id);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    if (*text == '\0') QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  void Key(Qt::Key key) { QTest::keyClick(&Frame(), key, Qt::ControlModifier); }

  // The panel of a stopped program, as its state table has it.
  void ExpectIdle() {
    EXPECT_FALSE(Button(IDC_START)->isChecked());
    EXPECT_EQ(Text(IDC_START), "Start");
    EXPECT_TRUE(View().GetDlgItem(IDC_PAUSE)->isHidden());
    EXPECT_EQ(Text(IDC_PAUSE), "");
    for (int id : {IDC_LIMIT, IDC_INTERVAL, IDC_SPECIFY_PLAYBACK, IDC_APPLY}) {
      EXPECT_TRUE(Enabled(id)) << id;
    }
    EXPECT_EQ(Enabled(IDC_PLAYBACK), Doc().SetPlayback == 1);
    EXPECT_EQ(Doc().mode, ModePreviewMovement);
    EXPECT_FALSE(Doc().runOpen());
  }
  void ExpectRunning(bool paused) {
    EXPECT_TRUE(Button(IDC_START)->isChecked());
    EXPECT_EQ(Text(IDC_START), "End");
    EXPECT_FALSE(View().GetDlgItem(IDC_PAUSE)->isHidden());
    EXPECT_EQ(Button(IDC_PAUSE)->isChecked(), paused);
    EXPECT_EQ(Text(IDC_PAUSE), paused ? "Continue" : "Pause");
    for (int id : {IDC_LIMIT, IDC_INTERVAL, IDC_SPECIFY_PLAYBACK, IDC_APPLY, IDC_PLAYBACK}) {
      EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_EQ(Doc().mode, paused ? ModePreviewMovement : ModeDetect);
    EXPECT_TRUE(Doc().runOpen());
  }

  std::filesystem::path cwd_;
  testing_support::TempFolder temp_{"watchpost-app"};
  framework::MemoryProfileStore profile_;
  FakeCaptureService service_;
  std::unique_ptr<CWatchpostApp> app_;
};

TEST_F(WatchpostAppTest, StartsIdleWithTheStoredSettingsInThePanel) {
  profile_.seedInt("Settings", "Limit", 77);
  profile_.seedInt("Settings", "Interval", 300);
  profile_.seedInt("Settings", "Threshold", 500);
  profile_.seedInt("Settings", "ScaleState", 2);
  Start();
  Doc().UpdateAllViews(nullptr);  // as every frame does
  ExpectIdle();
  EXPECT_EQ(Text(IDC_LIMIT), "77");
  EXPECT_EQ(Text(IDC_INTERVAL), "300");
  EXPECT_EQ(Text(IDC_PLAYBACK), "3.33");  // one frame per sample interval
  EXPECT_EQ(Text(IDC_THRESHOLD_TEXT), "500");
  EXPECT_EQ(Text(IDC_DIFFERENTIAL_TEXT), "40");
  EXPECT_EQ(Text(IDC_SAMPLED), "0");
  EXPECT_TRUE(Button(IDC_SCALE_MEDIUM)->isChecked());
  EXPECT_EQ(View().GetDlgItemAs<QSlider>(IDC_THRESHOLD_SLIDER)->maximum(), 8000);
  EXPECT_EQ(View().GetDlgItemAs<QSlider>(IDC_THRESHOLD_SLIDER)->value(), 500);
  EXPECT_EQ(View().GetDlgItemAs<QSlider>(IDC_DIFFERENTIAL_SLIDER)->maximum(), 128);
  EXPECT_FALSE(Enabled(IDC_AUTO_MAIL));
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled - Corvane");
  EXPECT_EQ(Frame().statusBar()->GetPaneText(0), "Waiting");
  EXPECT_EQ(Frame().pos(), QPoint(80, 60));
  // The size it starts at is the frame's outer one, the desktop's borders included.
  EXPECT_EQ(Frame().frameGeometry().size(), QSize(480, 335));
  // The capture window was first placed over the view right of the panel (before the desktop
  // had told its borders), then docked.
  const auto places = service_.calls();
  std::vector<std::vector<long long>> positions;
  for (const Call& call : places) {
    if (call.op == "setWindowPos") positions.push_back(call.args);
  }
  ASSERT_GE(positions.size(), 2u);
  EXPECT_EQ(std::vector<long long>(positions[0].begin(), positions[0].begin() + 3),
            (std::vector<long long>{140, 0, 480 - 140}));
  const int cx = Frame().clientWindow()->width(), cy = Frame().clientWindow()->height();
  EXPECT_EQ(positions.back(), (std::vector<long long>{140, 3, cx - 144, cy - 24}));
}

TEST_F(WatchpostAppTest, AStoredScaleOutsideTheThreeChecksNoScaleButton) {
  profile_.seedInt("Settings", "ScaleState", 7);
  Start();
  for (int id : {IDC_SCALE_LOW, IDC_SCALE_MEDIUM, IDC_SCALE_HIGH}) {
    EXPECT_FALSE(Button(id)->isChecked()) << id;
  }
  EXPECT_EQ(View().GetDlgItemAs<QSlider>(IDC_THRESHOLD_SLIDER)->maximum(), 100);
  EXPECT_EQ(Doc().ScaleState, 7);
}

// Apply clamps each edit into its range and writes the value back.
TEST_F(WatchpostAppTest, ApplyClampsTheEditsAndWritesThemBack) {
  struct Row {
    const char* limit;
    const char* interval;
    const char* playback;
    int setPlayback;
    const char* limitShown;
    const char* intervalShown;
    const char* playbackShown;
    float playbackValue;
  };
  const Row rows[] = {
      {"", "30", "25", 1, "1", "60", "20.00", 20.0f},
      {"0", "200000", "0", 1, "1", "120000", "1.00", 1.0f},
      {"64001", "", "2.5", 1, "64000", "60", "2.00", 2.0f},
      {"12345678901", " 500", "", 1, "64000", "500", "1.00", 1.0f},  // nine characters read
      {"abc", "-5", "7", 1, "1", "60", "7.00", 7.0f},
      {"10", "300", "9", 0, "10", "300", "3.33", 4.0f},  // no rate asked: Playback unchanged
  };
  Start();
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.limit) + " " + row.interval + " " + row.playback);
    Doc().Playback = 4.0f;
    if (Button(IDC_SPECIFY_PLAYBACK)->isChecked() != (row.setPlayback != 0)) {
      Click(IDC_SPECIFY_PLAYBACK);
    }
    ASSERT_EQ(Doc().SetPlayback, row.setPlayback);
    Type(IDC_LIMIT, row.limit);
    Type(IDC_INTERVAL, row.interval);
    Type(IDC_PLAYBACK, row.playback);
    Click(IDC_APPLY);
    EXPECT_EQ(Text(IDC_LIMIT), row.limitShown);
    EXPECT_EQ(Text(IDC_INTERVAL), row.intervalShown);
    EXPECT_EQ(Text(IDC_PLAYBACK), row.playbackShown);
    EXPECT_EQ(std::to_string(Doc().Limit), row.limitShown);
    EXPECT_EQ(std::to_string(Doc().Interval), row.intervalShown);
    EXPECT_FLOAT_EQ(Doc().Playback, row.playbackValue);
  }
}

TEST_F(WatchpostAppTest, SpecifyPlaybackRateEnablesTheRateEdit) {
  Start();
  Doc().Playback = 6.0f;
  Click(IDC_SPECIFY_PLAYBACK);
  EXPECT_EQ(Doc().SetPlayback, 1);
  EXPECT_TRUE(Enabled(IDC_PLAYBACK));
  EXPECT_EQ(Text(IDC_PLAYBACK), "6.00");
  Click(IDC_SPECIFY_PLAYBACK);
  EXPECT_EQ(Doc().SetPlayback, 0);
  EXPECT_FALSE(Enabled(IDC_PLAYBACK));
  EXPECT_EQ(Text(IDC_PLAYBACK), "4.00");  // 1000 / 250
  EXPECT_FLOAT_EQ(Doc().Playback, 6.0f);
}

TEST_F(WatchpostAppTest, StartPauseContinueAndCtrlTWalkThePanelStates) {
  Start();
  Doc().compressorChosen = 1;
  Click(IDC_START);
  ExpectRunning(false);
  Click(IDC_PAUSE);
  ExpectRunning(true);
  Click(IDC_PAUSE);
  ExpectRunning(false);
  Click(IDC_PAUSE);
  Key(Qt::Key_T);  // stops a paused run exactly as the Start button does
  ExpectIdle();
  Key(Qt::Key_T);
  ExpectRunning(false);
  Key(Qt::Key_T);
  ExpectIdle();
  EXPECT_EQ(service_.count("singleFrameOpen"), 2u);
  EXPECT_EQ(service_.count("singleFrameClose"), 2u);
}

TEST_F(WatchpostAppTest, NoToTheCompressorQuestionCancelsTheStart) {
  Start();
  {
    ModalScript script;
    script.expectMessage(kCompressorQuestion, framework::IDNO);
    Click(IDC_START);
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].caption, "Warning");
    EXPECT_EQ(script.seen()[0].icon, framework::MB_ICONEXCLAMATION);
  }
  ExpectIdle();
  EXPECT_EQ(service_.count("singleFrameOpen"), 0u);
}

// An unattended program must not stop recording until somebody answers: after a Yes, the
// automatic restarts go ahead unasked; a start by the user still asks.
TEST_F(WatchpostAppTest, AfterAYesAutomaticRestartsDoNotAskAgain) {
  profile_.seedInt("Settings", "AutoRestart", 1);
  Start();
  {
    ModalScript script;
    script.expectMessage(kCompressorQuestion, framework::IDYES);
    Click(IDC_START);
  }
  ExpectRunning(false);
  Click(IDC_START);  // the user ends the run; the restart timer is armed
  ASSERT_TRUE(View().timers().isTimerSet(kRestartTimerId));
  {
    ModalScript script;  // any dialog here fails the test
    View().OnTimer(kRestartTimerId);
  }
  EXPECT_FALSE(View().timers().isTimerSet(kRestartTimerId));
  ExpectRunning(false);
  Click(IDC_START);
  View().timers().KillTimer(kRestartTimerId);
  {
    ModalScript script;
    script.expectMessage(kCompressorQuestion, framework::IDNO);
    Click(IDC_START);
  }
  ExpectIdle();
}

TEST_F(WatchpostAppTest, BeforeAnyYesTheAutomaticRestartAsksAndANoCancelsIt) {
  profile_.seedInt("Settings", "AutoRestart", 1);
  Start();
  {
    ModalScript script;
    script.expectMessage(kCompressorQuestion, framework::IDNO);
    View().OnTimer(kRestartTimerId);
  }
  ExpectIdle();
}

TEST_F(WatchpostAppTest, TheStartOptionRecordsWithoutAsking) {
  {
    ModalScript script;
    Start({"--start"});
    QTest::qWait(50);
  }
  ExpectRunning(false);
}

TEST_F(WatchpostAppTest, ScaleButtonsSetTheRangesAndTheSlidersStoreWhatTheyShow) {
  profile_.seedInt("Settings", "Threshold", 3000);
  Start();
  auto* threshold = View().GetDlgItemAs<QSlider>(IDC_THRESHOLD_SLIDER);
  auto* activity = View().GetDlgItemAs<QProgressBar>(IDC_ACTIVITY);
  Doc().UpdateAllViews(nullptr);
  EXPECT_EQ(threshold->value(), 2000);  // the end of scale L
  EXPECT_EQ(Doc().Threshold, 3000);
  // Any move of a slider stores what both show: the Differential one there and back.
  QWidget* differential = View().GetDlgItem(IDC_DIFFERENTIAL_SLIDER);
  QTest::keyClick(differential, Qt::Key_Right);
  QTest::keyClick(differential, Qt::Key_Left);
  EXPECT_EQ(Doc().Threshold, 2000);

  struct Scale {
    int id, range, page, state;
  };
  for (const Scale s :
       {Scale{IDC_SCALE_HIGH, 64000, 3200, 3}, Scale{IDC_SCALE_MEDIUM, 8000, 400, 2},
        Scale{IDC_SCALE_LOW, 2000, 100, 1}}) {
    Click(s.id);
    EXPECT_EQ(threshold->maximum(), s.range);
    EXPECT_EQ(activity->maximum(), s.range);
    EXPECT_EQ(threshold->pageStep(), s.page);
    EXPECT_EQ(Doc().ScaleState, s.state);
    EXPECT_EQ(Doc().Threshold, 2000);
  }
}

TEST_F(WatchpostAppTest, AHitOnScaleMediumFillsAQuarterOfTheBarAndShowsTheThreshold) {
  profile_.seedInt("Settings", "ScaleState", 2);
  Start();
  Doc().mode = ModeDetect;
  Doc().pixelsHit = 200;  // the Threshold
  Doc().UpdateAllViews(nullptr);
  EXPECT_EQ(View().GetDlgItemAs<QProgressBar>(IDC_ACTIVITY)->value(), 2000);
  EXPECT_EQ(Text(IDC_PIXELS_HIT), "> 200");
  Doc().mode = ModePreviewMovement;
  Doc().UpdateAllViews(nullptr);
  EXPECT_EQ(Text(IDC_PIXELS_HIT), "200");
}

TEST_F(WatchpostAppTest, ProfileDisablesThePanelUntilTheAnalysisEnablesIt) {
  Start();
  Click(IDC_PROFILE);
  EXPECT_EQ(Doc().mode, ModeProfile);
  EXPECT_EQ(Doc().Differential, 64);
  EXPECT_EQ(Frame().statusBar()->GetPaneText(0), "Corvane - Performing Analysis");
  EXPECT_FALSE(View().isEnabled());
  // The analysis moves the sensitivity frame by frame, and the sliders follow it.
  const std::vector<std::uint8_t> still(64 * 48 * 3, 90);
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(service_.deliverFrame(still));
  EXPECT_NE(Doc().Differential, 64) << "the first block after the baseline moved it";
  EXPECT_EQ(View().GetBarPos(IDC_DIFFERENTIAL_SLIDER), Doc().Differential);
  EXPECT_EQ(Text(IDC_DIFFERENTIAL_TEXT), std::to_string(Doc().Differential));
  EXPECT_EQ(Text(IDC_THRESHOLD_TEXT), std::to_string(Doc().Threshold));
  app_->enableControlPanel();
  EXPECT_TRUE(View().isEnabled());
}

TEST_F(WatchpostAppTest, ADriverThatFailedAtStartEndsTheProgramWithExitCode1) {
  service_.setConnectFails(true, "The camera is gone.");
  {
    ModalScript script;
    script.expectMessage("The camera is gone.");
    Start();
  }
  EXPECT_EQ(Doc().driverError, 1);
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // should it never end
  EXPECT_EQ(QCoreApplication::exec(), 1);
}

// --- the trigger zone editor

class ZoneEditorTest : public WatchpostAppTest {
 protected:
  void StartWithPicture(int width, int height) {
    Start();
    Frame().resize(760, 520);
    QApplication::processEvents();
    service_.setClientSize(width, height);
    service_.clearCalls();
  }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(&View(), Qt::LeftButton, {}, from);
    QTest::mouseMove(&View(), to);
    QTest::mouseRelease(&View(), Qt::LeftButton, {}, to);
  }
};

TEST_F(ZoneEditorTest, ADragOverThePictureSetsTheZoneFractions) {
  StartWithPicture(500, 375);
  Drag({263, 75}, {513, 300});
  EXPECT_FLOAT_EQ(Doc().ZoneLeft, 0.25f);
  EXPECT_FLOAT_EQ(Doc().ZoneRight, 0.75f);
  EXPECT_FLOAT_EQ(Doc().ZoneTop, 0.2f);
  EXPECT_FLOAT_EQ(Doc().ZoneBottom, 0.8f);
  EXPECT_EQ(Doc().ZoneSet, 1);
  EXPECT_EQ(Doc().mode, ModeShowZone);
  EXPECT_EQ(service_.previewRateMs(), 600u);
  EXPECT_EQ(Args(service_.last("drawEtchedRect")), (std::vector<long long>{125, 74, 375, 299}));
  EXPECT_EQ(View().dragging, 0);

  const float left = Doc().ZoneLeft, top = Doc().ZoneTop;
  Drag({513, 300}, {263, 75});  // the other way round: the same zone
  EXPECT_FLOAT_EQ(Doc().ZoneLeft, left);
  EXPECT_FLOAT_EQ(Doc().ZoneTop, top);
}

TEST_F(ZoneEditorTest, TheRubberBandFollowsTheMouseAtTheFastPreviewRate) {
  StartWithPicture(500, 375);
  QTest::mousePress(&View(), Qt::LeftButton, {}, {300, 100});
  EXPECT_EQ(service_.previewRateMs(), 15u);
  QTest::mouseMove(&View(), {200, 50});
  EXPECT_EQ(Args(service_.last("drawEtchedRect")), (std::vector<long long>{162, 99, 62, 49}));
}

TEST_F(ZoneEditorTest, ASmallZoneNeedsAYes) {
  StartWithPicture(500, 375);
  {
    ModalScript script;  // 30 x 40 = 1200: no question
    Drag({300, 100}, {330, 140});
  }
  EXPECT_EQ(Doc().ZoneSet, 1);
  const float right = Doc().ZoneRight;
  Doc().mode = ModePreviewMovement;
  {
    ModalScript script;  // 30 x 39 = 1170
    script.expectMessage(kSmallZoneQuestion, framework::IDNO);
    Drag({300, 100}, {330, 139});
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].caption, "Corvane Warning!");
    EXPECT_EQ(script.seen()[0].defaultButton, framework::IDNO);
  }
  EXPECT_FLOAT_EQ(Doc().ZoneRight, right);
  EXPECT_EQ(Doc().mode, ModePreviewMovement);
  EXPECT_EQ(service_.previewRateMs(), 15u);  // left as the drag set it
  {
    ModalScript script;
    script.expectMessage(kSmallZoneQuestion, framework::IDYES);
    Drag({300, 100}, {310, 105});
  }
  EXPECT_FLOAT_EQ(Doc().ZoneRight, (310 - 138) / 500.0f);
}

TEST_F(ZoneEditorTest, TheDragStaysOpenUntilAReleaseOverThePicture) {
  StartWithPicture(500, 375);
  QTest::mousePress(&View(), Qt::LeftButton, {}, {100, 100});  // the panel strip
  EXPECT_EQ(View().dragging, 0);
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, {100, 100});

  QTest::mousePress(&View(), Qt::LeftButton, {}, {263, 75});
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, {140, 300});  // x <= 140 is the panel
  EXPECT_EQ(View().dragging, 1);
  EXPECT_EQ(Doc().ZoneSet, 0);
  QTest::mousePress(&View(), Qt::LeftButton, {}, {400, 200});  // keeps the first start
  QTest::mouseRelease(&View(), Qt::LeftButton, {}, {513, 300});
  EXPECT_EQ(View().dragging, 0);
  EXPECT_FLOAT_EQ(Doc().ZoneLeft, 0.25f);
  EXPECT_FLOAT_EQ(Doc().ZoneTop, 0.2f);
}

TEST_F(ZoneEditorTest, ClearAndShowZoneFromTheirKeys) {
  StartWithPicture(500, 375);
  Drag({263, 75}, {513, 300});
  Doc().mode = ModePreviewMovement;
  Key(Qt::Key_Z);
  EXPECT_EQ(Doc().mode, ModeShowZone);
  EXPECT_EQ(service_.previewRateMs(), 1000u);
  Doc().mode = ModePreviewMovement;
  Key(Qt::Key_X);
  EXPECT_EQ(Doc().ZoneSet, 0);
  EXPECT_FLOAT_EQ(Doc().ZoneLeft, 0.25f);  // kept, only switched off
  {
    ModalScript script;
    script.expectMessage(
        "The Trigger Zone has not been defined or has been cleared.\nTo Define a new zone, use "
        "the left mouse button within the image area");
    Key(Qt::Key_Z);
  }
  EXPECT_EQ(Doc().mode, ModePreviewMovement);
}

// --- the main window driven as a person drives it: real clicks, keys and drags

// Frames of the test's format, alternating so that every sample differs from the one before.
class DrivenTest : public ZoneEditorTest {
 protected:
  void SetUp() override {
    ZoneEditorTest::SetUp();
    still_.assign(64 * 48 * 3, 40);
    moved_.assign(64 * 48 * 3, 160);
  }
  void Deliver(int frames) {
    for (int i = 0; i < frames; ++i) service_.deliverFrame((++delivered_ & 1) ? moved_ : still_);
  }
  // The next row starts as a first start does: no program, an empty folder, the settings of
  // SetUp (an ended program saves its own).
  void FreshProgram() {
    app_.reset();
    std::filesystem::current_path(cwd_);
    for (const auto& e : std::filesystem::directory_iterator(temp_.path())) {
      std::filesystem::remove_all(e.path());
    }
    profile_ = framework::MemoryProfileStore{};
    profile_.seedText("Settings", "CurrentDirectory", temp_.path().string());
  }
  void Press(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
  void KeyOn(int id, Qt::Key key) { QTest::keyClick(View().GetDlgItem(id), key); }
  QSlider* Slider(int id) { return View().GetDlgItemAs<QSlider>(id); }
  // The number of "Frame# " lines of the one log in the folder.
  std::size_t LogFrameLines(const std::string& stem) {
    std::ifstream in(temp_.path() / (stem + ".log"), std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) lines += line.rfind("Frame# ", 0) == 0;
    return lines;
  }

  std::vector<std::uint8_t> still_, moved_;
  int delivered_ = 0;
};

TEST_F(DrivenTest, EachInputSetsItsSettingOrModeAndShowsItsText) {
  const struct {
    const char* what;
    std::function<void()> input;
    std::function<void()> expect;  // the setting or mode
    int textId;                    // 0: pane 0 of the status bar
    std::string text;
  } rows[] = {
      {"click Start", [this] { Press(IDC_START); }, [this] { ExpectRunning(false); }, IDC_START,
       "End"},
      {"click Start, Pause",
       [this] {
         Press(IDC_START);
         Press(IDC_PAUSE);
       },
       [this] { ExpectRunning(true); }, IDC_PAUSE, "Continue"},
      {"click Start, Pause, Continue",
       [this] {
         Press(IDC_START);
         Press(IDC_PAUSE);
         Press(IDC_PAUSE);
       },
       [this] { ExpectRunning(false); }, IDC_PAUSE, "Pause"},
      {"click Start, End",
       [this] {
         Press(IDC_START);
         Press(IDC_START);
       },
       [this] { ExpectIdle(); }, IDC_START, "Start"},
      {"Ctrl+T", [this] { Key(Qt::Key_T); }, [this] { ExpectRunning(false); }, IDC_START, "End"},
      {"Differential slider, Page Up", [this] { KeyOn(IDC_DIFFERENTIAL_SLIDER, Qt::Key_PageUp); },
       [this] { EXPECT_EQ(Doc().Differential, 32); }, IDC_DIFFERENTIAL_TEXT,
       "32"},  // a trackbar's Page Up goes towards its start
      {"Differential slider, Left", [this] { KeyOn(IDC_DIFFERENTIAL_SLIDER, Qt::Key_Left); },
       [this] { EXPECT_EQ(Doc().Differential, 39); }, IDC_DIFFERENTIAL_TEXT, "39"},
      {"Differential slider, End", [this] { KeyOn(IDC_DIFFERENTIAL_SLIDER, Qt::Key_End); },
       [this] { EXPECT_EQ(Doc().Differential, 128); }, IDC_DIFFERENTIAL_TEXT, "128"},
      {"Threshold slider, Page Down, then a frame",
       [this] {
         KeyOn(IDC_THRESHOLD_SLIDER, Qt::Key_PageDown);
         Deliver(1);
       },
       [this] { EXPECT_EQ(Doc().Threshold, 200); }, IDC_THRESHOLD_TEXT, "200"},
      {"Threshold slider, Right, then a frame",
       [this] {
         KeyOn(IDC_THRESHOLD_SLIDER, Qt::Key_Right);
         Deliver(1);
       },
       [this] { EXPECT_EQ(Doc().Threshold, 101); }, IDC_THRESHOLD_TEXT, "101"},
      {"Threshold slider, Home, then a frame",
       [this] {
         KeyOn(IDC_THRESHOLD_SLIDER, Qt::Key_Home);
         Deliver(1);
       },
       [this] { EXPECT_EQ(Doc().Threshold, 0); }, IDC_THRESHOLD_TEXT, "0"},
      {"click Medium, Threshold slider End",
       [this] {
         Press(IDC_SCALE_MEDIUM);
         KeyOn(IDC_THRESHOLD_SLIDER, Qt::Key_End);
         Deliver(1);
       },
       [this] {
         EXPECT_EQ(Doc().ScaleState, 2);
         EXPECT_EQ(Doc().Threshold, 8000);
       },
       IDC_THRESHOLD_TEXT, "8000"},
      {"click Beep on Hit", [this] { Press(IDC_BEEP_ON_HIT); },
       [this] { EXPECT_EQ(Doc().Beep, 0); }, IDC_START, "Start"},
      {"click Auto Restart", [this] { Press(IDC_AUTO_RESTART); },
       [this] { EXPECT_EQ(Doc().AutoRestart, 1); }, IDC_START, "Start"},
      {"click Specify Playback", [this] { Press(IDC_SPECIFY_PLAYBACK); },
       [this] {
         EXPECT_EQ(Doc().SetPlayback, 1);
         EXPECT_TRUE(Enabled(IDC_PLAYBACK));
       },
       IDC_PLAYBACK, "4.00"},
      {"zone drag",
       [this] {
         Drag({263, 75}, {513, 300});
       },
       [this] {
         EXPECT_EQ(Doc().ZoneSet, 1);
         EXPECT_EQ(Doc().mode, ModeShowZone);
         EXPECT_FLOAT_EQ(Doc().ZoneLeft, 0.25f);
         EXPECT_FLOAT_EQ(Doc().ZoneBottom, 0.8f);
       },
       IDC_START, "Start"},
      {"click Start, a hit, a status",
       [this] {
         Press(IDC_START);
         Deliver(2);
         service_.emitStatus(2, "Capturing");
       },
       [this] {
         EXPECT_EQ(Doc().capturedCount, 1);
         EXPECT_EQ(Doc().statusLine().back(), '\n') << "the line itself keeps its line feed";
       },
       0, "Status# 2: Capturing Mon Mar 05 09:07:42 2001"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    FreshProgram();
    StartWithPicture(500, 375);
    Doc().compressorChosen = 1;
    row.input();
    if (Doc().capturedCount > 0) {
      const std::uint32_t when =
          static_cast<std::uint32_t>(testing_support::LocalTime(2001, 3, 5, 9, 7, 42));
      const_cast<std::uint32_t*>(Doc().detector().captureTimes())[0] = when;
      service_.emitStatus(2, "Capturing");
    }
    row.expect();
    const std::string shown =
        row.textId == 0 ? Frame().statusBar()->GetPaneText(0) : Text(row.textId);
    EXPECT_EQ(shown, row.text);
    if (Doc().runOpen()) Press(IDC_START);
  }
}

// Clicks, keys and drags between a hit and the frame after it leave the AVI and the log one for
// one, in order.
TEST_F(DrivenTest, EveryAviFrameHasItsLineWhateverIsClickedAfterAHit) {
  const struct {
    const char* what;
    std::function<void()> interrupt;
  } rows[] = {
      {"Pause", [this] { Press(IDC_PAUSE); }},
      {"Pause, Continue",
       [this] {
         Press(IDC_PAUSE);
         Press(IDC_PAUSE);
       }},
      {"Show Zone (Ctrl+Z)", [this] { Key(Qt::Key_Z); }},
      {"zone drag",
       [this] {
         Drag({263, 75}, {513, 300});
       }},
      {"End", [this] { Press(IDC_START); }},
      {"Ctrl+T", [this] { Key(Qt::Key_T); }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    FreshProgram();
    profile_.seedInt("Settings", "ZoneSet", 1);  // a zone of the whole picture
    profile_.seedText("Settings", "ZoneLeft", "0");
    profile_.seedText("Settings", "ZoneRight", "1");
    profile_.seedText("Settings", "ZoneTop", "0");
    profile_.seedText("Settings", "ZoneBottom", "1");
    StartWithPicture(500, 375);
    Doc().compressorChosen = 1;
    const std::size_t before = service_.recordedFrames().size();
    Press(IDC_START);
    for (int hits = 0; hits < 3; ++hits) {
      for (int i = 0; i < 4 && Doc().mode != ModeHitAcknowledge; ++i) Deliver(1);
      if (hits < 2) Deliver(1);
    }
    ASSERT_EQ(Doc().mode, ModeHitAcknowledge);
    const std::string stem = Doc().fileStem;
    row.interrupt();
    Deliver(6);
    if (Doc().runOpen() && Doc().mode == ModePreviewMovement) Press(IDC_PAUSE);  // Continue
    Deliver(4);
    if (Doc().runOpen()) Press(IDC_START);
    ASSERT_FALSE(Doc().runOpen());
    const std::size_t frames = service_.recordedFrames().size() - before;
    EXPECT_GE(frames, 3u);
    EXPECT_EQ(LogFrameLines(stem), frames);
  }
}

// --- the main frame

// --- the main frame

TEST_F(WatchpostAppTest, SizeChangesDockTheCaptureWindowRightOfThePanel) {
  Start();
  service_.clearCalls();
  Frame().OnSize(SIZE_RESTORED, 600, 400);
  EXPECT_EQ(Args(service_.last("setParentWindow")), std::vector<long long>{1});
  EXPECT_EQ(service_.parentWindow(), Frame().clientWindow());
  EXPECT_EQ(Args(service_.last("setWindowPos")), (std::vector<long long>{140, 3, 456, 376}));
  Frame().OnSize(SIZE_MAXIMIZED, 10, 5);  // computed values are passed on, even below zero
  EXPECT_EQ(Args(service_.last("setWindowPos")), (std::vector<long long>{140, 3, -134, -19}));
  service_.clearCalls();
  Frame().OnSize(SIZE_MINIMIZED, 600, 400);
  EXPECT_EQ(service_.count("setWindowPos"), 0u);

  // The status bar comes and goes; only the layout follows it.
  ASSERT_TRUE(app_->router().dispatch(framework::ID_VIEW_STATUS_BAR));
  EXPECT_TRUE(Frame().statusBar()->isHidden());
  EXPECT_EQ(app_->router().query(framework::ID_VIEW_STATUS_BAR).checked, 0);
  EXPECT_EQ(service_.count("setWindowPos"), 0u);
}

TEST_F(WatchpostAppTest, SetUpCommandsWaitWhileARunDetects) {
  Start();
  Doc().compressorChosen = 1;
  Key(Qt::Key_T);
  {
    ModalScript script;  // the Video Format dialog must not come
    EXPECT_FALSE(app_->router().dispatch(cmd::VideoFormat));
    EXPECT_FALSE(app_->router().dispatch(cmd::MailSettings));
  }
  EXPECT_EQ(service_.count("dlgVideoFormat"), 0u);
  Key(Qt::Key_T);
  EXPECT_TRUE(app_->router().dispatch(cmd::VideoFormat));
}

TEST_F(WatchpostAppTest, ARecordingNamedOnTheCommandLineOpensWithoutCapture) {
  profile_.seedInt("Settings", "Threshold", 1234);
  const std::string log = (temp_.path() / "WTV0103050907.log").string();
  std::ofstream(log) << "Frame# 1\r\n";
  Start({"--unknown", QString::fromStdString(log)});
  EXPECT_EQ(Frame().windowTitle().toStdString(), "WTV0103050907.log - Corvane");
  EXPECT_EQ(service_.count("driverConnect"), 0u);
  EXPECT_EQ(service_.count("createCaptureWindow"), 0u);
  app_.reset();
  EXPECT_EQ(profile_.GetProfileInt("Settings", "Threshold", 0), 1234) << "defaults written back";
  EXPECT_EQ(profile_.GetProfileString("Recent File List", "File1", ""), log);
}

TEST_F(WatchpostAppTest, AFileThatCannotBeOpenedEndsTheStart) {
  const std::string missing = (temp_.path() / "gone.log").string();
  app_ = std::make_unique<CWatchpostApp>(service_, profile_);
  ModalScript script;
  script.expectMessage("Cannot open " + missing + ": No such file or directory");
  EXPECT_FALSE(app_->InitInstance({QString::fromStdString(missing)}));
  app_.reset();
  EXPECT_EQ(profile_.GetProfileString("Recent File List", "File1", ""), "")
      << "a file that did not open is not offered again";
}

TEST_F(WatchpostAppTest, ExitFinishesTheRunAndSavesEverything) {
  profile_.seedInt("Settings", "PeekSize", 9);
  Start();
  Doc().compressorChosen = 1;
  Key(Qt::Key_T);
  Frame().peek.peekPosition = PeekBottomRight;
  Doc().Threshold = 321;
  app_.reset();
  EXPECT_EQ(service_.count("singleFrameClose"), 1u);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "PeekPosition", -1), PeekBottomRight);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "PeekSize", -1), 9) << "kept as stored";
  EXPECT_EQ(profile_.GetProfileInt("Settings", "Threshold", 0), 321);
}

// --- the tray and the peek window

TEST_F(WatchpostAppTest, HideLeavesAOnePixelWindowAndAnIconThatBringsTheFrameBack) {
  Start();
  service_.clearCalls();
  Key(Qt::Key_H);
  EXPECT_FALSE(Frame().isVisible());
  EXPECT_EQ(Frame().iconShown, 1);
  EXPECT_EQ(service_.parentWindow(), nullptr);
  EXPECT_EQ(Args(service_.last("setWindowPos")), (std::vector<long long>{0, 0, 1, 1}));
  ASSERT_TRUE(Frame().notificationIcon().isShown());
  EXPECT_EQ(Frame().notificationIcon().tip(), "") << "no tip until the mouse comes";

  Frame().OnTrayNotify(shell::NotificationIcon::Mouse::Move);
  // The counters as ever, then the free space of the folder the next run goes to.
  const std::string tip = Frame().notificationIcon().tip();
  const std::string counters = "Untitled\nNot capturing. Sampled: 0 , Captured: 0\n";
  EXPECT_EQ(tip.substr(0, counters.size()), counters);
  EXPECT_THAT(tip.substr(std::min(counters.size(), tip.size())),
              ::testing::MatchesRegex("[0-9.]+ [MG]B free"));

  QWidget* icon = Frame().notificationIcon().standInWindow();
  ASSERT_NE(icon, nullptr) << "the offscreen desktop has no notification area";
  QTest::mouseDClick(icon, Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Frame().isVisible(); }));
  EXPECT_EQ(Frame().pos(), CMainFrame::kRestoredGeometry.topLeft());
  EXPECT_EQ(Frame().frameGeometry().size(), CMainFrame::kRestoredGeometry.size());
  EXPECT_LT(Frame().width(), CMainFrame::kRestoredGeometry.width()) << "inside its borders";
  EXPECT_EQ(Frame().iconShown, 0);
  EXPECT_FALSE(Frame().notificationIcon().isShown());
  EXPECT_EQ(service_.parentWindow(), Frame().clientWindow());
  const int cx = Frame().clientWindow()->width(), cy = Frame().clientWindow()->height();
  EXPECT_EQ(Args(service_.last("setWindowPos")),
            (std::vector<long long>{140, 3, cx - 144, cy - 24}));

  // With the icon gone, its messages are not answered.
  Frame().OnTrayNotify(shell::NotificationIcon::Mouse::DoubleClick);
  EXPECT_EQ(Frame().iconShown, 0);
}

// The limit ends the run through the panel's toggle; the panel's own restart timer, a real
// one of 500 ms, starts the next run through the same toggle, unasked after the first Yes.
TEST_F(DrivenTest, TheRestartTimerOfThePanelStartsTheNextRun) {
  profile_.seedInt("Settings", "Limit", 1);
  profile_.seedInt("Settings", "AutoRestart", 1);
  Start();
  ModalScript script;  // any other box fails the test
  script.expectMessage(kCompressorQuestion, framework::IDYES);
  Press(IDC_START);
  ExpectRunning(false);
  for (int i = 0; i < 20 && Doc().runOpen(); ++i) Deliver(1);
  ExpectIdle();
  ASSERT_TRUE(View().timers().isTimerSet(kRestartTimerId));

  QElapsedTimer waited;
  waited.start();
  EXPECT_TRUE(QTest::qWaitFor([this] { return Doc().runOpen(); }, 3000));
  EXPECT_GE(waited.elapsed(), kRestartTimerMs - 50);
  ExpectRunning(false);
  EXPECT_FALSE(View().timers().isTimerSet(kRestartTimerId)) << "killed when it fires";
  ASSERT_NE(service_.last("fileSetCaptureFile"), nullptr);
  EXPECT_NE(service_.last("fileSetCaptureFile")->text.find("-2.avi"), std::string::npos)
      << "the restart replaces nothing";
  EXPECT_EQ(script.seen().size(), 1u);
  Press(IDC_START);
  View().timers().KillTimer(kRestartTimerId);
}

TEST_F(WatchpostAppTest, PeekPlacesTheCaptureWindowInTheChosenCorner) {
  Start();
  Frame().peek = {PeekBottomRight, PeekLarge, 120, 90};
  service_.clearCalls();
  Click(IDC_PEEK_HIDE);
  const QRect workArea = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect expected(workArea.width() - 48, workArea.height() - 36, 48, 36);
  EXPECT_EQ(Args(service_.last("setWindowPos")),
            (std::vector<long long>{expected.x(), expected.y(), 48, 36}));
  EXPECT_FALSE(Frame().isVisible());
  EXPECT_TRUE(Frame().notificationIcon().isShown());
  EXPECT_FALSE(Doc().runOpen()) << "hiding changes nothing of the capture";

  Frame().OnTrayNotify(shell::NotificationIcon::Mouse::DoubleClick);
  Frame().peek.peekPosition = 9;  // no corner: no placement, the icon all the same
  service_.clearCalls();
  Key(Qt::Key_E);
  EXPECT_EQ(service_.count("setWindowPos"), 0u);
  EXPECT_TRUE(Frame().notificationIcon().isShown());
}

}  // namespace
}  // namespace watchpost
