// Backups cut short at every step: stopped (SIGKILL) at every named crash point, or with a
// destination that fails one operation or loses its connection at every step; the repair
// and the next run must keep every completed version.
#include "backup_fixture.h"

namespace {

using namespace backup_test;

// ---------------------------------------------------------------------------------------
// Runs cut short at every step.
// ---------------------------------------------------------------------------------------

// The files of each run before the swept one.
using files_t = std::vector<std::pair<std::string, std::string>>;
const files_t kFirstRun = {{"a.txt", "alpha"},
                           {"m.txt", std::string(9000, 'm')},
                           {"z.txt", "zed"},
                           {"sub/b.txt", "bee"},
                           {"sub/c.txt", "sea"}};

class CrashSweep : public LocalBackupTest {
 protected:
  // Stops `backup()` at every crash point it passes. After each stop, the repair alone must
  // leave either the versions of `before` or those of `after`; then a new run must complete
  // and give `after` followed, when the stopped run was kept, by one more version equal to
  // its last one. A stop inside the repair (a second crash) must change nothing of that.
  void sweep(const std::vector<snapshot_t>& before, const std::vector<snapshot_t>& after,
             bool full) {
    std::string golden = root_.path() + "/golden";
    copy_tree(destination_, golden);
    crash_point_reset();
    ASSERT_EQ(backup(), run_outcome::completed);
    std::vector<std::string> points = sweep_points(crash_point_passes());
    ASSERT_GT(points.size(), 20u);
    std::string crashed = root_.path() + "/crashed";
    int second_level = 0;
    for (const std::string& point : points) {
      SCOPED_TRACE("stopped at " + point);
      copy_tree(golden, destination_);
      ASSERT_TRUE(killed_at(point, [this] { backup(); }));
      copy_tree(destination_, crashed);

      // Cut short again inside the repair, at each of its own steps.
      crash_point_reset();
      ASSERT_TRUE(repair());
      std::vector<std::string> repair_points = sweep_points(crash_point_passes(), "recover.");
      for (const std::string& again : repair_points) {
        SCOPED_TRACE("repair stopped at " + again);
        copy_tree(crashed, destination_);
        ASSERT_TRUE(killed_at(again, [this] { repair(); }));
        ASSERT_TRUE(repair());
        check_repaired(before, after);
        ++second_level;
      }
      copy_tree(crashed, destination_);
      ASSERT_TRUE(repair());
      size_t kept = check_repaired(before, after);

      ASSERT_EQ(backup(), run_outcome::completed);
      std::vector<snapshot_t> now = after;
      if (!full && kept == after.size()) now.push_back(after.back());
      expect_versions(now, "after the next run");
      if (HasFailure()) return;
    }
    EXPECT_GT(second_level, 0);
  }

  // Writes each run's files into the source and backs it up, then makes the changes of
  // the run to be swept (not run here). `versions` gets what each of them holds.
  void history(const std::vector<files_t>& runs, std::vector<snapshot_t>* versions) {
    for (const files_t& files : runs) {
      for (const auto& [rel, data] : files) put(src_ + "/" + rel, data);
      ASSERT_EQ(backup(), run_outcome::completed);
      versions->push_back(snapshot(src_, taken_by(false)));
    }
    put(src_ + "/a.txt", "alpha, changed in three");
    put(src_ + "/m.txt", std::string(9000, 'm') + "changed");
    put(src_ + "/sub/b.txt", "bee three");
    fs::remove(src_ + "/z.txt");
    fs::rename(src_ + "/sub/c.txt", src_ + "/sub/c2.txt");
    put(src_ + "/new/n.txt", "new folder, new file");
    versions->push_back(snapshot(src_, taken_by(false)));
  }

