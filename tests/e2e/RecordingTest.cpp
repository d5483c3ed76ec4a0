// Motion-triggered recording end to end: the capture document on the real capture window with
// a video file as its camera, AVIs read back with FFmpeg and logs parsed line by line.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/main/WatchpostApp.h"
#include "capture/naming/FileNamingDlg.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/camera/drivers/VideoFileDriver.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/MemoryProfileStore.h"
#include "resources/WatchpostCommands.h"
#include "tests/e2e/RecordingClip.h"
#include "tests/gui/capture/session/TestShell.h"
#include "tests/support/AviProbe.h"
#include "tests/support/FrameLimit.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace watchpost {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A log split into its frame lines (number -> time text) and the rest; every line must end in
// CR LF, and only the last may be cut short (a crash mid-write).
struct ParsedLog {
  std::vector<std::string> frameTimes;  // entry i: the time text of frame i + 1
  std::string settings;
  bool wellFormed = true;
};

ParsedLog ParseLog(const std::string& text) {
  static const std::regex frameLine(
      R"(Frame# (\d+) ([A-Z][a-z]{2} [A-Z][a-z]{2} \d{2} \d{2}:\d{2}:\d{2} \d{4}))");
  ParsedLog log;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;  // a line cut short
    const std::string line = text.substr(at, end - at);
    std::smatch match;
    if (log.settings.empty() && std::regex_match(line, match, frameLine)) {
      log.wellFormed &= std::stoul(match[1]) == log.frameTimes.size() + 1;
      log.frameTimes.push_back(match[2]);
    } else {
      log.settings += line + "\r\n";
    }
    at = end + 2;
  }
  return log;
}

void PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < timeoutMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = fs::current_path();
    folder_ = root_ / "recordings";
    fs::create_directory(folder_);
    clip_ = (root_ / "moving.avi").string();
    ASSERT_EQ(testing_support::MakeMovingClip(clip_), "");
  }
  void TearDown() override { fs::current_path(cwd_); }

  // Frame lines in the one log of the folder, once there are `lines` or 20 s have passed.
  std::size_t WaitForLogLines(std::size_t lines) const {
    const auto count = [&] {
      const auto logs = Files(".log");
      if (logs.empty()) return std::size_t{0};
      return ParseLog(ReadFile(logs.begin()->second)).frameTimes.size();
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::size_t seen = count();
    while (seen < lines && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      seen = count();
    }
    return seen;
  }

  // The folder's one recording: its AVI read back and its log parsed.
  struct Recording {
    testing_support::AviProbe avi;
    ParsedLog log;
    fs::path aviPath;
  };
  Recording OnlyRecording() const {
    const auto avis = Files(".avi");
    const auto logs = Files(".log");
    EXPECT_EQ(avis.size(), 1u);
    EXPECT_EQ(logs.size(), 1u);
    if (avis.empty() || logs.empty()) return {};
    return {testing_support::ProbeAvi(avis.begin()->second.string()),
            ParseLog(ReadFile(logs.begin()->second)), avis.begin()->second};
  }

  std::map<std::string, fs::path> Files(const char* extension) const {
    std::map<std::string, fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      if (entry.path().extension() == extension) {
        files[entry.path().stem().string()] = entry.path();
      }
    }
    return files;
  }

  fs::path cwd_;
  testing_support::TempFolder temp_{"recording"};
  const fs::path& root_ = temp_.path();
  fs::path folder_;
  std::string clip_;

  // The real capture service with the clip as its one camera.
  std::unique_ptr<camera::QtCaptureService> ClipService() const {
    std::vector<std::unique_ptr<camera::VideoDriver>> drivers;
    drivers.push_back(
        std::make_unique<camera::VideoFileDriver>(clip_, testing_support::kMaxFrameBytes));
    return std::make_unique<camera::QtCaptureService>(testing_support::kMaxFrameBytes,
                                                      std::move(drivers));
  }
};

