// The lock of a task tree (see tree_lock.h).
#include "tree_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <sstream>

#include "crash_point.h"
#include "i18n.h"
#include "log.h"
#include "share.h"
#include "tree_files.h"
#include "tree_session.h"

namespace share = tessaly::share;

namespace {

constexpr const char* kFirstLine = "TessalySync task tree lock";
constexpr long kUnreadableGrace = 600;  // seconds a lock file that cannot be read counts as held
constexpr size_t kMaxLockSize = 4096;

std::mutex registry_mutex;
// The lock files held by runs of this process.
std::set<std::string>& held_paths() {
  static auto* paths = new std::set<std::string>();
  return *paths;
}

std::string first_line_of(const char* path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
    line.pop_back();
  }
  return line;
}

std::string host_name() {
  char name[256] = {0};
  if (::gethostname(name, sizeof name - 1) != 0) return "unknown";
  return name;
}

std::string machine_id() {
  std::string id = first_line_of("/etc/machine-id");
  return id.empty() ? "host:" + host_name() : id;
}

std::string boot_id() { return first_line_of("/proc/sys/kernel/random/boot_id"); }

std::string pid_namespace() {
  char target[128] = {0};
  ssize_t n = ::readlink("/proc/self/ns/pid", target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// The start time of a process (field 22 of /proc/<pid>/stat), or "" when it does not run.
std::string process_start(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  if (!in || !std::getline(in, text)) return {};
  size_t close = text.rfind(')');
  if (close == std::string::npos) return {};
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22; ++i) {
    if (!(fields >> field)) return {};
  }
  return field;
}

std::string content_for(const std::string& started, long long renewed) {
  std::string out = std::string(kFirstLine) + "\n";
  out += "host=" + host_name() + "\n";
  out += "machine=" + machine_id() + "\n";
  out += "boot=" + boot_id() + "\n";
  out += "pidns=" + pid_namespace() + "\n";
  out += "pid=" + std::to_string(::getpid()) + "\n";
  out += "process_start=" + process_start(::getpid()) + "\n";
  out += "started=" + started + "\n";
  out += "renewed=" + std::to_string(renewed) + "\n";
  return out;
}

using fields_t = std::map<std::string, std::string>;

bool parse(const std::string& content, fields_t* out) {
  std::istringstream lines(content);
  std::string line;
  if (!std::getline(lines, line) || line != kFirstLine) return false;
  while (std::getline(lines, line)) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    (*out)[line.substr(0, eq)] = line.substr(eq + 1);
  }
  static const char* const required[] = {"host", "machine", "boot", "pidns", "pid",
                                         "process_start", "started", "renewed"};
  for (const char* key : required) {
    if (out->count(key) == 0) return false;
  }
  return true;
}

long long number(const fields_t& f, const char* key) {
  auto it = f.find(key);
  if (it == f.end()) return -1;
  char* end = nullptr;
  long long v = std::strtoll(it->second.c_str(), &end, 10);
  return end != nullptr && *end == '\0' && !it->second.empty() ? v : -1;
}

// Reads a lock file whole (at most kMaxLockSize bytes). False with errno set.
bool read_lock(share::destination& d, const std::string& path, std::string* out,
               share::info_t* info) {
  if (share::lstat(d, path, info) != 0) return false;
  auto f = d.open_file(path, O_RDONLY, 0);
  if (!f) return false;
  std::string buffer(kMaxLockSize, '\0');
  ssize_t n = f->read_at(buffer.data(), buffer.size(), 0);
  int err = errno;
  f->close();
  if (n < 0) {
    errno = err;
    return false;
  }
  buffer.resize(static_cast<size_t>(n));
  *out = buffer;
  return true;
}

bool write_whole(share::file& f, const std::string& content) {
  return f.write_at(content.data(), content.size(), 0) == static_cast<ssize_t>(content.size()) &&
         f.truncate(content.size()) == 0;
}

struct verdict_t {
  bool live = true;
  std::string pid = "?";
  std::string host = "?";
  std::string since = "?";
};

std::string local_time_text(long long seconds) {
  if (seconds < 0) return "?";
  GTimeVal t{static_cast<glong>(seconds), 0};
  char text[128];
  time_val_to_local_time_string(text, sizeof text, &t);
  return text;
}

