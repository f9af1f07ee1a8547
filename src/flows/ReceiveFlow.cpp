// TReceiveFlow: the read page's work without widgets: login, listing, reading, the delete pass, attachments and their texts.
#include "ReceiveFlow.h"

#include <QTimer>

#include <unordered_map>

#include "BaseMsg.h"
#include "MailNews.h"
#include "MessageReader.h"
#include "MessageStore.h"
#include "Secure.h"
#include "cp932.h"

namespace {

// Keeps a count of the client events running, so that the flow's end knows
// whether it may delete the client at once.
struct TEventScope {
    explicit TEventScope(int& Depth) : D(Depth) { ++D; }
    ~TEventScope() { --D; }
    int& D;
};

// How long a wait for a closing connection may take before it is closed.
constexpr int CloseWaitMs = 5000;

// The texts of a refusal by the server, by the state of the command refused:
// the message box and the status text.
struct TRefusalText {
    TPopState State;
    const char* Box;
    const char* Status;
};
const TRefusalText RefusalTexts[] = {
    {popReady, "Pop_Connectでエラーが発生しました", "Pop_Connectでエラーが発生"},
    {popApop, "Apopでの承認に失敗。username、passwdを確認してください", "Apopでの承認に失敗"},
    {popUser, "ユーザ名が違います", "ユーザ名が違います"},
    {popPass, "パスワードが違います", "パスワードが違います"},
    {popList, "Listでエラーが生じました。メールが0通の可能性があります", "Listでエラーが生じました"},
    {popRetr, "データを通信中にエラーが発生しました", "データを通信中にエラーが発生"},
    {popTop, "Pop_Topでエラーが発生しました", "Pop_Topでエラーが発生"},
    {popDele, "メールの消去でエラーが発生しました", "メールの消去でエラーが発生"},
    {popQuit, "Pop_Quitでエラーが発生しました", "Pop_Quitでエラーが発生"},
};

// A received message from the lines of a reply: the header up to the first
// empty line, the body after it. Body lines are packed: a large message is
// held in a few blocks rather than one string per line.
std::unique_ptr<TINetMessage> MessageFromLines(const TStringList& Lines) {
    auto Msg = std::make_unique<TINetMessage>();
    const int N = Lines.Count();
    int I = 0;
    for (; I < N && !Lines.View(I).empty(); ++I) Msg->Header().Add(std::string(Lines.View(I)));
    if (I < N) {
        Msg->SetHasSeparator(true);
        for (++I; I < N; ++I) Msg->Body().AddPacked(Lines.View(I));
    }
    return Msg;
}

}  // namespace

TReceiveFlow::TReceiveFlow(int Tag, QObject* Parent)
    : QObject(Parent), Tag(Tag), FStore(std::make_unique<TMessageStore>()),
      FReader(std::make_unique<TMessageReader>()), FLife(std::make_shared<TLife>()) {}

TReceiveFlow::~TReceiveFlow() {
    FLife->Alive = false;
    if (!FPop) return;
    // The client goes without telling the window, which may be half gone.
    FPop->DropHandlers();
    // One whose event is running (the flow ended inside it) goes later.
    if (FLife->EventDepth > 0) FPop.release()->deleteLater();
}

void TReceiveFlow::End() {
    Events = TReceiveEvents();
    FStopping = true;
    if (FPop && FPop->Opening()) FPop->Quit();
    if (FPop && FLife->EventDepth > 0)
        FPop.release()->deleteLater();
    else
        FPop.reset();
    FStore->Clear();
    FMarks.clear();
}

TPOPx* TReceiveFlow::Pop() const { return FPop.get(); }

bool TReceiveFlow::Connected() const { return FPop && FPop->Opening(); }

bool TReceiveFlow::Marked(int Row) const {
    return Row >= 0 && Row < RowCount() && FMarks[static_cast<size_t>(Row)];
}

const TBaseMessage* TReceiveFlow::ShownMessage() const { return FShownValid ? &FReader->Message() : nullptr; }

// ---------------------------------------------------------------- login

