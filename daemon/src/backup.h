// Backup and restore runs of a task, and the connection to its destination.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "session.h"
#include "threads.h"

// Connects the calling thread to the task's first destination with the task's account and
// checks that the destination folder can be reached. `path` receives the destination path
// (also on failure). Every file and database of the tree is then used through the share
// layer on this thread, until umount_disk.
bool mount_disk(const session_t* session, std::string* path);
// Closes the databases the thread still holds open in the tree, then the connection.
bool umount_disk(const std::string& path);

// ---------------------------------------------------------------------------------------
// The task tree of a run and the backup run itself.
// ---------------------------------------------------------------------------------------

// The paths of a task's tree on its destination: base = destination path + "/" + uuid.
struct task_tree_t {
  task_tree_t(const std::string& destination, const std::string& uuid);
  std::string base;
  std::string lasttmp;     // a full backup keeps the previous version here until complete
  std::string tmp;
  std::string status;      // status.db
  std::string history;     // history.db
  std::string file_time;   // file_time.db
  std::string increments;
  std::string last;
  std::string version(int n) const;                           // increments/<n>
  static std::string source(const std::string& dir, int k);   // <dir>/id<k>
  std::string marker(int n, int k) const;                     // increments/<n>/id<k>/marker.dat
  // The names in base that the tree keeps: folders, and files (databases, their journals
  // and the lock). None may be a link.
  static const std::vector<std::string>& fixed_folders();
  static const std::vector<std::string>& fixed_files();
};

// Opens the tree's folder for the calling (mounted) thread before anything else touches the
// tree, making it when missing and `create` is set. On a local destination it is opened
// without following a link and pinned (share.h: pin_tree), so that nothing below it is ever
// reached through a link; a link at the tree or at one of its fixed entries stops the run
// with a log record, before anything is changed. On a share it is probed. False (logged
// with the task's name) when the run cannot go on.
bool open_task_tree(const session_t& task, const task_tree_t& tree, bool create);

// Brings the tree of a task to a state in which every version in history.db is complete,
// after a backup that was cut short (by a failure, a stop request, a crash or a power cut).
// Run by every backup and every restore before they use the tree; the calling thread is
// mounted. The newest history row belongs to a run that did not finish exactly when
// status.db holds a word other than "complete" (the run wrote its row first):
//   "cleaning"            the new copy was being moved into last: the move is finished
//                         and the version kept ("complete");
//   any other word        last is untouched: tmp and increments/<N> are removed, then
//                         "complete" is written, then row N is deleted;
//   "complete" (or none)  a newest row without its increments folder belongs to a run cut
//                         short before it wrote "init" and is deleted.
// A full backup that keeps the previous version in lasttmp puts it back unless the new copy
// was being moved. Every step can be cut short and done again. False (logged with the
// task's name) when the tree cannot be read or repaired; nothing is removed then.
bool recover_interrupted_backup(const session_t& task, const task_tree_t& tree);

// One backup run of a task copy (the task's backup thread).
run_outcome backup_session(const session_t* session, const GTimeVal* start);
// Looks the task up by uuid and runs backup_session on a copy; not_found when it is unknown.
run_outcome backup_uuid(const char* uuid, const GTimeVal* start);
