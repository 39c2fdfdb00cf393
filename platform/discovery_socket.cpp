// NAS discovery sockets on Linux: one receive socket on 0.0.0.0:13579 that is a member of
// 224.0.0.1 on every local address and tells where each datagram arrived, and one send socket
// per local address. See discovery_socket.h for why the receive side is not per address.
#include "discovery_socket.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tessaly {

namespace {

void set_int_option(int fd, int level, int name, int value) {
  // Linux wants an int for these options; SO_REUSEADDR given as one byte is refused.
  (void)setsockopt(fd, level, name, &value, sizeof(value));
}

sockaddr_in group_address() {
  sockaddr_in group{};
  group.sin_family = AF_INET;
  group.sin_port = htons(DISCOVERY_PORT);
  inet_pton(AF_INET, DISCOVERY_GROUP, &group.sin_addr);
  return group;
}

// The interface index of each address, from the kernel's address list; 0 where the address
// is on no interface (it vanished since the caller listed it).
std::vector<int> interface_indexes(const std::vector<in_addr>& locals) {
  std::vector<int> out(locals.size(), 0);
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_name) continue;
    const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
    // An address label ("eth0:1") names its interface before the colon.
    std::string name = entry->ifa_name;
    name = name.substr(0, name.find(':'));
    for (size_t i = 0; i < locals.size(); ++i) {
      if (out[i] == 0 && locals[i].s_addr == address.s_addr) {
        out[i] = static_cast<int>(if_nametoindex(name.c_str()));
      }
    }
  }
  freeifaddrs(list);
  return out;
}

}  // namespace

DiscoverySocket::DiscoverySocket(const std::vector<in_addr>& locals)
    : locals_(locals.begin(),
              locals.begin() + static_cast<std::ptrdiff_t>(
                                   std::min(locals.size(), DISCOVERY_MAX_ADDRESSES))) {
  ifindex_ = interface_indexes(locals_);
  if (locals_.empty()) return;  // nothing to search on: no socket at all

  const sockaddr_in group = group_address();

  unique_fd receive(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (receive.ok()) {
    set_int_option(receive.get(), SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(DISCOVERY_PORT);
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(receive.get(), reinterpret_cast<const sockaddr*>(&any), sizeof(any)) == 0) {
      set_int_option(receive.get(), IPPROTO_IP, IP_PKTINFO, 1);
      set_int_option(receive.get(), IPPROTO_IP, IP_MULTICAST_LOOP, 0);
      for (const in_addr& local : locals_) {
        // Joining twice on one interface (two addresses on it) fails harmlessly.
        ip_mreq membership{};
        membership.imr_multiaddr = group.sin_addr;
        membership.imr_interface = local;
        (void)setsockopt(receive.get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership,
                         sizeof(membership));
      }
      receive_ = std::move(receive);
    }
  }

  send_.reserve(locals_.size());
  for (const in_addr& local : locals_) {
    unique_fd sender(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (sender.ok()) {
      in_addr out = local;
      if (setsockopt(sender.get(), IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof(out)) != 0) {
        sender.reset();  // without its interface the request could leave elsewhere
      } else {
        set_int_option(sender.get(), IPPROTO_IP, IP_MULTICAST_LOOP, 0);
        set_int_option(sender.get(), IPPROTO_IP, IP_MULTICAST_TTL, 1);
      }
    }
    send_.push_back(std::move(sender));
  }
}

DiscoverySocket::~DiscoverySocket() = default;

bool DiscoverySocket::send(size_t index, const void* data, size_t len) {
  if (index >= send_.size() || !send_[index].ok()) return false;
  const sockaddr_in group = group_address();
  ssize_t sent;
  do {
    sent = sendto(send_[index].get(), data, len, MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&group), sizeof(group));
  } while (sent < 0 && errno == EINTR);
  return sent >= 0 && static_cast<size_t>(sent) == len;
}

int DiscoverySocket::indexOfArrival(const in_addr& local, int ifindex) const {
  for (size_t i = 0; i < locals_.size(); ++i) {
    if (locals_[i].s_addr == local.s_addr) return static_cast<int>(i);
  }
  for (size_t i = 0; i < locals_.size(); ++i) {
    if (ifindex != 0 && ifindex_[i] == ifindex) return static_cast<int>(i);
  }
  return -1;
}

DiscoveryReceive DiscoverySocket::receive(int timeout_ms, DiscoveryDatagram* out) {
  if (!receive_.ok()) {
    // Nothing can arrive; the wait still lasts, so the callers' timing stays the same.
    if (timeout_ms > 0) poll(nullptr, 0, timeout_ms);
    return DiscoveryReceive::timeout;
  }
  pollfd ready{};
  ready.fd = receive_.get();
  ready.events = POLLIN;
  const int polled = poll(&ready, 1, timeout_ms);
  if (polled == 0 || (polled < 0 && errno == EINTR)) return DiscoveryReceive::timeout;
  if (polled < 0) return DiscoveryReceive::failed;

  out->bytes.assign(DISCOVERY_DATAGRAM_MAX, 0);
  out->local_index = -1;
  out->from = sockaddr_in{};
  iovec part{out->bytes.data(), out->bytes.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
  msghdr message{};
  message.msg_name = &out->from;
  message.msg_namelen = sizeof(out->from);
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof(control);
  const ssize_t got = recvmsg(receive_.get(), &message, MSG_DONTWAIT);
  if (got < 0) {
    out->bytes.clear();
    return DiscoveryReceive::failed;
  }
  // A longer datagram is cut (MSG_TRUNC); the byte count never exceeds the buffer.
  out->bytes.resize(std::min(static_cast<size_t>(got), DISCOVERY_DATAGRAM_MAX));
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO &&
        c->cmsg_len >= CMSG_LEN(sizeof(in_pktinfo))) {
      in_pktinfo info;
      std::memcpy(&info, CMSG_DATA(c), sizeof(info));
      out->local_index = indexOfArrival(info.ipi_spec_dst, info.ipi_ifindex);
    }
  }
  return DiscoveryReceive::datagram;
}

}  // namespace tessaly
