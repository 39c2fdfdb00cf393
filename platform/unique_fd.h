// An owned file descriptor, closed when its owner goes: the walks of the local file system
// (folder_walk.h), the files read whole (file_read.h) and the sockets of NAS discovery and of
// the server probe hold theirs in it, so no early return leaks one. file_ptr does the same
// for a stdio stream (the engine's copies, deltas and restored files).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <utility>

namespace tessaly {

class unique_fd {
 public:
  unique_fd() = default;
  explicit unique_fd(int fd) : fd_(fd) {}
  ~unique_fd() { reset(); }
  unique_fd(unique_fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  unique_fd& operator=(unique_fd&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  unique_fd(const unique_fd&) = delete;
  unique_fd& operator=(const unique_fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes and reports the result (a failed close can mean lost writes).
  int close() { return fd_ >= 0 ? ::close(std::exchange(fd_, -1)) : 0; }
  void reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

struct file_closer {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

}  // namespace tessaly
