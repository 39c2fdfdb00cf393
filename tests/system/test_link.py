"""The controller link, black-box: the real daemon and a UDP peer of the test's own on
127.0.0.1:7503, inside a network namespace of the test (see tests/netns-run.sh)."""

import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time
import unittest

from harness import DaemonTestCase, wait_until
from taskfile import session_config, session_xml
from linkpeer import (ACK, ANSWER, PKG_QUERY, PKG_SET, QUERY_SESSION_DETAIL,
                      QUERY_SESSION_SUMMARY, QUERY_VERSION, SET_BACKUP_START, SET_BACKUP_STOP,
                      SET_CONFIG_UPDATE, SET_LOG_CLEAR, SET_RESTORE_START, SET_RESTORE_STOP,
                      LinkPeer, Reply, request, restore_payload, text)

UUID_A = "0f8fad5b-d9cb-469f-a165-70867728950e"
UUID_B = "7c9e6679-7425-40de-944b-e07fc1f90ae7"


class LinkCase(DaemonTestCase):
    def setUp(self):
        super().setUp()
        self.dest = os.path.join(self.root.path, "dest")
        self.src = os.path.join(self.root.path, "src")
        os.makedirs(self.dest)
        os.makedirs(self.src)
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(UUID_A, "Docs & more", [self.src, self.src + "2"], self.dest)))
        self.peer = LinkPeer()
        self.daemon = self.start(("-s",))
        self.ready = self.peer.wait_ready()

    def tearDown(self):
        self.peer.close()
        super().tearDown()


class Replies(LinkCase):
    def test_version_answer_bytes(self):
        r = self.ready
        self.assertEqual(r.type, ANSWER)
        self.assertEqual(r.length, 45)
        self.assertEqual(len(r.raw), 45)
        self.assertEqual(r.daemon_pid, self.daemon.pid)
        self.assertEqual(r.gui_pid, 0x1234)
        self.assertEqual(r.result, 0)
        self.assertEqual(r.payload, bytes([0, 0, 0, 2, 0, 0, 0, 1, 0]))

    def test_table_of_requests_and_replies(self):
        cases = [
            # (type, cmd, payload, reply type, result, pkg_len, text)
            (PKG_SET, SET_LOG_CLEAR, b"", ACK, 0, 37, ""),
            (PKG_SET, SET_BACKUP_START, text(""), ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_BACKUP_START, b"", ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_BACKUP_START, text(UUID_B), ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_BACKUP_STOP, text(UUID_A), ACK, 3, 59, "session is not running"),
            (PKG_SET, SET_BACKUP_STOP, text(""), ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_RESTORE_STOP, text(UUID_A), ACK, 3, 59, "session is not running"),
            (PKG_SET, SET_RESTORE_START, restore_payload(UUID_B, 1), ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_RESTORE_START, text(UUID_A) + b"\1", ACK, 2, 52, "UUID is invalid"),
            (PKG_SET, SET_RESTORE_START, UUID_A.encode(), ACK, 2, 52, "UUID is invalid"),
            (PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_B), ANSWER, 5, 68,
             "can not find the backup session"),
            (PKG_QUERY, QUERY_SESSION_DETAIL, text(""), ANSWER, 5, 68,
             "can not find the backup session"),
        ]
        for pkg_type, cmd, payload, reply_type, result, length, message in cases:
            with self.subTest(cmd=cmd, payload=payload):
                r = self.peer.ask(pkg_type, cmd, payload)
                self.assertIsNotNone(r)
                self.assertEqual((r.type, r.cmd, r.result, r.length, len(r.raw)),
                                 (reply_type, cmd, result, length, length))
                self.assertEqual(r.text(), message)
                self.assertEqual(r.payload[-1:], b"\0")

    def test_summary_counts(self):
        r = self.peer.ask(PKG_QUERY, QUERY_SESSION_SUMMARY)
        self.assertEqual((r.length, r.result), (40, 0))
        self.assertEqual(r.payload, bytes([1, 0, 0, 0]))

    def test_detail_answer_bytes(self):
        r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A))
        self.assertEqual(r.result, 0)
        self.assertEqual(r.payload[:4], bytes([11, 0, 0, 1]))  # manually, incremental
        self.assertEqual(r.texts(4), [UUID_A, "Docs & more", "Not started", "", "", self.dest,
                                      self.src, self.src + "2"])
        self.assertEqual(r.length, len(r.raw))

    def test_reload_answers_and_replaces_the_tasks(self):
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(UUID_B, "Pictures", [self.src], self.dest, action="full_backup")))
        r = self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)
        self.assertEqual((r.type, r.result, r.length), (ACK, 0, 37))
        self.assertEqual(self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A)).result, 5)
        detail = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_B))
        self.assertEqual(detail.result, 0)
        self.assertEqual(detail.payload[3], 0)
        self.assertEqual(detail.texts(4)[1], "Pictures")

    def test_log_clear_empties_the_log_files(self):
        r = self.peer.ask(PKG_SET, SET_LOG_CLEAR)
        self.assertEqual(r.result, 0)
        self.assertIn("<count>0</count>", self.root.read("LOG.dat"))
        self.assertEqual(self.root.read("LOG.txt", "rb"), b"BRELKIN TessalySync\r\n")


