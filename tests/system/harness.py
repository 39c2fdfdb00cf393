"""Runs the real daemon binary the way a user does, inside a private root prefix."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

DAEMON = os.environ.get("TESSALY_DAEMON", "daemon")


def wait_until(predicate, timeout=10.0, step=0.05):
    """Polls predicate until it is true or the timeout passes; returns its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


class Root:
    """A temporary TESSALY_ROOT with the configuration folder the daemon uses."""

    def __init__(self):
        self.path = tempfile.mkdtemp(prefix="tessaly-sys-")
        self.config = os.path.join(self.path, "var", "lib", "Tessaly")

    def file(self, name):
        return os.path.join(self.config, name)

    def read(self, name, mode="r"):
        with open(self.file(name), mode) as f:
            return f.read()

    def write(self, name, data):
        os.makedirs(self.config, exist_ok=True)
        with open(self.file(name), "wb" if isinstance(data, bytes) else "w") as f:
            f.write(data)

    def cleanup(self):
        shutil.rmtree(self.path, ignore_errors=True)


class Daemon:
    """One daemon process started in the console mode."""

    def __init__(self, root, args=("-s",), env=None, cwd=None, wrapper=()):
        """`wrapper`: a command that runs the daemon (its path and arguments follow it), with
        the same process id (it execs)."""
        environment = dict(os.environ)
        environment["TESSALY_ROOT"] = root.path
        environment.pop("NOTIFY_SOCKET", None)
        if env:
            environment.update(env)
        self.proc = subprocess.Popen(
            [*wrapper, DAEMON, *args],
            env=environment,
            cwd=cwd,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE,
            stderr=subprocess.PIPE,
        )
        self.stdout = b""
        self.stderr = b""

    @property
    def pid(self):
        return self.proc.pid

    def alive(self):
        return self.proc.poll() is None

    def wait(self, timeout=20):
        out, err = self.proc.communicate(timeout=timeout)
        self.stdout += out
        self.stderr += err
        return self.proc.returncode

    def stop(self, sig=signal.SIGINT, timeout=20):
        """Sends sig until the daemon ends (signals during start-up are held or swallowed)."""
        deadline = time.monotonic() + timeout
        while self.alive() and time.monotonic() < deadline:
            self.proc.send_signal(sig)
            try:
                return self.wait(timeout=1.0)
            except subprocess.TimeoutExpired:
                continue
        if self.alive():
            self.proc.kill()
            self.wait()
            raise AssertionError("daemon did not stop on %s" % sig)
        return self.wait()

    def kill(self):
        if self.alive():
            self.proc.kill()
        try:
            self.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass


class DaemonTestCase(unittest.TestCase):
    """A test case with a fresh root and every started daemon killed at the end, also when
    the test or its setUp fails (a clean-up registered first, so it runs last)."""

    def setUp(self):
        self.root = Root()
        self.daemons = []
        self.addCleanup(self._finish)

    def _finish(self):
        for d in self.daemons:
            d.kill()
        self.daemons = []
        self.root.cleanup()

    def fresh_root(self):
        """Ends the daemons of this test and starts again on a new root."""
        for d in self.daemons:
            d.kill()
        self.daemons = []
        self.root.cleanup()
        self.root = Root()

    def start(self, *args, **kwargs):
        d = Daemon(self.root, *args, **kwargs)
        self.daemons.append(d)
        return d

    def wait_running(self, daemon):
        """Waits until the daemon holds its instance lock and has written its first log."""
        lock = os.path.join(self.root.path, "run", "TessalySync.lock")
        ok = wait_until(lambda: daemon.alive() and os.path.exists(lock)
                        and os.path.exists(self.root.file("LOG.dat")))
        self.assertTrue(ok, "daemon did not come up")
        time.sleep(0.3)
