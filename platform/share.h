// The share layer: one small file-system interface for a task's destination.
//
// A destination path of the form \\server\share\folder is on an SMB share and is reached
// through libsmbclient; any other path is a local folder (or a share the user mounted) and
// is reached with POSIX calls. Callers form paths the same way for both: the destination
// path, then "/" and the names below it ("\\nas\backup\pc/<uuid>/last/id0/sub/a.txt").
// In the leading \\server\share\folder part "\" separates; after it only "/" separates and
// every other character, "\" included, belongs to a name.
//
// SMB access needs the calling thread's connection: logon() gives the thread an account
// (user, password, domain, or guest), in the way a thread of the original system took on a
// logged-on user's identity; logoff() drops it. Local paths need no connection. Each thread
// has its own connection (a library context with its own time-out), and calls on different
// connections go on at once: a server that does not answer holds only the callers of its own
// connection (share_smb.cpp).
//
// Names that SMB cannot carry (" * : < > ? | \ and control characters, a trailing dot or
// space) are stored on the share as the private-use characters the Linux cifs client uses
// with its mapposix option (U+F001..U+F029), and turned back when a folder is listed, so a
// cifs-mounted share shows the original names.
//
// Results follow POSIX: 0 on success, -1 with errno set on failure.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::share {

enum class kind { none, file, folder, link, other };

struct info_t {
  kind type = kind::none;
  uint64_t size = 0;
  int64_t mtime = 0;  // last-write time, seconds since the epoch (UTC)
  uint64_t device = 0;
  uint64_t inode = 0;
};

struct entry_t {
  std::string name;
  kind type = kind::none;
};

// The account a thread reaches SMB shares with. Anonymous is the guest login; an account
// never falls back to guest on its own.
struct account_t {
  std::string user;
  std::string password;
  std::string domain;  // empty: the client's default workgroup
  bool anonymous = false;
};

// True for a path of the form \\server\share[\...].
bool is_smb_path(std::string_view path);

// Gives the calling thread its SMB connection with this account, replacing an earlier one.
// Contacts no server (the first access does; see probe_folder). Fails only when the account
// cannot be used at all (a text too long for the protocol, no client library state).
bool logon(const account_t& account);
// Drops the calling thread's connection. Databases and files opened through it must be
// closed first; open FILE* handles keep the connection alive until they are closed.
void logoff();
bool logged_on();

// Checks that `path` can be reached now and is a folder: for an SMB path this connects
// with the thread's account, so a wrong password, a missing share or an unreachable host
// fails here.
int probe_folder(const std::string& path);

// stat follows links, lstat does not (on a share the server resolves links itself, so the
// two are equal there and `link` never appears).
int stat(const std::string& path, info_t* out);
int lstat(const std::string& path, info_t* out);
// True when something of that name exists (a dangling link counts).
bool exists(const std::string& path);

int mkdir(const std::string& path, unsigned mode = 0700);
// Creates the folder and its missing parents; 0 when it already is a folder.
int mkdirs(const std::string& path, unsigned mode = 0700);
// The entries of a folder without "." and "..", in the server's or file system's order.
int list(const std::string& path, std::vector<entry_t>* out);
int unlink(const std::string& path);
int rmdir(const std::string& path);
// Removes a file, a link or a folder with everything in it. Links are removed, never
// followed; on a local path a folder on another file system is not entered (the removal
// fails there). A missing path is an error (ENOENT). Goes on past failures and reports
// the first one.
int remove_tree(const std::string& path);
// Renames, replacing an existing file of the new name (on SMB the library removes it
// first, so the replacement is not atomic there).
int rename(const std::string& from, const std::string& to);
// Renames `from` over the file `to` that the caller knows to exist. On SMB the file is
// removed first and the rename then asked for once (what rename does after the server
// refused a name that exists, without that refused request); a file already gone is no
// error. Locally the same as rename (atomic).
int replace(const std::string& from, const std::string& to);

// Opens a stream. mode as fopen: "r", "w", "a", "r+", "w+", "a+", with an optional "b".
// Files are created with `permissions` (0660 unless given). On SMB the stream is a glibc
// cookie stream over the thread's connection; it may be used on another thread once made.
// Write errors show in fwrite/fflush and in fclose's result, which callers must check.
FILE* open(const std::string& path, const char* mode, unsigned permissions = 0660);

int readlink(const std::string& path, std::string* target);
int symlink(const std::string& target, const std::string& path);

