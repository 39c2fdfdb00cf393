// The restore run on a local folder and on a real Samba server: a task backed up four times
// while its source changes, then each version restored into the source folder and into a
// chosen folder, with and without the restore setting delete_sync, over a folder that holds
// files of the user's. Then what must change nothing (bad versions, a missing marker, a
// share that goes away, a stop), links, hostile marker rows and planted links, names,
// owners and the guards on the target; and the crash sweep: backups and restores killed at
// every named step, after which every completed version still restores byte for byte.
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

namespace {
std::string g_delete_sync;
}

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option option) {
  return option == GLOBAL_RESTORE_DELETE_SYNC ? g_delete_sync : std::string();
}

namespace {

using namespace task_tree_test;
namespace share = tessaly::share;
using tessaly::folder_chain;
using tessaly::kFolderOpenFlags;
using tessaly::unique_fd;

const char* const kUuid = "5d0c1f3e-2b4a-4c6d-8e9f-0a1b2c3d4e5f";

void run_sql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
      << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

// `rel` is `entry` or lies inside it.
bool inside_of(const std::string& rel, const std::string& entry) {
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

// ---------------------------------------------------------------------------------------
// The table: target x delete_sync x version.
// ---------------------------------------------------------------------------------------

TEST_P(RestoreTest, EveryVersionToEveryTargetWithAndWithoutDeleteSync) {
  make_history();
  ASSERT_FALSE(HasFailure());
  const int n = 4;
  std::string chosen = root_.path() + "/chosen";
  std::string tree_before = tree_state();

  struct case_t {
    bool to_chosen;     // P given, or back into the source folder
    bool delete_sync;
    int v;
    // What the user's own files become: kept in place, or gone with the rest of the old
    // folder (exactly the version). A chosen folder follows the same rule as the source
    // folder: only delete_sync makes it hold exactly the version.
    bool user_files_stay;
  };
  std::vector<case_t> cases;
  for (bool to_chosen : {false, true}) {
    for (bool ds : {false, true}) {
      for (int back = 0; back <= 3; ++back) {
        cases.push_back({to_chosen, ds, n - back, !ds});
      }
    }
  }
  for (const case_t& c : cases) {
    std::string what = std::string(c.to_chosen ? "to a chosen folder" : "into the source") +
                       (c.delete_sync ? ", delete_sync" : "") + ", version " +
                       std::to_string(c.v);
    SCOPED_TRACE(what);
    g_delete_sync = c.delete_sync ? "enable" : "disable";
    std::string target = c.to_chosen ? chosen + "/docs" : src_;
    user_state(target);
    snapshot_t before = snapshot(target);
    ASSERT_EQ(restore(c.v, c.to_chosen ? chosen : std::string()), run_outcome::completed);
    EXPECT_TRUE(logged("message: Restore Docs was started."));
    EXPECT_TRUE(logged("message: Restore Docs is completed."));
    snapshot_t got = snapshot(target);
    const snapshot_t& version = versions_[c.v - 1];

    // Every file and folder of the version, byte for byte.
    for (const auto& [rel, content] : version.files) {
      ASSERT_EQ(got.files.count(rel), 1u) << rel;
      EXPECT_EQ(got.files.at(rel), content) << rel;
    }
    for (const std::string& f : version.folders) EXPECT_EQ(got.folders.count(f), 1u) << f;
    // The user's files.
    for (const char* mine : {"user_top.txt", "sub/user_sub.txt", "userdir/u.txt"}) {
      EXPECT_EQ(got.files.count(mine), c.user_files_stay ? 1u : 0u) << mine;
      if (c.user_files_stay) {
        EXPECT_EQ(got.files[mine], before.files[mine]) << mine;
      }
    }
    if (c.user_files_stay) {
      // Nothing else than the version's files changed; files the version lacks stay.
      snapshot_t want = before;
      for (const auto& [rel, content] : version.files) want.files[rel] = content;
      want.folders.insert(version.folders.begin(), version.folders.end());
      expect_same(want, got, what);
      // Version 1 lacks new.txt and nf/x.txt, which the folder holds: they stay.
      if (c.v == 1) {
        EXPECT_EQ(got.files.count("nf/x.txt"), 1u);
      }
    } else {
      expect_same(version, got, what);
    }
    // Beside the restored folder nothing changes, and nothing of the run is left.
    EXPECT_EQ(test_support::read_file(fs::path(target).parent_path().string() + "/beside.txt"),
              "beside the folder\n");
    for (const auto& e : fs::directory_iterator(fs::path(target).parent_path())) {
      EXPECT_EQ(e.path().filename().string().find(kUuid), std::string::npos) << e.path();
    }
    for (const auto& [rel, content] : got.files) {
      EXPECT_EQ(rel.find(kUuid), std::string::npos) << rel;
    }
    // A restore reads the tree and never changes it.
    EXPECT_EQ(tree_state(), tree_before);
    if (HasFailure()) return;
  }
}

// ---------------------------------------------------------------------------------------
// How many requests the share layer sends for a small tree: each step at most as many as the
// table says, so that a change that multiplies the round trips to a share is seen. (On SMB
// the counts include the databases' page reads and writes and the files' reads and writes;
// locally those go through plain files and are not counted.)
// ---------------------------------------------------------------------------------------

struct request_limit_t {
  uint64_t lookups, listings, made, removed, renamed, opened, reads, writes;
};

TEST_P(RestoreTest, ShareRequestsOfASmallTreeStayWithinTheirCounts) {
  // Three folders of two files each, one of them large enough for a delta of a few blocks.
  auto write_tree = [&] {
    put(src_ + "/a.txt", "alpha\n");
    put(src_ + "/big.bin", random_bytes(20000, 3));
    put(src_ + "/sub/b.txt", "bee\n");
    put(src_ + "/sub/c.txt", "sea\n");
    put(src_ + "/sub/deep/d.txt", "dee\n");
    put(src_ + "/sub/deep/e.txt", "eee\n");
  };
  std::string chosen = root_.path() + "/chosen";
  struct step_t {
    const char* what;
    std::function<void()> before;  // changes to the source, not counted
    std::function<run_outcome()> run;
    request_limit_t local, smb;  // at most: lookups, listings, made, removed, renamed,
                                 // opened, reads, writes
  };
  const std::vector<step_t> steps = {
      {"first backup", write_tree, [&] { return backup(); },
       {25, 2, 9, 3, 0, 7, 0, 0},
       {75, 2, 10, 10, 0, 21, 38, 28}},
      {"run with nothing changed", [] {}, [&] { return backup(); },
       {30, 1, 4, 3, 0, 1, 0, 0},
       {97, 1, 4, 9, 0, 18, 61, 19}},
      {"run with two files changed",
       [&] {
         std::string big = random_bytes(20000, 3);
         big.replace(9000, 50, std::string(50, 'x'));
         put(src_ + "/big.bin", big);
         put(src_ + "/sub/deep/d.txt", "dee, changed\n");
       },
       [&] { return backup(); }, {30, 1, 8, 5, 2, 7, 0, 0},
       {97, 1, 8, 14, 2, 25, 64, 26}},
      {"restore of version 1 to a chosen folder", [&] { fs::remove_all(chosen); },
       [&] { return restore(1, chosen); }, {14, 7, 0, 1, 0, 9, 0, 0},
       {72, 7, 0, 1, 0, 15, 49, 1}},
      {"restore of version 3 to a chosen folder",
       [&] {
         // Version 1 came back through the delta chain as it was.
         EXPECT_EQ(test_support::read_file(chosen + "/docs/big.bin"), random_bytes(20000, 3));
         EXPECT_EQ(test_support::read_file(chosen + "/docs/sub/deep/d.txt"), "dee\n");
         fs::remove_all(chosen);
       },
       [&] { return restore(3, chosen); }, {12, 3, 0, 1, 0, 7, 0, 0},
       {46, 3, 0, 1, 0, 11, 31, 1}},
  };
  for (const step_t& step : steps) {
    SCOPED_TRACE(step.what);
    step.before();
    share::reset_request_counts();
    ASSERT_EQ(step.run(), run_outcome::completed);
    share::request_counts_t got = share::request_counts();
    const request_limit_t& at_most = smb() ? step.smb : step.local;
    EXPECT_GT(got.total(), 0u);
    EXPECT_LE(got.lookups, at_most.lookups);
    EXPECT_LE(got.listings, at_most.listings);
    EXPECT_LE(got.made, at_most.made);
    EXPECT_LE(got.removed, at_most.removed);
    EXPECT_LE(got.renamed, at_most.renamed);
    EXPECT_LE(got.opened, at_most.opened);
    EXPECT_LE(got.reads, at_most.reads);
    EXPECT_LE(got.writes, at_most.writes);
  }
  // The restored versions are what the source held.
  EXPECT_EQ(test_support::read_file(chosen + "/docs/sub/deep/d.txt"), "dee, changed\n");
}

INSTANTIATE_TEST_SUITE_P(Destinations, RestoreTest, ::testing::Values(where::local, where::smb),
                         param_name);

// ---------------------------------------------------------------------------------------
// What must change nothing.
// ---------------------------------------------------------------------------------------

TEST_P(RestoreTest, BadVersionOrMissingMarkerChangesNothing) {
  make_history();
  ASSERT_FALSE(HasFailure());
  std::string chosen = root_.path() + "/chosen";
  user_state(chosen + "/docs");
  user_state(src_);
  g_delete_sync = "enable";
  snapshot_t chosen_before = snapshot(chosen);
  snapshot_t home_before = snapshot(home_);
  std::string tree_before = tree_state();
  auto unchanged = [&](const std::string& what) {
    EXPECT_EQ(describe(snapshot(chosen)), describe(chosen_before)) << what;
    EXPECT_EQ(describe(snapshot(home_)), describe(home_before)) << what;
    EXPECT_TRUE(logged("error: Restore Docs is failed.")) << what;
    EXPECT_FALSE(logged("Restore Docs is completed.")) << what;
  };
  for (gint64 v : {gint64(0), gint64(-1), gint64(5), (gint64(1) << 32) + 1, (gint64(1) << 32) + 4}) {
    std::string what = "version " + std::to_string(v);
    EXPECT_EQ(restore(v, chosen), run_outcome::failed) << what;
    unchanged(what + " to a chosen folder");
    EXPECT_EQ(restore(v), run_outcome::failed) << what;
    unchanged(what + " into the source");
  }
  EXPECT_EQ(tree_state(), tree_before);

  // The marker of a newer version is gone: an older version cannot be rebuilt, the newest
  // still can.
  std::string marker = tree_ + "/increments/3/id0/marker.dat";
  fs::rename(marker, marker + ".away");
  for (int v : {1, 2, 3}) {
    EXPECT_EQ(restore(v, chosen), run_outcome::failed) << v;
    unchanged("marker of 3 missing, version " + std::to_string(v));
    EXPECT_TRUE(logged("Failed to write file")) << v;
  }
  ASSERT_EQ(restore(4, chosen), run_outcome::completed);
  expect_same(versions_[3], snapshot(chosen + "/docs"), "newest with an older marker missing");
  fs::rename(marker + ".away", marker);
}

TEST_F(LocalRestoreTest, StopRequestInTheMiddleLeavesTheTargetAsItWas) {
  make_history();
  ASSERT_FALSE(HasFailure());
  user_state(src_);
  g_delete_sync = "enable";
  snapshot_t before = snapshot(home_);
  indicate_running(kUuid);
  run_outcome outcome = run_outcome::completed;
  hold_at("restore.file@3", root_.path() + "/pause", [&] { outcome = restore(1); },
          [] { force_exit(kUuid, true); });
  indicate_exit(kUuid);
  EXPECT_EQ(outcome, run_outcome::stopped);
  EXPECT_EQ(describe(snapshot(home_)), describe(before));
  EXPECT_TRUE(logged("Restore Docs is failed."));
  // A later restore does the whole work.
  ASSERT_EQ(restore(1), run_outcome::completed);
  expect_same(versions_[0], snapshot(src_), "after the stopped one");
}

class SmbRestoreTest : public RestoreFixture {
 protected:
  void SetUp() override { init(where::smb); }
};

TEST_F(SmbRestoreTest, ShareLostInTheMiddleLeavesTheTargetAsItWas) {
  make_history();
  ASSERT_FALSE(HasFailure());
  std::string chosen = root_.path() + "/chosen";
  user_state(chosen + "/docs");
  snapshot_t before = snapshot(chosen);
  run_outcome outcome = run_outcome::completed;
  hold_at("restore.file@2", root_.path() + "/pause", [&] { outcome = restore(2, chosen); },
          [&] { peer_.stop(); });
  ASSERT_FALSE(HasFailure());  // held at the file, or what follows tells nothing
  EXPECT_EQ(outcome, run_outcome::failed);
  EXPECT_EQ(describe(snapshot(chosen)), describe(before));
  EXPECT_TRUE(logged("error: Restore Docs is failed."));
  EXPECT_FALSE(logged("Restore Docs is completed."));
}

// ---------------------------------------------------------------------------------------
// Links, hostile rows, planted links, names, owners, guards.
// ---------------------------------------------------------------------------------------

TEST_F(LocalRestoreTest, LinksOfTheVersionAreMadeInsideTheTargetOnly) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  ASSERT_EQ(::symlink("a.txt", (src_ + "/to_file").c_str()), 0);
  ASSERT_EQ(::symlink((src_ + "/sub").c_str(), (src_ + "/to_folder").c_str()), 0);
  ASSERT_EQ(::symlink("../a.txt", (src_ + "/sub/up").c_str()), 0);
  ASSERT_EQ(::symlink("/nonexistent/x", (src_ + "/sub/dangling").c_str()), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t version = snapshot(src_);
  ASSERT_EQ(version.links.size(), 4u);

  // Rows a tampered marker could hold: outside the source, climbing out of it, the source
  // itself, and a place that the version fills with a file.
  std::string outside = root_.path() + "/outside";
  fs::create_directories(outside);
  std::string marker = tree_ + "/increments/1/id0/marker.dat";
  run_sql(marker,
          "insert into symbolic_link_tbl values('" + outside + "/evil', '/etc/passwd');"
          "insert into symbolic_link_tbl values('" + src_ + "/../outside/evil2', '/etc');"
          "insert into symbolic_link_tbl values('" + src_ + "/sub/../../outside/evil3', '/');"
          "insert into junction_tbl values('" + src_ + "', '/etc');"
          "insert into symbolic_link_tbl values('" + src_ + "/a.txt', '/etc/shadow');"
          "insert into symbolic_link_tbl values('" + src_ + "docs2/x', '/etc');");

  for (bool chosen : {false, true}) {
    SCOPED_TRACE(chosen ? "to a chosen folder" : "into the source");
    std::string p = root_.path() + "/chosen";
    std::string target = chosen ? p + "/docs" : src_;
    if (!chosen) fs::remove_all(src_);
    g_delete_sync = "enable";
    ASSERT_EQ(restore(1, chosen ? p : std::string()), run_outcome::completed);
    snapshot_t got = snapshot(target);
    expect_same(version, got, "restored with links");
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_FALSE(fs::exists(fs::symlink_status(home_ + "/outside")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(src_ + "docs2")));
    EXPECT_TRUE(logged("warning: Failed to write file " + outside + "/evil."));
  }
}

TEST_F(LocalRestoreTest, LinksPlantedInTheTargetAreReplacedNeverFollowed) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  put(src_ + "/sub/deep/c.txt", "sea");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t version = snapshot(src_);

  std::string victim = root_.path() + "/victim";
  for (bool ds : {false, true}) {
    SCOPED_TRACE(ds ? "delete_sync" : "merge");
    g_delete_sync = ds ? "enable" : "";
    fs::remove_all(victim);
    put(victim + "/b.txt", "victim's b");
    put(victim + "/a.txt", "victim's a");
    put(victim + "/deep/c.txt", "victim's c");
    snapshot_t victim_before = snapshot(victim);
    fs::remove_all(src_);
    fs::create_directories(src_);
    ASSERT_EQ(::symlink((victim + "/a.txt").c_str(), (src_ + "/a.txt").c_str()), 0);
    ASSERT_EQ(::symlink(victim.c_str(), (src_ + "/sub").c_str()), 0);
    ASSERT_EQ(restore(1), run_outcome::completed);
    EXPECT_EQ(describe(snapshot(victim)), describe(victim_before));
    expect_same(version, snapshot(src_), "links replaced");

    // The source folder itself is a link to the victim, made by another user than the
    // victim's owner: not followed, the restore is refused and nothing changes.
    if (::geteuid() != 0) continue;  // giving the link away needs root
    fs::remove_all(src_);
    ASSERT_EQ(::symlink(victim.c_str(), src_.c_str()), 0);
    ASSERT_EQ(::lchown(src_.c_str(), 4321, 4321), 0);
    ASSERT_EQ(restore(1), run_outcome::failed);
    EXPECT_TRUE(logged("error: The restore does not follow the link " + src_ +
                       ": it follows only links of root, and links of the source folder's "
                       "owner to folders of that user."));
    EXPECT_EQ(describe(snapshot(victim)), describe(victim_before));
    struct stat st;
    ASSERT_EQ(::lstat(src_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ::unlink(src_.c_str());
  }
}

// A source folder that is a link of root's or of its folder's owner: the user chose the
// folder by that name. The backup takes the folder it points to (and says so: the run is
// incomplete), links below it stay links, and the restore to the original place goes into
// that folder, the link staying a link.
TEST_F(LocalRestoreTest, ALinkedSourceIsBackedUpAndRestoredThroughItsLink) {
  std::string real = root_.path() + "/real/docs";
  put(real + "/a.txt", "alpha");
  put(real + "/sub/b.txt", "bee");
  ASSERT_EQ(::symlink("a.txt", (real + "/inner_link").c_str()), 0);
  fs::remove_all(src_);
  ASSERT_EQ(::symlink(real.c_str(), src_.c_str()), 0);
  ASSERT_EQ(backup(), run_outcome::incomplete);
  EXPECT_TRUE(logged("warning: The source folder " + src_ + " is a link to " + real +
                     ": the folder it points to is backed up."));
  EXPECT_TRUE(logged("Backup Docs is incomplete: 1 files or folders could not be backed up."));
  snapshot_t version = snapshot(real);
  put(real + "/a.txt", "changed");
  put(real + "/mine.txt", "the user's");
  g_delete_sync = "";
  ASSERT_EQ(restore(1), run_outcome::completed);
  snapshot_t want = version;
  want.files["mine.txt"] = "the user's";
  expect_same(want, snapshot(real), "restored through the link");
  struct stat st;
  ASSERT_EQ(::lstat(src_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(fs::read_symlink(real + "/inner_link").string(), "a.txt");
  // Into a chosen folder it is a folder of its own.
  ASSERT_EQ(restore(1, root_.path() + "/chosen"), run_outcome::completed);
  expect_same(version, snapshot(root_.path() + "/chosen/docs"), "to a chosen folder");
  // A link of another user than the folder's owner is not followed: the run says so.
  if (::geteuid() != 0) return;
  ASSERT_EQ(::lchown(src_.c_str(), 4321, 4321), 0);
  log_store_reset();
  ASSERT_EQ(backup(), run_outcome::incomplete);
  EXPECT_TRUE(logged("warning: " + src_ + " is a link to " + real +
                     ", which is not a folder of the link's owner: it is not followed."));
}

// A chosen folder follows the rule of the original place (delete_sync decides), and one that
// is, holds or lies inside a source folder is refused with a record.
TEST_F(LocalRestoreTest, AChosenFolderNeverDestroysWhatWasThere) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t version = snapshot(src_);
  // Files never backed up, in the source and beside it.
  put(src_ + "/unsaved.txt", "written after the backup");
  put(home_ + "/beside.txt", "beside the source");
  snapshot_t home_before = snapshot(home_);
  for (const std::string& p : {home_, src_, src_ + "/sub", root_.path()}) {
    for (const char* ds : {"", "enable"}) {
      SCOPED_TRACE("chosen " + p + (*ds ? " with delete_sync" : ""));
      g_delete_sync = ds;
      log_store_reset();
      EXPECT_EQ(restore(1, p), run_outcome::failed);
      EXPECT_TRUE(logged("error: The folder " + p +
                         " is, holds or lies inside a source folder of the task: a restore "
                         "there goes to the original place instead."));
      EXPECT_TRUE(logged("error: Restore Docs is failed."));
      EXPECT_EQ(describe(snapshot(home_)), describe(home_before));
    }
  }
  // Another folder: without delete_sync what the version lacks stays.
  std::string p = root_.path() + "/chosen";
  put(p + "/docs/unsaved.txt", "the user's own");
  put(p + "/docs/sub/mine.txt", "also the user's");
  g_delete_sync = "";
  ASSERT_EQ(restore(1, p), run_outcome::completed);
  snapshot_t want = version;
  want.files["unsaved.txt"] = "the user's own";
  want.files["sub/mine.txt"] = "also the user's";
  expect_same(want, snapshot(p + "/docs"), "merged");
  g_delete_sync = "enable";
  ASSERT_EQ(restore(1, p), run_outcome::completed);
  expect_same(version, snapshot(p + "/docs"), "exactly the version");
}

TEST_F(LocalRestoreTest, TypeConflictsTakeTheVersionsEntry) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t version = snapshot(src_);
  fs::remove_all(src_);
  put(src_ + "/a.txt/inner.txt", "a folder where the version has a file");
  put(src_ + "/sub", "a file where the version has a folder");
  put(src_ + "/other.txt", "stays");
  ASSERT_EQ(restore(1), run_outcome::completed);
  snapshot_t want = version;
  want.files["other.txt"] = "stays";
  expect_same(want, snapshot(src_), "type conflicts");
}

TEST_F(LocalRestoreTest, SourcesWithTheSameNameGetTheirOwnFolders) {
  std::string other = root_.path() + "/other/docs";
  put(src_ + "/a.txt", "first source");
  put(other + "/a.txt", "second source");
  put(other + "/only.txt", "only in the second");
  std::string drive = root_.path() + "/third/docs_1";
  put(drive + "/z.txt", "third, named like the second's new name");
  task_.sources = {src_, other, drive};
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_EQ(restore_target_names({"/a/docs", "/b/docs/", "/c/docs_1", "/", "/d/docs"}),
            (std::vector<std::string>{"docs", "docs_1", "docs_1_1", "root", "docs_2"}));
  std::string p = root_.path() + "/chosen";
  ASSERT_EQ(restore(1, p), run_outcome::completed);
  EXPECT_EQ(test_support::read_file(p + "/docs/a.txt"), "first source");
  EXPECT_EQ(test_support::read_file(p + "/docs_1/a.txt"), "second source");
  EXPECT_EQ(test_support::read_file(p + "/docs_1/only.txt"), "only in the second");
  EXPECT_EQ(test_support::read_file(p + "/docs_1_1/z.txt"), "third, named like the second's new name");
}

// What the files had comes back: modes, owners and groups (the service runs as root) and
// last-write times to the nanosecond, for files, folders and links.
TEST_F(LocalRestoreTest, RestoredEntriesGetTheirModesOwnersAndTimes) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  struct want_t {
    const char* rel;
    mode_t mode;
    uid_t uid;
    gid_t gid;
  };
  const std::vector<want_t> wants = {
      {"private.txt", 0600, 0, 0},       {"shared.txt", 0640, 4321, 4322},
      {"tool.sh", 0755, 4321, 4321},     {"sub", 0750, 4321, 4322},
      {"sub/inner.txt", 0444, 4323, 0},  {"setuid", 04755, 0, 0},
      {"locked", 0500, 4321, 4321},      {"locked/in.txt", 0400, 4321, 4321},
  };
  for (const want_t& w : wants) {
    std::string path = src_ + "/" + w.rel;
    if (std::string(w.rel) == "sub" || std::string(w.rel) == "locked") {
      fs::create_directories(path);
    } else {
      put(path, std::string("content of ") + w.rel);
    }
  }
  ASSERT_EQ(::symlink("private.txt", (src_ + "/link").c_str()), 0);
  ASSERT_EQ(::lchown((src_ + "/link").c_str(), 4324, 4325), 0);
  // Children first: a folder's time changes when something is made in it.
  for (auto it = wants.rbegin(); it != wants.rend(); ++it) {
    std::string path = src_ + "/" + it->rel;
    ASSERT_EQ(::chown(path.c_str(), it->uid, it->gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), it->mode), 0);
    struct timespec t[2] = {{1600000000 + static_cast<time_t>(it - wants.rbegin()), 123456789},
                            {1600000000 + static_cast<time_t>(it - wants.rbegin()), 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, AT_SYMLINK_NOFOLLOW), 0);
  }
  struct timespec lt[2] = {{1500000000, 5}, {1500000000, 5}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src_ + "/link").c_str(), lt, AT_SYMLINK_NOFOLLOW), 0);
  std::map<std::string, struct stat> before;
  for (const char* rel : {"private.txt", "shared.txt", "tool.sh", "sub", "sub/inner.txt",
                          "setuid", "locked", "locked/in.txt", "link"}) {
    ASSERT_EQ(::lstat((src_ + "/" + rel).c_str(), &before[rel]), 0) << rel;
  }
  ASSERT_EQ(backup(), run_outcome::completed);

  auto check = [&](const std::string& root) {
    for (const auto& [rel, was] : before) {
      struct stat st;
      ASSERT_EQ(::lstat((root + "/" + rel).c_str(), &st), 0) << rel;
      // Set-user-id is never given back (see SetUserAndGroupIdAreNeverGivenBack).
      mode_t want_mode = was.st_mode & 07777 & ~static_cast<mode_t>(S_ISUID);
      if (!S_ISLNK(was.st_mode)) {
        EXPECT_EQ(st.st_mode & 07777, want_mode) << rel;
      }
      EXPECT_EQ(st.st_uid, was.st_uid) << rel;
      EXPECT_EQ(st.st_gid, was.st_gid) << rel;
      EXPECT_EQ(st.st_mtim.tv_sec, was.st_mtim.tv_sec) << rel;
      EXPECT_EQ(st.st_mtim.tv_nsec, was.st_mtim.tv_nsec) << rel;
    }
  };
  // Into a chosen folder that the caller owns: a file that was root's only stays so.
  std::string p = root_.path() + "/chosen";
  fs::create_directories(p);
  ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);
  ASSERT_EQ(restore(1, p), run_outcome::completed);
  check(p + "/docs");
  // Back in the original place, everything as it was.
  fs::remove_all(src_);
  g_delete_sync = "enable";
  ASSERT_EQ(restore(1), run_outcome::completed);
  check(src_);
}

