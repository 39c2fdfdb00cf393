// The file-level work of a backup: the scan of one source folder against the last copy
// (scan_backup_folder.cpp), the copy of new and changed files into tmp with a reverse delta
// for each changed one (copy_to_tmp.cpp), and the move of tmp into last (swap_into_last.cpp).
// The file and path helpers that the restore uses too are in tree_files.h, librsync in
// rsync_delta.h.
//
// The task tree's layout (see db_sql_sqlite3.h and marker_file.h for its databases), with
// base = destination path + "/" + task uuid:
//   last/id<k>/<rel>                     newest copy of source k (files that vanished from
//                                        the source stay)
//   increments/<n>/id<k>/marker.dat      what existed in source k at version n, and its links
//   increments/<n>/id<k>/<rel>.delta.old reverse delta: patching the file as it was at
//                                        version n with it gives the file as it was before
//                                        run n
//   increments/<n>/id<k>/<folders>       the source's folder structure (from version 2 on)
//   tmp/id<k>/<rel>                      new and changed files of a running backup (the
//                                        first version of a tree whose last is empty is
//                                        copied straight into last: no version needs last
//                                        yet); a folder is made here only when a file goes in
//
// Why the delta is made in the copy step: a delta must turn exactly the bytes that enter
// last back into the bytes last held before, or every older version of the file is silently
// wrong. So the signature is taken from the copy in tmp (the bytes that the move puts into
// last), never from the live source file read at another moment: it is computed from the
// very bytes written to tmp while they are written, so the copy is not read back.
//
// Source folders are local; the tree is reached through the share layer (a local folder or
// an SMB share). Source entries are never followed when they are links (a source folder that
// is itself a link of root's or of its folder's owner's is followed: the user chose the
// folder by that name); other file systems mounted inside a source are not entered; FIFOs,
// sockets and devices are skipped. Nothing is left out in silence: a path longer than the
// system allows, a mount point and a linked source folder are logged with their reason and
// make the run "incomplete" (backup_tally_t::skipped).
//
// Change detection: a file is unchanged when its recorded last-write time (whole seconds)
// is its time now and its size is the one the version before recorded. A file whose time is
// not older than the second its copy began is never recorded as unchanged (the "racy" rule).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "rsync_delta.h"
#include "session.h"
#include "share.h"
#include "threads.h"
#include "tree_files.h"

// What a run knows of last when it moves tmp into last, so that the move need not ask the
// share again; each set holds at most kKnownLimit paths "id<k>/<rel>" (memory stays flat in
// the number of files), and a path not held is asked for. A move after a crash has none.
struct swap_hints_t {
  static constexpr size_t kKnownLimit = 4096;
  std::unordered_set<std::string> replaced;  // files of last that new copies replace
  std::unordered_set<std::string> folders;   // folders that last has (found or made by the scan)
  // What the copy put into each folder of tmp below its top ("id<k>", "id<k>/<rel>"), in the
  // order it put them there; dropped whole (contents_valid false) past kKnownLimit entries.
  std::unordered_map<std::string, std::vector<tessaly::share::entry_t>> contents;
  bool contents_valid = true;
  size_t noted = 0;
};

class tree_session;
class marker_reader;

// What the run knows of an entry of the tree by its name: none, a file, a folder, another
// kind, or `unknown` when the destination cannot tell (a failure other than "no such file").
// `recorded_file` is a changed file with a recorded time, which only a file that a completed
// run put into last has: the scan does not ask for it, and the copy finds out from the open
// of last's copy.
enum class tree_entry { unknown, none, file, folder, other, recorded_file };

// A local folder of a configured task's tree, known by device and inode, so that no spelling
// of a path (links, "..", doubled '/') hides it.
struct tree_folder_t {
  dev_t device = 0;
  ino_t inode = 0;
  std::string path;
};