class Duplicates(LinkCase):
    def test_duplicate_rule(self):
        p = self.peer
        p.send(PKG_SET, SET_LOG_CLEAR, seq=100)
        p.send(PKG_SET, SET_LOG_CLEAR, seq=100)
        got = p.replies_until_barrier()
        self.assertEqual([(r.type, r.seq) for r in got], [(ACK, 100)])
        # A version query is served every time, also with a repeated number.
        p.send(PKG_QUERY, QUERY_VERSION, seq=200)
        p.send(PKG_QUERY, QUERY_VERSION, seq=200)
        got = p.replies_until_barrier()
        self.assertEqual([(r.cmd, r.seq) for r in got], [(QUERY_VERSION, 200), (QUERY_VERSION, 200)])
        # A set and a query may share a number.
        p.send(PKG_SET, SET_LOG_CLEAR, seq=300)
        p.send(PKG_QUERY, QUERY_SESSION_SUMMARY, seq=300)
        got = p.replies_until_barrier()
        self.assertEqual(sorted((r.type, r.seq) for r in got), [(ACK, 300), (ANSWER, 300)])

    def test_malformed_datagrams_get_no_answer_and_use_no_number(self):
        p = self.peer
        good = request(PKG_SET, SET_LOG_CLEAR, 500)
        bad = [
            b"",
            good[:10],
            good[:2] + struct.pack("<H", 20) + good[4:],
            good[:2] + struct.pack("<H", 500) + good[4:] + b"\0" * 12,
            request(ACK, 0, 501),
            request(ANSWER, 0, 502),
            request(PKG_SET, 9, 503),
            request(PKG_QUERY, 7, 504),
            request(7, 0, 505),
        ]
        for datagram in bad:
            p.send_raw(datagram)
        self.assertEqual(p.replies_until_barrier(), [])
        self.assertTrue(self.daemon.alive())
        p.send_raw(good)
        got = p.replies_until_barrier()
        self.assertEqual([(r.type, r.seq, r.result) for r in got], [(ACK, 500, 0)])

    def test_reply_arrives_after_the_controller_was_absent(self):
        p = self.peer
        p.close()
        p.send(PKG_SET, SET_LOG_CLEAR)  # its reply meets a closed port
        time.sleep(0.5)
        p.open()
        r = p.ask(PKG_QUERY, QUERY_VERSION)
        self.assertIsNotNone(r)


