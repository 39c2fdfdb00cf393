// The SMB back-end of the share layer, over libsmbclient.
//
// Each thread that logs on gets a context of its own carrying its account (the library's
// per-context authentication callback hands it out). Debian's libsmbclient is built without
// its thread hooks, so its global state is not safe to use from two threads at once: every
// call into the library, context creation and release included, is made under smb_mutex.
// Runs of different tasks therefore share the time on the wire, never a context.
#include <fcntl.h>
#include <libsmbclient.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "share_backend.h"

namespace tessaly::share {

namespace {

std::mutex& smb_mutex() {
  static std::mutex m;
  return m;
}

// How long one request may wait for the server before it fails.
constexpr int kTimeoutMs = 20000;
// Buffer of the stdio streams over a share: large enough that copies and deltas do not go
// to the server in small writes.
constexpr size_t kStreamBuffer = 256 * 1024;

int smb_port() {
  const char* text = std::getenv("TESSALY_SMB_PORT");
  if (text != nullptr && *text != '\0') {
    char* end = nullptr;
    long port = std::strtol(text, &end, 10);
    if (end != nullptr && *end == '\0' && port > 0 && port < 65536) return static_cast<int>(port);
  }
  return 445;
}

// Copies a credential into the library's buffer; a text that does not fit gives an empty
// one (the logon then fails) rather than a shortened password.
void put_credential(char* buffer, int size, const std::string& value) {
  if (buffer == nullptr || size <= 0) return;
  if (value.size() >= static_cast<size_t>(size)) {
    buffer[0] = '\0';
    return;
  }
  std::memcpy(buffer, value.c_str(), value.size() + 1);
}

// One logged-on account and its library context.
class session_t {
 public:
  explicit session_t(const account_t& account) : account_(account) {}
  ~session_t() {
    if (ctx_ != nullptr) {
      std::lock_guard<std::mutex> lock(smb_mutex());
      smbc_free_context(ctx_, 1);
    }
    explicit_bzero(account_.password.data(), account_.password.size());
  }
  session_t(const session_t&) = delete;
  session_t& operator=(const session_t&) = delete;

  // Called with smb_mutex held.
  bool init() {
    ctx_ = smbc_new_context();
    if (ctx_ == nullptr) return false;
    smbc_setDebug(ctx_, 0);
    smbc_setOptionUserData(ctx_, this);
    smbc_setFunctionAuthDataWithContext(ctx_, &session_t::auth);
    smbc_setOptionNoAutoAnonymousLogin(ctx_, account_.anonymous ? 0 : 1);
    smbc_setOptionUseKerberos(ctx_, 0);
    smbc_setOptionFallbackAfterKerberos(ctx_, 1);
    smbc_setOptionUseCCache(ctx_, 0);
    smbc_setTimeout(ctx_, kTimeoutMs);
    smbc_setPort(ctx_, static_cast<uint16_t>(smb_port()));
    if (smbc_init_context(ctx_) == nullptr) {
      int err = errno;
      smbc_free_context(ctx_, 1);
      ctx_ = nullptr;
      errno = err != 0 ? err : ENOMEM;
      return false;
    }
    return true;
  }

  SMBCCTX* ctx() const { return ctx_; }

 private:
  static void auth(SMBCCTX* c, const char* /*server*/, const char* /*share*/, char* workgroup,
                   int workgroup_len, char* user, int user_len, char* password,
                   int password_len) {
    auto* self = static_cast<session_t*>(smbc_getOptionUserData(c));
    if (self == nullptr) return;
    if (self->account_.anonymous) {
      put_credential(user, user_len, "");
      put_credential(password, password_len, "");
      return;
    }
    // An empty domain keeps the client's default workgroup.
    if (!self->account_.domain.empty()) {
      put_credential(workgroup, workgroup_len, self->account_.domain);
    }
    put_credential(user, user_len, self->account_.user);
    put_credential(password, password_len, self->account_.password);
  }

