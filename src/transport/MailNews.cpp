// TPOPx and TSMTPx: the POP3 and SMTP client components on a client socket.
#include "MailNews.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

bool ProcessEventsUntil(const std::function<bool()>& Done, int Milliseconds) {
    if (Done()) return true;
    QElapsedTimer Clock;
    Clock.start();
    // Sleep until something happens instead of spinning; the tick bounds each
    // sleep so that the time limit is kept.
    QTimer Tick;
    Tick.start(20);
    while (!Done() && Clock.elapsed() < Milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return Done();
}

// ---------------------------------------------------------------- POP3

TPOPx::TPOPx(QObject* Owner) : TClientSocket(Owner) {
    Port = 110;
    State = popNone;
    OnRead = [this](QObject*, TCustomWinSocket* S) {
        DataArrivedInto([S](std::string& Buffer) { S->ReceiveTextInto(Buffer); });
    };
    OnDisconnect = [this](QObject*, TCustomWinSocket*) { State = popNone; };
}

TPOPx::~TPOPx() {
    if (State != popNone && State != popQuit && Active()) Quit();
    ProcessEventsUntil([this] { return State == popNone || !Opening(); }, WaitLimit);
    if (Opening()) Close();
}

namespace {
// The port (when given), the engine's protection and the certificate rules of
// a client's next connection.
template <class TClient>
void ApplySecurity(TClient& C, const TConnectionSecurity& S) {
    if (S.Port > 0) C.Port = S.Port;
    C.Security = S.Mode;
    C.PeerVerifyName = S.PeerName;
    C.TrustedFingerprints = S.TrustedFingerprints;
}
}  // namespace

void TPOPx::Connect() {
    if (State != popNone) return;
    TlsMode = Security;
    Open();
}

void TPOPx::SetSecurity(const TConnectionSecurity& S) { ApplySecurity(*this, S); }

void TPOPx::DropHandlers() {
    TClientSocket::DropHandlers();
    OnRecvComp = nullptr;
    OnHeaderRecv = nullptr;
    OnDeleted = nullptr;
    OnGetError = nullptr;
    OnReceiving = nullptr;
    OnLineTooLong = nullptr;
}

void TPOPx::TransportSend(const std::string& Text) { Socket()->SendText(Text); }

void TPOPx::TransportClose() { Close(); }

void TPOPx::TransportStartTls() { StartTls(); }

void TPOPx::TlsEstablished() { TlsStarted(); }

bool TPOPx::WaitUntil(const std::function<bool()>& Done) { return ProcessEventsUntil(Done, WaitLimit); }

void TPOPx::Disconnected() {
    // Whatever handler replaced OnDisconnect, a closed connection is popNone
    // and a half-received reply is dropped.
    ResetState();
    ClearBuffer();
}

bool TPOPx::ReplyPending() const { return State != popReady; }

// ---------------------------------------------------------------- SMTP

TSMTPx::TSMTPx(QObject* Owner) : TClientSocket(Owner) {
    Port = 25;
    State = smtpNone;
    ReplyCode = 0;
    OnRead = [this](QObject*, TCustomWinSocket* S) { DataArrived(S->ReceiveText()); };
}

TSMTPx::~TSMTPx() {
    if (State != smtpNone && State != smtpQuit && Active()) Quit();
    ProcessEventsUntil([this] { return State == smtpNone || !Opening(); }, WaitLimit);
    if (Opening()) Close();
}

void TSMTPx::TransportSend(const std::string& Text) {
    if (FFeeding)
        FAfter += Text;
    else
        Socket()->SendText(Text);
}

namespace {
// Bytes handed to the socket at a time, and how few may wait in it before
// the next piece follows.
constexpr size_t TextPiece = 256 * 1024;
constexpr qint64 TextLowWater = 512 * 1024;
}  // namespace

void TSMTPx::TransportSendText(std::string&& Text) {
    if (FFeeding || Text.size() <= TextPiece) {
        TransportSend(Text);
        return;
    }
    FText = std::move(Text);
    FTextSent = 0;
    FFeeding = true;
    FeedText();  // the rest follows on SendProgress
}

void TSMTPx::SendProgress() { FeedText(); }

void TSMTPx::FeedText() {
    // Writing may emit bytesWritten at once, which runs this again inside
    // the loop; each turn takes its piece before it writes.
    while (FFeeding && Socket()->Connected() && Socket()->PendingSend() < TextLowWater) {
        const size_t From = FTextSent;
        const size_t N = std::min(TextPiece, FText.size() - From);
        FTextSent += N;
        const bool Last = FTextSent >= FText.size();
        std::string Piece = FText.substr(From, N);
        std::string After;
        if (Last) {
            FFeeding = false;
            After.swap(FAfter);
            std::string().swap(FText);
        }
        // A failed write reports the error and closes the connection, which
        // stops the text.
        if (Socket()->SendText(Piece) == 0) return;
        if (!After.empty()) Socket()->SendText(After);
    }
}

void TSMTPx::StopText() {
    FFeeding = false;
    std::string().swap(FText);
    FTextSent = 0;
    FAfter.clear();
}

void TSMTPx::TransportClose() { Close(); }

void TSMTPx::TransportOpen() {
    TlsMode = Security;
    StopText();
    Open();
}

void TSMTPx::SetSecurity(const TConnectionSecurity& S) { ApplySecurity(*this, S); }

void TSMTPx::DropHandlers() {
    TClientSocket::DropHandlers();
    OnSendComp = nullptr;
    OnSMTPError = nullptr;
}

void TSMTPx::TransportStartTls() { StartTls(); }

bool TSMTPx::TransportEncrypted() const { return Encrypted(); }

void TSMTPx::TlsEstablished() { TlsStarted(); }

void TSMTPx::Disconnected() {
    ResetState();
    StopText();
    ClearBuffer();
}

bool TSMTPx::ReplyPending() const { return State != smtpReady; }
