// The local file system without following links (see folder_walk.h).
#include "folder_walk.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>

namespace tessaly {

namespace {

// Most links a walk follows, as the kernel's own path walk allows.
constexpr int kMaxLinks = 40;

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += "/" + n;
  return out.empty() ? "/" : out;
}

// The names of a path or a link's text, without empty names and ".".
void push_names(const std::string& text, std::deque<std::string>* out) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    std::string name = text.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(std::move(name));
    start = end + 1;
  }
  out->insert(out->begin(), names.begin(), names.end());
}

bool link_text(int dirfd, const std::string& name, std::string* out) {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = ::readlinkat(dirfd, name.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buffer.size()) {
      out->assign(buffer.data(), static_cast<size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

unique_fd open_folder_at(int dirfd, const std::string& name) {
  return unique_fd(::openat(dirfd, name.c_str(), kFolderOpenFlags));
}

// ---------------------------------------------------------------------------------------
// folder_chain
// ---------------------------------------------------------------------------------------

folder_chain::folder_chain(unique_fd root) : root_(std::move(root)) {}

folder_chain folder_chain::from(int dirfd) {
  return folder_chain(unique_fd(::fcntl(dirfd, F_DUPFD_CLOEXEC, 0)));
}

int folder_chain::fd() {
  if (levels_.empty()) {
    if (!root_.ok()) errno = EBADF;
    return root_.get();
  }
  if (open_from_ >= levels_.size() && !reopen()) return -1;
  return levels_.back().fd.get();
}

bool folder_chain::enter(const std::string& name) {
  int parent = fd();
  if (parent < 0) return false;
  level_t level;
  level.fd = open_folder_at(parent, name);
  struct stat st;
  if (!level.fd.ok() || ::fstat(level.fd.get(), &st) != 0) return false;
  level.name = name;
  level.dev = st.st_dev;
  level.ino = st.st_ino;
  levels_.push_back(std::move(level));
  while (levels_.size() - open_from_ > kHeld) levels_[open_from_++].fd.reset();
  return true;
}

void folder_chain::leave() {
  if (levels_.empty()) return;
  levels_.pop_back();
  if (open_from_ > levels_.size()) open_from_ = levels_.size();
}

std::vector<std::string> folder_chain::names() const {
  std::vector<std::string> out;
  out.reserve(levels_.size());
  for (const level_t& l : levels_) out.push_back(l.name);
  return out;
}

// No level is open: each is opened again from the root, name by name, and must be the
// folder that was entered; the deepest kHeld stay open.
bool folder_chain::reopen() {
  size_t n = levels_.size();
  size_t keep_from = n > kHeld ? n - kHeld : 0;
  unique_fd passing;
  int current = root_.get();
  for (size_t i = 0; i < n; ++i) {
    unique_fd next = open_folder_at(current, levels_[i].name);
    struct stat st;
    if (!next.ok() || ::fstat(next.get(), &st) != 0) {
      if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) errno = ESTALE;
      break;
    }
    if (st.st_dev != levels_[i].dev || st.st_ino != levels_[i].ino) {
      errno = ESTALE;
      break;
    }
    if (i >= keep_from) {
      levels_[i].fd = std::move(next);
      current = levels_[i].fd.get();
      if (i + 1 == n) {
        open_from_ = keep_from;
        return true;
      }
    } else {
      passing = std::move(next);
      current = passing.get();
    }
  }
  for (size_t i = keep_from; i < n; ++i) levels_[i].fd.reset();
  return false;
}

// ---------------------------------------------------------------------------------------
// walk_folder
// ---------------------------------------------------------------------------------------

bool walk_folder(const std::string& path, bool make, const walk_rules_t& rules, walk_end_t* end) {
  *end = walk_end_t();
  if (path.empty() || path[0] != '/') {
    errno = EINVAL;
    return false;
  }
  folder_chain chain(unique_fd(::open("/", kFolderOpenFlags)));
  auto here = [&] { return joined(chain.names()); };
  auto beside = [&](const std::string& name) {
    std::string h = here();
    return (h == "/" ? "" : h) + "/" + name;
  };
  auto visit = [&](const std::string& at) {
    struct stat st;
    int fd = chain.fd();
    if (fd < 0 || ::fstat(fd, &st) != 0) return false;
    if (rules.visit && !rules.visit(fd, st, at)) {
      end->refused = true;
      return false;
    }
    return true;
  };
  if (!visit("/")) return false;

  // A followed link whose text is still being walked: its folder is reached once the names
  // after it are all that is left.
  struct pending_link_t {
    size_t after;
    std::string path;
    struct stat link;
  };
  std::vector<pending_link_t> links;
  auto reached = [&](const struct stat* folder) {
    pending_link_t l = std::move(links.back());
    links.pop_back();
    if (rules.reached && !rules.reached(l.path, l.link, folder)) {
      end->refused = true;
      return false;
    }
    return true;
  };
  std::deque<std::string> names;
  push_names(path, &names);
  int followed = 0;
  while (!names.empty()) {
    std::string name = std::move(names.front());
    names.pop_front();
    if (name == "..") {
      chain.leave();
    } else if (chain.enter(name)) {
      if (!visit(here())) return false;
    } else {
      int failure = errno;
      int parent = chain.fd();
      struct stat st;
      if (parent < 0) return false;
      int found = ::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
      if (found == 0 && S_ISDIR(st.st_mode)) {
        errno = failure;
        return false;
      }
      if (found != 0) {
        if (errno != ENOENT) return false;
        // Missing: a link that leads here leads to nothing.
        while (!links.empty()) {
          if (!reached(nullptr)) return false;
        }
        if (!make) {
          end->missing.push_back(name);
          for (const std::string& rest : names) {
            if (rest == "..") {
              errno = ENOENT;
              return false;
            }
            end->missing.push_back(rest);
          }
          end->fd = unique_fd(::fcntl(parent, F_DUPFD_CLOEXEC, 0));
          end->path = here();
          return end->fd.ok();
        }
        struct stat above;
        if (::fstat(parent, &above) != 0) return false;
        int made = ::mkdirat(parent, name.c_str(), 0700);
        if (made != 0 && errno != EEXIST) return false;
        if (made == 0) {
          end->made.push_back(beside(name));
          ::fchownat(parent, name.c_str(), above.st_uid, above.st_gid, AT_SYMLINK_NOFOLLOW);
        }
        if (!chain.enter(name)) return false;
        if (made == 0) ::fchmod(chain.fd(), 0700);
        if (!visit(here())) return false;
      } else if (S_ISLNK(st.st_mode)) {
        std::string at = beside(name);
        if (++followed > kMaxLinks) {
          errno = ELOOP;
          return false;
        }
        if (!rules.follow || !rules.follow(at, st)) {
          end->refused = true;
          return false;
        }
        std::string text;
        if (!link_text(parent, name, &text)) return false;
        links.push_back({names.size(), at, st});
        if (!text.empty() && text[0] == '/') {
          while (chain.depth() > 0) chain.leave();
        }
        push_names(text, &names);
      } else {
        errno = ENOTDIR;
        return false;
      }
    }
    while (!links.empty() && names.size() <= links.back().after) {
      struct stat folder;
      int fd = chain.fd();
      if (fd < 0 || ::fstat(fd, &folder) != 0) return false;
      if (!reached(&folder)) return false;
    }
  }
  end->fd = unique_fd(::fcntl(chain.fd(), F_DUPFD_CLOEXEC, 0));
  end->path = here();
  return end->fd.ok();
}

// ---------------------------------------------------------------------------------------
// Listing, classifying, removing and opening
// ---------------------------------------------------------------------------------------

bool list_folder(int dirfd, const std::string& name, bool follow, std::vector<std::string>* names,
                 unique_fd* opened) {
  names->clear();
  if (opened != nullptr) opened->reset();
  int fd = ::openat(dirfd, name.c_str(), kFolderOpenFlags & ~(follow ? O_NOFOLLOW : 0));
  if (fd < 0) return false;
  if (opened != nullptr) {
    // The listing owns its descriptor and closes it: the caller gets one of its own.
    *opened = unique_fd(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!opened->ok()) {
      int err = errno;
      ::close(fd);
      errno = err;
      return false;
    }
  }
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    int err = errno;
    ::close(fd);
    if (opened != nullptr) opened->reset();
    errno = err;
    return false;
  }
  errno = 0;
  while (struct dirent* e = ::readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      names->emplace_back(e->d_name);
    }
    errno = 0;
  }
  int err = errno;
  ::closedir(dir);
  if (err != 0 && opened != nullptr) opened->reset();
  std::sort(names->begin(), names->end());
  errno = err;
  return err == 0;
}