bool TReceiveFlow::PasswdOKClick(const TAccountRecord& Account) {
    ConnectStatus(SJ("メール読み取り準備中(POP3に接続)"));
    if (Account.Edit1.empty()) {
        Box(TBoxIcon::NoIcon, SJ("アカウント->追加よりpop3サーバの名前を入力してください"));
        Fire(Events.OnShowSettings);
        return false;
    }
    if (Account.ePassword.empty() || Account.eUserName.empty()) return false;
    FAccount = Account;
    Controls(false);
    Login();
    return true;
}

void TReceiveFlow::Login() {
    // The check processes events while it waits: this flow may end meanwhile.
    const std::shared_ptr<TLife> Life = FLife;
    // Without an address from the check the client looks the name up itself.
    std::string Address;
    if (std::unique_ptr<TReachCheck> Check = MakeReachCheck ? MakeReachCheck() : nullptr) {
        Check->Host = FAccount.Edit1;
        Check->TimeoutTenths = FAccount.pingcheck ? 10 : 40;
        Check->OnMessage = [this, Life](const std::string& Text) {
            if (Life->Alive) Box(TBoxIcon::NoIcon, Text);
        };
        bool Found = true, Reachable = true;
        std::string ErrorText;
        try {
            Check->Check();
            Found = Check->Found;
            Reachable = Check->Reachable;
            ErrorText = Check->ErrorText;
            if (!Check->Address.empty()) Address = Check->Address;
        } catch (const std::exception& E) {
            // A check that cannot run (no right to an ICMP socket) tells
            // nothing about the host: it counts as unreachable, so that the
            // option to ignore the check still lets the login go on.
            Reachable = false;
            ErrorText = E.what();
        }
        if (!Life->Alive) return;
        if (!Found || (!Reachable && !FAccount.pingcheck)) {
            ConnectStatus(ErrorText);
            Controls(true);
            return;
        }
        if (!Reachable) ConnectStatus(ErrorText + SJ("(強制実行を行います)"));
    }
    Controls(true);

    if (!FPop) CreateClient();
    Hourglass(true);
    Controls(false);
    CheckSeen = false;
    Fire(Events.OnAttachmentsCleared);
    Fire(Events.OnSpinRange, 0, 0, 0);
    ReadingWhole = false;
    KeepList = false;
    TPOPx& C = *FPop;
    C.APop = FAccount.ApopOn;
    if (C.Opening()) {
        // A second click while connected ends the connection.
        FStopping = true;
        if (C.State == popNone)
            C.Close();
        else
            C.Quit();
        if (!Life->Alive) return;
        Controls(true);
    } else {
        C.Host.clear();
        C.Address.clear();
        if (Address.empty())
            C.Host = FAccount.Edit1;
        else
            C.Address = Address;
        C.User = FAccount.eUserName;
        C.Password = FAccount.ePassword;
        C.MaxLineLength = MaxLineLength;
        Controls(false);
        FStopping = false;
        Connect();
    }
    Hourglass(false);
}

bool TReceiveFlow::ForceDisconnect() {
    if (!FPop || !FPop->Active()) return false;
    ForcedDisconnect = true;
    FPop->ResetState();
    FPop->Close();
    Fire(Events.OnProgressShown, false);
    return true;
}

// ---------------------------------------------------------------- the client

void TReceiveFlow::Connect() {
    FPop->SetSecurity(PopConnection(FAccount));
    if (Port > 0) FPop->Port = Port;
    FPop->Connect();
}

void TReceiveFlow::CreateClient() {
    FPop = std::make_unique<TPOPx>();
    FPop->setObjectName(QStringLiteral("Pop%1").arg(Tag));
    // Each handler holds the flow's life, so that the count of running events
    // survives a flow that ends inside one of them.
    const std::shared_ptr<TLife> L = FLife;
    TPOPx* C = FPop.get();
    C->OnConnecting = [this, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPConnecting();
    };
    C->OnConnect = [this, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPConnect();
    };
    C->OnDisconnect = [this, L](QObject*, TCustomWinSocket*) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPDisconnect();
    };
    C->OnError = [this, L](QObject*, TCustomWinSocket*, TErrorEvent, int& Code) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) {
            Code = 0;
            return;
        }
        POPError(Code);
    };
    C->OnRecvComp = [this, L](bool Ok, TPopState S) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPRecvComp(Ok, S);
    };
    C->OnHeaderRecv = [this, L](bool, TPopState) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPHeaderRecv();
    };
    C->OnGetError = [this, L](bool, TPopState S) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPGetError(S);
    };
    C->OnReceiving = [this, L](int Bytes) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPReceiving(Bytes);
    };
    C->OnLineTooLong = [this, L] {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPLineTooLong();
    };
    C->OnCertificateQuestion = [this, L](const TCertificateProblem& Problem) {
        TEventScope E(L->EventDepth);
        return L->Alive && POPTrust(Problem);
    };
    C->OnTlsError = [this, L](QObject*, TCustomWinSocket*, const std::string& Text) {
        TEventScope E(L->EventDepth);
        if (!L->Alive) return;
        POPTlsError(Text);
    };
}

