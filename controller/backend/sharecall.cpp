// One destination call on a thread of its own (see sharecall.h).
#include "sharecall.h"

#include <string.h>

#include <QtCore/QEventLoop>
#include <QtCore/QMetaObject>
#include <QtCore/QTimer>

#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

namespace share = tessaly::share;

// What the call's thread and its caller share. Whichever lets go of it last frees it, so a
// thread still waiting for a silent server may outlive the caller that gave up on it.
struct call_state {
  std::mutex mutex;
  bool done = false;
  bool loggedOn = true;
  int error = 0;
  // The caller's wait, while it waits (under mutex): told when the work is done.
  QEventLoop* waiter = nullptr;
};

void wipe(std::optional<share::account_t>& account) {
  if (account) explicit_bzero(account->password.data(), account->password.size());
}

}  // namespace

ShareCall::ShareCall(std::optional<tessaly::share::account_t> account, int timeoutMs)
    : account_(std::move(account)), timeoutMs_(timeoutMs < 0 ? 0 : timeoutMs) {}

void ShareCall::wait(std::function<void(share::destination&)> work) {
  auto state = std::make_shared<call_state>();
  std::optional<share::account_t> account = account_;
  wipe(account_);
  account_.reset();
  try {
    std::thread([state, account = std::move(account), work = std::move(work)]() mutable {
      std::unique_ptr<share::destination> d =
          account ? share::smb_destination(*account) : share::local_destination();
      const bool loggedOn = d != nullptr;
      const int error = errno;
      wipe(account);
      if (loggedOn) work(*d);
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->done = true;
        state->loggedOn = loggedOn;
        state->error = error;
        if (state->waiter != nullptr) {
          QMetaObject::invokeMethod(state->waiter, &QEventLoop::quit, Qt::QueuedConnection);
        }
      }
      // Only now: the goodbye to the server may wait for it, the caller need not.
      d.reset();
    }).detach();
  } catch (const std::system_error&) {
    outcome_ = Outcome::NoThread;
    error_ = EAGAIN;
    return;
  }

  QEventLoop loop;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);  // a coarse one may end the wait 5 % early
  QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
  bool waiting = false;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    waiting = !state->done;
    if (waiting) state->waiter = &loop;
  }
  if (waiting) {
    deadline.start(timeoutMs_);
    loop.exec();
  }

  std::lock_guard<std::mutex> lock(state->mutex);
  // From here on the thread tells no one; a quit it has posted goes with the loop.
  state->waiter = nullptr;
  if (!state->done) {
    outcome_ = Outcome::TimedOut;
    error_ = ETIMEDOUT;
  } else if (!state->loggedOn) {
    outcome_ = Outcome::LogonFailed;
    error_ = state->error;
  } else {
    outcome_ = Outcome::Done;
    error_ = 0;
  }
}

namespace {

// One call of the destination as the caller sees it: its result and errno, and a listing's
// entries.
struct call_result {
  int result = -1;
  int error = 0;
  std::vector<share::entry_t> entries;
};

// The result of `done` (errno set from it on failure), or -1 with errno = `error` when the
// call did not run.
int give(std::optional<call_result>& done, int error, std::vector<share::entry_t>* out) {
  if (!done) {
    errno = error;
    return -1;
  }
  if (done->result != 0) {
    errno = done->error;
    return -1;
  }
  if (out != nullptr) *out = std::move(done->entries);
  return 0;
}

}  // namespace

int ShareCall::list(const std::string& path, std::vector<share::entry_t>* out) {
  std::optional<call_result> done = run<call_result>([path](share::destination& d) {
    call_result r;
    r.result = d.list(path, &r.entries);
    r.error = errno;
    return r;
  });
  return give(done, error_, out);
}

int ShareCall::mkdir(const std::string& path, unsigned mode) {
  std::optional<call_result> done = run<call_result>([path, mode](share::destination& d) {
    call_result r;
    r.result = d.mkdir(path, mode);
    r.error = errno;
    return r;
  });
  return give(done, error_, nullptr);
}
