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

#include <string>
#include <vector>

namespace tessaly {

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
