// The backup engine end to end on a local folder and on a real Samba server: runs of a task
// against a source folder that changes between them, and afterwards every version rebuilt
// from the tree as it lies on disk and compared byte for byte with what the source held at
// that run. The runs cut short at every step are in backup_sweep_test.cpp, the guards of
// the tree (links, the lock, a share that goes away) in backup_guard_test.cpp.
#include "backup_fixture.h"

namespace {

using namespace backup_test;

// ---------------------------------------------------------------------------------------
// Three incremental runs.
// ---------------------------------------------------------------------------------------

TEST_P(BackupTest, ThreeIncrementalRunsKeepEveryVersionByteForByte) {
  // Run 1: plain files, a large binary file, nested and empty folders, names with quotes,
  // unicode, characters SMB forbids, links of every kind, a FIFO and a socket.
  put(src_ + "/a.txt", "alpha\nbeta\ngamma\n");
  put(src_ + "/big.bin", random_bytes(40000, 1));
  put(src_ + "/sub/b.txt", "bee");
  put(src_ + "/sub/deep/c.txt", "sea");
  fs::create_directories(src_ + "/empty");
  put(src_ + "/say \"hi\".txt", "quoted name");
  put(src_ + "/\xc3\xbc/\xc3\x9f.txt", "unicode name");
  put(src_ + "/10:30?.txt", "forbidden on SMB");
  put(src_ + "/trail.", "trailing dot");
  put(src_ + "/back\\slash|pipe*.txt", "backslash in a name");
  put(src_ + "/Case.txt", "upper");
  put(src_ + "/case.txt", "lower");
  put(src_ + "/bad\xff.txt", "not UTF-8");
  put(src_ + "/Thumbs.db", "never backed up");
  ASSERT_EQ(::symlink("a.txt", (src_ + "/link_file").c_str()), 0);
  ASSERT_EQ(::symlink((src_ + "/sub/").c_str(), (src_ + "/link_folder").c_str()), 0);
  ASSERT_EQ(::symlink("sub", (src_ + "/link_relative").c_str()), 0);
  ASSERT_EQ(::symlink("/nonexistent/x", (src_ + "/link_dangling").c_str()), 0);
  ASSERT_EQ(::mkfifo((src_ + "/fifo").c_str(), 0600), 0);
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::string sock_path = src_ + "/sock";
  ASSERT_LT(sock_path.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, sock_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  std::vector<snapshot_t> versions;
  std::vector<std::string> times;
  auto check_version_set = [&](int n, const std::set<std::string>& want_deltas) {
    SCOPED_TRACE("after run " + std::to_string(n));
    EXPECT_EQ(status_word(disk_), "complete");
    std::vector<std::string> rows = history_rows(disk_);
    ASSERT_EQ(rows.size(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(rows[i], std::to_string(i + 1) + "|" + times[i]);
    }
    EXPECT_FALSE(disk_.exists("tmp"));
    EXPECT_FALSE(disk_.exists("lasttmp"));
    EXPECT_EQ(exist_rows(disk_, n), listed(versions[n - 1]));
    EXPECT_EQ(deltas(disk_, n), want_deltas);
    // The version holds folders only on the way to its deltas (version 3's sub/deep holds
    // one; no other version has anything below sub).
    EXPECT_EQ(disk_.exists("increments/" + std::to_string(n) + "/id0/sub/deep"), n == 3);
    EXPECT_EQ(disk_.exists("increments/" + std::to_string(n) + "/id0/sub"), n == 3);
    for (int v = 1; v <= n; ++v) {
      expect_same(versions[v - 1], rebuild(disk_, v), "version " + std::to_string(v));
    }
    // Every file of the source that was copied has its last-write time recorded.
    std::set<std::string> file_times =
        as_set(query(disk_.path("file_time.db"), "select File_path, File_time from id0;"));
    for (const auto& [rel, content] : versions[n - 1].files) {
      std::string time;
      ASSERT_EQ(file_time_of(src_ + "/" + rel, &time), 0);
      EXPECT_EQ(file_times.count(rel + "|" + time), 1u) << rel;
    }
  };

  // On a share the names SMB cannot store as they are make the first run incomplete.
  ASSERT_EQ(backup(), smb() ? run_outcome::incomplete : run_outcome::completed);
  times.push_back(iso_start());
  versions.push_back(snapshot(src_, taken_by(smb())));
  check_version_set(1, {});
  EXPECT_EQ(
      as_set(query(disk_.path(marker_rel(1, 0)),
                   "select File_source_path, File_destination_path from symbolic_link_tbl;")),
      (std::set<std::string>{src_ + "/link_file|a.txt", src_ + "/link_relative|sub",
                             src_ + "/link_dangling|/nonexistent/x"}));
  EXPECT_EQ(as_set(query(disk_.path(marker_rel(1, 0)),
                         "select File_source_path, File_destination_path from junction_tbl;")),
            (std::set<std::string>{src_ + "/link_folder|" + src_ + "/sub"}));
  EXPECT_FALSE(disk_.exists("last/id0/link_file"));
  EXPECT_FALSE(disk_.exists("last/id0/fifo"));
  if (smb()) {
    // Names SMB cannot carry are stored as the cifs client's private-use characters.
    EXPECT_TRUE(fs::exists(disk_.root + "/last/id0/10\xef\x80\xa2" "30\xef\x80\xa5.txt"));
    EXPECT_TRUE(logged("Backup Docs is incomplete: 2 files or folders could not be backed up."));
  } else {
    EXPECT_TRUE(logged("message: Backup Docs is completed."));
  }

  // Run 2: changes in the middle, bytes inserted near the start of a large file, a file
  // truncated to nothing, one deleted, one renamed, new files and a new folder.
  put(src_ + "/a.txt", "alpha\nBETA!\ngamma\n");
  std::string big = versions[0].files.at("big.bin");
  big.insert(100, random_bytes(333, 2));
  put(src_ + "/big.bin", big);
  put(src_ + "/say \"hi\".txt", "");
  fs::remove(src_ + "/sub/deep/c.txt");
  fs::rename(src_ + "/sub/b.txt", src_ + "/sub/b2.txt");
  put(src_ + "/new.txt", "new in two");
  put(src_ + "/newdir/x.txt", "x");
  ASSERT_EQ(backup(), smb() ? run_outcome::incomplete : run_outcome::completed);
  times.push_back(iso_start());
  versions.push_back(snapshot(src_, taken_by(smb())));
  check_version_set(2, {"a.txt", "big.bin", "say \"hi\".txt"});

  // Run 3: a deleted file comes back with other content, appends and edits.
  put(src_ + "/sub/deep/c.txt", "sea again, longer than before");
  put(src_ + "/a.txt", "alpha\nBETA!\ngamma\ndelta\n");
  put(src_ + "/new.txt", "changed in three");
  put(src_ + "/10:30?.txt", "forbidden, edited");
  put(src_ + "/\xc3\xbc/\xc3\x9f.txt", "unicode, edited");
  ASSERT_EQ(backup(), smb() ? run_outcome::incomplete : run_outcome::completed);
  times.push_back(iso_start());
  versions.push_back(snapshot(src_, taken_by(smb())));
  check_version_set(3, {"a.txt", "new.txt", "10:30?.txt", "\xc3\xbc/\xc3\x9f.txt",
                        "sub/deep/c.txt"});

  // A run in which nothing changed still makes its version.
  ASSERT_EQ(backup(), smb() ? run_outcome::incomplete : run_outcome::completed);
  times.push_back(iso_start());
  versions.push_back(versions.back());
  check_version_set(4, {});
  ::close(sock);
}

INSTANTIATE_TEST_SUITE_P(Destinations, BackupTest, ::testing::Values(where::local, where::smb),
                         param_name);

// ---------------------------------------------------------------------------------------
// A run held at a step while the test changes the world around it.
// ---------------------------------------------------------------------------------------

TEST_F(LocalBackupTest, DeltaIsMadeFromTheBytesThatEnterLastNotFromTheLiveFile) {
  put(src_ + "/a.txt", std::string(5000, 'a'));
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  put(src_ + "/a.txt", std::string(5000, 'a') + "second");
  snapshot_t s2 = snapshot(src_, taken_by(false));
  // The source file changes again after its copy, before its delta.
  run_outcome outcome = run_outcome::failed;
  hold_at("copy.delta", root_.path() + "/pause", [&] { outcome = backup(); },
          [&] { put(src_ + "/a.txt", "something else entirely"); });
  EXPECT_EQ(outcome, run_outcome::completed);
  expect_versions({s1, s2}, "the version holds what was copied");
  snapshot_t s3 = snapshot(src_, taken_by(false));
  ASSERT_EQ(backup(), run_outcome::completed);
  expect_versions({s1, s2, s3}, "the later change is the next version");
}

TEST_F(LocalBackupTest, FileThatVanishesBeforeItsCopyIsLoggedAndTriedAgain) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  put(src_ + "/a.txt", "alpha two");
  put(src_ + "/b.txt", "bee two");
  std::string a_time;
  run_outcome outcome = run_outcome::failed;
  hold_at("copy.file", root_.path() + "/pause", [&] { outcome = backup(); }, [&] {
    ASSERT_EQ(file_time_of(src_ + "/a.txt", &a_time), 0);
    fs::rename(src_ + "/a.txt", root_.path() + "/a.away");
  });
  EXPECT_EQ(outcome, run_outcome::incomplete);
  EXPECT_TRUE(logged("warning: Failed to open file " + src_ + "/a.txt."));
  EXPECT_TRUE(logged("warning: Backup Docs is incomplete: 1 files or folders could not be backed up."));
  // Listed in the version (it was there at the scan), with the content last still holds.
  snapshot_t s2 = snapshot(src_, taken_by(false));
  s2.files["a.txt"] = "alpha";
  expect_versions({s1, s2}, "the file left out");
  std::vector<std::string> stored =
      query(disk_.path("file_time.db"), "select File_time from id0 where File_path='a.txt';");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_NE(stored[0], a_time);  // still the time of version 1
  // Back again: the next run takes it.
  fs::rename(root_.path() + "/a.away", src_ + "/a.txt");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s3 = snapshot(src_, taken_by(false));
  expect_versions({s1, s2, s3}, "taken by the next run");
}

TEST_F(LocalBackupTest, UnreadableStatusStopsTheRunAndTouchesNothing) {
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  test_support::write_file(disk_.path("status.db"), std::string(4096, 'x'));
  put(src_ + "/a.txt", "alpha two");
  EXPECT_EQ(backup(), run_outcome::failed);
  EXPECT_TRUE(logged("error: Failed to open file " + disk_.path("status.db") + "."));
  EXPECT_EQ(test_support::read_file(disk_.path("status.db")), std::string(4096, 'x'));
  EXPECT_EQ(history_rows(disk_).size(), 1u);
  EXPECT_EQ(exist_rows(disk_, 1), listed(s1));
  EXPECT_EQ(test_support::read_file(disk_.path("last/id0/a.txt")), "alpha");
}

TEST_F(LocalBackupTest, MissingSourceFolderIsLoggedAndTheOthersAreBackedUp) {
  std::string second = root_.path() + "/src2";
  task_.sources = {root_.path() + "/gone", second};
  put(second + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::incomplete);
  EXPECT_TRUE(logged("error: Failed to open file " + root_.path() + "/gone."));
  EXPECT_TRUE(logged("Backup Docs is incomplete: 1 files or folders could not be backed up."));
  EXPECT_EQ(exist_rows(disk_, 1, 0), std::set<std::string>{});
  EXPECT_EQ(exist_rows(disk_, 1, 1), std::set<std::string>{"a.txt"});
  EXPECT_EQ(test_support::read_file(disk_.path("last/id1/a.txt")), "alpha");
}

TEST_F(LocalBackupTest, FilterByExtensionTakesExactlyWhatTheMarkerLists) {
  task_.filter.extensions = {".TXT", ".md"};
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/b.jpg", "picture");
  put(src_ + "/sub/c.md", "notes");
  put(src_ + "/sub/d.txt.bak", "backup");
  put(src_ + "/Thumbs.db", "never");
  put(src_ + "/thumbs.txt", "a text file");
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_EQ(exist_rows(disk_, 1), (std::set<std::string>{"a.txt", "sub", "sub/c.md", "thumbs.txt"}));
  std::set<std::string> in_last;
  for (const auto& e : fs::recursive_directory_iterator(disk_.path("last/id0"))) {
    in_last.insert(e.path().string().substr(disk_.path("last/id0").size() + 1));
  }
  EXPECT_EQ(in_last, (std::set<std::string>{"a.txt", "sub", "sub/c.md", "thumbs.txt"}));
}

TEST_F(LocalBackupTest, WithoutAFilterTheNeverBackedUpNamesStillReachLast) {
  put(src_ + "/THUMBS.DB", "x");
  put(src_ + "/pagefile.sys", "x");
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_EQ(exist_rows(disk_, 1), std::set<std::string>{"a.txt"});
  EXPECT_TRUE(disk_.exists("last/id0/THUMBS.DB"));
}

// A task tree inside a source, or a source inside a task tree (the run's own or another
// configured task's), would be copied into the tree again at every run, one level deeper each
// time. Such a tree, or such a source, is left out with a record; the tree does not grow.
struct tree_case {
  const char* name;
  bool own;             // the run's own tree, else another configured task's
  bool source_in_tree;  // the source lies in the tree, else the tree in the source
};
void PrintTo(const tree_case& c, std::ostream* os) { *os << c.name; }

class TaskTreeInSourceTest : public BackupFixture,
                             public ::testing::WithParamInterface<tree_case> {
 protected:
  void SetUp() override { init(where::local); }
  void TearDown() override {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  }
};

TEST_P(TaskTreeInSourceTest, TheTreeIsLeftOutWithARecordAndDoesNotGrow) {
  const tree_case& c = GetParam();
  const std::string other_uuid = "7c9e6679-7425-40de-944b-e07fc1f90ae7";
  put(src_ + "/a.txt", "alpha");
  std::string tree;  // where the tree in question lies
  if (c.own && !c.source_in_tree) {
    fs::create_directories(src_ + "/backups");
    task_.destinations[0].path = src_ + "/backups";
    disk_.root = src_ + "/backups/" + kUuid;
    tree = disk_.root;
  } else if (c.own) {
    tree = disk_.root;
    // Named through a doubled '/' and "..": only the folder itself counts.
    fs::create_directories(destination_ + "/x");
    task_.sources = {destination_ + "//x/../" + kUuid + "/last"};
  } else {
    std::string folder = c.source_in_tree ? root_.path() + "/other" : src_ + "/other";
    tree = folder + "/" + other_uuid;
    put(tree + "/last/id0/b.txt", "the other task's copy");
    session_t other = test_support::backup_task(other_uuid, "Other", {root_.path() + "/o"},
                                                test_support::local_destination(folder + "/"));
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list = {task_, other};
    if (c.source_in_tree) task_.sources = {tree};
  }
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    ASSERT_EQ(backup(), c.source_in_tree ? run_outcome::incomplete : run_outcome::completed);
    if (c.source_in_tree) {
      EXPECT_EQ(exist_rows(disk_, run), std::set<std::string>{});
      EXPECT_TRUE(fs::is_empty(disk_.path("last/id0")));
    } else {
      std::string folder = c.own ? "backups" : "other";
      EXPECT_EQ(exist_rows(disk_, run), (std::set<std::string>{"a.txt", folder}));
      EXPECT_TRUE(fs::is_empty(disk_.path("last/id0/" + folder)));
    }
  }
  std::string text = c.source_in_tree
      ? "warning: The source folder " + task_.sources[0] + " is or lies inside the task folder " +
            tree + ": it is not backed up."
      : "message: The task folder " + tree + " lies inside the source folder " + src_ +
            ": it is left out of the backup.";
  std::vector<std::string> texts = log_texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 2) << text;
}

