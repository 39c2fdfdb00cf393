// The lock of a task tree: one writer per tree, also across services and machines.
//
// Two services may reach the same task tree: two PCs with an imported task file, or a
// second service on the same PC started after its instance lock file was removed. Each
// would take the other's run for an interrupted one and throw it away. So every run takes
// the tree's lock before it repairs, writes or deletes anything in the tree (and a restore
// before it reads it), and gives it up at its end.
//
// The lock is the file run.lock in the tree's folder, created exclusively (O_CREAT|O_EXCL,
// locally and on an SMB share alike) and holding lines that name its holder:
//   TessalySync task tree lock
//   host=<host name>             shown in the log
//   machine=<machine id>         /etc/machine-id (else the host name)
//   boot=<boot id>               /proc/sys/kernel/random/boot_id
//   pidns=<pid namespace>        the holder's process ids are meaningful only in it
//   pid=<process id>
//   process_start=<ticks>        the process's start time since boot (against reused ids)
//   started=<unix time>          when the run took the lock
//   renewed=<unix time>          renewed every 10 minutes while the run goes on
// A lock whose holder is gone is taken over: on the same machine, boot and pid namespace a
// process that no longer runs (or another process under that id), or this process when no
// run of it holds the tree; anywhere else a lock not renewed for 6 hours (the lease). A lock
// file that cannot be read counts as held until it is 10 minutes old. The take-over renames
// the old file away and checks that it was the one judged gone, so two services never both
// take over one stale lock.
#pragma once

#include <mutex>
#include <string>

#include "destination.h"
#include "session.h"

struct task_tree_t;

class tree_lock_t {
 public:
  enum class result { taken, held, failed };

  tree_lock_t() = default;
  ~tree_lock_t() { release(); }
  tree_lock_t(const tree_lock_t&) = delete;
  tree_lock_t& operator=(const tree_lock_t&) = delete;

  // Takes the lock of the tree on the destination `d` (which must outlive the lock's
  // holding). held: another live run holds it (logged with `holder`: "process <pid> on
  // <host> since <time>"); failed: the lock file cannot be made or read (logged). Both
  // logged with the task's name.
  result take(tessaly::share::destination& d, const session_t& task, const task_tree_t& tree);
  // Gives the lock up (removes the file); nothing when it is not held. Idempotent.
  void release();
  // Writes the lock again with the time now as its renewal (the lease of a holder on
  // another machine); nothing when it is not held. May be called from another thread than
  // the holder's.
  void renew();
  bool held() const;

  // The file's name in the tree.
  static constexpr const char* kFileName = "run.lock";
  // The lease of a holder on another machine, and the renewal period.
  static constexpr long kLeaseSeconds = 6 * 3600;
  static constexpr long kRenewSeconds = 600;

 private:
  mutable std::mutex mutex_;  // release and renew from different threads
  tessaly::share::destination* dest_ = nullptr;
  std::string path_;
  std::string started_;
  bool held_ = false;
};

// The description of this process as a lock names it, for tests.
std::string tree_lock_content_now();
