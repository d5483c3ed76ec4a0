#pragma once

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

  // Decodes the next picture into `out` (format.bytes() bytes) as bottom-up rows. A file that
  // was deleted fails; one that was replaced or rewritten is opened afresh, and fails if it no
  // longer decodes.
  bool readFrame(const FrameFormat& format, std::uint8_t* out, std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The body of a file-playing thread: frames from `reader` into `handover`, each at its time by
// the file's own rate, until `thread` is stopped or the file fails (the handover then carries
// the reason).
void PlayVideoFile(VideoFileReader& reader, const FrameFormat& format, FrameHandover& handover,
                   WorkerThread& thread);

using video::FfmpegVersionText;

}  // namespace camera