INSTANTIATE_TEST_SUITE_P(Cases, TaskTreeInSourceTest,
                         ::testing::Values(tree_case{"OwnTreeInSource", true, false},
                                           tree_case{"OtherTreeInSource", false, false},
                                           tree_case{"SourceInOwnTree", true, true},
                                           tree_case{"SourceIsOtherTree", false, true}),
                         [](const ::testing::TestParamInfo<tree_case>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(LocalBackupTest, FullBackupKeepsOneVersionWithoutDeltas) {
  task_.action = ACTION_FULL_BACKUP;
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  put(src_ + "/a.txt", "alpha two");
  fs::remove(src_ + "/b.txt");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<std::string> rows = history_rows(disk_);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], "1|" + iso_start());
  EXPECT_TRUE(deltas(disk_, 1).empty());
  EXPECT_FALSE(disk_.exists("increments/2"));
  expect_versions({snapshot(src_, taken_by(false))}, "the one version");
  // Every file was copied again and its time recorded anew.
  EXPECT_EQ(query(disk_.path("file_time.db"), "select File_path from id0;"),
            std::vector<std::string>{"a.txt"});
}

TEST_F(LocalBackupTest, SpecialFilesAndMountedFileSystemsAreNotEntered) {
  put(src_ + "/a.txt", "alpha");
  ASSERT_EQ(::mkfifo((src_ + "/fifo").c_str(), 0600), 0);
  fs::create_directories(src_ + "/mnt");
  bool mounted = std::system(("mount -t tmpfs tessaly-test '" + src_ + "/mnt' 2>/dev/null").c_str()) == 0;
  // Unmounted on every way out of the test, also after a failed assertion.
  std::shared_ptr<void> unmount(nullptr, [&](void*) {
    if (mounted) std::system(("umount '" + src_ + "/mnt'").c_str());
  });
  if (mounted) put(src_ + "/mnt/other.txt", "other file system");
  // A mount point is not entered, but never left out in silence: the run is incomplete.
  ASSERT_EQ(backup(), mounted ? run_outcome::incomplete : run_outcome::completed);
  std::set<std::string> want = {"a.txt"};
  if (!mounted) want.insert("mnt");
  EXPECT_EQ(exist_rows(disk_, 1), want);
  EXPECT_FALSE(disk_.exists("last/id0/fifo"));
  if (mounted) {
    EXPECT_FALSE(disk_.exists("last/id0/mnt/other.txt"));
    EXPECT_TRUE(logged("warning: " + src_ +
                       "/mnt is the mount point of another file system: it is not backed up."));
    EXPECT_TRUE(logged("Backup Docs is incomplete: 1 files or folders could not be backed up."));
  }
}

