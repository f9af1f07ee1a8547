// Tests of the clients over TLS against the real servers: POP3 from the first byte, after STLS and with a certificate for another name; a large message through submission.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QSslSocket>

#include "MailNews.h"
#include "MailServers.h"

namespace {

#define NEED_DOVECOT()                                                                                       \
    do {                                                                                                     \
        if (geteuid() != 0) GTEST_SKIP() << "real Dovecot needs root to run here";                           \
        std::string Why;                                                                                     \
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;                                            \
        TClientSocket::ExtraCaCertificates =                                                                 \
            QSslCertificate::fromPath(QString::fromStdString(MailServers::Get().Certificates().CaFile));     \
    } while (0)

struct SecurePop {
    TPOPx Pop;
    std::vector<std::pair<bool, TPopState>> Events;
    std::vector<TCertificateProblem> Questions;
    std::vector<std::string> TlsErrors;
    bool Answer = false;
    SecurePop(TSecurity Mode, const std::string& PeerName, bool Apop = false) {
        MailServers& S = MailServers::Get();
        Pop.Address = "127.0.0.1";
        Pop.SetSecurity({Mode == TSecurity::Tls ? S.PopsPort() : S.PopPort(), Mode, PeerName, {}});
        Pop.User = "alice";
        Pop.Password = "alicepw";
        Pop.APop = Apop;
        Pop.OnRecvComp = [this](bool Ok, TPopState St) { Events.push_back({Ok, St}); };
        Pop.OnGetError = [this](bool Ok, TPopState St) { Events.push_back({Ok, St}); };
        Pop.OnCertificateQuestion = [this](const TCertificateProblem& P) {
            Questions.push_back(P);
            return Answer;
        };
        Pop.OnTlsError = [this](QObject*, TCustomWinSocket*, const std::string& T) {
            TlsErrors.push_back(T);
        };
        Pop.OnError = [](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
            ADD_FAILURE() << "socket error " << Code;
            Code = 0;
        };
    }
    ~SecurePop() {
        Pop.Quit();
        ProcessEventsUntil([this] { return !Pop.Opening(); }, 5000);
    }
    std::pair<bool, TPopState> Step(const std::function<void()>& Start) {
        Events.clear();
        Start();
        ProcessEventsUntil([this] { return !Events.empty() || !TlsErrors.empty(); }, 20000);
        return Events.empty() ? std::make_pair(false, popNone) : Events.front();
    }
};

}  // namespace

TEST(DovecotPop3Tls, LoginListAndRetrOverTlsAndAfterStls) {
    NEED_DOVECOT();
    MailServers& S = MailServers::Get();
    const std::string Text = "Subject: secure\r\n\r\n.dotted\r\nbody\r\n";
    for (TSecurity Mode : {TSecurity::Tls, TSecurity::StartTls})
        for (bool Apop : {false, true}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(Mode)) + (Apop ? " apop" : " user"));
            S.Empty("alice");
            S.Seed("alice", Text);
            SecurePop P(Mode, "mail.example.test", Apop);
            ASSERT_EQ(P.Step([&] { P.Pop.Connect(); }), std::make_pair(true, popList)) << P.TlsErrors.size();
            EXPECT_TRUE(P.Pop.Encrypted());
            EXPECT_TRUE(P.Questions.empty());
            EXPECT_EQ(P.Pop.MessageCount, 1);
            ASSERT_EQ(P.Step([&] { P.Pop.Retrieve(1); }), std::make_pair(true, popRetr));
            EXPECT_EQ(P.Pop.Lines.GetText(), Text);
        }
}

TEST(DovecotPop3Tls, CertificateForAnotherNameAsksAndOnlyAYesGoesOn) {
    NEED_DOVECOT();
    for (TSecurity Mode : {TSecurity::Tls, TSecurity::StartTls}) {
        SCOPED_TRACE(static_cast<int>(Mode));
        std::string Fingerprint;
        {
            SecurePop P(Mode, "pop.other.test");
            EXPECT_EQ(P.Step([&] { P.Pop.Connect(); }).second, popNone);
            ASSERT_EQ(P.Questions.size(), 1u);
            EXPECT_EQ(P.Questions[0].PeerName, "pop.other.test");
            EXPECT_EQ(P.Questions[0].Issues, std::vector<TCertificateIssue>{TCertificateIssue::NameMismatch});
            Fingerprint = P.Questions[0].Fingerprint;
            EXPECT_EQ(Fingerprint.size(), 64u);
            ASSERT_EQ(P.TlsErrors.size(), 1u);
            EXPECT_TRUE(P.Events.empty());  // no login, no listing
            ASSERT_TRUE(ProcessEventsUntil([&] { return !P.Pop.Opening(); }, 5000));
        }
        {
            SecurePop P(Mode, "pop.other.test");
            P.Answer = true;
            EXPECT_EQ(P.Step([&] { P.Pop.Connect(); }), std::make_pair(true, popList));
            EXPECT_EQ(P.Pop.TrustedFingerprints, std::vector<std::string>{Fingerprint});
        }
        {
            // Trusted beforehand: no question.
            SecurePop P(Mode, "pop.other.test");
            P.Pop.TrustedFingerprints = {Fingerprint};
            EXPECT_EQ(P.Step([&] { P.Pop.Connect(); }), std::make_pair(true, popList));
            EXPECT_TRUE(P.Questions.empty());
        }
    }
}

TEST(PostfixSubmissionTls, TwentyMegabytesGoOutWholeAPieceAtATime) {
    NEED_DOVECOT();
    std::string Why;
    ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;
    MailServers& S = MailServers::Get();
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
    Smtp.SignIn = true;
    Smtp.AuthUser = "dave";
    Smtp.AuthPassword = "davepw";
    Smtp.Domain = "client.example.test";
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
