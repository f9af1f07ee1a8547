# The Python side of the transport benchmark: poplib and smtplib timing the same work.
import poplib
import smtplib
import ssl
import sys
import time

mode, port = sys.argv[1], int(sys.argv[2])
start = time.perf_counter()
if mode == "retr-tls":
    # POP3 over TLS, the certificate checked against the test authority.
    user, ca = sys.argv[3], sys.argv[4]
    p = poplib.POP3_SSL("127.0.0.1", port, context=ssl.create_default_context(cafile=ca))
    p.user(user)
    p.pass_(user + "pw")
    p.list()
    p.retr(1)
    elapsed = time.perf_counter() - start
    p.quit()
elif mode == "smtp-starttls":
    # Submission: STARTTLS, then the sign-in (smtplib prefers CRAM-MD5 too).
    path, ca = sys.argv[3], sys.argv[4]
    with open(path, "rb") as f:
        data = f.read()
    start = time.perf_counter()
    s = smtplib.SMTP("127.0.0.1", port, local_hostname="bench.example.test")
    s.starttls(context=ssl.create_default_context(cafile=ca))
    s.login("dave", "davepw")
    s.sendmail("bench@example.test", ["carol@example.test"], data)
    elapsed = time.perf_counter() - start
    s.quit()
elif mode in ("retr", "top"):
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
