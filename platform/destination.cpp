// The destination interface (see destination.h): the wrapper that forwards every call, the
// choice of back-end by the form of the path, and the operations built on the interface that
// are the same for every back-end.
#include "destination.h"

#include <cerrno>

#include "share_backend.h"

namespace tessaly::share {

destination::destination() = default;
destination::~destination() = default;

bool is_smb_path(std::string_view path) {
  return path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
}

std::unique_ptr<destination> connect(const std::string& path, const account_t& account) {
  return is_smb_path(path) ? smb_destination(account) : local_destination();
}

// ---------------------------------------------------------------------------------------
// The wrapper.
// ---------------------------------------------------------------------------------------

destination_wrapper::destination_wrapper(std::unique_ptr<destination> target)
    : target_(std::move(target)) {}

int destination_wrapper::stat(const std::string& path, info_t* out, bool follow) {
  return target_->stat(path, out, follow);
}
int destination_wrapper::mkdir(const std::string& path, unsigned mode) {
  return target_->mkdir(path, mode);
}
int destination_wrapper::list(const std::string& path, std::vector<entry_t>* out) {
  return target_->list(path, out);
}
int destination_wrapper::unlink(const std::string& path) { return target_->unlink(path); }
int destination_wrapper::rmdir(const std::string& path) { return target_->rmdir(path); }
int destination_wrapper::rename(const std::string& from, const std::string& to) {
  return target_->rename(from, to);
}
int destination_wrapper::replace(const std::string& from, const std::string& to) {
  return target_->replace(from, to);
}
FILE* destination_wrapper::open(const std::string& path, const char* mode, unsigned permissions) {
  return target_->open(path, mode, permissions);
}
std::unique_ptr<file> destination_wrapper::open_file(const std::string& path, int flags,
                                                     unsigned permissions) {
  return target_->open_file(path, flags, permissions);
}
int destination_wrapper::readlink(const std::string& path, std::string* target) {
  return target_->readlink(path, target);
}
int destination_wrapper::symlink(const std::string& target, const std::string& path) {
  return target_->symlink(target, path);
}
bool destination_wrapper::same_file_system(const info_t& entry, const info_t& parent) {
  return target_->same_file_system(entry, parent);
}
pin_status destination_wrapper::open_tree(const std::string& base, bool create,
                                          const std::vector<std::string>& folders,
                                          const std::vector<std::string>& files,
                                          std::string* offending) {
  return target_->open_tree(base, create, folders, files, offending);
}
bool destination_wrapper::tree_intact(std::string* offending) {
  return target_->tree_intact(offending);
}
void destination_wrapper::close_tree() { target_->close_tree(); }
bool destination_wrapper::sqlite_route(const std::string& path, bool* through_files,
                                       std::string* name) {
  return target_->sqlite_route(path, through_files, name);
}

// ---------------------------------------------------------------------------------------
// Operations on top of the interface.
// ---------------------------------------------------------------------------------------

namespace {

// Parent of a path formed as described in destination.h, or "" at the top.
std::string parent_of(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (is_smb_path(path) && slash == std::string::npos) {
    // Inside the \\server\share\folder part "\" separates; nothing is above the share.
    size_t share_sep = path.find('\\', 2);
    size_t back = path.find_last_of('\\');
    if (share_sep == std::string::npos || back <= share_sep) return "";
    return path.substr(0, back);
  }
  if (slash == std::string::npos || slash == 0) return "";
  return path.substr(0, slash);
}

int remove_tree_core(destination& d, const std::string& path, const info_t& self) {
  if (self.type != kind::folder) return d.unlink(path);
  std::vector<entry_t> entries;
  if (d.list(path, &entries) != 0) return -1;
  int first_error = 0;
  for (const entry_t& e : entries) {
    std::string child = path + "/" + e.name;
    info_t info;
    int rc = d.stat(child, &info, false);
    if (rc == 0) {
      if (info.type == kind::folder && !d.same_file_system(info, self)) {
        // A file system mounted inside the tree is left alone; the folder stays.
        rc = -1;
        errno = EXDEV;
      } else {
        rc = remove_tree_core(d, child, info);
      }
    }
    if (rc != 0 && first_error == 0) first_error = errno;
  }
  if (d.rmdir(path) != 0) {
    if (first_error == 0) first_error = errno;
  }
  if (first_error != 0) {
    errno = first_error;
    return -1;
  }
  return 0;
}

}  // namespace

int lstat(destination& d, const std::string& path, info_t* out) {
  return d.stat(path, out, false);
}

bool exists(destination& d, const std::string& path) {
  info_t info;
  return d.stat(path, &info, false) == 0;
}

int probe_folder(destination& d, const std::string& path) {
  info_t info;
  if (d.stat(path, &info, true) != 0) return -1;
  if (info.type != kind::folder) {
    errno = ENOTDIR;
    return -1;
  }
  return 0;
}

int mkdirs(destination& d, const std::string& path, unsigned mode) {
  info_t info;
  if (d.stat(path, &info, true) == 0) {
    if (info.type == kind::folder) return 0;
    errno = ENOTDIR;
    return -1;
  }
  std::string parent = parent_of(path);
  if (!parent.empty() && parent != path && mkdirs(d, parent, mode) != 0) return -1;
  if (d.mkdir(path, mode) == 0) return 0;
  // Another writer may have made it meanwhile.
  int err = errno;
  if (d.stat(path, &info, true) == 0 && info.type == kind::folder) return 0;
  errno = err;
  return -1;
}

int remove_tree(destination& d, const std::string& path) {
  info_t info;
  if (d.stat(path, &info, false) != 0) return -1;
  return remove_tree_core(d, path, info);
}

}  // namespace tessaly::share
