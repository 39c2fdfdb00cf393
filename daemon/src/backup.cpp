// Backup and restore runs of a task (see backup.h).
#include "backup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "fd_util.h"
#include "i18n.h"
#include "log.h"
#include "scan_backup_folder.h"
#include "seen_trees.h"
#include "share.h"
#include "task_destination.h"
#include "tree_lock.h"

// ---------------------------------------------------------------------------------------
// The connection to the destination.
//
// The account travels with the thread's share connection; its name is split into user and
// domain by the rule the controller uses too (task_destination.h).
// ---------------------------------------------------------------------------------------

bool mount_disk(const session_t* session, std::string* path) {
  if (path == nullptr) return false;
  path->clear();
  if (session == nullptr || session->destinations.empty()) return false;
  const destination_t& destination = session->destinations.front();
  *path = destination.path;

  bool logged_on;
  if (destination.anonymous) {
    logged_on = set_guest_privilege();
  } else {
    std::string user;
    std::string domain;
    tessaly::split_account_name(destination.user, &user, &domain);
    logged_on = set_user_privilege(user.c_str(), destination.password.c_str(), domain.c_str());
  }
  if (!logged_on) return false;
  // Connecting is what proves the account: a wrong password, a missing share or a server
  // that does not answer fails here, before anything of the tree is touched.
  if (tessaly::share::probe_folder(*path) != 0) {
    daemon_print(3, "can not reach %s: %s\n", path->c_str(), std::strerror(errno));
    cancel_user_privilege();
    return false;
  }
  return true;
}

bool umount_disk(const std::string& /*path*/) {
  close_thread_dbs();
  tessaly::share::unpin_tree();
  return cancel_user_privilege();
}

// ---------------------------------------------------------------------------------------
// The task tree.
// ---------------------------------------------------------------------------------------

namespace share = tessaly::share;

task_tree_t::task_tree_t(const std::string& destination, const std::string& uuid) {
  std::string root = destination;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  base = root + "/" + uuid;
  lasttmp = base + "/lasttmp";
  tmp = base + "/tmp";
  status = base + "/status.db";
  history = base + "/history.db";
  file_time = base + "/file_time.db";
  increments = base + "/increments";
  last = base + "/last";
}

std::string task_tree_t::version(int n) const { return increments + "/" + std::to_string(n); }

std::string task_tree_t::source(const std::string& dir, int k) {
  return dir + "/id" + std::to_string(k);
}

std::string task_tree_t::marker(int n, int k) const {
  return source(version(n), k) + "/marker.dat";
}

const std::vector<std::string>& task_tree_t::fixed_folders() {
  static const std::vector<std::string> names = {"last", "tmp", "lasttmp", "increments"};
  return names;
}

const std::vector<std::string>& task_tree_t::fixed_files() {
  static const std::vector<std::string> names = {
      "status.db",         "history.db",         "file_time.db", "status.db-journal",
      "history.db-journal", "file_time.db-journal", tree_lock_t::kFileName};
  return names;
}

bool open_task_tree(const session_t& task, const task_tree_t& tree, bool create) {
  auto fail = [&](const char* format, const std::string& path) {
    log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR, format,
                       path_format_to_win(path).c_str());
    return false;
  };
  if (tessaly::share::is_smb_path(tree.base)) {
    // On a share the server keeps links to itself.
    tessaly::share::info_t info;
    if (tessaly::share::lstat(tree.base, &info) != 0) {
      if (errno != ENOENT || !create || tessaly::share::mkdir(tree.base, 0700) != 0) {
        return fail(_("Failed to write directory %s."), tree.base);
      }
    } else if (tessaly::share::probe_folder(tree.base) != 0) {
      return fail(_("Failed to write directory %s."), tree.base);
    }
    return true;
  }
  std::string offending;
  switch (tessaly::share::pin_tree(tree.base, create, task_tree_t::fixed_folders(),
                                   task_tree_t::fixed_files(), &offending)) {
    case tessaly::share::pin_status::ok:
      return true;
    case tessaly::share::pin_status::link_or_other:
      daemon_print(3, "%s is a link or of another kind\n", offending.c_str());
      return fail(_("%s is a link or not what the task folder keeps there: the run stops and "
                    "nothing in the task folder is changed."),
                  offending);
    default:
      return fail(_("Failed to write directory %s."), tree.base);
  }
}

