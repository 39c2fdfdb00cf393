// The local back-end of the destination interface: POSIX calls on local folders (and on
// shares the user mounted), each relative to the destination's open task tree where the path
// lies in it. Every descriptor is close-on-exec.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "share_backend.h"
#include "share.h"

namespace tessaly::share {

namespace {

kind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return kind::file;
  if (S_ISDIR(mode)) return kind::folder;
  if (S_ISLNK(mode)) return kind::link;
  return kind::other;
}

// The kind of a listed entry as its folder names it (as kind_of would find it); kind::none
// when the file system does not say, and the entry is looked at.
kind kind_of_entry(unsigned char type) {
  switch (type) {
    case DT_REG:
      return kind::file;
    case DT_DIR:
      return kind::folder;
    case DT_LNK:
      return kind::link;
    case DT_UNKNOWN:
      return kind::none;
    default:
      return kind::other;
  }
}

void fill_info(const struct stat& st, info_t* out) {
  out->type = kind_of(st.st_mode);
  out->size = static_cast<uint64_t>(st.st_size);
  out->mtime = st.st_mtim.tv_sec;
  out->device = st.st_dev;
  out->inode = st.st_ino;
}

// ---------------------------------------------------------------------------------------
// The destination's open task tree (destination.h: open_tree).
// ---------------------------------------------------------------------------------------

struct fixed_folder_t {
  std::string name;
  int fd = -1;  // opened without following a link, at its first use; -1: not yet
};

struct pin_t {
  std::string base;  // the tree's path as the callers form it, without a trailing '/'
  int fd = -1;       // the tree's folder
  std::vector<fixed_folder_t> folders;
  // Descriptors that databases may still name ("/proc/self/fd/<n>/..."): a fixed folder's
  // descriptor is retired here when the folder itself is renamed or removed, and closed
  // when the tree is let go.
  std::vector<int> retired;
  // /proc/self/fd reaches the open folders (not in a chroot without /proc).
  bool proc_names = false;

