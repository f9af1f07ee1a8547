// Tests of TPOPx against a real Dovecot, plain and over TLS, and of TSMTPx sending a large text through
// the real Postfix's submission port: what the flow tests above them do not repeat (TOP, DELE, plain
// SMTP, a refused message and the certificate questions are theirs).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSslSocket>

#include "MailNews.h"
#include "MailServers.h"

namespace {

// Skips without root; else starts the servers (Postfix too when asked) and names them S.
#define NEED_SERVERS(WithPostfix)                                                                            \
    if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";                    \
    MailServers& S = MailServers::Get();                                                                     \
    std::string Why;                                                                                         \
    ASSERT_TRUE(S.StartDovecot(Why) && (!(WithPostfix) || S.StartPostfix(Why))) << Why;                      \
    TClientSocket::ExtraCaCertificates =                                                                     \
        QSslCertificate::fromPath(QString::fromStdString(S.Certificates().CaFile))

std::string WithCrLf(const std::string& LfText) {
    std::string R;
    for (char C : LfText) (C == '\n' ? R += "\r\n" : R += C);
    return R;
}

}  // namespace

TEST(DovecotPop3, PlainOverTlsAndAfterStlsRetrGivesDotLinesAndLargeTextsWholeAtTheListedSizes) {
    NEED_SERVERS(false);
    const std::string Dotted = "Subject: dots\n\n.\n..\n.hidden\n..two\nend\n";
    std::string Big = "Subject: big\n\n";
    for (int I = 0; Big.size() < (5u << 20); ++I)
        Big += "line " + std::to_string(I) + std::string(70, 'x') + "\n";
    S.Empty("alice");
    S.Seed("alice", Dotted);
    S.Seed("alice", Big);
    const auto None = TSecurity::None, Tls = TSecurity::Tls, StartTls = TSecurity::StartTls;
    const std::pair<TSecurity, bool> Modes[] = {{None, false}, {Tls, false}, {Tls, true}, {StartTls, true}};
    for (const auto& [Mode, Apop] : Modes) {
        SCOPED_TRACE(std::to_string(static_cast<int>(Mode)) + (Apop ? " apop" : " user"));
        TPOPx Pop;
        Pop.Address = "127.0.0.1";
        Pop.SetSecurity({Mode == Tls ? S.PopsPort() : S.PopPort(), Mode, "mail.example.test", {}});
        Pop.User = "alice";
        Pop.Password = "alicepw";
        Pop.APop = Apop;
        std::vector<std::pair<bool, TPopState>> Events;
        Pop.OnRecvComp = Pop.OnGetError = [&](bool Ok, TPopState St) { Events.push_back({Ok, St}); };
        // Runs Start and gives the next completion.
        const auto Step = [&](const std::function<void()>& Start) {
            Events.clear();
            Start();
            ProcessEventsUntil([&] { return !Events.empty(); }, 20000);
            return Events.empty() ? std::make_pair(false, popNone) : Events.front();
        };
        ASSERT_EQ(Step([&] { Pop.Connect(); }), std::make_pair(true, popList));
        EXPECT_EQ(Pop.Encrypted(), Mode != None);
        ASSERT_EQ(Pop.MessageCount, 2);
        // Dovecot lists the seeded files in its own order.
        const int BigNo = Pop.MessageSize(0) > Pop.MessageSize(1) ? 1 : 2;
        for (int No : {1, 2}) {
            const std::string Text = WithCrLf(No == BigNo ? Big : Dotted);
            EXPECT_EQ(Pop.MessageSize(No - 1), static_cast<int>(Text.size()));
            EXPECT_EQ(Step([&] { Pop.Retrieve(No); }), std::make_pair(true, popRetr));
            EXPECT_TRUE(Pop.Lines.GetText() == Text) << No;
        }
        Pop.Quit();
        ProcessEventsUntil([&] { return !Pop.Opening(); }, 5000);
    }
}

TEST(PostfixSubmissionTls, TwentyMegabytesGoOutWholeAPieceAtATime) {
    NEED_SERVERS(true);
    S.Empty("carol");
    const std::string Subject = "big-tls-" + std::to_string(getpid());
    std::string Body;
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
    S.Empty("carol");
}
