// Tests of the receive flow against a POP3 server in this process: replies cut into bytes, refusals, broken and hostile servers, the reachability check, the delete pass and a read without unique ids, STLS missing or refused.
#include <gtest/gtest.h>

#include "ReceiveFixtures.h"
#include "Secure.h"

namespace {

std::string Message(const std::string& Subject, const std::string& Body = "body\r\n") {
    return "From: sender@example.test\r\nSubject: " + Subject +
           "\r\nDate: Tue, 01 Dec 2026 09:15:00 +0900\r\n\r\n" + Body;
}

const std::vector<std::string> TwoMessages = {Message("first"), Message("second")};

}  // namespace

TEST(ReceiveFlowScripted, ListingSurvivesOddServers) {
    struct Case {
        const char* Name;
        size_t Piece;
        std::function<std::string(const std::string&)> Change;  // replaces the usual reply when not empty
        size_t LineCap;
        size_t Rows;
        const char* FinalStatus;  // POPStatus at the end
        bool Box;                 // a message box was shown
    };
    const std::string Done = SJ("メールの情報読み込みが完了しました");
    const std::string Broken = SJ("サーバとの接続が途中で切れました。もう一度接続してください");
    const std::string TooLong =
        SJ("サーバから長すぎる行が届いたため、接続を切りました。サーバを確かめてください");
    const Case Cases[] = {
        {"one byte per read", 1, nullptr, 0, 2, "", false},
        {"-ERR to TOP", 0,
         [](const std::string& C) { return C == "TOP 1 0" ? std::string("-ERR gone\r\n") : std::string(); },
         0, 2, "", false},
        {"no UIDL", 0, [](const std::string& C) { return C == "UIDL" ? "-ERR no\r\n" : std::string(); }, 0, 2,
         "", false},
        {"close mid-listing", 0, [](const std::string& C) { return C == "TOP 2 0" ? "!" : std::string(); }, 0,
         1, "broken", false},
        {"endless line", 7,
         [](const std::string& C) {
             return C == "TOP 2 0" ? "+OK\r\n" + std::string(3000, 'x') : std::string();
         },
         1000, 1, "long", true},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ScriptedPop Server;
        Server.Piece = C.Piece;
        Server.Answer = [&](const std::string& Command) {
            std::string R = C.Change ? C.Change(Command) : std::string();
            if (R == "!") return std::string();  // hang up
            return R.empty() ? ScriptedPop::Mailbox(TwoMessages, {"u1", "u2"}, Command) : R;
        };
        ReceiveHarness H(Server.Port());
        if (C.LineCap) H.Flow.MaxLineLength = C.LineCap;
        H.Flow.PasswdOKClick(ReceiveHarness::Account());
        const std::string Final = *C.FinalStatus == 0                      ? Done
                                  : std::string(C.FinalStatus) == "broken" ? Broken
                                                                           : TooLong;
        ASSERT_TRUE(Wait([&] { return H.LastPop() == Final; })) << H.LastPop();
        ASSERT_TRUE(H.Idle());
        EXPECT_EQ(H.Rows.size(), C.Rows);
        EXPECT_EQ(H.Flow.MessageStore().Count(), static_cast<int>(C.Rows));
        if (C.Rows == 2) {
            EXPECT_EQ(H.Rows[1].Subject, "second");
        }
        EXPECT_EQ(!H.Boxes.empty(), C.Box);
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
        Server.Answer = [](const std::string& C) { return ScriptedPop::Mailbox(TwoMessages, {}, C); };
        ReceiveHarness H(Server.Port());
        H.Flow.MakeReachCheck = [] { return std::make_unique<TThrowingCheck>(); };
        TAccountRecord A = ReceiveHarness::Account();
        A.Edit1 = "127.0.0.1";  // the check gives no address: the client takes the server's
        A.pingcheck = Ignore;
        H.Flow.PasswdOKClick(A);
        const std::string Text =
            std::string("Unable to register icmpDLL") + (Ignore ? SJ("(強制実行を行います)") : "");
        EXPECT_TRUE(H.Saw(H.ConnectStatuses, Text));
        if (Ignore) {
            ASSERT_TRUE(Wait([&] { return H.Rows.size() == 2; }));
        } else {
            Wait([&] { return Server.Connections > 0; }, 300);
            EXPECT_EQ(Server.Connections, 0);
        }
        EXPECT_TRUE(H.Idle());
    }
}