void TReceiveFlow::POPConnecting() {
    Controls(false);
    Fire(Events.OnOkCaption, SJ("接続中"));
    ConnectStatus(SJ("サーバに接続中。しばらくお待ち下さい"));
}

void TReceiveFlow::POPConnect() {
    Fire(Events.OnOkCaption, std::string("OK"));
    Fire(Events.OnCountText, std::string());
    Fire(Events.OnReadCleared);
    ConnectStatus(SJ("サーバに接続しました"));
    Controls(false);
    if (!KeepList) FStore->Clear();
}

void TReceiveFlow::POPRecvComp(bool Ok, TPopState State) {
    if (!FPop || FStopping) return;
    if (!Ok) {
        QuitPop();
        Controls(true);
        return;
    }
    switch (State) {
        case popList:
            // The unique ids come with every listing. A single read keeps
            // the rows of the listing before and asks for them only to find
            // its message again (a listing without them compares sizes).
            if (DeleteMode || !(KeepList && ReadingWhole) || !FListedUids.empty())
                FPop->RetrieveUids();
            else
                ListingArrived(false);
            break;
        case popUidl: ListingArrived(true); break;
        case popRetr: {
            PopStatus(ReadingWhole ? IntToStr(ReadTarget) + SJ("通目を展開中")
                                   : IntToStr(HeaderCursor + 1) + SJ("通目を読み込み中"));
            Fire(Events.OnProgress, 0);
            Fire(Events.OnProgressShown, false);
            if (ReadingWhole) {
                StoreFullMessage();
                FinishTarget();
            } else {
                AddListRow();
                RetrieveNextWhole();
            }
            break;
        }
        case popDele:
            PopStatus(SJ("メールの消去中です"));
            DeleteNextChecked();
            break;
        default: break;
    }
}

void TReceiveFlow::ListingArrived(bool WithUids) {
    TPOPx& C = *FPop;
    if (DeleteMode) {
        PlanDeletes(WithUids && !C.Uids.empty());
        DeleteCursor = 0;
        DeleteNextChecked();
        return;
    }
    const int N = C.MessageCount;
    if (!KeepList) {
        ClearRows();
        PopStatus("1/" + IntToStr(N) + SJ("通目を読み込み中"));
        FListedSizes = C.Sizes;
        if (WithUids)
            FListedUids = C.Uids;
        else
            FListedUids.clear();
    }
    Fire(Events.OnCountText, SJ("あなたの全メール数は") + IntToStr(N) + SJ("通です"));
    Fire(Events.OnMessageCount, N);
    const int Value = ReadingWhole ? ReadTarget : N > 0 ? 1 : 0;
    Fire(Events.OnSpinRange, N > 0 ? 1 : 0, N, Value);
    HeaderCursor = 0;
    if (HeaderOnly() && !ReadingWhole) {
        RetrieveNextHeader();
    } else if (HeaderOnly()) {
        RetrieveTarget(WithUids && !C.Uids.empty());
        if (ReadTarget != 0) ShowProgress();
    } else {
        RetrieveNextWhole();
    }
}

void TReceiveFlow::POPHeaderRecv() {
    if (!FPop || FStopping) return;
    // A refused TOP lists its message as a row without header.
    PopStatus(IntToStr(HeaderCursor + 1) + "/" + IntToStr(FPop->MessageCount) + SJ("通目を読み込み中"));
    Fire(Events.OnProgress, 0);
    Fire(Events.OnProgressShown, false);
    AddListRow();
    RetrieveNextHeader();
}

