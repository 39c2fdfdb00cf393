// How a task's destination is reached, the same way in the service and the controller: the
// account the share connection carries, the check of a destination path, and the task's own
// folder below it.
//
// A destination is either an SMB path \\server\share[\folder...] (see share.h) or an
// absolute local folder. The task's folder is the destination, "/" and the task uuid; the
// uuid is checked to be a uuid text first, since the folder is written into and removed.
#pragma once

#include <string>
#include <string_view>

#include "share.h"

namespace tessaly {

// A user name "DOMAIN\user" (also written "\\DOMAIN\user") names its domain; a plain name
// leaves the domain empty (the client's default, which a stand-alone NAS ignores).
void split_account_name(const std::string& name, std::string* user, std::string* domain);

// The account a destination is reached with: the guest login for an anonymous one, else the
// user (split as above) and the password.
share::account_t destination_account(const std::string& name, const std::string& password,
                                     bool anonymous);

// True for a destination path that may form paths: an SMB path with a server and a share,
// or an absolute local folder; in either form no part is "." or ".." and no character is a
// control character.
bool is_usable_destination(std::string_view destination);

// The task's folder: the destination without trailing "/", then "/" and the uuid. "" when
// the uuid is not a uuid text.
std::string task_folder_path(std::string_view destination, std::string_view uuid);

}  // namespace tessaly
