// What the backup and restore tests share: a task with one source folder and a destination
// on a local folder or on a private Samba server, source files with last-write times of
// their own, folders as they lie on disk, the run's log records, and runs stopped (SIGKILL)
// or held at a named crash point.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "backup.h"
#include "backup_task.h"
#include "crash_point.h"
#include "db_rows.h"
#include "log.h"
#include "smb_peer.h"
#include "test_support.h"

namespace task_tree_test {

namespace fs = std::filesystem;

enum class where { local, smb };

inline std::string param_name(const ::testing::TestParamInfo<where>& info) {
  return info.param == where::local ? "Local" : "Smb";
}

// ---------------------------------------------------------------------------------------
// The source side.
// ---------------------------------------------------------------------------------------

// File times that move on by whole seconds, so that every change is seen.
inline time_t next_mtime() {
  static time_t clock = 1700000000;
  clock += 7;
  return clock;
}

// Writes a file with a time of its own; a link in its place is replaced, never written
// through.
inline void put(const std::string& path, const std::string& data) {
  fs::create_directories(fs::path(path).parent_path());
  fs::remove(path);
  test_support::write_file(path, data);
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = next_mtime();
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

inline std::string random_bytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// A folder as it lies on disk: files with their content, folders, links with their text.
struct snapshot_t {
  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::map<std::string, std::string> links;
  bool operator==(const snapshot_t&) const = default;
};

using take_t = std::function<bool(const std::string&)>;

inline void walk(const std::string& root, const std::string& rel, snapshot_t* out,
                 const take_t& take, bool with_links) {
  std::string dir = rel.empty() ? root : root + "/" + rel;
  for (const auto& e : fs::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    std::string r = rel.empty() ? name : rel + "/" + name;
    struct stat st;
    ASSERT_EQ(::lstat(e.path().c_str(), &st), 0);
    if (S_ISLNK(st.st_mode)) {
      if (with_links && take(r)) out->links[r] = fs::read_symlink(e.path()).string();
    } else if (S_ISDIR(st.st_mode)) {
      if (!take(r)) continue;
      out->folders.insert(r);
      walk(root, r, out, take, with_links);
    } else if (S_ISREG(st.st_mode) && take(r)) {
      out->files[r] = test_support::read_file(e.path());
    }
  }
}

// Everything below `root` (nothing when it does not exist).
inline snapshot_t snapshot(const std::string& root) {
  snapshot_t s;
  if (fs::exists(fs::symlink_status(root))) {
    walk(root, "", &s, [](const std::string&) { return true; }, true);
  }
  return s;
}

// What a version of `root` holds as files: the files and folders that `take` accepts
// (a folder not taken is not entered). Links are recorded apart, in the marker.
inline snapshot_t snapshot(const std::string& root, const take_t& take) {
  snapshot_t s;
  if (fs::exists(fs::symlink_status(root))) walk(root, "", &s, take, false);
  return s;
}

// Every entry with its content, so that a test can tell that nothing changed at all.
inline std::string describe(const snapshot_t& s) {
  std::string out;
  for (const auto& f : s.folders) out += "D " + f + "\n";
  for (const auto& [p, c] : s.files) out += "F " + p + " " + std::to_string(c.size()) + " " +
                                             std::to_string(std::hash<std::string>()(c)) + "\n";
  for (const auto& [p, t] : s.links) out += "L " + p + " -> " + t + "\n";
  return out;
}

inline void expect_same(const snapshot_t& want, const snapshot_t& got, const std::string& what) {
  EXPECT_EQ(want.folders, got.folders) << what;
  EXPECT_EQ(want.links, got.links) << what;
  for (const auto& [rel, content] : want.files) {
    auto it = got.files.find(rel);
    if (it == got.files.end()) {
      ADD_FAILURE() << what << ": " << rel << " missing";
    } else if (it->second != content) {
      ADD_FAILURE() << what << ": " << rel << " differs (" << it->second.size() << " bytes, want "
                    << content.size() << ")";
    }
  }
  for (const auto& [rel, content] : got.files) {
    if (want.files.count(rel) == 0) ADD_FAILURE() << what << ": " << rel << " not expected";
  }
}

inline void copy_tree(const std::string& from, const std::string& to) {
  fs::remove_all(to);
  fs::create_directories(fs::path(to).parent_path());
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
}

using test_support::query;

// ---------------------------------------------------------------------------------------
// The run's log.
// ---------------------------------------------------------------------------------------

inline std::vector<std::string> log_texts() {
  std::lock_guard<std::mutex> lock(log_file_mutex);
  std::vector<std::string> out;
  for (const log_record_t& r : log_list) out.push_back(r.type + ": " + r.content);
  return out;
}

inline bool logged(const std::string& text) {
  for (const std::string& t : log_texts()) {
    if (t.find(text) != std::string::npos) return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------
// Runs stopped or held at a crash point.
// ---------------------------------------------------------------------------------------

// Runs `body` in a child process that dies (SIGKILL) at the named pass of a crash point.
// True when it died there.
inline bool killed_at(const std::string& point, const std::function<void()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("TESSALY_CRASH_AT", point.c_str(), 1);
    crash_point_reset();
    body();
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The passes of each point (with the prefix) worth stopping at: the first, the second and
// the last.
inline std::vector<std::string> sweep_points(
    const std::vector<std::pair<std::string, long>>& passes, const std::string& prefix = "") {
  std::vector<std::string> out;
  for (const auto& [name, count] : passes) {
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    std::set<long> picks{1, std::min(2L, count), count};
    for (long p : picks) out.push_back(name + "@" + std::to_string(p));
  }
  return out;
}

// Runs `body` on a thread of its own, holds it at the named crash point, calls `meanwhile`
// and lets it go on.
template <typename Body>
void hold_at(const std::string& point, const std::string& pause_file, Body body,
             const std::function<void()>& meanwhile) {
  ::setenv("TESSALY_PAUSE_FILE", pause_file.c_str(), 1);
  ::setenv("TESSALY_PAUSE_AT", point.c_str(), 1);
  crash_point_reset();
  std::thread worker(body);
  bool reached = false;
  for (int i = 0; i < 3000 && !reached; ++i) {
    reached = fs::exists(pause_file);
    if (!reached) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::unsetenv("TESSALY_PAUSE_AT");
  if (reached) meanwhile();
  fs::remove(pause_file);
  worker.join();
  EXPECT_TRUE(reached) << point << " not reached";
}

// A lock a lost connection left half written counts as another run's for its grace period
// (tree_lock.h): made an hour old, as when the next run comes an hour later.
inline void age_lock(const std::string& lock) {
  if (!fs::exists(lock)) return;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - 3600;
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ::utimensat(AT_FDCWD, lock.c_str(), times, 0);
}

// ---------------------------------------------------------------------------------------
// The fixture: a task "Docs" with one source folder and a destination on either back-end.
// ---------------------------------------------------------------------------------------

class TaskTreeFixture : public ::testing::Test {
 protected:
  // The source is `source` inside the test's root; tree_ is the task tree where it lies
  // on this machine (for an SMB share: in the server's folder).
  void init(where w, const std::string& uuid, const std::string& source) {
    where_ = w;
    static bool log_ready = [] {
      log_init(false, false, 10, nullptr);
      return true;
    }();
    (void)log_ready;
    log_store_reset();
    crash_point_reset();
    src_ = root_.path() + "/" + source;
    fs::create_directories(src_);
    destination_t d;
    if (w == where::smb) {
      START_SMB_PEER(peer_);
      fs::create_directories(peer_.share_dir() + "/backups");
      destination_ = "\\\\127.0.0.1\\nas\\backups";
      tree_ = peer_.share_dir() + "/backups/" + uuid;
      d.path = destination_;
      d.protocol = PROTOCOL_SAMBA;
      d.user = test_support::SmbPeer::user();
      d.password = test_support::SmbPeer::password();
    } else {
      destination_ = root_.path() + "/dest";
      fs::create_directories(destination_);
      tree_ = destination_ + "/" + uuid;
      d = test_support::local_destination(destination_);
    }
    task_ = test_support::backup_task(uuid, "Docs", {src_}, d);
  }

  // A backup run of the task, each an hour after the one before; `wrap` is put in front of
  // its destination.
  run_outcome backup(const destination_wrap_t& wrap = nullptr) {
    start_.tv_sec += 3600;
    start_.tv_usec = 250000;
    return backup_session(&task_, &start_, wrap);
  }

  // The folder that holds the task's tree, as it lies on this machine.
  std::string destination_on_disk() const {
    return where_ == where::smb ? peer_.share_dir() + "/backups" : destination_;
  }

  bool smb() const { return where_ == where::smb; }

  where where_ = where::local;
  test_support::TempRoot root_;
  test_support::SmbPeer peer_;
  std::string src_;
  std::string destination_;
  std::string tree_;
  session_t task_;
  GTimeVal start_{1750000000, 0};
};

}  // namespace task_tree_test
