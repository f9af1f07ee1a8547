// Tests of the receive flow against a POP3 server in this process: replies cut into bytes, broken and hostile servers, STLS missing or refused, the reachability check, the delete pass and a read without unique ids.
#include <gtest/gtest.h>

#include "ReceiveFixtures.h"
#include "Secure.h"

namespace {

std::string Message(const std::string& Subject) {
    return "From: sender@example.test\r\nSubject: " + Subject +
           "\r\nDate: Tue, 01 Dec 2026 09:15:00 +0900\r\n\r\nbody\r\n";
}

const std::vector<std::string> TwoMessages = {Message("first"), Message("second")};
// Sizes that tell the messages apart.
const std::vector<std::string> Three = {Message("a"), Message("bb"), Message("ccc")};

}  // namespace

TEST(ReceiveFlowScripted, ListingSurvivesOddServers) {
    const std::string Done = SJ("メールの情報読み込みが完了しました");
    const struct {
        const char* Name;
        size_t Piece;
        std::string Command, Reply;  // the reply to Command instead of the usual one ("" hangs up)
        size_t LineCap, Rows;
        std::string Final;  // the last POP status
    } Cases[] = {
        {"one byte per read", 1, "", "", 0, 2, Done},
        {"-ERR to TOP", 0, "TOP 1 0", "-ERR gone\r\n", 0, 2, Done},
        {"no UIDL", 0, "UIDL", "-ERR no\r\n", 0, 2, Done},
        {"close mid-listing", 0, "TOP 2 0", "", 0, 1,
         SJ("サーバとの接続が途中で切れました。もう一度接続してください")},
        {"endless line", 7, "TOP 2 0", "+OK\r\n" + std::string(3000, 'x'), 1000, 1,
         SJ("サーバから長すぎる行が届いたため、接続を切りました。サーバを確かめてください")},
        // STLS chosen: nothing of the login goes out in plain text.
        {"STLS not offered", 0, "CAPA", "+OK\r\nUSER\r\n.\r\n", 0, 0, PopSecurityFailureText(popCapa)},
        {"STLS refused", 0, "STLS", "-ERR not now\r\n", 0, 0, PopSecurityFailureText(popStls)},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        const bool Stls = C.Rows == 0;
        ScriptedPop Server;
        Server.Piece = C.Piece;
        Server.Answer = [&](const std::string& Command) {
            if (Command == C.Command) return C.Reply;
            if (Command == "CAPA") return std::string("+OK\r\nSTLS\r\n.\r\n");
            return ScriptedPop::Mailbox(TwoMessages, {"u1", "u2"}, Command);
        };
        ReceiveHarness H(Server.Port());
        if (C.LineCap) H.Flow.MaxLineLength = C.LineCap;
        TAccountRecord A = ReceiveHarness::Account();
        A.PopSecurity = Stls ? 1 : 0;
        H.Flow.PasswdOKClick(A);
        ASSERT_TRUE(Wait([&] { return H.LastPop() == C.Final; }) && H.Idle()) << H.LastPop();
        ASSERT_EQ(H.Rows.size(), C.Rows);
        EXPECT_EQ(H.Flow.MessageStore().Count(), int(C.Rows));
        if (C.Rows) {
            EXPECT_EQ(H.Rows.back().Subject, C.Rows == 2 ? "second" : "first");
        }
        EXPECT_EQ(H.Boxes.size(), Stls || C.LineCap ? 1u : 0u);
        EXPECT_EQ(Has(Server.Commands, "PASS alicepw"), !Stls);
        EXPECT_EQ(Server.Commands.front(), Stls ? "CAPA" : "USER alice");
        EXPECT_FALSE(H.ProgressShown);
        EXPECT_EQ(H.HourglassDepth, 0);
    }
}

