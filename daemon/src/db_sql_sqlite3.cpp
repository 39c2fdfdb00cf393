// The databases of a task tree (see db_sql_sqlite3.h).
//
// The CREATE statements are kept word for word: they are what sqlite_master shows to every
// reader. Values are bound, so a file named `a"b` or `x"); delete from exist_tbl; --` is
// stored as it is and a name equal to a column name matches only itself.
//
// A tree's databases are data from the destination: each is used only after its schema was
// found to hold plain tables (tree_db_guard.h), and every step of every statement runs under
// a bound on its work, so that no planted view, trigger or endless query holds a run (or
// db_sqlite_mutex, and with it every other task's run) for good.
#include "db_sql_sqlite3.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "db_statement.h"
#include "log.h"
#include "marker_file.h"
#include "share.h"
#include "share_sqlite.h"
#include "tree_session.h"

using namespace tree_sql;

namespace {

constexpr const char* kStatusCreate =
    "CREATE TABLE status_tbl (No integer primary key,Real_status varchar(16));";
constexpr const char* kHistoryCreate =
    "CREATE TABLE time_tbl (No integer primary key,Real_time varchar(64));";

// Statements run on the tree's databases (see tree_statements_run).
std::atomic<uint64_t> statements_run{0};

int count_statement(unsigned, void*, void*, void*) {
  statements_run.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

// The thread's databases of a run.
thread_local thread_conn_t global_conn;
thread_local thread_conn_t global_conn_file_time;
thread_local bool global_need_update_last = false;

// Rows of time_tbl, or -1.
sqlite3_int64 history_rows(sqlite3* db) {
  statement st(db, "select count(*) from time_tbl;");
  if (!st.ok() || st.step() != SQLITE_ROW) return -1;
  return st.int64(0);
}

// A file_time.db table is named after the source's folder in the tree: "id" and digits.
bool valid_source_table(const char* table) {
  if (table == nullptr || std::strncmp(table, "id", 2) != 0 || table[2] == '\0') return false;
  for (const char* p = table + 2; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return std::strlen(table) < 16;
}

}  // namespace

uint64_t tree_statements_run() { return statements_run.load(std::memory_order_relaxed); }

void reset_tree_statements_run() { statements_run.store(0, std::memory_order_relaxed); }

namespace tree_sql {

int exec(sqlite3* db, const char* sql) {
  tessaly::tree_db::query_bound bound(db);
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

sqlite3_ptr open_tree_db(tree_session& s, const char* path, int flags) {
  sqlite3* raw = nullptr;
  // A connection of the tree is used by the run's thread alone: without its own lock, each
  // call (a walk makes several per entry) saves two lock operations.
  if (tessaly::share::sqlite_open(s.dest(), path, &raw, flags | SQLITE_OPEN_NOMUTEX) != SQLITE_OK) {
    return nullptr;
  }
  sqlite3_trace_v2(raw, SQLITE_TRACE_STMT, &count_statement, nullptr);
  return sqlite3_ptr(raw);
}

bool check_tree_db(tree_session& s, sqlite3* db, const char* path) {
  std::string why;
  if (tessaly::tree_db::open_check(db, &why) == 0) return true;
  daemon_print(3, "the database %s is not used: %s\n", path, why.c_str());
  s.note_refused(path, why);
  return false;
}

sqlite3_ptr open_existing(tree_session& s, const char* path) {
  tessaly::share::info_t info;
  if (path == nullptr || tessaly::share::lstat(s.dest(), path, &info) != 0 ||
      info.type != tessaly::share::kind::file) {
    return nullptr;
  }
  sqlite3_ptr db = open_tree_db(s, path, SQLITE_OPEN_READWRITE);
  if (!db || exec(db.get(), "begin;") != SQLITE_OK || !check_tree_db(s, db.get(), path)) {
    return nullptr;
  }
  return db;
}

int table_exists(thread_conn_t& conn, const char* table) {
  bool in_transaction = !sqlite3_get_autocommit(conn.db.get());
  if (in_transaction && conn.tables.count(table) != 0) return 1;
  statement st(conn, "select count(*) from sqlite_master where type='table' and name=?;");
  if (!st.ok() || !st.bind(1, table) || st.step() != SQLITE_ROW) return -1;
  if (st.int64(0) == 0) return 0;
  if (in_transaction) conn.tables.emplace(table);
  return 1;
}

namespace {

std::string path_index_name(const char* table) { return std::string(table) + "_File_path"; }

}  // namespace

std::string path_index_sql(const char* table) {
  return "CREATE INDEX IF NOT EXISTS " + path_index_name(table) + " ON " + table + "(File_path);";
}

bool each_row(thread_conn_t& conn, const std::string& sql,
              const std::function<void(statement&)>& row, std::string* why) {
  statement st(conn.db.get(), sql.c_str());
  if (!st.ok()) {
    *why = sqlite3_errmsg(conn.db.get());
    return false;
  }
  for (int64_t rows = 0;; ++rows) {
    int rc = st.step();
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) {
      *why = sqlite3_errmsg(conn.db.get());
      return false;
    }
    if (rows == tessaly::tree_db::kMaxRows) {
      *why = "too many rows";
      return false;
    }
    row(st);
  }
}

thread_conn_t& thread_slot(db_key key) {
  return key == DB_KEY_MARKER ? global_conn : global_conn_file_time;
}

int row_batch::flush(thread_conn_t& conn) {
  std::vector<std::vector<cell>> rows = std::move(rows_);
  rows_.clear();
  auto values = [&](size_t count) {
    std::string one = "(";
    for (int c = 0; c < columns_; ++c) one += c == 0 ? "?" : ",?";
    one += ")";
    std::string text = head_;
    for (size_t r = 0; r < count; ++r) text += (r == 0 ? "" : ",") + one;
    return text + ";";
  };
  for (size_t done = 0; done < rows.size();) {
    // Full batches through one statement, what is left row by row.
    size_t count = rows.size() - done >= kRows ? kRows : 1;
    statement st(conn, values(count));
    if (!st.ok()) return sqlite3_errcode(conn.db.get());
    int index = 1;
    for (size_t r = done; r < done + count; ++r) {
      for (const cell& c : rows[r]) {
        bool bound = c.is_text ? st.bind(index, c.text.c_str()) : st.bind(index, c.number);
        if (!bound) return sqlite3_errcode(conn.db.get());
        ++index;
      }
    }
    int rc = st.step();
    if (rc != SQLITE_DONE) return rc;
    done += count;
  }
  return SQLITE_DONE;
}

int add_batched(thread_conn_t& conn, const std::string& head, int columns,
                std::vector<row_batch::cell> row) {
  auto it = conn.batches.find(head);
  if (it == conn.batches.end()) it = conn.batches.emplace(head, row_batch(head, columns)).first;
  return it->second.add(std::move(row)) ? it->second.flush(conn) : SQLITE_DONE;
}

int flush_batches(thread_conn_t& conn) {
  for (auto& entry : conn.batches) {
    if (entry.second.empty()) continue;
    int rc = entry.second.flush(conn);
    if (rc != SQLITE_DONE) return rc;
  }
  return SQLITE_DONE;
}

bool has_path_index(thread_conn_t& conn, const char* table) {
  if (conn.indexed_tables.count(table) != 0) return true;
  std::string index = path_index_name(table);
  statement st(conn, "select count(*) from sqlite_master where type='index' and name=?;");
  if (!st.ok() || !st.bind(1, index.c_str()) || st.step() != SQLITE_ROW || st.int64(0) == 0) {
    return false;
  }
  conn.indexed_tables.emplace(table);
  return true;
}

bool folder_rows(thread_conn_t& conn, const char* table, const char* columns,
                 const std::string& folder, size_t limit,
                 const std::function<void(const std::string& name, statement&)>& row) {
  // A path below the folder starts with its prefix; the range ends at the prefix with its
  // "/" raised to "0", the next byte.
  const std::string prefix = folder.empty() ? std::string() : folder + "/";
  const std::string end = folder.empty() ? std::string() : folder + "0";
  statement st(conn, std::string("select File_path,") + columns + " from " + table +
                         (folder.empty() ? " where File_path >= ? and typeof(File_path) == 'text'"
                                         : " where File_path >= ? and File_path < ?") +
                         " order by File_path;");
  if (!st.ok()) return false;
  std::string from = prefix;
  std::string previous;
  size_t handed = 0;
  bool any = false;
  for (;;) {
    sqlite3_reset(st.get());
    if (!st.bind(1, from.c_str()) || (!folder.empty() && !st.bind(2, end.c_str()))) return false;
    bool skipped = false;
    int rc;
    while ((rc = st.step()) == SQLITE_ROW) {
      std::string path = st.text(0);
      if (path.compare(0, prefix.size(), prefix) != 0) return false;  // outside the range
      size_t slash = path.find('/', prefix.size());
      if (slash != std::string::npos) {
        // A row below the subfolder path[prefix..slash): the next range starts past it. A
        // path of the tree that holds a NUL byte cannot be bound as a bound of the range
        // (nor come from a walk): the caller asks name by name.
        std::string next = path.substr(0, slash) + "0";
        if (next.find('\0') != std::string::npos || next <= from) return false;
        from = std::move(next);
        skipped = true;
        break;
      }
      std::string name = path.substr(prefix.size());
      if (any && name == previous) continue;
      if (++handed > limit) return false;
      row(name, st);
      previous = std::move(name);
      any = true;
    }
    if (!skipped) return rc == SQLITE_DONE;
  }
}

}  // namespace tree_sql

sqlite3* open_db(tree_session& s, const char* path) {
  if (path == nullptr) return nullptr;
  sqlite3_ptr db = open_tree_db(s, path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (!db) {
    daemon_print(3, "Open DB fail = [%s]\n", path);
    return nullptr;
  }
  if (!check_tree_db(s, db.get(), path)) {
    daemon_print(3, "Open DB fail 2 = [%s]\n", path);
    return nullptr;
  }
  return db.release();
}

int close_db(sqlite3* db) {
  if (db == nullptr) return 0;
  if (!sqlite3_get_autocommit(db)) exec(db, "COMMIT TRANSACTION;");
  return sqlite3_close(db) == SQLITE_OK ? 0 : -1;
}

int db_sqlite3_exec(sqlite3* db, const char* sql) {
  if (db == nullptr || sql == nullptr) return -1;
  char* error = nullptr;
  tessaly::tree_db::query_bound bound(db);
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    daemon_print(3, "update error[%s]\n", error != nullptr ? error : sqlite3_errmsg(db));
    sqlite3_free(error);
    return -1;
  }
  return 0;
}

int db_sqlite3_get_table(sqlite3* db, const char* sql, char*** result, int* rows, int* columns,
                         char** error) {
  if (db == nullptr || sql == nullptr || result == nullptr) return -1;
  tessaly::tree_db::query_bound bound(db);
  return sqlite3_get_table(db, sql, result, rows, columns, error) == SQLITE_OK ? 0 : -1;
}

void db_sqlite3_free_table(char*** result) {
  if (result == nullptr || *result == nullptr) return;
  sqlite3_free_table(*result);
  *result = nullptr;
}

bool open_thread_db(tree_session& s, db_key key, const char* path) {
  thread_conn_t& slot = thread_slot(key);
  slot.reset();
  sqlite3* db = open_db(s, path);
  if (db == nullptr) return false;
  slot.reset(db);
  if (exec(db, "begin;") != SQLITE_OK) {
    slot.reset();
    return false;
  }
  return true;
}

sqlite3* get_db_conn() { return global_conn.db.get(); }

sqlite3* get_db_conn1(db_key key) { return thread_slot(key).db.get(); }

int commit_thread_db(db_key key) {
  thread_conn_t& conn = thread_slot(key);
  sqlite3* db = conn.db.get();
  if (db == nullptr || flush_batches(conn) != SQLITE_DONE) return -1;
  return exec(db, "commit;") == SQLITE_OK ? 0 : -1;
}

void close_thread_db(db_key key) {
  thread_conn_t& slot = thread_slot(key);
  if (slot.db && !sqlite3_get_autocommit(slot.db.get())) exec(slot.db.get(), "rollback;");
  slot.reset();
}

void close_thread_dbs() {
  close_thread_db(DB_KEY_MARKER);
  close_thread_db(DB_KEY_FILE_TIME);
}

bool& need_update_last() { return global_need_update_last; }

int create_history_db(tree_session& s, const char* path, const session_t* session, int* n,
                      const GTimeVal* start) {
  if (session == nullptr || n == nullptr || start == nullptr) return -1;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db(open_db(s, path));
  if (!db) {
    daemon_print(3, "open history db  err");
    return -1;
  }
  if (exec(db.get(), "BEGIN;") != SQLITE_OK) {
    daemon_print(3, "read  history db  err");
    return -1;
  }
  if (exec(db.get(), "select * from time_tbl;") != SQLITE_OK &&
      exec(db.get(), kHistoryCreate) != SQLITE_OK) {
    daemon_print(3, "create time table err");
    return -1;
  }
  if (session->action == ACTION_FULL_BACKUP) {
    // A full backup starts the tree again from version 1: every row goes, so that the rows
    // stay numbered 1..N also for a task that was incremental before.
    if (exec(db.get(), "delete from time_tbl;") != SQLITE_OK) {
      daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db.get()));
      return -1;
    }
  }
  std::string when = time_val_to_iso8601(*start);
  {
    statement st(db.get(), "insert into time_tbl(Real_time)values(?);");
    if (!st.ok() || !st.bind(1, when.c_str()) || st.step() != SQLITE_DONE) {
      daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db.get()));
      return -1;
    }
  }
  sqlite3_int64 rows = history_rows(db.get());
  if (rows < 1) {
    daemon_print(3, "read  history db  err");
    return -1;
  }
  if (exec(db.get(), "COMMIT TRANSACTION;") != SQLITE_OK) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db.get()));
    return -1;
  }
  if (sqlite3_close(db.release()) != SQLITE_OK) return -1;
  *n = static_cast<int>(rows);
  return 0;
}

