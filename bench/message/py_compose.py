#!/usr/bin/python3
"""Peer of compose_bench: build a message with a Japanese text part and one
attachment with Python's email package and serialise it to a file."""
import sys
from email.message import EmailMessage

attach, body, out = sys.argv[1], sys.argv[2], sys.argv[3]
msg = EmailMessage()
msg["To"] = "tanaka@example.com"
msg["From"] = "sato@example.jp"
msg["Subject"] = "資料の送付"
with open(body, "rb") as f:
    msg.set_content(f.read().decode("cp932"), charset="iso-2022-jp", cte="7bit")
with open(attach, "rb") as f:
    msg.add_attachment(f.read(), maintype="application", subtype="octet-stream", filename="attach20.bin")
with open(out, "wb") as f:
    f.write(msg.as_bytes())
