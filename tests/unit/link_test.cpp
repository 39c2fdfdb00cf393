// The link's wire format and the service's dispatch of received datagrams.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "communication.h"
#include "link_packet.h"
#include "link_sender.h"
#include "test_support.h"

namespace lp = tessaly::link;

namespace {

std::vector<uint8_t> bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

std::vector<uint8_t> text_payload(const std::string& text) {
  std::vector<uint8_t> p(text.begin(), text.end());
  p.push_back(0);
  return p;
}

TEST(LinkFormat, WorkedExampleBytes) {
  // Controller pid 0x1234, sequence 1, service pid 2571.
  std::vector<uint8_t> request = lp::build_request(lp::PKG_QUERY, lp::QUERY_VERSION, 0, 0x1234, 1, {});
  EXPECT_EQ(request, bytes({0x02, 0x00, 0x1c, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x34, 0x12, 0, 0, 0, 0,
                            0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0}));
  const uint8_t version[9] = {0, 0, 0, 2, 0, 0, 0, 1, 0};
  std::vector<uint8_t> answer = lp::build_reply(lp::ANSWER, request.data(), 2571, 0, version, 9);
  EXPECT_EQ(answer, bytes({0x03, 0x00, 0x2d, 0x00, 0x0b, 0x0a, 0, 0, 0, 0, 0, 0, 0x34, 0x12, 0, 0,
                           0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                           0, 2, 0, 0, 0, 1, 0}));
  // A negative result is sign-extended into the 64-bit field.
  std::vector<uint8_t> ack = lp::build_reply(lp::ACK, request.data(), 1, -1, nullptr, 0);
  EXPECT_EQ(std::vector<uint8_t>(ack.begin() + 28, ack.end()), bytes({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}));
}

TEST(LinkFormat, AckLengthsFollowTheirTexts) {
  struct Case {
    int64_t code;
    size_t pkg_len;
  };
  const Case cases[] = {{0, 37}, {1, 63}, {2, 52}, {3, 59}, {4, 57}, {5, 68}, {-1, 50}, {9, 50}};
  std::vector<uint8_t> request = lp::build_request(lp::PKG_SET, lp::SET_BACKUP_START, 0, 7, 3, {});
  for (const Case& c : cases) {
    const char* text = lp::result_text(c.code);
    std::vector<uint8_t> reply = lp::build_reply(lp::ACK, request.data(), 1, c.code,
                                                 reinterpret_cast<const uint8_t*>(text),
                                                 std::string(text).size() + 1);
    EXPECT_EQ(reply.size(), c.pkg_len) << c.code;
    EXPECT_EQ(lp::get_le16(reply.data() + 2), c.pkg_len);
  }
}

TEST(LinkFormat, RestorePayloads) {
  const std::string uuid = "0f8fad5b-d9cb-469f-a165-70867728950e";
  std::vector<uint8_t> original = text_payload(uuid);
  for (uint8_t b : bytes({7, 0, 0, 0, 0, 0, 0, 0, 1})) original.push_back(b);
  auto r = lp::parse_restore(original.data(), original.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->uuid, uuid);
  EXPECT_EQ(r->version, 7u);
  EXPECT_EQ(r->flag, 1);
  EXPECT_FALSE(r->target);
  EXPECT_EQ(lp::REQUEST_HEADER_SIZE + original.size(), 74u);

  std::vector<uint8_t> to_folder = text_payload(uuid);
  for (uint8_t b : bytes({7, 0, 0, 0, 0, 0, 0, 0, 0, '/', 's', 'r', 'v', '/', 'x', 0})) to_folder.push_back(b);
  r = lp::parse_restore(to_folder.data(), to_folder.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(*r->target, "/srv/x");
  EXPECT_EQ(lp::REQUEST_HEADER_SIZE + to_folder.size(), 81u);
  to_folder.pop_back();  // without its zero byte the rest of the packet is the folder
  r = lp::parse_restore(to_folder.data(), to_folder.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(*r->target, "/srv/x");

  // No zero byte after the uuid, or no room for the version and flag: refused.
  std::vector<uint8_t> no_nul(uuid.begin(), uuid.end());
  EXPECT_FALSE(lp::parse_restore(no_nul.data(), no_nul.size()));
  std::vector<uint8_t> short_one = text_payload(uuid);
  short_one.push_back(7);
  EXPECT_FALSE(lp::parse_restore(short_one.data(), short_one.size()));
}

// Dispatch: what reaches the event pipe, as (event, pkg_len of the copy).
std::vector<std::pair<int, size_t>> emitted;
void collect(pipe_event event, gpointer data) {
  emitted.emplace_back(event, lp::get_le16(static_cast<uint8_t*>(data) + 2));
  g_free(data);
}

std::vector<uint8_t> set(uint8_t cmd, uint64_t seq, const std::vector<uint8_t>& payload = {}) {
  return lp::build_request(lp::PKG_SET, cmd, 0, 1, seq, payload);
}
std::vector<uint8_t> query(uint8_t cmd, uint64_t seq, const std::vector<uint8_t>& payload = {}) {
  return lp::build_request(lp::PKG_QUERY, cmd, 0, 1, seq, payload);
}

TEST(LinkDispatch, DuplicateRuleAndCommandTable) {
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> datagrams;
    std::vector<std::pair<int, size_t>> want;
  };
  const Case cases[] = {
      {"repeated set", {set(1, 5, text_payload("u")), set(1, 5, text_payload("u"))}, {{0, 30}}},
      {"version always served", {query(0, 5), query(0, 5)}, {{8, 28}, {8, 28}}},
      {"set and query share a number", {set(0, 5), query(2, 5, text_payload(""))}, {{5, 28}, {10, 29}}},
      {"all ones is the initial value", {set(6, UINT64_MAX), query(1, UINT64_MAX)}, {}},
      {"version takes the query number", {query(0, 9), query(2, 9, text_payload("x"))}, {{8, 28}}},
      {"every set command",
       {set(0, 1), set(1, 2), set(2, 3), set(3, 4), set(4, 5), set(5, 6), set(6, 7)},
       {{5, 28}, {0, 28}, {1, 28}, {2, 28}, {3, 28}, {7, 28}, {6, 28}}},
      {"unknown commands are dropped", {set(9, 1), query(7, 1), set(9, 2)}, {}},
      {"replies and unknown types are ignored",
       {lp::build_request(lp::ACK, 0, 0, 1, 1, {}), lp::build_request(lp::ANSWER, 0, 0, 1, 2, {}),
        lp::build_request(9, 0, 0, 1, 3, {})},
       {}},
  };
  for (const Case& c : cases) {
    emitted.clear();
    link_sequence_t sequence;
    for (const auto& d : c.datagrams) dispatch_datagram(d.data(), d.size(), sequence, collect);
    EXPECT_EQ(emitted, c.want) << c.what;
  }
}

TEST(LinkDispatch, MalformedDatagramsAreDroppedWithoutUsingTheSequenceNumber) {
  link_sequence_t sequence;
  emitted.clear();
  std::vector<uint8_t> good = set(6, 42);
  std::vector<uint8_t> too_long = good;
  lp::put_le16(too_long.data() + 2, 500);
  std::vector<uint8_t> too_short = good;
  lp::put_le16(too_short.data() + 2, 20);
  std::vector<uint8_t> ten(good.begin(), good.begin() + 10);
  for (const auto& bad : {too_long, too_short, ten}) {
    dispatch_datagram(bad.data(), bad.size(), sequence, collect);
  }
  dispatch_datagram(nullptr, 0, sequence, collect);
  EXPECT_TRUE(emitted.empty());
  // The same sequence number, now in a valid packet, is acted on.
  dispatch_datagram(good.data(), good.size(), sequence, collect);
  // Trailing bytes after pkg_len are not copied.
  std::vector<uint8_t> trailing = set(6, 43);
  trailing.insert(trailing.end(), {1, 2, 3});
  dispatch_datagram(trailing.data(), trailing.size(), sequence, collect);
  std::vector<std::pair<int, size_t>> want = {{6, 28}, {6, 28}};
  EXPECT_EQ(emitted, want);
}

std::vector<uint8_t> from(uint64_t gui_pid, uint8_t type, uint8_t cmd, uint64_t seq,
                          const std::vector<uint8_t>& payload = {}) {
  return lp::build_request(type, cmd, 0, gui_pid, seq, payload);
}

TEST(LinkDispatch, SequenceNumbersAreKeptPerController) {
  link_sequence_t sequence;
  emitted.clear();
  // The first controller, then the same one started again with a new process id: it
  // counts from 1 again and is served; a repeat of either is still dropped.
  for (const auto& d : {from(100, lp::PKG_SET, lp::SET_LOG_CLEAR, 1),
                        from(100, lp::PKG_QUERY, lp::QUERY_SESSION_SUMMARY, 2),
                        from(200, lp::PKG_SET, lp::SET_LOG_CLEAR, 1),
                        from(200, lp::PKG_QUERY, lp::QUERY_SESSION_SUMMARY, 2),
                        from(200, lp::PKG_SET, lp::SET_LOG_CLEAR, 1),
                        from(100, lp::PKG_QUERY, lp::QUERY_SESSION_SUMMARY, 2),
                        from(200, lp::PKG_QUERY, lp::QUERY_VERSION, 2),
                        from(200, lp::PKG_QUERY, lp::QUERY_VERSION, 2)}) {
    dispatch_datagram(d.data(), d.size(), sequence, collect);
  }
  std::vector<std::pair<int, size_t>> want = {{6, 28}, {9, 28}, {6, 28}, {9, 28}, {8, 28}, {8, 28}};
  EXPECT_EQ(emitted, want);
}

TEST(LinkDispatch, TheTableIsBoundedAndForgetsTheControllerUnusedLongest) {
  link_sequence_t sequence;
  emitted.clear();
  auto send = [&](uint64_t pid, uint64_t seq) {
    auto d = from(pid, lp::PKG_SET, lp::SET_LOG_CLEAR, seq);
    dispatch_datagram(d.data(), d.size(), sequence, collect);
  };
  send(1, 5);
  send(2, 5);
  // 1 is used again, so 2 is now the one unused longest.
  send(1, 6);
  for (uint64_t pid = 10; pid < 10 + link_sequence_t::kControllers; ++pid) send(pid, 5);
  EXPECT_EQ(sequence.controllers.size(), link_sequence_t::kControllers);
  emitted.clear();
  send(2, 5);  // forgotten: taken as new
  EXPECT_EQ(emitted.size(), 1u);
  emitted.clear();
  send(1000, 1);
  send(1000, 1);
  EXPECT_EQ(emitted.size(), 1u);
  EXPECT_EQ(sequence.controllers.size(), link_sequence_t::kControllers);
}

int asked = 0;
bool refuse(void*) {
  ++asked;
  return false;
}
bool grant(void*) {
  ++asked;
  return true;
}

TEST(LinkDispatch, ARefusedSenderGetsTheVersionOnlyAndUsesUpNoNumber) {
  link_sequence_t sequence;
  emitted.clear();
  asked = 0;
  for (const auto& d : {from(7, lp::PKG_SET, lp::SET_LOG_CLEAR, 1),
                        from(7, lp::PKG_SET, lp::SET_BACKUP_START, 2, text_payload("u")),
                        from(7, lp::PKG_QUERY, lp::QUERY_SESSION_SUMMARY, 3),
                        from(7, lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL, 4, text_payload("u")),
                        from(7, lp::PKG_QUERY, lp::QUERY_VERSION, 5)}) {
    dispatch_datagram(d.data(), d.size(), sequence, collect, refuse, nullptr);
  }
  std::vector<std::pair<int, size_t>> want = {{8, 28}};
  EXPECT_EQ(emitted, want);
  EXPECT_EQ(asked, 5);
  EXPECT_TRUE(sequence.controllers.empty());
  // The same numbers from an allowed sender of that controller are new.
  emitted.clear();
  for (const auto& d : {from(7, lp::PKG_SET, lp::SET_LOG_CLEAR, 1),
                        from(7, lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL, 5, text_payload("u"))}) {
    dispatch_datagram(d.data(), d.size(), sequence, collect, grant, nullptr);
  }
  want = {{6, 28}, {10, 30}};
  EXPECT_EQ(emitted, want);
  // Malformed datagrams are dropped before anyone is asked.
  asked = 0;
  std::vector<uint8_t> ten(10, 0);
  dispatch_datagram(ten.data(), ten.size(), sequence, collect, refuse, nullptr);
  EXPECT_EQ(asked, 0);
}

// The socket tables as the kernel prints them.
const char kUdp[] =
    "   sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
    "  100: 0100007F:1D4E 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 11 2 0000000000000000 0\n"
    "  101: 00000000:A001 00000000:0000 07 00000000:00000000 00:00000000 00000000  1000        0 12 2 0000000000000000 0\n"
    "  102: 0100007F:A002 00000000:0000 07 00000000:00000000 00:00000000 00000000     0        0 13 2 0000000000000000 0\n"
    "  103: 00000000:A002 00000000:0000 07 00000000:00000000 00:00000000 00000000    33        0 14 2 0000000000000000 0\n"
    "  104: 0200007F:A003 00000000:0000 07 00000000:00000000 00:00000000 00000000    44        0 15 2 0000000000000000 0\n"
    "  105: 0100007F:A004 0100007F:1D4E 01 00000000:00000000 00:00000000 00000000    55        0 16 2 0000000000000000 0\n"
    "  106: 0100007F:A004 0100007F:0035 01 00000000:00000000 00:00000000 00000000    66        0 17 2 0000000000000000 0\n";
const char kUdp6[] =
    "  sl  local_address                         remote_address                        st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode ref pointer drops\n"
    "  200: 00000000000000000000000000000000:A005 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000   77        0 21 2 0000000000000000 0\n"
    "  201: 0000000000000000FFFF00000100007F:A006 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000   88        0 22 2 0000000000000000 0\n"
    "  202: 00000000000000000000000001000000:A007 00000000000000000000000000000000:0000 07 00000000:00000000 00:00000000 00000000   99        0 23 2 0000000000000000 0\n";

sockaddr_in loopback_port(uint16_t port, const char* address = "127.0.0.1") {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  inet_pton(AF_INET, address, &a.sin_addr);
  return a;
}

TEST(LinkSender, EverySocketThatCouldHaveSentIsNamed) {
  const sockaddr_in service = loopback_port(7502);
  auto owners = [&](uint16_t port) {
    std::vector<uid_t> out;
    tessaly::udp_socket_owners_in(kUdp, kUdp6, loopback_port(port), service, &out);
    std::sort(out.begin(), out.end());
    return out;
  };
  using uids = std::vector<uid_t>;
  EXPECT_EQ(owners(0xA001), uids{1000});        // bound to the wildcard address
  EXPECT_EQ(owners(0xA002), (uids{0, 33}));     // two sockets share the port: both count
  EXPECT_EQ(owners(0xA003), uids{});            // bound to 127.0.0.2: could not send from .1
  EXPECT_EQ(owners(0xA004), uids{55});          // connected to the service, not elsewhere
  EXPECT_EQ(owners(0xA005), uids{77});          // IPv6 wildcard carries IPv4 too
  EXPECT_EQ(owners(0xA006), uids{88});          // ::ffff:127.0.0.1
  EXPECT_EQ(owners(0xA007), uids{});            // ::1 cannot send from 127.0.0.1
  EXPECT_EQ(owners(0xBEEF), uids{});            // gone
  // The live tables: a socket of this process is found with its owner.
  int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_in any = loopback_port(0);
  ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
  socklen_t length = sizeof any;
  ASSERT_EQ(::getsockname(s, reinterpret_cast<sockaddr*>(&any), &length), 0);
  std::vector<uid_t> live;
  ASSERT_TRUE(tessaly::udp_socket_owners(any, service, &live));
  EXPECT_EQ(live, std::vector<uid_t>{::geteuid()});
  ::close(s);
}

TEST(LinkSender, WhoMayConfigureTheService) {
  test_support::TempRoot root;
  std::string folder = root.path() + "/config";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  EXPECT_TRUE(tessaly::may_configure(0, folder));
  EXPECT_TRUE(tessaly::may_configure(::geteuid(), folder));  // its owner
  EXPECT_TRUE(tessaly::may_configure(0, root.path() + "/missing"));
  EXPECT_FALSE(tessaly::may_configure(4242, root.path() + "/missing"));
  if (::geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
  // getpwnam answers in one buffer of its own: each answer is copied at once.
  struct passwd* found = ::getpwnam("daemon");
  if (found == nullptr) GTEST_SKIP() << "no user daemon";
  uid_t member = found->pw_uid;
  gid_t group = found->pw_gid;
  found = ::getpwnam("bin");
  if (found == nullptr || found->pw_gid == group) GTEST_SKIP() << "no user bin of another group";
  uid_t other = found->pw_uid;
  ASSERT_EQ(::chown(folder.c_str(), 0, group), 0);
  // Without group rights the group's members may not.
  EXPECT_FALSE(tessaly::may_configure(member, folder));
  ASSERT_EQ(::chmod(folder.c_str(), 02770), 0);
  EXPECT_TRUE(tessaly::may_configure(member, folder));
  EXPECT_FALSE(tessaly::may_configure(other, folder));
  EXPECT_FALSE(tessaly::may_configure(54321, folder));  // a user id without an account
  ASSERT_EQ(::chmod(folder.c_str(), 02750), 0);          // the group may read only
  EXPECT_FALSE(tessaly::may_configure(member, folder));
  ASSERT_EQ(::chown(folder.c_str(), other, group), 0);
  EXPECT_TRUE(tessaly::may_configure(other, folder));    // the folder's owner
}

}  // namespace