class Controllers(LinkCase):
    def test_a_restarted_controller_is_not_taken_for_a_repeat(self):
        p = self.peer
        p.send(PKG_SET, SET_LOG_CLEAR, seq=1, gui_pid=4001)
        p.send(PKG_QUERY, QUERY_SESSION_SUMMARY, seq=2, gui_pid=4001)
        got = p.replies_until_barrier()
        self.assertEqual(sorted((r.gui_pid, r.type, r.seq) for r in got),
                         [(4001, ACK, 1), (4001, ANSWER, 2)])
        # The controller starts again with a new process id and counts from 1 again.
        p.send(PKG_SET, SET_LOG_CLEAR, seq=1, gui_pid=4002)
        p.send(PKG_QUERY, QUERY_SESSION_SUMMARY, seq=2, gui_pid=4002)
        got = p.replies_until_barrier()
        self.assertEqual(sorted((r.gui_pid, r.type, r.seq) for r in got),
                         [(4002, ACK, 1), (4002, ANSWER, 2)])
        # A repeat from the same controller is still dropped; its version query is served.
        p.send(PKG_SET, SET_LOG_CLEAR, seq=1, gui_pid=4002)
        p.send(PKG_QUERY, QUERY_SESSION_SUMMARY, seq=2, gui_pid=4002)
        p.send(PKG_QUERY, QUERY_VERSION, seq=2, gui_pid=4002)
        got = p.replies_until_barrier()
        self.assertEqual([(r.gui_pid, r.cmd, r.seq) for r in got], [(4002, QUERY_VERSION, 2)])

    def test_many_controllers_do_not_grow_the_table_and_the_oldest_is_forgotten(self):
        p = self.peer
        p.send(PKG_SET, SET_LOG_CLEAR, seq=7, gui_pid=5000)
        for pid in range(5001, 5001 + 40):
            p.send(PKG_QUERY, QUERY_SESSION_SUMMARY, seq=7, gui_pid=pid)
        got = p.replies_until_barrier()
        self.assertEqual(len(got), 41)
        # 5000 was forgotten first: the same number is taken as new again.
        p.send(PKG_SET, SET_LOG_CLEAR, seq=7, gui_pid=5000)
        got = p.replies_until_barrier()
        self.assertEqual([(r.gui_pid, r.seq) for r in got], [(5000, 7)])


# A request sent by another user: the sending socket stays open until the test says so,
# as a controller's does (the service looks its owner up while the socket exists).
SENDER = r"""
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for hexdata in sys.argv[1:]:
    s.sendto(bytes.fromhex(hexdata), ("127.0.0.1", 7502))
print("sent", flush=True)
sys.stdin.read()
"""


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                     "needs root and setpriv to send as other users")
class Access(LinkCase):
    """Only root and the users who may configure the service (the owner of the
    configuration folder, or a member of its group when the folder gives the group access)
    have set requests and task queries acted on."""

    # Debian's base system users: "daemon" (uid 1, primary group 1) and "bin" (2, group 2).
    MEMBER = (1, 1)
    OTHER = (2, 2)

    def send_as(self, user, *datagrams):
        """Sends the datagrams as the user and returns the replies that reach the
        controller's port (a version query of root is the barrier)."""
        uid, gid = user
        child = subprocess.Popen(
            ["setpriv", "--reuid=%d" % uid, "--regid=%d" % gid, "--clear-groups",
             sys.executable, "-c", SENDER] + [d.hex() for d in datagrams],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd="/")
        try:
            self.assertEqual(child.stdout.readline().strip(), b"sent")
            return self.peer.replies_until_barrier(grace=0.5)
        finally:
            child.stdin.close()
            child.wait(timeout=10)
            child.stdout.close()

    def requests(self, seq):
        target = os.path.join(self.root.path, "stolen")
        return [request(PKG_SET, SET_LOG_CLEAR, seq),
                request(PKG_SET, SET_BACKUP_START, seq + 1, text(UUID_A)),
                request(PKG_SET, SET_RESTORE_START, seq + 2, restore_payload(UUID_A, 1, target)),
                request(PKG_SET, SET_CONFIG_UPDATE, seq + 3),
                request(PKG_QUERY, QUERY_SESSION_SUMMARY, seq + 4),
                request(PKG_QUERY, QUERY_SESSION_DETAIL, seq + 5, text(UUID_A))]

    def log_dat(self):
        self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)  # writes the log files
        return self.root.read("LOG.dat")

    def test_another_user_is_refused_and_logged_and_gets_the_version_only(self):
        before = self.log_dat()
        self.assertIn("<count>", before)
        got = self.send_as(self.OTHER, *self.requests(1000))
        self.assertEqual(got, [])
        got = self.send_as(self.OTHER, request(PKG_QUERY, QUERY_VERSION, 1010))
        self.assertEqual([(r.type, r.cmd, r.seq) for r in got], [(ANSWER, QUERY_VERSION, 1010)])
        # Nothing was done: no run, no restore, the log not cleared.
        self.assertEqual(self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A)).texts(4)[2],
                         "Not started")
        time.sleep(3.5)  # a run would have begun by now
        self.assertEqual(os.listdir(self.dest), [])
        self.assertFalse(os.path.exists(os.path.join(self.root.path, "stolen")))
        log = self.log_dat()
        self.assertIn("A request of user id 2 was refused", log)
        for record in ("Backup Docs", "Restore Docs"):
            self.assertNotIn(record, log)
        # Its refused numbers are not used up for root's controller.
        r = self.peer.ask(PKG_SET, SET_LOG_CLEAR)
        self.assertEqual((r.type, r.result), (ACK, 0))

    def test_a_member_of_the_configuration_folders_group_is_served(self):
        config = self.root.config
        os.chown(config, 0, self.MEMBER[1])
        os.chmod(config, 0o2770)
        got = self.send_as(self.MEMBER, request(PKG_QUERY, QUERY_SESSION_SUMMARY, 2000),
                           request(PKG_SET, SET_LOG_CLEAR, 2001))
        self.assertEqual(sorted((r.type, r.seq, r.result) for r in got),
                         [(ACK, 2001, 0), (ANSWER, 2000, 0)])
        # Without group rights on the folder (0700 without the group "tessaly") only its
        # owner and root may.
        os.chmod(config, 0o700)
        self.assertEqual(self.send_as(self.MEMBER, request(PKG_SET, SET_LOG_CLEAR, 2003)), [])
        self.assertIn("A request of user id 1 was refused", self.log_dat())
        # Someone outside the group is refused with the group's rights too.
        os.chmod(config, 0o2770)
        self.assertEqual(self.send_as(self.OTHER, request(PKG_SET, SET_LOG_CLEAR, 2002)), [])


