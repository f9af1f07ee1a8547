# The Python side of the transport benchmark: poplib and smtplib timing the same work.
import poplib
import smtplib
import sys
import time

mode, port = sys.argv[1], int(sys.argv[2])
start = time.perf_counter()
if mode in ("retr", "top"):
    user = sys.argv[3]
    p = poplib.POP3("127.0.0.1", port)
    p.user(user)
    p.pass_(user + "pw")
    count = len(p.list()[1])
    if mode == "retr":
        p.retr(1)
    else:
        for n in range(1, count + 1):
            p.top(n, 0)
    elapsed = time.perf_counter() - start
    p.quit()
else:
    with open(sys.argv[3], "rb") as f:
        data = f.read()
    start = time.perf_counter()
    s = smtplib.SMTP("127.0.0.1", port, local_hostname="bench.example.test")
    s.sendmail("bench@example.test", ["carol@example.test"], data)
    elapsed = time.perf_counter() - start
    s.quit()
print(elapsed)
