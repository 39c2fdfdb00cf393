"""Backups with the real daemon, started over the link by a UDP peer of the test's own, to a
local folder and to a real Samba server (tests/peers/smbd.sh), inside a network namespace
of the test. Every version is rebuilt from the tree as it lies on disk with Debian's rdiff
(treecheck.py) and compared byte for byte with what the source held at that run."""

import os
import signal
import subprocess
import time
import unittest

from harness import wait_until
from taskfile import session_config, session_xml
from linkpeer import ACK, PKG_SET, SET_BACKUP_START, SET_BACKUP_STOP, text
from taskcase import TaskCase, put
from treecheck import Tree, snapshot

UUID = "3f2504e0-4f89-41d3-9a0c-0305e82c3301"


def utc_text(path):
    t = time.gmtime(os.lstat(path).st_mtime)
    return time.strftime("%Y-%m-%d %H:%M:%S", t)


def listed(snap):
    files, folders = snap
    return set(files) | folders


class BackupCase(TaskCase):
    uuid = UUID
    extensions = (".*",)

    def setUp(self):
        super().setUp()
        self.tree = Tree(self.tree_path, mapped=self.smb)

    def configure(self):
        self.write_task(action="incremental", extensions=self.extensions)

    def expect_versions(self, versions):
        self.assertEqual(self.tree.status(), "complete")
        self.assertFalse(self.tree.exists("tmp"))
        self.assertFalse(self.tree.exists("lasttmp"))
        self.assertEqual(len(self.tree.history()), len(versions))
        for v, snap in enumerate(versions, 1):
            self.assertEqual(self.tree.exist_rows(v), listed(snap), "version %d" % v)
            files, folders = self.tree.rebuild(v)
            self.assertEqual(folders, snap[1], "version %d" % v)
            self.assertEqual(files, snap[0], "version %d" % v)


class IncrementalRuns(BackupCase):
    """Three runs with files added, changed, deleted and renamed in between."""

    def first_source(self):
        put(os.path.join(self.src, "a.txt"), "alpha\nbeta\ngamma\n")
        put(os.path.join(self.src, "big.bin"), os.urandom(50000))
        put(os.path.join(self.src, "sub", "b.txt"), "bee")
        put(os.path.join(self.src, "sub", "deep", "c.txt"), "sea")
        os.makedirs(os.path.join(self.src, "empty"))
        put(os.path.join(self.src, 'say "hi" it\'s.txt'), "quotes")
        put(os.path.join(self.src, "\u00fcber", "\u00df \u6587\u4ef6.txt"), "unicode")
        put(os.path.join(self.src, "10:30 <a|b>?.txt"), "characters SMB forbids")
        put(os.path.join(self.src, "ends with dot."), "trailing dot")
        os.symlink("a.txt", os.path.join(self.src, "link_to_file"))
        os.symlink(os.path.join(self.src, "sub"), os.path.join(self.src, "link_to_folder"))
        os.symlink("/nonexistent/place", os.path.join(self.src, "link_dangling"))

    def test_three_runs_keep_every_version(self):
        self.first_source()
        versions, times = [], []

        def after_run(n, want_deltas):
            versions.append(snapshot(self.src))
            self.expect_versions(versions)
            history = self.tree.history()
            self.assertEqual([row[0] for row in history], list(range(1, n + 1)))
            times.append(history[-1][1])
            self.assertEqual(self.tree.deltas(n), want_deltas)
            self.assertTrue(self.tree.exists("increments/%d/id0/marker.dat" % n))
            recorded = self.tree.file_times()
            for rel in versions[-1][0]:
                self.assertEqual(recorded.get(rel), utc_text(os.path.join(self.src, os.fsdecode(rel))).encode(), rel)
            # The detail answer shows the task idle with this run's start as its last run.
            self.assertEqual(self.detail()[2:5], ["Not started", "", times[-1]])

        self.backup()
        after_run(1, set())
        self.assertEqual(self.tree.links(1, "symbolic_link_tbl"), {
            (os.fsencode(self.src) + b"/link_to_file", b"a.txt"),
            (os.fsencode(self.src) + b"/link_dangling", b"/nonexistent/place")})
        self.assertEqual(self.tree.links(1, "junction_tbl"), {
            (os.fsencode(self.src) + b"/link_to_folder", os.fsencode(self.src) + b"/sub")})

        # Run 2: a change in the middle, bytes inserted near the start of a large file, a
        # deletion, a rename, a new file in a new folder.
        put(os.path.join(self.src, "a.txt"), "alpha\nBETA\ngamma\n")
        with open(os.path.join(self.src, "big.bin"), "rb") as f:
            big = f.read()
        put(os.path.join(self.src, "big.bin"), big[:77] + os.urandom(500) + big[77:])
        os.unlink(os.path.join(self.src, "sub", "deep", "c.txt"))
        os.rename(os.path.join(self.src, "sub", "b.txt"), os.path.join(self.src, "sub", "b2.txt"))
        put(os.path.join(self.src, "new", "n.txt"), "new")
        self.backup()
        after_run(2, {b"a.txt", b"big.bin"})

        # Run 3: the deleted file back with other content, edits of odd names.
        put(os.path.join(self.src, "sub", "deep", "c.txt"), "sea again")
        put(os.path.join(self.src, 'say "hi" it\'s.txt'), "quotes, edited")
        put(os.path.join(self.src, "10:30 <a|b>?.txt"), "forbidden, edited")
        put(os.path.join(self.src, "\u00fcber", "\u00df \u6587\u4ef6.txt"), "unicode, edited")
        self.backup()
        after_run(3, {b"sub/deep/c.txt", b'say "hi" it\'s.txt', b"10:30 <a|b>?.txt",
                      "\u00fcber/\u00df \u6587\u4ef6.txt".encode()})

        log = self.log_text()
        self.assertEqual(log.count("Backup Docs was started."), 3)
        self.assertEqual(log.count("Backup Docs is completed."), 3)
        if self.smb:
            # On the server the names SMB forbids are the cifs client's private-use forms.
            self.assertTrue(os.path.exists(os.path.join(
                self.tree.root, b"last/id0", "10\uf02230 \uf023a\uf027b\uf024\uf025.txt".encode())))


