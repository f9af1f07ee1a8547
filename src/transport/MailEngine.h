// The socket-free POP3 and SMTP engines: states, commands, reply assembly, dot-stuffing and completion dispatch.
// TPOPx and TSMTPx put them on a client socket; tests and fuzzers feed them bytes directly.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Classes.h"
#include "Security.h"

// ---------------------------------------------------------------- POP3

// The order is part of the interface: callers compare states as numbers.
enum TPopState {
    popNone = 0,  // not connected, or connected and waiting for the greeting
    popReady,     // logged in (or after a refused command), no command pending
    popApop,
    popUser,
    popPass,
    popList,
    popRetr,
    popTop,
    popDele,
    popQuit,
    popUidl,  // "UIDL" sent (multi-line reply)
    popCapa,  // "CAPA" sent (STLS asked for: the server must list STLS)
    popStls   // "STLS" sent; after its +OK, until the TLS handshake is done
};

// The commands the engine sends. Each puts the engine into the state of the
// same name; the verb goes on the wire as the table in MailEngine.cpp spells it.
enum class TPopCommand { Apop, User, Pass, List, Retr, Top, Dele, Quit, Uidl, Capa, Stls };

using TPopResponsEvent = std::function<void(bool ResponceOK, TPopState PopState)>;
using TPopReceivingEvent = std::function<void(int Bytes)>;

// The APOP digest for a greeting line and a password: the timestamp is the
// text from the line's first "<" through its first ">" (empty when ">" comes
// first or either is missing), digested together with the password; the
// result is 32 lower-case hexadecimal digits.
std::string ApopTimestamp(const std::string& Greeting);
std::string ApopDigest(const std::string& Greeting, const std::string& Password);

// The capability names of a CAPA listing (the lines after the status line,
// terminator removed): the first word of every line, in upper case.
std::vector<std::string> CapaNames(const TStrings& Lines);

class TPopEngine {
public:
    TPopEngine() = default;
    virtual ~TPopEngine() = default;
    TPopEngine(const TPopEngine&) = delete;
    TPopEngine& operator=(const TPopEngine&) = delete;

    std::string User;
    std::string Password;
    bool APop = false;
    // TSecurity::StartTls: after the greeting the engine sends CAPA and, when
    // the server lists STLS, STLS; once the transport reports the TLS
    // handshake done (TlsStarted) it logs in as usual. A server that does not
    // list STLS, or refuses it, is reported through OnGetError with popCapa
    // or popStls, and nothing more is sent. TSecurity::Tls is the transport's
    // business (TLS from the first byte); the dialogue is then as without TLS.
    TSecurity Security = TSecurity::None;

    TPopResponsEvent OnRecvComp;
    TPopResponsEvent OnHeaderRecv;
    TPopResponsEvent OnDeleted;
    TPopResponsEvent OnGetError;
    TPopReceivingEvent OnReceiving;
    // The server sent a line longer than MaxLineLength: the engine has
    // dropped the reply and closed the connection (State is popNone).
    std::function<void()> OnLineTooLong;

    TPopState State = popNone;
    TStringList Lines;       // last multi-line reply: no status line, no terminator, dots undone
    std::string StatusText;  // status line of the last multi-line reply after its first blank
    int MessageCount = 0;
    int CurrentMessage = 0;
    std::vector<int> Sizes;
    std::string LastCommand;
    std::string FirstLine;  // first line of the current reply, through its CR
    // Unique ids from the last "UIDL": entry i for message number i + 1,
    // empty for a number the reply did not name.
    std::vector<std::string> Uids;
    // The longest line a reply may hold before its line end. A server that
    // never ends a line would otherwise grow the buffer without bound; no
    // real message comes near this.
    size_t MaxLineLength = size_t(64) << 20;
    std::vector<std::string> Capabilities;  // names of the last CAPA listing

    // RETR / TOP n 0 / DELE for 1 <= N <= MessageCount; false (nothing sent) otherwise.
    bool Retrieve(int N);
    bool RetrieveHeader(int N);
    bool Delete(int N);
    // UIDL without argument: the unique id of every message (Uids).
    void RetrieveUids() { SendCommand(TPopCommand::Uidl); }
    // Waits (bounded, see WaitUntil) until no reply is pending, then sends
    // QUIT; when the wait runs out the connection is simply closed.
    void Quit();
    void ClearBuffer();
    void ResetState() {
        State = popNone;
        FAwaitingTls = false;
    }
    // The transport finished the TLS handshake that STLS started: the login
    // begins (APOP with the greeting's timestamp, or USER).
    void TlsStarted();
    // Size of the listed message at the zero-based Index, -1 when out of range.
    int MessageSize(int Index) const;