void TReceiveFlow::POPGetError(TPopState State) {
    if (!FPop) return;
    if (const std::string T = PopSecurityFailureText(State); !T.empty()) {
        SecurityRefused(T);
        return;
    }
    if (State == popUidl) {
        // A server without UIDL: the listing goes on without ids.
        if (!FStopping) ListingArrived(false);
        return;
    }
    if (State != popNone) {
        for (const TRefusalText& T : RefusalTexts) {
            if (T.State != State) continue;
            if (State == popList) ClearRows();
            const std::shared_ptr<TLife> Life = FLife;
            Box(TBoxIcon::NoIcon, SJ(T.Box));
            if (!Life->Alive || !FPop) return;
            BothStatus(SJ(T.Status));
            break;
        }
    }
    Fire(Events.OnProgressShown, false);
    QuitPop();
    Controls(true);
}

void TReceiveFlow::POPReceiving(int Bytes) {
    if (!FPop) return;
    const int T = FPop->MessageSize((ReadingWhole ? FReadNumber : HeaderCursor) - 1);
    if (T > 0) Fire(Events.OnProgress, static_cast<int>(std::min<long long>(100, Bytes * 100LL / T)));
}

void TReceiveFlow::POPError(int& ErrorCode) {
    if (FPop && FPop->Active()) {
        ForcedDisconnect = true;
        FPop->ResetState();
        FPop->Close();
    }
    Fire(Events.OnProgressShown, false);
    Fire(Events.OnOkCaption, SJ("再接続"));
    BothStatus(SJ("接続に失敗しました。エラーのコードは　") + IntToStr(ErrorCode));
    ErrorCode = 0;  // reported here: no exception follows
    Controls(true);
}

void TReceiveFlow::POPDisconnect() {
    if (!FPop) return;
    // A reply still awaited means the server went away in the middle.
    const TPopState S = FPop->State;
    const bool Broken = !ForcedDisconnect && !FStopping && S != popNone && S != popQuit && S != popReady;
    FPop->ClearBuffer();
    if (ForcedDisconnect) BothStatus(SJ("POPサーバから強制切断しました"));
    if (Broken) BothStatus(SJ("サーバとの接続が途中で切れました。もう一度接続してください"));
    FPop->ResetState();
    Fire(Events.OnProgressShown, false);
    Controls(true);
    ForcedDisconnect = false;
    FStopping = false;
}

void TReceiveFlow::POPLineTooLong() {
    // The client has dropped the reply and closed the connection.
    const std::string Text =
        SJ("サーバから長すぎる行が届いたため、接続を切りました。サーバを確かめてください");
    Fire(Events.OnProgressShown, false);
    BothStatus(Text);
    Box(TBoxIcon::Critical, Text);
}

// A header-only read connects anew: the answer holds for it too.
bool TReceiveFlow::POPTrust(const TCertificateProblem& Problem) {
    return AskToTrust(Events, Problem, FLife, FAccount);
}

void TReceiveFlow::POPTlsError(const std::string& Text) {
    // The client closes the connection after this event (reporting it only
    // when STLS had connected); its end is no break in the middle.
    const std::shared_ptr<TLife> Life = FLife;
    FStopping = true;
    Fire(Events.OnProgressShown, false);
    Box(TBoxIcon::Critical, Text);
    if (!Life->Alive) return;
    Fire(Events.OnOkCaption, SJ("再接続"));
    BothStatus(Text);
    Controls(true);
}

void TReceiveFlow::SecurityRefused(const std::string& Text) {
    // The server cannot or will not encrypt: the connection ends before the
    // password would go out, as after a refused login.
    const std::shared_ptr<TLife> Life = FLife;
    Fire(Events.OnProgressShown, false);
    Box(TBoxIcon::NoIcon, Text);
    if (!Life->Alive || !FPop) return;
    BothStatus(Text);
    QuitPop();
    Controls(true);
}

// ---------------------------------------------------------------- listing

void TReceiveFlow::ClearRows() {
    FMarks.clear();
    Fire(Events.OnRowsCleared);
}

void TReceiveFlow::RowsCleared() { FMarks.clear(); }

