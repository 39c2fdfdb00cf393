// The task tree's databases on both back-ends: a local folder and a real Samba server on
// 127.0.0.1. After each step the files are read where they really lie, with plain SQLite.
#include "db_sql_sqlite3.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <future>
#include <thread>

#include "backup.h"
#include "configuration.h"
#include "db_rows.h"
#include "log.h"
#include "marker_file.h"
#include "schedule.h"
#include "share.h"
#include "smb_peer.h"
#include "test_support.h"
#include "tree_session.h"

namespace share = tessaly::share;
using test_support::SmbPeer;
using test_support::query;

// The schedules (linked for the last run time) read global settings; none matter here, and
// the loader's own definition is not linked into this test.
std::string get_global_config(Global_option) { return std::string(); }

namespace {

enum class where { local, smb };

const char* const kUuid = "7c9e6679-7425-40de-944b-e07fc1f90ae7";
const char* const kUuid2 = "16fd2706-8baf-433b-82eb-8c7fada847da";

bool disk_exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

session_t make_task(const std::string& destination, int action, const char* uuid = kUuid) {
  session_t s;
  s.uuid = uuid;
  s.name = "task";
  s.action = action;
  destination_t d;
  d.path = destination;
  d.user = SmbPeer::user();
  d.password = SmbPeer::password();
  d.protocol = share::is_smb_path(destination) ? PROTOCOL_SAMBA : PROTOCOL_LOCAL;
  s.destinations.push_back(d);
  return s;
}

GTimeVal at_time(glong sec, glong usec) {
  GTimeVal t;
  t.tv_sec = sec;
  t.tv_usec = usec;
  return t;
}

class TreeDbTest : public ::testing::TestWithParam<where> {
 protected:
  void SetUp() override {
    gchar* dir = g_dir_make_tmp("tessaly-db-XXXXXX", nullptr);
    tmp_ = dir;
    g_free(dir);
    if (GetParam() == where::smb) {
      START_SMB_PEER(peer_);
      destination_ = "\\\\127.0.0.1\\nas";
      disk_ = peer_.share_dir();
    } else {
      destination_ = tmp_;
      disk_ = tmp_;
    }
    task_ = make_task(destination_, ACTION_INCREMENTAL);
    session_ = tree_session::connect(task_);
    ASSERT_TRUE(session_);
    base_ = destination_ + "/" + kUuid;
    ASSERT_EQ(session_->dest().mkdir(base_, 0700), 0);
    disk_base_ = disk_ + "/" + kUuid;
  }
  void TearDown() override {
    close_thread_dbs();
    session_.reset();
    std::string cmd = "rm -rf '" + tmp_ + "'";
    int rc = std::system(cmd.c_str());
    (void)rc;
  }
  std::string at(const std::string& rel) const { return base_ + "/" + rel; }
  tree_session& ts() { return *session_; }
  std::string disk(const std::string& rel) const { return disk_base_ + "/" + rel; }

  int run(int action, const GTimeVal& start) {
    session_t s = task_;
    s.action = action;
    int n = -1;
    EXPECT_EQ(create_history_db(ts(), at("history.db").c_str(), &s, &n, &start), 0);
    return n;
  }

  SmbPeer peer_;
  session_t task_;
  std::unique_ptr<tree_session> session_;
  std::string tmp_, destination_, disk_, base_, disk_base_;
};

TEST_P(TreeDbTest, NewTaskFirstRunWritesVersionOne) {
  // Nothing exists yet, and asking creates nothing.
  std::string word;
  int rows = 7;
  std::string last;
  EXPECT_EQ(check_last_status(ts(), at("status.db").c_str(), &word), -1);
  EXPECT_EQ(get_history_db_row(ts(), at("history.db").c_str(), &rows), -1);
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(query_last_time(ts(), at("history.db").c_str(), &last), -1);
  EXPECT_EQ(delete_last_history(ts(), at("history.db").c_str()), -1);
  EXPECT_EQ(marker_reader(ts(), at("increments/1/id0/marker.dat").c_str()).get_marker_db_status("a"), -1);
  EXPECT_FALSE(disk_exists(disk("status.db")));
  EXPECT_FALSE(disk_exists(disk("history.db")));

  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767225600, 250)), 1);
  ASSERT_EQ(create_status_db(ts(), at("status.db").c_str(), "init"), 0);
  ASSERT_EQ(check_last_status(ts(), at("status.db").c_str(), &word), 0);
  EXPECT_EQ(word, "init");
  ASSERT_EQ(query_last_time(ts(), at("history.db").c_str(), &last), 0);
  EXPECT_EQ(last, "2026-01-01T00:00:00.000250Z");

  // The schemas are the ones every reader knows, word for word; no journal is left.
  EXPECT_EQ(query(disk("status.db"), "select sql from sqlite_master;"),
            std::vector<std::string>{
                "CREATE TABLE status_tbl (No integer primary key,Real_status varchar(16))"});
  EXPECT_EQ(query(disk("history.db"), "select sql from sqlite_master;"),
            std::vector<std::string>{
                "CREATE TABLE time_tbl (No integer primary key,Real_time varchar(64))"});
  EXPECT_EQ(query(disk("history.db"), "select * from time_tbl;"),
            std::vector<std::string>{"1|2026-01-01T00:00:00.000250Z"});
  EXPECT_FALSE(disk_exists(disk("history.db-journal")));
  EXPECT_FALSE(disk_exists(disk("status.db-journal")));
}

