// The socket-free POP3 and SMTP engines: states, commands, reply assembly, dot-stuffing and completion dispatch.
#include "MailEngine.h"

#include <climits>
#include <cstring>

#include "BaseMsg.h"
#include "CrMD5.h"
#include "LineSplitter.h"
#include "SysUtils.h"
#include "codex.h"

namespace {

const std::string CRLF = "\r\n";

int ClampToInt(size_t N) { return N > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(N); }

bool IsMultiLineState(TPopState S) {
    return S == popList || S == popRetr || S == popTop || S == popUidl || S == popCapa;
}

// A CAPA listing is a few lines; a server that sends more than this is not
// answering CAPA, and its reply counts as one without STLS.
constexpr size_t MaxCapaReply = 64 * 1024;

// Each command's verb as it goes on the wire and the state it sets. APOP
// travels in the mixed case "APop" that servers have always been sent.
struct TPopCommandRow {
    const char* Verb;
    TPopState State;
};
const TPopCommandRow PopCommands[] = {
    {"APop", popApop}, {"USER", popUser}, {"PASS", popPass}, {"LIST", popList},
    {"RETR", popRetr}, {"TOP", popTop},   {"DELE", popDele}, {"QUIT", popQuit},
    {"UIDL", popUidl}, {"CAPA", popCapa}, {"STLS", popStls},
};

// The blank-separated words of S.
std::vector<std::string> Words(const std::string& S) {
    std::vector<std::string> R;
    size_t I = 0;
    while (I < S.size()) {
        while (I < S.size() && (S[I] == ' ' || S[I] == '\t')) ++I;
        const size_t Start = I;
        while (I < S.size() && S[I] != ' ' && S[I] != '\t') ++I;
        if (I > Start) R.push_back(S.substr(Start, I - Start));
    }
    return R;
}

std::string Base64Encode(const std::string& Bytes) {
    std::string R;
    R.reserve((Bytes.size() + 2) / 3 * 4);
    for (size_t I = 0; I < Bytes.size(); I += 3) {
        const size_t N = std::min<size_t>(3, Bytes.size() - I);
        uint32_t V = 0;
        for (size_t K = 0; K < 3; ++K) V = V << 8 | (K < N ? static_cast<unsigned char>(Bytes[I + K]) : 0);
        for (size_t K = 0; K < 4; ++K)
            R += K <= N ? Base64Digit(static_cast<int>(V >> (18 - 6 * K)) & 63) : '=';
    }
    return R;
}

}  // namespace

// ---------------------------------------------------------------- APOP

std::string ApopTimestamp(const std::string& Greeting) {
    size_t Open = Greeting.find('<');
    size_t Close = Greeting.find('>');
    if (Open == std::string::npos || Close == std::string::npos || Close < Open) return std::string();
    return Greeting.substr(Open, Close - Open + 1);
}

std::string ApopDigest(const std::string& Greeting, const std::string& Password) {
    return TCrMD5::HexDigest(ApopTimestamp(Greeting) + Password);
}

std::vector<std::string> CapaNames(const TStrings& Lines) {
    std::vector<std::string> R;
    for (int I = 0; I < Lines.Count(); ++I) {
        const std::vector<std::string> W = Words(Lines.Get(I));
        if (!W.empty()) R.push_back(UpperCase(W[0]));
    }
    return R;
}

// ---------------------------------------------------------------- POP3

void TPopEngine::SendCommand(TPopCommand Command, const std::string& Arg) {
    const TPopCommandRow& C = PopCommands[static_cast<int>(Command)];
    State = C.State;
    std::string Line = Arg.empty() ? std::string(C.Verb) : std::string(C.Verb) + " " + Arg;
    LastCommand = Trim(Line);
    Lines.Clear();
    EmptyBuffer();
    TransportSend(Line + CRLF);
}

bool TPopEngine::Retrieve(int N) {
    if (N < 1 || N > MessageCount) return false;
    CurrentMessage = N;
    SendCommand(TPopCommand::Retr, IntToStr(N));
    FExpected = MessageSize(N - 1) > 0 ? static_cast<size_t>(MessageSize(N - 1)) : 0;
    return true;
}

bool TPopEngine::RetrieveHeader(int N) {
    if (N < 1 || N > MessageCount) return false;
    CurrentMessage = N;
    SendCommand(TPopCommand::Top, IntToStr(N) + " 0");
    return true;
}