void TReceiveFlow::AddListRow() {
    std::unique_ptr<TINetMessage> Msg = MessageFromLines(FPop->Lines);
    TListRow Row;
    Row.Number = HeaderCursor;
    Row.Caption = "(" + IntToStr(HeaderCursor) + ")" + Msg->From();
    Row.Subject = Msg->Subject();
    Row.Date = Msg->Date();
    Row.Size = FPop->MessageSize(HeaderCursor - 1);
    FStore->Add(Row.Subject, std::move(Msg));
    FMarks.push_back(false);
    Fire(Events.OnRowAdded, Row);
}

void TReceiveFlow::RetrieveNextHeader() {
    ++HeaderCursor;
    if (HeaderCursor > FPop->MessageCount) {
        ListingDone();
        return;
    }
    ShowProgress();
    FPop->RetrieveHeader(HeaderCursor);
}

void TReceiveFlow::RetrieveNextWhole() {
    ++HeaderCursor;
    if (HeaderCursor > FPop->MessageCount) {
        ListingDone();
        return;
    }
    ShowProgress();
    FPop->Retrieve(HeaderCursor);
}

void TReceiveFlow::ListingDone() {
    ConnectStatus(SJ("メールの情報読み込み完了。「メール鑑賞」をご覧下さい"));
    PopStatus(SJ("メールの情報読み込みが完了しました"));
    Fire(Events.OnOkCaption, std::string("OK"));
    Controls(true);
    QuitPop();
}

void TReceiveFlow::ShowProgress() {
    ConnectStatus(SJ("mailの読み込み中"));
    Fire(Events.OnProgressShown, true);
    Fire(Events.OnProgress, 10);
}

void TReceiveFlow::QuitPop() {
    if (FPop) FPop->Quit();
}

// ---------------------------------------------------------------- reading

void TReceiveFlow::ReadOneMessage(int N) {
    ReadTarget = N;
    BothStatus(IntToStr(N) + SJ("通目のメール読込中"));
    if (!FPop) return;
    // The connection of the listing may still be saying goodbye.
    const std::shared_ptr<TLife> Life = FLife;
    if (FPop->Opening() && FPop->State == popQuit)
        ProcessEventsUntil([this, Life] { return !Life->Alive || !FPop || !FPop->Opening(); }, CloseWaitMs);
    if (!Life->Alive || !FPop) return;
    FStopping = false;
    Connect();
}

void TReceiveFlow::RetrieveTarget(bool HaveUids) {
    // The row's message may have another number by now, or be gone: the
    // mailbox may have changed since the listing.
    FReadNumber = ReadTarget > 0 ? NumberNow(ReadTarget - 1, HaveUids, UidNumbers(HaveUids)) : 0;
    if (ReadTarget > 0 && FReadNumber == 0) {
        const int Row = ReadTarget;
        FinishTarget();
        const std::string Text = IntToStr(Row) + SJ("通目のメールはすでにサーバにありません");
        BothStatus(Text);
        const std::shared_ptr<TLife> Life = FLife;
        Box(TBoxIcon::Information,
            Text + SJ("（ほかのメールソフトなどで消去されたようです）。「OK」で一覧を読み直してください"));
        if (!Life->Alive) return;
        Controls(true);
        return;
    }
    if (!FPop->Retrieve(FReadNumber)) {
        // The mailbox holds fewer messages than the list now.
        FinishTarget();
        PopStatus(SJ("メールの数の範囲を超えています"));
        Controls(true);
    }
}

void TReceiveFlow::StoreFullMessage() {
    Hourglass(true);
    Controls(false);
    std::unique_ptr<TINetMessage> Msg = MessageFromLines(FPop->Lines);
    FPop->Lines.Clear();  // the store holds the message now
    const std::string Subject = Msg->Subject();
    FStore->Put(ReadTarget - 1, Subject, std::move(Msg));
    DisplayMessage(ReadTarget - 1, ShowHeader);
    ConnectStatus(SJ("メールの読込完了"));
    PopStatus(SJ("メールの展開完了"));
    Hourglass(false);
    Controls(true);
}

void TReceiveFlow::FinishTarget() {
    QuitPop();
    ReadTarget = 0;
    FReadNumber = 0;
}