TEST_P(TreeDbTest, StatusKeepsOneRowWithTheNewestWord) {
  for (const char* word : {"init", "delta", "delta", "cleaning", "complete"}) {
    ASSERT_EQ(create_status_db(ts(), at("status.db").c_str(), word), 0);
    std::string back;
    ASSERT_EQ(check_last_status(ts(), at("status.db").c_str(), &back), 0);
    EXPECT_EQ(back, word);
    EXPECT_EQ(query(disk("status.db"), "select * from status_tbl;"),
              std::vector<std::string>{std::string("1|") + word});
  }
  // A table without a row reads as an empty word.
  ASSERT_EQ(ts().dest().unlink(at("status.db")), 0);
  sqlite3* db = open_db(ts(), at("status.db").c_str());
  ASSERT_NE(db, nullptr);
  ASSERT_EQ(db_sqlite3_exec(db, "CREATE TABLE status_tbl (No integer primary key,Real_status "
                                "varchar(16));"),
            0);
  ASSERT_EQ(close_db(db), 0);
  std::string back = "x";
  EXPECT_EQ(check_last_status(ts(), at("status.db").c_str(), &back), 0);
  EXPECT_EQ(back, "");
}

TEST_P(TreeDbTest, StoppedFourthRunIsReplacedByTheNext) {
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767225600 + i * 3600, 0)), i);
    ASSERT_EQ(create_status_db(ts(), at("status.db").c_str(), "complete"), 0);
  }
  // The fourth is stopped while scanning.
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767225600 + 4 * 3600, 0)), 4);
  ASSERT_EQ(create_status_db(ts(), at("status.db").c_str(), "delta"), 0);

  // The next run finds it, drops its row and writes its own row 4.
  std::string word;
  ASSERT_EQ(check_last_status(ts(), at("status.db").c_str(), &word), 0);
  ASSERT_NE(word, "complete");
  EXPECT_EQ(delete_last_history(ts(), at("history.db").c_str()), 0);
  int rows = 0;
  ASSERT_EQ(get_history_db_row(ts(), at("history.db").c_str(), &rows), 0);
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767225600 + 5 * 3600, 0)), 4);
  std::string last;
  ASSERT_EQ(query_last_time(ts(), at("history.db").c_str(), &last), 0);
  EXPECT_EQ(last, "2026-01-01T05:00:00Z");
  EXPECT_EQ(query(disk("history.db"), "select No from time_tbl order by No;"),
            (std::vector<std::string>{"1", "2", "3", "4"}));
}

TEST_P(TreeDbTest, FullBackupAlwaysWritesVersionOne) {
  EXPECT_EQ(run(ACTION_FULL_BACKUP, at_time(1000, 0)), 1);
  EXPECT_EQ(run(ACTION_FULL_BACKUP, at_time(2000, 0)), 1);
  // A task that was incremental before starts again from 1 as well, with no gap.
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(3000, 0)), 2);
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(4000, 0)), 3);
  EXPECT_EQ(run(ACTION_FULL_BACKUP, at_time(5000, 0)), 1);
  EXPECT_EQ(query(disk("history.db"), "select * from time_tbl;"),
            std::vector<std::string>{"1|1970-01-01T01:23:20Z"});
}

