#include "scan_backup_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <librsync.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>

#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "i18n.h"
#include "links.h"
#include "log.h"
#include "share.h"
#include "threads.h"

namespace share = tessaly::share;

namespace {

struct file_closer {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

struct sumset_free {
  void operator()(rs_signature_t* s) const { rs_free_sumset(s); }
};

// Names that are never backed up (system files of the other platform's volumes).
bool never_backed_up(const char* name) {
  return g_ascii_strcasecmp(name, "pagefile.sys") == 0 ||
         g_ascii_strcasecmp(name, "hiberfil.sys") == 0 ||
         g_ascii_strcasecmp(name, "Thumbs.db") == 0;
}

void run_log(const backup_context_t& ctx, msg_level_t level, const char* format,
             const std::string& path) {
  log_session_append(ctx.name.c_str(), ctx.uuid.c_str(), level, format,
                     path_format_to_win(path).c_str());
}

bool stopping(const backup_context_t& ctx) { return need_exit(ctx.uuid.c_str()); }

// A source folder as the walks take it: without a trailing '/' ("/" stays).
std::string walk_root(const std::string& text) {
  std::string source = text;
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  return source;
}

// How many characters of an entry's path name the source folder and the '/' after it
// (get_source_folder cuts them off). For the root folder that is the '/' alone: a length
// + 1 would also cut the first letter of every name.
size_t source_prefix_length(const std::string& source) {
  return source == "/" ? 1 : source.size() + 1;
}

// The source folder of a walk, from any folder of it.
std::string source_folder_of(const std::string& folder, size_t L) {
  return L <= 1 ? std::string("/") : folder.substr(0, L - 1);
}

// True for the source folder itself, the top of a walk.
bool is_source_folder(const std::string& folder, size_t L) {
  return folder == "/" || folder.size() + 1 == L;
}

// The path of the entry `name` of a listed folder.
std::string entry_path(const std::string& folder, const std::string& name) {
  return (folder == "/" ? std::string() : folder) + "/" + name;
}

// Status "delta" tells a later run (and the controller) that this run is under way and that
// last is untouched. It is written once, at the end of the first folder walk; later walks
// would only write the same word again.
void write_delta(backup_context_t& ctx) {
  if (ctx.delta_written || stopping(ctx)) return;
  if (create_status_db(ctx.status_path.c_str(), "delta") == 0) ctx.delta_written = true;
}

// The names in a local source folder, sorted so that the scan and the copy meet them in the
// same order. The folder itself is opened without following a link (but for a source folder
// that is a followed link, `follow`).
bool list_source(const std::string& folder, std::vector<std::string>* names, bool follow = false) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  names->clear();
  errno = 0;
  while (struct dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
    names->emplace_back(e->d_name);
    errno = 0;
  }
  int err = errno;
  ::closedir(dir);
  if (err != 0) {
    errno = err;
    return false;
  }
  std::sort(names->begin(), names->end());
  return true;
}

// What a source entry is, seen without following links. unreadable: lstat failed for another
// reason than its absence (errno kept in `error`), mount: the top of another file system,
// tree: the task tree itself (a destination inside the source).
enum class entry_kind { gone, unreadable, file, folder, link, other, mount, tree };

entry_kind classify(const backup_context_t& ctx, const std::string& path, struct stat* st,
                    int* error = nullptr) {
  if (::lstat(path.c_str(), st) != 0) {
    if (error != nullptr) *error = errno;
    return errno == ENOENT ? entry_kind::gone : entry_kind::unreadable;
  }
  if (S_ISLNK(st->st_mode)) return entry_kind::link;
  if (S_ISREG(st->st_mode)) return entry_kind::file;
  if (S_ISDIR(st->st_mode)) {
    // A file system mounted inside the source is not entered, and neither is the task tree
    // itself when the destination lies inside the source.
    if (tree_at(ctx, st->st_dev, st->st_ino) != nullptr) return entry_kind::tree;
    if (st->st_dev != ctx.source_device) return entry_kind::mount;
    return entry_kind::folder;
  }
  return entry_kind::other;  // FIFO, socket, device: reading one could block the run
}

// The tree that holds the source folder `fd` (or is it), found by going up through ".."
// to the root; null when none does. The folder's own descriptor is closed.
const backup_context_t::tree_folder_t* tree_holding(const backup_context_t& ctx, int fd) {
  const backup_context_t::tree_folder_t* found = nullptr;
  struct stat st;
  while (fd >= 0 && found == nullptr && ::fstat(fd, &st) == 0) {
    found = tree_at(ctx, st.st_dev, st.st_ino);
    int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat parent;
    bool at_root = up < 0 || (::fstat(up, &parent) == 0 && parent.st_dev == st.st_dev &&
                              parent.st_ino == st.st_ino);
    ::close(fd);
    fd = at_root ? -1 : up;
    if (at_root && up >= 0) ::close(up);
  }
  if (fd >= 0) ::close(fd);
  return found;
}

// Logs an entry the run cannot take, with the reason, and counts it (the run ends
// "incomplete").
void left_out(backup_context_t& ctx, const std::string& path, int error) {
  if (error == ENAMETOOLONG) {
    run_log(ctx, MSG_LEVEL_WARNING,
            _("A path longer than the system allows is not backed up: %s"), path);
  } else {
    run_log(ctx, MSG_LEVEL_WARNING, _("Failed to open file %s."), path);
  }
  ++ctx.skipped;
}

// A path of the tree longer than the system allows (a local tree only: a share's server
// sets its own limits and says so when the write fails).
bool too_long_for_tree(const backup_context_t& ctx, const std::string& path) {
  return !ctx.smb && path.size() >= PATH_MAX;
}

entry_attributes_t attributes_of(const struct stat& st) {
  entry_attributes_t a;
  a.mode = static_cast<int64_t>(st.st_mode);
  a.uid = static_cast<int64_t>(st.st_uid);
  a.gid = static_cast<int64_t>(st.st_gid);
  a.mtime = static_cast<int64_t>(st.st_mtim.tv_sec);
  a.mtime_nsec = static_cast<int64_t>(st.st_mtim.tv_nsec);
  a.size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
  return a;
}

// The clock the file systems take their times from, in whole seconds.
int64_t coarse_now() {
  struct timespec now;
  if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0) return static_cast<int64_t>(::time(nullptr));
  return static_cast<int64_t>(now.tv_sec);
}