  size_t check_repaired(const std::vector<snapshot_t>& before,
                        const std::vector<snapshot_t>& after) {
    size_t rows = history_rows(disk_).size();
    if (rows == before.size() && (rows != after.size() || rebuild(disk_, 1).files ==
                                                              before[0].files)) {
      expect_versions(before, "repaired to the versions before the run");
    } else {
      expect_versions(after, "repaired to the versions after the run");
    }
    return rows;
  }
};

TEST_F(CrashSweep, IncrementalRunStoppedAtEveryStepLosesNoVersion) {
  std::vector<snapshot_t> s;
  ASSERT_NO_FATAL_FAILURE(
      history({kFirstRun, {{"a.txt", "alpha two"}, {"sub/b.txt", "bee two"}}}, &s));
  sweep({s[0], s[1]}, {s[0], s[1], s[2]}, false);
}

TEST_F(CrashSweep, TypeChangeRunStoppedAtEveryStepLosesNoVersion) {
  std::vector<snapshot_t> s;
  for (const auto& [rel, data] : kFirstRun) put(src_ + "/" + rel, data);
  ASSERT_EQ(backup(), run_outcome::completed);
  s.push_back(snapshot(src_, taken_by(false)));
  // The swept run: a file becomes a folder, a folder becomes a file.
  fs::remove(src_ + "/a.txt");
  put(src_ + "/a.txt/inside.txt", "a.txt is a folder now");
  fs::remove_all(src_ + "/sub");
  put(src_ + "/sub", "sub is a file now");
  s.push_back(snapshot(src_, taken_by(false)));
  sweep({s[0]}, {s[0], s[1]}, false);
}

TEST_F(CrashSweep, FullBackupKeepsThePreviousVersionUntilTheNewOneIsComplete) {
  task_.action = ACTION_FULL_BACKUP;
  std::vector<snapshot_t> s;
  ASSERT_NO_FATAL_FAILURE(history({kFirstRun}, &s));
  sweep({s[0]}, {s[1]}, true);
}

TEST_F(CrashSweep, SwitchFromIncrementalToFullLosesNoVersion) {
  std::vector<snapshot_t> s;
  ASSERT_NO_FATAL_FAILURE(history({kFirstRun, {{"a.txt", "alpha two"}}}, &s));
  task_.action = ACTION_FULL_BACKUP;
  sweep({s[0], s[1]}, {s[2]}, true);
}

// ---------------------------------------------------------------------------------------
// Runs whose destination fails one operation, or loses its connection, at every step.
// ---------------------------------------------------------------------------------------

class FaultSweep : public BackupFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam()); }

  // Two completed versions, then the changes of the run to be swept: changed files (a large
  // one with a delta), a deleted one, a moved one and a new folder.
  void history() {
    for (const auto& [rel, data] : kFirstRun) put(src_ + "/" + rel, data);
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_, taken_by(smb())));
    put(src_ + "/a.txt", "alpha two");
    put(src_ + "/sub/b.txt", "bee two");
    ASSERT_EQ(backup(), run_outcome::completed);
    versions_.push_back(snapshot(src_, taken_by(smb())));
    put(src_ + "/a.txt", "alpha, changed in three");
    put(src_ + "/m.txt", std::string(9000, 'm') + "changed");
    fs::remove(src_ + "/z.txt");
    fs::rename(src_ + "/sub/c.txt", src_ + "/sub/c2.txt");
    put(src_ + "/new/n.txt", "new folder, new file");
    versions_.push_back(snapshot(src_, taken_by(smb())));
  }

  // After the swept run and one clean run: the two versions before it restore byte for
  // byte, the newest is the source as it is, and a version the swept run left (completed,
  // or finished by the repair) holds for each file either its new or its old content.
  void expect_no_version_lost(const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(status_word(disk_), "complete");
    EXPECT_FALSE(disk_.exists("tmp"));
    EXPECT_FALSE(disk_.exists("lasttmp"));
    size_t rows = history_rows(disk_).size();
    ASSERT_TRUE(rows == 3 || rows == 4) << rows << " versions";
    expect_same(versions_[0], rebuild(disk_, 1), "version 1");
    expect_same(versions_[1], rebuild(disk_, 2), "version 2");
    expect_same(versions_[2], rebuild(disk_, static_cast<int>(rows)), "the newest version");
    if (rows == 4) {
      for (const auto& [rel, content] : rebuild(disk_, 3).files) {
        bool known = false;
        for (const snapshot_t& v : {versions_[1], versions_[2]}) {
          auto it = v.files.find(rel);
          known = known || (it != v.files.end() && it->second == content);
        }
        EXPECT_TRUE(known) << "version 3: " << rel << " holds what neither run had";
      }
    }
  }

  std::vector<snapshot_t> versions_;
};

TEST_P(FaultSweep, AFailedOperationAtAnyStepOfABackupLosesNoVersion) {
  ASSERT_NO_FATAL_FAILURE(history());
  std::string golden = root_.path() + "/golden";
  copy_tree(destination_on_disk(), golden);
  auto counted = std::make_shared<fault_test::fault_plan>();
  ASSERT_EQ(backup(fault_test::faulty(counted)), run_outcome::completed);
  std::vector<std::pair<fault_test::op, long>> calls = fault_test::sweep_calls(*counted, 10);
  ASSERT_GT(calls.size(), 30u);
  int failed = 0;
  for (bool lose : {false, true}) {
    for (const auto& [kind, nth] : calls) {
      std::string what = fault_test::step_name(kind, nth, lose);
      copy_tree(golden, destination_on_disk());
      auto plan = fault_test::plan_at(kind, nth, lose);
      run_outcome outcome = backup(fault_test::faulty(plan));
      EXPECT_TRUE(plan->tripped) << what;
      if (outcome == run_outcome::failed) ++failed;
      if (lose) age_lock(disk_.path("run.lock"));
      log_store_reset();
      run_outcome next = backup();
      std::string records;
      for (const std::string& t : log_texts()) records += "\n  " + t;
      ASSERT_EQ(next, run_outcome::completed) << what << records;
      expect_no_version_lost(what);
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(failed, 0);
  std::printf("[ fault sweep ] backup: %zu operations broken, %d runs failed\n",
              2 * calls.size(), failed);
}

INSTANTIATE_TEST_SUITE_P(Destinations, FaultSweep, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
