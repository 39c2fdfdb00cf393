#include <unistd.h>

#include <cstdio>

#include "fd_util.h"
#include "main_win32.h"
#include "signal_thread.h"

int main(int argc, char** argv) {
  // Before any thread exists, so that every thread inherits the blocked control signals.
  tessaly::block_control_signals();
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  raise_open_file_limit();
  int status = win32_main(argc, argv);
  // Worker threads may still run: end without running static destructors under them.
  std::fflush(stdout);
  std::fflush(stderr);
  _exit(status);
}
