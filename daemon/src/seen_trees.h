// Which task trees the service has seen hold a completed version, by task uuid and
// destination.
//
// A task tree that has existed is never silently made again: when a destination on a USB
// disk or a mount is absent, its empty mount-point folder remains, and a backup that made a
// fresh tree there would fill the root file system at version 1 and report "completed", only
// to be hidden under the disk when it returns. So the service remembers, outside the tree
// (the thing that may be absent), where it has completed a version of each task: a run that
// finds such a tree missing fails and writes nothing, while the first run of a new task (or
// of a task moved to a new destination) still makes its tree.
//
// The memory is the file TASK_TREES.dat in the configuration folder, read by the service
// only: one line per tree, the task uuid, a tab and the destination path as the task file
// gives it (escaped as C text). It is written whole under a temporary name and put in place,
// and an entry is forgotten when its task is deleted or its destination changes.
#pragma once

#include <string>

// True when a completed version of the task `uuid` (letter case aside) was seen at
// `destination`.
bool tree_seen(const std::string& uuid, const std::string& destination);

// Remembers that the task's tree at `destination` holds a completed version. Only while the
// task list has that task with that first destination (a task edited meanwhile is not
// remembered at its old place).
void remember_tree(const std::string& uuid, const std::string& destination);

// Forgets every tree whose task is not in the task list with that first destination. Called
// after a load of the task file.
void forget_unconfigured_trees();
