// The SQLite VFS of a destination (see share_sqlite.h). Files the destination routes through
// its own files go through destination::open_file; nameless temporary files and every other
// name go to SQLite's default VFS, so the one VFS can open anything SQLite asks for.
#include "share_sqlite.h"

#include <fcntl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "share.h"

namespace tessaly::share {

namespace {

sqlite3_vfs* default_vfs() {
  static sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
  return vfs;
}

// Writes that follow one another (a journal's page records, runs of neighbouring pages) are
// gathered and sent as one request: on a share every write is a round trip. They are sent
// before any read of the bytes they cover, before a truncation, at every sync and at the
// close, so SQLite finds at each sync what it wrote before it, as on a local file.
constexpr size_t kGatherLimit = 1 << 20;

// SQLite reads a database a page at a time, mostly in the order of the pages. On a share each
// of those reads is a round trip, so a read of a database's page fetches the aligned block of
// kBlock bytes around it in one request, and the last kBlocksKept blocks serve the reads
// that follow. A block is dropped when the connection writes into it or truncates the file.
// Between two locks another connection may have written the file: the blocks are kept then
// only while the file's change counter (bytes 24-39 of the header, which every SQLite writer
// changes with each transaction it commits, and which SQLite itself checks to keep its page
// cache) is what it was when they were read.
constexpr size_t kBlock = 64 << 10;
constexpr size_t kBlocksKept = 8;
constexpr uint64_t kCounterAt = 24;
constexpr size_t kCounterSize = 16;

struct block_t {
  uint64_t at = 0;
  std::vector<char> bytes;  // shorter than kBlock where the file ends
};

struct open_state {
  destination* owner = nullptr;
  std::unique_ptr<file> handle;
  std::string path;
  bool delete_on_close = false;
  bool main_db = false;       // blocks are read ahead for the database file only
  int lock = SQLITE_LOCK_NONE;
  bool check_counter = false;  // a lock was taken anew: the blocks wait for the counter check
  bool counter_known = false;
  std::array<char, kCounterSize> counter{};  // the change counter the blocks go with
  std::vector<char> pending;  // bytes not sent yet, from pending_at on
  uint64_t pending_at = 0;
  std::vector<block_t> blocks;  // the most recently read last
  uint64_t pending_end() const { return pending_at + pending.size(); }
  // Drops the blocks that bytes from `from` to `to` (excluded) fall into.
  void drop_blocks(uint64_t from, uint64_t to) {
    std::erase_if(blocks, [&](const block_t& b) { return b.at < to && from < b.at + kBlock; });
  }
  // Takes the change counter from bytes of the file read or written at `at`.
  void note_counter(const char* bytes, size_t size, uint64_t at) {
    if (at > kCounterAt || at + size < kCounterAt + kCounterSize) return;
    std::memcpy(counter.data(), bytes + (kCounterAt - at), kCounterSize);
    counter_known = true;
  }
};

struct share_vfs_file {
  sqlite3_file base;  // first: SQLite sees only this part
  open_state* state;  // made by x_open, deleted by x_close (SQLite owns this struct's memory)
};

open_state& state_of(sqlite3_file* f) { return *reinterpret_cast<share_vfs_file*>(f)->state; }

// Sends the gathered writes. False (errno set) when the server did not take them all; they
// are dropped then, as a failed write's bytes are.
bool send_pending(open_state& s) {
  if (s.pending.empty()) return true;
  ssize_t n = s.handle->write_at(s.pending.data(), s.pending.size(), s.pending_at);
  bool ok = n == static_cast<ssize_t>(s.pending.size());
  if (!ok && n >= 0) errno = EIO;
  s.pending.clear();
  return ok;
}

int write_error() { return errno == ENOSPC ? SQLITE_FULL : SQLITE_IOERR_WRITE; }

int x_close(sqlite3_file* f) {
  auto* p = reinterpret_cast<share_vfs_file*>(f);
  std::unique_ptr<open_state> s(p->state);
  p->state = nullptr;
  bool sent = send_pending(*s);
  int rc = s->handle->close() == 0 && sent ? SQLITE_OK : SQLITE_IOERR_CLOSE;
  if (s->delete_on_close) s->owner->unlink(s->path);
  return rc;
}

// Sends the gathered writes when they cover any byte from `from` to `to` (excluded).
bool send_pending_within(open_state& s, uint64_t from, uint64_t to) {
  if (s.pending.empty() || from >= s.pending_end() || to <= s.pending_at) return true;
  return send_pending(s);
}

// The block that starts at `at`, read from the file when it is not kept. Null on a failed read.
const block_t* block_at(open_state& s, uint64_t at) {
  for (const block_t& b : s.blocks) {
    if (b.at == at) return &b;
  }
  if (!send_pending_within(s, at, at + kBlock)) return nullptr;
  block_t b;
  b.at = at;
  b.bytes.resize(kBlock);
  ssize_t n = s.handle->read_at(b.bytes.data(), kBlock, at);
  if (n < 0) return nullptr;
  b.bytes.resize(static_cast<size_t>(n));
  s.note_counter(b.bytes.data(), b.bytes.size(), at);
  if (s.blocks.size() >= kBlocksKept) s.blocks.erase(s.blocks.begin());
  s.blocks.push_back(std::move(b));
  return &s.blocks.back();
}

// After a lock taken anew: reads the change counter from the file and drops the blocks when
// it is not the one they were read with. The counter's bytes are left in `counter_read` (the
// first read under a lock is mostly the counter itself). False on a failed read.
bool check_counter(open_state& s, std::array<char, kCounterSize>* counter_read) {
  s.check_counter = false;
  if (!send_pending(s)) return false;
  counter_read->fill(0);
  ssize_t n = s.handle->read_at(counter_read->data(), kCounterSize, kCounterAt);
  if (n < 0) {
    s.blocks.clear();
    s.counter_known = false;
    return false;
  }
  if (!s.counter_known || *counter_read != s.counter) s.blocks.clear();
  s.counter = *counter_read;
  s.counter_known = true;
  return true;
}

int x_read(sqlite3_file* f, void* buffer, int amount, sqlite3_int64 offset) {
  open_state& s = state_of(f);
  uint64_t from = static_cast<uint64_t>(offset);
  uint64_t to = from + static_cast<uint64_t>(amount);
  ssize_t n;
  uint64_t first = from - from % kBlock;
  if (s.main_db && s.check_counter) {
    std::array<char, kCounterSize> read;
    if (!check_counter(s, &read)) return SQLITE_IOERR_READ;
    if (from == kCounterAt && static_cast<size_t>(amount) == kCounterSize) {
      std::memcpy(buffer, read.data(), kCounterSize);
      return SQLITE_OK;
    }
  }
  if (s.main_db && to <= first + kBlock) {
    const block_t* b = block_at(s, first);
    if (b == nullptr) return SQLITE_IOERR_READ;
    size_t skip = static_cast<size_t>(from - first);
    size_t there = b->bytes.size() > skip ? b->bytes.size() - skip : 0;
    n = static_cast<ssize_t>(std::min(there, static_cast<size_t>(amount)));
    if (n > 0) std::memcpy(buffer, b->bytes.data() + skip, static_cast<size_t>(n));
  } else {
    if (!send_pending_within(s, from, to)) return SQLITE_IOERR_READ;
    n = s.handle->read_at(buffer, static_cast<size_t>(amount), from);
  }
  if (n < 0) return SQLITE_IOERR_READ;
  if (n < amount) {
    // SQLite requires the unread part to be zeroed.
    std::memset(static_cast<char*>(buffer) + n, 0, static_cast<size_t>(amount - n));
    return SQLITE_IOERR_SHORT_READ;
  }
  return SQLITE_OK;
}

int x_write(sqlite3_file* f, const void* buffer, int amount, sqlite3_int64 offset) {
  open_state& s = state_of(f);
  const char* bytes = static_cast<const char*>(buffer);
  size_t size = static_cast<size_t>(amount);
  uint64_t at = static_cast<uint64_t>(offset);
  s.drop_blocks(at, at + size);
  s.note_counter(bytes, size, at);
  bool follows = !s.pending.empty() && at == s.pending_end();
  if (follows && s.pending.size() + size <= kGatherLimit) {
    s.pending.insert(s.pending.end(), bytes, bytes + size);
    return SQLITE_OK;
  }
  if (!send_pending(s)) return write_error();
  if (size < kGatherLimit) {
    s.pending.assign(bytes, bytes + size);
    s.pending_at = at;
    return SQLITE_OK;
  }
  ssize_t n = s.handle->write_at(bytes, size, at);
  if (n != amount) return write_error();
  return SQLITE_OK;
}

int x_truncate(sqlite3_file* f, sqlite3_int64 size) {
  open_state& s = state_of(f);
  s.blocks.clear();
  s.counter_known = false;
  if (!send_pending(s)) return SQLITE_IOERR_TRUNCATE;
  return s.handle->truncate(static_cast<uint64_t>(size)) == 0 ? SQLITE_OK
                                                              : SQLITE_IOERR_TRUNCATE;
}

// The gathered writes are sent; each write has reached the server when the library returns
// from it, so there is nothing more to flush.
int x_sync(sqlite3_file* f, int) {
  return send_pending(state_of(f)) ? SQLITE_OK : SQLITE_IOERR_FSYNC;
}

int x_file_size(sqlite3_file* f, sqlite3_int64* size) {
  open_state& s = state_of(f);
  uint64_t stored = 0;
  if (s.handle->size(&stored) != 0) return SQLITE_IOERR_FSTAT;
  *size = static_cast<sqlite3_int64>(s.pending.empty() ? stored
                                                       : std::max(stored, s.pending_end()));
  return SQLITE_OK;
}

// No locks on the share (see share_sqlite.h). A lock taken anew has the blocks read ahead
// checked against the file's change counter at the next read.
int x_lock(sqlite3_file* f, int level) {
  open_state& s = state_of(f);
  if (s.lock == SQLITE_LOCK_NONE) s.check_counter = true;
  s.lock = std::max(s.lock, level);
  return SQLITE_OK;
}
int x_unlock(sqlite3_file* f, int level) {
  state_of(f).lock = level;
  return SQLITE_OK;
}
int x_check_reserved_lock(sqlite3_file*, int* out) {
  *out = 0;
  return SQLITE_OK;
}
int x_file_control(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int x_sector_size(sqlite3_file*) { return 4096; }
int x_device_characteristics(sqlite3_file*) { return 0; }

const sqlite3_io_methods kMethods = {
    1,           x_close, x_read,      x_write,       x_truncate,           x_sync,
    x_file_size, x_lock,  x_unlock,    x_check_reserved_lock, x_file_control,
    x_sector_size, x_device_characteristics,
    nullptr,  // xShmMap and the rest: version 1 only (no WAL)
    nullptr, nullptr, nullptr, nullptr, nullptr,
};

destination& owner_of(sqlite3_vfs* vfs) { return *static_cast<destination*>(vfs->pAppData); }

// True when the destination reaches the file through its own files.
bool through_files(sqlite3_vfs* vfs, const char* name) {
  bool files = false;
  std::string ignored;
  return name != nullptr && owner_of(vfs).sqlite_route(name, &files, &ignored) && files;
}

int x_open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* f, int flags, int* out_flags) {
  if (!through_files(vfs, name)) {
    return default_vfs()->xOpen(default_vfs(), name, f, flags, out_flags);
  }
  auto* p = reinterpret_cast<share_vfs_file*>(f);
  p->base.pMethods = nullptr;
  int os_flags = (flags & SQLITE_OPEN_READWRITE) ? O_RDWR : O_RDONLY;
  if (flags & SQLITE_OPEN_CREATE) os_flags |= O_CREAT;
  if (flags & SQLITE_OPEN_EXCLUSIVE) os_flags |= O_EXCL;
  auto state = std::make_unique<open_state>();
  state->owner = &owner_of(vfs);
  state->handle = state->owner->open_file(name, os_flags, 0660);
  if (!state->handle) return SQLITE_CANTOPEN;
  state->path = name;
  state->delete_on_close = (flags & SQLITE_OPEN_DELETEONCLOSE) != 0;
  state->main_db = (flags & SQLITE_OPEN_MAIN_DB) != 0;
  p->state = state.release();
  p->base.pMethods = &kMethods;
  if (out_flags != nullptr) *out_flags = flags;
  return SQLITE_OK;
}

int x_delete(sqlite3_vfs* vfs, const char* name, int sync_dir) {
  if (!through_files(vfs, name)) return default_vfs()->xDelete(default_vfs(), name, sync_dir);
  if (owner_of(vfs).unlink(name) == 0) return SQLITE_OK;
  return errno == ENOENT ? SQLITE_IOERR_DELETE_NOENT : SQLITE_IOERR_DELETE;
}

int x_access(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  if (!through_files(vfs, name)) return default_vfs()->xAccess(default_vfs(), name, flags, out);
  info_t info;
  if (owner_of(vfs).stat(name, &info, true) == 0) {
    *out = 1;
    return SQLITE_OK;
  }
  *out = 0;
  // A server that cannot be asked must not make a hot journal look absent.
  return errno == ENOENT || errno == ENOTDIR ? SQLITE_OK : SQLITE_IOERR_ACCESS;
}

int x_full_pathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  bool files = false;
  std::string full;
  if (!owner_of(vfs).sqlite_route(name, &files, &full)) return SQLITE_CANTOPEN;
  if (files) {
    full = name;
  } else if (full.empty()) {
    // Any other local name as SQLite forms it.
    return default_vfs()->xFullPathname(default_vfs(), name, size, out);
  }
  // else: a file of the open tree, reached through its open folders (and SQLite's own file
  // layer opens no final link).
  if (full.size() + 1 > static_cast<size_t>(size)) return SQLITE_CANTOPEN;
  std::memcpy(out, full.c_str(), full.size() + 1);
  return SQLITE_OK;
}

void* x_dl_open(sqlite3_vfs*, const char* name) {
  return default_vfs()->xDlOpen(default_vfs(), name);
}
void x_dl_error(sqlite3_vfs*, int size, char* out) {
  default_vfs()->xDlError(default_vfs(), size, out);
}
void (*x_dl_sym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
  return default_vfs()->xDlSym(default_vfs(), handle, symbol);
}
void x_dl_close(sqlite3_vfs*, void* handle) { default_vfs()->xDlClose(default_vfs(), handle); }
int x_randomness(sqlite3_vfs*, int size, char* out) {
  return default_vfs()->xRandomness(default_vfs(), size, out);
}
int x_sleep(sqlite3_vfs*, int micros) { return default_vfs()->xSleep(default_vfs(), micros); }
int x_current_time(sqlite3_vfs*, double* out) {
  return default_vfs()->xCurrentTime(default_vfs(), out);
}
int x_get_last_error(sqlite3_vfs*, int size, char* out) {
  return default_vfs()->xGetLastError ? default_vfs()->xGetLastError(default_vfs(), size, out)
                                      : 0;
}
int x_current_time_int64(sqlite3_vfs*, sqlite3_int64* out) {
  return default_vfs()->xCurrentTimeInt64(default_vfs(), out);
}

// A VFS registered for one destination under a name of its own.
struct registered_vfs {
  sqlite3_vfs vfs;
  std::string name;
  ~registered_vfs() { sqlite3_vfs_unregister(&vfs); }
};

std::shared_ptr<void> register_vfs(destination& d) {
  static std::atomic<unsigned long> counter{0};
  sqlite3_initialize();
  sqlite3_vfs* base = default_vfs();
  auto r = std::make_shared<registered_vfs>();
  r->name = "tessaly-destination-" + std::to_string(counter.fetch_add(1));
  sqlite3_vfs& vfs = r->vfs;
  std::memset(&vfs, 0, sizeof vfs);
  vfs.iVersion = 2;
  vfs.szOsFile = std::max(static_cast<int>(sizeof(share_vfs_file)), base->szOsFile);
  vfs.mxPathname = std::max(base->mxPathname, 4096);
  vfs.zName = r->name.c_str();
  vfs.pAppData = &d;
  vfs.xOpen = x_open;
  vfs.xDelete = x_delete;
  vfs.xAccess = x_access;
  vfs.xFullPathname = x_full_pathname;
  vfs.xDlOpen = x_dl_open;
  vfs.xDlError = x_dl_error;
  vfs.xDlSym = x_dl_sym;
  vfs.xDlClose = x_dl_close;
  vfs.xRandomness = x_randomness;
  vfs.xSleep = x_sleep;
  vfs.xCurrentTime = x_current_time;
  vfs.xGetLastError = x_get_last_error;
  vfs.xCurrentTimeInt64 = x_current_time_int64;
  if (sqlite3_vfs_register(&vfs, 0) != SQLITE_OK) return nullptr;
  return r;
}

}  // namespace

// The destination's VFS, registered at its first use.
struct sqlite_vfs_of {
  static const char* name(destination& d) {
    if (!d.sqlite_vfs_) d.sqlite_vfs_ = register_vfs(d);
    return d.sqlite_vfs_ ? static_cast<registered_vfs*>(d.sqlite_vfs_.get())->name.c_str()
                         : nullptr;
  }
};

int sqlite_open(destination& d, const std::string& path, sqlite3** db, int flags) {
  *db = nullptr;
  const char* vfs = sqlite_vfs_of::name(d);
  if (vfs == nullptr) return SQLITE_ERROR;
  sqlite3* handle = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &handle, flags, vfs);
  if (rc != SQLITE_OK) {
    sqlite3_close(handle);
    return rc;
  }
  // Sorts and temporary indexes in memory: nothing nameless is written on the share.
  sqlite3_exec(handle, "PRAGMA temp_store=MEMORY;", nullptr, nullptr, nullptr);
  *db = handle;
  return SQLITE_OK;
}

}  // namespace tessaly::share
