// End-to-end tests of the send flow and the replies: the real Postfix delivering into the real Dovecot, read back over POP3.
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>

#include "FlowFixtures.h"
#include "MailServers.h"
#include "ReadLayout.h"
#include "Reply.h"
#include "TestFiles.h"

namespace {

#define NEED_SERVERS()                                                                                       \
    do {                                                                                                     \
        if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";                \
        std::string Why;                                                                                     \
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;                                            \
        ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;                                            \
    } while (0)

// Every message of User, as TPOPx retrieves them.
std::vector<std::string> Retrieve(const std::string& User) {
    TPOPx Pop;
    Pop.Address = "127.0.0.1";
    Pop.Port = MailServers::Get().PopPort();
    Pop.User = User;
    Pop.Password = User + "pw";
    std::vector<std::string> Texts;
    bool Done = false;
    Pop.OnRecvComp = [&](bool, TPopState S) {
        if (S == popRetr) Texts.push_back(Pop.Lines.GetText());
        const int Next = static_cast<int>(Texts.size()) + 1;
        if (Next <= Pop.MessageCount)
            Pop.Retrieve(Next);
        else
            Done = true;
    };
    Pop.OnGetError = [&](bool, TPopState) { Done = true; };
    Pop.Connect();
    Wait([&] { return Done; }, 20000);
    Pop.Quit();
    Wait([&] { return !Pop.Opening(); }, 5000);
    return Texts;
}

// Waits until each user has Count messages in the mailbox, then reads the
// first one back over POP3.
std::string Received(const std::string& User, size_t Count = 1) {
    if (!Wait([&] { return MailServers::Get().Messages(User).size() >= Count; }, 20000)) return "";
    const std::vector<std::string> Texts = Retrieve(User);
    return Texts.size() >= Count ? Texts[Count - 1] : "";
}

// What the read page shows of a received message.
struct Shown {
    std::unique_ptr<TINetMessage> Message = std::make_unique<TINetMessage>();
    TMIMEx Mime;
    TReadLayout Layout;
    explicit Shown(const std::string& Text) {
        Message->SetText(Text);
        Mime.DecodeText(Text);
        Layout = BuildReadLayout(Mime, false, Message->Subject());
    }
    std::vector<std::string> TextLines(int Index = 0) const {
        const TShownLeaf& L = Layout.Shown.at(static_cast<size_t>(Index));
        return {Layout.Lines.begin() + L.FirstLine, Layout.Lines.begin() + L.FirstLine + L.LineCount};
    }
};

void ClearAll() {
    for (const char* U : {"alice", "bob", "carol", "dave"}) MailServers::Get().Empty(U);
}

TEST(SendFlowServers, JapaneseMessageWithAttachmentArrivesByteExactAndIsAnswered) {
    NEED_SERVERS();
    TTempDir Dir;
    std::string Bytes(70000, '\0');
    std::mt19937 Random(7);
    for (size_t i = 0; i < Bytes.size(); ++i) Bytes[i] = static_cast<char>(i < 256 ? i : Random());
    const std::string FileName = "報告書（最終版）.dat";
    WriteFileText(Dir.Path + FileName, Bytes);

    const std::string Subject = SJ("会議の資料について（第２回）のお知らせ、ご確認のお願い");
    const std::vector<std::string> Body = {SJ("山田様"), "", SJ("資料を添付します。ご確認ください。"), ".",
                                           SJ("以上、よろしくお願いいたします。")};
    for (int Encoding : {0, 1}) {  // RFC2231, JISEncode
        SCOPED_TRACE(Encoding);
        ClearAll();
        SendHarness H(MailServers::Get().SmtpPort());
        TAccountRecord A = SendHarness::Account();
        A.Edit4 = SJ("山田 <dave@example.test>");
        A.RadioGroup1 = Encoding;
        TSendDraft D;
        D.To = "alice@example.test, bob@example.test";
        D.CC = "carol@example.test,dave@example.test";
        D.Subject = Subject;
        D.Body = Body[0] + "\r\n" + Body[1] + "\r\n" + Body[2] + "\r\n" + Body[3] + "\r\n" + Body[4] + "\r\n";
        D.Files = {Dir.Path + FileName};
        ASSERT_TRUE(H.SendAndWait(A, D, SJ("送信終了"))) << H.LastStatus();

        for (const char* User : {"alice", "carol"}) {
            const std::string Text = Received(User);
            ASSERT_FALSE(Text.empty()) << User;
            EXPECT_EQ(Text.find("filename*") != std::string::npos, Encoding == 0);
            const Shown S(Text);
            EXPECT_EQ(S.Message->Subject(), Subject);
            EXPECT_EQ(S.Message->From(), SJ("山田 <dave@example.test>"));
            EXPECT_EQ(S.Message->GetField("Cc"), "carol@example.test,dave@example.test");
            EXPECT_EQ(S.TextLines(), Body);
            ASSERT_EQ(S.Layout.Attachments.size(), 1u);
            EXPECT_EQ(S.Layout.Attachments[0].Name, SJ(FileName.c_str()));
            std::string Error;
            ASSERT_TRUE(SaveAttachmentAs(const_cast<TMIMEx&>(S.Mime), S.Layout.Attachments[0].Number,
                                         Dir.Path + "saved.dat", Error))
                << Error;
            EXPECT_TRUE(ReadFileText(Dir.Path + "saved.dat") == Bytes);
        }
        if (Encoding == 1) continue;

        // Alice answers everyone: the sender, the other To and the Cc, but
        // not herself and not the sender twice. The answer reaches the sender.
        const Shown Got(Received("alice"));
        TReplySource R;
        R.RowSelected = true;
        R.RowCaption = "(1)" + Got.Message->From();
        R.RowSubject = Got.Message->Subject();
        R.Shown = Got.Message.get();
        R.ReadLines = Got.Layout.Lines;
        R.OwnAddress = "alice@example.test";
        TSendDraft Answer;
        ASSERT_TRUE(MakeReply(R, true, Answer));
        EXPECT_EQ(Answer.To, "dave@example.test,bob@example.test");
        EXPECT_EQ(Answer.CC, "carol@example.test");
        EXPECT_EQ(Answer.Subject, "RE:" + Subject);
        const std::string Id = Got.Message->GetField("Message-ID");
        EXPECT_EQ(Answer.InReplyToId, Id);
        EXPECT_EQ(Answer.ReferencesText, Id);
        TAccountRecord Alice = SendHarness::Account();
        Alice.Edit4 = "alice@example.test";
        ASSERT_TRUE(H.SendAndWait(Alice, Answer, SJ("送信終了")));
        const Shown Reply(Received("dave", 2));
        EXPECT_EQ(Reply.Message->Subject(), "RE:" + Subject);
        EXPECT_EQ(Reply.Message->GetField("In-Reply-To"), Id);
        EXPECT_EQ(Reply.Message->GetField("References"), Id);
        std::vector<std::string> Quoted;
        for (const std::string& L : Got.Layout.Lines) Quoted.push_back(">" + L);
        EXPECT_EQ(Reply.TextLines(), Quoted);
    }
}

TEST(SendFlowServers, EmptySubjectAndARefusedRecipient) {
    NEED_SERVERS();
    ClearAll();
    SendHarness H(MailServers::Get().SmtpPort());
    TSendDraft D;
    D.To = "carol@example.test";
    D.Body = "no subject";
    ASSERT_TRUE(H.SendAndWait(SendHarness::Account(), D, SJ("送信終了")));
    const Shown S(Received("carol"));
    EXPECT_EQ(S.Message->GetField("Subject"), " ");

    D.To = "refused@example.test";
    ASSERT_TRUE(H.SendAndWait(SendHarness::Account(), D, SJ("異常終了")));
    EXPECT_EQ(H.Boxes.back(), std::make_pair(TBoxIcon::NoIcon, SJ("エラーのためメールは送られていません。")));
    EXPECT_EQ(H.Statuses.end()[-2], SJ("エラーの内容 ") + "\"To Addresses\" are not valid");
    EXPECT_TRUE(H.ControlsOn);

    D.To = "carol@example.test";
    D.Subject = "after the refusal";
    ASSERT_TRUE(H.SendAndWait(SendHarness::Account(), D, SJ("送信終了")));
    EXPECT_EQ(Shown(Received("carol", 2)).Message->Subject(), "after the refusal");
}

}  // namespace
