// The restore run's parts (private to restore.cpp, restore_target.cpp, restore_stage.cpp and
// restore_apply.cpp): what one run knows of each source, the changes it made to the targets
// so that they can be undone, and its steps (see restore.h for the order and the rules):
//   restore_target.cpp  the targets named and reached without a refused link (plan, locate)
//   restore_stage.cpp   the version checked and rebuilt into work folders (check_version,
//                       stage): last copied, deltas applied, attributes given
//   restore_apply.cpp   the work folders moved into the targets (apply), links made, the
//                       changes finished or undone
#pragma once

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "backup.h"
#include "folder_walk.h"
#include "log.h"
#include "marker_file.h"
#include "session.h"
#include "tree_files.h"
#include "tree_lock.h"
#include "tree_session.h"
#include "unique_fd.h"

namespace restore_detail {

using tessaly::folder_chain;
using tessaly::list_folder;
using tessaly::open_below;
using tessaly::open_folder_at;
using tessaly::remove_tree_at;
using tessaly::unique_fd;
using tessaly::walk_end_t;
using tessaly::walk_folder;
using tessaly::walk_rules_t;

// Modes of restored entries of a tree that recorded none (written before attribute_tbl):
// private, never wider.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

using tessaly::file_ptr;

struct owner_t {
  uid_t uid = 0;
  gid_t gid = 0;
};

// The folders that a restore leaves untouched wherever it meets them: the tree of every
// configured task on a local destination, the service's configuration folder (both known
// by device and inode, whatever path leads to them), and any folder that holds a tree lock
// (the tree of a run going on, perhaps of another service).
class guard_t {
 public:
  void add(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
      folders_.insert({st.st_dev, st.st_ino});
  }
  bool guarded(int fd, const struct stat& st) const {
    if (folders_.count({st.st_dev, st.st_ino}) != 0) return true;
    struct stat lock;
    return ::fstatat(fd, tree_lock_t::kFileName, &lock, AT_SYMLINK_NOFOLLOW) == 0;
  }
  // The folders a removal must not enter.
  std::function<bool(int, const struct stat&)> keep() const {
    return [this](int fd, const struct stat& st) { return guarded(fd, st); };
  }

 private:
  std::set<std::pair<dev_t, ino_t>> folders_;
};

// A change made to a target, so that it can be undone: `name` in the folder at `dir`
// (names below the target's parent folder) was renamed to `aside`, or placed there by the
// restore, or made as a new folder.
struct change_t {
  enum op_t { aside, placed, made_folder } op;
  size_t job;
  std::vector<std::string> dir;
  std::string name;
  std::string aside_name;
};

struct source_job_t {
  int k = 0;
  std::string source;  // the source folder as configured, normalized
  std::string wanted;  // the target as named: the source folder, or P + "/" + name
  std::string target;  // the target as reached without links
  std::string parent;  // the target's parent folder
  std::string name;    // the target's name in it
  std::string work;    // the work folder's name in the parent
  unique_fd parent_fd;
  std::vector<std::string> made_parents;  // folders made for the parent, outermost first
  owner_t owner;
  // The owner of the source folder as the backup recorded it (attribute_tbl, path ""):
  // besides root's links, only that user's links to that user's own folders are followed
  // on the way to the target. Unknown in trees written before the table.
  bool source_owner_known = false;
  uid_t source_owner = 0;
  marker_t version;                                          // marker of v
  std::map<std::string, std::vector<std::string>> children;  // v's entries by folder, sorted
  std::vector<marker_t> newer;                               // markers of v+1 .. N
  std::vector<std::unordered_set<std::string>> deltas;       // deltas of v+1 .. N
  // Entries of v that the tree cannot give back (missing, of another kind, or not rebuilt
  // as recorded): not restored, and what the target holds at their place stays. "" is the
  // whole source.
  std::set<std::string> damaged;
  bool work_made = false;
  bool placed_new = false;  // the target folder is the restored one (not the user's)
};

// What a step of the staging did: went well, found its entry damaged in the tree (logged;
// the restore goes on without it), or failed (logged; the restore is undone).
enum class staged { ok, damaged, failed };

inline std::string join_rel(const std::string& rel, const std::string& name) {
  return rel.empty() ? name : rel + "/" + name;
}

// Splits an absolute path into its names; false for ".", ".." or an empty name.
bool split_path(const std::string& path, std::vector<std::string>* out);

std::string join_path(const std::vector<std::string>& components, size_t count);

// `path` lies in or is `folder`.
bool inside(const std::string& path, const std::string& folder);

// An absolute path without trailing "/" (the root stays "/").
std::string normalized(const std::string& path);

// The folder of a path and its last name ("/a/b" -> "/a", "b").
std::pair<std::string, std::string> split_last(const std::string& path);

// The path with every link of its existing part resolved; the missing rest must be plain
// names. Only for comparing folders: nothing is ever opened through its result.
bool resolve_path(const std::string& path, std::string* out);

// Renames an entry to a free name beside it that this run owns; never replaces anything.
bool rename_aside(int dirfd, const std::string& name, const std::string& prefix, long* counter,
                  std::string* aside);

// A nameless read-write file in the folder (for the steps of a delta chain).
FILE* scratch_file(int dirfd);

// The times of an entry as the version recorded them, for futimens and utimensat.
void set_times(struct timespec t[2], const entry_attributes_t& a);

// The files of a version folder that have a reverse delta, by relative path.
bool collect_deltas(tessaly::share::destination& d, const std::string& dir, const std::string& rel,
                    std::unordered_set<std::string>* out);

// One restore run of a task (a copy the caller keeps while the run lives): it owns its tree
// session, from the connection until the tree is read, and then the changes it makes to the
// targets until they are finished or undone.
class restore_run {
 public:
  restore_run(const session_t& task, gint64 version, const destination_wrap_t& wrap)
      : task_(task),
        wrap_(wrap),
        tree_("", task.uuid),
        version_(version),
        own_prefix_("." + task.uuid + ".") {}