TEST_P(TreeDbTest, MarkerStoresEveryNameExactly) {
  const std::vector<std::string> names = {
      "a.txt",     "say \"hi\".txt", "x\"); delete from exist_tbl; --", "File_path",
      "No",        "it's",           "pct%41",  "q?x", "ü/ß.txt", "two\nlines",
      "back\\slash"};
  std::string marker = at("increments/1/id0/marker.dat");
  ASSERT_EQ(share::mkdirs(ts().dest(), at("increments/1/id0")), 0);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, marker.c_str()));
  for (const std::string& n : names) {
    ASSERT_EQ(create_marker_db(marker.c_str(), n.c_str(), nullptr, MARKER_EXIST), 0) << n;
  }
  ASSERT_EQ(create_marker_db(marker.c_str(), "/src/link", "../target", MARKER_SYMBOLIC_LINK), 0);
  ASSERT_EQ(create_marker_db(marker.c_str(), "/src/j\"1", "/abs/t1", MARKER_JUNCTION), 0);
  ASSERT_EQ(create_marker_db(marker.c_str(), "/src/j2", "/abs/t2", MARKER_JUNCTION), 0);
  EXPECT_EQ(create_marker_db(marker.c_str(), "x", nullptr, 6), -1);
  ASSERT_EQ(commit_thread_db(DB_KEY_MARKER), 0);
  close_thread_db(DB_KEY_MARKER);

  for (const std::string& n : names) EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_status(n.c_str()), 0) << n;
  for (const char* absent : {"b.txt", "say", "File_time", "", "A.TXT"}) {
    EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_status(absent), 1) << absent;
  }
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"), "select count(*) from exist_tbl;"),
            std::vector<std::string>{std::to_string(names.size())});
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"),
                    "select sql from sqlite_master where name='junction_tbl';"),
            std::vector<std::string>{"CREATE TABLE junction_tbl (File_source_path "
                                     "varchar(256),File_destination_path varchar(256))"});

  EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_count(MARKER_SYMBOLIC_LINK), 1);
  EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_count(MARKER_JUNCTION), 2);
  EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_count(MARKER_HARD_LINK), 0);  // no table
  EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_count(MARKER_EXIST), 0);       // not a link kind
  std::string target, link;
  ASSERT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_file(1, MARKER_JUNCTION, &target, &link), 0);
  EXPECT_EQ(link, "/src/j\"1");
  EXPECT_EQ(target, "/abs/t1");
  ASSERT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_file(2, MARKER_JUNCTION, &target, &link), 0);
  EXPECT_EQ(target, "/abs/t2");
  EXPECT_EQ(marker_reader(ts(), marker.c_str()).get_marker_db_link_file(3, MARKER_JUNCTION, &target, &link), -1);
  EXPECT_TRUE(target.empty() && link.empty());

  // A version whose marker is missing.
  EXPECT_EQ(marker_reader(ts(), at("increments/2/id0/marker.dat").c_str()).get_marker_db_status("a.txt"), -1);
  EXPECT_FALSE(disk_exists(disk("increments/2/id0/marker.dat")));
}

TEST_P(TreeDbTest, FileTimesNewUnchangedChanged) {
  std::string file_time = at("file_time.db");
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, file_time.c_str()));
  const char* t1 = "2026-01-02 03:04:05";
  const char* t2 = "2026-01-02 03:04:06";
  // Asking only writes nothing, not even the table.
  EXPECT_EQ(search_file_time_db("sub/a.txt", t1, "id0", true), FILE_TIME_NEW);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t1, "id0", false), FILE_TIME_NEW);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t1, "id0", false), FILE_TIME_SAME);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id0", true), FILE_TIME_CHANGED);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t1, "id0", true), FILE_TIME_SAME);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id0", false), FILE_TIME_CHANGED);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id0", true), FILE_TIME_SAME);
  // Tables are per source.
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id1", true), FILE_TIME_NEW);
  // A name equal to a column name changes only its own row.
  EXPECT_EQ(search_file_time_db("File_path", t1, "id0", false), FILE_TIME_NEW);
  EXPECT_EQ(search_file_time_db("File_path", t2, "id0", false), FILE_TIME_CHANGED);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id0", true), FILE_TIME_SAME);
  EXPECT_EQ(search_file_time_db("x\" or \"1\"=\"1", t2, "id0", true), FILE_TIME_NEW);
  // Only the tree's own table names are taken.
  EXPECT_EQ(search_file_time_db("a", t1, "id0; drop table id0", false), -1);
  EXPECT_EQ(search_file_time_db("a", t1, "exist_tbl", false), -1);
  ASSERT_EQ(commit_thread_db(DB_KEY_FILE_TIME), 0);

  // A run that does not commit leaves the stored times as they were.
  EXPECT_EQ(db_sqlite3_exec(get_db_conn1(DB_KEY_FILE_TIME), "begin;"), 0);
  EXPECT_EQ(search_file_time_db("dropped.txt", t1, "id0", false), FILE_TIME_NEW);
  EXPECT_EQ(search_file_time_db("sub/a.txt", t1, "id0", false), FILE_TIME_CHANGED);
  close_thread_db(DB_KEY_FILE_TIME);
  EXPECT_EQ(get_db_conn1(DB_KEY_FILE_TIME), nullptr);
  EXPECT_EQ(query(disk("file_time.db"), "select File_path,File_time from id0 order by No;"),
            (std::vector<std::string>{std::string("sub/a.txt|") + t2,
                                      std::string("File_path|") + t2}));
  EXPECT_EQ(query(disk("file_time.db"), "select sql from sqlite_master where name='id0';"),
            std::vector<std::string>{"CREATE TABLE id0 (No integer primary key "
                                     "autoincrement,File_path varchar(256),File_time "
                                     "varchar(64))"});
  // Lookups go through an index on the path (it adds no row anywhere).
  EXPECT_EQ(query(disk("file_time.db"), "select name from sqlite_master where type='index';"),
            std::vector<std::string>{"id0_File_path"});
  EXPECT_FALSE(disk_exists(disk("file_time.db-journal")));
  // Without an open file_time.db there is nothing to ask.
  EXPECT_EQ(search_file_time_db("sub/a.txt", t2, "id0", true), -1);
}

