// The move of tmp into last at the end of a backup, also finished by the repair of a run cut
// short in it (see scan_backup_folder.h: scan_folder_swap).
#include "scan_backup_folder.h"

#include <algorithm>
#include <cerrno>

#include "backup_walk.h"
#include "crash_point.h"
#include "db_sql_sqlite3.h"
#include "log.h"
#include "share.h"

namespace share = tessaly::share;
using namespace backup_walk;

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
bool keep_aside(share::destination& d, const std::string& entry, const std::string& kept, const std::string& rel,
                bool was_folder) {
  std::string place = kept + "/" + rel;
  if (tree_type(d, place) != tree_entry::none) {
    daemon_print(0, "kept %s is taken\n", place.c_str());
    return false;
  }
  size_t slash = place.rfind('/');
  if (share::mkdirs(d, place.substr(0, slash), 0700) != 0) return false;
  if (d.rename(entry, place) != 0) return false;
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
int move_entries(share::destination& d, const std::string& root, const std::string& folder, const std::string& to,
                 size_t L, const std::string& kept, const swap_hints_t* hints,
                 std::vector<share::entry_t>* listed);

}  // namespace

int scan_folder_swap(share::destination& d, const std::string& from, const std::string& to, const std::string& kept,
                     const swap_hints_t* hints) {
  if (tree_type(d, from) != tree_entry::folder || tree_type(d, to) != tree_entry::folder) return 0;
  return scan_folder_swap_core(d, from, from, to, from.size() + 1, kept, hints);
}

int scan_folder_swap_core(share::destination& d, const std::string& root, const std::string& folder,
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
  } else if (d.list(folder, &entries) != 0) {
    return 0;
  }
  if (move_entries(d, root, folder, to, L, kept, hints, &entries) == 0) return 0;
  if (folder == root) return 1;
  // Everything of it is in last now: the empty folder goes, so that the removal of tmp does
  // not list it again.
  if (d.rmdir(folder) == 0) return 1;
  if (known == nullptr) return 1;  // not empty: left for the removal of tmp
  // More than the run knew of is in it: listed and moved all the same.
  if (d.list(folder, &entries) != 0) return 0;
  if (move_entries(d, root, folder, to, L, kept, hints, &entries) == 0) return 0;
  d.rmdir(folder);
  return 1;
}

namespace {

int move_entries(share::destination& d, const std::string& root, const std::string& folder, const std::string& to,
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
    tree_entry from_type = e.type == share::kind::folder ? tree_entry::folder
                           : e.type == share::kind::file ? tree_entry::file
                                                         : tree_type(d, from);
    if (from_type == tree_entry::folder) {
      // Mostly last has the folder already: asked first (when the run does not know it),
      // made only when missing.
      bool known = hints != nullptr && hints->folders.count(rel) != 0;
      tree_entry target_type = known ? tree_entry::folder : tree_type(d, target);
      if (target_type == tree_entry::unknown) return 0;
      if (target_type == tree_entry::none) {
        if (make_tree_folder(d, target) != 0) return 0;
      } else if (target_type != tree_entry::folder) {
        // last holds a file of that name: kept for the older versions (or, in a run that
        // keeps none, removed).
        bool cleared = kept.empty() ? share::remove_tree(d, target) == 0
                                    : keep_aside(d, target, kept, rel, false);
        if (!cleared || make_tree_folder(d, target) != 0) return 0;
      }
      if (scan_folder_swap_core(d, root, from, to, L, kept, hints) == 0) return 0;
      continue;
    }
    if (from_type != tree_entry::file) continue;
    crash_point("swap.file");
    bool known = hints != nullptr && hints->replaced.count(rel) != 0;
    if ((known ? d.replace(from, target) : d.rename(from, target)) == 0) {
      crash_point("swap.renamed");
      continue;
    }
    tree_entry target_type = tree_type(d, target);
    if (target_type == tree_entry::unknown) return 0;
    if (target_type == tree_entry::folder || target_type == tree_entry::other) {
      bool cleared = kept.empty() ? share::remove_tree(d, target) == 0
                                  : keep_aside(d, target, kept, rel, target_type == tree_entry::folder);
      if (cleared && d.rename(from, target) == 0) {
        crash_point("swap.renamed");
        continue;
      }
      if (!cleared) return 0;
    }
    daemon_print(0, "rename %s to %s error\n", from.c_str(), target.c_str());
    std::string part = root + "/" + kSwapPart;
    int64_t bytes = 0;
    if (copy_file(d, from, part, &bytes) != copy_status::ok ||
        d.rename(part, target) != 0) {
      daemon_print(0, "copy_file %s to %s error\n", from.c_str(), target.c_str());
      d.unlink(part);
      return 0;
    }
    if (rm_file(d, from) != 0) return 0;
  }
  return 1;
}

}  // namespace
