// What the destinations of every back-end share (destination.h): the count of the requests
// they send, and the forms of names and paths on a share.
//
// Names that SMB cannot carry (" * : < > ? | \ and control characters, a trailing dot or
// space) are stored on the share as the private-use characters the Linux cifs client uses
// with its mapposix option (U+F001..U+F029), and turned back when a folder is listed, so a
// cifs-mounted share shows the original names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "destination.h"

namespace tessaly::share {

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