// A tree written before the attributes were recorded: restored entries get the owner of the
// target folder and private modes, never wider.
TEST_F(LocalRestoreTest, EntriesOfOlderTreesGetTheTargetsOwnerAndPrivateModes) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  ASSERT_EQ(::chmod((src_ + "/a.txt").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("a.txt", (src_ + "/link").c_str()), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  run_sql(tree_ + "/increments/1/id0/marker.dat", "drop table attribute_tbl;");
  std::string p = root_.path() + "/chosen";
  fs::create_directories(p);
  ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);
  ::umask(0);
  ASSERT_EQ(restore(1, p), run_outcome::completed);
  ::umask(022);
  for (const char* rel : {"docs", "docs/a.txt", "docs/sub", "docs/sub/b.txt", "docs/link"}) {
    struct stat st;
    ASSERT_EQ(::lstat((p + "/" + rel).c_str(), &st), 0) << rel;
    EXPECT_EQ(st.st_uid, 4321u) << rel;
    EXPECT_EQ(st.st_gid, 4322u) << rel;
    if (S_ISREG(st.st_mode)) {
      EXPECT_EQ(st.st_mode & 07777, 0600u) << rel;
    }
    if (S_ISDIR(st.st_mode)) {
      EXPECT_EQ(st.st_mode & 07777, 0700u) << rel;
    }
  }
  // A chosen folder that does not exist yet is made with the owner of the folder above.
  std::string fresh = p + "/new/deeper";
  ASSERT_EQ(restore(1, fresh), run_outcome::completed);
  for (const std::string& path : {p + "/new", fresh, fresh + "/docs/a.txt"}) {
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
    EXPECT_EQ(st.st_uid, 4321u) << path;
  }
}

