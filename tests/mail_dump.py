"""Prints what a mail reader shows of a stored message, as JSON: mail_dump.py FILE.eml"""
import base64
import json
import sys
from email import message_from_bytes
from email.header import decode_header, make_header


def text(value):
    return str(make_header(decode_header(value))) if value is not None else None


raw = open(sys.argv[1], "rb").read()
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
json.dump(out, sys.stdout, ensure_ascii=False)
