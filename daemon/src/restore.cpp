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

run_outcome restore_incremental_backup(const session_t* session, const char* path, gint64 version,
                                       const destination_wrap_t& wrap) {
  if (session == nullptr) return run_outcome::failed;
  const session_t& task = *session;
  const char* name = task.name.c_str();
  const char* uuid = task.uuid.c_str();
  auto failed = [&] {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("Restore %s is failed."), name);
    return run_outcome::failed;
  };
  // Step 1.
  log_session(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s was started."), name);
  // Step 2.
  std::unique_ptr<tree_session> s = is_valid_uuid(uuid) ? tree_session::connect(task, wrap) : nullptr;
  if (!s) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return failed();
  }
  crash_point("restore.mounted");
  // The session goes (the lock given up, the connection dropped) before the run's record.
  auto give_up = [&] {
    s.reset();
    return failed();
  };
  const task_tree_t& tree = s->tree();
  // The tree is read under its lock, never through a link; the lock goes with the session,
  // once everything is read.
  if (!s->open_tree(false) || s->lock() != tree_lock_t::result::taken) return give_up();
  crash_point("restore.locked");
  // Step 3: a backup cut short is finished or undone, as the next backup would.
  int rows = 0;
  if (!recover_interrupted_backup(*s) ||
      (share::exists(s->dest(), tree.history) &&
       get_history_db_row(*s, tree.history.c_str(), &rows) != 0)) {
    return give_up();
  }
  crash_point("restore.recovered");

  // Nothing changes before the version and the targets are known to be good.
  if (version < 1 || version > rows) {
    daemon_print(0, "restore version %" G_GINT64_FORMAT " of %d refused\n", version, rows);
    return give_up();
  }
  bool exact = get_global_config(GLOBAL_RESTORE_DELETE_SYNC) == "enable";
  restore_run run(*s, version, rows, exact);
  if (!run.plan(path) || !run.check_version() || !run.locate()) return give_up();
  crash_point("restore.checked");
  // Step 4: every source rebuilt into its work folder; the targets are not touched yet.
  bool staged = run.stage();
  s.reset();
  if (!staged) {
    run.undo();
    failed();
    return run.stopped() ? run_outcome::stopped : run_outcome::failed;
  }
  if (!run.apply()) {
    run.undo();
    return failed();
  }
  // Step 5.
  run.make_links();
  run.finish();
  run.give_folder_times();
  // Step 6. Entries that the tree could not give back make the run fail; the others stay.
  if (run.damaged()) return failed();
  log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s is completed."), name);
  return run_outcome::completed;
}

run_outcome restore_backup(const char* uuid, const char* path, gint64 version) {
  session_t task;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (uuid == nullptr || !find_session(uuid, &task)) return run_outcome::not_found;
  }
  return restore_incremental_backup(&task, path, version);
}
