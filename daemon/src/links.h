// Symbolic links in source folders and restore targets.
//
// A backup never follows a link: it records the link's own full path and its target in the
// version's marker.dat. An absolute link to a folder plays the part of a junction
// (junction_tbl); every other link (to a file, relative, dangling, to something that is not
// a folder) is a symbolic link (symbolic_link_tbl). A restore makes both kinds again as
// symbolic links. Only the local file system has links: destinations keep none.
#pragma once

#include <string>

#include "destination.h"

// True for a symbolic link whose target is an absolute path to an existing folder.
bool is_junction_dir(const char* path);
// The target of such a link without trailing "/" ("/" itself stays "/"). Returns the length
// of the link text plus one, or -1 when the path is no junction.
int read_junction(const char* path, std::string* out);
// Makes the link `name` in the open folder `dirfd` (AT_FDCWD: `name` is a path) pointing at
// `target`; never replaces an existing entry. 0 or -1.
int create_junction(const char* target, int dirfd, const char* name);

// True for a symbolic link that is not a junction.
bool is_win_symbolic(const char* path);
bool is_symbolic(const char* path);
// The link text with one trailing "/" removed ("/" itself stays). 0 or -1.
int read_symbolic(const char* path, std::string* out);
// The same for a symbolic link.
int create_symbolic(const char* target, int dirfd, const char* name);
// Removes a link itself (never what it points to) in a task tree. 0 or -1.
int remove_symbolic(tessaly::share::destination& d, const char* path);

// Records an absolute junction path and its target in junction_tbl of the calling thread's
// marker.dat: 1 recorded, 0 not a junction (or a relative path), -1 the row could not be
// written.
int backup_junction(const char* marker, const char* path);
// Records a symbolic link (any link that is not a junction) in symbolic_link_tbl: 0
// recorded, -1 not a link, -2 the row could not be written.
int backup_symbolic(const char* marker, const char* path);
