// Rows of a query on an SQLite file as it lies on disk, read with plain SQLite (not through
// the service's share layer), so that a test sees what really reached the file.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace test_support {

// One text per row, columns joined with "|"; a file that cannot be opened or a query that
// fails gives one row that says so.
inline std::vector<std::string> query(const std::string& file, const std::string& sql) {
  std::vector<std::string> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return {"<cannot open " + file + ">"};
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    rows.push_back(std::string("<error: ") + sqlite3_errmsg(db) + ">");
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (i) row += "|";
        const unsigned char* t = sqlite3_column_text(st, i);
        row.append(t ? reinterpret_cast<const char*>(t) : "<null>",
                   t ? static_cast<size_t>(sqlite3_column_bytes(st, i)) : 6);
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

}  // namespace test_support
