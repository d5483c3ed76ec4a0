#include "viewer/review/ThumbnailWorker.h"

#include <cstdlib>
#include <cstring>

#include "platform/avi/AviReader.h"
#include "platform/video/Dib.h"

namespace casebook::review {

QImage DibToImage(const void* dib) {
  video::BitmapInfoHeader header;
  std::memcpy(&header, dib, sizeof header);
  const int width = header.biWidth;
  const int height = std::abs(header.biHeight);
  if (header.biBitCount != 24 || width <= 0 || height <= 0) return {};
  const auto* pixels = static_cast<const uchar*>(dib) + header.biSize;
  const qsizetype stride = (static_cast<qsizetype>(width) * 3 + 3) & ~qsizetype{3};
  QImage rows(pixels, width, height, stride, QImage::Format_BGR888);
  // Bottom-up rows: the first row in memory is the bottom of the picture.
  return header.biHeight > 0 ? rows.mirrored(false, true) : rows.copy();
}

ThumbnailWorker::ThumbnailWorker(QSize size, Delivery delivery)
    : size_(size), delivery_(std::move(delivery)), thread_([this] { Run(); }) {}

ThumbnailWorker::~ThumbnailWorker() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void ThumbnailWorker::SetFile(const std::string& videoPath) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    path_ = videoPath;
    jobs_.clear();
    ++generation_;
  }
  wake_.notify_all();
}

void ThumbnailWorker::Request(int key, std::int32_t frame) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back({key, frame});
  }
  wake_.notify_all();
}

void ThumbnailWorker::Run() {
  avi::AviReader reader;
  std::uint64_t openGeneration = 0;
  std::string openError;  // why the file of this generation cannot be read
  for (;;) {
    Job job{};
    std::string path;
    std::uint64_t generation = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
      if (stop_) return;
      job = jobs_.back();
      jobs_.pop_back();
      path = path_;
      generation = generation_;
    }
    if (generation != openGeneration) {
      reader.close();
      openError.clear();
      openGeneration = generation;
      if (!reader.openFile(path, openError) || !reader.openStream(openError) ||
          !reader.openFrameGetter(openError)) {
        reader.close();
        if (openError.empty()) openError = "the file cannot be read";
      }
    }
    QImage picture;
    std::string error = openError;
    if (error.empty()) {
      if (const video::BitmapInfoHeader* dib = reader.getFrame(job.frame, error)) {
        picture = DibToImage(dib).scaled(size_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (picture.isNull()) error = "the picture is not 24-bit";
      }
    }
    // Handed over on the worker's own thread; dropped there if another file came meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, generation, key = job.key, picture = std::move(picture), error = std::move(error)] {
          if (generation == generation_) delivery_(key, picture, error);
        },
        Qt::QueuedConnection);
  }
}

}  // namespace casebook::review