// A file replaced by a folder of the same name and back: every version restores as it was.
TEST_P(RestoreTest, TypeChangesRestoreAsTheyWereInEachVersion) {
  put(src_ + "/x", "x is a file in one");
  put(src_ + "/y/inner.txt", "y is a folder in one");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<snapshot_t> versions{snapshot(src_)};
  fs::remove(src_ + "/x");
  put(src_ + "/x/now.txt", "x is a folder in two");
  fs::remove_all(src_ + "/y");
  put(src_ + "/y", "y is a file in two");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_));
  put(src_ + "/x/now.txt", "x's file changed in three");
  put(src_ + "/y", "y changed in three");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_));
  fs::remove_all(src_ + "/x");
  put(src_ + "/x", "x is a file again in four");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_));
  g_delete_sync = "enable";
  for (int v = 1; v <= 4; ++v) {
    std::string p = root_.path() + "/chosen" + std::to_string(v);
    ASSERT_EQ(restore(v, p), run_outcome::completed) << v;
    expect_same(versions[v - 1], snapshot(p + "/docs"), "version " + std::to_string(v));
  }
}

TEST_F(LocalRestoreTest, TargetsThatWouldHarmTheSystemOrTheTreeAreRefused) {
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::string tree_before = tree_state();
  fs::create_directories(root_.config_dir());
  put(root_.config_dir() + "SESSION_CONFIG.dat", "settings");
  snapshot_t config_before = snapshot(root_.config_dir());
  for (const std::string& p :
       {std::string("/"), std::string("//"), tree_, tree_ + "/last", root_.config_dir(),
        root_.path() + "/var/lib/Tessaly/sub/..", root_.path() + "/x/../../..",
        std::string("relative/path")}) {
    SCOPED_TRACE("target " + p);
    EXPECT_EQ(restore(1, p), run_outcome::failed);
    EXPECT_TRUE(logged("Restore Docs is failed."));
    EXPECT_EQ(tree_state(), tree_before);
    EXPECT_EQ(describe(snapshot(root_.config_dir())), describe(config_before));
  }
  EXPECT_FALSE(fs::exists("/docs"));

  // A source folder that holds the tree and the configuration folder: with delete_sync what
  // the version lacks goes, but those two stay as they are, with a record each.
  task_.sources = {root_.path()};
  g_delete_sync = "enable";
  EXPECT_EQ(restore(1), run_outcome::completed);
  EXPECT_EQ(tree_state(), tree_before);
  EXPECT_EQ(describe(snapshot(root_.config_dir())), describe(config_before));
  for (const std::string& kept : {tree_, root_.path() + "/var/lib/Tessaly"}) {
    EXPECT_TRUE(logged("warning: " + kept + " is a task folder or the service's configuration "
                       "folder: the restore leaves it untouched."))
        << kept;
  }
  EXPECT_EQ(test_support::read_file(root_.path() + "/a.txt"), "alpha");
  EXPECT_FALSE(fs::exists(home_));
}

