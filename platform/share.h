// The share layer's free functions: the calling thread's connection to shares, as the
// controller's readers use it (the NAS browser, the version reader), and the name and URL
// forms of SMB paths. The backup engine does not use these functions: it is handed a
// destination (destination.h) for its run.
//
// SMB access needs the calling thread's connection: logon() gives the thread an account
// (user, password, domain, or guest), in the way a thread of the original system took on a
// logged-on user's identity; logoff() drops it. Local paths need no connection. Each
// thread's connection is a destination of its own (a library context with its own
// time-out), so calls on different connections go on at once: a server that does not answer
// holds only the callers of its own connection (share_smb.cpp). Every call below forwards to
// that destination for an SMB path, or to the local back-end for any other path; the paths'
// forms are those of destination.h.
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

#include "destination.h"

namespace tessaly::share {

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

// The calls of destination.h, on the thread's connection or the local back-end.
int stat(const std::string& path, info_t* out);
int lstat(const std::string& path, info_t* out);
bool exists(const std::string& path);
int mkdir(const std::string& path, unsigned mode = 0700);
int mkdirs(const std::string& path, unsigned mode = 0700);
int list(const std::string& path, std::vector<entry_t>* out);
int unlink(const std::string& path);
int rmdir(const std::string& path);
int remove_tree(const std::string& path);
// A rename between an SMB path and a local one fails with EXDEV.
int rename(const std::string& from, const std::string& to);
int replace(const std::string& from, const std::string& to);
// Files are created with `permissions` (0660 unless given).
FILE* open(const std::string& path, const char* mode, unsigned permissions = 0660);
std::unique_ptr<file> open_file(const std::string& path, int flags, unsigned permissions = 0660);
int readlink(const std::string& path, std::string* target);
int symlink(const std::string& target, const std::string& path);

// The requests the back-ends of every destination have sent since the last reset,
// process-wide, by kind. On a share each one is at least one round trip to the server, so the
// counts are what a change that multiplies a run's round trips shows in. Reads and writes are counted
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
