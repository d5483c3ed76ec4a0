// The Video Format, Video Source and Compression dialogs, answered through the modal hook.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <unistd.h>
#include <filesystem>
#include <memory>

#include "platform/camera/window/CaptureDialogs.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/Modal.h"
#include "tests/support/FakeVideoDriver.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

using testing_support::FakeVideoDriver;

DriverControl Control(std::uint32_t id, const char* name, DriverControl::Kind kind, int maximum,
                      int value, std::vector<std::string> items = {}) {
  DriverControl c;
  c.id = id;
  c.name = name;
  c.kind = kind;
  c.maximum = maximum;
  c.value = c.defaultValue = value;
  c.menuItems = std::move(items);
  return c;
}

class CaptureDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::unique_ptr<VideoDriver>> drivers;
    auto fake = std::make_unique<FakeVideoDriver>();
    camera_ = fake.get();
    drivers.push_back(std::move(fake));
    service_ = std::make_unique<QtCaptureService>(kMaxFrameBytes, std::move(drivers));
    window_ = service_->createCaptureWindow("WardenCam", 0, QRect(0, 0, 64, 48), nullptr, 0);
    ASSERT_TRUE(window_->driverConnect(0));
  }
  void TearDown() override { framework::SetModalHook({}); }

  // Answers the next dialog with `answer`, which gets the dialog while it is shown.
  template <class Dialog, class Script>
  void Answer(Script answer) {
    framework::SetModalHook([answer](QDialog& d) {
      auto* dialog = dynamic_cast<Dialog*>(&d);
      if (dialog == nullptr) return int{QDialog::Rejected};
      answer(*dialog);
      return dialog->result();
    });
  }

  std::unique_ptr<QtCaptureService> service_;
  FakeVideoDriver* camera_ = nullptr;
  CaptureWindowRef window_;
};

TEST_F(CaptureDialogsTest, TheFormatDialogSetsTheChosenSizeAndDepth) {
  Answer<VideoFormatDialog>([](VideoFormatDialog& d) {
    d.sizes()->setCurrentIndex(d.sizes()->findText("320 x 240"));
    d.depths()->setCurrentIndex(1);
    d.accept();
  });
  EXPECT_TRUE(window_->dlgVideoFormat());
  EXPECT_EQ(camera_->format(), (FrameFormat{320, 240, 32}));
}

TEST_F(CaptureDialogsTest, AFormatTooLargeToExamineIsRefusedInTheDialog) {
  QString message;
  bool stayedOpen = false;
  Answer<VideoFormatDialog>([&](VideoFormatDialog& d) {
    d.sizes()->setCurrentIndex(d.sizes()->findText("1600 x 1024"));
    d.depths()->setCurrentIndex(1);  // 32 bits: 6,553,600 bytes
    d.accept();
    message = d.message();
    stayedOpen = d.result() != QDialog::Accepted;
    d.depths()->setCurrentIndex(0);  // 24 bits fits exactly
    d.accept();
  });
  EXPECT_TRUE(window_->dlgVideoFormat());
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(message.contains("4915200")) << message.toStdString();
  EXPECT_EQ(camera_->format(), (FrameFormat{1600, 1024, 24}));
}

TEST_F(CaptureDialogsTest, AFormatTheDriverRefusesKeepsTheDialogOpenWithItsReason) {
  camera_->refuseSettings("Invalid argument");
  QString message;
  Answer<VideoFormatDialog>([&](VideoFormatDialog& d) {
    d.accept();
    message = d.message();
    d.reject();
  });
  EXPECT_FALSE(window_->dlgVideoFormat());
  EXPECT_TRUE(message.contains("Invalid argument"));
}

TEST_F(CaptureDialogsTest, TheFormatCannotChangeUnderAnOpenRecording) {
  std::vector<int> errors;
  window_->setCallbackError([&](int id, const std::string&) { errors.push_back(id); });
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("corvane-dialog-" + std::to_string(::getpid()) + ".avi"))
                               .string();
  window_->fileSetCaptureFile(path);
  ASSERT_TRUE(window_->singleFrameOpen());
  bool shown = false;
  Answer<VideoFormatDialog>([&](VideoFormatDialog& d) {
    shown = true;
    d.accept();
  });
  EXPECT_FALSE(window_->dlgVideoFormat());
  EXPECT_FALSE(shown);
  EXPECT_EQ(errors, (std::vector<int>{kFormatErrorId}));
  window_->singleFrameClose();
  std::filesystem::remove(path);
}

