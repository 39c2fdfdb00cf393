// Backup and restore runs of a task (see backup.h).
#include "backup.h"

#include <cerrno>
#include <cstring>

#include "db_sql_sqlite3.h"
#include "fd_util.h"
#include "log.h"
#include "share.h"

// ---------------------------------------------------------------------------------------
// The connection to the destination.
//
// The account travels with the thread's share connection. A user name "DOMAIN\user" (also
// written "\\DOMAIN\user") names its domain; a plain name leaves the domain to the client's
// default, which a stand-alone NAS ignores.
// ---------------------------------------------------------------------------------------

namespace {

void split_account(const std::string& name, std::string* user, std::string* domain) {
  std::string rest = name;
  if (rest.compare(0, 2, "\\\\") == 0) rest.erase(0, 2);
  size_t sep = rest.find('\\');
  if (sep == std::string::npos) {
    *user = name;
    domain->clear();
    return;
  }
  *domain = rest.substr(0, sep);
  *user = rest.substr(sep + 1);
}

}  // namespace

bool mount_disk(const session_t* session, std::string* path) {
  if (path == nullptr) return false;
  path->clear();
  if (session == nullptr || session->destinations.empty()) return false;
  const destination_t& destination = session->destinations.front();
  *path = destination.path;

  bool logged_on;
  if (destination.anonymous) {
    logged_on = set_guest_privilege();
  } else {
    std::string user;
    std::string domain;
    split_account(destination.user, &user, &domain);
    logged_on = set_user_privilege(user.c_str(), destination.password.c_str(), domain.c_str());
  }
  if (!logged_on) return false;
  // Connecting is what proves the account: a wrong password, a missing share or a server
  // that does not answer fails here, before anything of the tree is touched.
  if (tessaly::share::probe_folder(*path) != 0) {
    daemon_print(3, "can not reach %s: %s\n", path->c_str(), std::strerror(errno));
    cancel_user_privilege();
    return false;
  }
  return true;
}

bool umount_disk(const std::string& /*path*/) {
  close_thread_dbs();
  return cancel_user_privilege();
}
