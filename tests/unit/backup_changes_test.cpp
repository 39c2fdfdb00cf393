// A run after the first copies what changed and nothing else, from what its scan noted: new
// and changed files (by time, and by size under the same time), files and folders that
// swapped types, and files that went away or changed type between the scan and the copy.
// Every version comes back byte for byte, on a local folder and on Samba. The run asks its
// databases by the folder, and forms each file's time text as gmtime_r would.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "backup.h"
#include "configuration.h"
#include "db_sql_sqlite3.h"
#include "restore.h"
#include "scan_backup_folder.h"
#include "share.h"
#include "task_tree_fixture.h"
#include "test_support.h"
#include "tree_files.h"

namespace fs = std::filesystem;

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option) { return std::string(); }

namespace {

using namespace task_tree_test;

const char* const kUuid = "5c2d8e1a-7b3f-4c9d-a0e6-1f2b3c4d5e6f";

class ChangedFilesTest : public TaskTreeFixture, public ::testing::WithParamInterface<where> {
 protected:
  void SetUp() override { init(GetParam(), kUuid, "docs"); }

  // An entry of the tree as it lies on disk (names here need no mapping on a share).
  std::string on_disk(const std::string& rel) const { return tree_ + "/" + rel; }

  ino_t inode(const std::string& rel) const {
    struct stat st;
    return ::lstat(on_disk(rel).c_str(), &st) == 0 ? st.st_ino : 0;
  }

  // The reverse deltas that version n holds for source 0.
  std::set<std::string> deltas(int n) const {
    std::set<std::string> out;
    std::string root = on_disk("increments/" + std::to_string(n) + "/id0");
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      std::string rel = e.path().string().substr(root.size() + 1);
      const std::string ending = ".delta.old";
      if (rel.size() > ending.size() && rel.compare(rel.size() - ending.size(), ending.size(), ending) == 0) {
        out.insert(rel.substr(0, rel.size() - ending.size()));
      }
    }
    return out;
  }

  std::string recorded_time(const std::string& rel) const {
    auto rows = query(on_disk("file_time.db"), "select File_time from id0 where File_path = '" + rel + "';");
    return rows.size() == 1 ? rows[0] : "<" + std::to_string(rows.size()) + " rows>";
  }

  // The last-write time of a source file as the tree records it.
  std::string source_time(const std::string& rel) const {
    struct stat st;
    std::string out;
    if (::lstat((src_ + "/" + rel).c_str(), &st) != 0 || get_file_time(st, &out) != 0) return "<none>";
    return out;
  }

  // Version v restored into a new folder, as it lies there.
  snapshot_t restored(int v) {
    std::string chosen = root_.path() + "/restored" + std::to_string(v);
    fs::remove_all(chosen);
    EXPECT_EQ(restore_incremental_backup(&task_, chosen.c_str(), v), run_outcome::completed) << v;
    return snapshot(chosen + "/docs");
  }
};

