// The task runner: the table of running backups and restores, one worker thread per run,
// stop requests, the run state the request handlers report, report mails on threads of
// their own, and the power-off request after the last backup.
#pragma once

#include <glib.h>

#include <cstdint>
#include <string>

// Result codes of the start and stop operations (sent back to the controller).
enum run_result {
  RUN_OK = 0,
  RUN_ALREADY_RUNNING = 1,
  RUN_INVALID_UUID = 2,
  RUN_NOT_RUNNING = 3,
};

// Kinds in the run table; session_status answers 0 for a task that is not running.
enum run_kind { RUN_KIND_NONE = 0, RUN_KIND_RESTORE = 1, RUN_KIND_BACKUP = 2 };

// How a run ended, for its log records and its report mail. incomplete: the run completed
// but left out files or folders it could not read (they are retried by the next run).
enum class run_outcome { completed, incomplete, failed, stopped, not_found };

void session_thread_init();
void session_thread_deinit();

// The caller holds session_list_mutex (start_backup moves the task's run times on).
int start_backup(const char* uuid, const GTimeVal* start);
int start_restore(const char* uuid, const GTimeVal* start, gint64 version, const char* path);
int stop_backup(const char* uuid);
int stop_restore(const char* uuid);
int session_status(const char* uuid);

bool need_exit(const char* uuid);

// What a run asks to learn whether it was asked to stop: its task's stop mark (stop_backup,
// stop_restore), read and nothing else.
class stop_token {
 public:
  stop_token() = default;
  explicit stop_token(std::string uuid) : uuid_(std::move(uuid)) {}
  bool stop_requested() const { return need_exit(uuid_.c_str()); }

 private:
  std::string uuid_;
};
void force_exit(const char* uuid, bool flag);
void indicate_running(const char* uuid);
void indicate_exit(const char* uuid);

int get_session_summary(int8_t* total, int8_t* backups, int8_t* restores);

// Hands a mail to a thread of its own; attach_log attaches the configuration folder's LOG.txt.
int send_email_extended(const char* text, bool in_thread, bool attach_log);
int email_test();

// The work of a run, wired by the start-up (and by tests, with bodies of their own).
using backup_body_t = run_outcome (*)(const char* uuid, const GTimeVal* start);
using restore_body_t = run_outcome (*)(const char* uuid, const char* path, gint64 version);
// Sends one mail (body, attachment path or null).
using mail_sender_t = void (*)(const std::string& body, const char* attachment);
void set_run_bodies(backup_body_t backup, restore_body_t restore);
void set_mail_sender(mail_sender_t sender);
// The wait before a run starts (3000 ms); tests shorten it.
void set_run_start_delay_ms(int ms);