class IncrementalRunsOnSamba(IncrementalRuns):
    smb = True


class Filter(BackupCase):
    extensions = (".TXT", ".md")

    def test_only_the_listed_extensions_and_every_folder(self):
        put(os.path.join(self.src, "a.txt"), "a")
        put(os.path.join(self.src, "b.jpg"), "b")
        put(os.path.join(self.src, "sub", "c.md"), "c")
        put(os.path.join(self.src, "sub", "d.txt.old"), "d")
        self.backup()
        self.assertEqual(self.tree.exist_rows(1), {b"a.txt", b"sub", b"sub/c.md"})
        last = self.tree.path("last/id0")
        found = {os.path.relpath(os.path.join(d, n), last) for d, ds, fs in os.walk(last)
                 for n in ds + fs}
        self.assertEqual(found, {b"a.txt", b"sub", b"sub/c.md"})


class StopRequest(BackupCase):
    def test_stop_in_the_middle_then_the_next_run(self):
        for i in range(5):
            put(os.path.join(self.src, "f%d.txt" % i), "one %d" % i)
        self.backup()
        s1 = snapshot(self.src)
        for i in range(5):
            put(os.path.join(self.src, "f%d.txt" % i), "two %d" % i)
        # The run is held at the second file of its scan while the stop request arrives.
        self.daemon.kill()
        pause = os.path.join(self.root.path, "pause")
        self.daemon = self.start_daemon(TESSALY_PAUSE_AT="scan.file@2", TESSALY_PAUSE_FILE=pause)
        self.start_backup()
        self.assertTrue(wait_until(lambda: os.path.exists(pause), 30))
        r = self.peer.ask(PKG_SET, SET_BACKUP_STOP, text(UUID))
        self.assertEqual((r.type, r.result), (ACK, 0))
        os.unlink(pause)
        self.wait_finished()
        self.assertIn(self.tree.status(), ("init", "delta"))
        self.assertEqual(len(self.tree.history()), 2)
        self.assertIn("Backup Docs is stopped by user.", self.log_text())
        self.backup()
        self.expect_versions([s1, snapshot(self.src)])