// The thread's connections keep their statements and the tables they have seen for the
// transaction under way; a rollback takes back the tables made in it, and the next row
// makes them again.
TEST_P(TreeDbTest, RowsAfterARolledBackTransactionMakeTheirTablesAgain) {
  const char* t = "2026-01-02 03:04:05";
  std::string marker = at("increments/1/id0/marker.dat");
  ASSERT_EQ(share::mkdirs(ts().dest(), at("increments/1/id0")), 0);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, marker.c_str()));
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const char* rel : {"a.txt", "b.txt"}) {
      EXPECT_EQ(create_marker_db(marker.c_str(), rel, nullptr, MARKER_EXIST), 0) << rel;
      EXPECT_EQ(search_file_time_db(rel, t, "id0", false), FILE_TIME_NEW) << rel;
      EXPECT_EQ(search_file_time_db(rel, t, "id0", true), FILE_TIME_SAME) << rel;
    }
    for (db_key key : {DB_KEY_MARKER, DB_KEY_FILE_TIME}) {
      // A commit goes through commit_thread_db, which also writes the rows still waiting.
      if (round == 0) {
        EXPECT_EQ(db_sqlite3_exec(get_db_conn1(key), "rollback; begin;"), 0);
      } else {
        EXPECT_EQ(commit_thread_db(key), 0);
      }
    }
  }
  close_thread_dbs();
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"), "select File_path from exist_tbl;"),
            (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(query(disk("file_time.db"), "select File_path,File_time from id0;"),
            (std::vector<std::string>{std::string("a.txt|") + t, std::string("b.txt|") + t}));
}

TEST_P(TreeDbTest, SameTimeCountsAsUnchangedWhateverTheSize) {
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  std::string src = tmp_ + "/source.txt";
  test_support::write_file(src, "short");
  auto time_text = [&] {
    struct stat st;
    EXPECT_EQ(::stat(src.c_str(), &st), 0);
    struct tm tm;
    gmtime_r(&st.st_mtime, &tm);
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return std::string(out);
  };
  struct utimbuf fixed{1700000000, 1700000000};
  ASSERT_EQ(::utime(src.c_str(), &fixed), 0);
  std::string before = time_text();
  EXPECT_EQ(search_file_time_db("source.txt", before.c_str(), "id0", false), FILE_TIME_NEW);
  test_support::write_file(src, "a good deal longer than before");
  ASSERT_EQ(::utime(src.c_str(), &fixed), 0);
  EXPECT_EQ(search_file_time_db("source.txt", time_text().c_str(), "id0", true), FILE_TIME_SAME);
}

