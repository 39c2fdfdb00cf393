"""Restores with the real daemon, asked for over the link by a UDP peer of the test's own,
from a task tree on a local folder and on a real Samba server (tests/peers/smbd.sh), inside
a network namespace of the test: versions made by the daemon's own backups are restored
into a chosen folder and into the source folder, with and without the restore setting
delete_sync, and compared byte for byte with what the source held at each run. A daemon
killed (SIGKILL) in the middle of a backup or a restore loses no version and no file of the
user's."""

import os
import signal
import unittest

from harness import wait_until
from linkpeer import (ACK, PKG_SET, SET_BACKUP_START, SET_CONFIG_UPDATE, SET_RESTORE_START,
                      SET_RESTORE_STOP, restore_payload, text)
from taskcase import TaskCase, put

UUID = "7c9e6679-7425-40de-944b-e07fc1f90ae7"


def snapshot(root):
    """{rel: content} of the files, {rel: text} of the links and the set of folders."""
    files, links, folders = {}, {}, set()
    if not os.path.lexists(root):
        return files, links, folders
    for dirpath, dirnames, filenames in os.walk(root):
        for name in dirnames + filenames:
            path = os.path.join(dirpath, name)
            rel = os.path.relpath(path, root)
            if os.path.islink(path):
                links[rel] = os.readlink(path)
            elif os.path.isdir(path):
                folders.add(rel)
            else:
                with open(path, "rb") as f:
                    files[rel] = f.read()
        dirnames[:] = [d for d in dirnames if not os.path.islink(os.path.join(dirpath, d))]
    return files, links, folders


def settings(restore_delete_sync):
    return ("<description>\n\t<version>1.0</version>\n\t<magic>E8AEBEE7BDAE</magic>\n"
            "\t<vendor>BRELKIN</vendor>\n\t<type>settings</type>\n\t<misc></misc>\n"
            "</description>\n<configuration>\n\t<language>English</language>\n"
            "\t<backup>\n\t\t<delete_sync>disable</delete_sync>\n\t</backup>\n"
            "\t<restore>\n\t\t<delete_sync>%s</delete_sync>\n\t</restore>\n"
            "</configuration>\n" % ("enable" if restore_delete_sync else "disable"))