TEST_F(LocalBackupTest, LinksAreRecordedAsTheyAreAndNeverFollowed) {
  struct link_case {
    const char* name;
    std::string target;
    const char* table;  // where it is recorded
  };
  fs::create_directories(src_ + "/folder");
  put(src_ + "/file.txt", "x");
  const std::vector<link_case> cases = {
      {"to_file", "file.txt", "symbolic_link_tbl"},
      {"to_folder_relative", "folder", "symbolic_link_tbl"},
      {"to_folder_absolute", src_ + "/folder", "junction_tbl"},
      {"to_folder_trailing", src_ + "/folder//", "junction_tbl"},
      {"dangling_absolute", "/nonexistent/folder", "symbolic_link_tbl"},
      {"to_root", "/", "junction_tbl"},
      {"to_file_absolute", src_ + "/file.txt", "symbolic_link_tbl"},
  };
  for (const link_case& c : cases) {
    ASSERT_EQ(::symlink(c.target.c_str(), (src_ + "/" + c.name).c_str()), 0);
  }
  ASSERT_EQ(backup(), run_outcome::completed);
  std::string marker = disk_.path(marker_rel(1, 0));
  auto rows = [&](const char* table) {
    return as_set(query(marker, std::string("select File_source_path, File_destination_path from ") +
                                    table + ";"));
  };
  std::set<std::string> want_symbolic;
  std::set<std::string> want_junction;
  for (const link_case& c : cases) {
    std::string target = c.target;
    if (std::strcmp(c.table, "junction_tbl") == 0) {
      while (target.size() > 1 && target.back() == '/') target.pop_back();
      want_junction.insert(src_ + "/" + c.name + "|" + target);
    } else {
      if (target.size() > 1 && target.back() == '/') target.pop_back();
      want_symbolic.insert(src_ + "/" + c.name + "|" + target);
    }
  }
  EXPECT_EQ(rows("symbolic_link_tbl"), want_symbolic);
  EXPECT_EQ(rows("junction_tbl"), want_junction);
  EXPECT_EQ(exist_rows(disk_, 1), (std::set<std::string>{"file.txt", "folder"}));

  // The helpers on their own: a relative path is never recorded as a junction, links are
  // made without replacing anything, and removing a tree removes links, not their targets.
  EXPECT_EQ(backup_junction(marker.c_str(), "to_folder_absolute"), 0);
  std::string made = root_.path() + "/made";
  fs::create_directories(made);
  EXPECT_EQ(create_junction((src_ + "/folder").c_str(), AT_FDCWD, (made + "/j").c_str()), 0);
  EXPECT_EQ(create_symbolic("file.txt", AT_FDCWD, (made + "/s").c_str()), 0);
  EXPECT_EQ(create_symbolic("other", AT_FDCWD, (made + "/s").c_str()), -1);
  std::string target;
  EXPECT_EQ(read_symbolic((made + "/s").c_str(), &target), 0);
  EXPECT_EQ(target, "file.txt");
  EXPECT_TRUE(is_junction_dir((made + "/j").c_str()));
  EXPECT_FALSE(is_symbolic((made + "/j").c_str()));
  EXPECT_TRUE(is_symbolic((made + "/s").c_str()));
  ASSERT_EQ(::symlink((src_ + "/file.txt").c_str(), (made + "/f").c_str()), 0);
  EXPECT_EQ(rm_directory(*share::local_destination(), made), 0);
  EXPECT_FALSE(fs::exists(made));
  EXPECT_EQ(test_support::read_file(src_ + "/file.txt"), "x");
  EXPECT_TRUE(fs::is_directory(src_ + "/folder"));
}