TEST_F(RecordingTest, RunsReachTheirLimitRestartAndLeaveMatchingAvisAndLogs) {
  const auto clipService = ClipService();
  camera::QtCaptureService& service = *clipService;
  framework::MemoryProfileStore profile;
  profile.seedText("Settings", "CurrentDirectory", folder_.string());
  profile.seedInt("Settings", "Interval", 100);
  profile.seedInt("Settings", "Limit", 4);
  profile.seedInt("Settings", "AutoRestart", 1);
  // The whole program, so that the restarts come from the control panel's own timer.
  testing_support::ModalScript script;  // any other box fails the test
  script.expectMessage("OK to use the default compressor?", framework::IDYES);
  auto app = std::make_unique<CWatchpostApp>(service, profile);
  ASSERT_TRUE(app->InitInstance({}));
  CWatchpostDoc& doc = *app->document();
  CWatchpostView& panel = *app->view();

  const std::uint32_t started = static_cast<std::uint32_t>(std::time(nullptr));
  panel.OnStartStop();
  // Two runs end at their limit, the timer starts a third 500 ms after each.
  const auto finishedLogs = [&] {
    int finished = 0;
    for (const auto& [stem, path] : Files(".log")) {
      finished += ReadFile(path).find("ZoneBottom") != std::string::npos;
    }
    return finished;
  };
  PumpUntil([&] { return finishedLogs() >= 2 && doc.runOpen(); }, 20000);
  ASSERT_GE(finishedLogs(), 2);
  ASSERT_TRUE(doc.runOpen());
  PumpUntil([&] { return doc.capturedCount >= 1; }, 5000);
  const std::uint32_t* times = doc.detector().captureTimes();
  const std::vector<std::uint32_t> lastRunTimes(times, times + doc.capturedCount);
  const std::string lastStem = doc.fileStem;
  panel.OnStartStop();  // the user stops the third run
  panel.timers().KillTimer(kRestartTimerId);
  const std::string expectedSettings = SettingsLines(doc);
  const std::uint32_t ended = static_cast<std::uint32_t>(std::time(nullptr));
  app.reset();
  EXPECT_EQ(script.seen().size(), 1u);

  std::set<std::string> duringTheTest;
  for (std::uint32_t second = started; second <= ended; ++second) {
    char text[kTimeTextChars + 1];
    FormatTimeText(second, text);
    duringTheTest.insert(text);
  }
  const auto avis = Files(".avi");
  const auto logs = Files(".log");
  ASSERT_GE(avis.size(), 3u);
  ASSERT_EQ(logs.size(), avis.size()) << "every run captured, so every AVI has its log";
  int limitedRuns = 0;
  for (const auto& [stem, aviPath] : avis) {
    SCOPED_TRACE(stem);
    ASSERT_EQ(logs.count(stem), 1u);
    const testing_support::AviProbe avi = testing_support::ProbeAvi(aviPath.string());
    ASSERT_TRUE(avi.opened) << avi.error;
    EXPECT_EQ(avi.rateNum * 1.0 / avi.rateDen, 10.0) << "one frame per 100 ms interval";
    const ParsedLog log = ParseLog(ReadFile(logs.at(stem)));
    EXPECT_TRUE(log.wellFormed);
    EXPECT_EQ(log.settings, expectedSettings);
    const std::size_t lines = log.frameTimes.size();
    EXPECT_EQ(avi.frames.size(), lines) << "one line for every frame";
    if (lines == 4) ++limitedRuns;
    for (const std::string& time : log.frameTimes) {
      EXPECT_EQ(duringTheTest.count(time), 1u) << time << " is not a time of this test";
    }
    if (stem == lastStem) {
      ASSERT_EQ(lines, lastRunTimes.size());
      for (std::size_t i = 0; i < lines; ++i) {
        char text[kTimeTextChars + 1];
        FormatTimeText(lastRunTimes[i], text);
        EXPECT_EQ(log.frameTimes[i], text) << "frame " << i + 1;
      }
    }
  }
  EXPECT_GE(limitedRuns, 2);
}

