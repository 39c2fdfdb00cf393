// Backup and restore runs of a task (see backup.h).
#include "backup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

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

struct run_t {
  tree_session& session;
  const session_t& task;
  const task_tree_t& tree;
  const GTimeVal* start;

  share::destination& dest() const { return session.dest(); }
  void error(const char* format, const std::string& path) const {
    log_tree_error(task, format, path);
  }
};

// Step 5 of a full backup: the tree starts again at version 1. When there is a version to
// lose, it is kept in lasttmp (its history copied, "init" written, then its increments and
// file times moved) and only dropped once the new version is complete.
bool prepare_full_backup(const run_t& run, int rows, bool* kept_aside) {
  const task_tree_t& tree = run.tree;
  *kept_aside = false;
  if (rows < 1) {
    if (!remove_if_present(run.dest(), tree.increments) || !remove_database(run.dest(), tree.file_time)) {
      run.error(_("Failed to write directory %s."), tree.increments);
      return false;
    }
    return true;
  }
  if (run.dest().mkdir(tree.lasttmp, 0700) != 0) {
    run.error(_("Failed to write directory %s."), tree.lasttmp);
    return false;
  }
  std::string part = aside_history(tree) + ".part";
  int64_t bytes = 0;
  if (copy_file(run.dest(), tree.history, part, &bytes) != copy_status::ok ||
      run.dest().rename(part, aside_history(tree)) != 0) {
    run.error(_("Failed to write file %s."), aside_history(tree));
    return false;
  }
  crash_point("backup.aside_history");
  if (create_status_db(run.session, tree.status.c_str(), "init") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return false;
  }
  *kept_aside = true;
  crash_point("backup.aside_init");
  int here = presence(run.dest(), tree.increments);
  if (here < 0 || (here == 1 && run.dest().rename(tree.increments, aside_increments(tree)) != 0)) {
    run.error(_("Failed to write directory %s."), tree.increments);
    return false;
  }
  crash_point("backup.aside_increments");
  settle_database(run.session, tree.file_time);
  here = presence(run.dest(), tree.file_time);
  if (here < 0 || (here == 1 && (run.dest().rename(tree.file_time, aside_file_time(tree)) != 0 ||
                                 !remove_if_present(run.dest(), tree.file_time + "-journal")))) {
    run.error(_("Failed to write file %s."), tree.file_time);
    return false;
  }
  crash_point("backup.aside_file_time");
  return true;
}

// The local folders of every configured task's tree and of this run's own (when local), as
// they are now; a tree not there (yet) cannot hold a source nor lie in one.
std::vector<backup_context_t::tree_folder_t> local_trees(const task_tree_t& own, bool smb) {
  std::vector<backup_context_t::tree_folder_t> trees;
  std::vector<std::string> paths = configured_local_trees();
  if (!smb) paths.push_back(own.base);
  for (std::string& path : paths) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    trees.push_back({st.st_dev, st.st_ino, std::move(path)});
  }
  return trees;
}

bool make_folder(const run_t& run, const std::string& path) {
  if (share::mkdirs(run.dest(), path, 0700) == 0) return true;
  run.error(_("Failed to write directory %s."), path);
  return false;
}

