"""A controller end of the link for tests: builds requests, receives replies on 7503."""

import os
import socket
import struct
import time

SERVICE = ("127.0.0.1", 7502)
CONTROLLER = ("127.0.0.1", 7503)

PKG_SET, ACK, PKG_QUERY, ANSWER = 0, 1, 2, 3
SET_CONFIG_UPDATE, SET_BACKUP_START, SET_BACKUP_STOP, SET_RESTORE_START, SET_RESTORE_STOP, \
    SET_EMAIL_TEST, SET_LOG_CLEAR = range(7)
QUERY_VERSION, QUERY_SESSION_SUMMARY, QUERY_SESSION_DETAIL = range(3)


def request(pkg_type, cmd, seq, payload=b"", gui_pid=0x1234, daemon_pid=0):
    return struct.pack("<BBHQQQ", pkg_type, cmd, 28 + len(payload), daemon_pid, gui_pid, seq) + payload


def text(s):
    return s.encode() + b"\0"


def restore_payload(uuid, version, target=None):
    flag = 0 if target is not None else 1
    p = text(uuid) + struct.pack("<QB", version, flag)
    if target is not None:
        p += text(target)
    return p


class Reply:
    def __init__(self, data):
        self.raw = data
        self.type, self.cmd, self.length, self.daemon_pid = struct.unpack_from("<BBHQ", data, 0)
        self.gui_pid, self.seq, self.result = struct.unpack_from("<QQq", data, 12)
        self.payload = data[36:]

    def text(self):
        return self.payload.split(b"\0")[0].decode()

    def texts(self, start=0):
        """The zero-ended texts of the payload from `start` on."""
        parts = self.payload[start:].split(b"\0")
        return [p.decode() for p in parts[:-1]]

    def __repr__(self):
        return "Reply(type=%d cmd=%d len=%d result=%d payload=%r)" % (
            self.type, self.cmd, self.length, self.result, self.payload)


class LinkPeer:
    """Sends to the service's port and collects replies on the controller's port.

    Requests go out from one socket that stays open, as the controller's do: the service
    finds the sender of each request among the open sockets and takes only requests of
    users who may configure it."""

    def __init__(self, bind=True, gui_pid=0x1234):
        self.seq = 0
        self.sock = None
        self.out = None
        self.gui_pid = gui_pid
        if bind:
            self.open()

    def open(self):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(CONTROLLER)

    def close(self):
        for s in (self.sock, self.out):
            if s:
                s.close()
        self.sock = None
        self.out = None

    def next_seq(self):
        self.seq += 1
        return self.seq

    def send_raw(self, data):
        if self.out is None:
            self.out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.out.sendto(data, SERVICE)

    def send(self, pkg_type, cmd, payload=b"", seq=None, gui_pid=None):
        seq = self.next_seq() if seq is None else seq
        self.send_raw(request(pkg_type, cmd, seq, payload,
                              gui_pid=self.gui_pid if gui_pid is None else gui_pid))
        return seq

    def receive(self, timeout=5.0):
        self.sock.settimeout(timeout)
        try:
            data, _ = self.sock.recvfrom(70000)
        except socket.timeout:
            return None
        return Reply(data)

    def ask(self, pkg_type, cmd, payload=b"", timeout=5.0):
        """Sends one request and returns the reply that carries its sequence number."""
        seq = self.send(pkg_type, cmd, payload)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            r = self.receive(deadline - time.monotonic())
            if r is None:
                break
            if r.seq == seq:
                return r
        return None

    def replies_until_barrier(self, timeout=5.0, grace=0.3):
        """Sends a version query as a barrier and returns every other reply that arrives
        before its answer or within a short grace period after it. (Requests that reach the
        service together are handled in the order of their events, where a version query
        comes before the task queries.)"""
        seq = self.send(PKG_QUERY, QUERY_VERSION)
        got = []
        deadline = time.monotonic() + timeout
        barrier_seen = False
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                break
            r = self.receive(left)
            if r is None:
                break
            if r.type == ANSWER and r.cmd == QUERY_VERSION and r.seq == seq and not barrier_seen:
                barrier_seen = True
                deadline = time.monotonic() + grace
                continue
            got.append(r)
        if not barrier_seen:
            raise AssertionError("no answer to the barrier")
        return got

    def wait_ready(self, timeout=20.0):
        """Waits until the service answers a version query (its main loop runs)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            r = self.ask(PKG_QUERY, QUERY_VERSION, timeout=0.3)
            if r is not None:
                return r
        raise AssertionError("the service does not answer")
