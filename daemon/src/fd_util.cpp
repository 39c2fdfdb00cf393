// Descriptor helpers (see fd_util.h).
#include "fd_util.h"

#include <fcntl.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "log.h"

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

int raise_open_file_limit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  if (limit.rlim_cur == limit.rlim_max) return 0;
  limit.rlim_cur = limit.rlim_max;
  return setrlimit(RLIMIT_NOFILE, &limit);
}

bool SetPrivilege(void* /*token*/, const char* privilege, bool /*enable*/) {
  size_t n = privilege != nullptr ? std::strlen(privilege) : 0;
  bool named = n > 11 && std::strncmp(privilege, "Se", 2) == 0 &&
               std::strcmp(privilege + n - 9, "Privilege") == 0;
  if (!named) {
    // Not printed through the debug gate.
    g_print("LookupPrivilegeValue error: %u\n", static_cast<unsigned>(EINVAL));
    return false;
  }
  return true;
}
