// Tests of the POP3 receive engine: login per reply, with STLS (required when chosen, nothing taken
// between the go-ahead and the handshake); listing, dot-unstuffing, dispatch, hostile replies.
#include <gtest/gtest.h>

#include "EngineHarness.h"

TEST(PopEngine, RepliesDriveTheLogin) {
    const auto None = TSecurity::None, T = TSecurity::StartTls;
    const std::string CapaWithStls =
        "+OK Capability list follows\r\nTOP\r\nuser\r\nstls\r\nSASL PLAIN\r\n.\r\n";
    const std::string Stls = "+OK Begin TLS\r\n-ERR injected\r\n";  // the rest is nobody's reply
    RunPopDialogues({
        {"USER and PASS", None, false, Replies{PopGreeting, "+OK\r\n", "+OK\r\n", PopListing},
         "USER mrose\r\nPASS tanstaaf\r\nLIST\r\n", PopEvents{{true, popList}}, popReady},
        {"APOP digests the greeting's timestamp", None, true, Replies{PopGreeting, "+OK\r\n", PopListing},
         "APop mrose c4c9334bac560ecc979e58001b3e22fb\r\nLIST\r\n", PopEvents{{true, popList}}, popReady},
        {"-ERR refuses", None, false, Replies{PopGreeting, "-ERR [AUTH] no such user\r\n"}, "USER mrose\r\n",
         PopEvents{{false, popUser}}, popReady},
        {"-err in lower case refuses nothing", None, false, Replies{PopGreeting, "-err but accepted\r\n"},
         "USER mrose\r\nPASS tanstaaf\r\n", PopEvents{}, popPass},
        {"a refused greeting", None, false, Replies{"-ERR go away\r\n"}, "", PopEvents{{false, popNone}},
         popNone},
        {"TLS from the first byte logs in at once", TSecurity::Tls, false, Replies{PopGreeting},
         "USER mrose\r\n", PopEvents{}, popUser},
        {"USER and PASS inside TLS", T, false,
         Replies{PopGreeting, CapaWithStls, Stls, "+OK injected too\r\n", Handshake, "+OK\r\n", "+OK\r\n",
                 "+OK\r\n1 10\r\n.\r\n", Handshake},
         "CAPA\r\nSTLS\r\nUSER mrose\r\nPASS tanstaaf\r\nLIST\r\n", PopEvents{{true, popList}}, popReady},
        {"APOP inside TLS digests the greeting's timestamp", T, true,
         Replies{PopGreeting, CapaWithStls, Stls, Handshake, "+OK\r\n", "+OK\r\n1 10\r\n.\r\n"},
         "CAPA\r\nSTLS\r\nAPop mrose c4c9334bac560ecc979e58001b3e22fb\r\nLIST\r\n",
         PopEvents{{true, popList}}, popReady},
        {"CAPA refused", T, false, Replies{PopGreeting, "-ERR unknown command\r\n"}, "CAPA\r\n",
         PopEvents{{false, popCapa}}, popReady},
        {"STLS only as a longer word", T, true, Replies{PopGreeting, "+OK\r\nSTLSX\r\n X STLS\r\n.\r\n"},
         "CAPA\r\n", PopEvents{{false, popCapa}}, popReady},
        {"endless listing", T, false, Replies{PopGreeting, "+OK\r\n" + std::string(70000, 'A') + "\r\n"},
         "CAPA\r\n", PopEvents{{false, popCapa}}, popReady},
        {"STLS refused", T, true, Replies{PopGreeting, CapaWithStls, "-ERR TLS not available\r\n"},
         "CAPA\r\nSTLS\r\n", PopEvents{{false, popStls}}, popReady},
    });
}

TEST(PopEngine, ListingGivesCountSizesAndStatus) {
    std::string Dots = "+OK\r\n";  // nothing but terminators after the status line
    for (int I = 0; I < 200000; ++I) Dots += ".\r\n";
    const struct {
        std::string Reply;
        int Count;
        std::vector<int> Sizes;
        std::string Status;
    } Cases[] = {
        {PopListing, 2, {120, 4000}, "2 messages"},
        {"+OK\r\n.\r\n", 0, {}, "+OK"},
        {"+OK\r\n1 x\r\n\r\n2\r\n3 77 \r\n.\r\n", 3, {0, 77}, "+OK"},  // the empty line is dropped
        {Dots, 0, {}, "+OK"},
    };
    for (const auto& C : Cases)
        for (size_t Piece : {0u, 7u}) {
            SCOPED_TRACE(C.Reply.substr(0, 40));
            RecordingPop P;
            P.SendCommand(TPopCommand::List);
            P.Feed(C.Reply, Piece);
            EXPECT_EQ(P.MessageCount, C.Count);
            EXPECT_EQ(P.Sizes, C.Sizes);
            EXPECT_EQ(P.MessageSize(static_cast<int>(C.Sizes.size())), -1);
            EXPECT_EQ(P.StatusText, C.Status);
            EXPECT_EQ(P.Events, (PopEvents{{true, popList}}));
        }
}

