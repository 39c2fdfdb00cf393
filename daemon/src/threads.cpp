// The task runner (see threads.h).
#include "threads.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "configuration.h"
#include "daemon.h"
#include "event_pipe.h"
#include "i18n.h"
#include "log.h"
#include "parse_cmdline.h"
#include "schedule.h"
#include "session.h"

namespace {

// One running backup or restore.
struct task_record {
  std::string uuid;
  std::optional<std::string> restore_path;  // restore only; none = the task's own folders
  gint64 version = 0;                       // restore only
  int kind = RUN_KIND_NONE;
  GTimeVal start{};
  std::string name;  // the task's name when the run started, for its report
};

const int exit_yes = 1;
const int exit_no = 0;

// The tables and their locks are never freed: a worker that ends during shutdown still
// removes its entries.
std::mutex thread_hash_mutex;   // thread_table, total_backups, total_restores
std::mutex running_hash_mutex;  // running_table
auto& thread_table = *new std::unordered_map<std::string, std::unique_ptr<task_record>>();
auto& running_table = *new std::unordered_map<std::string, const int*>();
int total_backups = 0;
int total_restores = 0;

std::atomic<backup_body_t> backup_body{nullptr};
std::atomic<restore_body_t> restore_body{nullptr};
std::atomic<mail_sender_t> mail_sender{nullptr};
std::atomic<int> start_delay_ms{3000};

// The name of the task in the list, or "" (the caller holds session_list_mutex).
std::string task_name(const char* uuid) {
  for (const session_t& s : session_list) {
    if (s.uuid == uuid) return s.name;
  }
  return {};
}

std::string report_text(const task_record& r, run_outcome outcome) {
  char start[128];
  char now[128];
  GTimeVal current = time_val_now();
  time_val_to_local_time_string(start, sizeof start, &r.start);
  time_val_to_local_time_string(now, sizeof now, &current);
  const char* format;
  switch (outcome) {
    case run_outcome::completed:
      format = _("\nDear Administrator\n\n    Task %s was started at %s\n    Task %s is completed at %s.\n");
      break;
    case run_outcome::incomplete:
      format = _("\nDear Administrator\n\n    Task %s was started at %s\n    Task %s is completed at %s, but some files could not be backed up.\n");
      break;
    case run_outcome::stopped:
      format = _("\nDear Administrator\n\n    Task %s was started at %s\n    Task %s was stopped at %s.\n");
      break;
    default:
      format = _("\nDear Administrator\n\n    Task %s was started at %s\n    Task %s failed at %s.\n");
      break;
  }
  gchar* text = g_strdup_printf(format, r.name.c_str(), start, r.name.c_str(), now);
  std::string out = text;
  g_free(text);
  return out;
}

void backup_thread(task_record* record) {
  {
    std::lock_guard<std::mutex> lock(thread_hash_mutex);
    ++total_backups;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(start_delay_ms.load()));
  run_outcome outcome = backup_body.load()(record->uuid.c_str(), &record->start);
  // The run's result is in the log files before the run is seen to have ended.
  cycle_log_files();

  // A run for a task that vanished before it began sends no report and asks no power-off.
  if (outcome != run_outcome::not_found && get_global_config(GLOBAL_SEND_COMPLETE) == "enable") {
    send_email_extended(report_text(*record, outcome).c_str(), true, false);
  }
  std::string uuid = record->uuid;
  indicate_exit(uuid.c_str());
  {
    std::lock_guard<std::mutex> lock(thread_hash_mutex);
    thread_table.erase(uuid);  // frees the record
    --total_backups;
    if (get_global_config(GLOBAL_SHUTDOWN) == "enable") {
      if (thread_table.empty() && outcome != run_outcome::not_found) {
        set_poweroff_flag(true);
        event_pipe_emit(EVENT_SHUTDOWN);
      } else {
        daemon_print(0, "There are %d backup/restore tasks running\n",
                     static_cast<int>(thread_table.size()));
      }
    }
  }
  daemon_print(0, "backup_thread exit");
}

void restore_thread(task_record* record) {
  {
    std::lock_guard<std::mutex> lock(thread_hash_mutex);
    ++total_restores;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(start_delay_ms.load()));
  restore_body.load()(record->uuid.c_str(),
                      record->restore_path ? record->restore_path->c_str() : nullptr,
                      record->version);
  cycle_log_files();
  std::string uuid = record->uuid;
  indicate_exit(uuid.c_str());
  std::lock_guard<std::mutex> lock(thread_hash_mutex);
  thread_table.erase(uuid);
  --total_restores;
}

struct mail_record {
  std::string text;
  bool attach = false;
};

void email_transfer_thread(std::unique_ptr<mail_record> mail) {
  mail_sender_t sender = mail_sender.load();
  if (sender == nullptr) return;
  std::string path;
  if (mail->attach) {
    get_config_dir(path);
    path += "LOG.txt";
  }
  sender(mail->text, mail->attach ? path.c_str() : nullptr);
}

// Registers a run and starts its thread. The caller holds thread_hash_mutex.
void start_worker(std::unique_ptr<task_record> record) {
  task_record* raw = record.get();
  std::string key = record->uuid;
  thread_table.emplace(key, std::move(record));
  indicate_running(key.c_str());
  if (raw->kind == RUN_KIND_BACKUP) {
    std::thread(backup_thread, raw).detach();
  } else {
    std::thread(restore_thread, raw).detach();
  }
}

}  // namespace

void session_thread_init() {}

