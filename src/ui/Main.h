// TMainForm: the main window with its send, read and connection pages, its
// menu and status bars, and the window-wide commands (focus tracking and the
// clipboard, saving and opening text, file drop, forced disconnect, account
// choice, the clock, the about box).
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AccessibleControls.h"
#include "AccountHost.h"
#include "DialogFolders.h"
#include "EditCommands.h"  // ActiveTextControl, TEditItems
#include "ResizeLayout.h"
#include "SendFlow.h"
#include "TextFiles.h"

class QAction;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTextEdit;
class QTimer;
class QTreeWidget;
class QVBoxLayout;

class QTreeWidgetItem;
class TReceiveFlow;
class TSpinEdit2;
class Tabout;
struct TListRow;
struct TReadLayout;

// ---------------------------------------------------------------------------
// Program-wide values.

// ActiveTextControl (EditCommands.h) is the clipboard commands' target.
// AccountCount, CurrentAccount and SelectedAccount live in the settings
// window's TAccountSettings (Form3->Settings).

// Every message box and question of the windows goes through this hook, so
// tests can answer them. The default shows a real QMessageBox and returns
// the button pressed. Title empty means the application's title.
using TMessageBoxHook =
    std::function<QMessageBox::StandardButton(QWidget* Parent, QMessageBox::Icon Icon, const QString& Title,
                                              const QString& Text, QMessageBox::StandardButtons Buttons)>;
extern TMessageBoxHook MessageBoxHook;
// Calls MessageBoxHook (or the default when the hook is empty).
QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, QMessageBox::Icon Icon, const QString& Text,
                                           QMessageBox::StandardButtons Buttons = QMessageBox::Ok,
                                           const QString& Title = QString());

// ---------------------------------------------------------------------------

