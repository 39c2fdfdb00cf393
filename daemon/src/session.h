// The task list: the backup tasks ("sessions") of SESSION_CONFIG.dat as records in memory.
//
// Task threads never work on a record in the list: they take a copy with find_session under
// session_list_mutex and keep it for the whole run, so a reload during a run does not
// affect that run. Lock order where locks nest: session_list_mutex, then the runner's
// thread_hash_mutex, then running_hash_mutex; log_file_mutex is taken last.
#pragma once

#include <glib.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "task_uuid.h"

enum destination_protocol {
  PROTOCOL_LOCAL = 0,
  PROTOCOL_SAMBA = 1,
  PROTOCOL_HTTP = 2,
  PROTOCOL_HTTPS = 3,
  PROTOCOL_SSH = 4,
  PROTOCOL_SFTP = 5,
  PROTOCOL_FTP = 6,
};

enum backup_action { ACTION_FULL_BACKUP = 0, ACTION_INCREMENTAL = 1, ACTION_SNAPSHOT = 2 };
enum trigger_type { TRIGGER_MANUALLY = 0, TRIGGER_SCHEDULE = 1, TRIGGER_AUTO_SYNC = 2 };
enum filter_kind { FILTER_INCLUDE = 0, FILTER_EXCLUDE = 1 };

// One destination of a task. The task tree lies under path + "/" + uuid.
struct destination_t {
  int protocol = PROTOCOL_LOCAL;
  bool anonymous = false;
  std::string user;
  std::string password;
  std::string path;
};

// The file filter of a task. The extension ".*" stands for every file.
struct filter_t {
  int filter_type = FILTER_INCLUDE;
  std::vector<std::string> extensions;
  std::vector<std::string> paths;
};

// One cron-like run time: a flag per value (1 = in the set).
struct schedule_info {
  std::array<uint8_t, 8> weekdays{};   // 1 Monday .. 7 Sunday; 0 is no day
  std::array<uint8_t, 12> months{};    // never filled, never tested
  std::array<uint8_t, 24> hours{};
  std::array<uint8_t, 32> days{};      // days of month 1..31
  std::array<uint8_t, 60> minutes{};
};

// One task. Copies are deep (every member is a value).
struct session_t {
  std::string uuid;
  std::string name;
  std::vector<std::string> sources;
  std::vector<destination_t> destinations;
  int action = ACTION_FULL_BACKUP;
  int type = TRIGGER_MANUALLY;
  filter_t filter;
  std::string schedule_type;
  std::vector<GTimeVal> schedule_times;
  std::string last_time;
  std::string next_time;
  std::vector<schedule_info> schedule_entries;
};

extern std::vector<session_t> session_list;
extern std::mutex session_list_mutex;
extern std::mutex db_sqlite_mutex;

void session_init();
void session_deinit();

// Empties every text and list of the record; keeps action, type and the filter type.
void clear_session(session_t* session);
void clear_session_list();

// Copies the first record whose uuid equals `uuid` exactly into `out`. The caller holds
// session_list_mutex. `out` is untouched when nothing matches.
bool find_session(const char* uuid, session_t* out);

int get_total_session_size();

// The folders that hold a task's tree on a local destination: a run's own tree `own` when it
// is a local path, and for every local destination of every configured task with a valid
// uuid the destination without trailing "/", "/" and the uuid. A backup leaves them out of
// its sources and a restore never writes into them; both compare what they meet on disk with
// these folders. Takes session_list_mutex.
std::vector<std::string> configured_local_trees(const std::string& own);

bool g_str_has_case_suffix(const char* str, const char* suffix);
// 0 when `name` passes the extension list (".*" or a case-insensitive suffix), else -1.
int file_filter(const char* name, const std::vector<std::string>& extensions);
// True when the list holds at least one entry other than ".*".
bool check_filter(const std::vector<std::string>& extensions);

// One log record per running backup or restore saying that it stops because the system
// shuts down (defined with the runner, which knows the run state).
void write_shutdown_log();

void print_session_list();

// True for the text form of a task uuid: 8-4-4-4-12 hexadecimal digits. Task uuids name
// folders that are later removed, so nothing else may form a path. The one check both
// programs use lives in the platform layer.
using tessaly::is_valid_uuid;