  account_t account_;
  SMBCCTX* ctx_ = nullptr;
};

using session_ptr = std::shared_ptr<session_t>;

kind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return kind::file;
  if (S_ISDIR(mode)) return kind::folder;
  return kind::other;
}

// An open SMB file; every call takes smb_mutex. Keeps its session alive.
class smb_file final : public file {
 public:
  smb_file(session_ptr session, SMBCFILE* handle)
      : session_(std::move(session)), handle_(handle) {}
  ~smb_file() override { close(); }

  ssize_t read_at(void* buffer, size_t size, uint64_t offset) override {
    std::lock_guard<std::mutex> lock(smb_mutex());
    if (seek_locked(offset) != 0) return -1;
    return read_locked(buffer, size);
  }
  ssize_t write_at(const void* buffer, size_t size, uint64_t offset) override {
    std::lock_guard<std::mutex> lock(smb_mutex());
    if (seek_locked(offset) != 0) return -1;
    return write_locked(buffer, size);
  }
  int truncate(uint64_t size) override {
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    return smbc_getFunctionFtruncate(c)(c, handle_, static_cast<off_t>(size));
  }
  int size(uint64_t* out) override {
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    struct stat st;
    if (smbc_getFunctionFstat(c)(c, handle_, &st) != 0) return -1;
    *out = static_cast<uint64_t>(st.st_size);
    return 0;
  }
  int close() override {
    if (handle_ == nullptr) return 0;
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    int rc = smbc_getFunctionClose(c)(c, handle_);
    handle_ = nullptr;
    return rc;
  }

  // Stream helpers, called with smb_mutex held.
  int seek_locked(uint64_t offset) {
    SMBCCTX* c = session_->ctx();
    off_t at = smbc_getFunctionLseek(c)(c, handle_, static_cast<off_t>(offset), SEEK_SET);
    return at < 0 ? -1 : 0;
  }
  ssize_t read_locked(void* buffer, size_t size) {
    SMBCCTX* c = session_->ctx();
    size_t done = 0;
    while (done < size) {
      count_request(request_kind::read);
      ssize_t n = smbc_getFunctionRead(c)(c, handle_, static_cast<char*>(buffer) + done,
                                          size - done);
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }
  ssize_t write_locked(const void* buffer, size_t size) {
    SMBCCTX* c = session_->ctx();
    size_t done = 0;
    while (done < size) {
      count_request(request_kind::write);
      ssize_t n = smbc_getFunctionWrite(c)(c, handle_, static_cast<const char*>(buffer) + done,
                                           size - done);
      if (n <= 0) {
        if (n == 0) errno = EIO;
        return -1;
      }
      done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
  }
  SMBCFILE* handle() const { return handle_; }
  SMBCCTX* ctx() const { return session_->ctx(); }

 private:
  session_ptr session_;
  SMBCFILE* handle_;
};

// Stream buffers kept for the next stream: a run opens one stream per file, and a fresh
// buffer of this size each time costs more in allocation and page faults than the reads of a
// small file. A few are kept (streams open at once are few); not cleared, as stdio fills a
// buffer before it reads from it.
class buffer_pool {
 public:
  std::unique_ptr<char[]> take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!free_.empty()) {
        std::unique_ptr<char[]> b = std::move(free_.back());
        free_.pop_back();
        return b;
      }
    }
    return std::unique_ptr<char[]>(new char[kStreamBuffer]);
  }
  void give(std::unique_ptr<char[]> b) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (b && free_.size() < kKept) free_.push_back(std::move(b));
  }

 private:
  static constexpr size_t kKept = 8;
  std::mutex mutex_;
  std::vector<std::unique_ptr<char[]>> free_;
};

buffer_pool& stream_buffers() {
  static buffer_pool* pool = new buffer_pool;  // never destroyed: streams may close at exit
  return *pool;
}

