// TClientSocket, the event-driven TCP client socket over QTcpSocket, with its connection object and WinSock error numbers.
#include "ClientSocket.h"

#include <netdb.h>

#include <QHostAddress>
#include <QTcpSocket>
#include <cerrno>
#include <cstdio>

#include "cp932.h"

namespace {

// Marks the time spent inside a notification from the event loop.
struct NotifyScope {
    explicit NotifyScope(int& Depth) : D(Depth) { ++D; }
    ~NotifyScope() { --D; }
    int& D;
};

bool AllDigits(const std::string& S) {
    if (S.empty()) return false;
    for (char C : S)
        if (C < '0' || C > '9') return false;
    return true;
}

}  // namespace

std::function<void(const Exception&)> TClientSocket::UnhandledException = [](const Exception& E) {
    std::fprintf(stderr, "velnaro: %s\n", Cp932ToUtf8(E.what()).c_str());
};

int WinSockErrorCode(QAbstractSocket::SocketError Error, const QString& Detail) {
    switch (Error) {
        case QAbstractSocket::RemoteHostClosedError: return 0;
        case QAbstractSocket::ConnectionRefusedError: return WSAECONNREFUSED;
        case QAbstractSocket::HostNotFoundError: return WSAHOST_NOT_FOUND;
        case QAbstractSocket::SocketAccessError: return WSAEACCES;
        case QAbstractSocket::SocketResourceError: return WSAENOBUFS;
        case QAbstractSocket::SocketTimeoutError: return WSAETIMEDOUT;
        case QAbstractSocket::AddressInUseError: return WSAEADDRINUSE;
        case QAbstractSocket::SocketAddressNotAvailableError: return WSAEADDRNOTAVAIL;
        case QAbstractSocket::NetworkError:
            // Qt folds several system errors into this one; its text tells them apart.
            if (Detail.contains(QLatin1String("timed out"), Qt::CaseInsensitive)) return WSAETIMEDOUT;
            if (Detail.contains(QLatin1String("Host unreachable"), Qt::CaseInsensitive))
                return WSAEHOSTUNREACH;
            if (Detail.contains(QLatin1String("Network unreachable"), Qt::CaseInsensitive))
                return WSAENETUNREACH;
            if (Detail.contains(QLatin1String("reset"), Qt::CaseInsensitive)) return WSAECONNRESET;
            return WSAENETDOWN;
        default: return WSAECONNABORTED;
    }
}

int WinSockErrorFromErrno(int Errno) {
    switch (Errno) {
        case ECONNREFUSED: return WSAECONNREFUSED;
        case ETIMEDOUT: return WSAETIMEDOUT;
        case ECONNRESET:
        case EPIPE: return WSAECONNRESET;
        case ECONNABORTED: return WSAECONNABORTED;
        case EHOSTUNREACH: return WSAEHOSTUNREACH;
        case ENETUNREACH: return WSAENETUNREACH;
        case ENETDOWN: return WSAENETDOWN;
        case EADDRINUSE: return WSAEADDRINUSE;
        case EADDRNOTAVAIL: return WSAEADDRNOTAVAIL;
        case EACCES:
        case EPERM: return WSAEACCES;
        case ENOBUFS:
        case ENOMEM: return WSAENOBUFS;
        default: return WSAECONNABORTED;
    }
}

// ---------------------------------------------------------------- connection object

TCustomWinSocket::TCustomWinSocket(TClientSocket* Owner) : FOwner(Owner), FSocket(Owner->FTcp) {}

TCustomWinSocket::~TCustomWinSocket() = default;

int TCustomWinSocket::SendText(const std::string& S) {
    if (!Connected()) return 0;
    if (S.empty()) return 0;
    // QTcpSocket keeps what the system does not take at once and sends it on
    // write readiness, so every byte goes out, in order.
    const qint64 N = FSocket->write(S.data(), static_cast<qint64>(S.size()));
    // Hand the bytes to the system now rather than on the next turn of the
    // event loop; what it does not take stays queued.
    if (N > 0) FSocket->flush();
    if (N < 0) {
        FOwner->SocketError(eeSend, WinSockErrorCode(FSocket->error(), FSocket->errorString()));
        FOwner->Close();
        return 0;
    }
    FOwner->RestartReplyTimer();
    return N > INT32_MAX ? INT32_MAX : static_cast<int>(N);
}

std::string TCustomWinSocket::ReceiveText() {
    std::string Data;
    ReceiveTextInto(Data);
    return Data;
}

