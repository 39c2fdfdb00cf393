// SQLite databases in a destination's task tree.
//
// Each destination reaches its databases through an SQLite VFS of its own (registered at its
// first database, unregistered with it), which asks the destination how to reach each file
// (destination::sqlite_route): on an SMB share every file goes through the destination's
// open_file, so a fault-injecting wrapper in front of it sees the databases' reads and writes
// too; a local tree's files go to SQLite's own file layer, under names that pass through the
// open tree's folders and never follow a link. On the share the rollback journal lives beside
// the database, so a run cut short is rolled back at the next open. The share's files take no
// locks (SMB offers none through the library): one writer per task tree, and in-process
// readers kept apart by the caller's own mutex. A database on the share is read ahead in blocks
// of pages, kept while the file's change counter says that nobody wrote it meanwhile. Temporary
// data stays in memory.
#pragma once

#include <sqlite3.h>

#include <string>

#include "destination.h"

namespace tessaly::share {

// sqlite3_open_v2 on the destination. flags as sqlite3_open_v2 (SQLITE_OPEN_READWRITE
// without SQLITE_OPEN_CREATE opens only an existing file). On failure *db is null (no handle
// to close) and the SQLite result is returned. Every connection must be closed before the
// destination goes.
int sqlite_open(destination& d, const std::string& path, sqlite3** db, int flags);

}  // namespace tessaly::share
