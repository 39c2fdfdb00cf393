// libFuzzer target over every decoder of the link: the service's datagram dispatch, the
// request and reply readers and the three answer payloads. Each input is taken as a
// datagram both ways (a request to the service, a reply to the controller) and, from its
// second byte on, as a bare payload, so hostile lengths and missing zero bytes reach every
// reader. What a decoder accepts must encode back to bytes that decode to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "communication.h"
#include "fd_util.h"
#include "link_packet.h"

namespace lp = tessaly::link;

// The rest of the service is not linked into the fuzzer: the dispatch's diagnostic prints
// stay silent, and the socket and pipe functions that only the live watch calls are inert.
bool is_output(int) { return false; }
void event_pipe_emit(pipe_event, lp::request) {}
int socket_cloexec_nonblock(int, int, int) { return -1; }
bool link_sender_allowed(const sockaddr_in&, const tessaly::udp_socket_table*) { return true; }
bool tessaly::udp_socket_table::read() { return false; }

namespace {

link_sequence_t sequence;

// Every other datagram comes from a sender that may not steer the service.
bool alternate(void* context) { return (*static_cast<unsigned*>(context))++ % 2 == 0; }
unsigned counter = 0;

void check(bool holds) {
  if (!holds) std::abort();
}

bool same(const lp::restore_request& a, const lp::restore_request& b) {
  return a.uuid == b.uuid && a.version == b.version && a.flag == b.flag && a.target == b.target;
}

bool same(const lp::detail_answer& a, const lp::detail_answer& b) {
  return a.trigger_kind == b.trigger_kind && a.backup_kind == b.backup_kind && a.uuid == b.uuid &&
         a.name == b.name && a.state == b.state && a.next_time == b.next_time &&
         a.last_time == b.last_time && a.paths == b.paths;
}

// A decoded restore encodes to a payload that decodes to it again.
void restore_round_trip(const lp::restore_request& r) {
  std::vector<uint8_t> bytes = lp::encode_restore(r);
  auto again = lp::parse_restore(bytes.data(), bytes.size());
  check(again && same(*again, r));
}

// The input decoded as a request, to compare with what the dispatch hands on.
std::optional<lp::request> expected;

// The dispatch hands on the request as decode_request reads the datagram.
void consume(pipe_event, lp::request request) {
  check(expected.has_value());
  check(request.header.pkg_len == expected->header.pkg_len &&
        request.header.seq_no == expected->header.seq_no && request.uuid == expected->uuid &&
        request.restore.has_value() == expected->restore.has_value());
  if (request.restore) {
    check(same(*request.restore, *expected->restore));
    restore_round_trip(*request.restore);
  }
}

// Every reader of answer payloads over the same bytes.
void payload_readers(const uint8_t* payload, size_t size) {
  lp::read_text(payload, size);
  if (auto r = lp::parse_restore(payload, size)) restore_round_trip(*r);
  if (auto v = lp::decode_version(payload, size)) {
    std::vector<uint8_t> bytes = lp::encode_version(*v);
    auto again = lp::decode_version(bytes.data(), bytes.size());
    check(again && again->first_word == v->first_word && again->second_word == v->second_word &&
          again->text == v->text);
  }
  if (auto s = lp::decode_summary(payload, size)) {
    std::vector<uint8_t> bytes = lp::encode_summary(*s);
    auto again = lp::decode_summary(bytes.data(), bytes.size());
    check(again && again->tasks == s->tasks && again->backups == s->backups &&
          again->restores == s->restores && again->text == s->text);
  }
  if (auto d = lp::decode_detail(payload, size)) {
    // The decoded answer is no longer than its bytes: when those fit one reply, so does
    // the answer, whole.
    auto bytes = lp::encode_detail(*d);
    if (size <= lp::MAX_REPLY_PAYLOAD) {
      check(bytes.has_value() && bytes->size() <= size);
      auto again = lp::decode_detail(bytes->data(), bytes->size());
      check(again && same(*again, *d));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  expected = lp::decode_request(data, size);
  dispatch_datagram(data, size, sequence, consume, alternate, &counter);
  if (auto reply = lp::parse_reply(data, size)) {
    check(reply->payload_size <= size - lp::REPLY_HEADER_SIZE);
    payload_readers(reply->payload, reply->payload_size);
  }
  if (size > 0) payload_readers(data + 1, size - 1);
  return 0;
}