  bool active() const { return fd >= 0; }
  void clear() {
    for (fixed_folder_t& f : folders) {
      if (f.fd >= 0) ::close(f.fd);
    }
    for (int r : retired) ::close(r);
    if (fd >= 0) ::close(fd);
    *this = pin_t();
  }
};

// Where a path lies: a folder descriptor and a name relative to it (AT_FDCWD and the path
// itself outside the pinned tree). `self` is the pinned folder itself.
struct located_t {
  int dirfd = AT_FDCWD;
  std::string name;
  bool pinned = false;
  bool self = false;
  fixed_folder_t* fixed_itself = nullptr;  // the path is a fixed folder itself
};

fixed_folder_t* fixed_named(pin_t& pin, const std::string& name) {
  for (fixed_folder_t& f : pin.folders) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

// The descriptor of a fixed folder, opened from the tree's folder without following a link.
int fixed_fd(const pin_t& pin, fixed_folder_t& f) {
  if (f.fd >= 0) return f.fd;
  int fd = ::openat(pin.fd, f.name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    // A link in its place shows as "not a folder".
    if (errno == ELOOP) errno = ENOTDIR;
    return -1;
  }
  f.fd = fd;
  return fd;
}

// A fixed folder itself was renamed, removed or made: its descriptor is not used again.
void forget(pin_t& pin, fixed_folder_t* f) {
  if (f == nullptr || f->fd < 0) return;
  pin.retired.push_back(f->fd);
  f->fd = -1;
}

bool locate(pin_t& pin, const std::string& path, located_t* out) {
  *out = located_t();
  const std::string& base = pin.base;
  if (!pin.active() || path.compare(0, base.size(), base) != 0 ||
      (path.size() > base.size() && path[base.size()] != '/')) {
    out->name = path;
    return true;
  }
  out->pinned = true;
  size_t start = base.size();
  while (start < path.size() && path[start] == '/') ++start;
  if (start >= path.size()) {
    out->dirfd = pin.fd;
    out->self = true;
    return true;
  }
  size_t end = path.find('/', start);
  std::string first = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
  size_t rest = end;
  while (rest != std::string::npos && rest < path.size() && path[rest] == '/') ++rest;
  fixed_folder_t* fixed = fixed_named(pin, first);
  if (fixed == nullptr || rest == std::string::npos || rest >= path.size()) {
    // An entry of the tree's folder itself (never through a link: see the calls below).
    out->dirfd = pin.fd;
    out->name = first;
    if (rest != std::string::npos && rest < path.size()) out->name = path.substr(start);
    out->fixed_itself = fixed;
    return true;
  }
  int fd = fixed_fd(pin, *fixed);
  if (fd < 0) return false;
  out->dirfd = fd;
  out->name = path.substr(rest);
  return true;
}

class local_file final : public file {
 public:
  explicit local_file(int fd) : fd_(fd) {}
  ~local_file() override { close(); }
  ssize_t read_at(void* buffer, size_t size, uint64_t offset) override {
    size_t done = 0;
    while (done < size) {
      ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size - done,
                          static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }
  ssize_t write_at(const void* buffer, size_t size, uint64_t offset) override {
    size_t done = 0;
    while (done < size) {
      ssize_t n = ::pwrite(fd_, static_cast<const char*>(buffer) + done, size - done,
                           static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }
  int truncate(uint64_t size) override { return ::ftruncate(fd_, static_cast<off_t>(size)); }
  int size(uint64_t* out) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return -1;
    *out = static_cast<uint64_t>(st.st_size);
    return 0;
  }
  int close() override {
    if (fd_ < 0) return 0;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// Inside the open tree no call follows a link: the tree holds none of its own, and one
// planted there must not lead the service elsewhere. Outside it the calls are the plain ones.
class local_destination_t final : public destination {
 public:
  ~local_destination_t() override { pin_.clear(); }

  int stat(const std::string& path, info_t* out, bool follow) override {
    count_request(request_kind::lookup);
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    struct stat st;
    int rc;
    if (at.self) {
      rc = ::fstat(at.dirfd, &st);
    } else {
      rc = ::fstatat(at.dirfd, at.name.c_str(), &st,
                     follow && !at.pinned ? 0 : AT_SYMLINK_NOFOLLOW);
    }
    if (rc != 0) return -1;
    if (out != nullptr) fill_info(st, out);
    return 0;
  }
  int mkdir(const std::string& path, unsigned mode) override {
    count_request(request_kind::made);
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    if (at.self) {
      errno = EEXIST;
      return -1;
    }
    int rc = ::mkdirat(at.dirfd, at.name.c_str(), static_cast<mode_t>(mode));
    if (rc == 0) forget(pin_, at.fixed_itself);
    return rc;
  }
  int list(const std::string& path, std::vector<entry_t>* out) override {
    count_request(request_kind::listing);
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    int fd = ::openat(at.dirfd, at.self ? "." : at.name.c_str(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC | (at.pinned ? O_NOFOLLOW : 0));
    if (fd < 0) return -1;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      int err = errno;
      ::close(fd);
      errno = err;
      return -1;
    }
    out->clear();
    errno = 0;
    while (struct dirent* e = ::readdir(dir)) {
      if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
      entry_t entry;
      entry.name = e->d_name;
      entry.type = kind_of_entry(e->d_type);  // mostly named by the folder: no lookup
      struct stat st;
      if (entry.type == kind::none) {
        // kind::none again when it vanished meanwhile.
        if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) entry.type = kind_of(st.st_mode);
      }
      out->push_back(std::move(entry));
      errno = 0;
    }
    int err = errno;
    ::closedir(dir);
    if (err != 0) {
      errno = err;
      return -1;
    }
    return 0;
  }
  int unlink(const std::string& path) override {
    count_request(request_kind::removed);
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    if (at.self) {
      errno = EBUSY;
      return -1;
    }
    return ::unlinkat(at.dirfd, at.name.c_str(), 0);
  }
  int rmdir(const std::string& path) override {
    count_request(request_kind::removed);
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    if (at.self) {
      errno = EBUSY;
      return -1;
    }
    int rc = ::unlinkat(at.dirfd, at.name.c_str(), AT_REMOVEDIR);
    if (rc == 0) forget(pin_, at.fixed_itself);
    return rc;
  }
  int rename(const std::string& from, const std::string& to) override {
    count_request(request_kind::renamed);
    located_t a;
    located_t b;
    if (!locate(pin_, from, &a) || !locate(pin_, to, &b)) return -1;
    if (a.self || b.self) {
      errno = EBUSY;
      return -1;
    }
    int rc = ::renameat(a.dirfd, a.name.c_str(), b.dirfd, b.name.c_str());
    if (rc == 0) {
      forget(pin_, a.fixed_itself);
      forget(pin_, b.fixed_itself);
    }
    return rc;
  }
  // Locally the rename replaces atomically.
  int replace(const std::string& from, const std::string& to) override { return rename(from, to); }
  FILE* open(const std::string& path, const char* mode, unsigned permissions) override {
    int flags = mode_to_flags(mode);
    if (flags < 0) {
      errno = EINVAL;
      return nullptr;
    }
    count_request(request_kind::opened);
    int fd = open_at(path, flags, permissions);
    if (fd < 0) return nullptr;
    const char* fd_mode;
    int access = flags & O_ACCMODE;
    if (access == O_RDONLY) {
      fd_mode = "rb";
    } else if (flags & O_APPEND) {
      fd_mode = access == O_RDWR ? "a+b" : "ab";
    } else {
      fd_mode = access == O_RDWR ? "r+b" : "wb";
    }
    FILE* fp = ::fdopen(fd, fd_mode);
    if (fp == nullptr) {
      int err = errno;
      ::close(fd);
      errno = err;
    }
    return fp;
  }
  std::unique_ptr<file> open_file(const std::string& path, int flags,
                                  unsigned permissions) override {
    count_request(request_kind::opened);
    int fd = open_at(path, flags, permissions);
    if (fd < 0) return nullptr;
    return std::make_unique<local_file>(fd);
  }
  int readlink(const std::string& path, std::string* target) override {
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    std::vector<char> buffer(256);
    for (;;) {
      ssize_t n = ::readlinkat(at.dirfd, at.self ? "" : at.name.c_str(), buffer.data(),
                               buffer.size());
      if (n < 0) return -1;
      if (static_cast<size_t>(n) < buffer.size()) {
        target->assign(buffer.data(), static_cast<size_t>(n));
        return 0;
      }
      buffer.resize(buffer.size() * 2);
    }
  }
  int symlink(const std::string& target, const std::string& path) override {
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    if (at.self) {
      errno = EEXIST;
      return -1;
    }
    return ::symlinkat(target.c_str(), at.dirfd, at.name.c_str());
  }
  bool same_file_system(const info_t& entry, const info_t& parent) override {
    return entry.device == parent.device;
  }
  pin_status open_tree(const std::string& base, bool create,
                       const std::vector<std::string>& folders,
                       const std::vector<std::string>& files, std::string* offending) override;
  bool tree_intact(std::string* offending) override;
  void close_tree() override { pin_.clear(); }
  bool sqlite_route(const std::string& path, bool* through_files, std::string* name) override;

 private:
  int open_at(const std::string& path, int flags, unsigned permissions) {
    located_t at;
    if (!locate(pin_, path, &at)) return -1;
    if (at.self) {
      errno = EISDIR;
      return -1;
    }
    // Never blocking on something that is not a file (the flag has no effect on the reads and
    // writes of a regular file), and only a regular file is opened.
    int fd = ::openat(at.dirfd, at.name.c_str(),
                      flags | O_CLOEXEC | O_NONBLOCK | (at.pinned ? O_NOFOLLOW : 0),
                      static_cast<mode_t>(permissions));
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      errno = EINVAL;
      return -1;
    }
    return fd;
  }

  pin_t pin_;
};


pin_status local_destination_t::open_tree(const std::string& base, bool create,
                                          const std::vector<std::string>& folders,
                                          const std::vector<std::string>& files,
                                          std::string* offending) {
  pin_.clear();
  *offending = base;
  size_t slash = base.rfind('/');
  if (base.empty() || base[0] != '/' || slash == std::string::npos || slash + 1 >= base.size()) {
    errno = EINVAL;
    return pin_status::error;
  }
  std::string parent = base.substr(0, slash);
  if (parent.empty()) parent = "/";
  std::string name = base.substr(slash + 1);
  // The destination folder itself is the user's choice and may be reached through links;
  // below it nothing is followed.
  int dir = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return pin_status::error;
  struct stat st;
  if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT || !create) {
      int err = errno;
      ::close(dir);
      errno = err;
      return err == ENOENT ? pin_status::missing : pin_status::error;
    }
    if (::mkdirat(dir, name.c_str(), 0700) != 0 && errno != EEXIST) {
      int err = errno;
      ::close(dir);
      errno = err;
      return pin_status::error;
    }
  }
  int fd = ::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  int err = errno;
  ::close(dir);
  if (fd < 0) {
    errno = err;
    return err == ELOOP || err == ENOTDIR ? pin_status::link_or_other : pin_status::error;
  }
  // Every fixed entry that is there must be what it is meant to be, never a link.
  for (const std::string& f : folders) {
    if (::fstatat(fd, f.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode)) {
      *offending = base + "/" + f;
      ::close(fd);
      return pin_status::link_or_other;
    }
  }
  for (const std::string& f : files) {
    if (::fstatat(fd, f.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
      *offending = base + "/" + f;
      ::close(fd);
      return pin_status::link_or_other;
    }
  }
  pin_.base = base;
  pin_.fd = fd;
  struct stat by_name;
  pin_.proc_names = ::stat(("/proc/self/fd/" + std::to_string(fd)).c_str(), &by_name) == 0 &&
                     ::fstat(fd, &st) == 0 && by_name.st_dev == st.st_dev &&
                     by_name.st_ino == st.st_ino;
  for (const std::string& f : folders) pin_.folders.push_back({f, -1});
  offending->clear();
  return pin_status::ok;
}

bool local_destination_t::sqlite_route(const std::string& path, bool* through_files,
                                       std::string* name) {
  *through_files = false;
  name->clear();
  located_t at;
  if (!locate(pin_, path, &at)) return false;
  if (!at.pinned) return true;
  if (!pin_.proc_names) {
    // Without /proc the names are all there is (the tree was checked when it was opened).
    *name = path;
    return true;
  }
  *name = "/proc/self/fd/" + std::to_string(at.dirfd);
  if (!at.self) *name += "/" + at.name;
  return true;
}

bool local_destination_t::tree_intact(std::string* offending) {
  offending->clear();
  if (!pin_.active()) return true;
  for (const fixed_folder_t& f : pin_.folders) {
    if (f.fd < 0) continue;
    struct stat opened;
    struct stat now;
    if (::fstat(f.fd, &opened) != 0 ||
        ::fstatat(pin_.fd, f.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISDIR(now.st_mode) || now.st_dev != opened.st_dev || now.st_ino != opened.st_ino) {
      *offending = pin_.base + "/" + f.name;
      return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<destination> local_destination() { return std::make_unique<local_destination_t>(); }

}  // namespace tessaly::share
