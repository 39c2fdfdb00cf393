#!/usr/bin/python3
"""A private D-Bus system bus with mock logind and systemd managers (python3-dbusmock).

Tests point DBUS_SYSTEM_BUS_ADDRESS at it; the machine's own system bus is never used.

As a module (system tests):
    bus = SystemBus(); bus.start_logind(); bus.start_systemd("running")
    env["DBUS_SYSTEM_BUS_ADDRESS"] = bus.address
    bus.power_off_calls(); bus.set_system_state("stopping"); bus.stop()

As a program (unit tests): `system_bus.py [--logind] [--systemd STATE]` prints the bus address
on the first line, then answers one line per command read from standard input:
    calls            -> the number of PowerOff calls so far
    state <STATE>    -> "ok" once systemd's SystemState is STATE
It stops everything when standard input ends.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

import dbus

PYTHON = "/usr/bin/python3"

LOGIND = ("org.freedesktop.login1", "/org/freedesktop/login1")
SYSTEMD = ("org.freedesktop.systemd1", "/org/freedesktop/systemd1")
SYSTEMD_MANAGER = "org.freedesktop.systemd1.Manager"
MOCK = "org.freedesktop.DBus.Mock"

CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <keep_umask/>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
"""


class SystemBus:
    """One private bus daemon and the mock managers started on it."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="tessaly-bus-")
        config = os.path.join(self.folder, "bus.conf")
        with open(config, "w") as f:
            f.write(CONFIG.format(folder=self.folder))
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--config-file=" + config, "--nofork", "--print-address=1"],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            text=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon did not start")
        self.mocks = []
        self.connection = dbus.bus.BusConnection(self.address)

    def _start_mock(self, template, name):
        env = dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.address)
        mock = subprocess.Popen(
            [PYTHON, "-m", "dbusmock", "--system", "--template", template],
            env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.mocks.append(mock)
        deadline = time.monotonic() + 30
        while not self.connection.name_has_owner(name):
            if mock.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("mock %s did not come up" % template)
            time.sleep(0.05)

    def _mock(self, service):
        return dbus.Interface(self.connection.get_object(*service), MOCK)

    def start_logind(self):
        self._start_mock("logind", LOGIND[0])

    def start_systemd(self, state):
        self._start_mock("systemd", SYSTEMD[0])
        self._mock(SYSTEMD).AddProperty(SYSTEMD_MANAGER, "SystemState", dbus.String(state))

    def set_system_state(self, state):
        self._mock(SYSTEMD).UpdateProperties(
            SYSTEMD_MANAGER, dbus.Dictionary({"SystemState": dbus.String(state)}, signature="sv"))

    def power_off_calls(self):
        """The arguments of every PowerOff call logind received, oldest first."""
        return [tuple(call[1]) for call in self._mock(LOGIND).GetMethodCalls("PowerOff")]

    def stop(self):
        for process in self.mocks + [self.daemon]:
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        if self.daemon.stdout:
            self.daemon.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--logind", action="store_true")
    parser.add_argument("--systemd", metavar="STATE")
    args = parser.parse_args()
    bus = SystemBus()
    try:
        if args.logind:
            bus.start_logind()
        if args.systemd:
            bus.start_systemd(args.systemd)
        print(bus.address, flush=True)
        for line in sys.stdin:
            words = line.split()
            if words == ["calls"]:
                print(len(bus.power_off_calls()), flush=True)
            elif len(words) == 2 and words[0] == "state":
                bus.set_system_state(words[1])
                print("ok", flush=True)
            else:
                print("unknown command", flush=True)
    finally:
        bus.stop()


if __name__ == "__main__":
    main()
