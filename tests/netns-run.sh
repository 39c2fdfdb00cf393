#!/bin/sh
# Runs a command in a network namespace of its own with only the loopback interface up, so
# that tests binding the fixed link ports (or any other) never meet another test's sockets.
exec unshare --net -- sh -c 'ip link set lo up && exec "$@"' sh "$@"