// The "racy" rule (as git's index has it): a file whose last-write time is not older than
// the second in which its copy began may be written again within that second without its
// recorded time changing. Such a file is never recorded as unchanged: its time is left
// unrecorded and the next run copies it again. (One second of margin for a source whose
// clock is not this machine's.)
bool racy(const struct stat& st, int64_t copy_began) {
  return static_cast<int64_t>(st.st_mtim.tv_sec) + 1 >= copy_began;
}

// Entries that the tree cannot hold without harm to another entry: a folder at the top of
// a source named like the version's marker.dat, and on an SMB share a name that is not
// UTF-8 (SMB carries UTF-16 names) or that differs from an earlier name of the folder only
// in letter case (the share would merge the two files and their deltas). `seen` holds the
// case-folded names of the folder met so far.
bool unusable_name(const backup_context_t& ctx, const std::string& name, bool top_level,
                   bool is_folder, std::set<std::string>* seen) {
  if (top_level && is_folder &&
      (ctx.smb ? g_ascii_strcasecmp(name.c_str(), "marker.dat") == 0 : name == "marker.dat")) {
    return true;
  }
  if (!ctx.smb) return false;
  if (!g_utf8_validate(name.c_str(), static_cast<gssize>(name.size()), nullptr)) return true;
  gchar* folded = g_utf8_casefold(name.c_str(), static_cast<gssize>(name.size()));
  bool fresh = seen->insert(folded).second;
  g_free(folded);
  return !fresh;
}

// Type of a path of the tree: 0 none, 1 file, 2 folder, 3 other, -1 when the destination
// cannot tell (a failure other than "no such file").
int tree_type(const std::string& path) {
  share::info_t info;
  // Below a file of that name (a type that changed) nothing of the path exists.
  if (share::lstat(path, &info) != 0) return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
  switch (info.type) {
    case share::kind::file:
      return 1;
    case share::kind::folder:
      return 2;
    default:
      return 3;
  }
}

// The entries of one folder of last, listed once when the walk needs the type of a second of
// them (one request for the folder instead of one lookup per name). A name the listing does
// not hold is looked up all the same: a share may hold it in another letter case.
class last_listing {
 public:
  explicit last_listing(std::string dir) : dir_(std::move(dir)) {}
  // As tree_type(dir + "/" + name).
  int type_of(const std::string& name) {
    // One name alone is cheaper to ask for than the folder's listing.
    if (!listed_ && asked_++ == 0) return tree_type(dir_ + "/" + name);
    if (!listed_) {
      listed_ = true;
      std::vector<share::entry_t> entries;
      if (share::list(dir_, &entries) == 0) {
        usable_ = true;
        for (share::entry_t& e : entries) kinds_.emplace(std::move(e.name), e.type);
      } else if (errno == ENOENT || errno == ENOTDIR) {
        absent_ = true;  // nothing below a folder that is not there
      }
    }
    if (absent_) return 0;
    if (usable_) {
      auto it = kinds_.find(name);
      if (it != kinds_.end()) {
        switch (it->second) {
          case share::kind::file:
            return 1;
          case share::kind::folder:
            return 2;
          case share::kind::none:
            break;  // vanished while listed: asked again
          default:
            return 3;
        }
      }
    }
    return tree_type(dir_ + "/" + name);
  }

 private:
  std::string dir_;
  int asked_ = 0;
  bool listed_ = false;
  bool usable_ = false;
  bool absent_ = false;
  std::unordered_map<std::string, share::kind> kinds_;
};

int make_tree_folder(const std::string& path) {
  if (share::mkdir(path, 0700) == 0) return 0;
  if (errno == EEXIST && tree_type(path) == 2) return 0;
  return -1;
}

// Records a link of the source in the marker: junction or symbolic link. -1 when the row
// cannot be written.
int record_link(backup_context_t& ctx, const std::string& path) {
  int junction = backup_junction(ctx.marker_path().c_str(), path.c_str());
  if (junction == 1) {
    daemon_print(0, "%s is a junction directory,ignore it\n", path.c_str());
    return 0;
  }
  if (junction < 0) return -1;
  int symbolic = backup_symbolic(ctx.marker_path().c_str(), path.c_str());
  if (symbolic == -2) return -1;
  daemon_print(0, "%s is a symbolic link\n", path.c_str());
  return 0;
}

FILE* open_read(const std::string& path) {
  if (share::is_smb_path(path)) return share::open(path, "rb");
  // Local: never through a link, and never blocking on something that is not a file (the
  // flag has no effect on the reads of a regular file).
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return nullptr;
  }
  FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

// Removes a file of the tree; a file that is not there counts as removed.
bool remove_tree_file(const std::string& path) {
  return share::unlink(path) == 0 || errno == ENOENT;
}

std::vector<char>& copy_buffer() {
  thread_local std::vector<char> buffer;
  if (buffer.empty()) buffer.resize(copy_block_size);
  return buffer;
}