// Asks every run to stop and waits a bounded time for the runs to wind down at their next
// check. The tables stay: a thread that is still running removes its entries later.
void session_thread_deinit() {
  std::vector<std::string> running;
  {
    std::lock_guard<std::mutex> lock(thread_hash_mutex);
    for (const auto& entry : thread_table) running.push_back(entry.first);
  }
  for (const std::string& uuid : running) force_exit(uuid.c_str(), true);
  for (int waited = 0; waited < 10000 && !running.empty(); waited += 50) {
    {
      std::lock_guard<std::mutex> lock(thread_hash_mutex);
      if (thread_table.empty()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

namespace {

// Registers a run of `record->kind` and starts its thread: 1 when the task already runs.
// The caller has checked the uuid and the body; `prepare` runs under thread_hash_mutex once
// the run is accepted.
template <typename Prepare>
int start_run(std::unique_ptr<task_record> record, const GTimeVal* start, Prepare prepare) {
  std::lock_guard<std::mutex> lock(thread_hash_mutex);
  if (thread_table.count(record->uuid) != 0) {
    daemon_print(0, "\nthread for uuid %s is already running\n", record->uuid.c_str());
    return RUN_ALREADY_RUNNING;
  }
  record->start = start != nullptr ? *start : time_val_now();
  record->name = task_name(record->uuid.c_str());
  prepare(*record);
  start_worker(std::move(record));
  return RUN_OK;
}

}  // namespace

int start_backup(const char* uuid, const GTimeVal* start) {
  if (uuid == nullptr || *uuid == '\0') {
    daemon_print(0, "start_backup uuid is NULL");
    return RUN_INVALID_UUID;
  }
  if (backup_body.load() == nullptr) return -1;
  auto record = std::make_unique<task_record>();
  record->uuid = uuid;
  record->kind = RUN_KIND_BACKUP;
  // The task's last run time becomes this start, and its next run time moves on.
  return start_run(std::move(record), start, [](task_record& r) {
    update_session_backup_time(r.uuid.c_str(), &r.start);
  });
}

int start_restore(const char* uuid, const GTimeVal* start, gint64 version, const char* path) {
  if (uuid == nullptr || *uuid == '\0') {
    daemon_print(0, "restore_thread uuid is NULL");
    return RUN_INVALID_UUID;
  }
  if (restore_body.load() == nullptr) return -1;
  auto record = std::make_unique<task_record>();
  record->uuid = uuid;
  record->kind = RUN_KIND_RESTORE;
  record->version = version;
  if (path != nullptr) record->restore_path = path;
  return start_run(std::move(record), start, [](task_record&) {});
}

int stop_backup(const char* uuid) {
  if (uuid == nullptr) return RUN_INVALID_UUID;
  if (session_status(uuid) != RUN_KIND_BACKUP) return RUN_NOT_RUNNING;
  force_exit(uuid, true);
  return RUN_OK;
}

int stop_restore(const char* uuid) {
  if (uuid == nullptr) return RUN_INVALID_UUID;
  if (session_status(uuid) != RUN_KIND_RESTORE) return RUN_NOT_RUNNING;
  force_exit(uuid, true);
  return RUN_OK;
}

int session_status(const char* uuid) {
  if (uuid == nullptr) return RUN_KIND_NONE;
  std::lock_guard<std::mutex> lock(thread_hash_mutex);
  auto it = thread_table.find(uuid);
  return it == thread_table.end() ? RUN_KIND_NONE : it->second->kind;
}

bool need_exit(const char* uuid) {
  if (uuid == nullptr) return false;
  std::lock_guard<std::mutex> lock(running_hash_mutex);
  auto it = running_table.find(uuid);
  return it != running_table.end() && *it->second == exit_yes;
}

void force_exit(const char* uuid, bool flag) {
  if (uuid == nullptr) return;
  std::lock_guard<std::mutex> lock(running_hash_mutex);
  auto it = running_table.find(uuid);
  if (it != running_table.end()) it->second = flag ? &exit_yes : &exit_no;
}

void indicate_running(const char* uuid) {
  std::lock_guard<std::mutex> lock(running_hash_mutex);
  running_table[uuid] = &exit_no;
}

void indicate_exit(const char* uuid) {
  std::lock_guard<std::mutex> lock(running_hash_mutex);
  running_table.erase(uuid);
}

int get_session_summary(int8_t* total, int8_t* backups, int8_t* restores) {
  *total = static_cast<int8_t>(get_total_session_size());
  std::lock_guard<std::mutex> lock(thread_hash_mutex);
  *backups = static_cast<int8_t>(total_backups);
  *restores = static_cast<int8_t>(total_restores);
  return 0;
}

int send_email_extended(const char* text, bool in_thread, bool attach_log) {
  if (!in_thread || text == nullptr) return 0;
  auto mail = std::make_unique<mail_record>();
  mail->text = text;
  mail->attach = attach_log;
  std::thread(email_transfer_thread, std::move(mail)).detach();
  return 0;
}

void write_shutdown_log() {
  std::lock_guard<std::mutex> lock(session_list_mutex);
  for (const session_t& s : session_list) {
    int status = session_status(s.uuid.c_str());
    if (status == RUN_KIND_BACKUP) {
      log_session_append(s.name.c_str(), s.uuid.c_str(), MSG_LEVEL_ERROR,
                         _("Backup %s is stopped because the system is shutting down."),
                         s.name.c_str());
    } else if (status == RUN_KIND_RESTORE) {
      log_session_append(s.name.c_str(), s.uuid.c_str(), MSG_LEVEL_ERROR,
                         _("Restore %s is stopped because the system is shutting down."),
                         s.name.c_str());
    }
  }
}

void set_run_bodies(backup_body_t backup, restore_body_t restore) {
  backup_body.store(backup);
  restore_body.store(restore);
}

void set_mail_sender(mail_sender_t sender) { mail_sender.store(sender); }

void set_run_start_delay_ms(int ms) { start_delay_ms.store(ms); }
