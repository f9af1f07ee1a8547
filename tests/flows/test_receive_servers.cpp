// Tests of the receive flow end to end against the real Dovecot, seeded with Japanese sample messages.
#include "BaseMsg.h"
#include "ServerFixtures.h"
#include "TestFiles.h"

namespace {

std::vector<std::string> Subjects(const std::vector<TListRow>& Rows) {
    std::vector<std::string> R;
    for (const TListRow& Row : Rows) R.push_back(Row.Subject);
    std::sort(R.begin(), R.end());
    return R;
}

// Another device deletes the message with this subject.
void DeleteElsewhere(const std::string& User, const std::string& Subject) {
    ReceiveHarness Other(0);
    ASSERT_TRUE(Other.List(PopAccount(User)));
    ASSERT_TRUE(Other.DeleteBySubject(PopAccount(User), {Subject}));
}

}  // namespace

TEST(ReceiveFlowServers, EmptyMailboxDownServerAndASecondClick) {
    NEED_SERVERS(false);
    const TAccountRecord A = PopAccount("carol");
    SeedOnly("carol", {});
    ReceiveHarness Empty(0), Down(ClosedPort()), Busy(0);
    ASSERT_TRUE(Empty.List(A));
    EXPECT_TRUE(Empty.Rows.empty());
    EXPECT_EQ(Empty.CountText, SJ("あなたの全メール数は0通です"));
    EXPECT_EQ(std::make_tuple(Empty.Min, Empty.Max, Empty.Spin), std::make_tuple(0, 0, 0));

    // Nothing listens on a port just given up.
    Down.Flow.PasswdOKClick(A);
    ASSERT_TRUE(Wait([&] { return Down.OkCaption == SJ("再接続"); }));
    EXPECT_EQ(Down.LastPop(), SJ("接続に失敗しました。エラーのコードは　10061"));
    EXPECT_TRUE(Down.Idle());

    // OK while a listing runs ends the connection.
    std::vector<std::string> Many;
    for (int I = 0; I < 300; ++I) Many.push_back(Simple("n" + std::to_string(I)));
    SeedOnly("carol", Many);
    Busy.Flow.PasswdOKClick(A);
    ASSERT_TRUE(Wait([&] { return Busy.Rows.size() >= 3; }));
    Busy.Flow.PasswdOKClick(A);
    EXPECT_TRUE(Busy.Idle(5000));
    EXPECT_LT(Busy.Rows.size(), Many.size());
    EXPECT_FALSE(Busy.Flow.Connected());
}

TEST(ReceiveFlowServers, DeletePassDeletesExactlyTheMarkedMessages) {
    NEED_SERVERS(false);
    const struct {
        const char *File, *From, *Subject;
        int Day, Hour, Minute;  // in Japan time; day 0 for the zero date
    } Rows[] = {
        {"01-iso2022jp.eml", "佐藤 花子 <hanako@example.test>", "打ち合わせの件", 1, 9, 15},
        {"02-sjis.eml", "鈴木 一郎 <ichiro@example.test>", "会議資料について", 2, 18, 30},
        {"03-utf8-nodate.eml", "経理部 <keiri@example.test>", "請求書のご送付", 0, 0, 0},
        {"04-eucjp.eml", "高橋 <takahashi@example.test>", "発表順のお知らせ", 4, 16, 5},
        {"05-nested.eml", "田中 次郎 <jiro@example.test>", "見積書の送付", 5, 11, 0},
        {"06-uuencoded.eml", "report@example.test", "monthly report", 6, 8, 0},
    };
    std::vector<std::string> Texts;
    for (const auto& R : Rows)
        Texts.push_back(ReadFileText(std::string(VELNARO_TEST_DATA) + "/receive/" + R.File));
    // Listed header-only, or whole with APOP; Dovecot lists in its own order.
    for (bool HeaderOnly : {true, false}) {
        SCOPED_TRACE(HeaderOnly ? "two marked, header-only" : "after another device deleted, whole");
        SeedOnly("dave", Texts);
        ReceiveHarness H(0);
        TAccountRecord A = PopAccount("dave", HeaderOnly);
        A.ApopOn = !HeaderOnly;
        ASSERT_TRUE(H.List(A));
        ASSERT_EQ(H.Rows.size(), std::size(Rows));
        for (size_t I = 0; I < H.Rows.size(); ++I) {
            const TListRow& R = H.Rows[I];
            const auto E = std::find_if(std::begin(Rows), std::end(Rows),
                                        [&](const auto& X) { return SJ(X.Subject) == R.Subject; });
            ASSERT_NE(E, std::end(Rows)) << Cp932ToUtf8(R.Subject);
            EXPECT_EQ(R.Caption, "(" + std::to_string(I + 1) + ")" + SJ(E->From));
            EXPECT_NEAR(R.Date,
                        E->Day ? EncodeDate(2026, 12, E->Day) + EncodeTime(E->Hour, E->Minute, 0, 0) : 0,
                        1e-6);
            EXPECT_EQ(R.Size, int(Texts[size_t(E - Rows)].size()));
            EXPECT_EQ(H.Flow.MessageStore().Message(int(I))->Body().Count() > 0, !HeaderOnly);
        }
        // Marked: the second and the fourth row; another device may delete the first.
        const std::vector<std::string> Marked = {H.Rows[1].Subject, H.Rows[3].Subject};
        std::vector<std::string> Left = Subjects(H.Rows);
        for (const std::string& Gone : Marked) Left.erase(std::find(Left.begin(), Left.end(), Gone));
        if (!HeaderOnly) {
            Left.erase(std::find(Left.begin(), Left.end(), H.Rows[0].Subject));
            DeleteElsewhere("dave", H.Rows[0].Subject);
        }
        ASSERT_TRUE(H.DeleteBySubject(A, Marked));
        EXPECT_EQ(Subjects(H.Rows), Left);  // listed from the server after the pass
        EXPECT_EQ(H.Flow.DeleteGone, 0);
    }
}