// A file time as the tree records it: the last-write time in UTC, whole seconds.
std::string file_time_text(const struct stat& st) {
  struct tm tm;
  time_t seconds = st.st_mtim.tv_sec;
  if (gmtime_r(&seconds, &tm) == nullptr) return std::string();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace

std::string backup_context_t::marker_path() const { return version_dir + "/marker.dat"; }

const backup_context_t::tree_folder_t* tree_at(const backup_context_t& ctx, dev_t device,
                                               ino_t inode) {
  for (const backup_context_t::tree_folder_t& t : ctx.trees) {
    if (t.device == device && t.inode == inode) return &t;
  }
  return nullptr;
}

namespace {

int record_exist(const std::string& marker, const std::string& rel) {
  return create_marker_db(marker.c_str(), rel.c_str(), nullptr, MARKER_EXIST);
}

// A file taken or a folder entered: its marker row and what it is.
int record_entry(const std::string& marker, const std::string& rel, const struct stat& st) {
  if (record_exist(marker, rel) != 0) return -1;
  return record_attributes(rel.c_str(), attributes_of(st));
}

int record_time(const backup_context_t& ctx, const std::string& rel, const std::string& time) {
  return search_file_time_db(rel.c_str(), time.c_str(), ctx.table.c_str(), false) < 0 ? -1 : 0;
}

int stored_time_state(const backup_context_t& ctx, const std::string& rel,
                      const std::string& time) {
  return search_file_time_db(rel.c_str(), time.c_str(), ctx.table.c_str(), true);
}

}  // namespace

const char* signature_ending(int mode) {
  switch (mode) {
    case 1:
      return ".sig.new";
    case 2:
      return ".sig.last";
    default:
      return ".sig.old";
  }
}

const char* delta_ending(int mode) {
  switch (mode) {
    case 1:
      return ".delta.new";
    case 2:
      return ".delta.last";
    default:
      return ".delta.old";
  }
}

// ---------------------------------------------------------------------------------------
// The scan.
// ---------------------------------------------------------------------------------------

int scan_folder(backup_context_t& ctx, const std::string& source_text, bool recursive,
                const std::string& last_dir, const std::string& version_dir) {
  std::string source = walk_root(source_text);
  ctx.version_dir = version_dir;
  ctx.root_is_link = false;
  ctx.resized.clear();
  ctx.last_types.clear();
  ctx.version_folder.clear();
  ctx.type_changed.clear();
  ctx.pending_folders.clear();
  struct stat st;
  bool found = ::lstat(source.c_str(), &st) == 0;
  if (!found && errno == ENAMETOOLONG) {
    left_out(ctx, source, ENAMETOOLONG);
    return 0;
  }
  if (found && S_ISLNK(st.st_mode)) {
    // The user chose the folder by this name: the folder it points to is backed up, when
    // the link is root's or its folder's owner's (a link of another user may not lead the
    // service into a folder that user cannot read). Either way the run says so.
    std::string target;
    read_symbolic(source.c_str(), &target);
    struct stat folder;
    bool to_folder = ::stat(source.c_str(), &folder) == 0 && S_ISDIR(folder.st_mode);
    if (to_folder && (st.st_uid == 0 || st.st_uid == folder.st_uid)) {
      log_session_append(ctx.name.c_str(), ctx.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("The source folder %s is a link to %s: the folder it points to is "
                           "backed up."),
                         source.c_str(), target.c_str());
      ++ctx.skipped;
      ctx.root_is_link = true;
      st = folder;
    } else {
      log_session_append(ctx.name.c_str(), ctx.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("%s is a link to %s, which is not a folder of the link's owner: "
                           "it is not followed."),
                         source.c_str(), target.c_str());
      ++ctx.skipped;
      if (record_link(ctx, source) != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), source);
        return -1;
      }
      return 0;
    }
  }
  if (!found || !S_ISDIR(st.st_mode)) {
    daemon_print(0, "scan_folder %s is not a DIR\n", source.c_str());
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to open file %s."), source);
    ++ctx.skipped;
    return 0;
  }
  if (!ctx.trees.empty()) {
    int fd = ::open(source.c_str(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | (ctx.root_is_link ? 0 : O_NOFOLLOW));
    if (const backup_context_t::tree_folder_t* tree = tree_holding(ctx, fd)) {
      // Backing it up would copy the tree into itself, one level deeper at every run.
      log_session_append(ctx.name.c_str(), ctx.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("The source folder %s is or lies inside the task folder %s: it is "
                           "not backed up."),
                         source.c_str(), path_format_to_win(tree->path).c_str());
      ++ctx.skipped;
      return 0;
    }
  }
  ctx.source_device = st.st_dev;
  // The source folder itself: its owner, mode and time for a restore into a new folder.
  if (record_attributes("", attributes_of(st)) != 0) {
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), ctx.marker_path());
    return -1;
  }
  return scan_folder_core(ctx, source, recursive, last_dir, version_dir,
                          source_prefix_length(source));
}