TEST_P(TreeDbTest, TwoTreesWrittenAtOnceFromTwoThreads) {
  std::atomic<int> failures{0};
  auto run_tree = [&](const char* uuid, glong start) {
    session_t s = make_task(destination_, ACTION_INCREMENTAL, uuid);
    std::unique_ptr<tree_session> local = tree_session::connect(s);
    if (!local) {
      ++failures;
      return;
    }
    std::string tree = local->destination_path() + "/" + uuid;
    share::mkdirs(local->dest(), tree + "/increments/1/id0");
    for (int version = 1; version <= 3; ++version) {
      int n = 0;
      GTimeVal t = at_time(start + version, 0);
      if (create_history_db(*local, (tree + "/history.db").c_str(), &s, &n, &t) != 0 || n != version) {
        ++failures;
      }
      if (create_status_db(*local, (tree + "/status.db").c_str(), "init") != 0) ++failures;
    }
    std::string marker = tree + "/increments/1/id0/marker.dat";
    if (!open_thread_db(*local, DB_KEY_MARKER, marker.c_str()) ||
        !open_thread_db(*local, DB_KEY_FILE_TIME, (tree + "/file_time.db").c_str())) {
      ++failures;
    }
    for (int i = 0; i < 300; ++i) {
      std::string rel = std::string(uuid).substr(0, 4) + "/" + std::to_string(i);
      if (create_marker_db(marker.c_str(), rel.c_str(), nullptr, MARKER_EXIST) != 0) ++failures;
      if (search_file_time_db(rel.c_str(), "2026-01-01 00:00:00", "id0", false) != 0) ++failures;
    }
    if (commit_thread_db(DB_KEY_MARKER) != 0 || commit_thread_db(DB_KEY_FILE_TIME) != 0) {
      ++failures;
    }
    if (create_status_db(*local, (tree + "/status.db").c_str(), "complete") != 0) ++failures;
    // The run's databases close before the connection goes, and are the thread's no more.
    close_thread_dbs();
    local.reset();
    if (get_db_conn() != nullptr || get_db_conn1(DB_KEY_FILE_TIME) != nullptr) ++failures;
  };
  std::thread a(run_tree, kUuid, 1000);
  std::thread b(run_tree, kUuid2, 2000);
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
  for (const char* uuid : {kUuid, kUuid2}) {
    std::string tree = disk_ + "/" + uuid;
    EXPECT_EQ(query(tree + "/history.db", "select count(*) from time_tbl;"),
              std::vector<std::string>{"3"});
    EXPECT_EQ(query(tree + "/status.db", "select Real_status from status_tbl;"),
              std::vector<std::string>{"complete"});
    std::string prefix = std::string(uuid).substr(0, 4) + "/%";
    EXPECT_EQ(query(tree + "/increments/1/id0/marker.dat",
                      "select count(*) from exist_tbl where File_path like '" + prefix + "';"),
              std::vector<std::string>{"300"});
    EXPECT_EQ(query(tree + "/file_time.db", "select count(*) from id0;"),
              std::vector<std::string>{"300"});
  }
}

TEST_P(TreeDbTest, LastRunTimeComesFromTheDestinationsHistory) {
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767225600, 0)), 1);
  EXPECT_EQ(run(ACTION_INCREMENTAL, at_time(1767229200, 500000)), 2);
  // The loader asks from a thread of its own connection (here: not the test's).
  auto ask = [](session_t s) {
    int rc = -2;
    std::thread t([&] { rc = update_session_last_time_from_db(&s); });
    t.join();
    return std::make_pair(rc, s.last_time);
  };
  session_t s = task_;
  s.last_time = "stale";
  EXPECT_EQ(ask(s), std::make_pair(0, std::string("2026-01-01T01:00:00.500000Z")));
  // A task without a tree yet: no time, and no tree made by asking.
  session_t other = make_task(destination_, ACTION_INCREMENTAL, kUuid2);
  EXPECT_EQ(ask(other), std::make_pair(-1, std::string()));
  EXPECT_FALSE(disk_exists(disk_ + "/" + kUuid2));
  // A destination that cannot be reached.
  session_t gone = make_task(GetParam() == where::smb ? "\\\\127.0.0.1\\missing" : tmp_ + "/x",
                             ACTION_INCREMENTAL);
  EXPECT_EQ(ask(gone), std::make_pair(-1, std::string()));
  std::lock_guard<std::mutex> lock(log_file_mutex);
  ASSERT_FALSE(log_list.empty());
  EXPECT_EQ(log_list.back().content, "The network resource can not be accessed.");
  EXPECT_EQ(log_list.back().type, "error");
  EXPECT_EQ(log_list.back().uuid, kUuid);
}

TEST_P(TreeDbTest, RunCutShortIsRolledBackAtTheNextOpen) {
  const char* t = "2026-01-01 00:00:00";
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(search_file_time_db(("kept/" + std::to_string(i)).c_str(), t, "id0", false), 0);
  }
  ASSERT_EQ(commit_thread_db(DB_KEY_FILE_TIME), 0);
  // The child below makes a connection of its own; it must not share this one's socket.
  close_thread_dbs();
  session_.reset();

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A run that writes far more than its page cache holds, then dies without a word.
    session_t s = task_;
    std::unique_ptr<tree_session> child_session = tree_session::connect(s);
    if (!child_session) _exit(2);
    if (!open_thread_db(*child_session, DB_KEY_FILE_TIME, at("file_time.db").c_str())) _exit(3);
    sqlite3_exec(get_db_conn1(DB_KEY_FILE_TIME), "PRAGMA cache_size=10;", nullptr, nullptr,
                 nullptr);
    for (int i = 0; i < 5000; ++i) {
      std::string rel = "lost/" + std::to_string(i) + "/" + std::string(40, 'x');
      if (search_file_time_db(rel.c_str(), t, "id0", false) != 0) _exit(4);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_TRUE(disk_exists(disk("file_time.db-journal")));  // the run left its journal

  session_ = tree_session::connect(task_);
  ASSERT_TRUE(session_);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  EXPECT_EQ(search_file_time_db("kept/49", t, "id0", true), FILE_TIME_SAME);
  EXPECT_EQ(search_file_time_db(("lost/1/" + std::string(40, 'x')).c_str(), t, "id0", true),
            FILE_TIME_NEW);
  close_thread_db(DB_KEY_FILE_TIME);
  EXPECT_EQ(query(disk("file_time.db"), "select count(*) from id0;"),
            std::vector<std::string>{"50"});
  EXPECT_EQ(query(disk("file_time.db"), "pragma integrity_check;"),
            std::vector<std::string>{"ok"});
  EXPECT_FALSE(disk_exists(disk("file_time.db-journal")));
}