// A file replaced by a folder of that name, and the reverse: each is backed up as what it
// is now, and the older versions keep what it was (moved from last into the run's kept
// folder), also when the type changes back again.
TEST_P(BackupTest, TypeChangeIsBackedUpAndTheOlderVersionsKeepWhatItWas) {
  put(src_ + "/x", "a file first");
  put(src_ + "/y/inner.txt", "a folder first");
  put(src_ + "/y/deeper/z.txt", "deeper in the folder");
  put(src_ + "/keep.txt", "unchanged");
  struct stat first;
  ASSERT_EQ(::lstat((src_ + "/x").c_str(), &first), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<snapshot_t> versions{snapshot(src_, taken_by(false))};
  fs::remove(src_ + "/x");
  put(src_ + "/x/now.txt", "x is a folder now");
  fs::remove_all(src_ + "/y");
  put(src_ + "/y", "y is a file now");
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_TRUE(logged("message: Backup Docs is completed."));
  versions.push_back(snapshot(src_, taken_by(false)));
  EXPECT_EQ(kept_rows(disk_, 2), (std::set<std::string>{"x", "y"}));
  expect_versions(versions, "after the change");
  // Back again, x with the very time it had as a file in version 1.
  fs::remove_all(src_ + "/x");
  put(src_ + "/x", "a file again");
  struct timespec times[2] = {first.st_mtim, first.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src_ + "/x").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  fs::remove(src_ + "/y");
  fs::create_directories(src_ + "/y");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_, taken_by(false)));
  expect_versions(versions, "after the change back");
  // An empty folder in the place of a file.
  fs::remove(src_ + "/x");
  fs::create_directories(src_ + "/x");
  ASSERT_EQ(backup(), run_outcome::completed);
  versions.push_back(snapshot(src_, taken_by(false)));
  expect_versions(versions, "an empty folder");
}

