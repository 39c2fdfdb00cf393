// The backup run of a task: connects to its destination, repairs the tree, walks every
// source against last (scan_backup_folder.h), moves the new copy into place and records the
// result in status.db, history.db and file_time.db.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "session.h"
#include "threads.h"
#include "tree_repair.h"
#include "tree_session.h"

// One backup run of a task copy (the task's backup thread). `wrap` is what a test puts in
// front of the run's destination.
run_outcome backup_session(const session_t* session, const GTimeVal* start,
                           const destination_wrap_t& wrap = nullptr);
// Looks the task up by uuid and runs backup_session on a copy; not_found when it is unknown.
run_outcome backup_uuid(const char* uuid, const GTimeVal* start);
