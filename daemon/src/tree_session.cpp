// A run's session with its task tree (see tree_session.h).
#include "tree_session.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "crash_point.h"
#include "i18n.h"
#include "log.h"
#include "task_destination.h"
#include "tree_files.h"

namespace share = tessaly::share;

// ---------------------------------------------------------------------------------------
// The tree's paths.
// ---------------------------------------------------------------------------------------

task_tree_t::task_tree_t(const std::string& destination, const std::string& uuid) {
  std::string root = destination;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  base = root + "/" + uuid;
  lasttmp = base + "/lasttmp";
  tmp = base + "/tmp";
  status = base + "/status.db";
  history = base + "/history.db";
  file_time = base + "/file_time.db";
  increments = base + "/increments";
  last = base + "/last";
}

std::string task_tree_t::version(int n) const { return increments + "/" + std::to_string(n); }

std::string task_tree_t::source(const std::string& dir, int k) {
  return dir + "/id" + std::to_string(k);
}

std::string task_tree_t::marker(int n, int k) const {
  return source(version(n), k) + "/marker.dat";
}

const std::vector<std::string>& task_tree_t::fixed_folders() {
  static const std::vector<std::string> names = {"last", "tmp", "lasttmp", "increments"};
  return names;
}

const std::vector<std::string>& task_tree_t::fixed_files() {
  static const std::vector<std::string> names = {
      "status.db",         "history.db",         "file_time.db", "status.db-journal",
      "history.db-journal", "file_time.db-journal", tree_lock_t::kFileName};
  return names;
}

// ---------------------------------------------------------------------------------------
// The connection.
//
// The account travels with the destination; its name is split into user and domain by the
// rule the controller uses too (task_destination.h).
// ---------------------------------------------------------------------------------------

std::unique_ptr<share::destination> mount_disk(const session_t* session, std::string* path) {
  if (path == nullptr) return nullptr;
  path->clear();
  if (session == nullptr || session->destinations.empty()) return nullptr;
  const destination_t& destination = session->destinations.front();
  *path = destination.path;
  share::account_t account =
      tessaly::destination_account(destination.user, destination.password, destination.anonymous);
  std::unique_ptr<share::destination> d = share::connect(*path, account);
  explicit_bzero(account.password.data(), account.password.size());
  if (!d) {
    daemon_print(3, "Failed to call LogonUser, error code %u\n", static_cast<unsigned>(errno));
    return nullptr;
  }
  if (share::probe_folder(*d, *path) != 0) {
    daemon_print(3, "can not reach %s: %s\n", path->c_str(), std::strerror(errno));
    return nullptr;
  }
  return d;
}

// ---------------------------------------------------------------------------------------
// The session.
// ---------------------------------------------------------------------------------------

namespace {

std::atomic<long> renew_period_ms{0};

std::chrono::milliseconds renew_period() {
  long ms = renew_period_ms.load();
  return std::chrono::milliseconds(ms > 0 ? ms : tree_lock_t::kRenewSeconds * 1000L);
}

}  // namespace

void tree_session::set_renew_period_ms(long ms) { renew_period_ms.store(ms); }

tree_session::tree_session(const session_t& task, std::string path,
                           std::unique_ptr<share::destination> dest)
    : task_(task), path_(std::move(path)), tree_(path_, task.uuid), dest_(std::move(dest)) {}

std::unique_ptr<tree_session> tree_session::connect(const session_t& task,
                                                    const destination_wrap_t& wrap) {
  std::string path;
  std::unique_ptr<share::destination> d = mount_disk(&task, &path);
  if (!d) return nullptr;
  if (wrap) d = wrap(std::move(d));
  return std::unique_ptr<tree_session>(new tree_session(task, std::move(path), std::move(d)));
}

tree_session::~tree_session() {
  if (lease_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(lease_mutex_);
      lease_stop_ = true;
    }
    lease_wake_.notify_all();
    lease_.join();
  }
  lock_.release();
  dest_->close_tree();
}

bool tree_session::open_tree(bool create) {
  auto fail = [&](const char* format, const std::string& path) {
    log_session_append(task_.name.c_str(), task_.uuid.c_str(), MSG_LEVEL_ERROR, format,
                       path_format_to_win(path).c_str());
    return false;
  };
  std::string offending;
  switch (dest_->open_tree(tree_.base, create, task_tree_t::fixed_folders(),
                           task_tree_t::fixed_files(), &offending)) {
    case share::pin_status::ok:
      return true;
    case share::pin_status::link_or_other:
      daemon_print(3, "%s is a link or of another kind\n", offending.c_str());
      return fail(_("%s is a link or not what the task folder keeps there: the run stops and "
                    "nothing in the task folder is changed."),
                  offending);
    default:
      return fail(_("Failed to write directory %s."), tree_.base);
  }
}

tree_lock_t::result tree_session::lock() {
  tree_lock_t::result taken = lock_.take(*dest_, task_, tree_);
  if (taken == tree_lock_t::result::taken && !lease_.joinable()) {
    lease_ = std::thread([this] { renew_until_stopped(); });
  }
  return taken;
}

void tree_session::renew_until_stopped() {
  std::unique_lock<std::mutex> lock(lease_mutex_);
  while (!lease_wake_.wait_for(lock, renew_period(), [this] { return lease_stop_; })) {
    lock.unlock();
    lock_.renew();
    lock.lock();
  }
}

void tree_session::note_refused(const std::string& path, const std::string& why) {
  refused_path_ = path;
  refused_why_ = why;
}

bool tree_session::take_refused(std::string* path, std::string* why) {
  if (refused_path_.empty()) return false;
  if (path != nullptr) *path = refused_path_;
  if (why != nullptr) *why = refused_why_;
  refused_path_.clear();
  refused_why_.clear();
  return true;
}
