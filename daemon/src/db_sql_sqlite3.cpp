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

#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string_view>
#include <unordered_map>

#include "log.h"
#include "share.h"
#include "share_sqlite.h"
#include "tree_db_guard.h"

namespace {

// Prepared statements of one connection, kept until the connection closes. A walk runs the
// same few statements once per entry (a marker row, a file time asked and recorded);
// preparing them anew each time costs more than running them.
class statement_cache {
 public:
  statement_cache() = default;
  ~statement_cache() { clear(); }
  statement_cache(const statement_cache&) = delete;
  statement_cache& operator=(const statement_cache&) = delete;

  // The statement for `sql`, prepared at its first use. Null when it cannot be prepared
  // (a table that does not exist yet); nothing is kept then, so a later call tries again.
  sqlite3_stmt* get(sqlite3* db, std::string_view sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* st = nullptr;
    if (db == nullptr || sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &st,
                                            nullptr) != SQLITE_OK) {
      sqlite3_finalize(st);
      return nullptr;
    }
    statements_.emplace(std::string(sql), st);
    return st;
  }
  void clear() {
    for (auto& entry : statements_) sqlite3_finalize(entry.second);
    statements_.clear();
  }

 private:
  // Looked up by the text itself, without a copy of it.
  struct text_hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
  };
  std::unordered_map<std::string, sqlite3_stmt*, text_hash, std::equal_to<>> statements_;
};

// A database the calling thread keeps open, with its prepared statements. They are
// finalized before the connection closes: a connection that still has statements cannot
// close, and its file on the share would stay open after the share connection went.
struct thread_conn_t {
  sqlite3_ptr db;
  statement_cache statements;
  // Tables seen to exist in the transaction under way. Forgotten when it ends: only an open
  // transaction keeps other connections from changing the schema, and a rollback (also one
  // that an error causes) takes back the tables made in it.
  std::set<std::string, std::less<>> tables;
  // file_time.db tables whose path index is known to exist.
  std::set<std::string, std::less<>> indexed_tables;

  thread_conn_t() = default;
  thread_conn_t(const thread_conn_t&) = delete;
  thread_conn_t& operator=(const thread_conn_t&) = delete;
  ~thread_conn_t() { reset(); }

  void reset(sqlite3* next = nullptr) {
    statements.clear();
    tables.clear();
    indexed_tables.clear();
    db.reset(next);
    if (next != nullptr) {
      sqlite3_commit_hook(next, &thread_conn_t::transaction_ended, this);
      sqlite3_rollback_hook(next, &thread_conn_t::rolled_back, this);
    }
  }

 private:
  static int transaction_ended(void* self) {
    static_cast<thread_conn_t*>(self)->tables.clear();
    return 0;  // the commit goes on
  }
  static void rolled_back(void* self) { static_cast<thread_conn_t*>(self)->tables.clear(); }
};