// A changed file with a recorded time is taken for a file in last without asking the share;
// where last no longer holds that file (removed, or a folder put in its place by someone else)
// the run still keeps what it can and the next run puts it right.
TEST_P(BackupTest, AChangedFileWhoseCopyInLastWasTakenAwayIsBackedUpAgain) {
  put(src_ + "/gone.txt", "removed from last");
  put(src_ + "/folder.txt", "a folder in last now");
  put(src_ + "/kept.txt", "an ordinary change");
  ASSERT_EQ(backup(), run_outcome::completed);
  std::vector<snapshot_t> versions{snapshot(src_, taken_by(false))};
  fs::remove(disk_.path("last/id0/gone.txt"));
  fs::remove(disk_.path("last/id0/folder.txt"));
  fs::create_directories(disk_.path("last/id0/folder.txt/inside"));
  put(src_ + "/gone.txt", "removed from last, changed");
  put(src_ + "/folder.txt", "a folder in last now, changed");
  put(src_ + "/kept.txt", "an ordinary change, changed");

  // The missing copy is copied anew; the file whose place holds a folder is left out.
  ASSERT_EQ(backup(), run_outcome::incomplete);
  EXPECT_TRUE(logged("Failed to generate backup file for " + src_ + "/folder.txt."));
  auto in_last = [&](const std::string& name) {
    return test_support::read_file(disk_.path("last/id0/" + name));
  };
  EXPECT_EQ(in_last("gone.txt"), "removed from last, changed");
  EXPECT_EQ(in_last("kept.txt"), "an ordinary change, changed");
  EXPECT_TRUE(fs::is_directory(disk_.path("last/id0/folder.txt")));
  EXPECT_EQ(deltas(disk_, 2), (std::set<std::string>{"kept.txt"}));

  // The next run looks the name up and replaces the folder, keeping it for the older versions.
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_EQ(in_last("folder.txt"), "a folder in last now, changed");
  EXPECT_EQ(kept_rows(disk_, 3), (std::set<std::string>{"folder.txt"}));
  snapshot_t now = snapshot(src_, taken_by(false));
  expect_same(now, rebuild(disk_, 3), "version 3");
  // Version 1 of the file that changed as usual comes back through its delta.
  EXPECT_EQ(rebuild(disk_, 1).files.at("kept.txt"), "an ordinary change");
}

