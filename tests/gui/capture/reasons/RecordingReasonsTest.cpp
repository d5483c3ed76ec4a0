#include <gtest/gtest.h>

#include <QTest>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "capture/naming/FileNamingDlg.h"
#include "capture/reasons/RecordingDlg.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/video/FrameFormat.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostRecording.h"
#include "tests/gui/capture/session/TestShell.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/LocalTime.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

constexpr int kWidth = 32, kHeight = 24;
constexpr std::size_t kFrameBytes = kWidth * kHeight * 3;

std::vector<std::string> Lines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> Fields(const std::string& row) {
  std::vector<std::string> fields;
  std::stringstream in(row);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(field);
  return fields;
}

// A recording made from a script of samples: 'q' a quiet sample, 'H' a hit. Every sample
// carries its number (from 1) in its first bytes, so each frame of the AVI says which sample it
// was; the clock moves a second per sample.
class RecordingReasonsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    profile_.seedText("Settings", "CurrentDirectory", folder_.string());
    service_.setDrivers({{"Camera A", "1.0"}});
    service_.setVideoFormat(video::ToBitmapInfo({kWidth, kHeight, 24}));
    shell_.clock = start_;
  }
  void TearDown() override {
    doc_.reset();
    std::filesystem::current_path(cwd_);
  }

  CWatchpostDoc& Doc() {
    if (!doc_) {
      naming_ = std::make_unique<CFileNamingDlg>([this] { return std::time_t{shell_.clock}; });
      doc_ = std::make_unique<CWatchpostDoc>(service_, profile_, shell_, *naming_);
      shell_.document = doc_.get();
      doc_->OnNewDocument();
    }
    return *doc_;
  }

  void Deliver(int serial, bool moved) {
    std::vector<std::uint8_t> frame(kFrameBytes, moved ? 160 : 40);
    frame[0] = static_cast<std::uint8_t>(serial);
    frame[1] = static_cast<std::uint8_t>(serial >> 8);
    service_.deliverFrame(frame);
  }
  // Runs the script in a run of its own; a hit flips the picture, so that it changes every
  // byte, and the frame after it (which the detector lets go unexamined) repeats it.
  void Run(const std::string& script) {
    Doc().StartRun();
    bool& moved = moved_;
    for (std::size_t i = 0; i < script.size() && Doc().runOpen(); ++i) {
      if (Doc().mode == ModeHitAcknowledge) Deliver(0, moved);
      if (script[i] == 'H') moved = !moved;
      shell_.clock = start_ + static_cast<std::uint32_t>(i + 1);
      Deliver(static_cast<int>(i + 1), moved);
    }
    if (Doc().runOpen()) Doc().StopRun();
  }
  std::vector<int> RecordedSamples() const {
    std::vector<int> serials;
    for (const auto& frame : service_.recordedFrames()) serials.push_back(frame[0] | frame[1] << 8);
    return serials;
  }
  std::filesystem::path Recording(const char* extension) const {
    return folder_ / (Doc_().fileStem.data() + std::string(extension));
  }
  const CWatchpostDoc& Doc_() const { return *doc_; }

  std::filesystem::path cwd_;
  testing_support::TempFolder temp_{"reasons"};
  const std::filesystem::path& folder_ = temp_.path();
  framework::MemoryProfileStore profile_;
  testing_support::FakeCaptureService service_;
  testing::TestShell shell_;
  std::unique_ptr<CFileNamingDlg> naming_;
  std::unique_ptr<CWatchpostDoc> doc_;
  bool moved_ = false;  // the picture the camera shows now, kept from run to run
  const std::uint32_t start_ =
      static_cast<std::uint32_t>(testing_support::LocalTime(2001, 3, 5, 9, 7, 0));
};

struct ScriptCase {
  const char* name;
  int preEventFrames;
  int limit;
  const char* script;
  std::vector<int> samplesRecorded;  // in AVI order
};