// The settings window (global Form3) and the signature editor (global
// OKsign) reach this window through its Host only.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* Parent = nullptr);
    ~TMainForm() override;

    // --- Windows this one works with (set by the program start) ----------
    // The about box; the settings window and the signature editor are the
    // globals Form3 and OKsign.
    Tabout* about = nullptr;
    // Called after the main window (Tag 0) has closed; the program start
    // ends the event loop here.
    std::function<void()> OnMainClosed;
    // File dialogs, starting in Dir (StartFolder, DialogFolders.h); tests
    // replace them. Return the chosen path, or an empty string when cancelled.
    std::function<QString(const QString& Dir, const QString& Name, const QString& Filter)> SaveDialog;
    std::function<QString(const QString& Dir, const QString& Filter)> OpenDialog;
    // The open dialog (an existing file) and the save dialog (asking before
    // overwriting; Suffix is added to a name typed without one), through the
    // hooks above when set. They start in the folder of Kind, and a chosen
    // path becomes that kind's folder. Empty when cancelled.
    QString AskOpenPath(TDialogFolder Kind, const QString& Filter);
    QString AskSavePath(TDialogFolder Kind, const QString& Name, const QString& Filter,
                        const QString& Suffix = QString());
    // "Text files (*.txt)|*.TXT|all files (*.*)|*.*" as a dialog filter.
    static const QString TextFilter;

    // --- State -------------------------------------------------------------
    int Tag = 0;  // 0: the main window; 1..n: a patrol window
    // What the settings window knows of this window: the account it uses,
    // its MySelf, and the events through which the settings window changes it.
    TAccountHost Host;
    // The receive state (the message store, the listing and delete cursors)
    // belongs to the receive flow, Receive below.
    bool ForcedDisconnect = false;
    QWidget* FocusedControl = nullptr;
    std::string InReplyToId;     // Shift_JIS
    std::string ReferencesText;  // Shift_JIS

    // --- Controls ----------------------------------------------------------
    QTabWidget* PageControl1 = nullptr;

    // Send page "メール配信"
    QWidget* SendPage = nullptr;
    QLabel* Label1 = nullptr;  // "To:"
    QLabel* Label2 = nullptr;  // "CC:"
    QLabel* Label3 = nullptr;  // "Subject:"
    QLabel* Label4 = nullptr;  // "添付file"
    QLineEdit* eTo = nullptr;
    QLineEdit* eCC = nullptr;
    QLineEdit* eSubject = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QPushButton* SendBtn = nullptr;
    QPushButton* ClearBtn = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QTextEdit* reMessageText = nullptr;
    QStatusBar* SMTPStatus = nullptr;

    // Read page "メール鑑賞"
    QWidget* RecvPage = nullptr;
    QLabel* lMessageCount = nullptr;
    QLabel* Label5 = nullptr;  // "通中"
    TSpinEdit2* SpinEdit1 = nullptr;
    QLabel* Label6 = nullptr;  // "通目表示"
    QPushButton* Button5 = nullptr;
    QPushButton* reletter = nullptr;
    QPushButton* Button1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QTextEdit* mReadMessage = nullptr;
    QStatusBar* POPStatus = nullptr;
    QProgressBar* ProgressBar2 = nullptr;
    QLabel* Label7 = nullptr;  // "添付ファイル"
    QPushButton* Button4 = nullptr;
    QComboBox* ComboBox1 = nullptr;

    // Connection page "接続設定"
    QWidget* ConPage = nullptr;
    QGroupBox* GroupBox1 = nullptr;  // "login please"
    QLabel* Label8 = nullptr;        // "User Name:"
    QLabel* Label9 = nullptr;        // "Password:"
    QComboBox* eUserName = nullptr;
    QLineEdit* ePassword = nullptr;
    QPushButton* PasswdOK = nullptr;
    QCalendarWidget* Calendar1 = nullptr;
    QLabel* Panel8 = nullptr;
    TStepButton* Button6 = nullptr;
    QLabel* Panel6 = nullptr;
    QPlainTextEdit* memo1 = nullptr;
    QLabel* Panel7 = nullptr;
    QCheckBox* Cmailhead = nullptr;
    QStatusBar* ConnectStatus = nullptr;
    QProgressBar* ProgressBar1 = nullptr;

    QTimer* Timer2 = nullptr;

    // Menus and their items.
    QMenu* File1 = nullptr;       // "ファイル(&F)"
    QAction* N1 = nullptr;        // "保存"
    QAction* Open1 = nullptr;     // "開く"
    QAction* N4 = nullptr;        // "強制接続解除(&F)"
    QAction* mailend = nullptr;   // "終了(&X)"
    QMenu* Copy1 = nullptr;       // "編集(&E)"
    QAction* Paste1 = nullptr;    // "貼り付け(&P)"
    QAction* Copy2 = nullptr;     // "コピー(&C)"
    QAction* Cut1 = nullptr;      // "切り取り(&T)"
    QAction* Edit1 = nullptr;     // "設定(&E)" (hidden: a window action outside the menu)
    QAction* N2 = nullptr;        // "アドレス帳(&A)"
    QMenu* View1 = nullptr;       // "表示(&V)"
    QAction* N3 = nullptr;        // "ヘッダ表示(&H)" (checkable)
    QMenu* Account1 = nullptr;    // "アカウント(&A)"
    QAction* N6 = nullptr;        // "追加(&A)"
    QMenu* edit2 = nullptr;       // "編集(&E)": one sub-item per account (settings window)
    QMenu* delete1 = nullptr;     // "削除(&D)": one sub-item per account (settings window)
    QAction* N5 = nullptr;        // separator
    QAction* patrol = nullptr;    // "巡回" (hidden: a window action outside the menu)
    QMenu* patrolList = nullptr;  // "巡回リスト" (hidden): one sub-item per account
    QMenu* Help1 = nullptr;       // "ヘルプ(&H)"
    QAction* About1 = nullptr;    // "バージョン情報(&V)"
    // Cut1, Copy2 and Paste1, which focus tracking enables.
    TEditItems EditItems;

    // --- Handlers ----------------------------------------------------------
    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormDeactivate();
    void FormResize();
    void FormClose();
    // Places the controls for page width W (FormResize's arithmetic).
    void ApplyLayout(int W);

    void OnClick(QWidget* Sender);
    void eToMouseUp(QWidget* Sender);
    void eToMouseMove();
    void eCCMouseMove();
    void eSubjectMouseMove();
    void OnChanging();
    void OnChange();

    void File1Click();
    void Copy1Click();
    void N1Click();
    void Open1Click();
    // Loads a dropped (or opened) file into reMessageText, replacing it;
    // errors are shown as a message box.
    void LoadFileIntoBody(const QString& Path);
    // A new message from outside (a mailto link): To, CC, Subject and the
    // body (Shift_JIS, lines broken by CR LF) fill the send page, which is
    // shown with the focus on the body (on To when To is empty).
    void FillSendPage(const std::string& To, const std::string& CC, const std::string& Subject,
                      const std::string& Body);
    void N4Click();
    void mailendClick();
    void Paste1Click();
    void Copy2Click();
    void Cut1Click();
    void Edit1Click();
    void N2Click();  // address book (MainSend.cpp)
    void N3Click();  // header display (MainReceive.cpp)
    void N6Click();
    void patrolClick();  // patrol windows (MainReceive.cpp)
    void About1Click();
    void ePOPserverChange();
    void Passchange();
    void CmailheadClick();
    void Timer2Timer();

    // The anniversary calendar of the connection page.
    void Calendar1Click();
    void Button6MouseDown(Qt::MouseButton Button);
    void Button6KeyDown(int Key, Qt::KeyboardModifiers Mods);
    // Today's date for the calendar; tests replace it.
    static std::function<QDate()> CalendarToday;

    void PasswdOKClick();  // login and listing (MainReceive.cpp)
    void SendBtnClick();   // MainSend.cpp

    // --- Operations used by the mail flows and the settings window ---------
    void DisableReceiveControls();
    void EnableReceiveControls();
    void DisableSendControls();
    void EnableSendControls();
    void mailreadclear();
    void ResetPopShow();
    void SetMySelf(int N) { Host.MySelf = N; }
    int GetMySelf() const { return Host.MySelf; }
    // A flow's certificate question (Text, Shift_JIS) as a Yes/No box. On
    // Yes, Fingerprint is stored with the account this window uses (its
    // MySelf) and joins the window's own record, so that its next connection
    // trusts the certificate; true for Yes.
    bool AskTrustCertificate(const std::string& Text, const std::string& Fingerprint);

    // --- The send page (MainSend.cpp) --------------------------------------
    // The page's work without widgets: the send checks, building the
    // message, the SMTP dialogue and its texts. It owns the window's SMTP
    // client ("Smtp" + Tag) and reports to the page. Tests set its port and
    // its reachability check.
    std::unique_ptr<TSendFlow> SendFlow;
    // The page's fields as the flow takes them: Shift_JIS texts, the body's
    // lines joined by CR LF, the files as file-system paths, and the reply
    // fields InReplyToId and ReferencesText.
    TSendDraft SendDraft() const;
    // Puts Draft into the page's fields and the reply fields.
    void ShowSendDraft(const TSendDraft& Draft);
    void ClearBtnClick();
    void Button2Click();  // a file to send: the open dialog
    void Button3Click();  // the selected file to send goes
    void ComboBox2Change();
    // The forced disconnect's SMTP side: true when a connection was aborted.
    bool ForceSendDisconnect();
    // The window closes: the client quits when connected and is freed.
    void CloseSend();

    // --- Receiving and reading (MainReceive.cpp) ---------------------------
    // The widget-free receive flow of this window: its POP3 client ("Pop" +
    // Tag), the message store and the flow state. The handlers below forward
    // to it and paint what it reports.
    TReceiveFlow* Receive = nullptr;
    // The account a receive operation uses: the settings window's record for
    // this window, with this window's user name, password and listing mode.
    TAccountRecord ReceiveAccount() const;
    // The row of the list selected now, -1 for none.
    int SelectedRow() const;
    void Button1Click();  // "消去(&D)": the delete pass
    void CheckListBox1DblClick();
    void CheckListBox1KeyPress();
    void ListView1KeyDown(QKeyEvent* Event);  // Ctrl+D toggles the mark
    void ListView1Enter();
    void ListView1SelectItem();
    void ListView1Change(QTreeWidgetItem* Item);
    void SpinEdit1Change();
    void SpinEdit1KeyDown(int& Key);
    void Button4Click();  // "保存": save the chosen attachment
    void ComboBox1Change();
    void reletterClick();  // "返信(&R)"
    void Button5Click();   // "全返信(&A)"
    // A patrol opens at most this many windows.
    static constexpr int MaxPatrolWindows = 32;
    // Called with the receive flow of every new window (patrol windows too);
    // tests give it their port and reachability check.
    static std::function<void(TReceiveFlow&)> ReceiveSetUp;

