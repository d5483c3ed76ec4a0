#pragma once

#include <sys/types.h>

#include <cstddef>

namespace camera {

// The calls the V4L2 camera makes of its device node: the system's, or a stand-in camera's
// where a test has no device. Every call may come from the camera's thread or the window's.
// Results and errno as the system calls give them; ioctl is asked again after EINTR.
class V4l2Io {
 public:
  virtual int open(const char* path, int flags) = 0;
  virtual int close(int fd) = 0;
  virtual int ioctl(int fd, unsigned long request, void* argument) = 0;
  virtual void* mmap(std::size_t length, int fd, off_t offset) = 0;
  virtual int munmap(void* start, std::size_t length) = 0;
  virtual ssize_t read(int fd, void* buffer, std::size_t bytes) = 0;

 protected:
  ~V4l2Io() = default;
};

// The real device nodes. The descriptors it opens can be polled for frames.
V4l2Io& SystemV4l2Io();

}  // namespace camera
