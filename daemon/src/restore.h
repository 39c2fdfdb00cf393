// The restore run: one task's source folders rebuilt as they were at a chosen version and
// put back into the source folders or under a folder the user chose.
//
// Version v of source k is rebuilt file by file from the tree (see scan_backup_folder.h):
// every entry of last/id<k> that v's marker lists, each file patched with the reverse
// deltas of the runs N, N-1, ..., v+1 that changed it (a run changed a file when its marker
// lists the file and its folder holds the file's delta), in that order.
//
// The user's folders are never emptied before the rebuild is known to work:
//   1. nothing changes until the version is checked (1 <= v <= N, the markers of v and of
//      every newer version readable) and the targets are checked;
//   2. every source is rebuilt into a private work folder beside its target (only the
//      destination is read; a failure, a lost share or a stop removes the work folders);
//   3. the work folders are moved into the targets with renames only; what they replace is
//      renamed aside in its own folder, deleted after success and renamed back otherwise;
//   4. the version's links are made inside the targets.
// The target of source k is the source folder itself, or P + "/" + the source's last name
// (made distinct between sources). A chosen folder follows the rule of the original place:
// with the restore setting delete_sync the target ends up holding exactly the version;
// otherwise the version's files are put over the target and every other file in it stays.
// A chosen folder that is, holds or lies inside a source folder is refused.
//
// The way to a target is walked from "/" one name at a time (folder_walk.h). A link on it
// (the source folder itself included) is followed only when it is root's, or when it is
// the link of the source folder's owner as the backup recorded it (attribute_tbl) and leads
// to a folder of that user; trees without that record follow root's links only. Any other
// link fails the run with a record naming it, before anything is written. Below the target
// every entry is opened relative to its open folder and never through a link (a link where
// the version has a file or folder is moved aside, never followed), and walks of any depth
// hold a bounded number of descriptors.
//
// Version v of an entry whose type a later run r changed (kept_tbl of r's marker) is taken
// from r's kept folder, with the deltas of the runs before r only.
//
// What the tree holds is data from the destination, not orders. The restore reads the tree
// under its lock (tree_lock.h), never through a link (tree_session::open_tree), and its markers only
// when they are plain databases, every query bounded (tree_db_guard.h). Every entry that v
// lists must be in the tree as v recorded it and every file must come out of its deltas
// with the size v recorded; an entry that does not is named in a record and not restored
// (what the target holds at its place stays), the others are, and the run fails. Restored
// entries get what they had at the version (attribute_tbl): mode, last-write time, and owner
// and group where the service runs as root, but never set-user-id or set-group-id (dropped
// with a record). Entries of trees written before that table get the owner of the target
// folder and the private modes 0600 and 0700. Link rows of the marker are made only inside
// their target.
//
// The tree of every configured task on a local destination, the configuration folder and
// any folder holding a tree lock are never written into, replaced or removed: a target of
// "/" or inside one of them is refused, and one met inside a target stays as it is, with a
// record.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "session.h"
#include "threads.h"
#include "tree_session.h"

// Looks the task up by uuid and restores a copy of it; not_found when it is unknown.
// `path` null: back into the source folders.
run_outcome restore_backup(const char* uuid, const char* path, gint64 version);
// The restore of one task copy, with its log records. `wrap` is what a test puts in front
// of the run's destination.
run_outcome restore_incremental_backup(const session_t* session, const char* path,
                                       gint64 version, const destination_wrap_t& wrap = nullptr);

// The names of the sources' targets under a chosen folder: each source's last path
// component ("root" for "/"), with "_1", "_2", ... added where an earlier source has taken
// the name.
std::vector<std::string> restore_target_names(const std::vector<std::string>& sources);
