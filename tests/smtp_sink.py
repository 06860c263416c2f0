"""The mail tests' SMTP handler (python3 -m aiosmtpd -c smtp_sink.Sink): stores message N as
SINK_DIR/N.eml, and its envelope with what a mail reader shows of it as N.json; accepts only
SINK_USER/SINK_PASSWORD, refuses recipients starting with "reject" (those starting with "steer"
with terminal control codes in the reply), and ends itself once the test that started it is
gone."""
import base64
import json
import os
import threading
import time
from email import message_from_bytes
from email.header import decode_header, make_header

from aiosmtpd.smtp import AuthResult


def text(value):
    return str(make_header(decode_header(value))) if value is not None else None


def shown(raw):
    msg = message_from_bytes(raw)
    out = {key: text(msg[key]) for key in ("From", "To", "Cc", "Subject")}
    out.update(bcc=msg["Bcc"], date=msg["Date"], message_id=msg["Message-ID"],
               mime_version=msg["MIME-Version"], attachments=[],
               max_line=max(len(line) for line in raw.split(b"\r\n")),
               bare_lf=b"\n" in raw.replace(b"\r\n", b""), eight_bit=any(b > 127 for b in raw))
    for part in msg.walk():
        if part.is_multipart():
            continue
        data = part.get_payload(decode=True)
        if part.get_content_disposition() == "attachment":
            out["attachments"].append({"name": text(part.get_param("name")),
                                       "filename": text(part.get_filename()),
                                       "type": part.get_content_type(),
                                       "data": base64.b64encode(data).decode()})
        elif "body" not in out:
            out["body_charset"] = part.get_content_charset()
            out["body"] = data.decode(part.get_content_charset())
    return out


class Sink:
    def __init__(self):
        self.count = 0
        parent = os.getppid()

        def watch():
            while os.getppid() == parent:
                time.sleep(1)
            os._exit(0)

        threading.Thread(target=watch, daemon=True).start()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("steer"):
            return "550 5.1.1 \x1b]0;steered\x07\x1b[31mno such user"
        if address.startswith("reject"):
            return "550 5.1.1 <%s>: Recipient address rejected: no such user" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(os.environ["SINK_DIR"], str(self.count))
        open(base + ".eml", "wb").write(envelope.original_content)
        info = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                "tls": session.ssl is not None, "login": (session.auth_data or b"").decode(),
                "mail": shown(envelope.original_content)}
        json.dump(info, open(base + ".tmp", "w"))
        os.replace(base + ".tmp", base + ".json")  # the test counts only whole envelopes
        return "250 Message accepted for delivery"

    def _check(self, login, password):
        ok = (login, password) == (os.environ["SINK_USER"].encode(),
                                   os.environ["SINK_PASSWORD"].encode())
        return AuthResult(success=ok, handled=False, auth_data=login if ok else None)

    async def auth_PLAIN(self, server, args):
        data = base64.b64decode(args[1]) if len(args) > 1 else await server.challenge_auth("")
        try:
            _, login, password = data.split(b"\0")
        except (ValueError, AttributeError):
            return AuthResult(success=False)
        return self._check(login, password)

    async def auth_LOGIN(self, server, args):
        login = await server.challenge_auth("Username:")
        return self._check(login, await server.challenge_auth("Password:"))
