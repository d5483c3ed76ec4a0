#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "platform/avi/AviWriter.h"
#include "platform/camera/VideoDriver.h"

class QComboBox;
class QLabel;
class QSlider;
class QWidget;

namespace camera {

// Chooses the frame size and depth of a driver. A choice the capture program could not
// examine, or one the driver refuses, keeps the dialog open with the reason.
class VideoFormatDialog : public QDialog {
 public:
  // Sizes that make frames larger than maxFrameBytes are refused.
  VideoFormatDialog(VideoDriver& driver, std::size_t maxFrameBytes, QWidget* parent);
  QComboBox* sizes() const { return sizes_; }
  QComboBox* depths() const { return depths_; }
  QString message() const;
  void accept() override;

 private:
  VideoDriver& driver_;
  std::size_t maxFrameBytes_;
  std::vector<FrameSize> frameSizes_;
  QComboBox* sizes_;
  QComboBox* depths_;
  QLabel* message_;
};

// The driver's own settings: camera controls and inputs, or what the virtual camera shows.
// OK applies every setting that changed; one the driver refuses keeps the dialog open.
class VideoSourceDialog : public QDialog {
 public:
  VideoSourceDialog(VideoDriver& driver, QWidget* parent);
  // The editor of a control, found by the control's id: a QSlider, QCheckBox, QComboBox or
  // QLineEdit; null when the driver has no such control.
  QWidget* editor(std::uint32_t controlId) const;
  QString message() const;
  void accept() override;

 private:
  struct Editor {
    DriverControl control;
    QWidget* widget;
  };
  VideoDriver& driver_;
  std::vector<Editor> editors_;
  QLabel* message_;
};

// What one hit is expected to cost the UI thread (detection, append, log line) with `codec` at
// `format`; negative for a compressor that was never measured.
double EstimatedHitMs(const std::string& codec, const FrameFormat& format);

// Chooses how recordings are compressed. A compressor expected to take longer than `budgetMs`
// a frame at `format` says so in its entry; it can still be chosen.
class CompressionDialog : public QDialog {
 public:
  CompressionDialog(std::vector<avi::Compressor> compressors, const avi::Compressor& current,
                    const FrameFormat& format, int budgetMs, QWidget* parent);
  QComboBox* list() const { return list_; }
  QSlider* quality() const { return quality_; }
  avi::Compressor chosen() const;

 private:
  void updateQuality();
  std::vector<avi::Compressor> compressors_;
  QComboBox* list_;
  QSlider* quality_;
  QLabel* qualityLabel_;
};

}  // namespace camera