TEST_F(RecordingReasonsTest, AviLogAndReasonsAgreeFrameForFrame) {
  const std::vector<ScriptCase> cases = {
      {"no frames kept", 0, 2000, "qqHqqH", {3, 6}},
      {"one kept before each hit", 1, 2000, "qqHqqH", {2, 3, 5, 6}},
      {"hit right after the start", 5, 2000, "Hqqqqqq", {1}},
      {"the start counts as quiet", 5, 2000, "qqH", {1, 2, 3}},
      {"five quiet samples after a hit",
       5,
       2000,
       "Hqqqqqqq"
       "H",
       {1, 4, 5, 6, 7, 8, 9}},
      {"hits within N samples", 3, 2000, "qqqqHqHqqH", {2, 3, 4, 5, 7, 10}},
      {"back-to-back hits", 1, 2000, "HHqH", {1, 2, 3, 4}},
      {"limit inside the kept frames", 5, 4, "qqqqqqHqH", {4, 5, 6, 7}},
      {"limit leaves the hit alone", 5, 1, "qqqH", {4}},
  };
  for (const ScriptCase& c : cases) {
    SCOPED_TRACE(c.name);
    Doc().PreEventFrames = c.preEventFrames;
    Doc().Limit = c.limit;
    service_.clearCalls();
    const std::size_t before = service_.recordedFrames().size();
    Run(c.script);
    std::vector<int> recorded = RecordedSamples();
    recorded.erase(recorded.begin(), recorded.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(recorded, c.samplesRecorded);

    std::vector<std::string> log = Lines(Recording(".log"));
    ASSERT_GE(log.size(), 14u);
    log.resize(log.size() - 14);  // the settings lines
    ASSERT_EQ(log.size(), recorded.size()) << "a log line per AVI frame";
    const std::vector<std::string> csv = Lines(Recording(".csv"));
    ASSERT_EQ(csv.size(), recorded.size() + 1) << "a header and a row per AVI frame";
    EXPECT_EQ(csv[0] + "\r\n", kReasonsHeader);
    for (std::size_t i = 0; i < recorded.size(); ++i) {
      // Each frame carries the time its sample was taken, a second per sample.
      char time[kTimeTextChars + 1];
      FormatTimeText(start_ + static_cast<std::uint32_t>(recorded[i]), time);
      EXPECT_EQ(log[i], "Frame# " + std::to_string(i + 1) + " " + time);
      const std::vector<std::string> row = Fields(csv[i + 1]);
      ASSERT_EQ(row.size(), 8u) << csv[i + 1];
      EXPECT_EQ(row[0], std::to_string(i + 1));
      const bool hit = c.script[recorded[i] - 1] == 'H';
      EXPECT_EQ(row[2], hit ? "hit" : "before") << "frame " << i + 1;
      // A hit changed every byte but the serial's; a quiet sample at most the serial's two.
      EXPECT_EQ(std::stoll(row[3]) > 2, hit) << csv[i + 1];
      EXPECT_EQ(row[4], "40");
      EXPECT_EQ(row[5], "200");
      EXPECT_EQ(row[6], "whole");
      EXPECT_EQ(row[7], "250");
      if (i > 0) {
        EXPECT_LT(Fields(csv[i])[1], row[1]) << "times in order";
      }
    }
  }
}

TEST_F(RecordingReasonsTest, WithTheDefaultsTheRecordingIsTheHitsAloneAndTheReasonsAreWritten) {
  Run("qqHqqH");
  EXPECT_EQ(RecordedSamples(), (std::vector<int>{3, 6}));
  EXPECT_EQ(service_.count("appendFrame"), 0u);
  const std::vector<std::string> csv = Lines(Recording(".csv"));
  ASSERT_EQ(csv.size(), 3u);
  // The whole count of a hit, not the count the detector stopped at: every byte but the two of
  // the sample's number changed.
  EXPECT_EQ(Fields(csv[1])[3], std::to_string(kFrameBytes - 2));
}

TEST_F(RecordingReasonsTest, WithoutReasonsThereIsNoCsvAndTheZoneIsWrittenWhenSet) {
  Doc().WriteReasons = 0;
  Run("qH");
  EXPECT_TRUE(std::filesystem::exists(Recording(".log")));
  EXPECT_FALSE(std::filesystem::exists(Recording(".csv")));

  Doc().WriteReasons = 1;
  Doc().ZoneSet = 1;
  Doc().ZoneLeft = 0.25f;
  Doc().ZoneRight = 0.75f;
  Doc().ZoneTop = 0.5f;
  Doc().ZoneBottom = 1.0f;
  Doc().detector().ComputeZoneBounds();
  Run("qH");
  const std::vector<std::string> csv = Lines(Recording(".csv"));
  ASSERT_EQ(csv.size(), 2u);
  EXPECT_EQ(Fields(csv[1])[6], "0.25 0.75 0.5 1");
}

TEST_F(RecordingReasonsTest, RowsReachTheDiskAsTheRunGoes) {
  Doc().PreEventFrames = 2;
  Doc().StartRun();
  Deliver(1, false);
  Deliver(2, false);
  Deliver(3, true);  // the hit, with the two before it
  // What a killed program leaves: the file as it stands, every row of the frames so far.
  const std::vector<std::string> csv = Lines(Recording(".csv"));
  ASSERT_EQ(csv.size(), 4u);
  EXPECT_EQ(Fields(csv[1])[2], "before");
  EXPECT_EQ(Fields(csv[3])[2], "hit");
  Doc().StopRun();
}

TEST_F(RecordingReasonsTest, SettingsAreLoadedClampedAndSaved) {
  profile_.seedText("Settings", "PreEventFrames", "25");
  profile_.seedText("Settings", "WriteReasons", "0");
  EXPECT_EQ(Doc().PreEventFrames, 10);
  EXPECT_EQ(Doc().WriteReasons, 0);
  Doc().PreEventFrames = 3;
  doc_.reset();
  EXPECT_EQ(profile_.GetProfileInt("Settings", "PreEventFrames", -1), 3);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "WriteReasons", -1), 0);
}

