// The restore's staging: the version's markers and deltas checked, and every source rebuilt
// into its private work folder from last, the kept folders and the delta chains, each entry
// given what it was at the version (see restore.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "crash_point.h"
#include "i18n.h"
#include "log.h"
#include "restore_run.h"
#include "share.h"
#include "tree_files.h"

namespace share = tessaly::share;

namespace restore_detail {

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

// The files of a version folder that have a reverse delta, by relative path.
bool collect_deltas(share::destination& d, const std::string& dir, const std::string& rel,
                    std::unordered_set<std::string>* out) {
  std::vector<share::entry_t> entries;
  if (d.list(dir, &entries) != 0) return errno == ENOENT && rel.empty();
  const std::string ending = kDeltaEnding;
  for (const share::entry_t& e : entries) {
    std::string r = rel.empty() ? e.name : rel + "/" + e.name;
    if (e.type == share::kind::folder) {
      if (!collect_deltas(d, dir + "/" + e.name, r, out)) return false;
    } else if (r.size() > ending.size() &&
               r.compare(r.size() - ending.size(), ending.size(), ending) == 0) {
      out->insert(r.substr(0, r.size() - ending.size()));
    }
  }
  return true;
}

// The version: its markers and those of every newer version must be there and readable,
// and the deltas of the newer versions are listed.
bool restore_run::check_version() {
  for (source_job_t& job : jobs_) {
    if (!read_marker(tree_.marker(v_, job.k), true, &job.version)) return false;
    for (int r = v_ + 1; r <= n_; ++r) {
      marker_t m;
      if (!read_marker(tree_.marker(r, job.k), false, &m)) return false;
      job.newer.push_back(std::move(m));
      std::unordered_set<std::string> d;
      std::string dir = task_tree_t::source(tree_.version(r), job.k);
      if (!collect_deltas(dest(), dir, "", &d)) {
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
      job.children[slash == std::string::npos ? std::string() : rel.substr(0, slash)].push_back(
          slash == std::string::npos ? rel : rel.substr(slash + 1));
    }
    for (auto& [folder, names] : job.children) std::sort(names.begin(), names.end());
  }
  return true;
}

bool restore_run::read_marker(const std::string& path, bool with_links, marker_t* out) {
  std::string why;
  switch (load_marker(*session_, path, with_links, out, &why)) {
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

// Rebuilds every source into its work folder (reads the tree only).
bool restore_run::stage() {
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

// The entry or a folder above it is damaged (not restored).
bool restore_run::below_damaged(const source_job_t& job, const std::string& rel) {
  if (job.damaged.empty()) return false;
  if (job.damaged.count("") != 0 || job.damaged.count(rel) != 0) return true;
  for (size_t slash = rel.find('/'); slash != std::string::npos; slash = rel.find('/', slash + 1)) {
    if (job.damaged.count(rel.substr(0, slash)) != 0) return true;
  }
  return false;
}

// An entry of the version that the tree cannot give back: one record, and the restore
// goes on without it.
void restore_run::note_damaged(source_job_t& job, const std::string& rel, bool rebuilt) {
  job.damaged.insert(rel);
  if (rebuilt) {
    error(_("%s cannot be rebuilt from the backup, a change of it is missing or damaged: it "
            "is not restored."),
          shown(job, rel));
  } else {
    error(_("The backup holds no copy of %s: it is not restored."), shown(job, rel));
  }
}

// The version's record of an entry, or null (a tree written before attribute_tbl).
const entry_attributes_t* restore_run::recorded(const source_job_t& job, const std::string& rel) {
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
bool restore_run::give(const source_job_t& job, int fd, const entry_attributes_t* a,
                       const std::string& rel, bool folder) const {
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
bool restore_run::give_like(const source_job_t& job, int fd, const struct stat& st) const {
  if (::fchown(fd, root_ ? st.st_uid : job.owner.uid, root_ ? st.st_gid : job.owner.gid) != 0 &&
      !(!root_ && errno == EPERM)) {
    return false;
  }
  if (::fchmod(fd, st.st_mode & 07777) != 0) return false;
  struct timespec t[2] = {st.st_mtim, st.st_mtim};
  return ::futimens(fd, t) == 0;
}

restore_run::origin_t restore_run::origin_of(const source_job_t& job, const std::string& dir,
                                             const std::string& name, const std::string& rel,
                                             int first) {
  origin_t o{dir + "/" + name, first, false};
  for (int r = v_ + 1; r <= first; ++r) {
    if (job.newer[static_cast<size_t>(r - v_ - 1)].kept.count(rel) == 0) continue;
    std::string kept = tree_.version(r) + "/kept/id" + std::to_string(job.k) + "/" + rel;
    share::info_t info;
    if (share::lstat(dest(), kept, &info) != 0) continue;  // the run did not get to move it
    return {kept, r - 1, true};
  }
  return o;
}

// After a read from the tree failed: the restore stops when the destination no longer
// answers; otherwise only the entry is damaged.
staged restore_run::read_failed(source_job_t& job, const std::string& rel, bool rebuilt) {
  if (!destination_reachable(dest(), tree_.base)) {
    error(_("Failed to write file %s."), shown(job, rel));
    return staged::failed;
  }
  note_damaged(job, rel, rebuilt);
  return staged::damaged;
}

// The entries of version v in the folder `rel` (`dir` in the tree) into the work folder
// at the chain. Every entry that v lists must be in the tree as what v recorded; one that
// is not is damaged, and so is the folder itself when the tree has none.
staged restore_run::stage_folder(source_job_t& job, const std::string& dir, const std::string& rel,
                                 folder_chain& work, int first) {
  auto listed = job.children.find(rel);
  if (listed == job.children.end()) return staged::ok;
  std::vector<share::entry_t> entries;
  if (dest().list(dir, &entries) != 0) return read_failed(job, rel, false);
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
      if (share::lstat(dest(), origin.path, &info) == 0) type = info.type;
    } else {
      auto found = in_tree.find(name);
      if (found != in_tree.end()) type = found->second;
    }
    const entry_attributes_t* a = recorded(job, r);
    bool as_folder =
        a != nullptr ? S_ISDIR(static_cast<mode_t>(a->mode)) : type == share::kind::folder;
    bool as_file = a != nullptr ? S_ISREG(static_cast<mode_t>(a->mode)) : type == share::kind::file;
    if ((!as_folder || type != share::kind::folder) && (!as_file || type != share::kind::file)) {
      if (type == share::kind::none && !destination_reachable(dest(), tree_.base)) {
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
staged restore_run::stage_file(source_job_t& job, const std::string& origin, const std::string& rel,
                               int work_fd, const std::string& name, int first) {
  std::vector<std::string> chain;
  for (int r = first; r > v_; --r) {
    size_t i = static_cast<size_t>(r - v_ - 1);
    if (job.newer[i].listed.count(rel) != 0 && job.deltas[i].count(rel) != 0) {
      chain.push_back(task_tree_t::source(tree_.version(r), job.k) + "/" + rel + kDeltaEnding);
    }
  }
  unique_fd out(
      ::openat(work_fd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
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
  file_ptr basis(dest().open(origin, "rb", 0));
  if (!basis) return drop(false);
  if (chain.empty()) {
    file_ptr copy(::fdopen(::dup(out.get()), "wb"));
    if (!copy) return write_failed();
    int64_t bytes = 0;
    copy_status result = copy_file(basis.get(), copy.get(), &bytes);
    if (result == copy_status::source_error) return drop(false);
    if (result == copy_status::target_error || std::fclose(copy.release()) != 0) {
      return write_failed();
    }
  } else {
    for (size_t i = 0; i < chain.size(); ++i) {
      file_ptr delta(dest().open(chain[i], "rb", 0));
      if (!delta) return drop(true);
      bool final_step = i + 1 == chain.size();
      file_ptr result(final_step ? ::fdopen(::dup(out.get()), "wb") : scratch_file(work_fd));
      if (!result) return write_failed();
      int rc = copytool_patch(basis.get(), delta.get(), result.get());
      if (rc == -2) return write_failed();
      if (rc != 0) {
        daemon_print(3, "patch %s failed\n", chain[i].c_str());
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

}  // namespace restore_detail
