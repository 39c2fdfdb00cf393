// The log store: user-visible log records, the debug-output gate and the language table.
//
// Task code adds records with log_session and log_session_append; every GLib message of the
// process becomes a record too, through the default GLib log handler. The list is bounded
// (1000 records once running) and written to LOG.dat and LOG.txt (log_file.cpp) every 51st
// record, once a minute when records are pending, on reload, on log clear and at shutdown.
#pragma once

#include <glib.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

namespace tessaly::link {
struct request;
}

enum msg_level_t {
  MSG_LEVEL_MESSAGE = 1,
  MSG_LEVEL_WARNING = 2,
  MSG_LEVEL_ALERT = 3,
  MSG_LEVEL_ERROR = 4,
};

struct log_record_t {
  std::string type;    // "message", "warning", "alert" or "error"
  int level = 0;       // 0 in records made by the service; kept from the file when loaded
  std::string uuid;    // the task's uuid, empty for GLib messages
  std::string domain;  // the task name, "OTHERS", or the GLib domain
  GTimeVal time1{};    // start of what the record speaks of
  GTimeVal time2{};    // time of the record
  std::string content; // at most 4095 bytes, valid UTF-8
};

using log_list_t = std::deque<log_record_t>;

// Longest content of one record, in bytes.
constexpr size_t LOG_CONTENT_MAX = 4095;

// Module state, shared with log_file.cpp. log_file_mutex guards log_list and both files.
extern std::mutex log_file_mutex;
extern log_list_t log_list;
extern std::atomic<int> atomic_count;

// Diagnostic output: true when level >= the debug threshold and level < 4.
bool is_output(int level);
void log_set_debug_threshold(int level);

#define daemon_print(level, ...)            \
  do {                                      \
    if (is_output(level)) g_print(__VA_ARGS__); \
  } while (0)

void log_init(bool verbose, bool use_console, int debug, const char* filename);

void log_session(const GTimeVal* cur_time, const char* domain, const char* uuid,
                 msg_level_t level, const char* format, ...) G_GNUC_PRINTF(5, 6);
void log_session(const char* domain, const char* uuid, msg_level_t level, const char* format,
                 ...) G_GNUC_PRINTF(4, 5);
void log_session_append(const GTimeVal* cur_time, const char* domain, const char* uuid,
                        msg_level_t level, const char* format, ...) G_GNUC_PRINTF(5, 6);
void log_session_append(const char* domain, const char* uuid, msg_level_t level,
                        const char* format, ...) G_GNUC_PRINTF(4, 5);
void log_information(const char* domain, msg_level_t level, const char* format, ...)
    G_GNUC_PRINTF(3, 4);

void log_setup_limit(int n);
void log_enable_cycle(int on);
bool cycle_log_files();
void close_log_files();

// Writes LOG.dat and LOG.txt from the list; false when nothing could be written.
bool file_log_flush(log_list_t& list);
// Replaces the list's contents by the records of a LOG.dat. A damaged file is kept aside
// under a name of its own (returned in damaged_copy) and the list stays empty.
bool load_logs(const char* path, log_list_t& list, std::string* damaged_copy = nullptr);

void log_clear_event_emitted(const tessaly::link::request* request);

// The locale code of a language name of the settings file, or null.
const char* set_program_language(const char* name);
// Applies a locale code (or null: untranslated texts) to the process's translations.
void apply_program_language(const char* code);

int time_val_to_local_time_string(char* buf, size_t size, const GTimeVal* time);
int mbslen(const char* text);
int mbssize(const char* text);

// The current time as the service keeps it.
GTimeVal time_val_now();
// ISO 8601 text of a time (UTC, "Z"), or "" when GLib cannot form one.
std::string time_val_to_iso8601(const GTimeVal& time);

// Makes a text fit for a record: valid UTF-8, control characters other than tab, line
// feed and carriage return replaced by U+FFFD, at most `max_bytes` long, cut on a character
// boundary.
std::string clean_log_text(const std::string& text, size_t max_bytes);

// Returns the store to its state at load (empty list, limit 50, cycling on, threshold 10).
void log_store_reset();