int create_status_db(tree_session& s, const char* path, const char* word) {
  if (path == nullptr || word == nullptr) return -1;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db(open_db(s, path));
  if (!db) {
    daemon_print(3, "open %s db  err\n", path);
    return -1;
  }
  if (exec(db.get(), "BEGIN;") != SQLITE_OK) {
    daemon_print(3, "read %s db  err\n", path);
    return -1;
  }
  exec(db.get(), kStatusCreate);  // fails on an existing table, which is fine
  if (exec(db.get(), "delete from status_tbl where no = 1;") != SQLITE_OK) {
    daemon_print(3, "read %s db  err\n", path);
    return -1;
  }
  {
    statement st(db.get(), "insert into status_tbl(Real_status)values(?);");
    if (!st.ok() || !st.bind(1, word) || st.step() != SQLITE_DONE) {
      daemon_print(3, "update error");
      return -1;
    }
  }
  if (exec(db.get(), "COMMIT TRANSACTION;") != SQLITE_OK) {
    daemon_print(3, "update error");
    return -1;
  }
  return sqlite3_close(db.release()) == SQLITE_OK ? 0 : -1;
}

int check_last_status(tree_session& s, const char* path, std::string* out) {
  if (path == nullptr || out == nullptr) return -1;
  out->clear();
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(s, path);
  if (!db) {
    daemon_print(3, "open %s err \n", path);
    return -1;
  }
  statement st(db.get(), "select Real_status from status_tbl where no = 1;");
  if (!st.ok()) {
    daemon_print(3, "open %s err \n", path);
    return -1;
  }
  int rc = st.step();
  if (rc == SQLITE_ROW) {
    *out = st.text(0);
    return 0;
  }
  return rc == SQLITE_DONE ? 0 : -1;
}

