// Casebook on real recordings, made with Watchpost's own AVI writer and event log: the recording
// maker and the fixture that starts the program.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/StatusBar.h"
#include "platform/video/FrameFormat.h"
#include "resources/CasebookResources.h"
#include "tests/support/TempFolder.h"
#include "viewer/app/CasebookApp.h"
#include "viewer/app/MainFrame.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/view/CasebookView.h"

namespace casebook {

namespace fs = std::filesystem;

inline constexpr int kWidth = 32, kHeight = 24;
inline constexpr std::uint32_t kFirstCapture = 983'360'000;  // a Sunday in 2001

// Frame k is filled with the value 10 * k + 5, so the picture on the screen names its frame.
inline int FrameShown(const CCasebookDoc& doc) {
  if (doc.currentPicture == nullptr) return -1;
  const auto* pixels = reinterpret_cast<const std::uint8_t*>(doc.currentPicture) + 40;
  return static_cast<int>(std::lround((pixels[0] - 5) / 10.0));  // lossy codecs shift it a little
}

// An AVI of `frames` frames of width x height at 1,000,000 / usPerFrame frames a second, and
// (unless `logLines` is negative) its log with that many frame lines and the settings lines.
inline void MakeRecording(const std::filesystem::path& stem, int frames, int logLines,
                          std::uint32_t usPerFrame = 250000,
                          const avi::Compressor& compressor = avi::UncompressedDib(),
                          int width = kWidth, int height = kHeight) {
  avi::AviWriter writer;
  std::string error;
  const video::BitmapInfo info = video::ToBitmapInfo({width, height, 24});
  ASSERT_TRUE(writer.open(stem.string() + ".avi", info.bmiHeader, usPerFrame, compressor, 0, error))
      << error;
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 3);
  for (int k = 0; k < frames; ++k) {
    std::fill(frame.begin(), frame.end(), static_cast<std::uint8_t>(10 * k + 5));
    ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
  }
  ASSERT_TRUE(writer.close(error)) << error;
  if (logLines < 0) return;
  std::vector<std::uint32_t> times;
  for (int k = 0; k < logLines; ++k) times.push_back(kFirstCapture + static_cast<std::uint32_t>(k));
  std::ofstream(stem.string() + ".log", std::ios::binary)
      << watchpost::EventLogText(times.data(), logLines, watchpost::CaptureSettings{});
}

class CasebookTest : public ::testing::Test {
 protected:
  void Start() {
    app_ = std::make_unique<CCasebookApp>(profile_);
    ASSERT_TRUE(app_->InitInstance({}));
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Frame()));
  }
  CMainFrame& Frame() { return *app_->mainFrame(); }
  CCasebookView& View() { return *app_->view(); }
  CCasebookDoc& Doc() { return *app_->document(); }
  fs::path In(const std::string& name) const { return temp_.path() / name; }
  bool Open(const fs::path& path) { return app_->OpenDocumentFile(path.string()); }
  // The view paints, as the screen would ask it to: the texts follow the position then.
  std::string EntryShown() {
    View().repaint();
    return View().GetDlgItemText(res::IDC_ENTRY);
  }
  std::string Status() { return Frame().statusBar()->GetPaneText(0); }
  bool Enabled(int id) { return app_->router().query(id).enabled; }

  testing_support::TempFolder temp_{"casebook"};
  framework::MemoryProfileStore profile_;
  std::unique_ptr<CCasebookApp> app_;
};

}  // namespace casebook
