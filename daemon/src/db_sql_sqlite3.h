// The databases of a task tree: status.db (state of the newest run), history.db (one row per
// version) and file_time.db (last-write time of every file copied, one table per source),
// and the calling thread's open databases of a run. marker.dat has a module of its own
// (marker_file.h).
//
// Paths are formed by the caller (destination path, "/", uuid, ...); every database is
// reached through the run's tree session (tree_session.h), on the thread that runs it.
// Values go into the statements as bound parameters; the tables and the stored texts are
// those the controller and older trees read.
//
// Results are 0 for success and -1 for failure unless said otherwise. Helpers that only
// read never create a database file. A database whose schema holds more than plain tables
// (a view, a trigger, a virtual table) is never used: it fails like one that cannot be
// opened, and the session's take_refused tells the run why.
#pragma once

#include <glib.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "session.h"

// Answers of search_file_time_db.
enum file_time_state { FILE_TIME_NEW = 0, FILE_TIME_SAME = 1, FILE_TIME_CHANGED = 2 };

struct sqlite3_closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using sqlite3_ptr = std::unique_ptr<sqlite3, sqlite3_closer>;

class tree_session;

// Opens (creating when missing) a database of the tree; null on failure.
sqlite3* open_db(tree_session& s, const char* path);
// Runs "COMMIT TRANSACTION;" and closes; a null connection is left alone.
int close_db(sqlite3* db);
int db_sqlite3_exec(sqlite3* db, const char* sql);
int db_sqlite3_get_table(sqlite3* db, const char* sql, char*** result, int* rows, int* columns,
                         char** error);
// Frees and clears the table; a cleared table is left alone.
void db_sqlite3_free_table(char*** result);

// Statements run on the task trees' databases since the count was reset, by every thread:
// what a run asks of SQLite, for the tests and the benchmark (as the share layer counts its
// requests), so that a change that makes a walk ask per entry again does not go unseen.
uint64_t tree_statements_run();
void reset_tree_statements_run();

// The calling thread's open databases of a backup run: its marker.dat (`global_conn`) and
// its file_time.db (`global_conn_file_time`). Each keeps the statements that the helpers
// below prepare until it is closed, so that a walk prepares each of them once.
enum db_key { DB_KEY_MARKER = 0, DB_KEY_FILE_TIME = 1 };
// Opens the database at `path` for the calling thread under `key` and runs "begin;" on it.
// An earlier one under the key is rolled back and closed first.
bool open_thread_db(tree_session& s, db_key key, const char* path);
sqlite3* get_db_conn();
sqlite3* get_db_conn1(db_key key);
// Writes the rows that wait in the connection's batches (the marker's rows by path and its
// attributes) and runs "commit;" on the thread's database under key. The thread's databases
// are committed only so: a plain "commit;" would leave the waiting rows out.
int commit_thread_db(db_key key);
// Closes the thread's database under key; what it did not commit is dropped.
void close_thread_db(db_key key);
// Closes both of the calling thread's databases.
void close_thread_dbs();

// The calling thread's database under a key, open while this handle lives: a run holds one
// per key, declared after its tree session, so that the database is closed (what it did not
// commit dropped) before the session lets the tree go.
class thread_db {
 public:
  explicit thread_db(db_key key) : key_(key) {}
  ~thread_db() { close(); }
  thread_db(const thread_db&) = delete;
  thread_db& operator=(const thread_db&) = delete;
  bool open(tree_session& s, const char* path) { return open_thread_db(s, key_, path); }
  int commit() { return commit_thread_db(key_); }
  void close() { close_thread_db(key_); }

 private:
  db_key key_;
};
// The update flag of the run (`global_need_update_last`): set by the scan when it finds
// anything to copy.
bool& need_update_last();

// history.db: appends the run's row (start time) and gives its version number n. A full
// backup (action 0) starts the tree again from version 1. Under db_sqlite_mutex.
int create_history_db(tree_session& s, const char* path, const session_t* session, int* n,
                      const GTimeVal* start);
// status.db: the state word of the newest run ("init", "delta", "cleaning", "complete").
int create_status_db(tree_session& s, const char* path, const char* word);
// 0 with the stored word (empty for a table without a row), -1 when it cannot be read.
int check_last_status(tree_session& s, const char* path, std::string* out);
// 0 when the newest row was deleted.
int delete_last_history(tree_session& s, const char* path);
// 0 with the number of rows.
int get_history_db_row(tree_session& s, const char* path, int* n);
// 0 with the newest run's time text.
int query_last_time(tree_session& s, const char* path, std::string* out);

// file_time.db through the thread's connection: 0 new, 1 unchanged, 2 changed, -1 error.
// Unless query_only, the time is also recorded (table made when missing, row inserted or
// updated). `table` is the source's folder name in the tree ("id0", "id1", ...).
int search_file_time_db(const char* file, const char* time, const char* table, bool query_only);
// The recorded times of the files right inside `folder` ("" for the source folder, else a
// relative path) in the table, as (name, time) in the order of the names' bytes: what
// search_file_time_db would answer for each of them, read at once. True with none when the
// table does not exist; false when they cannot be read so (an error, or more than `limit`).
bool folder_file_times(const char* table, const std::string& folder, size_t limit,
                       std::vector<std::pair<std::string, std::string>>* out);
// Forgets the time of `file` in the table (with below_only: of every path under `file`/
// instead), so that the next run copies it again. 0, or -1 on error; a missing table or row
// is no error.
int forget_file_time(const char* file, const char* table, bool below_only);
