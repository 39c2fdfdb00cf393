// The service end of the controller link: two UDP sockets on the loopback interface, the
// watch that reads each datagram on the main thread, the dispatch of a request to a pipe
// event (with the duplicate rule), and the sending of replies.
#pragma once

#include <glib.h>
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "event_pipe.h"

struct comm_socket {
  GIOChannel* channel = nullptr;
  int socket = -1;
  guint watch_id = 0;
  std::vector<uint8_t> buffer;
  size_t buffer_size = 65536;
  socklen_t address_length = sizeof(sockaddr_in);
  sockaddr_in address{};
};

comm_socket* socket_new(int domain, int type, int protocol, const sockaddr_in* address,
                        socklen_t address_length, int flags, GError** error);
void socket_free(comm_socket* socket);

bool listen_socket_init(GError** error);
void listen_socket_deinit();
bool target_socket_init(GError** error);
void target_socket_deinit();

gboolean daemon_socket_in_event(GIOChannel* channel, GIOCondition condition, gpointer data);
int read_packet(GIOChannel* channel, GIOCondition condition, comm_socket* socket);

// The two remembered sequence numbers of the duplicate rule.
struct link_sequence_t {
  uint64_t set_seq = UINT64_MAX;
  uint64_t query_seq = UINT64_MAX;
};

// Hands a request copy to the main thread (event_pipe_emit in the service).
using link_emit_t = void (*)(pipe_event event, gpointer data);

// Checks one received datagram and turns it into a pipe event with a copy of exactly pkg_len
// bytes. A datagram that is too short, or whose length field disagrees with what was
// received, is dropped before the duplicate rule and uses up no sequence number.
void dispatch_datagram(const uint8_t* data, size_t size, link_sequence_t& sequence,
                       link_emit_t emit);
void handle_set(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit);
void handle_query(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit);

// Sends one datagram to the controller.
void write_packet(const uint8_t* data, size_t length);

uint64_t my_pid();