// Whether the holder named by a lock file still runs (see tree_lock.h).
verdict_t judge(const std::string& path, const std::string& content, const share::info_t& info) {
  verdict_t v;
  fields_t f;
  long long now = static_cast<long long>(std::time(nullptr));
  if (!parse(content, &f)) {
    v.live = now - info.mtime <= kUnreadableGrace;
    v.since = local_time_text(info.mtime);
    return v;
  }
  v.pid = f["pid"];
  v.host = f["host"];
  v.since = local_time_text(number(f, "started"));
  long long pid = number(f, "pid");
  bool same_machine = f["machine"] == machine_id();
  if (same_machine && f["boot"] != boot_id()) {
    v.live = false;  // the machine started again since
    return v;
  }
  if (same_machine && f["pidns"] == pid_namespace() && pid > 0) {
    if (pid == ::getpid()) {
      std::lock_guard<std::mutex> lock(registry_mutex);
      v.live = held_paths().count(path) != 0;
    } else {
      // The same process, not another one under a reused id; without /proc (a chroot) the
      // id alone tells.
      std::string start = process_start(pid);
      if (!start.empty() && !f["process_start"].empty()) {
        v.live = start == f["process_start"];
      } else {
        v.live = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
      }
    }
    return v;
  }
  long long renewed = number(f, "renewed");
  v.live = renewed >= 0 && now - renewed <= tree_lock_t::kLeaseSeconds;
  return v;
}

void log_held(const session_t& task, const std::string& tree_base, const verdict_t& v) {
  log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR,
                     _("The task folder %s is in use by process %s on %s since %s; this run "
                       "does not start."),
                     path_format_to_win(tree_base).c_str(), v.pid.c_str(), v.host.c_str(),
                     v.since.c_str());
}

}  // namespace

std::string tree_lock_content_now() {
  return content_for(std::to_string(std::time(nullptr)), std::time(nullptr));
}

tree_lock_t::result tree_lock_t::take(share::destination& d, const session_t& task,
                                      const task_tree_t& tree) {
  release();
  path_ = tree.base + "/" + kFileName;
  auto failed = [&] {
    log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR,
                       _("Failed to write file %s."), path_format_to_win(path_).c_str());
    return result::failed;
  };
  verdict_t last;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string started = std::to_string(std::time(nullptr));
    auto f = d.open_file(path_, O_RDWR | O_CREAT | O_EXCL, 0660);
    if (f) {
      bool written = write_whole(*f, content_for(started, std::time(nullptr)));
      if (f->close() != 0 || !written) {
        d.unlink(path_);
        return failed();
      }
      {
        std::lock_guard<std::mutex> lock(registry_mutex);
        held_paths().insert(path_);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = true;
        dest_ = &d;
        started_ = started;
      }
      crash_point("lock.taken");
      return result::taken;
    }
    if (errno != EEXIST) return failed();
    std::string old;
    share::info_t info;
    if (!read_lock(d, path_, &old, &info)) {
      if (errno == ENOENT) continue;  // given up meanwhile: try again
      return failed();
    }
    last = judge(path_, old, info);
    if (last.live) break;
    // Taken over: the old file is moved away under a name of this run's own and checked to
    // be the one judged, so that a lock taken meanwhile by another run is never removed.
    std::random_device random;
    std::string aside = path_ + ".stale-" + std::to_string(::getpid()) + "-" +
                        std::to_string(random());
    if (d.rename(path_, aside) != 0) {
      if (errno == ENOENT) continue;
      return failed();
    }
    std::string moved;
    share::info_t moved_info;
    if (!read_lock(d, aside, &moved, &moved_info) || moved != old) {
      d.rename(aside, path_);  // not the one judged: it goes back
      last = verdict_t();
      break;
    }
    d.unlink(aside);
    log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_WARNING,
                       _("The lock of the task folder %s left by process %s on %s was taken "
                         "over: that run has ended."),
                       path_format_to_win(tree.base).c_str(), last.pid.c_str(),
                       last.host.c_str());
    crash_point("lock.taken_over");
  }
  log_held(task, tree.base, last);
  return result::held;
}

bool tree_lock_t::held() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return held_;
}

void tree_lock_t::release() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!held_) return;
  held_ = false;
  if (dest_->unlink(path_) != 0 && errno != ENOENT) {
    daemon_print(3, "can not remove the lock %s: %s\n", path_.c_str(), std::strerror(errno));
  }
  {
    std::lock_guard<std::mutex> registry(registry_mutex);
    held_paths().erase(path_);
  }
  dest_ = nullptr;
}

void tree_lock_t::renew() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!held_) return;
  auto f = dest_->open_file(path_, O_RDWR, 0);
  if (!f || !write_whole(*f, content_for(started_, std::time(nullptr))) || f->close() != 0) {
    daemon_print(3, "can not renew the lock %s\n", path_.c_str());
  }
}
