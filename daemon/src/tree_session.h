// A run's session with its task tree: the connection to the task's destination, the tree
// opened without links (the pin), and the tree's lock with its lease, each given up by the
// session's destruction in the reverse order. The backup, the restore and the schedule's read
// of the last run time are handed a session; the engine reaches the tree only through its
// destination (destination.h), and its databases through the session (db_sql_sqlite3.h).
//
// The tree's paths (task_tree_t) are formed with "/" below the destination path. A session's
// lock is renewed by the session itself while it lives (every tree_lock_t::kRenewSeconds, on
// a thread of its own that only waits in between), so that no step of a run has to.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "destination.h"
#include "session.h"
#include "tree_lock.h"

// The paths of a task's tree on its destination: base = destination path + "/" + uuid.
struct task_tree_t {
  task_tree_t(const std::string& destination, const std::string& uuid);
  std::string base;
  std::string lasttmp;     // a full backup keeps the previous version here until complete
  std::string tmp;
  std::string status;      // status.db
  std::string history;     // history.db
  std::string file_time;   // file_time.db
  std::string increments;
  std::string last;
  std::string version(int n) const;                           // increments/<n>
  static std::string source(const std::string& dir, int k);   // <dir>/id<k>
  std::string marker(int n, int k) const;                     // increments/<n>/id<k>/marker.dat
  // The names in base that the tree keeps: folders, and files (databases, their journals
  // and the lock). None may be a link.
  static const std::vector<std::string>& fixed_folders();
  static const std::vector<std::string>& fixed_files();
};

// What a test puts in front of a run's destination: a wrapper (destination.h) around the
// connected one. Empty: the destination as connected.
using destination_wrap_t = std::function<std::unique_ptr<tessaly::share::destination>(
    std::unique_ptr<tessaly::share::destination>)>;

// Connects to the task's first destination with the task's account (guest for an anonymous
// one; "DOMAIN\user" names the domain) and checks that the destination folder can be
// reached: a wrong password, a missing share or a server that does not answer fails here,
// before anything of the tree is touched. `path` receives the destination path (also on
// failure). Null when the destination cannot be used; nothing is logged.
std::unique_ptr<tessaly::share::destination> mount_disk(const session_t* session,
                                                        std::string* path);

class tree_session {
 public:
  // The session of `task` (which must outlive it), connected by mount_disk and wrapped by
  // `wrap`. Null when the destination cannot be used (nothing logged).
  static std::unique_ptr<tree_session> connect(const session_t& task,
                                               const destination_wrap_t& wrap = nullptr);
  // Stops the lease, gives the lock up, lets the tree go and drops the connection. Databases
  // opened through the session must be closed first (a run's thread_db handles and marker
  // readers are declared after its session, and so go before it).
  ~tree_session();
  tree_session(const tree_session&) = delete;
  tree_session& operator=(const tree_session&) = delete;

  tessaly::share::destination& dest() { return *dest_; }
  const task_tree_t& tree() const { return tree_; }
  const session_t& task() const { return task_; }
  // The task's destination path as configured.
  const std::string& destination_path() const { return path_; }

  // Opens the tree's folder before anything else touches the tree, making it when missing
  // and `create` is set (destination::open_tree): a link at the tree or at one of its fixed
  // entries stops the run with a log record, before anything is changed. False (logged with
  // the task's name) when the run cannot go on.
  bool open_tree(bool create);
  // Takes the tree's lock (tree_lock.h; logged when not taken) and, once taken, keeps its
  // lease renewed until the session goes.
  tree_lock_t::result lock();
  // True when the tree's fixed folders are still those opened (destination::tree_intact).
  bool tree_intact(std::string* offending) { return dest_->tree_intact(offending); }

  // The last database of the tree refused for its schema: noted by the database layer, and
  // taken (true once with its path and what it holds, "view time_tbl") by the run that
  // reports why it failed.
  void note_refused(const std::string& path, const std::string& why);
  bool take_refused(std::string* path, std::string* why);

  // The period of the lease's renewal; tests shorten it (0: the period of tree_lock.h).
  static void set_renew_period_ms(long ms);

 private:
  tree_session(const session_t& task, std::string path,
               std::unique_ptr<tessaly::share::destination> dest);
  void renew_until_stopped();

  const session_t& task_;
  std::string path_;
  task_tree_t tree_;
  std::unique_ptr<tessaly::share::destination> dest_;
  tree_lock_t lock_;
  std::string refused_path_;
  std::string refused_why_;
  // The lease: a thread that renews the lock until stopped.
  std::mutex lease_mutex_;
  std::condition_variable lease_wake_;
  bool lease_stop_ = false;
  std::thread lease_;
};
