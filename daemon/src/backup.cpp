// The backup run (see backup.h). One backup_run object is one run: it owns its tree session
// (the connection, the tree opened without links, the lock), then its file-time store and
// marker writer (the per-thread keys' databases, db_sql_sqlite3.h), so that they are closed
// before the session lets the tree go; the steps are numbered as the run's description has
// them.
#include "backup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "i18n.h"
#include "log.h"
#include "marker_file.h"
#include "scan_backup_folder.h"
#include "seen_trees.h"
#include "share.h"
#include "tree_files.h"
#include "tree_lock.h"
#include "tree_repair.h"
#include "tree_session.h"

namespace share = tessaly::share;

namespace {

// The local folders of every configured task's tree and of this run's own (when local), as
// they are now; a tree not there (yet) cannot hold a source nor lie in one.
std::vector<tree_folder_t> local_trees(const task_tree_t& own) {
  std::vector<tree_folder_t> trees;
  for (std::string& path : configured_local_trees(own.base)) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    trees.push_back({st.st_dev, st.st_ino, std::move(path)});
  }
  return trees;
}

class backup_run {
 public:
  backup_run(const session_t& task, const GTimeVal& start, const destination_wrap_t& wrap)
      : task_(task), start_(start), wrap_(wrap) {}

  run_outcome run();

 private:
  bool open();
  bool prepare_full_backup(int rows);
  run_outcome write_version();
  bool back_up_source(size_t k, bool filtered);
  run_outcome failed();
  void error(const char* format, const std::string& path) const {
    log_tree_error(task_, format, path);
  }
  bool make_folder(const std::string& path) {
    if (share::mkdirs(dest(), path, 0700) == 0) return true;
    error(_("Failed to write directory %s."), path);
    return false;
  }
  share::destination& dest() { return session_->dest(); }
  const task_tree_t& tree() const { return session_->tree(); }

  const session_t& task_;
  const GTimeVal& start_;
  const destination_wrap_t& wrap_;
  // Declared in the order they are made; they go in the reverse one.
  std::unique_ptr<tree_session> session_;
  thread_db file_time_{DB_KEY_FILE_TIME};
  thread_db marker_{DB_KEY_MARKER};
  backup_config_t config_;
  backup_tally_t tally_;
  swap_hints_t hints_;
  bool full_ = false;
  bool kept_aside_ = false;  // a full backup keeps the previous version in lasttmp
};

// Steps 1 to 4 and 8: connected, the tree opened and locked, a run cut short repaired.
bool backup_run::open() {
  const char* name = task_.name.c_str();
  const char* uuid = task_.uuid.c_str();
  // Step 2.
  if (is_valid_uuid(uuid)) session_ = tree_session::connect(task_, wrap_);
  if (!session_) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return false;
  }
  crash_point("backup.mounted");
  // Step 3: the tree's folder, never reached through a link, and its lock, before anything
  // in it is repaired, written or deleted. A tree that held a completed version is never
  // made again: where it is gone, the disk or share that holds it is most likely absent.
  bool seen = tree_seen(task_.uuid, session_->destination_path());
  if (seen && presence(dest(), tree().base) == 0) {
    error(_("The task folder %s is missing at the destination, which held a completed "
            "version before: the run stops and nothing is written there."),
          tree().base);
    return false;
  }
  if (!session_->open_tree(!seen)) return false;
  if (session_->lock() != tree_lock_t::result::taken) return false;
  crash_point("backup.locked");
  // Steps 4 and 8: a run cut short earlier is finished or undone first.
  if (!recover_interrupted_backup(*session_)) return false;
  crash_point("backup.recovered");
  return true;
}

// Step 5 of a full backup: the tree starts again at version 1. When there is a version to
// lose, it is kept in lasttmp (its history copied, "init" written, then its increments and
// file times moved) and only dropped once the new version is complete.
bool backup_run::prepare_full_backup(int rows) {
  const task_tree_t& tree = this->tree();
  kept_aside_ = false;
  if (rows < 1) {
    if (!remove_if_present(dest(), tree.increments) || !remove_database(dest(), tree.file_time)) {
      error(_("Failed to write directory %s."), tree.increments);
      return false;
    }
    return true;
  }
  if (dest().mkdir(tree.lasttmp, 0700) != 0) {
    error(_("Failed to write directory %s."), tree.lasttmp);
    return false;
  }
  std::string part = aside_history(tree) + ".part";
  int64_t bytes = 0;
  if (copy_file(dest(), tree.history, part, &bytes) != copy_status::ok ||
      dest().rename(part, aside_history(tree)) != 0) {
    error(_("Failed to write file %s."), aside_history(tree));
    return false;
  }
  crash_point("backup.aside_history");
  if (create_status_db(*session_, tree.status.c_str(), "init") != 0) {
    error(_("Failed to write file %s."), tree.status);
    return false;
  }
  kept_aside_ = true;
  crash_point("backup.aside_init");
  int here = presence(dest(), tree.increments);
  if (here < 0 || (here == 1 && dest().rename(tree.increments, aside_increments(tree)) != 0)) {
    error(_("Failed to write directory %s."), tree.increments);
    return false;
  }
  crash_point("backup.aside_increments");
  settle_database(*session_, tree.file_time);
  here = presence(dest(), tree.file_time);
  if (here < 0 || (here == 1 && (dest().rename(tree.file_time, aside_file_time(tree)) != 0 ||
                                 !remove_if_present(dest(), tree.file_time + "-journal")))) {
    error(_("Failed to write file %s."), tree.file_time);
    return false;
  }
  crash_point("backup.aside_file_time");
  return true;
}

