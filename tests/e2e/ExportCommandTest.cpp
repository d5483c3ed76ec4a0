// `casebook --export` as a script runs it: the executable as built, with no display at all.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ExportClips.h"
#include "tests/support/TempFolder.h"
#include "viewer/export/ClipExporter.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code = -1;
  std::string err;
};

// The program with `arguments` (no blanks in them), no display and no Qt platform named.
Outcome Casebook(const fs::path& folder, const std::string& arguments) {
  const fs::path err = folder / "stderr.txt";
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ";
  command += CASEBOOK_PATH;
  command += " " + arguments + " >/dev/null 2>" + err.string();
  const int status = std::system(command.c_str());
  Outcome run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(err);
  std::ostringstream text;
  text << in.rdbuf();
  run.err = text.str();
  fs::remove(err);
  return run;
}

TEST(ExportCommand, ExitsZeroOnlyWhenTheFileHoldsTheFrames) {
  testing_support::TempFolder temp("export-e2e");
  const fs::path stem = temp / "porch";
  testing_support::MakeClipRecording(stem, 30, 320, 240, 100000,
                                     {0,  0,  1,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,
                                      60, 60, 61, 61, 62, 62, 63, 63, 64, 64, 65, 65, 66, 66, 67});
  const std::string avi = stem.string() + ".avi", log = stem.string() + ".log";
  const std::string out = (temp / "porch.mp4").string();

  Outcome run =
      Casebook(temp.path(), "--export " + avi + " " + out + " --from 16 --to 30 --recorded-times");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("(50%)"), std::string::npos) << "progress on stderr: " << run.err;
  EXPECT_NE(run.err.find("wrote 15 frames"), std::string::npos) << run.err;
  casebook::exporter::WrittenVideo written;
  std::string error;
  ASSERT_TRUE(casebook::exporter::ReadWrittenVideo(out, written, error)) << error;
  EXPECT_EQ(written.frames, 15);
  EXPECT_EQ(written.width, 320);
  // Two frames a second of log time: 15 frames over 7.5 s of clock.
  EXPECT_NEAR(written.seconds.back() - written.seconds.front(), 7.0, 1e-3);

  const struct {
    std::string arguments;
    int code;
    const char* says;
  } rows[] = {
      {"--export " + avi, 2, "a recording and the MP4"},
      {"--export " + avi + " " + out + " --from x", 2, "not \"x\""},
      {"--export " + avi + " " + out + " --to 31", 2, "which has frames 1 to 30"},
      {"--export " + (temp / "none.avi").string() + " " + out, 1, "none.avi"},
      {"--export " + log + " " + (temp / "no" / "x.mp4").string(), 1, "No such file"},
  };
  for (const auto& row : rows) {
    run = Casebook(temp.path(), row.arguments);
    EXPECT_EQ(run.code, row.code) << row.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << row.arguments << "\n" << run.err;
  }
  // The good file is still the one of the good run.
  ASSERT_TRUE(casebook::exporter::ReadWrittenVideo(out, written, error)) << error;
  EXPECT_EQ(written.frames, 15);
  EXPECT_EQ(testing_support::FolderNames(temp.path()),
            (std::vector<std::string>{"porch.avi", "porch.log", "porch.mp4"}));
}

}  // namespace
