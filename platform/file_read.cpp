// Files read whole without blocking (file_read.h).
#include "file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tessaly {

unique_fd open_regular_file(const std::string& path, bool follow_links, int* error) {
  // O_NONBLOCK: the open of a FIFO returns at once instead of waiting for a writer.
  int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (!follow_links) flags |= O_NOFOLLOW;
  unique_fd file(::open(path.c_str(), flags));
  if (!file.ok()) {
    *error = errno;
    return file;
  }
  struct stat st;
  *error = ::fstat(file.get(), &st) != 0 ? errno
           : S_ISREG(st.st_mode)         ? 0
           : S_ISDIR(st.st_mode)         ? EISDIR
                                         : EINVAL;
  if (*error != 0) file.reset();
  return file;
}

int read_open_file(int fd, uint64_t max_bytes, std::string* out) {
  out->clear();
  // The size may change while the file is read: the bound holds for what is read.
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    const uint64_t room = max_bytes - out->size();
    if (static_cast<uint64_t>(n) > room) {
      out->append(buffer, static_cast<size_t>(room));
      return EFBIG;
    }
    out->append(buffer, static_cast<size_t>(n));
  }
}

int read_regular_file(const std::string& path, bool follow_links, uint64_t max_bytes,
                      std::string* out) {
  int err = 0;
  const unique_fd file = open_regular_file(path, follow_links, &err);
  if (err == 0) err = read_open_file(file.get(), max_bytes, out);
  if (err != 0) out->clear();
  return err;
}

}  // namespace tessaly
