// The guards of a backup's tree: its folder is never reached through a link, one writer
// holds it at a time (the lock and its lease), and a share that goes away in the middle
// of a run leaves every version.
#include "backup_fixture.h"

namespace {

using namespace backup_test;

// ---------------------------------------------------------------------------------------
// The tree's folder: never reached through a link.
// ---------------------------------------------------------------------------------------

// A folder that the service must never change, with tmp/ and lasttmp/ of its own.
snapshot_t make_victim(const std::string& victim) {
  put(victim + "/tmp/keep.txt", "not the tree's tmp");
  put(victim + "/lasttmp/keep.txt", "not the tree's lasttmp");
  put(victim + "/last/id0/x.txt", "not the tree's last");
  put(victim + "/important.txt", "the victim's own");
  return snapshot(victim);
}

TEST_F(LocalBackupTest, ALinkPlantedAtTheTreeLeavesItsTargetUntouched) {
  std::string victim = root_.path() + "/victim";
  snapshot_t before = make_victim(victim);
  put(src_ + "/a.txt", "alpha");
  // Before the first run, at the tree's place.
  ASSERT_EQ(::symlink(victim.c_str(), tree_.c_str()), 0);
  EXPECT_EQ(backup(), run_outcome::failed);
  EXPECT_TRUE(logged("error: " + tree_ +
                     " is a link or not what the task folder keeps there: the run stops and "
                     "nothing in the task folder is changed."));
  EXPECT_EQ(describe(snapshot(victim)), describe(before));
  EXPECT_EQ(restore_incremental_backup(&task_, (root_.path() + "/r").c_str(), 1),
            run_outcome::failed);
  EXPECT_EQ(describe(snapshot(victim)), describe(before));
  struct stat st;
  ASSERT_EQ(::lstat(tree_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ::unlink(tree_.c_str());

  // At a fixed folder of a tree that exists.
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  for (const char* fixed : {"tmp", "lasttmp", "last", "increments", "status.db"}) {
    SCOPED_TRACE(fixed);
    std::string place = tree_ + "/" + fixed;
    std::string aside = tree_ + "/aside";
    bool there = fs::exists(fs::symlink_status(place));
    if (there) fs::rename(place, aside);
    ASSERT_EQ(::symlink((victim + "/" + (std::string(fixed) == "status.db" ? "important.txt"
                                                                           : fixed)).c_str(),
                        place.c_str()), 0);
    log_store_reset();
    put(src_ + "/a.txt", std::string("alpha ") + fixed);
    EXPECT_EQ(backup(), run_outcome::failed);
    EXPECT_TRUE(logged("error: " + place + " is a link or not what the task folder keeps"));
    EXPECT_EQ(describe(snapshot(victim)), describe(before));
    ::unlink(place.c_str());
    if (there) fs::rename(aside, place);
  }
  put(src_ + "/a.txt", "alpha");
  expect_versions({s1}, "the tree itself is whole");
}

// A link planted at a fixed folder while a run goes on: the run keeps to the folders it
// opened and stops at the link; the next run refuses it; the victim never changes.
TEST_F(LocalBackupTest, ALinkPlantedDuringARunIsNeverFollowed) {
  std::string victim = root_.path() + "/victim";
  snapshot_t before = make_victim(victim);
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  put(src_ + "/a.txt", "alpha two");
  put(src_ + "/b.txt", "bee");
  run_outcome outcome = run_outcome::completed;
  hold_at("copy.file", root_.path() + "/pause", [&] { outcome = backup(); }, [&] {
    fs::rename(tree_ + "/tmp", root_.path() + "/tmp.moved");
    ASSERT_EQ(::symlink((victim + "/tmp").c_str(), (tree_ + "/tmp").c_str()), 0);
  });
  EXPECT_EQ(outcome, run_outcome::failed);
  EXPECT_EQ(describe(snapshot(victim)), describe(before));
  EXPECT_EQ(backup(), run_outcome::failed);
  EXPECT_EQ(describe(snapshot(victim)), describe(before));
  ::unlink((tree_ + "/tmp").c_str());
  fs::remove_all(root_.path() + "/tmp.moved");
  ASSERT_TRUE(repair());
  expect_versions({s1}, "the version before the run");
}

// ---------------------------------------------------------------------------------------
// The tree's lock: one writer per tree.
// ---------------------------------------------------------------------------------------

std::string lock_text(const std::string& machine, const std::string& boot, long pid,
                      long long started, long long renewed) {
  return "TessalySync task tree lock\nhost=otherpc\nmachine=" + machine + "\nboot=" + boot +
         "\npidns=pid:[1]\npid=" + std::to_string(pid) + "\nprocess_start=1\nstarted=" +
         std::to_string(started) + "\nrenewed=" + std::to_string(renewed) + "\n";
}

std::string field_of(const std::string& content, const std::string& key) {
  size_t at = content.find("\n" + key + "=");
  if (at == std::string::npos) return {};
  at += key.size() + 2;
  return content.substr(at, content.find('\n', at) - at);
}

TEST_P(BackupTest, ALockOfAnotherLiveRunStopsTheRunAndAStaleOneIsTakenOver) {
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(smb()));
  EXPECT_FALSE(disk_.exists("run.lock"));  // given up at the end
  long long now = static_cast<long long>(::time(nullptr));
  std::string lock = disk_.path("run.lock");
  put(src_ + "/a.txt", "alpha two");

  // Another machine's run, renewed a minute ago: held.
  test_support::write_file(lock, lock_text("another-machine", "b", 77, now - 600, now - 60));
  log_store_reset();
  EXPECT_EQ(backup(), run_outcome::failed);
  EXPECT_TRUE(logged("error: The task folder " + path_format_to_win(tree_path()) +
                     " is in use by process 77 on otherpc since"));
  EXPECT_EQ(history_rows(disk_).size(), 1u);
  EXPECT_EQ(status_word(disk_), "complete");
  EXPECT_TRUE(disk_.exists("run.lock"));
  // Not renewed for longer than the lease: taken over.
  test_support::write_file(lock, lock_text("another-machine", "b", 77, now - 90000, now - 7 * 3600));
  log_store_reset();
  EXPECT_EQ(backup(), run_outcome::completed);
  EXPECT_TRUE(logged("warning: The lock of the task folder " + path_format_to_win(tree_path()) +
                     " left by process 77 on otherpc was taken over: that run has ended."));
  snapshot_t s2 = snapshot(src_, taken_by(smb()));
  expect_versions({s1, s2}, "after the take-over");
  EXPECT_FALSE(disk_.exists("run.lock"));

  // A lock file that cannot be read: held while it is young, taken over once it is old.
  put(src_ + "/a.txt", "alpha three");
  test_support::write_file(lock, "garbage");
  log_store_reset();
  EXPECT_EQ(backup(), run_outcome::failed);
  struct timespec old[2] = {{now - 3600, 0}, {now - 3600, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, lock.c_str(), old, 0), 0);
  EXPECT_EQ(backup(), run_outcome::completed);
  snapshot_t s3 = snapshot(src_, taken_by(smb()));
  expect_versions({s1, s2, s3}, "after the unreadable lock");
}

class LockTest : public LocalBackupTest {};

// The lock's lease is renewed by the run's session while the run goes on, also while the run
// stands at one step (a large copy, a silent share) and asks nothing.
TEST_F(LockTest, TheSessionRenewsItsLockWhileTheRunGoesOn) {
  put(src_ + "/a.txt", "alpha");
  auto renewed = [&] {
    std::string text = test_support::read_file(disk_.path("run.lock"));
    size_t at = text.find("renewed=");
    return at == std::string::npos ? -1L : std::atol(text.c_str() + at + 8);
  };
  tree_session::set_renew_period_ms(100);
  long first = -1;
  long later = -1;
  run_outcome outcome = run_outcome::failed;
  hold_at("backup.scanned", root_.path() + "/pause", [&] { outcome = backup(); }, [&] {
    first = renewed();
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    later = renewed();
  });
  tree_session::set_renew_period_ms(0);
  EXPECT_EQ(outcome, run_outcome::completed);
  EXPECT_GT(first, 0);
  EXPECT_GE(later, first + 2);
  EXPECT_FALSE(disk_.exists("run.lock"));  // given up with the session
}

TEST_F(LockTest, TwoServicesOnOneTreeNeverShareIt) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/m.bin", random_bytes(20000, 7));
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  put(src_ + "/a.txt", "alpha two");
  snapshot_t s2 = snapshot(src_, taken_by(false));

  // Another service (another process) holds the tree in the middle of its run.
  std::string pause = root_.path() + "/pause";
  pid_t other = ::fork();
  if (other == 0) {
    ::setenv("TESSALY_PAUSE_FILE", pause.c_str(), 1);
    ::setenv("TESSALY_PAUSE_AT", "scan.file", 1);
    crash_point_reset();
    ::_exit(backup() == run_outcome::completed ? 0 : 1);
  }
  for (int i = 0; i < 3000 && !fs::exists(pause); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(fs::exists(pause));
  std::string content = test_support::read_file(disk_.path("run.lock"));
  EXPECT_EQ(field_of(content, "pid"), std::to_string(other));
  std::string tree_before = describe(snapshot(tree_));
  log_store_reset();
  EXPECT_EQ(backup(), run_outcome::failed);
  EXPECT_TRUE(logged("is in use by process " + std::to_string(other) + " on"));
  // Nothing of the other run was taken for an interrupted one.
  EXPECT_EQ(describe(snapshot(tree_)), tree_before);
  EXPECT_EQ(restore_incremental_backup(&task_, (root_.path() + "/r").c_str(), 1),
            run_outcome::failed);
  fs::remove(pause);
  int status = -1;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  expect_versions({s1, s2}, "the other service's run is whole");

  // A run killed while it holds the lock: the next one takes it over (same machine, the
  // process is gone) and every version restores byte for byte.
  put(src_ + "/a.txt", "alpha three");
  ASSERT_TRUE(killed_at("backup.locked", [this] { backup(); }));
  EXPECT_TRUE(disk_.exists("run.lock"));
  log_store_reset();
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_TRUE(logged("was taken over: that run has ended."));
  snapshot_t s3 = snapshot(src_, taken_by(false));
  expect_versions({s1, s2, s3}, "after the take-over");

  // A lock this process left (its removal failed) while no run of it holds the tree.
  std::string own = test_support::read_file(disk_.path("run.lock"));
  (void)own;
  tree_lock_t leftover;
  std::unique_ptr<tree_session> holder = tree_session::connect(task_);
  ASSERT_TRUE(holder);
  ASSERT_TRUE(holder->open_tree(false));
  ASSERT_EQ(leftover.take(holder->dest(), task_, holder->tree()), tree_lock_t::result::taken);
  // Held by a live run of this process: another run of it is refused.
  log_store_reset();
  EXPECT_EQ(backup(), run_outcome::failed);
  // Forgotten without removing its file: the next run of this process takes it over.
  std::string kept = test_support::read_file(disk_.path("run.lock"));
  leftover.release();
  holder.reset();
  test_support::write_file(disk_.path("run.lock"), kept);
  put(src_ + "/a.txt", "alpha four");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s4 = snapshot(src_, taken_by(false));
  expect_versions({s1, s2, s3, s4}, "after this process's own left-over");
}

class SmbBackupTest : public BackupFixture {
 protected:
  void SetUp() override { init(where::smb); }
};

TEST_F(SmbBackupTest, ShareThatGoesAwayInTheMiddleLeavesEveryVersion) {
  // Six files, each with the word and its number.
  auto put_six = [&](const std::string& word) {
    for (int i = 0; i < 6; ++i) put(src_ + "/f" + std::to_string(i) + ".txt", word + " " + std::to_string(i));
  };
  put_six("one");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(true));
  put_six("two");
  put(src_ + "/new.txt", "new");
  run_outcome outcome = run_outcome::completed;
  hold_at("copy.file@3", root_.path() + "/pause", [&] { outcome = backup(); },
          [&] { peer_.stop(); });
  EXPECT_EQ(outcome, run_outcome::failed);
  std::string why;
  ASSERT_TRUE(peer_.start(&why)) << why;  // the same share folder, on a new port
  EXPECT_NE(status_word(disk_), "complete");
  ASSERT_TRUE(repair());
  expect_versions({s1}, "the version before the run");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s2 = snapshot(src_, taken_by(true));
  expect_versions({s1, s2}, "the next run");

  // Gone during the move into last: the next run finishes the move.
  put_six("three");
  hold_at("swap.file@3", root_.path() + "/pause", [&] { outcome = backup(); },
          [&] { peer_.stop(); });
  EXPECT_EQ(outcome, run_outcome::failed);
  ASSERT_TRUE(peer_.start(&why)) << why;
  EXPECT_EQ(status_word(disk_), "cleaning");
  snapshot_t s3 = snapshot(src_, taken_by(true));
  ASSERT_TRUE(repair());
  expect_versions({s1, s2, s3}, "the move finished by the repair");
}

INSTANTIATE_TEST_SUITE_P(Destinations, BackupTest, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