int delete_last_history(tree_session& s, const char* path) {
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(s, path);
  if (!db) return -1;
  sqlite3_int64 rows = history_rows(db.get());
  if (rows < 1) return -1;
  {
    statement st(db.get(), "delete from time_tbl where no = ?;");
    if (!st.ok() || !st.bind(1, rows) || st.step() != SQLITE_DONE) {
      daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db.get()));
      return -1;
    }
  }
  if (sqlite3_changes(db.get()) != 1 || exec(db.get(), "commit;") != SQLITE_OK) return -1;
  return 0;
}

int get_history_db_row(tree_session& s, const char* path, int* n) {
  if (n == nullptr) return -1;
  *n = 0;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(s, path);
  sqlite3_int64 rows = db ? history_rows(db.get()) : -1;
  if (rows < 0) {
    daemon_print(3, "get from time_tbl  err ");
    return -1;
  }
  *n = static_cast<int>(rows);
  return 0;
}

int query_last_time(tree_session& s, const char* path, std::string* out) {
  if (out == nullptr) return -1;
  out->clear();
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(s, path);  // in its read transaction
  if (!db) {
    daemon_print(3, "get table ( time_tbl) error 1 ");
    return -1;
  }
  sqlite3_int64 rows = history_rows(db.get());
  if (rows < 0) {
    daemon_print(3, "get table ( time_tbl) error 1 ");
    return -1;
  }
  daemon_print(0, "the last time row's number is %d \n", static_cast<int>(rows));
  statement st(db.get(), "select Real_time from time_tbl where no = ?;");
  if (!st.ok() || !st.bind(1, rows)) {
    daemon_print(3, "get table ( time_tbl) error 2");
    return -1;
  }
  int rc = st.step();
  if (rc != SQLITE_ROW) {
    daemon_print(3, rc == SQLITE_DONE ? "found error" : "get table ( time_tbl) error 2");
    return -1;
  }
  *out = st.text(0);
  return 0;
}