void TCustomWinSocket::ReceiveTextInto(std::string& Data) {
    qint64 Avail;
    while ((Avail = FSocket->bytesAvailable()) > 0) {
        const size_t Old = Data.size();
        Data.resize(Old + static_cast<size_t>(Avail));
        const qint64 N = FSocket->read(Data.data() + Old, Avail);
        Data.resize(Old + static_cast<size_t>(N > 0 ? N : 0));
        if (N <= 0) break;
    }
}

int TCustomWinSocket::ReceiveLength() const {
    const qint64 N = FSocket->bytesAvailable();
    return N > INT32_MAX ? INT32_MAX : static_cast<int>(N);
}

bool TCustomWinSocket::Connected() const { return FSocket->state() == QAbstractSocket::ConnectedState; }

std::string TCustomWinSocket::RemoteAddress() const {
    return FSocket->peerAddress().toString().toStdString();
}

int TCustomWinSocket::RemotePort() const { return FSocket->peerPort(); }

qint64 TCustomWinSocket::PendingSend() const { return FSocket->bytesToWrite(); }

// ---------------------------------------------------------------- client socket

TClientSocket::TClientSocket(QObject* Owner) : QObject(Owner) {
    FTcp = new QTcpSocket(this);
    FSocket = std::make_unique<TClientWinSocket>(this);
    FReplyTimer.setSingleShot(true);
    connect(&FReplyTimer, &QTimer::timeout, this, &TClientSocket::HandleReplyTimeout);
    connect(FTcp, &QTcpSocket::connected, this, &TClientSocket::HandleConnected);
    connect(FTcp, &QTcpSocket::disconnected, this, &TClientSocket::HandleDisconnected);
    connect(FTcp, &QTcpSocket::readyRead, this, &TClientSocket::HandleReadyRead);
    connect(FTcp, &QTcpSocket::bytesWritten, this, &TClientSocket::HandleBytesWritten);
    connect(FTcp, &QTcpSocket::errorOccurred, this, &TClientSocket::HandleError);
    connect(FTcp, &QTcpSocket::stateChanged, this, &TClientSocket::HandleStateChanged);
}

TClientSocket::~TClientSocket() {
    FReplyTimer.stop();
    // No events from here on: the handlers' owners may be gone already.
    QObject::disconnect(FTcp, nullptr, this, nullptr);
    FTcp->abort();
    FSocket.reset();
}

bool TClientSocket::Opening() const { return FOpen; }

void TClientSocket::SetActive(bool Value) {
    if (Value)
        Open();
    else
        Close();
}

void TClientSocket::SetClientType(TClientType Value) {
    if (Value == FClientType) return;
    if (FOpen) throw ESocketError(SJ("使用中のソケットは値を変更できません"));
    FClientType = Value;
}

void TClientSocket::Fire(const TSocketNotifyEvent& Event) {
    if (!Event) return;
    TSocketNotifyEvent Handler = Event;  // the handler may replace the event
    Handler(this, FSocket.get());
}

void TClientSocket::Raise(const ESocketError& E) {
    if (FNotifyDepth > 0) {
        if (UnhandledException) UnhandledException(E);
        return;
    }
    throw E;
}

void TClientSocket::SocketError(TErrorEvent Kind, int Code) {
    int ErrorCode = Code;
    if (OnError) {
        TSocketErrorEvent Handler = OnError;
        Handler(this, FSocket.get(), Kind, ErrorCode);
    }
    if (ErrorCode != 0) Raise(ESocketError(SJ("非同期ソケットエラー ") + IntToStr(ErrorCode)));
}

void TClientSocket::RestartReplyTimer() {
    if (ReplyTimeout > 0 && FOpen)
        FReplyTimer.start(ReplyTimeout);
    else
        FReplyTimer.stop();
}

