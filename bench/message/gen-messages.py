#!/usr/bin/python3
"""Writes the benchmark inputs into a folder: received messages of a Japanese
text part and base64 attachments (msg30.eml with three attachments of 7.5 MB,
about 10 MB each encoded; msg10.eml and msg20.eml with one and two), and a
20 MB file to attach (attach20.bin) with the body text (body.txt, Shift_JIS)."""
import base64
import os
import random
import sys

out = sys.argv[1]
rng = random.Random(20260306)
TEXT = ("お世話になっております。資料を添付いたしますので、ご確認ください。\n"
        "カタカナ mixed with ASCII text, 1234567890.\n") * 200


def blob(n):
    return rng.randbytes(n)


def attachment_lines(name, data):
    enc = base64.encodebytes(data).replace(b"\n", b"\r\n")  # 76 characters a line
    head = (f'Content-Type: application/octet-stream; name="{name}"\r\n'
            "Content-Transfer-Encoding: base64\r\n"
            f'Content-Disposition: attachment; filename="{name}"\r\n\r\n').encode()
    return head + enc


def message(path, count, each):
    b = b"=_bench_boundary_"
    with open(path, "wb") as f:
        f.write(b"From: =?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <sato@example.jp>\r\n"
                b"To: tanaka@example.com\r\n"
                b"Subject: =?ISO-2022-JP?B?GyRCOzFOQRsoQg==?=\r\n"
                b"Date: Tue, 3 Mar 2026 10:14:58 +0900\r\n"
                b"Message-ID: <bench@example.jp>\r\nMIME-Version: 1.0\r\n"
                b'Content-Type: multipart/mixed; boundary="' + b + b'"\r\n\r\n'
                b"This is a multi-part message in MIME format.\r\n\r\n--" + b + b"\r\n"
                b"Content-Type: text/plain; charset=iso-2022-jp\r\nContent-Transfer-Encoding: 7bit\r\n\r\n")
        f.write(TEXT.encode("iso2022_jp").replace(b"\n", b"\r\n"))
        for i in range(count):
            f.write(b"--" + b + b"\r\n")
            f.write(attachment_lines(f"data{i + 1}.bin", blob(each)))
        f.write(b"--" + b + b"--\r\n")


each = 7_500_000
message(os.path.join(out, "msg30.eml"), 3, each)
message(os.path.join(out, "msg10.eml"), 1, each)
message(os.path.join(out, "msg20.eml"), 2, each)
with open(os.path.join(out, "attach20.bin"), "wb") as f:
    f.write(blob(20_000_000))
with open(os.path.join(out, "body.txt"), "wb") as f:
    f.write(TEXT.encode("cp932"))