// Writes `data` under the file's current last-write time: a change that only its size shows.
void rewrite_keeping_time(const std::string& path, const std::string& data) {
  struct stat st;
  ASSERT_EQ(::lstat(path.c_str(), &st), 0) << path;
  test_support::write_file(path, data);
  struct timespec times[2] = {st.st_mtim, st.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

TEST_P(ChangedFilesTest, OnlyWhatChangedIsCopiedAndEveryVersionComesBack) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/keep.txt", "kept as it is");
  put(src_ + "/sub/b.txt", "bee");
  put(src_ + "/sub/deep/c.bin", random_bytes(20000, 1));
  put(src_ + "/sub/deep/same.txt", "same");
  put(src_ + "/sub/deep/resized.txt", "short");
  put(src_ + "/to_folder", "a file first");
  put(src_ + "/to_file/x.txt", "a folder first");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t v1 = snapshot(src_);
  ino_t keep = inode("last/id0/keep.txt");
  ino_t same = inode("last/id0/sub/deep/same.txt");
  ASSERT_NE(keep, 0u);

  put(src_ + "/sub/b.txt", "bee, changed");
  std::string c = random_bytes(20000, 1);
  c.replace(9000, 64, std::string(64, 'x'));
  put(src_ + "/sub/deep/c.bin", c);
  rewrite_keeping_time(src_ + "/sub/deep/resized.txt", "a good deal longer");
  put(src_ + "/new/n.txt", "new in a new folder");
  fs::remove(src_ + "/to_folder");
  put(src_ + "/to_folder/y.txt", "now a folder");
  fs::remove_all(src_ + "/to_file");
  put(src_ + "/to_file", "now a file");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t v2 = snapshot(src_);

  // Unchanged files were not copied again: last keeps the very files it had.
  EXPECT_EQ(inode("last/id0/keep.txt"), keep);
  EXPECT_EQ(inode("last/id0/sub/deep/same.txt"), same);
  // A delta for each file that last held and that changed, none for the rest.
  EXPECT_EQ(deltas(2), (std::set<std::string>{"sub/b.txt", "sub/deep/c.bin", "sub/deep/resized.txt"}));
  // The copied files' times are recorded.
  for (const char* rel : {"sub/b.txt", "sub/deep/c.bin", "new/n.txt", "to_folder/y.txt", "to_file"}) {
    EXPECT_EQ(recorded_time(rel), source_time(rel)) << rel;
  }

  // A third run with nothing changed copies nothing and writes no delta.
  ino_t b = inode("last/id0/sub/b.txt");
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_EQ(inode("last/id0/sub/b.txt"), b);
  EXPECT_TRUE(deltas(3).empty());

  expect_same(v1, restored(1), "version 1");
  expect_same(v2, restored(2), "version 2");
  expect_same(v2, restored(3), "version 3");
}

// Between the scan and the copy a changed file goes away and another becomes a folder: the
// run copies the rest, writes no delta for either, keeps their older copies in last and
// leaves them to the next run, which takes the source as it is then.
TEST_P(ChangedFilesTest, AFileGoneOrReplacedAfterTheScanIsLeftForTheNextRun) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/sub/b.txt", "bee");
  put(src_ + "/sub/c.txt", "sea");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t v1 = snapshot(src_);
  std::string c_time = recorded_time("sub/c.txt");

  put(src_ + "/a.txt", "alpha, changed");
  put(src_ + "/sub/b.txt", "bee, changed");
  put(src_ + "/sub/c.txt", "sea, changed");
  run_outcome outcome = run_outcome::failed;
  hold_at("backup.marker", root_.path() + "/pause", [&] { outcome = backup(); }, [&] {
    fs::remove(src_ + "/sub/b.txt");
    fs::remove(src_ + "/sub/c.txt");
    put(src_ + "/sub/c.txt/inner.txt", "a folder now");
  });
  EXPECT_NE(outcome, run_outcome::failed);
  EXPECT_EQ(test_support::read_file(on_disk("last/id0/a.txt")), "alpha, changed");
  EXPECT_EQ(test_support::read_file(on_disk("last/id0/sub/b.txt")), "bee");
  EXPECT_EQ(test_support::read_file(on_disk("last/id0/sub/c.txt")), "sea");
  EXPECT_EQ(deltas(2), std::set<std::string>{"a.txt"});
  EXPECT_EQ(recorded_time("sub/c.txt"), c_time);

  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t v3 = snapshot(src_);
  expect_same(v1, restored(1), "version 1");
  expect_same(v3, restored(3), "version 3");
}

// A run asks its databases by the folder, not by the file: the recorded times and sizes of
// a folder's files in one range each, the marker's rows in batches. 300 files in 10 folders
// cost about as many statements as one lookup per file would cost for 40 files; a change
// that makes the walk ask per file again (four statements each) shows here.
TEST_P(ChangedFilesTest, ARunAsksItsDatabasesByTheFolderNotByTheFile) {
  for (int i = 0; i < 300; ++i) {
    put(src_ + "/d" + std::to_string(i / 30) + "/f" + std::to_string(i) + ".txt", std::string(i, 'x'));
  }
  ASSERT_EQ(backup(), run_outcome::completed);
  reset_tree_statements_run();
  ASSERT_EQ(backup(), run_outcome::completed);
  uint64_t unchanged = tree_statements_run();
  put(src_ + "/d3/f95.txt", "changed");
  put(src_ + "/d7/f215.txt", "changed too");
  reset_tree_statements_run();
  ASSERT_EQ(backup(), run_outcome::completed);
  uint64_t two_changed = tree_statements_run();
  EXPECT_LE(unchanged, 170u);
  EXPECT_LE(two_changed, unchanged + 12);
  EXPECT_EQ(deltas(3), (std::set<std::string>{"d3/f95.txt", "d7/f215.txt"}));
}

// The time text of every file is formed without gmtime_r and printf: it must be theirs for
// every second, around leap days, century and era boundaries, before 1970 and at the ends
// of the four-digit years (and beyond them, where the long way is taken).
TEST(FileTimeTextTest, IsWhatGmtimeGivesForEverySecond) {
  auto reference = [](int64_t seconds) {
    struct tm tm;
    time_t t = static_cast<time_t>(seconds);
    if (gmtime_r(&t, &tm) == nullptr) return std::string("<none>");
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return std::string(text);
  };
  std::vector<int64_t> seconds = {0,           -1,          59,           86399,       86400,
                                  951782399,   951782400,   951868800,    4107542399,  4107542400,
                                  1700000000,  -2208988800, -62135596800, -62167219200,
                                  -62167219201, 253402300799, 253402300800, 32503680000,
                                  -86400LL * 146097};
  std::mt19937_64 gen(5);
  std::uniform_int_distribution<int64_t> any(-70000000000LL, 260000000000LL);
  for (int i = 0; i < 200000; ++i) seconds.push_back(any(gen));
  for (int64_t s : seconds) {
    struct stat st{};
    st.st_mtim.tv_sec = static_cast<time_t>(s);
    std::string text;
    ASSERT_EQ(get_file_time(st, &text), 0) << s;
    ASSERT_EQ(text, reference(s)) << s;
  }
}

INSTANTIATE_TEST_SUITE_P(Destinations, ChangedFilesTest, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
