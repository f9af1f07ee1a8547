// TPOPx and TSMTPx: the POP3 and SMTP client components on a client socket.
#include "MailNews.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

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

void TPOPx::Connect() {
    if (State != popNone) return;
    TlsMode = Security;
    Open();
}

void TPOPx::SetSecurity(const TConnectionSecurity& S) {
    if (S.Port > 0) Port = S.Port;
    Security = S.Mode;
    PeerVerifyName = S.PeerName;
    TrustedFingerprints = S.TrustedFingerprints;
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

void TSMTPx::TransportSend(const std::string& Text) { Socket()->SendText(Text); }

void TSMTPx::TransportClose() { Close(); }

void TSMTPx::TransportOpen() {
    TlsMode = Security;
    Open();
}

void TSMTPx::SetSecurity(const TConnectionSecurity& S) {
    if (S.Port > 0) Port = S.Port;
    Security = S.Mode;
    PeerVerifyName = S.PeerName;
    TrustedFingerprints = S.TrustedFingerprints;
}

void TSMTPx::TransportStartTls() { StartTls(); }

bool TSMTPx::TransportEncrypted() const { return Encrypted(); }

void TSMTPx::TlsEstablished() { TlsStarted(); }

void TSMTPx::Disconnected() {
    ResetState();
    ClearBuffer();
}

bool TSMTPx::ReplyPending() const { return State != smtpReady; }