// ---------------------------------------------------------------------------------------
// Changes within one second, and sizes.
// ---------------------------------------------------------------------------------------

// A file saved again within the second in which it was copied keeps its recorded time: it is
// never taken for unchanged (the "racy" rule), so the next run copies it again.
TEST_F(LocalBackupTest, AFileWrittenTwiceWithinOneSecondIsInTheNextVersion) {
  put(src_ + "/old.txt", "an old file");
  std::string racy = src_ + "/racy.txt";
  test_support::write_file(racy, "first save");  // last-write time: now
  struct stat first;
  ASSERT_EQ(::lstat(racy.c_str(), &first), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  // Saved again in the same second: the same last-write time, another content.
  test_support::write_file(racy, "second save");
  struct timespec same[2] = {first.st_mtim, first.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, racy.c_str(), same, 0), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s2 = snapshot(src_, taken_by(false));
  EXPECT_EQ(s2.files.at("racy.txt"), "second save");
  expect_versions({s1, s2}, "the second save is in the next version");
  // An old file keeps its recorded time.
  EXPECT_EQ(query(disk_.path("file_time.db"), "select count(*) from id0 where File_path='old.txt';"),
            std::vector<std::string>{"1"});
}

// A file whose time goes unrecorded (here dated ahead of the clock, so every run finds it
// so) is compared with last's copy: only one whose bytes differ is copied with a delta, and
// each version still comes back byte for byte. The table names each file's second content.
TEST_P(BackupTest, AFileWithoutARecordedTimeIsCopiedAgainOnlyWhenItsBytesDiffer) {
  struct case_t {
    const char* name;
    std::string first;
    std::string second;
    bool delta;
  };
  std::string big = random_bytes(3 << 20, 4);  // beyond what is compared first
  std::string big_changed = big;
  big_changed[1 << 20] ^= 1;
  const std::vector<case_t> cases = {
      {"same.txt", "the same bytes", "the same bytes", false},
      {"edited.txt", "one byte differs", "one byte differz", true},
      {"longer.txt", "grows", "grows at its end", true},
      {"shorter.txt", "shrinks at its end", "shrinks", true},
      {"empty.txt", "", "", false},
      {"big-same.bin", big, big, true},  // not compared: copied again, its delta empty
      {"big-edited.bin", big, big_changed, true},
  };
  put(src_ + "/old.txt", "an old file");
  struct timespec ahead[2] = {{::time(nullptr) + 3600, 0}, {::time(nullptr) + 3600, 0}};
  auto write_all = [&](bool second) {
    for (const case_t& c : cases) {
      std::string path = src_ + "/sub/" + c.name;
      put(path, second ? c.second : c.first);
      ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), ahead, 0), 0);
    }
  };
  write_all(false);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(smb()));
  write_all(true);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s2 = snapshot(src_, taken_by(smb()));
  std::set<std::string> want;
  for (const case_t& c : cases) {
    if (c.delta) want.insert(std::string("sub/") + c.name);
  }
  EXPECT_EQ(deltas(disk_, 2), want);
  expect_versions({s1, s2}, "each version as it was");
  // None of them has a recorded time; the old file keeps its own.
  EXPECT_EQ(query(disk_.path("file_time.db"), "select File_path from id0;"),
            std::vector<std::string>{"old.txt"});
}

