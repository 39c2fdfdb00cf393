// The SMB back-end of the destination interface, over libsmbclient.
//
// Each destination gets a context of its own carrying its account (the library's
// per-context authentication callback hands it out), with its own server connection and its
// own time-out. The library runs with its thread support: its per-call scratch memory is kept
// per thread, so calls on different contexts go on at once, and a server that does not answer
// holds only the callers of its own context, for that context's time-out. Calls on one context
// take that context's lock (a stream may be used on another thread than the one that made it).
// What the library keeps process-wide (the count of live contexts, its configuration) is only
// touched when a context is made or freed, which takes one process-wide lock; the free drops
// the context's server connections first, outside that lock, since a tree disconnect waits for
// the server.
#include <dlfcn.h>
#include <fcntl.h>
#include <libsmbclient.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "server_probe.h"
#include "share.h"
#include "share_backend.h"

namespace tessaly::share {

namespace {

// Context creation and release, and (see call_t) the library's connection setup.
std::mutex& library_mutex() {
  static std::mutex m;
  return m;
}

// --- The library's thread support. ---
//
// libsmbclient keeps its per-call scratch memory (a stack of talloc frames) in one global
// unless it is given mutexes and thread-local storage, which smbc_thread_posix()
// (libsmbclient.h) installs. Debian's build declares that function but does not export it;
// the table it installs is the one smbc_thread_impl() documents, and both hand it to the
// Samba utility library that libsmbclient itself calls, so the layer gives it there when the
// library's own functions are missing. Installed once, before the first context is made.

int tls_create_mutex(const char*, void** out, const char*) {
  auto* m = new (std::nothrow) pthread_mutex_t;
  if (m == nullptr) return ENOMEM;
  pthread_mutex_init(m, nullptr);
  *out = m;
  return 0;
}
void tls_destroy_mutex(void* m, const char*) {
  pthread_mutex_destroy(static_cast<pthread_mutex_t*>(m));
  delete static_cast<pthread_mutex_t*>(m);
}
int tls_lock_mutex(void* m, int lock_type, const char*) {
  auto* mutex = static_cast<pthread_mutex_t*>(m);
  return lock_type == 2 ? pthread_mutex_unlock(mutex) : pthread_mutex_lock(mutex);
}

// What the library keeps per thread is its frame stack holder (calloc'd, holding one talloc
// array); it is freed when a thread that used the library ends, so that every run's thread
// does not leave its own behind. Only an empty stack is freed, which is all a thread that
// has returned from the library can hold.
struct frame_stack_holder {
  int size;
  int capacity;
  void* frames;  // a talloc array
};
void free_frame_stack(void* value) {
  static auto talloc_free =
      reinterpret_cast<int (*)(void*, const char*)>(dlsym(RTLD_DEFAULT, "_talloc_free"));
  auto* holder = static_cast<frame_stack_holder*>(value);
  if (holder == nullptr || holder->size != 0 || talloc_free == nullptr) return;
  talloc_free(holder->frames, __FILE__);
  std::free(holder);
}
int tls_create(const char*, void** out, const char*) {
  auto* key = new (std::nothrow) pthread_key_t;
  if (key == nullptr) return ENOMEM;
  int rc = pthread_key_create(key, &free_frame_stack);
  if (rc != 0) {
    delete key;
    return rc;
  }
  *out = key;
  return 0;
}
void tls_destroy(void** key, const char*) {
  if (*key == nullptr) return;
  pthread_key_delete(*static_cast<pthread_key_t*>(*key));
  delete static_cast<pthread_key_t*>(*key);
  *key = nullptr;
}
int tls_set(void* key, const void* value, const char*) {
  return pthread_setspecific(*static_cast<pthread_key_t*>(key), value);
}
// The library asks for its frame stack before it has made the key (and then makes both).
void* tls_get(void* key, const char*) {
  return key == nullptr ? nullptr : pthread_getspecific(*static_cast<pthread_key_t*>(key));
}

// The table, in the order of smbc_thread_impl()'s parameters.
struct thread_functions {
  int (*create_mutex)(const char*, void**, const char*);
  void (*destroy_mutex)(void*, const char*);
  int (*lock_mutex)(void*, int, const char*);
  int (*create_tls)(const char*, void**, const char*);
  void (*destroy_tls)(void**, const char*);
  int (*set_tls)(void*, const void*, const char*);
  void* (*get_tls)(void*, const char*);
};
const thread_functions kThreadFunctions = {tls_create_mutex, tls_destroy_mutex, tls_lock_mutex,
                                           tls_create,       tls_destroy,       tls_set,
                                           tls_get};

bool install_thread_support() {
  using posix_fn = void (*)();
  using impl_fn = void (*)(decltype(thread_functions::create_mutex),
                           decltype(thread_functions::destroy_mutex),
                           decltype(thread_functions::lock_mutex),
                           decltype(thread_functions::create_tls),
                           decltype(thread_functions::destroy_tls),
                           decltype(thread_functions::set_tls),
                           decltype(thread_functions::get_tls));
  using set_fn = int (*)(const thread_functions*);
  if (auto impl = reinterpret_cast<impl_fn>(dlsym(RTLD_DEFAULT, "smbc_thread_impl"))) {
    const thread_functions& f = kThreadFunctions;
    impl(f.create_mutex, f.destroy_mutex, f.lock_mutex, f.create_tls, f.destroy_tls, f.set_tls,
         f.get_tls);
    return true;
  }
  if (auto posix = reinterpret_cast<posix_fn>(dlsym(RTLD_DEFAULT, "smbc_thread_posix"))) {
    posix();
    return true;
  }
  if (auto set = reinterpret_cast<set_fn>(dlsym(RTLD_DEFAULT, "smb_thread_set_functions"))) {
    return set(&kThreadFunctions) == 0;
  }
  return false;
}

// True once the library runs with its thread support. Without it (a library that offers
// none) every call takes library_mutex, as one global frame stack needs.
bool library_threads() {
  static const bool on = install_thread_support();
  return on;
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

// The server and share of an SMB path ("\\server\share\..."): the library keeps one
// connection per pair.
struct share_key {
  std::string server;
  std::string share;
  bool operator<(const share_key& o) const {
    return server != o.server ? server < o.server : share < o.share;
  }
};
share_key key_of(const std::string& path) {
  share_key key;
  size_t unc_end = std::min(path.find('/'), path.size());
  size_t server_end = std::min(path.find('\\', 2), unc_end);
  key.server = path.substr(2, server_end - 2);
  if (server_end < unc_end) {
    size_t share_end = std::min(path.find('\\', server_end + 1), unc_end);
    key.share = path.substr(server_end + 1, share_end - server_end - 1);
  }
  return key;
}

// Errors after which the library has no working connection to the server any more.
bool connection_lost(int error) {
  switch (error) {
    case ETIMEDOUT: case ECONNRESET: case ECONNREFUSED: case ECONNABORTED: case EPIPE:
    case ENOTCONN: case EHOSTUNREACH: case ENETUNREACH: case EHOSTDOWN: case EIO:
      return true;
    default:
      return false;
  }
}

// One logged-on account and its library context.
class session_t {
 public:
  explicit session_t(const account_t& account) : account_(account) {}
  ~session_t() {
    if (ctx_ != nullptr) {
      // Dropping the connections says goodbye to each server, which waits for the server:
      // done on this context alone, before the release that needs the library's lock.
      {
        std::lock_guard<std::mutex> lock(calls_);
        smbc_getFunctionPurgeCachedServers(ctx_)(ctx_);
      }
      std::lock_guard<std::mutex> lock(library_mutex());
      smbc_free_context(ctx_, 1);
    }
    explicit_bzero(account_.password.data(), account_.password.size());
  }
  session_t(const session_t&) = delete;
  session_t& operator=(const session_t&) = delete;

  // Called with library_mutex held.
  bool init() {
    ctx_ = smbc_new_context();
    if (ctx_ == nullptr) return false;
    port_ = smb_port();
    smbc_setDebug(ctx_, 0);
    smbc_setOptionUserData(ctx_, this);
    smbc_setFunctionAuthDataWithContext(ctx_, &session_t::auth);
    smbc_setOptionNoAutoAnonymousLogin(ctx_, account_.anonymous ? 0 : 1);
    smbc_setOptionUseKerberos(ctx_, 0);
    smbc_setOptionFallbackAfterKerberos(ctx_, 1);
    smbc_setOptionUseCCache(ctx_, 0);
    smbc_setTimeout(ctx_, kTimeoutMs);
    smbc_setPort(ctx_, static_cast<uint16_t>(port_));
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
  friend class call_t;

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
  int port_ = 445;
  // Calls on this context, one at a time.
  std::mutex calls_;
  // Shares this context holds a working connection to (under calls_).
  std::set<share_key> connected_;
};

// One call into the library on a session, from its start to its end. It holds the session's
// lock. A call for a share the context is not connected to yet sets the connection up in
// the library, which is done one at a time process-wide: the server is first asked whether
// it answers at all (outside that turn, so a silent server costs only this context its
// time-out), then the call takes library_mutex. Without the library's thread support every
// call takes it.
class call_t {
 public:
  // For a call on a path of the share `key` (or on a file open on it).
  call_t(session_t& s, const share_key& key) : session_(s), calls_(s.calls_), key_(key) {
    if (!library_threads()) {
      library_ = std::unique_lock<std::mutex>(library_mutex());
      return;
    }
    if (s.connected_.count(key_) != 0) return;
    if (!smb_server_answers(key_.server, s.port_, kTimeoutMs)) {
      refused_ = true;
      return;
    }
    library_ = std::unique_lock<std::mutex>(library_mutex());
  }
  call_t(session_t& s, const std::string& path) : call_t(s, key_of(path)) {}
  call_t(const call_t&) = delete;
  call_t& operator=(const call_t&) = delete;

  // False (errno set) when the server did not answer: the call is not made.
  bool may_call() const { return !refused_; }
  SMBCCTX* ctx() const { return session_.ctx_; }
  // The call's outcome (errno tells a failure's cause).
  void done(bool ok) {
    if (ok) {
      session_.connected_.insert(key_);
    } else if (connection_lost(errno)) {
      session_.connected_.erase(key_);
    }
  }

 private:
  session_t& session_;
  std::lock_guard<std::mutex> calls_;
  std::unique_lock<std::mutex> library_;
  const share_key key_;
  bool refused_ = false;
};

using session_ptr = std::shared_ptr<session_t>;

kind kind_of(mode_t mode) {
  if (S_ISREG(mode)) return kind::file;
  if (S_ISDIR(mode)) return kind::folder;
  return kind::other;
}

// An open SMB file; every call takes its session's lock. Keeps its session alive.
class smb_file final : public file {
 public:
  smb_file(session_ptr session, share_key key, SMBCFILE* handle)
      : session_(std::move(session)), key_(std::move(key)), handle_(handle) {}
  ~smb_file() override { close(); }

  ssize_t read_at(void* buffer, size_t size, uint64_t offset) override {
    call_t call(*session_, key_);
    ssize_t n = seek_locked(call, offset) != 0 ? -1 : read_locked(call, buffer, size);
    call.done(n >= 0);
    return n;
  }
  ssize_t write_at(const void* buffer, size_t size, uint64_t offset) override {
    call_t call(*session_, key_);
    ssize_t n = seek_locked(call, offset) != 0 ? -1 : write_locked(call, buffer, size);
    call.done(n >= 0);
    return n;
  }
  int truncate(uint64_t size) override {
    call_t call(*session_, key_);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionFtruncate(c)(c, handle_, static_cast<off_t>(size))
                             : -1;
    call.done(rc == 0);
    return rc;
  }
  int size(uint64_t* out) override {
    call_t call(*session_, key_);
    SMBCCTX* c = call.ctx();
    struct stat st;
    int rc = call.may_call() ? smbc_getFunctionFstat(c)(c, handle_, &st) : -1;
    call.done(rc == 0);
    if (rc != 0) return -1;
    *out = static_cast<uint64_t>(st.st_size);
    return 0;
  }
  int close() override {
    if (handle_ == nullptr) return 0;
    call_t call(*session_, key_);
    SMBCCTX* c = call.ctx();
    // A handle is closed also when the server is gone: the library lets go of it.
    int rc = smbc_getFunctionClose(c)(c, handle_);
    call.done(rc == 0);
    handle_ = nullptr;
    return rc;
  }

  // Stream helpers, called with a call on the file under way.
  int seek_locked(const call_t& call, uint64_t offset) {
    if (!call.may_call()) return -1;
    SMBCCTX* c = call.ctx();
    off_t at = smbc_getFunctionLseek(c)(c, handle_, static_cast<off_t>(offset), SEEK_SET);
    return at < 0 ? -1 : 0;
  }
  ssize_t read_locked(const call_t& call, void* buffer, size_t size) {
    if (!call.may_call()) return -1;
    SMBCCTX* c = call.ctx();
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
  ssize_t write_locked(const call_t& call, const void* buffer, size_t size) {
    if (!call.may_call()) return -1;
    SMBCCTX* c = call.ctx();
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
  session_t& session() const { return *session_; }
  const share_key& key() const { return key_; }

 private:
  session_ptr session_;
  share_key key_;
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
  call_t call(c->f->session(), c->f->key());
  if (!call.may_call()) return -1;
  SMBCCTX* ctx = call.ctx();
  count_request(request_kind::read);
  ssize_t n = smbc_getFunctionRead(ctx)(ctx, c->f->handle(), buffer, size);
  call.done(n >= 0);
  if (n < 0) return -1;
  if (static_cast<size_t>(n) < size) c->at_end = true;
  return n;
}

ssize_t cookie_write(void* cookie, const char* buffer, size_t size) {
  auto* c = static_cast<stream_cookie*>(cookie);
  call_t call(c->f->session(), c->f->key());
  c->at_end = false;
  ssize_t n = c->f->write_locked(call, buffer, size);
  call.done(n >= 0);
  return n < 0 ? 0 : n;  // glibc takes a short count as the error
}

int cookie_seek(void* cookie, off64_t* offset, int whence) {
  auto* c = static_cast<stream_cookie*>(cookie);
  call_t call(c->f->session(), c->f->key());
  c->at_end = false;
  if (!call.may_call()) return -1;
  SMBCCTX* ctx = call.ctx();
  off_t at = smbc_getFunctionLseek(ctx)(ctx, c->f->handle(), static_cast<off_t>(*offset), whence);
  call.done(at >= 0);
  if (at < 0) return -1;
  *offset = at;
  return 0;
}

int cookie_close(void* cookie) {
  std::unique_ptr<stream_cookie> c(static_cast<stream_cookie*>(cookie));
  return c->f->close() == 0 ? 0 : EOF;
}

class smb_destination_t final : public destination {
 public:
  explicit smb_destination_t(session_ptr session) : session_(std::move(session)) {}

  int stat(const std::string& path, info_t* out, bool /*follow*/) override {
    count_request(request_kind::lookup);
    std::string url = smb_url(path);
    struct stat st;
    call_t call(*session_, path);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionStat(c)(c, url.c_str(), &st) : -1;
    call.done(rc == 0);
    if (rc != 0) return -1;
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
    count_request(request_kind::made);
    std::string url = smb_url(path);
    call_t call(*session_, path);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionMkdir(c)(c, url.c_str(), static_cast<mode_t>(mode))
                             : -1;
    call.done(rc == 0);
    return rc;
  }
  int list(const std::string& path, std::vector<entry_t>* out) override {
    count_request(request_kind::listing);
    std::string url = smb_url(path);
    call_t call(*session_, path);
    SMBCCTX* c = call.ctx();
    SMBCFILE* dir = call.may_call() ? smbc_getFunctionOpendir(c)(c, url.c_str()) : nullptr;
    call.done(dir != nullptr);
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
    count_request(request_kind::removed);
    std::string url = smb_url(path);
    call_t call(*session_, path);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionUnlink(c)(c, url.c_str()) : -1;
    call.done(rc == 0);
    return rc;
  }
  int rmdir(const std::string& path) override {
    count_request(request_kind::removed);
    std::string url = smb_url(path);
    call_t call(*session_, path);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionRmdir(c)(c, url.c_str()) : -1;
    call.done(rc == 0);
    return rc;
  }
  int rename(const std::string& from, const std::string& to) override {
    count_request(request_kind::renamed);
    std::string a = smb_url(from);
    std::string b = smb_url(to);
    call_t call(*session_, from);
    SMBCCTX* c = call.ctx();
    int rc = call.may_call() ? smbc_getFunctionRename(c)(c, a.c_str(), c, b.c_str()) : -1;
    call.done(rc == 0);
    return rc;
  }
  int replace(const std::string& from, const std::string& to) override {
    if (unlink(to) != 0 && errno != ENOENT) return -1;
    return rename(from, to);
  }
  FILE* open(const std::string& path, const char* text_mode, unsigned permissions) override {
    int flags = mode_to_flags(text_mode);
    if (flags < 0) {
      errno = EINVAL;
      return nullptr;
    }
    count_request(request_kind::opened);
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
    count_request(request_kind::opened);
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
  // The server keeps links on a share to itself: the tree need only be a folder.
  pin_status open_tree(const std::string& base, bool create, const std::vector<std::string>&,
                       const std::vector<std::string>&, std::string* offending) override {
    *offending = base;
    info_t info;
    if (stat(base, &info, false) != 0) {
      if (errno != ENOENT) return pin_status::error;
      if (!create) return pin_status::missing;
      if (mkdir(base, 0700) != 0) return pin_status::error;
    } else if (info.type != kind::folder) {
      return pin_status::link_or_other;
    }
    offending->clear();
    return pin_status::ok;
  }
  bool tree_intact(std::string* offending) override {
    offending->clear();
    return true;
  }
  void close_tree() override {}
  bool sqlite_route(const std::string&, bool* through_files, std::string* name) override {
    *through_files = true;
    name->clear();
    return true;
  }

 private:
  std::unique_ptr<smb_file> open_smb(const std::string& path, int flags, unsigned permissions) {
    std::string url = smb_url(path);
    call_t call(*session_, path);
    if (!call.may_call()) return nullptr;
    SMBCCTX* c = call.ctx();
    SMBCFILE* handle = smbc_getFunctionOpen(c)(c, url.c_str(), flags & ~O_APPEND,
                                               static_cast<mode_t>(permissions));
    call.done(handle != nullptr);
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
    return std::make_unique<smb_file>(session_, key_of(path), handle);
  }

  session_ptr session_;
};

// libsmbclient tears its process-wide state down when its last initialised context is freed
// and builds it again (leaking a little each time) for the next one. One context that is
// never freed keeps that state for the life of the process. Called with library_mutex held.
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

std::unique_ptr<destination> smb_destination(const account_t& account) {
  static std::once_flag pipe_once;
  std::call_once(pipe_once, [] {
    // A server that goes away in the middle of a write must give the writer an error, not
    // end the process.
    struct sigaction current;
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      signal(SIGPIPE, SIG_IGN);
    }
  });
  auto session = std::make_shared<session_t>(account);
  {
    std::lock_guard<std::mutex> lock(library_mutex());
    library_threads();  // before the library's first context
    keep_library_state();
    if (!session->init()) return nullptr;
  }
  return std::make_unique<smb_destination_t>(std::move(session));
}

}  // namespace tessaly::share
