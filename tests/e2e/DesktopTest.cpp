// Both programs as built, on a real X server (Xvfb), driven by XTEST input from xdotool as a
// person at the desktop drives them: Watchpost records with pauses in the middle of motion,
// Casebook shows that recording frame by frame beside its log lines.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/e2e/RecordingClip.h"
#include "tests/support/AviProbe.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

bool OnPath(const char* program) {
  const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

void Sleep(std::chrono::milliseconds time) { std::this_thread::sleep_for(time); }

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(50ms);
  }
  return true;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A child process with an environment of its own; killed if the test leaves it running.
class Child {
 public:
  Child() = default;
  // With `errors`, what the child writes to its standard error stream goes to that file.
  Child(const std::vector<std::string>& args, const std::vector<std::string>& environment,
        const std::string& errors) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    *this = Child(args, environment, &actions);
    posix_spawn_file_actions_destroy(&actions);
  }
  Child(const std::vector<std::string>& args, const std::vector<std::string>& environment,
        const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<char*> argv, envp;
    std::vector<std::string> a = args, e = environment;
    for (std::string& s : a) argv.push_back(s.data());
    for (std::string& s : e) envp.push_back(s.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], actions, nullptr, argv.data(), envp.data()) != 0) pid_ = 0;
  }
  Child(Child&& other) noexcept : pid_(other.pid_) { other.pid_ = 0; }
  Child& operator=(Child&& other) noexcept {
    std::swap(pid_, other.pid_);
    return *this;
  }
  // Asked to end first, so that a server takes its sockets and lock files with it.
  ~Child() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    if (Wait(2s) == -1 && pid_ != 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool started() const { return pid_ != 0; }
  pid_t pid() const { return pid_; }
  // The exit status once it has ended by itself within `timeout`; -1 otherwise.
  int Wait(std::chrono::milliseconds timeout) {
    int status = 0;
    const bool ended =
        WaitFor([&] { return pid_ == 0 || waitpid(pid_, &status, WNOHANG) == pid_; }, timeout);
    if (!ended) return -1;
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = 0;
};

// 640 x 240: as wide as Casebook's band, so that its slider is in reach.
std::string MakeMovingClip(const std::string& path, int frames) {
  return testing_support::MakeMovingClip(path, frames, {640, 240, 24});
}

// The frame lines of a log, in order, and whether the settings lines close it.
struct LogLines {
  std::vector<std::string> frames;
  bool finished = false;
};

LogLines ReadLog(const fs::path& path) {
  static const std::regex frameLine(R"(Frame# (\d+) .*)");
  LogLines log;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::regex_match(line, frameLine) && !log.finished) {
      log.frames.push_back(line);
    } else if (!line.empty()) {
      log.finished = true;
    }
  }
  return log;
}

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xclip"}) {
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    // A server that said it was ready but takes no connection is started again.
    for (int attempt = 0; attempt < 3 && display_.empty(); ++attempt) {
      StartX();
      if (!display_.empty() && X("xdotool getdisplaygeometry").empty()) {
        x_ = Child();
        display_.clear();
      }
    }
    ASSERT_FALSE(display_.empty()) << "Xvfb did not start";
    fs::create_directories(config_ / "Tamsford");
    fs::create_directories(recordings_);
  }

  // Xvfb on a display number it picks itself and writes to a pipe once it is ready.
  void StartX() {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    x_ = Child({"Xvfb", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-displayfd",
                std::to_string(ready[1])},
               {"PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "")}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    // The number comes in pieces, its line end last.
    std::string number;
    pollfd wait{ready[0], POLLIN, 0};
    char c = 0;
    while (x_.started() && poll(&wait, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') {
      number += c;
    }
    close(ready[0]);
    if (c == '\n' && !number.empty()) display_ = ":" + number;
  }

  std::vector<std::string> Environment() const {
    std::vector<std::string> environment = {
        "DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + config_.string(),
        "XDG_RUNTIME_DIR=" + root_.path().string(), "HOME=" + root_.path().string()};
    if (const char* path = std::getenv("PATH")) environment.push_back(std::string("PATH=") + path);
    // Under the sanitizers the programs run with the tests' settings.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
      const char* value = std::getenv(name);
      if (value == nullptr) continue;
      std::string setting = name;  // piece by piece: GCC 12 sees overlap in "=" + temporary
      setting += '=';
      setting += value;
      environment.push_back(std::move(setting));
    }
    environment.push_back("LSAN_OPTIONS=suppressions=" LSAN_SUPPRESSIONS_PATH);
    return environment;
  }

  // A shell command against the test's X server; what it printed.
  std::string X(const std::string& command) const {
    const std::string line = "DISPLAY=" + display_ + " " + command + " 2>/dev/null";
    std::string output;
    if (FILE* pipe = popen(line.c_str(), "r")) {
      char buffer[4096];
      std::size_t got = 0;
      while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
      pclose(pipe);
    }
    return output;
  }

  // The window whose title matches `pattern`, once it is there; focused.
  std::string Window(const std::string& pattern) const {
    std::string id;
    WaitFor(
        [&] {
          const std::string found = X("xdotool search --onlyvisible --name '" + pattern + "'");
          id = found.substr(0, found.find('\n'));
          return !id.empty();
        },
        15s);
    if (!id.empty()) {
      X("xdotool windowfocus --sync " + id);
      Sleep(300ms);
    }
    return id;
  }

  void Key(const std::string& keys) const { X("xdotool key --delay 60 " + keys); }
  // A click at `x`, `y` of the window's inside.
  void Click(const std::string& window, int x, int y) const {
    X("xdotool mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) +
      " click 1");
  }

  // Ctrl+T ends the run, then File > Exit.
  void StopAndExit() const {
    Key("ctrl+t");
    Sleep(400ms);
    Key("alt+f");
    Sleep(300ms);
    Key("x");
  }

  fs::path Only(const char* extension) const {
    fs::path found;
    for (const auto& entry : fs::directory_iterator(recordings_)) {
      if (entry.path().extension() == extension) found = entry.path();
    }
    return found;
  }

  testing_support::TempFolder root_{"desktop"};
  fs::path config_ = root_.path() / "config";
  fs::path recordings_ = root_.path() / "recordings";
  Child x_;
  std::string display_;
};

// The menu bar's height under this X server's fonts, which the window's controls sit below.
constexpr int kMenuBarHeight = 20;

// Watchpost: Ctrl+T starts a run on a camera that sees motion in every sample; the Pause button
// is clicked on and off in the middle of it; Ctrl+T stops it and File > Exit ends the program.
// Every frame the AVI took has its own log line.
TEST_F(DesktopTest, WatchpostRecordsWithPausesAndEveryFrameHasItsLine) {
  const std::string clip = (root_.path() / "moving.avi").string();
  ASSERT_EQ(MakeMovingClip(clip, 32), "");
  std::ofstream(config_ / "Tamsford" / "Corvane.conf")
      << "[Settings]\nCurrentDirectory=" << recordings_.string() << "\nInterval=100\n";
  std::vector<std::string> environment = Environment();
  environment.push_back("CORVANE_CAMERAS=file:" + clip);
  const fs::path errors = root_.path() / "watchpost.stderr";
  Child watchpost({WATCHPOST_PATH}, environment, errors.string());
  ASSERT_TRUE(watchpost.started());
  const std::string window = Window(" - Corvane$");
  ASSERT_FALSE(window.empty()) << "no Watchpost window; it said:\n"
                               << ReadFile(errors) << X("xdotool search --name .");

  Key("ctrl+t");
  // A person's start asks first, Yes the default button.
  ASSERT_FALSE(Window("^Warning").empty()) << "no question about the compressor";
  Key("Return");
  ASSERT_TRUE(WaitFor([&] { return !Only(".log").empty(); }, 10s)) << "no run started";
  Window(" - Corvane$");
  // The Pause button beside Start: (45, 5) 40 x 15 dialog units of the panel.
  const int pauseX = 67 + 30, pauseY = kMenuBarHeight + 8 + 12;
  for (int pause = 0; pause < 6; ++pause) {
    Sleep(std::chrono::milliseconds(170 + 61 * pause));  // falls anywhere in a sample
    Click(window, pauseX, pauseY);                       // Pause
    Sleep(150ms);
    const std::size_t atPause = ReadLog(Only(".log")).frames.size();
    Sleep(300ms);
    EXPECT_EQ(ReadLog(Only(".log")).frames.size(), atPause) << "recorded while paused";
    Click(window, pauseX, pauseY);  // Continue
  }
  Sleep(400ms);
  StopAndExit();
  ASSERT_EQ(watchpost.Wait(15s), 0) << "Watchpost did not end with File > Exit";

  const fs::path log = Only(".log");
  const testing_support::AviProbe avi = testing_support::ProbeAvi(Only(".avi").string());
  ASSERT_TRUE(avi.opened) << avi.error;
  const LogLines lines = ReadLog(log);
  EXPECT_TRUE(lines.finished) << "the settings close the log";
  ASSERT_GE(avi.frames.size(), 5u);
  EXPECT_EQ(lines.frames.size(), avi.frames.size()) << "a frame without its line";
  for (std::size_t k = 0; k < lines.frames.size(); ++k) {
    EXPECT_EQ(lines.frames[k].rfind("Frame# " + std::to_string(k + 1) + " ", 0), 0u)
        << lines.frames[k];
  }
}

// Watchpost on the test pattern, whose object crosses the picture for four seconds of every
// eight and leaves it still for the rest: Configuration > Recording... is set to 3 from the
// keyboard, Ctrl+T records past a still spell into the next crossing. The object's first hit
// after the still spell comes with the three samples before it, and the AVI, the log and the
// file of reasons agree frame for frame.
TEST_F(DesktopTest, WatchpostStartsARecordingThreeSamplesBeforeTheFirstHit) {
  std::ofstream(config_ / "Tamsford" / "Corvane.conf")
      << "[Settings]\nCurrentDirectory=" << recordings_.string() << "\nInterval=100\n";
  std::vector<std::string> environment = Environment();
  environment.push_back("CORVANE_CAMERAS=pattern");
  const fs::path errors = root_.path() / "watchpost.stderr";
  Child watchpost({WATCHPOST_PATH}, environment, errors.string());
  ASSERT_TRUE(watchpost.started());
  ASSERT_FALSE(Window(" - Corvane$").empty()) << "no Watchpost window; it said:\n"
                                              << ReadFile(errors);
  Key("alt+c");
  Sleep(300ms);
  Key("r");
  ASSERT_FALSE(Window("^Recording$").empty()) << "no Recording dialog";
  Key("ctrl+a 3 Return");
  Window(" - Corvane$");
  Key("ctrl+t");
  ASSERT_FALSE(Window("^Warning").empty()) << "no question about the compressor";
  Key("Return");
  ASSERT_TRUE(WaitFor([&] { return !Only(".log").empty(); }, 10s)) << "no run started";
  Sleep(10s);  // a still spell and a crossing at the least
  Window(" - Corvane$");
  StopAndExit();
  ASSERT_EQ(watchpost.Wait(15s), 0) << "Watchpost did not end with File > Exit";

  const testing_support::AviProbe avi = testing_support::ProbeAvi(Only(".avi").string());
  ASSERT_TRUE(avi.opened) << avi.error;
  const LogLines lines = ReadLog(Only(".log"));
  std::istringstream csv(ReadFile(Only(".csv")));
  std::vector<std::string> kinds;
  std::string row;
  std::getline(csv, row);
  EXPECT_EQ(row.rfind("frame,time,kind,", 0), 0u) << row;
  while (std::getline(csv, row)) {
    const std::size_t kind = row.find(',', row.find(',') + 1) + 1;
    kinds.push_back(row.substr(kind, row.find(',', kind) - kind));
  }
  EXPECT_EQ(lines.frames.size(), avi.frames.size());
  EXPECT_EQ(kinds.size(), avi.frames.size());
  // Three before each first hit of a crossing, never more in a row.
  int runs = 0, before = 0;
  for (const std::string& kind : kinds) {
    if (kind == "before") {
      ++before;
      continue;
    }
    EXPECT_EQ(kind, "hit");
    EXPECT_TRUE(before == 0 || before == 3) << before << " before a hit";
    if (before == 3) ++runs;
    before = 0;
  }
  EXPECT_GE(runs, 1) << "no hit after a still spell";
  EXPECT_NE(ReadFile(config_ / "Tamsford" / "Corvane.conf").find("PreEventFrames=3"),
            std::string::npos);
}

// The picture and text Casebook puts on the clipboard at Ctrl+C: what the window shows.
struct Shown {
  std::string entry;
  QImage picture;
};

// How far apart two pictures are: the mean difference of their bytes.
double Distance(const QImage& shown, const std::vector<std::uint8_t>& topDownBgr, int width) {
  const QImage frame = shown.convertToFormat(QImage::Format_BGR888);
  double sum = 0;
  for (int y = 0; y < frame.height(); ++y) {
    const uchar* row = frame.constScanLine(y);
    const std::uint8_t* expected = topDownBgr.data() + static_cast<std::size_t>(y) * width * 3;
    for (int x = 0; x < width * 3; ++x) sum += std::abs(int(row[x]) - int(expected[x]));
  }
  return sum / (double(frame.height()) * width * 3);
}

// Casebook on a recording of its own kind: the slider dragged with the mouse, then Right; after
// each the picture on the screen is the frame of the position and the entry is its log line.
// SIGTERM then ends it the way Exit does, with its settings saved.
TEST_F(DesktopTest, CasebookScrubsAndStepsWithMouseAndKeys) {
  const std::string stem = (recordings_ / "WTV2612090400").string();
  ASSERT_EQ(MakeMovingClip(stem + ".avi", 24), "");
  {
    std::ofstream log(stem + ".log", std::ios::binary);
    for (int k = 1; k <= 24; ++k)
      log << "Frame# " << k << " Wed Dec 09 04:00:" << 10 + k << " 2026\r\n";
    log << "\r\nThreshold 200\r\n";
  }
  const testing_support::AviProbe avi = testing_support::ProbeAvi(stem + ".avi");
  ASSERT_TRUE(avi.opened) << avi.error;
  const fs::path errors = root_.path() / "casebook.stderr";
  Child casebook({CASEBOOK_PATH, stem + ".avi"}, Environment(), errors.string());
  ASSERT_TRUE(casebook.started());
  const std::string window = Window(" - Casebook$");
  ASSERT_FALSE(window.empty()) << "no Casebook window; it said:\n" << ReadFile(errors);

  const auto shown = [&] {
    Key("ctrl+c");
    Sleep(200ms);
    Shown seen;
    seen.entry = X("xclip -selection clipboard -o -t UTF8_STRING");
    const std::string png = X("xclip -selection clipboard -o -t image/png");
    seen.picture.loadFromData(reinterpret_cast<const uchar*>(png.data()),
                              static_cast<int>(png.size()), "PNG");
    return seen;
  };
  // The entry names frame n + 1 and the picture is AVI frame n, not its neighbours.
  const auto expectFrameAndLine = [&](const Shown& seen) -> int {
    std::smatch match;
    if (!std::regex_search(seen.entry, match, std::regex(R"(^Frame# (\d+) )"))) {
      ADD_FAILURE() << "entry: " << seen.entry;
      return -1;
    }
    const int n = std::stoi(match[1]) - 1;
    EXPECT_EQ(seen.entry, "Frame# " + std::to_string(n + 1) +
                              " Wed Dec 09 04:00:" + std::to_string(11 + n) + " 2026");
    EXPECT_EQ(seen.picture.size(), QSize(640, 240));
    if (seen.picture.size() != QSize(640, 240)) return n;
    EXPECT_EQ(Distance(seen.picture, avi.frames[n], 640), 0.0) << "frame " << n;
    if (n > 0) {
      EXPECT_GT(Distance(seen.picture, avi.frames[n - 1], 640), 1.0);
    }
    return n;
  };

  // The slider's thumb at frame 0, at the left end of (150, 5) 160 x 10 dialog units of the
  // band; dragged two fifths of the way.
  const int thumbY = kMenuBarHeight + 8 + 8;
  X("xdotool mousemove --window " + window + " 231 " + std::to_string(thumbY) + " mousedown 1");
  for (int x = 235; x <= 325; x += 6) {
    X("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
      std::to_string(thumbY));
    Sleep(20ms);
  }
  X("xdotool mouseup 1");
  Sleep(300ms);
  const int dragged = expectFrameAndLine(shown());
  EXPECT_GE(dragged, 5) << "the drag moved the recording";
  EXPECT_LE(dragged, 14);

  Key("Right");
  Sleep(300ms);
  EXPECT_EQ(expectFrameAndLine(shown()), dragged + 1) << "Right steps one frame forward";

  kill(casebook.pid(), SIGTERM);
  ASSERT_EQ(casebook.Wait(10s), 0) << "Casebook did not end like Exit on SIGTERM";
  const std::string saved = ReadFile(config_ / "Tamsford" / "Casebook.conf");
  EXPECT_NE(saved.find("FrameRate="), std::string::npos) << saved;
  EXPECT_NE(saved.find("OverRideFrameRate="), std::string::npos) << saved;
}

// The file camera's file is moved away in the middle of a run and put back: the run ends as
// Stop ends it, the program says so on its standard error stream and tries again without a
// box, and once the file is back a new run starts by itself with new names. Every run that
// was made is a whole pair.
TEST_F(DesktopTest, WatchpostLosesItsFileCameraAndRecordsAgainWhenItIsBack) {
  const fs::path clip = root_.path() / "camera.avi";
  const fs::path away = root_.path() / "camera-away.avi";
  ASSERT_EQ(MakeMovingClip(clip.string(), 32), "");
  std::ofstream(config_ / "Tamsford" / "Corvane.conf")
      << "[Settings]\nCurrentDirectory=" << recordings_.string() << "\nInterval=100\n";
  std::vector<std::string> environment = Environment();
  environment.push_back("CORVANE_CAMERAS=file:" + clip.string());
  const fs::path errors = root_.path() / "watchpost.stderr";
  Child watchpost({WATCHPOST_PATH, "--start"}, environment, errors.string());
  ASSERT_TRUE(watchpost.started());
  ASSERT_FALSE(Window(" - Corvane$").empty()) << ReadFile(errors);
  const auto logs = [&] {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(recordings_)) {
      if (entry.path().extension() == ".log") found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
  };
  ASSERT_TRUE(
      WaitFor([&] { return logs().size() == 1 && ReadLog(logs()[0]).frames.size() >= 3; }, 15s))
      << "no run recorded; it said:\n"
      << ReadFile(errors);

  fs::rename(clip, away);
  ASSERT_TRUE(
      WaitFor([&] { return ReadFile(errors).find("Camera lost at ") != std::string::npos; }, 10s))
      << ReadFile(errors);
  ASSERT_TRUE(WaitFor([&] { return ReadLog(logs()[0]).finished; }, 5s))
      << "the run did not end as Stop ends it";
  EXPECT_TRUE(X("xdotool search --onlyvisible --name '^Corvane Error$'").empty())
      << "a box waits for nobody";
  Sleep(2500ms);  // an attempt or so to connect again, with the file still away
  EXPECT_EQ(logs().size(), 1u) << "no run without a camera";

  fs::rename(away, clip);
  ASSERT_TRUE(
      WaitFor([&] { return ReadFile(errors).find("Camera back at ") != std::string::npos; }, 10s))
      << ReadFile(errors);
  ASSERT_TRUE(
      WaitFor([&] { return logs().size() == 2 && ReadLog(logs()[1]).frames.size() >= 2; }, 10s))
      << "no new run after the camera came back";
  kill(watchpost.pid(), SIGTERM);
  ASSERT_EQ(watchpost.Wait(15s), 0);

  const std::vector<fs::path> pairs = logs();
  ASSERT_EQ(pairs.size(), 2u);
  for (const fs::path& log : pairs) {
    fs::path avi = log;
    avi.replace_extension(".avi");
    const testing_support::AviProbe probe = testing_support::ProbeAvi(avi.string());
    ASSERT_TRUE(probe.opened) << avi << ": " << probe.error;
    const LogLines lines = ReadLog(log);
    EXPECT_TRUE(lines.finished) << log;
    EXPECT_EQ(lines.frames.size(), probe.frames.size()) << log;
  }
}

}  // namespace
