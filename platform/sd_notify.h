// The service manager's notification socket (the systemd notify protocol, written by hand).
//
// systemd starts a Type=notify service with NOTIFY_SOCKET naming a Unix datagram socket; the
// service reports its state by sending short texts such as "READY=1" and "STOPPING=1" there.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

class NotifySocket {
 public:
  NotifySocket() = default;
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;
  ~NotifySocket();

  // True when `address` can name a notify socket: an absolute path, or '@' followed by a
  // name in the abstract namespace, short enough for a Unix socket address.
  static bool address_valid(const std::string& address);

  // Connects a datagram socket to `address`. False (errno set) when the address is not
  // valid or nothing listens there.
  bool open(const std::string& address);

  // Sends one notification; false (errno set) when it could not be sent.
  bool send(std::string_view message);

 private:
  int fd_ = -1;
};

}  // namespace tessaly
