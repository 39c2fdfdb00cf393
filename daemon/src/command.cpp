#include "command.h"

#include <cstring>
#include <string>
#include <vector>

#include "communication.h"
#include "event_pipe.h"
#include "i18n.h"
#include "link_packet.h"
#include "log.h"
#include "session.h"
#include "threads.h"

namespace lp = tessaly::link;

namespace {

const uint8_t* request_of(gpointer data) { return static_cast<const uint8_t*>(data); }

// The request's payload: the bytes after the header, up to its pkg_len.
struct payload_view {
  const uint8_t* data;
  size_t size;
};

payload_view payload_of(const uint8_t* request) {
  uint16_t pkg_len = lp::get_le16(request + 2);
  return {request + lp::REQUEST_HEADER_SIZE, pkg_len - lp::REQUEST_HEADER_SIZE};
}

std::string uuid_of(const uint8_t* request) {
  payload_view p = payload_of(request);
  return lp::read_text(p.data, p.size).text;
}

void ack_with_text(const uint8_t* request, int64_t result) {
  const char* text = lp::result_text(result);
  send_ack(request, text, std::strlen(text) + 1, result);
}

void send_reply(uint8_t type, const uint8_t* request, const void* payload, size_t length,
                int64_t result) {
  std::vector<uint8_t> reply = lp::build_reply(
      type, request, my_pid(), result, static_cast<const uint8_t*>(payload), length);
  write_packet(reply.data(), reply.size());
}

// True when a task with that uuid is in the task list. The caller holds session_list_mutex.
bool known_session(const std::string& uuid) {
  for (const session_t& s : session_list) {
    if (s.uuid == uuid) return true;
  }
  return false;
}

}  // namespace

void send_ack(const uint8_t* request, const void* payload, size_t length, int64_t result) {
  send_reply(lp::ACK, request, payload, length, result);
}

void send_answer(const uint8_t* request, const void* payload, size_t length, int64_t result) {
  send_reply(lp::ANSWER, request, payload, length, result);
}

void backup_start_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply SET_BACKUP_START");
  const uint8_t* request = request_of(data);
  std::string uuid = uuid_of(request);
  GTimeVal now = time_val_now();
  int result;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    // An empty or unknown uuid names no task: never a run for nothing.
    result = known_session(uuid) ? start_backup(uuid.c_str(), &now) : RUN_INVALID_UUID;
  }
  ack_with_text(request, result);
}

void backup_stop_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply SET_BACKUP_STOP");
  const uint8_t* request = request_of(data);
  std::string uuid = uuid_of(request);
  int result = uuid.empty() ? RUN_INVALID_UUID : stop_backup(uuid.c_str());
  ack_with_text(request, result);
}

void restore_start_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply SET_RESTORE_START");
  const uint8_t* request = request_of(data);
  payload_view p = payload_of(request);
  GTimeVal now = time_val_now();
  auto restore = lp::parse_restore(p.data, p.size);
  int result = RUN_INVALID_UUID;
  if (restore) {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (known_session(restore->uuid)) {
      result = start_restore(restore->uuid.c_str(), &now, static_cast<gint64>(restore->version),
                             restore->target ? restore->target->c_str() : nullptr);
    }
  }
  ack_with_text(request, result);
}

void restore_stop_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply SET_RESTORE_STOP");
  const uint8_t* request = request_of(data);
  std::string uuid = uuid_of(request);
  int result = uuid.empty() ? RUN_INVALID_UUID : stop_restore(uuid.c_str());
  ack_with_text(request, result);
}

void email_test_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply SET_EMAIL_TEST");
  ack_with_text(request_of(data), email_test());
}

void version_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply QUERY_VERSION");
  const uint8_t payload[9] = {0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00};
  send_answer(request_of(data), payload, sizeof payload, 0);
}

void session_summary_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply QUERY_SESSION_SUMMARY");
  if (!link_receiver_allowed()) return;
  int8_t counts[3] = {0, 0, 0};
  int code = get_session_summary(&counts[0], &counts[1], &counts[2]);
  std::vector<uint8_t> payload = {static_cast<uint8_t>(counts[0]),
                                  static_cast<uint8_t>(counts[1]),
                                  static_cast<uint8_t>(counts[2])};
  lp::append_text(payload, code != 0 ? "unknown error" : "");
  send_answer(request_of(data), payload.data(), payload.size(), code);
}

void session_detail_event_emitted(gpointer data) {
  if (data == nullptr) return;
  daemon_print(0, "Reply session detail");
  // The answer names the task's folders: never sent where a stranger may read it.
  if (!link_receiver_allowed()) return;
  const uint8_t* request = request_of(data);
  std::string uuid = uuid_of(request);
  session_t session;
  bool found;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    clear_session(&session);
    found = find_session(uuid.c_str(), &session);
  }
  if (!found) {
    const char* text = lp::result_text(lp::RESULT_NO_SESSION);
    send_answer(request, text, std::strlen(text) + 1, lp::RESULT_NO_SESSION);
    return;
  }
  const char* status;
  switch (session_status(uuid.c_str())) {
    case RUN_KIND_RESTORE: status = _("Restore is running"); break;
    case RUN_KIND_BACKUP: status = _("Backup is running"); break;
    default: status = _("Not started"); break;
  }
  std::vector<uint8_t> payload = {11, 0, static_cast<uint8_t>(session.type),
                                  static_cast<uint8_t>(session.action)};
  lp::append_text(payload, session.uuid);
  lp::append_text(payload, session.name);
  lp::append_text(payload, status);
  lp::append_text(payload, session.next_time);
  lp::append_text(payload, session.last_time);
  // The paths follow; whole trailing paths are left out when the answer would not fit one
  // datagram (the controller would otherwise get no state at all).
  const size_t room = lp::MAX_DATAGRAM - lp::REPLY_HEADER_SIZE;
  std::vector<std::string> paths;
  for (const destination_t& d : session.destinations) paths.push_back(d.path);
  for (const std::string& s : session.sources) paths.push_back(s);
  for (const std::string& path : paths) {
    if (payload.size() + path.size() + 1 > room) break;
    lp::append_text(payload, path);
  }
  send_answer(request, payload.data(), payload.size(), 0);
}

void register_command_handle() {
  event_pipe_register(EVENT_BACKUP_START, backup_start_event_emitted);
  event_pipe_register(EVENT_BACKUP_STOP, backup_stop_event_emitted);
  event_pipe_register(EVENT_RESTORE_START, restore_start_event_emitted);
  event_pipe_register(EVENT_RESTORE_STOP, restore_stop_event_emitted);
  event_pipe_register(EVENT_EMAIL_TEST, email_test_event_emitted);
  event_pipe_register(EVENT_QUERY_VERSION, version_event_emitted);
  event_pipe_register(EVENT_SESSION_SUMMARY, session_summary_event_emitted);
  event_pipe_register(EVENT_SESSION_DETAIL, session_detail_event_emitted);
}
