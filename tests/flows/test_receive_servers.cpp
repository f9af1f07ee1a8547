// Tests of the receive flow end to end against the real Dovecot, seeded with Japanese sample messages.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <tuple>
#include <sstream>

#include "BaseMsg.h"
#include "MailServers.h"
#include "ReceiveFixtures.h"

namespace {

#define NEED_DOVECOT()                                                                                       \
    do {                                                                                                     \
        if (geteuid() != 0) GTEST_SKIP() << "the real Dovecot needs root to run here";                       \
        std::string Why;                                                                                     \
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;                                            \
    } while (0)

std::string Sample(const std::string& Name) {
    std::ifstream In(std::string(VELNARO_TEST_DATA) + "/receive/" + Name, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

const char* const Samples[] = {"01-iso2022jp.eml", "02-sjis.eml",   "03-utf8-nodate.eml",
                               "04-eucjp.eml",     "05-nested.eml", "06-uuencoded.eml"};

// The user's mailbox holds exactly these messages, in this order.
void SeedOnly(const std::string& User, const std::vector<std::string>& Texts) {
    MailServers::Get().Empty(User);
    for (const std::string& T : Texts) MailServers::Get().Seed(User, T);
}

std::string Simple(const std::string& Subject) {
    return "From: a@example.test\r\nSubject: " + Subject +
           "\r\nDate: Tue, 01 Dec 2026 09:15:00 +0900\r\n\r\n" + Subject + " body\r\n";
}

// The subjects of the messages on the server, sorted.
std::vector<std::string> ServerSubjects(const std::string& User) {
    std::vector<std::string> R;
    for (const std::string& T : MailServers::Get().Messages(User)) {
        TINetMessage M;
        M.SetText(T);
        R.push_back(M.GetField("Subject"));
    }
    std::sort(R.begin(), R.end());
    return R;
}

TDateTime JapanDate(int Y, int M, int D, int H, int N) {
    return EncodeDate(Y, M, D) + EncodeTime(H, N, 0, 0);
}

}  // namespace

TEST(ReceiveFlowServers, ListsJapaneseMessagesInBothModesWithTheirAttachments) {
    NEED_DOVECOT();
    std::vector<std::string> Texts;
    for (const char* S : Samples) Texts.push_back(Sample(S));
    SeedOnly("alice", Texts);
    struct Expect {
        const char* From;
        const char* Subject;
        TDateTime Date;
    };
    const Expect Rows[] = {
        {"佐藤 花子 <hanako@example.test>", "打ち合わせの件", JapanDate(2026, 12, 1, 9, 15)},
        {"鈴木 一郎 <ichiro@example.test>", "会議資料について", JapanDate(2026, 12, 2, 18, 30)},
        {"経理部 <keiri@example.test>", "請求書のご送付", 0},
        {"高橋 <takahashi@example.test>", "発表順のお知らせ", JapanDate(2026, 12, 4, 16, 5)},
        {"田中 次郎 <jiro@example.test>", "見積書の送付", JapanDate(2026, 12, 5, 11, 0)},
        {"report@example.test", "monthly report", JapanDate(2026, 12, 6, 8, 0)},
    };
    // Header-only with USER/PASS, whole messages with APOP.
    for (bool HeaderOnly : {true, false}) {
        SCOPED_TRACE(HeaderOnly ? "header-only" : "whole messages");
        ReceiveHarness H(MailServers::Get().PopPort());
        TAccountRecord A = ReceiveHarness::Account("alice", HeaderOnly);
        A.ApopOn = !HeaderOnly;
        ASSERT_TRUE(H.List(A));
        ASSERT_EQ(H.Rows.size(), std::size(Rows));
        // Dovecot lists the seeded files in its own order: find each by subject.
        for (size_t I = 0; I < H.Rows.size(); ++I) {
            const TListRow& R = H.Rows[I];
            EXPECT_EQ(R.Number, int(I) + 1);
            const auto E = std::find_if(std::begin(Rows), std::end(Rows),
                                        [&](const Expect& X) { return SJ(X.Subject) == R.Subject; });
            ASSERT_NE(E, std::end(Rows)) << Cp932ToUtf8(R.Subject);
            EXPECT_EQ(R.Caption, "(" + std::to_string(I + 1) + ")" + SJ(E->From));
            EXPECT_NEAR(R.Date, E->Date, 1e-6);
            EXPECT_EQ(R.Size, int(Texts[size_t(E - Rows)].size()));
            EXPECT_EQ(H.Flow.MessageStore().Message(int(I))->Body().Count() > 0, !HeaderOnly);
        }
        EXPECT_EQ(H.CountText, SJ("あなたの全メール数は6通です"));
        EXPECT_EQ(H.Saw(H.ConnectStatuses, SJ("メールの情報読み込み完了。「メール鑑賞」をご覧下さい")), true);

        // The nested message: its attachments (saved through the window's test).
        int Nested = -1;
        for (size_t I = 0; I < H.Rows.size(); ++I)
            if (H.Rows[I].Subject == SJ("見積書の送付")) Nested = int(I);
        H.Shown.reset();
        H.Flow.CheckListBox1DblClick(A, Nested);
        ASSERT_TRUE(Wait([&] { return H.Shown != nullptr; }));
        ASSERT_TRUE(H.Idle());
        const std::vector<TAttachmentEntry>& Att = H.Flow.Attachments();
        ASSERT_EQ(Att.size(), 3u);
        EXPECT_EQ(Att[0].Name, "text1.html");  // the HTML half of the text
        EXPECT_EQ(Att[1].Name, SJ("見積書.pdf"));
        EXPECT_EQ(Att[2].Name, "image3.png");
    }
}

TEST(ReceiveFlowServers, ReadingOneOfFiveKeepsTheListAndReplacesOnlyItsEntry) {
    NEED_DOVECOT();
    SeedOnly("bob", {Simple("m1"), Simple("m2"), Simple("m3"), Simple("m4"), Simple("m5")});
    ReceiveHarness H(MailServers::Get().PopPort());
    const TAccountRecord A = ReceiveHarness::Account("bob");
    ASSERT_TRUE(H.List(A));
    ASSERT_EQ(H.Rows.size(), 5u);
    std::vector<const TINetMessage*> Before;
    for (int I = 0; I < 5; ++I) Before.push_back(H.Flow.MessageStore().Message(I));

    H.PopStatuses.clear();
    H.Flow.CheckListBox1DblClick(A, 2);
    ASSERT_TRUE(Wait([&] { return H.LastPop() == SJ("メールの展開完了"); }));
    ASSERT_TRUE(H.Idle());
    EXPECT_TRUE(H.Saw(H.PopStatuses, SJ("3通目を展開中")));
    EXPECT_EQ(H.Rows.size(), 5u);
    for (int I = 0; I < 5; ++I) EXPECT_EQ(H.Flow.MessageStore().Message(I) == Before[size_t(I)], I != 2) << I;
    const std::string Subject = H.Rows[2].Subject;
    EXPECT_EQ(H.Flow.MessageStore().Subject(2), Subject);
    ASSERT_TRUE(H.Shown);
    EXPECT_EQ(H.Shown->Lines, std::vector<std::string>{Subject + " body"});
    EXPECT_EQ(H.Spin, 3);

    // The header display: the same message again, header lines first.
    H.Flow.ShowHeader = true;
    H.Shown.reset();
    H.Flow.CheckListBox1DblClick(A, 2);
    ASSERT_TRUE(Wait([&] { return H.Shown != nullptr; }));
    ASSERT_TRUE(H.Idle());
    ASSERT_GE(H.Shown->Lines.size(), 4u);
    EXPECT_EQ(H.Shown->Lines[0], "From: a@example.test");
    EXPECT_EQ(H.Shown->Lines.back(), Subject + " body");
}

TEST(ReceiveFlowServers, EmptyMailboxDownServerAndASecondClick) {
    NEED_DOVECOT();
    SeedOnly("carol", {});
    {
        ReceiveHarness H(MailServers::Get().PopPort());
        ASSERT_TRUE(H.List(ReceiveHarness::Account("carol")));
        EXPECT_TRUE(H.Rows.empty());
        EXPECT_EQ(H.CountText, SJ("あなたの全メール数は0通です"));
        EXPECT_EQ(std::make_tuple(H.Min, H.Max, H.Spin), std::make_tuple(0, 0, 0));
    }
    {
        // Nothing listens on a port just given up.
        QTcpServer Gone;
        Gone.listen(QHostAddress::LocalHost, 0);
        const int Port = Gone.serverPort();
        Gone.close();
        ReceiveHarness H(Port);
        H.Flow.PasswdOKClick(ReceiveHarness::Account("carol"));
        ASSERT_TRUE(Wait([&] { return H.OkCaption == SJ("再接続"); }));
        EXPECT_EQ(H.LastPop(), SJ("接続に失敗しました。エラーのコードは　10061"));
        EXPECT_TRUE(H.Idle());
    }
    {
        // OK while a listing runs ends the connection.
        std::vector<std::string> Many;
        for (int I = 0; I < 300; ++I) Many.push_back(Simple("n" + std::to_string(I)));
        SeedOnly("carol", Many);
        ReceiveHarness H(MailServers::Get().PopPort());
        H.Flow.PasswdOKClick(ReceiveHarness::Account("carol"));
        ASSERT_TRUE(Wait([&] { return H.Rows.size() >= 3; }));
        H.Flow.PasswdOKClick(ReceiveHarness::Account("carol"));
        EXPECT_TRUE(H.Idle(5000));
        EXPECT_LT(H.Rows.size(), Many.size());
        EXPECT_FALSE(H.Flow.Connected());
    }
}

TEST(ReceiveFlowServers, DeletePassDeletesExactlyTheMarkedMessages) {
    NEED_DOVECOT();
    struct Case {
        const char* Name;
        bool DeletedElsewhere;  // another client deletes d1 first
        std::vector<std::string> Left;
    };
    const Case Cases[] = {
        {"two marked", false, {"d1", "d3"}},
        {"after another client deleted an earlier message", true, {"d3"}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        SeedOnly("dave", {Simple("d1"), Simple("d2"), Simple("d3"), Simple("d4")});
        ReceiveHarness H(MailServers::Get().PopPort());
        const TAccountRecord A = ReceiveHarness::Account("dave");
        ASSERT_TRUE(H.List(A));
        // Mark d2 and d4 wherever Dovecot listed them.
        size_t Last = 0;
        for (size_t I = 0; I < H.Rows.size(); ++I)
            if (H.Rows[I].Subject == "d2" || H.Rows[I].Subject == "d4")
                H.Flow.ListView1Change(int(Last = I), true);
        EXPECT_EQ(H.LastPop(),
                  SJ("（") + std::to_string(Last + 1) + SJ("）のメール削除のチェックがつきました"));
        if (C.DeletedElsewhere) {
            // Another device deletes d1, which is not marked here.
            ReceiveHarness Other(MailServers::Get().PopPort());
            ASSERT_TRUE(Other.List(A));
            for (size_t I = 0; I < Other.Rows.size(); ++I)
                if (Other.Rows[I].Subject == "d1") Other.Flow.ListView1Change(int(I), true);
            Other.Flow.Button1Click(A);
            ASSERT_TRUE(Wait([&] { return Other.Rows.size() == 3; }) && Other.Idle());
        }
        H.PopStatuses.clear();
        H.Flow.Button1Click(A);
        ASSERT_TRUE(
            Wait([&] { return H.Saw(H.PopStatuses, SJ("チェック付きのメールの削除が完了しました")); }));
        ASSERT_TRUE(Wait([&] { return H.LastPop() == SJ("メールの情報読み込みが完了しました"); }));
        ASSERT_TRUE(H.Idle());
        std::vector<std::string> Left;
        for (const TListRow& R : H.Rows) Left.push_back(R.Subject);
        std::sort(Left.begin(), Left.end());
        EXPECT_EQ(Left, C.Left);
        EXPECT_EQ(ServerSubjects("dave"), C.Left);
        EXPECT_EQ(H.Flow.DeleteGone, 0);
    }
}

TEST(ReceiveFlowServers, HeaderOnlyReadFindsTheChosenMessageAfterAnotherDeviceDeleted) {
    NEED_DOVECOT();
    struct Case {
        const char* Name;
        int Deleted, Read;  // rows of the listing
    };
    const Case Cases[] = {{"an earlier message deleted", 0, 3}, {"the chosen message deleted", 2, 2}};
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        SeedOnly("bob", {Simple("r1"), Simple("r2"), Simple("r3"), Simple("r4"), Simple("r5")});
        ReceiveHarness H(MailServers::Get().PopPort());
        const TAccountRecord A = ReceiveHarness::Account("bob");
        ASSERT_TRUE(H.List(A));
        const std::string Gone = H.Rows[size_t(C.Deleted)].Subject;
        const std::string Chosen = H.Rows[size_t(C.Read)].Subject;
        {
            ReceiveHarness Other(MailServers::Get().PopPort());
            ASSERT_TRUE(Other.List(A));
            for (size_t I = 0; I < Other.Rows.size(); ++I)
                if (Other.Rows[I].Subject == Gone) Other.Flow.ListView1Change(int(I), true);
            Other.Flow.Button1Click(A);
            ASSERT_TRUE(Wait([&] { return Other.Rows.size() == 4; }) && Other.Idle());
        }
        H.PopStatuses.clear();
        H.Flow.CheckListBox1DblClick(A, C.Read);
        ASSERT_TRUE(Wait([&] { return H.Shown || !H.Boxes.empty(); }) && H.Idle());
        if (Gone != Chosen) {
            ASSERT_TRUE(H.Shown);
            EXPECT_EQ(H.Shown->Lines, std::vector<std::string>{Chosen + " body"});
            EXPECT_EQ(H.Flow.MessageStore().Subject(C.Read), Chosen);
            EXPECT_TRUE(H.Boxes.empty());
        } else {
            // The row keeps its header; nothing else is fetched in its place.
            EXPECT_FALSE(H.Shown);
            EXPECT_EQ(H.LastPop(), "3" + SJ("通目のメールはすでにサーバにありません"));
            ASSERT_EQ(H.Boxes.size(), 1u);
            EXPECT_EQ(H.Flow.MessageStore().Subject(C.Read), Chosen);
            EXPECT_EQ(H.Flow.MessageStore().Message(C.Read)->Body().Count(), 0);
        }
    }
}

TEST(ReceiveFlowServers, StlsLoginAsksAboutACertificateForAnotherNameAndTheReadKeepsTheAnswer) {
    NEED_DOVECOT();
    TClientSocket::ExtraCaCertificates =
        QSslCertificate::fromPath(QString::fromStdString(MailServers::Get().Certificates().CaFile));
    SeedOnly("carol", {Simple("s1"), Simple("s2")});
    ReceiveHarness H(0);
    std::vector<std::string> Fingerprints;
    bool Trust = false;
    H.Flow.Events.OnTrustCertificate = [&](const std::string&, const std::string& Fp) {
        Fingerprints.push_back(Fp);
        return Trust;
    };
    TAccountRecord A = ReceiveHarness::Account("carol");
    A.Edit1 = "pop.other.test";  // the certificate names mail.example.test
    A.PopPort = MailServers::Get().PopPort();
    A.PopSecurity = 1;

    H.Flow.PasswdOKClick(A);
    ASSERT_TRUE(Wait([&] { return !H.Boxes.empty(); }) && H.Idle());
    const std::string Refused = SJ("サーバの証明書を信頼しなかったため、接続を中止しました。");
    EXPECT_EQ(H.Boxes, (std::vector<std::pair<TBoxIcon, std::string>>{{TBoxIcon::Critical, Refused}}));
    EXPECT_EQ(H.LastPop(), Refused);
    EXPECT_EQ(H.OkCaption, SJ("再接続"));
    EXPECT_TRUE(H.Rows.empty());

    // Yes: the listing, and the read's new connection asks no more.
    Trust = true;
    ASSERT_TRUE(H.List(A));
    EXPECT_EQ(H.Rows.size(), 2u);
    H.Flow.CheckListBox1DblClick(A, 1);
    ASSERT_TRUE(Wait([&] { return H.Shown != nullptr; }) && H.Idle());
    ASSERT_EQ(Fingerprints.size(), 2u);
    EXPECT_EQ(Fingerprints[0], Fingerprints[1]);
    EXPECT_EQ(H.Boxes.size(), 1u);
    TClientSocket::ExtraCaCertificates.clear();
}
