// The restore run (see restore.h).
#include "restore.h"

#include <dirent.h>
#include <fcntl.h>
#include <librsync.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "backup.h"
#include "configuration.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "file_write.h"
#include "i18n.h"
#include "links.h"
#include "log.h"
#include "paths.h"
#include "scan_backup_folder.h"
#include "share.h"
#include "share_sqlite.h"
#include "tree_lock.h"

namespace share = tessaly::share;

namespace {

// Modes of restored entries of a tree that recorded none (written before attribute_tbl):
// private, never wider.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// ---------------------------------------------------------------------------------------
// Local file-system steps, each relative to an open folder and never through a link.
// ---------------------------------------------------------------------------------------

class unique_fd {
 public:
  unique_fd() = default;
  explicit unique_fd(int fd) : fd_(fd) {}
  ~unique_fd() { reset(); }
  unique_fd(unique_fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  unique_fd& operator=(unique_fd&& o) noexcept {
    if (this != &o) {
      reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  unique_fd(const unique_fd&) = delete;
  unique_fd& operator=(const unique_fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes and reports the result (a failed close can mean lost writes).
  int close() {
    int rc = fd_ >= 0 ? ::close(fd_) : 0;
    fd_ = -1;
    return rc;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

struct file_closer {
  void operator()(FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};
using file_ptr = std::unique_ptr<FILE, file_closer>;

struct owner_t {
  uid_t uid = 0;
  gid_t gid = 0;
};

unique_fd open_folder_at(int dirfd, const std::string& name) {
  return unique_fd(::openat(dirfd, name.c_str(), kDirFlags));
}

// The names in an open folder, sorted.
bool list_at(int dirfd, std::vector<std::string>* names) {
  names->clear();
  int fd = ::openat(dirfd, ".", kDirFlags);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return false;
  }
  errno = 0;
  while (struct dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names->emplace_back(e->d_name);
    }
    errno = 0;
  }
  int err = errno;
  ::closedir(dir);
  std::sort(names->begin(), names->end());
  errno = err;
  return err == 0;
}

// Removes an entry with everything in it. Links are removed, never followed; a folder of
// another file system is never entered (the removal fails there). A missing entry counts
// as removed.
bool remove_tree_at(int dirfd, const std::string& name) {
  struct stat st;
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirfd, name.c_str(), 0) == 0 || errno == ENOENT;
  struct stat parent;
  if (::fstat(dirfd, &parent) != 0 || parent.st_dev != st.st_dev) return false;
  bool ok = true;
  {
    unique_fd sub = open_folder_at(dirfd, name);
    if (!sub.ok()) return false;
    std::vector<std::string> names;
    if (!list_at(sub.get(), &names)) ok = false;
    for (const std::string& n : names) ok = remove_tree_at(sub.get(), n) && ok;
  }
  return ::unlinkat(dirfd, name.c_str(), AT_REMOVEDIR) == 0 && ok;
}

// Opens the folder at `components` below `root`, each step without following a link.
unique_fd open_below(int root, const std::vector<std::string>& components) {
  unique_fd current(::openat(root, ".", kDirFlags));
  for (const std::string& c : components) {
    if (!current.ok()) break;
    current = open_folder_at(current.get(), c);
  }
  return current;
}

// Splits an absolute path into its names; false for ".", ".." or an empty name.
bool split_path(const std::string& path, std::vector<std::string>* out) {
  out->clear();
  size_t start = 1;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string c = path.substr(start, end - start);
    if (c.empty() || c == "." || c == "..") return false;
    out->push_back(c);
    start = end + 1;
  }
  return true;
}

std::string join_path(const std::vector<std::string>& components, size_t count) {
  std::string out;
  for (size_t i = 0; i < count && i < components.size(); ++i) out += "/" + components[i];
  return out.empty() ? "/" : out;
}

// `path` lies in or is `folder`.
bool inside(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '/');
}

// An absolute path without trailing "/" (the root stays "/").
std::string normalized(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out += c;
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// The path with every link of its existing part resolved; the missing rest must be plain
// names. `existing` receives the length (in names) of the part that exists.
bool resolve_path(const std::string& path, std::string* out, size_t* existing) {
  std::vector<std::string> names;
  if (path.empty() || path[0] != '/' || !split_path(path, &names)) return false;
  for (size_t n = names.size() + 1; n-- > 0;) {
    std::string prefix = join_path(names, n);
    char* real = ::realpath(prefix.c_str(), nullptr);
    if (real == nullptr) {
      if (errno != ENOENT && errno != ENOTDIR) return false;
      continue;
    }
    std::string r = real;
    std::free(real);
    std::vector<std::string> resolved;
    if (!split_path(r, &resolved)) return false;
    *existing = resolved.size();
    for (size_t i = n; i < names.size(); ++i) resolved.push_back(names[i]);
    *out = join_path(resolved, resolved.size());
    return true;
  }
  return false;
}

// Renames an entry to a free name beside it that this run owns; never replaces anything.
bool rename_aside(int dirfd, const std::string& name, const std::string& prefix, long* counter,
                  std::string* aside) {
  for (int tries = 0; tries < 1000; ++tries) {
    *aside = prefix + std::to_string((*counter)++) + ".old";
    if (::renameat2(dirfd, name.c_str(), dirfd, aside->c_str(), RENAME_NOREPLACE) == 0) {
      return true;
    }
    if (errno == EEXIST) continue;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without RENAME_NOREPLACE.
    struct stat st;
    if (::fstatat(dirfd, aside->c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
    return ::renameat(dirfd, name.c_str(), dirfd, aside->c_str()) == 0;
  }
  errno = EEXIST;
  return false;
}

// Writes all of `in` to `out_fd` from its current offset.
bool copy_stream(FILE* in, int out_fd) {
  int in_fd = ::fileno(in);
  if (in_fd >= 0 && std::ftell(in) == 0) {
    // A local file: copied inside the kernel.
    for (;;) {
      ssize_t n = ::copy_file_range(in_fd, nullptr, out_fd, nullptr, 1 << 30, 0);
      if (n == 0) return true;
      if (n < 0) {
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        return false;
      }
    }
  }
  thread_local std::vector<char> buffer(copy_block_size);
  for (;;) {
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got < buffer.size() && std::ferror(in)) return false;
    if (!tessaly::write_all(out_fd, std::string_view(buffer.data(), got))) return false;
    if (got < buffer.size()) return true;
  }
}

// A nameless read-write file in the folder (for the steps of a delta chain).
FILE* scratch_file(int dirfd) {
  int fd = ::openat(dirfd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return std::tmpfile();
  FILE* f = ::fdopen(fd, "w+b");
  if (f == nullptr) ::close(fd);
  return f;
}

// ---------------------------------------------------------------------------------------
// What a version holds: a marker read whole.
// ---------------------------------------------------------------------------------------

struct link_row_t {
  int kind = 0;
  std::string link;    // full path of the link in the source
  std::string target;  // its target as recorded
};

struct marker_t {
  std::unordered_set<std::string> listed;  // exist_tbl and new_tbl
  std::vector<link_row_t> links;           // symbolic_link_tbl and junction_tbl
  // attribute_tbl: what each entry was (none in trees written before the table existed).
  std::unordered_map<std::string, entry_attributes_t> attributes;
  std::unordered_set<std::string> kept;    // kept_tbl: entries whose type the run changed
};

bool table_present(sqlite3* db, const char* table) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, "select count(*) from sqlite_master where type='table' and name=?;",
                         -1, &st, nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
  bool present = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int64(st, 0) != 0;
  sqlite3_finalize(st);
  return present;
}

// Runs a select and hands each row's text columns on; false on any error.
template <typename Row>
bool select_rows(sqlite3* db, const std::string& sql, int columns, Row row) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::vector<std::string> values;
    for (int i = 0; i < columns; ++i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      values.emplace_back(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                          static_cast<size_t>(sqlite3_column_bytes(st, i)));
    }
    row(values);
  }
  sqlite3_finalize(st);
  return rc == SQLITE_DONE;
}

bool load_marker(const std::string& path, bool with_links, marker_t* out) {
  share::info_t info;
  if (share::lstat(path, &info) != 0 || info.type != share::kind::file) return false;
  sqlite3* raw = nullptr;
  if (share::sqlite_open(path, &raw, SQLITE_OPEN_READWRITE) != SQLITE_OK) return false;
  sqlite3_ptr db(raw);
  if (sqlite3_exec(db.get(), "select count(*) from sqlite_master;", nullptr, nullptr, nullptr) !=
      SQLITE_OK) {
    return false;
  }
  for (const char* table : {"exist_tbl", "new_tbl"}) {
    if (!table_present(db.get(), table)) continue;
    if (!select_rows(db.get(), std::string("select File_path from ") + table + ";", 1,
                     [&](const std::vector<std::string>& v) { out->listed.insert(v[0]); })) {
      return false;
    }
  }
  if (table_present(db.get(), "kept_tbl") &&
      !select_rows(db.get(), "select File_path from kept_tbl;", 1,
                   [&](const std::vector<std::string>& v) { out->kept.insert(v[0]); })) {
    return false;
  }
  if (!with_links) return true;
  if (table_present(db.get(), "attribute_tbl")) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.get(),
                           "select File_path,File_mode,File_uid,File_gid,File_mtime,"
                           "File_mtime_nsec,File_size from attribute_tbl;",
                           -1, &st, nullptr) != SQLITE_OK) {
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      const unsigned char* t = sqlite3_column_text(st, 0);
      std::string rel(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                      static_cast<size_t>(sqlite3_column_bytes(st, 0)));
      entry_attributes_t a;
      a.mode = sqlite3_column_int64(st, 1);
      a.uid = sqlite3_column_int64(st, 2);
      a.gid = sqlite3_column_int64(st, 3);
      a.mtime = sqlite3_column_int64(st, 4);
      a.mtime_nsec = sqlite3_column_int64(st, 5);
      a.size = sqlite3_column_int64(st, 6);
      out->attributes[rel] = a;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) return false;
  }
  const std::pair<int, const char*> link_tables[] = {{MARKER_SYMBOLIC_LINK, "symbolic_link_tbl"},
                                                     {MARKER_JUNCTION, "junction_tbl"}};
  for (const auto& [kind, table] : link_tables) {
    if (!table_present(db.get(), table)) continue;
    std::string sql = std::string("select File_source_path,File_destination_path from ") + table +
                      " order by rowid;";
    if (!select_rows(db.get(), sql, 2, [&](const std::vector<std::string>& v) {
          out->links.push_back({kind, v[0], v[1]});
        })) {
      return false;
    }
  }
  return true;
}

