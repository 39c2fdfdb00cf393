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

// Dispatch: what reaches the event pipe, as (event, pkg_len of the request).
std::vector<std::pair<int, size_t>> emitted;
void collect(pipe_event event, lp::request request) {
  emitted.emplace_back(event, request.header.pkg_len);
}

std::vector<uint8_t> set(uint8_t cmd, uint64_t seq, const std::vector<uint8_t>& payload = {}) {
  return lp::build_request(lp::PKG_SET, cmd, 0, 1, seq, payload);
}
std::vector<uint8_t> query(uint8_t cmd, uint64_t seq, const std::vector<uint8_t>& payload = {}) {
  return lp::build_request(lp::PKG_QUERY, cmd, 0, 1, seq, payload);
}

// Encode then decode, for every layout the codec knows: the value comes back whole and the
// bytes are as long as the layout says.
TEST(LinkCodec, RoundTrips) {
  const std::string uuid = "0f8fad5b-d9cb-469f-a165-70867728950e";
  const std::string utf8 = "\xE5\xA4\x87\xE4\xBB\xBD \xC3\x9C";

  struct RestoreCase {
    const char* what;
    lp::restore_request value;
    size_t size;
  };
  const RestoreCase restores[] = {
      {"to the original place", {uuid, 7, 1, std::nullopt}, 37 + 9},
      {"any other flag is the original place too", {uuid, UINT64_MAX, 0xFE, std::nullopt}, 37 + 9},
      {"into a folder", {uuid, 0x0102030405060708ull, 0, "/srv/x"}, 37 + 9 + 7},
      {"into a folder named in UTF-8", {"", 0, 0, utf8}, 1 + 9 + utf8.size() + 1},
  };
  for (const RestoreCase& c : restores) {
    std::vector<uint8_t> bytes = lp::encode_restore(c.value);
    EXPECT_EQ(bytes.size(), c.size) << c.what;
    auto back = lp::parse_restore(bytes.data(), bytes.size());
    ASSERT_TRUE(back) << c.what;
    EXPECT_EQ(back->uuid, c.value.uuid) << c.what;
    EXPECT_EQ(back->version, c.value.version) << c.what;
    EXPECT_EQ(back->flag, c.value.flag) << c.what;
    EXPECT_EQ(back->target, c.value.target) << c.what;
  }
  // A folder-less restore into a folder sends an empty one.
  std::vector<uint8_t> no_folder = lp::encode_restore({uuid, 1, 0, std::nullopt});
  EXPECT_EQ(lp::parse_restore(no_folder.data(), no_folder.size())->target, std::string());

  struct DetailCase {
    const char* what;
    lp::detail_answer value;
    size_t size;
  };
  const DetailCase details[] = {
      {"no path", {0, 0, uuid, "Photos", "Not started", "", "2026-03-01T07:30:00Z", {}},
       4 + 37 + 7 + 12 + 1 + 21},
      {"one destination, two sources, UTF-8",
       {1, 2, uuid, utf8, utf8, "2026-03-02T07:30:00Z", "", {"/dest", "/a", utf8}},
       4 + 37 + 2 * (utf8.size() + 1) + 21 + 1 + 6 + 3 + utf8.size() + 1},
      {"an empty path in the list", {2, 1, "", "", "", "", "", {"/d", "", "/b"}}, 4 + 5 + 3 + 1 + 3},
  };
  for (const DetailCase& c : details) {
    auto bytes = lp::encode_detail(c.value);
    ASSERT_TRUE(bytes) << c.what;
    EXPECT_EQ(bytes->size(), c.size) << c.what;
    EXPECT_EQ((*bytes)[0], lp::DETAIL_TAG) << c.what;
    EXPECT_EQ((*bytes)[1], 0) << c.what;
    auto back = lp::decode_detail(bytes->data(), bytes->size());
    ASSERT_TRUE(back) << c.what;
    EXPECT_EQ(back->trigger_kind, c.value.trigger_kind) << c.what;
    EXPECT_EQ(back->backup_kind, c.value.backup_kind) << c.what;
    EXPECT_EQ(back->uuid, c.value.uuid) << c.what;
    EXPECT_EQ(back->name, c.value.name) << c.what;
    EXPECT_EQ(back->state, c.value.state) << c.what;
    EXPECT_EQ(back->next_time, c.value.next_time) << c.what;
    EXPECT_EQ(back->last_time, c.value.last_time) << c.what;
    EXPECT_EQ(back->paths, c.value.paths) << c.what;
  }

  // The version answer the service sends, byte for byte, and another one.
  EXPECT_EQ(lp::encode_version(), bytes({0, 0, 0, 2, 0, 0, 0, 1, 0}));
  for (const lp::version_answer& v : {lp::version_answer{}, lp::version_answer{1, 0xA0B0C0D0, utf8}}) {
    std::vector<uint8_t> b = lp::encode_version(v);
    auto back = lp::decode_version(b.data(), b.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->first_word, v.first_word);
    EXPECT_EQ(back->second_word, v.second_word);
    EXPECT_EQ(back->text, v.text);
  }

  for (const lp::summary_answer& a :
       {lp::summary_answer{0, 0, 0, ""}, lp::summary_answer{255, 3, 1, "unknown error"}}) {
    std::vector<uint8_t> b = lp::encode_summary(a);
    EXPECT_EQ(b.size(), 3 + a.text.size() + 1);
    auto back = lp::decode_summary(b.data(), b.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(std::vector<int>({back->tasks, back->backups, back->restores}),
              std::vector<int>({a.tasks, a.backups, a.restores}));
    EXPECT_EQ(back->text, a.text);
  }
  EXPECT_EQ(lp::result_payload(lp::RESULT_NO_SESSION), text_payload("can not find the backup session"));
  EXPECT_EQ(lp::result_payload(0), bytes({0}));
}

// Every cut of an answer: nothing is taken until its fields are whole, and a detail answer
// then keeps only its whole paths.
TEST(LinkCodec, CutAnswersAreRefusedOrKeepOnlyWholeTexts) {
  lp::detail_answer detail{0, 1, "u", "name", "Not started", "", "2026", {"/dest", "/src"}};
  const std::vector<uint8_t> full = *lp::encode_detail(detail);
  const size_t texts_end = 4 + 2 + 5 + 12 + 1 + 5;  // after the last run time's zero byte
  for (size_t k = 0; k <= full.size(); ++k) {
    auto d = lp::decode_detail(full.data(), k);
    ASSERT_EQ(d.has_value(), k >= texts_end) << k;
    if (!d) continue;
    std::vector<std::string> whole;
    if (k >= texts_end + 6) whole.push_back("/dest");
    if (k == full.size()) whole.push_back("/src");
    EXPECT_EQ(d->paths, whole) << k;
    EXPECT_EQ(d->last_time, "2026");
  }
  const std::vector<uint8_t> version = lp::encode_version();
  for (size_t k = 0; k < version.size(); ++k) EXPECT_FALSE(lp::decode_version(version.data(), k)) << k;
  const std::vector<uint8_t> summary = lp::encode_summary({1, 2, 3, "x"});
  for (size_t k = 0; k < summary.size(); ++k) EXPECT_FALSE(lp::decode_summary(summary.data(), k)) << k;
  EXPECT_FALSE(lp::decode_detail(nullptr, 0));
  EXPECT_FALSE(lp::decode_version(nullptr, 0));
  EXPECT_FALSE(lp::decode_summary(nullptr, 0));
}

// The detail answer fits one datagram: whole trailing paths are left out, never a part of
// one; the task's own texts too long for any datagram give no answer.
TEST(LinkCodec, DetailAnswerFitsOneDatagram) {
  lp::detail_answer detail{0, 0, "u", "n", "s", "", "", {}};
  const size_t fixed = 4 + 2 + 2 + 2 + 1 + 1;  // tag and kinds, "u", "n", "s", "", ""
  const size_t room = lp::MAX_REPLY_PAYLOAD - fixed;
  struct Case {
    std::vector<size_t> path_sizes;
    size_t kept;
  };
  const Case cases[] = {
      {{room - 1}, 1},                // exactly full
      {{room}, 0},                    // one byte over
      {{10, room - 11 - 1, 1}, 2},    // the third no longer fits
      {{10, room - 11 - 2, 0}, 3},    // an empty path still fits
      {{room, 10}, 0},                // a later short path is not sent after a left-out one
  };
  for (const Case& c : cases) {
    detail.paths.clear();
    for (size_t n : c.path_sizes) detail.paths.push_back(std::string(n, 'p'));
    auto bytes = lp::encode_detail(detail);
    ASSERT_TRUE(bytes);
    EXPECT_LE(bytes->size(), lp::MAX_REPLY_PAYLOAD);
    auto back = lp::decode_detail(bytes->data(), bytes->size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->paths.size(), c.kept) << c.path_sizes.size();
  }
  detail.paths.clear();
  detail.name = std::string(lp::MAX_REPLY_PAYLOAD, 'n');
  EXPECT_FALSE(lp::encode_detail(detail));
}

// A reply's header as the controller reads it, and the bounds of its payload.
TEST(LinkCodec, ParseReply) {
  std::vector<uint8_t> request = lp::build_request(lp::PKG_QUERY, lp::QUERY_SESSION_DETAIL, 0,
                                                   0x0102030405060708ull, 0x1112131415161718ull, {});
  auto header = lp::parse_request(request.data(), request.size());
  ASSERT_TRUE(header);
  const uint8_t payload[] = {'a', 'b', 0};
  std::vector<uint8_t> reply = lp::build_reply(lp::ANSWER, *header, 2571, -5, payload, 3);
  // Built from the decoded header or from the request's bytes: the same reply.
  EXPECT_EQ(reply, lp::build_reply(lp::ANSWER, request.data(), 2571, -5, payload, 3));
  auto r = lp::parse_reply(reply.data(), reply.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->header.pkg_type, lp::ANSWER);
  EXPECT_EQ(r->header.cmd_type, lp::QUERY_SESSION_DETAIL);
  EXPECT_EQ(r->header.pkg_len, 39);
  EXPECT_EQ(r->header.daemon_pid, 2571u);
  EXPECT_EQ(r->header.gui_pid, 0x0102030405060708ull);
  EXPECT_EQ(r->header.seq_no, 0x1112131415161718ull);
  EXPECT_EQ(r->header.result, -5);
  EXPECT_EQ(std::vector<uint8_t>(r->payload, r->payload + r->payload_size), bytes({'a', 'b', 0}));

  struct Case {
    const char* what;
    size_t size;      // bytes of the datagram
    int pkg_len;      // -1: as built
    int payload;      // -1: refused
  };
  const Case cases[] = {
      {"shorter than the header", 35, -1, -1},
      {"length field below the header", 39, 35, -1},
      {"header alone", 36, 36, 0},
      {"cut on the way: what arrived", 37, -1, 1},
      {"bytes after pkg_len are not payload", 39, 37, 1},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> d(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(c.size));
    if (c.pkg_len >= 0) lp::put_le16(d.data() + 2, static_cast<uint16_t>(c.pkg_len));
    auto got = lp::parse_reply(d.data(), d.size());
    EXPECT_EQ(got.has_value(), c.payload >= 0) << c.what;
    if (got) {
      EXPECT_EQ(got->payload_size, static_cast<size_t>(c.payload)) << c.what;
    }
  }
  EXPECT_FALSE(lp::parse_reply(nullptr, 0));
}

// What a request's payload becomes, by command; nothing after pkg_len is read.
TEST(LinkCodec, DecodeRequest) {
  const std::vector<uint8_t> named = text_payload("u-1");
  std::vector<uint8_t> restore = lp::encode_restore({"u-2", 9, 0, "/t"});
  struct Case {
    const char* what;
    std::vector<uint8_t> datagram;
    std::string uuid;
    bool restore;
  };
  const Case cases[] = {
      {"backup start", set(lp::SET_BACKUP_START, 1, named), "u-1", false},
      {"backup stop", set(lp::SET_BACKUP_STOP, 1, named), "u-1", false},
      {"restore stop", set(lp::SET_RESTORE_STOP, 1, named), "u-1", false},
      {"detail query", query(lp::QUERY_SESSION_DETAIL, 1, named), "u-1", false},
      {"uuid without its zero byte", set(lp::SET_BACKUP_START, 1, bytes({'a', 'b'})), "ab", false},
      {"restore start", set(lp::SET_RESTORE_START, 1, restore), "", true},
      {"malformed restore start", set(lp::SET_RESTORE_START, 1, named), "", false},
      {"log clear reads no payload", set(lp::SET_LOG_CLEAR, 1, named), "", false},
      {"summary reads no payload", query(lp::QUERY_SESSION_SUMMARY, 1, named), "", false},
      {"an answer is not a task request", lp::build_request(lp::ANSWER, 2, 0, 1, 1, named), "", false},
  };
  for (const Case& c : cases) {
    auto r = lp::decode_request(c.datagram.data(), c.datagram.size());
    ASSERT_TRUE(r) << c.what;
    EXPECT_EQ(r->header.pkg_len, c.datagram.size()) << c.what;
    EXPECT_EQ(r->uuid, c.uuid) << c.what;
    EXPECT_EQ(r->restore.has_value(), c.restore) << c.what;
  }
  auto r = lp::decode_request(cases[5].datagram.data(), cases[5].datagram.size());
  EXPECT_EQ(r->restore->uuid, "u-2");
  EXPECT_EQ(r->restore->version, 9u);
  EXPECT_EQ(r->restore->target, "/t");

  // The uuid ends at pkg_len even when more text follows in the datagram.
  std::vector<uint8_t> cut = set(lp::SET_BACKUP_STOP, 1, bytes({'a', 'b'}));
  cut.insert(cut.end(), {'c', 'd', 0});
  r = lp::decode_request(cut.data(), cut.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->uuid, "ab");
  std::vector<uint8_t> too_long = set(lp::SET_BACKUP_STOP, 1, named);
  lp::put_le16(too_long.data() + 2, static_cast<uint16_t>(too_long.size() + 1));
  EXPECT_FALSE(lp::decode_request(too_long.data(), too_long.size()));
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
