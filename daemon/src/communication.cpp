#include "communication.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "fd_util.h"
#include "i18n.h"
#include "link_packet.h"
#include "log.h"

namespace lp = tessaly::link;

namespace {

struct socket_deleter {
  void operator()(comm_socket* s) const { socket_free(s); }
};
using socket_ptr = std::unique_ptr<comm_socket, socket_deleter>;

socket_ptr listen_socket;
// The send socket lives until the process ends; worker threads never use it (replies are
// sent from the main thread), and it is never freed under them.
comm_socket* target_socket = nullptr;
link_sequence_t received_sequence;

void set_socket_error(GError** error, const char* format, int err) {
  g_set_error(error, g_quark_from_static_string("communication"), err, format,
              std::strerror(err));
}

// The datagrams read in one turn of the watch, at most kBatch, all read before the socket
// tables are: every sender of the batch sent before the one read of the tables that checks
// them all (a read per datagram would cost the main thread tens of microseconds each, and a
// flood of refused datagrams could then crowd out the controller's).
constexpr size_t kBatch = 64;

struct datagram_t {
  std::vector<uint8_t> bytes;
  sockaddr_in from{};
};

class batch_tables {
 public:
  // The socket tables, read at the first need of the batch; null when unreadable.
  const tessaly::udp_socket_table* get() {
    if (!read_) {
      read_ = true;
      readable_ = table_.read();
    }
    return readable_ ? &table_ : nullptr;
  }

 private:
  tessaly::udp_socket_table table_;
  bool read_ = false;
  bool readable_ = false;
};

struct sender_t {
  const sockaddr_in* from;
  batch_tables* tables;
};

bool sender_allowed(void* context) {
  auto* sender = static_cast<sender_t*>(context);
  return link_sender_allowed(*sender->from, sender->tables->get());
}

// The answer of `allowed` for one datagram, asked at its first use.
class permission {
 public:
  permission(link_allowed_t allowed, void* context) : allowed_(allowed), context_(context) {}
  bool granted() {
    if (!asked_) {
      granted_ = allowed_ == nullptr || allowed_(context_);
      asked_ = true;
    }
    return granted_;
  }

 private:
  link_allowed_t allowed_;
  void* context_;
  bool asked_ = false;
  bool granted_ = false;
};

}  // namespace

comm_socket* socket_new(int domain, int type, int protocol, const sockaddr_in* address,
                        socklen_t address_length, int, GError** error) {
  auto s = std::make_unique<comm_socket>();
  s->buffer.assign(s->buffer_size, 0);
  s->address = *address;
  s->address_length = address_length;
  s->socket = socket_cloexec_nonblock(domain, type, protocol);
  if (s->socket < 0) {
    set_socket_error(error, _("Can not create socket: %s"), errno);
    return nullptr;
  }
  return s.release();
}

void socket_free(comm_socket* s) {
  if (s == nullptr) return;
  if (s->watch_id != 0) g_source_remove(s->watch_id);
  if (s->channel != nullptr) g_io_channel_unref(s->channel);
  if (s->socket >= 0) close(s->socket);
  delete s;
}

bool listen_socket_init(GError** error) {
  sockaddr_in address = loopback(lp::SERVICE_PORT);
  socket_ptr s(socket_new(AF_INET, SOCK_DGRAM, 0, &address, sizeof address, 0, error));
  if (!s) return false;
  daemon_print(0, "type = SOCK_DGRAM");
  // No SO_REUSEADDR: on Linux it would let a second daemon share the port.
  if (bind(s->socket, reinterpret_cast<const sockaddr*>(&s->address), s->address_length) != 0) {
    set_socket_error(error, _("Can not bind 127.0.0.1:7502: %s"), errno);
    return false;
  }
  s->channel = g_io_channel_unix_new(s->socket);
  g_io_channel_set_encoding(s->channel, nullptr, nullptr);
  g_io_channel_set_buffered(s->channel, FALSE);
  s->watch_id = g_io_add_watch(s->channel, G_IO_IN, daemon_socket_in_event, s.get());
  listen_socket = std::move(s);
  return true;
}

