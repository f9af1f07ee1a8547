// Tests of the POP3 receive engine: login, listing, dot-unstuffing, dispatch, refusals, hostile replies.
#include <gtest/gtest.h>

#include "EngineHarness.h"

namespace {

const std::string Greeting = "+OK POP3 server ready <1896.697170952@dbc.mtview.ca.us>\r\n";
const std::string Listing = "+OK 2 messages\r\n1 120\r\n2 4000\r\n.\r\n";

void LogIn(RecordingPop& P, size_t Piece = 0) {
    P.User = "mrose";
    P.Password = "tanstaaf";
    P.Feed(Greeting, Piece);
    P.Feed("+OK\r\n", Piece);
    P.Feed("+OK\r\n", Piece);
    P.Feed(Listing, Piece);
}

}  // namespace

TEST(PopEngine, UserPassLoginListsTheMailbox) {
    for (size_t Piece : {0u, 1u, 3u}) {
        SCOPED_TRACE(Piece);
        RecordingPop P;
        TPopState StateInHandler = popNone;
        P.OnRecvComp = [&](bool Ok, TPopState S) {
            P.Events.push_back({Ok, S});
            StateInHandler = P.State;
        };
        LogIn(P, Piece);
        ASSERT_EQ(P.Sent.size(), 3u);
        EXPECT_EQ(P.Sent[0], "USER mrose\r\n");
        EXPECT_EQ(P.Sent[1], "PASS tanstaaf\r\n");
        EXPECT_EQ(P.Sent[2], "LIST\r\n");
        EXPECT_EQ(P.LastCommand, "LIST");
        ASSERT_EQ(P.Events.size(), 1u);
        EXPECT_EQ(P.Events[0], std::make_pair(true, popList));
        EXPECT_EQ(StateInHandler, popReady);
        EXPECT_EQ(P.MessageCount, 2);
        EXPECT_EQ(P.Sizes, (std::vector<int>{120, 4000}));
        EXPECT_EQ(P.MessageSize(1), 4000);
        EXPECT_EQ(P.MessageSize(2), -1);
        EXPECT_EQ(P.MessageSize(-1), -1);
        EXPECT_EQ(P.StatusText, "2 messages");
        EXPECT_EQ(P.Lines.GetText(), "1 120\r\n2 4000\r\n");
    }
}

TEST(PopEngine, ApopLoginSendsTheDigestWithMixedCaseVerb) {
    RecordingPop P;
    P.APop = true;
    P.User = "mrose";
    P.Password = "tanstaaf";
    P.Feed(Greeting.substr(0, 10));
    EXPECT_TRUE(P.Sent.empty());  // nothing before the first CR LF
    P.Feed(Greeting.substr(10));
    EXPECT_EQ(P.LastSent(), "APop mrose c4c9334bac560ecc979e58001b3e22fb\r\n");
    EXPECT_EQ(P.State, popApop);
    EXPECT_EQ(P.FirstLine, Greeting.substr(0, Greeting.size() - 1));
    P.Feed("+OK\r\n");
    EXPECT_EQ(P.LastSent(), "LIST\r\n");
}

TEST(PopEngine, ErrIsMatchedInUpperCaseOnly) {
    RecordingPop P;
    P.User = "u";
    P.Feed(Greeting);
    P.Feed("-ERR [AUTH] no such user\r\n");
    ASSERT_EQ(P.Events.size(), 1u);
    EXPECT_EQ(P.Events[0], std::make_pair(false, popUser));
    EXPECT_EQ(P.State, popReady);

    RecordingPop Q;
    Q.Password = "pw";
    Q.Feed(Greeting);
    Q.Feed("-err but accepted\r\n");
    EXPECT_EQ(Q.LastSent(), "PASS pw\r\n");
    EXPECT_TRUE(Q.Events.empty());

    RecordingPop R;  // a refused greeting leaves popNone
    R.Feed("-ERR go away\r\n");
    EXPECT_EQ(R.Events[0], std::make_pair(false, popNone));
    EXPECT_EQ(R.State, popNone);
}

