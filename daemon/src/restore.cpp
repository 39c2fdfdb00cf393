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
#include <map>
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
#include "folder_walk.h"
#include "i18n.h"
#include "links.h"
#include "log.h"
#include "paths.h"
#include "scan_backup_folder.h"
#include "share.h"
#include "share_sqlite.h"
#include "tree_db_guard.h"
#include "tree_lock.h"

namespace share = tessaly::share;

namespace {

// Modes of restored entries of a tree that recorded none (written before attribute_tbl):
// private, never wider.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

// ---------------------------------------------------------------------------------------
// Local file-system steps, each relative to an open folder and never through a link.
// ---------------------------------------------------------------------------------------

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

// The names in an open folder, sorted.
bool list_at(int dirfd, std::vector<std::string>* names) {
  names->clear();
  int fd = ::openat(dirfd, ".", kFolderOpenFlags);
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

// The folders that a restore leaves untouched wherever it meets them: the tree of every
// configured task on a local destination, the service's configuration folder (both known
// by device and inode, whatever path leads to them), and any folder that holds a tree lock
// (the tree of a run going on, perhaps of another service).
class guard_t {
 public:
  void add(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) folders_.insert({st.st_dev, st.st_ino});
  }
  bool guarded(int fd, const struct stat& st) const {
    if (folders_.count({st.st_dev, st.st_ino}) != 0) return true;
    struct stat lock;
    return ::fstatat(fd, tree_lock_t::kFileName, &lock, AT_SYMLINK_NOFOLLOW) == 0;
  }

 private:
  std::set<std::pair<dev_t, ino_t>> folders_;
};

bool empty_folder(folder_chain& chain, dev_t device, const guard_t* guard);

// Removes an entry with everything in it. Links are removed, never followed; a folder of
// another file system or one that the guard keeps is never entered (the removal fails
// there). A missing entry counts as removed. Holds a bounded number of descriptors
// whatever the depth.
bool remove_tree_at(int dirfd, const std::string& name, const guard_t* guard = nullptr) {
  struct stat st;
  if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirfd, name.c_str(), 0) == 0 || errno == ENOENT;
  struct stat parent;
  if (::fstat(dirfd, &parent) != 0 || parent.st_dev != st.st_dev) return false;
  folder_chain chain = folder_chain::from(dirfd);
  if (!chain.enter(name)) return false;
  bool ok = empty_folder(chain, st.st_dev, guard);
  chain.leave();
  return ok && ::unlinkat(dirfd, name.c_str(), AT_REMOVEDIR) == 0;
}

// Removes everything in the chain's current folder (see remove_tree_at).
bool empty_folder(folder_chain& chain, dev_t device, const guard_t* guard) {
  int fd = chain.fd();
  struct stat self;
  if (fd < 0 || ::fstat(fd, &self) != 0) return false;
  if (guard != nullptr && guard->guarded(fd, self)) return false;
  std::vector<std::string> names;
  bool ok = list_at(fd, &names);
  for (const std::string& n : names) {
    fd = chain.fd();
    if (fd < 0) return false;
    struct stat st;
    if (::fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      ok = errno == ENOENT && ok;
      continue;
    }
    if (!S_ISDIR(st.st_mode)) {
      ok = (::unlinkat(fd, n.c_str(), 0) == 0 || errno == ENOENT) && ok;
      continue;
    }
    if (st.st_dev != device || !chain.enter(n)) {
      ok = false;
      continue;
    }
    bool emptied = empty_folder(chain, device, guard);
    chain.leave();
    fd = chain.fd();
    ok = emptied && fd >= 0 && ::unlinkat(fd, n.c_str(), AT_REMOVEDIR) == 0 && ok;
  }
  return ok;
}