// A task tree pinned for the calling thread. The local folder `base` (an absolute path: the
// task's destination, which may be reached through links as it is the user's choice, then
// "/" and the tree's name) is opened once without following a link at its last name, and
// made (mode 0700) when missing and `create` is set. From then on every call of this layer
// on the calling thread for a path at or below `base` (formed with the same text) is made
// relative to that open folder and follows no link:
// the fixed folders `folders` below it are opened from it without following a link at their
// first use (and again after the call itself renamed, removed or made them), and no final
// name is followed. Entries already there of a fixed name must be a folder (`folders`) or a
// regular file (`files`). So a link planted at the tree or at its fixed folders by someone
// who may write the destination never leads the service out of the tree, also when it is
// planted while a run goes on.
//   ok             pinned;
//   missing        nothing of that name (and not `create`);
//   link_or_other  the tree or one of its fixed entries is a link or of another kind
//                  (`offending` names it); nothing was changed;
//   error          errno tells (the destination folder cannot be opened, for example).
// Replaces an earlier pin of the thread; SMB paths are not concerned (the server keeps
// links on a share to itself).
enum class pin_status { ok, missing, link_or_other, error };
pin_status pin_tree(const std::string& base, bool create,
                    const std::vector<std::string>& folders,
                    const std::vector<std::string>& files, std::string* offending);
// Lets the thread's pinned tree go. Databases opened in it must be closed first.
void unpin_tree();
// The name under which SQLite's own (local) file layer reaches a path of the pinned tree
// ("/proc/self/fd/<n>/<rest>": through the open folders, never by the path's names); the
// path itself for any other path. False (errno set) when a fixed folder on the way cannot
// be opened without following a link.
bool pinned_path(const std::string& path, std::string* out);
// True when every fixed folder the thread has opened in its pinned tree is still the entry of
// that name (not moved away, nor replaced by a link); else false with `offending` naming it.
// A run asks before it changes last, so that it never finishes with folders it no longer
// finds where they were.
bool pinned_tree_intact(std::string* offending);
// True when the path lies in the calling thread's pinned tree.
bool in_pinned_tree(const std::string& path);

// A random-access file handle (used by the SQLite layer). Never shared between threads
// without the caller's own ordering.
class file {
 public:
  virtual ~file() = default;
  virtual ssize_t read_at(void* buffer, size_t size, uint64_t offset) = 0;
  virtual ssize_t write_at(const void* buffer, size_t size, uint64_t offset) = 0;
  virtual int truncate(uint64_t size) = 0;
  virtual int size(uint64_t* out) = 0;
  // Returns the close result (a failed close means lost writes on SMB).
  virtual int close() = 0;
};
// flags as open(2): O_RDONLY, O_RDWR, O_CREAT, O_EXCL, O_TRUNC.
std::unique_ptr<file> open_file(const std::string& path, int flags, unsigned permissions = 0660);

// The requests this layer has sent to its back-ends since the last reset, process-wide, by
// kind. On a share each one is at least one round trip to the server, so the counts are
// what a change that multiplies a run's round trips shows in. Reads and writes are counted
// on SMB only (a local stream is a plain FILE*); an SMB open is counted with its close.
struct request_counts_t {
  uint64_t lookups = 0;   // stat, lstat
  uint64_t listings = 0;  // list
  uint64_t made = 0;      // mkdir
  uint64_t removed = 0;   // unlink, rmdir
  uint64_t renamed = 0;   // rename
  uint64_t opened = 0;    // open, open_file
  uint64_t reads = 0;     // reads sent to the server
  uint64_t writes = 0;    // writes sent to the server
  uint64_t total() const {
    return lookups + listings + made + removed + renamed + opened + reads + writes;
  }
};
request_counts_t request_counts();
void reset_request_counts();

// Name and URL forms, exposed for tests and for the controller.
// One name as stored on the share (characters SMB cannot carry mapped to private use).
std::string to_share_name(std::string_view name);
// A "/"-separated relative path with every name in its stored form.
std::string to_share_path(std::string_view relative);
// The reverse, for names listed from the share.
std::string from_share_name(std::string_view name);
// Percent-encodes one URL component (everything but A-Z a-z 0-9 - _ . ~).
std::string url_encode(std::string_view text);
// The smb:// URL of an SMB path, or "" when it is not one.
std::string smb_url(const std::string& path);

// The Windows error code that the controller's share browser reports for an errno of this
// layer: 1326 logon failure, 86 wrong password, 5 access denied, 53 network path not found.
int windows_error_code(int error);

}  // namespace tessaly::share
