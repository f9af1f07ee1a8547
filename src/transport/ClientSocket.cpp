// TClientSocket, the event-driven TCP client socket over QTcpSocket, with its connection object and WinSock error numbers.
#include "ClientSocket.h"

#include <netdb.h>

#include <QCryptographicHash>
#include <QHostAddress>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>
#include <algorithm>
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

bool IsTlsError(QAbstractSocket::SocketError Error) {
    return Error == QAbstractSocket::SslHandshakeFailedError || Error == QAbstractSocket::SslInternalError ||
           Error == QAbstractSocket::SslInvalidUserDataError;
}

TCertificateIssue IssueOf(QSslError::SslError E) {
    switch (E) {
        case QSslError::CertificateExpired:
        case QSslError::CertificateNotYetValid: return TCertificateIssue::Expired;
        case QSslError::HostNameMismatch: return TCertificateIssue::NameMismatch;
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain: return TCertificateIssue::SelfSigned;
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate: return TCertificateIssue::UnknownIssuer;
        default: return TCertificateIssue::Other;
    }
}

}  // namespace

QList<QSslCertificate> TClientSocket::ExtraCaCertificates;

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

TCustomWinSocket::TCustomWinSocket(TClientSocket* Owner) : FOwner(Owner) {}

TCustomWinSocket::~TCustomWinSocket() = default;

QTcpSocket* TCustomWinSocket::Handle() const { return FOwner->FTcp; }

int TCustomWinSocket::SendText(const std::string& S) {
    if (!Connected()) return 0;
    if (S.empty()) return 0;
    QTcpSocket* const FSocket = Handle();
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
    QTcpSocket* const FSocket = Handle();
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
    const qint64 N = Handle()->bytesAvailable();
    return N > INT32_MAX ? INT32_MAX : static_cast<int>(N);
}

bool TCustomWinSocket::Connected() const { return Handle()->state() == QAbstractSocket::ConnectedState; }

std::string TCustomWinSocket::RemoteAddress() const {
    return Handle()->peerAddress().toString().toStdString();
}

int TCustomWinSocket::RemotePort() const { return Handle()->peerPort(); }

qint64 TCustomWinSocket::PendingSend() const {
    // A TLS socket holds what it has not encrypted yet, and the encrypted
    // bytes wait in the connection beneath it.
    const QSslSocket* const Ssl = FOwner->FSsl;
    if (Ssl && Ssl->mode() != QSslSocket::UnencryptedMode)
        return Ssl->bytesToWrite() + Ssl->encryptedBytesToWrite();
    return Handle()->bytesToWrite();
}

// ---------------------------------------------------------------- client socket

TClientSocket::TClientSocket(QObject* Owner) : QObject(Owner) {
    MakeSocket(false);
    FSocket = std::make_unique<TClientWinSocket>(this);
    FReplyTimer.setSingleShot(true);
    connect(&FReplyTimer, &QTimer::timeout, this, &TClientSocket::HandleReplyTimeout);
}