// Writes to a share are gathered and sent at the syncs; a transaction far larger than its page
// cache reads back the pages it spilled (some of them still gathered), within the transaction
// and after its commit.
TEST_P(TreeDbTest, ATransactionLargerThanItsPageCacheReadsBackWhatItWrote) {
  const char* t = "2026-01-01 00:00:00";
  // Names in a scattered order: the index's pages are spilled and read again at random.
  auto rel = [](int i) {
    return "spill/" + std::to_string((i * 7919) % 3000) + "/" + std::string(40, 'y');
  };
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  sqlite3_exec(get_db_conn1(DB_KEY_FILE_TIME), "PRAGMA cache_size=10;", nullptr, nullptr,
               nullptr);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(search_file_time_db(rel(i).c_str(), t, "id0", false), 0);
  }
  EXPECT_EQ(search_file_time_db(rel(0).c_str(), t, "id0", true), FILE_TIME_SAME);
  EXPECT_EQ(search_file_time_db(rel(2999).c_str(), "2026-01-01 00:00:01", "id0", true),
            FILE_TIME_CHANGED);
  ASSERT_EQ(commit_thread_db(DB_KEY_FILE_TIME), 0);
  close_thread_db(DB_KEY_FILE_TIME);
  EXPECT_EQ(query(disk("file_time.db"), "select count(*) from id0;"),
            std::vector<std::string>{"3000"});
  EXPECT_EQ(query(disk("file_time.db"), "pragma integrity_check;"),
            std::vector<std::string>{"ok"});
  EXPECT_FALSE(disk_exists(disk("file_time.db-journal")));
}

// A database planted in the tree is data, never code that runs: one whose schema holds a
// view, a trigger or a virtual table is refused by every helper at once (before the fix, the
// endless view held the reading thread for good), and the run learns why.
TEST_P(TreeDbTest, DatabasesHoldingMoreThanPlainTablesAreRefusedAtOnce) {
  const char* endless =
      "AS WITH RECURSIVE r(a) AS (SELECT 1 UNION ALL SELECT a + 1 FROM r) SELECT a, 'x' FROM r;";
  struct planted_t {
    const char* file;
    std::string schema;
    const char* held;  // what the refusal names
    std::function<bool()> refused;  // the helpers that read the file, all refusing it
  } cases[] = {
      {"history.db", std::string("CREATE VIEW time_tbl (No, Real_time) ") + endless,
       "view time_tbl",
       [&] {
         std::string last;
         int rows = 0;
         int n = 0;
         GTimeVal start = at_time(1767225600, 0);
         return query_last_time(ts(), at("history.db").c_str(), &last) == -1 && last.empty() &&
                get_history_db_row(ts(), at("history.db").c_str(), &rows) == -1 &&
                delete_last_history(ts(), at("history.db").c_str()) == -1 &&
                create_history_db(ts(), at("history.db").c_str(), &task_, &n, &start) == -1;
       }},
      {"status.db",
       "CREATE TABLE status_tbl (No integer primary key,Real_status varchar(16));"
       "INSERT INTO status_tbl VALUES (1, 'complete');"
       "CREATE TRIGGER keep AFTER DELETE ON status_tbl BEGIN INSERT INTO status_tbl "
       "(Real_status) SELECT Real_status FROM status_tbl; END;",
       "trigger keep",
       [&] {
         std::string word = "untouched";
         return check_last_status(ts(), at("status.db").c_str(), &word) == -1 && word.empty() &&
                create_status_db(ts(), at("status.db").c_str(), "init") == -1;
       }},
      {"file_time.db", std::string("CREATE VIEW id0 (No, File_path, File_time) ") + endless,
       "view id0", [&] { return !open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()); }},
      {"marker.dat", std::string("CREATE VIEW exist_tbl (No, File_path) ") + endless,
       "view exist_tbl",
       [&] {
         return marker_reader(ts(), at("marker.dat").c_str()).get_marker_db_status("a.txt") == -1 &&
                marker_reader(ts(), at("marker.dat").c_str()).get_marker_db_link_count(MARKER_SYMBOLIC_LINK) == -1;
       }},
  };
  for (const planted_t& c : cases) {
    SCOPED_TRACE(c.file);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(disk(c.file).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, c.schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const char* schema = "select type, name, sql from sqlite_master order by name;";
    std::vector<std::string> planted = query(disk(c.file), schema);
    ts().take_refused(nullptr, nullptr);
    // On a thread of its own, so that a helper that never returns
    // fails the test instead of holding it.
    std::promise<bool> done;
    std::future<bool> answer = done.get_future();
    std::thread([&] {
      bool refused = c.refused();
      std::string refused_path;
      std::string why;
      refused = refused && ts().take_refused(&refused_path, &why) &&
                refused_path == at(c.file) && why == c.held;
      done.set_value(refused);
    }).detach();
    if (answer.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "a helper is still reading " << c.file;
      std::_Exit(1);  // the thread cannot be stopped
    }
    EXPECT_TRUE(answer.get());
    // Refused, not rewritten: the planted file is as it was.
    EXPECT_EQ(query(disk(c.file), schema), planted);
  }
}

