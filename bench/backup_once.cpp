// One backup run of the engine, as a task's backup thread does it, for the benchmark.
//
//   backup_once SOURCE DESTINATION [full|incremental] [USER PASSWORD]
//
// DESTINATION is a local folder or \\server\share\folder (TESSALY_SMB_PORT for the port).
// Prints the outcome and the run's wall time; the caller measures peak memory.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "backup.h"
#include "backup_task.h"
#include "log.h"
#include "share.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SOURCE DESTINATION [full|incremental] [USER PASSWORD]\n",
                 argv[0]);
    return 2;
  }
  log_init(false, false, 10, nullptr);
  destination_t d = test_support::local_destination(argv[2]);
  if (argc >= 6) {
    d.anonymous = false;
    d.user = argv[4];
    d.password = argv[5];
  }
  session_t task =
      test_support::backup_task("b3c1e2d4-5f60-4718-9a2b-3c4d5e6f7081", "bench", {argv[1]}, d);
  if (argc > 3 && std::strcmp(argv[3], "full") == 0) task.action = ACTION_FULL_BACKUP;
  GTimeVal start = time_val_now();
  auto t0 = std::chrono::steady_clock::now();
  run_outcome outcome = backup_session(&task, &start);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%s %.3f\n", outcome == run_outcome::completed ? "completed" : "FAILED", seconds);
  return outcome == run_outcome::completed ? 0 : 1;
}