// ---------------------------------------------------------------------------------------
// What another local user, whoever writes the tree, or a second task may try.
// ---------------------------------------------------------------------------------------

// A source of another user's (uid 4321) below a sticky folder that everyone may write, as
// /tmp is. A link on the way to the target is followed only when it is root's, or the
// source owner's to a folder of that user; any other makes the run fail with a record, and
// nothing is written or removed where it leads.
TEST_F(LocalRestoreTest, LinksOnTheWayToTheTargetAreFollowedOnlyForRootOrTheSourcesOwner) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give links away";
  const uid_t alice = 4321;
  const uid_t mallory = 4322;
  auto own = [](const std::string& path, uid_t uid) {
    ASSERT_EQ(::lchown(path.c_str(), uid, uid), 0) << path;
  };
  ASSERT_EQ(::chmod(home_.c_str(), 01777), 0);
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  for (const char* rel : {"", "/a.txt", "/sub", "/sub/b.txt"}) own(src_ + rel, alice);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t version = snapshot(src_);

  const std::string roots = root_.path() + "/roots";        // root's
  const std::string mallorys = root_.path() + "/mallorys";  // the other user's
  const std::string alices = root_.path() + "/alices";      // the source owner's
  const std::string moved = root_.path() + "/home.real";    // where home went, root's
  const std::string drop = root_.path() + "/drop";          // on the way to a chosen folder
  put(roots + "/passwd", "root's file");
  put(mallorys + "/reads.txt", "mallory reads what lands here");
  own(mallorys, mallory);
  fs::create_directories(alices);
  own(alices, alice);
  auto others = [&] {
    return describe(snapshot(roots)) + describe(snapshot(mallorys)) + describe(snapshot(alices));
  };
  const std::string others_before = others();

  struct case_t {
    const char* what;
    std::string link;    // planted at
    std::string points;  // to
    uid_t owner;         // owned by
    bool chosen;         // restored to drop/chosen rather than the original place
    std::string lands;   // where the version goes when the link is followed; "" refused
  };
  const std::vector<case_t> cases = {
      {"another user's link in place of the source's folder, to root's folder", home_, roots,
       mallory, false, ""},
      {"another user's link in place of the source folder, to that user's folder", src_,
       mallorys, mallory, false, ""},
      {"the source owner's link in place of the source folder, to root's folder", src_, roots,
       alice, false, ""},
      {"another user's link on the way to a chosen folder", drop, mallorys, mallory, true, ""},
      {"the source owner's link in place of the source folder, to that user's folder", src_,
       alices, alice, false, alices},
      {"root's link in place of the source's folder", home_, moved, 0, false, moved + "/docs"},
      {"the source owner's link on the way to a chosen folder, to that user's folder", drop,
       alices, alice, true, alices + "/chosen/docs"},
  };
  auto plant = [&](const case_t& c) {
    fs::remove(drop);
    if (fs::is_symlink(home_)) fs::remove(home_);  // left by the case before
    fs::remove_all(moved);
    fs::remove_all(alices + "/chosen");
    for (const auto& e : fs::directory_iterator(alices)) fs::remove_all(e.path());
    fs::create_directories(home_);
    ASSERT_EQ(::chmod(home_.c_str(), 01777), 0);
    fs::remove_all(src_);
    if (c.link == home_) {
      fs::create_directories(home_ + "/docs");
      fs::rename(home_, moved);
    }
    ASSERT_EQ(::symlink(c.points.c_str(), c.link.c_str()), 0) << c.link;
    own(c.link, c.owner);
  };
  for (const case_t& c : cases) {
    for (const char* ds : {"", "enable"}) {
      SCOPED_TRACE(std::string(c.what) + (*ds ? ", delete_sync" : ""));
      plant(c);
      ASSERT_FALSE(HasFailure());
      g_delete_sync = ds;
      run_outcome outcome = restore(1, c.chosen ? drop + "/chosen" : std::string());
      struct stat st;
      EXPECT_TRUE(::lstat(c.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) << "still a link";
      if (c.lands.empty()) {
        EXPECT_EQ(outcome, run_outcome::failed);
        EXPECT_TRUE(logged("error: The restore does not follow the link " + c.link +
                           ": it follows only links of root, and links of the source "
                           "folder's owner to folders of that user."));
        EXPECT_TRUE(logged("error: Restore Docs is failed."));
        EXPECT_EQ(others(), others_before);
      } else {
        EXPECT_EQ(outcome, run_outcome::completed);
        expect_same(version, snapshot(c.lands), "where the link leads");
      }
      if (HasFailure()) return;
    }
  }

  // A tree written before the source folder's owner was recorded: only root's links.
  run_sql(tree_ + "/increments/1/id0/marker.dat", "delete from attribute_tbl where File_path='';");
  plant(cases[4]);
  EXPECT_EQ(restore(1), run_outcome::failed);
  EXPECT_TRUE(logged("error: The restore does not follow the link " + src_ + ": "));
  EXPECT_EQ(others(), others_before);
}