bool TPopEngine::Delete(int N) {
    if (N < 1 || N > MessageCount) return false;
    CurrentMessage = N;
    SendCommand(TPopCommand::Dele, IntToStr(N));
    return true;
}

void TPopEngine::Quit() {
    if (State == popNone) return;
    WaitUntil([this] { return State == popReady || State == popNone; });
    if (State == popNone) return;
    if (State != popReady) {
        // The pending reply never completed: give up on it.
        TransportClose();
        State = popNone;
        EmptyBuffer();
        return;
    }
    SendCommand(TPopCommand::Quit);
}

void TPopEngine::ClearBuffer() { EmptyBuffer(); }

void TPopEngine::EmptyBuffer() {
    FExpected = 0;
    if (FBuffer.capacity() > (1u << 20))
        std::string().swap(FBuffer);  // give back the room of a large reply
    else
        FBuffer.clear();
    FCrlfScan = 0;
    FFirstCrlf = std::string::npos;
    FTermScan = 0;
    FLineStart = 0;
}

int TPopEngine::MessageSize(int Index) const {
    if (Index < 0 || static_cast<size_t>(Index) >= Sizes.size()) return -1;
    return Sizes[static_cast<size_t>(Index)];
}

void TPopEngine::DataArrived(const std::string& Bytes) { DataArrived(Bytes.data(), Bytes.size()); }

void TPopEngine::DataArrived(const char* Data, size_t Size) {
    const size_t Old = FBuffer.size();
    FBuffer.append(Data, Size);
    Process(Old);
}

void TPopEngine::DataArrivedInto(const std::function<void(std::string&)>& Fill) {
    const size_t Old = FBuffer.size();
    Fill(FBuffer);
    if (FBuffer.size() != Old) Process(Old);
}

bool TPopEngine::LineTooLong(size_t OldSize) {
    // Only the bytes that just arrived are looked at for the last line end.
    const size_t N = FBuffer.size();
    if (N > OldSize)
        if (const void* Lf = memrchr(FBuffer.data() + OldSize, '\n', N - OldSize))
            FLineStart = static_cast<size_t>(static_cast<const char*>(Lf) - FBuffer.data()) + 1;
    // The CR of a line end whose LF is still to come is no part of the line.
    const size_t Open = N - std::min(FLineStart, N) - (N > 0 && FBuffer[N - 1] == '\r' ? 1 : 0);
    if (Open <= MaxLineLength) return false;
    EmptyBuffer();
    std::string().swap(FBuffer);
    Lines.Clear();
    State = popNone;
    TransportClose();
    if (OnLineTooLong) {
        std::function<void()> Handler = OnLineTooLong;
        Handler();
    }
    return true;
}

void TPopEngine::TlsStarted() {
    if (!FAwaitingTls) return;
    FAwaitingTls = false;
    // What the server said before TLS counts no more (RFC 2595).
    Capabilities.clear();
    LogIn();
}

void TPopEngine::LogIn() {
    if (APop)
        SendCommand(TPopCommand::Apop, User + " " + ApopDigest(FGreeting, Password));
    else
        SendCommand(TPopCommand::User, User);
}

