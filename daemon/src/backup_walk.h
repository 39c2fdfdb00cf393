// What the scan, the copy into tmp and the move into last share (private to
// scan_backup_folder.cpp, copy_to_tmp.cpp and swap_into_last.cpp, which defines none of it).
// The scan and the copy walk a source the same way (names sorted, links never followed,
// the same entries left out), so that the copy meets exactly what the scan recorded.
#pragma once

#include <fcntl.h>

#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "log.h"
#include "scan_backup_folder.h"

namespace backup_walk {

// A log record of the run naming a path (in the form log texts show).
void run_log(const backup_context_t& ctx, msg_level_t level, const char* format,
             const std::string& path);

// A source folder as the walks take it: without a trailing '/' ("/" stays).
std::string walk_root(const std::string& text);
// How many characters of an entry's path name the source folder and the '/' after it
// (get_source_folder cuts them off). For the root folder that is the '/' alone: a length
// + 1 would also cut the first letter of every name.
size_t source_prefix_length(const std::string& source);
// The source folder of a walk, from any folder of it.
std::string source_folder_of(const std::string& folder, size_t L);
// True for the source folder itself, the top of a walk.
bool is_source_folder(const std::string& folder, size_t L);
// The path of the entry `name` of a listed folder.
std::string entry_path(const std::string& folder, const std::string& name);

// What a source entry is, seen without following links. unreadable: lstat failed for another
// reason than its absence (errno kept in `error`), mount: the top of another file system,
// tree: the task tree itself (a destination inside the source).
enum class entry_kind { gone, unreadable, file, folder, link, other, mount, tree };
// `path` is taken relative to the open folder `dirfd` (AT_FDCWD: a path).
entry_kind classify(const backup_context_t& ctx, const std::string& path, struct stat* st,
                    int* error = nullptr, int dirfd = AT_FDCWD);

// A path of the tree longer than the system allows (a local tree only: a share's server
// sets its own limits and says so when the write fails).
bool too_long_for_tree(const backup_context_t& ctx, const std::string& path);
// Entries that the tree cannot hold without harm to another entry: a folder at the top of
// a source named like the version's marker.dat, and on an SMB share a name that is not
// UTF-8 (SMB carries UTF-16 names) or that differs from an earlier name of the folder only
// in letter case (the share would merge the two files and their deltas). `seen` holds the
// case-folded names of the folder met so far.
bool unusable_name(const backup_context_t& ctx, const std::string& name, bool top_level,
                   bool is_folder, std::set<std::string>* seen);

// What a path of the tree is (never recorded_file).
tree_entry tree_type(tessaly::share::destination& d, const std::string& path);
// Makes a folder of the tree; one already there counts as made. 0 or -1.
int make_tree_folder(tessaly::share::destination& d, const std::string& path);

// What file_time.db holds for the file (search_file_time_db, asked only).
int stored_time_state(const backup_context_t& ctx, const std::string& rel,
                      const std::string& time);
// A file time as the tree records it (get_file_time), "" when it cannot be formed.
std::string file_time_text(const struct stat& st);

}  // namespace backup_walk
