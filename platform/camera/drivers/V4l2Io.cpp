#include "platform/camera/drivers/V4l2Io.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

namespace camera {
namespace {

class SystemIo final : public V4l2Io {
 public:
  int open(const char* path, int flags) override { return ::open(path, flags); }
  int close(int fd) override { return ::close(fd); }
  int ioctl(int fd, unsigned long request, void* argument) override {
    int result;
    do result = ::ioctl(fd, request, argument);
    while (result < 0 && errno == EINTR);
    return result;
  }
  void* mmap(std::size_t length, int fd, off_t offset) override {
    return ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, offset);
  }
  int munmap(void* start, std::size_t length) override { return ::munmap(start, length); }
  ssize_t read(int fd, void* buffer, std::size_t bytes) override {
    return ::read(fd, buffer, bytes);
  }
};

}  // namespace

V4l2Io& SystemV4l2Io() {
  static SystemIo io;
  return io;
}

}  // namespace camera