  // The run, with its log records: back into the source folders (`path` null) or under the
  // folder `path`.
  run_outcome run(const char* path);

  bool stopped() const { return stopped_; }

  bool damaged() const {
    for (const source_job_t& job : jobs_) {
      if (!job.damaged.empty()) return true;
    }
    return false;
  }

  void error(const char* format, const std::string& path) const {
    log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR, format,
                       path_format_to_win(path).c_str());
  }

  // The targets named and the chosen folder checked; no change is made.
  bool plan(const char* chosen);

  // The version: its markers and those of every newer version must be there and readable,
  // and the deltas of the newer versions are listed.
  bool check_version();

  // Each target reached from "/" without a link that its rules refuse, outside every folder
  // the guard keeps; no change is made.
  bool locate();

  // Rebuilds every source into its work folder (reads the tree only).
  bool stage();

  // Moves the work folders into the targets (local renames only).
  bool apply();

  // The version's links, inside the targets only; never over an existing entry.
  void make_links();

  // After success: what was renamed aside goes, and so do the work folders.
  void finish();

  // After a failure or a stop: every change is undone in reverse order, the work folders
  // and the parent folders this run made go.
  void undo();

  // The last-write times of the version's folders, given again once everything is in place
  // (placing entries in a folder changes its time). The folders are visited in order, so
  // that the walk moves from each to the next.
  void give_folder_times();

 private:
  // Where an entry of version v lies in the tree, seen from the origin of its folder (`dir`,
  // whose files take the deltas of the runs `first` down to v + 1): where a run r after v
  // changed the entry's type (kept_tbl), the entry as it was is in that run's kept folder
  // and takes the deltas of the runs before r only.
  struct origin_t {
    std::string path;
    int first = 0;
    bool kept = false;
  };

  bool read_marker(const std::string& path, bool with_links, marker_t* out);

  // How the way to a job's target is walked: a link is followed when it is root's, or when
  // it is the source folder's owner's (as the backup recorded it) and leads to a folder of
  // that user; a folder that the guard keeps is never a target nor on the way to one.
  walk_rules_t rules_for(const source_job_t& job);

  static std::string reached_path(const walk_end_t& end);

  // A folder that the guard keeps, met on the way: one record for each.
  void note_guarded(const std::string& path);

  // True when the folder `name` in `dirfd` is or holds a folder that the guard keeps (noted);
  // other file systems inside it are not entered.
  bool holds_guarded(int dirfd, const std::string& name, const std::string& path);

  bool holds_guarded_in(folder_chain& chain, const std::string& path, dev_t device);

  // The folder at `components` below the job's target, none of them kept by the guard.
  unique_fd open_inside(const source_job_t& job, const std::vector<std::string>& components);

  // The entry or a folder above it is damaged (not restored).
  static bool below_damaged(const source_job_t& job, const std::string& rel);

