// The repair of a task tree (see tree_repair.h).
#include "tree_repair.h"

#include <cerrno>

#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "i18n.h"
#include "log.h"
#include "scan_backup_folder.h"
#include "tree_files.h"

namespace share = tessaly::share;

std::string aside_history(const task_tree_t& t) { return t.lasttmp + "/history.db"; }
std::string aside_increments(const task_tree_t& t) { return t.lasttmp + "/increments"; }
std::string aside_file_time(const task_tree_t& t) { return t.lasttmp + "/file_time.db"; }

bool remove_if_present(share::destination& d, const std::string& path) {
  return rm_directory(d, path) == 0;
}

bool remove_database(share::destination& d, const std::string& path) {
  return remove_if_present(d, path + "-journal") && remove_if_present(d, path);
}

bool replace_database(share::destination& d, const std::string& from, const std::string& to) {
  return remove_if_present(d, to + "-journal") && d.rename(from, to) == 0;
}

void settle_database(tree_session& s, const std::string& path) {
  share::destination& d = s.dest();
  if (presence(d, path + "-journal") != 1) return;
  close_db(open_db(s, path.c_str()));
}

void log_tree_error(const session_t& task, const char* format, const std::string& path) {
  log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR, format,
                     path_format_to_win(path).c_str());
}

std::string kept_folder(const task_tree_t& tree, int n) {
  return n >= 2 ? tree.version(n) + "/kept" : std::string();
}

namespace {

// Finishes the move of tmp into last of a run that wrote "cleaning" (version `rows`).
bool roll_forward(tree_session& s, int rows) {
  share::destination& d = s.dest();
  const task_tree_t& tree = s.tree();
  const session_t& task = s.task();
  int tmp_here = presence(d, tree.tmp);
  if (tmp_here < 0) {
    log_tree_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  if (tmp_here == 1) {
    if (presence(d, tree.last) == 0) d.mkdir(tree.last, 0700);
    // The file times of entries kept aside are forgotten in the same transaction as the move.
    thread_db file_time(DB_KEY_FILE_TIME);
    if (!file_time.open(s, tree.file_time.c_str()) ||
        scan_folder_swap(d, tree.tmp, tree.last, kept_folder(tree, rows)) == 0 ||
        file_time.commit() != 0) {
      log_tree_error(task, _("Failed to write directory %s."), tree.last);
      return false;
    }
    file_time.close();
    crash_point("recover.swapped");
    if (!remove_if_present(d, tree.tmp)) {
      log_tree_error(task, _("Failed to write directory %s."), tree.tmp);
      return false;
    }
  }
  if (create_status_db(s, tree.status.c_str(), "complete") != 0) {
    log_tree_error(task, _("Failed to write file %s."), tree.status);
    return false;
  }
  crash_point("recover.rolled");
  return true;
}

// Puts back the previous version that a full backup kept aside: its increments, its file
// times and its history. history.db is copied back (not moved), so that lasttmp keeps
// telling what to do until "complete" is written.
bool put_back(tree_session& s) {
  share::destination& d = s.dest();
  const task_tree_t& tree = s.tree();
  const session_t& task = s.task();
  if (!remove_if_present(d, tree.tmp)) {
    log_tree_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  int kept = presence(d, aside_increments(tree));
  if (kept < 0 ||
      (kept == 1 && (!remove_if_present(d, tree.increments) ||
                     d.rename(aside_increments(tree), tree.increments) != 0))) {
    log_tree_error(task, _("Failed to write directory %s."), tree.increments);
    return false;
  }
  crash_point("recover.increments_back");
  kept = presence(d, aside_file_time(tree));
  if (kept < 0 || (kept == 1 && !replace_database(d, aside_file_time(tree), tree.file_time))) {
    log_tree_error(task, _("Failed to write file %s."), tree.file_time);
    return false;
  }
  crash_point("recover.file_time_back");
  std::string part = tree.lasttmp + "/history.db.part";
  int64_t bytes = 0;
  if (copy_file(d, aside_history(tree), part, &bytes) != copy_status::ok ||
      !replace_database(d, part, tree.history)) {
    log_tree_error(task, _("Failed to write file %s."), tree.history);
    return false;
  }
  crash_point("recover.history_back");
  if (create_status_db(s, tree.status.c_str(), "complete") != 0) {
    log_tree_error(task, _("Failed to write file %s."), tree.status);
    return false;
  }
  crash_point("recover.put_back");
  return true;
}

}  // namespace

bool recover_interrupted_backup(tree_session& s) {
  share::destination& d = s.dest();
  const task_tree_t& tree = s.tree();
  const session_t& task = s.task();
  int status_here = presence(d, tree.status);
  std::string word;
  if (status_here < 0 ||
      (status_here == 1 && check_last_status(s, tree.status.c_str(), &word) != 0)) {
    // Never taken for an interrupted run: that would throw a completed version away.
    log_tree_error(task, _("Failed to open file %s."), tree.status);
    return false;
  }
  int history_here = presence(d, tree.history);
  int rows = 0;
  if (history_here < 0 ||
      (history_here == 1 && get_history_db_row(s, tree.history.c_str(), &rows) != 0)) {
    log_tree_error(task, _("Failed to open file %s."), tree.history);
    return false;
  }
  int lasttmp_here = presence(d, tree.lasttmp);
  int kept_history = lasttmp_here == 1 ? presence(d, aside_history(tree)) : 0;
  if (lasttmp_here < 0 || kept_history < 0) {
    log_tree_error(task, _("Failed to open file %s."), tree.lasttmp);
    return false;
  }
  bool complete = status_here == 0 || word == "complete";

  if (kept_history == 1) {
    // A full backup was under way with the previous version kept aside.
    if (word == "cleaning") {
      if (!roll_forward(s, rows)) return false;
    } else if (!complete) {
      if (!put_back(s)) return false;
    }
    if (!remove_if_present(d, tree.lasttmp)) {
      log_tree_error(task, _("Failed to write directory %s."), tree.lasttmp);
      return false;
    }
    crash_point("recover.lasttmp_removed");
    return true;
  }
  if (lasttmp_here == 1 && !remove_if_present(d, tree.lasttmp)) {
    log_tree_error(task, _("Failed to write directory %s."), tree.lasttmp);
    return false;
  }

  if (word == "cleaning") return roll_forward(s, rows);

  if (!complete) {
    // Cut short before the move: last is untouched; the run's work goes.
    if (!remove_if_present(d, tree.tmp) || (rows >= 1 && !remove_if_present(d, tree.version(rows)))) {
      log_tree_error(task, _("Failed to write directory %s."), tree.base);
      return false;
    }
    crash_point("recover.discarded");
    if (create_status_db(s, tree.status.c_str(), "complete") != 0) {
      log_tree_error(task, _("Failed to write file %s."), tree.status);
      return false;
    }
    crash_point("recover.complete");
    // From here on the newest row has no increments folder: the rule below deletes it,
    // also when this run is cut short before it does.
  }

  if (rows >= 1) {
    int folder = presence(d, tree.version(rows));
    if (folder < 0) {
      log_tree_error(task, _("Failed to open file %s."), tree.version(rows));
      return false;
    }
    if (folder == 0) {
      if (delete_last_history(s, tree.history.c_str()) != 0) {
        log_tree_error(task, _("Failed to write file %s."), tree.history);
        return false;
      }
      daemon_print(0, "history row %d of an unfinished run deleted\n", rows);
      crash_point("recover.row_deleted");
    }
  }
  if (!remove_if_present(d, tree.tmp)) {
    log_tree_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  return true;
}

