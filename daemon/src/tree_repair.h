// The repair of a task tree after a backup that was cut short (by a failure, a stop request,
// a crash or a power cut), run by every backup and every restore before they use the tree,
// and the tree's helpers that the backup run shares with it.
#pragma once

#include <string>

#include "destination.h"
#include "session.h"
#include "tree_session.h"

// Brings the session's tree to a state in which every version in history.db is complete.
// The newest history row belongs to a run that did not finish exactly when status.db holds
// a word other than "complete" (the run wrote its row first):
//   "cleaning"            the new copy was being moved into last: the move is finished
//                         and the version kept ("complete");
//   any other word        last is untouched: tmp and increments/<N> are removed, then
//                         "complete" is written, then row N is deleted;
//   "complete" (or none)  a newest row without its increments folder belongs to a run cut
//                         short before it wrote "init" and is deleted.
// A full backup that keeps the previous version in lasttmp puts it back unless the new copy
// was being moved. Every step can be cut short and done again. False (logged with the
// task's name) when the tree cannot be read or repaired; nothing is removed then.
bool recover_interrupted_backup(tree_session& s);

// What a full backup keeps of the previous version until it completes.
std::string aside_history(const task_tree_t& t);
std::string aside_increments(const task_tree_t& t);
std::string aside_file_time(const task_tree_t& t);
// Where the run of version n keeps the entries of last whose type it changes ("" for a run
// that keeps no older version).
std::string kept_folder(const task_tree_t& tree, int n);

// Removes a path of the tree with everything in it; a missing path counts as removed.
bool remove_if_present(tessaly::share::destination& d, const std::string& path);
// Removes a database file and its journal (a journal left beside another file would be
// rolled into it).
bool remove_database(tessaly::share::destination& d, const std::string& path);
// Puts `from` in place of the database `to`, journal of the old one first removed.
bool replace_database(tessaly::share::destination& d, const std::string& from,
                      const std::string& to);
// A database may hold a journal of an interrupted transaction: opening it rolls that back,
// so that the file can be moved on its own.
void settle_database(tree_session& s, const std::string& path);
// A log record of the task's run naming a path of the tree.
void log_tree_error(const session_t& task, const char* format, const std::string& path);