namespace {

// Whether the source's table exists (1, 0, -1 on error); an existing one gets its path index
// when it lacks it (trees written before the index existed get it at their first use).
int indexed_time_table(thread_conn_t& conn, const char* table) {
  int exists = table_exists(conn, table);
  if (exists == 1 && conn.indexed_tables.count(table) == 0) {
    if (exec(conn.db.get(), path_index_sql(table).c_str()) == SQLITE_OK) {
      conn.indexed_tables.insert(table);
    }
  }
  return exists;
}

}  // namespace

bool folder_file_times(const char* table, const std::string& folder, size_t limit,
                       std::vector<std::pair<std::string, std::string>>* out) {
  out->clear();
  thread_conn_t& conn = global_conn_file_time;
  if (conn.db == nullptr || !valid_source_table(table)) return false;
  int exists = indexed_time_table(conn, table);
  if (exists <= 0) return exists == 0;
  if (conn.indexed_tables.count(table) == 0) return false;  // a range would read the table
  bool ok = folder_rows(conn, table, "File_time", folder, limit,
                        [&](const std::string& name, statement& st) {
                          out->emplace_back(name, st.text(1));
                        });
  if (!ok) out->clear();
  return ok;
}

int search_file_time_db(const char* file, const char* time, const char* table, bool query_only) {
  thread_conn_t& conn = global_conn_file_time;
  sqlite3* db = conn.db.get();
  if (db == nullptr || file == nullptr || time == nullptr || !valid_source_table(table)) {
    return -1;
  }
  int exists = indexed_time_table(conn, table);
  if (exists < 0) {
    daemon_print(3, "get db %s err[%s] \n", table, sqlite3_errmsg(db));
    return -1;
  }
  std::string stored;
  bool found = false;
  if (exists == 1) {
    statement st(conn, std::string("select File_time from ") + table + " where File_path == ?;");
    if (!st.ok() || !st.bind(1, file)) {
      daemon_print(3, "get db %s err[%s] \n", table, sqlite3_errmsg(db));
      return -1;
    }
    int rc = st.step();
    if (rc == SQLITE_ROW) {
      found = true;
      stored = st.text(0);
    } else if (rc != SQLITE_DONE) {
      daemon_print(3, "get db %s err[%s] \n", table, sqlite3_errmsg(db));
      return -1;
    }
  }
  int answer = !found ? FILE_TIME_NEW : stored == time ? FILE_TIME_SAME : FILE_TIME_CHANGED;
  if (query_only || answer == FILE_TIME_SAME) return answer;

  if (exists == 0) {
    std::string create = std::string("CREATE TABLE ") + table +
                         " (No integer primary key autoincrement,File_path varchar(256),"
                         "File_time varchar(64));";
    if (exec(db, create.c_str()) != SQLITE_OK ||
        exec(db, path_index_sql(table).c_str()) != SQLITE_OK) {
      daemon_print(3, "update db %s error[%s]\n", table, sqlite3_errmsg(db));
      return -1;
    }
    conn.indexed_tables.insert(table);
  }
  statement st(conn, answer == FILE_TIME_NEW
                         ? std::string("insert into ") + table + "(File_path,File_time)values(?,?);"
                         : std::string("update ") + table +
                               " set File_time = ? where File_path == ?;");
  bool bound = st.ok() && (answer == FILE_TIME_NEW ? st.bind(1, file) && st.bind(2, time)
                                                   : st.bind(1, time) && st.bind(2, file));
  if (!bound || st.step() != SQLITE_DONE) {
    daemon_print(3, "update db %s error[%s]\n", table, sqlite3_errmsg(db));
    return -1;
  }
  return answer;
}

int forget_file_time(const char* file, const char* table, bool below_only) {
  thread_conn_t& conn = global_conn_file_time;
  sqlite3* db = conn.db.get();
  if (db == nullptr || file == nullptr || !valid_source_table(table)) return -1;
  int exists = table_exists(conn, table);
  if (exists <= 0) return exists;
  if (!below_only) {
    statement st(conn, std::string("delete from ") + table + " where File_path == ?;");
    return st.ok() && st.bind(1, file) && st.step() == SQLITE_DONE ? 0 : -1;
  }
  // Every path that starts with file + "/": from that text up to file + "0" ('/' + 1).
  std::string low = std::string(file) + "/";
  std::string high = std::string(file) + "0";
  statement under(conn, std::string("delete from ") + table +
                            " where File_path >= ? and File_path < ?;");
  if (!under.ok() || !under.bind(1, low.c_str()) || !under.bind(2, high.c_str()) ||
      under.step() != SQLITE_DONE) {
    return -1;
  }
  return 0;
}
