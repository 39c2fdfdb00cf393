// One backup run of the engine, as a task's backup thread does it, for the benchmarks; or one
// restore run of the same task.
//
//   backup_once SOURCE DESTINATION [full|incremental] [USER PASSWORD]
//   backup_once SOURCE DESTINATION restore:VERSION:FOLDER [USER PASSWORD]
//
// DESTINATION is a local folder or \\server\share\folder (TESSALY_SMB_PORT for the port).
// A restore writes version VERSION of SOURCE's copy into FOLDER (a chosen folder).
// Prints the outcome, the run's wall time, the share layer's request counts and the
// statements run on the tree's databases; the caller
// measures peak memory.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "backup.h"
#include "backup_task.h"
#include "configuration.h"
#include "db_sql_sqlite3.h"
#include "log.h"
#include "restore.h"
#include "share.h"

// The restore reads one setting; the loader is not linked.
std::string get_global_config(Global_option) { return std::string(); }

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
  std::string folder;
  long version = 0;
  if (argc > 3 && std::strncmp(argv[3], "restore:", 8) == 0) {
    char* end = nullptr;
    version = std::strtol(argv[3] + 8, &end, 10);
    if (end == nullptr || *end != ':' || version < 1) {
      std::fprintf(stderr, "restore:VERSION:FOLDER expected\n");
      return 2;
    }
    folder = end + 1;
  }
  GTimeVal start = time_val_now();
  auto t0 = std::chrono::steady_clock::now();
  run_outcome outcome = folder.empty()
                            ? backup_session(&task, &start)
                            : restore_incremental_backup(&task, folder.c_str(), version);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%s %.3f\n", outcome == run_outcome::completed ? "completed" : "FAILED", seconds);
  // What the run asked of the share layer (see share.h).
  tessaly::share::request_counts_t c = tessaly::share::request_counts();
  std::printf("share requests: %llu lookups, %llu listings, %llu made, %llu removed, "
              "%llu renamed, %llu opened, %llu reads, %llu writes\n",
              static_cast<unsigned long long>(c.lookups),
              static_cast<unsigned long long>(c.listings),
              static_cast<unsigned long long>(c.made), static_cast<unsigned long long>(c.removed),
              static_cast<unsigned long long>(c.renamed),
              static_cast<unsigned long long>(c.opened), static_cast<unsigned long long>(c.reads),
              static_cast<unsigned long long>(c.writes));
  std::printf("database statements: %llu\n",
              static_cast<unsigned long long>(tree_statements_run()));
  return outcome == run_outcome::completed ? 0 : 1;
}
