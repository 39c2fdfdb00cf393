"""The daemon as a systemd service: installation and removal of its unit, and the run under the
service manager (a notify socket of the test's own, a private system bus with a mock systemd)."""

import os
import shutil
import signal
import socket
import subprocess
import sys
import unittest

from harness import DAEMON, DaemonTestCase, wait_until
from taskfile import session_config, session_xml
from linkpeer import (PKG_SET, SET_BACKUP_START, SET_BACKUP_STOP, SET_RESTORE_START,
                      SET_RESTORE_STOP, LinkPeer, restore_payload, text)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))
from system_bus import SystemBus  # noqa: E402

DATA = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))

KEY = "SOFTWARE\\BRELKIN\\TessalySync\\TessalySync"

UNIT = """[Unit]
Description=TessalySync CopyTool Service
Wants=network-online.target
After=network-online.target
After=dbus.service
StartLimitIntervalSec=0

[Service]
Type=notify
ExecStart={exec_start}
Restart=on-failure
RestartSec=60
TimeoutStartSec=infinity
LimitNOFILE=65536

[Install]
WantedBy=multi-user.target
"""


def run(root, args, program=DAEMON):
    env = dict(os.environ, TESSALY_ROOT=root.path)
    env.pop("NOTIFY_SOCKET", None)
    return subprocess.run([program, *args], env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, timeout=120)


class Installation(DaemonTestCase):
    def setUp(self):
        super().setUp()
        self.units = os.path.join(self.root.path, "etc", "systemd", "system")
        os.makedirs(self.units)
        self.unit = os.path.join(self.units, "TessalySync.service")
        self.link = os.path.join(self.units, "multi-user.target.wants", "TessalySync.service")
        self.registry = os.path.join(self.root.path, "etc", "TessalySync", "registry.ini")

    def read(self, path):
        with open(path, "rb") as f:
            return f.read().decode()

    def verify_unit(self):
        """systemd's own parser accepts the unit and finds its executable."""
        if shutil.which("systemd-analyze") is None:
            return
        result = subprocess.run(["systemd-analyze", "verify", self.unit], capture_output=True,
                                timeout=120)
        self.assertNotIn(b"TessalySync.service", result.stderr, result.stderr.decode())

    def test_install_then_remove(self):
        exe = os.path.realpath(DAEMON)
        result = run(self.root, ("-d", "0", "-i"))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(
            result.stdout.decode(),
            "Installed successfully as TessalySync systemd service.\n"
            "To run, start it with \"systemctl daemon-reload\" and "
            "\"systemctl start TessalySync\".\n"
            "Please edit backup/restore sessions via GUI Controller.\n")
        self.assertEqual(result.stderr.decode(),
                         "Registry stored HKLM\\%s\\ConfigFile value %s\n" % (KEY, exe))
        self.assertEqual(self.read(self.unit), UNIT.format(exec_start='"%s"' % exe))
        self.assertEqual(os.stat(self.unit).st_mode & 0o777, 0o644)
        self.assertEqual(os.readlink(self.link), self.unit)
        self.assertEqual(self.read(self.registry), "[%s]\nConfigFile=%s\n" % (KEY, exe))
        self.verify_unit()

        # Without -d 0 the messages stay quiet; a second installation is refused and changes
        # nothing.
        before = self.read(self.unit)
        again = run(self.root, ("-i",))
        self.assertEqual((again.returncode, again.stdout, again.stderr),
                         (1, b"", b"CreateService failed\n"))
        self.assertEqual(self.read(self.unit), before)
        self.assertEqual(sorted(os.listdir(self.units)),
                         ["TessalySync.service", "multi-user.target.wants"])

        removed = run(self.root, ("-u",))
        self.assertEqual((removed.returncode, removed.stdout, removed.stderr),
                         (0, b"Service TessalySync deleted successfully.\n", b""))
        self.assertFalse(os.path.lexists(self.unit))
        self.assertFalse(os.path.lexists(self.link))
        # The registry value stays.
        self.assertEqual(self.read(self.registry), "[%s]\nConfigFile=%s\n" % (KEY, exe))

        # Nothing installed: refused.
        nothing = run(self.root, ("-u",))
        self.assertEqual((nothing.returncode, nothing.stdout, nothing.stderr),
                         (1, b"", b"OpenService failed\n"))

    def test_without_a_service_manager_nothing_is_written(self):
        shutil.rmtree(os.path.join(self.root.path, "etc"))
        for args in (("-i",), ("-u",)):
            with self.subTest(args=args):
                result = run(self.root, args)
                self.assertEqual((result.returncode, result.stderr),
                                 (1, b"OpenSCManager failed\n"))
                self.assertFalse(os.path.exists(os.path.join(self.root.path, "etc")))

    def test_executable_paths_are_quoted_or_refused(self):
        cases = [
            # folder name, ExecStart's path or None when the unit is refused
            ("a b%c$d", "a b%%c$d"),
            ("quote\"d", None),
            ("back\\slash", None),
            ("new\nline", None),
        ]
        for folder, quoted in cases:
            with self.subTest(folder=folder):
                place = os.path.join(self.root.path, "opt", folder)
                os.makedirs(place)
                program = os.path.join(place, "daemon")
                shutil.copy(DAEMON, program)
                result = run(self.root, ("-i",), program=program)
                if quoted is None:
                    self.assertEqual((result.returncode, result.stderr),
                                     (1, b"CreateService failed\n"))
                    self.assertFalse(os.path.lexists(self.unit))
                    self.assertFalse(os.path.lexists(self.link))
                    continue
                self.assertEqual(result.returncode, 0, result.stderr)
                exec_start = '"%s"' % os.path.join(self.root.path, "opt", quoted, "daemon")
                self.assertEqual(self.read(self.unit), UNIT.format(exec_start=exec_start))
                self.verify_unit()
                self.assertEqual(run(self.root, ("-u",)).returncode, 0)

    def test_remove_stops_a_running_daemon_first(self):
        self.assertEqual(run(self.root, ("-i",)).returncode, 0)
        d = self.start(("-s",))
        self.wait_running(d)
        removed = run(self.root, ("-u",))
        self.assertEqual(removed.returncode, 0, removed.stderr)
        self.assertFalse(d.alive())
        self.assertEqual(d.wait(), 0)
        self.assertIn("<count>0</count>", self.root.read("LOG.dat"))
        self.assertFalse(os.path.lexists(self.unit))


