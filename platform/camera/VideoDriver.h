#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/camera/FrameMemory.h"
#include "platform/video/Dib.h"

namespace camera {

// The frames every driver hands over, as the capture window delivers them.
using video::FrameFormat;
using video::FrameSize;

// One setting of the source a driver offers in its Video Source dialog: a camera control or
// input, or what the virtual camera shows.
struct DriverControl {
  enum class Kind { Integer, Boolean, Menu, Path };
  std::uint32_t id = 0;
  std::string name;
  Kind kind = Kind::Integer;
  int minimum = 0;
  int maximum = 0;
  int step = 1;
  int defaultValue = 0;
  int value = 0;
  std::vector<std::string> menuItems;  // Menu: the names of values minimum..maximum
  std::string text;                    // Path: the current file
};

enum class FrameResult { NewFrame, NoNewFrame, Failed };

// A source of frames: a camera, the built-in test pattern, or a video file played as a camera.
// A driver may produce frames on a thread of its own; the capture window only ever asks for the
// newest one, and that never waits for the device. Every method is called from the capture
// window's thread.
class VideoDriver {
 public:
  virtual ~VideoDriver() = default;

  virtual std::string name() const = 0;     // at most 199 characters
  virtual std::string version() const = 0;  // at most 199 characters

  // Opens the source and starts producing frames; false with the platform's reason otherwise.
  virtual bool connect(std::string& error) = 0;
  virtual void disconnect() = 0;
  virtual bool connected() const = 0;

  virtual FrameFormat format() const = 0;
  // The frame sizes the source offers, for the Video Format dialog.
  virtual std::vector<FrameSize> frameSizes() const = 0;
  // Takes effect for the frames that follow; false with the reason when refused.
  virtual bool setFormat(const FrameFormat& format, std::string& error) = 0;

  // When a frame newer than `sequence` has arrived, exchanges `frame` for it (the buffer given
  // goes back to the driver to be filled again), advances `sequence` and gives its format.
  // NoNewFrame when nothing newer has arrived; Failed, with the reason, when the source is gone.
  virtual FrameResult latestFrame(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                                  std::string& error) = 0;

  // How often the capture window takes a frame: a source may make no more than that. Sources
  // that keep a clock of their own (a file, the test pattern) need not listen.
  virtual void setPreviewPeriod(std::uint32_t /*milliseconds*/) {}

  virtual std::vector<DriverControl> controls() const = 0;
  // Integer, Boolean and Menu controls take `value`; Path controls take `text`.
  virtual bool setControl(std::uint32_t id, int value, const std::string& text,
                          std::string& error) = 0;
};

// The drivers of this machine in driver-index order. CORVANE_CAMERAS, when set, lists them:
// items separated by ';', each "pattern", "file:PATH" or a V4L2 device path; set but empty means
// none. Unset: every V4L2 capture device, and the test pattern only when there is none. No
// driver offers or takes frames larger than `maxFrameBytes`.
std::vector<std::unique_ptr<VideoDriver>> EnumerateDrivers(std::size_t maxFrameBytes);

}  // namespace camera
