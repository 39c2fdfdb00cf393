"""Destinations that do not behave: the real daemon with tasks on an SMB server that takes
connections and never answers, and a task tree whose history.db is a trap. The service keeps
answering the link at once, and only the task concerned is affected."""

import os
import socket
import sqlite3
import threading
import time

from harness import DaemonTestCase, wait_until
from taskfile import session_config, session_xml
from linkpeer import (ACK, ANSWER, PKG_QUERY, PKG_SET, QUERY_SESSION_DETAIL, QUERY_VERSION,
                      SET_BACKUP_START, SET_CONFIG_UPDATE, LinkPeer, text)

UUIDS = ["0f8fad5b-d9cb-469f-a165-70867728950e", "7c9e6679-7425-40de-944b-e07fc1f90ae7",
         "16fd2706-8baf-433b-82eb-8c7fada847da"]


class SilentServer:
    """Takes every TCP connection on 127.0.0.1 and never sends a byte, until closed."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.sock.settimeout(0.1)
        self.port = self.sock.getsockname()[1]
        self.held = []
        self.running = True
        self.thread = threading.Thread(target=self._take, daemon=True)
        self.thread.start()

    def _take(self):
        while self.running:
            try:
                conn, _ = self.sock.accept()
            except (socket.timeout, OSError):
                continue
            self.held.append(conn)

    def close(self):
        self.running = False
        self.thread.join()
        for c in self.held:
            c.close()
        self.sock.close()


class HostileCase(DaemonTestCase):
    def setUp(self):
        super().setUp()
        self.peer = LinkPeer()
        self.addCleanup(self.peer.close)

    def timed(self, pkg_type, cmd, payload=b""):
        """The reply to one request and the seconds it took."""
        start = time.monotonic()
        r = self.peer.ask(pkg_type, cmd, payload, timeout=5.0)
        return r, time.monotonic() - start

    def assert_answers_at_once(self, uuids):
        r, took = self.timed(PKG_QUERY, QUERY_VERSION)
        self.assertIsNotNone(r, "no version answer")
        self.assertLess(took, 1.0)
        for uuid in uuids:
            r, took = self.timed(PKG_QUERY, QUERY_SESSION_DETAIL, text(uuid))
            self.assertIsNotNone(r, "no detail answer for %s" % uuid)
            self.assertEqual((r.type, r.result), (ANSWER, 0))
            self.assertLess(took, 1.0)
            self.assertEqual(r.texts(4)[2], "Not started")

    def start_daemon(self, env=None):
        spawned = time.monotonic()
        daemon = self.start(("-s",), env=env)
        self.peer.wait_ready(timeout=20)
        # Up as soon as its own start-up is done (a sanitizer build starts slowly), not after
        # the destinations' time-outs.
        self.assertLess(time.monotonic() - spawned, 8.0)
        return daemon


class SilentNas(HostileCase):
    def test_start_up_and_reload_answer_while_the_nas_is_silent(self):
        silent = SilentServer()
        self.addCleanup(silent.close)
        src = os.path.join(self.root.path, "src")
        os.makedirs(src)
        self.root.write("SESSION_CONFIG.dat", session_config(*[
            session_xml(uuid, "Task %d" % i, [src], "\\\\127.0.0.1\\nas\\backups",
                        user="tessaly", password="secret-pw", protocol="samba")
            for i, uuid in enumerate(UUIDS)]))
        self.start_daemon(env={"TESSALY_SMB_PORT": str(silent.port)})
        self.assert_answers_at_once(UUIDS)
        # The service did go to the server for the tasks' histories, and is waiting there.
        self.assertTrue(wait_until(lambda: len(silent.held) >= 1, timeout=5))

        # The controller sends a reload after every edit: answered at once, and so is all
        # that follows, while the first reads still wait.
        r, took = self.timed(PKG_SET, SET_CONFIG_UPDATE)
        self.assertIsNotNone(r, "no reply to the reload")
        self.assertEqual((r.type, r.result), (ACK, 0))
        self.assertLess(took, 1.0)
        self.assert_answers_at_once(UUIDS)
        r, took = self.timed(PKG_SET, SET_CONFIG_UPDATE)
        self.assertLess(took, 1.0)
        self.assert_answers_at_once(UUIDS)


class TrappedHistory(HostileCase):
    def test_a_history_that_never_ends_fails_only_its_own_task(self):
        src = os.path.join(self.root.path, "src")
        os.makedirs(src)
        with open(os.path.join(src, "a.txt"), "w") as f:
            f.write("a")
        dest = os.path.join(self.root.path, "dest")
        trapped, sound = UUIDS[0], UUIDS[1]
        tree = os.path.join(dest, trapped)
        os.makedirs(tree)
        # Reading the newest row of this time_tbl never ends.
        db = sqlite3.connect(os.path.join(tree, "history.db"))
        db.execute("CREATE VIEW time_tbl (No, Real_time) AS WITH RECURSIVE r(a) AS "
                   "(SELECT 1 UNION ALL SELECT a + 1 FROM r) SELECT a, '2026-01-01T00:00:00Z' "
                   "FROM r")
        db.commit()
        db.close()
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(trapped, "Trapped", [src], dest, extensions=(".*",)),
            session_xml(sound, "Sound", [src], dest, extensions=(".*",))))
        self.start_daemon()
        self.assert_answers_at_once([trapped, sound])

        for uuid in (trapped, sound):
            r = self.peer.ask(PKG_SET, SET_BACKUP_START, text(uuid))
            self.assertEqual((r.type, r.result), (ACK, 0))

        def idle(uuid):
            r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(uuid))
            return r is not None and r.texts(4)[2] == "Not started"
        time.sleep(1)
        self.assertTrue(wait_until(lambda: idle(trapped) and idle(sound), timeout=60),
                        "a run did not end")
        self.assert_answers_at_once([trapped, sound])

        r = self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)  # writes the log files
        self.assertEqual(r.result, 0)
        self.assertTrue(wait_until(lambda: os.path.exists(self.root.file("LOG.txt"))))
        log = self.root.read("LOG.txt")
        self.assertIn("The database %s of the task folder is damaged (it holds view time_tbl) "
                      "and is not read: the run stops." % os.path.join(tree, "history.db"), log)
        self.assertNotIn("Backup Trapped is completed.", log)
        self.assertIn("Backup Sound is completed.", log)
        # The trap is left as it was, and the sound task has its version.
        db = sqlite3.connect(os.path.join(tree, "history.db"))
        self.assertEqual(db.execute("select type from sqlite_master").fetchall(), [("view",)])
        db.close()
        self.assertTrue(os.path.exists(os.path.join(dest, sound, "last", "id0", "a.txt")))


if __name__ == "__main__":
    import unittest
    unittest.main()