TEST(ReceiveFlowScripted, DeletePassWithoutUniqueIdsSkipsNumbersWhoseSizeChanged) {
    struct Case {
        const char* Name;
        std::vector<std::string> Later;  // the mailbox at the delete pass
        std::vector<std::string> Deleted;
        int Gone;
    };
    // Sizes that tell the messages apart.
    const std::vector<std::string> Three = {Message("a"), Message("bb"), Message("ccc")};
    const Case Cases[] = {
        {"unchanged", Three, {"DELE 2", "DELE 3"}, 0},
        {"first one deleted elsewhere", {Message("bb"), Message("ccc")}, {}, 2},
        {"third one replaced by a longer one", {Message("a"), Message("bb"), Message("cccc")}, {"DELE 2"}, 1},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ScriptedPop Server;
        std::vector<std::string> Box = Three;
        Server.Answer = [&](const std::string& Command) { return ScriptedPop::Mailbox(Box, {}, Command); };
        ReceiveHarness H(Server.Port());
        ASSERT_TRUE(H.List(ReceiveHarness::Account()));
        H.Flow.ListView1Change(1, true);
        H.Flow.ListView1Change(2, true);
        Box = C.Later;
        Server.Commands.clear();
        H.Flow.Button1Click(ReceiveHarness::Account());
        // The pass lists the mailbox again at its end.
        ASSERT_TRUE(Wait([&] { return Server.Connections == 3 && H.Flow.RowCount() == int(Box.size()); }));
        ASSERT_TRUE(H.Idle());
        std::vector<std::string> Deleted;
        for (const std::string& Cmd : Server.Commands)
            if (Cmd.rfind("DELE", 0) == 0) Deleted.push_back(Cmd);
        EXPECT_EQ(Deleted, C.Deleted);
        EXPECT_EQ(H.Flow.DeleteGone, C.Gone);
        EXPECT_EQ(H.Boxes.size(), C.Gone ? 1u : 0u);
        EXPECT_FALSE(H.Flow.DeleteMode);
    }
}

TEST(ReceiveFlowScripted, HeaderOnlyReadWithoutUniqueIdsFetchesOnlyAMessageOfTheListedSize) {
    const std::vector<std::string> Three = {Message("a"), Message("bb"), Message("ccc")};
    for (bool FirstDeleted : {false, true}) {
        SCOPED_TRACE(FirstDeleted);
        ScriptedPop Server;
        std::vector<std::string> Box = Three;
        Server.Answer = [&](const std::string& Command) { return ScriptedPop::Mailbox(Box, {}, Command); };
        ReceiveHarness H(Server.Port());
        ASSERT_TRUE(H.List(ReceiveHarness::Account()));
        if (FirstDeleted) Box.erase(Box.begin());
        Server.Commands.clear();
        H.Flow.CheckListBox1DblClick(ReceiveHarness::Account(), 1);
        ASSERT_TRUE(Wait([&] { return H.Shown || !H.Boxes.empty(); }) && H.Idle());
        const bool Fetched = std::count(Server.Commands.begin(), Server.Commands.end(), "RETR 2") == 1;
        EXPECT_EQ(Fetched, !FirstDeleted);
        EXPECT_EQ(H.Shown != nullptr, !FirstDeleted);
        EXPECT_EQ(H.Boxes.size(), FirstDeleted ? 1u : 0u);
    }
}

TEST(ReceiveFlowScripted, StlsMissingOrRefusedEndsBeforeThePasswordGoesOut) {
    for (const char* Stls : {"", "-ERR not now\r\n"}) {
        SCOPED_TRACE(Stls);
        ScriptedPop Server;
        Server.Answer = [&](const std::string& Command) -> std::string {
            if (Command == "CAPA") return *Stls ? "+OK\r\nSTLS\r\n.\r\n" : "+OK\r\nUSER\r\n.\r\n";
            if (Command == "STLS") return Stls;
            return ScriptedPop::Mailbox(TwoMessages, {}, Command);
        };
        ReceiveHarness H(Server.Port());
        TAccountRecord A = ReceiveHarness::Account();
        A.PopSecurity = 1;
        H.Flow.PasswdOKClick(A);
        ASSERT_TRUE(Wait([&] { return !H.Boxes.empty(); }) && H.Idle());
        const std::string Text = PopSecurityFailureText(*Stls ? popStls : popCapa);
        EXPECT_EQ(H.Boxes, (std::vector<std::pair<TBoxIcon, std::string>>{{TBoxIcon::NoIcon, Text}}));
        EXPECT_EQ(H.LastPop(), Text);
        std::vector<std::string> Sent = {"CAPA", "STLS", "QUIT"};
        if (!*Stls) Sent.erase(Sent.begin() + 1);
        EXPECT_EQ(Server.Commands, Sent);
    }
}
