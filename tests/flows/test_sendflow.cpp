// Tests of the send flow on an in-process SMTP server: the checks that stop a send, the message built, the dialogue texts and the failures.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "FlowFixtures.h"
#include "TestFiles.h"

namespace {

TEST(SendFlow, ChecksStopBeforeAnythingGoesOut) {
    FakeSmtp Server;
    TTempDir Dir;
    const std::string Folder = Dir.Path + "folder", Locked = Dir.Path + "locked.bin";
    ::mkdir(Folder.c_str(), 0755);
    WriteFileText(Locked, "secret");
    ::chmod(Locked.c_str(), 0);
    const std::string Missing = Dir.Path + "missing.bin", ToMissing = SJ("送付先のアドレスをいれてください");
    const std::string NoSmtp = SJ("アカウント->追加でSMTP、メールアドレスをいれてください");
    const std::string Icmp = SJ("ICMP error <pingの設定を無視するにcheckを入れて試してみてください>");
    const auto NoIcon = TBoxIcon::NoIcon;
    auto Unreadable = [](const std::string& Path) {
        return TBoxes{{TBoxIcon::Critical, UnreadableAttachmentText(Path)}};
    };
    const struct {
        const char* What;
        std::string Server, To;
        std::vector<std::string> Files;
        bool Found, Reachable;  // what the reachability check finds
        TBoxes Boxes;
        bool Checked = false;  // the check ran and its text is the last status
    } Cases[] = {
        // Without a server the user is told, the settings shown, and the To check follows.
        {"no SMTP server", "", "", {}, true, true, {{NoIcon, NoSmtp}, {NoIcon, ToMissing}}},
        {"no To", "s", "", {}, true, true, {{NoIcon, ToMissing}}},
        {"a folder", "s", "a@x", {Missing, Folder}, true, true, Unreadable(Folder)},
        {"an unreadable file", "s", "a@x", {Locked}, true, true, Unreadable(Locked)},
        {"server name not found", "s", "a@x", {}, false, true, {}, true},
        {"no echo", "s", "a@x", {}, true, false, {}, true},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        SendHarness H(Server.Port());
        H.Reach = {C.Found, C.Reachable, "127.0.0.1", Icmp};
        TAccountRecord A = SendHarness::Account();
        A.Edit2 = C.Server;
        TSendDraft D = Draft(C.To);
        D.Files = C.Files;
        {
            TAsUnprivileged User;  // permission bits count as they do for a user
            H.Flow->SendBtnClick(A, D);
        }
        EXPECT_EQ(H.Boxes, C.Boxes);
        EXPECT_EQ(H.SettingsShown, C.Server.empty() ? 1 : 0);
        EXPECT_EQ(H.Reach.Checks, C.Checked ? 1 : 0);
        EXPECT_EQ(H.LastStatus() == Icmp, C.Checked);
        EXPECT_TRUE(H.ControlsOn);
        EXPECT_EQ(H.Flow->Smtp(), nullptr);
    }
    Wait([] { return false; }, 200);
    EXPECT_EQ(Server.Connections, 0);
}

TEST(SendFlow, HeaderFieldsInOrderAndTheDialogueTexts) {
    FakeSmtp Server;
    TTempDir Dir;
    SendHarness H(Server.Port(), 3);
    H.Flow->Clock = [] { return EncodeDate(2026, 12, 5) + EncodeTime(14, 3, 7, 5); };
    TSendDraft D = Draft("alice@example.test, dave@example.test", "");
    D.CC = "bob@example.test";
    D.InReplyToId = "<orig@example.test>";
    D.ReferencesText = "<first@example.test> <orig@example.test>";
    D.Files = {Dir.Path + "deleted-before-sending.bin"};
    // The server gives no echo, and the user said to try anyway.
    H.Reach = {true, false, "127.0.0.1", "no echo"};
    TAccountRecord A = SendHarness::Account();
    A.pingcheck = true;
    ASSERT_TRUE(H.SendAndWait(A, D, SJ("送信終了")));
    EXPECT_EQ(H.Subject, " ");  // the page shows the subject that went out
    EXPECT_EQ(H.Boxes, (TBoxes{{TBoxIcon::NoIcon, SJ("送信が完了しました")}}));
    EXPECT_TRUE(Has(H.Statuses, "no echo" + SJ("(強制実行を行います)")));
    EXPECT_TRUE(H.ControlsOn);
    EXPECT_EQ(H.HourglassDepth, 0);
    EXPECT_EQ(Server.Commands,
              (std::vector<std::string>{"HELO smtp.example.test", "MAIL FROM:<sender@example.test>",
                                        "RCPT TO:<alice@example.test>", "RCPT TO:<dave@example.test>",
                                        "RCPT TO:<bob@example.test>", "DATA", "QUIT"}));
    ASSERT_EQ(Server.Texts.size(), 1u);
    // The Message-ID: the time to the hundredth, the start of the user name's
    // MD5 and the SMTP server.
    EXPECT_EQ(Server.Texts[0], "To: alice@example.test, dave@example.test\r\n"
                               "Cc: bob@example.test\r\n"
                               "Subject:  \r\n"
                               "From: sender@example.test\r\n"
                               "Message-ID: <20261205140307.05.86c6@smtp.example.test>\r\n"
                               "In-Reply-To: <orig@example.test>\r\n"
                               "References: <first@example.test> <orig@example.test>\r\n"
                               "Content-Type: text/plain; charset=us-ascii\r\n"
                               "Content-Transfer-Encoding: 7bit\r\n"
                               "MIME-Version: 1.0\r\n\r\n"
                               "line 1\r\nline 2\r\n");
    EXPECT_EQ(H.Flow->Smtp()->objectName(), "Smtp3");
}

TEST(SendFlow, FailuresEndInErrorTextsAndTheNextSendWorks) {
    FakeSmtp Server;
    SendHarness H(Server.Port());
    const TAccountRecord A = SendHarness::Account();
    const std::string Abnormal = SJ("異常終了");

    // A server that is down.
    H.Flow->Port = ClosedPort();
    ASSERT_TRUE(H.SendAndWait(A, Draft(), SJ("エラーのコード　10061")));
    EXPECT_EQ(H.Boxes.back(),
              std::make_pair(TBoxIcon::Critical, SJ("メール送信中にエラー発生　コード10061")));
    EXPECT_TRUE(H.ControlsOn);
    H.Flow->Port = Server.Port();

    // The server refuses the text: the client is released once its event has
    // returned, after saying RSET and QUIT.
    Server.Refuse("DATA", "554 5.5.1 not today");
    ASSERT_TRUE(H.SendAndWait(A, Draft(), Abnormal));
    EXPECT_EQ(H.Boxes.back(), std::make_pair(TBoxIcon::NoIcon, SJ("エラーのためメールは送られていません。")));
    EXPECT_EQ(H.Statuses.end()[-2], SJ("エラーの内容 554 5.5.1 not today"));
    EXPECT_EQ(H.Flow->Smtp(), nullptr);
    EXPECT_EQ(std::vector<std::string>(Server.Commands.end() - 3, Server.Commands.end()),
              (std::vector<std::string>{"DATA", "RSET", "QUIT"}));

    // The server drops the connection in mid-dialogue: nothing was delivered,
    // so the end is not the normal one.
    Server.Refuse("MAIL", "");
    ASSERT_TRUE(H.SendAndWait(A, Draft(), Abnormal));
    EXPECT_TRUE(H.ControlsOn);

    // The forced disconnect while the server keeps quiet.
    Server.Refuse("MAIL", "-");
    Server.Commands.clear();
    H.Flow->SendBtnClick(A, Draft());
    ASSERT_TRUE(Wait([&] { return Last(Server.Commands).rfind("MAIL", 0) == 0; }));
    EXPECT_TRUE(H.Flow->ForceDisconnect());
    EXPECT_EQ(H.LastStatus(), SJ("SMTPサーバから強制切断しました"));
    EXPECT_TRUE(H.ControlsOn);
    EXPECT_FALSE(H.Flow->ForceDisconnect());  // nothing connected any more

    // A To field of blanks names nobody: the client takes no message.
    Server.Refuse("", "");
    H.Flow->SendBtnClick(A, Draft("  "));
    ASSERT_TRUE(Wait([&] { return !H.Flow->Composing(); }));
    EXPECT_EQ(H.LastBox(), SJ("メールを送信できませんでした。送付先のアドレスを確かめてください。"));
    EXPECT_TRUE(H.ControlsOn);

    const size_t Before = Server.Texts.size();
    ASSERT_TRUE(H.SendAndWait(A, Draft(), SJ("送信終了")));
    EXPECT_EQ(Server.Texts.size(), Before + 1);
}

TEST(SendFlow, EndingInsideTheClientsEventLetsTheClientQuitLater) {
    // The window goes while "送信が完了しました" is open: the flow ends inside
    // its client's event; the client goes once that event has returned.
    FakeSmtp Server;
    SendHarness H(Server.Port());
    H.Flow->Events.OnMessageBox = [&](TBoxIcon, const std::string&) { H.Flow.reset(); };
    H.Flow->SendBtnClick(SendHarness::Account(), Draft());
    ASSERT_TRUE(Wait([&] { return !H.Flow; }));
    const size_t Seen = H.Statuses.size();
    EXPECT_TRUE(Wait([&] { return Last(Server.Commands) == "QUIT"; }));
    EXPECT_EQ(H.Statuses.size(), Seen);  // nothing reported after the end
}

// A secure step that fails is told in Japanese, sends nothing secret and no
// mail, and lets the client go as after a refused message.
TEST(SendFlow, FailedSecureStepsAreToldAndSendNothingSecret) {
    const std::string Secret = "pw-never-plain";
    const struct {
        const char* What;
        int Security;
        std::string Ehlo, AuthReply, Box, Status;
    } Cases[] = {
        {"STARTTLS not offered", 1, "250 AUTH PLAIN LOGIN", "",
         "SMTPサーバとの通信を暗号化(STARTTLS)できないため、メールは送られていません。",
         "暗号化できません サーバがSTARTTLSに対応していません"},
        {"only PLAIN and LOGIN without TLS", 0, "250 AUTH PLAIN LOGIN", "",
         "SMTPサーバに使える認証方式がないため、メールは送られていません。（暗号化しない接続では CRAM-MD5 "
         "だけを使います）",
         "認証方式がありません"},
        {"sign-in refused", 0, "250 AUTH CRAM-MD5", "535 5.7.8 Error: authentication failed",
         "SMTPサーバの認証に失敗したため、メールは送られていません。ユーザ名とパスワードを確かめてください。",
         "認証エラー 535 5.7.8 Error: authentication failed"},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.What);
        FakeServer Server("220 fake ESMTP\r\n");
        Server.Answer = [&](const std::string& Command) -> std::string {
            if (Command.rfind("EHLO", 0) == 0) return "250-fake\r\n" + C.Ehlo + "\r\n";
            if (Command.rfind("AUTH", 0) == 0) return "334 PDE4OTYuNjk3QHgudGVzdD4=\r\n";
            if (Server.Commands.size() >= 2 && Server.Commands.end()[-2].rfind("AUTH", 0) == 0)
                return C.AuthReply + "\r\n";
            return "250 ok\r\n";
        };
        SendHarness H(Server.Port());
        TAccountRecord A = SendHarness::Account();
        A.SmtpSecurity = C.Security;
        A.SmtpAuth = true;
        A.ePassword = Secret;
        ASSERT_TRUE(H.SendAndWait(A, Draft(), SJ("異常終了"))) << Cp932ToUtf8(H.LastStatus());
        EXPECT_EQ(H.LastBox(), SJ(C.Box.c_str()));
        EXPECT_TRUE(Has(H.Statuses, SJ(C.Status.c_str())));
        EXPECT_TRUE(H.ControlsOn);
        for (const std::string& Line : Server.Commands) {
            EXPECT_EQ(Line.find(Secret), std::string::npos) << Line;
            EXPECT_NE(Line.rfind("MAIL", 0), 0u) << Line;
            EXPECT_NE(Line.rfind("AUTH PLAIN", 0), 0u) << Line;
            EXPECT_NE(Line.rfind("AUTH LOGIN", 0), 0u) << Line;
        }
        EXPECT_EQ(H.Flow->Smtp(), nullptr);
    }
}

}  // namespace
