#include "platform/camera/drivers/VideoFileDriver.h"

#include <filesystem>
#include <utility>

namespace camera {

VideoFileDriver::VideoFileDriver(std::string path, std::size_t maxFrameBytes)
    : path_(std::move(path)),
      maxFrameBytes_(maxFrameBytes),
      version_(FfmpegVersionText()),
      sizes_(TidyFrameSizes({std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes)},
                            maxFrameBytes)) {
  // A look at the file now gives the dialogs its sizes before anything connects; a file that
  // does not open is still listed, and its connect tells why.
  VideoFileReader probe;
  std::string ignored;
  if (probe.open(path_, ignored)) learn(probe);
}

VideoFileDriver::~VideoFileDriver() { disconnect(); }

std::string VideoFileDriver::name() const {
  const std::string file = std::filesystem::path(path_).filename().string();
  return CutDriverText(file.empty() ? "file:" + path_ : file);
}

void VideoFileDriver::learn(const VideoFileReader& reader) {
  const FrameSize own = ShrinkToFit(reader.size(), maxFrameBytes_);
  std::vector<FrameSize> sizes(std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes));
  sizes.push_back(own);
  sizes_ = TidyFrameSizes(std::move(sizes), maxFrameBytes_);
  version_ = CutDriverText(FfmpegVersionText() + ", " + reader.codecName());
  if (!formatChosen_) format_ = {own.width, own.height, 24};
}

bool VideoFileDriver::start(std::string& error) {
  handover_.reset();
  return thread_.start(
      [this, format = format_] { PlayVideoFile(reader_, format, handover_, thread_); }, error);
}

bool VideoFileDriver::connect(std::string& error) {
  if (connected_) return true;
  if (!reader_.open(path_, error)) return false;
  learn(reader_);
  if (!start(error)) {
    reader_.close();
    return false;
  }
  connected_ = true;
  return true;
}

void VideoFileDriver::disconnect() {
  thread_.stop();
  reader_.close();
  connected_ = false;
}

bool VideoFileDriver::setFormat(const FrameFormat& format, std::string& error) {
  if (!CheckFrameFormat(format, maxFrameBytes_, error)) return false;
  thread_.stop();
  format_ = format;
  formatChosen_ = true;
  // The file goes on from where it was, in the new format.
  if (!connected_ || start(error)) return true;
  disconnect();
  return false;
}

FrameResult VideoFileDriver::latestFrame(FrameBuffer& frame, std::uint64_t& sequence,
                                         FrameFormat& format, std::string& error) {
  if (!connected_) {
    error = name() + " is not connected.";
    return FrameResult::Failed;
  }
  // A replayed file makes its frame now, from its newest picture, so the wait is one
  // conversion long.
  thread_.ask(kFrameMakingPatience);
  return handover_.latest(frame, sequence, format, error);
}

bool VideoFileDriver::setControl(std::uint32_t id, int, const std::string&, std::string& error) {
  error = "A video file has no control " + std::to_string(id) + ".";
  return false;
}

}  // namespace camera
