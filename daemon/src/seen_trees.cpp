// The trees the service has seen hold a completed version (seen_trees.h).
#include "seen_trees.h"

#include <glib.h>
#include <sys/stat.h>

#include <cerrno>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

#include "configuration.h"
#include "file_write.h"
#include "log.h"
#include "paths.h"
#include "session.h"

namespace {

constexpr char kFileName[] = "TASK_TREES.dat";
constexpr size_t kFileMax = 4 * 1024 * 1024;

using tree_t = std::pair<std::string, std::string>;  // uuid, destination

// Reads and writes of the file never overlap. Taken before session_list_mutex.
std::mutex seen_trees_mutex;

// The configuration folder is made at start-up; it is only named here.
std::string file_path() { return tessaly::config_dir_path() + kFileName; }

bool same_tree(const tree_t& t, const std::string& uuid, const std::string& destination) {
  return g_ascii_strcasecmp(t.first.c_str(), uuid.c_str()) == 0 && t.second == destination;
}

// The remembered trees; none when the file is missing or cannot be read (a line that is not
// "uuid<tab>text" is passed over).
std::vector<tree_t> read_trees() {
  std::vector<tree_t> trees;
  std::string content;
  if (!read_config_file(file_path(), kFileMax, content)) {
    if (errno != ENOENT) daemon_print(3, "can not read %s: %s\n", kFileName, g_strerror(errno));
    return trees;
  }
  std::istringstream lines(content);
  std::string line;
  while (std::getline(lines, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string uuid = line.substr(0, tab);
    if (!is_valid_uuid(uuid.c_str())) continue;
    gchar* destination = g_strcompress(line.substr(tab + 1).c_str());
    trees.emplace_back(std::move(uuid), destination);
    g_free(destination);
  }
  return trees;
}

void write_trees(const std::vector<tree_t>& trees) {
  std::string text;
  for (const tree_t& t : trees) {
    gchar* escaped = g_strescape(t.second.c_str(), nullptr);
    text += t.first + "\t" + escaped + "\n";
    g_free(escaped);
  }
  tessaly::staged_file file(tessaly::config_dir_path() + "_TMP_TREES_XXXXXX");
  if (!file.ok() || !file.write(text, [](int fd) { return fchmod(fd, 0600) == 0; }) ||
      !file.place(file_path(), true)) {
    daemon_print(3, "can not write %s: %s\n", kFileName, g_strerror(errno));
  }
}

// True when the task list holds the task with this first destination. The caller holds
// session_list_mutex.
bool configured(const std::string& uuid, const std::string& destination) {
  for (const session_t& s : session_list) {
    if (g_ascii_strcasecmp(s.uuid.c_str(), uuid.c_str()) == 0 && !s.destinations.empty() &&
        s.destinations.front().path == destination) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool tree_seen(const std::string& uuid, const std::string& destination) {
  std::lock_guard<std::mutex> lock(seen_trees_mutex);
  for (const tree_t& t : read_trees()) {
    if (same_tree(t, uuid, destination)) return true;
  }
  return false;
}

void remember_tree(const std::string& uuid, const std::string& destination) {
  std::lock_guard<std::mutex> lock(seen_trees_mutex);
  {
    std::lock_guard<std::mutex> list_lock(session_list_mutex);
    if (!configured(uuid, destination)) return;
  }
  std::vector<tree_t> trees = read_trees();
  for (const tree_t& t : trees) {
    if (same_tree(t, uuid, destination)) return;
  }
  trees.emplace_back(uuid, destination);
  write_trees(trees);
}

void forget_unconfigured_trees() {
  std::lock_guard<std::mutex> lock(seen_trees_mutex);
  std::vector<tree_t> trees = read_trees();
  std::vector<tree_t> kept;
  {
    std::lock_guard<std::mutex> list_lock(session_list_mutex);
    for (tree_t& t : trees) {
      if (configured(t.first, t.second)) kept.push_back(std::move(t));
    }
  }
  if (kept.size() != trees.size()) write_trees(kept);
}