void TReceiveFlow::DisplayMessage(int Index, bool WithHeader) {
    const TINetMessage* Msg = FStore->Message(Index);
    if (!Msg) return;
    // The stored message as header lines, an empty line and body lines.
    TMessageReader& R = *FReader;
    R.Begin();
    const TStringList& Head = Msg->Header();
    for (int I = 0; I < Head.Count(); ++I) R.AddLine(Head.View(I));
    R.AddLine(std::string_view());
    const TStringList& Body = Msg->Body();
    for (int I = 0; I < Body.Count(); ++I) R.AddLine(Body.View(I));
    R.End();
    FShownValid = true;
    TReadLayout Layout = R.Layout(WithHeader);
    FAttachments = Layout.Attachments;
    Fire(Events.OnShowMessage, Layout);
}

void TReceiveFlow::ReadAt(const TAccountRecord& Account, int Row) {
    FAccount.mailhead = Account.mailhead;
    if (HeaderOnly()) {
        ReadingWhole = true;
        KeepList = true;
        Fire(Events.OnSelectRow, Row);
        ReadOneMessage(Row + 1);
    } else {
        Fire(Events.OnSelectRow, Row);
        DisplayMessage(Row, ShowHeader);
    }
}

void TReceiveFlow::CheckListBox1DblClick(const TAccountRecord& Account, int Row) {
    if (RowCount() == 0) return;
    const std::shared_ptr<TLife> Life = FLife;
    Hourglass(true);
    Fire(Events.OnReadCleared);
    Controls(false);
    if (Row >= 0 && Row < RowCount()) {
        PopStatus(IntToStr(Row + 1) + SJ("通目のメール読込中"));
        FAccount.mailhead = Account.mailhead;
        if (HeaderOnly()) {
            ReadingWhole = true;
            KeepList = true;
            ReadOneMessage(Row + 1);
        } else {
            ReadingWhole = false;
            DisplayMessage(Row, ShowHeader);
            PopStatus(IntToStr(Row + 1) + SJ("通目のメール読込完了"));
        }
        if (!Life->Alive) return;
        Fire(Events.OnSpinValue, Row + 1);
    }
    Hourglass(false);
    Controls(true);
}

void TReceiveFlow::CheckListBox1KeyPress(const TAccountRecord& Account, int Row) {
    if (Row < 0 || Row >= RowCount()) return;
    Fire(Events.OnSpinValue, Row + 1);
    ReadAt(Account, Row);
}

int TReceiveFlow::SpinEdit1Change(const TAccountRecord& Account, int Value, bool FromButtons) {
    const int V = std::min(Value, RowCount());
    if (FromButtons && RowCount() > 0 && V > 0) {
        const std::shared_ptr<TLife> Life = FLife;
        Fire(Events.OnListFocus);
        Hourglass(true);
        Controls(false);
        Fire(Events.OnReadCleared);
        ReadAt(Account, V - 1);
        if (!Life->Alive) return V;
        Controls(true);
        Hourglass(false);
    }
    return V;
}

void TReceiveFlow::SpinEdit1KeyDown(const TAccountRecord& Account, int Value, int Min, int Max) {
    if (RowCount() == 0) return;
    const std::shared_ptr<TLife> Life = FLife;
    Fire(Events.OnListFocus);
    Hourglass(true);
    Fire(Events.OnReadCleared);
    Controls(false);
    const bool InRange = Value >= Min && Value <= Max && Value >= 1 && Value <= RowCount();
    if (InRange)
        ReadAt(Account, Value - 1);
    else
        Box(TBoxIcon::NoIcon, SJ("メールの数の範囲を超えています"));
    if (!Life->Alive) return;
    Controls(true);
    Hourglass(false);
}

void TReceiveFlow::ListView1SelectItem() {
    Fire(Events.OnAttachmentsCleared);
    PopStatus(SJ("メールを読むときは項目をダブルクリックして下さい"));
}

void TReceiveFlow::ListView1Change(int Row, bool Mark) {
    if (Row < 0 || Row >= RowCount()) return;
    FMarks[static_cast<size_t>(Row)] = Mark;
    const std::string No = SJ("（") + IntToStr(Row + 1) + SJ("）");
    if (Mark) {
        PopStatus(No + SJ("のメール削除のチェックがつきました"));
        CheckSeen = true;
    } else if (CheckSeen) {
        PopStatus(No + SJ("のメール削除が解除されました"));
    }
}