// The glibc cookie behind a FILE* over a share.
struct stream_cookie {
  ~stream_cookie() { stream_buffers().give(std::move(buffer)); }
  std::unique_ptr<smb_file> f;
  std::unique_ptr<char[]> buffer;
  // The last read ended at the end of the file: the library reads until it has all it was
  // asked for or the server reports the end, so a short read is the end. The next read
  // answers 0 without a round trip that the server could only answer with "end of file";
  // a seek (which also comes between a write and a read) asks the server again.
  bool at_end = false;
};

ssize_t cookie_read(void* cookie, char* buffer, size_t size) {
  auto* c = static_cast<stream_cookie*>(cookie);
  if (c->at_end || size == 0) return 0;
  std::lock_guard<std::mutex> lock(smb_mutex());
  SMBCCTX* ctx = c->f->ctx();
  count_request(request_kind::read);
  ssize_t n = smbc_getFunctionRead(ctx)(ctx, c->f->handle(), buffer, size);
  if (n < 0) return -1;
  if (static_cast<size_t>(n) < size) c->at_end = true;
  return n;
}

ssize_t cookie_write(void* cookie, const char* buffer, size_t size) {
  auto* c = static_cast<stream_cookie*>(cookie);
  std::lock_guard<std::mutex> lock(smb_mutex());
  c->at_end = false;
  ssize_t n = c->f->write_locked(buffer, size);
  return n < 0 ? 0 : n;  // glibc takes a short count as the error
}

int cookie_seek(void* cookie, off64_t* offset, int whence) {
  auto* c = static_cast<stream_cookie*>(cookie);
  std::lock_guard<std::mutex> lock(smb_mutex());
  c->at_end = false;
  SMBCCTX* ctx = c->f->ctx();
  off_t at = smbc_getFunctionLseek(ctx)(ctx, c->f->handle(), static_cast<off_t>(*offset), whence);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}

int cookie_close(void* cookie) {
  std::unique_ptr<stream_cookie> c(static_cast<stream_cookie*>(cookie));
  return c->f->close() == 0 ? 0 : EOF;
}

class smb_backend_t final : public backend {
 public:
  explicit smb_backend_t(session_ptr session) : session_(std::move(session)) {}

  int stat(const std::string& path, info_t* out, bool /*follow*/) override {
    std::string url = smb_url(path);
    struct stat st;
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    if (smbc_getFunctionStat(c)(c, url.c_str(), &st) != 0) return -1;
    if (out != nullptr) {
      out->type = kind_of(st.st_mode);
      out->size = static_cast<uint64_t>(st.st_size);
      out->mtime = st.st_mtime;
      out->device = 0;
      out->inode = st.st_ino;
    }
    return 0;
  }
  int mkdir(const std::string& path, unsigned mode) override {
    std::string url = smb_url(path);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    return smbc_getFunctionMkdir(c)(c, url.c_str(), static_cast<mode_t>(mode));
  }
  int list(const std::string& path, std::vector<entry_t>* out) override {
    std::string url = smb_url(path);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    SMBCFILE* dir = smbc_getFunctionOpendir(c)(c, url.c_str());
    if (dir == nullptr) return -1;
    out->clear();
    errno = 0;
    while (struct smbc_dirent* e = smbc_getFunctionReaddir(c)(c, dir)) {
      if (std::strcmp(e->name, ".") == 0 || std::strcmp(e->name, "..") == 0) continue;
      entry_t entry;
      entry.name = from_share_name(e->name);
      entry.type = e->smbc_type == SMBC_DIR ? kind::folder
                   : e->smbc_type == SMBC_FILE ? kind::file
                                               : kind::other;
      out->push_back(std::move(entry));
    }
    smbc_getFunctionClosedir(c)(c, dir);
    return 0;
  }
  int unlink(const std::string& path) override {
    std::string url = smb_url(path);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    return smbc_getFunctionUnlink(c)(c, url.c_str());
  }
  int rmdir(const std::string& path) override {
    std::string url = smb_url(path);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    return smbc_getFunctionRmdir(c)(c, url.c_str());
  }
  int rename(const std::string& from, const std::string& to) override {
    std::string a = smb_url(from);
    std::string b = smb_url(to);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    return smbc_getFunctionRename(c)(c, a.c_str(), c, b.c_str());
  }
  FILE* open_stream(const std::string& path, int flags, unsigned permissions) override {
    std::unique_ptr<smb_file> f = open_smb(path, flags, permissions);
    if (!f) return nullptr;
    auto cookie = std::make_unique<stream_cookie>();
    cookie->f = std::move(f);
    cookie->buffer = stream_buffers().take();
    int access = flags & O_ACCMODE;
    const char* mode = access == O_RDONLY ? "r" : access == O_WRONLY ? "w" : "r+";
    cookie_io_functions_t io{cookie_read, cookie_write, cookie_seek, cookie_close};
    char* buffer = cookie->buffer.get();
    FILE* fp = ::fopencookie(cookie.get(), mode, io);
    if (fp == nullptr) return nullptr;
    cookie.release();  // owned by the stream, freed by cookie_close
    ::setvbuf(fp, buffer, _IOFBF, kStreamBuffer);
    return fp;
  }
  std::unique_ptr<file> open_file(const std::string& path, int flags,
                                  unsigned permissions) override {
    return open_smb(path, flags, permissions);
  }
  int readlink(const std::string&, std::string*) override {
    errno = ENOTSUP;
    return -1;
  }
  int symlink(const std::string&, const std::string&) override {
    errno = ENOTSUP;
    return -1;
  }
  bool same_file_system(const info_t&, const info_t&) override { return true; }

