#include "event_pipe.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "fd_util.h"
#include "i18n.h"

namespace {

// Programming errors stop the process with the failed condition and this file's name.
#define PIPE_ASSERT(cond, text)                                                          \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "daemon/src/event_pipe:%d: assertion failed: (%s)\n", __LINE__, \
                   text);                                                                \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

EventPipe& service_pipe() {
  // Never destroyed: worker threads may still emit while the process exits.
  static EventPipe* pipe = new EventPipe();
  return *pipe;
}

}  // namespace

void EventPipe::init(GMainContext* context) {
  if (pipe_cloexec_nonblock(fds_) < 0) {
    g_log("event_pipe", G_LOG_LEVEL_CRITICAL, _("Couldn't open pipe: %s"), std::strerror(errno));
    std::exit(1);
  }
  channel_ = g_io_channel_unix_new(fds_[0]);
  g_io_channel_set_encoding(channel_, nullptr, nullptr);
  g_io_channel_set_buffered(channel_, FALSE);
  GSource* source = g_io_create_watch(channel_, G_IO_IN);
  g_source_set_callback(source, G_SOURCE_FUNC(main_notify_event), this, nullptr);
  context_ = context;
  source_id_ = g_source_attach(source, context);
  g_source_unref(source);
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = false;
}

void EventPipe::deinit() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_ || fds_[0] < 0) return;
  closed_ = true;
  if (source_id_ != 0) {
    GSource* source = g_main_context_find_source_by_id(context_, source_id_);
    if (source != nullptr) g_source_destroy(source);
    source_id_ = 0;
  }
  g_io_channel_unref(channel_);
  channel_ = nullptr;
  close(fds_[0]);
  close(fds_[1]);
  fds_[0] = fds_[1] = -1;
}

void EventPipe::register_callback(pipe_event event, event_pipe_callback callback) {
  PIPE_ASSERT((unsigned)event < PIPE_EVENT_MAX, "(unsigned)event < PIPE_EVENT_MAX");
  PIPE_ASSERT(callbacks_[event] == NULL, "event_pipe_callbacks[event] == NULL");
  callbacks_[event] = callback;
}

// Sets the event's flag and writes its wake-up byte, unless one is already outstanding.
// Called with mutex_ held: the write happens under the same lock that deinit closes the
// descriptor under, so an emit can never reach a closed descriptor.
void EventPipe::wake_locked(pipe_event event) {
  if (closed_ || fds_[1] < 0 || pending_[event]) return;
  pending_[event] = true;
  const char byte = 0;
  for (;;) {
    if (write(fds_[1], &byte, 1) == 1) return;
    if (errno == EINTR) continue;
    // A full pipe already holds wake-up bytes, so the loop will run.
    if (errno == EAGAIN) return;
    int err = errno;
    mutex_.unlock();
    g_log("event_pipe", G_LOG_LEVEL_CRITICAL, _("error writing to pipe: %s"), std::strerror(err));
    std::exit(1);
  }
}

void EventPipe::emit(pipe_event event) {
  PIPE_ASSERT((unsigned)event < PIPE_EVENT_MAX, "(unsigned)event < PIPE_EVENT_MAX");
  std::lock_guard<std::mutex> lock(mutex_);
  wake_locked(event);
}

void EventPipe::emit(pipe_event event, tessaly::link::request request) {
  PIPE_ASSERT((unsigned)event < PIPE_EVENT_MAX, "(unsigned)event < PIPE_EVENT_MAX");
  std::lock_guard<std::mutex> lock(mutex_);
  if (closed_) return;
  data_[event].push_back(std::move(request));
  wake_locked(event);
}

void EventPipe::invoke(pipe_event event) {
  PIPE_ASSERT((unsigned)event < PIPE_EVENT_MAX, "(unsigned)event < PIPE_EVENT_MAX");
  PIPE_ASSERT(callbacks_[event] != NULL, "event_pipe_callbacks[event] != NULL");
  for (;;) {
    std::optional<tessaly::link::request> request;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!data_[event].empty()) {
        request = std::move(data_[event].front());
        data_[event].pop_front();
      }
    }
    callbacks_[event](request ? &*request : nullptr);
    std::lock_guard<std::mutex> lock(mutex_);
    if (data_[event].empty()) break;
  }
}

gboolean EventPipe::main_notify_event(GIOChannel* channel, GIOCondition, gpointer self_ptr) {
  auto* self = static_cast<EventPipe*>(self_ptr);
  gchar buf[256];
  gsize got = 0;
  GError* error = nullptr;
  GIOStatus status = g_io_channel_read_chars(channel, buf, sizeof buf, &got, &error);
  if (status == G_IO_STATUS_ERROR) {
    g_log("event_pipe", G_LOG_LEVEL_CRITICAL, _("error reading from pipe: %s"),
          error != nullptr ? error->message : "");
    std::exit(1);
  }
  std::array<bool, PIPE_EVENT_MAX> raised{};
  {
    std::lock_guard<std::mutex> lock(self->mutex_);
    raised = self->pending_;
    self->pending_.fill(false);
  }
  for (int ev = 0; ev < PIPE_EVENT_MAX; ++ev) {
    if (raised[ev]) self->invoke(static_cast<pipe_event>(ev));
  }
  return TRUE;
}

void event_pipe_init() { service_pipe().init(nullptr); }
void event_pipe_deinit() { service_pipe().deinit(); }
void event_pipe_register(pipe_event event, event_pipe_callback callback) {
  service_pipe().register_callback(event, callback);
}
void event_pipe_emit(pipe_event event) { service_pipe().emit(event); }
void event_pipe_emit(pipe_event event, tessaly::link::request request) {
  service_pipe().emit(event, std::move(request));
}
void event_pipe_invoke(pipe_event event) { service_pipe().invoke(event); }
