#include "viewer/view/CasebookView.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>

#include "platform/framework/DataExchange.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/TrackbarCodes.h"
#include "resources/CasebookResources.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/review/ThumbnailWorker.h"

namespace casebook {
namespace {

using namespace res;

const QColor kEmptyPicture(128, 128, 192);

// A packed bottom-up 24-bit DIB as an image over its own pixels (no copy), rows as stored.
QImage StoredRows(const video::BitmapInfoHeader& header) {
  const auto* pixels = reinterpret_cast<const uchar*>(&header) + header.biSize;
  const int width = header.biWidth;
  const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  const qsizetype stride = (static_cast<qsizetype>(width) * 3 + 3) & ~qsizetype{3};
  return QImage(pixels, width, height, stride, QImage::Format_BGR888);
}

}  // namespace

CCasebookView::CCasebookView(CCasebookDoc& document, std::function<void()> stopStart,
                             QWidget* parent)
    : CFormView(kCasebookForm, parent),
      speedDialog(this),
      document_(document),
      stopStart_(std::move(stopStart)) {
  document_.AddView(this);
  OnScrollCode(IDC_SLIDER, [this](int code) { OnHScroll(code); });
  // A recording narrower than the band scrolls the band; its scroll bar moves the recording
  // as the slider does, the way the band's own scroll messages always have.
  SetHorizontalScroll(true);
  OnViewScrollCode([this](int code) { OnHScroll(code); });
  OnCommand(cmd::Speed, [this] { OnSpeed(); });
  OnCommand(framework::ID_EDIT_COPY, [this] { OnEditCopy(); });
  // The picture is painted whole by paintEvent; nothing to clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

CCasebookView::~CCasebookView() { document_.RemoveView(this); }

void CCasebookView::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_TOTAL, totalText);
  framework::DDX_Text(dx, IDC_ENTRY, entryText);
}

void CCasebookView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  auto* slider = GetDlgItemAs<QSlider>(IDC_SLIDER);
  if (document_.recordingOpen) {
    drawing_ = true;
    const int last = document_.lastFrame;
    SetBarRange(IDC_SLIDER, 0, last);
    if (slider != nullptr) {
      slider->setPageStep(last / 20 == 0 ? 2 : last / 20 + 1);
      slider->setSingleStep(1);
    }
    totalText = std::to_string(last + 1);
    UpdateData(false);
  } else {
    drawing_ = false;
    SetBarRange(IDC_SLIDER, 0, 1000);
    SetBarPos(IDC_SLIDER, 0);
    if (slider != nullptr) {
      slider->setTickInterval(50);
      slider->setPageStep(50);
      slider->setSingleStep(1);
    }
  }
  update();
}

void CCasebookView::OnUpdate(framework::CView*, framework::UpdateHint hint) {
  if (hint.has(framework::Change::Position)) SetBarPos(IDC_SLIDER, document_.position);
  update();
}

void CCasebookView::DropPicture() {
  drawing_ = false;
  update();
}

void CCasebookView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The band behind the controls.
  painter.fillRect(QRect(0, 0, width(), kBandHeight), palette().window());
  DrawPicture(painter);
  reasonShown_.clear();
  if (!drawing_) return;
  DrawReason(painter);
  // The texts follow the position whenever the picture is painted.
  entryText = PositionEntry();
  if (document_.logLoaded && document_.position <= document_.lastFrame) {
    SetBarPos(IDC_SLIDER, document_.position);
  }
  UpdateData(false);
}

std::string CCasebookView::PositionEntry() const {
  if (!document_.logLoaded) return res::text::kLogReady;
  if (document_.position > document_.lastFrame) return res::text::kEndOfAvi;
  // The line end the log's line keeps would start a second, empty line in the label.
  std::string entry = document_.Entry(document_.position);
  while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
  return entry;
}

