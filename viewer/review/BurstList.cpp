#include "viewer/review/BurstList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "platform/base/Text.h"
#include "resources/CasebookTexts.h"
#include "viewer/review/Bursts.h"

namespace casebook::review {
namespace {

// A row's picture before its own comes, and where none can be had.
QPixmap Placeholder(bool failed) {
  QPixmap pixmap(BurstList::kPictureWidth, BurstList::kPictureHeight);
  pixmap.fill(QColor(128, 128, 192));  // the empty picture area's colour
  if (failed) {
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(200, 0, 0), 2));
    painter.drawLine(8, 8, pixmap.width() - 8, pixmap.height() - 8);
    painter.drawLine(pixmap.width() - 8, 8, 8, pixmap.height() - 8);
  }
  return pixmap;
}

// The picture centred on a placeholder-sized tile, so every row's text starts at one place.
QPixmap Tile(const QImage& picture) {
  QPixmap tile(BurstList::kPictureWidth, BurstList::kPictureHeight);
  tile.fill(Qt::black);
  QPainter painter(&tile);
  painter.drawImage((tile.width() - picture.width()) / 2, (tile.height() - picture.height()) / 2,
                    picture);
  return tile;
}

}  // namespace

BurstList::BurstList(std::function<void(int)> goTo, QWidget* parent)
    : QWidget(parent),
      goTo_(std::move(goTo)),
      title_(new QLabel(QString::fromUtf8(res::text::kBurstListTitle), this)),
      rows_(new QListWidget(this)),
      worker_(QSize(kPictureWidth, kPictureHeight),
              [this](int key, const QImage& picture, const std::string& error) {
                Delivered(key, picture, error);
              }) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(2);
  layout->addWidget(title_);
  layout->addWidget(rows_);
  rows_->setIconSize(QSize(kPictureWidth, kPictureHeight));
  rows_->setUniformItemSizes(true);
  rows_->setSelectionMode(QAbstractItemView::SingleSelection);
  rows_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(rows_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { goTo_(rows_->row(item)); });
  connect(rows_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { goTo_(rows_->row(item)); });
  // Enter is a key of the window's table (Stop/Start); on the list it is the list's. Filters of
  // the application run last installed first, so this one comes before the table's.
  qApp->installEventFilter(this);
  connect(rows_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { RequestRowsInSight(); });
}

BurstList::~BurstList() = default;

void BurstList::SetRecording(const std::string& videoPath, const std::vector<Burst>& bursts) {
  worker_.SetFile(videoPath);
  bursts_ = bursts;
  // A hidden list costs nothing: its rows are made when it is first shown.
  filled_ = false;
  if (!isHidden()) Fill();
}

void BurstList::Fill() {
  filled_ = true;
  requested_.assign(bursts_.size(), false);
  pictured_ = 0;
  rows_->clear();
  const QIcon placeholder(Placeholder(false));
  for (const Burst& burst : bursts_) {
    rows_->addItem(new QListWidgetItem(placeholder, QString::fromStdString(BurstRowText(burst))));
  }
  RequestRowsInSight();
}

void BurstList::SetCurrent(int burst) {
  if (!filled_) return;
  if (burst < 0 || burst >= rows_->count()) {
    rows_->clearSelection();
    return;
  }
  if (rows_->currentRow() != burst) rows_->setCurrentRow(burst);
  rows_->scrollToItem(rows_->item(burst));
}

void BurstList::ActivateCurrent() {
  const int row = rows_->currentRow();
  if (row >= 0 && row < static_cast<int>(bursts_.size())) goTo_(row);
}

bool BurstList::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride && watched == rows_) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      event->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void BurstList::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!filled_) Fill();
  RequestRowsInSight();
}

void BurstList::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  RequestRowsInSight();
}

void BurstList::RequestRowsInSight() {
  if (isHidden() || rows_->count() == 0) return;
  const QRect sight = rows_->viewport()->rect();
  const QModelIndex topIndex = rows_->indexAt(sight.topLeft());
  const int top = topIndex.isValid() ? topIndex.row() : 0;
  const QModelIndex bottomIndex = rows_->indexAt(QPoint(0, sight.bottom()));
  // Rows not laid out yet: as many as a panel holds.
  const int bottom =
      bottomIndex.isValid() ? bottomIndex.row() : std::min(rows_->count() - 1, top + kRowsAtOnce);
  // Bottom first: the worker takes the newest request first, so the top row comes first.
  for (int row = bottom; row >= top; --row) {
    if (requested_[static_cast<std::size_t>(row)]) continue;
    requested_[static_cast<std::size_t>(row)] = true;
    worker_.Request(row, bursts_[static_cast<std::size_t>(row)].first);
  }
}

void BurstList::Delivered(int row, const QImage& picture, const std::string& error) {
  QListWidgetItem* item = rows_->item(row);
  if (item == nullptr) return;
  if (picture.isNull()) {
    item->setIcon(QIcon(Placeholder(true)));
    item->setToolTip(QString::fromStdString(
        base::FillIn(res::text::kThumbnailFailure,
                     {std::to_string(bursts_[static_cast<std::size_t>(row)].first + 1), error})));
    return;
  }
  item->setIcon(QIcon(Tile(picture)));
  ++pictured_;
}

}  // namespace casebook::review