namespace {

// What a full backup keeps of the previous version until it completes.
std::string aside_history(const task_tree_t& t) { return t.lasttmp + "/history.db"; }
std::string aside_increments(const task_tree_t& t) { return t.lasttmp + "/increments"; }
std::string aside_file_time(const task_tree_t& t) { return t.lasttmp + "/file_time.db"; }

// 1 when something of that name exists, 0 when not, -1 when the destination cannot tell.
int presence(const std::string& path) {
  share::info_t info;
  if (share::lstat(path, &info) == 0) return 1;
  return errno == ENOENT ? 0 : -1;
}

// Removes a path of the tree with everything in it; a missing path counts as removed.
bool remove_if_present(const std::string& path) {
  int here = presence(path);
  if (here == 0) return true;
  if (here < 0) return false;
  return share::remove_tree(path) == 0 || errno == ENOENT;
}

// Removes a database file and its journal (a journal left beside another file would be
// rolled into it).
bool remove_database(const std::string& path) {
  return remove_if_present(path + "-journal") && remove_if_present(path);
}

// Puts `from` in place of the database `to`, journal of the old one first removed.
bool replace_database(const std::string& from, const std::string& to) {
  return remove_if_present(to + "-journal") && share::rename(from, to) == 0;
}

// A database may hold a journal of an interrupted transaction: opening it rolls that back,
// so that the file can be moved on its own.
void settle_database(const std::string& path) {
  if (presence(path + "-journal") != 1) return;
  close_db(open_db(path.c_str()));
}

void log_error(const session_t& task, const char* format, const std::string& path) {
  log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR, format,
                     path_format_to_win(path).c_str());
}

// Where the run of version n keeps the entries of last whose type it changes ("" for a run
// that keeps no older version).
std::string kept_folder(const task_tree_t& tree, int n) {
  return n >= 2 ? tree.version(n) + "/kept" : std::string();
}