// A file whose last-write time is the recorded one but whose size changed is copied again.
// A destination on a disk or share that is absent (its empty mount-point folder remains, or
// the share answers without the folder): a tree that held a completed version is never made
// again there; the run fails with a record and writes nothing. Once the task is deleted or
// its destination changes, that is forgotten and a first run makes the tree as for a new task.
TEST_P(BackupTest, ATreeThatHeldACompletedVersionIsNeverMadeAgain) {
  std::shared_ptr<void> clear(nullptr, [](void*) {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    session_list.clear();
  });
  auto configure = [&](const std::vector<session_t>& tasks) {
    {
      std::lock_guard<std::mutex> lock(session_list_mutex);
      session_list = tasks;
    }
    forget_unconfigured_trees();
  };
  session_t moved = task_;
  moved.destinations[0].path += smb() ? "\\elsewhere" : "/elsewhere";
  const std::vector<std::pair<std::string, std::vector<session_t>>> forgetting = {
      {"the task deleted", {}}, {"its destination changed", {moved}}};
  std::string missing = "error: The task folder " + path_format_to_win(tree_path()) +
                        " is missing at the destination, which held a completed version "
                        "before: the run stops and nothing is written there.";
  put(src_ + "/a.txt", "alpha");
  for (const auto& [how, meanwhile] : forgetting) {
    SCOPED_TRACE(how);
    configure({});  // a new task
    fs::remove_all(tree_);
    configure({task_});
    log_store_reset();
    ASSERT_EQ(backup(), run_outcome::completed);
    fs::remove_all(tree_);
    EXPECT_EQ(backup(), run_outcome::failed);
    EXPECT_TRUE(logged(missing));
    EXPECT_FALSE(fs::exists(tree_));
    configure(meanwhile);
    configure({task_});
    ASSERT_EQ(backup(), run_outcome::completed);
    expect_versions({snapshot(src_)}, "made again as version 1");
  }
}

