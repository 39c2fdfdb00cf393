// One call of a destination (destination.h) for the window: run on a thread of its own,
// waited for while the caller's events go on.
//
// A server may take the connection and then say nothing. The share layer then holds its
// caller for its own long time-out, so the window's thread never calls it for a share: a
// ShareCall runs the work on a new thread, handed a destination of its own (a connection
// of its own, so a call to one server never waits behind a call to another), and the caller
// waits for it at most a time-out while its thread's events are processed (the window draws,
// its timers fire). A call the caller gave up on is left to end on its own thread, at the
// share layer's own time-out at the latest; it holds nothing the next call needs (its
// destination is its own and goes with its thread), and its late result goes nowhere.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "destination.h"

class ShareCall {
 public:
  // How long the window waits for a share by default.
  static constexpr int kDefaultTimeoutMs = 5000;

  enum class Outcome {
    Done,         // the work ran to its end
    LogonFailed,  // no destination was made for the account (error() tells why); the work
                  // did not run
    TimedOut,     // no end within the time-out (or the application is quitting)
    NoThread,     // no thread could be started
  };

  // `account`: the account of the SMB destination the work is handed; none for the local
  // one, which needs no connection. An object makes one call (the account goes with it).
  explicit ShareCall(std::optional<tessaly::share::account_t> account,
                     int timeoutMs = kDefaultTimeoutMs);

  // Runs `work` on a new thread, handed the call's destination, and waits for it. Its result
  // on Done, else none (outcome() tells why). `work` must own everything it uses (capture by
  // value): after a time-out it goes on running after this call has returned.
  template <typename T>
  std::optional<T> run(std::function<T(tessaly::share::destination&)> work) {
    auto slot = std::make_shared<std::optional<T>>();
    wait([slot, work = std::move(work)](tessaly::share::destination& d) { *slot = work(d); });
    if (outcome_ != Outcome::Done) return std::nullopt;
    return std::move(*slot);
  }

  // The destination's list and mkdir as such a call: 0, or -1 with errno set when
  // the call failed or did not run (error()). The entries are given only on success.
  int list(const std::string& path, std::vector<tessaly::share::entry_t>* out);
  int mkdir(const std::string& path, unsigned mode);

  Outcome outcome() const { return outcome_; }
  // The errno of a destination not made (LogonFailed); ETIMEDOUT after a time-out, EAGAIN
  // without a thread.
  int error() const { return error_; }

 private:
  void wait(std::function<void(tessaly::share::destination&)> work);

  std::optional<tessaly::share::account_t> account_;
  int timeoutMs_;
  Outcome outcome_ = Outcome::TimedOut;
  int error_ = 0;
};
