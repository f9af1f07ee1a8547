// Tests of TSMTPx sending a large text through the real Postfix's submission port, and of TPOPx reading
// it back whole over TLS from the real Dovecot: what the flow tests above them do not repeat (listing
// and reading plain, after STLS and over TLS, TOP, DELE, plain SMTP, a refused message and the
// certificate questions are theirs).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSslSocket>

#include "MailNews.h"
#include "MailServers.h"

namespace {

std::string WithCrLf(const std::string& LfText) {
    std::string R;
    for (char C : LfText) (C == '\n' ? R += "\r\n" : R += C);
    return R;
}

}  // namespace

TEST(PostfixSubmissionTls, TwentyMegabytesGoOutWholeAPieceAtATime) {
    if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";
    MailServers& S = MailServers::Get();
    std::string Why;
    ASSERT_TRUE(S.StartPostfix(Why)) << Why;  // Dovecot too
    TClientSocket::ExtraCaCertificates =
        QSslCertificate::fromPath(QString::fromStdString(S.Certificates().CaFile));
    S.Empty("carol");
    const std::string Subject = "big-tls-" + std::to_string(getpid());
    // Lines of dots alone and dots first, for the dot-stuffing both ways.
    std::string Body = ".\n..\n.hidden\n";
    for (int I = 0; Body.size() < (20u << 20); ++I)
        Body += (I % 9 == 0 ? "." : "") + std::to_string(I) + std::string(70, 'z') + "\n";
    TStringList Lines;
    Lines.SetText("To: carol@example.test\r\nSubject: " + Subject + "\r\n\r\n" + Body);

    TSMTPx Smtp;
    Smtp.Address = "127.0.0.1";
    Smtp.SetSecurity({S.SubmissionPort(), TSecurity::StartTls, "mail.example.test", {}});
    Smtp.Domain = "client.example.test";
    Smtp.SignIn = true;
    Smtp.AuthUser = "dave";
    Smtp.AuthPassword = "davepw";
    Smtp.MyAddress = "dave@example.test";
    bool Done = false;
    std::string Error;
    Smtp.OnSendComp = [&](TObject*) { Done = true; };
    Smtp.OnSMTPError = [&](TSMTPState, const std::string& R) { Error = R; };
    ASSERT_TRUE(Smtp.SendMessage(Lines));
    // What waits in the socket, encrypted or not, stays a few pieces however
    // long the text is.
    qint64 Most = 0;
    ASSERT_TRUE(ProcessEventsUntil(
        [&] {
            if (auto* T = qobject_cast<QSslSocket*>(Smtp.Socket()->Handle()))
                Most = std::max(Most, T->bytesToWrite() + T->encryptedBytesToWrite());
            return Done || !Error.empty();
        },
        60000));
    EXPECT_TRUE(Done) << Error;
    EXPECT_TRUE(Smtp.Encrypted());
    EXPECT_LT(Most, 4 << 20);
    Smtp.Quit();
    ASSERT_TRUE(ProcessEventsUntil([&] { return S.Messages("carol").size() == 1; }, 30000));
    const std::string Got = S.Messages("carol")[0];
    EXPECT_NE(Got.find("Subject: " + Subject + "\n"), std::string::npos);
    ASSERT_GE(Got.size(), Body.size());
    EXPECT_TRUE(Got.compare(Got.size() - Body.size(), Body.size(), Body) == 0);

    // Read back with APOP over TLS: listed at the size of its CR LF text, which arrives whole.
    TPOPx Pop;
    Pop.Address = "127.0.0.1";
    Pop.SetSecurity({S.PopsPort(), TSecurity::Tls, "mail.example.test", {}});
    Pop.User = "carol";
    Pop.Password = "carolpw";
    Pop.APop = true;
    std::vector<std::pair<bool, TPopState>> Events;
    Pop.OnRecvComp = Pop.OnGetError = [&](bool Ok, TPopState St) { Events.push_back({Ok, St}); };
    Pop.Connect();
    ASSERT_TRUE(ProcessEventsUntil([&] { return !Events.empty(); }, 20000));
    ASSERT_EQ(Events.back(), std::make_pair(true, popList));
    EXPECT_TRUE(Pop.Encrypted());
    ASSERT_EQ(Pop.MessageCount, 1);
    const std::string Text = WithCrLf(Got);
    EXPECT_EQ(Pop.MessageSize(0), static_cast<int>(Text.size()));
    ASSERT_TRUE(Pop.Retrieve(1));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Events.size() == 2; }, 30000));
    EXPECT_EQ(Events.back(), std::make_pair(true, popRetr));
    EXPECT_TRUE(Pop.Lines.GetText() == Text);
    Pop.Quit();
    ProcessEventsUntil([&] { return !Pop.Opening(); }, 5000);
    S.Empty("carol");
}
