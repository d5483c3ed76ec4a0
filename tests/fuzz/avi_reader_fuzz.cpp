// Arbitrary bytes as an AVI file, through every step a viewer takes. A refusal must say why;
// whatever opens must hand out DIBs as large as their headers say, for frames in range only.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/avi/AviReader.h"

namespace {

// One file per process, written afresh for every input: the reader takes paths.
const std::string& InputPath() {
  static const std::string path = [] {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir != nullptr ? dir : "/tmp") + "/avi-reader-fuzz-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) std::abort();
    close(fd);
    std::atexit([] { unlink(InputPath().c_str()); });
    return pattern;
  }();
  return path;
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
  const int fd = open(InputPath().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
  close(fd);
}

void Refused(const std::string& error) {
  if (error.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  av_log_set_level(AV_LOG_QUIET);
  WriteInput(data, size);
  // Small enough that a header claiming a huge picture is refused rather than allocated.
  avi::AviReader reader(std::size_t{8} << 20);
  std::string error;
  if (!reader.openFile(InputPath(), error) || !reader.openStream(error) ||
      !reader.openFrameGetter(error)) {
    Refused(error);
    return 0;
  }
  const std::int32_t frames = reader.streamLength();
  if (frames < 0) std::abort();
  for (std::int32_t index : {0, frames - 1, frames / 2, frames / 2 - 1, 1, -1, frames}) {
    error.clear();
    const video::BitmapInfoHeader* dib = reader.getFrame(index, error);
    if (dib == nullptr) {
      Refused(error);
      continue;
    }
    if (index < 0 || index >= frames) std::abort();
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(dib->biWidth) * 3 + 3) & ~3u;
    if (dib->biSize != 40 || dib->biWidth <= 0 || dib->biHeight <= 0 || dib->biPlanes != 1 ||
        dib->biBitCount != 24 || dib->biCompression != 0 ||
        dib->biSizeImage != rowBytes * static_cast<std::uint32_t>(dib->biHeight)) {
      std::abort();
    }
    // The last byte of the picture is there to be read (AddressSanitizer checks).
    const auto* bytes = reinterpret_cast<const volatile std::uint8_t*>(dib);
    (void)bytes[sizeof *dib + dib->biSizeImage - 1];
  }
  return 0;
}