// Whoever can write the tree plants a program in last and records it set-user-id root: a
// restore never makes a set-user-id or set-group-id file or folder. The bits go, with a
// record naming the entry; the rest of the mode, the owner and the content stay as recorded,
// and so does a sticky folder.
TEST_P(RestoreTest, SetUserAndGroupIdAreNeverGivenBack) {
  put(src_ + "/tool", "a tool of the user's");
  put(src_ + "/both", "another");
  put(src_ + "/shared/x.txt", "x");
  fs::create_directories(src_ + "/sticky");
  ASSERT_EQ(backup(), run_outcome::completed);
  const std::string planted = "#!/bin/sh\nexec /bin/sh -p\n";
  put(tree_ + "/last/id0/tool", planted);
  struct row_t {
    const char* rel;
    mode_t recorded;
    mode_t restored;
  };
  const std::vector<row_t> rows = {
      {"tool", S_IFREG | 04755, 0755},  {"both", S_IFREG | 06711, 0711},
      {"shared", S_IFDIR | 02775, 0775}, {"shared/x.txt", S_IFREG | 02640, 0640},
      {"sticky", S_IFDIR | 01777, 01777},
  };
  std::string sql = "update attribute_tbl set File_size=" + std::to_string(planted.size()) +
                    " where File_path='tool';";
  for (const row_t& r : rows) {
    sql += "update attribute_tbl set File_mode=" + std::to_string(r.recorded) +
           ",File_uid=0,File_gid=0 where File_path='" + r.rel + "';";
  }
  run_sql(tree_ + "/increments/1/id0/marker.dat", sql);

  std::string chosen = root_.path() + "/chosen";
  for (const std::string& target : {src_, chosen + "/docs"}) {
    SCOPED_TRACE(target);
    fs::remove_all(src_);
    g_delete_sync = "enable";
    ASSERT_EQ(restore(1, target == src_ ? std::string() : chosen), run_outcome::completed);
    EXPECT_EQ(test_support::read_file(target + "/tool"), planted);
    for (const row_t& r : rows) {
      struct stat st;
      ASSERT_EQ(::lstat((target + "/" + r.rel).c_str(), &st), 0) << r.rel;
      EXPECT_EQ(st.st_mode & 07777, r.restored) << r.rel;
      if (::geteuid() == 0) {
        EXPECT_EQ(st.st_uid, 0u) << r.rel;
      }
      bool dropped = (r.recorded & (S_ISUID | S_ISGID)) != 0;
      EXPECT_EQ(logged("warning: " + target + "/" + r.rel +
                       " was set-user-id or set-group-id in the backup: it is restored "
                       "without those bits."),
                dropped)
          << r.rel;
    }
  }
}

