// Restores cut short at every step: with a destination that fails one operation or loses
// its connection at every step, and backups and restores killed at every named step, after
// which every completed version still restores byte for byte and the user's files are
// kept.
#include "restore_fixture.h"

namespace {

using namespace restore_test;

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
      std::string what = fault_test::step_name(kind, nth, lose);
      SCOPED_TRACE(what);
      prepare();
      auto plan = fault_test::plan_at(kind, nth, lose);
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
