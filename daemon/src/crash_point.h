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
// The point names a run passes are printed at debug level 0 ("crash point NAME #N").
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
