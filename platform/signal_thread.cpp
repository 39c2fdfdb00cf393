#include "signal_thread.h"

#include <pthread.h>
#include <signal.h>

#include <thread>

namespace tessaly {

namespace {

sigset_t control_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void block_control_signals() {
  sigset_t set = control_signals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

void start_signal_thread(std::function<void(int)> on_signal) {
  std::thread([on_signal = std::move(on_signal)] {
    sigset_t set = control_signals();
    for (;;) {
      int sig = 0;
      if (sigwait(&set, &sig) == 0) on_signal(sig);
    }
  }).detach();
}

}  // namespace tessaly
