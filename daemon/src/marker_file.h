// marker.dat, one per source and version (increments/<n>/id<k>/marker.dat): what existed in
// source k at version n, what each entry was, and the links found there. This module is the
// one place that knows its tables: the scan writes it through the calling thread's marker
// connection (the per-thread key DB_KEY_MARKER, db_sql_sqlite3.h), the copy asks it which
// entries a filtered version took, the next run reads the sizes it recorded, and the restore
// reads it whole (marker_reader).
//
// The tables of the task tree's format, with their statements kept word for word (they are
// what sqlite_master shows to every reader; values are bound, never spliced into the text):
//   exist_tbl          every file taken and folder entered, by relative path
//   new_tbl            read beside exist_tbl, written by no run
//   symbolic_link_tbl  a symbolic link: its full path in the source and its target
//   junction_tbl       an absolute link to a folder, the same way
//   shortcut_tbl, hard_link_tbl   written by no run
// and two tables beside them (older trees have neither, and readers that do not know them
// are not affected):
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
// A marker read from the tree is data from the destination: it is read only when its schema
// holds plain tables, and every statement on it is bounded in work and rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class tree_session;
enum class marker_read { ok, missing, damaged };

// Kinds of marker.dat rows; the number picks the table.
enum marker_kind {
  MARKER_EXIST = 0,          // exist_tbl: every file taken and folder entered
  MARKER_NEW = 1,            // new_tbl: read beside exist_tbl, written by no run
  MARKER_SYMBOLIC_LINK = 2,  // symbolic_link_tbl
  MARKER_JUNCTION = 3,       // junction_tbl
  MARKER_SHORTCUT = 4,       // shortcut_tbl
  MARKER_HARD_LINK = 5,      // hard_link_tbl
};

struct entry_attributes_t {
  int64_t mode = 0;
  int64_t uid = 0;
  int64_t gid = 0;
  int64_t mtime = 0;
  int64_t mtime_nsec = 0;
  int64_t size = 0;
};

// ---------------------------------------------------------------------------------------
// Writing (the scan), on the calling thread's marker connection.
// ---------------------------------------------------------------------------------------

// Adds a row to the kind's table (`file` alone for kinds 0 and 1, `file` and `target` for 2
// to 5), making the table when missing. `path` names the marker in messages only. 0 or -1.
int create_marker_db(const char* path, const char* file, const char* target, int kind);
// Rows of attribute_tbl and kept_tbl (the tables made at first use). 0 or -1.
int record_attributes(const char* file, const entry_attributes_t& attributes);
int record_kept(const char* file);
// Rows of exist_tbl, new_tbl and attribute_tbl wait in batches of the connection (a
// failure of one shows at a later call); finish_marker and the commit write what waits.
// Writes what waits, before the marker's commit (and makes the path index of attribute_tbl
// where the table lacks it). 0 or -1.
int finish_marker();

// ---------------------------------------------------------------------------------------
// Reading.
// ---------------------------------------------------------------------------------------

namespace tree_sql {
struct thread_conn_t;
}

// A version's marker read whole, as the restore needs it.
struct link_row_t {
  int kind = 0;
  std::string link;    // full path of the link in the source
  std::string target;  // its target as recorded
};
struct marker_t {
  std::unordered_set<std::string> listed;  // exist_tbl and new_tbl
  std::vector<link_row_t> links;           // symbolic_link_tbl, then junction_tbl
  // attribute_tbl: what each entry was (none in trees written before the table existed).
  std::unordered_map<std::string, entry_attributes_t> attributes;
  std::unordered_set<std::string> kept;    // kept_tbl: entries whose type the run changed
};

// A marker of the tree read through one connection, opened (and checked) at the first
// question and kept open, in a read transaction of its own, until the reader goes: a walk
// asks it once per entry, and on a share the pages read once are not asked for again.
class marker_reader {
 public:
  marker_reader(tree_session& s, std::string path);
  ~marker_reader();
  marker_reader(const marker_reader&) = delete;
  marker_reader& operator=(const marker_reader&) = delete;

  // -1 when the marker does not exist or cannot be read, 0 when `file` is listed in
  // exist_tbl or new_tbl, 1 when not.
  int get_marker_db_status(const char* file);
  // Rows of the kind's table (kinds 2 to 5); 0 for other kinds or a missing table, -1 when
  // the marker cannot be read.
  long get_marker_db_link_count(int kind);
  // 0 with the target and the link path of row `row` (1-based), or -1 with both cleared.
  int get_marker_db_link_file(long row, int kind, std::string* target, std::string* link);
  // The size that the marker recorded for `file`: 1 found, 0 not (no such row or no
  // attribute table), -1 when the marker cannot be read.
  int previous_size(const char* file, int64_t* size);
  // The sizes recorded for the entries right inside `folder` ("" for the source folder), as
  // (name, size) in the order of the names' bytes: previous_size of each of them, read at
  // once. True with none when the marker has no attribute table; false when they cannot be
  // read so (no path index, an error, more than `limit`): previous_size answers then.
  bool folder_sizes(const std::string& folder, size_t limit,
                    std::vector<std::pair<std::string, int64_t>>* out);
  // The marker read whole (see load_marker).
  marker_read load(bool with_links, marker_t* out, std::string* why);

 private:
  tree_sql::thread_conn_t* conn();

  tree_session& session_;
  std::string path_;
  std::unique_ptr<tree_sql::thread_conn_t> conn_;
};

// Reads the marker at `path`: listed and kept always, attributes and links `with_links`.
// missing: no such file, or no database that can be opened; damaged: more than plain tables,
// a query that failed or too many rows (`why` tells).
marker_read load_marker(tree_session& s, const std::string& path, bool with_links,
                        marker_t* out, std::string* why);
