// The restore's exchange: the work folders moved into the targets with renames only, what
// they replace put aside and removed after success or put back otherwise, and the version's
// links and folder times given (see restore.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "crash_point.h"
#include "i18n.h"
#include "links.h"
#include "log.h"
#include "restore_run.h"
#include "share.h"
#include "tree_files.h"

namespace share = tessaly::share;

namespace restore_detail {

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

// Moves the work folders into the targets (local renames only).
bool restore_run::apply() {
  for (size_t j = 0; j < jobs_.size(); ++j) {
    if (!apply_one(j)) return false;
    crash_point("restore.applied");
  }
  return true;
}

// The version's links, inside the targets only; never over an existing entry.
void restore_run::make_links() {
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
      int made = row.kind == MARKER_JUNCTION
                     ? create_junction(row.target.c_str(), dir.get(), link_name.c_str())
                     : create_symbolic(row.target.c_str(), dir.get(), link_name.c_str());
      if (made != 0) continue;
      const entry_attributes_t* a = recorded(job, rel);
      if (a != nullptr && root_) {
        ::fchownat(dir.get(), link_name.c_str(), static_cast<uid_t>(a->uid),
                   static_cast<gid_t>(a->gid), AT_SYMLINK_NOFOLLOW);
      } else if (a == nullptr) {
        ::fchownat(dir.get(), link_name.c_str(), job.owner.uid, job.owner.gid, AT_SYMLINK_NOFOLLOW);
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
void restore_run::finish() {
  for (const change_t& c : changes_) {
    if (c.op != change_t::aside) continue;
    unique_fd dir = open_below(jobs_[c.job].parent_fd.get(), c.dir);
    if (!dir.ok() || !remove_tree_at(dir.get(), c.aside_name, guard_.keep())) {
      daemon_print(0, "remove %s error\n", c.aside_name.c_str());
    }
  }
  changes_.clear();
  remove_work_folders();
  crash_point("restore.done");
}

// After a failure or a stop: every change is undone in reverse order, the work folders
// and the parent folders this run made go.
void restore_run::undo() {
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
void restore_run::give_folder_times() {
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
      while (common < at.size() && common < components.size() && at[common] == components[common]) {
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

void restore_run::note(change_t::op_t op, size_t job, const std::vector<std::string>& dir,
                       const std::string& name, const std::string& aside_name) {
  changes_.push_back({op, job, dir, name, aside_name});
}

std::string restore_run::own_key(const std::vector<std::string>& dir, const std::string& name) {
  std::string key;
  for (const std::string& d : dir) key += d + "/";
  return key + name;
}

bool restore_run::move_aside(size_t j, int dirfd, const std::vector<std::string>& dir,
                             const std::string& name) {
  std::string aside;
  if (!rename_aside(dirfd, name, own_prefix_, &aside_counter_, &aside)) return false;
  own_names_.insert(own_key(dir, aside));
  note(change_t::aside, j, dir, name, aside);
  crash_point("restore.aside");
  return true;
}

bool restore_run::apply_one(size_t j) {
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
bool restore_run::merge(size_t j, folder_chain& w, folder_chain& t, const std::string& rel) {
  source_job_t& job = jobs_[j];
  std::vector<std::string> names;
  if (w.fd() < 0 || t.fd() < 0 || !list_folder(w.fd(), ".", false, &names))
    return fail_dir(shown(job, rel));
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
  if (target_fd < 0 || !list_folder(target_fd, ".", false, &present_names))
    return fail_dir(shown(job, rel));
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
bool restore_run::copy_in(const source_job_t& job, int work_fd, int target_fd,
                          const std::string& name) {
  file_ptr stream(tessaly::open_file_at(work_fd, name));
  struct stat st;
  if (!stream || ::fstat(::fileno(stream.get()), &st) != 0) return false;
  std::string part = own_prefix_ + std::to_string(aside_counter_++) + ".part";
  unique_fd out(::openat(target_fd, part.c_str(),
                         O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!out.ok()) return false;
  file_ptr copy(::fdopen(::dup(out.get()), "wb"));
  int64_t bytes = 0;
  bool ok = copy && copy_file(stream.get(), copy.get(), &bytes) == copy_status::ok &&
            std::fclose(copy.release()) == 0 && give_like(job, out.get(), st) && out.close() == 0 &&
            ::renameat(target_fd, part.c_str(), target_fd, name.c_str()) == 0;
  if (!ok) ::unlinkat(target_fd, part.c_str(), 0);
  return ok;
}

void restore_run::remove_work_folders() {
  for (source_job_t& job : jobs_) {
    if (!job.work_made || !job.parent_fd.ok()) continue;
    if (!remove_tree_at(job.parent_fd.get(), job.work)) {
      daemon_print(0, "rm temp1 %s\n", (job.parent + "/" + job.work).c_str());
    }
    job.work_made = false;
  }
}

}  // namespace restore_detail