void listen_socket_deinit() { listen_socket.reset(); }

bool target_socket_init(GError** error) {
  sockaddr_in address = loopback(lp::CONTROLLER_PORT);
  socket_ptr s(socket_new(AF_INET, SOCK_DGRAM, 0, &address, sizeof address, 0, error));
  if (!s) return false;
  if (connect(s->socket, reinterpret_cast<const sockaddr*>(&s->address), s->address_length) != 0) {
    set_socket_error(error, _("Can not connect to 127.0.0.1:7503: %s"), errno);
    return false;
  }
  s->channel = g_io_channel_unix_new(s->socket);
  g_io_channel_set_encoding(s->channel, nullptr, nullptr);
  g_io_channel_set_buffered(s->channel, FALSE);
  target_socket = s.release();
  return true;
}

void target_socket_deinit() {
  socket_free(target_socket);
  target_socket = nullptr;
}

int read_packet(GIOChannel*, GIOCondition, comm_socket* s) {
  for (;;) {
    socklen_t from_length = sizeof s->from;
    s->from = sockaddr_in{};
    ssize_t n = recvfrom(s->socket, s->buffer.data(), s->buffer_size, 0,
                         reinterpret_cast<sockaddr*>(&s->from), &from_length);
    if (n >= 0) return static_cast<int>(n);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      daemon_print(0, "G_IO_STATUS_AGAIN");
      return -1;
    }
    g_warning(_("Failed to read from client %s"), std::strerror(errno));
    return -1;
  }
}

gboolean daemon_socket_in_event(GIOChannel* channel, GIOCondition condition, gpointer data) {
  if (!(condition & G_IO_IN)) return FALSE;
  auto* s = static_cast<comm_socket*>(data);
  static std::vector<datagram_t> batch(kBatch);
  size_t count = 0;
  while (count < kBatch) {
    int n = read_packet(channel, condition, s);
    // Nothing read: never dispatch the previous datagram again.
    if (n < 0) break;
    batch[count].bytes.assign(s->buffer.begin(), s->buffer.begin() + n);
    batch[count].from = s->from;
    ++count;
  }
  batch_tables tables;
  for (size_t i = 0; i < count; ++i) {
    sender_t sender{&batch[i].from, &tables};
    dispatch_datagram(batch[i].bytes.data(), batch[i].bytes.size(), received_sequence,
                      event_pipe_emit, sender_allowed, &sender);
  }
  return TRUE;
}

bool reply_source(sockaddr_in* address) {
  if (target_socket == nullptr) return false;
  socklen_t length = sizeof *address;
  return getsockname(target_socket->socket, reinterpret_cast<sockaddr*>(address), &length) == 0;
}

link_sequence_t::controller_t& link_sequence_t::of(uint64_t gui_pid) {
  for (size_t i = 0; i < controllers.size(); ++i) {
    if (controllers[i].gui_pid != gui_pid) continue;
    if (i + 1 != controllers.size()) {
      controller_t found = controllers[i];
      controllers.erase(controllers.begin() + static_cast<std::ptrdiff_t>(i));
      controllers.push_back(found);
    }
    return controllers.back();
  }
  if (controllers.size() >= kControllers) controllers.erase(controllers.begin());
  controller_t fresh;
  fresh.gui_pid = gui_pid;
  controllers.push_back(fresh);
  return controllers.back();
}

void dispatch_datagram(const uint8_t* data, size_t size, link_sequence_t& sequence,
                       link_emit_t emit, link_allowed_t allowed, void* context) {
  if (size == 0) {
    daemon_print(0, "Got an unknown pakcage");
    return;
  }
  switch (data[0]) {
    case lp::PKG_SET:
      daemon_print(0, "Got a PKG_SET pakcage");
      handle_set(data, size, sequence, emit, allowed, context);
      break;
    case lp::PKG_QUERY:
      daemon_print(0, "Got a PKG_QUERY pakcage");
      handle_query(data, size, sequence, emit, allowed, context);
      break;
    case lp::ACK:
      daemon_print(0, "Got an ACK pakcage");
      break;
    case lp::ANSWER:
      daemon_print(0, "Got an ANSWER pakcage");
      break;
    default:
      daemon_print(0, "Got an unknown pakcage");
      break;
  }
}

