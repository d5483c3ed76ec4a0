#include "platform/camera/window/CaptureDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/video/FrameFormat.h"

namespace camera {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QLabel* MessageLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  label->setStyleSheet(QStringLiteral("color: #b00020"));
  label->hide();
  return label;
}

void ShowMessage(QLabel* label, const std::string& text) {
  label->setText(QString::fromStdString(text));
  label->setVisible(!text.empty());
}

// UI-thread milliseconds of one hit per megapixel: the median hit of capture_bench at
// 1600 x 1024 x 24 on the project's 2-core machine (docs/performance.md) over 1.6384. Good to
// 10-20 %: picture content and other load move them; FFV1's counts on both cores.
struct HitCost {
  const char* codec;
  double msPerMegapixel;
};
constexpr HitCost kHitCosts[] = {
    {"rawvideo", 1.13}, {"mjpeg", 6.92},   {"ffv1", 26.8},    {"mpeg4", 3.57},
    {"huffyuv", 5.94},  {"utvideo", 8.69}, {"libx264", 6.38},
};

}  // namespace

double EstimatedHitMs(const std::string& codec, const FrameFormat& format) {
  for (const HitCost& c : kHitCosts) {
    if (codec == c.codec) {
      return c.msPerMegapixel * format.width * format.height / 1e6;
    }
  }
  return -1;
}

VideoFormatDialog::VideoFormatDialog(VideoDriver& driver, std::size_t maxFrameBytes,
                                     QWidget* parent)
    : QDialog(parent),
      driver_(driver),
      maxFrameBytes_(maxFrameBytes),
      frameSizes_(driver.frameSizes()),
      sizes_(new QComboBox(this)),
      depths_(new QComboBox(this)),
      message_(MessageLabel(this)) {
  setWindowTitle(tr("Video Format"));
  const FrameFormat current = driver.format();
  if (std::find(frameSizes_.begin(), frameSizes_.end(), FrameSize{current.width, current.height}) ==
          frameSizes_.end() &&
      current.width > 0) {
    frameSizes_.insert(frameSizes_.begin(), FrameSize{current.width, current.height});
  }
  for (const FrameSize& size : frameSizes_) {
    sizes_->addItem(tr("%1 x %2").arg(size.width).arg(size.height));
    if (size.width == current.width && size.height == current.height) {
      sizes_->setCurrentIndex(sizes_->count() - 1);
    }
  }
  depths_->addItem(tr("24-bit RGB"), 24);
  depths_->addItem(tr("32-bit RGB"), 32);
  depths_->setCurrentIndex(current.bitCount == 32 ? 1 : 0);

  auto* form = new QFormLayout;
  form->addRow(tr("Frame size:"), sizes_);
  form->addRow(tr("Pixel depth:"), depths_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(message_);
  layout->addWidget(OkCancel(this));
}

QString VideoFormatDialog::message() const {
  return message_->isHidden() ? QString() : message_->text();
}

void VideoFormatDialog::accept() {
  const int index = sizes_->currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= frameSizes_.size()) {
    ShowMessage(message_, "The driver offers no frame size.");
    return;
  }
  const FrameFormat chosen{frameSizes_[static_cast<std::size_t>(index)].width,
                           frameSizes_[static_cast<std::size_t>(index)].height,
                           depths_->currentData().toInt()};
  const video::BitmapInfo info = video::ToBitmapInfo(chosen);
  FrameFormat parsed;
  std::string error;
  if (!video::ParseVideoFormat(reinterpret_cast<const std::uint8_t*>(&info), sizeof info,
                               maxFrameBytes_, parsed, error) ||
      !driver_.setFormat(parsed, error)) {
    ShowMessage(message_, error);
    return;
  }
  QDialog::accept();
}

