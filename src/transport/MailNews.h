// TPOPx and TSMTPx: the POP3 and SMTP client components on a client socket.
#pragma once

#include "ClientSocket.h"
#include "MailEngine.h"

// A POP3 client. Set Address (or Host), User, Password and APop, call Connect:
// the component logs in by itself and sends LIST; OnRecvComp(true, popList)
// then reports the listing. Every further command is answered through
// OnRecvComp, OnHeaderRecv, OnDeleted or OnGetError.
//
// Quit and destruction wait for a pending reply by processing events, at most
// WaitLimit milliseconds; after that the connection is simply closed. The
// destructor may still call the event handlers (OnDisconnect among them):
// delete the component while the objects its handlers use still exist.
class TPOPx : public TClientSocket, public TPopEngine {
    Q_OBJECT
public:
    explicit TPOPx(QObject* Owner = nullptr);
    ~TPOPx() override;

    // Opens the connection when State is popNone; does nothing otherwise.
    void Connect();
    // The port (when given), the protection and the certificate rules of
    // the next Connect (see TPopEngine::Security and TClientSocket's TLS).
    void SetSecurity(const TConnectionSecurity& S);
    // Also the POP3 events.
    void DropHandlers() override;

    int WaitLimit = 5000;

protected:
    void TransportSend(const std::string& Text) override;
    void TransportClose() override;
    void TransportStartTls() override;
    void TlsEstablished() override;
    bool WaitUntil(const std::function<bool()>& Done) override;
    void Disconnected() override;
    bool ReplyPending() const override;
};

// An SMTP client. Set Address (or Host), MyAddress and Domain, then call
// SendMessage with the message lines: the component connects when needed,
// names the sender and every To, Cc and Bcc recipient, sends the text and
// reports OnSendComp or OnSMTPError. The connection stays open until Quit.
class TSMTPx : public TClientSocket, public TSMTPEngine {
    Q_OBJECT
public:
    explicit TSMTPx(QObject* Owner = nullptr);
    ~TSMTPx() override;

    // The port (when given), the protection and the certificate rules of
    // the next connection (see TSMTPEngine::Security and TClientSocket's
    // TLS); the sign-in is set on the engine (SignIn, AuthUser, AuthPassword).
    void SetSecurity(const TConnectionSecurity& S);
    // Also the SMTP events.
    void DropHandlers() override;

    int WaitLimit = 5000;

protected:
    void TransportSend(const std::string& Text) override;
    void TransportSendText(std::string&& Text) override;
    void TransportClose() override;
    void TransportOpen() override;
    void TransportStartTls() override;
    bool TransportEncrypted() const override;
    void TlsEstablished() override;
    void SendProgress() override;
    void Disconnected() override;
    bool ReplyPending() const override;

private:
    // The message text goes to the socket a piece at a time as the system
    // takes the bytes, so that no single write of a large message holds the
    // event loop; commands sent meanwhile wait in FAfter and follow it.
    void FeedText();
    void StopText();
    bool FFeeding = false;
    std::string FText;
    size_t FTextSent = 0;
    std::string FAfter;
};

// Processes events until Done() holds or Milliseconds pass; returns Done().
bool ProcessEventsUntil(const std::function<bool()>& Done, int Milliseconds);
