// The guards on databases read from a task tree: only plain tables pass, and a statement
// that never ends is cut off instead of holding its thread.
#include "tree_db_guard.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace {

using tessaly::tree_db::check_plain_tables;
using tessaly::tree_db::open_check;
using tessaly::tree_db::query_bound;

struct memory_db {
  memory_db() { sqlite3_open(":memory:", &db); }
  ~memory_db() { sqlite3_close(db); }
  void exec(const char* sql) { ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
  sqlite3* db = nullptr;
};

TEST(TreeDbGuardTest, OnlyPlainTablesAndTheirIndexesPass) {
  struct schema_case {
    const char* sql;
    bool plain;
    const char* named;  // what the refusal names
  };
  const schema_case cases[] = {
      {"", true, ""},
      {"CREATE TABLE time_tbl (Backup_number integer, Backup_time varchar(32));", true, ""},
      {"CREATE TABLE t (a); CREATE INDEX t_a ON t(a);", true, ""},
      {"CREATE TABLE t (a INTEGER PRIMARY KEY AUTOINCREMENT);", true, ""},  // sqlite_sequence
      {"CREATE VIEW time_tbl AS WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) "
       "SELECT x AS Backup_number, '' AS Backup_time FROM r;",
       false, "view time_tbl"},
      {"CREATE TABLE t (a); CREATE TRIGGER t_ins AFTER INSERT ON t BEGIN SELECT 1; END;", false,
       "trigger t_ins"},
      {"CREATE VIRTUAL TABLE v USING rtree(id, x0, x1);", false, "table v"},
  };
  for (const auto& c : cases) {
    memory_db m;
    m.exec(c.sql);
    std::string why;
    EXPECT_EQ(open_check(m.db, &why), c.plain ? 0 : -1) << c.sql;
    if (!c.plain) {
      EXPECT_EQ(why, c.named) << c.sql;
    }
  }
}

TEST(TreeDbGuardTest, AStatementThatNeverEndsIsInterrupted) {
  memory_db m;
  query_bound bound(m.db, 1'000'000);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(m.db,
                               "WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r) "
                               "SELECT count(*) FROM r;",
                               -1, &stmt, nullptr),
            SQLITE_OK);
  EXPECT_EQ(sqlite3_step(stmt), SQLITE_INTERRUPT);
  EXPECT_TRUE(bound.tripped());
  sqlite3_finalize(stmt);
}

TEST(TreeDbGuardTest, AResetBeforeEachStepLetsALongWalkFinish) {
  memory_db m;
  m.exec("CREATE TABLE t (a); WITH RECURSIVE r(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM r "
         "WHERE x < 20000) INSERT INTO t SELECT x FROM r;");
  // The whole walk costs more than the bound allows, each step far less.
  query_bound bound(m.db, 20'000);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(m.db, "SELECT a FROM t;", -1, &stmt, nullptr), SQLITE_OK);
  int rows = 0;
  int rc;
  for (;;) {
    bound.reset();
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) break;
    ++rows;
  }
  EXPECT_EQ(rc, SQLITE_DONE);
  EXPECT_EQ(rows, 20000);
  EXPECT_FALSE(bound.tripped());
  sqlite3_finalize(stmt);
}

}  // namespace
