#include "file_write.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

namespace tessaly {

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

staged_file::staged_file(std::string temp_template) : path_(std::move(temp_template)) {
  fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
  if (fd_ < 0) path_.clear();
}

staged_file::~staged_file() {
  int saved = errno;
  if (fd_ >= 0) ::close(fd_);
  if (!path_.empty()) ::unlink(path_.c_str());
  errno = saved;
}

bool staged_file::write(std::string_view data, const std::function<bool(int fd)>& set_rights) {
  if (fd_ < 0 || written_) {
    errno = EBADF;
    return false;
  }
  bool good = write_all(fd_, data) && set_rights(fd_) && ::fsync(fd_) == 0;
  int saved = errno;
  bool closed = ::close(fd_) == 0;
  fd_ = -1;
  if (!good) {
    errno = saved;
    return false;
  }
  written_ = closed;
  return closed;
}

bool staged_file::place(const std::string& path, bool replace) {
  if (!written_ || path_.empty()) {
    errno = EBADF;
    return false;
  }
  if (replace) {
    if (::rename(path_.c_str(), path.c_str()) != 0) return false;
  } else if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) !=
             0) {
    // File systems without the no-replace rename still refuse a link over an existing name.
    if ((errno != EINVAL && errno != ENOSYS) || ::link(path_.c_str(), path.c_str()) != 0) {
      return false;
    }
    ::unlink(path_.c_str());
  }
  path_.clear();
  return true;
}

}  // namespace tessaly