class ServiceMode(DaemonTestCase):
    @classmethod
    def setUpClass(cls):
        cls.bus = SystemBus()
        cls.bus.start_systemd("running")

    @classmethod
    def tearDownClass(cls):
        cls.bus.stop()

    def notify_socket(self, abstract=False):
        """A datagram socket as systemd offers it; returns (socket, NOTIFY_SOCKET value)."""
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.addCleanup(sock.close)
        if abstract:
            name = "tessaly-test-%d" % os.getpid()
            sock.bind("\0" + name)
            address = "@" + name
        else:
            address = os.path.join(self.root.path, "notify")
            sock.bind(address)
        sock.settimeout(20)
        return sock, address

    def start_service(self, address, args=()):
        return self.start(args, env={"NOTIFY_SOCKET": address,
                                     "DBUS_SYSTEM_BUS_ADDRESS": self.bus.address})

    def test_ready_after_start_up_stopping_and_exit_zero_on_sigterm(self):
        for abstract in (False, True):
            with self.subTest(abstract=abstract):
                self.fresh_root()
                sock, address = self.notify_socket(abstract)
                d = self.start_service(address)
                self.assertEqual(sock.recv(256), b"READY=1")
                # Ready means started: the log and the instance lock exist.
                self.assertTrue(os.path.exists(self.root.file("LOG.dat")))
                self.assertTrue(os.path.exists(os.path.join(self.root.path, "run",
                                                            "TessalySync.lock")))
                d.proc.send_signal(signal.SIGTERM)
                self.assertEqual(sock.recv(256), b"STOPPING=1")
                # Further stop requests while stopping change nothing.
                while d.alive():
                    d.proc.send_signal(signal.SIGTERM)
                    try:
                        d.proc.wait(timeout=0.05)
                    except subprocess.TimeoutExpired:
                        pass
                self.assertEqual(d.wait(), 0)
                self.assertIn("<count>0</count>", self.root.read("LOG.dat"))
                self.assertEqual(d.stderr, b"")

    def test_sigterm_during_start_up_stops_right_after_ready(self):
        # A long log to load keeps the daemon in its start-up for a while.
        record = ("\t<log id=\"1\">\n\t\t<type>message</type>\n\t\t<level>0</level>\n"
                  "\t\t<domain>Docs</domain>\n\t\t<uuid>u</uuid>\n"
                  "\t\t<time1>2026-03-01T13:05:09Z</time1>\n"
                  "\t\t<time2>2026-03-01T13:05:09Z</time2>\n"
                  "\t\t<content>from before</content>\n\t</log>\n")
        self.root.write("LOG.dat", "<description>\n\t<misc></misc>\n</description>\n"
                        "<configuration>\n\t<count>50000</count>\n" + record * 50000
                        + "</configuration>\n")
        sock, address = self.notify_socket()
        d = self.start_service(address)

        def signals_blocked():
            try:
                with open("/proc/%d/status" % d.pid) as f:
                    for line in f:
                        if line.startswith("SigBlk:"):
                            return int(line.split()[1], 16) & (1 << (signal.SIGTERM - 1))
            except OSError:
                pass
            return False

        # As early as the daemon can take it: right after main has blocked the signal.
        self.assertTrue(wait_until(signals_blocked, timeout=10, step=0.001))
        d.proc.send_signal(signal.SIGTERM)
        self.assertEqual(sock.recv(256), b"READY=1")
        self.assertEqual(sock.recv(256), b"STOPPING=1")
        self.assertEqual(d.wait(), 0)

    def test_exit_status_is_the_daemons_own(self):
        sock, address = self.notify_socket()
        d = self.start_service(address, ("--bogus",))
        self.assertEqual(d.wait(), 1)
        self.assertIn(b"Unknown option --bogus", d.stderr)
        sock.setblocking(False)
        with self.assertRaises(BlockingIOError):
            sock.recv(256)

    def test_a_failed_start_exits_one_without_ready(self):
        # The link port is taken: start-up fails, and the service manager sees the failure
        # (and restarts the service a minute later).
        taken = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.addCleanup(taken.close)
        taken.bind(("127.0.0.1", 7502))
        sock, address = self.notify_socket()
        d = self.start_service(address)
        self.assertEqual(d.wait(), 1)
        self.assertIn(b"Can not bind 127.0.0.1:7502: Address already in use", d.stderr)
        sock.setblocking(False)
        with self.assertRaises(BlockingIOError):
            sock.recv(256)

    def test_unusable_notify_socket_fails_at_once(self):
        cases = [
            (os.path.join(self.root.path, "nobody-listens"),
             b"RegisterServiceCtrlHandlerEx() failed: No such file or directory"),
            ("relative-name", b"StartServiceCtrlDispatcher() failed: Invalid argument"),
        ]
        for address, message in cases:
            with self.subTest(address=address):
                d = self.start_service(address)
                self.assertEqual(d.wait(), 1)
                self.assertIn(message, d.stderr)
                self.assertFalse(os.path.exists(self.root.file("LOG.dat")))