void TPopEngine::Process(size_t OldSize) {
    if (FAwaitingTls) {
        // Bytes between the STLS reply and the handshake are no reply to
        // anything; taking them would let a third party answer for the server.
        EmptyBuffer();
        return;
    }
    if (LineTooLong(OldSize)) return;
    // Once a reply has shown itself to be large, room for the listed size
    // (within reason: the size comes from the server) spares the buffer its
    // copies while it grows.
    if (FExpected > 0 && FBuffer.size() >= (1u << 20)) {
        if (FExpected > FBuffer.size()) FBuffer.reserve(std::min<size_t>(FExpected + 4096, 256u << 20));
        FExpected = 0;
    }
    if (FFirstCrlf == std::string::npos) {
        const size_t From = std::min(FCrlfScan, FBuffer.size());
        const size_t P = FBuffer.find(CRLF, From);
        if (P == std::string::npos) {
            FScanned += FBuffer.size() - From;
            FCrlfScan = FBuffer.empty() ? 0 : FBuffer.size() - 1;
            return;
        }
        FScanned += P + 2 - From;
        FFirstCrlf = P;
        FirstLine = FBuffer.substr(0, P + 1);
    }

    if (FBuffer.compare(0, 4, "-ERR") == 0) {
        Dispatch(false);
        return;
    }

    if (IsMultiLineState(State)) {
        if (State == popCapa && FBuffer.size() > MaxCapaReply) {
            EmptyBuffer();
            Dispatch(false);
            return;
        }
        if (OnReceiving && State != popCapa) {
            TPopReceivingEvent Handler = OnReceiving;
            Handler(ClampToInt(FBuffer.size()));
        }
        // The handler may have run other events; look at the buffer afresh.
        const size_t From = std::min(FTermScan, FBuffer.size());
        const size_t P = FBuffer.find("\r\n.\r\n", From);
        if (P == std::string::npos) {
            FScanned += FBuffer.size() - From;
            FTermScan = FBuffer.size() >= 4 ? FBuffer.size() - 4 : 0;
            return;
        }
        FScanned += P + 5 - From;
        FinishMultiLine();
        return;
    }

    switch (State) {
        case popNone:
            FGreeting = FirstLine;
            FAwaitingTls = false;
            if (Security == TSecurity::StartTls)
                SendCommand(TPopCommand::Capa);
            else
                LogIn();
            break;
        case popStls:
            // The handshake comes next; anything after the +OK line is dropped.
            FAwaitingTls = true;
            EmptyBuffer();
            TransportStartTls();
            break;
        case popUser: SendCommand(TPopCommand::Pass, Password); break;
        case popApop:
        case popPass: SendCommand(TPopCommand::List); break;
        case popDele: Dispatch(true); break;
        case popQuit:
            TransportClose();
            State = popNone;
            EmptyBuffer();
            break;
        default:  // popReady: the bytes wait for the next command
            break;
    }
}

void TPopEngine::FinishMultiLine() {
    std::string Text;
    Text.swap(FBuffer);
    EmptyBuffer();

    Lines.Clear();
    size_t LineEnds = 0;
    for (const char* P = Text.data();
         (P = static_cast<const char*>(std::memchr(P, '\n', Text.data() + Text.size() - P))); ++P)
        ++LineEnds;
    const bool IsList = State == popList || State == popUidl;
    // A message's lines are packed: a few blocks instead of one string per
    // line (readers see ordinary lines). Listings are read line by line here.
    if (IsList) Lines.Reserve(static_cast<int>(std::min<size_t>(LineEnds + 1, INT_MAX)));
    bool First = true;
    ForEachLine(Text, [&](std::string_view L) {
        if (First) {
            First = false;
            const size_t Blank = L.find(' ');
            StatusText.assign(Blank == std::string_view::npos ? L : L.substr(Blank + 1));
            return;
        }
        if (L == ".") return;  // the terminator
        if (!L.empty() && L[0] == '.') L.remove_prefix(1);
        if (!IsList) {
            Lines.AddPacked(L);
        } else if (!L.empty()) {
            Lines.Add(std::string(L));
        }
    });
    Text.clear();
    Text.shrink_to_fit();

    if (State == popCapa) {
        Capabilities = CapaNames(Lines);
        bool Stls = false;
        for (const std::string& C : Capabilities) Stls = Stls || C == "STLS";
        if (Stls)
            SendCommand(TPopCommand::Stls);
        else
            Dispatch(false);
        return;
    }
    if (State == popUidl) {
        Uids.assign(static_cast<size_t>(std::max(MessageCount, 0)), std::string());
        const int N = Lines.Count();
        for (int I = 0; I < N; ++I) {
            const std::string& L = Lines.At(I);
            const size_t Blank = L.find(' ');
            if (Blank == std::string::npos) continue;
            const long long No = DecimalOrZero(L.substr(0, Blank));
            if (No < 1 || No > MessageCount) continue;  // a number the listing did not give
            Uids[static_cast<size_t>(No - 1)] = Trim(L.substr(Blank + 1));
        }
    } else if (IsList) {
        Sizes.clear();
        Uids.clear();
        const int N = Lines.Count();
        for (int I = 0; I < N; ++I) {
            const std::string& L = Lines.At(I);
            const size_t Blank = L.find(' ');
            if (Blank == std::string::npos) continue;
            // A size is a number of at most 31 bits either way; -2147483648 is none.
            const long long Size = DecimalOrZero(Trim(L.substr(Blank)));
            Sizes.push_back(Size < -INT_MAX ? 0 : static_cast<int>(Size));
        }
        MessageCount = N;
    }
    Dispatch(true);
}

