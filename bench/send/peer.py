# The Python side of the send benchmark: the email package builds the same
# message (Japanese text in ISO-2022-JP, one base64 attachment read from the
# file) and smtplib sends it; prints the seconds from reading the file to the
# server's acceptance.
import smtplib
import sys
import time
from email.header import Header
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

port, path, name = int(sys.argv[1]), sys.argv[2], sys.argv[3]
start = time.perf_counter()
msg = MIMEMultipart()
msg["To"] = "carol@example.test"
msg["Cc"] = ""
msg["Subject"] = Header("資料の送付（第２回）", "iso-2022-jp")
msg["From"] = "dave@example.test"
msg.attach(MIMEText("山田様\n\n資料を添付します。\n", "plain", "iso-2022-jp"))
with open(path, "rb") as f:
    part = MIMEApplication(f.read(), "octet-stream")
part.add_header("Content-Disposition", "attachment", filename=("iso-2022-jp", "jp", name))
msg.attach(part)
data = msg.as_bytes()
s = smtplib.SMTP("127.0.0.1", port, local_hostname="smtp.example.test")
s.sendmail("dave@example.test", ["carol@example.test"], data)
elapsed = time.perf_counter() - start
s.quit()
print(elapsed)
