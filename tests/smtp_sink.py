"""An SMTP handler for the mail tests: stores every message and its envelope.

Run as: python3 -m aiosmtpd -n -l 127.0.0.1:PORT -c smtp_sink.Sink
Environment:
  SINK_DIR       folder that receives N.eml (the message as it arrived) and N.json (envelope)
  SINK_USER      with SINK_PASSWORD: the only credentials AUTH accepts
  SINK_PASSWORD
Any recipient whose address starts with "reject" is refused with 550. The server ends itself
when the test that started it is gone, so a crashed test leaves nothing running.
"""
import base64
import json
import os
import threading
import time

from aiosmtpd.smtp import AuthResult


class Sink:
    def __init__(self):
        self.folder = os.environ["SINK_DIR"]
        self.count = 0
        parent = os.getppid()

        def watch():
            while os.getppid() == parent:
                time.sleep(1)
            os._exit(0)

        threading.Thread(target=watch, daemon=True).start()

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("reject"):
            return "550 5.1.1 <%s>: Recipient address rejected: no such user" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        info = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": session.ssl is not None,
            "login": session.auth_data.decode() if session.auth_data else "",
        }
        with open(base + ".tmp", "w") as f:
            json.dump(info, f)
        os.replace(base + ".tmp", base + ".json")
        return "250 Message accepted for delivery"

    def _check(self, login, password):
        ok = (login == os.environ.get("SINK_USER", "").encode()
              and password == os.environ.get("SINK_PASSWORD", "").encode())
        return AuthResult(success=ok, handled=False, auth_data=login if ok else None)

    async def auth_PLAIN(self, server, args):
        if len(args) > 1:
            data = base64.b64decode(args[1])
        else:
            data = await server.challenge_auth("")
        try:
            _, login, password = data.split(b"\0")
        except (ValueError, AttributeError):
            return AuthResult(success=False)
        return self._check(login, password)

    async def auth_LOGIN(self, server, args):
        login = await server.challenge_auth("Username:")
        password = await server.challenge_auth("Password:")
        return self._check(login, password)