int scan_folder_core(backup_context_t& ctx, const std::string& folder, bool recursive,
                     const std::string& last_dir, const std::string& version_dir, size_t L) {
  if (stopping(ctx)) return 0;
  bool top_level = is_source_folder(folder, L);
  std::vector<std::string> names;
  if (!list_source(folder, &names, top_level && ctx.root_is_link)) {
    int error = errno;
    daemon_print(0, "opendir error:%s\n", folder.c_str());
    left_out(ctx, folder, error);
    write_delta(ctx);
    return 0;
  }
  const std::string marker = ctx.marker_path();
  std::set<std::string> seen;
  std::string folder_rel = get_source_folder(folder, L);
  last_listing in_last(folder_rel.empty() ? last_dir : last_dir + "/" + folder_rel);
  for (const std::string& name : names) {
    if (stopping(ctx)) break;
    std::string path = entry_path(folder, name);
    std::string rel = get_source_folder(path, L);
    struct stat st;
    int error = 0;
    entry_kind kind = classify(ctx, path, &st, &error);
    if (kind == entry_kind::gone) continue;  // removed since it was listed
    if (kind == entry_kind::unreadable) {
      left_out(ctx, path, error);
      continue;
    }
    if (kind == entry_kind::link) {
      if (record_link(ctx, path) != 0 || record_attributes(rel.c_str(), attributes_of(st)) != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        return -1;
      }
      continue;
    }
    if (kind == entry_kind::mount) {
      // Not entered (it is another file system), but never left out in silence.
      run_log(ctx, MSG_LEVEL_WARNING,
              _("%s is the mount point of another file system: it is not backed up."), path);
      ++ctx.skipped;
      continue;
    }
    if (kind == entry_kind::tree) {
      const backup_context_t::tree_folder_t* tree = tree_at(ctx, st.st_dev, st.st_ino);
      if (ctx.trees_logged.insert(tree->path).second) {
        log_session_append(ctx.name.c_str(), ctx.uuid.c_str(), MSG_LEVEL_MESSAGE,
                           _("The task folder %s lies inside the source folder %s: it is left "
                             "out of the backup."),
                           path.c_str(), source_folder_of(folder, L).c_str());
      }
      continue;
    }
    if (kind == entry_kind::other) {
      daemon_print(0, "%s is not a file or folder of the source, ignore it\n", path.c_str());
      continue;
    }
    bool is_folder = kind == entry_kind::folder;
    if (unusable_name(ctx, name, top_level, is_folder, &seen)) {
      run_log(ctx, MSG_LEVEL_WARNING, _("Failed to generate backup file for %s."), path);
      ++ctx.skipped;
      continue;
    }
    if (too_long_for_tree(ctx, last_dir + "/" + rel)) {
      left_out(ctx, path, ENAMETOOLONG);
      continue;
    }
    if (!is_folder) {
      crash_point("scan.file");
      if (never_backed_up(name.c_str())) continue;
      if (file_filter(name.c_str(), ctx.extensions) != 0) continue;
      bool changed = true;
      if (ctx.n != 1) {
        std::string time = file_time_text(st);
        int stored = time.empty() ? -1 : stored_time_state(ctx, rel, time);
        if (stored == FILE_TIME_SAME) {
          changed = false;
          // The same time with another size is a change all the same.
          int64_t size = 0;
          if (!ctx.previous_marker.empty() &&
              previous_size(ctx.previous_marker.c_str(), rel.c_str(), &size) == 1 &&
              size != static_cast<int64_t>(st.st_size)) {
            changed = true;
            ctx.resized.insert(rel);
          }
        }
        // A new or changed file where last holds a folder of that name: the folder is kept
        // for the older versions when the new copy takes its place (scan_folder_swap). A
        // file with a recorded time is a file in last (a run that changes its type there
        // forgets its time) and is not asked for.
        bool recorded = stored == FILE_TIME_CHANGED || stored == FILE_TIME_SAME;
        int last_type = -1;
        if (changed && recorded && ctx.last_types.size() < backup_context_t::kKnownLimit) {
          last_type = backup_context_t::kRecordedFile;
        } else if (changed) {
          last_type = in_last.type_of(name);
        }
        if (last_type == 2 && record_kept(rel.c_str()) != 0) {
          run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
          return -1;
        }
        if (last_type >= 0 && ctx.last_types.size() < backup_context_t::kKnownLimit) {
          ctx.last_types[rel] = last_type;
        }
      }
      if (record_entry(marker, rel, st) != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        return -1;
      }
      if (changed) need_update_last() = true;
      continue;
    }

    // A folder.
    std::string last_folder = last_dir + "/" + rel;
    // In a direct first version last held nothing and only this walk makes folders in it.
    int last_type = ctx.direct ? 0 : in_last.type_of(name);
    if (last_type == 1 || last_type == 3) ctx.type_changed.insert(rel);
    bool type_changed = (last_type == 1 || last_type == 3) && ctx.n != 1;
    if (type_changed) {
      // last keeps a file of that name: kept for the older versions when the folder's copy
      // takes its place; the copy walk must run to make the folder in tmp.
      if (record_kept(rel.c_str()) != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        return -1;
      }
      need_update_last() = true;
    }
    if (record_entry(marker, rel, st) != 0) {
      run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
      return -1;
    }
    // Failures here show later: the move makes missing folders of last, and a delta that
    // cannot be written is logged with its file.
    bool folder_in_last =
        last_type == 2 || (last_type == 0 && share::mkdir(last_folder, 0700) == 0);
    if (folder_in_last && ctx.hints.folders.size() < swap_hints_t::kKnownLimit) {
      ctx.hints.folders.insert(ctx.table + "/" + rel);
    }
    // Not made in last now: the copy makes it in tmp even when it stays empty, and the move
    // makes it in last.
    if (last_type == 0 && !folder_in_last) ctx.type_changed.insert(rel);
    if (!recursive) continue;
    if (stopping(ctx)) break;
    if (scan_folder_core(ctx, path, recursive, last_dir, version_dir, L) < 0) return -1;
  }
  write_delta(ctx);
  return 0;
}

// ---------------------------------------------------------------------------------------
// The copy into tmp, with the deltas.
// ---------------------------------------------------------------------------------------

int copy_directory(backup_context_t& ctx, const std::string& source_text,
                   const std::string& target, bool use_marker, bool skip_links,
                   const std::string& marker, const std::string& last_dir,
                   const std::string& version_dir) {
  std::string source = walk_root(source_text);
  struct stat st;
  int found = ctx.root_is_link ? ::stat(source.c_str(), &st) : ::lstat(source.c_str(), &st);
  if (found != 0 || !S_ISDIR(st.st_mode)) {
    daemon_print(0, "copy %s\n", source.c_str());
    // The source went away after its scan: nothing of it reaches tmp, and the next run
    // tries again.
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to open file %s."), source);
    ++ctx.skipped;
    return 1;
  }
  ctx.source_device = st.st_dev;
  return copy_directory_core(ctx, source, target, true, source_prefix_length(source),
                             use_marker, skip_links, marker, last_dir, version_dir);
}

