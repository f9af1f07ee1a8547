// Tests of TClientSocket on loopback (event order, sends, close during a lookup, error numbers), and of
// TPOPx and TSMTPx against a scripted server for what the receive and send flow tests, which drive
// both clients byte by byte, do not reach: the reply timeout, a large text going out piece by piece,
// and a close inside a multi-line reply.
#include <gtest/gtest.h>

#include <algorithm>

#include "ScriptedServer.h"
#include "cp932.h"

namespace {

struct EventLog {
    std::vector<std::string> Names;
    explicit EventLog(TClientSocket& C) {
        C.OnLookup = [this](QObject*, TCustomWinSocket*) { Names.push_back("lookup"); };
        C.OnConnecting = [this](QObject*, TCustomWinSocket*) { Names.push_back("connecting"); };
        C.OnConnect = [this](QObject*, TCustomWinSocket*) { Names.push_back("connect"); };
        C.OnWrite = [this](QObject*, TCustomWinSocket*) { Names.push_back("write"); };
        C.OnDisconnect = [this](QObject*, TCustomWinSocket*) { Names.push_back("disconnect"); };
        C.OnError = [this](QObject*, TCustomWinSocket*, TErrorEvent E, int& Code) {
            Names.push_back("error " + std::to_string(E) + " " + std::to_string(Code));
            Code = 0;
        };
    }
};

int UnusedPort() {
    QTcpServer S;
    S.listen(QHostAddress::LocalHost, 0);
    return S.serverPort();  // closed again when S goes
}

}  // namespace

TEST(ClientSocket, EventsComeInOrderAndDataFlowsBothWays) {
    ScriptedServer Srv;
    TClientSocket C;
    EventLog Log(C);
    std::string Received;
    C.OnRead = [&](QObject*, TCustomWinSocket* S) { Received += S->ReceiveText(); };
    EXPECT_THROW(C.Open(), ESocketError);  // no address yet
    C.Address = "127.0.0.1";
    C.Port = Srv.Port();
    EXPECT_EQ(C.Socket()->SendText("early"), 0);  // nothing before the connect
    C.Open();
    EXPECT_THROW(C.Open(), ESocketError);  // open already
    ASSERT_TRUE(Wait([&] { return C.Active(); }));
    ASSERT_GE(Log.Names.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(Log.Names.begin(), Log.Names.begin() + 4),
              (std::vector<std::string>{"lookup", "connecting", "connect", "write"}));
    ASSERT_TRUE(Srv.WaitPeer());

    // 20 MB in one SendText arrive whole and in order.
    std::string Big(20u << 20, '\0');
    for (size_t I = 0; I < Big.size(); ++I) Big[I] = static_cast<char>('a' + I % 23);
    EXPECT_EQ(C.Socket()->SendText(Big), static_cast<int>(Big.size()));
    ASSERT_TRUE(Wait([&] { return Srv.Got.size() >= Big.size(); }, 20000));
    EXPECT_TRUE(Srv.Got == Big);  // nor the bytes sent before the connect

    // Two replies written together arrive as one fragment; a close by the peer
    // delivers the last bytes first, then OnDisconnect.
    Srv.Send("+OK one\r\n+OK two\r\n");
    ASSERT_TRUE(Wait([&] { return Received.size() == 18; }));
    Srv.Send("last");
    Srv.Hangup();
    ASSERT_TRUE(Wait([&] { return !C.Active(); }));
    EXPECT_EQ(Received, "+OK one\r\n+OK two\r\nlast");
    EXPECT_EQ(Log.Names.back(), "disconnect");
}

TEST(ClientSocket, RefusedConnectReportsWinSockNumberAndRaisesWhenLeftSet) {
    // Qt's errors become WinSock numbers, some told apart by their text only.
    EXPECT_EQ(WinSockErrorCode(QAbstractSocket::NetworkError, "Connection timed out"), 10060);
    EXPECT_EQ(WinSockErrorCode(QAbstractSocket::NetworkError, "Connection reset by peer"), 10054);
    EXPECT_EQ(WinSockErrorCode(QAbstractSocket::RemoteHostClosedError), 0);  // an orderly close is no error

    TClientSocket C;
    EventLog Log(C);
    C.Address = "127.0.0.1";
    C.Port = UnusedPort();
    C.Open();
    ASSERT_TRUE(Wait([&] { return !C.Opening(); }));
    EXPECT_EQ(Log.Names.back(), "error 3 10061");
    EXPECT_FALSE(C.Active());
    EXPECT_EQ(std::count(Log.Names.begin(), Log.Names.end(), "disconnect"), 0);

    // A handler that leaves the code set gets "非同期ソケットエラー 10061".
    std::string Raised;
    auto Saved = TClientSocket::UnhandledException;
    TClientSocket::UnhandledException = [&](const Exception& E) { Raised = E.what(); };
    C.OnError = nullptr;
    C.Open();
    Wait([&] { return !C.Opening(); });
    TClientSocket::UnhandledException = Saved;
    EXPECT_EQ(Raised, SJ("非同期ソケットエラー 10061"));
}