// What stays the same for the whole run.
struct backup_config_t {
  tree_session* session = nullptr;              // the run's tree
  tessaly::share::destination* dest = nullptr;  // its destination
  stop_token stop;                              // the task's stop mark
  std::string uuid;                             // the task, for the log records
  std::string name;
  std::vector<std::string> extensions;  // the task's filter
  bool filtered = false;                // it takes only some names (check_filter)
  std::string base;                     // the task tree, probed after a failed write
  std::string status_path;              // status.db
  bool smb = false;                     // the tree is on an SMB share
  int n = 0;                            // the version being written
  // Version 1 of a tree whose last held nothing: no version depends on last yet, so the
  // copy writes the files straight into last (a run cut short leaves there only what no
  // completed version refers to) and the scan has made every folder of the source in last.
  bool direct = false;
  // The local folders of every configured task's tree, this run's own among them, as they
  // were when the run began: a source inside one of them, or one of them inside a source, is
  // never backed up (it would grow with every run).
  std::vector<tree_folder_t> trees;
};

// What the run tallies over all its sources.
struct backup_tally_t {
  long skipped = 0;                  // entries that could not be backed up in this run
  bool delta_written = false;        // status "delta" written in this run
  bool destination_lost = false;     // a write failed and the destination does not answer
  std::unordered_set<std::string> trees_logged;  // trees met inside a source, logged once
};

// What the scan and the copy of one source share, made fresh for each source.
struct source_state_t {
  source_state_t();
  ~source_state_t();
  source_state_t(source_state_t&&) noexcept;
  source_state_t& operator=(source_state_t&&) noexcept;

  std::string table;        // file_time.db table of the source: "id<k>"
  std::string version_dir;  // increments/<n>/id<k>
  std::string marker_path() const { return version_dir + "/marker.dat"; }
  dev_t source_device = 0;  // other file systems inside the source are not entered
  // The source folder is a link that is followed (the user chose the folder by that name):
  // its own folder is opened through it; links below it stay links.
  bool root_is_link = false;
  // The marker of the version before, asked for the sizes it recorded (none when there is
  // no version before).
  std::unique_ptr<marker_reader> previous;
  // The source's marker of this version, asked by a filtered copy what the scan took.
  std::unique_ptr<marker_reader> taken;
  // Files whose last-write time is the recorded one but whose size is not: changed.
  std::unordered_set<std::string> resized;
  // What the scan found in last for the new and changed files, so that the copy does not ask
  // for the same name again. Holds at most kKnownLimit names (memory stays flat in the
  // number of files); a name not held here is looked up by the copy.
  static constexpr size_t kKnownLimit = 4096;
  std::unordered_map<std::string, tree_entry> last_types;
  // Folders whose name last holds as a file or another entry (or that the scan could not
  // make in last): made in tmp even when nothing is copied into them, so that the move puts
  // the folder in place.
  std::unordered_set<std::string> type_changed;
  // Folders of tmp that the copy has not made yet: a folder is made only when a file goes
  // into it (the scan already made the new folders in last).
  std::vector<std::pair<std::string, std::string>> pending_folders;  // path, rel
  // The folder of the version (below version_dir) that the copy made last for a delta.
  std::string version_folder;
  // What the copy has to visit, in the scan's order, so that it need not walk the source
  // again: every new or changed file (and, without a filter, every file of a name that is
  // never backed up, which the copy takes when new or changed), and every folder that the
  // copy makes in tmp at once (type_changed). Noted from version 2 on, up to kCopyLimit
  // entries (memory stays flat in the number of files); past it, or in version 1, the copy
  // walks the source.
  static constexpr size_t kCopyLimit = 65536;
  struct copy_item {
    std::string rel;
    bool folder = false;
  };
  std::vector<copy_item> to_copy;
  bool to_copy_complete = false;
  // Notes an entry for the copy (see to_copy).
  void note_copy(const std::string& rel, bool folder) {
    if (!to_copy_complete) return;
    if (to_copy.size() >= kCopyLimit) {
      to_copy_complete = false;
      to_copy = std::vector<copy_item>();
      return;
    }
    to_copy.push_back({rel, folder});
  }
};