namespace {

// After a failed write to the tree: false (and the run ends) when the destination no longer
// answers; true when the failure concerns this one entry.
bool entry_failure_only(backup_context_t& ctx) {
  if (destination_reachable(ctx.base)) return true;
  ctx.destination_lost = true;
  return false;
}

// Notes an entry the copy put into tmp ("id<k>/<rel>" below the top of tmp) for the move
// into last. Past the limit the notes are dropped and the move lists every folder.
void note_in_tmp(backup_context_t& ctx, const std::string& rel, share::kind type) {
  swap_hints_t& h = ctx.hints;
  if (!h.contents_valid) return;
  if (h.noted >= swap_hints_t::kKnownLimit) {
    h.contents_valid = false;
    h.contents.clear();
    return;
  }
  ++h.noted;
  size_t slash = rel.rfind('/');
  std::string parent = ctx.table + (slash == std::string::npos ? "" : "/" + rel.substr(0, slash));
  share::entry_t e;
  e.name = slash == std::string::npos ? rel : rel.substr(slash + 1);
  e.type = type;
  h.contents[parent].push_back(std::move(e));
}

// Makes the folders of tmp that the walk entered and did not make yet, outermost first.
// False when one cannot be made (logged).
bool make_pending_folders(backup_context_t& ctx) {
  size_t made = 0;
  bool ok = true;
  for (; made < ctx.pending_folders.size(); ++made) {
    const auto& [path, rel] = ctx.pending_folders[made];
    if (make_tree_folder(path) != 0) {
      run_log(ctx, MSG_LEVEL_ERROR, _("Failed to write directory %s."), path);
      ++ctx.skipped;
      ok = false;
      break;
    }
    note_in_tmp(ctx, rel, share::kind::folder);
  }
  // Made folders leave the list (the walk pops only a folder still at its end).
  ctx.pending_folders.erase(ctx.pending_folders.begin(),
                            ctx.pending_folders.begin() + static_cast<long>(made));
  return ok;
}

// Makes the folder `rel` of the version, and those above it that are missing, for a delta
// that goes into it: the version holds folders only where deltas are. The folders on the way
// to the one made last are there (the walk never comes back to a folder it left); the others
// are made outermost first. False when one cannot be made.
bool make_version_folder(backup_context_t& ctx, const std::string& version_dir,
                         const std::string& rel) {
  const std::string& made = ctx.version_folder;
  auto is_made = [&](size_t end) {
    return made.compare(0, end, rel, 0, end) == 0 && (made.size() == end || made[end] == '/');
  };
  for (size_t end = 0; end < rel.size();) {
    size_t slash = rel.find('/', end + 1);
    end = slash == std::string::npos ? rel.size() : slash;
    if (made.size() >= end && is_made(end)) continue;
    if (make_tree_folder(version_dir + "/" + rel.substr(0, end)) != 0) return false;
  }
  ctx.version_folder = rel;
  return true;
}

// Copies one new or changed file into tmp and writes its delta. 1 done or left out (logged),
// 0 when the run must end.
int copy_one_file(backup_context_t& ctx, const struct stat& st, const std::string& path,
                  const std::string& rel, const std::string& name,
                  const std::string& target_root, const std::string& last_dir,
                  const std::string& version_dir) {
  // The time read before the copy is the one recorded after it: a change during the copy
  // shows as a change at the next run.
  std::string time = file_time_text(st);
  bool timed = !time.empty();
  int stored = timed ? stored_time_state(ctx, rel, time) : -1;
  if (stored == FILE_TIME_SAME && ctx.resized.count(rel) == 0) return 1;
  std::string target = target_root + "/" + rel;
  std::string last_file = last_dir + "/" + rel;
  int last_type = 0;
  file_ptr old;  // last's copy, when opened to find out what last holds
  bool recorded = false;
  if (ctx.n != 1) {
    auto known = ctx.last_types.find(rel);
    last_type = known != ctx.last_types.end() ? known->second : tree_type(last_file);
    recorded = last_type == backup_context_t::kRecordedFile;
    if (recorded) {
      // The open that the delta needs tells whether last holds the file.
      old.reset(open_read(last_file));
      if (old) {
        last_type = 1;
      } else if (errno == ENOENT || errno == ENOTDIR) {
        last_type = 0;
      } else {
        last_type = tree_type(last_file);
        if (last_type > 1) {
          // Not the file its recorded time stands for, and the scan kept nothing aside:
          // left for the next run, whose scan looks the name up (its time is forgotten).
          run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
          ++ctx.skipped;
          return forget_file_time(rel.c_str(), ctx.table.c_str(), false) == 0 ? 1 : 0;
        }
      }
    }
    if (last_type < 0) return entry_failure_only(ctx) ? 1 : 0;
    // A folder of that name in last (a type change): the file is copied as what it is now,
    // without a delta; the folder is kept for the older versions by the move into last.
  }

  if (!make_pending_folders(ctx)) return entry_failure_only(ctx) ? 1 : 0;
  crash_point("copy.file");
  int64_t copy_began = coarse_now();
  int64_t bytes = 0;
  // A changed file's reverse delta needs the signature of the new copy: taken from the bytes
  // as they are written, not by reading the copy back.
  bool with_delta = ctx.n != 1 && last_type == 1;
  file_ptr sig(with_delta ? std::tmpfile() : nullptr);
  if (with_delta && !sig) {
    daemon_print(3, "open file %s error\n", "tmpfile");
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
    ++ctx.skipped;
    return 1;
  }
  copy_status copied = with_delta ? copy_file_signed(path, target, &bytes, sig.get())
                                  : copy_file_checked(path, target, &bytes);
  if (copied != copy_status::ok) {
    remove_tree_file(target);
    if (copied == copy_status::source_error) {
      // Vanished or unreadable: not recorded, so the next run tries again.
      run_log(ctx, MSG_LEVEL_WARNING, _("Failed to open file %s."), path);
    } else {
      if (!entry_failure_only(ctx)) return 0;
      run_log(ctx, MSG_LEVEL_ERROR, _("Failed to write file %s."), target);
    }
    ++ctx.skipped;
    return 1;
  }

  if (with_delta) {
    crash_point("copy.delta");
    std::string version_file = version_dir + "/" + rel;
    size_t slash = rel.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : rel.substr(0, slash);
    int delta = -1;
    if (make_version_folder(ctx, version_dir, folder)) {
      delta = old ? copytool_delta(old.get(), last_file, sig.get(), version_file + delta_ending(0))
                  : copytool_delta(last_file, sig.get(), version_file + delta_ending(0));
    }
    old.reset();
    if (delta != 0) {
      // Without its delta the new copy must not reach last: the older versions of the file
      // would be lost. last keeps its copy and the next run tries again.
      bool removed = remove_tree_file(version_file + delta_ending(0)) && remove_tree_file(target);
      if (!removed || !entry_failure_only(ctx)) {
        ctx.destination_lost = !removed || ctx.destination_lost;
        return 0;
      }
      if (g_ascii_strcasecmp(name.c_str(), ".DS_Store") != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        ++ctx.skipped;
      }
      // Whatever last holds in its place, the next run's scan looks it up.
      if (recorded && forget_file_time(rel.c_str(), ctx.table.c_str(), false) != 0) return 0;
      return 1;
    }
  }
  if (last_type == 1 && ctx.hints.replaced.size() < swap_hints_t::kKnownLimit) {
    ctx.hints.replaced.insert(ctx.table + "/" + rel);
  }
  if (!ctx.direct) note_in_tmp(ctx, rel, share::kind::file);
  if (timed && !racy(st, copy_began) && record_time(ctx, rel, time) != 0) {
    // The run's file times are one transaction; a failed write may have ended it.
    return 0;
  }
  if (timed && racy(st, copy_began) &&
      forget_file_time(rel.c_str(), ctx.table.c_str(), false) != 0) {
    return 0;
  }
  crash_point("copy.recorded");
  return 1;
}

}  // namespace

