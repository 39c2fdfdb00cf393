// The restore's targets: named from the task's sources and the chosen folder, checked, and
// reached from "/" one name at a time without a link that the rules refuse (see restore.h).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "configuration.h"
#include "crash_point.h"
#include "i18n.h"
#include "log.h"
#include "paths.h"
#include "restore_run.h"
#include "restore.h"
#include "share.h"
#include "tree_files.h"

namespace share = tessaly::share;

namespace restore_detail {

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
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
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

// The targets named and the chosen folder checked; no change is made.
bool restore_run::plan(const char* chosen) {
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
  for (const std::string& t : configured_local_trees(tree_.base)) guard_.add(t);
  return true;
}

// Each target reached from "/" without a link that its rules refuse, outside every folder
// the guard keeps; no change is made.
bool restore_run::locate() {
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

// How the way to a job's target is walked: a link is followed when it is root's, or when
// it is the source folder's owner's (as the backup recorded it) and leads to a folder of
// that user; a folder that the guard keeps is never a target nor on the way to one.
walk_rules_t restore_run::rules_for(const source_job_t& job) {
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

std::string restore_run::reached_path(const walk_end_t& end) {
  std::string path = end.path == "/" ? "" : end.path;
  for (const std::string& m : end.missing) path += "/" + m;
  return path.empty() ? "/" : path;
}

// A folder that the guard keeps, met on the way: one record for each.
void restore_run::note_guarded(const std::string& path) {
  if (!guarded_noted_.insert(path).second) return;
  daemon_print(0, "restore leaves %s untouched\n", path.c_str());
  log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_WARNING,
                     _("%s is a task folder or the service's configuration folder: the "
                       "restore leaves it untouched."),
                     path.c_str());
}

// True when the folder `name` in `dirfd` is or holds a folder that the guard keeps (noted);
// other file systems inside it are not entered.
bool restore_run::holds_guarded(int dirfd, const std::string& name, const std::string& path) {
  folder_chain chain = folder_chain::from(dirfd);
  struct stat st;
  if (!chain.enter(name) || ::fstat(chain.fd(), &st) != 0) return false;
  return holds_guarded_in(chain, path, st.st_dev);
}

bool restore_run::holds_guarded_in(folder_chain& chain, const std::string& path, dev_t device) {
  int fd = chain.fd();
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0) return false;
  if (guard_.guarded(fd, st)) {
    note_guarded(path);
    return true;
  }
  std::vector<std::string> names;
  list_folder(fd, ".", false, &names);
  for (const std::string& n : names) {
    fd = chain.fd();
    if (fd < 0 || ::fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_dev != device || !chain.enter(n)) {
      continue;
    }
    bool found = holds_guarded_in(chain, path + "/" + n, device);
    chain.leave();
    if (found) return true;
  }
  return false;
}

// Opens (making when missing) the target's parent folder the way locate() reached it, and
// finds the owner that the restored entries get: the target's own when it is a folder,
// else its parent's.
bool restore_run::open_parent(source_job_t& job) {
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

// The folder at `components` below the job's target, none of them kept by the guard.
unique_fd restore_run::open_inside(const source_job_t& job,
                                   const std::vector<std::string>& components) {
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

}  // namespace restore_detail