// The files of a version folder that have a reverse delta, by relative path.
bool collect_deltas(const std::string& dir, const std::string& rel,
                    std::unordered_set<std::string>* out) {
  std::vector<share::entry_t> entries;
  if (share::list(dir, &entries) != 0) return errno == ENOENT && rel.empty();
  const std::string ending = delta_ending(0);
  for (const share::entry_t& e : entries) {
    std::string r = rel.empty() ? e.name : rel + "/" + e.name;
    if (e.type == share::kind::folder) {
      if (!collect_deltas(dir + "/" + e.name, r, out)) return false;
    } else if (r.size() > ending.size() &&
               r.compare(r.size() - ending.size(), ending.size(), ending) == 0) {
      out->insert(r.substr(0, r.size() - ending.size()));
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// One restore.
// ---------------------------------------------------------------------------------------

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
  std::string source;   // the source folder as configured, normalized
  std::string target;   // the target, its parent resolved
  std::string parent;   // the target's parent folder
  std::string name;     // the target's name in it
  std::string work;     // the work folder's name in the parent
  unique_fd parent_fd;
  std::vector<std::string> made_parents;  // folders made for the parent, outermost first
  owner_t owner;
  marker_t version;                                      // marker of v
  std::vector<marker_t> newer;                           // markers of v+1 .. N
  std::vector<std::unordered_set<std::string>> deltas;   // deltas of v+1 .. N
  bool work_made = false;
  bool placed_new = false;  // the target folder is the restored one (not the user's)
};

class restore_run {
 public:
  restore_run(const session_t& task, const task_tree_t& tree, gint64 v, int n, bool exact)
      : task_(task), tree_(tree), v_(static_cast<int>(v)), n_(n), exact_(exact),
        own_prefix_("." + task.uuid + ".") {}

  bool stopped() const { return stopped_; }

  void error(const char* format, const std::string& path) const {
    log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR, format,
                       path_format_to_win(path).c_str());
  }

  // The targets: named, resolved and checked; no change is made.
  bool plan(const char* chosen) {
    std::string chosen_folder;
    to_chosen_ = chosen != nullptr;
    if (chosen != nullptr) {
      std::string p = normalized(chosen);
      size_t existing = 0;
      if (p.empty() || p[0] != '/' || !resolve_path(p, &chosen_folder, &existing) ||
          chosen_folder == "/") {
        daemon_print(0, "restore target %s refused\n", chosen);
        error(_("Failed to write directory %s."), chosen);
        return false;
      }
    }
    std::vector<std::string> sources;
    for (const std::string& s : task_.sources) sources.push_back(normalized(s));
    std::vector<std::string> names = restore_target_names(sources);
    if (chosen != nullptr) {
      // A chosen folder that is, holds or lies inside a source folder would put one
      // source's version over the source folders themselves: only the restore to the
      // original place may do that.
      for (const std::string& source : sources) {
        std::string real;
        size_t existing = 0;
        if (!resolve_path(source, &real, &existing)) real = source;
        if (inside(chosen_folder, real) || inside(real, chosen_folder)) {
          daemon_print(0, "restore target %s overlaps source %s\n", chosen, source.c_str());
          log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                             _("The folder %s is, holds or lies inside a source folder of the "
                               "task: a restore there goes to the original place instead."),
                             chosen);
          return false;
        }
      }
    }

    std::vector<std::string> guarded;  // resolved folders a target must keep clear of
    std::string config;
    size_t existing = 0;
    if (resolve_path(normalized(tessaly::data_folder_path()), &config, &existing)) {
      guarded.push_back(config);
    }
    std::string base;
    bool local_tree = !share::is_smb_path(tree_.base) &&
                      resolve_path(normalized(tree_.base), &base, &existing);
    if (local_tree) guarded.push_back(base);

    for (size_t k = 0; k < sources.size(); ++k) {
      source_job_t job;
      job.k = static_cast<int>(k);
      job.source = sources[k];
      std::string wanted = chosen != nullptr ? chosen_folder + "/" + names[k] : job.source;
      if (chosen == nullptr && !followed_source(job.source, &wanted)) return false;
      std::string target;
      bool ok = wanted != "/" && wanted[0] == '/';
      if (ok) {
        size_t slash = wanted.rfind('/');
        std::string parent = slash == 0 ? "/" : wanted.substr(0, slash);
        job.name = wanted.substr(slash + 1);
        ok = !job.name.empty() && job.name != "." && job.name != ".." &&
             resolve_path(parent, &job.parent, &existing);
        job.target = (job.parent == "/" ? "" : job.parent) + "/" + job.name;
        job.work = own_prefix_ + "id" + std::to_string(k);
      }
      for (const std::string& g : guarded) {
        // A target inside the tree or the configuration folder is refused; one that holds
        // them too when the restore may move what it holds aside.
        if (ok && (inside(job.target, g) || (inside(g, job.target) && exact_))) ok = false;
      }
      for (const source_job_t& other : jobs_) {
        if (ok && (inside(job.target, other.target) || inside(other.target, job.target))) {
          ok = false;
        }
      }
      if (!ok) {
        daemon_print(0, "restore target %s refused\n", wanted.c_str());
        error(_("Failed to write directory %s."), wanted);
        return false;
      }
      jobs_.push_back(std::move(job));
    }
    return true;
  }

  // The version: its markers and those of every newer version must be there and readable,
  // and the deltas of the newer versions are listed.
  bool check_version() {
    for (source_job_t& job : jobs_) {
      std::string marker = tree_.marker(v_, job.k);
      if (!load_marker(marker, true, &job.version)) {
        error(_("Failed to write file %s."), marker);
        return false;
      }
      for (int r = v_ + 1; r <= n_; ++r) {
        marker_t m;
        marker = tree_.marker(r, job.k);
        if (!load_marker(marker, false, &m)) {
          error(_("Failed to write file %s."), marker);
          return false;
        }
        job.newer.push_back(std::move(m));
        std::unordered_set<std::string> d;
        std::string dir = task_tree_t::source(tree_.version(r), job.k);
        if (!collect_deltas(dir, "", &d)) {
          error(_("Failed to write directory %s."), dir);
          return false;
        }
        job.deltas.push_back(std::move(d));
      }
    }
    return true;
  }

  // Rebuilds every source into its work folder (reads the tree only).
  bool stage() {
    for (size_t j = 0; j < jobs_.size(); ++j) {
      source_job_t& job = jobs_[j];
      if (!open_parent(job)) return false;
      if (!remove_tree_at(job.parent_fd.get(), job.work) ||
          ::mkdirat(job.parent_fd.get(), job.work.c_str(), 0700) != 0) {
        error(_("Failed to write directory %s."), job.parent + "/" + job.work);
        return false;
      }
      job.work_made = true;
      unique_fd work = open_folder_at(job.parent_fd.get(), job.work);
      if (!work.ok()) {
        error(_("Failed to write directory %s."), job.parent + "/" + job.work);
        return false;
      }
      std::string last = task_tree_t::source(tree_.last, job.k);
      share::info_t info;
      if (share::lstat(last, &info) == 0 && info.type == share::kind::folder) {
        if (!stage_folder(job, last, "", work.get(), n_)) return false;
      } else if (errno != ENOENT) {
        error(_("Failed to write directory %s."), last);
        return false;
      }
      crash_point("restore.staged");
    }
    return true;
  }

  // Moves the work folders into the targets (local renames only).
  bool apply() {
    for (size_t j = 0; j < jobs_.size(); ++j) {
      if (!apply_one(j)) return false;
      crash_point("restore.applied");
    }
    return true;
  }

  // The version's links, inside the targets only; never over an existing entry.
  void make_links() {
    for (source_job_t& job : jobs_) {
      std::string prefix = job.source == "/" ? "/" : job.source + "/";
      for (const link_row_t& row : job.version.links) {
        std::vector<std::string> rest;
        if (row.link.size() <= prefix.size() || row.link.compare(0, prefix.size(), prefix) != 0 ||
            !split_path(row.link.substr(prefix.size() - 1), &rest) || rest.empty() ||
            row.target.empty() || row.target.find('\0') != std::string::npos) {
          daemon_print(0, "link %s outside %s refused\n", row.link.c_str(), job.source.c_str());
          log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_WARNING,
                             _("Failed to write file %s."), row.link.c_str());
          continue;
        }
        std::string link_name = rest.back();
        std::string rel;
        for (const std::string& c : rest) rel += (rel.empty() ? "" : "/") + c;
        rest.pop_back();
        rest.insert(rest.begin(), job.name);
        unique_fd dir = open_below(job.parent_fd.get(), rest);
        if (!dir.ok()) continue;  // its folder is not part of the version
        if (::symlinkat(row.target.c_str(), dir.get(), link_name.c_str()) != 0) {
          daemon_print(0, "Create link %s failed: %s\n", row.link.c_str(), std::strerror(errno));
          continue;
        }
        const entry_attributes_t* a = recorded(job, rel);
        if (a != nullptr && root_) {
          ::fchownat(dir.get(), link_name.c_str(), static_cast<uid_t>(a->uid),
                     static_cast<gid_t>(a->gid), AT_SYMLINK_NOFOLLOW);
        } else if (a == nullptr) {
          ::fchownat(dir.get(), link_name.c_str(), job.owner.uid, job.owner.gid,
                     AT_SYMLINK_NOFOLLOW);
        }
        if (a != nullptr) {
          struct timespec t[2];
          t[0].tv_sec = t[1].tv_sec = static_cast<time_t>(a->mtime);
          t[0].tv_nsec = t[1].tv_nsec = static_cast<long>(a->mtime_nsec);
          ::utimensat(dir.get(), link_name.c_str(), t, AT_SYMLINK_NOFOLLOW);
        }
      }
    }
    crash_point("restore.links");
  }

  // After success: what was renamed aside goes, and so do the work folders.
  void finish() {
    for (const change_t& c : changes_) {
      if (c.op != change_t::aside) continue;
      unique_fd dir = open_below(jobs_[c.job].parent_fd.get(), c.dir);
      if (!dir.ok() || !remove_tree_at(dir.get(), c.aside_name)) {
        daemon_print(0, "remove %s error\n", c.aside_name.c_str());
      }
    }
    changes_.clear();
    remove_work_folders();
    crash_point("restore.done");
  }

  // After a failure or a stop: every change is undone in reverse order, the work folders
  // and the parent folders this run made go.
  void undo() {
    for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
      unique_fd dir = open_below(jobs_[it->job].parent_fd.get(), it->dir);
      bool ok = dir.ok();
      if (ok) {
        switch (it->op) {
          case change_t::placed:
            ok = remove_tree_at(dir.get(), it->name);
            break;
          case change_t::made_folder:
            ok = ::unlinkat(dir.get(), it->name.c_str(), AT_REMOVEDIR) == 0;
            break;
          case change_t::aside:
            ok = ::renameat(dir.get(), it->aside_name.c_str(), dir.get(), it->name.c_str()) == 0;
            break;
        }
      }
      if (!ok) daemon_print(0, "restore: cannot put back %s\n", it->name.c_str());
    }
    changes_.clear();
    remove_work_folders();
    for (source_job_t& job : jobs_) {
      for (auto p = job.made_parents.rbegin(); p != job.made_parents.rend(); ++p) {
        ::rmdir(p->c_str());
      }
      job.made_parents.clear();
    }
  }

 private:
  // Opens (making when missing) the target's parent folder, and finds the owner that the
  // restored entries get: the target's own when it is a folder, else the nearest folder's
  // above it.
  bool open_parent(source_job_t& job) {
    if (job.parent_fd.ok()) return true;
    std::vector<std::string> names;
    split_path(job.parent, &names);
    unique_fd current(::open("/", kDirFlags));
    struct stat st;
    if (!current.ok() || ::fstat(current.get(), &st) != 0) return fail_dir(job.parent);
    job.owner = {st.st_uid, st.st_gid};
    for (size_t i = 0; i < names.size(); ++i) {
      unique_fd next = open_folder_at(current.get(), names[i]);
      if (!next.ok() && errno == ENOENT) {
        if (::mkdirat(current.get(), names[i].c_str(), 0700) != 0) {
          daemon_print(0, "mkdir %s error\n", join_path(names, i + 1).c_str());
          return fail_dir(job.parent);
        }
        job.made_parents.push_back(join_path(names, i + 1));
        ::fchownat(current.get(), names[i].c_str(), job.owner.uid, job.owner.gid,
                   AT_SYMLINK_NOFOLLOW);
        next = open_folder_at(current.get(), names[i]);
        if (next.ok()) ::fchmod(next.get(), kFolderMode);
      }
      if (!next.ok() || ::fstat(next.get(), &st) != 0) return fail_dir(job.parent);
      job.owner = {st.st_uid, st.st_gid};
      current = std::move(next);
    }
    if (::fstatat(current.get(), job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(st.st_mode)) {
      job.owner = {st.st_uid, st.st_gid};
    }
    job.parent_fd = std::move(current);
    return true;
  }

  // The version's record of an entry, or null (a tree written before attribute_tbl).
  static const entry_attributes_t* recorded(const source_job_t& job, const std::string& rel) {
    auto it = job.version.attributes.find(rel);
    return it == job.version.attributes.end() ? nullptr : &it->second;
  }

  // Gives a restored entry (open as fd) what it had at the version: its mode, its time and,
  // when the service runs as root, its owner and group. Without a record (an older tree) it
  // gets the owner of the target folder and the private modes 0600 and 0700. A file restored
  // into a chosen folder loses set-user-id and set-group-id. Folders get theirs once filled.
  bool give(const source_job_t& job, int fd, const entry_attributes_t* a, bool folder) const {
    mode_t mode = folder ? kFolderMode : kFileMode;
    if (a != nullptr) {
      mode = static_cast<mode_t>(a->mode) & 07777;
      if (!folder && to_chosen_) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
    if (a == nullptr) {
      if (::fchown(fd, job.owner.uid, job.owner.gid) != 0) return false;
    } else if (root_ && ::fchown(fd, static_cast<uid_t>(a->uid), static_cast<gid_t>(a->gid)) != 0) {
      return false;
    }
    if (::fchmod(fd, mode) != 0) return false;
    if (a != nullptr) {
      struct timespec t[2];
      t[0].tv_sec = t[1].tv_sec = static_cast<time_t>(a->mtime);
      t[0].tv_nsec = t[1].tv_nsec = static_cast<long>(a->mtime_nsec);
      if (::futimens(fd, t) != 0) return false;
    }
    return true;
  }

  // The same from an entry already restored (a copy onto another file system).
  bool give_like(const source_job_t& job, int fd, const struct stat& st) const {
    if (::fchown(fd, root_ ? st.st_uid : job.owner.uid, root_ ? st.st_gid : job.owner.gid) != 0 &&
        !(!root_ && errno == EPERM)) {
      return false;
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) return false;
    struct timespec t[2] = {st.st_mtim, st.st_mtim};
    return ::futimens(fd, t) == 0;
  }

  // Where an entry of version v lies in the tree, seen from the origin of its folder (`dir`,
  // whose files take the deltas of the runs `first` down to v + 1): where a run r after v
  // changed the entry's type (kept_tbl), the entry as it was is in that run's kept folder
  // and takes the deltas of the runs before r only.
  struct origin_t {
    std::string path;
    int first = 0;
    bool kept = false;
  };
  origin_t origin_of(const source_job_t& job, const std::string& dir, const std::string& name,
                     const std::string& rel, int first) const {
    origin_t o{dir + "/" + name, first, false};
    for (int r = v_ + 1; r <= first; ++r) {
      if (job.newer[static_cast<size_t>(r - v_ - 1)].kept.count(rel) == 0) continue;
      std::string kept = tree_.version(r) + "/kept/id" + std::to_string(job.k) + "/" + rel;
      share::info_t info;
      if (share::lstat(kept, &info) != 0) continue;  // the run did not get to move it
      return {kept, r - 1, true};
    }
    return o;
  }

 public:
  // The last-write times of the version's folders, given again once everything is in place
  // (placing entries in a folder changes its time).
  void give_folder_times() {
    for (source_job_t& job : jobs_) {
      if (!job.parent_fd.ok()) continue;
      for (const auto& [rel, a] : job.version.attributes) {
        if (!S_ISDIR(static_cast<mode_t>(a.mode))) continue;
        if (rel.empty() ? !job.placed_new : job.version.listed.count(rel) == 0) continue;
        std::vector<std::string> components{job.name};
        std::vector<std::string> rest;
        if (!rel.empty() && !split_path("/" + rel, &rest)) continue;
        components.insert(components.end(), rest.begin(), rest.end());
        unique_fd dir = open_below(job.parent_fd.get(), components);
        if (!dir.ok()) continue;
        struct timespec t[2];
        t[0].tv_sec = t[1].tv_sec = static_cast<time_t>(a.mtime);
        t[0].tv_nsec = t[1].tv_nsec = static_cast<long>(a.mtime_nsec);
        ::futimens(dir.get(), t);  // a folder of the user's own that it may not change: kept
      }
    }
  }

 private:
  // A source folder that is a link now: its original place is the folder it points to, when
  // the link is root's or that folder's owner's (the rule of the backup); a link of another
  // user is not followed and the restore is refused. True with `wanted` the place to use.
  bool followed_source(const std::string& source, std::string* wanted) const {
    struct stat st;
    if (::lstat(source.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::string target;
    read_symbolic(source.c_str(), &target);
    struct stat folder;
    char* real = ::realpath(source.c_str(), nullptr);
    bool ok = real != nullptr && ::stat(real, &folder) == 0 && S_ISDIR(folder.st_mode) &&
              (st.st_uid == 0 || st.st_uid == folder.st_uid);
    if (ok) *wanted = normalized(real);
    std::free(real);
    if (!ok) {
      log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                         _("%s is a link to %s, which is not a folder of the link's owner: "
                           "it is not followed."),
                         source.c_str(), target.c_str());
    }
    return ok;
  }

  bool fail_dir(const std::string& path) const {
    error(_("Failed to write directory %s."), path);
    return false;
  }

  std::string shown(const source_job_t& job, const std::string& rel) const {
    return rel.empty() ? job.target : job.target + "/" + rel;
  }

  bool stage_folder(source_job_t& job, const std::string& dir, const std::string& rel,
                    int work_fd, int first) {
    std::vector<share::entry_t> entries;
    if (share::list(dir, &entries) != 0) return fail_dir(shown(job, rel));
    std::sort(entries.begin(), entries.end(),
              [](const share::entry_t& a, const share::entry_t& b) { return a.name < b.name; });
    for (const share::entry_t& e : entries) {
      if (need_exit(task_.uuid.c_str())) {
        stopped_ = true;
        return false;
      }
      std::string r = rel.empty() ? e.name : rel + "/" + e.name;
      if (job.version.listed.count(r) == 0) continue;  // not part of version v
      origin_t origin = origin_of(job, dir, e.name, r, first);
      share::kind type = origin.kept ? share::kind::none : e.type;
      if (type == share::kind::none) {
        share::info_t info;
        if (share::lstat(origin.path, &info) != 0) return fail_dir(shown(job, r));
        type = info.type;
      }
      if (type == share::kind::folder) {
        if (::mkdirat(work_fd, e.name.c_str(), 0700) != 0) return fail_dir(shown(job, r));
        unique_fd sub = open_folder_at(work_fd, e.name);
        if (!sub.ok() || !stage_folder(job, origin.path, r, sub.get(), origin.first) ||
            !give(job, sub.get(), recorded(job, r), true)) {
          if (!stopped_ && sub.ok()) fail_dir(shown(job, r));
          return false;
        }
      } else if (type == share::kind::file) {
        crash_point("restore.file");
        if (!stage_file(job, origin.path, r, work_fd, e.name, origin.first)) {
          error(_("Failed to write file %s."), shown(job, r));
          return false;
        }
      }
    }
    return true;
  }

  // One file of the version: copied from its origin (last, or what a later run kept of it),
  // or patched with the deltas of the runs from `first` down to v + 1 that changed it,
  // newest first.
  bool stage_file(source_job_t& job, const std::string& origin, const std::string& rel,
                  int work_fd, const std::string& name, int first) {
    std::vector<std::string> chain;
    for (int r = first; r > v_; --r) {
      size_t i = static_cast<size_t>(r - v_ - 1);
      if (job.newer[i].listed.count(rel) != 0 && job.deltas[i].count(rel) != 0) {
        chain.push_back(task_tree_t::source(tree_.version(r), job.k) + "/" + rel +
                        delta_ending(0));
      }
    }
    unique_fd out(::openat(work_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW |
                                                      O_CLOEXEC, 0600));
    if (!out.ok()) return false;
    file_ptr basis(share::open(origin, "rb"));
    if (!basis) return false;
    if (chain.empty()) {
      if (!copy_stream(basis.get(), out.get())) return false;
    } else {
      for (size_t i = 0; i < chain.size(); ++i) {
        file_ptr delta(share::open(chain[i], "rb"));
        bool final_step = i + 1 == chain.size();
        file_ptr result(final_step ? ::fdopen(::dup(out.get()), "wb") : scratch_file(work_fd));
        if (!delta || !result) return false;
        rs_result rc = rs_patch_file(basis.get(), delta.get(), result.get(), nullptr);
        if (rc != RS_DONE || std::ferror(basis.get()) || std::ferror(delta.get()) ||
            std::fflush(result.get()) != 0 || std::ferror(result.get())) {
          daemon_print(3, "patch %s failed: %s\n", chain[i].c_str(), rs_strerror(rc));
          return false;
        }
        if (final_step) {
          if (std::fclose(result.release()) != 0) return false;
        } else {
          std::rewind(result.get());
          basis = std::move(result);
        }
      }
    }
    if (!give(job, out.get(), recorded(job, rel), false)) return false;
    return out.close() == 0;
  }

  void note(change_t::op_t op, size_t job, const std::vector<std::string>& dir,
            const std::string& name, const std::string& aside_name = std::string()) {
    changes_.push_back({op, job, dir, name, aside_name});
  }

  static std::string own_key(const std::vector<std::string>& dir, const std::string& name) {
    std::string key;
    for (const std::string& d : dir) key += d + "/";
    return key + name;
  }

  bool move_aside(size_t j, int dirfd, const std::vector<std::string>& dir,
                  const std::string& name) {
    std::string aside;
    if (!rename_aside(dirfd, name, own_prefix_, &aside_counter_, &aside)) return false;
    own_names_.insert(own_key(dir, aside));
    note(change_t::aside, j, dir, name, aside);
    crash_point("restore.aside");
    return true;
  }

  bool apply_one(size_t j) {
    source_job_t& job = jobs_[j];
    int parent = job.parent_fd.get();
    unique_fd work = open_folder_at(parent, job.work);
    if (!work.ok()) return fail_dir(job.parent + "/" + job.work);
    struct stat st;
    bool present = ::fstatat(parent, job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!present && errno != ENOENT) return fail_dir(job.target);
    bool is_folder = present && S_ISDIR(st.st_mode);
    bool made = false;

    if (exact_ || !is_folder) {
      // The whole target is exchanged: what is there goes aside in one rename. A folder that
      // was there keeps its owner and mode; a new one gets the source folder's.
      bool given = is_folder ? ::fchown(work.get(), st.st_uid, st.st_gid) == 0 &&
                                   ::fchmod(work.get(), st.st_mode & 07777) == 0
                             : give(job, work.get(), recorded(job, ""), true);
      if (!given) return fail_dir(job.target);
      bool aside_ok = !present || move_aside(j, parent, {}, job.name);
      if (aside_ok && ::renameat(parent, job.work.c_str(), parent, job.name.c_str()) == 0) {
        note(change_t::placed, j, {}, job.name);
        job.placed_new = !is_folder;
        crash_point("restore.placed");
        return true;
      }
      if (aside_ok && present) {
        // Put it back and merge instead.
        change_t last = changes_.back();
        if (::renameat(parent, last.aside_name.c_str(), parent, job.name.c_str()) != 0) {
          return fail_dir(job.target);
        }
        changes_.pop_back();
      }
      if (::mkdirat(parent, job.name.c_str(), 0700) == 0) {
        note(change_t::made_folder, j, {}, job.name);
        made = true;
      } else if (!present || !is_folder) {
        return fail_dir(job.target);
      }
    }
    // Entry by entry (also the fall-back when the target cannot be exchanged whole, a
    // mounted file system for example).
    unique_fd target = open_folder_at(parent, job.name);
    if (!target.ok()) return fail_dir(job.target);
    std::vector<std::string> dir{job.name};
    if (!merge(j, work.get(), target.get(), &dir, "")) return false;
    if (made) {
      job.placed_new = true;
      if (!give(job, target.get(), recorded(job, ""), true)) return fail_dir(job.target);
    }
    return true;
  }

  bool merge(size_t j, int work_fd, int target_fd, std::vector<std::string>* dir,
             const std::string& rel) {
    source_job_t& job = jobs_[j];
    std::vector<std::string> names;
    if (!list_at(work_fd, &names)) return fail_dir(shown(job, rel));
    std::set<std::string> version_names(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string r = rel.empty() ? name : rel + "/" + name;
      struct stat ws;
      struct stat ts;
      if (::fstatat(work_fd, name.c_str(), &ws, AT_SYMLINK_NOFOLLOW) != 0) return fail_dir(shown(job, r));
      bool present = ::fstatat(target_fd, name.c_str(), &ts, AT_SYMLINK_NOFOLLOW) == 0;
      if (!present && errno != ENOENT) return fail_dir(shown(job, r));
      if (S_ISDIR(ws.st_mode) && present && S_ISDIR(ts.st_mode)) {
        unique_fd w = open_folder_at(work_fd, name);
        unique_fd t = open_folder_at(target_fd, name);
        if (!w.ok() || !t.ok()) return fail_dir(shown(job, r));
        dir->push_back(name);
        bool ok = merge(j, w.get(), t.get(), dir, r);
        dir->pop_back();
        if (!ok) return false;
        continue;
      }
      // A file, a link or anything else where the version has an entry goes aside (a link
      // is never followed); then the version's entry is moved in.
      if (present && !move_aside(j, target_fd, *dir, name)) return fail_dir(shown(job, r));
      if (::renameat(work_fd, name.c_str(), target_fd, name.c_str()) == 0) {
        note(change_t::placed, j, *dir, name);
        crash_point("restore.placed");
        continue;
      }
      if (errno != EXDEV) return fail_dir(shown(job, r));
      if (S_ISDIR(ws.st_mode)) {
        // Another file system: made here and filled entry by entry.
        if (::mkdirat(target_fd, name.c_str(), 0700) != 0) return fail_dir(shown(job, r));
        note(change_t::made_folder, j, *dir, name);
        unique_fd w = open_folder_at(work_fd, name);
        unique_fd t = open_folder_at(target_fd, name);
        if (!w.ok() || !t.ok()) return fail_dir(shown(job, r));
        dir->push_back(name);
        bool ok = merge(j, w.get(), t.get(), dir, r);
        dir->pop_back();
        if (!ok) return false;
        if (!give_like(job, t.get(), ws)) return fail_dir(shown(job, r));
        continue;
      }
      if (!copy_in(job, work_fd, target_fd, name)) {
        error(_("Failed to write file %s."), shown(job, r));
        return false;
      }
      note(change_t::placed, j, *dir, name);
    }
    if (!exact_) return true;
    // Exactly the version: the target's other entries go aside.
    std::vector<std::string> present_names;
    if (!list_at(target_fd, &present_names)) return fail_dir(shown(job, rel));
    for (const std::string& name : present_names) {
      if (version_names.count(name) != 0) continue;
      // What this run put aside stays until the end; what an earlier run cut short left
      // behind is not part of the version and goes too.
      if (own_names_.count(own_key(*dir, name)) != 0) continue;
      if (!move_aside(j, target_fd, *dir, name)) return fail_dir(shown(job, rel));
    }
    return true;
  }

  // A file moved onto another file system: copied to a new name beside its place, then
  // renamed into it.
  bool copy_in(const source_job_t& job, int work_fd, int target_fd, const std::string& name) {
    unique_fd in(::openat(work_fd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in.ok()) return false;
    std::string part = own_prefix_ + std::to_string(aside_counter_++) + ".part";
    unique_fd out(::openat(target_fd, part.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out.ok()) return false;
    struct stat st;
    if (::fstat(in.get(), &st) != 0) return false;
    file_ptr stream(::fdopen(in.get(), "rb"));
    if (!stream) return false;
    in.release();
    bool ok = copy_stream(stream.get(), out.get()) && give_like(job, out.get(), st) &&
              out.close() == 0 &&
              ::renameat(target_fd, part.c_str(), target_fd, name.c_str()) == 0;
    if (!ok) ::unlinkat(target_fd, part.c_str(), 0);
    return ok;
  }

  void remove_work_folders() {
    for (source_job_t& job : jobs_) {
      if (!job.work_made || !job.parent_fd.ok()) continue;
      if (!remove_tree_at(job.parent_fd.get(), job.work)) {
        daemon_print(0, "rm temp1 %s\n", (job.parent + "/" + job.work).c_str());
      }
      job.work_made = false;
    }
  }

  const session_t& task_;
  const task_tree_t& tree_;
  int v_;
  int n_;
  bool exact_;
  bool to_chosen_ = false;                 // the targets lie in a folder the user chose
  bool root_ = ::geteuid() == 0;           // owners and groups are given back only as root
  std::string own_prefix_;  // names of the run's own entries beside the user's: ".<uuid>."
  std::vector<source_job_t> jobs_;
  std::vector<change_t> changes_;
  long aside_counter_ = 0;
  std::set<std::string> own_names_;  // entries this run renamed aside, by folder
  bool stopped_ = false;
};

// Closes what the run holds open in the tree, then the connection, with one retry.
void unmount(const std::string& path) {
  close_thread_dbs();
  if (!umount_disk(path)) {
    daemon_print(0, "umount error\n");
    umount_disk(path);
  }
}

}  // namespace

std::vector<std::string> restore_target_names(const std::vector<std::string>& sources) {
  std::vector<std::string> names;
  std::set<std::string> taken;
  for (const std::string& source : sources) {
    std::string s = normalized(source);
    size_t slash = s.rfind('/');
    std::string name = slash == std::string::npos ? s : s.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") name = "root";
    std::string candidate = name;
    for (int i = 1; taken.count(candidate) != 0; ++i) candidate = name + "_" + std::to_string(i);
    taken.insert(candidate);
    names.push_back(candidate);
  }
  return names;
}

run_outcome restore_incremental_backup(const session_t* session, const char* path,
                                       gint64 version) {
  if (session == nullptr) return run_outcome::failed;
  const session_t& task = *session;
  const char* name = task.name.c_str();
  const char* uuid = task.uuid.c_str();
  auto failed = [&] {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("Restore %s is failed."), name);
    return run_outcome::failed;
  };
  // Step 1.
  log_session(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s was started."), name);
  // Step 2.
  std::string destination;
  if (!is_valid_uuid(uuid) || !mount_disk(&task, &destination)) {
    log_session_append(name, uuid, MSG_LEVEL_ERROR, _("The network resource can not be accessed."));
    return failed();
  }
  crash_point("restore.mounted");
  task_tree_t tree(destination, task.uuid);
  // The tree is read under its lock, never through a link; the lock goes with the
  // connection, once everything is read.
  tree_lock_t lock;
  auto leave = [&] {
    close_thread_dbs();
    lock.release();
    unmount(destination);
  };
  if (!open_task_tree(task, tree, false) || lock.take(task, tree) != tree_lock_t::result::taken) {
    leave();
    return failed();
  }
  crash_point("restore.locked");
  // Step 3: a backup cut short is finished or undone, as the next backup would.
  int rows = 0;
  if (!recover_interrupted_backup(task, tree) ||
      (share::exists(tree.history) && get_history_db_row(tree.history.c_str(), &rows) != 0)) {
    leave();
    return failed();
  }
  crash_point("restore.recovered");

  // Nothing changes before the version and the targets are known to be good.
  if (version < 1 || version > rows) {
    daemon_print(0, "restore version %" G_GINT64_FORMAT " of %d refused\n", version, rows);
    leave();
    return failed();
  }
  bool exact = get_global_config(GLOBAL_RESTORE_DELETE_SYNC) == "enable";
  restore_run run(task, tree, version, rows, exact);
  if (!run.plan(path) || !run.check_version()) {
    leave();
    return failed();
  }
  crash_point("restore.checked");
  // Step 4: every source rebuilt into its work folder; the targets are not touched yet.
  bool staged = run.stage();
  leave();
  if (!staged) {
    run.undo();
    failed();
    return run.stopped() ? run_outcome::stopped : run_outcome::failed;
  }
  if (!run.apply()) {
    run.undo();
    return failed();
  }
  // Step 5.
  run.make_links();
  run.finish();
  run.give_folder_times();
  // Step 6.
  log_session_append(name, uuid, MSG_LEVEL_MESSAGE, _("Restore %s is completed."), name);
  return run_outcome::completed;
}

run_outcome restore_backup(const char* uuid, const char* path, gint64 version) {
  session_t task;
  {
    std::lock_guard<std::mutex> lock(session_list_mutex);
    if (uuid == nullptr || !find_session(uuid, &task)) return run_outcome::not_found;
  }
  return restore_incremental_backup(&task, path, version);
}