int copy_directory_core(backup_context_t& ctx, const std::string& folder,
                        const std::string& target_root, bool recursive, size_t L,
                        bool use_marker, bool skip_links, const std::string& marker,
                        const std::string& last_dir, const std::string& version_dir) {
  if (stopping(ctx)) return 1;
  bool top_level = is_source_folder(folder, L);
  std::vector<std::string> names;
  if (!list_source(folder, &names, top_level && ctx.root_is_link)) {
    // Unreadable since the scan: what it holds is left for the next run (a path too long
    // was counted by the scan already).
    if (errno != ENAMETOOLONG) {
      run_log(ctx, MSG_LEVEL_WARNING, _("Failed to open file %s."), folder);
      ++ctx.skipped;
    }
    return 1;
  }
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (stopping(ctx)) break;
    std::string path = entry_path(folder, name);
    std::string rel = get_source_folder(path, L);
    struct stat st;
    entry_kind kind = classify(ctx, path, &st);
    if (kind != entry_kind::file && kind != entry_kind::folder && kind != entry_kind::link) {
      continue;  // logged by the scan when it is left out
    }
    if (kind == entry_kind::link) {
      if (skip_links) continue;
      daemon_print(0, "copy_directory_core:%s is a symbolic link\n", path.c_str());
      continue;
    }
    bool is_folder = kind == entry_kind::folder;
    if (unusable_name(ctx, name, top_level, is_folder, &seen)) continue;  // logged by the scan
    if (too_long_for_tree(ctx, last_dir + "/" + rel)) continue;            // logged by the scan
    if (use_marker && get_marker_db_status(marker.c_str(), rel.c_str()) != 0) continue;

    if (!is_folder) {
      if (copy_one_file(ctx, st, path, rel, name, target_root, last_dir, version_dir) == 0) {
        return 0;
      }
      continue;
    }
    std::string target = target_root + "/" + rel;
    // A direct first version copies into last, where the scan made the folders. Otherwise
    // the folder is made in tmp when a file goes into it, or at once when it takes the place
    // of another entry of last (the move must see it).
    bool pending = false;
    if (!ctx.direct) {
      ctx.pending_folders.emplace_back(target, rel);
      if (ctx.type_changed.count(rel) != 0) {
        if (!make_pending_folders(ctx)) {
          if (!entry_failure_only(ctx)) return 0;
          ctx.pending_folders.clear();
          continue;
        }
      } else {
        pending = true;
      }
    }
    if (recursive && copy_directory_core(ctx, path, target_root, recursive, L, use_marker,
                                         skip_links, marker, last_dir, version_dir) == 0) {
      return 0;
    }
    // Nothing went into it: it is not made.
    if (pending && !ctx.pending_folders.empty() && ctx.pending_folders.back().first == target) {
      ctx.pending_folders.pop_back();
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------------------
// The move of tmp into last.
// ---------------------------------------------------------------------------------------

namespace {

// The copy that replaces a file of last when a rename cannot: made inside tmp (whose top
// level holds only the id<k> folders), then renamed over the file.
constexpr const char* kSwapPart = "swap.part";

}  // namespace

namespace {

// Moves an entry of last whose type changes to its place in the version's kept folder, and
// forgets the file times of what it held (so that an entry of that name is copied again).
// `rel` is the path below tmp: "id<k>/<path>".
bool keep_aside(const std::string& entry, const std::string& kept, const std::string& rel,
                bool was_folder) {
  std::string place = kept + "/" + rel;
  int here = tree_type(place);
  if (here != 0) {
    daemon_print(0, "kept %s is taken\n", place.c_str());
    return false;
  }
  size_t slash = place.rfind('/');
  if (share::mkdirs(place.substr(0, slash), 0700) != 0) return false;
  if (share::rename(entry, place) != 0) return false;
  crash_point("swap.kept");
  size_t sep = rel.find('/');
  if (sep != std::string::npos && get_db_conn1(DB_KEY_FILE_TIME) != nullptr) {
    std::string table = rel.substr(0, sep);
    std::string file = rel.substr(sep + 1);
    if (forget_file_time(file.c_str(), table.c_str(), was_folder) != 0) return false;
  }
  return true;
}

}  // namespace

namespace {

// Moves the listed entries of one folder of tmp into last (folders through
// scan_folder_swap_core). 1 or 0 as scan_folder_swap_core.
int move_entries(const std::string& root, const std::string& folder, const std::string& to,
                 size_t L, const std::string& kept, const swap_hints_t* hints,
                 std::vector<share::entry_t>* listed);

}  // namespace

int scan_folder_swap(const std::string& from, const std::string& to, const std::string& kept,
                     const swap_hints_t* hints) {
  if (tree_type(from) != 2 || tree_type(to) != 2) return 0;
  return scan_folder_swap_core(from, from, to, from.size() + 1, kept, hints);
}

int scan_folder_swap_core(const std::string& root, const std::string& folder,
                          const std::string& to, size_t L, const std::string& kept,
                          const swap_hints_t* hints) {
  // Below the top of tmp the copy of this run knows what it put in each folder; a move after
  // a crash lists the folder.
  std::string folder_rel = get_source_folder(folder, L);
  const std::vector<share::entry_t>* known = nullptr;
  if (hints != nullptr && hints->contents_valid && folder != root) {
    static const std::vector<share::entry_t> kNothing;
    auto it = hints->contents.find(folder_rel);
    known = it != hints->contents.end() ? &it->second : &kNothing;
  }
  std::vector<share::entry_t> entries;
  if (known != nullptr) {
    entries = *known;
  } else if (share::list(folder, &entries) != 0) {
    return 0;
  }
  if (move_entries(root, folder, to, L, kept, hints, &entries) == 0) return 0;
  if (folder == root) return 1;
  // Everything of it is in last now: the empty folder goes, so that the removal of tmp does
  // not list it again.
  if (share::rmdir(folder) == 0) return 1;
  if (known == nullptr) return 1;  // not empty: left for the removal of tmp
  // More than the run knew of is in it: listed and moved all the same.
  if (share::list(folder, &entries) != 0) return 0;
  if (move_entries(root, folder, to, L, kept, hints, &entries) == 0) return 0;
  share::rmdir(folder);
  return 1;
}

namespace {

int move_entries(const std::string& root, const std::string& folder, const std::string& to,
                 size_t L, const std::string& kept, const swap_hints_t* hints,
                 std::vector<share::entry_t>* listed) {
  std::vector<share::entry_t>& entries = *listed;
  std::sort(entries.begin(), entries.end(),
            [](const share::entry_t& a, const share::entry_t& b) { return a.name < b.name; });
  for (const share::entry_t& e : entries) {
    std::string from = folder + "/" + e.name;
    if (folder == root && e.name == kSwapPart) continue;
    std::string rel = get_source_folder(from, L);
    std::string target = to + "/" + rel;
    int from_type = e.type == share::kind::folder ? 2 : e.type == share::kind::file ? 1 : 0;
    if (from_type == 0) from_type = tree_type(from);
    if (from_type == 2) {
      // Mostly last has the folder already: asked first (when the run does not know it),
      // made only when missing.
      bool known = hints != nullptr && hints->folders.count(rel) != 0;
      int target_type = known ? 2 : tree_type(target);
      if (target_type < 0) return 0;
      if (target_type == 0) {
        if (make_tree_folder(target) != 0) return 0;
      } else if (target_type != 2) {
        // last holds a file of that name: kept for the older versions (or, in a run that
        // keeps none, removed).
        bool cleared = kept.empty() ? share::remove_tree(target) == 0
                                    : keep_aside(target, kept, rel, false);
        if (!cleared || make_tree_folder(target) != 0) return 0;
      }
      if (scan_folder_swap_core(root, from, to, L, kept, hints) == 0) return 0;
      continue;
    }
    if (from_type != 1) continue;
    crash_point("swap.file");
    bool known = hints != nullptr && hints->replaced.count(rel) != 0;
    if ((known ? share::replace(from, target) : share::rename(from, target)) == 0) {
      crash_point("swap.renamed");
      continue;
    }
    int target_type = tree_type(target);
    if (target_type < 0) return 0;
    if (target_type == 2 || target_type == 3) {
      bool cleared = kept.empty() ? share::remove_tree(target) == 0
                                  : keep_aside(target, kept, rel, target_type == 2);
      if (cleared && share::rename(from, target) == 0) {
        crash_point("swap.renamed");
        continue;
      }
      if (!cleared) return 0;
    }
    daemon_print(0, "rename %s to %s error\n", from.c_str(), target.c_str());
    std::string part = root + "/" + kSwapPart;
    int64_t bytes = 0;
    if (copy_file_checked(from, part, &bytes) != copy_status::ok ||
        share::rename(part, target) != 0) {
      daemon_print(0, "copy_file %s to %s error\n", from.c_str(), target.c_str());
      share::unlink(part);
      return 0;
    }
    if (!remove_tree_file(from)) return 0;
  }
  return 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Deltas.
// ---------------------------------------------------------------------------------------

int backup_file(const std::string& source, const std::string& last, const std::string& version) {
  if (tree_type(last) != 1) return 0;
  // The signature only lives until the delta is written: a local temporary file, never on
  // the share.
  file_ptr sig(std::tmpfile());
  if (!sig) {
    daemon_print(3, "open file %s error\n", "tmpfile");
    return -1;
  }
  if (copytool_sig(source, sig.get()) != 0) return -1;
  return copytool_delta(last, sig.get(), version + delta_ending(0));
}

int copytool_sig(const std::string& basis, FILE* sig) {
  if (sig == nullptr) return -1;
  file_ptr in(open_read(basis));
  if (!in) {
    daemon_print(3, "open file %s error\n", basis.c_str());
    return -1;
  }
  rs_result r = rs_sig_file(in.get(), sig, block_len, strong_len, RS_BLAKE2_SIG_MAGIC, nullptr);
  if (r != RS_DONE || std::ferror(in.get()) || std::fflush(sig) != 0 || std::ferror(sig)) {
    daemon_print(3, "signature of %s failed: %s\n", basis.c_str(), rs_strerror(r));
    return -1;
  }
  return 0;
}

int copytool_delta(const std::string& file, FILE* sig, const std::string& delta) {
  file_ptr in(open_read(file));
  if (!in) {
    daemon_print(3, "open file %s error\n", file.c_str());
    return -1;
  }
  return copytool_delta(in.get(), file, sig, delta);
}

int copytool_delta(FILE* in, const std::string& file, FILE* sig, const std::string& delta) {
  if (in == nullptr || sig == nullptr || std::fseek(sig, 0, SEEK_SET) != 0) return -1;
  rs_signature_t* loaded = nullptr;
  rs_result r = rs_loadsig_file(sig, &loaded, nullptr);
  std::unique_ptr<rs_signature_t, sumset_free> sums(loaded);
  if (r != RS_DONE || !sums) {
    daemon_print(3, "signature for %s unreadable: %s\n", file.c_str(), rs_strerror(r));
    return -1;
  }
  r = rs_build_hash_table(sums.get());
  if (r != RS_DONE) return -1;
  FILE* out = share::open(delta, "wb", 0660);
  if (out == nullptr) {
    daemon_print(3, "open file %s error\n", delta.c_str());
    return -1;
  }
  r = rs_delta_file(sums.get(), in, out, nullptr);
  bool read_failed = std::ferror(in) != 0;
  int closed = std::fclose(out);
  if (r != RS_DONE || read_failed || closed != 0) {
    daemon_print(3, "delta %s failed: %s\n", delta.c_str(), rs_strerror(r));
    share::unlink(delta);
    return -1;
  }
  return 0;
}

int copytool_sig(const char* basis, const char* name, int mode) {
  if (basis == nullptr || name == nullptr) return -1;
  std::string sig_path = std::string(name) + signature_ending(mode);
  FILE* sig = share::open(sig_path, "wb", 0660);
  if (sig == nullptr) {
    daemon_print(3, "open file %s error\n", sig_path.c_str());
    return -1;
  }
  int rc = copytool_sig(basis, sig);
  if (std::fclose(sig) != 0) rc = -1;
  if (rc != 0) share::unlink(sig_path);
  return rc;
}

int copytool_delta(const char* file, const char* name, int mode) {
  if (file == nullptr || name == nullptr) return -1;
  std::string sig_path = std::string(name) + signature_ending(mode);
  file_ptr sig(open_read(sig_path));
  if (!sig) {
    daemon_print(3, "open file %s error\n", sig_path.c_str());
    return -1;
  }
  int rc = copytool_delta(file, sig.get(), std::string(name) + delta_ending(mode));
  sig.reset();
  share::unlink(sig_path);
  return rc;
}

int copytool_patch(const char* basis, const char* delta, const char* out, int remove_delta) {
  if (basis == nullptr || delta == nullptr || out == nullptr) return -1;
  file_ptr in(open_read(basis));
  file_ptr patch(open_read(delta));
  if (!in || !patch) {
    daemon_print(3, "open file %s error\n", !in ? basis : delta);
    return -1;
  }
  FILE* result = share::open(out, "wb", 0660);
  if (result == nullptr) {
    daemon_print(3, "open file %s error\n", out);
    return -1;
  }
  rs_result r = rs_patch_file(in.get(), patch.get(), result, nullptr);
  bool read_failed = std::ferror(in.get()) != 0 || std::ferror(patch.get()) != 0;
  int closed = std::fclose(result);
  if (r != RS_DONE || read_failed || closed != 0) {
    daemon_print(3, "patch %s failed: %s\n", out, rs_strerror(r));
    return -1;
  }
  if (remove_delta == 1) {
    patch.reset();
    share::unlink(delta);
  }
  return 0;
}

// ---------------------------------------------------------------------------------------
// File and path helpers.
// ---------------------------------------------------------------------------------------

int get_file_time(const char* path, std::string* out) {
  struct stat st;
  if (path == nullptr || out == nullptr) return -1;
  if (::lstat(path, &st) != 0) {
    daemon_print(0, "open file: %s error.\n", path);
    return -1;
  }
  struct tm tm;
  time_t seconds = st.st_mtim.tv_sec;
  if (gmtime_r(&seconds, &tm) == nullptr) {
    daemon_print(0, "GetFileTime of %s error.\n", path);
    return -1;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  *out = text;
  return 0;
}

namespace {

// Feeds a signature job with `len` bytes (`eof`: the last of them) and writes what it gives to
// `sig`. RS_DONE once the signature is complete, RS_BLOCKED while it wants more, else an error.
rs_result feed_signature(rs_job_t* job, const char* data, size_t len, bool eof, FILE* sig) {
  char out[16384];
  rs_buffers_t buf;
  buf.next_in = const_cast<char*>(data);
  buf.avail_in = len;
  buf.eof_in = eof ? 1 : 0;
  int idle = 0;
  for (;;) {
    size_t before = buf.avail_in;
    buf.next_out = out;
    buf.avail_out = sizeof out;
    rs_result r = rs_job_iter(job, &buf);
    size_t produced = sizeof out - buf.avail_out;
    if (produced > 0 && std::fwrite(out, 1, produced, sig) != produced) return RS_IO_ERROR;
    if (r == RS_DONE) return RS_DONE;
    if (r != RS_BLOCKED) return r;
    // Blocked with all input taken and room left for output: it wants the next bytes.
    if (!eof && buf.avail_in == 0 && produced < sizeof out) return RS_BLOCKED;
    // A job that neither takes nor gives at the end would never finish.
    idle = produced == 0 && buf.avail_in == before ? idle + 1 : 0;
    if (idle > 2) return eof ? RS_INTERNAL_ERROR : RS_BLOCKED;
  }
}

struct job_free {
  void operator()(rs_job_t* j) const { rs_job_free(j); }
};

copy_status copy_core(const std::string& from, const std::string& to, int64_t* bytes,
                      FILE* sig) {
  *bytes = 0;
  std::unique_ptr<rs_job_t, job_free> job;
  if (sig != nullptr) {
    job.reset(rs_sig_begin(block_len, strong_len, RS_BLAKE2_SIG_MAGIC));
    if (!job) return copy_status::target_error;
  }
  file_ptr in(open_read(from));
  if (!in) return copy_status::source_error;
  FILE* out = share::open(to, "wb", 0660);
  if (out == nullptr) return copy_status::target_error;
  // Whole blocks go straight to the files: no second buffer, no copy through it.
  std::setvbuf(in.get(), nullptr, _IONBF, 0);
  std::setvbuf(out, nullptr, _IONBF, 0);
  std::vector<char>& buffer = copy_buffer();
  copy_status status = copy_status::ok;
  for (;;) {
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in.get());
    if (got < buffer.size() && std::ferror(in.get())) {
      status = copy_status::source_error;
      break;
    }
    if (got > 0 && std::fwrite(buffer.data(), 1, got, out) != got) {
      status = copy_status::target_error;
      break;
    }
    *bytes += static_cast<int64_t>(got);
    bool last_block = got < buffer.size();
    if (job) {
      rs_result r = feed_signature(job.get(), buffer.data(), got, last_block, sig);
      if (r != (last_block ? RS_DONE : RS_BLOCKED)) {
        daemon_print(3, "signature of %s failed: %s\n", to.c_str(), rs_strerror(r));
        status = copy_status::target_error;
        break;
      }
    }
    if (last_block) break;
  }
  if (std::fclose(out) != 0 && status == copy_status::ok) status = copy_status::target_error;
  if (status == copy_status::ok && sig != nullptr && (std::fflush(sig) != 0 || std::ferror(sig))) {
    status = copy_status::target_error;
  }
  return status;
}

}  // namespace

copy_status copy_file_checked(const std::string& from, const std::string& to, int64_t* bytes) {
  return copy_core(from, to, bytes, nullptr);
}

copy_status copy_file_signed(const std::string& from, const std::string& to, int64_t* bytes,
                             FILE* sig) {
  if (sig == nullptr) return copy_status::target_error;
  return copy_core(from, to, bytes, sig);
}

int64_t copy_file(const char* from, const char* to, bool keep_existing) {
  if (from == nullptr || to == nullptr) return 0;
  if (keep_existing && share::exists(to)) return 0;
  int64_t bytes = 0;
  if (copy_file_checked(from, to, &bytes) != copy_status::ok) return 0;
  return bytes == 0 ? 1 : bytes;
}

int rm_directory(const char* path) {
  if (path == nullptr) return -1;
  share::info_t info;
  if (share::lstat(path, &info) != 0) return -1;
  if (info.type == share::kind::link) return remove_symbolic(path);
  if (info.type != share::kind::folder) return -1;
  return rm_directory_core(path, true);
}

int rm_directory_core(const char* path, bool /*recursive*/) {
  return share::remove_tree(path) == 0 ? 0 : -1;
}

int rm_file(const char* path) {
  if (path == nullptr) return -1;
  share::info_t info;
  if (share::lstat(path, &info) != 0 || info.type != share::kind::file) return -1;
  return share::unlink(path);
}

std::string path_format_to_win(const std::string& path) {
  if (!share::is_smb_path(path)) return path;
  std::string out = path;
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

std::string get_source_folder(const std::string& path, size_t L) {
  return L < path.size() ? path.substr(L) : std::string();
}

bool destination_reachable(const std::string& base) { return share::probe_folder(base) == 0; }
