// The link's wire format and the service's dispatch of received datagrams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "communication.h"
#include "link_packet.h"

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

}  // namespace
