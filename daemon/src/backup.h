// Backup and restore runs of a task, and the connection to its destination.
#pragma once

#include <string>

#include "session.h"

// Connects the calling thread to the task's first destination with the task's account and
// checks that the destination folder can be reached. `path` receives the destination path
// (also on failure). Every file and database of the tree is then used through the share
// layer on this thread, until umount_disk.
bool mount_disk(const session_t* session, std::string* path);
// Closes the databases the thread still holds open in the tree, then the connection.
bool umount_disk(const std::string& path);