TEST(PopEngine, EmptyMailboxAndListLinesWithoutSizes) {
    RecordingPop P;
    P.SendCommand(TPopCommand::List);
    P.Feed("+OK\r\n.\r\n");
    EXPECT_EQ(P.MessageCount, 0);
    EXPECT_TRUE(P.Sizes.empty());

    P.SendCommand(TPopCommand::List);
    P.Feed("+OK\r\n1 x\r\n\r\n2\r\n3 77 \r\n.\r\n");
    EXPECT_EQ(P.MessageCount, 3);  // the empty line is dropped
    EXPECT_EQ(P.Sizes, (std::vector<int>{0, 77}));
}

TEST(PopEngine, RetrUndoesDotStuffingAndReportsProgressFirst) {
    RecordingPop P;
    P.MessageCount = 2;
    std::vector<std::string> Order;
    P.OnReceiving = [&](int Bytes) { Order.push_back("recv " + std::to_string(Bytes)); };
    P.OnRecvComp = [&](bool, TPopState S) { Order.push_back("comp " + std::to_string(S)); };
    EXPECT_FALSE(P.Retrieve(0));
    EXPECT_FALSE(P.Retrieve(3));
    EXPECT_TRUE(P.Sent.empty());
    ASSERT_TRUE(P.Retrieve(2));
    EXPECT_EQ(P.LastSent(), "RETR 2\r\n");
    EXPECT_EQ(P.CurrentMessage, 2);
    P.Feed("+OK 30 oc");  // no CR LF yet: no event
    EXPECT_TRUE(Order.empty());
    P.Feed("tets\r\nSubject: x\r\n\r\n..x\r\n..\r\n");
    P.Feed(".\r\n");
    ASSERT_EQ(Order.size(), 3u);
    EXPECT_EQ(Order[0], "recv 38");
    EXPECT_EQ(Order[1], "recv 41");
    EXPECT_EQ(Order[2], "comp 6");
    EXPECT_EQ(P.Lines.GetText(), "Subject: x\r\n\r\n.x\r\n.\r\n");
    EXPECT_EQ(P.StatusText, "30 octets");
    EXPECT_TRUE(P.ReceiveBuffer().empty());
}

TEST(PopEngine, DispatchPrefersTheTopAndDeleHandlers) {
    RecordingPop P;
    P.MessageCount = 3;
    std::vector<std::pair<bool, TPopState>> Header, Deleted;
    P.OnHeaderRecv = [&](bool Ok, TPopState S) { Header.push_back({Ok, S}); };
    ASSERT_TRUE(P.RetrieveHeader(1));
    EXPECT_EQ(P.LastSent(), "TOP 1 0\r\n");
    P.Feed("-ERR no\r\n");
    P.RetrieveHeader(2);
    P.Feed("+OK\r\nFrom: a\r\n.\r\n");
    EXPECT_EQ(Header, (std::vector<std::pair<bool, TPopState>>{{false, popTop}, {true, popTop}}));
    EXPECT_TRUE(P.Events.empty());

    // Without OnDeleted the DELE reply comes to OnRecvComp, which may send the next DELE.
    P.OnRecvComp = [&](bool Ok, TPopState S) {
        P.Events.push_back({Ok, S});
        if (P.CurrentMessage == 1) P.Delete(3);
    };
    P.Delete(1);
    P.Feed("+OK deleted\r\n");
    EXPECT_EQ(P.LastSent(), "DELE 3\r\n");
    EXPECT_EQ(P.State, popDele);
    P.OnDeleted = [&](bool Ok, TPopState S) { Deleted.push_back({Ok, S}); };
    P.Feed("+OK deleted\r\n");
    EXPECT_EQ(Deleted, (std::vector<std::pair<bool, TPopState>>{{true, popDele}}));
}

