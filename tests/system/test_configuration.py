"""The daemon reads its two configuration files at start-up, as a user's machine has them."""

import hashlib
import os
import stat
import unittest

from harness import DaemonTestCase

DATA = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))

U1 = "6f1c2b7e-0d4a-4b8e-9c3a-2f5e7d9a1b30"
U2 = "a03d5c91-77e2-4f10-8b6d-c4e9f2a81d57"


def data(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


class StartUp(DaemonTestCase):
    def run_once(self, *extra):
        """Starts the daemon with diagnostics into a file, stops it, returns that output."""
        out = os.path.join(self.root.path, "out.txt")
        d = self.start(("-s", "-d", "0", "-f", out, *extra))
        self.wait_running(d)
        self.assertEqual(d.stop(), 0)
        with open(out, encoding="utf-8", errors="replace") as f:
            return f.read()

    def test_first_start_writes_the_default_settings_file(self):
        self.run_once()
        written = self.root.read("GLOBAL_SETTING.dat", "rb")
        self.assertEqual(written, data("global_setting_default.dat"))
        self.assertEqual(len(written), 598)
        self.assertEqual(hashlib.md5(written).hexdigest(), "027f33393737bc8f656aaf3a0eefc80f")
        mode = stat.S_IMODE(os.stat(self.root.file("GLOBAL_SETTING.dat")).st_mode)
        self.assertEqual(mode & 0o007, 0, oct(mode))
        # A missing task file is the normal state before the first task: nothing is logged.
        self.assertIn("<count>0</count>", self.root.read("LOG.dat"))

    def test_tasks_and_language_come_from_the_files(self):
        saved = data("global_setting_saved.dat")
        self.root.write("GLOBAL_SETTING.dat", saved)
        tasks = data("session_config_two_tasks.dat").decode("utf-8")
        refused = ('    <session id="3">\n        <uuid>../../etc</uuid>\n'
                   '        <name>Böse</name>\n    </session>\n</configuration>')
        self.root.write("SESSION_CONFIG.dat", tasks.replace("</configuration>", refused))
        output = self.run_once()
        self.assertIn("load session %s Photos & music\n" % U1, output)
        self.assertIn("load session %s Documents\n" % U2, output)
        self.assertNotIn("load session ../../etc", output)
        self.assertIn("set_program_language find you: de", output)
        # The refused task is reported in the language of the settings (German).
        log = self.root.read("LOG.dat")
        self.assertIn("<content>Die Aufgabe Böse wird übersprungen, weil ihre UUID ungültig ist."
                      "</content>", log)
        self.assertEqual(self.root.read("GLOBAL_SETTING.dat", "rb"), saved)

    def test_damaged_task_file_is_reported(self):
        tasks = data("session_config_two_tasks.dat")
        self.root.write("SESSION_CONFIG.dat", tasks[: len(tasks) // 2])
        output = self.run_once()
        self.assertNotIn("load session", output)
        log = self.root.read("LOG.dat")
        self.assertIn("<content>The task file %s is damaged and was not loaded: "
                      % self.root.file("SESSION_CONFIG.dat"), log)
        self.assertEqual(self.root.read("SESSION_CONFIG.dat", "rb"), tasks[: len(tasks) // 2])


if __name__ == "__main__":
    unittest.main()
