#include "log.h"

#include <fcntl.h>
#include <unistd.h>

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "command.h"
#include "event_pipe.h"
#include "i18n.h"
#include "parse_cmdline.h"

std::mutex log_file_mutex;
log_list_t log_list;
std::atomic<int> atomic_count{0};

namespace {

int log_max_count = 50;
bool log_cycled = true;
std::atomic<int> debug_threshold{10};

struct lang_entry {
  const char* name;
  const char* code;
};

const lang_entry lang_list[] = {
    {"English", "en"},          {"Simplified Chinese", "zh_CN"}, {"Traditional Chinese", "zh_TW"},
    {"Korean", "ko"},           {"Japanese", "ja"},              {"French", "fr"},
    {"German", "de"},           {"Italian", "it"},               {"Polish", "pl"},
    {"Russian", "ru"},          {"Czech", "cs"},                 {"Finnish", "fi"},
    {"Spanish", "es"},          {"Hungarian", "hu"},             {"Portuguese", "pt"},
    {"Norwegian", "no"},        {"Turkish", "tr"},               {"Greek", "el"},
    {"Danish", "da"},
};

const char* level_word(msg_level_t level) {
  switch (level) {
    case MSG_LEVEL_WARNING: return "warning";
    case MSG_LEVEL_ALERT: return "alert";
    case MSG_LEVEL_ERROR: return "error";
    default: return "message";
  }
}

GLogLevelFlags glib_level(msg_level_t level) {
  switch (level) {
    case MSG_LEVEL_WARNING: return G_LOG_LEVEL_MESSAGE;
    case MSG_LEVEL_ALERT: return G_LOG_LEVEL_WARNING;
    case MSG_LEVEL_ERROR: return G_LOG_LEVEL_CRITICAL;
    default: return G_LOG_LEVEL_INFO;
  }
}

// Appends a record under the lock (append: time1 from the newest record of the same task),
// then counts it and writes the files after every 50 records.
void add_record(log_record_t record, bool append) {
  {
    std::lock_guard<std::mutex> lock(log_file_mutex);
    if (append) {
      for (auto it = log_list.rbegin(); it != log_list.rend(); ++it) {
        if (it->uuid == record.uuid) {
          record.time1 = it->time1;
          break;
        }
      }
    }
    if (log_list.size() < static_cast<size_t>(log_max_count)) {
      log_list.push_back(std::move(record));
    } else if (log_cycled) {
      log_list.push_back(std::move(record));
      log_list.pop_front();
    }
  }
  if (atomic_count.fetch_add(1) > 49) file_log_flush(log_list);
}

void add_formatted(const GTimeVal* given, bool has_time, const char* domain, const char* uuid,
                   msg_level_t level, bool append, const char* format, va_list args) {
  if (uuid == nullptr) {
    daemon_print(3, "log_session: uuid is null\n");
    return;
  }
  if (has_time && given == nullptr) {
    daemon_print(3, append ? "log_session_append: cur_time is null\n"
                           : "log_session: cur_time is null\n");
    return;
  }
  log_record_t record;
  record.type = level_word(level);
  record.level = 0;
  record.uuid = clean_log_text(uuid, LOG_CONTENT_MAX);
  record.domain = clean_log_text(domain != nullptr ? domain : "OTHERS", LOG_CONTENT_MAX);
  gchar* text = g_strdup_vprintf(format, args);
  record.content = clean_log_text(text, LOG_CONTENT_MAX);
  g_free(text);
  record.time2 = has_time ? *given : time_val_now();
  record.time1 = record.time2;
  add_record(std::move(record), append);
}

// Default GLib handler: every message of the process becomes a record.
void file_log_func(const gchar* domain, GLogLevelFlags flags, const gchar* message, gpointer) {
  GLogLevelFlags level = static_cast<GLogLevelFlags>(flags & G_LOG_LEVEL_MASK);
  // Libraries' debug chatter is not for the user; the service itself never logs at DEBUG.
  if (level == G_LOG_LEVEL_DEBUG) return;
  log_record_t record;
  switch (level) {
    case G_LOG_LEVEL_CRITICAL: record.type = "error"; break;
    case G_LOG_LEVEL_WARNING: record.type = "alert"; break;
    case G_LOG_LEVEL_MESSAGE: record.type = "warning"; break;
    default: record.type = "message"; break;
  }
  record.domain = clean_log_text(domain != nullptr ? domain : "", LOG_CONTENT_MAX);
  record.content = clean_log_text(message != nullptr ? message : "", LOG_CONTENT_MAX);
  record.time1 = record.time2 = time_val_now();
  daemon_print(0, "file_log_func\n");
  add_record(std::move(record), false);
}

// GLib's own messages are printed for the developer and kept out of the user's log.
void glib_log_func(const gchar* domain, GLogLevelFlags flags, const gchar* message, gpointer) {
  GLogLevelFlags level = static_cast<GLogLevelFlags>(flags & G_LOG_LEVEL_MASK);
  int number = 1;
  const char* word = "message";
  if (level & G_LOG_LEVEL_CRITICAL) {
    number = 4;
    word = "error";
  } else if (level & G_LOG_LEVEL_WARNING) {
    number = 3;
    word = "alert";
  } else if (level & G_LOG_LEVEL_MESSAGE) {
    number = 2;
    word = "warning";
  }
  if (is_output(number)) g_print("[%s %s]:%s\n", domain != nullptr ? domain : "Glib", word, message);
}

gboolean soft_update(gpointer) {
  daemon_print(0, "soft update timer\n");
  if (atomic_count.load() != 0) file_log_flush(log_list);
  return TRUE;
}

void redirect_stdio(int fd) {
  if (dup2(fd, STDOUT_FILENO) < 0) daemon_print(3, "dup2 STDOUT failed: %s", std::strerror(errno));
  if (dup2(fd, STDERR_FILENO) < 0) daemon_print(3, "dup2 STDERR failed: %s", std::strerror(errno));
}

}  // namespace