// What the scan and the copy of one source work with: the run's configuration, its tally,
// what it knows for the move into last, and the source's own state.
struct backup_context_t {
  const backup_config_t& config;
  backup_tally_t& tally;
  swap_hints_t& hints;
  source_state_t source;
};

// The tree of `trees` that is the folder (device, inode), or null.
const tree_folder_t* tree_at(const backup_config_t& config, dev_t device, ino_t inode);

// Scan of one source: records every file taken and folder entered in the calling thread's
// marker.dat, the source's links, makes the folder structure in last and in the version
// folder, and sets the run's update flag when anything is new or changed. A source that is
// no folder is logged and skipped (0). -1 when the marker cannot be written (logged).
int scan_folder(backup_context_t& ctx, const std::string& source, bool recursive,
                const std::string& last_dir, const std::string& version_dir);
int scan_folder_core(backup_context_t& ctx, const std::string& folder, bool recursive,
                     const std::string& last_dir, const std::string& version_dir, size_t L);

// Copy of the new and changed files of one source into `target` (tmp/id<k>), each changed
// file followed by its reverse delta (from the tmp copy against last/<rel>) into the version
// folder, and its time recorded in file_time.db. A file that cannot be read or delta'd is
// logged, left out and retried next run. 1 on success, 0 when the destination fails.
int copy_directory(backup_context_t& ctx, const std::string& source, const std::string& target,
                   bool use_marker, bool skip_links, const std::string& marker,
                   const std::string& last_dir, const std::string& version_dir);
// The copy of copy_directory from the scan's notes (source_state_t::to_copy) instead of a
// walk of the source: the same files copied, folders made and deltas written, in the same
// order. A file gone or of another type since the scan is left for the next run.
int copy_listed(backup_context_t& ctx, const std::string& source, const std::string& target_root,
                const std::string& last_dir, const std::string& version_dir);
int copy_directory_core(backup_context_t& ctx, const std::string& folder,
                        const std::string& target_root, bool recursive, size_t L,
                        bool use_marker, bool skip_links, const std::string& marker,
                        const std::string& last_dir, const std::string& version_dir);

// Moves every file of `from` (tmp) into `to` (last), making folders as needed, and removes
// each folder of `from` once it is empty. With `hints` (the run's own knowledge, see
// swap_hints_t): a folder below the top of `from` is not listed but taken as the copy filled
// it (when it is not empty after the move, it is listed and what is left moved all the
// same); a file named in `replaced` is known to be in last and, on a share, removed right
// before the rename that puts the new copy in its place (the share's rename never replaces;
// the library would try, be refused, remove and try again); a folder named in `folders` is
// known to be in last and is not asked for. A file of last is replaced only by a rename:
// when the rename fails the file is copied next to it (inside `from`) and that copy renamed
// over it, so last never holds a half-written file.
// Files only in `to` stay. Where the new entry is a folder and last holds a file of that name
// (or the reverse), the entry of last is moved whole to `kept` + "/" + <path> (the version's
// kept folder, see marker_file.h: kept_tbl), where the older versions find it, and the
// thread's file times of what it held are forgotten; with `kept` empty (a run that keeps no
// older version) it is removed. 1 on success, 0 on failure. Safe to run again after a crash.
int scan_folder_swap(tessaly::share::destination& d, const std::string& from, const std::string& to,
                     const std::string& kept = std::string(),
                     const swap_hints_t* hints = nullptr);
int scan_folder_swap_core(tessaly::share::destination& d, const std::string& root,
                          const std::string& folder,
                          const std::string& to, size_t L, const std::string& kept,
                          const swap_hints_t* hints = nullptr);

// Writes `version` + ".delta.old", the reverse delta of a changed file, so that patching the
// new copy (the file `newer`) with it gives last's copy (open as `old`, which `cmp` compared
// with the new copy as it was written): from the comparison when it is close enough, else
// librsync's rolling delta of `old` against the signature of `newer`, read back. 0, or -1 on
// failure (a partial delta is removed). The copy into tmp calls it for every changed file.
int backup_file(tessaly::share::destination& d, const block_comparison& cmp, FILE* old,
                const std::string& newer, const std::string& version);
