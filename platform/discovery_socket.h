// The sockets of NAS discovery: UDP to the multicast group 224.0.0.1, port 13579, out of each
// local IPv4 address.
//
// On Linux a socket bound to an interface's own address never receives datagrams sent to the
// group, so there is one receive socket bound to 0.0.0.0:13579 that joins the group on every
// local address and learns, with IP_PKTINFO, on which local address each datagram arrived; it
// takes the devices' replies whether they come to the group or straight to <address>:13579.
// Each local address has a send socket of its own whose outgoing multicast interface is that
// address. Multicast loop-back is off on all of them, so the controller never reads its own
// requests, and the time-to-live stays 1: nothing leaves the local links.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "unique_fd.h"

namespace tessaly {

constexpr uint16_t DISCOVERY_PORT = 13579;
constexpr const char* DISCOVERY_GROUP = "224.0.0.1";
// A datagram longer than this is cut to it.
constexpr size_t DISCOVERY_DATAGRAM_MAX = 4096;
// Local addresses taken; any after these are not used.
constexpr size_t DISCOVERY_MAX_ADDRESSES = 8;

struct DiscoveryDatagram {
  std::vector<uint8_t> bytes;  // what arrived, at most DISCOVERY_DATAGRAM_MAX bytes
  int local_index = -1;        // the local address it arrived on; -1 when none matches
  sockaddr_in from{};          // its sender
};

enum class DiscoveryReceive { datagram, timeout, failed };

class DiscoverySocket {
 public:
  // `locals`: the local IPv4 addresses in the caller's order (the first
  // DISCOVERY_MAX_ADDRESSES are used). A socket call that fails leaves that socket out:
  // sending through it or receiving then fails, nothing else does.
  explicit DiscoverySocket(const std::vector<in_addr>& locals);
  ~DiscoverySocket();
  DiscoverySocket(const DiscoverySocket&) = delete;
  DiscoverySocket& operator=(const DiscoverySocket&) = delete;

  size_t size() const { return locals_.size(); }
  // True when the receive socket is bound to port 13579.
  bool receiving() const { return receive_.ok(); }

  // Sends `len` bytes to 224.0.0.1:13579 out of local address `index`; true when the whole
  // datagram was handed to the kernel.
  bool send(size_t index, const void* data, size_t len);

  // Waits at most `timeout_ms` for a datagram on the receive socket and reads one.
  // `timeout`: nothing arrived (always so, after the wait, without a receive socket);
  // `failed`: the socket was readable but the read failed.
  DiscoveryReceive receive(int timeout_ms, DiscoveryDatagram* out);

 private:
  int indexOfArrival(const in_addr& local, int ifindex) const;

  std::vector<in_addr> locals_;
  std::vector<int> ifindex_;  // interface of each local address, 0 when unknown
  unique_fd receive_;
  std::vector<unique_fd> send_;
};

}  // namespace tessaly
