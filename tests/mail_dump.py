"""Prints what a mail client would show of a stored message, as JSON, for the mail tests.

usage: python3 mail_dump.py FILE.eml
"""
import base64
import json
import sys
from email import message_from_bytes
from email.header import decode_header, make_header


def text(value):
    return str(make_header(decode_header(value))) if value is not None else None


def main():
    with open(sys.argv[1], "rb") as f:
        raw = f.read()
    msg = message_from_bytes(raw)
    out = {
        "from": text(msg["From"]),
        "to": text(msg["To"]),
        "cc": text(msg["Cc"]),
        "bcc": msg["Bcc"],
        "subject": text(msg["Subject"]),
        "date": msg["Date"],
        "message_id": msg["Message-ID"],
        "mime_version": msg["MIME-Version"],
        "content_type": msg.get_content_type(),
        "max_line": max(len(line) for line in raw.split(b"\r\n")),
        "bare_lf": b"\n" in raw.replace(b"\r\n", b""),
        "eight_bit": any(b > 127 for b in raw),
        "attachments": [],
    }
    for part in msg.walk():
        if part.is_multipart():
            continue
        if part.get_content_disposition() == "attachment":
            out["attachments"].append({
                "name": text(part.get_param("name")),
                "filename": text(part.get_filename()),
                "type": part.get_content_type(),
                "data": base64.b64encode(part.get_payload(decode=True)).decode(),
            })
        elif "body" not in out:
            out["body_charset"] = part.get_content_charset()
            out["body_encoding"] = part["Content-Transfer-Encoding"]
            out["body"] = part.get_payload(decode=True).decode(part.get_content_charset())
    json.dump(out, sys.stdout, ensure_ascii=False)


main()
