#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/camera/FrameHandover.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/DriverSupport.h"
#include "platform/video/VideoDecoder.h"

namespace camera {

// Decodes a video file with FFmpeg and scales its pictures into capture frames, starting over
// after the last one, so that the file plays as an endless camera. Used by the file driver and
// by the test pattern's replay; one thread at a time.
class VideoFileReader {
 public:
  VideoFileReader();
  ~VideoFileReader();
  VideoFileReader(VideoFileReader&&) noexcept;
  VideoFileReader& operator=(VideoFileReader&&) noexcept;

  bool open(const std::string& path, std::string& error);
  void close();
  bool isOpen() const;

  FrameSize size() const;  // of the file's pictures
  double framesPerSecond() const;
  std::string codecName() const;

  // Moves on to the file's next picture, the newest from now on. Pictures that stand alone are
  // only read here and decoded by makeFrame(); the others are decoded here, as the next one
  // needs them. A file that was deleted fails; one that was replaced or rewritten is opened
  // afresh, and fails if it no longer decodes.
  bool advance(std::string& error);
  // Whether every picture so far stood alone, so that advance() only reads.
  bool picturesStandAlone() const;
  // The newest picture into `out` (format.bytes() bytes) as bottom-up rows. False with an empty
  // `error` when it did not decode (a damaged picture is skipped).
  bool makeFrame(const FrameFormat& format, std::uint8_t* out, std::string& error);

  // Pictures decoded and frames made since open, for the tests of what replay costs; read from
  // any thread.
  struct Counts {
    std::uint64_t decoded = 0;
    std::uint64_t made = 0;
    std::uint64_t passed = 0;  // pictures advance() moved on to
  };
  Counts counts() const { return {decoded_.load(), made_.load(), passed_.load()}; }

 private:
  struct State;
  std::unique_ptr<State> state_;
  std::atomic<std::uint64_t> decoded_{0};
  std::atomic<std::uint64_t> made_{0};
  std::atomic<std::uint64_t> passed_{0};
};

// The body of a file-playing thread: `reader` keeps to the file's own rate, and a frame goes
// into `handover` only when the consumer asks `thread` for one (see WorkerThread::ask), made
// from the newest picture; until `thread` is stopped or the file fails (the handover then
// carries the reason).
void PlayVideoFile(VideoFileReader& reader, const FrameFormat& format, FrameHandover& handover,
                   WorkerThread& thread);

using video::FfmpegVersionText;

}  // namespace camera