bool TReceiveFlow::SaveAttachment(int Index, const std::string& Path, std::string& Error) {
    if (!FShownValid || Index < 0 || Index >= static_cast<int>(FAttachments.size())) {
        Error = SJ("保存する添付ファイルがありません");
        return false;
    }
    return SaveAttachmentAs(FReader->Mime(), FAttachments[static_cast<size_t>(Index)].Number, Path, Error);
}

// ---------------------------------------------------------------- deleting

void TReceiveFlow::Button1Click(const TAccountRecord& Account) {
    DeleteMode = true;
    DeleteCount = RowCount();
    Fire(Events.OnSpinValue, 0);
    if (FPop) FPop->APop = Account.ApopOn;
    ReadingWhole = false;
    const std::shared_ptr<TLife> Life = FLife;
    PasswdOKClick(Account);
    if (!Life->Alive) return;
    KeepList = false;
}

std::unordered_map<std::string, int> TReceiveFlow::UidNumbers(bool HaveUids) const {
    std::unordered_map<std::string, int> Now;
    if (!HaveUids) return Now;
    const std::vector<std::string>& Uids = FPop->Uids;
    for (size_t I = 0; I < Uids.size(); ++I)
        if (!Uids[I].empty()) Now.emplace(Uids[I], static_cast<int>(I) + 1);
    return Now;
}

int TReceiveFlow::NumberNow(int Row, bool HaveUids, const std::unordered_map<std::string, int>& Now) const {
    // The rows belong to the listing they came from; the mailbox may have
    // changed since (another program deleted or received mail). A row's
    // message is found again by its unique id, or, without ids, kept at its
    // number only while its size is the listed one.
    const TPOPx& C = *FPop;
    const size_t I = static_cast<size_t>(Row);
    const std::string Uid = I < FListedUids.size() ? FListedUids[I] : std::string();
    if (HaveUids && !Uid.empty()) {
        const auto It = Now.find(Uid);
        return It != Now.end() ? It->second : 0;
    }
    if (Row < C.MessageCount && I < FListedSizes.size() && C.MessageSize(Row) == FListedSizes[I])
        return Row + 1;
    return 0;
}

void TReceiveFlow::PlanDeletes(bool HaveUids) {
    const std::unordered_map<std::string, int> Now = UidNumbers(HaveUids);
    FDeletePlan.clear();
    DeleteGone = 0;
    const int Count = std::min(DeleteCount, RowCount());
    for (int R = 0; R < Count; ++R) {
        if (!FMarks[static_cast<size_t>(R)]) continue;
        if (const int N = NumberNow(R, HaveUids, Now))
            FDeletePlan.push_back(N);
        else
            ++DeleteGone;
    }
}

void TReceiveFlow::DeleteNextChecked() {
    ++DeleteCursor;
    while (DeleteCursor <= static_cast<int>(FDeletePlan.size())) {
        if (FPop->Delete(FDeletePlan[static_cast<size_t>(DeleteCursor - 1)])) return;
        ++DeleteCursor;
    }
    // Past the last marked message.
    std::string Done = SJ("チェック付きのメールの削除が完了しました");
    if (DeleteGone > 0) Done += SJ("（") + IntToStr(DeleteGone) + SJ("通はすでにサーバにありませんでした）");
    PopStatus(Done);
    Controls(true);
    QuitPop();
    DeleteMode = false;
    ClearRows();
    Fire(Events.OnAttachmentsCleared);
    Fire(Events.OnReadCleared);
    // The new listing runs once this event has returned and the connection
    // has closed.
    const int Gone = DeleteGone;
    QTimer::singleShot(0, this, [this, Gone] {
        const std::shared_ptr<TLife> Life = FLife;
        if (Gone > 0) {
            Box(TBoxIcon::Information, SJ("チェックしたメールのうち") + IntToStr(Gone) +
                                           SJ("通はすでにサーバから消えていたため、消去していません"));
            if (!Life->Alive) return;
        }
        ProcessEventsUntil([this, Life] { return !Life->Alive || !FPop || !FPop->Opening(); }, CloseWaitMs);
        if (!Life->Alive) return;
        if (FPop && FPop->Opening()) FPop->Close();
        PasswdOKClick(FAccount);
    });
}
