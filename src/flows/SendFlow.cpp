// TSendFlow: the send page's work without widgets: the send checks, building the message, the SMTP dialogue and its texts.
#include "SendFlow.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QMetaObject>
#include <QTimer>
#include <cerrno>

#include "BaseMsg.h"
#include "Classes.h"
#include "CrMD5.h"
#include "MIMEx.h"
#include "MailNews.h"
#include "Secure.h"
#include "cp932.h"
#include "sjisconv.h"

// The state bound with one client's events. The client's own Tag in the
// window's design: -1 after an error, so that its disconnection reads as
// abnormal; InFlight while a message handed to it has not been accepted.
struct TSendFlow::TClientState {
    int Tag = 0;
    bool InFlight = false;
};

namespace {

// The composed lines as the client's preparation takes them. It copies the
// lines into a message, one line at a time; for a large attachment that is
// hundreds of thousands of small copies. Its rule that every line break
// inside a line ends a line of its own (each line dot-stuffed) lets the body
// go in pieces of many CR LF-separated lines: a few hundred copies, same
// bytes on the wire. Pieces stay below the size at
// which the allocator maps fresh memory for each one, and never end with an
// empty line, since a line break at the very end of a text starts no further
// line (empty lines at the body's end go as items of their own). The header
// lines stay single items: the client reads its fields.
std::unique_ptr<TStringList> WireLines(const TStringList& Lines) {
    constexpr size_t PieceSize = 60000;
    auto Wire = std::make_unique<TStringList>();
    const int N = Lines.Count();
    int I = 0;
    for (; I < N && !Lines.View(I).empty(); ++I) Wire->Add(std::string(Lines.View(I)));
    if (I >= N) return Wire;
    Wire->Add(std::string());
    int Last = N - 1;  // the last non-empty body line
    while (Last > I && Lines.View(Last).empty()) --Last;
    std::string Piece;
    bool Open = false;  // Piece holds at least one line
    for (int J = I + 1; J <= Last; ++J) {
        const std::string_view L = Lines.View(J);
        if (Open) Piece += "\r\n";
        Piece += L;
        Open = true;
        if (Piece.size() >= PieceSize && !L.empty()) {
            Wire->Add(std::move(Piece));
            Piece = std::string();
            Open = false;
        }
    }
    if (Open) Wire->Add(std::move(Piece));
    for (int J = Last + 1; J < N; ++J) Wire->Add(std::string());
    return Wire;
}

}  // namespace

// One message being composed on the worker thread. The worker touches
// nothing else; the window's thread reads the results after the queued call
// that reports the end.
struct TSendFlow::TComposeJob {
    TStringList Header;
    TStringList Body;
    std::vector<std::string> Files;  // file-system paths
    bool RFC2231 = false;
    std::string MyAddress;  // the client's own address, for a message without From

    // The composed message as the client sends it; Prepared false when it
    // names no To recipient the client can use.
    TSMTPMessage Message;
    bool Prepared = false;
    std::string FailedFile;  // a listed file that could not be read
    std::string Error;       // any other failure

    void Run() {
        std::string Current;
        try {
            TMIMEx M;
            M.RFC2231Encode = RFC2231;
            M.AddTextPart(&Header, &Body);
            for (const std::string& F : Files) {
                const TAttachState S = AttachmentState(F);
                if (S == TAttachState::Missing) continue;
                if (S == TAttachState::Unreadable) {
                    FailedFile = F;
                    return;
                }
                Current = F;
                M.AddAttachment(Utf8ToCp932(F), "", "");
            }
            M.Compose();
            // The dot-stuffed text too is made here rather than by the
            // client on the window's thread.
            Prepared = PrepareSMTPMessage(*WireLines(*M.Lines), MyAddress, Message);
        } catch (const EMIMEFileError&) {
            FailedFile = Current;
        } catch (const std::exception& E) {
            Error = E.what();
        }
    }
};

namespace {

// The body's lines with the signature lines after them, joined by CR LF.
std::string WithSignature(const std::string& Body, const std::vector<std::string>& Sign) {
    TStringList Lines;
    Lines.SetText(Body);
    for (const std::string& S : Sign) Lines.Add(S);
    std::string Out;
    for (int i = 0; i < Lines.Count(); ++i) {
        if (i > 0) Out += "\r\n";
        Out += Lines.At(i);
    }
    return Out;
}

// Keeps a count of the client events running, so that the flow's end knows
// whether it may delete the client at once.
struct TEventScope {
    explicit TEventScope(int& Depth) : D(Depth) { ++D; }
    ~TEventScope() { --D; }
    int& D;
};

}  // namespace

