// TClientSocket, the event-driven TCP client socket over QTcpSocket, with its connection object and WinSock error numbers.
#pragma once

#include <QAbstractSocket>
#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Security.h"
#include "SysUtils.h"

class QSslError;
class QSslSocket;
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
    // Bytes handed to SendText that the system has not taken yet (with
    // TLS: those not yet encrypted and the encrypted ones not yet sent).
    qint64 PendingSend() const;
    // The socket of the current connection (a QSslSocket when TLS was asked
    // for); a new one may be made by the next Open.
    QTcpSocket* Handle() const;

private:
    TClientSocket* FOwner;
};

class TClientWinSocket : public TCustomWinSocket {
public:
    using TCustomWinSocket::TCustomWinSocket;
};

using TSocketNotifyEvent = std::function<void(QObject* Sender, TCustomWinSocket* Socket)>;
using TSocketErrorEvent =
    std::function<void(QObject* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode)>;
using TSocketTextEvent =
    std::function<void(QObject* Sender, TCustomWinSocket* Socket, const std::string& Text)>;
// Asked when a server's certificate fails its check; true trusts it.
using TCertificateQuestionEvent = std::function<bool(const TCertificateProblem& Problem)>;

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

    // TLS (1.2 or newer), for the next Open. TSecurity::Tls: the connection
    // is encrypted from the first byte, and OnConnect fires once the
    // handshake is done. TSecurity::StartTls: it starts plain and StartTls
    // upgrades it. The server's certificate is checked against the system's
    // authorities (and ExtraCaCertificates) and must name PeerVerifyName
    // (Host, or Address, when empty), whatever address the socket connects
    // to. A certificate whose check fails goes on when its SHA-256 is among
    // TrustedFingerprints, or when OnCertificateQuestion says yes (it is
    // then added to them); otherwise the connection ends.
    TSecurity TlsMode = TSecurity::None;
    std::string PeerVerifyName;
    std::vector<std::string> TrustedFingerprints;
    TCertificateQuestionEvent OnCertificateQuestion;
    // A TLS handshake failed or a certificate was not trusted: Text says so
    // in Japanese (Shift_JIS). The connection is closed after the handler
    // (OnDisconnect when it had been connected). Without a handler the
    // failure goes to OnError as 10053.
    TSocketTextEvent OnTlsError;
    // Authorities trusted besides the system's (tests add their own).
    static QList<QSslCertificate> ExtraCaCertificates;

    // Lets go of everything the user of the component bound to its events,
    // for a component that outlives its user: nothing is reported any more,
    // errors raise nothing and certificate questions are answered no.
    virtual void DropHandlers();

    // Starts TLS on the connected plain connection (STLS, STARTTLS);
    // TlsEstablished runs when the handshake is done.
    void StartTls();
    // The connection is encrypted now.
    bool Encrypted() const;

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
    // Runs when the handshake that StartTls began is done.
    virtual void TlsEstablished() {}
    // Runs whenever bytes given to SendText have gone on towards the server
    // (with TLS: when encrypted bytes have been sent), whatever socket object
    // the connection has; PendingSend tells how many still wait.
    virtual void SendProgress() {}
    // Restarts the reply time-out (called on sends).
    void RestartReplyTimer();
    // OnError, then ESocketError when the handler left the code non-zero.
    void SocketError(TErrorEvent Kind, int Code);

private:
    friend class TCustomWinSocket;
    // Makes the socket for the next connection: a QSslSocket when TLS is
    // wanted, otherwise the plain QTcpSocket as always.
    void MakeSocket(bool Ssl);
    void ConfigureTls();
    std::string PeerName() const;
    void HandleEncrypted();
    void HandleSslErrors(const QList<QSslError>& Errors);
    void TlsFailed(const std::string& Text);
    void Connected();
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
    QSslSocket* FSsl = nullptr;         // FTcp, when it is a QSslSocket
    bool FCertRefused = false;          // a certificate of this connection was not trusted
    TSecurity FMode = TSecurity::None;  // TlsMode as the connection was opened
    QTimer FReplyTimer;
    bool FActive = false;
    bool FClosing = false;
    bool FOpen = false;    // between Open and the end of the connection
    int FNotifyDepth = 0;  // > 0 inside a notification from the event loop
    bool FInRead = false;
    TClientType FClientType = ctNonBlocking;
};
