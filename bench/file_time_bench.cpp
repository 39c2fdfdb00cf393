// file_time.db on an SMB share: how long lookups and inserts take as the table grows.
//
//   file_time_bench [rows]   (default 20000; needs root for the private smbd)
//
// Starts the private Samba server of the tests, mounts its share, and in one transaction
// (as a backup run does) records `rows` new files, then asks for each of them again.
// Prints the time of every tenth of the work, so that growth with the table shows.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "backup.h"
#include "db_sql_sqlite3.h"
#include "tree_session.h"
#include "share.h"
#include "smb_peer.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string rel_path(int i) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "folder%03d/sub folder/file %06d.txt", i % 500, i);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  if (rows < 10) rows = 10;
  test_support::SmbPeer peer;
  std::string why;
  if (!peer.start(&why)) {
    std::fprintf(stderr, "smbd did not start: %s\n", why.c_str());
    return 1;
  }
  session_t task;
  destination_t d;
  d.path = "\\\\127.0.0.1\\nas";
  d.user = test_support::SmbPeer::user();
  d.password = test_support::SmbPeer::password();
  task.destinations.push_back(d);
  std::unique_ptr<tree_session> session = tree_session::connect(task);
  if (!session) {
    std::fprintf(stderr, "mount failed\n");
    return 1;
  }
  std::string db_path = session->destination_path() + "/file_time.db";
  if (!open_thread_db(*session, DB_KEY_FILE_TIME, db_path.c_str())) return 1;

  const int step = rows / 10;
  auto phase = [&](const char* what, bool query_only, int expect) {
    std::printf("%s (%d rows, transaction open)\n", what, rows);
    auto start = std::chrono::steady_clock::now();
    auto slice = start;
    for (int i = 0; i < rows; ++i) {
      int rc = search_file_time_db(rel_path(i).c_str(), "2026-01-01 00:00:00", "id0", query_only);
      if (rc != expect) {
        std::fprintf(stderr, "row %d: answer %d\n", i, rc);
        std::exit(1);
      }
      if ((i + 1) % step == 0) {
        double t = seconds_since(slice);
        std::printf("  rows %6d-%6d: %7.3f s  (%.1f us per call)\n", i + 1 - step, i + 1, t,
                    t * 1e6 / step);
        slice = std::chrono::steady_clock::now();
      }
    }
    std::printf("  total %.3f s\n", seconds_since(start));
  };
  phase("lookup + insert of new files", false, FILE_TIME_NEW);
  auto commit_start = std::chrono::steady_clock::now();
  if (commit_thread_db(DB_KEY_FILE_TIME) != 0) return 1;
  std::printf("commit: %.3f s\n", seconds_since(commit_start));
  if (db_sqlite3_exec(get_db_conn1(DB_KEY_FILE_TIME), "begin;") != 0) return 1;
  phase("lookup of recorded files", true, FILE_TIME_SAME);
  close_thread_db(DB_KEY_FILE_TIME);
  struct stat st;
  if (::stat((peer.share_dir() + "/file_time.db").c_str(), &st) == 0) {
    std::printf("file_time.db on the server: %lld bytes\n", static_cast<long long>(st.st_size));
  }
  return 0;
}
