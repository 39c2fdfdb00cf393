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