TEST_P(BackupTest, AChangedSizeCountsAsAChange) {
  put(src_ + "/a.txt", "alpha");
  put(src_ + "/b.txt", "bee");
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s1 = snapshot(src_, taken_by(false));
  struct stat was;
  ASSERT_EQ(::lstat((src_ + "/a.txt").c_str(), &was), 0);
  test_support::write_file(src_ + "/a.txt", "alpha, longer now");
  struct timespec same[2] = {was.st_mtim, was.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src_ + "/a.txt").c_str(), same, 0), 0);
  ASSERT_EQ(backup(), run_outcome::completed);
  snapshot_t s2 = snapshot(src_, taken_by(false));
  expect_versions({s1, s2}, "the resized file is in version 2");
  EXPECT_EQ(deltas(disk_, 2), std::set<std::string>{"a.txt"});
}

// ---------------------------------------------------------------------------------------
// Nothing skipped in silence.
// ---------------------------------------------------------------------------------------

TEST_F(LocalBackupTest, APathLongerThanTheSystemAllowsIsReported) {
  put(src_ + "/a.txt", "alpha");
  // Folders nested so deep that their path passes PATH_MAX, made step by step.
  std::string name(200, 'd');
  int fd = ::open(src_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::string deep = src_;
  for (int i = 0; i < 24; ++i) {
    ASSERT_EQ(::mkdirat(fd, name.c_str(), 0700), 0);
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    deep += "/" + name;
  }
  int file = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(file, 0);
  ::close(file);
  ::close(fd);
  ASSERT_GT(deep.size(), static_cast<size_t>(PATH_MAX));
  ASSERT_EQ(backup(), run_outcome::incomplete);
  EXPECT_TRUE(logged("warning: A path longer than the system allows is not backed up: " + src_ +
                     "/" + name));
  EXPECT_FALSE(logged("Backup Docs is completed."));
  EXPECT_TRUE(logged("Backup Docs is incomplete"));
  EXPECT_EQ(test_support::read_file(disk_.path("last/id0/a.txt")), "alpha");
}

TEST_F(LocalBackupTest, FullBackupTakesATypeChangeAsItIs) {
  task_.action = ACTION_FULL_BACKUP;
  put(src_ + "/x", "a file first");
  put(src_ + "/y/inner.txt", "a folder first");
  ASSERT_EQ(backup(), run_outcome::completed);
  fs::remove(src_ + "/x");
  put(src_ + "/x/now.txt", "x is a folder now");
  fs::remove_all(src_ + "/y");
  put(src_ + "/y", "y is a file now");
  ASSERT_EQ(backup(), run_outcome::completed);
  EXPECT_TRUE(logged("message: Backup Docs is completed."));
  expect_versions({snapshot(src_, taken_by(false))}, "the one version");
}

// The root folder as the source (here the root of a chroot): the entries keep their whole
// names, and two names that differ only in their first letter stay apart.
TEST_F(LocalBackupTest, RootFolderAsSourceKeepsTheNamesWhole) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for a chroot";
  std::string jail = root_.path() + "/jail";
  put(jail + "/abc.txt", "first");
  put(jail + "/xbc.txt", "second");
  put(jail + "/sub/d.txt", "deeper");
  fs::create_directories(jail + "/dest");
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chroot(jail.c_str()) != 0 || ::chdir("/") != 0) ::_exit(2);
    task_.sources = {"/"};
    task_.destinations[0].path = "/dest";
    ::_exit(backup() == run_outcome::completed ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  tree_on_disk tree{jail + "/dest/" + kUuid};
  EXPECT_EQ(exist_rows(tree, 1),
            (std::set<std::string>{"abc.txt", "xbc.txt", "sub", "sub/d.txt", "dest"}));
  EXPECT_EQ(test_support::read_file(tree.path("last/id0/abc.txt")), "first");
  EXPECT_EQ(test_support::read_file(tree.path("last/id0/xbc.txt")), "second");
  EXPECT_EQ(test_support::read_file(tree.path("last/id0/sub/d.txt")), "deeper");
}

}  // namespace
