// End-to-end tests of the send flow and the replies: the real Postfix (plain, submission with STARTTLS, SMTP over TLS, bad certificates) delivering into the real Dovecot, read back through the receive flow.
#include <gtest/gtest.h>

#include "BaseMsg.h"
#include "Reply.h"
#include "ServerFixtures.h"
#include "TestFiles.h"

namespace {

// The lines the read page shows of the first text of the message shown.
std::vector<std::string> TextLines(const TReadLayout& L) {
    const TShownLeaf& Leaf = L.Shown.at(0);
    return {L.Lines.begin() + Leaf.FirstLine, L.Lines.begin() + Leaf.FirstLine + Leaf.LineCount};
}

// An account signing in as Dave over SMTP with Security.
TAccountRecord Secure(int Security, const std::string& Server = "mail.example.test") {
    TAccountRecord A = SendHarness::Account();
    A.SmtpUser = "dave";
    A.ePassword = "davepw";
    A.Edit2 = Server;
    A.SmtpSecurity = Security;
    A.SmtpAuth = true;
    return A;
}

// The subjects of Carol's messages, read over POP3 with STLS once she has Count.
std::vector<std::string> CarolsSubjects(size_t Count) {
    ReceiveHarness H(0);
    std::vector<std::string> R;
    if (!ReadBack(H, "carol", Count, true)) return R;
    for (const TListRow& Row : H.Rows) R.push_back(Row.Subject);
    return R;
}

}  // namespace

TEST(SendFlowServers, JapaneseMessageWithAttachmentArrivesByteExactAndIsAnswered) {
    NEED_SERVERS(true);
    TTempDir Dir;
    std::string Bytes;  // every byte value, then noise
    for (int I = 0; I < 70000; ++I) Bytes += static_cast<char>(I < 256 ? I : I * 7919 % 251);
    const std::string FileName = "報告書（最終版）.dat";
    WriteFileText(Dir.Path + FileName, Bytes);
    const std::string Subject = SJ("会議の資料について（第２回）のお知らせ、ご確認のお願い");
    const std::vector<std::string> Body = {
        SJ("山田様"), "", SJ("資料を添付します。ご確認ください。"), ".", SJ("以上、"), "--", SJ("山田太郎")};
    for (int Encoding : {0, 1}) {  // RFC2231, JISEncode
        SCOPED_TRACE(Encoding);
        for (const char* U : {"alice", "bob", "carol", "dave"}) MailServers::Get().Empty(U);
        SendHarness H(MailServers::Get().SmtpPort());
        TAccountRecord A = SendHarness::Account();
        A.Edit4 = SJ("山田 <dave@example.test>");
        A.RadioGroup1 = Encoding;
        A.signcheck = true;
        A.SignLines = {"--", SJ("山田太郎")};
        TSendDraft D = Draft("alice@example.test, bob@example.test", Subject);
        D.CC = "carol@example.test,dave@example.test";
        D.Body = Body[0] + "\r\n\r\n" + Body[2] + "\r\n.\r\n" + Body[4];
        D.Files = {Dir.Path + FileName};
        ASSERT_TRUE(H.SendAndWait(A, D, SJ("送信終了"))) << H.LastStatus();

        ReceiveHarness R(0);
        ASSERT_TRUE(ReadBack(R, "alice", 1));
        EXPECT_EQ(MailServers::Get().Messages("alice")[0].find("filename*") != std::string::npos,
                  Encoding == 0);
        const TINetMessage* M = R.Flow.MessageStore().Message(0);
        EXPECT_EQ(M->Subject(), Subject);
        EXPECT_EQ(M->From(), SJ("山田 <dave@example.test>"));
        EXPECT_EQ(M->GetField("Cc"), "carol@example.test,dave@example.test");
        EXPECT_EQ(TextLines(*R.Shown), Body);
        ASSERT_EQ(R.Flow.Attachments().size(), 1u);
        EXPECT_EQ(R.Flow.Attachments()[0].Name, SJ(FileName.c_str()));
        std::string Error;
        ASSERT_TRUE(R.Flow.SaveAttachment(0, Dir.Path + "saved.dat", Error)) << Error;
        EXPECT_TRUE(ReadFileText(Dir.Path + "saved.dat") == Bytes);
        ASSERT_TRUE(Wait([] { return MailServers::Get().Messages("carol").size() == 1; }));  // the Cc
        if (Encoding == 1) continue;

        // Alice answers everyone: the sender, the other To and the Cc, but
        // not herself and not the sender twice. The answer reaches the sender.
        TReplySource Source{true, "(1)" + M->From(), M->Subject(), M, R.Shown->Lines, "alice@example.test"};
        TSendDraft Answer;
        ASSERT_TRUE(MakeReply(Source, true, Answer));
        EXPECT_EQ(Answer.To, "dave@example.test,bob@example.test");
        EXPECT_EQ(Answer.CC, "carol@example.test");
        const std::string Id = M->GetField("Message-ID");
        A.Edit4 = "alice@example.test";
        A.signcheck = false;
        ASSERT_TRUE(H.SendAndWait(A, Answer, SJ("送信終了")));
        ReceiveHarness Dave(0);
        ASSERT_TRUE(ReadBack(Dave, "dave", 2));
        const TINetMessage* Reply = Dave.Flow.MessageStore().Message(1);
        EXPECT_EQ(Reply->Subject(), "RE:" + Subject);
        EXPECT_EQ(Reply->GetField("In-Reply-To"), Id);
        EXPECT_EQ(Reply->GetField("References"), Id);
        std::vector<std::string> Quoted;
        for (const std::string& L : R.Shown->Lines) Quoted.push_back(">" + L);
        EXPECT_EQ(TextLines(*Dave.Shown), Quoted);
    }
}

