"""Schedules and mail in the real daemon: a task and the log mail set a minute ahead run by
themselves, and the e-mail test command answers by what really happened. Each test runs in a
network namespace of its own with a test SMTP server (tests/peers/smtp_server.py)."""

import configparser
import datetime
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
from zoneinfo import ZoneInfo

from harness import DaemonTestCase, wait_until
from taskfile import session_config, session_xml
from linkpeer import (ACK, PKG_QUERY, PKG_SET, QUERY_SESSION_DETAIL, SET_CONFIG_UPDATE,
                      SET_EMAIL_TEST,
                      LinkPeer, text)

HERE = os.path.dirname(os.path.abspath(__file__))
PEERS = os.path.normpath(os.path.join(HERE, "..", "peers"))
UUID = "3b241101-e2bb-4255-8caf-4136c566a962"
ZONE = "Asia/Tokyo"  # no daylight saving: the test's minute arithmetic stays plain


def utc_text(moment):
    return moment.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")


def reference_time(local_minute):
    """A run time as the settings pages write it: the local hour and minute on 2001-01-01,
    in UTC."""
    ref = datetime.datetime(2001, 1, 1, local_minute.hour, local_minute.minute,
                            tzinfo=ZoneInfo(ZONE))
    return utc_text(ref)


def global_settings(server, period_time=None):
    period = "            <email_period_enable>disable</email_period_enable>\n"
    if period_time:
        period = ("            <email_period_enable>enable</email_period_enable>\n"
                  "            <schedule>daily</schedule>\n"
                  "            <time>%s</time>\n" % period_time)
    return ("<description>\n\t<version>1.0</version>\n\t<magic>E8AEBEE7BDAE</magic>\n"
            "\t<vendor>BRELKIN</vendor>\n\t<type>settings</type>\n\t<misc></misc>\n"
            "</description>\n<configuration>\n\t<language>English</language>\n\t<email>\n"
            "        <send_complete>disable</send_complete>\n        <send_period>\n" + period +
            "        </send_period>\n        <smtp>\n            <method>anonymous</method>\n"
            "            <ssl>disable</ssl>\n            <user_name></user_name>\n"
            "            <password></password>\n"
            "            <smtp_server>%s</smtp_server>\n"
            "            <sender_email>nas@example.org</sender_email>\n"
            "            <receiver_email>ann@example.org</receiver_email>\n"
            "        </smtp>\n\t</email>\n\t<log>\n        <if_full>clear</if_full>\n\t</log>\n"
            "\t<backup>\n\t\t<delete_sync>enable</delete_sync>\n\t</backup>\n\t<restore>\n"
            "\t\t<delete_sync>disable</delete_sync>\n\t</restore>\n\t<misc>\n"
            "\t\t<auto_starup>enable</auto_starup>\n\t\t<shutdown>disable</shutdown>\n\t</misc>\n"
            "</configuration>" % server)


class SmtpServer:
    """The test SMTP server on 127.0.0.1 and a free port, stopped by its own pid."""

    def __init__(self, *args):
        self.dir = tempfile.mkdtemp(prefix="tessaly-smtp-")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(PEERS, "smtp_server.py"), "--port-file",
             os.path.join(self.dir, "port"), "--out", os.path.join(self.dir, "out"), *args])
        port_file = os.path.join(self.dir, "port")
        if not wait_until(lambda: os.path.exists(port_file), timeout=15):
            raise AssertionError("the SMTP server did not come up")
        with open(port_file) as f:
            self.port = int(f.read())

    @property
    def address(self):
        return "127.0.0.1:%d" % self.port

    def message(self, n):
        path = os.path.join(self.dir, "out", "%d.ini" % n)
        if not os.path.exists(path):
            return None
        parser = configparser.RawConfigParser(interpolation=None, delimiters=("=",))
        parser.optionxform = str
        parser.read(path, encoding="utf-8")

        def unescape(v):
            return (v.replace("\\n", "\n").replace("\\t", "\t").replace("\\r", "\r")
                    .replace("\\s", " ").replace("\\\\", "\\"))
        return {g: {k: unescape(v) for k, v in parser[g].items()} for g in parser.sections()}

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


class ScheduleCase(DaemonTestCase):
    def setUp(self):
        super().setUp()
        self.smtp = SmtpServer()
        self.peer = LinkPeer()
        self.src = os.path.join(self.root.path, "src")
        self.dest = os.path.join(self.root.path, "dest")
        os.makedirs(self.src)
        os.makedirs(self.dest)
        with open(os.path.join(self.src, "a.txt"), "w") as f:
            f.write("a")

    def tearDown(self):
        self.peer.close()
        super().tearDown()
        self.smtp.stop()

    def start_daemon(self):
        self.out = os.path.join(self.root.path, "console.txt")
        daemon = self.start(("-s", "-d", "0", "-f", self.out), env={"TZ": ZONE})
        self.peer.wait_ready()
        return daemon

    def detail(self):
        r = self.peer.ask(PKG_QUERY, QUERY_SESSION_DETAIL, text(UUID))
        self.assertIsNotNone(r)
        self.assertEqual(r.result, 0)
        uuid, name, status, next_time, last_time = r.texts(4)[:5]
        return {"status": status, "next": next_time, "last": last_time}

    def console(self):
        with open(self.out, "rb") as f:
            return f.read().decode("utf-8", "replace")