TEST_F(RecordingTest, AKilledRecorderLeavesAReadableAviAndALogOfItsFrames) {
  const std::string probe = RECORD_PROBE_PATH;
  std::vector<char*> args = {const_cast<char*>(probe.c_str()), clip_.data(),
                             const_cast<char*>(folder_.c_str()), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, probe.c_str(), nullptr, nullptr, args.data(), environ), 0);

  WaitForLogLines(6);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the recorder ended by itself: " << status;

  const auto [avi, log, aviPath] = OnlyRecording();
  ASSERT_TRUE(avi.opened) << avi.error;
  EXPECT_TRUE(log.wellFormed);
  EXPECT_TRUE(log.settings.empty()) << "the run never ended";
  ASSERT_GE(log.frameTimes.size(), 6u);
  EXPECT_TRUE(avi.frames.size() == log.frameTimes.size() ||
              avi.frames.size() == log.frameTimes.size() + 1)
      << avi.frames.size() << " frames, " << log.frameTimes.size() << " lines";
}

// What the RIFF structure says of an AVI that was closed properly: the outer size matches the
// file, the index is there, and the main header counts every frame.
struct RiffFacts {
  bool sizeMatches = false;
  bool hasIndex = false;
  std::uint32_t totalFrames = 0;
};

RiffFacts ReadRiff(const fs::path& path) {
  const std::string bytes = ReadFile(path);
  const auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  RiffFacts facts;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return facts;
  facts.sizeMatches = u32(4) + 8u == bytes.size();
  facts.hasIndex = bytes.find("idx1") != std::string::npos;
  if (const std::size_t avih = bytes.find("avih"); avih != std::string::npos) {
    facts.totalFrames = u32(avih + 8 + 16);  // after the id, the size and four fields
  }
  return facts;
}

// The program itself, as a logout or `systemctl stop` ends it: SIGTERM closes it the way Exit
// does, so the run in progress is finished, its log written whole and the settings saved.
TEST_F(RecordingTest, SigtermEndsWatchpostLikeExitAndLosesNothing) {
  const fs::path config = root_ / "config";
  fs::create_directories(config / "Tamsford");
  {
    std::ofstream conf(config / "Tamsford" / "Corvane.conf");
    conf << "[Settings]\nCurrentDirectory=" << folder_.string() << "\nInterval=100\n";
  }
  const std::string program = WATCHPOST_PATH;
  std::vector<std::string> environment = {
      "QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.string(),
      "XDG_RUNTIME_DIR=" + root_.string(), "CORVANE_CAMERAS=file:" + clip_};
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (text.rfind("PATH=", 0) == 0 || text.rfind("HOME=", 0) == 0) environment.push_back(text);
  }
  std::vector<char*> envp;
  for (std::string& text : environment) envp.push_back(text.data());
  envp.push_back(nullptr);
  std::vector<char*> args = {const_cast<char*>(program.c_str()), const_cast<char*>("--start"),
                             nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, program.c_str(), nullptr, nullptr, args.data(), envp.data()), 0);

  ASSERT_GE(WaitForLogLines(4), 4u) << "no run recorded";
  kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);

  const auto [avi, log, aviPath] = OnlyRecording();
  ASSERT_TRUE(avi.opened) << avi.error;
  EXPECT_TRUE(log.wellFormed);
  EXPECT_NE(log.settings.find("Interval 100"), std::string::npos)
      << "the settings close a finished log:\n"
      << log.settings;
  EXPECT_EQ(avi.frames.size(), log.frameTimes.size()) << "one line for every frame";
  const RiffFacts riff = ReadRiff(aviPath);
  EXPECT_TRUE(riff.sizeMatches) << "the AVI was not closed";
  EXPECT_TRUE(riff.hasIndex) << "the AVI has no index";
  EXPECT_EQ(riff.totalFrames, avi.frames.size());

  const std::string saved = ReadFile(config / "Tamsford" / "Corvane.conf");
  for (const char* key : {"Threshold=", "ZoneSet=", "PeekSize=", "PeekPosition="}) {
    EXPECT_NE(saved.find(key), std::string::npos) << key << " not saved:\n" << saved;
  }
}

