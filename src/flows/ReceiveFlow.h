// TReceiveFlow: the read page's work without widgets: login, listing, reading, the delete pass, attachments and their texts.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Accounts.h"
#include "Flow.h"
#include "MailEngine.h"
#include "ReadLayout.h"
#include "SysUtils.h"

class TBaseMessage;
class TMessageReader;
class TMessageStore;
class TPOPx;
class TCustomWinSocket;

// One row of the message list, for message number Number.
struct TListRow {
    int Number = 0;
    std::string Caption;  // "(" + Number + ")" + the decoded From
    std::string Subject;  // the decoded Subject
    TDateTime Date = 0;   // Japan time; 0 when the message has no usable date
    int Size = -1;        // the listed size; -1 when the listing has none
};

// What the receive flow reports to its window (see Flow.h for the shared ones).
// Texts are Shift_JIS.
struct TReceiveEvents : TFlowEvents {
    // The status bars of the connection page (ConnectStatus) and of the read
    // page (POPStatus).
    std::function<void(const std::string& Text)> OnConnectStatus;
    std::function<void(const std::string& Text)> OnPopStatus;
    // The login button's caption ("OK", "接続中", "再接続").
    std::function<void(const std::string& Caption)> OnOkCaption;
    // The connection page's panel that tells the message count, and the read
    // page's counter.
    std::function<void(const std::string& Text)> OnCountText;
    std::function<void(int Count)> OnMessageCount;
    // The message-number field: its range and value.
    std::function<void(int Min, int Max, int Value)> OnSpinRange;
    std::function<void(int Value)> OnSpinValue;
    // The message list: every row removed; one row appended.
    std::function<void()> OnRowsCleared;
    std::function<void(const TListRow& Row)> OnRowAdded;
    // Row (0-based) becomes the selected and focused row; focus to the list.
    std::function<void(int Row)> OnSelectRow;
    std::function<void()> OnListFocus;
    // Both progress bars: shown in their status bars or hidden; their position.
    std::function<void(bool Shown)> OnProgressShown;
    std::function<void(int Position)> OnProgress;
    // Enable (true) or disable (false) the receive controls.
    std::function<void(bool Enabled)> OnReceiveControls;
    // The read text box emptied; the attachment list emptied (save button off).
    std::function<void()> OnReadCleared;
    std::function<void()> OnAttachmentsCleared;
    // A message shown: the read box gets Layout.Lines (after its old text went),
    // the attachment list Layout.Attachments with the first one selected, and
    // the save button is enabled when Layout.CanSave.
    std::function<void(const TReadLayout& Layout)> OnShowMessage;
};

class TReceiveFlow : public QObject {
    Q_OBJECT
public:
    explicit TReceiveFlow(int Tag = 0, QObject* Parent = nullptr);
    // The client goes without reporting to the window.
    ~TReceiveFlow() override;

    // The window's number: the client made at the first login is called
    // "Pop" + Tag.
    int Tag = 0;
    TReceiveEvents Events;
    TReachCheckFactory MakeReachCheck = ChekPingFactory();
    // The POP3 port when not 0; otherwise the account's (110 unless set).
    // The account's security and trusted certificates apply either way; a
    // certificate that fails its check is put to OnTrustCertificate.
    int Port = 0;
    // The longest reply line the client accepts (see TPopEngine).
    size_t MaxLineLength = size_t(64) << 20;
    // The header display ("ヘッダ表示(&H)"): messages are shown with their
    // header lines first.
    bool ShowHeader = false;

    // The login button: the reachability check, then a new connection that
    // logs in and lists. While a connection is open it ends it instead.
    // Account gives the server, the user name, the password and the options.
    // False when it stopped before the reachability check (no server name:
    // message box and settings window; no user name or password: silently).
    bool PasswdOKClick(const TAccountRecord& Account);
    // "消去(&D)": logs in again, deletes the marked messages and lists anew.
    void Button1Click(const TAccountRecord& Account);
    // The forced disconnect's POP3 side; true when it closed a connection.
    bool ForceDisconnect();
    // The window closes: an open connection says QUIT, the client goes and
    // the store is emptied; nothing more is reported.
    void End();

    // Reading. Row is the selected row (-1 for none); reading in header-only
    // mode (Account.mailhead) fetches the message on a new connection.
    void CheckListBox1DblClick(const TAccountRecord& Account, int Row);  // double-click
    void CheckListBox1KeyPress(const TAccountRecord& Account, int Row);  // Enter in the list
    // The message-number field changed to Value; FromButtons when its spin
    // buttons changed it. Returns the value to show (lowered to the row count).
    int SpinEdit1Change(const TAccountRecord& Account, int Value, bool FromButtons);
    // Enter in the message-number field, whose range is Min .. Max.
    void SpinEdit1KeyDown(const TAccountRecord& Account, int Value, int Min, int Max);