entry_type classify_at(int dirfd, const std::string& name, struct stat* st) {
  if (::fstatat(dirfd, name.c_str(), st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? entry_type::gone : entry_type::unreadable;
  }
  if (S_ISLNK(st->st_mode)) return entry_type::link;
  if (S_ISREG(st->st_mode)) return entry_type::file;
  if (S_ISDIR(st->st_mode)) return entry_type::folder;
  return entry_type::other;
}

unique_fd open_below(int root, const std::vector<std::string>& components) {
  unique_fd current(::openat(root, ".", kFolderOpenFlags));
  for (const std::string& c : components) {
    if (!current.ok()) break;
    current = open_folder_at(current.get(), c);
  }
  return current;
}

namespace {

using keep_t = std::function<bool(int fd, const struct stat& folder)>;

// Removes everything in the chain's current folder (see remove_tree_at).
bool empty_folder(folder_chain& chain, dev_t device, const keep_t& keep) {
  int fd = chain.fd();
  struct stat self;
  if (fd < 0 || ::fstat(fd, &self) != 0) return false;
  if (keep && keep(fd, self)) return false;
  std::vector<std::string> names;
  bool ok = list_folder(fd, ".", false, &names);
  for (const std::string& n : names) {
    fd = chain.fd();
    if (fd < 0) return false;
    struct stat st;
    entry_type type = classify_at(fd, n, &st);
    if (type == entry_type::gone) continue;
    if (type == entry_type::unreadable) {
      ok = false;
      continue;
    }
    if (type != entry_type::folder) {
      ok = (::unlinkat(fd, n.c_str(), 0) == 0 || errno == ENOENT) && ok;
      continue;
    }
    if (st.st_dev != device || !chain.enter(n)) {
      ok = false;
      continue;
    }
    bool emptied = empty_folder(chain, device, keep);
    chain.leave();
    fd = chain.fd();
    ok = emptied && fd >= 0 && ::unlinkat(fd, n.c_str(), AT_REMOVEDIR) == 0 && ok;
  }
  return ok;
}

}  // namespace

bool remove_tree_at(int dirfd, const std::string& name, const keep_t& keep) {
  struct stat st;
  entry_type type = classify_at(dirfd, name, &st);
  if (type == entry_type::gone) return true;
  if (type == entry_type::unreadable) return false;
  if (type != entry_type::folder) return ::unlinkat(dirfd, name.c_str(), 0) == 0 || errno == ENOENT;
  struct stat parent;
  if (::fstat(dirfd, &parent) != 0 || parent.st_dev != st.st_dev) return false;
  folder_chain chain = folder_chain::from(dirfd);
  if (!chain.enter(name)) return false;
  bool ok = empty_folder(chain, st.st_dev, keep);
  chain.leave();
  return ok && ::unlinkat(dirfd, name.c_str(), AT_REMOVEDIR) == 0;
}

FILE* open_file_at(int dirfd, const std::string& name) {
  // The flag has no effect on the reads of a regular file; it only keeps the open of a FIFO
  // from waiting for a writer.
  int fd = ::openat(dirfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return nullptr;
  }
  FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

}  // namespace tessaly
