// What the backup tests share: the task tree as it lies on disk (for an SMB share the
// server's folder, names mapped), every version rebuilt from it with Debian's rdiff applying
// the reverse deltas, and the fixture of a source folder and a destination on either back-end.
#pragma once

#include "backup.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <thread>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "configuration.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "fault_destination.h"
#include "links.h"
#include "log.h"
#include "scan_backup_folder.h"
#include "seen_trees.h"
#include "restore.h"
#include "share.h"
#include "task_tree_fixture.h"
#include "tree_lock.h"
#include "test_support.h"

namespace backup_test {

namespace fs = std::filesystem;
namespace share = tessaly::share;


using namespace task_tree_test;

const char* const kUuid = "0a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d";

// ---------------------------------------------------------------------------------------
// The tree as it lies on disk (for an SMB share: the server's folder, names mapped).
// ---------------------------------------------------------------------------------------

struct tree_on_disk {
  std::string root;  // <folder>/<uuid>
  bool mapped = false;

  std::string path(const std::string& rel) const {
    if (rel.empty()) return root;
    return root + "/" + (mapped ? share::to_share_path(rel) : rel);
  }
  bool exists(const std::string& rel) const {
    struct stat st;
    return ::lstat(path(rel).c_str(), &st) == 0;
  }
};

// The last-write time of a source file as the tree records it.
inline int file_time_of(const std::string& path, std::string* out) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? get_file_time(st, out) : -1;
}

inline std::set<std::string> as_set(const std::vector<std::string>& rows) {
  return std::set<std::string>(rows.begin(), rows.end());
}

inline std::string marker_rel(int n, int k) {
  return "increments/" + std::to_string(n) + "/id" + std::to_string(k) + "/marker.dat";
}

inline std::set<std::string> exist_rows(const tree_on_disk& t, int n, int k = 0) {
  if (!t.exists(marker_rel(n, k))) return {"<no marker>"};
  std::string file = t.path(marker_rel(n, k));
  if (query(file, "select count(*) from sqlite_master where name='exist_tbl';")[0] == "0") {
    return {};
  }
  return as_set(query(file, "select File_path from exist_tbl;"));
}

inline std::string status_word(const tree_on_disk& t) {
  auto rows = query(t.path("status.db"), "select Real_status from status_tbl;");
  return rows.size() == 1 ? rows[0] : "<" + std::to_string(rows.size()) + " rows>";
}

inline std::vector<std::string> history_rows(const tree_on_disk& t) {
  if (!t.exists("history.db")) return {};
  return query(t.path("history.db"), "select No, Real_time from time_tbl order by No;");
}

inline std::string run_rdiff_patch(const std::string& basis, const std::string& delta) {
  char folder_template[] = "/tmp/tessaly-rdiff-XXXXXX";
  std::string folder = ::mkdtemp(folder_template);
  test_support::write_file(folder + "/basis", basis);
  std::string out = folder + "/out";
  gchar* argv[] = {const_cast<gchar*>("rdiff"), const_cast<gchar*>("patch"),
                   const_cast<gchar*>((folder + "/basis").c_str()),
                   const_cast<gchar*>(delta.c_str()), const_cast<gchar*>(out.c_str()), nullptr};
  std::string basis_path = folder + "/basis";
  argv[2] = const_cast<gchar*>(basis_path.c_str());
  gint status = -1;
  gchar* err = nullptr;
  gboolean ok = g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                             nullptr, &err, &status, nullptr);
  std::string result = ok && status == 0 ? test_support::read_file(out) : "<rdiff failed>";
  if (!(ok && status == 0)) ADD_FAILURE() << "rdiff patch " << delta << ": " << (err ? err : "");
  g_free(err);
  fs::remove_all(folder);
  return result;
}

inline std::set<std::string> kept_rows(const tree_on_disk& t, int n, int k = 0) {
  if (!t.exists(marker_rel(n, k))) return {};
  std::string file = t.path(marker_rel(n, k));
  if (query(file, "select count(*) from sqlite_master where name='kept_tbl';")[0] == "0") {
    return {};
  }
  return as_set(query(file, "select File_path from kept_tbl;"));
}