// Step 12 for source k: its folders, its marker written by the scan, and its new and changed
// files copied. False when the run must end (logged).
bool backup_run::back_up_source(size_t k, bool filtered) {
  const task_tree_t& tree = this->tree();
  int id = static_cast<int>(k);
  int n = config_.n;
  crash_point("backup.source");
  const std::string& source = task_.sources[k];
  std::string last_k = task_tree_t::source(tree.last, id);
  std::string version_k = task_tree_t::source(tree.version(n), id);
  std::string tmp_k = task_tree_t::source(tree.tmp, id);
  daemon_print(0, "source %d is %s\n", id, source.c_str());
  if (!make_folder(last_k) || !make_folder(version_k) || !make_folder(tmp_k)) return false;
  std::string marker = tree.marker(n, id);
  if (!marker_.open(*session_, marker.c_str())) {
    error(_("Failed to generate backup file for %s."), marker);
    return false;
  }
  backup_context_t ctx{config_, tally_, hints_, source_state_t()};
  ctx.source.table = "id" + std::to_string(id);
  ctx.source.version_dir = version_k;
  // The sizes of the version before: a file whose time stayed but whose size did not is
  // copied again.
  if (n >= 2 && !full_ && presence(dest(), tree.marker(n - 1, id)) == 1) {
    ctx.source.previous = std::make_unique<marker_reader>(*session_, tree.marker(n - 1, id));
  }
  need_update_last() = false;
  if (scan_folder(ctx, source, true, last_k, version_k) < 0) return false;
  crash_point("backup.scanned");
  if (finish_marker() != 0 || marker_.commit() != 0) {
    error(_("Failed to generate backup file for %s."), marker);
    return false;
  }
  marker_.close();
  crash_point("backup.marker");
  if (need_update_last()) {
    const std::string& target_k = config_.direct ? last_k : tmp_k;
    if (filtered) ctx.source.taken = std::make_unique<marker_reader>(*session_, marker);
    if (copy_directory(ctx, source, target_k, filtered, true, marker, last_k, version_k) == 0) {
      error(_("Failed to write directory %s."), target_k);
      return false;
    }
  }
  crash_point("backup.copied");
  need_update_last() = false;
  return true;
}

