// Control signals on a thread of their own.
//
// The control signals (SIGINT, SIGHUP, SIGTERM) are blocked in every thread, and one thread
// waits for them with sigwait and hands each to a callback. The callback therefore runs as
// ordinary code (it may lock and allocate), never inside a signal handler.
#pragma once

#include <functional>

namespace tessaly {

// Blocks the control signals in the calling thread (and in every thread it starts later)
// and ignores SIGPIPE, so that a closed connection gives an error instead of ending the
// process. Call first thing in main, before any thread exists.
void block_control_signals();

// Starts the detached thread that waits for the control signals and calls `on_signal`
// with the signal number, one at a time, for as long as the process lives.
void start_signal_thread(std::function<void(int)> on_signal);

}  // namespace tessaly
