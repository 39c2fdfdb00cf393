// Descriptor helpers: every descriptor the service makes is close-on-exec, and the ones the
// main loop watches are non-blocking. Each returns the new descriptor, or the negative
// result of the failed call.
#pragma once

#include <sys/socket.h>

int pipe_cloexec_nonblock(int fds[2]);
int pipe_cloexec(int fds[2]);
int fd_set_nonblock(int fd);
int fd_set_cloexec(int fd, bool on);
int dup_cloexec(int fd);
int open_cloexec(const char* path, int flags, int mode);
int socket_cloexec_nonblock(int domain, int type, int protocol);
int accept_cloexec_nonblock(int fd, struct sockaddr* address, socklen_t* address_len);

// Raises the process's soft limit of open files to its hard limit. A service gets a soft
// limit of 1,024 from systemd, and runs of several tasks at once, each with its databases,
// connections and walks, must not fail on it. 0, or -1 when the limit cannot be changed.
int raise_open_file_limit();

// Privileges.
//
// Linux has no token privileges for this service to take: SetPrivilege keeps its shape and
// succeeds for every privilege name ("Se...Privilege"); another text fails the look-up.
// The token is not used.
bool SetPrivilege(void* token, const char* privilege, bool enable);