# A flood of refused requests: each from a fresh socket closed at once, `rate` a second for
# `seconds`, in bursts every 10 ms. Prints the number sent.
FLOODER = r"""
import socket, sys, time
data, rate, seconds = bytes.fromhex(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
burst = rate // 100
sent = 0
start = time.monotonic()
while time.monotonic() - start < seconds:
    for _ in range(burst):
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.sendto(data, ("127.0.0.1", 7502))
        s.close()
        sent += 1
    pause = start + sent / rate - time.monotonic()
    if pause > 0:
        time.sleep(pause)
print(sent, flush=True)
"""

# Binds the controller's port 7503 and counts what reaches it until its input ends.
STRANGER = r"""
import select, socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 7503))
print("bound", flush=True)
got = 0
while True:
    ready, _, _ = select.select([s, sys.stdin], [], [])
    if s in ready:
        s.recv(70000)
        got += 1
    if sys.stdin in ready:
        break
print(got, flush=True)
"""


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                     "needs root and setpriv to act as another user")
class Strangers(LinkCase):
    OTHER = Access.OTHER

    def as_other(self, script, *args):
        uid, gid = self.OTHER
        return subprocess.Popen(
            ["setpriv", "--reuid=%d" % uid, "--regid=%d" % gid, "--clear-groups",
             sys.executable, "-c", script, *args],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd="/")

    def log_dat(self):
        self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)  # writes the log files
        return self.root.read("LOG.dat")

    def test_a_refused_flood_keeps_the_log_and_the_controller_is_answered(self):
        # Records of the service's own before the flood.
        for _ in range(3):
            self.assertEqual(self.peer.ask(PKG_SET, SET_BACKUP_STOP, text(UUID_A)).result, 3)
        self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)
        before = self.log_dat()
        flood = self.as_other(FLOODER, request(PKG_QUERY, QUERY_SESSION_DETAIL, 1,
                                               text(UUID_A)).hex(), "9000", "4")
        try:
            time.sleep(0.5)
            answered = 0
            for _ in range(8):
                r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A), timeout=2.0)
                if r is not None and r.result == 0:
                    answered += 1
                time.sleep(0.3)
            self.assertEqual(answered, 8)
        finally:
            sent = int(flood.communicate(timeout=60)[0])
        self.assertGreater(sent, 20000)
        log = self.log_dat()
        refusals = log.count("was refused")
        self.assertEqual(refusals, 1, log)
        self.assertEqual(log.count("<log id="), before.count("<log id=") + 1)
        # When the minute is over, one record counts the others.
        counted = wait_until(lambda: "more requests on the link were refused in the last "
                             "minute." in self.log_dat(), 75, 1.0)
        self.assertTrue(counted)
        log = self.log_dat()
        number = int(log.split(" more requests on the link")[0].rsplit(">", 1)[-1])
        self.assertGreater(number, 1000)
        self.assertLess(number, sent)
        self.assertEqual((log.count("was refused"), log.count("were refused")), (1, 1))

    def test_answers_are_not_sent_to_a_strangers_socket(self):
        self.peer.close()
        stranger = self.as_other(STRANGER)
        try:
            self.assertEqual(stranger.stdout.readline().strip(), b"bound")
            for _ in range(3):
                self.peer.send(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A))
                self.peer.send(PKG_QUERY, QUERY_SESSION_SUMMARY)
            time.sleep(1.0)
        finally:
            got = int(stranger.communicate(b"", timeout=20)[0])
        self.assertEqual(got, 0)
        # The controller's socket again: answered.
        self.peer.open()
        r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A))
        self.assertEqual((r.type, r.result), (ANSWER, 0))
        log = self.log_dat()
        self.assertEqual(log.count("The answers to the controller are not sent: the socket at "
                                   "127.0.0.1:7503 belongs to user id 2, who may not control the "
                                   "service."), 1, log)


