// Named points of the backup and restore runs where a test build can stop the process dead
// or hold it, so that tests prove that no completed version is lost whatever the moment.
//
// Compiled in only when the build defines TESSALY_CRASH_POINTS (the CMake option of the same
// name, on in builds with tests); otherwise crash_point() is an empty inline function.
//
// With it compiled in, two environment variables choose what happens at a point:
//   TESSALY_CRASH_AT=name[@N]   the process kills itself with SIGKILL at the N-th pass (1
//                               when not given) of the point `name`, exactly like kill -9;
//   TESSALY_PAUSE_AT=name[@N]   at that pass the thread creates the file named by
//                               TESSALY_PAUSE_FILE and waits until the file is removed (so a
//                               test can stop a peer, send a stop request or kill the
//                               process while the run stands at a known step).
// The point names a run passes are printed at debug level 0 ("crash point NAME #N"), and a
// test build can list them with crash_point_passes().
//
// Points of a backup run (backup.cpp, scan_backup_folder.cpp), in the order passed, with the
// step of the run that has just been done:
//   backup.mounted           2   connected to the destination
//   lock.taken               3   the tree's lock file made (lock.taken_over: a stale one
//                                taken over before)
//   backup.locked            3   the tree opened without links and its lock held
//   recover.*                4/8 the repair of an earlier run (below)
//   backup.recovered         4/8 the tree holds complete versions only
//   backup.aside_history     5   full backup: history.db copied into lasttmp
//   backup.aside_init        5   full backup: "init" written
//   backup.aside_increments  5   full backup: increments moved into lasttmp
//   backup.aside_file_time   5   full backup: file_time.db moved into lasttmp
//   backup.history           6   the new history row
//   backup.init              7   "init" written
//   backup.folders           9   increments/<n> and tmp made
//   backup.source            12  each source (pass k+1 is source k)
//   scan.file                12  each file met by the scan
//   backup.scanned           12  a source scanned (its marker not yet committed)
//   backup.marker            12  its marker committed and closed
//   copy.file                12  before each copy into tmp
//   copy.delta               12  a copy made, before its delta
//   copy.recorded            12  its delta written and its time recorded
//   backup.copied            12  a source copied
//   backup.cleaning          14  "cleaning" written, nothing moved yet
//   swap.file                14  before each rename of tmp into last
//   swap.renamed             14  after each rename
//   swap.kept                14  an entry of last whose type changed moved to the kept folder
//   backup.swapped           14  everything moved
//   backup.tmp_removed       15  tmp removed
//   backup.complete          15  "complete" written
//   backup.file_time         16  file_time.db committed
//   backup.done              17  lasttmp removed, before the unmount
// Points of the repair (recover_interrupted_backup): recover.discarded (tmp and
// increments/<N> removed), recover.complete ("complete" written over a discarded run),
// recover.row_deleted (the row of an unfinished run deleted), recover.swapped and
// recover.rolled (a move finished, then "complete"), recover.increments_back,
// recover.file_time_back, recover.history_back, recover.put_back (a full backup's previous
// version put back, then "complete") and recover.lasttmp_removed. A restore passes
// restore.mounted, lock.taken, restore.locked and the restore.* points of restore.cpp.
#pragma once

#ifdef TESSALY_CRASH_POINTS
#include <string>
#include <utility>
#include <vector>

void crash_point(const char* name);
// Every point this process passed, in the order of first passage, with its number of
// passes: a test runs a scenario once and then stops it at each of them in turn.
std::vector<std::pair<std::string, long>> crash_point_passes();
void crash_point_reset();
#else
inline void crash_point(const char*) {}
#endif