TAttachState AttachmentState(const std::string& Path) {
    struct stat St;
    if (::stat(Path.c_str(), &St) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? TAttachState::Missing : TAttachState::Unreadable;
    // Only regular files: a folder has no content, and a pipe or a device
    // could block the composition or never end.
    if (!S_ISREG(St.st_mode)) return TAttachState::Unreadable;
    const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (Fd < 0) return TAttachState::Unreadable;
    ::close(Fd);
    // The composer takes paths as program text; a name that does not survive
    // the way there and back would be looked for under another name.
    if (Cp932ToUtf8(Utf8ToCp932(Path)) != Path) return TAttachState::Unreadable;
    return TAttachState::Readable;
}

std::string MakeMessageID(TDateTime T, const std::string& UserName, const std::string& SmtpServer) {
    const std::string H = TCrMD5::HexDigest(UserName.empty() ? "Velnaro" : UserName).substr(0, 4);
    return "<" + FormatDateTime("yyyymmddhhnnss.zz", T) + "." + H + "@" + SmtpServer + ">";
}

std::string UnreadableAttachmentText(const std::string& Path) {
    return SJ("添付ファイル「") + Utf8ToCp932(Path) + SJ("」を読み込めないため、メールは送られていません。");
}

// ---------------------------------------------------------------- the flow

TSendFlow::TSendFlow(int Tag, QObject* Parent)
    : QObject(Parent), FTag(Tag), FLife(std::make_shared<TLife>()) {}

TSendFlow::~TSendFlow() {
    FLife->Alive = false;
    if (FWorker.joinable()) FWorker.join();
    // The clients go without telling the window, which may be half gone. One
    // whose event is running (this flow ended inside it) goes later.
    if (FSmtp) FReleased.push_back(std::move(FSmtp));
    for (std::unique_ptr<TSMTPx>& C : FReleased) {
        // A handshake under way ends quietly too: no question, no report.
        C->DropHandlers();
        if (FLife->EventDepth > 0) C.release()->deleteLater();
    }
    FReleased.clear();
}

TSMTPx* TSendFlow::Smtp() const { return FSmtp.get(); }

void TSendFlow::SendBtnClick(const TAccountRecord& Account, const TSendDraft& Draft) {
    if (FBusy) return;  // one message at a time
    Status(SJ("メール配信準備中(SMTPに接続)"));
    if (Account.Edit4.empty() || Account.Edit2.empty()) {
        Box(TBoxIcon::NoIcon, SJ("アカウント->追加でSMTP、メールアドレスをいれてください"));
        Fire(Events.OnShowSettings);
    }
    if (Draft.To.empty()) {
        Box(TBoxIcon::NoIcon, SJ("送付先のアドレスをいれてください"));
        return;
    }
    // A listed file that is there but cannot be read stops the send before
    // anything goes out; a message without it would look complete.
    for (const std::string& F : Draft.Files)
        if (AttachmentState(F) == TAttachState::Unreadable) {
            StopForFile(F);
            return;
        }

    FBusy = true;
    FAccount = Account;
    FDraft = Draft;
    SendControls(false);

    // The check processes events while it waits: this flow may end meanwhile.
    const std::shared_ptr<TLife> Life = FLife;
    std::string Address = FAccount.Edit2;
    if (std::unique_ptr<TReachCheck> Check = MakeReachCheck ? MakeReachCheck() : nullptr) {
        Check->Host = FAccount.Edit2;
        Check->TimeoutTenths = FAccount.pingcheck ? 5 : 40;
        Check->OnMessage = [this, Life](const std::string& Text) {
            if (Life->Alive) Box(TBoxIcon::NoIcon, Text);
        };
        try {
            Check->Check();
        } catch (const Exception& E) {
            if (!Life->Alive) return;
            FBusy = false;
            Box(TBoxIcon::Critical, E.Message());
            Status(E.Message());
            SendControls(true);
            return;
        }
        if (!Life->Alive) return;
        if (!Check->Found || (!Check->Reachable && !FAccount.pingcheck)) {
            FBusy = false;
            Status(Check->ErrorText);
            SendControls(true);
            return;
        }
        if (!Check->Reachable) Status(Check->ErrorText + SJ("(強制実行を行います)"));
        if (!Check->Address.empty()) Address = Check->Address;
    }
    SendControls(true);

    if (!FSmtp) CreateClient();
    Fire(Events.OnHourglass, true);
    SendControls(false);
    if (FDraft.Subject.empty()) {
        // Every message carries a Subject.
        FDraft.Subject = " ";
        Fire(Events.OnSubjectChanged, FDraft.Subject);
    }
    BuildAndSend(Address);
}

void TSendFlow::BuildAndSend(const std::string& Address) {
    const std::string MessageID = MakeMessageID(Clock ? Clock() : Now(), FAccount.eUserName, FAccount.Edit2);
    if (!FSmtp) {
        Finish();
        return;
    }
    TSMTPx& C = *FSmtp;
    TConnectionSecurity Security = SmtpConnection(FAccount);
    if (Port > 0) Security.Port = Port;
    C.SetSecurity(Security);
    C.SignIn = FAccount.SmtpAuth;
    C.AuthUser = FAccount.SmtpSignInUser();
    C.AuthPassword = FAccount.SmtpSignInPassword();
    C.Domain = FAccount.Edit2;
    C.MyAddress = SJISToJIS(FAccount.Edit4);
    C.Address = Address;
    C.Host.clear();

    auto Job = std::make_unique<TComposeJob>();
    Job->RFC2231 = FAccount.RadioGroup1 == 0;
    Job->MyAddress = C.MyAddress;
    TBaseMessage Head;
    Head.SetField("To", FDraft.To);
    Head.SetField("Cc", FDraft.CC);
    Head.SetField("Subject", FDraft.Subject);
    Head.SetField("From", C.MyAddress);
    Head.SetField("Message-ID", MessageID);
    if (!FDraft.InReplyToId.empty()) Head.SetField("In-Reply-To", FDraft.InReplyToId);
    if (!FDraft.ReferencesText.empty()) Head.SetField("References", FDraft.ReferencesText);
    Job->Header.Assign(Head.Header());

    if (FAccount.signcheck) {
        // The signature goes into the page's body itself, so the user sees it
        // there after sending (and a second send adds it again).
        FDraft.Body = WithSignature(FDraft.Body, FAccount.SignLines);
        Fire(Events.OnBodyChanged, FDraft.Body);
    }
    Job->Body.SetText(FDraft.Body);
    for (const std::string& F : FDraft.Files) {
        Status(SJ("添付ファイルの送信準備中"));
        Job->Files.push_back(F);
    }

    // Base64 for a large attachment and the wire lines take long enough to
    // hold the window; they are made on a worker thread.
    FJob = std::move(Job);
    TComposeJob* J = FJob.get();
    FWorker = std::thread([this, J] {
        J->Run();
        QMetaObject::invokeMethod(
            this, [this] { ComposeDone(); }, Qt::QueuedConnection);
    });
}

void TSendFlow::ComposeDone() {
    if (FWorker.joinable()) FWorker.join();
    std::unique_ptr<TComposeJob> Job = std::move(FJob);
    if (!Job) return;
    if (!Job->FailedFile.empty()) {
        StopForFile(Job->FailedFile);
    } else if (!Job->Error.empty()) {
        const std::string Text = SJ("メールを作成できませんでした。") + Job->Error;
        Box(TBoxIcon::Critical, Text);
        Status(Text);
    } else if (FSmtp) {
        // Without a client (released meanwhile) nothing is sent.
        const std::shared_ptr<TClientState> State = FState;
        const bool Started = Job->Prepared && FSmtp->SendPrepared(std::move(Job->Message));
        Job.reset();
        if (State) State->InFlight = Started;
        if (!Started) {
            // The client takes no message without a To address it can name.
            const std::string Text = SJ("メールを送信できませんでした。送付先のアドレスを確かめてください。");
            Box(TBoxIcon::Critical, Text);
            Status(Text);
        }
    }
    Finish();
}

void TSendFlow::Finish() {
    FBusy = false;
    Fire(Events.OnHourglass, false);
    SendControls(true);
}

void TSendFlow::StopForFile(const std::string& Path) {
    const std::string Text = UnreadableAttachmentText(Path);
    Box(TBoxIcon::Critical, Text);
    Status(Text);
}

bool TSendFlow::ForceDisconnect() {
    if (!FSmtp || !FSmtp->Active()) return false;
    ForcedDisconnect = true;
    FSmtp->Abort();
    return true;
}

// ---------------------------------------------------------------- the client

void TSendFlow::CreateClient() {
    FSmtp = std::make_unique<TSMTPx>();
    FSmtp->setObjectName(QStringLiteral("Smtp%1").arg(FTag));
    FState = std::make_shared<TClientState>();
    TSMTPx* C = FSmtp.get();
    const std::shared_ptr<TClientState> St = FState;
    // Each handler holds the flow's life, so that the count of running events
    // survives a flow that ends inside one of them.
    const std::shared_ptr<TLife> L = FLife;
    C->OnConnecting = [this, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        SMTPConnecting();
    };
    C->OnConnect = [this, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        SMTPConnect();
    };
    C->OnDisconnect = [this, St, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        SMTPDisconnect(*St);
    };
    C->OnError = [this, C, St, L](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
        TEventScope E(L->EventDepth);
        SMTPError(*C, *St, Code);
    };
    C->OnSendComp = [this, C, St, L](TObject*) {
        TEventScope E(L->EventDepth);
        SMTPSendComp(*C, *St);
    };
    C->OnSMTPError = [this, C, St, L](TSMTPState Step, const std::string& RespStr) {
        TEventScope E(L->EventDepth);
        SMTPSMTPError(*C, *St, Step, RespStr);
    };
    C->OnTlsError = [this, C, St, L](QObject*, TCustomWinSocket*, const std::string& Text) {
        TEventScope E(L->EventDepth);
        SMTPTlsError(*C, *St, Text);
    };
    C->OnCertificateQuestion = [this, L](const TCertificateProblem& Problem) {
        TEventScope E(L->EventDepth);
        return SMTPTrust(Problem);
    };
}

void TSendFlow::ReleaseClient() {
    // Called inside the client's own event: the client is deleted from the
    // event loop once that event has returned. Its destructor says QUIT and
    // waits for the end of the connection, which it then still reports.
    FReleased.push_back(std::move(FSmtp));
    FState.reset();
    QTimer::singleShot(0, this, [this] {
        std::vector<std::unique_ptr<TSMTPx>> Dying;
        Dying.swap(FReleased);
    });
}

void TSendFlow::SMTPConnecting() { Status(std::string()); }

void TSendFlow::SMTPConnect() {
    Status(SJ("送信を開始しました"));
    SendControls(false);
}

void TSendFlow::SMTPSendComp(TSMTPx& Client, TClientState& State) {
    State.InFlight = false;
    Status(SJ("送信を行っています"));
    const std::shared_ptr<TLife> Life = FLife;
    Box(TBoxIcon::NoIcon, SJ("送信が完了しました"));
    if (!Life->Alive) return;
    Client.Quit();
}

void TSendFlow::SMTPSMTPError(TSMTPx& Client, TClientState& State, TSMTPState Step,
                              const std::string& RespStr) {
    const std::shared_ptr<TLife> Life = FLife;
    std::string BoxText, StatusText;
    if (!SmtpSecurityFailureTexts(Step, RespStr, BoxText, StatusText)) {
        BoxText = SJ("エラーのためメールは送られていません。");
        StatusText = SJ("エラーの内容 ") + RespStr;
    }
    Box(TBoxIcon::NoIcon, BoxText);
    if (!Life->Alive) return;
    Status(StatusText);
    State.Tag = -1;
    Client.Reset();
    if (&Client == FSmtp.get()) ReleaseClient();  // the next send makes a new client
    SendControls(true);
}

void TSendFlow::SMTPError(TSMTPx& Client, TClientState& State, int& ErrorCode) {
    const std::string Code = IntToStr(ErrorCode);
    ErrorCode = 0;  // reported here: no exception follows
    const std::shared_ptr<TLife> Life = FLife;
    Box(TBoxIcon::Critical, SJ("メール送信中にエラー発生　コード") + Code);
    if (!Life->Alive) return;
    Status(SJ("エラーのコード　") + Code);
    Client.Abort();  // a connection it ends reports its disconnection
    State.InFlight = false;
    SendControls(true);
}

bool TSendFlow::SMTPTrust(const TCertificateProblem& Problem) {
    return AskToTrust(Events, Problem, FLife, FAccount);
}

void TSendFlow::SMTPTlsError(TSMTPx& Client, TClientState& State, const std::string& Text) {
    const std::shared_ptr<TLife> Life = FLife;
    Box(TBoxIcon::Critical, Text + SJ("\r\nメールは送られていません。"));
    if (!Life->Alive) return;
    Status(Text);
    State.Tag = -1;
    Client.Abort();
    State.InFlight = false;
    SendControls(true);
}

void TSendFlow::SMTPDisconnect(TClientState& State) {
    // A connection that ends before the server took the message handed over
    // did not deliver it, whichever side closed it.
    Status(State.Tag != 0 || State.InFlight ? SJ("異常終了") : SJ("送信終了"));
    SendControls(true);
    State.Tag = 0;
    State.InFlight = false;
    if (ForcedDisconnect) {
        ForcedDisconnect = false;
        Status(SJ("SMTPサーバから強制切断しました"));
    }
}