void handle_set(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit,
                link_allowed_t allowed, void* context) {
  std::optional<lp::request> request = lp::decode_request(data, size);
  if (!request) return;
  const lp::request_header header = request->header;
  pipe_event event;
  switch (header.cmd_type) {
    case lp::SET_CONFIG_UPDATE: event = EVENT_CONFIG_UPDATE; break;
    case lp::SET_BACKUP_START: event = EVENT_BACKUP_START; break;
    case lp::SET_BACKUP_STOP: event = EVENT_BACKUP_STOP; break;
    case lp::SET_RESTORE_START: event = EVENT_RESTORE_START; break;
    case lp::SET_RESTORE_STOP: event = EVENT_RESTORE_STOP; break;
    case lp::SET_EMAIL_TEST: event = EVENT_EMAIL_TEST; break;
    case lp::SET_LOG_CLEAR: event = EVENT_LOG_CLEAR; break;
    default: event = PIPE_EVENT_MAX; break;
  }
  // Only a sender that may steer the service reaches the duplicate rule: a refused request
  // cannot use up the number of a controller's next one.
  permission may(allowed, context);
  if (!may.granted()) return;
  link_sequence_t::controller_t& controller = sequence.of(header.gui_pid);
  if (header.seq_no == controller.set_seq) return;
  controller.set_seq = header.seq_no;
  daemon_print(0, "My PID %lld\n", static_cast<long long>(my_pid()));
  if (event == PIPE_EVENT_MAX) {
    daemon_print(0, "Got an unknow set packet. cmd_type: 0x%X\n", header.cmd_type);
    return;
  }
  emit(event, std::move(*request));
}

void handle_query(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit,
                  link_allowed_t allowed, void* context) {
  std::optional<lp::request> request = lp::decode_request(data, size);
  if (!request) return;
  const lp::request_header header = request->header;
  permission may(allowed, context);
  // A version query is always served, whoever sends it; it takes the query sequence number
  // of a controller that may steer the service.
  if (header.cmd_type == lp::QUERY_VERSION) {
    emit(EVENT_QUERY_VERSION, std::move(*request));
    if (may.granted()) sequence.of(header.gui_pid).query_seq = header.seq_no;
    return;
  }
  if (!may.granted()) return;
  link_sequence_t::controller_t& controller = sequence.of(header.gui_pid);
  if (header.seq_no == controller.query_seq) return;
  controller.query_seq = header.seq_no;
  switch (header.cmd_type) {
    case lp::QUERY_SESSION_SUMMARY:
      emit(EVENT_SESSION_SUMMARY, std::move(*request));
      break;
    case lp::QUERY_SESSION_DETAIL:
      emit(EVENT_SESSION_DETAIL, std::move(*request));
      break;
    default:
      daemon_print(0, "Got an unknow query packet. cmd_type: 0x%X\n", header.cmd_type);
      break;
  }
}

void write_packet(const uint8_t* data, size_t length) {
  if (target_socket == nullptr) return;
  // The send socket is connected: after a reply met a closed port, Linux fails the next send
  // once with ECONNREFUSED. That datagram is sent again so that it is not lost.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ssize_t n = send(target_socket->socket, data, length, 0);
    if (n >= 0) {
      if (static_cast<size_t>(n) < length) {
        daemon_print(0, "Can not send all of the packet to GUI Controller");
      }
      return;
    }
    if (errno == EINTR || errno == ECONNREFUSED) continue;
    break;
  }
  daemon_print(2, "Failed to write to GUI Controller: %s", std::strerror(errno));
}

sockaddr_in loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

uint64_t my_pid() { return static_cast<uint64_t>(static_cast<uint32_t>(getpid())); }
