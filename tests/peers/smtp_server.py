#!/usr/bin/python3
"""A test SMTP server on 127.0.0.1 and a free port (python3-aiosmtpd).

It writes the port it listens on to --port-file once it accepts connections, and records
into --out:
  <n>.eml      every message received, as it came;
  <n>.ini      the envelope, whether TLS and which login were in use, and the message as
               Python's e-mail parser reads it (subject, addresses, body, attachments);
  auth.ini     every AUTH attempt (mechanism, login, success, TLS);
  clear.log    every byte received outside TLS, to show what went over the wire in clear.
"""

import argparse
import asyncio
import email
import email.policy
import os
import signal
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def escape(value):
    """A value as GLib's key files write it, so that C++ tests read it with GKeyFile."""
    text = "" if value is None else str(value)
    text = (text.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")
            .replace("\r", "\\r"))
    if text.startswith(" "):
        text = "\\s" + text[1:]
    return text


def key_file(groups):
    lines = []
    for name, values in groups:
        lines.append("[%s]" % name)
        for key, value in values.items():
            if isinstance(value, bool):
                value = "true" if value else "false"
            lines.append("%s=%s" % (key, escape(value)))
        lines.append("")
    return "\n".join(lines)


def write_atomic(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)
    os.replace(tmp, path)


class Recorder:
    def __init__(self, out):
        self.out = out
        self.count = 0
        self.auth = []

    def clear(self, data):
        with open(os.path.join(self.out, "clear.log"), "ab") as f:
            f.write(data)

    def auth_attempt(self, mechanism, login, ok, tls):
        self.auth.append({"mechanism": mechanism, "login": login, "ok": ok, "tls": tls})
        groups = [("auth %d" % (i + 1), a) for i, a in enumerate(self.auth)]
        groups.insert(0, ("attempts", {"count": len(self.auth)}))
        write_atomic(os.path.join(self.out, "auth.ini"), key_file(groups))

    def message(self, session, envelope):
        self.count += 1
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        body = msg.get_body(preferencelist=("plain",))
        attachments = []
        for part in msg.iter_attachments():
            attachments.append({
                "filename": part.get_filename(),
                "description": str(part.get("Content-Description", "")),
                "content_type": part.get_content_type(),
                "content": part.get_payload(decode=True).decode("utf-8", "replace"),
            })
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": ",".join(envelope.rcpt_tos),
            "tls": session.ssl is not None,
            "login": (session.auth_data.login.decode()
                      if isinstance(session.auth_data, LoginPassword) else ""),
            "subject": str(msg["Subject"]),
            "from": str(msg["From"]),
            "to": str(msg["To"]),
            "body_type": body.get_content_type() if body is not None else "",
            "body_charset": body.get_content_charset() if body is not None else "",
            # as a reader shows it: lines ended by LF
            "body": body.get_content().replace("\r\n", "\n") if body is not None else "",
            "attachments": len(attachments),
        }
        groups = [("message", record)]
        groups += [("attachment %d" % (i + 1), a) for i, a in enumerate(attachments)]
        write_atomic(os.path.join(self.out, "%d.eml" % self.count), raw)
        write_atomic(os.path.join(self.out, "%d.ini" % self.count), key_file(groups))


class Handler:
    def __init__(self, recorder, reject_rcpt):
        self.recorder = recorder
        self.reject_rcpt = reject_rcpt

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.reject_rcpt:
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.recorder.message(session, envelope)
        return "250 OK"


class RecordingSMTP(SMTP):
    """Keeps what arrives before TLS is up (after STARTTLS the TLS layer feeds this method
    with decrypted data, which is not recorded)."""

    recorder = None

    def data_received(self, data):
        if self._tls_protocol is None:
            self.recorder.clear(data)
        super().data_received(data)


def make_authenticator(recorder, user, password):
    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode()
              and auth_data.password == password.encode())
        login = auth_data.login.decode() if isinstance(auth_data, LoginPassword) else None
        recorder.auth_attempt(mechanism, login, ok, session.ssl is not None)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)
    return authenticator


async def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port-file", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--auth", help="USER:PASSWORD")
    p.add_argument("--mechanisms", default="LOGIN,PLAIN")
    p.add_argument("--auth-require-tls", action="store_true")
    p.add_argument("--reject-rcpt", action="store_true")
    p.add_argument("--silent", action="store_true", help="accept and never greet")
    a = p.parse_args()

    os.makedirs(a.out, exist_ok=True)
    recorder = Recorder(a.out)
    loop = asyncio.get_running_loop()

    if a.silent:
        async def never(reader, writer):
            await asyncio.sleep(3600)
        server = await asyncio.start_server(never, "127.0.0.1", 0)
    else:
        context = None
        if a.cert:
            context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
            context.load_cert_chain(a.cert, a.key)
        kwargs = {"hostname": "localhost", "tls_context": context,
                  "require_starttls": context is not None,
                  "auth_require_tls": a.auth_require_tls}
        if a.auth:
            user, password = a.auth.split(":", 1)
            offered = set(a.mechanisms.split(","))
            kwargs["authenticator"] = make_authenticator(recorder, user, password)
            kwargs["auth_exclude_mechanism"] = [m for m in ("LOGIN", "PLAIN") if m not in offered]
        handler = Handler(recorder, a.reject_rcpt)

        def factory():
            smtp = RecordingSMTP(handler, **kwargs)
            smtp.recorder = recorder
            return smtp

        server = await loop.create_server(factory, host="127.0.0.1", port=0)

    port = server.sockets[0].getsockname()[1]
    write_atomic(a.port_file, str(port))
    stop = loop.create_future()
    loop.add_signal_handler(signal.SIGTERM, lambda: stop.done() or stop.set_result(None))
    await stop
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
