// Who sent a datagram on the loopback link, and whether that user may steer the service.
//
// The link's bytes carry no proof of their sender, so the service asks the kernel instead:
// a UDP socket that sent a datagram from 127.0.0.1:<port> is bound to that port, and the
// socket tables of the network namespace (/proc/net/udp, /proc/net/udp6) name the user that
// made each socket. Several sockets may share a port (SO_REUSEADDR, a wildcard and an exact
// address, IPv6 sockets that also carry IPv4); every one of them that could have sent the
// datagram counts, so a request is taken only when all of them belong to allowed users.
#pragma once

#include <netinet/in.h>
#include <sys/types.h>

#include <cstdint>

#include <string>
#include <vector>

namespace tessaly {

// The UDP socket tables of this network namespace as one read found them. A read costs the
// same however few sockets there are (the kernel walks its whole socket hash), so the
// senders of several datagrams are looked up in one read, taken after they arrived: every
// sending socket still open then is in it, as in a read per datagram.
class udp_socket_table {
 public:
  // Reads /proc/net/udp and /proc/net/udp6. False when the first cannot be read.
  bool read();
  // The same from given texts of both tables (for tests).
  void parse(const std::string& udp, const std::string& udp6);
  // As udp_socket_owners below, over this read.
  void owners(const sockaddr_in& from, const sockaddr_in& to, std::vector<uid_t>* owners) const;

  struct endpoint_t {
    bool v6 = false;
    uint32_t words[4] = {0, 0, 0, 0};  // IPv4: words[0] only
    unsigned port = 0;
  };
  struct socket_t {
    endpoint_t local;
    endpoint_t remote;
    uid_t uid = 0;
  };

 private:
  std::vector<socket_t> sockets_;
};

// The users owning the sockets of this network namespace that may have sent a datagram
// whose source address is `from`: UDP sockets bound to its port on its address or on the
// wildcard address (IPv4, or IPv6 unspecified or IPv4-mapped), and not connected to another
// peer than `to`. Empty when there is none (the sender closed its socket). False when the
// socket tables cannot be read.
bool udp_socket_owners(const sockaddr_in& from, const sockaddr_in& to, std::vector<uid_t>* owners);

// The same over given texts of /proc/net/udp and /proc/net/udp6 (for tests).
void udp_socket_owners_in(const std::string& udp, const std::string& udp6, const sockaddr_in& from,
                          const sockaddr_in& to, std::vector<uid_t>* owners);

// True when the user may configure the service, and so may steer it: root; the owner of
// `folder` (the configuration folder); or, when the folder gives its group write and search
// rights (02770 with the group "tessaly" under the rights rule), a member of that group as
// the user database names it (primary group or supplementary). A folder that cannot be read
// allows root only.
bool may_configure(uid_t uid, const std::string& folder);

}  // namespace tessaly