class RunningBackup(LinkCase):
    def test_answers_while_a_backup_runs(self):
        with open(os.path.join(self.src, "a.txt"), "w") as f:
            f.write("content")
        p = self.peer
        r = p.ask(PKG_SET, SET_BACKUP_START, text(UUID_A))
        self.assertEqual((r.result, r.length), (0, 37))
        # The run waits 3 s before it starts: the task is running all that time.
        r = p.ask(PKG_SET, SET_BACKUP_START, text(UUID_A))
        self.assertEqual((r.result, r.length, r.text()), (1, 63, "session is already running"))
        r = p.ask(PKG_SET, SET_RESTORE_START, restore_payload(UUID_A, 1))
        self.assertEqual((r.result, r.text()), (1, "session is already running"))
        self.assertEqual(p.ask(PKG_SET, SET_RESTORE_STOP, text(UUID_A)).result, 3)
        detail = p.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A))
        self.assertEqual(detail.texts(4)[2], "Backup is running")
        self.assertNotEqual(detail.texts(4)[4], "")  # the last run is this start
        self.assertTrue(wait_until(
            lambda: p.ask(PKG_QUERY, QUERY_SESSION_SUMMARY).payload[:3] == bytes([1, 1, 0]), 5))
        self.assertEqual(p.ask(PKG_SET, SET_BACKUP_STOP, text(UUID_A)).result, 0)
        # Stopped at its first check: the task is free again and the log says so.
        self.assertTrue(wait_until(lambda: p.ask(
            PKG_SET, SET_BACKUP_STOP, text(UUID_A)).result == 3, 30))
        self.assertEqual(p.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID_A)).texts(4)[2],
                         "Not started")
        p.ask(PKG_SET, SET_CONFIG_UPDATE)  # writes the log files
        self.assertIn("Backup Docs &amp; more is stopped by user.", self.root.read("LOG.dat"))


class StartFailure(DaemonTestCase):
    def test_taken_port_fails_start_up_with_a_message(self):
        blocker = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        blocker.bind(("127.0.0.1", 7502))
        try:
            d = self.start(("-s",))
            self.assertEqual(d.wait(timeout=20), 1)
            self.assertIn(b"7502", d.stderr)
            self.assertIn("7502", self.root.read("LOG.dat"))
        finally:
            blocker.close()


if __name__ == "__main__":
    unittest.main()
