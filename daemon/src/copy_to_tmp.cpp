// The copy of the new and changed files of a source into tmp, and the reverse delta of each
// changed file (backup_file): the copy compares the very bytes it puts into tmp with last's
// copy block by block, and the delta is written from that comparison, or from librsync's
// signature of the new copy when too much differs (see rsync_delta.h).
#include "scan_backup_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <set>
#include <vector>

#include "backup_walk.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "folder_walk.h"
#include "i18n.h"
#include "log.h"
#include "marker_file.h"
#include "share.h"
#include "threads.h"
#include "tree_session.h"
#include "unique_fd.h"

namespace share = tessaly::share;
using namespace backup_walk;

namespace {

using tessaly::file_ptr;

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

int record_time(const backup_context_t& ctx, const std::string& rel, const std::string& time) {
  return search_file_time_db(rel.c_str(), time.c_str(), ctx.source.table.c_str(), false) < 0 ? -1 : 0;
}

// The largest file whose bytes are compared with last's copy before it is copied (see
// copy_one_file): reading a small file twice costs less than a copy, a delta and a move.
constexpr int64_t kCompareFirstLimit = 1 << 20;

// True when `a` and `b` hold the same `size` bytes and nothing more. Both are read from
// their current position, which must be their start; false on a read error.
bool same_bytes(FILE* a, FILE* b, int64_t size) {
  std::vector<char> x(static_cast<size_t>(size) + 1);
  std::vector<char> y(x.size());
  size_t got_a = std::fread(x.data(), 1, x.size(), a);
  size_t got_b = std::fread(y.data(), 1, y.size(), b);
  if (std::ferror(a) || std::ferror(b)) return false;
  return got_a == static_cast<size_t>(size) && got_b == got_a &&
         std::memcmp(x.data(), y.data(), got_a) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The copy into tmp, with the deltas.
// ---------------------------------------------------------------------------------------

int copy_directory(backup_context_t& ctx, const std::string& source_text,
                   const std::string& target, bool use_marker, bool skip_links,
                   const std::string& marker, const std::string& last_dir,
                   const std::string& version_dir) {
  std::string source = walk_root(source_text);
  struct stat st;
  int found = ctx.source.root_is_link ? ::stat(source.c_str(), &st) : ::lstat(source.c_str(), &st);
  if (found != 0 || !S_ISDIR(st.st_mode)) {
    daemon_print(0, "copy %s\n", source.c_str());
    // The source went away after its scan: nothing of it reaches tmp, and the next run
    // tries again.
    run_log(ctx, MSG_LEVEL_ERROR, _("Failed to open file %s."), source);
    ++ctx.tally.skipped;
    return 1;
  }
  ctx.source.source_device = st.st_dev;
  if (ctx.source.to_copy_complete && skip_links) {
    return copy_listed(ctx, source, target, last_dir, version_dir);
  }
  return copy_directory_core(ctx, source, target, true, source_prefix_length(source),
                             use_marker, skip_links, marker, last_dir, version_dir);
}

namespace {

// After a failed write to the tree: false (and the run ends) when the destination no longer
// answers; true when the failure concerns this one entry.
bool entry_failure_only(backup_context_t& ctx) {
  if (destination_reachable(*ctx.config.dest, ctx.config.base)) return true;
  ctx.tally.destination_lost = true;
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
  std::string parent = ctx.source.table + (slash == std::string::npos ? "" : "/" + rel.substr(0, slash));
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
  for (; made < ctx.source.pending_folders.size(); ++made) {
    const auto& [path, rel] = ctx.source.pending_folders[made];
    if (make_tree_folder(*ctx.config.dest, path) != 0) {
      run_log(ctx, MSG_LEVEL_ERROR, _("Failed to write directory %s."), path);
      ++ctx.tally.skipped;
      ok = false;
      break;
    }
    note_in_tmp(ctx, rel, share::kind::folder);
  }
  // Made folders leave the list (the walk pops only a folder still at its end).
  ctx.source.pending_folders.erase(ctx.source.pending_folders.begin(),
                            ctx.source.pending_folders.begin() + static_cast<long>(made));
  return ok;
}

// Makes the folder `rel` of the version, and those above it that are missing, for a delta
// that goes into it: the version holds folders only where deltas are. The folders on the way
// to the one made last are there (the walk never comes back to a folder it left); the others
// are made outermost first. False when one cannot be made.
bool make_version_folder(backup_context_t& ctx, const std::string& version_dir,
                         const std::string& rel) {
  const std::string& made = ctx.source.version_folder;
  auto is_made = [&](size_t end) {
    return made.compare(0, end, rel, 0, end) == 0 && (made.size() == end || made[end] == '/');
  };
  for (size_t end = 0; end < rel.size();) {
    size_t slash = rel.find('/', end + 1);
    end = slash == std::string::npos ? rel.size() : slash;
    if (made.size() >= end && is_made(end)) continue;
    if (make_tree_folder(*ctx.config.dest, version_dir + "/" + rel.substr(0, end)) != 0) return false;
  }
  ctx.source.version_folder = rel;
  return true;
}

// Records the time of a file whose copy began at `copy_began` (or forgets it when the file
// may have been written again within that second; `stored` is what file_time.db held before,
// a FILE_TIME_ answer). 1, or 0 when the run must end.
int record_copied(const backup_context_t& ctx, const struct stat& st, const std::string& rel,
                  const std::string& time, int stored, int64_t copy_began) {
  bool timed = !time.empty();
  if (timed && !racy(st, copy_began) && record_time(ctx, rel, time) != 0) {
    // The run's file times are one transaction; a failed write may have ended it.
    return 0;
  }
  if (timed && racy(st, copy_began) && stored != FILE_TIME_NEW &&
      forget_file_time(rel.c_str(), ctx.source.table.c_str(), false) != 0) {
    return 0;
  }
  crash_point("copy.recorded");
  return 1;
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
  if (stored == FILE_TIME_SAME && ctx.source.resized.count(rel) == 0) return 1;
  std::string target = target_root + "/" + rel;
  std::string last_file = last_dir + "/" + rel;
  tree_entry last_type = tree_entry::none;
  file_ptr old;  // last's copy, when opened to find out what last holds
  bool recorded = false;
  if (ctx.config.n != 1) {
    auto known = ctx.source.last_types.find(rel);
    last_type = known != ctx.source.last_types.end() ? known->second
                                                     : tree_type(*ctx.config.dest, last_file);
    recorded = last_type == tree_entry::recorded_file;
    if (recorded) {
      // The open that the delta needs tells whether last holds the file.
      old.reset(ctx.config.dest->open(last_file, "rb", 0));
      if (old) {
        last_type = tree_entry::file;
      } else if (errno == ENOENT || errno == ENOTDIR) {
        last_type = tree_entry::none;
      } else {
        last_type = tree_type(*ctx.config.dest, last_file);
        if (last_type == tree_entry::folder || last_type == tree_entry::other) {
          // Not the file its recorded time stands for, and the scan kept nothing aside:
          // left for the next run, whose scan looks the name up (its time is forgotten).
          run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
          ++ctx.tally.skipped;
          return forget_file_time(rel.c_str(), ctx.source.table.c_str(), false) == 0 ? 1 : 0;
        }
      }
    }
    if (last_type == tree_entry::unknown) return entry_failure_only(ctx) ? 1 : 0;
    // A folder of that name in last (a type change): the file is copied as what it is now,
    // without a delta; the folder is kept for the older versions by the move into last.
  }

  int64_t copy_began = coarse_now();
  bool with_delta = ctx.config.n != 1 && last_type == tree_entry::file;
  file_ptr in;
  // A file of last without a recorded time was mostly copied before with its time left
  // unrecorded (written within the second of its copy, or dated ahead of the clock), and
  // holds what last's copy holds: a small one is compared first, and when its bytes are
  // last's it is not copied again (last's copy stands for this version too).
  if (with_delta && stored == FILE_TIME_NEW && st.st_size <= kCompareFirstLimit) {
    if (!old) old.reset(ctx.config.dest->open(last_file, "rb", 0));
    in.reset(tessaly::open_file_at(AT_FDCWD, path));
    if (in && old && same_bytes(in.get(), old.get(), static_cast<int64_t>(st.st_size))) {
      return record_copied(ctx, st, rel, time, stored, copy_began);
    }
    if (in && std::fseek(in.get(), 0, SEEK_SET) != 0) in.reset();  // opened again below
    if (old && std::fseek(old.get(), 0, SEEK_SET) != 0) old.reset();
  }
  if (!make_pending_folders(ctx)) return entry_failure_only(ctx) ? 1 : 0;
  crash_point("copy.file");
  int64_t bytes = 0;
  // A changed file's reverse delta comes from comparing the bytes as they are written with
  // last's copy, not from reading the new copy back.
  if (with_delta && !old) old.reset(ctx.config.dest->open(last_file, "rb", 0));
  // Without last's copy the comparison fails, and with it the delta, below.
  std::unique_ptr<block_comparison> cmp;
  if (with_delta) cmp = std::make_unique<block_comparison>(old.get());
  copy_status copied = copy_status::source_error;
  if (!in) in.reset(tessaly::open_file_at(AT_FDCWD, path));
  if (in) copied = copy_file(*ctx.config.dest, in.get(), target, &bytes, cmp.get());
  in.reset();
  if (copied != copy_status::ok) {
    rm_file(*ctx.config.dest, target);
    if (copied == copy_status::source_error) {
      // Vanished or unreadable: not recorded, so the next run tries again.
      run_log(ctx, MSG_LEVEL_WARNING, _("Failed to open file %s."), path);
    } else {
      if (!entry_failure_only(ctx)) return 0;
      run_log(ctx, MSG_LEVEL_ERROR, _("Failed to write file %s."), target);
    }
    ++ctx.tally.skipped;
    return 1;
  }

  if (with_delta) {
    crash_point("copy.delta");
    std::string version_file = version_dir + "/" + rel;
    size_t slash = rel.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : rel.substr(0, slash);
    int delta = -1;
    if (make_version_folder(ctx, version_dir, folder)) {
      delta = backup_file(*ctx.config.dest, *cmp, old.get(), target, version_file);
    }
    old.reset();
    if (delta != 0) {
      // Without its delta the new copy must not reach last: the older versions of the file
      // would be lost. last keeps its copy and the next run tries again.
      bool removed =
          rm_file(*ctx.config.dest, version_file + kDeltaEnding) == 0 && rm_file(*ctx.config.dest, target) == 0;
      if (!removed || !entry_failure_only(ctx)) {
        ctx.tally.destination_lost = !removed || ctx.tally.destination_lost;
        return 0;
      }
      if (g_ascii_strcasecmp(name.c_str(), ".DS_Store") != 0) {
        run_log(ctx, MSG_LEVEL_ERROR, _("Failed to generate backup file for %s."), path);
        ++ctx.tally.skipped;
      }
      // Whatever last holds in its place, the next run's scan looks it up.
      if (recorded && forget_file_time(rel.c_str(), ctx.source.table.c_str(), false) != 0) return 0;
      return 1;
    }
  }
  if (last_type == tree_entry::file && ctx.hints.replaced.size() < swap_hints_t::kKnownLimit) {
    ctx.hints.replaced.insert(ctx.source.table + "/" + rel);
  }
  if (!ctx.config.direct) note_in_tmp(ctx, rel, share::kind::file);
  return record_copied(ctx, st, rel, time, stored, copy_began);
}

}  // namespace

int copy_listed(backup_context_t& ctx, const std::string& source, const std::string& target_root,
                const std::string& last_dir, const std::string& version_dir) {
  // The folders from the source folder down to the one of the current entry, as the walk
  // would have entered them; those not made yet wait in pending_folders as the walk leaves
  // them there.
  std::vector<std::string> entered;
  std::string unmade;  // a folder that could not be made: nothing below it is copied
  auto within = [](const std::string& rel, const std::string& folder) {
    return rel.size() > folder.size() && rel.compare(0, folder.size(), folder) == 0 &&
           rel[folder.size()] == '/';
  };
  std::vector<std::pair<std::string, std::string>>& pending = ctx.source.pending_folders;
  for (const source_state_t::copy_item& item : ctx.source.to_copy) {
    if (ctx.config.stop.stop_requested()) break;
    if (!unmade.empty() && within(item.rel, unmade)) continue;
    size_t slash = item.rel.rfind('/');
    std::string folder = item.folder ? item.rel
                         : slash == std::string::npos ? std::string()
                                                      : item.rel.substr(0, slash);
    while (!entered.empty() && folder != entered.back() && !within(folder, entered.back())) {
      if (!pending.empty() && pending.back().second == entered.back()) pending.pop_back();
      entered.pop_back();
    }
    for (size_t from = entered.empty() ? 0 : entered.back().size() + 1; from < folder.size();) {
      size_t end = folder.find('/', from);
      if (end == std::string::npos) end = folder.size();
      entered.push_back(folder.substr(0, end));
      pending.emplace_back(target_root + "/" + entered.back(), entered.back());
      from = end + 1;
    }
    if (item.folder) {
      if (!make_pending_folders(ctx)) {
        if (!entry_failure_only(ctx)) return 0;
        pending.clear();
        unmade = item.rel;
      }
      continue;
    }
    std::string path = entry_path(source, item.rel);
    struct stat st;
    // Gone since the scan, or no longer a file: left for the next run.
    if (classify(ctx, path, &st) != entry_kind::file) continue;
    std::string name = slash == std::string::npos ? item.rel : item.rel.substr(slash + 1);
    if (copy_one_file(ctx, st, path, item.rel, name, target_root, last_dir, version_dir) == 0) {
      return 0;
    }
  }
  pending.clear();
  return 1;
}

int copy_directory_core(backup_context_t& ctx, const std::string& folder,
                        const std::string& target_root, bool recursive, size_t L,
                        bool use_marker, bool skip_links, const std::string& marker,
                        const std::string& last_dir, const std::string& version_dir) {
  if (ctx.config.stop.stop_requested()) return 1;
  bool top_level = is_source_folder(folder, L);
  std::vector<std::string> names;
  if (!tessaly::list_folder(AT_FDCWD, folder, top_level && ctx.source.root_is_link, &names)) {
    // Unreadable since the scan: what it holds is left for the next run (a path too long
    // was counted by the scan already).
    if (errno != ENAMETOOLONG) {
      run_log(ctx, MSG_LEVEL_WARNING, _("Failed to open file %s."), folder);
      ++ctx.tally.skipped;
    }
    return 1;
  }
  std::set<std::string> seen;
  for (const std::string& name : names) {
    if (ctx.config.stop.stop_requested()) break;
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
    if (use_marker && ctx.source.taken->get_marker_db_status(rel.c_str()) != 0) {
      continue;
    }

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
    if (!ctx.config.direct) {
      ctx.source.pending_folders.emplace_back(target, rel);
      if (ctx.source.type_changed.count(rel) != 0) {
        if (!make_pending_folders(ctx)) {
          if (!entry_failure_only(ctx)) return 0;
          ctx.source.pending_folders.clear();
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
    if (pending && !ctx.source.pending_folders.empty() && ctx.source.pending_folders.back().first == target) {
      ctx.source.pending_folders.pop_back();
    }
  }
  return 1;
}

int backup_file(share::destination& d, const block_comparison& cmp, FILE* old,
                const std::string& newer, const std::string& version) {
  if (old == nullptr || cmp.failed()) {
    daemon_print(3, "delta %s failed: last's copy unreadable\n", version.c_str());
    return -1;
  }
  std::string delta = version + kDeltaEnding;
  FILE* out = d.open(delta, "wb", 0660);
  if (out == nullptr) {
    daemon_print(3, "open file %s error\n", delta.c_str());
    return -1;
  }
  int rc = -1;
  if (cmp.close_enough()) {
    rc = copytool_block_delta(cmp, out);
  } else {
    file_ptr copy(d.open(newer, "rb", 0));
    if (copy) rc = copytool_delta_of(old, copy.get(), out);
  }
  if (std::fclose(out) != 0) rc = -1;
  if (rc != 0) {
    daemon_print(3, "delta %s failed\n", delta.c_str());
    rm_file(d, delta);
  }
  return rc;
}
