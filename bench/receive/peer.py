# The Python side of the receive benchmark: poplib doing the same POP3 work as the receive flow.
# top: LIST, then TOP n 0 for every message; retrall: LIST, then RETR n for every message.
import poplib
import sys
import time

mode, port, user = sys.argv[1], int(sys.argv[2]), sys.argv[3]
start = time.perf_counter()
p = poplib.POP3("127.0.0.1", port)
p.user(user)
p.pass_(user + "pw")
count = len(p.list()[1])
for n in range(1, count + 1):
    if mode == "top":
        p.top(n, 0)
    else:
        p.retr(n)
p.quit()
print(time.perf_counter() - start)