// Opens the folder at `components` below `root`, each step without following a link.
unique_fd open_below(int root, const std::vector<std::string>& components) {
  unique_fd current(::openat(root, ".", kFolderOpenFlags));
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

// The folder of a path and its last name ("/a/b" -> "/a", "b").
std::pair<std::string, std::string> split_last(const std::string& path) {
  size_t slash = path.rfind('/');
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The path with every link of its existing part resolved; the missing rest must be plain
// names. Only for comparing folders: nothing is ever opened through its result.
bool resolve_path(const std::string& path, std::string* out) {
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

// Which side of a copy failed.
enum class copied { ok, read_failed, write_failed };

// Writes all of `in` to `out_fd` from its current offset.
copied copy_stream(FILE* in, int out_fd) {
  int in_fd = ::fileno(in);
  if (in_fd >= 0 && std::ftell(in) == 0) {
    // A local file: copied inside the kernel.
    for (;;) {
      ssize_t n = ::copy_file_range(in_fd, nullptr, out_fd, nullptr, 1 << 30, 0);
      if (n == 0) return copied::ok;
      if (n < 0) {
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) break;
        return errno == ENOSPC || errno == EDQUOT || errno == EFBIG ? copied::write_failed
                                                                   : copied::read_failed;
      }
    }
  }
  thread_local std::vector<char> buffer(copy_block_size);
  for (;;) {
    size_t got = std::fread(buffer.data(), 1, buffer.size(), in);
    if (got < buffer.size() && std::ferror(in)) return copied::read_failed;
    if (!tessaly::write_all(out_fd, std::string_view(buffer.data(), got))) {
      return copied::write_failed;
    }
    if (got < buffer.size()) return copied::ok;
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

void set_times(struct timespec t[2], const entry_attributes_t& a) {
  t[0].tv_sec = t[1].tv_sec = static_cast<time_t>(a.mtime);
  t[0].tv_nsec = t[1].tv_nsec = static_cast<long>(a.mtime_nsec);
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

// A marker comes from the destination: it is read only when its schema holds plain tables,
// and every statement on it is bounded in work and rows, so that a planted one fails the
// run instead of holding it.
class marker_reader {
 public:
  explicit marker_reader(sqlite3* db) : db_(db), bound_(db) {}

  bool table_present(const char* table) {
    bool present = false;
    return each("select count(*) from sqlite_master where type='table' and name=?;", table,
                [&](sqlite3_stmt* st) { present = sqlite3_column_int64(st, 0) != 0; }) &&
           present;
  }

  // Runs a select (with one text bound when `bound` is set) and hands each row on.
  template <typename Row>
  bool each(const std::string& sql, const char* bound, Row row) {
    sqlite3_stmt* raw = nullptr;
    bound_.reset();
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
      why_ = sqlite3_errmsg(db_);
      return false;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> st(raw, sqlite3_finalize);
    if (bound != nullptr) sqlite3_bind_text(raw, 1, bound, -1, SQLITE_STATIC);
    for (int64_t rows = 0;; ++rows) {
      bound_.reset();
      int rc = sqlite3_step(raw);
      if (rc == SQLITE_DONE) return true;
      if (rc != SQLITE_ROW) {
        why_ = sqlite3_errmsg(db_);
        return false;
      }
      if (rows == tessaly::tree_db::kMaxRows) {
        why_ = "too many rows";
        return false;
      }
      row(raw);
    }
  }
  // Why the last query failed.
  const std::string& why() const { return why_; }

 private:
  sqlite3* db_;
  tessaly::tree_db::query_bound bound_;
  std::string why_;
};

std::string column_text(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return std::string(t != nullptr ? reinterpret_cast<const char*>(t) : "",
                     static_cast<size_t>(sqlite3_column_bytes(st, i)));
}

enum class marker_read { ok, missing, damaged };

marker_read load_marker(const std::string& path, bool with_links, marker_t* out,
                        std::string* why) {
  share::info_t info;
  if (share::lstat(path, &info) != 0 || info.type != share::kind::file) return marker_read::missing;
  sqlite3* raw = nullptr;
  if (share::sqlite_open(path, &raw, SQLITE_OPEN_READWRITE) != SQLITE_OK) {
    sqlite3_close(raw);
    return marker_read::missing;
  }
  sqlite3_ptr db(raw);
  if (tessaly::tree_db::open_check(db.get(), why) != 0) return marker_read::damaged;
  marker_reader reader(db.get());
  auto failed = [&] {
    *why = reader.why();
    return marker_read::damaged;
  };
  for (const char* table : {"exist_tbl", "new_tbl"}) {
    if (!reader.table_present(table)) continue;
    if (!reader.each(std::string("select File_path from ") + table + ";", nullptr,
                     [&](sqlite3_stmt* st) { out->listed.insert(column_text(st, 0)); })) {
      return failed();
    }
  }
  if (reader.table_present("kept_tbl") &&
      !reader.each("select File_path from kept_tbl;", nullptr,
                   [&](sqlite3_stmt* st) { out->kept.insert(column_text(st, 0)); })) {
    return failed();
  }
  if (!with_links) return marker_read::ok;
  if (reader.table_present("attribute_tbl") &&
      !reader.each("select File_path,File_mode,File_uid,File_gid,File_mtime,File_mtime_nsec,"
                   "File_size from attribute_tbl;",
                   nullptr, [&](sqlite3_stmt* st) {
                     entry_attributes_t a;
                     a.mode = sqlite3_column_int64(st, 1);
                     a.uid = sqlite3_column_int64(st, 2);
                     a.gid = sqlite3_column_int64(st, 3);
                     a.mtime = sqlite3_column_int64(st, 4);
                     a.mtime_nsec = sqlite3_column_int64(st, 5);
                     a.size = sqlite3_column_int64(st, 6);
                     out->attributes[column_text(st, 0)] = a;
                   })) {
    return failed();
  }
  const std::pair<int, const char*> link_tables[] = {{MARKER_SYMBOLIC_LINK, "symbolic_link_tbl"},
                                                     {MARKER_JUNCTION, "junction_tbl"}};
  for (const auto& [kind, table] : link_tables) {
    if (!reader.table_present(table)) continue;
    std::string sql = std::string("select File_source_path,File_destination_path from ") + table +
                      " order by rowid;";
    if (!reader.each(sql, nullptr, [&](sqlite3_stmt* st) {
          out->links.push_back({kind, column_text(st, 0), column_text(st, 1)});
        })) {
      return failed();
    }
  }
  return marker_read::ok;
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
  std::string wanted;   // the target as named: the source folder, or P + "/" + name
  std::string target;   // the target as reached without links
  std::string parent;   // the target's parent folder
  std::string name;     // the target's name in it
  std::string work;     // the work folder's name in the parent
  unique_fd parent_fd;
  std::vector<std::string> made_parents;  // folders made for the parent, outermost first
  owner_t owner;
  // The owner of the source folder as the backup recorded it (attribute_tbl, path ""):
  // besides root's links, only that user's links to that user's own folders are followed
  // on the way to the target. Unknown in trees written before the table.
  bool source_owner_known = false;
  uid_t source_owner = 0;
  marker_t version;                                      // marker of v
  std::map<std::string, std::vector<std::string>> children;  // v's entries by folder, sorted
  std::vector<marker_t> newer;                           // markers of v+1 .. N
  std::vector<std::unordered_set<std::string>> deltas;   // deltas of v+1 .. N
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

std::string join_rel(const std::string& rel, const std::string& name) {
  return rel.empty() ? name : rel + "/" + name;
}

class restore_run {
 public:
  restore_run(const session_t& task, const task_tree_t& tree, gint64 v, int n, bool exact)
      : task_(task), tree_(tree), v_(static_cast<int>(v)), n_(n), exact_(exact),
        own_prefix_("." + task.uuid + ".") {}

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
  bool plan(const char* chosen) {
    to_chosen_ = chosen != nullptr;
    std::string p;
    if (chosen != nullptr) {
      p = normalized(chosen);
      std::string real;
      if (p.empty() || p[0] != '/' || !resolve_path(p, &real) || real == "/") {
        daemon_print(0, "restore target %s refused\n", chosen);
        error(_("Failed to write directory %s."), chosen);
        return false;
      }
      // A chosen folder that is, holds or lies inside a source folder would put one
      // source's version over the source folders themselves: only the restore to the
      // original place may do that.
      for (const std::string& s : task_.sources) {
        std::string source = normalized(s);
        std::string real_source;
        if (!resolve_path(source, &real_source)) real_source = source;
        if (inside(real, real_source) || inside(real_source, real)) {
          daemon_print(0, "restore target %s overlaps source %s\n", chosen, source.c_str());
          log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                             _("The folder %s is, holds or lies inside a source folder of the "
                               "task: a restore there goes to the original place instead."),
                             chosen);
          return false;
        }
      }
    }
    std::vector<std::string> sources;
    for (const std::string& s : task_.sources) sources.push_back(normalized(s));
    std::vector<std::string> names = restore_target_names(sources);
    for (size_t k = 0; k < sources.size(); ++k) {
      source_job_t job;
      job.k = static_cast<int>(k);
      job.source = sources[k];
      job.wanted = chosen != nullptr ? (p == "/" ? "" : p) + "/" + names[k] : job.source;
      job.work = own_prefix_ + "id" + std::to_string(k);
      jobs_.push_back(std::move(job));
    }
    guard_.add(normalized(tessaly::data_folder_path()));
    if (!share::is_smb_path(tree_.base)) guard_.add(tree_.base);
    for (const std::string& t : configured_local_trees()) guard_.add(t);
    return true;
  }

  // The version: its markers and those of every newer version must be there and readable,
  // and the deltas of the newer versions are listed.
  bool check_version() {
    for (source_job_t& job : jobs_) {
      if (!read_marker(tree_.marker(v_, job.k), true, &job.version)) return false;
      for (int r = v_ + 1; r <= n_; ++r) {
        marker_t m;
        if (!read_marker(tree_.marker(r, job.k), false, &m)) return false;
        job.newer.push_back(std::move(m));
        std::unordered_set<std::string> d;
        std::string dir = task_tree_t::source(tree_.version(r), job.k);
        if (!collect_deltas(dir, "", &d)) {
          error(_("Failed to write directory %s."), dir);
          return false;
        }
        job.deltas.push_back(std::move(d));
      }
      auto self = job.version.attributes.find("");
      if (self != job.version.attributes.end()) {
        job.source_owner_known = true;
        job.source_owner = static_cast<uid_t>(self->second.uid);
      }
      for (const std::string& rel : job.version.listed) {
        if (rel.empty()) continue;
        size_t slash = rel.rfind('/');
        job.children[slash == std::string::npos ? std::string() : rel.substr(0, slash)]
            .push_back(slash == std::string::npos ? rel : rel.substr(slash + 1));
      }
      for (auto& [folder, names] : job.children) std::sort(names.begin(), names.end());
    }
    return true;
  }

  // Each target reached from "/" without a link that its rules refuse, outside every folder
  // the guard keeps; no change is made.
  bool locate() {
    for (size_t j = 0; j < jobs_.size(); ++j) {
      source_job_t& job = jobs_[j];
      auto [wanted_parent, wanted_name] = split_last(job.wanted);
      walk_rules_t rules = rules_for(job);
      walk_end_t end;
      bool ok = !wanted_name.empty() && wanted_name != "." && wanted_name != ".." &&
                walk_folder(wanted_parent, false, rules, &end);
      std::string target;
      if (ok) {
        target = reached_path(end) + "/" + wanted_name;
        struct stat st;
        if (end.missing.empty() &&
            ::fstatat(end.fd.get(), wanted_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
          if (S_ISLNK(st.st_mode) && !to_chosen_) {
            // The source folder is a link now: its original place is the folder it leads
            // to, when the rules allow it (a link at a chosen target is replaced instead).
            walk_end_t through;
            ok = walk_folder(job.wanted, false, rules, &through);
            if (ok) target = reached_path(through);
            end.refused = through.refused;
          } else if (S_ISDIR(st.st_mode)) {
            unique_fd folder = open_folder_at(end.fd.get(), wanted_name);
            ok = folder.ok() && ::fstat(folder.get(), &st) == 0 &&
                 rules.visit(folder.get(), st, target);
            end.refused = !ok;
          }
        }
      }
      if (ok) {
        target = normalized(target);
        ok = target != "/";
        for (size_t i = 0; ok && i < j; ++i) {
          ok = !inside(target, jobs_[i].target) && !inside(jobs_[i].target, target);
        }
      }
      if (!ok) {
        daemon_print(0, "restore target %s refused\n", job.wanted.c_str());
        if (!end.refused) error(_("Failed to write directory %s."), job.wanted);
        return false;
      }
      job.target = target;
      std::tie(job.parent, job.name) = split_last(target);
    }
    return true;
  }

  // Rebuilds every source into its work folder (reads the tree only).
  bool stage() {
    for (source_job_t& job : jobs_) {
      if (!open_parent(job)) return false;
      if (!remove_tree_at(job.parent_fd.get(), job.work) ||
          ::mkdirat(job.parent_fd.get(), job.work.c_str(), 0700) != 0) {
        return fail_dir(job.parent + "/" + job.work);
      }
      job.work_made = true;
      folder_chain work = folder_chain::from(job.parent_fd.get());
      if (!work.enter(job.work)) return fail_dir(job.parent + "/" + job.work);
      std::string last = task_tree_t::source(tree_.last, job.k);
      staged result = stage_folder(job, last, "", work, n_);
      if (result == staged::failed) return false;
      if (result == staged::damaged) job.damaged.insert("");
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
      if (job.damaged.count("") != 0) continue;
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
        for (const std::string& c : rest) rel = join_rel(rel, c);
        rest.pop_back();
        if (below_damaged(job, rel)) continue;  // its folder is not restored
        unique_fd dir = open_inside(job, rest);
        if (!dir.ok()) continue;  // its folder is not part of the version, or kept untouched
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
          set_times(t, *a);
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
      if (!dir.ok() || !remove_tree_at(dir.get(), c.aside_name, &guard_)) {
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
        // Made by this run below a folder reached without links: removed the same way.
        auto [parent, name] = split_last(*p);
        walk_end_t end;
        if (walk_folder(parent, false, walk_rules_t(), &end) && end.missing.empty()) {
          ::unlinkat(end.fd.get(), name.c_str(), AT_REMOVEDIR);
        }
      }
      job.made_parents.clear();
    }
  }

  // The last-write times of the version's folders, given again once everything is in place
  // (placing entries in a folder changes its time). The folders are visited in order, so
  // that the walk moves from each to the next.
  void give_folder_times() {
    for (source_job_t& job : jobs_) {
      if (!job.parent_fd.ok() || job.damaged.count("") != 0) continue;
      std::vector<std::pair<std::vector<std::string>, const entry_attributes_t*>> folders;
      for (const auto& [rel, a] : job.version.attributes) {
        if (!S_ISDIR(static_cast<mode_t>(a.mode))) continue;
        if (rel.empty() ? !job.placed_new : job.version.listed.count(rel) == 0) continue;
        std::vector<std::string> components;
        if ((!rel.empty() && !split_path("/" + rel, &components)) || below_damaged(job, rel)) {
          continue;
        }
        folders.emplace_back(std::move(components), &a);
      }
      std::sort(folders.begin(), folders.end());
      folder_chain chain = folder_chain::from(job.parent_fd.get());
      if (!chain.enter(job.name)) continue;
      std::vector<std::string> at;  // where the chain is, below the target
      for (const auto& [components, a] : folders) {
        size_t common = 0;
        while (common < at.size() && common < components.size() &&
               at[common] == components[common]) {
          ++common;
        }
        for (; at.size() > common; at.pop_back()) chain.leave();
        bool reached = true;
        while (reached && at.size() < components.size()) {
          struct stat st;
          reached = chain.enter(components[at.size()]);
          if (reached) at.push_back(components[at.size()]);
          reached = reached && ::fstat(chain.fd(), &st) == 0 && !guard_.guarded(chain.fd(), st);
        }
        if (!reached) continue;
        struct timespec t[2];
        set_times(t, *a);
        ::futimens(chain.fd(), t);  // a folder of the user's own that it may not change: kept
      }
    }
  }

 private:
  bool read_marker(const std::string& path, bool with_links, marker_t* out) {
    std::string why;
    switch (load_marker(path, with_links, out, &why)) {
      case marker_read::ok:
        return true;
      case marker_read::missing:
        error(_("Failed to write file %s."), path);
        return false;
      case marker_read::damaged:
        log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                           _("The database %s in the task folder is damaged (%s): the restore "
                             "stops."),
                           path_format_to_win(path).c_str(), why.c_str());
        return false;
    }
    return false;
  }

  // How the way to a job's target is walked: a link is followed when it is root's, or when
  // it is the source folder's owner's (as the backup recorded it) and leads to a folder of
  // that user; a folder that the guard keeps is never a target nor on the way to one.
  walk_rules_t rules_for(const source_job_t& job) {
    walk_rules_t rules;
    auto refuse = [this](const std::string& path) {
      log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR,
                         _("The restore does not follow the link %s: it follows only links of "
                           "root, and links of the source folder's owner to folders of that "
                           "user."),
                         path.c_str());
      return false;
    };
    rules.follow = [&job, refuse](const std::string& path, const struct stat& link) {
      if (link.st_uid == 0 || (job.source_owner_known && link.st_uid == job.source_owner)) {
        return true;
      }
      return refuse(path);
    };
    rules.reached = [refuse](const std::string& path, const struct stat& link,
                             const struct stat* folder) {
      if (link.st_uid == 0 || (folder != nullptr && folder->st_uid == link.st_uid)) return true;
      return refuse(path);
    };
    rules.visit = [this](int fd, const struct stat& folder, const std::string& path) {
      if (!guard_.guarded(fd, folder)) return true;
      note_guarded(path);
      return false;
    };
    return rules;
  }

  static std::string reached_path(const walk_end_t& end) {
    std::string path = end.path == "/" ? "" : end.path;
    for (const std::string& m : end.missing) path += "/" + m;
    return path.empty() ? "/" : path;
  }

  // A folder that the guard keeps, met on the way: one record for each.
  void note_guarded(const std::string& path) {
    if (!guarded_noted_.insert(path).second) return;
    daemon_print(0, "restore leaves %s untouched\n", path.c_str());
    log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_WARNING,
                       _("%s is a task folder or the service's configuration folder: the "
                         "restore leaves it untouched."),
                       path.c_str());
  }

  // True when the folder `name` in `dirfd` is or holds a folder that the guard keeps (noted);
  // other file systems inside it are not entered.
  bool holds_guarded(int dirfd, const std::string& name, const std::string& path) {
    folder_chain chain = folder_chain::from(dirfd);
    struct stat st;
    if (!chain.enter(name) || ::fstat(chain.fd(), &st) != 0) return false;
    return holds_guarded_in(chain, path, st.st_dev);
  }

  bool holds_guarded_in(folder_chain& chain, const std::string& path, dev_t device) {
    int fd = chain.fd();
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) return false;
    if (guard_.guarded(fd, st)) {
      note_guarded(path);
      return true;
    }
    std::vector<std::string> names;
    list_at(fd, &names);
    for (const std::string& n : names) {
      fd = chain.fd();
      if (fd < 0 || ::fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
          !S_ISDIR(st.st_mode) || st.st_dev != device || !chain.enter(n)) {
        continue;
      }
      bool found = holds_guarded_in(chain, path + "/" + n, device);
      chain.leave();
      if (found) return true;
    }
    return false;
  }

  // The folder at `components` below the job's target, none of them kept by the guard.
  unique_fd open_inside(const source_job_t& job, const std::vector<std::string>& components) {
    unique_fd current = open_folder_at(job.parent_fd.get(), job.name);
    for (const std::string& c : components) {
      if (!current.ok()) break;
      current = open_folder_at(current.get(), c);
      struct stat st;
      if (current.ok() && (::fstat(current.get(), &st) != 0 || guard_.guarded(current.get(), st))) {
        current.reset();
      }
    }
    return current;
  }

  // The entry or a folder above it is damaged (not restored).
  static bool below_damaged(const source_job_t& job, const std::string& rel) {
    if (job.damaged.empty()) return false;
    if (job.damaged.count("") != 0 || job.damaged.count(rel) != 0) return true;
    for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1)) {
      if (job.damaged.count(rel.substr(0, slash)) != 0) return true;
    }
    return false;
  }

  // An entry of the version that the tree cannot give back: one record, and the restore
  // goes on without it.
  void note_damaged(source_job_t& job, const std::string& rel, bool rebuilt) {
    job.damaged.insert(rel);
    if (rebuilt) {
      error(_("%s cannot be rebuilt from the backup, a change of it is missing or damaged: it "
              "is not restored."),
            shown(job, rel));
    } else {
      error(_("The backup holds no copy of %s: it is not restored."), shown(job, rel));
    }
  }

  // Opens (making when missing) the target's parent folder the way locate() reached it, and
  // finds the owner that the restored entries get: the target's own when it is a folder,
  // else its parent's.
  bool open_parent(source_job_t& job) {
    if (job.parent_fd.ok()) return true;
    walk_end_t end;
    bool ok = walk_folder(job.parent, true, rules_for(job), &end);
    job.made_parents = end.made;
    struct stat st;
    if (!ok || end.path != job.parent || ::fstat(end.fd.get(), &st) != 0) {
      return end.refused ? false : fail_dir(job.parent);
    }
    job.owner = {st.st_uid, st.st_gid};
    if (::fstatat(end.fd.get(), job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(st.st_mode)) {
      job.owner = {st.st_uid, st.st_gid};
    }
    job.parent_fd = std::move(end.fd);
    return true;
  }

  // The version's record of an entry, or null (a tree written before attribute_tbl).
  static const entry_attributes_t* recorded(const source_job_t& job, const std::string& rel) {
    auto it = job.version.attributes.find(rel);
    return it == job.version.attributes.end() ? nullptr : &it->second;
  }

  // Gives a restored entry (open as fd) what it had at the version: its mode, its time and,
  // when the service runs as root, its owner and group. Without a record (an older tree) it
  // gets the owner of the target folder and the private modes 0600 and 0700. Set-user-id
  // and set-group-id are never given (the tree is data from the destination, and a program
  // planted there must not become a privileged one here): they are dropped with a record.
  // The sticky bit stays: it only narrows what others may remove in a folder. Folders get
  // their times once filled.
  bool give(const source_job_t& job, int fd, const entry_attributes_t* a, const std::string& rel,
            bool folder) const {
    mode_t mode = folder ? kFolderMode : kFileMode;
    if (a != nullptr) {
      mode = static_cast<mode_t>(a->mode) & 07777;
      if ((mode & (S_ISUID | S_ISGID)) != 0) {
        mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
        log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_WARNING,
                           _("%s was set-user-id or set-group-id in the backup: it is restored "
                             "without those bits."),
                           shown(job, rel).c_str());
      }
    }
    if (a == nullptr) {
      if (::fchown(fd, job.owner.uid, job.owner.gid) != 0) return false;
    } else if (root_ && ::fchown(fd, static_cast<uid_t>(a->uid), static_cast<gid_t>(a->gid)) != 0) {
      return false;
    }
    if (::fchmod(fd, mode) != 0) return false;
    if (a != nullptr) {
      struct timespec t[2];
      set_times(t, *a);
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

  bool fail_dir(const std::string& path) const {
    error(_("Failed to write directory %s."), path);
    return false;
  }

  std::string shown(const source_job_t& job, const std::string& rel) const {
    return rel.empty() ? job.target : job.target + "/" + rel;
  }

  // After a read from the tree failed: the restore stops when the destination no longer
  // answers; otherwise only the entry is damaged.
  staged read_failed(source_job_t& job, const std::string& rel, bool rebuilt) {
    if (!destination_reachable(tree_.base)) {
      error(_("Failed to write file %s."), shown(job, rel));
      return staged::failed;
    }
    note_damaged(job, rel, rebuilt);
    return staged::damaged;
  }

  // The entries of version v in the folder `rel` (`dir` in the tree) into the work folder
  // at the chain. Every entry that v lists must be in the tree as what v recorded; one that
  // is not is damaged, and so is the folder itself when the tree has none.
  staged stage_folder(source_job_t& job, const std::string& dir, const std::string& rel,
                      folder_chain& work, int first) {
    auto listed = job.children.find(rel);
    if (listed == job.children.end()) return staged::ok;
    std::vector<share::entry_t> entries;
    if (share::list(dir, &entries) != 0) return read_failed(job, rel, false);
    std::unordered_map<std::string, share::kind> in_tree;
    for (share::entry_t& e : entries) in_tree.emplace(std::move(e.name), e.type);
    entries.clear();
    for (const std::string& name : listed->second) {
      if (need_exit(task_.uuid.c_str())) {
        stopped_ = true;
        return staged::failed;
      }
      std::string r = join_rel(rel, name);
      origin_t origin = origin_of(job, dir, name, r, first);
      share::kind type = share::kind::none;
      if (origin.kept) {
        share::info_t info;
        if (share::lstat(origin.path, &info) == 0) type = info.type;
      } else {
        auto found = in_tree.find(name);
        if (found != in_tree.end()) type = found->second;
      }
      const entry_attributes_t* a = recorded(job, r);
      bool as_folder = a != nullptr ? S_ISDIR(static_cast<mode_t>(a->mode)) : type == share::kind::folder;
      bool as_file = a != nullptr ? S_ISREG(static_cast<mode_t>(a->mode)) : type == share::kind::file;
      if ((!as_folder || type != share::kind::folder) && (!as_file || type != share::kind::file)) {
        if (type == share::kind::none && !destination_reachable(tree_.base)) {
          error(_("Failed to write file %s."), shown(job, r));
          return staged::failed;
        }
        note_damaged(job, r, false);
        continue;
      }
      int fd = work.fd();
      if (fd < 0) {
        fail_dir(shown(job, rel));
        return staged::failed;
      }
      if (as_folder) {
        if (::mkdirat(fd, name.c_str(), 0700) != 0 || !work.enter(name)) {
          fail_dir(shown(job, r));
          return staged::failed;
        }
        staged result = stage_folder(job, origin.path, r, work, origin.first);
        bool given = result == staged::ok && give(job, work.fd(), a, r, true);
        work.leave();
        if (result == staged::failed) return result;
        if (result == staged::damaged) {
          // Nothing of it goes to the target, so that what is there stays.
          if (!remove_tree_at(work.fd(), name)) {
            fail_dir(shown(job, r));
            return staged::failed;
          }
          continue;
        }
        if (!given) {
          fail_dir(shown(job, r));
          return staged::failed;
        }
      } else {
        crash_point("restore.file");
        if (stage_file(job, origin.path, r, fd, name, origin.first) == staged::failed) {
          return staged::failed;
        }
      }
    }
    return staged::ok;
  }

  // One file of the version: copied from its origin (last, or what a later run kept of it),
  // or patched with the deltas of the runs from `first` down to v + 1 that changed it,
  // newest first; then checked against the size that v recorded. A file that does not come
  // out as recorded is removed again (damaged): nothing is ever placed with other content.
  staged stage_file(source_job_t& job, const std::string& origin, const std::string& rel,
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
    auto write_failed = [&] {
      error(_("Failed to write file %s."), shown(job, rel));
      return staged::failed;
    };
    if (!out.ok()) return write_failed();
    auto drop = [&](bool rebuilt) {
      out.reset();
      ::unlinkat(work_fd, name.c_str(), 0);
      return read_failed(job, rel, rebuilt);
    };
    file_ptr basis(share::open(origin, "rb"));
    if (!basis) return drop(false);
    if (chain.empty()) {
      copied result = copy_stream(basis.get(), out.get());
      if (result == copied::read_failed) return drop(false);
      if (result == copied::write_failed) return write_failed();
    } else {
      for (size_t i = 0; i < chain.size(); ++i) {
        file_ptr delta(share::open(chain[i], "rb"));
        if (!delta) return drop(true);
        bool final_step = i + 1 == chain.size();
        file_ptr result(final_step ? ::fdopen(::dup(out.get()), "wb") : scratch_file(work_fd));
        if (!result) return write_failed();
        rs_result rc = rs_patch_file(basis.get(), delta.get(), result.get(), nullptr);
        if (std::fflush(result.get()) != 0 || std::ferror(result.get())) return write_failed();
        if (rc != RS_DONE || std::ferror(basis.get()) || std::ferror(delta.get())) {
          daemon_print(3, "patch %s failed: %s\n", chain[i].c_str(), rs_strerror(rc));
          return drop(true);
        }
        if (final_step) {
          if (std::fclose(result.release()) != 0) return write_failed();
        } else {
          std::rewind(result.get());
          basis = std::move(result);
        }
      }
    }
    const entry_attributes_t* a = recorded(job, rel);
    struct stat st;
    if (::fstat(out.get(), &st) != 0) return write_failed();
    if (a != nullptr && static_cast<int64_t>(st.st_size) != a->size) return drop(true);
    if (!give(job, out.get(), a, rel, false) || out.close() != 0) return write_failed();
    return staged::ok;
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
    // Nothing of a source whose copy is missing from the tree is restored: its target stays.
    if (job.damaged.count("") != 0) return true;
    int parent = job.parent_fd.get();
    folder_chain work = folder_chain::from(parent);
    if (!work.enter(job.work)) return fail_dir(job.parent + "/" + job.work);
    struct stat st;
    bool present = ::fstatat(parent, job.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!present && errno != ENOENT) return fail_dir(job.target);
    bool is_folder = present && S_ISDIR(st.st_mode);
    bool made = false;

    // The whole target is exchanged in one rename when nothing in it must stay: what is
    // there goes aside. Entries of the version that are damaged keep what the target holds
    // at their place, and folders that the guard keeps stay where they are: then the
    // target is merged entry by entry.
    if (!is_folder ||
        (exact_ && job.damaged.empty() && !holds_guarded(parent, job.name, job.target))) {
      // A folder that was there keeps its owner and mode; a new one gets the source
      // folder's.
      bool given = is_folder ? ::fchown(work.fd(), st.st_uid, st.st_gid) == 0 &&
                                   ::fchmod(work.fd(), st.st_mode & 07777) == 0
                             : give(job, work.fd(), recorded(job, ""), "", true);
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
    folder_chain target = folder_chain::from(parent);
    if (!target.enter(job.name)) return fail_dir(job.target);
    if (!merge(j, work, target, "")) return false;
    if (made) {
      job.placed_new = true;
      if (!give(job, target.fd(), recorded(job, ""), "", true)) return fail_dir(job.target);
    }
    return true;
  }

  // Moves the entries of the work folder at `w` into the target folder at `t`.
  bool merge(size_t j, folder_chain& w, folder_chain& t, const std::string& rel) {
    source_job_t& job = jobs_[j];
    std::vector<std::string> names;
    if (w.fd() < 0 || t.fd() < 0 || !list_at(w.fd(), &names)) return fail_dir(shown(job, rel));
    const std::vector<std::string> dir = t.names();
    std::set<std::string> version_names(names.begin(), names.end());
    for (const std::string& name : names) {
      std::string r = join_rel(rel, name);
      int work_fd = w.fd();
      int target_fd = t.fd();
      struct stat ws;
      struct stat ts;
      if (work_fd < 0 || target_fd < 0 ||
          ::fstatat(work_fd, name.c_str(), &ws, AT_SYMLINK_NOFOLLOW) != 0) {
        return fail_dir(shown(job, r));
      }
      bool present = ::fstatat(target_fd, name.c_str(), &ts, AT_SYMLINK_NOFOLLOW) == 0;
      if (!present && errno != ENOENT) return fail_dir(shown(job, r));
      if (S_ISDIR(ws.st_mode) && present && S_ISDIR(ts.st_mode)) {
        if (!t.enter(name)) return fail_dir(shown(job, r));
        struct stat here;
        if (::fstat(t.fd(), &here) != 0 || guard_.guarded(t.fd(), here)) {
          note_guarded(shown(job, r));
          t.leave();
          continue;
        }
        if (!w.enter(name)) return fail_dir(shown(job, r));
        bool ok = merge(j, w, t, r);
        w.leave();
        t.leave();
        if (!ok) return false;
        continue;
      }
      // A file, a link or anything else where the version has an entry goes aside (a link
      // is never followed); then the version's entry is moved in. A folder that is or holds
      // one that the guard keeps stays, and the version's entry is not placed.
      if (present && S_ISDIR(ts.st_mode) && holds_guarded(target_fd, name, shown(job, r))) {
        continue;
      }
      if (present && !move_aside(j, target_fd, dir, name)) return fail_dir(shown(job, r));
      if (::renameat(work_fd, name.c_str(), target_fd, name.c_str()) == 0) {
        note(change_t::placed, j, dir, name);
        crash_point("restore.placed");
        continue;
      }
      if (errno != EXDEV) return fail_dir(shown(job, r));
      if (S_ISDIR(ws.st_mode)) {
        // Another file system: made here and filled entry by entry.
        if (::mkdirat(target_fd, name.c_str(), 0700) != 0) return fail_dir(shown(job, r));
        note(change_t::made_folder, j, dir, name);
        if (!w.enter(name)) return fail_dir(shown(job, r));
        if (!t.enter(name)) {
          w.leave();
          return fail_dir(shown(job, r));
        }
        bool ok = merge(j, w, t, r) && give_like(job, t.fd(), ws);
        w.leave();
        t.leave();
        if (!ok) return fail_dir(shown(job, r));
        continue;
      }
      if (!copy_in(job, work_fd, target_fd, name)) {
        error(_("Failed to write file %s."), shown(job, r));
        return false;
      }
      note(change_t::placed, j, dir, name);
    }
    if (!exact_) return true;
    // Exactly the version: the target's other entries go aside, but for the damaged entries
    // of the version (what is there stays) and folders that the guard keeps.
    int target_fd = t.fd();
    std::vector<std::string> present_names;
    if (target_fd < 0 || !list_at(target_fd, &present_names)) return fail_dir(shown(job, rel));
    for (const std::string& name : present_names) {
      if (version_names.count(name) != 0) continue;
      // What this run put aside stays until the end; what an earlier run cut short left
      // behind is not part of the version and goes too.
      if (own_names_.count(own_key(dir, name)) != 0) continue;
      std::string r = join_rel(rel, name);
      if (job.damaged.count(r) != 0) continue;
      struct stat ts;
      if (::fstatat(target_fd, name.c_str(), &ts, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(ts.st_mode) &&
          holds_guarded(target_fd, name, shown(job, r))) {
        continue;
      }
      if (!move_aside(j, target_fd, dir, name)) return fail_dir(shown(job, rel));
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
    bool ok = copy_stream(stream.get(), out.get()) == copied::ok && give_like(job, out.get(), st) &&
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
  guard_t guard_;
  std::set<std::string> guarded_noted_;  // folders of the guard met, recorded once each
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
  if (!run.plan(path) || !run.check_version() || !run.locate()) {
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
  // Step 6. Entries that the tree could not give back make the run fail; the others stay.
  if (run.damaged()) return failed();
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