// Task A backs up a folder that holds task B's tree and a folder on which another service
// runs a backup (its tree lock). A restore of A never writes, replaces or removes anything
// in them, with delete_sync or without, and refuses a target inside one, however named.
TEST_F(LocalRestoreTest, OtherTasksTreesAndLockedFoldersAreLeftUntouched) {
  const std::string b_uuid = "0e4f2a6b-1c3d-4e5f-8a9b-0c1d2e3f4a5b";
  const std::string b_tree = src_ + "/backups/" + b_uuid;
  put(src_ + "/a.txt", "alpha");
  put(b_tree + "/history.db", "B's history, old");
  put(b_tree + "/last/id0/f.txt", "B's file, old");
  put(src_ + "/shared/notes.txt", "notes, old");
  // B is no task yet: its folder is backed up as any other.
  ASSERT_EQ(backup(), run_outcome::completed);

  session_t b = test_support::backup_task(b_uuid, "B", {root_.path() + "/b_source"},
                                          test_support::local_destination(src_ + "/backups"));
  const std::string elsewhere = root_.path() + "/elsewhere";
  b.destinations.push_back(test_support::local_destination(elsewhere));
  put(elsewhere + "/" + b_uuid + "/history.db", "B's history on its second destination");
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.push_back(b);
  }
  put(b_tree + "/history.db", "B's history, new");
  put(b_tree + "/increments/2/id0/marker.dat", "B's newer version");
  put(src_ + "/shared/run.lock", "TessalySync task tree lock\n");
  put(src_ + "/shared/notes.txt", "notes, new");
  put(src_ + "/live/run.lock", "TessalySync task tree lock\n");
  put(src_ + "/a.txt", "edited");
  auto kept = [&] {
    return describe(snapshot(b_tree)) + describe(snapshot(src_ + "/shared")) +
           describe(snapshot(src_ + "/live"));
  };
  const std::string before = kept();
  for (const char* ds : {"", "enable"}) {
    SCOPED_TRACE(*ds ? "delete_sync" : "merge");
    g_delete_sync = ds;
    ASSERT_EQ(restore(1), run_outcome::completed);
    EXPECT_EQ(kept(), before);
    EXPECT_EQ(test_support::read_file(src_ + "/a.txt"), "alpha");
    for (const std::string& folder : {b_tree, src_ + "/shared"}) {
      EXPECT_TRUE(logged("warning: " + folder + " is a task folder or the service's "
                         "configuration folder: the restore leaves it untouched."))
          << folder;
    }
  }
  // A target inside B's tree, named through a link of root's.
  std::string alias = root_.path() + "/alias";
  ASSERT_EQ(::symlink((elsewhere + "/" + b_uuid).c_str(), alias.c_str()), 0);
  snapshot_t b_second = snapshot(elsewhere);
  EXPECT_EQ(restore(1, alias + "/sub"), run_outcome::failed);
  EXPECT_TRUE(logged("warning: " + elsewhere + "/" + b_uuid + " is a task folder"));
  EXPECT_EQ(describe(snapshot(elsewhere)), describe(b_second));
  clear_session_list();
}

// A tree of two versions, damaged as a failing disk or a hostile destination would damage
// it: every entry of the version is restored or named in a record, the run fails, what is
// restored is right, and the target keeps what it had where an entry cannot be restored.
TEST_P(RestoreTest, ADamagedTreeFailsNamingTheEntryAndPutsBackOnlyWhatIsRight) {
  put(src_ + "/a.txt", random_bytes(9000, 8));
  put(src_ + "/b.txt", "bee");
  put(src_ + "/c.bin", random_bytes(20000, 5));
  put(src_ + "/sub/d.txt", "dee");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<snapshot_t> versions{snapshot(src_)};
  std::string a = versions[0].files.at("a.txt");
  a.replace(100, 50, std::string(50, 'x'));
  put(src_ + "/a.txt", a + "and more");
  std::string c = versions[0].files.at("c.bin");
  c.insert(7000, random_bytes(300, 6));
  put(src_ + "/c.bin", c);
  put(src_ + "/sub/d.txt", "dee two");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_));
  std::string golden = root_.path() + "/golden";
  copy_tree(tree_, golden);

  const std::string last = tree_ + "/last/id0";
  const std::string delta = tree_ + "/increments/2/id0/c.bin.delta.old";
  struct case_t {
    const char* what;
    std::function<void()> damage;
    std::vector<int> versions;  // the versions that cannot be restored whole
    const char* entry;          // the entry named
  };
  const std::vector<case_t> cases = {
      {"the last copy of a file deleted", [&] { fs::remove(last + "/a.txt"); }, {1, 2}, "a.txt"},
      {"the last copy of a file replaced by a link",
       [&] {
         fs::remove(last + "/a.txt");
         fs::create_symlink("b.txt", last + "/a.txt");
       },
       {1, 2}, "a.txt"},
      {"the delta that version 1 needs deleted", [&] { fs::remove(delta); }, {1}, "c.bin"},
      {"the delta that version 1 needs garbled",
       [&] { test_support::write_file(delta, random_bytes(600, 7)); }, {1}, "c.bin"},
      {"a folder of the version missing from last", [&] { fs::remove_all(last + "/sub"); },
       {1, 2}, "sub"},
  };
  std::string chosen = root_.path() + "/chosen";
  std::string target = chosen + "/docs";
  for (const case_t& k : cases) {
    copy_tree(golden, tree_);
    k.damage();
    for (int v : {1, 2}) {
      bool fails = std::count(k.versions.begin(), k.versions.end(), v) != 0;
      for (const char* ds : {"", "enable"}) {
        SCOPED_TRACE(std::string(k.what) + ", version " + std::to_string(v) +
                     (*ds ? ", delete_sync" : ""));
        g_delete_sync = ds;
        fs::remove_all(chosen);
        put(target + "/" + k.entry + (std::string(k.entry) == "sub" ? "/d.txt" : ""),
            "the user's own");
        put(target + "/mine.txt", "mine");
        snapshot_t before = snapshot(target);
        run_outcome outcome = restore(v, chosen);
        snapshot_t got = snapshot(target);
        snapshot_t want = versions[v - 1];
        if (!*ds) want.files["mine.txt"] = "mine";
        if (!fails) {
          EXPECT_EQ(outcome, run_outcome::completed);
          expect_same(want, got, "an undamaged version");
          continue;
        }
        EXPECT_EQ(outcome, run_outcome::failed);
        EXPECT_TRUE(logged("error: Restore Docs is failed."));
        EXPECT_FALSE(logged("Restore Docs is completed."));
        bool named = false;
        for (const std::string& t : log_texts()) {
          size_t at = t.find(target + "/" + k.entry);
          size_t after = at + target.size() + 1 + std::strlen(k.entry);
          named = named || (t.compare(0, 7, "error: ") == 0 && at != std::string::npos &&
                            (t[after] == ':' || t[after] == ' ') &&
                            t.find("it is not restored.") != std::string::npos);
        }
        EXPECT_TRUE(named) << k.entry;
        // The damaged entry keeps what the target had; everything else is the version's.
        for (auto it = want.files.begin(); it != want.files.end();) {
          it = inside_of(it->first, k.entry) ? want.files.erase(it) : std::next(it);
        }
        want.folders.erase(k.entry);
        for (const auto& [rel, content] : before.files) {
          if (inside_of(rel, k.entry)) want.files[rel] = content;
        }
        if (std::string(k.entry) == "sub") want.folders.insert("sub");
        expect_same(want, got, "a damaged version");
        if (HasFailure()) return;
      }
    }
  }
}

