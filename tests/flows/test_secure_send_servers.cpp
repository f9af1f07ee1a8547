// End-to-end tests of sending over TLS with sign-in: the real Postfix (submission, SMTPS, bad certificates) delivering into the real Dovecot, read back over POP3 with TLS.
#include <unistd.h>

#include <gtest/gtest.h>

#include "BaseMsg.h"
#include "FlowFixtures.h"
#include "MailServers.h"
#include "Secure.h"

namespace {

#define NEED_SERVERS()                                                                                       \
    do {                                                                                                     \
        if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";                \
        std::string Why;                                                                                     \
        ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;                                            \
        TClientSocket::ExtraCaCertificates =                                                                 \
            QSslCertificate::fromPath(QString::fromStdString(MailServers::Get().Certificates().CaFile));     \
    } while (0)

// The subjects of every message of User, read over POP3 with TLS once the
// mailbox holds Count messages.
std::vector<std::string> Subjects(const std::string& User, size_t Count) {
    std::vector<std::string> R;
    if (!Wait([&] { return MailServers::Get().Messages(User).size() >= Count; }, 20000)) return R;
    TPOPx Pop;
    Pop.Address = "127.0.0.1";
    Pop.SetSecurity({MailServers::Get().PopsPort(), TSecurity::Tls, "mail.example.test", {}});
    Pop.User = User;
    Pop.Password = User + "pw";
    bool Done = false;
    Pop.OnRecvComp = [&](bool, TPopState S) {
        if (S == popRetr) {
            TBaseMessage M;
            M.Assign(Pop.Lines);
            R.push_back(M.GetField("Subject"));
        }
        if (!Pop.Retrieve(static_cast<int>(R.size()) + 1)) Done = true;
    };
    Pop.OnGetError = [&](bool, TPopState) { Done = true; };
    Pop.Connect();
    Wait([&] { return Done; }, 20000);
    Pop.Quit();
    Wait([&] { return !Pop.Opening(); }, 5000);
    return R;
}

// A send harness whose trust questions are recorded and answered by Trust.
struct SecureHarness : SendHarness {
    std::vector<std::pair<std::string, std::string>> Questions;  // text, fingerprint
    bool Trust = false;
    explicit SecureHarness(int Port) : SendHarness(Port) {
        Flow.Events.OnTrustCertificate = [this](const std::string& Text, const std::string& Fp) {
            Questions.push_back({Text, Fp});
            return Trust;
        };
    }
    static TAccountRecord Secure(int Security) {
        TAccountRecord A = Account();
        A.eUserName = "dave";
        A.ePassword = "davepw";
        A.Edit2 = "mail.example.test";
        A.SmtpSecurity = Security;
        A.SmtpAuth = true;
        return A;
    }
    static TSendDraft Draft(const std::string& Subject) {
        TSendDraft D;
        D.To = "carol@example.test";
        D.Subject = Subject;
        D.Body = "sent securely";
        return D;
    }
};

std::string Unique(const std::string& What) { return What + "-" + std::to_string(getpid()); }

}  // namespace

TEST(SendFlowSecureServers, SubmissionWithStartTlsAndSmtpsDeliverAfterSignIn) {
    NEED_SERVERS();
    MailServers& S = MailServers::Get();
    S.Empty("carol");
    const struct {
        int Security, Port;
        const char* Subject;
    } Cases[] = {{1, S.SubmissionPort(), "submission"}, {2, S.SmtpsPort(), "smtps"}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Subject);
        SecureHarness H(C.Port);
        ASSERT_TRUE(H.SendAndWait(SecureHarness::Secure(C.Security), SecureHarness::Draft(Unique(C.Subject)),
                                  SJ("送信終了")))
            << Cp932ToUtf8(H.LastStatus()) << " / " << Cp932ToUtf8(H.LastBox());
        EXPECT_TRUE(H.Questions.empty());
    }
    EXPECT_EQ(Subjects("carol", 2), (std::vector<std::string>{Unique("submission"), Unique("smtps")}));
}

