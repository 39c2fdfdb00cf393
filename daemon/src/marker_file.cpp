// marker.dat (see marker_file.h).
#include "marker_file.h"

#include "db_statement.h"
#include "log.h"
#include "tree_session.h"

using namespace tree_sql;

namespace {

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

// The heads of the batched inserts (row_batch) of exist_tbl and new_tbl.
const char* const kMarkerBatchHead[] = {"insert into exist_tbl(File_path)values",
                                        "insert into new_tbl(File_path)values"};

constexpr const char* kAttributeCreate =
    "CREATE TABLE attribute_tbl (File_path varchar(256),File_mode integer,File_uid integer,"
    "File_gid integer,File_mtime integer,File_mtime_nsec integer,File_size integer);";
constexpr const char* kKeptCreate = "CREATE TABLE kept_tbl (File_path varchar(256));";

bool link_kind(int kind) { return kind >= MARKER_SYMBOLIC_LINK && kind <= MARKER_HARD_LINK; }

// Makes a table of the thread's marker when missing, with its path index when `indexed`.
// The index is kept up to date row by row: the walk adds its rows nearly in the index's
// order, which costs no more than one sort at the end, and a sort of a large marker's rows
// would be held in memory whole (temporary data never goes to the share).
bool ensure_marker_table(thread_conn_t& conn, const char* table, const char* create,
                         bool indexed) {
  int exists = table_exists(conn, table);
  if (exists < 0) return false;
  if (exists == 1) return true;
  return exec(conn.db.get(), create) == SQLITE_OK &&
         (!indexed || exec(conn.db.get(), path_index_sql(table).c_str()) == SQLITE_OK);
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

// Every File_path of a table into `out`; a missing table holds none.
bool read_paths(thread_conn_t& conn, const char* table,
                std::unordered_set<std::string>* out, std::string* why) {
  int exists = table_exists(conn, table);
  if (exists < 0) {
    *why = sqlite3_errmsg(conn.db.get());
    return false;
  }
  if (exists == 0) return true;
  return each_row(conn, std::string("select File_path from ") + table + ";",
                  [&](statement& st) { out->insert(st.text(0)); }, why);
}

}  // namespace

int create_marker_db(const char* path, const char* file, const char* target, int kind) {
  if (kind < MARKER_EXIST || kind > MARKER_HARD_LINK || file == nullptr) return -1;
  thread_conn_t& conn = thread_slot(DB_KEY_MARKER);
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
  if (by_path) {
    // Rows by path go in batches (one per file taken or folder entered).
    std::vector<row_batch::cell> row(1);
    row[0].is_text = true;
    row[0].text = file;
    if (add_batched(conn, kMarkerBatchHead[kind], 1, std::move(row)) != SQLITE_DONE) {
      daemon_print(3, "update error[%s] in %s\n", sqlite3_errmsg(db), path != nullptr ? path : "");
      return -1;
    }
    return 0;
  }
  statement st(conn, kMarkerInsert[kind]);
  bool bound = st.ok() && st.bind(1, file);
  if (bound && link_kind(kind)) bound = st.bind(2, target != nullptr ? target : "");
  if (!bound || st.step() != SQLITE_DONE) {
    daemon_print(3, "update error[%s] in %s\n", sqlite3_errmsg(db), path != nullptr ? path : "");
    return -1;
  }
  return 0;
}

int record_attributes(const char* file, const entry_attributes_t& a) {
  thread_conn_t& conn = thread_slot(DB_KEY_MARKER);
  if (conn.db == nullptr || file == nullptr) return -1;
  if (!ensure_marker_table(conn, "attribute_tbl", kAttributeCreate, true)) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  std::vector<row_batch::cell> row(7);
  row[0].is_text = true;
  row[0].text = file;
  int64_t numbers[] = {a.mode, a.uid, a.gid, a.mtime, a.mtime_nsec, a.size};
  for (size_t i = 0; i < 6; ++i) row[i + 1].number = numbers[i];
  if (add_batched(conn,
                  "insert into attribute_tbl(File_path,File_mode,File_uid,File_gid,File_mtime,"
                  "File_mtime_nsec,File_size)values",
                  7, std::move(row)) != SQLITE_DONE) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  return 0;
}

int finish_marker() {
  thread_conn_t& conn = thread_slot(DB_KEY_MARKER);
  if (conn.db == nullptr || flush_batches(conn) != SQLITE_DONE) return -1;
  int exists = table_exists(conn, "attribute_tbl");
  if (exists < 0) return -1;
  if (exists == 1 && exec(conn.db.get(), path_index_sql("attribute_tbl").c_str()) != SQLITE_OK) {
    return -1;
  }
  return 0;
}

int record_kept(const char* file) {
  thread_conn_t& conn = thread_slot(DB_KEY_MARKER);
  if (conn.db == nullptr || file == nullptr) return -1;
  if (!ensure_marker_table(conn, "kept_tbl", kKeptCreate, false)) return -1;
  statement st(conn, "insert into kept_tbl(File_path)values(?);");
  if (!st.ok() || !st.bind(1, file) || st.step() != SQLITE_DONE) {
    daemon_print(3, "update error[%s]\n", sqlite3_errmsg(conn.db.get()));
    return -1;
  }
  return 0;
}

marker_reader::marker_reader(tree_session& s, std::string path)
    : session_(s), path_(std::move(path)) {}

marker_reader::~marker_reader() = default;

thread_conn_t* marker_reader::conn() {
  if (conn_) return conn_.get();
  // Its read transaction lasts as long as the reader.
  sqlite3_ptr db = open_existing(session_, path_.c_str());
  if (!db) return nullptr;
  conn_ = std::make_unique<thread_conn_t>();
  conn_->reset(db.release());
  return conn_.get();
}

int marker_reader::get_marker_db_status(const char* file) {
  if (file == nullptr) return -1;
  thread_conn_t* c = conn();
  if (c == nullptr) {
    daemon_print(3, "open db %s err \n", path_.c_str());
    return -1;
  }
  int in_exist = listed_in(*c, "exist_tbl", file);
  if (in_exist < 0) return -1;
  if (in_exist == 1) return 0;
  int in_new = listed_in(*c, "new_tbl", file);
  if (in_new < 0) return -1;
  return in_new == 1 ? 0 : 1;
}

long marker_reader::get_marker_db_link_count(int kind) {
  if (!link_kind(kind)) return 0;
  thread_conn_t* c = conn();
  if (c == nullptr) return -1;
  int exists = table_exists(*c, kMarkerTables[kind]);
  if (exists <= 0) return exists;
  statement st(*c, std::string("select count(*) as number from ") + kMarkerTables[kind] + ";");
  if (!st.ok() || st.step() != SQLITE_ROW) return -1;
  long count = static_cast<long>(st.int64(0));
  daemon_print(0, "%s cnt = %ld\n", kMarkerTables[kind], count);
  return count;
}

int marker_reader::get_marker_db_link_file(long row, int kind, std::string* target,
                                           std::string* link) {
  if (target != nullptr) target->clear();
  if (link != nullptr) link->clear();
  if (!link_kind(kind) || target == nullptr || link == nullptr) return -1;
  thread_conn_t* c = conn();
  if (c == nullptr) return -1;
  statement st(*c, std::string("select File_source_path,File_destination_path from ") +
                       kMarkerTables[kind] + " where rowid == ?;");
  if (!st.ok() || !st.bind(1, static_cast<sqlite3_int64>(row)) || st.step() != SQLITE_ROW) {
    return -1;
  }
  *link = st.text(0);
  *target = st.text(1);
  return 0;
}

int marker_reader::previous_size(const char* file, int64_t* size) {
  if (file == nullptr || size == nullptr) return -1;
  thread_conn_t* c = conn();
  if (c == nullptr) return -1;
  int exists = table_exists(*c, "attribute_tbl");
  if (exists <= 0) return exists;
  statement st(*c, "select File_size from attribute_tbl where File_path == ?;");
  if (!st.ok() || !st.bind(1, file)) return -1;
  int rc = st.step();
  if (rc == SQLITE_ROW) {
    *size = st.int64(0);
    return 1;
  }
  return rc == SQLITE_DONE ? 0 : -1;
}

bool marker_reader::folder_sizes(const std::string& folder, size_t limit,
                                 std::vector<std::pair<std::string, int64_t>>* out) {
  out->clear();
  thread_conn_t* c = conn();
  if (c == nullptr) return false;
  int exists = table_exists(*c, "attribute_tbl");
  if (exists <= 0) return exists == 0;
  if (!has_path_index(*c, "attribute_tbl")) return false;  // a range would read the table
  bool ok = folder_rows(*c, "attribute_tbl", "File_size", folder, limit,
                        [&](const std::string& name, statement& st) {
                          out->emplace_back(name, st.int64(1));
                        });
  if (!ok) out->clear();
  return ok;
}

marker_read load_marker(tree_session& s, const std::string& path, bool with_links,
                        marker_t* out, std::string* why) {
  return marker_reader(s, path).load(with_links, out, why);
}

marker_read marker_reader::load(bool with_links, marker_t* out, std::string* why) {
  thread_conn_t* c = conn();
  if (c == nullptr) {
    std::string refused;
    // A database refused for its schema is damaged; one that cannot be opened is missing.
    return session_.take_refused(&refused, why) ? marker_read::damaged : marker_read::missing;
  }
  auto damaged = [&](const char* what) {
    if (why->empty()) *why = what;
    return marker_read::damaged;
  };
  why->clear();
  if (!read_paths(*c, "exist_tbl", &out->listed, why) ||
      !read_paths(*c, "new_tbl", &out->listed, why) ||
      !read_paths(*c, "kept_tbl", &out->kept, why)) {
    return damaged("unreadable paths");
  }
  if (!with_links) return marker_read::ok;
  int attributes = table_exists(*c, "attribute_tbl");
  if (attributes < 0) return damaged(sqlite3_errmsg(c->db.get()));
  if (attributes == 1 &&
      !each_row(*c,
                "select File_path,File_mode,File_uid,File_gid,File_mtime,File_mtime_nsec,"
                "File_size from attribute_tbl;",
                [&](statement& st) {
                  entry_attributes_t a;
                  a.mode = st.int64(1);
                  a.uid = st.int64(2);
                  a.gid = st.int64(3);
                  a.mtime = st.int64(4);
                  a.mtime_nsec = st.int64(5);
                  a.size = st.int64(6);
                  out->attributes[st.text(0)] = a;
                },
                why)) {
    return damaged("unreadable attributes");
  }
  // The link rows, row by row as the table numbers them; a row missing from the count is a
  // marker that no run wrote.
  for (int kind : {MARKER_SYMBOLIC_LINK, MARKER_JUNCTION}) {
    long count = get_marker_db_link_count(kind);
    if (count < 0) return damaged("unreadable links");
    if (count > tessaly::tree_db::kMaxRows) return damaged("too many rows");
    for (long row = 1; row <= count; ++row) {
      link_row_t link;
      link.kind = kind;
      if (get_marker_db_link_file(row, kind, &link.target, &link.link) != 0) {
        return damaged("a link row is missing");
      }
      out->links.push_back(std::move(link));
    }
  }
  return marker_read::ok;
}