// A marker that no run wrote: planted as a view over an endless query, or with a link row
// taken out of its numbering. The run fails at once with a record naming the marker and
// why; it never hangs on it, and nothing is written to the target.
TEST_F(LocalRestoreTest, AMarkerThatIsNoPlainDatabaseFailsTheRunAtOnce) {
  put(src_ + "/a.txt", "alpha");
  fs::create_symlink("a.txt", src_ + "/one");
  fs::create_symlink("a.txt", src_ + "/two");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::string marker = tree_ + "/increments/1/id0/marker.dat";
  std::string golden = root_.path() + "/golden";
  copy_tree(tree_, golden);
  const struct {
    const char* sql;
    const char* why;
  } cases[] = {
      {"drop table exist_tbl; create view exist_tbl as with recursive c(x) as (select 1 "
       "union all select x + 1 from c) select 'f' || x as File_path from c;",
       "view exist_tbl"},
      {"delete from symbolic_link_tbl where rowid = 1;", "a link row is missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    copy_tree(golden, tree_);
    run_sql(marker, c.sql);
    EXPECT_EQ(restore(1, root_.path() + "/chosen"), run_outcome::failed);
    EXPECT_TRUE(logged("error: The database " + marker + " in the task folder is damaged (" +
                       c.why + "): the restore stops."));
    EXPECT_TRUE(logged("error: Restore Docs is failed."));
    EXPECT_FALSE(fs::exists(root_.path() + "/chosen/docs"));
  }
}

// What a backup logs as completed restores under the open-file limit that services get
// (1,024): a source of 1,500 nested folders, restored into a new folder, over itself with
// delete_sync (the old copy goes), and into the original place over the user's files.
TEST_F(LocalRestoreTest, DeepFoldersRestoreUnderTheOpenFileLimitOfAService) {
  const int depth = 1500;
  std::string rel;
  for (int i = 0; i < depth; ++i) rel += i == 0 ? "d" : "/d";
  const std::string middle = rel.substr(0, depth - 1) + "/middle.txt";  // at level 750
  put(src_ + "/" + middle, "middle");
  put(src_ + "/" + rel + "/bottom.txt", "bottom");
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  struct rlimit service = saved;
  service.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &service), 0);
  std::string chosen = root_.path() + "/chosen";
  std::vector<run_outcome> outcomes;
  outcomes.push_back(backup());
  outcomes.push_back(restore(1, chosen));
  put(chosen + "/docs/" + rel + "/bottom.txt", "changed in the chosen folder");
  put(chosen + "/docs/" + rel + "/extra.txt", "goes with delete_sync");
  g_delete_sync = "enable";
  outcomes.push_back(restore(1, chosen));
  g_delete_sync = "";
  put(src_ + "/" + rel + "/bottom.txt", "the user changed it");
  put(src_ + "/" + rel + "/mine.txt", "the user's own");
  outcomes.push_back(restore(1));
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_EQ(outcomes, std::vector<run_outcome>(4, run_outcome::completed));
  for (const std::string& root : {chosen + "/docs", src_}) {
    EXPECT_EQ(test_support::read_file(root + "/" + middle), "middle") << root;
    EXPECT_EQ(test_support::read_file(root + "/" + rel + "/bottom.txt"), "bottom") << root;
  }
  EXPECT_FALSE(fs::exists(chosen + "/docs/" + rel + "/extra.txt"));
  EXPECT_EQ(test_support::read_file(src_ + "/" + rel + "/mine.txt"), "the user's own");
  for (const auto& e : fs::directory_iterator(chosen)) {
    EXPECT_EQ(e.path().filename().string(), "docs") << "left by the run";
  }
}

// The chain of folders that a deep walk holds: few descriptors whatever the depth, and a
// level opened again must be the very folder that was entered, never one swapped in while
// it was closed, nor a link put in its place.
TEST(FolderChain, HoldsFewDescriptorsAndNeverReopensASwappedFolder) {
  test_support::TempRoot root;
  const int depth = 60;
  std::string path = root.path();
  for (int i = 0; i < depth; ++i) path += "/d" + std::to_string(i);
  fs::create_directories(path);
  const std::string d5 = root.path() + "/d0/d1/d2/d3/d4/d5";
  std::string below_d5;  // the same names again below a folder swapped in
  for (int i = 6; i < depth; ++i) below_d5 += "/d" + std::to_string(i);
  auto open_descriptors = [] {
    return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator());
  };
  for (const std::string swap : {"nothing", "another folder", "a link to the folder"}) {
    SCOPED_TRACE("swapped in: " + swap);
    folder_chain chain(unique_fd(::open(root.path().c_str(), kFolderOpenFlags)));
    auto before = open_descriptors();
    for (int i = 0; i < depth; ++i) ASSERT_TRUE(chain.enter("d" + std::to_string(i))) << i;
    EXPECT_LE(open_descriptors() - before, static_cast<long>(folder_chain::kHeld));
    if (swap != "nothing") {
      fs::rename(d5, d5 + ".old");
      if (swap == "another folder") {
        fs::create_directories(d5 + below_d5);
      } else {
        fs::create_directory_symlink(d5 + ".old", d5);
      }
    }
    // The open levels are left without opening anything; the first closed one is opened
    // again from the root.
    while (chain.depth() > depth - folder_chain::kHeld + 1) {
      chain.leave();
      ASSERT_GE(chain.fd(), 0) << chain.depth();
    }
    chain.leave();
    if (swap == "nothing") {
      EXPECT_GE(chain.fd(), 0);
      while (chain.depth() > 0) chain.leave();
      EXPECT_GE(chain.fd(), 0);
      continue;
    }
    EXPECT_LT(chain.fd(), 0);
    EXPECT_EQ(errno, ESTALE);
    fs::remove_all(d5);
    fs::rename(d5 + ".old", d5);
  }
}

// ---------------------------------------------------------------------------------------
// A restore whose destination fails one operation, or loses its connection, at every step.
// ---------------------------------------------------------------------------------------

class RestoreFaultSweep : public RestoreFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam()); }
};

