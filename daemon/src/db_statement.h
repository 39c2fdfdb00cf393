// SQLite as the task tree's databases use it (private to db_sql_sqlite3.cpp and
// marker_file.cpp): connections with their prepared statements, statements whose every step
// runs under a bound on its work, and the opening and checking of a database of the tree.
//
// A tree's databases are data from the destination: each is used only after its schema was
// found to hold plain tables (tree_db_guard.h), and every step of every statement runs under
// a bound on its work, so that no planted view, trigger or endless query holds a run (or
// db_sqlite_mutex, and with it every other task's run) for good.
#pragma once

#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "db_sql_sqlite3.h"
#include "tree_db_guard.h"

namespace tree_sql {

struct thread_conn_t;

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

// Rows for one insert statement, gathered and written kRows at a time by one statement
// that carries them all: a walk adds a row per entry, and a statement per row costs more
// than the row (for a table with an autoincrement key, each statement also rewrites the
// table's counter). The rows reach the table in the order they were added.
class row_batch {
 public:
  static constexpr size_t kRows = 32;

  // `head` is the statement up to its values ("insert into t(a,b)values"), `columns` the
  // number of values of a row.
  row_batch(std::string head, int columns) : head_(std::move(head)), columns_(columns) {}

  struct cell {
    bool is_text = false;
    std::string text;
    sqlite3_int64 number = 0;
  };
  // Adds a row of `columns` cells; true when kRows rows wait (the caller flushes).
  bool add(std::vector<cell> row) {
    rows_.push_back(std::move(row));
    return rows_.size() >= kRows;
  }
  bool empty() const { return rows_.empty(); }
  void clear() { rows_.clear(); }
  // Writes the waiting rows through the connection's statements; SQLITE_DONE or the error.
  // The rows are dropped either way (an error ends the caller's transaction).
  int flush(thread_conn_t& conn);

 private:
  std::string head_;
  int columns_;
  std::vector<std::vector<cell>> rows_;
};

// A database kept open, with its prepared statements. They are finalized before the
// connection closes: a connection that still has statements cannot close, and its file on
// the share would stay open after the share connection went.
struct thread_conn_t {
  sqlite3_ptr db;
  statement_cache statements;
  // Tables seen to exist in the transaction under way. Forgotten when it ends: only an open
  // transaction keeps other connections from changing the schema, and a rollback (also one
  // that an error causes) takes back the tables made in it.
  std::set<std::string, std::less<>> tables;
  // Tables whose path index (path_index_sql) is known to exist.
  std::set<std::string, std::less<>> indexed_tables;
  // Rows waiting to be inserted, by statement head; written before a commit, dropped with
  // the transaction (see add_batched and flush_batches).
  std::unordered_map<std::string, row_batch> batches;

  thread_conn_t() = default;
  thread_conn_t(const thread_conn_t&) = delete;
  thread_conn_t& operator=(const thread_conn_t&) = delete;
  ~thread_conn_t() { reset(); }

  void reset(sqlite3* next = nullptr) {
    statements.clear();
    tables.clear();
    indexed_tables.clear();
    batches.clear();
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
  static void rolled_back(void* self) {
    auto* conn = static_cast<thread_conn_t*>(self);
    conn->tables.clear();
    for (auto& entry : conn->batches) entry.second.clear();  // they belonged to it
  }
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
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  bool cached_ = false;
};

// sqlite3_exec under a bound on its work.
int exec(sqlite3* db, const char* sql);

// Opens a database of the tree (creating it with SQLITE_OPEN_CREATE); null on failure.
sqlite3_ptr open_tree_db(tree_session& s, const char* path, int flags);
// The check every database of a tree passes before its first use (it reads the schema, which
// also proves that the file is a database that can be read). False when it holds more than
// plain tables (noted in the session, tree_session::take_refused) or cannot be read.
bool check_tree_db(tree_session& s, sqlite3* db, const char* path);
// Opens an existing database of the tree (a file, not a link), never creating one, and
// checks it in a read transaction that is left open for the caller's statements, so that the
// schema read for the check stays valid for them (on a share a new transaction would ask the
// server again). Closing the connection ends it; a caller that writes commits.
sqlite3_ptr open_existing(tree_session& s, const char* path);

// 1 when the table exists, 0 when not, -1 when that cannot be asked. Inside a transaction
// a table once seen is not asked for again.
int table_exists(thread_conn_t& conn, const char* table);

// Lookups by path would read the whole table once per file, so that a run's lookups grow
// with the tree. An index on File_path (named after its table) keeps them flat; it changes
// no stored row and readers that do not know it are not affected.
std::string path_index_sql(const char* table);

// Runs a query that may give many rows and hands each on, taking at most
// tessaly::tree_db::kMaxRows of them (more is a damaged tree). False with *why on failure.
bool each_row(thread_conn_t& conn, const std::string& sql,
              const std::function<void(statement&)>& row, std::string* why);

// The calling thread's connection under a key (see open_thread_db).
thread_conn_t& thread_slot(db_key key);

// Adds a row to the connection's batch for the statement head (see row_batch), writing the
// batch when it is full. SQLITE_DONE or the error of the write.
int add_batched(thread_conn_t& conn, const std::string& head, int columns,
                std::vector<row_batch::cell> row);
// Writes every batch of the connection (before a commit, or before a statement that reads
// or indexes the tables). SQLITE_DONE or the first error.
int flush_batches(thread_conn_t& conn);

// True when the table has its path index (path_index_sql; asked once per connection).
bool has_path_index(thread_conn_t& conn, const char* table);

// The rows of `table` (which has an index on File_path) that stand for the entries right
// inside the folder `folder` (a relative path, "" for the source folder itself): those whose
// File_path is folder + "/" + a name without "/". Each is handed on in File_path order (the
// order of the names' bytes) with the name alone, the statement on its row's columns after
// File_path (`columns` lists them). Rows further down are skipped a subfolder at a time, so
// that a folder costs one range of the index per subfolder with rows, not its whole subtree.
// A name that several rows hold is handed on once, with the first of them (as a lookup by
// path finds it). False when the rows cannot be read or there are more than `limit` of them
// (the caller then asks path by path).
bool folder_rows(thread_conn_t& conn, const char* table, const char* columns,
                 const std::string& folder, size_t limit,
                 const std::function<void(const std::string& name, statement&)>& row);

}  // namespace tree_sql
