// A destination file system: the one interface between the backup engine and where a task's
// tree lies, a local folder (or a share the user mounted) or an SMB share.
//
// The engine never calls the operating system or libsmbclient for its tree: it is handed a
// destination (made by connect() for the task's path and account) and does every stat,
// listing, removal, rename and open through it, its databases included (share_sqlite.h). The
// two back-ends live behind it (share_local.cpp, share_smb.cpp); destination_wrapper forwards
// every call to another destination, so that a test can override just the calls it breaks
// (fail the Nth operation of a kind, lose the connection) and prove that no version is lost.
//
// Paths are formed the same way on both back-ends: the destination path, then "/" and the
// names below it ("\\nas\backup\pc/<uuid>/last/id0/sub/a.txt"). In the leading
// \\server\share\folder part of an SMB path "\" separates; after it only "/" separates and
// every other character, "\" included, belongs to a name. Names that SMB cannot carry are
// stored in the private-use forms of share.h (to_share_name) and turned back when listed.
//
// Each destination object is one connection: an SMB destination has its own library context
// and server connection with their own time-out, so that a server that does not answer holds
// only the run that uses it. A destination is used by one thread at a time; a stream or file
// it opened may be used on another thread once made, and keeps the connection alive until it
// is closed. Results follow POSIX: 0 on success, -1 with errno set on failure.
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

// The account an SMB destination is reached with. Anonymous is the guest login; an account
// never falls back to guest on its own.
struct account_t {
  std::string user;
  std::string password;
  std::string domain;  // empty: the client's default workgroup
  bool anonymous = false;
};

// A random-access file handle (used by the SQLite layer and the tree's lock). Never shared
// between threads without the caller's own ordering.
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

// How opening a task tree went (destination::open_tree).
enum class pin_status { ok, missing, link_or_other, error };

class destination {
 public:
  destination();
  virtual ~destination();
  destination(const destination&) = delete;
  destination& operator=(const destination&) = delete;

  // stat follows links (`follow`) or not; on a share the server resolves links itself, so
  // the two are equal there and `link` never appears.
  virtual int stat(const std::string& path, info_t* out, bool follow) = 0;
  virtual int mkdir(const std::string& path, unsigned mode) = 0;
  // The entries of a folder without "." and "..", in the server's or file system's order.
  virtual int list(const std::string& path, std::vector<entry_t>* out) = 0;
  virtual int unlink(const std::string& path) = 0;
  virtual int rmdir(const std::string& path) = 0;
  // Renames, replacing an existing file of the new name (on SMB the library removes it
  // first, so the replacement is not atomic there).
  virtual int rename(const std::string& from, const std::string& to) = 0;
  // Renames `from` over the file `to` that the caller knows to exist. On SMB the file is
  // removed first and the rename then asked for once (what rename does after the server
  // refused a name that exists, without that refused request); a file already gone is no
  // error. Locally the same as rename (atomic).
  virtual int replace(const std::string& from, const std::string& to) = 0;
  // Opens a stream. mode as fopen: "r", "w", "a", "r+", "w+", "a+", with an optional "b".
  // Files are created with `permissions`. Write errors show in fwrite/fflush and in
  // fclose's result, which callers must check.
  virtual FILE* open(const std::string& path, const char* mode, unsigned permissions) = 0;
  // flags as open(2): O_RDONLY, O_RDWR, O_CREAT, O_EXCL, O_TRUNC.
  virtual std::unique_ptr<file> open_file(const std::string& path, int flags,
                                          unsigned permissions) = 0;
  virtual int readlink(const std::string& path, std::string* target) = 0;
  virtual int symlink(const std::string& target, const std::string& path) = 0;
  // True when remove_tree may enter the folder `entry` from its parent `parent` (a file
  // system mounted inside a local tree is left alone).
  virtual bool same_file_system(const info_t& entry, const info_t& parent) = 0;