class ShareGoesAway(BackupCase):
    smb = True

    def test_samba_stopped_in_the_middle(self):
        for i in range(6):
            put(os.path.join(self.src, "f%d.txt" % i), "one %d" % i)
        self.backup()
        s1 = snapshot(self.src)
        for i in range(6):
            put(os.path.join(self.src, "f%d.txt" % i), "two %d" % i)
        self.daemon.kill()
        pause = os.path.join(self.root.path, "pause")
        self.daemon = self.start_daemon(TESSALY_PAUSE_AT="copy.file@3", TESSALY_PAUSE_FILE=pause)
        self.start_backup()
        self.assertTrue(wait_until(lambda: os.path.exists(pause), 30))
        self.server.stop()
        os.unlink(pause)
        self.wait_finished()
        self.assertIn("Failed to write directory", self.log_text())
        # The server comes back (on another port): the next run repairs and goes on.
        self.server.start()
        self.daemon.kill()
        self.daemon = self.start_daemon()
        self.assertNotEqual(self.tree.status(), "complete")
        self.backup()
        self.expect_versions([s1, snapshot(self.src)])


class LogAtTheRunsEnd(BackupCase):
    """The log files hold a run's result as soon as the run has ended (no reload, no timer),
    and a task name with line ends and tabs cannot forge lines of LOG.txt."""

    NAME = "Docs&#13;&#10;Docs\t2020-01-01 00:00\tBackup Forged is completed."

    def configure(self):
        self.write_task(action="incremental")
        config = self.root.read("SESSION_CONFIG.dat").replace(
            "<name>Docs</name>", "<name>%s</name>" % self.NAME.replace("\t", "&#9;"))
        self.root.write("SESSION_CONFIG.dat", config)

    def test_the_result_is_in_the_log_files_when_the_run_ends(self):
        put(os.path.join(self.src, "a.txt"), "alpha")
        self.backup()
        text = self.root.read("LOG.txt", "rb").decode()
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")
        self.assertTrue(any(l.endswith("\\tBackup Forged is completed. is completed.")
                            for l in lines), text)
        for line in lines[1:-1]:
            self.assertEqual(line.count("\t"), 2, line)  # name, time, text: nothing forged
            self.assertFalse(line.startswith("Docs\t2020-01-01"), line)
        self.assertNotIn("\n", text.replace("\r\n", ""))


class KilledRuns(BackupCase):
    """kill -9 of the daemon at named steps of a run, then a new daemon and a new run."""

    points = ["backup.history", "backup.init", "scan.file@3", "copy.file@2", "copy.delta@1",
              "backup.cleaning", "swap.file@2", "swap.renamed@3", "backup.tmp_removed",
              "backup.complete"]

    def change(self, round_):
        put(os.path.join(self.src, "a.txt"), "alpha %d" % round_)
        put(os.path.join(self.src, "m.bin"), b"m" * 9000 + b"%d" % round_)
        put(os.path.join(self.src, "sub", "r%d.txt" % round_), "new in %d" % round_)
        if round_ % 2:
            old = os.path.join(self.src, "sub", "r%d.txt" % (round_ - 1))
            if os.path.exists(old):
                os.unlink(old)

    def crash_and_rerun(self, versions, round_, env, external_kill=False):
        self.change(round_)
        want = snapshot(self.src)
        self.daemon.kill()
        self.daemon = self.start_daemon(**env)
        self.start_backup()
        if external_kill:
            pause = env["TESSALY_PAUSE_FILE"]
            self.assertTrue(wait_until(lambda: os.path.exists(pause), 30))
            os.kill(self.daemon.pid, signal.SIGKILL)
            os.unlink(pause)
        self.assertTrue(wait_until(lambda: not self.daemon.alive(), 60), "not killed")
        self.assertEqual(self.daemon.proc.returncode, -signal.SIGKILL)
        self.daemon = self.start_daemon()
        before = len(versions)
        self.backup()
        rows = len(self.tree.history())
        # The run that was killed is kept when it got as far as its move into last.
        self.assertIn(rows, (before + 1, before + 2))
        versions.extend([want] * (rows - before))
        self.expect_versions(versions)

    def test_killed_at_each_step_loses_no_version(self):
        self.change(0)
        self.backup()
        versions = [snapshot(self.src)]
        for round_, point in enumerate(self.points, 1):
            with self.subTest(point=point):
                self.crash_and_rerun(versions, round_, {"TESSALY_CRASH_AT": point})
        pause = os.path.join(self.root.path, "pause")
        with self.subTest(point="kill -9 from outside in the move"):
            self.crash_and_rerun(versions, len(self.points) + 1,
                                 {"TESSALY_PAUSE_AT": "swap.file@2", "TESSALY_PAUSE_FILE": pause},
                                 external_kill=True)


class KilledRunsOnSamba(KilledRuns):
    smb = True
    points = ["copy.delta@1", "backup.cleaning", "swap.renamed@2"]