// Version v of source k as a restore rebuilds it: every entry that v's marker lists, from
// last, or, when a later run r changed the type of the entry (or of a folder above it), from
// what run r kept of it; then for each run from there down to v + 1 each file that the run
// changed patched with its delta.
inline snapshot_t rebuild(const tree_on_disk& t, int v, int k = 0) {
  snapshot_t s;
  int n = static_cast<int>(history_rows(t).size());
  std::string id = "id" + std::to_string(k) + "/";
  std::map<std::string, int> first_run;  // of each file: the newest run whose delta applies
  for (const std::string& rel : exist_rows(t, v, k)) {
    std::string origin = "last/" + id + rel;
    int first = n;
    for (int r = v + 1; r <= n; ++r) {
      bool kept = false;
      for (const std::string& k_rel : kept_rows(t, r, k)) {
        kept = kept || rel == k_rel || rel.compare(0, k_rel.size() + 1, k_rel + "/") == 0;
      }
      if (kept) {
        origin = "increments/" + std::to_string(r) + "/kept/" + id + rel;
        first = r - 1;
        break;
      }
    }
    struct stat st;
    if (::lstat(t.path(origin).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) s.folders.insert(rel);
    if (S_ISREG(st.st_mode)) {
      s.files[rel] = test_support::read_file(t.path(origin));
      first_run[rel] = first;
    }
  }
  for (int r = n; r > v; --r) {
    std::set<std::string> run_rows = exist_rows(t, r, k);
    std::string dir = "increments/" + std::to_string(r) + "/id" + std::to_string(k) + "/";
    for (auto& [rel, content] : s.files) {
      if (r > first_run[rel] || run_rows.count(rel) == 0) continue;
      std::string delta = dir + rel + ".delta.old";
      if (t.exists(delta)) content = run_rdiff_patch(content, t.path(delta));
    }
  }
  return s;
}

// The delta files of version n (relative paths of the files they belong to).
inline std::set<std::string> deltas(const tree_on_disk& t, int n, int k = 0) {
  std::set<std::string> out;
  std::string dir = t.path("increments/" + std::to_string(n) + "/id" + std::to_string(k));
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    std::string p = e.path().string().substr(dir.size() + 1);
    const std::string ending = ".delta.old";
    if (p.size() > ending.size() && p.compare(p.size() - ending.size(), ending.size(), ending) == 0) {
      std::string rel = p.substr(0, p.size() - ending.size());
      out.insert(t.mapped ? share::from_share_name(rel) : rel);
    }
  }
  return out;
}

inline std::set<std::string> listed(const snapshot_t& s) {
  std::set<std::string> out(s.folders);
  for (const auto& [rel, content] : s.files) out.insert(rel);
  return out;
}

// ---------------------------------------------------------------------------------------
// The fixture: a source folder and a destination on either back-end.
// ---------------------------------------------------------------------------------------

class BackupFixture : public TaskTreeFixture {
 protected:
  void init(where w) {
    TaskTreeFixture::init(w, kUuid, "src");
    disk_.root = tree_;
    disk_.mapped = smb();
  }

  std::string iso_start() const { return time_val_to_iso8601(start_); }
  // The tree's path as the service forms it (destination, "/", uuid).
  std::string tree_path() const { return task_tree_t(destination_, task_.uuid).base; }

  // Checks that the tree holds exactly these versions, each rebuilt byte for byte.
  void expect_versions(const std::vector<snapshot_t>& want, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(status_word(disk_), "complete");
    EXPECT_FALSE(disk_.exists("tmp"));
    EXPECT_FALSE(disk_.exists("lasttmp"));
    ASSERT_EQ(history_rows(disk_).size(), want.size());
    for (size_t v = 1; v <= want.size(); ++v) {
      EXPECT_EQ(exist_rows(disk_, static_cast<int>(v)), listed(want[v - 1])) << "version " << v;
      expect_same(want[v - 1], rebuild(disk_, static_cast<int>(v)), "version " + std::to_string(v));
    }
  }

  // Repairs the tree the way the next backup or a restore does, without a new version.
  bool repair() {
    std::unique_ptr<tree_session> s = tree_session::connect(task_);
    return s && recover_interrupted_backup(*s);
  }

  tree_on_disk disk_;
};

class BackupTest : public BackupFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam()); }
};

class LocalBackupTest : public BackupFixture {
 protected:
  void SetUp() override { init(where::local); }
};

// Everything of a snapshot that a run takes: not the never-backed-up names, and on an SMB
// share not the names the share cannot keep apart or carry.
inline std::function<bool(const std::string&)> taken_by(bool smb) {
  return [smb](const std::string& rel) {
    std::string name = fs::path(rel).filename().string();
    if (g_ascii_strcasecmp(name.c_str(), "Thumbs.db") == 0) return false;
    if (smb && (rel == "case.txt" || rel.find('\xff') != std::string::npos)) return false;
    return true;
  };
}

}  // namespace backup_test