// A prepared statement that is finalized on every path, or one of a connection's cache,
// which is reset with its values unbound at the end of the scope.
class statement {
 public:
  statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  statement(thread_conn_t& conn, std::string_view sql)
      : stmt_(conn.statements.get(conn.db.get(), sql)), cached_(true) {}
  ~statement() {
    if (!cached_) {
      sqlite3_finalize(stmt_);
    } else if (stmt_ != nullptr) {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
  }
  statement(const statement&) = delete;
  statement& operator=(const statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  // The text is not copied: it must outlive this object (the statement lets go of it at
  // the end of the scope).
  bool bind(int index, const char* text) {
    if (text == nullptr) return sqlite3_bind_null(stmt_, index) == SQLITE_OK;
    return sqlite3_bind_text(stmt_, index, text, static_cast<int>(std::strlen(text)),
                             SQLITE_STATIC) == SQLITE_OK;
  }
  bool bind(int index, sqlite3_int64 value) {
    return sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
  }
  // SQLITE_ROW, SQLITE_DONE or an error (SQLITE_INTERRUPT for a step past its bound).
  int step() {
    tessaly::tree_db::query_bound bound(sqlite3_db_handle(stmt_));
    return sqlite3_step(stmt_);
  }
  std::string text(int column) {
    const unsigned char* t = sqlite3_column_text(stmt_, column);
    int n = sqlite3_column_bytes(stmt_, column);
    return t != nullptr ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(n))
                        : std::string();
  }
  sqlite3_int64 int64(int column) { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool cached_ = false;
};

const char* const kMarkerTables[] = {"exist_tbl",   "new_tbl",      "symbolic_link_tbl",
                                     "junction_tbl", "shortcut_tbl", "hard_link_tbl"};

const char* const kMarkerCreate[] = {
    "CREATE TABLE exist_tbl (No integer primary key autoincrement,File_path varchar(256));",
    "CREATE TABLE new_tbl (No integer primary key autoincrement,File_path varchar(256));",
    "CREATE TABLE symbolic_link_tbl (File_source_path varchar(256),File_destination_path "
    "varchar(256));",
    "CREATE TABLE junction_tbl (File_source_path varchar(256),File_destination_path "
    "varchar(256));",
    "CREATE TABLE shortcut_tbl (File_source_path varchar(256),File_destination_path "
    "varchar(256));",
    "CREATE TABLE hard_link_tbl (File_source_path varchar(256),File_destination_path "
    "varchar(256));",
};

const char* const kMarkerInsert[] = {
    "insert into exist_tbl(File_path)values(?);",
    "insert into new_tbl(File_path)values(?);",
    "insert into symbolic_link_tbl(File_source_path,File_destination_path)values(?,?);",
    "insert into junction_tbl(File_source_path,File_destination_path)values(?,?);",
    "insert into shortcut_tbl(File_source_path,File_destination_path)values(?,?);",
    "insert into hard_link_tbl(File_source_path,File_destination_path)values(?,?);",
};

constexpr const char* kStatusCreate =
    "CREATE TABLE status_tbl (No integer primary key,Real_status varchar(16));";
constexpr const char* kHistoryCreate =
    "CREATE TABLE time_tbl (No integer primary key,Real_time varchar(64));";

int exec(sqlite3* db, const char* sql) {
  tessaly::tree_db::query_bound bound(db);
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

// The database of a tree that the calling thread last refused (see take_refused_database).
struct refusal_t {
  std::string path;
  std::string why;
};
thread_local refusal_t last_refusal;

// Opens a database of the tree (creating it with SQLITE_OPEN_CREATE); null on failure.
sqlite3_ptr open_tree_db(const char* path, int flags) {
  sqlite3* raw = nullptr;
  if (tessaly::share::sqlite_open(path, &raw, flags) != SQLITE_OK) return nullptr;
  return sqlite3_ptr(raw);
}

// The check every database of a tree passes before its first use (it reads the schema, which
// also proves that the file is a database that can be read). False when it holds more than
// plain tables (remembered for take_refused_database) or cannot be read.
bool check_tree_db(sqlite3* db, const char* path) {
  std::string why;
  if (tessaly::tree_db::open_check(db, &why) == 0) return true;
  daemon_print(3, "the database %s is not used: %s\n", path, why.c_str());
  last_refusal = refusal_t{path, why};
  return false;
}

// Opens an existing database of the tree, never creating one, and checks it in a read
// transaction that is left open for the caller's statements, so that the schema read for the
// check stays valid for them (on a share a new transaction would ask the server again).
// Closing the connection ends it; a caller that writes commits.
sqlite3_ptr open_existing(const char* path) {
  if (path == nullptr || !tessaly::share::exists(path)) return nullptr;
  sqlite3_ptr db = open_tree_db(path, SQLITE_OPEN_READWRITE);
  if (!db || exec(db.get(), "begin;") != SQLITE_OK || !check_tree_db(db.get(), path)) {
    return nullptr;
  }
  return db;
}

// 1 when the table exists, 0 when not, -1 when that cannot be asked. Inside a transaction
// a table once seen is not asked for again.
int table_exists(thread_conn_t& conn, const char* table) {
  bool in_transaction = !sqlite3_get_autocommit(conn.db.get());
  if (in_transaction && conn.tables.count(table) != 0) return 1;
  statement st(conn, "select count(*) from sqlite_master where type='table' and name=?;");
  if (!st.ok() || !st.bind(1, table) || st.step() != SQLITE_ROW) return -1;
  if (st.int64(0) == 0) return 0;
  if (in_transaction) conn.tables.emplace(table);
  return 1;
}

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

// Lookups by path would read the whole table once per file, so that a run's lookups grow
// with the tree. An index on File_path (named after its table) keeps them flat; it changes
// no stored row and readers that do not know it are not affected.
std::string path_index_sql(const char* table) {
  return std::string("CREATE INDEX IF NOT EXISTS ") + table + "_File_path ON " + table +
         "(File_path);";
}

// The thread's databases of a run.
thread_local thread_conn_t global_conn;
thread_local thread_conn_t global_conn_file_time;
thread_local bool global_need_update_last = false;

// The marker that get_marker_db_status and the link readers last opened on this thread,
// kept open so that a walk does not open the file once per entry.
struct marker_reader_t {
  std::string path;
  thread_conn_t conn;

  void close() {
    conn.reset();
    path.clear();
  }
};
thread_local marker_reader_t marker_reader;
// The previous version's marker that the scan asks for sizes, in a read transaction.
thread_local marker_reader_t previous_reader;

thread_conn_t* reader_for(const char* marker) {
  if (marker == nullptr) return nullptr;
  if (marker_reader.conn.db && marker_reader.path == marker) return &marker_reader.conn;
  marker_reader.close();
  sqlite3_ptr db = open_existing(marker);
  if (!db) return nullptr;
  marker_reader.conn.reset(db.release());
  marker_reader.path = marker;
  return &marker_reader.conn;
}

thread_conn_t& thread_slot(db_key key) {
  return key == DB_KEY_MARKER ? global_conn : global_conn_file_time;
}

// 1 when `file` is a File_path of the table, 0 when not (or no such table), -1 on error.
int listed_in(thread_conn_t& conn, const char* table, const char* file) {
  int exists = table_exists(conn, table);
  if (exists <= 0) return exists;
  statement st(conn, std::string("select File_path from ") + table + " where File_path == ?;");
  if (!st.ok() || !st.bind(1, file)) return -1;
  int rc = st.step();
  if (rc == SQLITE_ROW) return 1;
  return rc == SQLITE_DONE ? 0 : -1;
}

}  // namespace

sqlite3* open_db(const char* path) {
  if (path == nullptr) return nullptr;
  sqlite3_ptr db = open_tree_db(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (!db) {
    daemon_print(3, "Open DB fail = [%s]\n", path);
    return nullptr;
  }
  if (!check_tree_db(db.get(), path)) {
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

bool open_thread_db(db_key key, const char* path) {
  thread_conn_t& slot = thread_slot(key);
  slot.reset();
  // A marker being written is never read through an older reader connection.
  marker_reader.close();
  sqlite3* db = open_db(path);
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
  sqlite3* db = thread_slot(key).db.get();
  if (db == nullptr) return -1;
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
  marker_reader.close();
  if (previous_reader.conn.db && !sqlite3_get_autocommit(previous_reader.conn.db.get())) {
    exec(previous_reader.conn.db.get(), "rollback;");
  }
  previous_reader.close();
}

bool& need_update_last() { return global_need_update_last; }

bool take_refused_database(std::string* path, std::string* why) {
  if (last_refusal.path.empty()) return false;
  if (path != nullptr) *path = last_refusal.path;
  if (why != nullptr) *why = last_refusal.why;
  last_refusal = refusal_t{};
  return true;
}

int create_history_db(const char* path, const session_t* session, int* n, const GTimeVal* start) {
  if (session == nullptr || n == nullptr || start == nullptr) return -1;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db(open_db(path));
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

int create_status_db(const char* path, const char* word) {
  if (path == nullptr || word == nullptr) return -1;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db(open_db(path));
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

int check_last_status(const char* path, std::string* out) {
  if (path == nullptr || out == nullptr) return -1;
  out->clear();
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(path);
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

int delete_last_history(const char* path) {
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(path);
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

int get_history_db_row(const char* path, int* n) {
  if (n == nullptr) return -1;
  *n = 0;
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(path);
  sqlite3_int64 rows = db ? history_rows(db.get()) : -1;
  if (rows < 0) {
    daemon_print(3, "get from time_tbl  err ");
    return -1;
  }
  *n = static_cast<int>(rows);
  return 0;
}

int query_last_time(const char* path, std::string* out) {
  if (out == nullptr) return -1;
  out->clear();
  std::lock_guard<std::mutex> lock(db_sqlite_mutex);
  sqlite3_ptr db = open_existing(path);  // in its read transaction
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

int create_marker_db(const char* path, const char* file, const char* target, int kind) {
  if (kind < MARKER_EXIST || kind > MARKER_HARD_LINK || file == nullptr) return -1;
  thread_conn_t& conn = global_conn;
  sqlite3* db = conn.db.get();
  if (db == nullptr) return -1;
  int exists = table_exists(conn, kMarkerTables[kind]);
  bool by_path = kind == MARKER_EXIST || kind == MARKER_NEW;
  if (exists < 0 ||
      (exists == 0 && (exec(db, kMarkerCreate[kind]) != SQLITE_OK ||
                       (by_path && exec(db, path_index_sql(kMarkerTables[kind]).c_str()) !=
                                       SQLITE_OK)))) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db));
    return -1;
  }
  statement st(conn, kMarkerInsert[kind]);
  bool bound = st.ok() && st.bind(1, file);
  if (bound && kind >= MARKER_SYMBOLIC_LINK) bound = st.bind(2, target != nullptr ? target : "");
  if (!bound || st.step() != SQLITE_DONE) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(db));
    (void)path;
    return -1;
  }
  return 0;
}

namespace {

constexpr const char* kAttributeCreate =
    "CREATE TABLE attribute_tbl (File_path varchar(256),File_mode integer,File_uid integer,"
    "File_gid integer,File_mtime integer,File_mtime_nsec integer,File_size integer);";
constexpr const char* kKeptCreate = "CREATE TABLE kept_tbl (File_path varchar(256));";

// Makes a table of the thread's marker when missing (its path index is made once the
// marker is written whole: see finish_marker; one sort is cheaper than keeping it up to date
// row by row).
bool ensure_marker_table(thread_conn_t& conn, const char* table, const char* create) {
  int exists = table_exists(conn, table);
  if (exists < 0) return false;
  if (exists == 1) return true;
  return exec(conn.db.get(), create) == SQLITE_OK;
}

}  // namespace

int record_attributes(const char* file, const entry_attributes_t& a) {
  thread_conn_t& conn = global_conn;
  if (conn.db == nullptr || file == nullptr) return -1;
  if (!ensure_marker_table(conn, "attribute_tbl", kAttributeCreate)) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  statement st(conn,
               "insert into attribute_tbl(File_path,File_mode,File_uid,File_gid,File_mtime,"
               "File_mtime_nsec,File_size)values(?,?,?,?,?,?,?);");
  bool bound = st.ok() && st.bind(1, file) && st.bind(2, a.mode) && st.bind(3, a.uid) &&
               st.bind(4, a.gid) && st.bind(5, a.mtime) && st.bind(6, a.mtime_nsec) &&
               st.bind(7, a.size);
  if (!bound || st.step() != SQLITE_DONE) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  return 0;
}

int finish_marker() {
  thread_conn_t& conn = global_conn;
  if (conn.db == nullptr) return -1;
  int exists = table_exists(conn, "attribute_tbl");
  if (exists < 0) return -1;
  if (exists == 1 && exec(conn.db.get(), path_index_sql("attribute_tbl").c_str()) != SQLITE_OK) {
    return -1;
  }
  return 0;
}

int record_kept(const char* file) {
  thread_conn_t& conn = global_conn;
  if (conn.db == nullptr || file == nullptr) return -1;
  if (!ensure_marker_table(conn, "kept_tbl", kKeptCreate)) return -1;
  statement st(conn, "insert into kept_tbl(File_path)values(?);");
  if (!st.ok() || !st.bind(1, file) || st.step() != SQLITE_DONE) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  return 0;
}

int previous_size(const char* marker, const char* file, int64_t* size) {
  if (marker == nullptr || file == nullptr || size == nullptr) return -1;
  if (!previous_reader.conn.db || previous_reader.path != marker) {
    previous_reader.close();
    // Its read transaction lasts the whole scan: the pages read once stay valid (on a share
    // they are not asked for again for every file).
    sqlite3_ptr db = open_existing(marker);
    if (!db) return -1;
    previous_reader.conn.reset(db.release());
    previous_reader.path = marker;
  }
  thread_conn_t& conn = previous_reader.conn;
  int exists = table_exists(conn, "attribute_tbl");
  if (exists <= 0) return exists;
  statement st(conn, "select File_size from attribute_tbl where File_path == ?;");
  if (!st.ok() || !st.bind(1, file)) return -1;
  int rc = st.step();
  if (rc == SQLITE_ROW) {
    *size = st.int64(0);
    return 1;
  }
  return rc == SQLITE_DONE ? 0 : -1;
}

int get_marker_db_status(const char* marker, const char* file) {
  if (file == nullptr) return -1;
  thread_conn_t* conn = reader_for(marker);
  if (conn == nullptr) {
    daemon_print(3, "open db %s err \n", marker != nullptr ? marker : "");
    return -1;
  }
  int in_exist = listed_in(*conn, "exist_tbl", file);
  if (in_exist < 0) return -1;
  if (in_exist == 1) return 0;
  int in_new = listed_in(*conn, "new_tbl", file);
  if (in_new < 0) return -1;
  return in_new == 1 ? 0 : 1;
}

long get_marker_db_link_count(const char* marker, int kind) {
  if (kind < MARKER_SYMBOLIC_LINK || kind > MARKER_HARD_LINK) return 0;
  thread_conn_t* conn = reader_for(marker);
  if (conn == nullptr || table_exists(*conn, kMarkerTables[kind]) != 1) return 0;
  statement st(*conn,
               std::string("select count(*) as number from ") + kMarkerTables[kind] + ";");
  if (!st.ok() || st.step() != SQLITE_ROW) return 0;
  long count = static_cast<long>(st.int64(0));
  daemon_print(0, "%s cnt = %ld\n", kMarkerTables[kind], count);
  return count;
}

int get_marker_db_link_file(const char* marker, long row, int kind, std::string* target,
                            std::string* link) {
  if (target != nullptr) target->clear();
  if (link != nullptr) link->clear();
  if (kind < MARKER_SYMBOLIC_LINK || kind > MARKER_HARD_LINK || target == nullptr ||
      link == nullptr) {
    return -1;
  }
  thread_conn_t* conn = reader_for(marker);
  if (conn == nullptr) return -1;
  statement st(*conn, std::string("select File_source_path,File_destination_path from ") +
                          kMarkerTables[kind] + " where rowid == ?;");
  if (!st.ok() || !st.bind(1, static_cast<sqlite3_int64>(row)) || st.step() != SQLITE_ROW) {
    return -1;
  }
  *link = st.text(0);
  *target = st.text(1);
  return 0;
}

int search_file_time_db(const char* file, const char* time, const char* table, bool query_only) {
  thread_conn_t& conn = global_conn_file_time;
  sqlite3* db = conn.db.get();
  if (db == nullptr || file == nullptr || time == nullptr || !valid_source_table(table)) {
    return -1;
  }
  int exists = table_exists(conn, table);
  if (exists < 0) {
    daemon_print(3, "get db %s err[%s] \n", table, sqlite3_errmsg(db));
    return -1;
  }
  if (exists == 1 && conn.indexed_tables.count(table) == 0) {
    // Trees written before the index existed get it at their first use.
    if (exec(db, path_index_sql(table).c_str()) == SQLITE_OK) conn.indexed_tables.insert(table);
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