class RestoreCase(TaskCase):
    uuid = UUID
    source = os.path.join("home", "docs")

    @property
    def home(self):
        return os.path.dirname(self.src)

    def configure(self):
        self.write_task(extensions=(".*",))
        self.root.write("GLOBAL_SETTING.dat", settings(False))

    def restore(self, version, target=None, wait=True):
        r = self.peer.ask(PKG_SET, SET_RESTORE_START, restore_payload(UUID, version, target))
        self.assertEqual((r.type, r.result), (ACK, 0))
        if wait:
            self.wait_finished()

    def delete_sync(self, on):
        self.root.write("GLOBAL_SETTING.dat", settings(on))
        r = self.peer.ask(PKG_SET, SET_CONFIG_UPDATE)
        self.assertEqual(r.type, ACK)

    def make_history(self):
        """Three versions; returns their snapshots."""
        versions = []
        put(os.path.join(self.src, "a.txt"), "alpha\n")
        put(os.path.join(self.src, "big.bin"), bytes(range(256)) * 120)
        put(os.path.join(self.src, "sub", "b.txt"), "bee\n")
        os.symlink("a.txt", os.path.join(self.src, "link"))
        self.backup()
        versions.append(snapshot(self.src))
        put(os.path.join(self.src, "a.txt"), "alpha two\n")
        big = bytearray(bytes(range(256)) * 120)
        big[3000:3000] = b"inserted in two" * 20
        put(os.path.join(self.src, "big.bin"), bytes(big))
        put(os.path.join(self.src, "new", "n.txt"), "new in two\n")
        self.backup()
        versions.append(snapshot(self.src))
        put(os.path.join(self.src, "sub", "b.txt"), "bee three\n")
        os.unlink(os.path.join(self.src, "new", "n.txt"))
        self.backup()
        versions.append(snapshot(self.src))
        return versions

    def test_versions_to_a_chosen_folder_and_into_the_source(self):
        versions = self.make_history()
        chosen = os.path.join(self.root.path, "chosen")
        # A chosen folder follows the rule of the original place: without delete_sync the
        # files the version does not hold stay there.
        put(os.path.join(chosen, "beside.txt"), "beside")
        put(os.path.join(chosen, "docs", "old.txt"), "stays without delete_sync")
        self.restore(3, chosen)
        files, links, folders = snapshot(os.path.join(chosen, "docs"))
        want_files = dict(versions[2][0])
        want_files["old.txt"] = b"stays without delete_sync"
        self.assertEqual(files, want_files)
        # With delete_sync: newest and oldest exactly as they were, files beside it stay.
        self.delete_sync(True)
        for v in (3, 1):
            self.restore(v, chosen)
            self.assertEqual(snapshot(os.path.join(chosen, "docs")), versions[v - 1], v)
        with open(os.path.join(chosen, "beside.txt")) as f:
            self.assertEqual(f.read(), "beside")
        self.delete_sync(False)

        # Into the source without delete_sync: the version's files over the folder, the
        # user's own files stay.
        put(os.path.join(self.src, "mine.txt"), "mine")
        put(os.path.join(self.src, "sub", "mine2.txt"), "mine too")
        put(os.path.join(self.src, "a.txt"), "edited")
        self.restore(2)
        files, links, folders = snapshot(self.src)
        want_files = dict(versions[1][0])
        want_files["mine.txt"] = b"mine"
        want_files["sub/mine2.txt"] = b"mine too"
        self.assertEqual(files, want_files)
        self.assertEqual(links, versions[1][1])

        # With delete_sync: exactly version 1.
        self.delete_sync(True)
        self.restore(1)
        self.assertEqual(snapshot(self.src), versions[0])
        log = self.log_text()
        self.assertEqual(log.count("Restore Docs was started."), 5)
        self.assertEqual(log.count("Restore Docs is completed."), 5)
        self.assertNotIn("Restore Docs is failed.", log)

    def test_a_restore_into_the_parent_of_a_source_keeps_an_unsaved_file(self):
        self.make_history()
        put(os.path.join(self.src, "unsaved.txt"), "never backed up")
        put(os.path.join(self.home, "beside.txt"), "beside the source")
        before = snapshot(self.home)
        for on in (False, True):
            self.delete_sync(on)
            self.restore(1, self.home)
            self.assertEqual(snapshot(self.home), before)
        log = self.log_text()
        self.assertEqual(log.count("The folder %s is, holds or lies inside a source folder"
                                   % self.home), 2)
        self.assertEqual(log.count("Restore Docs is failed."), 2)
        self.assertNotIn("Restore Docs is completed.", log)

    def test_bad_versions_change_nothing_and_are_logged_as_failed(self):
        self.make_history()
        put(os.path.join(self.src, "mine.txt"), "mine")
        before = snapshot(self.home)
        self.delete_sync(True)
        for v in (0, 4, (1 << 32) + 1):
            self.restore(v)
        self.assertEqual(snapshot(self.home), before)
        log = self.log_text()
        self.assertEqual(log.count("Restore Docs is failed."), 3)
        self.assertNotIn("Restore Docs is completed.", log)

    def test_running_restore_is_shown_and_a_stop_leaves_the_folder(self):
        versions = self.make_history()
        put(os.path.join(self.src, "mine.txt"), "mine")
        before = snapshot(self.home)
        pause = os.path.join(self.root.path, "pause")
        self.daemon.kill()
        self.daemon = self.start_daemon(TESSALY_PAUSE_AT="restore.file@2",
                                        TESSALY_PAUSE_FILE=pause)
        self.delete_sync(True)
        self.restore(1, wait=False)
        self.assertTrue(wait_until(lambda: os.path.exists(pause), 30))
        self.assertEqual(self.detail()[2], "Restore is running")
        r = self.peer.ask(PKG_SET, SET_RESTORE_STOP, text(UUID))
        self.assertEqual((r.type, r.result), (ACK, 0))
        os.unlink(pause)
        self.wait_finished()
        self.assertEqual(snapshot(self.home), before)
        self.assertIn("Restore Docs is failed.", self.log_text())
        self.restore(1)
        self.assertEqual(snapshot(self.src), versions[0])

    def test_daemon_killed_in_a_backup_or_a_restore_loses_nothing(self):
        versions = self.make_history()
        chosen = os.path.join(self.root.path, "chosen")
        points = ["backup.cleaning", "swap.renamed", "restore.staged", "restore.placed"]
        for round_, point in enumerate(points):
            with self.subTest(point=point):
                restoring = point.startswith("restore.")
                if restoring:
                    put(os.path.join(self.src, "mine.txt"), "mine %d" % round_)
                else:
                    put(os.path.join(self.src, "a.txt"), "alpha, round %d" % round_)
                    changed = snapshot(self.src)
                self.daemon.kill()
                self.daemon = self.start_daemon(TESSALY_CRASH_AT=point)
                if restoring:
                    self.restore(len(versions), wait=False)
                else:
                    r = self.peer.ask(PKG_SET, SET_BACKUP_START, text(UUID))
                    self.assertEqual(r.result, 0)
                self.assertTrue(wait_until(lambda: not self.daemon.alive(), 60), "not killed")
                self.assertEqual(self.daemon.proc.returncode, -signal.SIGKILL)
                self.daemon = self.start_daemon()
                if restoring:
                    # The user's file is still there, in place or kept beside it.
                    mine = ("mine %d" % round_).encode()
                    self.assertIn(mine, snapshot(self.home)[0].values())
                else:
                    # A run killed from its move into last on is finished by the next one.
                    versions.append(changed)
                self.restore(len(versions), chosen)
                self.assertEqual(snapshot(os.path.join(chosen, "docs")), versions[-1])
        # Every version restores byte for byte.
        for v in range(1, len(versions) + 1):
            target = os.path.join(self.root.path, "check", str(v))
            self.restore(v, target)
            self.assertEqual(snapshot(os.path.join(target, "docs")), versions[v - 1],
                             "version %d" % v)


if __name__ == "__main__":
    unittest.main()
