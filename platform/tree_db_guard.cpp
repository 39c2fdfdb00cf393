// Guards for SQLite databases read from a task tree (see tree_db_guard.h).
#include "tree_db_guard.h"

#include <cctype>
#include <string_view>

namespace tessaly::tree_db {

namespace {

// SQLite calls the progress handler once per this many virtual-machine steps.
constexpr int kOpsPerCall = 1000;

bool starts_with_words(std::string_view sql, std::string_view words) {
  // Compares word by word, ignoring case and any run of blanks between the words.
  size_t i = 0;
  size_t j = 0;
  while (j < words.size()) {
    if (words[j] == ' ') {
      if (i >= sql.size() || !std::isspace(static_cast<unsigned char>(sql[i]))) return false;
      while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
      ++j;
      continue;
    }
    if (i >= sql.size() || std::toupper(static_cast<unsigned char>(sql[i])) != words[j]) {
      return false;
    }
    ++i;
    ++j;
  }
  return true;
}

std::string_view column_text(sqlite3_stmt* stmt, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
  if (text == nullptr) return {};
  return std::string_view(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column)));
}

}  // namespace

void harden(sqlite3* db) {
  if (db == nullptr) return;
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

int check_plain_tables(sqlite3* db, std::string* why) {
  if (why != nullptr) why->clear();
  if (db == nullptr) {
    if (why != nullptr) *why = "no database";
    return -1;
  }
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT type, name, sql FROM sqlite_master;", -1, &stmt,
                         nullptr) != SQLITE_OK) {
    if (why != nullptr) *why = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
    return -1;
  }
  int result = 0;
  int64_t rows = 0;
  for (;;) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      if (why != nullptr) *why = sqlite3_errmsg(db);
      result = -1;
      break;
    }
    if (++rows > kMaxRows) {
      if (why != nullptr) *why = "too many schema entries";
      result = -1;
      break;
    }
    const std::string_view type = column_text(stmt, 0);
    const std::string_view sql = column_text(stmt, 2);
    const bool plain = type == "index" ||
                       (type == "table" && !starts_with_words(sql, "CREATE VIRTUAL TABLE"));
    if (!plain) {
      if (why != nullptr) {
        *why = std::string(type.empty() ? "object" : type) + " " + std::string(column_text(stmt, 1));
      }
      result = -1;
      break;
    }
  }
  sqlite3_finalize(stmt);
  return result;
}

query_bound::query_bound(sqlite3* db, uint64_t max_ops)
    : db_(db), max_calls_(max_ops / kOpsPerCall + 1) {
  if (db_ != nullptr) sqlite3_progress_handler(db_, kOpsPerCall, &query_bound::on_progress, this);
}

query_bound::~query_bound() {
  if (db_ != nullptr) sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

int query_bound::on_progress(void* self) {
  auto* bound = static_cast<query_bound*>(self);
  if (++bound->calls_ <= bound->max_calls_) return 0;
  bound->tripped_ = true;
  return 1;  // the statement ends with SQLITE_INTERRUPT
}

int open_check(sqlite3* db, std::string* why) {
  harden(db);
  query_bound bound(db);
  return check_plain_tables(db, why);
}

}  // namespace tessaly::tree_db