// Steps 6 to 17 on a mounted, repaired tree. Returns the outcome; every failure is logged.
run_outcome run_backup(const run_t& run, long* skipped) {
  const session_t& task = run.task;
  const task_tree_t& tree = run.tree;
  const char* uuid = task.uuid.c_str();

  int rows = 0;
  if (presence(run.dest(), tree.history) == 1 && get_history_db_row(run.session, tree.history.c_str(), &rows) != 0) {
    run.error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  bool full = task.action == ACTION_FULL_BACKUP;
  bool kept_aside = false;
  if (full) {
    if (!prepare_full_backup(run, rows, &kept_aside)) return run_outcome::failed;
  } else if (!remove_if_present(run.dest(), tree.version(rows + 1))) {
    // Left by a run cut short before its history row: never a completed version.
    run.error(_("Failed to write directory %s."), tree.version(rows + 1));
    return run_outcome::failed;
  }
  if (!make_folder(run, tree.increments)) return run_outcome::failed;

  // Step 6: the new version's history row, written before any word that says a run is
  // under way (see recover_interrupted_backup).
  int n = 0;
  if (create_history_db(run.session, tree.history.c_str(), &task, &n, run.start) != 0 || n < 1 ||
      (full && n != 1)) {
    run.error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  crash_point("backup.history");
  // Step 7.
  if (create_status_db(run.session, tree.status.c_str(), "init") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.init");
  // Steps 8 and 9 (left-overs were removed by the repair).
  if (!make_folder(run, tree.last) || !make_folder(run, tree.version(n)) ||
      !make_folder(run, tree.tmp)) {
    return run_outcome::failed;
  }
  crash_point("backup.folders");
  // Step 10.
  if (!open_thread_db(run.session, DB_KEY_FILE_TIME, tree.file_time.c_str())) {
    run.error(_("Failed to open file %s."), tree.file_time);
    return run_outcome::failed;
  }
  // Step 11.
  need_update_last() = false;
  bool filtered = check_filter(task.filter.extensions);

  backup_context_t ctx;
  ctx.session = &run.session;
  ctx.dest = &run.dest();
  ctx.uuid = task.uuid;
  ctx.name = task.name;
  ctx.extensions = task.filter.extensions;
  ctx.base = tree.base;
  ctx.status_path = tree.status;
  ctx.smb = share::is_smb_path(tree.base);
  ctx.n = n;
  // The first version of a tree without any (rows counts the history before this run): when
  // last holds nothing, the copy goes straight into last instead of through tmp.
  if (n == 1 && rows == 0) {
    std::vector<share::entry_t> held;
    ctx.direct = run.dest().list(tree.last, &held) == 0 && held.empty();
  }
  ctx.trees = local_trees(tree, ctx.smb);

  // Step 12.
  for (size_t k = 0; k < task.sources.size() && !need_exit(uuid); ++k) {
    int id = static_cast<int>(k);
    crash_point("backup.source");
    const std::string& source = task.sources[k];
    std::string last_k = task_tree_t::source(tree.last, id);
    std::string version_k = task_tree_t::source(tree.version(n), id);
    std::string tmp_k = task_tree_t::source(tree.tmp, id);
    daemon_print(0, "source %d is %s\n", id, source.c_str());
    if (!make_folder(run, last_k) || !make_folder(run, version_k) || !make_folder(run, tmp_k)) {
      return run_outcome::failed;
    }
    std::string marker = tree.marker(n, id);
    if (!open_thread_db(run.session, DB_KEY_MARKER, marker.c_str())) {
      run.error(_("Failed to generate backup file for %s."), marker);
      return run_outcome::failed;
    }
    ctx.table = "id" + std::to_string(id);
    // The sizes of the version before: a file whose time stayed but whose size did not is
    // copied again.
    ctx.previous_marker.clear();
    if (n >= 2 && !full && presence(run.dest(), tree.marker(n - 1, id)) == 1) {
      ctx.previous_marker = tree.marker(n - 1, id);
    }
    if (scan_folder(ctx, source, true, last_k, version_k) < 0) return run_outcome::failed;
    crash_point("backup.scanned");
    if (finish_marker() != 0 || commit_thread_db(DB_KEY_MARKER) != 0) {
      run.error(_("Failed to generate backup file for %s."), marker);
      return run_outcome::failed;
    }
    close_thread_db(DB_KEY_MARKER);
    crash_point("backup.marker");
    if (need_update_last()) {
      const std::string& target_k = ctx.direct ? last_k : tmp_k;
      if (copy_directory(ctx, source, target_k, filtered, true, marker, last_k, version_k) == 0) {
        run.error(_("Failed to write directory %s."), target_k);
        return run_outcome::failed;
      }
    }
    crash_point("backup.copied");
    need_update_last() = false;
  }

  // Step 13.
  if (need_exit(uuid)) {
    close_thread_db(DB_KEY_FILE_TIME);  // the run's file times are dropped
    return run_outcome::stopped;
  }

  // Step 14: "cleaning" first, so that a run cut short in the move is finished by the next
  // one and never thrown away (last already holds part of the new copy). Before that, the
  // tree's folders must still be those the run wrote into: one moved away or replaced by a
  // link meanwhile stops the run while it can still be undone.
  std::string offending;
  if (!run.session.tree_intact(&offending)) {
    run.error(_("%s is a link or not what the task folder keeps there: the run stops and "
                "nothing in the task folder is changed."),
              offending);
    return run_outcome::failed;
  }
  if (create_status_db(run.session, tree.status.c_str(), "cleaning") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.cleaning");
  if (scan_folder_swap(run.dest(), tree.tmp, tree.last, kept_folder(tree, n), &ctx.hints) == 0) {
    run.error(_("Failed to write directory %s."), tree.last);
    return run_outcome::failed;
  }
  crash_point("backup.swapped");
  // Step 15: the move left tmp empty but for what it could not move.
  if (run.dest().rmdir(tree.tmp) != 0 && !remove_if_present(run.dest(), tree.tmp)) {
    run.error(_("Failed to write directory %s."), tree.tmp);
    return run_outcome::failed;
  }
  crash_point("backup.tmp_removed");
  if (create_status_db(run.session, tree.status.c_str(), "complete") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.complete");
  // Step 16: the file times count only now that their files are in last.
  if (commit_thread_db(DB_KEY_FILE_TIME) != 0) {
    run.error(_("Failed to write file %s."), tree.file_time);
  }
  crash_point("backup.file_time");
  close_thread_db(DB_KEY_FILE_TIME);
  if (kept_aside && !remove_if_present(run.dest(), tree.lasttmp)) {
    daemon_print(0, "remove %s error\n", tree.lasttmp.c_str());  // a left-over for the next run
  }
  crash_point("backup.done");
  *skipped = ctx.skipped;
  return run_outcome::completed;
}

// A run that failed on a database of the tree whose schema holds more than plain tables
// says so: the tree is damaged, not out of reach.
run_outcome failed_run(tree_session& s) {
  const session_t& task = s.task();
  std::string path;
  std::string why;
  if (s.take_refused(&path, &why)) {
    log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR,
                       _("The database %s of the task folder is damaged (it holds %s) and is "
                         "not read: the run stops."),
                       path_format_to_win(path).c_str(), why.c_str());
  }
  return run_outcome::failed;
}

}  // namespace

run_outcome backup_session(const session_t* session, const GTimeVal* start,
                           const destination_wrap_t& wrap) {
  if (session == nullptr || start == nullptr) return run_outcome::failed;
  const session_t& task = *session;
  const char* name = task.name.c_str();
  const char* uuid = task.uuid.c_str();
  // Step 1.
  log_session(start, name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s was started."), name);
  // Step 2.
  std::unique_ptr<tree_session> s = is_valid_uuid(uuid) ? tree_session::connect(task, wrap)
                                                        : nullptr;
  if (!s) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return run_outcome::failed;
  }
  crash_point("backup.mounted");
  const task_tree_t& tree = s->tree();
  const std::string destination = s->destination_path();
  run_t run{*s, task, tree, start};

  // Step 3: the tree's folder, never reached through a link, and its lock, before anything
  // in it is repaired, written or deleted. A tree that held a completed version is never
  // made again: where it is gone, the disk or share that holds it is most likely absent.
  bool seen = tree_seen(task.uuid, destination);
  if (seen && presence(s->dest(), tree.base) == 0) {
    log_tree_error(task,
                   _("The task folder %s is missing at the destination, which held a completed "
                     "version before: the run stops and nothing is written there."),
                   tree.base);
    return run_outcome::failed;
  }
  if (!s->open_tree(!seen)) return run_outcome::failed;
  if (s->lock() != tree_lock_t::result::taken) return run_outcome::failed;
  crash_point("backup.locked");
  // Steps 4 and 8: a run cut short earlier is finished or undone first.
  if (!recover_interrupted_backup(*s)) return failed_run(*s);
  crash_point("backup.recovered");

  long skipped = 0;
  run_outcome outcome = run_backup(run, &skipped);
  if (outcome == run_outcome::failed) return failed_run(*s);
  // The tree is let go (what the run did not commit dropped) before the run's last record.
  close_thread_dbs();
  s.reset();
  if (outcome == run_outcome::stopped) {
    log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s is stopped by user."), name);
    return outcome;
  }
  remember_tree(task.uuid, destination);
  // Step 17.
  if (skipped > 0) {
    log_session_append(name, uuid, MSG_LEVEL_WARNING,
                       _("Backup %s is incomplete: %ld files or folders could not be backed up."),
                       name, skipped);
    return run_outcome::incomplete;
  }
  log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s is completed."), name);
  return outcome;
}

run_outcome backup_uuid(const char* uuid, const GTimeVal* start) {
  session_t task;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (uuid == nullptr || !find_session(uuid, &task)) return run_outcome::not_found;
  }
  return backup_session(&task, start);
}
