#include "paths.h"

#include <grp.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tessaly {

namespace {

constexpr const char* kGroupName = "tessaly";

// The gid of the "tessaly" group, or -1 when the group does not exist.
gid_t tessaly_gid() {
  struct group grp;
  struct group* result = nullptr;
  char buf[4096];
  if (getgrnam_r(kGroupName, &grp, buf, sizeof buf, &result) != 0 || result == nullptr) {
    return static_cast<gid_t>(-1);
  }
  return result->gr_gid;
}

bool apply_rights(const std::string& path, mode_t with_group, mode_t owner_only) {
  gid_t gid = tessaly_gid();
  if (gid != static_cast<gid_t>(-1) && chown(path.c_str(), static_cast<uid_t>(-1), gid) == 0) {
    return chmod(path.c_str(), with_group) == 0;
  }
  return chmod(path.c_str(), owner_only) == 0;
}

}  // namespace

std::string root_prefix() {
  const char* root = std::getenv("TESSALY_ROOT");
  if (root == nullptr) return {};
  std::string r(root);
  while (!r.empty() && r.back() == '/') r.pop_back();
  return r;
}

std::string system_path(std::string_view absolute) {
  std::string p = root_prefix();
  p.append(absolute);
  return p;
}

std::string config_dir_path() { return system_path("/var/lib/Tessaly/"); }

std::string data_folder_path() { return system_path("/var/lib/Tessaly"); }

std::string lock_file_path() { return system_path("/run/TessalySync.lock"); }

std::string executable_path() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

bool make_folders(const std::string& path, unsigned mode) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  std::string parent = path;
  while (!parent.empty() && parent.back() == '/') parent.pop_back();
  size_t slash = parent.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    if (!make_folders(parent.substr(0, slash), 0755)) return false;
  }
  if (mkdir(path.c_str(), mode) != 0 && errno != EEXIST) return false;
  return true;
}

bool apply_folder_rights(const std::string& path) { return apply_rights(path, 02770, 0700); }

bool apply_file_rights(const std::string& path) { return apply_rights(path, 0660, 0600); }

bool make_config_dir() {
  std::string dir = data_folder_path();
  struct stat st;
  bool existed = stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (!make_folders(dir, 0700)) return false;
  if (!existed) apply_folder_rights(dir);
  return true;
}

}  // namespace tessaly
