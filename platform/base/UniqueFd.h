#pragma once

#include <unistd.h>

#include <utility>

namespace base {

// Owns a file descriptor.
class UniqueFd {
 public:
  using CloseFunction = int (*)(int);

  UniqueFd() = default;
  explicit UniqueFd(int fd, CloseFunction close = ::close) : fd_(fd), close_(close) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)), close_(other.close_) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
      close_ = other.close_;
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) close_(fd_);
    fd_ = fd;
  }
  // Closes now and says how it went, so that a late write error (NFS reports them at close)
  // is not lost.
  int closeNow() {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 ? close_(fd) : 0;
  }

 private:
  int fd_ = -1;
  CloseFunction close_ = ::close;
};

}  // namespace base
