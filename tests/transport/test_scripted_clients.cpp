// Tests of TPOPx and TSMTPx against a scripted loopback server: what the receive and send flow tests,
// which drive both clients byte by byte, do not reach: the reply timeout, a close inside a multi-line
// reply, and a large text going out piece by piece.
#include <gtest/gtest.h>

#include "ScriptedServer.h"

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
    int Disconnects = 0;
    SmtpRig() {
        Smtp.Address = "127.0.0.1";
        Smtp.Port = Srv.Port();
        Smtp.Domain = "client.test";
        Smtp.MyAddress = "me@example.test";
        Smtp.OnSMTPError = [this](TSMTPState S, const std::string& R) { Errors.push_back({S, R}); };
        Smtp.OnDisconnect = [this](QObject*, TCustomWinSocket*) { ++Disconnects; };
    }
    bool Start(const std::string& Text) {
        TStringList M;
        M.SetText(Text);
        return Smtp.SendMessage(M) && Srv.WaitPeer();
    }
};

}  // namespace

TEST(SmtpScripted, MalformedReplyIsRefusedAndCloseMidReplyResets) {
    SmtpRig R;
    ASSERT_TRUE(R.Start("To: a@example.test\r\n\r\nbody\r\n"));
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
    std::string Text = "To: a@example.test\r\nSubject: big\r\n\r\n";
    for (int i = 0; i < 400000; ++i) Text += (i % 7 == 0 ? ".line " : "line ") + std::to_string(i) + "\r\n";
    TStringList M;
    M.SetText(Text);
    TSMTPMessage Expected;
    ASSERT_TRUE(PrepareSMTPMessage(M, R.Smtp.MyAddress, Expected));
    ASSERT_GT(Expected.Text.size(), 4000000u);
    ASSERT_TRUE(R.Start(Text));
    R.Srv.Send("220-mx.example.test\r\n22");  // a greeting of two lines in two pieces
    R.Srv.Send("0 ready\r\n");
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