TEST(ReceiveFlowServers, HeaderOnlyReadFindsTheChosenMessageAfterAnotherDeviceDeleted) {
    NEED_SERVERS(false);
    const struct {
        const char* Name;
        int Deleted, Read;  // rows of the listing
    } Cases[] = {{"nothing deleted", -1, 2},
                 {"an earlier message deleted", 0, 3},
                 {"the chosen message deleted", 2, 2}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        SeedOnly("bob", {Simple("r1"), Simple("r2"), Simple("r3"), Simple("r4"), Simple("r5")});
        ReceiveHarness H(0);
        const TAccountRecord A = PopAccount("bob");
        ASSERT_TRUE(H.List(A));
        const std::string Chosen = H.Rows[size_t(C.Read)].Subject;
        if (C.Deleted >= 0) DeleteElsewhere("bob", H.Rows[size_t(C.Deleted)].Subject);
        std::vector<const TINetMessage*> Before;
        for (int I = 0; I < 5; ++I) Before.push_back(H.Flow.MessageStore().Message(I));
        ASSERT_TRUE(H.Read(A, C.Read));
        EXPECT_EQ(H.Rows.size(), 5u);
        EXPECT_EQ(H.Flow.MessageStore().Subject(C.Read), Chosen);
        // Only the entry read was replaced; a message gone from the server
        // keeps its header, and nothing else is fetched in its place.
        const bool Gone = C.Deleted == C.Read;
        for (int I = 0; I < 5; ++I)
            EXPECT_EQ(H.Flow.MessageStore().Message(I) == Before[size_t(I)], Gone || I != C.Read) << I;
        EXPECT_EQ(H.Boxes.size(), Gone ? 1u : 0u);
        EXPECT_EQ(H.LastPop(),
                  Gone ? "3" + SJ("通目のメールはすでにサーバにありません") : SJ("メールの展開完了"));
        ASSERT_EQ(H.Shown != nullptr, !Gone);
        if (!Gone) {
            EXPECT_EQ(H.Shown->Lines, std::vector<std::string>{Chosen + " body"});
            EXPECT_EQ(H.Spin, C.Read + 1);
        }
    }
}

// A certificate that does not name the server stops the login with a box until
// the user trusts it; the read's new connection then asks no more.
TEST(ReceiveFlowServers, CertificateForAnotherNameStopsUntilTrustedAndTheReadKeepsTheAnswer) {
    NEED_SERVERS(false);
    SeedOnly("carol", {Simple("s1"), Simple("s2")});
    ReceiveHarness H(0);
    std::vector<std::string> Fingerprints;
    bool Trust = false;
    H.Flow.Events.OnTrustCertificate = [&](const std::string&, const std::string& Fp) {
        Fingerprints.push_back(Fp);
        return Trust;
    };
    TAccountRecord A = PopAccount("carol", true, true);
    A.Edit1 = "pop.other.test";

    H.Flow.PasswdOKClick(A);
    ASSERT_TRUE(Wait([&] { return !H.Boxes.empty(); }) && H.Idle());
    const std::string Refused = SJ("サーバの証明書を信頼しなかったため、接続を中止しました。");
    EXPECT_EQ(H.Boxes, (TBoxes{{TBoxIcon::Critical, Refused}}));
    EXPECT_EQ(H.LastPop(), Refused);
    EXPECT_TRUE(H.Rows.empty());

    Trust = true;
    ASSERT_TRUE(H.List(A));
    EXPECT_EQ(H.Rows.size(), 2u);
    ASSERT_TRUE(H.Read(A, 1) && H.Shown);
    ASSERT_EQ(Fingerprints.size(), 2u);
    EXPECT_EQ(Fingerprints[0], Fingerprints[1]);
}
