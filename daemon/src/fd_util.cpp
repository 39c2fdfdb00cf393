#include "fd_util.h"

#include <fcntl.h>
#include <unistd.h>

int pipe_cloexec_nonblock(int fds[2]) { return pipe2(fds, O_CLOEXEC | O_NONBLOCK); }

int pipe_cloexec(int fds[2]) { return pipe2(fds, O_CLOEXEC); }

int fd_set_nonblock(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return flags;
  return fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

int fd_set_cloexec(int fd, bool on) {
  int flags = fcntl(fd, F_GETFD);
  if (flags < 0) return flags;
  return fcntl(fd, F_SETFD, on ? (flags | FD_CLOEXEC) : (flags & ~FD_CLOEXEC));
}

int dup_cloexec(int fd) {
  int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return copy;
  fd_set_nonblock(copy);
  return copy;
}

int open_cloexec(const char* path, int flags, int mode) {
  return open(path, flags | O_CLOEXEC, mode);
}

int socket_cloexec_nonblock(int domain, int type, int protocol) {
  return socket(domain, type | SOCK_CLOEXEC | SOCK_NONBLOCK, protocol);
}

int accept_cloexec_nonblock(int fd, struct sockaddr* address, socklen_t* address_len) {
  return accept4(fd, address, address_len, SOCK_CLOEXEC | SOCK_NONBLOCK);
}
