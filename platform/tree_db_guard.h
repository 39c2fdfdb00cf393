// Guards for SQLite databases read from a task tree.
//
// A task tree lies on a NAS or a folder that others may write, so its databases (status.db,
// history.db, marker.dat, file_time.db) are data, not code: a planted history.db whose
// time_tbl is a view over an endless recursive query, or a trigger that runs on every read,
// would otherwise hold the reading thread for good. Both programs therefore use such a
// database only when its schema holds plain tables and their indexes, and bound the work of
// every statement with a progress handler; callers cap the rows they take from one query.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace tessaly::tree_db {

// Most rows any reader takes from one query of a task tree's database. A tree holds one
// history row per version and one marker row per entry; more than this is a damaged tree.
inline constexpr int64_t kMaxRows = 50'000'000;

// Turns off what lets a database file run code of its own: the schema is not trusted
// (functions with side effects stay out of views, triggers and indexes) and defensive mode
// keeps the schema from being written by SQL. Call once after the open.
void harden(sqlite3* db);

// 0 when every object in sqlite_master is a plain table or an index (or SQLite's own
// internal table); -1 otherwise, with *why naming the object ("view time_tbl"), or the
// SQLite error when the schema cannot be read. An empty database passes.
int check_plain_tables(sqlite3* db, std::string* why);

// A bound on the work of one statement: while it lives, a progress handler on the
// connection interrupts any statement (SQLITE_INTERRUPT) that runs more than `max_ops`
// virtual-machine steps since the bound was made or last reset. A long walk resets it
// before each sqlite3_step, so only a single step that never ends is cut off. One bound per
// connection at a time; the handler is removed when it goes.
class query_bound {
 public:
  static constexpr uint64_t kDefaultOps = 500'000'000;

  explicit query_bound(sqlite3* db, uint64_t max_ops = kDefaultOps);
  ~query_bound();
  query_bound(const query_bound&) = delete;
  query_bound& operator=(const query_bound&) = delete;

  void reset() { calls_ = 0; }
  // True once a statement was interrupted under this bound.
  bool tripped() const { return tripped_; }

 private:
  static int on_progress(void* self);

  sqlite3* db_;
  uint64_t max_calls_;
  uint64_t calls_ = 0;
  bool tripped_ = false;
};

// harden() and check_plain_tables() under a query_bound: the check a reader runs once on a
// freshly opened database of a task tree before its first query.
int open_check(sqlite3* db, std::string* why);

}  // namespace tessaly::tree_db