TEST_F(RecordingReasonsTest, TheRecordingDialogSetsBothAndRefusesCountsOutOfRange) {
  Doc().PreEventFrames = 2;
  testing_support::ModalScript script;
  script
      .expectDialog<CRecordingDlg>([](CRecordingDlg& d) {
        auto* edit = d.GetDlgItemAs<QLineEdit>(res::IDC_PRE_EVENT_FRAMES);
        auto* box = d.GetDlgItemAs<QCheckBox>(res::IDC_WRITE_REASONS);
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(edit->text(), "2");
        EXPECT_TRUE(box->isChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        for (const char* text : {"11", "-1", "4"}) {
          edit->selectAll();
          QTest::keyClicks(edit, text);
          QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDOK), Qt::LeftButton);
        }
      })
      .expectMessage("Please enter an integer between 0 and 10.")
      .expectMessage("Please enter an integer between 0 and 10.");
  EXPECT_TRUE(Doc().RunCommand(cmd::Recording));
  EXPECT_EQ(Doc().PreEventFrames, 4);
  EXPECT_EQ(Doc().WriteReasons, 0);

  testing_support::ModalScript cancelled;
  cancelled.expectDialog<CRecordingDlg>([](CRecordingDlg& d) {
    d.GetDlgItemAs<QLineEdit>(res::IDC_PRE_EVENT_FRAMES)->selectAll();
    QTest::keyClicks(d.GetDlgItemAs<QLineEdit>(res::IDC_PRE_EVENT_FRAMES), "9");
    QTest::mouseClick(d.GetDlgItemAs<QPushButton>(framework::IDCANCEL), Qt::LeftButton);
  });
  EXPECT_TRUE(Doc().RunCommand(cmd::Recording));
  EXPECT_EQ(Doc().PreEventFrames, 4);
}

}  // namespace
}  // namespace watchpost