protected:
    void showEvent(QShowEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // One step of the month button: back or forward, captions rebuilt.
    void StepCalendar(bool Forward);
    // The grid turned to another month by itself.
    void CalendarPageChanged(int Year, int Month);
    // Panel8 and Button6 := the year and month the grid shows.
    void ShowCalendarCaptions();
    void CreateControls();
    void CreateMenus();
    QVBoxLayout* AddPage(QWidget* Page, const QString& Name, const QString& Caption);
    QStatusBar* AddStatusBar(QVBoxLayout* Box, const char* Name, const char* ProgressName = nullptr,
                             QProgressBar** Progress = nullptr);
    void CreateSendPage();
    void CreateRecvPage();
    void CreateConPage();
    // Sets the events of Host.
    void ConnectHost();
    // A reload's accounts: the user-name box and the account menus.
    void ShowAccountList(const TAccountList& List);
    void SetReceiveControls(bool Enabled);
    void SetSendControls(bool Enabled);
    // The send page's flow, its reports and the page's buttons (MainSend.cpp).
    void ConnectSend();
    int FSendHourglass = 0;  // hourglass turns the send flow has not taken back

    // Receiving: the flow made and its reports wired; its key and focus events.
    void CreateReceive();
    bool ReceiveEventFilter(QObject* Watched, QEvent* Event);
    // What the flow reported during a connection, shown together at most
    // every PaintInterval milliseconds.
    static constexpr int PaintInterval = 100;
    bool Throttled();
    template <typename T>
    void SetPending(std::optional<T>& Slot, const T& Value);
    void ApplyPending();
    void AddPendingRows();
    void ShowReadLayout(const TReadLayout& Layout);
    void Reply(bool ToAll);
    void SetHourglass(bool On);
    QTimer* FPaintTimer = nullptr;
    std::vector<QTreeWidgetItem*> FPendingRows;
    std::optional<QString> FPendingConnect, FPendingPop;
    std::optional<int> FPendingPosition;
    std::optional<bool> FPendingShown;
    int FHourglass = 0;
    bool FInSpinChange = false;
    bool FClosed = false;
    bool FShown = false;
};
