// What the restore tests share: a task backed up four times while its source changes, with
// one source folder "docs" inside a home folder, the user's own files in a target, and the
// one setting a restore reads. Each test program includes it once.
#pragma once

#include "restore.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "backup.h"
#include "configuration.h"
#include "crash_point.h"
#include "fault_destination.h"
#include "folder_walk.h"
#include "log.h"
#include "share.h"
#include "task_tree_fixture.h"
#include "test_support.h"
#include "threads.h"

namespace fs = std::filesystem;

namespace restore_test {
inline std::string g_delete_sync;
}  // namespace restore_test

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option option) {
  return option == GLOBAL_RESTORE_DELETE_SYNC ? restore_test::g_delete_sync : std::string();
}

namespace restore_test {

using namespace task_tree_test;
namespace share = tessaly::share;
using tessaly::folder_chain;
using tessaly::kFolderOpenFlags;
using tessaly::unique_fd;

const char* const kUuid = "5d0c1f3e-2b4a-4c6d-8e9f-0a1b2c3d4e5f";

inline void run_sql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// `rel` is `entry` or lies inside it.
inline bool inside_of(const std::string& rel, const std::string& entry) {
  return rel == entry || rel.compare(0, entry.size() + 1, entry + "/") == 0;
}

// ---------------------------------------------------------------------------------------
// The fixture: one source folder "docs" inside a home folder, four versions of it.
// ---------------------------------------------------------------------------------------

class RestoreFixture : public TaskTreeFixture {
 protected:
  void init(where w) {
    g_delete_sync.clear();
    home_ = root_.path() + "/home";
    TaskTreeFixture::init(w, kUuid, "home/docs");
  }

  run_outcome restore(gint64 v, const std::string& path = std::string(),
                      const destination_wrap_t& wrap = nullptr) {
    log_store_reset();
    return restore_incremental_backup(&task_, path.empty() ? nullptr : path.c_str(), v, wrap);
  }

  // Four versions of the source; versions_[v - 1] is what version v holds.
  void make_history() {
    put(src_ + "/a.txt", "alpha\n");
    put(src_ + "/big.bin", random_bytes(30000, 1));
    put(src_ + "/sub/b.txt", "bee\n");
    put(src_ + "/sub/deep/c.txt", "sea\n");
    put(src_ + "/gone.txt", "goes in two\n");
    fs::create_directories(src_ + "/empty");
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_));

    put(src_ + "/a.txt", "alpha, two\n");
    std::string big = versions_[0].files.at("big.bin");
    big.insert(500, random_bytes(700, 2));
    put(src_ + "/big.bin", big);
    put(src_ + "/new.txt", "new in two\n");
    fs::remove(src_ + "/gone.txt");
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_));

    put(src_ + "/a.txt", "alpha, three, longer than before\n");
    put(src_ + "/sub/b.txt", "bee three\n");
    put(src_ + "/nf/x.txt", "new folder in three\n");
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_));

    big = versions_[2].files.at("big.bin");
    big.replace(20000, 100, std::string(100, 'z'));
    put(src_ + "/big.bin", big);
    put(src_ + "/gone.txt", "back in four, other content\n");
    fs::remove(src_ + "/new.txt");
    put(src_ + "/sub/b.txt", "");
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_));
    src_backup_();
  }

  // Two versions of a small source: the second changes a file and a block of the large one
  // and adds a file. Their snapshots; the newest copy is made (src_backup_).
  void two_versions(snapshot_t* first, snapshot_t* second) {
    put(src_ + "/a.txt", "alpha");
    put(src_ + "/m.bin", random_bytes(9000, 4));
    put(src_ + "/sub/b.txt", "bee");
    ASSERT_EQ(backup(), run_outcome::completed);
    *first = snapshot(src_);
    put(src_ + "/a.txt", "alpha two");
    std::string m = first->files.at("m.bin");
    m.replace(10, 10, "0123456789");
    put(src_ + "/m.bin", m);
    put(src_ + "/sub/c.txt", "sea");
    ASSERT_EQ(backup(), run_outcome::completed);
    *second = snapshot(src_);
    src_backup_();
  }

  // What the user has in a target folder before a restore: the newest files, one of them
  // edited, and files of the user's own inside the folder, in a sub-folder and beside it.
  void user_state(const std::string& folder) {
    std::string newest = src_backup_();
    fs::remove_all(folder);
    copy_tree(newest, folder);
    put(folder + "/a.txt", "edited by the user\n");
    put(folder + "/user_top.txt", "mine, top\n");
    put(folder + "/sub/user_sub.txt", "mine, in sub\n");
    put(folder + "/userdir/u.txt", "my own folder\n");
    put(fs::path(folder).parent_path().string() + "/beside.txt", "beside the folder\n");
  }

  // A copy of the newest source made once, so that every case starts from the same state.
  std::string src_backup_() {
    std::string copy = root_.path() + "/newest";
    if (!fs::exists(copy)) copy_tree(src_, copy);
    return copy;
  }

  // The tree as it lies on disk; the lock that a killed run leaves behind (taken over by the
  // next run) is left out.
  std::string tree_state() {
    snapshot_t s = snapshot(tree_);
    s.files.erase("run.lock");
    return describe(s);
  }

  std::string home_;
  std::vector<snapshot_t> versions_;
};

class RestoreTest : public RestoreFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam()); }
};

class LocalRestoreTest : public RestoreFixture {
 protected:
  void SetUp() override { init(where::local); }
};

}  // namespace restore_test