    // Sends the command's verb [+ " " + Arg] + CR LF and sets its state.
    void SendCommand(TPopCommand Command, const std::string& Arg = std::string());

    // The receive engine: the bytes of one read event.
    void DataArrived(const std::string& Bytes);
    void DataArrived(const char* Data, size_t Size);
    // The same, with Fill appending the arrived bytes to the buffer itself
    // (saves a copy of every byte).
    void DataArrivedInto(const std::function<void(std::string& Buffer)>& Fill);

    const std::string& ReceiveBuffer() const { return FBuffer; }
    // Bytes examined while looking for line ends and terminators since the
    // object was made; stays proportional to the bytes received.
    uint64_t ScannedBytes() const { return FScanned; }

protected:
    virtual void TransportSend(const std::string& Text) = 0;
    virtual void TransportClose() = 0;
    // Starts the TLS handshake on the connection; TlsStarted follows when it
    // is done. A transport that cannot do TLS ends the connection.
    virtual void TransportStartTls() { TransportClose(); }
    // Processes events until Done() holds or the bound passes; returns Done().
    // Without an event loop there is nothing to wait for.
    virtual bool WaitUntil(const std::function<bool()>& Done) { return Done(); }

private:
    void Process(size_t OldSize);
    void LogIn();
    void FinishMultiLine();
    void Dispatch(bool Ok);
    void EmptyBuffer();
    bool LineTooLong(size_t OldSize);

    std::string FBuffer;
    size_t FCrlfScan = 0;  // where the search for the first CR LF goes on
    size_t FFirstCrlf = std::string::npos;
    size_t FTermScan = 0;   // where the search for CR LF "." CR LF goes on
    size_t FExpected = 0;   // listed size of the message being retrieved
    size_t FLineStart = 0;  // where the buffer's last (unfinished) line starts
    uint64_t FScanned = 0;
    std::string FGreeting;      // the greeting's first line (its APOP timestamp)
    bool FAwaitingTls = false;  // STLS accepted, handshake under way: nothing is read
};

// ---------------------------------------------------------------- SMTP

enum TSMTPState {
    smtpNone = 0,  // not connected, or connected and waiting for the greeting
    smtpReady = 1,
    smtpHelo = 2,
    smtpRcpt = 3,
    smtpRset = 4,
    smtpMail = 5,
    smtpData = 6,
    smtpText = 8,  // message text sent, waiting for its reply (7 is never used)
    smtpQuit = 9,
    smtpEhlo = 10,      // "EHLO" sent: the reply lists the server's extensions
    smtpStartTls = 11,  // "STARTTLS" sent; after its 220, until the TLS handshake is done
    smtpAuth = 12,      // "AUTH" sent with a mechanism
    smtpAuthUser = 13,  // LOGIN: the user name sent
    smtpAuthPass = 14   // the password (PLAIN, LOGIN) or the CRAM-MD5 answer sent
};

// What an EHLO reply says about the extensions the client uses.
struct TEhloCapabilities {
    bool StartTls = false;
    std::vector<std::string> AuthMechanisms;  // upper case, each once, in the server's order
};
// Reads the lines of an EHLO reply (the first line, the server's greeting,
// names no extension). "AUTH mech ..." and the older "AUTH=mech ..." both
// count.
TEhloCapabilities ParseEhloReply(const TStrings& ReplyLines);

// RespStr of OnSMTPError for failures the client finds itself (the server
// sent no refusal): STARTTLS missing from the EHLO reply when TLS was asked
// for (state smtpStartTls), and no sign-in mechanism that may be used
// (state smtpAuth). CRAM-MD5 may always be used; PLAIN and LOGIN only
// inside TLS.
extern const char* const SmtpNoStartTls;
extern const char* const SmtpNoAuthMechanism;

using TSMTPErrorEvent = std::function<void(TSMTPState State, const std::string& RespStr)>;
using TNotifyEvent = std::function<void(TObject* Sender)>;

// A list of strings that gives up its first line in constant time; holds the
// recipients not yet named to the server.
class TRecipientList : public TStrings {
public:
    std::string Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(FItems.size()); }
    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override { FItems.clear(); }
    // Removes and returns the first line.
    std::string TakeFirst();

private:
    std::deque<std::string> FItems;
};

// Appends the comma-separated pieces of a field value, blanks trimmed: every
// piece before a comma (empty ones too) and the piece after the last comma
// when it is not empty.
void SplitAddresses(const std::string& Value, TStrings& Dest);

// A message made ready for the SMTP dialogue: its sender, its recipients and
// its text as it goes on the wire after DATA.
struct TSMTPMessage {
    std::string FromAddress;  // the From field, or the own address without one
    std::vector<std::string> To, Cc, Bcc;
    std::string Text;  // header (no Bcc), empty line, body; dot-stuffed, ending in "." CR LF
};

