#!/usr/bin/python3
"""Peer of velnaro-msg --save: parse a message with Python's email package,
decode every leaf's payload (text to str, as it would be shown) and write each
named part into a folder."""
import email
import os
import sys

path, out = sys.argv[1], sys.argv[2]
with open(path, "rb") as f:
    msg = email.message_from_binary_file(f)
for i, part in enumerate(msg.walk()):
    if part.is_multipart():
        continue
    data = part.get_payload(decode=True)
    name = part.get_filename()
    if name:
        with open(os.path.join(out, os.path.basename(name)), "wb") as w:
            w.write(data)
    elif part.get_content_maintype() == "text":
        data.decode(part.get_content_charset() or "ascii", "replace")
