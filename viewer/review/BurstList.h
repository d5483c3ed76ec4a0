#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "viewer/review/LogTimeline.h"
#include "viewer/review/ThumbnailWorker.h"

class QListWidget;
class QLabel;

namespace casebook::review {

// The panel beside the picture that lists a recording's bursts: start, length, frames and a
// small picture of the first frame. The rows are there at once with placeholders; the pictures
// follow from a worker thread as the rows come into sight, never holding up the UI. A click on a
// row, or Enter on it, goes to its burst.
class BurstList : public QWidget {
 public:
  explicit BurstList(std::function<void(int burst)> goTo, QWidget* parent = nullptr);
  ~BurstList() override;

  // The bursts of the recording in `videoPath`; an empty list for none.
  void SetRecording(const std::string& videoPath, const std::vector<Burst>& bursts);
  // The row of the burst the position is in, selected without going there; -1 for none.
  void SetCurrent(int burst);
  // Goes to the burst of the current row, as Enter on it does.
  void ActivateCurrent();

  QListWidget& rows() const { return *rows_; }
  // Rows whose picture has come.
  int PicturesShown() const { return pictured_; }

  static constexpr int kWidth = 210;
  static constexpr int kPictureWidth = 64, kPictureHeight = 48;
  static constexpr int kRowsAtOnce = 16;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // The rows, each with its placeholder.
  void Fill();
  // Asks for the pictures of the rows in sight that have none yet.
  void RequestRowsInSight();
  void Delivered(int row, const QImage& picture, const std::string& error);

  std::function<void(int)> goTo_;
  QLabel* title_;
  QListWidget* rows_;
  std::vector<Burst> bursts_;
  std::vector<bool> requested_;
  int pictured_ = 0;
  bool filled_ = true;
  ThumbnailWorker worker_;
};

}  // namespace casebook::review
