// The local back-end of the share layer: POSIX calls on local folders (and on shares the
// user mounted). Every descriptor is close-on-exec.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "share_backend.h"

namespace tessaly::share {

namespace {

kind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return kind::file;
  if (S_ISDIR(mode)) return kind::folder;
  if (S_ISLNK(mode)) return kind::link;
  return kind::other;
}

void fill_info(const struct stat& st, info_t* out) {
  out->type = kind_of(st.st_mode);
  out->size = static_cast<uint64_t>(st.st_size);
  out->mtime = st.st_mtim.tv_sec;
  out->device = st.st_dev;
  out->inode = st.st_ino;
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

class local_backend_t final : public backend {
 public:
  int stat(const std::string& path, info_t* out, bool follow) override {
    struct stat st;
    int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (rc != 0) return -1;
    if (out != nullptr) fill_info(st, out);
    return 0;
  }
  int mkdir(const std::string& path, unsigned mode) override {
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode));
  }
  int list(const std::string& path, std::vector<entry_t>* out) override {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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
      struct stat st;
      if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.type = kind_of(st.st_mode);
      } else {
        entry.type = kind::none;  // vanished meanwhile
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
  int unlink(const std::string& path) override { return ::unlink(path.c_str()); }
  int rmdir(const std::string& path) override { return ::rmdir(path.c_str()); }
  int rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str());
  }
  FILE* open_stream(const std::string& path, int flags, unsigned permissions) override {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(permissions));
    if (fd < 0) return nullptr;
    const char* mode;
    int access = flags & O_ACCMODE;
    if (access == O_RDONLY) {
      mode = "rb";
    } else if (flags & O_APPEND) {
      mode = access == O_RDWR ? "a+b" : "ab";
    } else {
      mode = access == O_RDWR ? "r+b" : "wb";
    }
    FILE* fp = ::fdopen(fd, mode);
    if (fp == nullptr) {
      int err = errno;
      ::close(fd);
      errno = err;
    }
    return fp;
  }
  std::unique_ptr<file> open_file(const std::string& path, int flags,
                                  unsigned permissions) override {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(permissions));
    if (fd < 0) return nullptr;
    return std::make_unique<local_file>(fd);
  }
  int readlink(const std::string& path, std::string* target) override {
    std::vector<char> buffer(256);
    for (;;) {
      ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
      if (n < 0) return -1;
      if (static_cast<size_t>(n) < buffer.size()) {
        target->assign(buffer.data(), static_cast<size_t>(n));
        return 0;
      }
      buffer.resize(buffer.size() * 2);
    }
  }
  int symlink(const std::string& target, const std::string& path) override {
    return ::symlink(target.c_str(), path.c_str());
  }
  bool same_file_system(const info_t& entry, const info_t& parent) override {
    return entry.device == parent.device;
  }
};

}  // namespace

backend& local_backend() {
  static local_backend_t instance;
  return instance;
}

}  // namespace tessaly::share
