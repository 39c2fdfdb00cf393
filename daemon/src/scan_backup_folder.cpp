// The scan of one source folder against last (see scan_backup_folder.h), and the source-side
// helpers that the copy and the move into last share with it (backup_walk.h).
#include "scan_backup_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <set>

#include "backup_walk.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "folder_walk.h"
#include "i18n.h"
#include "links.h"
#include "log.h"
#include "marker_file.h"
#include "share.h"
#include "threads.h"
#include "tree_session.h"

namespace share = tessaly::share;

source_state_t::source_state_t() = default;
source_state_t::~source_state_t() = default;
source_state_t::source_state_t(source_state_t&&) noexcept = default;
source_state_t& source_state_t::operator=(source_state_t&&) noexcept = default;

const tree_folder_t* tree_at(const backup_config_t& config, dev_t device, ino_t inode) {
  for (const tree_folder_t& t : config.trees) {
    if (t.device == device && t.inode == inode) return &t;
  }
  return nullptr;
}

namespace backup_walk {

void run_log(const backup_context_t& ctx, msg_level_t level, const char* format,
             const std::string& path) {
  log_session_append(ctx.config.name.c_str(), ctx.config.uuid.c_str(), level, format,
                     path_format_to_win(path).c_str());
}


std::string walk_root(const std::string& text) {
  std::string source = text;
  while (source.size() > 1 && source.back() == '/') source.pop_back();
  return source;
}

size_t source_prefix_length(const std::string& source) {
  return source == "/" ? 1 : source.size() + 1;
}

std::string source_folder_of(const std::string& folder, size_t L) {
  return L <= 1 ? std::string("/") : folder.substr(0, L - 1);
}

bool is_source_folder(const std::string& folder, size_t L) {
  return folder == "/" || folder.size() + 1 == L;
}

std::string entry_path(const std::string& folder, const std::string& name) {
  return (folder == "/" ? std::string() : folder) + "/" + name;
}

entry_kind classify(const backup_context_t& ctx, const std::string& path, struct stat* st,
                    int* error, int dirfd) {
  switch (tessaly::classify_at(dirfd, path, st)) {
    case tessaly::entry_type::gone:
      return entry_kind::gone;
    case tessaly::entry_type::unreadable:
      if (error != nullptr) *error = errno;
      return entry_kind::unreadable;
    case tessaly::entry_type::link:
      return entry_kind::link;
    case tessaly::entry_type::file:
      return entry_kind::file;
    case tessaly::entry_type::folder:
      // A file system mounted inside the source is not entered, and neither is the task
      // tree itself when the destination lies inside the source.
      if (tree_at(ctx.config, st->st_dev, st->st_ino) != nullptr) return entry_kind::tree;
      if (st->st_dev != ctx.source.source_device) return entry_kind::mount;
      return entry_kind::folder;
    case tessaly::entry_type::other:
      break;
  }
  return entry_kind::other;  // FIFO, socket, device: reading one could block the run
}

bool too_long_for_tree(const backup_context_t& ctx, const std::string& path) {
  return !ctx.config.smb && path.size() >= PATH_MAX;
}

bool unusable_name(const backup_context_t& ctx, const std::string& name, bool top_level,
                   bool is_folder, std::set<std::string>* seen) {
  if (top_level && is_folder &&
      (ctx.config.smb ? g_ascii_strcasecmp(name.c_str(), "marker.dat") == 0 : name == "marker.dat")) {
    return true;
  }
  if (!ctx.config.smb) return false;
  if (!g_utf8_validate(name.c_str(), static_cast<gssize>(name.size()), nullptr)) return true;
  gchar* folded = g_utf8_casefold(name.c_str(), static_cast<gssize>(name.size()));
  bool fresh = seen->insert(folded).second;
  g_free(folded);
  return !fresh;
}

tree_entry tree_type(share::destination& d, const std::string& path) {
  share::info_t info;
  // Below a file of that name (a type that changed) nothing of the path exists.
  if (share::lstat(d, path, &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? tree_entry::none : tree_entry::unknown;
  }
  switch (info.type) {
    case share::kind::file:
      return tree_entry::file;
    case share::kind::folder:
      return tree_entry::folder;
    default:
      return tree_entry::other;
  }
}

int make_tree_folder(share::destination& d, const std::string& path) {
  if (d.mkdir(path, 0700) == 0) return 0;
  if (errno == EEXIST && tree_type(d, path) == tree_entry::folder) return 0;
  return -1;
}

int stored_time_state(const backup_context_t& ctx, const std::string& rel,
                      const std::string& time) {
  return search_file_time_db(rel.c_str(), time.c_str(), ctx.source.table.c_str(), true);
}

std::string file_time_text(const struct stat& st) {
  std::string text;
  return get_file_time(st, &text) == 0 ? text : std::string();
}

}  // namespace backup_walk

using namespace backup_walk;

namespace {

// Names that are never backed up (system files of the other platform's volumes).
bool never_backed_up(const char* name) {
  return g_ascii_strcasecmp(name, "pagefile.sys") == 0 ||
         g_ascii_strcasecmp(name, "hiberfil.sys") == 0 ||
         g_ascii_strcasecmp(name, "Thumbs.db") == 0;
}

// Status "delta" tells a later run (and the controller) that this run is under way and that
// last is untouched. It is written once, at the end of the first folder walk; later walks
// would only write the same word again.
void write_delta(backup_context_t& ctx) {
  if (ctx.tally.delta_written || ctx.config.stop.stop_requested()) return;
  if (create_status_db(*ctx.config.session, ctx.config.status_path.c_str(), "delta") == 0) ctx.tally.delta_written = true;
}

// The tree that holds the source folder `fd` (or is it), found by going up through ".."
// to the root; null when none does. The folder's own descriptor is closed.
const tree_folder_t* tree_holding(const backup_context_t& ctx, int fd) {
  const tree_folder_t* found = nullptr;
  struct stat st;
  while (fd >= 0 && found == nullptr && ::fstat(fd, &st) == 0) {
    found = tree_at(ctx.config, st.st_dev, st.st_ino);
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
  ++ctx.tally.skipped;
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

// The entries of one folder of last, listed once when the walk needs the type of a second of
// them (one request for the folder instead of one lookup per name). A name the listing does
// not hold is looked up all the same: a share may hold it in another letter case.
class last_listing {
 public:
  last_listing(share::destination& d, std::string dir) : d_(d), dir_(std::move(dir)) {}
  // As tree_type(dir + "/" + name).
  tree_entry type_of(const std::string& name) {
    // One name alone is cheaper to ask for than the folder's listing.
    if (!listed_ && asked_++ == 0) return tree_type(d_, dir_ + "/" + name);
    if (!listed_) {
      listed_ = true;
      std::vector<share::entry_t> entries;
      if (d_.list(dir_, &entries) == 0) {
        usable_ = true;
        for (share::entry_t& e : entries) kinds_.emplace(std::move(e.name), e.type);
      } else if (errno == ENOENT || errno == ENOTDIR) {
        absent_ = true;  // nothing below a folder that is not there
      }
    }
    if (absent_) return tree_entry::none;
    if (usable_) {
      auto it = kinds_.find(name);
      if (it != kinds_.end()) {
        switch (it->second) {
          case share::kind::file:
            return tree_entry::file;
          case share::kind::folder:
            return tree_entry::folder;
          case share::kind::none:
            break;  // vanished while listed: asked again
          default:
            return tree_entry::other;
        }
      }
    }
    return tree_type(d_, dir_ + "/" + name);
  }

 private:
  share::destination& d_;
  std::string dir_;
  int asked_ = 0;
  bool listed_ = false;
  bool usable_ = false;
  bool absent_ = false;
  std::unordered_map<std::string, share::kind> kinds_;
};

// What the tree recorded for the files right inside one folder of the source: their times
// in file_time.db and their sizes in the version before, read in one range of each table's
// path index when the walk enters the folder, instead of two lookups per file. A folder
// whose rows cannot be read so (or that has more than kLimit of them) is asked name by name.
class recorded_files {
 public:
  static constexpr size_t kLimit = 65536;

  recorded_files(backup_context_t& ctx, const std::string& folder_rel) : ctx_(ctx) {
    times_read_ = folder_file_times(ctx.source.table.c_str(), folder_rel, kLimit, &times_);
    sizes_read_ = ctx.source.previous && ctx.source.previous->folder_sizes(folder_rel, kLimit, &sizes_);
  }

  // As stored_time_state (a FILE_TIME_ answer, -1 on error).
  int time_state(const std::string& name, const std::string& rel, const std::string& time) {
    if (!times_read_) return stored_time_state(ctx_, rel, time);
    const std::string* stored = find(times_, name);
    return stored == nullptr ? FILE_TIME_NEW : *stored == time ? FILE_TIME_SAME : FILE_TIME_CHANGED;
  }

  // As the previous marker's previous_size: 1 with the size, 0 when none is recorded, -1.
  int previous_size(const std::string& name, const std::string& rel, int64_t* size) {
    if (!ctx_.source.previous) return 0;
    if (!sizes_read_) return ctx_.source.previous->previous_size(rel.c_str(), size);
    const int64_t* found = find(sizes_, name);
    if (found == nullptr) return 0;
    *size = *found;
    return 1;
  }

 private:
  template <typename T>
  static const T* find(const std::vector<std::pair<std::string, T>>& rows, const std::string& name) {
    auto it = std::lower_bound(rows.begin(), rows.end(), name,
                               [](const std::pair<std::string, T>& row, const std::string& n) {
                                 return row.first < n;
                               });
    return it != rows.end() && it->first == name ? &it->second : nullptr;
  }

  backup_context_t& ctx_;
  bool times_read_ = false;
  bool sizes_read_ = false;
  std::vector<std::pair<std::string, std::string>> times_;
  std::vector<std::pair<std::string, int64_t>> sizes_;
};

// Records a link of the source in the marker: junction or symbolic link. -1 when the row
// cannot be written.
int record_link(backup_context_t& ctx, const std::string& path) {
  int junction = backup_junction(ctx.source.marker_path().c_str(), path.c_str());
  if (junction == 1) {
    daemon_print(0, "%s is a junction directory,ignore it\n", path.c_str());
    return 0;
  }
  if (junction < 0) return -1;
  int symbolic = backup_symbolic(ctx.source.marker_path().c_str(), path.c_str());
  if (symbolic == -2) return -1;
  daemon_print(0, "%s is a symbolic link\n", path.c_str());
  return 0;
}

int record_exist(const std::string& marker, const std::string& rel) {
  return create_marker_db(marker.c_str(), rel.c_str(), nullptr, MARKER_EXIST);
}

// A file taken or a folder entered: its marker row and what it is.
int record_entry(const std::string& marker, const std::string& rel, const struct stat& st) {
  if (record_exist(marker, rel) != 0) return -1;
  return record_attributes(rel.c_str(), attributes_of(st));
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The scan.
// ---------------------------------------------------------------------------------------

int scan_folder(backup_context_t& ctx, const std::string& source_text, bool recursive,
                const std::string& last_dir, const std::string& version_dir) {
  std::string source = walk_root(source_text);
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
      log_session_append(ctx.config.name.c_str(), ctx.config.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("The source folder %s is a link to %s: the folder it points to is "
                           "backed up."),
                         source.c_str(), target.c_str());
      ++ctx.tally.skipped;
      ctx.source.root_is_link = true;
      st = folder;
    } else {
      log_session_append(ctx.config.name.c_str(), ctx.config.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("%s is a link to %s, which is not a folder of the link's owner: "
                           "it is not followed."),
                         source.c_str(), target.c_str());
      ++ctx.tally.skipped;
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
    ++ctx.tally.skipped;
    return 0;
  }
  if (!ctx.config.trees.empty()) {
    int fd = ::open(source.c_str(),
                    O_RDONLY | O_DIRECTORY | O_CLOEXEC | (ctx.source.root_is_link ? 0 : O_NOFOLLOW));
    if (const tree_folder_t* tree = tree_holding(ctx, fd)) {
      // Backing it up would copy the tree into itself, one level deeper at every run.
      log_session_append(ctx.config.name.c_str(), ctx.config.uuid.c_str(), MSG_LEVEL_WARNING,
                         _("The source folder %s is or lies inside the task folder %s: it is "
                           "not backed up."),
                         source.c_str(), path_format_to_win(tree->path).c_str());
      ++ctx.tally.skipped;
      return 0;
    }
  }
  ctx.source.source_device = st.st_dev;
  ctx.source.to_copy_complete = ctx.config.n != 1;
  // The source folder itself: its owner, mode and time for a restore into a new folder.
  if (record_attributes("", attributes_of(st)) != 0) {
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), ctx.source.marker_path());
    return -1;
  }
  return scan_folder_core(ctx, source, recursive, last_dir, version_dir,
                          source_prefix_length(source));
}

int scan_folder_core(backup_context_t& ctx, const std::string& folder, bool recursive,
                     const std::string& last_dir, const std::string& version_dir, size_t L) {
  if (ctx.config.stop.stop_requested()) return 0;
  bool top_level = is_source_folder(folder, L);
  std::vector<std::string> names;
  // The folder stays open while its entries are looked at, and is let go while the walk is
  // below it (a deep tree would hold a descriptor per level); back from there its entries
  // are looked at by path.
  tessaly::unique_fd here;
  if (!tessaly::list_folder(AT_FDCWD, folder, top_level && ctx.source.root_is_link, &names, &here)) {
    int error = errno;
    daemon_print(0, "opendir error:%s\n", folder.c_str());
    left_out(ctx, folder, error);
    write_delta(ctx);
    return 0;
  }
  const std::string marker = ctx.source.marker_path();
  std::set<std::string> seen;
  std::string folder_rel = get_source_folder(folder, L);
  last_listing in_last(*ctx.config.dest, folder_rel.empty() ? last_dir : last_dir + "/" + folder_rel);
  std::optional<recorded_files> recorded_here;
  if (ctx.config.n != 1) recorded_here.emplace(ctx, folder_rel);
  for (const std::string& name : names) {
    if (ctx.config.stop.stop_requested()) break;
    std::string path = entry_path(folder, name);
    std::string rel = get_source_folder(path, L);
    struct stat st;
    int error = 0;
    // A path too long for the system is found by its path (and left out, said why).
    entry_kind kind = here.ok() && path.size() < PATH_MAX
                          ? classify(ctx, name, &st, &error, here.get())
                          : classify(ctx, path, &st, &error);
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
      ++ctx.tally.skipped;
      continue;
    }
    if (kind == entry_kind::tree) {
      const tree_folder_t* tree = tree_at(ctx.config, st.st_dev, st.st_ino);
      if (ctx.tally.trees_logged.insert(tree->path).second) {
        log_session_append(ctx.config.name.c_str(), ctx.config.uuid.c_str(), MSG_LEVEL_MESSAGE,
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
      ++ctx.tally.skipped;
      continue;
    }
    if (too_long_for_tree(ctx, last_dir + "/" + rel)) {
      left_out(ctx, path, ENAMETOOLONG);
      continue;
    }
    if (!is_folder) {
      crash_point("scan.file");
      if (never_backed_up(name.c_str())) {
        // Without a filter the copy takes it all the same when it is new or changed.
        if (!ctx.config.filtered) ctx.source.note_copy(rel, false);
        continue;
      }
      if (file_filter(name.c_str(), ctx.config.extensions) != 0) continue;
      bool changed = true;
      if (ctx.config.n != 1) {
        std::string time = file_time_text(st);
        int stored = time.empty() ? -1 : recorded_here->time_state(name, rel, time);
        if (stored == FILE_TIME_SAME) {
          changed = false;
          // The same time with another size is a change all the same.
          int64_t size = 0;
          if (recorded_here->previous_size(name, rel, &size) == 1 &&
              size != static_cast<int64_t>(st.st_size)) {
            changed = true;
            ctx.source.resized.insert(rel);
          }
        }
        // A new or changed file where last holds a folder of that name: the folder is kept
        // for the older versions when the new copy takes its place (scan_folder_swap). A
        // file with a recorded time is a file in last (a run that changes its type there
        // forgets its time) and is not asked for.
        bool recorded = stored == FILE_TIME_CHANGED || stored == FILE_TIME_SAME;
        tree_entry last_type = tree_entry::unknown;  // not asked
        if (changed && recorded && ctx.source.last_types.size() < source_state_t::kKnownLimit) {
          last_type = tree_entry::recorded_file;
        } else if (changed) {
          last_type = in_last.type_of(name);
        }
        if (last_type == tree_entry::folder && record_kept(rel.c_str()) != 0) {
          run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
          return -1;
        }
        if (last_type != tree_entry::unknown &&
            ctx.source.last_types.size() < source_state_t::kKnownLimit) {
          ctx.source.last_types[rel] = last_type;
        }
      }
      if (record_entry(marker, rel, st) != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        return -1;
      }
      if (changed) {
        need_update_last() = true;
        ctx.source.note_copy(rel, false);
      }
      continue;
    }

    // A folder.
    std::string last_folder = last_dir + "/" + rel;
    // In a direct first version last held nothing and only this walk makes folders in it.
    tree_entry last_type = ctx.config.direct ? tree_entry::none : in_last.type_of(name);
    bool not_a_folder = last_type == tree_entry::file || last_type == tree_entry::other;
    if (not_a_folder) {
      ctx.source.type_changed.insert(rel);
      ctx.source.note_copy(rel, true);
    }
    bool type_changed = not_a_folder && ctx.config.n != 1;
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
        last_type == tree_entry::folder ||
        (last_type == tree_entry::none && ctx.config.dest->mkdir(last_folder, 0700) == 0);
    if (folder_in_last && ctx.hints.folders.size() < swap_hints_t::kKnownLimit) {
      ctx.hints.folders.insert(ctx.source.table + "/" + rel);
    }
    // Not made in last now: the copy makes it in tmp even when it stays empty, and the move
    // makes it in last.
    if (last_type == tree_entry::none && !folder_in_last) {
      ctx.source.type_changed.insert(rel);
      ctx.source.note_copy(rel, true);
    }
    if (!recursive) continue;
    if (ctx.config.stop.stop_requested()) break;
    here.reset();
    if (scan_folder_core(ctx, path, recursive, last_dir, version_dir, L) < 0) return -1;
  }
  write_delta(ctx);
  return 0;
}
