// Symbolic links in source folders and restore targets (see links.h).
#include "links.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "marker_file.h"
#include "log.h"

namespace {

bool is_link(const char* path) {
  struct stat st;
  return path != nullptr && ::lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
}

int link_text(const char* path, std::string* out) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = ::readlink(path, buffer.data(), buffer.size());
    if (n < 0) return -1;
    if (static_cast<size_t>(n) < buffer.size()) {
      out->assign(buffer.data(), static_cast<size_t>(n));
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void strip_trailing_separators(std::string* text, bool all) {
  while (text->size() > 1 && text->back() == '/') {
    text->pop_back();
    if (!all) break;
  }
}

int make_link(const char* target, int dirfd, const char* name, const char* what) {
  if (target == nullptr || name == nullptr || *target == '\0' || *name == '\0') {
    errno = EINVAL;
    return -1;
  }
  if (::symlinkat(target, dirfd, name) != 0) {
    daemon_print(3, "Create %s %s failed. Error code %ld\n", what, name,
                 static_cast<long>(errno));
    return -1;
  }
  return 0;
}

}  // namespace

bool is_junction_dir(const char* path) {
  if (!is_link(path)) return false;
  std::string target;
  if (link_text(path, &target) != 0 || target.empty() || target[0] != '/') return false;
  struct stat st;
  if (::stat(path, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  daemon_print(0, "is_junction_dir %s link to %s\n", path, target.c_str());
  return true;
}

int read_junction(const char* path, std::string* out) {
  if (out == nullptr || !is_junction_dir(path)) return -1;
  if (link_text(path, out) != 0) return -1;
  int length = static_cast<int>(out->size()) + 1;
  strip_trailing_separators(out, true);
  return length;
}

int create_junction(const char* target, int dirfd, const char* name) {
  return make_link(target, dirfd, name, "junction");
}

bool is_win_symbolic(const char* path) {
  if (!is_link(path) || is_junction_dir(path)) return false;
  daemon_print(0, "is_win_symbolic Symbolic link %s\n", path);
  return true;
}

bool is_symbolic(const char* path) { return is_win_symbolic(path); }

int read_symbolic(const char* path, std::string* out) {
  if (out == nullptr || !is_link(path) || link_text(path, out) != 0) return -1;
  strip_trailing_separators(out, false);
  return 0;
}

int create_symbolic(const char* target, int dirfd, const char* name) {
  return make_link(target, dirfd, name, "symbolic link");
}

int remove_symbolic(tessaly::share::destination& d, const char* path) {
  if (path == nullptr) return -1;
  return d.unlink(path);
}

int backup_junction(const char* marker, const char* path) {
  if (path == nullptr || path[0] != '/' || !is_junction_dir(path)) return 0;
  std::string target;
  if (read_junction(path, &target) < 0) {
    daemon_print(3, "read_junction failed");
    return 0;
  }
  return create_marker_db(marker, path, target.c_str(), MARKER_JUNCTION) == 0 ? 1 : -1;
}

int backup_symbolic(const char* marker, const char* path) {
  if (!is_symbolic(path)) return -1;
  std::string target;
  if (read_symbolic(path, &target) != 0) return -1;
  return create_marker_db(marker, path, target.c_str(), MARKER_SYMBOLIC_LINK) == 0 ? 0 : -2;
}