TEST(SendFlowServers, RefusedSignInsAndRecipientsAreToldAndTheNextSendDelivers) {
    NEED_SERVERS(true);
    MailServers::Get().Empty("carol");
    SendHarness H(MailServers::Get().SubmissionPort());
    const std::string NotSent = SJ("エラーのためメールは送られていません。");
    TAccountRecord A = Secure(1);
    A.SmtpPassword = "wrong";  // the account's own password is right
    ASSERT_TRUE(H.SendAndWait(A, Draft("carol@example.test"), SJ("異常終了")));
    EXPECT_EQ(H.LastBox(), SJ("SMTPサーバの認証に失敗したため、メールは送られていません。"
                              "ユーザ名とパスワードを確かめてください。"));
    EXPECT_TRUE(
        Has(H.Statuses, SJ("認証エラー ") + "535 5.7.8 Error: authentication failed: (reason unavailable)"));

    // The submission port takes no mail without a sign-in.
    A.SmtpAuth = false;
    ASSERT_TRUE(H.SendAndWait(A, Draft("carol@example.test"), SJ("異常終了")));
    EXPECT_EQ(H.LastBox(), NotSent);

    // A recipient the server refuses.
    ASSERT_TRUE(H.SendAndWait(Secure(1), Draft("refused@example.test"), SJ("異常終了")));
    EXPECT_EQ(H.Boxes.back(), std::make_pair(TBoxIcon::NoIcon, NotSent));
    EXPECT_EQ(H.Statuses.end()[-2], SJ("エラーの内容 ") + "\"To Addresses\" are not valid");
    EXPECT_TRUE(H.ControlsOn);

    // The client after those refusals still sends, an empty subject as one
    // space; a good certificate asks nothing.
    ASSERT_TRUE(H.SendAndWait(Secure(1), Draft("carol@example.test", ""), SJ("送信終了")));
    EXPECT_TRUE(H.Questions.empty());
    EXPECT_EQ(CarolsSubjects(1), std::vector<std::string>{" "});
}

TEST(SendFlowSecureServers, BadCertificatesAskSendNothingUntilTrustedAndAskAgainWhenChanged) {
    NEED_SERVERS(true);
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
    std::vector<std::string> Trusted, Arrived;
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        SendHarness H(C.Port);
        TAccountRecord A = Secure(2, C.Server);
        A.TrustedCerts = Trusted;  // what earlier answers stored
        ASSERT_TRUE(
            H.SendAndWait(A, Draft("carol@example.test", C.Name + std::string("-no")), SJ("異常終了")));
        ASSERT_EQ(H.Questions.size(), 1u);
        const auto [Question, Fp] = H.Questions[0];
        for (const std::string& Part : {SJ(C.Reason), FingerprintText(Fp), std::string(C.Server)})
            EXPECT_NE(Question.find(Part), std::string::npos) << Cp932ToUtf8(Question);
        EXPECT_EQ(H.LastBox(), SJ("サーバの証明書を信頼しなかったため、接続を中止しました。\r\n"
                                  "メールは送られていません。"));

        H.Trust = true;
        ASSERT_TRUE(H.SendAndWait(A, Draft("carol@example.test", C.Name), SJ("送信終了")));
        ASSERT_EQ(H.Questions.size(), 2u);
        EXPECT_EQ(H.Questions[1].second, Fp);
        Trusted.push_back(Fp);

        // Stored with the account: no more questions for this certificate.
        A.TrustedCerts = Trusted;
        ASSERT_TRUE(
            H.SendAndWait(A, Draft("carol@example.test", C.Name + std::string("-again")), SJ("送信終了")));
        EXPECT_EQ(H.Questions.size(), 2u);
        Arrived.insert(Arrived.end(), {C.Name, C.Name + std::string("-again")});
    }
    // Only the trusted sends arrived, in order; each new certificate asked anew.
    EXPECT_EQ(CarolsSubjects(6), Arrived);
}

TEST(SendFlowSecureServers, EndingInsideTheCertificateQuestionReportsNothingMore) {
    // The window goes while the question is open: the handshake then fails,
    // and the client reports that to nobody.
    NEED_SERVERS(true);
    SendHarness H(MailServers::Get().RogueSmtpsPort());
    size_t Reports = 0;
    H.Flow->Events.OnTrustCertificate = [&](const std::string&, const std::string&) {
        Reports = H.Statuses.size() + H.Boxes.size();
        H.Flow.reset();
        return false;
    };
    H.Flow->SendBtnClick(Secure(2), Draft("carol@example.test", "never"));
    ASSERT_TRUE(Wait([&] { return !H.Flow; }));
    Wait([] { return false; }, 500);
    EXPECT_EQ(H.Statuses.size() + H.Boxes.size(), Reports);
}
