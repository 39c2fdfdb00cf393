"""Fails when a process that a test of this test command started is still running.

Every test of the command runs with TESSALY_TEST_TAG set to the same text (the build
folder), and the peers a test starts (smbd, the SMTP server, dbus-daemon, the daemon itself)
inherit it. Run after all other tests (a CTest fixture's clean-up), this looks for processes
that carry the tag, names them, ends them by their own pids, and exits 1 when there were any.

    python3 left_behind.py TAG
"""

import os
import signal
import sys
import time


def tagged(tag):
    me = os.getpid()
    mine = {me, os.getppid()}
    found = []
    wanted = ("TESSALY_TEST_TAG=" + tag).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        if pid in mine:
            continue
        try:
            with open("/proc/%d/environ" % pid, "rb") as f:
                environment = f.read().split(b"\0")
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                command = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except OSError:
            continue  # gone meanwhile, or not ours to read
        if wanted in environment and command:
            found.append((pid, command))
    return found


def main():
    if len(sys.argv) != 2 or not sys.argv[1]:
        print("usage: left_behind.py TAG", file=sys.stderr)
        return 2
    tag = sys.argv[1]
    # A peer that is stopping at the end of its test gets a moment.
    deadline = time.monotonic() + 5
    left = tagged(tag)
    while left and time.monotonic() < deadline:
        time.sleep(0.2)
        left = tagged(tag)
    if not left:
        print("no process of the tests is left running")
        return 0
    for pid, command in left:
        print("left running by a test: pid %d: %s" % (pid, command))
    for pid, _ in left:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
    return 1


if __name__ == "__main__":
    sys.exit(main())
