"""The daemon as a user starts it in a console: instances, stopping, options."""

import os
import resource
import signal
import time
import unittest

from harness import DaemonTestCase, wait_until


class ConsoleRun(DaemonTestCase):
    def test_second_instance_exits_zero_and_the_first_keeps_running(self):
        first = self.start(("-s",))
        self.wait_running(first)
        second = self.start(("-s", "-d", "3"))
        self.assertEqual(second.wait(timeout=10), 0)
        self.assertIn(b"There is already a daemon running", second.stdout)
        self.assertTrue(first.alive())
        self.assertEqual(first.stop(signal.SIGINT), 0)

    def test_ctrl_c_and_sigterm_stop_with_the_final_log_write(self):
        for sig in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            with self.subTest(sig=sig):
                self.fresh_root()
                d = self.start(("-s",))
                self.wait_running(d)
                # At start-up the log file is only created, empty; the last write fills it.
                self.assertEqual(self.root.read("LOG.dat"), "")
                self.assertEqual(d.stop(sig), 0)
                self.assertIn("<count>0</count>", self.root.read("LOG.dat"))
                self.assertTrue(self.root.read("LOG.txt", "rb").startswith(b"BRELKIN TessalySync\r\n"))

    def test_the_open_file_limit_is_raised_to_the_hard_limit(self):
        # A service gets a soft limit of 1,024 open files from systemd.
        soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(1024, hard), hard))
        try:
            d = self.start(("-s",))
        finally:
            resource.setrlimit(resource.RLIMIT_NOFILE, (soft, hard))
        self.wait_running(d)
        with open("/proc/%d/limits" % d.pid) as f:
            line = next(line for line in f if line.startswith("Max open files"))
        self.assertEqual(line.split()[3], line.split()[4])
        d.stop()

    def test_working_directory_becomes_the_root(self):
        nested = os.path.join(self.root.path, "a", "b")
        os.makedirs(nested)
        d = self.start(("-s",), cwd=nested)
        self.wait_running(d)
        self.assertEqual(os.readlink("/proc/%d/cwd" % d.pid), "/")
        d.stop()

    def test_redirect_file_gets_the_output_and_keeps_what_it_held(self):
        out = os.path.join(self.root.path, "out.txt")
        with open(out, "w") as f:
            f.write("earlier line\n")
        d = self.start(("-s", "-d", "0", "-f", out))
        self.wait_running(d)
        self.assertEqual(d.stop(), 0)
        with open(out) as f:
            text = f.read()
        self.assertTrue(text.startswith("earlier line\n"))
        self.assertIn("configuration path is %s/var/lib/Tessaly/" % self.root.path, text)
        self.assertIn("clean up before program exit", text)

    def test_bad_options_fail_with_a_clear_message(self):
        cases = [
            (("-d",), b"Missing argument for -d"),
            (("-d", "x"), b"Cannot parse integer value"),
            (("--bogus",), b"Unknown option --bogus"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                d = self.start(args)
                self.assertEqual(d.wait(timeout=10), 1)
                self.assertIn(message, d.stderr)

    def test_log_written_by_an_earlier_run_comes_back(self):
        log = (
            "<description>\n\t<misc></misc>\n</description>\n<configuration>\n\t<count>1</count>\n"
            "\t<log id=\"1\">\n\t\t<type>message</type>\n\t\t<level>0</level>\n"
            "\t\t<domain>Docs</domain>\n\t\t<uuid>u</uuid>\n\t\t<time1>2026-03-01T13:05:09Z</time1>\n"
            "\t\t<time2>2026-03-01T13:05:09Z</time2>\n\t\t<content>from before</content>\n"
            "\t</log>\n</configuration>\n")
        self.root.write("LOG.dat", log)
        d = self.start(("-s",))
        self.wait_running(d)
        self.assertEqual(d.stop(), 0)
        text = self.root.read("LOG.dat")
        self.assertIn("<content>from before</content>", text)
        self.assertIn("<misc>", text)
        self.assertNotIn("<misc></misc>", text)


if __name__ == "__main__":
    unittest.main()
