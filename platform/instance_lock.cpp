#include "instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "paths.h"

namespace tessaly {

InstanceLock acquire_instance_lock(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) make_folders(path.substr(0, slash), 0755);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return InstanceLock::error;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    close(fd);
    errno = err;
    return err == EWOULDBLOCK ? InstanceLock::held : InstanceLock::error;
  }
  char pid[32];
  int len = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(getpid()));
  if (ftruncate(fd, 0) == 0) {
    ssize_t written = pwrite(fd, pid, static_cast<size_t>(len), 0);
    (void)written;
  }
  // The descriptor is deliberately kept open: closing it would release the lock.
  return InstanceLock::acquired;
}

long instance_lock_holder(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  long pid = -1;
  if (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    char buf[32] = {0};
    ssize_t n = pread(fd, buf, sizeof buf - 1, 0);
    if (n > 0) pid = std::strtol(buf, nullptr, 10);
  }
  close(fd);
  return pid;
}

}  // namespace tessaly
