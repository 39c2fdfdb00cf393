// The sender of a link datagram and the rule of who may steer the service (link_sender.h).
#include "link_sender.h"

#include <arpa/inet.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace tessaly {

namespace {

bool read_text_file(const char* path, std::string* out) {
  std::ifstream in(path);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  *out = text.str();
  return true;
}

// One hex word as the kernel prints it: the raw 32 bits of an address in native order.
bool hex_word(const std::string& text, size_t at, uint32_t* out) {
  if (at + 8 > text.size()) return false;
  char* end = nullptr;
  std::string word = text.substr(at, 8);
  unsigned long v = std::strtoul(word.c_str(), &end, 16);
  if (end == nullptr || *end != '\0') return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

using endpoint_t = udp_socket_table::endpoint_t;

// "0100007F:1D4E" or 32 hex digits, ':' and the port.
bool parse_endpoint(const std::string& text, endpoint_t* out) {
  size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  std::string address = text.substr(0, colon);
  char* end = nullptr;
  std::string port = text.substr(colon + 1);
  unsigned long p = std::strtoul(port.c_str(), &end, 16);
  if (port.empty() || end == nullptr || *end != '\0' || p > 0xFFFF) return false;
  out->port = static_cast<unsigned>(p);
  if (address.size() == 8) {
    out->v6 = false;
    return hex_word(address, 0, &out->words[0]);
  }
  if (address.size() == 32) {
    out->v6 = true;
    for (int i = 0; i < 4; ++i) {
      if (!hex_word(address, static_cast<size_t>(8 * i), &out->words[i])) return false;
    }
    return true;
  }
  return false;
}

// The raw words of ::ffff:a.b.c.d for an IPv4 address.
void mapped_words(in_addr_t address, uint32_t words[4]) {
  struct in6_addr a {};
  a.s6_addr[10] = 0xFF;
  a.s6_addr[11] = 0xFF;
  std::memcpy(&a.s6_addr[12], &address, 4);
  std::memcpy(words, a.s6_addr, 16);
}

// True when a socket bound to `local` may have sent from `address`.
bool binds(const endpoint_t& local, in_addr_t address) {
  if (!local.v6) return local.words[0] == address || local.words[0] == INADDR_ANY;
  uint32_t mapped[4];
  mapped_words(address, mapped);
  bool any = local.words[0] == 0 && local.words[1] == 0 && local.words[2] == 0 &&
             local.words[3] == 0;
  bool same = true;
  for (int i = 0; i < 4; ++i) same = same && local.words[i] == mapped[i];
  return any || same;
}

// True when a socket whose peer is `remote` may have sent to `to`: it is not connected, or
// connected to `to` itself.
bool may_reach(const endpoint_t& remote, const sockaddr_in& to) {
  if (remote.port == 0) return true;
  if (remote.port != ntohs(to.sin_port)) return false;
  if (!remote.v6) return remote.words[0] == to.sin_addr.s_addr;
  uint32_t mapped[4];
  mapped_words(to.sin_addr.s_addr, mapped);
  return std::memcmp(remote.words, mapped, sizeof mapped) == 0;
}

void parse_table(const std::string& table, std::vector<udp_socket_table::socket_t>* out) {
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits;
    unsigned long uid = 0;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid)) {
      continue;
    }
    udp_socket_table::socket_t s;
    if (!parse_endpoint(local, &s.local) || !parse_endpoint(remote, &s.remote)) continue;
    s.uid = static_cast<uid_t>(uid);
    out->push_back(s);
  }
}

// The user's primary group and supplementary groups from the user database.
bool member_of(uid_t uid, gid_t group) {
  struct passwd pw;
  struct passwd* found = nullptr;
  std::vector<char> buffer(16384);
  if (getpwuid_r(uid, &pw, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
    return false;
  }
  if (pw.pw_gid == group) return true;
  int count = 64;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<gid_t> groups(static_cast<size_t>(count));
    int n = count;
    if (getgrouplist(pw.pw_name, pw.pw_gid, groups.data(), &n) >= 0) {
      for (int i = 0; i < n; ++i) {
        if (groups[static_cast<size_t>(i)] == group) return true;
      }
      return false;
    }
    count = n > count ? n : count * 4;
  }
  return false;
}

}  // namespace

bool udp_socket_table::read() {
  std::string udp;
  std::string udp6;
  if (!read_text_file("/proc/net/udp", &udp)) return false;
  // A kernel without IPv6 has no second table.
  read_text_file("/proc/net/udp6", &udp6);
  parse(udp, udp6);
  return true;
}

void udp_socket_table::parse(const std::string& udp, const std::string& udp6) {
  sockets_.clear();
  parse_table(udp, &sockets_);
  parse_table(udp6, &sockets_);
}

void udp_socket_table::owners(const sockaddr_in& from, const sockaddr_in& to,
                              std::vector<uid_t>* owners) const {
  owners->clear();
  const unsigned port = ntohs(from.sin_port);
  for (const socket_t& s : sockets_) {
    if (s.local.port != port || !binds(s.local, from.sin_addr.s_addr) || !may_reach(s.remote, to)) {
      continue;
    }
    owners->push_back(s.uid);
  }
}

void udp_socket_owners_in(const std::string& udp, const std::string& udp6, const sockaddr_in& from,
                          const sockaddr_in& to, std::vector<uid_t>* owners) {
  udp_socket_table table;
  table.parse(udp, udp6);
  table.owners(from, to, owners);
}

bool udp_socket_owners(const sockaddr_in& from, const sockaddr_in& to, std::vector<uid_t>* owners) {
  udp_socket_table table;
  if (!table.read()) return false;
  table.owners(from, to, owners);
  return true;
}

bool may_configure(uid_t uid, const std::string& folder) {
  if (uid == 0) return true;
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid == uid) return true;
  if ((st.st_mode & (S_IWGRP | S_IXGRP)) != (S_IWGRP | S_IXGRP)) return false;
  return member_of(uid, st.st_gid);
}

}  // namespace tessaly