TEST(ReceiveFlowScripted, ReachabilityCheckThatThrowsCountsAsUnreachable) {
    struct TThrowingCheck : TReachCheck {
        void Check() override { throw Exception("Unable to register icmpDLL"); }
    };
    for (bool Ignore : {false, true}) {
        SCOPED_TRACE(Ignore);
        ScriptedPop Server;
        Server.Serve(TwoMessages);
        ReceiveHarness H(Server.Port());
        H.Flow.MakeReachCheck = [] { return std::make_unique<TThrowingCheck>(); };
        TAccountRecord A = ReceiveHarness::Account();
        A.Edit1 = "127.0.0.1";  // the check gives no address: the client takes the server's
        A.pingcheck = Ignore;
        H.Flow.PasswdOKClick(A);
        EXPECT_TRUE(Has(H.ConnectStatuses, std::string("Unable to register icmpDLL") +
                                               (Ignore ? SJ("(強制実行を行います)") : "")));
        Wait([&] { return H.Rows.size() == 2; }, Ignore ? 10000 : 300);
        EXPECT_EQ(H.Rows.size(), Ignore ? 2u : 0u);
        EXPECT_EQ(Server.Connections, Ignore ? 1 : 0);
        EXPECT_TRUE(H.Idle());
    }
}

TEST(ReceiveFlowScripted, DeletePassWithoutUniqueIdsSkipsNumbersWhoseSizeChanged) {
    const struct {
        const char* Name;
        std::vector<std::string> Later;  // the mailbox at the delete pass
        std::vector<std::string> Deleted;
        int Gone;
    } Cases[] = {
        {"unchanged", Three, {"DELE 2", "DELE 3"}, 0},
        {"first one deleted elsewhere", {Message("bb"), Message("ccc")}, {}, 2},
        {"third one replaced by a longer one", {Message("a"), Message("bb"), Message("cccc")}, {"DELE 2"}, 1},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        ScriptedPop Server;
        std::vector<std::string> Box = Three;
        Server.Serve(Box);
        ReceiveHarness H(Server.Port());
        ASSERT_TRUE(H.List(ReceiveHarness::Account()));
        Box = C.Later;
        Server.Commands.clear();
        // The pass lists the mailbox again at its end.
        ASSERT_TRUE(H.DeleteBySubject(ReceiveHarness::Account(), {"bb", "ccc"}));
        EXPECT_EQ(H.Flow.RowCount(), int(Box.size()));
        std::vector<std::string> Deleted;
        std::copy_if(Server.Commands.begin(), Server.Commands.end(), std::back_inserter(Deleted),
                     [](const std::string& Cmd) { return Cmd.rfind("DELE", 0) == 0; });
        EXPECT_EQ(Deleted, C.Deleted);
        EXPECT_EQ(H.Flow.DeleteGone, C.Gone);
        const std::string Said =
            C.Gone ? SJ("（") + IntToStr(C.Gone) + SJ("通はすでにサーバにありませんでした）") : "";
        EXPECT_TRUE(Has(H.PopStatuses, SJ("チェック付きのメールの削除が完了しました") + Said));
        EXPECT_EQ(H.Boxes.size(), C.Gone ? 1u : 0u);
        EXPECT_FALSE(H.Flow.DeleteMode);
    }
}

TEST(ReceiveFlowScripted, HeaderOnlyReadWithoutUniqueIdsFetchesOnlyAMessageOfTheListedSize) {
    for (bool FirstDeleted : {false, true}) {
        SCOPED_TRACE(FirstDeleted);
        ScriptedPop Server;
        std::vector<std::string> Box = Three;
        Server.Serve(Box);
        ReceiveHarness H(Server.Port());
        ASSERT_TRUE(H.List(ReceiveHarness::Account()));
        if (FirstDeleted) Box.erase(Box.begin());
        Server.Commands.clear();
        ASSERT_TRUE(H.Read(ReceiveHarness::Account(), 1));
        EXPECT_EQ(std::count(Server.Commands.begin(), Server.Commands.end(), "RETR 2"), FirstDeleted ? 0 : 1);
        EXPECT_EQ(H.Shown != nullptr, !FirstDeleted);
        EXPECT_EQ(H.Boxes.size(), FirstDeleted ? 1u : 0u);
    }
}