VideoSourceDialog::VideoSourceDialog(VideoDriver& driver, QWidget* parent)
    : QDialog(parent), driver_(driver), message_(MessageLabel(this)) {
  setWindowTitle(tr("Video Source - %1").arg(QString::fromStdString(driver.name())));
  auto* form = new QFormLayout;
  for (const DriverControl& control : driver.controls()) {
    QWidget* widget = nullptr;
    switch (control.kind) {
      case DriverControl::Kind::Integer: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(control.minimum, control.maximum);
        slider->setSingleStep(std::max(control.step, 1));
        slider->setValue(control.value);
        auto* value = new QLabel(QString::number(control.value), this);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("-00000")));
        QObject::connect(slider, &QSlider::valueChanged, value,
                         [value](int v) { value->setNum(v); });
        auto* row = new QHBoxLayout;
        row->addWidget(slider, 1);
        row->addWidget(value);
        form->addRow(QString::fromStdString(control.name) + ':', row);
        widget = slider;
        break;
      }
      case DriverControl::Kind::Boolean: {
        auto* box = new QCheckBox(QString::fromStdString(control.name), this);
        box->setChecked(control.value != 0);
        form->addRow(QString(), box);
        widget = box;
        break;
      }
      case DriverControl::Kind::Menu: {
        auto* combo = new QComboBox(this);
        for (int v = control.minimum; v <= control.maximum; ++v) {
          const auto item = static_cast<std::size_t>(v - control.minimum);
          if (item < control.menuItems.size() && !control.menuItems[item].empty()) {
            combo->addItem(QString::fromStdString(control.menuItems[item]), v);
          }
        }
        combo->setCurrentIndex(std::max(combo->findData(control.value), 0));
        form->addRow(QString::fromStdString(control.name) + ':', combo);
        widget = combo;
        break;
      }
      case DriverControl::Kind::Path: {
        auto* edit = new QLineEdit(QString::fromStdString(control.text), this);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
        auto* browse = new QPushButton(tr("Browse..."), this);
        QObject::connect(browse, &QPushButton::clicked, this, [this, edit] {
          const QString file =
              QFileDialog::getOpenFileName(this, tr("Video file to replay"), edit->text());
          if (!file.isEmpty()) edit->setText(file);
        });
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(browse);
        form->addRow(QString::fromStdString(control.name) + ':', row);
        widget = edit;
        break;
      }
    }
    editors_.push_back({control, widget});
  }
  auto* layout = new QVBoxLayout(this);
  if (editors_.empty()) layout->addWidget(new QLabel(tr("This source has no settings."), this));
  layout->addLayout(form);
  layout->addWidget(message_);
  layout->addWidget(OkCancel(this));
}

QWidget* VideoSourceDialog::editor(std::uint32_t controlId) const {
  for (const Editor& e : editors_) {
    if (e.control.id == controlId) return e.widget;
  }
  return nullptr;
}

QString VideoSourceDialog::message() const {
  return message_->isHidden() ? QString() : message_->text();
}

void VideoSourceDialog::accept() {
  for (const Editor& e : editors_) {
    int value = e.control.value;
    std::string text = e.control.text;
    switch (e.control.kind) {
      case DriverControl::Kind::Integer: value = static_cast<QSlider*>(e.widget)->value(); break;
      case DriverControl::Kind::Boolean:
        value = static_cast<QCheckBox*>(e.widget)->isChecked() ? 1 : 0;
        break;
      case DriverControl::Kind::Menu:
        value = static_cast<QComboBox*>(e.widget)->currentData().toInt();
        break;
      case DriverControl::Kind::Path:
        text = static_cast<QLineEdit*>(e.widget)->text().toStdString();
        break;
    }
    if (value == e.control.value && text == e.control.text) continue;
    std::string error;
    if (!driver_.setControl(e.control.id, value, text, error)) {
      ShowMessage(message_, e.control.name + ": " + error);
      return;
    }
  }
  QDialog::accept();
}

CompressionDialog::CompressionDialog(std::vector<avi::Compressor> compressors,
                                     const avi::Compressor& current, const FrameFormat& format,
                                     int budgetMs, QWidget* parent)
    : QDialog(parent),
      compressors_(std::move(compressors)),
      list_(new QComboBox(this)),
      quality_(new QSlider(Qt::Horizontal, this)),
      qualityLabel_(new QLabel(this)) {
  setWindowTitle(tr("Video Compression"));
  for (const avi::Compressor& c : compressors_) {
    QString name = QString::fromStdString(c.displayName);
    if (EstimatedHitMs(c.codec, format) > budgetMs) {
      name = tr("%1 — too slow for %2 x %3 at %4 ms")
                 .arg(name)
                 .arg(format.width)
                 .arg(format.height)
                 .arg(budgetMs);
    }
    list_->addItem(name);
    if (c.codec == current.codec) list_->setCurrentIndex(list_->count() - 1);
  }
  quality_->setRange(1, 100);
  quality_->setValue(current.hasQuality ? current.quality : 75);
  QObject::connect(quality_, &QSlider::valueChanged, qualityLabel_,
                   [this](int v) { qualityLabel_->setNum(v); });
  QObject::connect(list_, &QComboBox::currentIndexChanged, this, [this] { updateQuality(); });
  qualityLabel_->setNum(quality_->value());

  auto* qualityRow = new QHBoxLayout;
  qualityRow->addWidget(quality_, 1);
  qualityRow->addWidget(qualityLabel_);
  auto* form = new QFormLayout;
  form->addRow(tr("Compressor:"), list_);
  form->addRow(tr("Quality:"), qualityRow);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(OkCancel(this));
  updateQuality();
}

void CompressionDialog::updateQuality() {
  const int index = list_->currentIndex();
  const bool has = index >= 0 && compressors_[static_cast<std::size_t>(index)].hasQuality;
  quality_->setEnabled(has);
  qualityLabel_->setEnabled(has);
}

avi::Compressor CompressionDialog::chosen() const {
  const int index = list_->currentIndex();
  avi::Compressor c =
      index >= 0 ? compressors_[static_cast<std::size_t>(index)] : avi::UncompressedDib();
  if (c.hasQuality) c.quality = quality_->value();
  return c;
}

}  // namespace camera
