// Tests of the send flow's secure steps on an in-process SMTP server: no STARTTLS, no usable mechanism, a refused sign-in.
#include <gtest/gtest.h>

#include "FlowFixtures.h"

namespace {

const char* const Secret = "pw-never-plain";

// What the server answers to EHLO and to the sign-in steps.
struct TScript {
    const char* Name;
    int Security;  // the account's SMTP security
    std::string Ehlo;
    std::string AuthReply;    // to AUTH (or "" when none is expected)
    std::string AnswerReply;  // to the line after a 334
    std::string Box, Status;  // what the user is told (UTF-8)
};

}  // namespace

TEST(SendFlowSecure, FailuresOfTheSecureStepsAreToldAndSendNothingSecret) {
    const TScript Scripts[] = {
        {"STARTTLS not offered", 1, "250-fake\r\n250 AUTH PLAIN LOGIN", "", "",
         "SMTPサーバとの通信を暗号化(STARTTLS)できないため、メールは送られていません。",
         "暗号化できません サーバがSTARTTLSに対応していません"},
        {"only PLAIN and LOGIN without TLS", 0, "250-fake\r\n250 AUTH PLAIN LOGIN", "", "",
         "SMTPサーバに使える認証方式がないため、メールは送られていません。（暗号化しない接続では CRAM-MD5 "
         "だけを使います）",
         "認証方式がありません"},
        {"sign-in refused", 0, "250-fake\r\n250 AUTH CRAM-MD5",
         "334 PDE4OTYuNjk3QHgudGVzdD4=", "535 5.7.8 Error: authentication failed",
         "SMTPサーバの認証に失敗したため、メールは送られていません。ユーザ名とパスワードを確かめてください。",
         "認証エラー 535 5.7.8 Error: authentication failed"},
    };
    for (const TScript& S : Scripts) {
        SCOPED_TRACE(S.Name);
        FakeSmtp Server;
        Server.Answer = [&](const std::string& Command, const std::string& Usual) -> std::string {
            if (Command.rfind("EHLO", 0) == 0) return S.Ehlo;
            if (Command.rfind("AUTH", 0) == 0) return S.AuthReply;
            if (!Server.Commands.empty() && Server.Commands.size() >= 2 &&
                Server.Commands[Server.Commands.size() - 2].rfind("AUTH", 0) == 0)
                return S.AnswerReply;
            return Usual;
        };
        SendHarness H(Server.Port());
        TAccountRecord A = SendHarness::Account();
        A.SmtpSecurity = S.Security;
        A.SmtpAuth = true;
        A.ePassword = Secret;
        TSendDraft D;
        D.To = "carol@example.test";
        D.Subject = "secure";
        D.Body = "text";
        ASSERT_TRUE(H.SendAndWait(A, D, SJ("異常終了"))) << Cp932ToUtf8(H.LastStatus());
        EXPECT_EQ(H.LastBox(), SJ(S.Box.c_str()));
        EXPECT_NE(std::find(H.Statuses.begin(), H.Statuses.end(), SJ(S.Status.c_str())), H.Statuses.end());
        EXPECT_TRUE(H.ControlsOn);
        ASSERT_FALSE(Server.Commands.empty());
        EXPECT_EQ(Server.Commands[0], "EHLO smtp.example.test");
        for (const std::string& C : Server.Commands) {
            EXPECT_EQ(C.find(Secret), std::string::npos);
            EXPECT_NE(C.rfind("MAIL", 0), 0u) << C;
            // No readable sign-in on a plain connection.
            EXPECT_NE(C.rfind("AUTH PLAIN", 0), 0u) << C;
            EXPECT_NE(C.rfind("AUTH LOGIN", 0), 0u) << C;
        }
        EXPECT_TRUE(Server.Texts.empty());
        // Like after a refused message: the client was let go, a new one sends.
        EXPECT_EQ(H.Flow.Smtp(), nullptr);
    }
}

TEST(SendFlowSecure, CramMd5SignInOnAPlainConnectionDelivers) {
    FakeSmtp Server;
    std::string Answer;
    Server.Answer = [&](const std::string& Command, const std::string& Usual) -> std::string {
        if (Command.rfind("EHLO", 0) == 0) return "250-fake\r\n250 AUTH LOGIN CRAM-MD5";
        if (Command == "AUTH CRAM-MD5") return "334 PDE4OTYuNjk3QHgudGVzdD4=";
        if (Server.Commands.size() >= 2 && Server.Commands.end()[-2] == "AUTH CRAM-MD5") {
            Answer = Command;
            return "235 2.7.0 Authentication successful";
        }
        return Usual;
    };
    SendHarness H(Server.Port());
    TAccountRecord A = SendHarness::Account();
    A.SmtpAuth = true;
    A.ePassword = "account-pw";
    A.SmtpUser = "smtp-user";
    TSendDraft D;
    D.To = "carol@example.test";
    D.Body = "text";
    ASSERT_TRUE(H.SendAndWait(A, D, SJ("送信終了"))) << Cp932ToUtf8(H.LastStatus());
    EXPECT_EQ(Server.Texts.size(), 1u);
    // The SMTP user name of its own, the account's password.
    EXPECT_EQ(Answer, "c210cC11c2VyIDNkZThmODA2NmRhMzAzZmE4NTczNTI0OWU3Zjk3MTdm");
}
