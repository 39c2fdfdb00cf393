#include "sd_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace tessaly {

namespace {

constexpr size_t kPathMax = sizeof(sockaddr_un::sun_path);

}  // namespace

NotifySocket::~NotifySocket() {
  if (fd_ >= 0) close(fd_);
}

bool NotifySocket::address_valid(const std::string& address) {
  if (address.size() < 2 || address.size() >= kPathMax) return false;
  if (address.find('\0') != std::string::npos) return false;
  return address[0] == '/' || address[0] == '@';
}

bool NotifySocket::open(const std::string& address) {
  if (!address_valid(address)) {
    errno = EINVAL;
    return false;
  }
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, address.data(), address.size());
  socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
  if (address[0] == '@') {
    // The abstract namespace: a leading NUL, and the name's exact length (no ending NUL).
    addr.sun_path[0] = '\0';
  } else {
    len += 1;
  }
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) != 0) {
    int err = errno;
    close(fd);
    errno = err;
    return false;
  }
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
  return true;
}

bool NotifySocket::send(std::string_view message) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  for (;;) {
    ssize_t n = ::send(fd_, message.data(), message.size(), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<size_t>(n) == message.size();
    if (errno != EINTR) return false;
  }
}

}  // namespace tessaly