class ScheduledRuns(ScheduleCase):
    def test_task_and_log_mail_run_at_their_minute(self):
        now = datetime.datetime.now(ZoneInfo(ZONE))
        # The next whole minute, with time for the daemon to come up first.
        minute = (now + datetime.timedelta(minutes=1)).replace(second=0, microsecond=0)
        if (minute - now).total_seconds() < 25:
            minute += datetime.timedelta(minutes=1)
        self.root.write("GLOBAL_SETTING.dat",
                        global_settings(self.smtp.address, reference_time(minute)))
        self.root.write("SESSION_CONFIG.dat", session_config(session_xml(
            UUID, "Docs", [self.src], self.dest, action="full_backup", trigger="schedule",
            schedule_type="daily", schedule_times=[reference_time(minute)])))
        # The log text file as an earlier run left it (the service rewrites it only when it
        # writes its log files).
        earlier = "2026-03-01 13:05\tmessage\tDocs\tBackup Docs is completed.\n"
        self.root.write("LOG.txt", earlier)
        self.start_daemon()

        # Before: the next run is that minute, no run yet, no mail.
        before = self.detail()
        self.assertEqual(before["next"], utc_text(minute))
        self.assertEqual(before["status"], "Not started")
        self.assertIsNone(self.smtp.message(1))

        # At the minute the scan starts the task and the log mail goes out.
        pattern = re.compile(r"scheduled start of %s at (\S+): (-?\d+)" % UUID)
        wait = (minute - datetime.datetime.now(ZoneInfo(ZONE))).total_seconds() + 20
        self.assertTrue(wait_until(lambda: pattern.search(self.console()), timeout=wait),
                        "no scheduled start")
        started_at, result = pattern.search(self.console()).groups()
        start = datetime.datetime.strptime(started_at[:19], "%Y-%m-%dT%H:%M:%S").replace(
            tzinfo=datetime.timezone.utc)
        self.assertGreaterEqual(start, minute)
        self.assertLess((start - minute).total_seconds(), 3)

        after = self.detail()
        self.assertEqual(after["next"], utc_text(minute + datetime.timedelta(days=1)))
        # The runner took the start: the last run is that start.
        self.assertEqual(int(result), 0)
        self.assertEqual(after["last"][:19], started_at[:19])
        self.assertEqual(len(re.findall(pattern, self.console())), 1)

        self.assertTrue(wait_until(lambda: self.smtp.message(1) is not None, timeout=20),
                        "no log mail")
        mail = self.smtp.message(1)
        self.assertEqual(mail["message"]["subject"], "backup information")
        self.assertEqual(mail["message"]["rcpt_tos"], "ann@example.org")
        self.assertEqual(mail["message"]["body"], "\nDear Administrator\n\n  Here is the "
                         "current log information. \n  Please check.\n")
        self.assertEqual(mail["message"]["attachments"], "1")
        self.assertEqual(mail["attachment 1"]["filename"], "LOG.txt")
        self.assertEqual(mail["attachment 1"]["description"], "log information")
        # The file as it was, or as the service rewrote it meanwhile.
        self.assertIn(mail["attachment 1"]["content"], (earlier, self.root.read("LOG.txt")))
        # Exactly one mail for the minute.
        time.sleep(2)
        self.assertIsNone(self.smtp.message(2))


class EmailTestCommand(ScheduleCase):
    def test_answer_follows_the_mail(self):
        self.root.write("GLOBAL_SETTING.dat", global_settings(self.smtp.address))
        self.start_daemon()
        r = self.peer.ask(PKG_SET, SET_EMAIL_TEST, timeout=30)
        self.assertEqual((r.type, r.result, r.text()), (ACK, 0, ""))
        mail = self.smtp.message(1)
        self.assertIsNotNone(mail)
        self.assertEqual(mail["message"]["subject"], "backup information")
        self.assertEqual(mail["message"]["rcpt_tos"], "ann@example.org")

        # No server on the port: the test fails and says so.
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        port = probe.getsockname()[1]
        probe.close()
        self.root.write("GLOBAL_SETTING.dat", global_settings("127.0.0.1:%d" % port))
        self.assertEqual(self.peer.ask(PKG_SET, SET_CONFIG_UPDATE).result, 0)
        r = self.peer.ask(PKG_SET, SET_EMAIL_TEST, timeout=30)
        self.assertEqual((r.type, r.result, r.text()), (ACK, 4, "email test is failed"))


if __name__ == "__main__":
    unittest.main()