void CCasebookView::DrawPicture(QPainter& painter) {
  const QRect client = clientRect();
  const QRect area(0, kBandHeight, client.width(), std::max(client.height() - kBandHeight, 0));
  const video::BitmapInfoHeader* picture = document_.currentPicture;
  if (!drawing_ || picture == nullptr) {
    painter.fillRect(area, kEmptyPicture);
    return;
  }
  const QImage rows = StoredRows(*picture);
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  // Bottom-up rows: the first row in memory is the bottom of the picture.
  if (picture->biHeight > 0) {
    painter.translate(0, area.top() + area.bottom() + 1);
    painter.scale(1, -1);
  }
  painter.drawImage(area, rows);
  painter.restore();
  const FrameReason* reason = document_.PictureReason();
  if (document_.showZone && reason != nullptr && !reason->wholeFrame) {
    DrawZone(painter, area, *reason);
  }
}

void CCasebookView::DrawZone(QPainter& painter, const QRect& area, const FrameReason& reason) {
  const auto x = [&](float f) { return area.left() + qRound(f * area.width()); };
  const auto y = [&](float f) { return area.top() + qRound(f * area.height()); };
  const QRect zone = QRect(QPoint(x(reason.zoneLeft), y(reason.zoneTop)),
                           QPoint(x(reason.zoneRight) - 1, y(reason.zoneBottom) - 1))
                         .normalized();
  // A light line on a dark one: seen over any picture.
  painter.save();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0, 0, 0, 160), 3));
  painter.drawRect(zone.adjusted(1, 1, -1, -1));
  painter.setPen(QPen(QColor(255, 220, 0), 1));
  painter.drawRect(zone.adjusted(1, 1, -1, -1));
  painter.restore();
}

void CCasebookView::DrawReason(QPainter& painter) {
  const FrameReason* reason = document_.PictureReason();
  if (reason == nullptr) return;
  std::string& text = reasonShown_;
  text = "Frame ";
  text += std::to_string(document_.pictureIndex + 1);
  text += ": ";
  text += ReasonText(*reason);
  painter.setPen(palette().color(QPalette::WindowText));
  int right = width() - kReasonLeft;
  if (reasonNeighbour_ != nullptr && !reasonNeighbour_->isHidden() &&
      reasonNeighbour_->x() > 2 * kReasonLeft) {
    right = std::min(right, reasonNeighbour_->x() - kReasonLeft);
  }
  const QRect line(kReasonLeft, kReasonTop, std::max(right - kReasonLeft, 0),
                   kBandHeight - kReasonTop);
  painter.drawText(
      line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
      painter.fontMetrics().elidedText(QString::fromStdString(text), Qt::ElideRight, line.width()));
}

void CCasebookView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->position().y() > kBandHeight && stopStart_) {
    stopStart_();
  }
  CFormView::mousePressEvent(event);
}

void CCasebookView::OnHScroll(int code) {
  switch (code) {
    case framework::TB_LINEUP:
      document_.StepBack();
      // The end of the move that follows reads the slider: it must hold the step's position.
      SetBarPos(IDC_SLIDER, document_.position);
      break;
    case framework::TB_LINEDOWN:
      document_.StepForward();
      SetBarPos(IDC_SLIDER, document_.position);
      break;
    case framework::TB_PAGEUP:
    case framework::TB_PAGEDOWN:
    case framework::TB_THUMBPOSITION:
    case framework::TB_ENDTRACK:
      document_.position = GetBarPos(IDC_SLIDER);
      document_.ShowPosition();
      break;
    default: break;  // the picture follows when the drag or the key ends
  }
}

void CCasebookView::OnSpeed() {
  speedDialog.document = &document_;
  speedDialog.rate = document_.playbackRate;
  speedDialog.overrideCheck = document_.overrideRate ? 1 : 0;
  speedDialog.DoModal();
  document_.playbackRate = speedDialog.rate;
  document_.overrideRate = speedDialog.overrideCheck != 0;
}

void CCasebookView::OnEditCopy() {
  if (!drawing_ || document_.currentPicture == nullptr) return;
  const video::BitmapInfoHeader& picture = *document_.currentPicture;
  // The picture for an image editor (upright, in an image of its own), its log line for a
  // report.
  auto* data = new QMimeData;
  data->setImageData(review::DibToImage(&picture));
  data->setText(QString::fromStdString(PositionEntry()));
  QGuiApplication::clipboard()->setMimeData(data);
}

}  // namespace casebook
