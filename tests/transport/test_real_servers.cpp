// Tests of TPOPx against a real Dovecot and of TSMTPx against a real Postfix delivering into its Maildir,
// plain and over TLS: what the flow tests above them do not repeat (TOP, DELE, a refused message and
// the certificate questions are theirs).
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

struct PopSession {
    TPOPx Pop;
    std::vector<std::pair<bool, TPopState>> Events;
    int TlsErrors = 0;
    PopSession(TSecurity Mode, bool Apop) {
        MailServers& S = MailServers::Get();
        Pop.Address = "127.0.0.1";
        Pop.SetSecurity({Mode == TSecurity::Tls ? S.PopsPort() : S.PopPort(), Mode, "mail.example.test", {}});
        Pop.User = "alice";
        Pop.Password = "alicepw";
        Pop.APop = Apop;
        Pop.OnRecvComp = Pop.OnGetError = [this](bool Ok, TPopState St) { Events.push_back({Ok, St}); };
        Pop.OnTlsError = [this](QObject*, TCustomWinSocket*, const std::string&) { ++TlsErrors; };
    }
    ~PopSession() {
        Pop.Quit();
        ProcessEventsUntil([this] { return !Pop.Opening(); }, 5000);
    }
    // Runs Start and waits for the next completion (or a TLS error); returns it.
    std::pair<bool, TPopState> Step(const std::function<void()>& Start) {
        Events.clear();
        Start();
        ProcessEventsUntil([this] { return !Events.empty() || TlsErrors > 0; }, 20000);
        return Events.empty() ? std::make_pair(false, popNone) : Events.front();
    }
};

struct SmtpSession {
    TSMTPx Smtp;
    bool Done = false;
    std::string Error;
    explicit SmtpSession(const TConnectionSecurity& Security) {
        Smtp.Address = "127.0.0.1";
        Smtp.SetSecurity(Security);
        Smtp.Domain = "client.example.test";
        Smtp.OnSendComp = [this](TObject*) { Done = true; };
        Smtp.OnSMTPError = [this](TSMTPState, const std::string& R) { Error = R; };
    }
};

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
    const std::pair<TSecurity, bool> Modes[] = {{TSecurity::None, false},
                                                {TSecurity::Tls, false},
                                                {TSecurity::Tls, true},
                                                {TSecurity::StartTls, true}};
    for (const auto& [Mode, Apop] : Modes) {
        SCOPED_TRACE(std::to_string(static_cast<int>(Mode)) + (Apop ? " apop" : " user"));
        PopSession P(Mode, Apop);
        ASSERT_EQ(P.Step([&] { P.Pop.Connect(); }), std::make_pair(true, popList)) << P.TlsErrors;
        EXPECT_EQ(P.Pop.Encrypted(), Mode != TSecurity::None);
        ASSERT_EQ(P.Pop.MessageCount, 2);
        // Dovecot lists the seeded files in its own order.
        const int BigNo = P.Pop.MessageSize(0) > P.Pop.MessageSize(1) ? 1 : 2;
        for (int No : {1, 2}) {
            const std::string Text = WithCrLf(No == BigNo ? Big : Dotted);
            EXPECT_EQ(P.Pop.MessageSize(No - 1), static_cast<int>(Text.size()));
            EXPECT_EQ(P.Step([&] { P.Pop.Retrieve(No); }), std::make_pair(true, popRetr));
            EXPECT_TRUE(P.Pop.Lines.GetText() == Text) << No;
        }
    }
}

TEST(PostfixSmtp, DeliversToCcAndBccPassingEmptyAndRefusedEntriesWithDotLinesIntact) {
    NEED_SERVERS(true);
    for (const char* U : {"alice", "bob", "carol"}) S.Empty(U);
    SmtpSession Session({S.SmtpPort(), TSecurity::None, "", {}});
    TSMTPx& Smtp = Session.Smtp;
    TStringList L;
    L.SetText(
        "From: Sender <sender@example.test>\r\nTo: refused@example.test,, alice@example.test\r\n"
        "Cc: bob@example.test\r\nBcc: carol@example.test\r\nSubject: both\r\n\r\n.\r\n..x\r\n.y\r\nlast\r\n");
    ASSERT_TRUE(Smtp.SendMessage(L));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Session.Done || !Session.Error.empty(); }, 20000));
    ASSERT_TRUE(Session.Error.empty()) << Session.Error;
    EXPECT_EQ(Smtp.Accepted.Count(), 3);
    ASSERT_EQ(Smtp.Rejected.Count(), 1);
    EXPECT_EQ(Smtp.Rejected[0].substr(0, 4), "550 ");
    Smtp.Quit();
    ProcessEventsUntil([&] { return !Smtp.Opening(); }, 5000);
    for (const char* U : {"alice", "bob", "carol"}) {
        ASSERT_TRUE(ProcessEventsUntil([&] { return !S.Messages(U).empty(); }, 20000)) << U;
        const std::string Text = S.Messages(U)[0];
        EXPECT_EQ(Text.find("\nBcc:"), std::string::npos) << U;
        EXPECT_NE(Text.find("\nSubject: both\n"), std::string::npos);
        EXPECT_EQ(Text.substr(Text.find("\n\n")), "\n\n.\n..x\n.y\nlast\n");
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

    SmtpSession Session({S.SubmissionPort(), TSecurity::StartTls, "mail.example.test", {}});
    TSMTPx& Smtp = Session.Smtp;
    Smtp.SignIn = true;
    Smtp.AuthUser = "dave";
    Smtp.AuthPassword = "davepw";
    Smtp.MyAddress = "dave@example.test";
    ASSERT_TRUE(Smtp.SendMessage(Lines));
    // What waits in the socket, encrypted or not, stays a few pieces however
    // long the text is.
    qint64 Most = 0;
    ASSERT_TRUE(ProcessEventsUntil(
        [&] {
            if (auto* T = qobject_cast<QSslSocket*>(Smtp.Socket()->Handle()))
                Most = std::max(Most, T->bytesToWrite() + T->encryptedBytesToWrite());
            return Session.Done || !Session.Error.empty();
        },
        60000));
    EXPECT_TRUE(Session.Done) << Session.Error;
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
