// The request handlers (command.h): each one does its work and sends one reply.
#include "command.h"

#include <string>

#include "communication.h"
#include "event_pipe.h"
#include "i18n.h"
#include "log.h"
#include "session.h"
#include "threads.h"

namespace lp = tessaly::link;

namespace {

void send_reply(uint8_t type, const lp::request_header& request,
                const std::vector<uint8_t>& payload, int64_t result) {
  std::vector<uint8_t> reply =
      lp::build_reply(type, request, my_pid(), result, payload.data(), payload.size());
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

void send_ack(const lp::request_header& request, const std::vector<uint8_t>& payload,
              int64_t result) {
  send_reply(lp::ACK, request, payload, result);
}

void send_answer(const lp::request_header& request, const std::vector<uint8_t>& payload,
                 int64_t result) {
  send_reply(lp::ANSWER, request, payload, result);
}

void ack_with_text(const lp::request_header& request, int64_t result) {
  send_ack(request, lp::result_payload(result), result);
}

void backup_start_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_BACKUP_START");
  GTimeVal now = time_val_now();
  int result;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    // An empty or unknown uuid names no task: never a run for nothing.
    result = known_session(request->uuid) ? start_backup(request->uuid.c_str(), &now)
                                          : RUN_INVALID_UUID;
  }
  ack_with_text(request->header, result);
}

void backup_stop_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_BACKUP_STOP");
  int result = request->uuid.empty() ? RUN_INVALID_UUID : stop_backup(request->uuid.c_str());
  ack_with_text(request->header, result);
}

void restore_start_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_RESTORE_START");
  GTimeVal now = time_val_now();
  const std::optional<lp::restore_request>& restore = request->restore;
  int result = RUN_INVALID_UUID;
  if (restore) {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (known_session(restore->uuid)) {
      result = start_restore(restore->uuid.c_str(), &now, static_cast<gint64>(restore->version),
                             restore->target ? restore->target->c_str() : nullptr);
    }
  }
  ack_with_text(request->header, result);
}

void restore_stop_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_RESTORE_STOP");
  int result = request->uuid.empty() ? RUN_INVALID_UUID : stop_restore(request->uuid.c_str());
  ack_with_text(request->header, result);
}

void email_test_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_EMAIL_TEST");
  ack_with_text(request->header, email_test());
}

void version_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply QUERY_VERSION");
  send_answer(request->header, lp::encode_version(), 0);
}

void session_summary_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply QUERY_SESSION_SUMMARY");
  if (!link_receiver_allowed()) return;
  int8_t counts[3] = {0, 0, 0};
  int code = get_session_summary(&counts[0], &counts[1], &counts[2]);
  lp::summary_answer answer;
  answer.tasks = static_cast<uint8_t>(counts[0]);
  answer.backups = static_cast<uint8_t>(counts[1]);
  answer.restores = static_cast<uint8_t>(counts[2]);
  answer.text = code != 0 ? "unknown error" : "";
  send_answer(request->header, lp::encode_summary(answer), code);
}

void session_detail_event_emitted(const lp::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply session detail");
  // The answer names the task's folders: never sent where a stranger may read it.
  if (!link_receiver_allowed()) return;
  session_t session;
  bool found;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    clear_session(&session);
    found = find_session(request->uuid.c_str(), &session);
  }
  if (!found) {
    send_answer(request->header, lp::result_payload(lp::RESULT_NO_SESSION), lp::RESULT_NO_SESSION);
    return;
  }
  lp::detail_answer answer;
  answer.trigger_kind = static_cast<uint8_t>(session.type);
  answer.backup_kind = static_cast<uint8_t>(session.action);
  answer.uuid = session.uuid;
  answer.name = session.name;
  switch (session_status(request->uuid.c_str())) {
    case RUN_KIND_RESTORE: answer.state = _("Restore is running"); break;
    case RUN_KIND_BACKUP: answer.state = _("Backup is running"); break;
    default: answer.state = _("Not started"); break;
  }
  answer.next_time = session.next_time;
  answer.last_time = session.last_time;
  for (const destination_t& d : session.destinations) answer.paths.push_back(d.path);
  for (const std::string& s : session.sources) answer.paths.push_back(s);
  std::optional<std::vector<uint8_t>> payload = lp::encode_detail(answer);
  if (!payload) {
    // No datagram carries it; the controller keeps the task's last state.
    daemon_print(2, "The detail answer of %s does not fit one datagram\n", session.uuid.c_str());
    return;
  }
  send_answer(request->header, *payload, 0);
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
