// The restore run (see restore.h): the task's tree opened, repaired and read under its lock,
// then the steps of restore_run (restore_run.h) in their order.
#include "restore.h"

#include <set>

#include "backup.h"
#include "configuration.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "i18n.h"
#include "log.h"
#include "restore_run.h"
#include "share.h"
#include "tree_lock.h"
#include "tree_repair.h"
#include "tree_session.h"

namespace share = tessaly::share;
using namespace restore_detail;

std::vector<std::string> restore_target_names(const std::vector<std::string>& sources) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& source : sources) {
    std::string s = normalized(source);
    size_t slash = s.rfind('/');
    std::string name = slash == std::string::npos ? s : s.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") name = "root";
    std::string candidate = name;
    for (int i = 1; taken.count(candidate) != 0; ++i) candidate = name + "_" + std::to_string(i);
    taken.insert(candidate);
    names.push_back(candidate);
  }
  return names;
}

namespace restore_detail {

run_outcome restore_run::run(const char* path) {
  const char* name = task_.name.c_str();
  const char* uuid = task_.uuid.c_str();
  // The session goes (the lock given up, the connection dropped) before the run's record.
  auto failed = [&] {
    session_.reset();
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("Restore %s is failed."), name);
    return run_outcome::failed;
  };
  // Step 1.
  log_session(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s was started."), name);
  // Step 2.
  if (is_valid_uuid(uuid)) session_ = tree_session::connect(task_, wrap_);
  if (!session_) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return failed();
  }
  crash_point("restore.mounted");
  tree_ = session_->tree();
  // The tree is read under its lock, never through a link; the lock goes with the session,
  // once everything is read.
  if (!session_->open_tree(false) || session_->lock() != tree_lock_t::result::taken) {
    return failed();
  }
  crash_point("restore.locked");
  // Step 3: a backup cut short is finished or undone, as the next backup would.
  if (!recover_interrupted_backup(*session_) ||
      (share::exists(dest(), tree_.history) &&
       get_history_db_row(*session_, tree_.history.c_str(), &n_) != 0)) {
    return failed();
  }
  crash_point("restore.recovered");

  // Nothing changes before the version and the targets are known to be good.
  if (version_ < 1 || version_ > n_) {
    daemon_print(0, "restore version %" G_GINT64_FORMAT " of %d refused\n", version_, n_);
    return failed();
  }
  v_ = static_cast<int>(version_);
  exact_ = get_global_config(GLOBAL_RESTORE_DELETE_SYNC) == "enable";
  if (!plan(path) || !check_version() || !locate()) return failed();
  crash_point("restore.checked");
  // Step 4: every source rebuilt into its work folder; the targets are not touched yet.
  bool staged = stage();
  session_.reset();
  if (!staged) {
    undo();
    failed();
    return stopped() ? run_outcome::stopped : run_outcome::failed;
  }
  if (!apply()) {
    undo();
    return failed();
  }
  // Step 5.
  make_links();
  finish();
  give_folder_times();
  // Step 6. Entries that the tree could not give back make the run fail; the others stay.
  if (damaged()) return failed();
  log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s is completed."), name);
  return run_outcome::completed;
}

}  // namespace restore_detail

run_outcome restore_incremental_backup(const session_t* session, const char* path, gint64 version,
                                       const destination_wrap_t& wrap) {
  if (session == nullptr) return run_outcome::failed;
  return restore_run(*session, version, wrap).run(path);
}

run_outcome restore_backup(const char* uuid, const char* path, gint64 version) {
  session_t task;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (uuid == nullptr || !find_session(uuid, &task)) return run_outcome::not_found;
  }
  return restore_incremental_backup(&task, path, version);
}
