#include "viewer/export/ExportCommandLine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ExportClips.h"
#include "tests/support/TempFolder.h"
#include "viewer/export/ClipExporter.h"

namespace casebook::exporter {
namespace {

namespace fs = std::filesystem;

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  char chunk[512];
  while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file)) text.append(chunk, n);
  return text;
}

class ExportCommandLineTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& arguments) {
    const std::unique_ptr<std::FILE, CloseFile> out(std::tmpfile()), err(std::tmpfile());
    const int code = RunCommandLine(arguments, out.get(), err.get());
    out_ = Contents(out.get());
    err_ = Contents(err.get());
    return code;
  }
  std::string In(const char* name) const { return (temp_ / name).string(); }

  testing_support::TempFolder temp_{"export-cli"};
  std::string out_, err_;
};

TEST_F(ExportCommandLineTest, OnlyExportAndHelpAreTheCommandLinesWork) {
  EXPECT_TRUE(IsCommandLineWork({"--export", "a.avi", "b.mp4"}));
  EXPECT_TRUE(IsCommandLineWork({"a.avi", "--help"}));
  EXPECT_FALSE(IsCommandLineWork({}));
  EXPECT_FALSE(IsCommandLineWork({"a.avi"}));
  EXPECT_FALSE(IsCommandLineWork({"--hidden", "a.avi"}));

  EXPECT_EQ(Run({"--help"}), kExitDone);
  EXPECT_NE(out_.find("--export RECORDING OUT.mp4"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Frames count from 1"), std::string::npos) << out_;
  EXPECT_TRUE(err_.empty()) << err_;
}

// A good run exports the frames asked for, both ends included, counted from 1; the log's pair
// is found from either file.
TEST_F(ExportCommandLineTest, ExportsTheFramesAskedFor) {
  testing_support::MakeClipRecording(temp_ / "run", 8, 64, 48, 200000, {0, 1, 2, 3, 4, 5, 6, 7});
  const struct {
    std::vector<std::string> arguments;
    int frames;
  } rows[] = {
      {{"--export", In("run.avi"), In("all.mp4")}, 8},
      {{"--export", In("run.log"), In("some.mp4"), "--from", "3", "--to", "5"}, 3},
      {{"--from", "8", "--export", In("run.avi"), In("last.mp4")}, 1},
      {{"--export", In("run.avi"), In("timed.mp4"), "--to", "4", "--recorded-times"}, 4},
  };
  for (const auto& row : rows) {
    const std::string& output = row.arguments[2 + (row.arguments[0] == "--from" ? 2 : 0)];
    ASSERT_EQ(Run(row.arguments), kExitDone) << err_;
    WrittenVideo written;
    std::string error;
    ASSERT_TRUE(ReadWrittenVideo(output, written, error)) << error;
    EXPECT_EQ(written.frames, row.frames) << output;
    EXPECT_NE(err_.find("(100%)"), std::string::npos) << err_;
    EXPECT_NE(err_.find("wrote " + std::to_string(row.frames) + " frames"), std::string::npos)
        << err_;
    EXPECT_EQ(err_.find("warning"), std::string::npos) << err_;
  }
}

// A recording whose log is gone still exports, and says what its frames will show.
TEST_F(ExportCommandLineTest, AMissingLogIsSaid) {
  testing_support::MakeClipRecording(temp_ / "bare", 3, 64, 48, 200000, {});
  ASSERT_EQ(Run({"--export", In("bare.avi"), In("bare.mp4")}), kExitDone) << err_;
  EXPECT_NE(err_.find("warning: no log at " + In("bare.log")), std::string::npos) << err_;
}

// Usage errors and export failures end apart, each with a message; nothing is written.
TEST_F(ExportCommandLineTest, BadArgumentsAndFailuresSayWhyWithTheirOwnCodes) {
  testing_support::MakeClipRecording(temp_ / "run", 5, 64, 48, 200000, {});
  const std::string out = In("out.mp4");
  const struct {
    std::vector<std::string> arguments;
    int code;
    const char* says;
  } rows[] = {
      {{}, kExitUsage, "nothing to do"},
      {{"--export"}, kExitUsage, "a recording and the MP4"},
      {{"--export", In("run.avi")}, kExitUsage, "a recording and the MP4"},
      {{"--export", In("run.avi"), out, "extra"}, kExitUsage, "a recording and the MP4"},
      {{"--export", In("run.avi"), out, "--from"}, kExitUsage, "--from needs a frame number"},
      {{"--export", In("run.avi"), out, "--from", "0"}, kExitUsage, "from 1, not \"0\""},
      {{"--export", In("run.avi"), out, "--to", "-3"}, kExitUsage, "not \"-3\""},
      {{"--export", In("run.avi"), out, "--to", "2x"}, kExitUsage, "not \"2x\""},
      {{"--export", In("run.avi"), out, "--to", "99999999999"}, kExitUsage, "not \"99999999999\""},
      {{"--export", In("run.avi"), out, "--from", "4", "--to", "2"}, kExitUsage, "is after"},
      {{"--export", In("run.avi"), out, "--fast"}, kExitUsage, "unknown option --fast"},
      {{"--export", In("run.avi"), out, "--to", "6"}, kExitUsage, "which has frames 1 to 5"},
      {{"--export", In("run.avi"), out, "--from", "6"}, kExitUsage, "which has frames 1 to 5"},
      {{"--export", In("gone.avi"), out}, kExitFailed, "gone.avi"},
      {{"--export", In("run.avi"), out, "--recorded-times"}, kExitFailed, "no log times"},
      {{"--export", In("run.avi"), In("missing/out.mp4")}, kExitFailed, "No such file"},
      {{"--export", In("run.log"), In("run.avi")}, kExitFailed, "the recording's own video"},
  };
  for (const auto& row : rows) {
    std::string line;
    for (const std::string& a : row.arguments) line += a + " ";
    EXPECT_EQ(Run(row.arguments), row.code) << line << "\n" << err_;
    EXPECT_NE(err_.find(row.says), std::string::npos) << line << "\n" << err_;
    EXPECT_FALSE(fs::exists(out)) << line;
  }
  EXPECT_EQ(testing_support::FolderNames(temp_.path()), (std::vector<std::string>{"run.avi"}));
}

}  // namespace
}  // namespace casebook::exporter
