// The task list (see session.h).
#include "session.h"

#include <cstring>

#include "destination.h"
#include "log.h"
#include "task_destination.h"

std::vector<session_t> session_list;
std::mutex session_list_mutex;
std::mutex db_sqlite_mutex;

// Both mutexes are static and live until the process ends: worker threads that are still
// running during shutdown may lock them.
void session_init() {}
void session_deinit() {}

void clear_session(session_t* session) {
  if (session == nullptr) return;
  session->uuid.clear();
  session->name.clear();
  session->sources.clear();
  session->destinations.clear();
  session->last_time.clear();
  session->next_time.clear();
  session->schedule_times.clear();
  session->schedule_entries.clear();
  session->schedule_type.clear();
  session->filter.extensions.clear();
  session->filter.paths.clear();
}

void clear_session_list() { session_list.clear(); }

bool find_session(const char* uuid, session_t* out) {
  if (uuid == nullptr || out == nullptr) return false;
  if (session_list.empty()) {
    daemon_print(0, "session list is empty");
    return false;
  }
  for (const session_t& s : session_list) {
    if (s.uuid == uuid) {
      *out = s;
      return true;
    }
  }
  daemon_print(0, "session of uuid %s can not be found\n", uuid);
  return false;
}

int get_total_session_size() {
  std::lock_guard<std::mutex> lock(session_list_mutex);
  return static_cast<int>(session_list.size());
}

std::vector<std::string> configured_local_trees(const std::string& own) {
  std::vector<std::string> trees;
  if (!own.empty() && !tessaly::share::is_smb_path(own)) trees.push_back(own);
  std::lock_guard<std::mutex> lock(session_list_mutex);
  for (const session_t& s : session_list) {
    for (const destination_t& d : s.destinations) {
      if (d.protocol != PROTOCOL_LOCAL) continue;
      std::string tree = tessaly::task_folder_path(d.path, s.uuid);
      if (!tree.empty() && tree.front() == '/') trees.push_back(std::move(tree));
    }
  }
  return trees;
}

bool g_str_has_case_suffix(const char* str, const char* suffix) {
  if (str == nullptr || suffix == nullptr) return false;
  size_t n = std::strlen(str);
  size_t m = std::strlen(suffix);
  if (m > n) return false;
  return g_ascii_strncasecmp(str + n - m, suffix, m) == 0;
}

int file_filter(const char* name, const std::vector<std::string>& extensions) {
  if (name == nullptr) return -1;
  for (const std::string& ext : extensions) {
    if (ext == ".*" || g_str_has_case_suffix(name, ext.c_str())) return 0;
  }
  return -1;
}

bool check_filter(const std::vector<std::string>& extensions) {
  for (const std::string& ext : extensions) {
    if (ext != ".*") return true;
  }
  return false;
}

void print_session_list() {
  if (!is_output(0)) return;
  std::lock_guard<std::mutex> lock(session_list_mutex);
  g_print("/****************NOW PRINTF SESSION SETTINGS IN LIST***************/\n");
  for (const session_t& s : session_list) {
    g_print("uuid %s\nname %s\nfilter type %d\n", s.uuid.c_str(), s.name.c_str(),
            s.filter.filter_type);
    for (const auto& e : s.filter.extensions) g_print("extension %s\n", e.c_str());
    for (const auto& p : s.filter.paths) g_print("filter path %s\n", p.c_str());
    for (const auto& p : s.sources) g_print("source %s\n", p.c_str());
    for (const auto& d : s.destinations) {
      g_print("destination protocol %d anonymous %d user %s password %s path %s\n", d.protocol,
              d.anonymous ? 1 : 0, d.user.c_str(), d.password.c_str(), d.path.c_str());
    }
    g_print("action %d\ntype %d\nschedule_type %s\n", s.action, s.type, s.schedule_type.c_str());
    for (const GTimeVal& t : s.schedule_times) {
      GDateTime* dt = g_date_time_new_from_unix_local(t.tv_sec);
      if (dt != nullptr) {
        g_print("schedule time %d-%d-%d weekday %d\n", g_date_time_get_year(dt),
                g_date_time_get_month(dt), g_date_time_get_day_of_month(dt),
                g_date_time_get_day_of_week(dt));
        g_date_time_unref(dt);
      }
    }
  }
}