// The scan reads the times and sizes of a folder's files at once, in one range of each path
// index, where it used to look up each file: both must answer alike for every name, also for
// names that sort next to a subfolder's paths ("a/b" beside "a.b", "a0", "a/b/c"), bytes above
// 0x7f, a name stored twice and paths of files further down.
TEST_P(TreeDbTest, AFoldersRowsReadAtOnceAreWhatEachLookupFinds) {
  const std::vector<std::string> paths = {
      "top.txt", "a", "a.b", "a0", "a/b", "a/b.txt", "a/b/c", "a/b/c/d", "a/b0", "a/bb",
      "a/\xc3\xa9t\xc3\xa9", "a/\xff", "a/z", "a/z/deep/file", "a./x", "b/only/below",
      "sub/f1", "sub/f2", "sub/f2/x"};
  std::map<std::string, std::string> times;
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_FILE_TIME, at("file_time.db").c_str()));
  for (size_t i = 0; i < paths.size(); ++i) {
    times[paths[i]] = "2026-01-02 03:04:" + std::to_string(10 + i);
    ASSERT_EQ(search_file_time_db(paths[i].c_str(), times[paths[i]].c_str(), "id0", false),
              FILE_TIME_NEW) << paths[i];
  }
  // A second row of the same path (an older tree may hold one): the first one counts.
  sqlite3* ft = get_db_conn1(DB_KEY_FILE_TIME);
  ASSERT_EQ(db_sqlite3_exec(ft, "insert into id0(File_path,File_time)values('a/b','later');"), 0);

  ASSERT_EQ(share::mkdirs(ts().dest(), at("increments/1/id0")), 0);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, at("increments/1/id0/marker.dat").c_str()));
  for (size_t i = 0; i < paths.size(); ++i) {
    entry_attributes_t a;
    a.size = static_cast<int64_t>(100 + i);
    ASSERT_EQ(record_attributes(paths[i].c_str(), a), 0);
  }
  ASSERT_EQ(finish_marker(), 0);
  ASSERT_EQ(commit_thread_db(DB_KEY_MARKER), 0);
  close_thread_db(DB_KEY_MARKER);
  marker_reader previous(ts(), at("increments/1/id0/marker.dat"));

  for (const std::string folder : {"", "a", "a/b", "a/z", "a.", "b", "b/only", "sub", "none"}) {
    SCOPED_TRACE("folder '" + folder + "'");
    std::vector<std::pair<std::string, std::string>> read;
    ASSERT_TRUE(folder_file_times("id0", folder, 1000, &read));
    std::vector<std::pair<std::string, int64_t>> sizes;
    ASSERT_TRUE(previous.folder_sizes(folder, 1000, &sizes));
    std::vector<std::pair<std::string, std::string>> want_times;
    std::vector<std::pair<std::string, int64_t>> want_sizes;
    std::string prefix = folder.empty() ? "" : folder + "/";
    for (const std::string& p : std::set<std::string>(paths.begin(), paths.end())) {
      if (p.compare(0, prefix.size(), prefix) != 0) continue;
      std::string name = p.substr(prefix.size());
      if (name.find('/') != std::string::npos) continue;
      ASSERT_EQ(search_file_time_db(p.c_str(), times[p].c_str(), "id0", true), FILE_TIME_SAME) << p;
      want_times.emplace_back(name, times[p]);
      int64_t size = -1;
      ASSERT_EQ(previous.previous_size(p.c_str(), &size), 1) << p;
      want_sizes.emplace_back(name, size);
    }
    EXPECT_EQ(read, want_times);
    EXPECT_EQ(sizes, want_sizes);
  }
  // More rows than the caller takes: it is told, and asks name by name.
  std::vector<std::pair<std::string, std::string>> read;
  EXPECT_FALSE(folder_file_times("id0", "a", 3, &read));
  EXPECT_TRUE(read.empty());
  // No table yet: no rows, as each lookup would answer.
  EXPECT_TRUE(folder_file_times("id7", "", 1000, &read));
  EXPECT_TRUE(read.empty());
  // A planted path with a NUL byte below a folder cannot bound a range: that folder is asked
  // name by name (never a walk that comes back to the same row), the others are not touched.
  ASSERT_EQ(db_sqlite3_exec(ft, "insert into id0(File_path,File_time)values('a/x' || char(0) || 'y/z','t');"), 0);
  EXPECT_FALSE(folder_file_times("id0", "a", 1000, &read));
  EXPECT_TRUE(folder_file_times("id0", "sub", 1000, &read));
  EXPECT_EQ(read.size(), 2u);
}

