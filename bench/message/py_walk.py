#!/usr/bin/python3
"""Peer of velnaro-msg on a message of many parts: parse it with Python's email
package, walk every leaf, decode its payload, turn text into str (as it would
be shown) and take the SHA-256 of every named attachment's bytes."""
import email
import hashlib
import sys

with open(sys.argv[1], "rb") as f:
    msg = email.message_from_binary_file(f)
for part in msg.walk():
    if part.is_multipart():
        continue
    data = part.get_payload(decode=True)
    if part.get_filename():
        hashlib.sha256(data).hexdigest()
    elif part.get_content_maintype() == "text":
        data.decode(part.get_content_charset() or "ascii", "replace")
