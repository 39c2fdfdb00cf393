// What another local user, whoever writes the tree, or a second task may try against a
// restore: links on the way to the target, set-user-id bits, other trees and locked
// folders, a damaged tree, a marker that is no plain database, deep folders under the open
// file limit of a service.
#include "restore_fixture.h"

namespace {

using namespace restore_test;

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

INSTANTIATE_TEST_SUITE_P(Destinations, RestoreTest, ::testing::Values(where::local, where::smb),
                         param_name);

}  // namespace