class UuidsEqualButForCaseOnSamba(TaskCase):
    """A share folds the case of names: tasks whose uuids differ only in letter case would
    write into one tree. The first task of a uuid is kept, every later one is refused."""

    uuid = UUID
    smb = True

    def configure(self):
        account = dict(user="tessaly", password="secret-pw", protocol="samba",
                       extensions=(".*",))
        other = os.path.join(self.root.path, "other")
        put(os.path.join(other, "b.txt"), "the other task's file")
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(UUID, "Docs", [self.src], self.destination, **account),
            session_xml(UUID.upper(), "Upper", [other], self.destination, **account),
            session_xml(UUID, "Exact", [other], self.destination, **account)))

    def test_only_the_first_task_of_a_uuid_runs(self):
        put(os.path.join(self.src, "a.txt"), "alpha")
        for uuid in (UUID.upper(), UUID):
            r = self.peer.ask(PKG_SET, SET_BACKUP_START, text(uuid))
            self.assertEqual((r.type, r.result), (ACK, 2 if uuid != UUID else 0), uuid)
        self.wait_finished()
        tree = Tree(self.tree_path, mapped=True)
        self.assertEqual(len(tree.history()), 1)
        self.assertEqual(tree.exist_rows(1), {b"a.txt"})
        self.assertEqual(os.listdir(os.path.dirname(self.tree_path)), [UUID])
        log = self.log_text()
        for name, uuid in (("Upper", UUID.upper()), ("Exact", UUID)):
            self.assertIn("The task %s is skipped because its uuid %s is that of the task Docs "
                          "(letter case aside)." % (name, uuid), log)
        self.assertEqual(log.count("Backup Docs is completed."), 1)
        self.assertNotIn("Backup Upper", log)


# Runs the daemon in a mount namespace of its own with a tmpfs on $TESSALY_TEST_DISK: the
# disk that a test unmounts (with nsenter) while the daemon runs.
DISK_WRAPPER = ("unshare", "-m", "--propagation", "private", "sh", "-c",
                'mount -t tmpfs -o size=16m tessaly-disk "$TESSALY_TEST_DISK" && exec "$@"', "sh")
NEW_UUID = "9b2e4c71-58a0-4d3f-b6e2-1c7f0a9d8e53"


@unittest.skipUnless(os.geteuid() == 0, "needs root to mount a tmpfs")
class AbsentDisk(TaskCase):
    """The destination is a disk mounted on a folder. Once the disk held a completed
    version of the task, a run while it is absent (the empty mount-point folder remains)
    fails and writes nothing there; a new task's first run still makes its tree."""

    uuid = UUID
    wrapper = DISK_WRAPPER

    def configure(self):
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(UUID, "Docs", [self.src], self.destination, extensions=(".*",)),
            session_xml(NEW_UUID, "New", [self.src], self.destination, extensions=(".*",))))

    def start_daemon(self, **env):
        env.setdefault("TESSALY_TEST_DISK", self.destination)
        return super().start_daemon(**env)

    def in_namespace(self, *command):
        return subprocess.run(["nsenter", "-t", str(self.daemon.pid), "-m", *command],
                              capture_output=True, text=True)

    def test_a_run_on_the_absent_disk_fails_and_writes_nothing(self):
        put(os.path.join(self.src, "a.txt"), "alpha")
        self.backup()
        self.assertEqual(self.in_namespace("test", "-f", self.tree_path + "/status.db").returncode,
                         0, "the first run is on the disk")
        self.assertEqual(os.listdir(self.destination), [])  # the disk is the daemon's alone
        r = self.in_namespace("umount", self.destination)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.backup()
        self.assertEqual(os.listdir(self.destination), [])
        log = self.log_text()
        self.assertIn("The task folder %s is missing at the destination, which held a completed "
                      "version before: the run stops and nothing is written there."
                      % self.tree_path, log)
        self.assertEqual(log.count("Backup Docs is completed."), 1)
        # A new task's first run makes its tree.
        r = self.peer.ask(PKG_SET, SET_BACKUP_START, text(NEW_UUID))
        self.assertEqual((r.type, r.result), (ACK, 0))
        self.wait_finished()
        self.assertTrue(wait_until(lambda: "Backup New is completed." in self.log_text(), 60))
        self.assertEqual(os.listdir(self.destination), [NEW_UUID])


if __name__ == "__main__":
    unittest.main()