  // A task tree opened for the calls that follow. On a local destination the folder `base`
  // (an absolute path: the task's destination, which may be reached through links as it is
  // the user's choice, then "/" and the tree's name) is opened once without following a
  // link at its last name, and made (mode 0700) when missing and `create` is set. From then
  // on every call for a path at or below `base` (formed with the same text) is made relative
  // to that open folder and follows no link: the fixed folders `folders` below it are opened
  // from it without following a link at their first use (and again after a call renamed,
  // removed or made them), and no final name is followed. Entries already there of a fixed
  // name must be a folder (`folders`) or a regular file (`files`). So a link planted at the
  // tree or at its fixed folders by someone who may write the destination never leads the
  // service out of the tree, also when it is planted while a run goes on. On a share (whose
  // server keeps links to itself) the tree is looked up, made when missing and `create` is
  // set, and must be a folder.
  //   ok             opened;
  //   missing        nothing of that name (and not `create`);
  //   link_or_other  the tree or one of its fixed entries is a link or of another kind
  //                  (`offending` names it); nothing was changed;
  //   error          errno tells (the destination folder cannot be opened, for example).
  // Replaces an earlier open tree of the destination.
  virtual pin_status open_tree(const std::string& base, bool create,
                               const std::vector<std::string>& folders,
                               const std::vector<std::string>& files, std::string* offending) = 0;
  // True when every fixed folder the destination has opened in its tree is still the entry
  // of that name (not moved away, nor replaced by a link); else false with `offending`
  // naming it. A run asks before it changes last, so that it never finishes with folders it
  // no longer finds where they were.
  virtual bool tree_intact(std::string* offending) = 0;
  // Lets the open tree go. Databases opened in it must be closed first.
  virtual void close_tree() = 0;

  // How SQLite reaches a file of this destination (share_sqlite.h): through open_file
  // (`through_files`: a share, whose files SQLite's own layer cannot open), or by SQLite's
  // own file layer under the name `*name` (a file of a local open tree: through the open
  // folders, "/proc/self/fd/<n>/<rest>", never by the path's names), or, with `*name`
  // empty, under the name SQLite forms itself. False (errno set) when a fixed folder on the
  // way cannot be opened without following a link.
  virtual bool sqlite_route(const std::string& path, bool* through_files, std::string* name) = 0;

 private:
  friend struct sqlite_vfs_of;
  // The SQLite VFS that reaches this destination, registered at its first database and
  // unregistered with it (share_sqlite.cpp).
  std::shared_ptr<void> sqlite_vfs_;
};

// A destination that forwards every call to `target` (which it owns): tests subclass it
// and override the calls they break.
class destination_wrapper : public destination {
 public:
  explicit destination_wrapper(std::unique_ptr<destination> target);
  destination& target() const { return *target_; }

  int stat(const std::string& path, info_t* out, bool follow) override;
  int mkdir(const std::string& path, unsigned mode) override;
  int list(const std::string& path, std::vector<entry_t>* out) override;
  int unlink(const std::string& path) override;
  int rmdir(const std::string& path) override;
  int rename(const std::string& from, const std::string& to) override;
  int replace(const std::string& from, const std::string& to) override;
  FILE* open(const std::string& path, const char* mode, unsigned permissions) override;
  std::unique_ptr<file> open_file(const std::string& path, int flags,
                                  unsigned permissions) override;
  int readlink(const std::string& path, std::string* target) override;
  int symlink(const std::string& target, const std::string& path) override;
  bool same_file_system(const info_t& entry, const info_t& parent) override;
  pin_status open_tree(const std::string& base, bool create,
                       const std::vector<std::string>& folders,
                       const std::vector<std::string>& files, std::string* offending) override;
  bool tree_intact(std::string* offending) override;
  void close_tree() override;
  bool sqlite_route(const std::string& path, bool* through_files, std::string* name) override;

 private:
  std::unique_ptr<destination> target_;
};

// True for a path of the form \\server\share[\...].
bool is_smb_path(std::string_view path);

// A destination for `path`: an SMB one with `account` for an SMB path, else a local one.
// Contacts no server (the first call does; see probe_folder). Null (errno set) when the
// account cannot be used at all (a text too long for the protocol, no client library state).
std::unique_ptr<destination> connect(const std::string& path, const account_t& account);
// The local back-end on its own (no account).
std::unique_ptr<destination> local_destination();
// The SMB back-end on its own, for every share this account reaches; null (errno set) when
// the library cannot make its context.
std::unique_ptr<destination> smb_destination(const account_t& account);

// Operations built on the interface, the same for every back-end.
int lstat(destination& d, const std::string& path, info_t* out);
// True when something of that name exists (a dangling link counts).
bool exists(destination& d, const std::string& path);
// Checks that `path` can be reached now and is a folder: on a share this connects with the
// destination's account, so a wrong password, a missing share or an unreachable host fails
// here.
int probe_folder(destination& d, const std::string& path);
// Creates the folder and its missing parents; 0 when it already is a folder.
int mkdirs(destination& d, const std::string& path, unsigned mode = 0700);
// Removes a file, a link or a folder with everything in it. Links are removed, never
// followed; a folder on another file system is not entered (the removal fails there). A
// missing path is an error (ENOENT). Goes on past failures and reports the first one.
int remove_tree(destination& d, const std::string& path);

}  // namespace tessaly::share
