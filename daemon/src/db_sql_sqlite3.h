// The databases of a task tree: status.db (state of the newest run), history.db (one row per
// version), marker.dat (what existed in one source at one version, and its links) and
// file_time.db (last-write time of every file copied, one table per source).
//
// Paths are formed by the caller (destination path, "/", uuid, ...); a tree on an SMB share
// is reached through the calling thread's connection (see mount_disk), so every helper runs
// on the thread that mounted. Values go into the statements as bound parameters; the
// tables and the stored texts are those the controller and older trees read.
//
// Results are 0 for success and -1 for failure unless said otherwise. Helpers that only
// read never create a database file. A database whose schema holds more than plain tables
// (a view, a trigger, a virtual table) is never used: it fails like one that cannot be
// opened, and take_refused_database tells the run why.
#pragma once

#include <glib.h>
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include "session.h"

// Kinds of marker.dat rows; the number picks the table.
enum marker_kind {
  MARKER_EXIST = 0,          // exist_tbl: every file taken and folder entered
  MARKER_NEW = 1,            // new_tbl: read beside exist_tbl, written by no run
  MARKER_SYMBOLIC_LINK = 2,  // symbolic_link_tbl
  MARKER_JUNCTION = 3,       // junction_tbl
  MARKER_SHORTCUT = 4,       // shortcut_tbl
  MARKER_HARD_LINK = 5,      // hard_link_tbl
};

// Answers of search_file_time_db.
enum file_time_state { FILE_TIME_NEW = 0, FILE_TIME_SAME = 1, FILE_TIME_CHANGED = 2 };

struct sqlite3_closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using sqlite3_ptr = std::unique_ptr<sqlite3, sqlite3_closer>;

// The last database of a tree that the calling thread refused for its schema: true once with
// its path and what it holds ("view time_tbl"), then false until the next refusal.
bool take_refused_database(std::string* path, std::string* why);

// Opens (creating when missing) a database of the tree; null on failure.
sqlite3* open_db(const char* path);
// Runs "COMMIT TRANSACTION;" and closes; a null connection is left alone.
int close_db(sqlite3* db);
int db_sqlite3_exec(sqlite3* db, const char* sql);
int db_sqlite3_get_table(sqlite3* db, const char* sql, char*** result, int* rows, int* columns,
                         char** error);
// Frees and clears the table; a cleared table is left alone.
void db_sqlite3_free_table(char*** result);

// The calling thread's open databases of a backup run: its marker.dat (`global_conn`) and
// its file_time.db (`global_conn_file_time`). Each keeps the statements that the helpers
// below prepare until it is closed, so that a walk prepares each of them once.
enum db_key { DB_KEY_MARKER = 0, DB_KEY_FILE_TIME = 1 };
// Opens the database at `path` for the calling thread under `key` and runs "begin;" on it.
// An earlier one under the key is rolled back and closed first.
bool open_thread_db(db_key key, const char* path);
sqlite3* get_db_conn();
sqlite3* get_db_conn1(db_key key);
// "commit;" on the thread's database under key.
int commit_thread_db(db_key key);
// Closes the thread's database under key; what it did not commit is dropped.
void close_thread_db(db_key key);
// Closes everything the calling thread holds open in a tree (both keys and the markers kept
// open by get_marker_db_status). umount_disk calls it before the connection goes.
void close_thread_dbs();
// The update flag of the run (`global_need_update_last`): set by the scan when it finds
// anything to copy.
bool& need_update_last();

// history.db: appends the run's row (start time) and gives its version number n. A full
// backup (action 0) starts the tree again from version 1. Under db_sqlite_mutex.
int create_history_db(const char* path, const session_t* session, int* n, const GTimeVal* start);
// status.db: the state word of the newest run ("init", "delta", "cleaning", "complete").
int create_status_db(const char* path, const char* word);
// 0 with the stored word (empty for a table without a row), -1 when it cannot be read.
int check_last_status(const char* path, std::string* out);
// 0 when the newest row was deleted.
int delete_last_history(const char* path);
// 0 with the number of rows.
int get_history_db_row(const char* path, int* n);
// 0 with the newest run's time text.
int query_last_time(const char* path, std::string* out);

// Adds a row to the kind's table of the thread's marker.dat (`file` alone for kinds 0 and
// 1, `file` and `target` for 2 to 5), making the table when missing. `path` names the
// marker in messages only.
int create_marker_db(const char* path, const char* file, const char* target, int kind);
// -1 when the marker does not exist or cannot be read, 0 when `file` is listed in
// exist_tbl or new_tbl, 1 when not.
int get_marker_db_status(const char* marker, const char* file);
// Rows of the kind's table (kinds 2 to 5); 0 for other kinds or on failure.
long get_marker_db_link_count(const char* marker, int kind);
// 0 with the target and the link path of row `row` (1-based), or -1 with both cleared.
int get_marker_db_link_file(const char* marker, long row, int kind, std::string* target,
                            std::string* link);

// Tables of marker.dat added beside the specified ones (older trees have none of them, and
// readers that do not know them are not affected):
//   attribute_tbl  what each entry of the version was: every file taken, every folder
//                  entered, every link recorded, and the source folder itself (File_path
//                  ""): its mode (type bits included), owner, group, last-write time (seconds
//                  and nanoseconds) and size. The restore gives them back; the next run
//                  compares sizes with it.
//     "CREATE TABLE attribute_tbl (File_path varchar(256),File_mode integer,File_uid integer,
//      File_gid integer,File_mtime integer,File_mtime_nsec integer,File_size integer);"
//   kept_tbl       entries whose type changed in this run (a file that became a folder, or
//                  the reverse): their older entry was moved from last to
//                  increments/<n>/kept/id<k>/<path>, where the older versions find it.
//     "CREATE TABLE kept_tbl (File_path varchar(256));"
struct entry_attributes_t {
  int64_t mode = 0;
  int64_t uid = 0;
  int64_t gid = 0;
  int64_t mtime = 0;
  int64_t mtime_nsec = 0;
  int64_t size = 0;
};
// Rows of the thread's marker.dat (the tables made at first use).
int record_attributes(const char* file, const entry_attributes_t& attributes);
int record_kept(const char* file);
// Makes the path index of attribute_tbl once the thread's marker holds all its rows (before
// its commit).
int finish_marker();
// The size that the marker at `marker` recorded for `file`: 1 found, 0 not (no such row or
// no attribute table), -1 when the marker cannot be read. The marker is kept open by the
// calling thread in a read transaction of its own until close_thread_dbs.
int previous_size(const char* marker, const char* file, int64_t* size);

// file_time.db through the thread's connection: 0 new, 1 unchanged, 2 changed, -1 error.
// Unless query_only, the time is also recorded (table made when missing, row inserted or
// updated). `table` is the source's folder name in the tree ("id0", "id1", ...).
int search_file_time_db(const char* file, const char* time, const char* table, bool query_only);
// Forgets the time of `file` in the table (with below_only: of every path under `file`/
// instead), so that the next run copies it again. 0, or -1 on error; a missing table or row
// is no error.
int forget_file_time(const char* file, const char* table, bool below_only);
