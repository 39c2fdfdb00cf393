// Whether an SMB server answers at all (see server_probe.h).
#include "server_probe.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

#include "unique_fd.h"

namespace tessaly::share {

namespace {

using clock_type = std::chrono::steady_clock;

// An SMB2 NEGOTIATE request offering the dialects 2.0.2 to 3.0.2, behind its four-byte
// session header. Every SMB2 server answers it, and an SMB1-only server closes the
// connection; either way it is awake.
constexpr std::array<uint8_t, 4 + 64 + 36 + 8> kNegotiate = [] {
  std::array<uint8_t, 4 + 64 + 36 + 8> p{};
  p[3] = 64 + 36 + 8;  // length of what follows the session header
  uint8_t* h = p.data() + 4;
  h[0] = 0xFE, h[1] = 'S', h[2] = 'M', h[3] = 'B';
  h[4] = 64;   // header size
  h[14] = 1;   // credits asked for; the command (NEGOTIATE) is 0
  uint8_t* b = h + 64;
  b[0] = 36;   // body size
  b[2] = 4;    // dialect count
  b[4] = 1;    // signing enabled
  const uint16_t dialects[] = {0x0202, 0x0210, 0x0300, 0x0302};
  for (int i = 0; i < 4; ++i) {
    b[36 + 2 * i] = static_cast<uint8_t>(dialects[i] & 0xFF);
    b[36 + 2 * i + 1] = static_cast<uint8_t>(dialects[i] >> 8);
  }
  return p;
}();

// Waits for `events` on the socket until the deadline: 1 ready, 0 the deadline passed, -1 error.
int wait_for(int fd, short events, clock_type::time_point deadline) {
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now());
    if (left.count() <= 0) return 0;
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, static_cast<int>(left.count()));
    if (n > 0) return 1;
    if (n == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

}  // namespace

bool smb_server_answers(const std::string& host, int port, int timeout_ms) {
  const auto deadline = clock_type::now() + std::chrono::milliseconds(timeout_ms);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 ||
      found == nullptr) {
    return true;
  }
  unique_fd sock(::socket(found->ai_family, found->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                     found->ai_protocol));
  int connected = sock.get() < 0 ? -1 : ::connect(sock.get(), found->ai_addr, found->ai_addrlen);
  ::freeaddrinfo(found);
  if (sock.get() < 0) return true;
  if (connected != 0) {
    if (errno != EINPROGRESS) return true;
    int ready = wait_for(sock.get(), POLLOUT, deadline);
    if (ready == 0) {
      errno = ETIMEDOUT;
      return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (ready < 0 || ::getsockopt(sock.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 ||
        error != 0) {
      return true;
    }
  }
  if (::send(sock.get(), kNegotiate.data(), kNegotiate.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(kNegotiate.size())) {
    return true;
  }
  if (wait_for(sock.get(), POLLIN, deadline) == 0) {
    errno = ETIMEDOUT;
    return false;
  }
  return true;
}

}  // namespace tessaly::share