TEST(SendFlowSecureServers, WrongPasswordAndNoSignInAreRefused) {
    NEED_SERVERS();
    MailServers& S = MailServers::Get();
    S.Empty("carol");
    SecureHarness H(S.SubmissionPort());
    TAccountRecord A = SecureHarness::Secure(1);
    A.SmtpPassword = "wrong";  // the account's own password is right
    ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft("wrong password"), SJ("異常終了")));
    EXPECT_EQ(H.LastBox(), SJ("SMTPサーバの認証に失敗したため、メールは送られていません。"
                              "ユーザ名とパスワードを確かめてください。"));
    EXPECT_NE(std::find(H.Statuses.begin(), H.Statuses.end(),
                        SJ("認証エラー ") + "535 5.7.8 Error: authentication failed: (reason unavailable)"),
              H.Statuses.end());

    // The submission port takes no mail without a sign-in.
    A.SmtpAuth = false;
    ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft("no sign-in"), SJ("異常終了")));
    EXPECT_EQ(H.LastBox(), SJ("エラーのためメールは送られていません。"));

    // The client after those refusals still sends.
    A = SecureHarness::Secure(1);
    ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft(Unique("after refusals")), SJ("送信終了")));
    EXPECT_EQ(Subjects("carol", 1), std::vector<std::string>{Unique("after refusals")});
}

TEST(SendFlowSecureServers, BadCertificatesAskSendNothingUntilTrustedAndAskAgainWhenChanged) {
    NEED_SERVERS();
    MailServers& S = MailServers::Get();
    S.Empty("carol");
    const struct {
        const char* Name;
        int Port;
        const char* Server;  // the name the user typed
        const char* Reason;  // UTF-8, part of the question
    } Cases[] = {
        {"expired", S.ExpiredSmtpsPort(), "mail.example.test", "有効期限が切れています"},
        {"unknown issuer", S.RogueSmtpsPort(), "mail.example.test", "発行元を確認できません"},
        {"another name", S.SmtpsPort(), "smtp.other.test", "このサーバ名のものではありません"},
    };
    std::vector<std::string> Trusted;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        SecureHarness H(C.Port);
        TAccountRecord A = SecureHarness::Secure(2);
        A.Edit2 = C.Server;
        A.TrustedCerts = Trusted;  // what earlier answers stored
        ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft(Unique(C.Name) + "-no"), SJ("異常終了")));
        ASSERT_EQ(H.Questions.size(), 1u);
        const std::string Fp = H.Questions[0].second;
        EXPECT_NE(H.Questions[0].first.find(SJ(C.Reason)), std::string::npos)
            << Cp932ToUtf8(H.Questions[0].first);
        EXPECT_NE(H.Questions[0].first.find(FingerprintText(Fp)), std::string::npos);
        EXPECT_NE(H.Questions[0].first.find(C.Server), std::string::npos);
        EXPECT_EQ(H.LastBox(), SJ("サーバの証明書を信頼しなかったため、接続を中止しました。\r\n"
                                  "メールは送られていません。"));

        H.Trust = true;
        ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft(Unique(C.Name)), SJ("送信終了")));
        ASSERT_EQ(H.Questions.size(), 2u);
        EXPECT_EQ(H.Questions[1].second, Fp);
        Trusted.push_back(Fp);

        // Stored with the account: no more questions for this certificate.
        A.TrustedCerts = Trusted;
        ASSERT_TRUE(H.SendAndWait(A, SecureHarness::Draft(Unique(C.Name) + "-again"), SJ("送信終了")));
        EXPECT_EQ(H.Questions.size(), 2u);
    }
    // Only the trusted sends arrived, in order; each new certificate asked anew.
    EXPECT_EQ(Subjects("carol", 6),
              (std::vector<std::string>{Unique("expired"), Unique("expired") + "-again",
                                        Unique("unknown issuer"), Unique("unknown issuer") + "-again",
                                        Unique("another name"), Unique("another name") + "-again"}));
}

TEST(SendFlowSecureServers, EndingInsideTheCertificateQuestionReportsNothingMore) {
    // The window goes while the question is open: the handshake then fails,
    // and the client reports that to nobody.
    NEED_SERVERS();
    TInstantCheck::TAnswer Reach;
    auto Flow = std::make_unique<TSendFlow>();
    Flow->Port = MailServers::Get().RogueSmtpsPort();
    Flow->MakeReachCheck = [&] { return std::make_unique<TInstantCheck>(Reach); };
    int Reports = 0;
    Flow->Events.OnStatus = [&](const std::string&) { ++Reports; };
    Flow->Events.OnMessageBox = [&](TBoxIcon, const std::string&) { ++Reports; };
    Flow->Events.OnTrustCertificate = [&](const std::string&, const std::string&) {
        Reports = 0;
        Flow.reset();
        return false;
    };
    Flow->SendBtnClick(SecureHarness::Secure(2), SecureHarness::Draft("never"));
    ASSERT_TRUE(Wait([&] { return !Flow; }));
    Wait([] { return false; }, 500);
    EXPECT_EQ(Reports, 0);
}
