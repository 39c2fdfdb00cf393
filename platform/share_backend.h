// The two back-ends of the share layer behind one interface (private to platform/).
//
// share.cpp picks the back-end by the form of the path and builds the operations that
// are the same for both (mkdirs, remove_tree) on top of this interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "share.h"

namespace tessaly::share {

class backend {
 public:
  virtual ~backend() = default;
  virtual int stat(const std::string& path, info_t* out, bool follow) = 0;
  virtual int mkdir(const std::string& path, unsigned mode) = 0;
  virtual int list(const std::string& path, std::vector<entry_t>* out) = 0;
  virtual int unlink(const std::string& path) = 0;
  virtual int rmdir(const std::string& path) = 0;
  virtual int rename(const std::string& from, const std::string& to) = 0;
  virtual FILE* open_stream(const std::string& path, int flags, unsigned permissions) = 0;
  virtual std::unique_ptr<file> open_file(const std::string& path, int flags,
                                          unsigned permissions) = 0;
  virtual int readlink(const std::string& path, std::string* target) = 0;
  virtual int symlink(const std::string& target, const std::string& path) = 0;
  // True when a folder may be entered by remove_tree from a parent on `parent_device`.
  virtual bool same_file_system(const info_t& entry, const info_t& parent) = 0;
};

backend& local_backend();
// The calling thread's SMB back-end, or null (errno ENOTCONN) without a logon.
std::shared_ptr<backend> smb_backend();
// Replaces the calling thread's SMB back-end by one for this account (null: none).
bool smb_logon(const account_t& account);
void smb_logoff();

// Counts one request of a kind (see request_counts_t).
enum class request_kind { lookup, listing, made, removed, renamed, opened, read, write };
void count_request(request_kind kind);

// fopen-style mode text to open(2) flags; -1 for a text that is none.
int mode_to_flags(const char* mode);

}  // namespace tessaly::share