  // An entry of the version that the tree cannot give back: one record, and the restore
  // goes on without it.
  void note_damaged(source_job_t& job, const std::string& rel, bool rebuilt);

  // Opens (making when missing) the target's parent folder the way locate() reached it, and
  // finds the owner that the restored entries get: the target's own when it is a folder,
  // else its parent's.
  bool open_parent(source_job_t& job);

  // The version's record of an entry, or null (a tree written before attribute_tbl).
  static const entry_attributes_t* recorded(const source_job_t& job, const std::string& rel);

  // Gives a restored entry (open as fd) what it had at the version: its mode, its time and,
  // when the service runs as root, its owner and group. Without a record (an older tree) it
  // gets the owner of the target folder and the private modes 0600 and 0700. Set-user-id
  // and set-group-id are never given (the tree is data from the destination, and a program
  // planted there must not become a privileged one here): they are dropped with a record.
  // The sticky bit stays: it only narrows what others may remove in a folder. Folders get
  // their times once filled.
  bool give(const source_job_t& job, int fd, const entry_attributes_t* a, const std::string& rel,
            bool folder) const;

  // The same from an entry already restored (a copy onto another file system).
  bool give_like(const source_job_t& job, int fd, const struct stat& st) const;

  origin_t origin_of(const source_job_t& job, const std::string& dir, const std::string& name,
                     const std::string& rel, int first);

  bool fail_dir(const std::string& path) const {
    error(_("Failed to write directory %s."), path);
    return false;
  }

  std::string shown(const source_job_t& job, const std::string& rel) const {
    return rel.empty() ? job.target : job.target + "/" + rel;
  }

  // After a read from the tree failed: the restore stops when the destination no longer
  // answers; otherwise only the entry is damaged.
  staged read_failed(source_job_t& job, const std::string& rel, bool rebuilt);

  // The entries of version v in the folder `rel` (`dir` in the tree) into the work folder
  // at the chain. Every entry that v lists must be in the tree as what v recorded; one that
  // is not is damaged, and so is the folder itself when the tree has none.
  staged stage_folder(source_job_t& job, const std::string& dir, const std::string& rel,
                      folder_chain& work, int first);

  // One file of the version: copied from its origin (last, or what a later run kept of it),
  // or patched with the deltas of the runs from `first` down to v + 1 that changed it,
  // newest first; then checked against the size that v recorded. A file that does not come
  // out as recorded is removed again (damaged): nothing is ever placed with other content.
  staged stage_file(source_job_t& job, const std::string& origin, const std::string& rel,
                    int work_fd, const std::string& name, int first);

  void note(change_t::op_t op, size_t job, const std::vector<std::string>& dir,
            const std::string& name, const std::string& aside_name = std::string());

  static std::string own_key(const std::vector<std::string>& dir, const std::string& name);

  bool move_aside(size_t j, int dirfd, const std::vector<std::string>& dir,
                  const std::string& name);

  bool apply_one(size_t j);

  // Moves the entries of the work folder at `w` into the target folder at `t`.
  bool merge(size_t j, folder_chain& w, folder_chain& t, const std::string& rel);

  // A file moved onto another file system: copied to a new name beside its place, then
  // renamed into it.
  bool copy_in(const source_job_t& job, int work_fd, int target_fd, const std::string& name);

  void remove_work_folders();

  tessaly::share::destination& dest() { return session_->dest(); }

  const session_t& task_;
  const destination_wrap_t& wrap_;
  // The tree is read only by check_version and stage: the session goes once they are done
  // (its lock is not held while the targets change).
  std::unique_ptr<tree_session> session_;
  task_tree_t tree_;
  gint64 version_;
  int v_ = 0;
  int n_ = 0;
  bool exact_ = false;
  bool to_chosen_ = false;        // the targets lie in a folder the user chose
  bool root_ = ::geteuid() == 0;  // owners and groups are given back only as root
  std::string own_prefix_;        // names of the run's own entries beside the user's: ".<uuid>."
  std::vector<source_job_t> jobs_;
  std::vector<change_t> changes_;
  long aside_counter_ = 0;
  std::set<std::string> own_names_;  // entries this run renamed aside, by folder
  guard_t guard_;
  std::set<std::string> guarded_noted_;  // folders of the guard met, recorded once each
  bool stopped_ = false;
};

}  // namespace restore_detail
