// Tests of TPOPx and TSMTPx against a scripted loopback server: byte-level and hostile replies.
#include <gtest/gtest.h>

#include "ScriptedServer.h"

namespace {

struct PopRig {
    ScriptedServer Srv;
    TPOPx Pop;
    int Reads = 0;
    std::vector<std::pair<bool, TPopState>> Events;
    std::vector<int> Errors;
    int Disconnects = 0;
    PopRig() {
        Pop.Address = "127.0.0.1";
        Pop.Port = Srv.Port();
        Pop.User = "alice";
        Pop.Password = "pw";
        Pop.OnRead = [this](QObject*, TCustomWinSocket* S) {
            ++Reads;
            Pop.DataArrived(S->ReceiveText());
        };
        Pop.OnRecvComp = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.OnGetError = [this](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.OnError = [this](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
            Errors.push_back(Code);
            Code = 0;
        };
        Pop.OnDisconnect = [this](QObject*, TCustomWinSocket*) {
            ++Disconnects;
            Pop.ResetState();
        };
        Pop.Connect();
        Srv.WaitPeer();
    }
    // Sends S one byte per read event of the client.
    void Trickle(const std::string& S) {
        for (char C : S) {
            const int Before = Reads;
            Srv.Send(std::string(1, C));
            Wait([&] { return Reads > Before; });
        }
    }
};

}  // namespace

TEST(PopScripted, ReplyOneBytePerReadDrivesTheLogin) {
    PopRig R;
    R.Trickle("+OK hi\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("USER alice\r\n"));
    EXPECT_GE(R.Reads, 8);
    R.Srv.Send("-err lower case counts as accepted\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("PASS pw\r\n"));
    R.Srv.Send("+OK\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("LIST\r\n"));
    R.Trickle("+OK\r\n1 10\r\n.\r\n");
    ASSERT_TRUE(Wait([&] { return !R.Events.empty(); }));
    EXPECT_EQ(R.Events[0], std::make_pair(true, popList));
    EXPECT_EQ(R.Pop.Sizes, std::vector<int>{10});
    // QUIT answered +OK closes the connection without a completion event.
    R.Pop.Quit();
    ASSERT_TRUE(R.Srv.WaitGot("QUIT\r\n"));
    R.Srv.Send("+OK bye\r\n");
    ASSERT_TRUE(Wait([&] { return !R.Pop.Opening(); }));
    EXPECT_EQ(R.Pop.State, popNone);
    EXPECT_EQ(R.Events.size(), 1u);
    EXPECT_EQ(R.Disconnects, 1);
}

TEST(PopScripted, CloseInTheMiddleOfAReplyEndsInPopNone) {
    PopRig R;
    R.Srv.Send("+OK hi\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("USER"));
    R.Srv.Send("+OK\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("PASS"));
    R.Srv.Send("+OK\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("LIST"));
    R.Srv.Send("+OK 1 message\r\n1 5000\r\n");
    ASSERT_TRUE(Wait([&] { return R.Pop.ReceiveBuffer().size() > 10; }));
    R.Srv.Hangup();
    ASSERT_TRUE(Wait([&] { return R.Disconnects == 1; }));
    EXPECT_EQ(R.Pop.State, popNone);
    EXPECT_TRUE(R.Pop.ReceiveBuffer().empty());
    EXPECT_TRUE(R.Events.empty());
}

TEST(PopScripted, StlsChosenButMissingOrRefusedLeavesNoSecretOnTheWire) {
    const struct {
        const char* Capa;
        const char* Stls;  // reply to STLS, when it is sent
        TPopState Failed;
    } Cases[] = {
        {"+OK\r\nUSER\r\nTOP\r\n.\r\n", nullptr, popCapa},
        {"+OK\r\nSTLS\r\n.\r\n", "-ERR not now\r\n", popStls},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Failed);
        ScriptedServer Srv;
        TPOPx Pop;
        Pop.Address = "127.0.0.1";
        Pop.SetSecurity({Srv.Port(), TSecurity::StartTls, "mail.example.test", {}});
        Pop.User = "alice";
        Pop.Password = "pw-never-plain";
        std::vector<std::pair<bool, TPopState>> Events;
        Pop.OnGetError = [&](bool Ok, TPopState S) { Events.push_back({Ok, S}); };
        Pop.Connect();
        ASSERT_TRUE(Srv.WaitPeer());
        Srv.Send("+OK hi <1.2@x>\r\n");
        ASSERT_TRUE(Srv.WaitGot("CAPA\r\n"));
        Srv.Send(C.Capa);
        if (C.Stls) {
            ASSERT_TRUE(Srv.WaitGot("STLS\r\n"));
            Srv.Send(C.Stls);
        }
        ASSERT_TRUE(Wait([&] { return !Events.empty(); }));
        EXPECT_EQ(Events[0], std::make_pair(false, C.Failed));
        Pop.Quit();
        ASSERT_TRUE(Srv.WaitGot("QUIT\r\n"));
        EXPECT_EQ(Srv.Got, C.Stls ? "CAPA\r\nSTLS\r\nQUIT\r\n" : "CAPA\r\nQUIT\r\n");
        EXPECT_FALSE(Pop.Encrypted());
        Srv.Send("+OK bye\r\n");
        ASSERT_TRUE(Wait([&] { return !Pop.Opening(); }));
    }
}

TEST(PopScripted, SilentServerTimesOutWith10060) {
    ScriptedServer Srv;
    TPOPx Pop;
    Pop.ReplyTimeout = 300;
    Pop.Address = "127.0.0.1";
    Pop.Port = Srv.Port();
    std::vector<std::pair<TErrorEvent, int>> Errors;
    Pop.OnError = [&](QObject*, TCustomWinSocket*, TErrorEvent E, int& Code) {
        Errors.push_back({E, Code});
        Code = 0;
    };
    Pop.Connect();
    ASSERT_TRUE(Wait([&] { return !Errors.empty(); }, 5000));  // the greeting never comes
    EXPECT_EQ(Errors[0], std::make_pair(eeReceive, 10060));
    EXPECT_FALSE(Pop.Opening());
    EXPECT_EQ(Pop.State, popNone);
}

namespace {

struct SmtpRig {
    ScriptedServer Srv;
    TSMTPx Smtp;
    std::vector<std::pair<TSMTPState, std::string>> Errors;
    int SendComps = 0, Disconnects = 0;
    SmtpRig() {
        Smtp.Address = "127.0.0.1";
        Smtp.Port = Srv.Port();
        Smtp.Domain = "client.test";
        Smtp.MyAddress = "me@example.test";
        Smtp.OnSMTPError = [this](TSMTPState S, const std::string& R) { Errors.push_back({S, R}); };
        Smtp.OnSendComp = [this](TObject*) { ++SendComps; };
        Smtp.OnDisconnect = [this](QObject*, TCustomWinSocket*) { ++Disconnects; };
    }
    bool Start() {
        TStringList M;
        M.SetText("To: a@example.test\r\nSubject: t\r\n\r\n.body\r\n");
        return Smtp.SendMessage(M) && Srv.WaitPeer();
    }
};

}  // namespace

TEST(SmtpScripted, MultiLineGreetingAndWholeDialogue) {
    SmtpRig R;
    ASSERT_TRUE(R.Start());
    R.Srv.Send("220-mx.example.test\r\n22");
    R.Srv.Send("0-more\r\n220 ready\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("HELO client.test\r\n"));
    R.Srv.Send("250 hi\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("MAIL FROM:<me@example.test>\r\n"));
    R.Srv.Send("250 ok\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("RCPT TO:<a@example.test>\r\n"));
    R.Srv.Send("250 ok\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("DATA\r\n"));
    R.Srv.Send("354 go ahead\r\n");
    ASSERT_TRUE(R.Srv.WaitGot("\r\n..body\r\n.\r\n"));
    R.Srv.Send("250 queued\r\n");
    ASSERT_TRUE(Wait([&] { return R.SendComps == 1; }));
    EXPECT_EQ(R.Smtp.State, smtpReady);
    R.Smtp.Quit();
    ASSERT_TRUE(R.Srv.WaitGot("QUIT\r\n"));
    R.Srv.Send("221 bye\r\n");
    ASSERT_TRUE(Wait([&] { return !R.Smtp.Opening(); }));
    EXPECT_EQ(R.Smtp.State, smtpNone);
    EXPECT_TRUE(R.Errors.empty());
}

TEST(SmtpScripted, MalformedReplyIsRefusedAndCloseMidReplyResets) {
    SmtpRig R;
    ASSERT_TRUE(R.Start());
    R.Srv.Send("220\r\n");
    ASSERT_TRUE(Wait([&] { return !R.Errors.empty(); }));
    EXPECT_EQ(R.Errors[0], std::make_pair(smtpNone, std::string("220")));
    R.Srv.Send("220-multi line that never ends\r\n220-still going\r\n");
    Wait([] { return false; }, 100);
    R.Srv.Hangup();
    ASSERT_TRUE(Wait([&] { return R.Disconnects == 1; }));
    EXPECT_EQ(R.Smtp.State, smtpNone);
    EXPECT_TRUE(R.Smtp.ReceiveBuffer().empty());
    EXPECT_EQ(R.Errors.size(), 1u);
}

TEST(SmtpScripted, LargeTextGoesOutWholeAndACommandSentMeanwhileFollowsIt) {
    SmtpRig R;
    // A text of several pieces on the wire, with lines to dot-stuff.
    std::string Body;
    for (int i = 0; i < 400000; ++i) Body += (i % 7 == 0 ? ".line " : "line ") + std::to_string(i) + "\r\n";
    TStringList M;
    M.SetText("To: a@example.test\r\nSubject: big\r\n\r\n" + Body);
    TSMTPMessage Expected;
    ASSERT_TRUE(PrepareSMTPMessage(M, R.Smtp.MyAddress, Expected));
    ASSERT_GT(Expected.Text.size(), 4000000u);
    ASSERT_TRUE(R.Smtp.SendMessage(M) && R.Srv.WaitPeer());
    R.Srv.Send("220 ready\r\n");
    for (const char* Command : {"HELO client.test\r\n", "MAIL FROM:<me@example.test>\r\n",
                                "RCPT TO:<a@example.test>\r\n", "DATA\r\n"}) {
        ASSERT_TRUE(R.Srv.WaitGot(Command));
        if (std::string(Command) != "DATA\r\n") R.Srv.Send("250 ok\r\n");
    }
    const size_t Start = R.Srv.Got.size();
    R.Srv.Send("354 go ahead\r\n");
    // The server refuses before the text has ended; the reset sent at once
    // goes after the whole text.
    ASSERT_TRUE(R.Srv.WaitGot("Subject: big"));
    R.Srv.Send("554 too big\r\n");
    ASSERT_TRUE(Wait([&] { return !R.Errors.empty(); }));
    R.Smtp.Reset();
    ASSERT_TRUE(R.Srv.WaitGot("RSET\r\n", 10000));
    EXPECT_TRUE(R.Srv.Got.substr(Start) == Expected.Text + "RSET\r\n");
    R.Srv.Hangup();
    EXPECT_TRUE(Wait([&] { return !R.Smtp.Opening(); }));
}