// The marker's rows by path and its attributes are written in batches; they reach the file in
// the order of the walk, all of them, whatever the batch size, and none of a run that did not
// commit.
TEST_P(TreeDbTest, BatchedMarkerRowsKeepTheirOrderAndGoWithTheirTransaction) {
  std::string marker = at("increments/1/id0/marker.dat");
  ASSERT_EQ(share::mkdirs(ts().dest(), at("increments/1/id0")), 0);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, marker.c_str()));
  std::vector<std::string> want;
  for (int i = 0; i < 75; ++i) {
    std::string rel = "f" + std::to_string(74 - i);
    want.push_back(rel);
    ASSERT_EQ(create_marker_db(marker.c_str(), rel.c_str(), nullptr, MARKER_EXIST), 0);
    entry_attributes_t a;
    a.size = i;
    ASSERT_EQ(record_attributes(rel.c_str(), a), 0);
    if (i == 40) {
      ASSERT_EQ(create_marker_db(marker.c_str(), "/s/l", "t", MARKER_SYMBOLIC_LINK), 0);
    }
  }
  ASSERT_EQ(finish_marker(), 0);
  ASSERT_EQ(commit_thread_db(DB_KEY_MARKER), 0);
  close_thread_db(DB_KEY_MARKER);
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"), "select File_path from exist_tbl order by No;"), want);
  std::vector<std::string> with_sizes;
  for (int i = 0; i < 75; ++i) with_sizes.push_back(want[i] + "|" + std::to_string(i));
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"),
                  "select File_path,File_size from attribute_tbl order by rowid;"),
            with_sizes);
  EXPECT_EQ(query(disk("increments/1/id0/marker.dat"), "select seq from sqlite_sequence;"),
            std::vector<std::string>{"75"});

  // A marker that is not committed keeps none of its rows, not even those still waiting.
  std::string other = at("increments/2/id0/marker.dat");
  ASSERT_EQ(share::mkdirs(ts().dest(), at("increments/2/id0")), 0);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, other.c_str()));
  ASSERT_EQ(create_marker_db(other.c_str(), "kept", nullptr, MARKER_EXIST), 0);
  ASSERT_EQ(commit_thread_db(DB_KEY_MARKER), 0);
  ASSERT_EQ(db_sqlite3_exec(get_db_conn(), "begin;"), 0);
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(create_marker_db(other.c_str(), ("dropped" + std::to_string(i)).c_str(), nullptr,
                               MARKER_EXIST), 0);
  }
  close_thread_db(DB_KEY_MARKER);
  ASSERT_TRUE(open_thread_db(ts(), DB_KEY_MARKER, other.c_str()));
  ASSERT_EQ(commit_thread_db(DB_KEY_MARKER), 0);
  close_thread_db(DB_KEY_MARKER);
  EXPECT_EQ(query(disk("increments/2/id0/marker.dat"), "select File_path from exist_tbl;"),
            std::vector<std::string>{"kept"});
}

INSTANTIATE_TEST_SUITE_P(Backends, TreeDbTest, ::testing::Values(where::local, where::smb),
                         [](const auto& info) {
                           return info.param == where::local ? "Local" : "Smb";
                         });

TEST(TreeDbTable, FreeTableClearsAndLeavesACleared) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  char** table = nullptr;
  int rows = 0, columns = 0;
  char* error = nullptr;
  ASSERT_EQ(db_sqlite3_get_table(db, "select 1, 'a';", &table, &rows, &columns, &error), 0);
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(columns, 2);
  EXPECT_STREQ(table[3], "a");
  db_sqlite3_free_table(&table);
  EXPECT_EQ(table, nullptr);
  db_sqlite3_free_table(&table);
  EXPECT_EQ(db_sqlite3_exec(db, "not sql"), -1);
  EXPECT_EQ(close_db(db), 0);
  EXPECT_EQ(close_db(nullptr), 0);
}

}  // namespace