TEST(PopEngine, QuitClosesWithoutEventAndGivesUpOnAPendingReply) {
    RecordingPop P;
    P.State = popReady;
    P.Quit();
    EXPECT_EQ(P.LastSent(), "QUIT\r\n");
    P.Feed("+OK bye\r\n");
    EXPECT_EQ(P.Closes, 1);
    EXPECT_EQ(P.State, popNone);
    EXPECT_TRUE(P.Events.empty());

    RecordingPop Busy;  // a reply that never completes: the connection is closed
    Busy.MessageCount = 1;
    Busy.Retrieve(1);
    Busy.Feed("+OK\r\npartial");
    Busy.Quit();
    EXPECT_EQ(Busy.Closes, 1);
    EXPECT_EQ(Busy.State, popNone);
    EXPECT_EQ(Busy.LastSent(), "RETR 1\r\n");
}

TEST(PopEngine, HostileRepliesStayLinearAndDefined) {
    RecordingPop P;
    const std::string NoLineEnd(1 << 16, 'x');
    for (int I = 0; I < 64; ++I) P.DataArrived(NoLineEnd);  // 4 MB without CR LF
    EXPECT_LE(P.ScannedBytes(), (64u << 16) + 64);
    EXPECT_EQ(P.State, popNone);
    EXPECT_TRUE(P.Sent.empty());

    // A listing of nothing but terminators after the status line.
    RecordingPop L;
    L.SendCommand(TPopCommand::List);
    std::string Dots = "+OK\r\n";
    for (int I = 0; I < 200000; ++I) Dots += ".\r\n";
    L.Feed(Dots, 4096);
    EXPECT_EQ(L.MessageCount, 0);
    EXPECT_EQ(L.State, popReady);
}

TEST(PopEngine, UidlRecordsEachIdUnderItsMessageNumber) {
    RecordingPop P;
    LogIn(P);
    P.Events.clear();
    P.RetrieveUids();
    EXPECT_EQ(P.LastSent(), "UIDL\r\n");
    // Out of order, and a number beyond the listing that is ignored.
    P.Feed("+OK\r\n2 bbb\r\n9 zzz\r\n1 aaa\r\n.\r\n", 3);
    EXPECT_EQ(P.Uids, (std::vector<std::string>{"aaa", "bbb"}));
    ASSERT_EQ(P.Events.size(), 1u);
    EXPECT_EQ(P.Events[0], std::make_pair(true, popUidl));

    P.RetrieveUids();
    P.Feed("-ERR no UIDL here\r\n");
    EXPECT_EQ(P.Events.back(), std::make_pair(false, popUidl));
    P.SendCommand(TPopCommand::List);
    P.Feed(Listing);
    EXPECT_TRUE(P.Uids.empty());  // ids belong to the listing they came with
}

TEST(PopEngine, ALineBeyondTheCapEndsTheConnection) {
    struct Case {
        const char* Name;
        std::function<void(RecordingPop&)> Before;  // brings the engine to the reply
        std::string Prefix;                         // of the reply, before the long line
    };
    const Case Cases[] = {
        {"greeting", [](RecordingPop&) {}, ""},
        {"status line of RETR",
         [](RecordingPop& P) {
             LogIn(P);
             P.Retrieve(1);
         },
         ""},
        {"body line of RETR",
         [](RecordingPop& P) {
             LogIn(P);
             P.Retrieve(1);
         },
         "+OK\r\nfirst\r\n"},
    };
    for (const Case& C : Cases) {
        for (size_t Piece : {1u, 7u, 64u}) {
            SCOPED_TRACE(std::string(C.Name) + " in pieces of " + std::to_string(Piece));
            RecordingPop P;
            P.MaxLineLength = 100;
            int Told = 0;
            P.OnLineTooLong = [&] { ++Told; };
            C.Before(P);
            const size_t Sent = P.Sent.size();
            P.Feed(C.Prefix + std::string(100, 'x') + "\r\n", Piece);  // at the cap: a line like any
            EXPECT_EQ(Told, 0);
            P.Feed(std::string(101, 'y'), Piece);
            EXPECT_EQ(Told, 1);
            EXPECT_EQ(P.Closes, 1);
            EXPECT_EQ(P.State, popNone);
            EXPECT_TRUE(P.ReceiveBuffer().empty());
            EXPECT_LE(P.Sent.size(), Sent + 1);  // at most the reply to the greeting line
        }
    }
}
