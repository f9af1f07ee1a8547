#!/usr/bin/python3
"""Writes a received message of many small parts (default 100,000) to a file:
every tenth part a short Japanese text in ISO-2022-JP, the others named base64
attachments of 50 to 300 random bytes, all in one multipart/mixed."""
import base64
import random
import sys

out = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 100_000
rng = random.Random(20260307)
b = b"=_bench_parts_"
with open(out, "wb") as f:
    f.write(b"From: =?ISO-2022-JP?B?GyRCOjRGIxsoQg==?= <sato@example.jp>\r\n"
            b"To: tanaka@example.com\r\nSubject: parts\r\n"
            b"Date: Tue, 3 Mar 2026 10:14:58 +0900\r\nMIME-Version: 1.0\r\n"
            b'Content-Type: multipart/mixed; boundary="' + b + b'"\r\n\r\n')
    for i in range(count):
        f.write(b"--" + b + b"\r\n")
        if i % 10 == 0:
            f.write(b"Content-Type: text/plain; charset=iso-2022-jp\r\n"
                    b"Content-Transfer-Encoding: 7bit\r\n\r\n")
            f.write(f"資料 {i} をお送りします。\n".encode("iso2022_jp").replace(b"\n", b"\r\n"))
        else:
            name = f"part{i:06d}.bin"
            f.write((f'Content-Type: application/octet-stream; name="{name}"\r\n'
                     "Content-Transfer-Encoding: base64\r\n"
                     f'Content-Disposition: attachment; filename="{name}"\r\n\r\n').encode())
            f.write(base64.encodebytes(rng.randbytes(rng.randint(50, 300))).replace(b"\n", b"\r\n"))
    f.write(b"--" + b + b"--\r\n")
