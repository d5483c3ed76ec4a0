#pragma once

#include <QImage>
#include <QObject>
#include <QSize>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace casebook::review {

// Small pictures of frames, decoded on a thread of its own with an AVI reader of its own on the
// same file (the document's reader stays on the UI thread). The newest request is served first:
// the rows a person scrolls to come before the ones scrolled past. Each picture, or the reason
// there is none, is handed over on the thread the worker was made on.
class ThumbnailWorker : public QObject {
 public:
  // `picture` is null when the frame could not be had; `error` then says why.
  using Delivery = std::function<void(int key, const QImage& picture, const std::string& error)>;

  ThumbnailWorker(QSize size, Delivery delivery);
  // Waits for the picture being decoded; nothing is delivered afterwards.
  ~ThumbnailWorker() override;
  ThumbnailWorker(const ThumbnailWorker&) = delete;
  ThumbnailWorker& operator=(const ThumbnailWorker&) = delete;

  // Pictures of this file from now on (none for an empty path); what was asked of the file
  // before, and has not come yet, never comes.
  void SetFile(const std::string& videoPath);
  // Frame `frame` of the file, delivered with `key`.
  void Request(int key, std::int32_t frame);

 private:
  struct Job {
    int key;
    std::int32_t frame;
  };
  void Run();

  const QSize size_;
  Delivery delivery_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<Job> jobs_;  // the newest last
  std::string path_;
  std::atomic<std::uint64_t> generation_{0};
  bool stop_ = false;
  std::thread thread_;  // last: starts once everything above is there
};

// A packed 24-bit DIB (BITMAPINFOHEADER then rows) as an upright image of its own.
QImage DibToImage(const void* dib);

}  // namespace casebook::review
