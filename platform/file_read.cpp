// Files read whole without blocking (file_read.h).
#include "file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tessaly {

namespace {

// The descriptor closed on every path out.
struct fd_closer {
  int fd;
  ~fd_closer() {
    if (fd >= 0) ::close(fd);
  }
};

int read_open_file(int fd, uint64_t max_bytes, std::string* out) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (static_cast<uint64_t>(st.st_size) > max_bytes) return EFBIG;
  // The size may change while the file is read: the bound holds for what is read.
  char buffer[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    if (out->size() + static_cast<uint64_t>(n) > max_bytes) return EFBIG;
    out->append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

int read_regular_file(const std::string& path, bool follow_links, uint64_t max_bytes,
                      std::string* out) {
  out->clear();
  // O_NONBLOCK: the open of a FIFO returns at once instead of waiting for a writer.
  int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (!follow_links) flags |= O_NOFOLLOW;
  const fd_closer file{::open(path.c_str(), flags)};
  if (file.fd < 0) return errno;
  const int err = read_open_file(file.fd, max_bytes, out);
  if (err != 0) out->clear();
  return err;
}

}  // namespace tessaly