// Prepares Message (header, empty line, body) for sending: a pure function of
// the lines and the own address, so a large message may be prepared away from
// the thread that runs the dialogue. False when the message names no To
// recipient or preparing it failed.
bool PrepareSMTPMessage(const TStrings& Message, const std::string& MyAddress, TSMTPMessage& Out);

class TSMTPEngine : public TObject {
public:
    TSMTPEngine();
    ~TSMTPEngine() override = default;
    TSMTPEngine(const TSMTPEngine&) = delete;
    TSMTPEngine& operator=(const TSMTPEngine&) = delete;

    std::string MyAddress;
    std::string Domain;
    // With TLS (either way) or a sign-in the client greets with EHLO instead
    // of HELO. TSecurity::StartTls: STARTTLS after the first EHLO, then EHLO
    // again inside TLS; a server that does not offer it, or refuses it, is
    // an error (OnSMTPError with smtpStartTls), never a plain-text fall-back.
    // SignIn: AUTH with the best mechanism offered among CRAM-MD5, PLAIN and
    // LOGIN (the last two only inside TLS) before MAIL, as AuthUser with
    // AuthPassword. Every failure leaves the state as a refused command does.
    TSecurity Security = TSecurity::None;
    bool SignIn = false;
    std::string AuthUser;
    std::string AuthPassword;
    TNotifyEvent OnSendComp;
    TSMTPErrorEvent OnSMTPError;

    TSMTPState State = smtpNone;
    TStringList ReplyLines;
    int ReplyCode = 0;
    TEhloCapabilities Capabilities;  // of the last EHLO reply
    std::string AuthMechanism;       // the mechanism of the last sign-in
    std::string FromAddress;
    TStringList Accepted;
    TStringList Rejected;
    TRecipientList ToList;
    TRecipientList CcList;
    TRecipientList BccList;
    // The prepared text of the message under way, until it is sent after DATA.
    std::string MessageText;

    // Prepares the message (header, empty line, body) and starts its
    // delivery: connects when not connected, otherwise sends MAIL at once.
    // False when a delivery is under way, the message names no To recipient,
    // or preparing it failed.
    bool SendMessage(const TStrings& Message);
    // The same for a message prepared already (PrepareSMTPMessage); takes
    // its text. False when a delivery is under way or it names no To.
    bool SendPrepared(TSMTPMessage&& Message);
    void Quit();   // QUIT at once, unless not connected
    void Reset();  // RSET
    void Abort();  // back to smtpNone and close
    void ResetState();
    // The transport finished the TLS handshake that STARTTLS started: EHLO
    // is sent again.
    void TlsStarted();
    bool SendCommand(const std::string& Verb, const std::string& Arg = std::string());

    // The receive engine: the bytes of one read event.
    void DataArrived(const std::string& Bytes);
    void DataArrived(const char* Data, size_t Size);

    const std::string& ReceiveBuffer() const { return FBuffer; }
    void ClearBuffer();
    uint64_t ScannedBytes() const { return FScanned; }

protected:
    virtual void TransportSend(const std::string& Text) = 0;
    virtual void TransportClose() = 0;
    virtual void TransportOpen() = 0;
    // The message text after DATA, handed over (MessageText is empty
    // afterwards). A transport may send it in pieces; whatever is sent after
    // it must follow it on the wire.
    virtual void TransportSendText(std::string&& Text) { TransportSend(Text); }
    // Starts the TLS handshake; TlsStarted follows when it is done. A
    // transport that cannot do TLS ends the connection.
    virtual void TransportStartTls() { TransportClose(); }
    // True when the connection is encrypted (from the first byte, or after
    // STARTTLS).
    virtual bool TransportEncrypted() const { return false; }

private:
    void Process(size_t OldSize);
    void HandleReply(bool Malformed);
    void NameNextRecipient();
    void SendMailFrom();
    void AfterEhlo();
    void StartAuth();
    void AuthReply();
    void SendAuthLine(const std::string& Line, TSMTPState Next);
    void Fail(TSMTPState S, const std::string& RespStr);

    std::string FBuffer;
    size_t FLfScan = 0;                   // bytes of FBuffer already examined for LF
    size_t FFirstLf = std::string::npos;  // first LF of the buffer
    size_t FLastLf = std::string::npos;   // last LF seen
    size_t FPrevLf = std::string::npos;   // the LF before FLastLf
    uint64_t FScanned = 0;
    bool FAwaitingTls = false;  // STARTTLS accepted, handshake under way: nothing is read
    bool FSignedIn = false;     // this connection has signed in
};
