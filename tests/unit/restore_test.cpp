// The restore run on a local folder and on a real Samba server: a task backed up four times
// while its source changes, then each version restored into the source folder and into a
// chosen folder, with and without the restore setting delete_sync, over a folder that holds
// files of the user's; the requests a small tree costs on a share; and what must change
// nothing (bad versions, a missing marker, a share that goes away, a stop). Links, names and
// owners are in restore_links_test.cpp, the guards against other users and tasks in
// restore_guard_test.cpp, the runs cut short at every step in restore_sweep_test.cpp.
#include "restore_fixture.h"

namespace {

using namespace restore_test;

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
       {97, 1, 4, 9, 0, 18, 59, 19}},
      {"run with two files changed",
       [&] {
         std::string big = random_bytes(20000, 3);
         big.replace(9000, 50, std::string(50, 'x'));
         put(src_ + "/big.bin", big);
         put(src_ + "/sub/deep/d.txt", "dee, changed\n");
       },
       [&] { return backup(); }, {30, 1, 8, 5, 2, 7, 0, 0},
       {97, 1, 8, 14, 2, 25, 62, 26}},
      {"restore of version 1 to a chosen folder", [&] { fs::remove_all(chosen); },
       [&] { return restore(1, chosen); }, {14, 7, 0, 1, 0, 9, 0, 0},
       {72, 7, 0, 1, 0, 15, 32, 1}},
      {"restore of version 3 to a chosen folder",
       [&] {
         // Version 1 came back through the delta chain as it was.
         EXPECT_EQ(test_support::read_file(chosen + "/docs/big.bin"), random_bytes(20000, 3));
         EXPECT_EQ(test_support::read_file(chosen + "/docs/sub/deep/d.txt"), "dee\n");
         fs::remove_all(chosen);
       },
       [&] { return restore(3, chosen); }, {12, 3, 0, 1, 0, 7, 0, 0},
       {46, 3, 0, 1, 0, 11, 22, 1}},
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

}  // namespace
