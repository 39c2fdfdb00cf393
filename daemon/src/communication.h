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
#include "link_sender.h"

struct comm_socket {
  GIOChannel* channel = nullptr;
  int socket = -1;
  guint watch_id = 0;
  std::vector<uint8_t> buffer;
  size_t buffer_size = 65536;
  socklen_t address_length = sizeof(sockaddr_in);
  sockaddr_in address{};
  sockaddr_in from{};  // the sender of the last datagram read
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

// The remembered sequence numbers of the duplicate rule, kept per controller (the gui_pid
// of the request header): a controller that starts again counts from 1 and is never taken
// for a repeat of its predecessor, while a repeat from the same controller is still dropped.
// The table holds the controllers seen last; when it is full, the one unused for the
// longest time is forgotten first, so that no sender can make it grow.
struct link_sequence_t {
  static constexpr size_t kControllers = 32;
  struct controller_t {
    uint64_t gui_pid = 0;
    uint64_t set_seq = UINT64_MAX;
    uint64_t query_seq = UINT64_MAX;
  };
  std::vector<controller_t> controllers;  // the one used last at the end
  // The entry of a controller, made (fresh: both values all ones) when it is not known.
  controller_t& of(uint64_t gui_pid);
};

// Hands a decoded request to the main thread (event_pipe_emit in the service).
using link_emit_t = void (*)(pipe_event event, tessaly::link::request request);

// Tells whether the sender of the datagram being dispatched may steer the service. Asked
// at most once per datagram, and only for a request that needs it (every set request and
// every query but the version query); a refused request changes nothing, not even the
// remembered sequence numbers.
using link_allowed_t = bool (*)(void* context);

// Checks one received datagram, decodes it (its first pkg_len bytes) and turns it into a
// pipe event with the decoded request. A datagram that is too short, or whose length field
// disagrees with what was received, is dropped before the duplicate rule and uses up no
// sequence number. Without `allowed` every sender is taken (tests).
void dispatch_datagram(const uint8_t* data, size_t size, link_sequence_t& sequence,
                       link_emit_t emit, link_allowed_t allowed = nullptr,
                       void* context = nullptr);
void handle_set(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit,
                link_allowed_t allowed = nullptr, void* context = nullptr);
void handle_query(const uint8_t* data, size_t size, link_sequence_t& sequence, link_emit_t emit,
                  link_allowed_t allowed = nullptr, void* context = nullptr);

// The check the live watch uses: the owners of the sending socket in `table` (a read of the
// socket tables taken after the datagram arrived, null when they could not be read) must all
// be allowed to configure the service; a refusal is logged, at most once a minute in all
// (link_access.cpp).
bool link_sender_allowed(const sockaddr_in& from, const tessaly::udp_socket_table* table);

// True while every socket bound to 127.0.0.1:7503 (where replies go) belongs to a user who
// may configure the service: answers that carry a task's data are sent only then. False with
// no such socket; a stranger's socket is logged, at most once a minute.
bool link_receiver_allowed();

// The address the replies are sent from (the send socket's own). False before it exists.
bool reply_source(sockaddr_in* address);

// Sends one datagram to the controller.
void write_packet(const uint8_t* data, size_t length);

uint64_t my_pid();

// 127.0.0.1 with the port.
sockaddr_in loopback(uint16_t port);