void TPopEngine::Dispatch(bool Ok) {
    const TPopState S = State;
    if (S != popNone) State = popReady;
    TPopResponsEvent Handler = Ok ? OnRecvComp : OnGetError;
    if (S == popTop && OnHeaderRecv) Handler = OnHeaderRecv;
    if (S == popDele && OnDeleted) Handler = OnDeleted;
    if (Handler) Handler(Ok, S);
}

// ---------------------------------------------------------------- SMTP

std::string TRecipientList::Get(int Index) const {
    if (Index < 0 || Index >= GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    return FItems[static_cast<size_t>(Index)];
}

void TRecipientList::Insert(int Index, const std::string& S) {
    if (Index < 0 || Index > GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    FItems.insert(FItems.begin() + Index, S);
}

void TRecipientList::Delete(int Index) {
    if (Index < 0 || Index >= GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
    FItems.erase(FItems.begin() + Index);
}

std::string TRecipientList::TakeFirst() {
    if (FItems.empty()) return std::string();
    std::string S = std::move(FItems.front());
    FItems.pop_front();
    return S;
}

void SplitAddresses(const std::string& Value, TStrings& Dest) {
    size_t Start = 0;
    for (;;) {
        const size_t Comma = Value.find(',', Start);
        if (Comma == std::string::npos) break;
        Dest.Add(Trim(Value.substr(Start, Comma - Start)));
        Start = Comma + 1;
    }
    const std::string Rest = Trim(Value.substr(Start));
    if (!Rest.empty()) Dest.Add(Rest);
}

const char* const SmtpNoStartTls = "STARTTLS is not offered by the server";
const char* const SmtpNoAuthMechanism = "no usable AUTH mechanism is offered by the server";

TEhloCapabilities ParseEhloReply(const TStrings& ReplyLines) {
    TEhloCapabilities C;
    for (int I = 1; I < ReplyLines.Count(); ++I) {
        const std::string L = ReplyLines.Get(I);
        if (L.size() <= 4) continue;
        std::vector<std::string> W = Words(L.substr(4));
        if (W.empty()) continue;
        std::string Keyword = UpperCase(W[0]);
        if (Keyword == "STARTTLS") {
            C.StartTls = true;
            continue;
        }
        size_t First = 1;
        if (Keyword.compare(0, 5, "AUTH=") == 0) {
            W[0] = Keyword.substr(5);
            First = 0;
        } else if (Keyword != "AUTH") {
            continue;
        }
        for (size_t K = First; K < W.size(); ++K) {
            const std::string M = UpperCase(W[K]);
            if (M.empty()) continue;
            bool Known = false;
            for (const std::string& Had : C.AuthMechanisms) Known = Known || Had == M;
            if (!Known) C.AuthMechanisms.push_back(M);
        }
    }
    return C;
}

TSMTPEngine::TSMTPEngine() = default;

void TSMTPEngine::ResetState() {
    State = smtpNone;
    FAwaitingTls = false;
    FSignedIn = false;
}

bool TSMTPEngine::SendCommand(const std::string& Verb, const std::string& Arg) {
    const std::string V = UpperCase(Verb);
    if (V == "HELO") State = smtpHelo;
    if (V == "EHLO") State = smtpEhlo;
    if (State == smtpNone) return false;
    if (V == "STARTTLS")
        State = smtpStartTls;
    else if (V == "AUTH")
        State = smtpAuth;
    else if (V == "MAIL")
        State = smtpMail;
    else if (V == "RCPT")
        State = smtpRcpt;
    else if (V == "RSET")
        State = smtpRset;
    else if (V == "DATA")
        State = smtpData;
    else if (V == "QUIT")
        State = smtpQuit;
    std::string Line = Arg.empty() ? V : V + " " + Arg;
    ReplyLines.Clear();
    ClearBuffer();
    TransportSend(Line + CRLF);
    return true;
}

void TSMTPEngine::Quit() {
    if (State != smtpNone) SendCommand("QUIT");
}

void TSMTPEngine::Reset() { SendCommand("RSET"); }

void TSMTPEngine::Abort() {
    ResetState();
    TransportClose();
}

void TSMTPEngine::ClearBuffer() {
    FBuffer.clear();
    FLfScan = 0;
    FFirstLf = FLastLf = FPrevLf = std::string::npos;
}

bool PrepareSMTPMessage(const TStrings& Message, const std::string& MyAddress, TSMTPMessage& Out) {
    try {
        TBaseMessage Msg;
        Msg.LoadFromStrings(Message);
        Out.FromAddress = Msg.GetField("From");
        if (Out.FromAddress.empty()) {
            Out.FromAddress = MyAddress;
            Msg.SetField("From", MyAddress);
        }
        auto Split = [&Msg](const char* Field, std::vector<std::string>& Dest) {
            TStringList L;
            SplitAddresses(Msg.GetField(Field), L);
            Dest.clear();
            for (int I = 0; I < L.Count(); ++I) Dest.push_back(L.At(I));
        };
        Split("To", Out.To);
        if (Out.To.empty()) return false;
        Split("Cc", Out.Cc);
        Split("Bcc", Out.Bcc);
        Msg.DeleteField("Bcc");

        // The text as SaveToStrings writes it (header, an empty line, body),
        // taken straight from the two lists.
        const TStringList& Head = Msg.Header();
        const TStringList& Body = Msg.Body();
        const int HeadCount = Head.Count();
        const int Count = HeadCount + 1 + Body.Count();
        static const std::string Empty;
        auto Line = [&](int I) -> const std::string& {
            return I < HeadCount ? Head.At(I) : I == HeadCount ? Empty : Body.At(I - HeadCount - 1);
        };
        size_t Total = 3;
        for (int I = 0; I < Count; ++I) Total += Line(I).size() + 3;
        std::string& Text = Out.Text;
        Text.clear();
        Text.reserve(Total);
        for (int I = 0; I < Count; ++I) {
            const std::string& L = Line(I);
            // A line break inside a line would let a line "." end the text
            // early; every such break ends a line of its own here.
            if (L.find_first_of("\r\n") == std::string::npos) {
                if (!L.empty() && L[0] == '.') Text += '.';
                Text += L;
                Text += CRLF;
            } else {
                ForEachLine(L, [&](std::string_view Piece) {
                    if (!Piece.empty() && Piece[0] == '.') Text += '.';
                    Text += Piece;
                    Text += CRLF;
                });
            }
        }
        Text += ".\r\n";
        return true;
    } catch (...) {
        return false;
    }
}

bool TSMTPEngine::SendMessage(const TStrings& Message) {
    if (State != smtpNone && State != smtpReady) return false;
    TSMTPMessage M;
    if (!PrepareSMTPMessage(Message, MyAddress, M)) {
        // The last message's lists are gone all the same.
        FromAddress = M.FromAddress;
        Accepted.Clear();
        Rejected.Clear();
        ToList.Clear();
        CcList.Clear();
        BccList.Clear();
        return false;
    }
    return SendPrepared(std::move(M));
}

bool TSMTPEngine::SendPrepared(TSMTPMessage&& Message) {
    if (State != smtpNone && State != smtpReady) return false;
    if (Message.To.empty()) return false;
    try {
        Accepted.Clear();
        Rejected.Clear();
        ToList.Clear();
        CcList.Clear();
        BccList.Clear();
        for (std::string& A : Message.To) ToList.Add(std::move(A));
        for (std::string& A : Message.Cc) CcList.Add(std::move(A));
        for (std::string& A : Message.Bcc) BccList.Add(std::move(A));
        FromAddress = std::move(Message.FromAddress);
        MessageText = std::move(Message.Text);

        if (State == smtpNone)
            TransportOpen();
        else
            SendMailFrom();
        return true;
    } catch (...) {
        return false;
    }
}

void TSMTPEngine::SendMailFrom() { SendCommand("MAIL", "FROM:<" + ExtractMailAddress(FromAddress) + ">"); }

void TSMTPEngine::NameNextRecipient() {
    // Entries that give no address (two commas in a row, a bare display name)
    // are passed over so that the recipients after them are still named.
    for (;;) {
        std::string Entry;
        if (ToList.Count() > 0) {
            Entry = ToList.TakeFirst();
        } else if (Accepted.Count() == 0) {
            SendCommand("RSET");
            return;
        } else if (CcList.Count() > 0) {
            Entry = CcList.TakeFirst();
        } else if (BccList.Count() > 0) {
            Entry = BccList.TakeFirst();
        } else {
            SendCommand("DATA");
            return;
        }
        const std::string Addr = Entry.empty() ? std::string() : ExtractMailAddress(Entry);
        if (!Addr.empty()) {
            SendCommand("RCPT", "TO:<" + Addr + ">");
            return;
        }
    }
}

void TSMTPEngine::DataArrived(const std::string& Bytes) { DataArrived(Bytes.data(), Bytes.size()); }

void TSMTPEngine::DataArrived(const char* Data, size_t Size) {
    // Bytes between the STARTTLS reply and the handshake are no reply to
    // anything; taking them would let a third party answer for the server.
    if (FAwaitingTls) return;
    const size_t Old = FBuffer.size();
    FBuffer.append(Data, Size);
    Process(Old);
}

void TSMTPEngine::Process(size_t) {
    const size_t N = FBuffer.size();
    if (N <= 4) return;
    // Note every LF among the bytes not yet examined.
    const char* Base = FBuffer.data();
    size_t I = std::min(FLfScan, N);
    FScanned += N - I;
    while (I < N) {
        const void* Hit = std::memchr(Base + I, '\n', N - I);
        if (!Hit) break;
        const size_t P = static_cast<size_t>(static_cast<const char*>(Hit) - Base);
        if (FFirstLf == std::string::npos) FFirstLf = P;
        FPrevLf = FLastLf;
        FLastLf = P;
        I = P + 1;
    }
    FLfScan = N;

    const char C4 = FBuffer[3];
    if (C4 == ' ') {
        if (FFirstLf == std::string::npos) return;
        HandleReply(FFirstLf <= 3);
    } else if (C4 == '-') {
        if (FLastLf != N - 1) return;
        const size_t Start = FPrevLf == std::string::npos ? 0 : FPrevLf + 1;
        if (Start + 3 < N && FBuffer[Start + 3] == ' ') HandleReply(false);
    } else {
        HandleReply(true);
    }
}

void TSMTPEngine::HandleReply(bool Malformed) {
    std::string Text;
    Text.swap(FBuffer);
    ClearBuffer();
    ReplyLines.SetText(Text);
    ReplyCode = 0;
    if (Text.size() >= 3 && Text[0] >= '0' && Text[0] <= '9' && Text[1] >= '0' && Text[1] <= '9' &&
        Text[2] >= '0' && Text[2] <= '9')
        ReplyCode = (Text[0] - '0') * 100 + (Text[1] - '0') * 10 + (Text[2] - '0');
    const bool Ok = !Malformed && ReplyCode / 100 < 4;
    const std::string First = ReplyLines.Count() > 0 ? ReplyLines.At(0) : std::string();

    if (Ok) {
        switch (State) {
            case smtpNone:
                FSignedIn = false;
                FAwaitingTls = false;
                SendCommand(Security != TSecurity::None || SignIn ? "EHLO" : "HELO", Domain);
                break;
            case smtpHelo: SendMailFrom(); break;
            case smtpEhlo: AfterEhlo(); break;
            case smtpStartTls:
                // The handshake comes next; anything after the reply is dropped.
                FAwaitingTls = true;
                ClearBuffer();
                TransportStartTls();
                break;
            case smtpAuth:
            case smtpAuthUser:
            case smtpAuthPass: AuthReply(); break;
            case smtpMail: NameNextRecipient(); break;
            case smtpRcpt:
                Accepted.Add(First);
                NameNextRecipient();
                break;
            case smtpData:
                State = smtpText;
                TransportSendText(std::move(MessageText));
                MessageText.clear();
                break;
            case smtpText:
                State = smtpReady;
                if (OnSendComp) {
                    TNotifyEvent Handler = OnSendComp;
                    Handler(this);
                }
                break;
            case smtpRset:
                State = smtpReady;
                if (OnSMTPError) {
                    TSMTPErrorEvent Handler = OnSMTPError;
                    Handler(smtpRcpt, "\"To Addresses\" are not valid");
                }
                break;
            case smtpQuit:
                State = smtpNone;
                TransportClose();
                break;
            default: break;
        }
        return;
    }

    switch (State) {
        case smtpNone:
        case smtpHelo:
        case smtpEhlo:
        case smtpStartTls:
        case smtpAuth:
        case smtpAuthUser:
        case smtpAuthPass:
        case smtpRset:
        case smtpMail:
        case smtpData:
        case smtpText:
            if (OnSMTPError) {
                TSMTPErrorEvent Handler = OnSMTPError;
                Handler(State, First.empty() ? "no message" : First);
            }
            break;
        case smtpRcpt:
            Rejected.Add(First);
            NameNextRecipient();
            break;
        case smtpQuit:
            TransportClose();
            State = smtpNone;
            break;
        default: break;
    }
}

void TSMTPEngine::TlsStarted() {
    if (!FAwaitingTls) return;
    FAwaitingTls = false;
    // What the server said before TLS counts no more (RFC 3207).
    Capabilities = TEhloCapabilities();
    SendCommand("EHLO", Domain);
}

void TSMTPEngine::Fail(TSMTPState S, const std::string& RespStr) {
    if (OnSMTPError) {
        TSMTPErrorEvent Handler = OnSMTPError;
        Handler(S, RespStr);
    }
}

void TSMTPEngine::AfterEhlo() {
    Capabilities = ParseEhloReply(ReplyLines);
    if (Security != TSecurity::None && !TransportEncrypted()) {
        // TLS was asked for and the connection is still plain: STARTTLS or
        // nothing. (With TLS from the first byte the transport is encrypted
        // before the greeting.)
        if (Security == TSecurity::StartTls && Capabilities.StartTls)
            SendCommand("STARTTLS");
        else
            Fail(smtpStartTls, SmtpNoStartTls);
        return;
    }
    if (SignIn && !FSignedIn)
        StartAuth();
    else
        SendMailFrom();
}

void TSMTPEngine::StartAuth() {
    const bool Tls = TransportEncrypted();
    auto Offered = [&](const char* M) {
        for (const std::string& A : Capabilities.AuthMechanisms)
            if (A == M) return true;
        return false;
    };
    if (Offered("CRAM-MD5"))
        AuthMechanism = "CRAM-MD5";
    else if (Tls && Offered("PLAIN"))
        AuthMechanism = "PLAIN";
    else if (Tls && Offered("LOGIN"))
        AuthMechanism = "LOGIN";
    else {
        AuthMechanism.clear();
        Fail(smtpAuth, SmtpNoAuthMechanism);
        return;
    }
    if (AuthMechanism == "PLAIN") {
        // The answer goes with the command (RFC 4954): authorization identity
        // empty, then the user and the password, each after a NUL.
        SendCommand("AUTH", "PLAIN " + Base64Encode(std::string(1, '\0') + AuthUser + '\0' + AuthPassword));
        State = smtpAuthPass;
    } else {
        SendCommand("AUTH", AuthMechanism);
    }
}

void TSMTPEngine::SendAuthLine(const std::string& Line, TSMTPState Next) {
    State = Next;
    ReplyLines.Clear();
    ClearBuffer();
    TransportSend(Line + CRLF);
}

void TSMTPEngine::AuthReply() {
    const std::string First = ReplyLines.Count() > 0 ? ReplyLines.At(0) : std::string();
    if (ReplyCode / 100 == 2) {
        FSignedIn = true;
        SendMailFrom();
        return;
    }
    if (ReplyCode == 334 && State == smtpAuth && AuthMechanism == "CRAM-MD5") {
        const std::string Challenge = Base64Decode(First.size() > 4 ? Trim(First.substr(4)) : std::string());
        SendAuthLine(Base64Encode(AuthUser + " " + HmacMd5Hex(AuthPassword, Challenge)), smtpAuthPass);
        return;
    }
    if (ReplyCode == 334 && State == smtpAuth && AuthMechanism == "LOGIN") {
        SendAuthLine(Base64Encode(AuthUser), smtpAuthUser);
        return;
    }
    if (ReplyCode == 334 && State == smtpAuthUser) {
        SendAuthLine(Base64Encode(AuthPassword), smtpAuthPass);
        return;
    }
    // Any other reply (a further challenge after the password, an odd code)
    // is no success.
    Fail(State, First.empty() ? "no message" : First);
}