TEST(PopEngine, RetrUndoesDotStuffingAndReportsProgressFirstAndQuitClosesWithoutEvent) {
    RecordingPop P;
    P.MessageCount = 2;
    std::vector<std::string> Order;
    P.OnReceiving = [&](int Bytes) { Order.push_back("recv " + std::to_string(Bytes)); };
    P.OnRecvComp = [&](bool, TPopState S) { Order.push_back("comp " + std::to_string(S)); };
    EXPECT_FALSE(P.Retrieve(0));
    EXPECT_FALSE(P.Retrieve(3));
    EXPECT_TRUE(P.Wire.empty());
    ASSERT_TRUE(P.Retrieve(2));
    EXPECT_EQ(P.LastSent, "RETR 2\r\n");
    P.Feed("+OK 30 oc");  // no CR LF yet: no event
    EXPECT_TRUE(Order.empty());
    P.Feed("tets\r\nSubject: x\r\n\r\n..x\r\n..\r\n");
    P.Feed(".\r\n");
    EXPECT_EQ(Order, (std::vector<std::string>{"recv 38", "recv 41", "comp 6"}));
    EXPECT_EQ(P.Lines.GetText(), "Subject: x\r\n\r\n.x\r\n.\r\n");
    EXPECT_EQ(P.StatusText, "30 octets");
    EXPECT_TRUE(P.ReceiveBuffer().empty());

    // QUIT's +OK closes the connection without an event; a QUIT while a reply
    // is still coming closes at once.
    Order.clear();
    P.Quit();
    EXPECT_EQ(P.LastSent, "QUIT\r\n");
    P.Feed("+OK bye\r\n");
    RecordingPop Busy;
    Busy.MessageCount = 1;
    Busy.Retrieve(1);
    Busy.Feed("+OK\r\npartial");
    Busy.Quit();
    for (RecordingPop* E : {&P, &Busy}) {
        EXPECT_EQ(E->Closes, 1);
        EXPECT_EQ(E->State, popNone);
    }
    EXPECT_TRUE(Order.empty());
    EXPECT_EQ(Busy.LastSent, "RETR 1\r\n");
}

TEST(PopEngine, UidlRecordsEachIdUnderItsMessageNumber) {
    RecordingPop P;
    P.SendCommand(TPopCommand::List);
    P.Feed(PopListing);
    P.RetrieveUids();
    EXPECT_EQ(P.LastSent, "UIDL\r\n");
    // Out of order, and a number beyond the listing that is ignored.
    P.Feed("+OK\r\n2 bbb\r\n9 zzz\r\n1 aaa\r\n.\r\n", 3);
    EXPECT_EQ(P.Uids, (std::vector<std::string>{"aaa", "bbb"}));
    EXPECT_EQ(P.Events.back(), std::make_pair(true, popUidl));

    P.SendCommand(TPopCommand::List);
    P.Feed(PopListing);
    EXPECT_TRUE(P.Uids.empty());  // ids belong to the listing they came with
}

TEST(PopEngine, ALineBeyondTheCapEndsTheConnection) {
    const struct {
        const char* Name;
        bool Retr;           // the reply to RETR, else the greeting
        std::string Prefix;  // of the reply, before the long line
    } Cases[] = {{"greeting", false, ""},
                 {"status line of RETR", true, ""},
                 {"body line of RETR", true, "+OK\r\nfirst\r\n"}};
    for (const auto& C : Cases)
        for (size_t Piece : {1u, 7u, 64u}) {
            SCOPED_TRACE(std::string(C.Name) + " in pieces of " + std::to_string(Piece));
            RecordingPop P;
            P.MaxLineLength = 100;
            int Told = 0;
            P.OnLineTooLong = [&] { ++Told; };
            P.MessageCount = 1;
            if (C.Retr) P.Retrieve(1);
            const int Sent = P.Sends;
            P.Feed(C.Prefix + std::string(100, 'x') + "\r\n", Piece);  // at the cap: a line like any
            EXPECT_EQ(Told, 0);
            P.Feed(std::string(101, 'y'), Piece);
            EXPECT_EQ(Told, 1);
            EXPECT_EQ(P.Closes, 1);
            EXPECT_EQ(P.State, popNone);
            EXPECT_TRUE(P.ReceiveBuffer().empty());
            EXPECT_LE(P.Sends, Sent + 1);  // at most the reply to the greeting line
        }
    // Below the cap, bytes without a line end wait, each scanned once.
    RecordingPop P;
    for (int I = 0; I < 64; ++I) P.DataArrived(std::string(1 << 16, 'x'));  // 4 MB without CR LF
    EXPECT_LE(P.ScannedBytes(), (64u << 16) + 64);
    EXPECT_EQ(P.State, popNone);
    EXPECT_TRUE(P.Wire.empty());
}