TEST_P(RestoreFaultSweep, AFailedOperationAtAnyStepKeepsTheTreeAndTheUsersFiles) {
  snapshot_t s1;
  snapshot_t s2;
  ASSERT_NO_FATAL_FAILURE(two_versions(&s1, &s2));
  std::string tree_before = tree_state();
  std::string p = root_.path() + "/chosen";
  std::string target = p + "/docs";
  auto prepare = [&] {
    fs::remove_all(p);
    user_state(target);
  };
  prepare();
  snapshot_t user = snapshot(target);
  // Restored over the user's files: those the version has are its own after the run, the
  // others stay.
  snapshot_t want = user;
  for (const auto& [rel, content] : s1.files) want.files[rel] = content;
  want.folders.insert(s1.folders.begin(), s1.folders.end());

  auto counted = std::make_shared<fault_test::fault_plan>();
  ASSERT_EQ(restore(1, p, fault_test::faulty(counted)), run_outcome::completed);
  expect_same(want, snapshot(target), "through a destination that breaks nothing");
  std::vector<std::pair<fault_test::op, long>> calls = fault_test::sweep_calls(*counted, 10);
  ASSERT_GT(calls.size(), 20u);
  int failed = 0;
  for (bool lose : {false, true}) {
    for (const auto& [kind, nth] : calls) {
      std::string what = std::string(lose ? "connection lost at " : "failed ") +
                         fault_test::op_name(kind) + " #" + std::to_string(nth);
      SCOPED_TRACE(what);
      prepare();
      auto plan = std::make_shared<fault_test::fault_plan>();
      plan->kind = kind;
      plan->nth = nth;
      plan->lose = lose;
      run_outcome outcome = restore(1, p, fault_test::faulty(plan));
      EXPECT_TRUE(plan->tripped);
      // The tree is read, never changed.
      EXPECT_EQ(tree_state(), tree_before);
      snapshot_t got = snapshot(target);
      if (outcome == run_outcome::completed) {
        expect_same(want, got, "a restore that completed");
      } else {
        ++failed;
        // Every file is the version's or what the user had there; the user's own stay.
        for (const auto& [rel, content] : got.files) {
          bool known = (s1.files.count(rel) != 0 && s1.files.at(rel) == content) ||
                       (user.files.count(rel) != 0 && user.files.at(rel) == content);
          EXPECT_TRUE(known) << rel;
        }
        for (const auto& [rel, content] : user.files) {
          if (s1.files.count(rel) == 0) {
            EXPECT_EQ(got.files[rel], content) << rel;
          }
        }
      }
      if (lose) age_lock(tree_ + "/run.lock");
      // A later restore does the whole work.
      ASSERT_EQ(restore(1, p), run_outcome::completed);
      expect_same(want, snapshot(target), "the restore after");
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(failed, 0);
  std::printf("[ fault sweep ] restore: %zu operations broken, %d runs failed\n",
              2 * calls.size(), failed);
}

INSTANTIATE_TEST_SUITE_P(Destinations, RestoreFaultSweep,
                         ::testing::Values(where::local, where::smb), param_name);

// ---------------------------------------------------------------------------------------
// The crash sweep.
// ---------------------------------------------------------------------------------------

class CrashSweep : public LocalRestoreTest {
 protected:
  // Every version that history.db lists restores byte for byte through the restore run
  // (which repairs the tree first); `allowed` are the version lists the tree may hold.
  void expect_restorable(const std::vector<std::vector<snapshot_t>>& allowed,
                         const std::string& what) {
    std::string p = root_.path() + "/check";
    fs::remove_all(p);
    g_delete_sync = "enable";
    ASSERT_EQ(restore(1, p + "/1"), run_outcome::completed) << what;
    std::vector<std::string> count = query(tree_ + "/history.db", "select count(*) from time_tbl;");
    size_t rows = 0;
    ASSERT_TRUE(count.size() == 1 && std::istringstream(count[0]) >> rows) << count[0];
    bool matched = false;
    for (const auto& versions : allowed) {
      if (versions.size() != rows) continue;
      bool all = true;
      for (size_t v = 1; v <= rows && all; ++v) {
        std::string out = p + "/" + std::to_string(v);
        if (v > 1 && restore(static_cast<gint64>(v), out) != run_outcome::completed) {
          all = false;
          break;
        }
        all = snapshot(out + "/docs") == versions[v - 1];
      }
      matched = matched || all;
    }
    EXPECT_TRUE(matched) << what << ": " << rows << " versions, not as any allowed history";
  }

  int tried_ = 0;
};

TEST_F(CrashSweep, BackupKilledAtEveryStepLeavesEveryVersionRestorable) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/m.bin", random_bytes(9000, 3));
  put(src_ + "/z.txt", "zed");
  put(src_ + "/sub/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_);
  put(src_ + "/a.txt", "alpha two");
  put(src_ + "/sub/b.txt", "bee two");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s2 = snapshot(src_);
  // The run to be killed: changes, a delete, a new folder, a file moved.
  put(src_ + "/a.txt", "alpha three");
  std::string m = s2.files.at("m.bin");
  m.insert(100, "inserted");
  put(src_ + "/m.bin", m);
  fs::remove(src_ + "/z.txt");
  put(src_ + "/new/n.txt", "new");
  fs::rename(src_ + "/sub/b.txt", src_ + "/sub/b2.txt");
  snapshot_t s3 = snapshot(src_);

  std::string golden = root_.path() + "/golden";
  copy_tree(destination_, golden);
  crash_point_reset();
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<std::string> points = sweep_points(crash_point_passes());
  ASSERT_GT(points.size(), 20u);
  bool swap_seen = false;
  for (const std::string& point : points) {
    SCOPED_TRACE("backup killed at " + point);
    swap_seen = swap_seen || point.compare(0, 5, "swap.") == 0;
    copy_tree(golden, destination_);
    ASSERT_TRUE(killed_at(point, [this] { backup(); }));
    ++tried_;
    expect_restorable({{s1, s2}, {s1, s2, s3}}, point);
    if (HasFailure()) return;
  }
  EXPECT_TRUE(swap_seen) << "the move into last was not swept";
  std::printf("[ crash sweep ] backup: %d crash points tried\n", tried_);
}

TEST_F(CrashSweep, RestoreKilledAtEveryStepKeepsTheTreeAndTheUsersFiles) {
  snapshot_t s1;
  snapshot_t s2;
  ASSERT_NO_FATAL_FAILURE(two_versions(&s1, &s2));
  std::string tree_before = tree_state();

  struct mode_t_ {
    bool chosen;
    bool delete_sync;
  };
  for (mode_t_ mode : {mode_t_{true, false}, mode_t_{false, true}, mode_t_{false, false}}) {
    std::string p = root_.path() + "/chosen";
    std::string target = mode.chosen ? p + "/docs" : src_;
    g_delete_sync = mode.delete_sync ? "enable" : "";
    auto prepare = [&] {
      fs::remove_all(p);
      fs::remove_all(home_);
      user_state(target);
    };
    prepare();
    snapshot_t user = snapshot(target);
    crash_point_reset();
    ASSERT_EQ(restore(1, mode.chosen ? p : std::string()), run_outcome::completed);
    std::vector<std::string> points = sweep_points(crash_point_passes(), "restore.");
    ASSERT_GE(points.size(), 8u);
    for (const std::string& point : points) {
      SCOPED_TRACE(std::string(mode.chosen ? "chosen" : "source") +
                   (mode.delete_sync ? " delete_sync" : "") + ", restore killed at " + point);
      prepare();
      g_delete_sync = mode.delete_sync ? "enable" : "";
      ASSERT_TRUE(killed_at(point, [&] { restore(1, mode.chosen ? p : std::string()); }));
      ++tried_;
      EXPECT_EQ(tree_state(), tree_before);
      // Nothing of the user's is lost before the restore is complete: each file is in
      // place or kept beside it.
      snapshot_t after = snapshot(fs::path(target).parent_path().string());
      for (const auto& [rel, content] : user.files) {
        bool found = point.compare(0, 12, "restore.done") == 0;
        for (const auto& [r, c] : after.files) found = found || c == content;
        EXPECT_TRUE(found) << rel;
      }
      // A later restore does the whole work.
      ASSERT_EQ(restore(1, mode.chosen ? p : std::string()), run_outcome::completed);
      snapshot_t got = snapshot(target);
      for (const auto& [rel, content] : s1.files) EXPECT_EQ(got.files[rel], content) << rel;
      if (mode.delete_sync) expect_same(s1, got, "after the crash");
      if (HasFailure()) return;
    }
  }
  // Both versions still restore byte for byte.
  expect_restorable({{s1, s2}}, "after the restore sweep");
  std::printf("[ crash sweep ] restore: %d crash points tried\n", tried_);
}

}  // namespace