TEST(ClientSocket, CloseWhileLookingUpCancelsAndStillDisconnects) {
    TClientSocket C;
    EventLog Log(C);
    C.Host = "localhost";
    C.Port = UnusedPort();
    C.Open();
    C.Close();
    EXPECT_FALSE(C.Opening());
    Wait([] { return false; }, 200);
    EXPECT_EQ(Log.Names, (std::vector<std::string>{"lookup", "disconnect"}));
}

TEST(PopScripted, SilentServerTimesOutWith10060) {
    ScriptedServer Srv;
    TPOPx Pop;
    EventLog Log(Pop);
    Pop.ReplyTimeout = 300;
    Pop.Address = "127.0.0.1";
    Pop.Port = Srv.Port();
    Pop.Connect();
    ASSERT_TRUE(Wait([&] { return !Pop.Opening(); }));  // the greeting never comes
    EXPECT_EQ(std::count(Log.Names.begin(), Log.Names.end(), "error " + std::to_string(eeReceive) + " 10060"),
              1);
    EXPECT_EQ(Pop.State, popNone);
}

TEST(SmtpScripted, LargeTextGoesOutWholeACommandSentMeanwhileFollowsItAndACloseMidReplyResets) {
    ScriptedServer Srv;
    TSMTPx Smtp;
    Smtp.Address = "127.0.0.1";
    Smtp.Port = Srv.Port();
    Smtp.Domain = "client.test";
    Smtp.MyAddress = "me@example.test";
    std::vector<std::string> Errors;
    int Disconnects = 0;
    Smtp.OnSMTPError = [&](TSMTPState, const std::string& R) { Errors.push_back(R); };
    Smtp.OnDisconnect = [&](QObject*, TCustomWinSocket*) { ++Disconnects; };
    // A text of several pieces on the wire, with lines to dot-stuff.
    std::string Text = "To: a@example.test\r\nSubject: big\r\n\r\n";
    for (int i = 0; i < 400000; ++i) Text += (i % 7 == 0 ? ".line " : "line ") + std::to_string(i) + "\r\n";
    TStringList M;
    M.SetText(Text);
    TSMTPMessage Expected;
    ASSERT_TRUE(PrepareSMTPMessage(M, Smtp.MyAddress, Expected));
    ASSERT_GT(Expected.Text.size(), 4000000u);
    ASSERT_TRUE(Smtp.SendMessage(M) && Srv.WaitPeer());
    Srv.Send("220-mx.example.test\r\n22");  // a greeting of two lines in two pieces
    Srv.Send("0 ready\r\n");
    for (const char* Command : {"HELO client.test\r\n", "MAIL FROM:<me@example.test>\r\n",
                                "RCPT TO:<a@example.test>\r\n", "DATA\r\n"}) {
        ASSERT_TRUE(Srv.WaitGot(Command));
        if (std::string(Command) != "DATA\r\n") Srv.Send("250 ok\r\n");
    }
    const size_t Start = Srv.Got.size();
    Srv.Send("354 go ahead\r\n");
    // The server refuses before the text has ended; the reset sent at once
    // goes after the whole text.
    ASSERT_TRUE(Srv.WaitGot("Subject: big"));
    Srv.Send("554 too big\r\n");
    ASSERT_TRUE(Wait([&] { return !Errors.empty(); }));
    Smtp.Reset();
    ASSERT_TRUE(Srv.WaitGot("RSET\r\n", 10000));
    EXPECT_TRUE(Srv.Got.substr(Start) == Expected.Text + "RSET\r\n");
    // A close inside a multi-line reply leaves nothing of it behind.
    Srv.Send("250-multi line that never ends\r\n250-still going\r\n");
    Wait([] { return false; }, 100);
    Srv.Hangup();
    ASSERT_TRUE(Wait([&] { return Disconnects == 1; }));
    EXPECT_EQ(Smtp.State, smtpNone);
    EXPECT_TRUE(Smtp.ReceiveBuffer().empty());
    EXPECT_EQ(Errors.size(), 1u);
}
