// The local file system as the backup's source side and the restore's targets see it:
// folders and files reached without following links, with few descriptors. The scan and
// the copy list and classify a source's entries and open its files here; the restore walks
// to its targets, lists, removes and opens what it writes here.
//
// The service runs as root and reads and writes folders that other users may change while
// it runs, so nothing here follows a link unless told: the restore never reaches a folder by
// its path text but opens "/" and then one name at a time, each with O_NOFOLLOW, and decides
// itself about every link it meets (walk_folder). Below a folder reached that way, every
// entry is opened relative to its open parent.
//
// A walk down a deep tree would keep one open folder per level and run out of descriptors
// (services get 1,024) long before the paths get too long, so folder_chain keeps only the
// deepest few levels open. A level above them is opened again, one name at a time from the
// nearest open level, when the walk comes back to it, and must then be the very folder
// (device and inode) that was entered, or the walk fails: nothing is ever reached through a
// folder that someone swapped in meanwhile.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "unique_fd.h"

namespace tessaly {

// Flags of every folder opened by a walk.
constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens the folder `name` in `dirfd`, never through a link.
unique_fd open_folder_at(int dirfd, const std::string& name);

// The folders from a root down to the current one.
class folder_chain {
 public:
  // Levels that stay open below the root.
  static constexpr size_t kHeld = 24;

  // The chain starts at `root` (an open folder, kept open).
  explicit folder_chain(unique_fd root);
  // A chain starting at a copy of the open folder `dirfd`.
  static folder_chain from(int dirfd);

  // The current folder: -1 with errno when it cannot be opened again (ESTALE: another
  // folder lies at its name now).
  int fd();
  // Enters the folder `name` of the current one, never through a link. False with errno.
  bool enter(const std::string& name);
  // Back to the folder above (never above the root).
  void leave();
  size_t depth() const { return levels_.size(); }
  // The names from the root down to the current folder.
  std::vector<std::string> names() const;

 private:
  struct level_t {
    std::string name;
    dev_t dev = 0;
    ino_t ino = 0;
    unique_fd fd;
  };
  bool reopen();

  unique_fd root_;
  std::vector<level_t> levels_;
  size_t open_from_ = 0;  // levels_[open_from_ ..] are open
};

// What walk_folder asks about the way: `follow` decides on a link met at `path` (the link
// and its owner in `link`); `reached` is told of the folder a followed link led to (false
// refuses it); `visit` sees every folder opened on the way (false stops the walk). Each
// logs its own refusals.
struct walk_rules_t {
  std::function<bool(const std::string& path, const struct stat& link)> follow;
  // `folder` is null when the link leads to nothing.
  std::function<bool(const std::string& path, const struct stat& link, const struct stat* folder)>
      reached;
  std::function<bool(int fd, const struct stat& folder, const std::string& path)> visit;
};

// Where a walk ended: the folder itself (when `missing` is empty), or the deepest folder
// that exists and the plain names below it that do not. `path` names the folder reached
// without any link; `made` the folders made on the way, outermost first.
struct walk_end_t {
  unique_fd fd;
  std::string path;
  std::vector<std::string> missing;
  std::vector<std::string> made;
  bool refused = false;  // a rule said no (and logged it)
};

// Walks the absolute `path` from "/", one name at a time. A link on the way is followed
// only when `rules.follow` allows it; its text is then walked in its place (at most 40
// links in all), and the folder it leads to is shown to `rules.reached` (null when it does
// not exist), which may refuse it. With `make`, missing folders are made (mode 0700, owner
// and group of the folder above them); without, the walk stops at the first missing name
// and the rest must be plain names. False with `end.refused` (a rule said no) or errno set.
bool walk_folder(const std::string& path, bool make, const walk_rules_t& rules, walk_end_t* end);

// The names in the folder `name` of `dirfd` (AT_FDCWD: a path; "." the folder itself),
// without "." and "..", sorted so that walks meet them in one order. The folder is opened
// without following a link at its last name, unless `follow`. False with errno. With
// `opened`, the folder listed stays open there, so that its entries can be looked at by name
// (classify_at) instead of by a path that the kernel walks again for each of them.
bool list_folder(int dirfd, const std::string& name, bool follow, std::vector<std::string>* names,
                 unique_fd* opened = nullptr);

// What an entry is, seen without following a link. unreadable: it cannot be looked at for
// another reason than its absence (errno tells); other: a FIFO, socket or device, which a
// reader could block on.
enum class entry_type { gone, unreadable, file, folder, link, other };
entry_type classify_at(int dirfd, const std::string& name, struct stat* st);

// The folder at `components` below the open folder `root`, each step without following a
// link.
unique_fd open_below(int root, const std::vector<std::string>& components);

// Removes the entry `name` of `dirfd` with everything in it. Links are removed, never
// followed; a folder of another file system, or one that `keep` returns true for (given the
// open folder), is never entered and stays (the removal fails there). A missing entry counts
// as removed. Holds a bounded number of descriptors whatever the depth.
bool remove_tree_at(int dirfd, const std::string& name,
                    const std::function<bool(int fd, const struct stat& folder)>& keep = nullptr);

// Opens the file `name` of `dirfd` (AT_FDCWD: a path) for reading, never through a link and
// never blocking on something that is not a file: null with errno EINVAL for anything but
// a regular file.
FILE* open_file_at(int dirfd, const std::string& name);

}  // namespace tessaly