class PowerOff(DaemonTestCase):
    """The power-off waits for the end of the last backup: a stop or a console close never
    powers the machine off by itself."""

    @classmethod
    def setUpClass(cls):
        cls.bus = SystemBus()
        cls.bus.start_logind()
        cls.bus.start_systemd("stopping")

    @classmethod
    def tearDownClass(cls):
        cls.bus.stop()

    def test_stop_or_shutdown_while_idle_does_not_power_off(self):
        with open(os.path.join(DATA, "global_setting_saved.dat"), "rb") as f:
            settings = f.read().replace(b"<shutdown>disable</shutdown>",
                                        b"<shutdown>enable</shutdown>")
        self.assertIn(b"<shutdown>enable</shutdown>", settings)
        for service, sig in ((False, signal.SIGTERM), (False, signal.SIGINT),
                             (True, signal.SIGTERM)):
            with self.subTest(service=service, sig=sig):
                self.fresh_root()
                self.root.write("GLOBAL_SETTING.dat", settings)
                calls_before = len(self.bus.power_off_calls())
                env = {"DBUS_SYSTEM_BUS_ADDRESS": self.bus.address}
                if service:
                    sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
                    self.addCleanup(sock.close)
                    sock.bind(os.path.join(self.root.path, "notify"))
                    sock.settimeout(20)
                    env["NOTIFY_SOCKET"] = os.path.join(self.root.path, "notify")
                    d = self.start((), env=env)
                    self.assertEqual(sock.recv(256), b"READY=1")
                else:
                    d = self.start(("-s",), env=env)
                    self.wait_running(d)
                self.assertEqual(d.stop(sig), 0)
                self.assertEqual(self.bus.power_off_calls()[calls_before:], [])

    def test_power_off_follows_the_last_backup_only_when_asked(self):
        uuid = "0f8fad5b-d9cb-469f-a165-70867728950e"
        with open(os.path.join(DATA, "global_setting_saved.dat"), "rb") as f:
            saved = f.read()
        for setting in (b"enable", b"disable"):
            with self.subTest(shutdown=setting):
                self.fresh_root()
                self.root.write("GLOBAL_SETTING.dat", saved.replace(
                    b"<shutdown>disable</shutdown>", b"<shutdown>" + setting + b"</shutdown>"))
                source = os.path.join(self.root.path, "source")
                dest = os.path.join(self.root.path, "dest")
                os.makedirs(source)
                os.makedirs(dest)
                with open(os.path.join(source, "a.txt"), "w") as f:
                    f.write("data")
                self.root.write("SESSION_CONFIG.dat", session_config(
                    session_xml(uuid, "Docs", [source], dest)))
                calls_before = len(self.bus.power_off_calls())
                peer = LinkPeer()
                self.addCleanup(peer.close)
                d = self.start(("-s",), env={"DBUS_SYSTEM_BUS_ADDRESS": self.bus.address})
                peer.wait_ready()
                self.assertEqual(peer.ask(PKG_SET, SET_BACKUP_START, text(uuid)).result, 0)
                if setting == b"enable":
                    # The end of the backup ends the service, which then powers off once.
                    self.assertEqual(d.wait(timeout=60), 0)
                    self.assertEqual(self.bus.power_off_calls()[calls_before:], [(False,)])
                else:
                    tree_status = os.path.join(dest, uuid, "status.db")
                    self.assertTrue(wait_until(lambda: os.path.exists(tree_status), 30))
                    wait_until(lambda: b"is completed" in self.root.read("LOG.txt", "rb")
                               if os.path.exists(self.root.file("LOG.txt")) else False, 10)
                    peer.wait_ready()  # still running
                    self.assertTrue(d.alive())
                    self.assertEqual(d.stop(signal.SIGTERM), 0)
                    self.assertEqual(self.bus.power_off_calls()[calls_before:], [])
                peer.close()

    def test_a_restore_still_running_keeps_the_machine_on(self):
        backup_uuid = "0f8fad5b-d9cb-469f-a165-70867728950e"
        restore_uuid = "7c9e6679-7425-40de-944b-e07fc1f90ae7"
        with open(os.path.join(DATA, "global_setting_saved.dat"), "rb") as f:
            settings = f.read().replace(b"<shutdown>disable</shutdown>",
                                        b"<shutdown>enable</shutdown>")
        self.root.write("GLOBAL_SETTING.dat", settings)
        source = os.path.join(self.root.path, "source")
        dest = os.path.join(self.root.path, "dest")
        os.makedirs(source)
        os.makedirs(dest)
        with open(os.path.join(source, "a.txt"), "w") as f:
            f.write("data")
        self.root.write("SESSION_CONFIG.dat", session_config(
            session_xml(backup_uuid, "Docs", [source], dest),
            session_xml(restore_uuid, "Other", [source], dest)))
        calls_before = len(self.bus.power_off_calls())
        pause = os.path.join(self.root.path, "pause")
        peer = LinkPeer()
        self.addCleanup(peer.close)
        d = self.start(("-s",), env={"DBUS_SYSTEM_BUS_ADDRESS": self.bus.address,
                                     "TESSALY_PAUSE_AT": "restore.mounted",
                                     "TESSALY_PAUSE_FILE": pause})
        peer.wait_ready()
        # The restore holds once connected; the backup of the other task then ends.
        r = peer.ask(PKG_SET, SET_RESTORE_START, restore_payload(restore_uuid, 1, self.root.path + "/out"))
        self.assertEqual(r.result, 0)
        self.assertTrue(wait_until(lambda: os.path.exists(pause), 30))
        self.assertEqual(peer.ask(PKG_SET, SET_BACKUP_START, text(backup_uuid)).result, 0)
        self.assertTrue(wait_until(lambda: peer.ask(
            PKG_SET, SET_BACKUP_STOP, text(backup_uuid)).result == 3, 60))
        peer.wait_ready()
        self.assertTrue(d.alive())
        # The end of a restore never asks for the power-off either.
        os.unlink(pause)
        self.assertTrue(wait_until(lambda: peer.ask(
            PKG_SET, SET_RESTORE_STOP, text(restore_uuid)).result == 3, 60))
        peer.wait_ready()
        self.assertTrue(d.alive())
        self.assertEqual(d.stop(signal.SIGTERM), 0)
        self.assertEqual(self.bus.power_off_calls()[calls_before:], [])


if __name__ == "__main__":
    unittest.main()