    // The list: a row became selected; a row's delete mark was set or cleared.
    void ListView1SelectItem();
    void ListView1Change(int Row, bool Marked);
    // The window removed the rows by itself (another account, another mode):
    // the marks go with them.
    void RowsCleared();

    // Saves attachment Index (of the attachment list of the message shown) to
    // Path (program text), replacing a file there only when the save
    // succeeded. False with a Japanese Error when nothing was saved.
    bool SaveAttachment(int Index, const std::string& Path, std::string& Error);

    // What was shown last: the message (its header fields; null before the
    // first) and the attachment list.
    const TBaseMessage* ShownMessage() const;
    const std::vector<TAttachmentEntry>& Attachments() const { return FAttachments; }

    // The flow state.
    int HeaderCursor = 0;       // number of the last message listed
    int ReadTarget = 0;         // number of the message being fetched whole; 0 for none
    bool ReadingWhole = false;  // one message is being fetched whole
    bool KeepList = false;      // the next connection keeps the rows and the store
    bool DeleteMode = false;
    int DeleteCursor = 0;
    int DeleteCount = 0;
    bool CheckSeen = false;  // a mark was set since the login
    bool ForcedDisconnect = false;
    // Marked messages the last delete pass did not find on the server.
    int DeleteGone = 0;

    const TMessageStore& MessageStore() const { return *FStore; }
    int RowCount() const { return static_cast<int>(FMarks.size()); }
    bool Marked(int Row) const;
    // The client, once the first login made it.
    TPOPx* Pop() const;
    // A connection is open or being opened.
    bool Connected() const;

private:
    using TLife = TFlowLife;

    void Login();
    void CreateClient();
    // Opens the client's connection with the account's port and security.
    void Connect();
    bool HeaderOnly() const { return FAccount.mailhead; }

    // The client's events.
    void POPConnecting();
    void POPConnect();
    void POPRecvComp(bool Ok, TPopState State);
    void POPHeaderRecv();
    void POPGetError(TPopState State);
    void POPReceiving(int Bytes);
    void POPError(int& ErrorCode);
    void POPDisconnect();
    void POPLineTooLong();
    bool POPTrust(const TCertificateProblem& Problem);
    void POPTlsError(const std::string& Text);
    void SecurityRefused(const std::string& Text);

    // Internal operations.
    void ListingArrived(bool WithUids);
    void AddListRow();
    void StoreFullMessage();
    void DisplayMessage(int Index, bool WithHeader);
    void RetrieveNextHeader();
    void RetrieveNextWhole();
    void ListingDone();
    void ReadOneMessage(int N);
    // Fetches the message of row ReadTarget by its number now (HaveUids:
    // the client holds the current unique ids), or tells that it is gone.
    void RetrieveTarget(bool HaveUids);
    void FinishTarget();
    void QuitPop();
    void ShowProgress();
    // The client's current numbers by unique id (empty without HaveUids).
    std::unordered_map<std::string, int> UidNumbers(bool HaveUids) const;
    // The current number of the message of listed row Row (0-based); 0 when
    // it is no longer on the server.
    int NumberNow(int Row, bool HaveUids, const std::unordered_map<std::string, int>& Now) const;
    void PlanDeletes(bool HaveUids);
    void DeleteNextChecked();
    void ReadAt(const TAccountRecord& Account, int Row);

    void ConnectStatus(const std::string& T) { Fire(Events.OnConnectStatus, T); }
    void PopStatus(const std::string& T) { Fire(Events.OnPopStatus, T); }
    void BothStatus(const std::string& T) {
        ConnectStatus(T);
        PopStatus(T);
    }
    void Controls(bool On) { Fire(Events.OnReceiveControls, On); }
    void Hourglass(bool On) { Fire(Events.OnHourglass, On); }
    void Box(TBoxIcon Icon, const std::string& T) { Fire(Events.OnMessageBox, Icon, T); }
    void ClearRows();

    std::unique_ptr<TPOPx> FPop;
    std::unique_ptr<TMessageStore> FStore;
    std::unique_ptr<TMessageReader> FReader;  // holds the message shown
    bool FShownValid = false;
    std::vector<TAttachmentEntry> FAttachments;
    TAccountRecord FAccount;   // of the operation under way
    std::vector<bool> FMarks;  // per row: marked for deletion
    // The listing the rows came from: each message's size and unique id.
    std::vector<int> FListedSizes;
    std::vector<std::string> FListedUids;
    bool FStopping = false;        // the connection is being ended: no further commands
    std::vector<int> FDeletePlan;  // current numbers of the marked messages
    int FReadNumber = 0;           // current number of the message of row ReadTarget
    std::shared_ptr<TLife> FLife;
};
