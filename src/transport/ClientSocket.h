// TClientSocket, the event-driven TCP client socket over QTcpSocket, with its connection object and WinSock error numbers.
#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "SysUtils.h"

class QTcpSocket;

// Raised for socket set-up errors and for error notifications whose handler
// left ErrorCode non-zero.
class ESocketError : public Exception {
public:
    using Exception::Exception;
};

enum TClientType { ctNonBlocking, ctBlocking };
enum TErrorEvent { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };

// WinSock error numbers the socket reports.
enum : int {
    WSAEACCES = 10013,
    WSAEADDRINUSE = 10048,
    WSAEADDRNOTAVAIL = 10049,
    WSAENETDOWN = 10050,
    WSAENETUNREACH = 10051,
    WSAECONNABORTED = 10053,
    WSAECONNRESET = 10054,
    WSAENOBUFS = 10055,
    WSAETIMEDOUT = 10060,
    WSAECONNREFUSED = 10061,
    WSAEHOSTUNREACH = 10065,
    WSATYPE_NOT_FOUND = 10109,
    WSAHOST_NOT_FOUND = 11001,
    WSANO_DATA = 11004,
};

// The WinSock number for a Qt socket error (Detail is the socket's error text,
// which tells the network errors apart); 0 for a close by the peer.
int WinSockErrorCode(QAbstractSocket::SocketError Error, const QString& Detail = QString());
// The WinSock number for a system errno value.
int WinSockErrorFromErrno(int Errno);

class TClientSocket;

// The connection object handed to every event as Socket.
class TCustomWinSocket {
public:
    explicit TCustomWinSocket(TClientSocket* Owner);
    virtual ~TCustomWinSocket();
    TCustomWinSocket(const TCustomWinSocket&) = delete;
    TCustomWinSocket& operator=(const TCustomWinSocket&) = delete;

    // Queues all bytes of S for sending, in order; returns the count taken
    // (all of S), or 0 when not connected.
    int SendText(const std::string& S);
    // All bytes that have arrived and not yet been read.
    std::string ReceiveText();
    // Appends the arrived bytes to Buffer.
    void ReceiveTextInto(std::string& Buffer);
    int ReceiveLength() const;
    bool Connected() const;
    std::string RemoteAddress() const;
    int RemotePort() const;
    // Bytes handed to SendText that the system has not taken yet.
    qint64 PendingSend() const;
    QTcpSocket* Handle() const { return FSocket; }

private:
    TClientSocket* FOwner;
    QTcpSocket* FSocket;
};

class TClientWinSocket : public TCustomWinSocket {
public:
    using TCustomWinSocket::TCustomWinSocket;
};

using TSocketNotifyEvent = std::function<void(QObject* Sender, TCustomWinSocket* Socket)>;
using TSocketErrorEvent =
    std::function<void(QObject* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode)>;

// A non-blocking TCP client. Open resolves Host (or takes Address), connects to
// Port (or Service) and reports each step through the events, always on the
// thread that runs the Qt event loop:
//   OnLookup (the socket exists), OnConnecting (just before the connect),
//   OnConnect (connected: Active is true), then OnWrite, OnRead per arrival,
//   OnDisconnect (Close or a close by the peer), OnError for failures.
// An error whose OnError handler leaves ErrorCode non-zero raises ESocketError;
// when that happens inside a notification from the event loop, the exception
// goes to UnhandledException instead (exceptions must not cross Qt's loop).
class TClientSocket : public QObject {
    Q_OBJECT
public:
    explicit TClientSocket(QObject* Owner = nullptr);
    ~TClientSocket() override;

    std::string Address;  // dotted address, used when Host is empty
    std::string Host;     // name resolved before connecting, when not empty
    int Port = 0;         // used when Service is empty
    std::string Service;  // service name, looked up for "tcp"

    TSocketNotifyEvent OnLookup;
    TSocketNotifyEvent OnConnecting;
    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;
    TSocketNotifyEvent OnRead;
    TSocketNotifyEvent OnWrite;
    TSocketErrorEvent OnError;

    void Open();
    void Close();
    bool Active() const { return FActive; }
    void SetActive(bool Value);
    TClientType ClientType() const { return FClientType; }
    void SetClientType(TClientType Value);
    TClientWinSocket* Socket() const { return FSocket.get(); }
    // True from Open until the connection is closed (looking up, connecting or connected).
    bool Opening() const;

    // Milliseconds without a byte from the server after which a pending reply
    // is given up: OnError with 10060, then the connection is closed. Counts
    // from Open, from every send, from every arrival and from every part of a
    // long send taken by the system; 0 = never.
    int ReplyTimeout = 60000;

    // Receives the exceptions raised inside event-loop notifications. By
    // default the message is written to standard error.
    static std::function<void(const Exception&)> UnhandledException;

protected:
    // Runs after OnDisconnect whenever the connection ends.
    virtual void Disconnected() {}
    // True while the protocol waits for the server; the reply time-out only
    // applies then. The base socket waits for nothing.
    virtual bool ReplyPending() const { return false; }
    // Restarts the reply time-out (called on sends).
    void RestartReplyTimer();
    // OnError, then ESocketError when the handler left the code non-zero.
    void SocketError(TErrorEvent Kind, int Code);

private:
    friend class TCustomWinSocket;
    void HandleConnected();
    void HandleDisconnected();
    void HandleReadyRead();
    void HandleBytesWritten();
    void HandleError(QAbstractSocket::SocketError Error);
    void HandleStateChanged(QAbstractSocket::SocketState State);
    void HandleReplyTimeout();
    void Fire(const TSocketNotifyEvent& Event);
    void Raise(const ESocketError& E);
    void FinishClose();

    std::unique_ptr<TClientWinSocket> FSocket;
    QTcpSocket* FTcp = nullptr;
    QTimer FReplyTimer;
    bool FActive = false;
    bool FClosing = false;
    bool FOpen = false;    // between Open and the end of the connection
    int FNotifyDepth = 0;  // > 0 inside a notification from the event loop
    bool FInRead = false;
    TClientType FClientType = ctNonBlocking;
};