bool is_output(int level) { return level >= debug_threshold.load() && level < 4; }

void log_set_debug_threshold(int level) { debug_threshold.store(level); }

GTimeVal time_val_now() {
  GTimeVal now;
  gint64 usec = g_get_real_time();
  now.tv_sec = static_cast<glong>(usec / G_USEC_PER_SEC);
  now.tv_usec = static_cast<glong>(usec % G_USEC_PER_SEC);
  return now;
}

std::string time_val_to_iso8601(const GTimeVal& time) {
  GTimeVal copy = time;
  gchar* text = g_time_val_to_iso8601(&copy);
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

std::string clean_log_text(const std::string& text, size_t max_bytes) {
  gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
  std::string out;
  out.reserve(text.size());
  for (const gchar* p = valid; *p != '\0'; p = g_utf8_next_char(p)) {
    const gchar* next = g_utf8_next_char(p);
    size_t len = static_cast<size_t>(next - p);
    unsigned char c = static_cast<unsigned char>(*p);
    bool control = (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f;
    const char* piece = control ? "\xEF\xBF\xBD" : p;
    size_t piece_len = control ? 3 : len;
    if (out.size() + piece_len > max_bytes) break;
    out.append(piece, piece_len);
  }
  g_free(valid);
  return out;
}

void log_init(bool verbose, bool, int debug, const char* filename) {
  log_set_debug_threshold(debug);
  log_setup_limit(1000);
  log_enable_cycle(1);
  atomic_count.store(0);
  g_timeout_add(60000, soft_update, nullptr);

  if (verbose && filename != nullptr) {
    // Appended, so that earlier output is kept and never overwritten from byte 0.
    int fd = open(filename, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
      redirect_stdio(fd);
      if (fd > STDERR_FILENO) close(fd);
    } else {
      daemon_print(3, "open debug redirect file failed\n");
    }
  }

  std::string dir;
  get_config_dir(dir);
  std::string damaged;
  if (!load_logs((dir + "LOG.dat").c_str(), log_list, &damaged)) {
    daemon_print(3, "Can not open log file\n");
  }

  g_log_set_default_handler(file_log_func, nullptr);
  g_log_set_handler("GLib",
                    static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL |
                                                G_LOG_FLAG_RECURSION),
                    glib_log_func, nullptr);
  event_pipe_register(EVENT_LOG_CLEAR, log_clear_event_emitted);

  if (!damaged.empty()) {
    log_information(nullptr, MSG_LEVEL_ALERT,
                    _("The log file was damaged; it was kept as %s and a new log was started."),
                    damaged.c_str());
  }
}

void log_session(const GTimeVal* cur_time, const char* domain, const char* uuid,
                 msg_level_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  add_formatted(cur_time, true, domain, uuid, level, false, format, args);
  va_end(args);
}

void log_session(const char* domain, const char* uuid, msg_level_t level, const char* format,
                 ...) {
  va_list args;
  va_start(args, format);
  add_formatted(nullptr, false, domain, uuid, level, false, format, args);
  va_end(args);
}

void log_session_append(const GTimeVal* cur_time, const char* domain, const char* uuid,
                        msg_level_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  add_formatted(cur_time, true, domain, uuid, level, true, format, args);
  va_end(args);
}

void log_session_append(const char* domain, const char* uuid, msg_level_t level,
                        const char* format, ...) {
  va_list args;
  va_start(args, format);
  add_formatted(nullptr, false, domain, uuid, level, true, format, args);
  va_end(args);
}

void log_information(const char* domain, msg_level_t level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  g_logv(domain != nullptr ? domain : "OTHERS", glib_level(level), format, args);
  va_end(args);
}

void log_setup_limit(int n) {
  std::lock_guard<std::mutex> lock(log_file_mutex);
  if (n > log_max_count) log_max_count = n;
}

void log_enable_cycle(int on) {
  std::lock_guard<std::mutex> lock(log_file_mutex);
  log_cycled = on != 0;
}

bool cycle_log_files() { return file_log_flush(log_list); }

void close_log_files() { file_log_flush(log_list); }

void log_clear_event_emitted(const tessaly::link::request* request) {
  if (request == nullptr) return;
  daemon_print(0, "Reply SET_LOG_CLEAR\n");
  {
    std::lock_guard<std::mutex> lock(log_file_mutex);
    log_list.clear();
  }
  file_log_flush(log_list);
  ack_with_text(request->header, 0);
}

const char* set_program_language(const char* name) {
  if (name == nullptr) return nullptr;
  for (const lang_entry& entry : lang_list) {
    daemon_print(0, "set_program_language %s %s\n", entry.name, entry.code);
    if (std::strcmp(entry.name, name) == 0) {
      daemon_print(0, "set_program_language find you: %s\n", entry.code);
      return entry.code;
    }
  }
  return nullptr;
}

void apply_program_language(const char* code) {
  // glibc honours LANGUAGE for every locale but plain "C"; C.UTF-8 keeps numbers and times
  // stable. Each setlocale call also empties gettext's cache, so a reload that changes the
  // language takes effect at once.
  if (code != nullptr) {
    setenv("LANG", code, 1);
    setenv("LANGUAGE", code, 1);
  } else {
    unsetenv("LANGUAGE");
  }
  std::setlocale(LC_ALL, "C.UTF-8");
}

int time_val_to_local_time_string(char* buf, size_t size, const GTimeVal* time) {
  if (buf == nullptr || size == 0 || time == nullptr) return 0;
  time_t seconds = static_cast<time_t>(time->tv_sec);
  struct tm local;
  if (localtime_r(&seconds, &local) == nullptr) {
    buf[0] = '\0';
    return 0;
  }
  return static_cast<int>(std::strftime(buf, size, "%Y-%m-%d %H:%M", &local));
}

int mbslen(const char* text) {
  if (text == nullptr || !g_utf8_validate(text, -1, nullptr)) return -1;
  return static_cast<int>(g_utf8_strlen(text, -1));
}

int mbssize(const char* text) {
  if (text == nullptr || !g_utf8_validate(text, -1, nullptr)) return -1;
  return static_cast<int>(std::strlen(text));
}

void log_store_reset() {
  std::lock_guard<std::mutex> lock(log_file_mutex);
  log_list.clear();
  log_max_count = 50;
  log_cycled = true;
  atomic_count.store(0);
  debug_threshold.store(10);
}