void TClientSocket::MakeSocket(bool Ssl) {
    if (FTcp && (FSsl != nullptr) == Ssl) return;
    if (FTcp) {
        // Open may run inside a notification of the old socket: it goes later.
        QObject::disconnect(FTcp, nullptr, this, nullptr);
        FTcp->abort();
        FTcp->deleteLater();
    }
    if (Ssl) {
        FSsl = new QSslSocket(this);
        FTcp = FSsl;
        connect(FSsl, &QSslSocket::encrypted, this, &TClientSocket::HandleEncrypted);
        connect(FSsl, &QSslSocket::sslErrors, this, &TClientSocket::HandleSslErrors);
        // Its bytesWritten tells of bytes encrypted, not of bytes sent: the
        // progress of the connection itself comes as encryptedBytesWritten.
        connect(FSsl, &QSslSocket::encryptedBytesWritten, this, &TClientSocket::HandleBytesWritten);
    } else {
        FSsl = nullptr;
        FTcp = new QTcpSocket(this);
    }
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

void TClientSocket::DropHandlers() {
    OnLookup = nullptr;
    OnConnecting = nullptr;
    OnConnect = nullptr;
    OnDisconnect = nullptr;
    OnWrite = nullptr;
    OnError = [](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) { Code = 0; };
    OnCertificateQuestion = nullptr;
    OnTlsError = [](QObject*, TCustomWinSocket*, const std::string&) {};
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

    MakeSocket(TlsMode != TSecurity::None);
    FMode = TlsMode;
    FCertRefused = false;
    FOpen = true;
    FActive = false;
    Fire(OnLookup);
    if (!FOpen) return;  // closed by the handler
    RestartReplyTimer();
    const quint16 P = static_cast<quint16>(PortNo);
    const bool TlsNow = FMode == TSecurity::Tls;
    if (TlsNow) ConfigureTls();
    if (!Host.empty()) {
        if (TlsNow)
            FSsl->connectToHostEncrypted(QString::fromLatin1(Host.c_str()), P,
                                         QString::fromStdString(PeerName()));
        else
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
    if (TlsNow)
        FSsl->connectToHostEncrypted(Addr.toString(), P, QString::fromStdString(PeerName()));
    else
        FTcp->connectToHost(Addr, P);
}

std::string TClientSocket::PeerName() const {
    if (!PeerVerifyName.empty()) return PeerVerifyName;
    return Host.empty() ? Address : Host;
}

void TClientSocket::ConfigureTls() {
    QSslConfiguration C = QSslConfiguration::defaultConfiguration();
    C.setProtocol(QSsl::TlsV1_2OrLater);
    C.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // Naming authorities switches off Qt's loading of the system's own on
    // demand, so they are named too.
    if (!ExtraCaCertificates.isEmpty())
        C.setCaCertificates(QSslConfiguration::systemCaCertificates() + ExtraCaCertificates);
    FSsl->setSslConfiguration(C);
    FSsl->setPeerVerifyName(QString::fromStdString(PeerName()));
}

bool TClientSocket::Encrypted() const { return FSsl && FSsl->isEncrypted(); }

void TClientSocket::StartTls() {
    if (!FSsl || !FActive || FSsl->mode() != QSslSocket::UnencryptedMode) {
        TlsFailed(SJ("この接続では TLS を開始できません。"));
        return;
    }
    ConfigureTls();
    FSsl->startClientEncryption();
}

void TClientSocket::HandleEncrypted() {
    if (FClosing || !FOpen) return;
    if (!FActive) {
        Connected();  // TLS from the first byte: the connection is usable now
        return;
    }
    NotifyScope Scope(FNotifyDepth);
    RestartReplyTimer();
    TlsEstablished();
}

void TClientSocket::HandleSslErrors(const QList<QSslError>& Errors) {
    if (FClosing || !FOpen || !FSsl) return;
    const QSslCertificate Cert = FSsl->peerCertificate();
    if (Cert.isNull()) {
        FCertRefused = true;
        return;
    }
    TCertificateProblem P;
    P.PeerName = PeerName();
    P.Fingerprint = Cert.digest(QCryptographicHash::Sha256).toHex().toUpper().toStdString();
    for (const QSslError& E : Errors) {
        const TCertificateIssue I = IssueOf(E.error());
        if (std::find(P.Issues.begin(), P.Issues.end(), I) == P.Issues.end()) P.Issues.push_back(I);
    }
    bool Trusted = std::find(TrustedFingerprints.begin(), TrustedFingerprints.end(), P.Fingerprint) !=
                   TrustedFingerprints.end();
    if (!Trusted && OnCertificateQuestion) {
        // The question may process events (a message box); the handshake
        // waits for the answer, however long the user takes.
        NotifyScope Scope(FNotifyDepth);
        const QPointer<QSslSocket> Socket(FSsl);
        TCertificateQuestionEvent Handler = OnCertificateQuestion;
        FReplyTimer.stop();
        Trusted = Handler(P);
        if (!Socket || Socket != FSsl || FClosing || !FOpen) return;
        RestartReplyTimer();
        if (Trusted) TrustedFingerprints.push_back(P.Fingerprint);
    }
    if (Trusted)
        FSsl->ignoreSslErrors(Errors);
    else
        FCertRefused = true;
}

void TClientSocket::TlsFailed(const std::string& Text) {
    NotifyScope Scope(FNotifyDepth);
    FReplyTimer.stop();
    const bool WasActive = FActive;
    if (OnTlsError) {
        TSocketTextEvent Handler = OnTlsError;
        Handler(this, FSocket.get(), Text);
    } else {
        SocketError(WasActive ? eeReceive : eeConnect, WSAECONNABORTED);
    }
    if (!FOpen || FClosing) return;
    if (!FActive) {
        // The connection never became usable: there is nothing to report closed.
        FOpen = false;
        FTcp->abort();
        return;
    }
    FClosing = true;
    Fire(OnDisconnect);
    FTcp->abort();
    FinishClose();
    FClosing = false;
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
    // With TLS from the first byte the connection is usable once encrypted.
    if (FSsl && FMode == TSecurity::Tls) return;
    Connected();
}

void TClientSocket::Connected() {
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
    NotifyScope Scope(FNotifyDepth);
    SendProgress();
    if (FClosing || !FActive || FSocket->PendingSend() > 0) return;
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
    if (FSsl && IsTlsError(Error)) {
        if (FCertRefused)
            TlsFailed(SJ("サーバの証明書を信頼しなかったため、接続を中止しました。"));
        else
            TlsFailed(
                SJ("TLS で接続できませんでした。サーバがこのポートで TLS 1.2 以上を使えるか確かめてください。（") +
                Utf8ToCp932(FTcp->errorString().toStdString()) + SJ("）"));
        return;
    }
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