void TClientSocket::Open() {
    if (FOpen || FTcp->state() != QAbstractSocket::UnconnectedState)
        throw ESocketError(SJ("ソケットは既に開かれています"));
    if (Host.empty() && Address.empty()) throw ESocketError(SJ("アドレスが指定されていません"));

    int PortNo = Port;
    if (!Service.empty()) {
        if (AllDigits(Service)) {
            PortNo = std::atoi(Service.c_str());
        } else {
            const servent* Entry = getservbyname(Service.c_str(), "tcp");
            if (!Entry)
                throw ESocketError("'getservbyname' API " + SJ("でWindows ソケットエラー: ") +
                                   "Service not found (" + IntToStr(WSATYPE_NOT_FOUND) + ")");
            PortNo = ntohs(static_cast<uint16_t>(Entry->s_port));
        }
    }

    FOpen = true;
    FActive = false;
    Fire(OnLookup);
    if (!FOpen) return;  // closed by the handler
    RestartReplyTimer();
    const quint16 P = static_cast<quint16>(PortNo);
    if (!Host.empty()) {
        FTcp->connectToHost(QString::fromLatin1(Host.c_str()), P);
        return;
    }
    QHostAddress Addr;
    if (!Addr.setAddress(QString::fromLatin1(Address.c_str()))) {
        FOpen = false;
        FReplyTimer.stop();
        SocketError(eeConnect, WSAEADDRNOTAVAIL);
        return;
    }
    FTcp->connectToHost(Addr, P);
}

void TClientSocket::Close() {
    if (FClosing) return;
    if (!FOpen && FTcp->state() == QAbstractSocket::UnconnectedState) return;
    FClosing = true;
    FReplyTimer.stop();
    Fire(OnDisconnect);
    if (FTcp->state() == QAbstractSocket::ConnectedState) FTcp->flush();
    FTcp->abort();  // also cancels a pending name lookup
    FinishClose();
    FClosing = false;
}

void TClientSocket::FinishClose() {
    FReplyTimer.stop();
    FActive = false;
    FOpen = false;
    Disconnected();
}

void TClientSocket::HandleStateChanged(QAbstractSocket::SocketState State) {
    if (State != QAbstractSocket::ConnectingState || FClosing || !FOpen) return;
    NotifyScope Scope(FNotifyDepth);
    Fire(OnConnecting);
}

void TClientSocket::HandleConnected() {
    if (FClosing) return;
    NotifyScope Scope(FNotifyDepth);
    FActive = true;
    RestartReplyTimer();
    Fire(OnConnect);
    if (FActive) Fire(OnWrite);
}

void TClientSocket::HandleReadyRead() {
    if (FInRead || FClosing) return;
    NotifyScope Scope(FNotifyDepth);
    FInRead = true;
    // Bytes that arrive while a handler processes events raise no second
    // notification; keep reading until nothing is left.
    qint64 Avail;
    while ((Avail = FTcp->bytesAvailable()) > 0 && OnRead) {
        RestartReplyTimer();
        Fire(OnRead);
        if (FTcp->bytesAvailable() >= Avail) break;  // the handler read nothing
    }
    FInRead = false;
}

void TClientSocket::HandleBytesWritten() {
    if (FClosing || !FActive) return;
    // While a long text is still going out, no reply can be due yet.
    RestartReplyTimer();
    if (FTcp->bytesToWrite() > 0) return;
    NotifyScope Scope(FNotifyDepth);
    Fire(OnWrite);
}

void TClientSocket::HandleDisconnected() {
    if (FClosing || !FOpen) return;
    NotifyScope Scope(FNotifyDepth);
    // The last bytes before the close still go to the reader first.
    if (FTcp->bytesAvailable() > 0 && !FInRead) HandleReadyRead();
    if (!FOpen || FClosing) return;
    FClosing = true;
    Fire(OnDisconnect);
    FinishClose();
    FClosing = false;
}

void TClientSocket::HandleError(QAbstractSocket::SocketError Error) {
    if (FClosing || !FOpen) return;
    const int Code = WinSockErrorCode(Error, FTcp->errorString());
    if (Code == 0) return;  // a close by the peer: HandleDisconnected follows
    NotifyScope Scope(FNotifyDepth);
    if (!FActive) {
        // The lookup or the connect failed: there is no connection to close.
        FOpen = false;
        FReplyTimer.stop();
        SocketError(eeConnect, Code);
        return;
    }
    const bool Sending = FTcp->bytesToWrite() > 0;
    SocketError(Sending ? eeSend : eeReceive, Code);
    if (FOpen && FTcp->state() != QAbstractSocket::ConnectedState) {
        FClosing = true;
        Fire(OnDisconnect);
        FinishClose();
        FClosing = false;
    } else if (Sending && FOpen) {
        Close();
    }
}

void TClientSocket::HandleReplyTimeout() {
    if (!FOpen || FClosing) return;
    if (FActive && !ReplyPending()) return;
    NotifyScope Scope(FNotifyDepth);
    SocketError(FActive ? eeReceive : eeConnect, WSAETIMEDOUT);
    if (FOpen) Close();
}
