// Tests of TClientSocket on loopback: event order, sends, close during a lookup, error numbers.
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
