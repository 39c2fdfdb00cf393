// What a restore makes of links, hostile marker rows and planted links, of names and of
// owners and modes, and the targets it refuses.
#include "restore_fixture.h"

namespace {

using namespace restore_test;

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

INSTANTIATE_TEST_SUITE_P(Destinations, RestoreTest, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