// Steps 5 to 16 on the open, repaired tree. Every failure is logged.
run_outcome backup_run::write_version() {
  const task_tree_t& tree = this->tree();
  int rows = 0;
  if (presence(dest(), tree.history) == 1 &&
      get_history_db_row(*session_, tree.history.c_str(), &rows) != 0) {
    error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  full_ = task_.action == ACTION_FULL_BACKUP;
  if (full_) {
    if (!prepare_full_backup(rows)) return run_outcome::failed;
  } else if (!remove_if_present(dest(), tree.version(rows + 1))) {
    // Left by a run cut short before its history row: never a completed version.
    error(_("Failed to write directory %s."), tree.version(rows + 1));
    return run_outcome::failed;
  }
  if (!make_folder(tree.increments)) return run_outcome::failed;

  // Step 6: the new version's history row, written before any word that says a run is
  // under way (see recover_interrupted_backup).
  int n = 0;
  if (create_history_db(*session_, tree.history.c_str(), &task_, &n, &start_) != 0 || n < 1 ||
      (full_ && n != 1)) {
    error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  crash_point("backup.history");
  // Step 7.
  if (create_status_db(*session_, tree.status.c_str(), "init") != 0) {
    error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.init");
  // Steps 8 and 9 (left-overs were removed by the repair).
  if (!make_folder(tree.last) || !make_folder(tree.version(n)) || !make_folder(tree.tmp)) {
    return run_outcome::failed;
  }
  crash_point("backup.folders");
  // Step 10.
  if (!file_time_.open(*session_, tree.file_time.c_str())) {
    error(_("Failed to open file %s."), tree.file_time);
    return run_outcome::failed;
  }
  // Step 11: what stays the same for every source.
  bool filtered = check_filter(task_.filter.extensions);
  config_.session = session_.get();
  config_.dest = &dest();
  config_.stop = stop_token(task_.uuid);
  config_.uuid = task_.uuid;
  config_.name = task_.name;
  config_.extensions = task_.filter.extensions;
  config_.filtered = filtered;
  config_.base = tree.base;
  config_.status_path = tree.status;
  config_.smb = share::is_smb_path(tree.base);
  config_.n = n;
  // The first version of a tree without any (rows counts the history before this run): when
  // last holds nothing, the copy goes straight into last instead of through tmp.
  if (n == 1 && rows == 0) {
    std::vector<share::entry_t> held;
    config_.direct = dest().list(tree.last, &held) == 0 && held.empty();
  }
  config_.trees = local_trees(tree);

  // Step 12.
  for (size_t k = 0; k < task_.sources.size() && !config_.stop.stop_requested(); ++k) {
    if (!back_up_source(k, filtered)) return run_outcome::failed;
  }

  // Step 13: the run's file times are dropped with their handle.
  if (config_.stop.stop_requested()) return run_outcome::stopped;

  // Step 14: "cleaning" first, so that a run cut short in the move is finished by the next
  // one and never thrown away (last already holds part of the new copy). Before that, the
  // tree's folders must still be those the run wrote into: one moved away or replaced by a
  // link meanwhile stops the run while it can still be undone.
  std::string offending;
  if (!session_->tree_intact(&offending)) {
    error(_("%s is a link or not what the task folder keeps there: the run stops and "
            "nothing in the task folder is changed."),
          offending);
    return run_outcome::failed;
  }
  if (create_status_db(*session_, tree.status.c_str(), "cleaning") != 0) {
    error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.cleaning");
  if (scan_folder_swap(dest(), tree.tmp, tree.last, kept_folder(tree, n), &hints_) == 0) {
    error(_("Failed to write directory %s."), tree.last);
    return run_outcome::failed;
  }
  crash_point("backup.swapped");
  // Step 15: the move left tmp empty but for what it could not move.
  if (dest().rmdir(tree.tmp) != 0 && !remove_if_present(dest(), tree.tmp)) {
    error(_("Failed to write directory %s."), tree.tmp);
    return run_outcome::failed;
  }
  crash_point("backup.tmp_removed");
  if (create_status_db(*session_, tree.status.c_str(), "complete") != 0) {
    error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.complete");
  // Step 16: the file times count only now that their files are in last.
  if (file_time_.commit() != 0) error(_("Failed to write file %s."), tree.file_time);
  crash_point("backup.file_time");
  file_time_.close();
  if (kept_aside_ && !remove_if_present(dest(), tree.lasttmp)) {
    daemon_print(0, "remove %s error\n", tree.lasttmp.c_str());  // a left-over for the next run
  }
  crash_point("backup.done");
  return run_outcome::completed;
}

// A run that failed on a database of the tree whose schema holds more than plain tables
// says so: the tree is damaged, not out of reach.
run_outcome backup_run::failed() {
  std::string path;
  std::string why;
  if (session_ && session_->take_refused(&path, &why)) {
    log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                       _("The database %s of the task folder is damaged (it holds %s) and is "
                         "not read: the run stops."),
                       path_format_to_win(path).c_str(), why.c_str());
  }
  return run_outcome::failed;
}

run_outcome backup_run::run() {
  const char* name = task_.name.c_str();
  const char* uuid = task_.uuid.c_str();
  // Step 1.
  log_session(&start_, name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s was started."), name);
  if (!open()) return failed();
  run_outcome outcome = write_version();
  if (outcome == run_outcome::failed) return failed();
  // The tree is let go (what the run did not commit dropped) before the run's last record.
  marker_.close();
  file_time_.close();
  std::string destination = session_->destination_path();
  session_.reset();
  if (outcome == run_outcome::stopped) {
    log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s is stopped by user."), name);
    return outcome;
  }
  remember_tree(task_.uuid, destination);
  // Step 17.
  if (tally_.skipped > 0) {
    log_session_append(name, uuid, MSG_LEVEL_WARNING,
                       _("Backup %s is incomplete: %ld files or folders could not be backed up."),
                       name, tally_.skipped);
    return run_outcome::incomplete;
  }
  log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s is completed."), name);
  return outcome;
}

}  // namespace

run_outcome backup_session(const session_t* session, const GTimeVal* start,
                           const destination_wrap_t& wrap) {
  if (session == nullptr || start == nullptr) return run_outcome::failed;
  return backup_run(*session, *start, wrap).run();
}

run_outcome backup_uuid(const char* uuid, const GTimeVal* start) {
  session_t task;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (uuid == nullptr || !find_session(uuid, &task)) return run_outcome::not_found;
  }
  return backup_session(&task, start);
}
