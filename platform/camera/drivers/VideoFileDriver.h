#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/camera/FrameHandover.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/DriverSupport.h"
#include "platform/camera/drivers/VideoFileReader.h"

namespace camera {

// A video file played as a camera: in a loop, at the file's own frame rate, scaled to the
// chosen format.
class VideoFileDriver final : public VideoDriver {
 public:
  VideoFileDriver(std::string path, std::size_t maxFrameBytes);
  ~VideoFileDriver() override;
  VideoFileDriver(const VideoFileDriver&) = delete;
  VideoFileDriver& operator=(const VideoFileDriver&) = delete;

  std::string name() const override;
  std::string version() const override { return version_; }

  bool connect(std::string& error) override;
  void disconnect() override;
  bool connected() const override { return connected_; }

  FrameFormat format() const override { return format_; }
  std::vector<FrameSize> frameSizes() const override { return sizes_; }
  bool setFormat(const FrameFormat& format, std::string& error) override;

  FrameResult latestFrame(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                          std::string& error) override;

  std::vector<DriverControl> controls() const override { return {}; }
  VideoFileReader::Counts replayCounts() const { return reader_.counts(); }
  bool setControl(std::uint32_t id, int value, const std::string& text,
                  std::string& error) override;

 private:
  void learn(const VideoFileReader& reader);  // sizes, version and default format of the file
  bool start(std::string& error);

  std::string path_;
  std::size_t maxFrameBytes_;
  std::string version_;
  FrameFormat format_{640, 480, 24};
  bool formatChosen_ = false;  // else the file's own size, as learnt at connect
  std::vector<FrameSize> sizes_;
  bool connected_ = false;
  VideoFileReader reader_;  // the thread's alone while it runs
  FrameHandover handover_;
  WorkerThread thread_;  // last: stops before the rest goes
};

}  // namespace camera