TEST_F(CaptureDialogsTest, ASourceThatStopsAfterAChangeIsReportedWithTheReason) {
  std::vector<std::pair<int, std::string>> errors;
  window_->setCallbackError(
      [&](int id, const std::string& text) { errors.emplace_back(id, text); });
  camera_->setControls(
      {Control(3, "Input", DriverControl::Kind::Menu, 1, 0, {"Camera", "S-Video"})});
  camera_->refuseSettings("Device or resource busy", /*stops=*/true);
  Answer<VideoSourceDialog>([](VideoSourceDialog& d) {
    static_cast<QComboBox*>(d.editor(3))->setCurrentIndex(1);
    d.accept();
    d.reject();
  });
  EXPECT_FALSE(window_->dlgVideoSource());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].first, kSourceLostErrorId);
  EXPECT_NE(errors[0].second.find("Device or resource busy"), std::string::npos);
  EXPECT_EQ(QtCaptureService::widget(window_)->driver(), nullptr);
}

TEST_F(CaptureDialogsTest, TheSourceDialogAppliesOnlyTheSettingsThatChanged) {
  camera_->setControls({Control(1, "Brightness", DriverControl::Kind::Integer, 255, 128),
                        Control(2, "Mirror", DriverControl::Kind::Boolean, 1, 0),
                        Control(3, "Input", DriverControl::Kind::Menu, 1, 0, {"Camera", "S-Video"}),
                        Control(4, "Replay video file", DriverControl::Kind::Path, 0, 0)});
  Answer<VideoSourceDialog>([](VideoSourceDialog& d) {
    static_cast<QSlider*>(d.editor(1))->setValue(200);
    static_cast<QComboBox*>(d.editor(3))->setCurrentIndex(1);
    static_cast<QLineEdit*>(d.editor(4))->setText("/tmp/clip.avi");
    d.accept();
  });
  EXPECT_TRUE(window_->dlgVideoSource());
  ASSERT_EQ(camera_->settings().size(), 3u);
  EXPECT_EQ(camera_->settings()[0].id, 1u);
  EXPECT_EQ(camera_->settings()[0].value, 200);
  EXPECT_EQ(camera_->settings()[1].id, 3u);
  EXPECT_EQ(camera_->settings()[1].value, 1);
  EXPECT_EQ(camera_->settings()[2].text, "/tmp/clip.avi");
}

TEST_F(CaptureDialogsTest, TheCompressionDialogReturnsNonzeroOnlyWhenAChoiceWasMade) {
  Answer<CompressionDialog>([](CompressionDialog& d) { d.reject(); });
  EXPECT_FALSE(window_->dlgVideoCompression(60));
  EXPECT_EQ(QtCaptureService::widget(window_)->compressor().codec, avi::UncompressedDib().codec);

  const auto compressors = avi::AvailableCompressors();
  ASSERT_FALSE(compressors.empty());
  EXPECT_EQ(compressors.front().codec, avi::UncompressedDib().codec);
  int withQuality = -1;
  for (std::size_t i = 0; i < compressors.size(); ++i) {
    if (compressors[i].hasQuality) withQuality = static_cast<int>(i);
  }
  ASSERT_GE(withQuality, 0) << "Motion JPEG or MPEG-4 should be offered";
  Answer<CompressionDialog>([withQuality](CompressionDialog& d) {
    d.list()->setCurrentIndex(withQuality);
    d.quality()->setValue(40);
    d.accept();
  });
  EXPECT_TRUE(window_->dlgVideoCompression(60));
  EXPECT_EQ(QtCaptureService::widget(window_)->compressor().codec,
            compressors[static_cast<std::size_t>(withQuality)].codec);
  EXPECT_EQ(QtCaptureService::widget(window_)->compressor().quality, 40);
}

TEST(CompressionDialogTest, OnlyACompressorTooSlowForTheFormatIsMarkedAndItCanStillBeChosen) {
  const std::vector<avi::Compressor> compressors = avi::AvailableCompressors();
  for (const auto& [format, slow] : {std::pair{FrameFormat{640, 480, 24}, ""},
                                     std::pair{FrameFormat{0, 0, 24}, ""},  // no source yet
                                     std::pair{FrameFormat{2048, 1536, 24}, "ffv1"}}) {
    CompressionDialog dialog(compressors, avi::UncompressedDib(), format, 60, nullptr);
    const QString mark =
        QString("\u2014 too slow for %1 x %2 at 60 ms").arg(format.width).arg(format.height);
    for (int i = 0; i < dialog.list()->count(); ++i) {
      const avi::Compressor& c = compressors[static_cast<std::size_t>(i)];
      const QString text = dialog.list()->itemText(i);
      EXPECT_EQ(text.endsWith(mark), c.codec == slow) << text.toStdString();
      EXPECT_TRUE(text.startsWith(QString::fromStdString(c.displayName))) << text.toStdString();
      dialog.list()->setCurrentIndex(i);
      EXPECT_EQ(dialog.chosen().codec, c.codec);
    }
  }
}

}  // namespace
}  // namespace camera
