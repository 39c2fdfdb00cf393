// The event pipe: the only way for another thread to have work done on the main thread.
//
// A thread names an event and may hand over one link request, decoded where the datagram
// was read (the only data an event carries); the main loop later runs the event's one
// registered callback on the main thread with each queued request in turn (and once with
// null when the event was raised without one). A self-pipe wakes the loop, and a pending
// flag per event keeps at most one wake-up byte per event in the pipe.
#pragma once

#include <glib.h>

#include <array>
#include <deque>
#include <mutex>

#include "link_packet.h"

enum pipe_event {
  EVENT_BACKUP_START = 0,
  EVENT_BACKUP_STOP = 1,
  EVENT_RESTORE_START = 2,
  EVENT_RESTORE_STOP = 3,
  EVENT_UNUSED_4 = 4,
  EVENT_CONFIG_UPDATE = 5,
  EVENT_LOG_CLEAR = 6,
  EVENT_EMAIL_TEST = 7,
  EVENT_QUERY_VERSION = 8,
  EVENT_SESSION_SUMMARY = 9,
  EVENT_SESSION_DETAIL = 10,
  EVENT_STOP = 11,
  EVENT_SHUTDOWN = 12,
  PIPE_EVENT_MAX = 13,
};

// The request is the pipe's until the callback returns.
using event_pipe_callback = void (*)(const tessaly::link::request* request);

// One event pipe. The service uses one instance (the functions below); tests make their own.
class EventPipe {
 public:
  EventPipe() = default;
  EventPipe(const EventPipe&) = delete;
  EventPipe& operator=(const EventPipe&) = delete;

  // Creates the pipe and its G_IO_IN watch on `context` (null: the default context).
  void init(GMainContext* context);
  // Removes the watch and closes the pipe. Later emits do nothing, so a worker thread that
  // still runs during shutdown can never write into a closed or reused descriptor.
  void deinit();

  void register_callback(pipe_event event, event_pipe_callback callback);
  void emit(pipe_event event);
  void emit(pipe_event event, tessaly::link::request request);
  void invoke(pipe_event event);

  // The read descriptor (tests count the pending wake-up bytes on it).
  int read_fd() const { return fds_[0]; }

 private:
  static gboolean main_notify_event(GIOChannel* channel, GIOCondition condition, gpointer self);
  void wake_locked(pipe_event event);

  int fds_[2] = {-1, -1};
  GMainContext* context_ = nullptr;
  GIOChannel* channel_ = nullptr;
  guint source_id_ = 0;
  bool closed_ = false;
  std::mutex mutex_;  // event_pipe_mutex: the flags, the queues and the write descriptor
  std::array<bool, PIPE_EVENT_MAX> pending_{};
  std::array<std::deque<tessaly::link::request>, PIPE_EVENT_MAX> data_{};
  std::array<event_pipe_callback, PIPE_EVENT_MAX> callbacks_{};
};

// The service's event pipe.
void event_pipe_init();
void event_pipe_deinit();
void event_pipe_register(pipe_event event, event_pipe_callback callback);
void event_pipe_emit(pipe_event event);
void event_pipe_emit(pipe_event event, tessaly::link::request request);
void event_pipe_invoke(pipe_event event);
