"""What the backup and restore tests share: a task with one source folder and a destination
on a local folder or on a real Samba server (tests/peers/smbd.sh), the daemon started in
service mode with a UDP link peer of the test's own, and the runs asked for over the link."""

import os
import subprocess
import time
import unittest

from harness import DaemonTestCase, wait_until
from taskfile import session_config, session_xml
from linkpeer import (ACK, PKG_QUERY, PKG_SET, QUERY_SESSION_DETAIL, SET_BACKUP_START,
                      SET_CONFIG_UPDATE, LinkPeer, text)

HERE = os.path.dirname(os.path.abspath(__file__))
SMBD = os.path.normpath(os.path.join(HERE, "..", "peers", "smbd.sh"))

_clock = [1700000000]


def put(path, data):
    """Writes a file with a last-write time of its own (times are compared in seconds). A
    link in its place is replaced, never written through."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if os.path.lexists(path):
        os.unlink(path)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())
    _clock[0] += 11
    os.utime(path, (_clock[0], _clock[0]))


class SmbServer:
    def __init__(self, folder):
        self.folder = folder
        self.port = None
        self.running = False

    def start(self):
        r = subprocess.run([SMBD, "start", self.folder], capture_output=True, text=True)
        if r.returncode == 3:
            raise unittest.SkipTest("smbd needs root")
        self.running = True  # also after a failed start: whatever it left is stopped
        if r.returncode != 0:
            raise AssertionError("smbd did not start: " + r.stdout + r.stderr)
        self.port = int(r.stdout.split()[-1])

    def stop(self):
        """Stops the server by its own pid (its folder holds the pid: it must still be there)
        and fails when any of its processes is still running."""
        if not self.running:
            return
        self.running = False
        r = subprocess.run([SMBD, "stop", self.folder], capture_output=True, text=True)
        if r.returncode != 0:
            raise AssertionError("smbd did not stop: " + r.stdout + r.stderr)


class TaskCase(DaemonTestCase):
    """One task `uuid` named "Docs" backing up the folder `source` (relative to the root)
    to "dest" in the root, or with `smb` to the share's folder "backups". `configure`
    writes the configuration files before the daemon starts; `tree_path` is the task tree
    where it lies on this machine."""

    uuid = None
    source = "src"
    smb = False

    def setUp(self):
        super().setUp()
        self.src = os.path.join(self.root.path, self.source)
        os.makedirs(self.src)
        self.server = None
        if self.smb:
            self.server = SmbServer(os.path.join(self.root.path, "smbd"))
            # Stopped before the root (which holds its pid file) goes, also when the test or
            # the rest of setUp fails.
            self.addCleanup(self.server.stop)
            self.server.start()
            os.makedirs(os.path.join(self.server.folder, "nas", "backups"))
            self.destination = "\\\\127.0.0.1\\nas\\backups"
            self.tree_path = os.path.join(self.server.folder, "nas", "backups", self.uuid)
        else:
            self.destination = os.path.join(self.root.path, "dest")
            os.makedirs(self.destination)
            self.tree_path = os.path.join(self.destination, self.uuid)
        self.configure()
        self.peer = LinkPeer()
        self.daemon = self.start_daemon()

    def tearDown(self):
        self.peer.close()
        if self.server:
            self.server.stop()
        super().tearDown()

    def configure(self):
        self.write_task()

    def write_task(self, **kwargs):
        """SESSION_CONFIG.dat with the task (session_xml's keywords added)."""
        if self.smb:
            kwargs.update(user="tessaly", password="secret-pw", protocol="samba")
        self.root.write("SESSION_CONFIG.dat", session_config(session_xml(
            self.uuid, "Docs", [self.src], self.destination, **kwargs)))

    wrapper = ()

    def start_daemon(self, **env):
        environment = {k: str(v) for k, v in env.items()}
        if self.server:
            environment["TESSALY_SMB_PORT"] = str(self.server.port)
        daemon = self.start(("-s",), env=environment, wrapper=self.wrapper)
        self.peer.wait_ready()
        return daemon

    def detail(self):
        r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(self.uuid))
        return r.texts(4) if r is not None else None

    def start_backup(self):
        r = self.peer.ask(PKG_SET, SET_BACKUP_START, text(self.uuid))
        self.assertEqual((r.type, r.result), (ACK, 0))

    def wait_finished(self, timeout=120):
        ok = wait_until(lambda: (self.detail() or [None] * 3)[2] == "Not started", timeout, 0.2)
        self.assertTrue(ok, "the run did not end")

    def backup(self):
        self.start_backup()
        self.wait_finished()

    def log_text(self):
        """LOG.txt after a reload (which writes the log files)."""
        self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)
        wait_until(lambda: os.path.exists(self.root.file("LOG.txt")))
        time.sleep(0.2)
        return self.root.read("LOG.txt")