// A small file system filled up while a run records: the first refused frame ends the run once,
// the AVI keeps every complete frame, the log one line for each and its settings; the restart
// waits until the folder takes a write again.
TEST_F(RecordingTest, AFullFolderEndsTheRunOnceAndTheRestartWaitsForRoom) {
  const fs::path small = root_ / "small";
  fs::create_directory(small);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "no small file system to fill: mounting a tmpfs needs root (" << strerror(errno)
                 << ")";
  }
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{small};
  folder_ = small;
  // Room for the headers, the log and a few frames of 9,216 bytes.
  const fs::path filler = small / "filler";
  {
    std::ofstream out(filler, std::ios::binary);
    out << std::string(256 * 1024 - 64 * 1024, 'f');
  }
  const auto clipService = ClipService();
  camera::QtCaptureService& service = *clipService;
  framework::MemoryProfileStore profile;
  profile.seedText("Settings", "CurrentDirectory", folder_.string());
  profile.seedInt("Settings", "Interval", 60);
  profile.seedInt("Settings", "FileSize", 0);  // nothing set aside: frames meet the full disk
  profile.seedInt("Settings", "AutoRestart", 1);
  testing::TestShell shell;
  shell.realClock = true;
  testing_support::ModalScript script;
  script.expectCaption("Corvane Error", framework::IDOK);
  CFileNamingDlg naming([] { return std::time(nullptr); });
  auto doc = std::make_unique<CWatchpostDoc>(service, profile, shell, naming);
  shell.document = doc.get();
  doc->OnNewDocument();
  doc->OnStartStop();
  PumpUntil([&] { return !doc->runOpen(); }, 20000);
  ASSERT_FALSE(doc->runOpen()) << "the run never met the full disk";
  PumpUntil([] { return false; }, 500);  // later samples: no second box
  EXPECT_EQ(script.seen().size(), 1u);
  ASSERT_FALSE(shell.statusTexts.empty());
  EXPECT_EQ(shell.statusTexts.back().rfind("Recording ended: Cannot write", 0), 0u)
      << shell.statusTexts.back();
  EXPECT_NE(shell.statusTexts.back().find("Auto Restart waits until " + folder_.string()),
            std::string::npos);
  EXPECT_EQ(shell.timers[kRestartTimerId], CWatchpostDoc::kFolderRetryMs);

  {
    const auto [avi, log, aviPath] = OnlyRecording();
    ASSERT_TRUE(avi.opened) << avi.error;
    EXPECT_GE(avi.frames.size(), 1u);
    EXPECT_EQ(avi.frames.size(), log.frameTimes.size()) << "one line for every frame";
    EXPECT_TRUE(log.wellFormed);
    EXPECT_NE(log.settings.find("ZoneBottom"), std::string::npos) << "the log was finished";
  }

  EXPECT_FALSE(doc->ReadyToRestart()) << "30 s on, the disk still full";
  EXPECT_FALSE(doc->runOpen());
  EXPECT_EQ(shell.timers[kRestartTimerId], CWatchpostDoc::kFolderRetryMs);
  fs::remove(filler);
  ASSERT_TRUE(doc->ReadyToRestart()) << "room again";
  doc->StartRun(true);  // as the panel starts it
  EXPECT_TRUE(doc->runOpen());
  doc->OnStartStop();
  shell.killTimer(kRestartTimerId);
  doc.reset();
}

}  // namespace
}  // namespace watchpost