 private:
  std::unique_ptr<smb_file> open_smb(const std::string& path, int flags, unsigned permissions) {
    std::string url = smb_url(path);
    std::lock_guard<std::mutex> lock(smb_mutex());
    SMBCCTX* c = session_->ctx();
    SMBCFILE* handle = smbc_getFunctionOpen(c)(c, url.c_str(), flags & ~O_APPEND,
                                               static_cast<mode_t>(permissions));
    if (handle == nullptr) return nullptr;
    if (flags & O_APPEND) {
      // The end is found by name: a handle opened for writing only may not ask for it.
      struct stat st;
      if (smbc_getFunctionStat(c)(c, url.c_str(), &st) != 0 ||
          smbc_getFunctionLseek(c)(c, handle, st.st_size, SEEK_SET) < 0) {
        int err = errno;
        smbc_getFunctionClose(c)(c, handle);
        errno = err;
        return nullptr;
      }
    }
    return std::make_unique<smb_file>(session_, handle);
  }

  session_ptr session_;
};

thread_local std::shared_ptr<backend> t_smb;

// libsmbclient tears its process-wide state down when its last initialised context is freed
// and builds it again (leaking a little each time) for the next one. One context that is
// never freed keeps that state for the life of the process. Called with smb_mutex held.
void keep_library_state() {
  static SMBCCTX* anchor = nullptr;
  if (anchor != nullptr) return;
  SMBCCTX* ctx = smbc_new_context();
  if (ctx == nullptr) return;
  smbc_setDebug(ctx, 0);
  if (smbc_init_context(ctx) == nullptr) {
    smbc_free_context(ctx, 1);
    return;
  }
  anchor = ctx;
}

}  // namespace

std::shared_ptr<backend> smb_backend() {
  if (!t_smb) errno = ENOTCONN;
  return t_smb;
}

bool smb_logon(const account_t& account) {
  static std::once_flag pipe_once;
  std::call_once(pipe_once, [] {
    // A server that goes away in the middle of a write must give the writer an error, not
    // end the process.
    struct sigaction current;
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      signal(SIGPIPE, SIG_IGN);
    }
  });
  t_smb.reset();
  auto session = std::make_shared<session_t>(account);
  {
    std::lock_guard<std::mutex> lock(smb_mutex());
    keep_library_state();
    if (!session->init()) return false;
  }
  t_smb = std::make_shared<smb_backend_t>(std::move(session));
  return true;
}

void smb_logoff() { t_smb.reset(); }

}  // namespace tessaly::share
