// SQLite databases in a destination tree.
//
// A database on an SMB share is opened through an SQLite VFS ("tessaly-share") over the
// share layer, on the calling thread's connection; a local one through SQLite's default
// VFS. On the share the rollback journal lives beside the database, so a run cut short is
// rolled back at the next open. The share VFS takes no file locks (SMB offers none through
// the library): one writer per task tree, and in-process readers kept apart by the
// caller's own mutex. Temporary data stays in memory.
#pragma once

#include <sqlite3.h>

#include <string>

namespace tessaly::share {

// sqlite3_open_v2 with the VFS that fits the path. flags as sqlite3_open_v2
// (SQLITE_OPEN_READWRITE without SQLITE_OPEN_CREATE opens only an existing file).
// On failure *db is null (no handle to close) and the SQLite result is returned.
int sqlite_open(const std::string& path, sqlite3** db, int flags);

}  // namespace tessaly::share