// Finishes the move of tmp into last of a run that wrote "cleaning" (version `rows`).
bool roll_forward(const session_t& task, const task_tree_t& tree, int rows) {
  int tmp_here = presence(tree.tmp);
  if (tmp_here < 0) {
    log_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  if (tmp_here == 1) {
    if (presence(tree.last) == 0) share::mkdir(tree.last, 0700);
    // The file times of entries kept aside are forgotten in the same transaction as the move.
    bool timed = open_thread_db(DB_KEY_FILE_TIME, tree.file_time.c_str());
    if (!timed || scan_folder_swap(tree.tmp, tree.last, kept_folder(tree, rows)) == 0 ||
        commit_thread_db(DB_KEY_FILE_TIME) != 0) {
      close_thread_db(DB_KEY_FILE_TIME);
      log_error(task, _("Failed to write directory %s."), tree.last);
      return false;
    }
    close_thread_db(DB_KEY_FILE_TIME);
    crash_point("recover.swapped");
    if (!remove_if_present(tree.tmp)) {
      log_error(task, _("Failed to write directory %s."), tree.tmp);
      return false;
    }
  }
  if (create_status_db(tree.status.c_str(), "complete") != 0) {
    log_error(task, _("Failed to write file %s."), tree.status);
    return false;
  }
  crash_point("recover.rolled");
  return true;
}

// Puts back the previous version that a full backup kept aside: its increments, its file
// times and its history. history.db is copied back (not moved), so that lasttmp keeps
// telling what to do until "complete" is written.
bool put_back(const session_t& task, const task_tree_t& tree) {
  if (!remove_if_present(tree.tmp)) {
    log_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  int kept = presence(aside_increments(tree));
  if (kept < 0 ||
      (kept == 1 && (!remove_if_present(tree.increments) ||
                     share::rename(aside_increments(tree), tree.increments) != 0))) {
    log_error(task, _("Failed to write directory %s."), tree.increments);
    return false;
  }
  crash_point("recover.increments_back");
  kept = presence(aside_file_time(tree));
  if (kept < 0 || (kept == 1 && !replace_database(aside_file_time(tree), tree.file_time))) {
    log_error(task, _("Failed to write file %s."), tree.file_time);
    return false;
  }
  crash_point("recover.file_time_back");
  std::string part = tree.lasttmp + "/history.db.part";
  int64_t bytes = 0;
  if (copy_file_checked(aside_history(tree), part, &bytes) != copy_status::ok ||
      !replace_database(part, tree.history)) {
    log_error(task, _("Failed to write file %s."), tree.history);
    return false;
  }
  crash_point("recover.history_back");
  if (create_status_db(tree.status.c_str(), "complete") != 0) {
    log_error(task, _("Failed to write file %s."), tree.status);
    return false;
  }
  crash_point("recover.put_back");
  return true;
}

}  // namespace

bool recover_interrupted_backup(const session_t& task, const task_tree_t& tree) {
  int status_here = presence(tree.status);
  std::string word;
  if (status_here < 0 ||
      (status_here == 1 && check_last_status(tree.status.c_str(), &word) != 0)) {
    // Never taken for an interrupted run: that would throw a completed version away.
    log_error(task, _("Failed to open file %s."), tree.status);
    return false;
  }
  int history_here = presence(tree.history);
  int rows = 0;
  if (history_here < 0 ||
      (history_here == 1 && get_history_db_row(tree.history.c_str(), &rows) != 0)) {
    log_error(task, _("Failed to open file %s."), tree.history);
    return false;
  }
  int lasttmp_here = presence(tree.lasttmp);
  int kept_history = lasttmp_here == 1 ? presence(aside_history(tree)) : 0;
  if (lasttmp_here < 0 || kept_history < 0) {
    log_error(task, _("Failed to open file %s."), tree.lasttmp);
    return false;
  }
  bool complete = status_here == 0 || word == "complete";

  if (kept_history == 1) {
    // A full backup was under way with the previous version kept aside.
    if (word == "cleaning") {
      if (!roll_forward(task, tree, rows)) return false;
    } else if (!complete) {
      if (!put_back(task, tree)) return false;
    }
    if (!remove_if_present(tree.lasttmp)) {
      log_error(task, _("Failed to write directory %s."), tree.lasttmp);
      return false;
    }
    crash_point("recover.lasttmp_removed");
    return true;
  }
  if (lasttmp_here == 1 && !remove_if_present(tree.lasttmp)) {
    log_error(task, _("Failed to write directory %s."), tree.lasttmp);
    return false;
  }

  if (word == "cleaning") return roll_forward(task, tree, rows);

  if (!complete) {
    // Cut short before the move: last is untouched; the run's work goes.
    if (!remove_if_present(tree.tmp) || (rows >= 1 && !remove_if_present(tree.version(rows)))) {
      log_error(task, _("Failed to write directory %s."), tree.base);
      return false;
    }
    crash_point("recover.discarded");
    if (create_status_db(tree.status.c_str(), "complete") != 0) {
      log_error(task, _("Failed to write file %s."), tree.status);
      return false;
    }
    crash_point("recover.complete");
    // From here on the newest row has no increments folder: the rule below deletes it,
    // also when this run is cut short before it does.
  }

  if (rows >= 1) {
    int folder = presence(tree.version(rows));
    if (folder < 0) {
      log_error(task, _("Failed to open file %s."), tree.version(rows));
      return false;
    }
    if (folder == 0) {
      if (delete_last_history(tree.history.c_str()) != 0) {
        log_error(task, _("Failed to write file %s."), tree.history);
        return false;
      }
      daemon_print(0, "history row %d of an unfinished run deleted\n", rows);
      crash_point("recover.row_deleted");
    }
  }
  if (!remove_if_present(tree.tmp)) {
    log_error(task, _("Failed to write directory %s."), tree.tmp);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// The backup run.
// ---------------------------------------------------------------------------------------

namespace {

// Closes what the run holds open in the tree (what it did not commit is dropped), then the
// connection to the destination, with one retry.
class mount_guard {
 public:
  explicit mount_guard(std::string path) : path_(std::move(path)) {}
  ~mount_guard() { release(); }
  mount_guard(const mount_guard&) = delete;
  mount_guard& operator=(const mount_guard&) = delete;
  // The tree's lock, given up before the connection goes.
  void set_lock(tree_lock_t* lock) { lock_ = lock; }
  void release() {
    if (released_) return;
    released_ = true;
    close_thread_dbs();
    if (lock_ != nullptr) lock_->release();
    if (!umount_disk(path_)) {
      daemon_print(0, "umount error\n");
      umount_disk(path_);
    }
  }

 private:
  std::string path_;
  bool released_ = false;
  tree_lock_t* lock_ = nullptr;
};

struct run_t {
  const session_t& task;
  const task_tree_t& tree;
  const GTimeVal* start;

  void error(const char* format, const std::string& path) const {
    log_error(task, format, path);
  }
};

// Step 5 of a full backup: the tree starts again at version 1. When there is a version to
// lose, it is kept in lasttmp (its history copied, "init" written, then its increments and
// file times moved) and only dropped once the new version is complete.
bool prepare_full_backup(const run_t& run, int rows, bool* kept_aside) {
  const task_tree_t& tree = run.tree;
  *kept_aside = false;
  if (rows < 1) {
    if (!remove_if_present(tree.increments) || !remove_database(tree.file_time)) {
      run.error(_("Failed to write directory %s."), tree.increments);
      return false;
    }
    return true;
  }
  if (share::mkdir(tree.lasttmp, 0700) != 0) {
    run.error(_("Failed to write directory %s."), tree.lasttmp);
    return false;
  }
  std::string part = aside_history(tree) + ".part";
  int64_t bytes = 0;
  if (copy_file_checked(tree.history, part, &bytes) != copy_status::ok ||
      share::rename(part, aside_history(tree)) != 0) {
    run.error(_("Failed to write file %s."), aside_history(tree));
    return false;
  }
  crash_point("backup.aside_history");
  if (create_status_db(tree.status.c_str(), "init") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return false;
  }
  *kept_aside = true;
  crash_point("backup.aside_init");
  int here = presence(tree.increments);
  if (here < 0 || (here == 1 && share::rename(tree.increments, aside_increments(tree)) != 0)) {
    run.error(_("Failed to write directory %s."), tree.increments);
    return false;
  }
  crash_point("backup.aside_increments");
  settle_database(tree.file_time);
  here = presence(tree.file_time);
  if (here < 0 || (here == 1 && (share::rename(tree.file_time, aside_file_time(tree)) != 0 ||
                                 !remove_if_present(tree.file_time + "-journal")))) {
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
  if (share::mkdirs(path, 0700) == 0) return true;
  run.error(_("Failed to write directory %s."), path);
  return false;
}

// Steps 6 to 17 on a mounted, repaired tree. Returns the outcome; every failure is logged.
run_outcome run_backup(const run_t& run, mount_guard& mount, long* skipped) {
  const session_t& task = run.task;
  const task_tree_t& tree = run.tree;
  const char* uuid = task.uuid.c_str();

  int rows = 0;
  if (presence(tree.history) == 1 && get_history_db_row(tree.history.c_str(), &rows) != 0) {
    run.error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  bool full = task.action == ACTION_FULL_BACKUP;
  bool kept_aside = false;
  if (full) {
    if (!prepare_full_backup(run, rows, &kept_aside)) return run_outcome::failed;
  } else if (!remove_if_present(tree.version(rows + 1))) {
    // Left by a run cut short before its history row: never a completed version.
    run.error(_("Failed to write directory %s."), tree.version(rows + 1));
    return run_outcome::failed;
  }
  if (!make_folder(run, tree.increments)) return run_outcome::failed;

  // Step 6: the new version's history row, written before any word that says a run is
  // under way (see recover_interrupted_backup).
  int n = 0;
  if (create_history_db(tree.history.c_str(), &task, &n, run.start) != 0 || n < 1 ||
      (full && n != 1)) {
    run.error(_("Failed to open file %s."), tree.history);
    return run_outcome::failed;
  }
  crash_point("backup.history");
  // Step 7.
  if (create_status_db(tree.status.c_str(), "init") != 0) {
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
  if (!open_thread_db(DB_KEY_FILE_TIME, tree.file_time.c_str())) {
    run.error(_("Failed to open file %s."), tree.file_time);
    return run_outcome::failed;
  }
  // Step 11.
  need_update_last() = false;
  bool filtered = check_filter(task.filter.extensions);

  backup_context_t ctx;
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
    ctx.direct = share::list(tree.last, &held) == 0 && held.empty();
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
    if (!open_thread_db(DB_KEY_MARKER, marker.c_str())) {
      run.error(_("Failed to generate backup file for %s."), marker);
      return run_outcome::failed;
    }
    ctx.table = "id" + std::to_string(id);
    // The sizes of the version before: a file whose time stayed but whose size did not is
    // copied again.
    ctx.previous_marker.clear();
    if (n >= 2 && !full && presence(tree.marker(n - 1, id)) == 1) {
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
    mount.release();
    log_session_append(task.name.c_str(), uuid, MSG_LEVEL_MESSAGE,
                       _("Backup %s is stopped by user."), task.name.c_str());
    return run_outcome::stopped;
  }

  // Step 14: "cleaning" first, so that a run cut short in the move is finished by the next
  // one and never thrown away (last already holds part of the new copy). Before that, the
  // tree's folders must still be those the run wrote into: one moved away or replaced by a
  // link meanwhile stops the run while it can still be undone.
  std::string offending;
  if (!share::pinned_tree_intact(&offending)) {
    run.error(_("%s is a link or not what the task folder keeps there: the run stops and "
                "nothing in the task folder is changed."),
              offending);
    return run_outcome::failed;
  }
  if (create_status_db(tree.status.c_str(), "cleaning") != 0) {
    run.error(_("Failed to write file %s."), tree.status);
    return run_outcome::failed;
  }
  crash_point("backup.cleaning");
  if (scan_folder_swap(tree.tmp, tree.last, kept_folder(tree, n), &ctx.hints) == 0) {
    run.error(_("Failed to write directory %s."), tree.last);
    return run_outcome::failed;
  }
  crash_point("backup.swapped");
  // Step 15: the move left tmp empty but for what it could not move.
  if (share::rmdir(tree.tmp) != 0 && !remove_if_present(tree.tmp)) {
    run.error(_("Failed to write directory %s."), tree.tmp);
    return run_outcome::failed;
  }
  crash_point("backup.tmp_removed");
  if (create_status_db(tree.status.c_str(), "complete") != 0) {
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
  if (kept_aside && !remove_if_present(tree.lasttmp)) {
    daemon_print(0, "remove %s error\n", tree.lasttmp.c_str());  // a left-over for the next run
  }
  crash_point("backup.done");
  *skipped = ctx.skipped;
  return run_outcome::completed;
}

// A run that failed on a database of the tree whose schema holds more than plain tables
// says so: the tree is damaged, not out of reach.
run_outcome failed_run(const session_t& task) {
  std::string path;
  std::string why;
  if (take_refused_database(&path, &why)) {
    log_session_append(task.name.c_str(), task.uuid.c_str(), MSG_LEVEL_ERROR,
                       _("The database %s of the task folder is damaged (it holds %s) and is "
                         "not read: the run stops."),
                       path_format_to_win(path).c_str(), why.c_str());
  }
  return run_outcome::failed;
}

}  // namespace

run_outcome backup_session(const session_t* session, const GTimeVal* start) {
  if (session == nullptr || start == nullptr) return run_outcome::failed;
  const session_t& task = *session;
  const char* name = task.name.c_str();
  const char* uuid = task.uuid.c_str();
  // Step 1.
  log_session(start, name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s was started."), name);
  // Step 2.
  std::string destination;
  if (!is_valid_uuid(uuid) || !mount_disk(&task, &destination)) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return run_outcome::failed;
  }
  mount_guard mount(destination);
  crash_point("backup.mounted");
  task_tree_t tree(destination, task.uuid);
  run_t run{task, tree, start};

  // Step 3: the tree's folder, never reached through a link, and its lock, before anything
  // in it is repaired, written or deleted. A tree that held a completed version is never
  // made again: where it is gone, the disk or share that holds it is most likely absent.
  bool seen = tree_seen(task.uuid, destination);
  if (seen && presence(tree.base) == 0) {
    log_error(task,
              _("The task folder %s is missing at the destination, which held a completed "
                "version before: the run stops and nothing is written there."),
              tree.base);
    return run_outcome::failed;
  }
  if (!open_task_tree(task, tree, !seen)) return run_outcome::failed;
  tree_lock_t lock;
  mount.set_lock(&lock);
  if (lock.take(task, tree) != tree_lock_t::result::taken) return run_outcome::failed;
  crash_point("backup.locked");
  // Steps 4 and 8: a run cut short earlier is finished or undone first.
  if (!recover_interrupted_backup(task, tree)) return failed_run(task);
  crash_point("backup.recovered");

  long skipped = 0;
  run_outcome outcome = run_backup(run, mount, &skipped);
  mount.release();
  if (outcome == run_outcome::failed) return failed_run(task);
  if (outcome != run_outcome::completed) return outcome;
  remember_tree(task.uuid, destination);
  // Step 17.
  if (skipped > 0) {
    log_session_append(name, uuid, MSG_LEVEL_WARNING,
                       _("Backup %s is incomplete: %ld files or folders could not be backed up."),
                       name, skipped);
    return run_outcome::incomplete;
  } else {
    log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Backup %s is completed."), name);
  }
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
