// TSendFlow: the send page's work without widgets: the send checks, building the message, the SMTP dialogue and its texts.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Accounts.h"
#include "Flow.h"
#include "MailEngine.h"
#include "SendDraft.h"
#include "SysUtils.h"

class TSMTPx;

// What the send flow reports to its window (see Flow.h for the shared ones).
struct TSendEvents : TFlowEvents {
    // The send page's status bar (SMTPStatus); an empty text clears it.
    std::function<void(const std::string& Text)> OnStatus;
    // Enable (true) or disable (false) the send button, the clear button, the
    // attachment add and remove buttons and the body.
    std::function<void(bool Enabled)> OnSendControls;
    // The flow changed a field of the page: the subject (an empty one is sent
    // as one space) and the body (the signature appended; lines joined by
    // CR LF).
    std::function<void(const std::string& Subject)> OnSubjectChanged;
    std::function<void(const std::string& Body)> OnBodyChanged;
};

// Whether a file on the send list can be attached.
enum class TAttachState {
    Missing,     // nothing at that path: left out without a word
    Readable,    // a regular file that opens for reading
    Unreadable,  // there, but no permission, a folder, a device, or a name
                 // that the program's text cannot hold
};
TAttachState AttachmentState(const std::string& Path);

// The Message-ID of a message built at local time T: "<" T "." H "@" Server
// ">", T written "yyyymmddhhnnss.zz" (milliseconds with at least two digits),
// H the first two bytes of the MD5 digest of UserName (of "Velnaro" when it
// is empty) as four lower-case hexadecimal digits.
std::string MakeMessageID(TDateTime T, const std::string& UserName, const std::string& SmtpServer);

class TSendFlow : public QObject {
    Q_OBJECT
public:
    // Tag is the window's number: the client is called "Smtp" + Tag.
    explicit TSendFlow(int Tag = 0, QObject* Parent = nullptr);
    // The window's number changed (a patrol window gets it after it is
    // made); a client made from now on carries it.
    void SetTag(int Tag) { FTag = Tag; }
    // Waits for a composition under way; the client goes without reporting.
    ~TSendFlow() override;

    TSendEvents Events;
    TReachCheckFactory MakeReachCheck = ChekPingFactory();
    // The local time a Message-ID is made from.
    std::function<TDateTime()> Clock = [] { return Now(); };
    // The SMTP port when not 0; otherwise the account's (25 unless set).
    int Port = 0;

    // The send button: checks the fields, runs the reachability check on the
    // SMTP server, creates the client when there is none, and starts
    // BuildAndSend. The account's SMTP port, security and sign-in apply; a
    // certificate that fails its check is put to OnTrustCertificate. The message is composed on a worker thread (the hourglass
    // shows and the send controls are off meanwhile); the SMTP dialogue then
    // goes on through the client's events.
    void SendBtnClick(const TAccountRecord& Account, const TSendDraft& Draft);

    // The clear button: every field of the page emptied, the reply fields too.
    static void ClearBtnClick(TSendDraft& Draft) { Draft = TSendDraft(); }

    // The forced disconnect's SMTP side: when the client is connected, the
    // next disconnection is reported as forced and the client is aborted.
    // True when it aborted a connection.
    bool ForceDisconnect();
    // Set by ForceDisconnect; the next disconnection reports
    // "SMTPサーバから強制切断しました" and clears it.
    bool ForcedDisconnect = false;

    // The client, while it exists (from the first send until a refusal by the
    // server releases it).
    TSMTPx* Smtp() const;
    // A message is being composed.
    bool Composing() const { return static_cast<bool>(FJob); }

private:
    struct TClientState;
    struct TComposeJob;
    using TLife = TFlowLife;

    void BuildAndSend(const std::string& Address);
    void ComposeDone();
    void Finish();  // hourglass off, send controls on
    void StopForFile(const std::string& Path);
    void CreateClient();
    void ReleaseClient();

    // The client's events; State is the per-client state bound with them.
    void SMTPConnecting();
    void SMTPConnect();
    void SMTPSendComp(TSMTPx& Client, TClientState& State);
    void SMTPSMTPError(TSMTPx& Client, TClientState& State, TSMTPState Step, const std::string& RespStr);
    void SMTPError(TSMTPx& Client, TClientState& State, int& ErrorCode);
    void SMTPTlsError(TSMTPx& Client, TClientState& State, const std::string& Text);
    bool SMTPTrust(const TCertificateProblem& Problem);
    void SMTPDisconnect(TClientState& State);

    void Status(const std::string& Text) { Fire(Events.OnStatus, Text); }
    void SendControls(bool Enabled) { Fire(Events.OnSendControls, Enabled); }
    void Box(TBoxIcon Icon, const std::string& Text) { Fire(Events.OnMessageBox, Icon, Text); }

    int FTag;
    std::unique_ptr<TSMTPx> FSmtp;
    std::shared_ptr<TClientState> FState;
    std::vector<std::unique_ptr<TSMTPx>> FReleased;  // deleted from the event loop
    TAccountRecord FAccount;                         // of the send under way
    TSendDraft FDraft;
    std::unique_ptr<TComposeJob> FJob;
    std::thread FWorker;
    std::shared_ptr<TLife> FLife;
    bool FBusy = false;  // from the send button to the hand-over to the client
};

// The flow's own texts (Shift_JIS).
// A file on the send list that is there but cannot be read: names the file.
std::string UnreadableAttachmentText(const std::string& Path);
