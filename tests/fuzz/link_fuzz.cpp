// libFuzzer target over the service's datagram dispatch and the request payload readers.
#include <cstddef>
#include <cstdint>

#include "communication.h"
#include "fd_util.h"
#include "link_packet.h"

namespace lp = tessaly::link;

// The rest of the service is not linked into the fuzzer: the dispatch's diagnostic prints
// stay silent, and the socket and pipe functions that only the live watch calls are inert.
bool is_output(int) { return false; }
void event_pipe_emit(pipe_event, gpointer data) { g_free(data); }
int socket_cloexec_nonblock(int, int, int) { return -1; }
bool link_sender_allowed(const sockaddr_in&, const tessaly::udp_socket_table*) { return true; }
bool tessaly::udp_socket_table::read() { return false; }

namespace {

link_sequence_t sequence;

// Every other datagram comes from a sender that may not steer the service.
bool alternate(void* context) { return (*static_cast<unsigned*>(context))++ % 2 == 0; }
unsigned counter = 0;

void consume(pipe_event, gpointer data) {
  const auto* request = static_cast<const uint8_t*>(data);
  uint16_t pkg_len = lp::get_le16(request + 2);
  const uint8_t* payload = request + lp::REQUEST_HEADER_SIZE;
  size_t size = pkg_len - lp::REQUEST_HEADER_SIZE;
  lp::read_text(payload, size);
  lp::parse_restore(payload, size);
  g_free(data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dispatch_datagram(data, size, sequence, consume, alternate, &counter);
  return 0;
}
