// TMainForm: the main window's controls, menus and window-wide commands, and
// the widget-free helpers behind them (layout arithmetic, text files).
#include "Main.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTime>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "AccessibleControls.h"
#include "BaseMsg.h"
#include "DialogFolders.h"
#include "Fonts.h"
#include "MailNews.h"
#include "ReceiveFlow.h"
#include "SysUtils.h"
#include "Unit3.h"
#include "WidgetText.h"
#include "cp932.h"
#include "days.h"
#include "help.h"
#include "sign.h"
#include "spinEdit.h"

TMessageBoxHook MessageBoxHook;

namespace {

// Caption text of a UTF-8 source literal.
QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The two text boxes hold at most this many characters.
constexpr int MaxBoxLength = 1000000;

QMessageBox::StandardButton DefaultMessageBox(QWidget* Parent, QMessageBox::Icon Icon, const QString& Title,
                                              const QString& Text, QMessageBox::StandardButtons Buttons) {
    QMessageBox Box(Icon, Title.isEmpty() ? QApplication::applicationName() : Title, Text, Buttons, Parent);
    return static_cast<QMessageBox::StandardButton>(Box.exec());
}

// A menu caption shows "&" only when doubled.
QString MenuCaption(const std::string& Sjis) {
    return ShownText(Sjis).replace(QLatin1Char('&'), QLatin1String("&&"));
}

// Takes every item out of a menu. The items are deleted later, since the item
// whose action runs this may still be delivering its signal.
void ClearMenu(QMenu* Menu) {
    for (QAction* A : Menu->actions()) {
        Menu->removeAction(A);
        A->deleteLater();
    }
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* Parent, QMessageBox::Icon Icon, const QString& Text,
                                           QMessageBox::StandardButtons Buttons, const QString& Title) {
    if (MessageBoxHook) return MessageBoxHook(Parent, Icon, Title, Text, Buttons);
    return DefaultMessageBox(Parent, Icon, Title, Text, Buttons);
}

// ---------------------------------------------------------------------------
// TMainForm: construction

TMainForm::TMainForm(QWidget* Parent) : QMainWindow(Parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("velnaro ver1.2.1.4"));
    setFont(WindowFont());
    CreateMenus();
    CreateControls();
    CreateReceive();
    ConnectHost();
    ConnectSend();
    resize(620, 470);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(1000);
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    Timer2->start();
    Timer2Timer();

    FormCreate();
}

TMainForm::~TMainForm() {
    // The mail clients may still report a disconnection while they go; they
    // must do so while this window is whole.
    delete Receive;
    Receive = nullptr;
    CloseSend();
    // Tearing down the pages emits change signals; nothing may react now.
    for (QObject* Child : findChildren<QObject*>()) Child->blockSignals(true);
    if (ActiveTextControl && isAncestorOf(ActiveTextControl)) ActiveTextControl = nullptr;
    if (Form3 && Tag == 0 && Form3->MainForm() == &Host) Form3->Tag = 0;
}

void TMainForm::CreateMenus() {
    QMenuBar* Bar = menuBar();
    Bar->setObjectName(QStringLiteral("MainMenu1"));
    auto Item = [this](QMenu* Menu, const char* Name, const char* Caption, QKeySequence Key,
                       void (TMainForm::*Handler)()) {
        QAction* A = new QAction(U(Caption), this);
        A->setObjectName(QString::fromLatin1(Name));
        if (!Key.isEmpty()) A->setShortcut(Key);
        Menu->addAction(A);
        connect(A, &QAction::triggered, this, [this, Handler] { (this->*Handler)(); });
        return A;
    };
    auto SubMenu = [this](QMenu* Owner, const char* Name, const char* Caption) {
        QMenu* M = Owner ? Owner->addMenu(U(Caption)) : menuBar()->addMenu(U(Caption));
        M->setObjectName(QString::fromLatin1(Name));
        M->menuAction()->setObjectName(QString::fromLatin1(Name) + QStringLiteral("Item"));
        return M;
    };

    File1 = SubMenu(nullptr, "File1", "ファイル(&F)");
    N1 = Item(File1, "N1", "保存", QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::N1Click);
    Open1 = Item(File1, "Open1", "開く", QKeySequence(Qt::CTRL | Qt::Key_O), &TMainForm::Open1Click);
    N4 = Item(File1, "N4", "強制接続解除(&F)", QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::N4Click);
    mailend = Item(File1, "mailend", "終了(&X)", QKeySequence(), &TMainForm::mailendClick);
    N1->setEnabled(false);
    Open1->setEnabled(false);
    connect(File1, &QMenu::aboutToShow, this, [this] { File1Click(); });

    Copy1 = SubMenu(nullptr, "Copy1", "編集(&E)");
    Paste1 =
        Item(Copy1, "Paste1", "貼り付け(&P)", QKeySequence(Qt::CTRL | Qt::Key_V), &TMainForm::Paste1Click);
    Copy2 = Item(Copy1, "Copy2", "コピー(&C)", QKeySequence(Qt::CTRL | Qt::Key_C), &TMainForm::Copy2Click);
    Cut1 = Item(Copy1, "Cut1", "切り取り(&T)", QKeySequence(Qt::CTRL | Qt::Key_X), &TMainForm::Cut1Click);
    Edit1 = Item(Copy1, "Edit1", "設定(&E)", QKeySequence(Qt::CTRL | Qt::Key_E), &TMainForm::Edit1Click);
    N2 = Item(Copy1, "N2", "アドレス帳(&A)", QKeySequence(Qt::CTRL | Qt::Key_B), &TMainForm::N2Click);
    connect(Copy1, &QMenu::aboutToShow, this, [this] { Copy1Click(); });

    View1 = SubMenu(nullptr, "View1", "表示(&V)");
    View1->setToolTip(QStringLiteral("mail header is epressed"));
    View1->menuAction()->setToolTip(QStringLiteral("mail header is epressed"));
    View1->menuAction()->setStatusTip(QStringLiteral("mail header is epressed"));
    N3 = Item(View1, "N3", "ヘッダ表示(&H)", QKeySequence(Qt::CTRL | Qt::Key_H), &TMainForm::N3Click);
    N3->setCheckable(true);

    Account1 = SubMenu(nullptr, "Account1", "アカウント(&A)");
    N6 = Item(Account1, "N6", "追加(&A)", QKeySequence(Qt::CTRL | Qt::Key_I), &TMainForm::N6Click);
    edit2 = SubMenu(Account1, "edit2", "編集(&E)");
    edit2->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    delete1 = SubMenu(Account1, "delete1", "削除(&D)");
    delete1->menuAction()->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    edit2->menuAction()->setEnabled(false);
    delete1->menuAction()->setEnabled(false);
    N5 = Account1->addSeparator();
    N5->setObjectName(QStringLiteral("N5"));
    patrol = Item(Account1, "patrol", "巡回", QKeySequence(Qt::CTRL | Qt::Key_P), &TMainForm::patrolClick);
    patrolList = SubMenu(Account1, "patrolList", "巡回リスト");
    patrolList->menuAction()->setVisible(false);

    Help1 = SubMenu(nullptr, "Help1", "ヘルプ(&H)");
    About1 = Item(Help1, "About1", "バージョン情報(&V)", QKeySequence(Qt::Key_F1), &TMainForm::About1Click);

    // The hidden items "設定(&E)" and "巡回" keep their keys and their enabled
    // state. Qt disables an invisible action and its shortcut, so these two
    // stay visible actions of the window itself, outside the menus.
    for (QAction* A : {Edit1, patrol}) {
        for (QMenu* M : {Copy1, Account1}) M->removeAction(A);
        addAction(A);
    }
    EditItems = {Cut1, Copy2, Paste1};
}

void TMainForm::ConnectHost() {
    Host.Window = this;
    Host.OnUserName = [this](const QString& Text) { eUserName->setEditText(Text); };
    Host.OnPassword = [this](const QString& Text) { ePassword->setText(Text); };
    Host.OnHeaderOnly = [this](bool On) { Cmailhead->setChecked(On); };
    Host.OnConnectStatus = [this](const std::string& Text) { ConnectStatus->showMessage(ShownText(Text)); };
    Host.OnClearMessages = [this] { mailreadclear(); };
    Host.OnAccountList = [this](const TAccountList& List) { ShowAccountList(List); };
    Host.OnAddItemEnabled = [this](bool On) { N6->setEnabled(On); };
    Host.OnTextFocus = [this](QWidget* Control) { EditItems.Track(Control); };
}

void TMainForm::ShowAccountList(const TAccountList& List) {
    {
        // Refilling the list and choosing its item is no change of the text
        // by the user: the change handler stays quiet.
        const QSignalBlocker B1(eUserName);
        const QSignalBlocker B2(eUserName->lineEdit());
        eUserName->clear();
        for (const std::string& N : List.Names) eUserName->addItem(ShownText(N));
        eUserName->setCurrentIndex(List.Selected);
    }
    const bool Any = !List.Names.empty();
    auto Fill = [&List](QMenu* M, const std::function<void(int)>& OnChoose,
                        const std::vector<bool>* Enabled) {
        ClearMenu(M);
        for (size_t i = 0; i < List.Names.size(); ++i) {
            QAction* A = M->addAction(MenuCaption(List.Names[i]));
            if (Enabled) A->setEnabled(i < Enabled->size() && (*Enabled)[i]);
            QObject::connect(A, &QAction::triggered, M, [OnChoose, i] {
                if (OnChoose) OnChoose(static_cast<int>(i));
            });
        }
    };
    Fill(edit2, List.OnEdit, nullptr);
    Fill(delete1, List.OnDelete, nullptr);
    Fill(patrolList, List.OnPatrol, &List.PatrolFlags);
    edit2->menuAction()->setEnabled(Any);
    delete1->menuAction()->setEnabled(Any);
    patrol->setEnabled(Any);
}

void TMainForm::CreateControls() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    setCentralWidget(PageControl1);
    CreateSendPage();
    CreateRecvPage();
    CreateConPage();
    PageControl1->setCurrentWidget(ConPage);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        OnChanging();
        OnChange();
    });
    for (QWidget* Page : {SendPage, RecvPage, ConPage}) Page->installEventFilter(this);

    // What assistive technology announces: each label names its field, the
    // other controls are named after their part of the page.
    const std::pair<QLabel*, QWidget*> Buddies[] = {
        {Label1, eTo},       {Label2, eCC},       {Label3, eSubject},  {Label4, ComboBox2},
        {Label6, SpinEdit1}, {Label7, ComboBox1}, {Label8, eUserName}, {Label9, ePassword},
    };
    for (const auto& [L, Field] : Buddies) L->setBuddy(Field);
    eUserName->lineEdit()->setAccessibleName(Label8->text());
    const std::pair<QWidget*, const char*> Names[] = {
        {reMessageText, "本文"},
        {ListView1, "メール一覧"},
        {mReadMessage, "受信メール"},
        {Calendar1, "カレンダー"},
        {Calendar1->findChild<QAbstractItemView*>(), "カレンダー"},
        {Button6, "月"},
        {memo1, "記念日"},
    };
    for (const auto& [W, Name] : Names)
        if (W) W->setAccessibleName(U(Name));

    // Focus tracking and mouse hints.
    for (QLineEdit* E : {eTo, eCC, eSubject}) {
        E->installEventFilter(this);
        E->setMouseTracking(true);
    }
    ePassword->installEventFilter(this);
    eUserName->installEventFilter(this);
    eUserName->lineEdit()->installEventFilter(this);
    for (QTextEdit* T : {reMessageText, mReadMessage}) {
        T->installEventFilter(this);
        T->viewport()->installEventFilter(this);
        connect(T, &QTextEdit::selectionChanged, this, [this, T] { OnClick(T); });
    }
    memo1->installEventFilter(this);
    memo1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);
    SpinEdit1->installEventFilter(this);
    // A file dropped anywhere on the window goes into the body; the text
    // fields would otherwise take its name as text.
    for (QWidget* W : findChildren<QWidget*>())
        if (W->acceptDrops()) W->installEventFilter(this);

    connect(eUserName, &QComboBox::editTextChanged, this, [this] { ePOPserverChange(); });
    connect(ePassword, &QLineEdit::textChanged, this, [this] { Passchange(); });
    connect(Cmailhead, &QCheckBox::toggled, this, [this] { CmailheadClick(); });
    connect(PasswdOK, &QPushButton::clicked, this, [this] { PasswdOKClick(); });
    connect(SendBtn, &QPushButton::clicked, this, [this] { SendBtnClick(); });
    // PasswdOK is the window's default button.
    auto PressDefault = [this] {
        if (PasswdOK->isEnabled() && PasswdOK->isVisible()) PasswdOK->click();
    };
    connect(ePassword, &QLineEdit::returnPressed, this, PressDefault);
    connect(eUserName->lineEdit(), &QLineEdit::returnPressed, this, PressDefault);

    // Keep "保存" and "開く" as the file menu would show them, so their keys
    // work without opening the menu first.
    connect(reMessageText, &QTextEdit::textChanged, this, [this] {
        if (reMessageText->document()->characterCount() - 1 > MaxBoxLength) {
            QTextCursor C(reMessageText->document());
            C.setPosition(MaxBoxLength);
            C.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            C.removeSelectedText();
        }
        File1Click();
    });
    connect(mReadMessage, &QTextEdit::textChanged, this, [this] { File1Click(); });
}

// Names a page, adds it to the page control under its tab caption and gives
// it the column layout every page uses.
QVBoxLayout* TMainForm::AddPage(QWidget* Page, const QString& Name, const QString& Caption) {
    Page->setObjectName(Name);
    PageControl1->addTab(Page, Caption);
    auto* Box = new QVBoxLayout(Page);
    Box->setContentsMargins(0, 0, 0, 0);
    Box->setSpacing(2);
    return Box;
}

// A page's status bar at the foot of its column, with a hidden 0..100
// progress bar inside when Progress is given.
QStatusBar* TMainForm::AddStatusBar(QVBoxLayout* Box, const char* Name, const char* ProgressName,
                                    QProgressBar** Progress) {
    auto* Bar = new QStatusBar;
    Bar->setObjectName(QString::fromLatin1(Name));
    Bar->setSizeGripEnabled(false);
    Box->addWidget(Bar);
    if (Progress) {
        *Progress = new QProgressBar(Bar);
        (*Progress)->setObjectName(QString::fromLatin1(ProgressName));
        (*Progress)->setRange(0, 100);
        (*Progress)->setTextVisible(false);
        (*Progress)->hide();
    }
    return Bar;
}

void TMainForm::CreateSendPage() {
    SendPage = new QWidget;
    QVBoxLayout* Box = AddPage(SendPage, QStringLiteral("SendPage"), U("メール配信"));

    auto* Top = new QWidget(SendPage);
    Top->setObjectName(QStringLiteral("Panel1"));
    Top->setFixedHeight(116);
    Box->addWidget(Top);

    auto Label = [Top](const char* Name, const char* Caption, int Y) {
        auto* L = new QLabel(U(Caption), Top);
        L->setObjectName(QString::fromLatin1(Name));
        L->setGeometry(8, Y + 3, 54, 16);
        return L;
    };
    auto Edit = [Top](const char* Name, const char* Hint, int Y) {
        auto* E = new QLineEdit(Top);
        E->setObjectName(QString::fromLatin1(Name));
        E->setToolTip(QString::fromUtf8(Hint));
        E->setGeometry(64, Y, 250, 22);
        return E;
    };
    Label1 = Label("Label1", "To:", 6);
    eTo = Edit("eTo", "Recipient's name(s), comma delimited", 6);
    Label2 = Label("Label2", "CC:", 34);
    eCC = Edit("eCC", "cc: name(s), comma delimited", 34);
    Label3 = Label("Label3", "Subject:", 62);
    eSubject = Edit("eSubject", "Subject of this message", 62);
    Label4 = Label("Label4", "添付file", 90);
    ComboBox2 = new QComboBox(Top);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(64, 90, 250, 22);

    auto Button = [Top](const char* Name, const char* Caption, const char* Hint, int Y, int W) {
        auto* B = new QPushButton(U(Caption), Top);
        B->setObjectName(QString::fromLatin1(Name));
        B->setToolTip(U(Hint));
        B->setGeometry(330, Y, W, 25);
        return B;
    };
    SendBtn = Button("SendBtn", "配信(&S)", "Send message via SMTP", 5, 80);
    ClearBtn = Button("ClearBtn", "&Clear", "Clear contents of all controls", 34, 80);
    Button2 = Button("Button2", "追加", "添付ファイルを選択します", 88, 48);
    Button3 = Button("Button3", "取消", "選択された添付ファイルを取り消します", 88, 48);

    reMessageText = new QTextEdit(SendPage);
    reMessageText->setObjectName(QStringLiteral("reMessageText"));
    reMessageText->setFont(FixedFont());
    reMessageText->setAcceptRichText(false);
    reMessageText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Box->addWidget(reMessageText, 1);

    SMTPStatus = AddStatusBar(Box, "SMTPStatus");
}

void TMainForm::CreateRecvPage() {
    RecvPage = new QWidget;
    QVBoxLayout* Box = AddPage(RecvPage, QStringLiteral("RecvPage"), U("メール鑑賞"));

    auto* Top = new QWidget(RecvPage);
    Top->setObjectName(QStringLiteral("Panel2"));
    Top->setFixedHeight(34);
    Box->addWidget(Top);

    lMessageCount = new QLabel(QStringLiteral("0"), Top);
    lMessageCount->setObjectName(QStringLiteral("lMessageCount"));
    lMessageCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lMessageCount->setGeometry(4, 8, 40, 18);
    Label5 = new QLabel(U("通中"), Top);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setToolTip(QStringLiteral("Number of messages stored on the server"));
    Label5->setGeometry(48, 8, 30, 18);
    SpinEdit1 = new TSpinEdit2(Top);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->MinValue = 0;
    SpinEdit1->MaxValue = 0;
    SpinEdit1->setGeometry(82, 5, 64, 24);
    Label6 = new QLabel(U("通目表示"), Top);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(150, 8, 60, 18);

    auto Button = [Top](const char* Name, const char* Caption, const char* Hint, int W) {
        auto* B = new QPushButton(U(Caption), Top);
        B->setObjectName(QString::fromLatin1(Name));
        B->setToolTip(U(Hint));
        B->setGeometry(300, 4, W, 25);
        return B;
    };
    Button5 = Button("Button5", "全返信(&A)", "CCを含めた全員に返信する", 80);
    reletter = Button("reletter", "返信(&R)", "送り手に返信する", 70);
    Button1 = Button("Button1", "消去(&D)", "チェックのついたファイルを抹消します。", 70);

    Splitter1 = new QSplitter(Qt::Vertical, RecvPage);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Box->addWidget(Splitter1, 1);

    ListView1 = new QTreeWidget(Splitter1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setFont(FixedFont());
    ListView1->setColumnCount(4);
    ListView1->setHeaderLabels({U("差出人"), U("件名"), U("受信日時"), U("byte数")});
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView* Head = ListView1->header();
    Head->setSectionsClickable(false);
    Head->setSectionsMovable(false);
    Head->setStretchLastSection(false);
    Head->setSectionResizeMode(0, QHeaderView::Stretch);
    Head->setSectionResizeMode(1, QHeaderView::Stretch);
    Head->setSectionResizeMode(2, QHeaderView::Fixed);
    Head->setSectionResizeMode(3, QHeaderView::Fixed);
    Head->resizeSection(2, 60);
    Head->resizeSection(3, 56);

    mReadMessage = new QTextEdit(Splitter1);
    mReadMessage->setObjectName(QStringLiteral("mReadMessage"));
    mReadMessage->setFont(FixedFont());
    mReadMessage->setAcceptRichText(false);
    Splitter1->setStretchFactor(0, 2);
    Splitter1->setStretchFactor(1, 3);

    POPStatus = AddStatusBar(Box, "POPStatus", "ProgressBar2", &ProgressBar2);

    auto* Bottom = new QWidget(RecvPage);
    Bottom->setObjectName(QStringLiteral("Panel3"));
    auto* Row = new QHBoxLayout(Bottom);
    Row->setContentsMargins(6, 2, 6, 4);
    Label7 = new QLabel(U("添付ファイル"), Bottom);
    Label7->setObjectName(QStringLiteral("Label7"));
    Button4 = new QPushButton(U("保存"), Bottom);
    Button4->setObjectName(QStringLiteral("Button4"));
    ComboBox1 = new QComboBox(Bottom);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    Row->addWidget(Label7);
    Row->addWidget(Button4);
    Row->addWidget(ComboBox1, 1);
    Box->addWidget(Bottom);
}

void TMainForm::CreateConPage() {
    ConPage = new QWidget;
    QVBoxLayout* Box = AddPage(ConPage, QStringLiteral("ConPage"), U("接続設定"));

    auto* Area = new QWidget(ConPage);
    Area->setObjectName(QStringLiteral("Panel4"));
    Area->setMinimumHeight(330);
    Box->addWidget(Area, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("login please"), Area);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(0, 2, 600, 84);
    Label8 = new QLabel(QStringLiteral("User Name:"), GroupBox1);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setGeometry(12, 25, 76, 16);
    eUserName = new QComboBox(GroupBox1);
    eUserName->setObjectName(QStringLiteral("eUserName"));
    eUserName->setEditable(true);
    eUserName->setInsertPolicy(QComboBox::NoInsert);
    eUserName->setToolTip(QStringLiteral("Your user name on the host machine"));
    eUserName->setGeometry(90, 22, 190, 22);
    Label9 = new QLabel(QStringLiteral("Password:"), GroupBox1);
    Label9->setObjectName(QStringLiteral("Label9"));
    Label9->setGeometry(12, 53, 76, 16);
    ePassword = new QLineEdit(GroupBox1);
    ePassword->setObjectName(QStringLiteral("ePassword"));
    ePassword->setEchoMode(QLineEdit::Password);
    ePassword->setToolTip(QStringLiteral("Your password on the host machine"));
    ePassword->setGeometry(90, 50, 190, 22);
    PasswdOK = new QPushButton(QStringLiteral("OK"), GroupBox1);
    PasswdOK->setObjectName(QStringLiteral("PasswdOK"));
    PasswdOK->setToolTip(U("popサーバへ接続します"));
    PasswdOK->setDefault(true);
    PasswdOK->setGeometry(330, 34, 80, 25);
    PasswdOK->setEnabled(false);

    Calendar1 = new QCalendarWidget(Area);
    Calendar1->setObjectName(QStringLiteral("Calendar1"));
    Calendar1->setFirstDayOfWeek(Qt::Sunday);
    Calendar1->setNavigationBarVisible(false);
    Calendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    Calendar1->setToolTip(U("日にちをクリックしてください"));
    Calendar1->setGeometry(8, 94, 236, 168);

    Panel8 = new QLabel(Area);
    Panel8->setObjectName(QStringLiteral("Panel8"));
    Panel8->setAlignment(Qt::AlignCenter);
    Panel8->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel8->setGeometry(252, 94, 96, 26);
    Button6 = new TStepButton(Area);
    Button6->setObjectName(QStringLiteral("Button6"));
    Button6->setToolTip(U("マウスで左・右とクリック"));
    QFont Big = WindowFont();
    Big.setPixelSize(24);
    Big.setBold(true);
    Button6->setFont(Big);
    Button6->setGeometry(252, 124, 96, 48);
    Panel6 = new QLabel(Area);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setAlignment(Qt::AlignCenter);
    Panel6->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel6->setGeometry(252, 176, 96, 26);

    memo1 = new QPlainTextEdit(Area);
    memo1->setObjectName(QStringLiteral("memo1"));
    memo1->setReadOnly(true);
    memo1->setFrameStyle(QFrame::NoFrame);
    memo1->setToolTip(U("copy&pastで他のページに利用できます"));
    QPalette MenuColours = memo1->palette();
    MenuColours.setColor(QPalette::Base, MenuColours.color(QPalette::Window));
    memo1->setPalette(MenuColours);
    memo1->setGeometry(356, 94, 240, 168);

    // A click on a day, or any change of the calendar's date, shows that day's text.
    connect(Calendar1, &QCalendarWidget::selectionChanged, this, [this] { Calendar1Click(); });
    connect(Calendar1, &QCalendarWidget::clicked, this, [this] { Calendar1Click(); });
    connect(Calendar1, &QCalendarWidget::currentPageChanged, this,
            [this](int Year, int Month) { CalendarPageChanged(Year, Month); });
    Button6->installEventFilter(this);
    Button6->OnPress = [this] { Button6MouseDown(Qt::LeftButton); };

    Panel7 = new QLabel(U("メールシステムに接続してください！"), Area);
    Panel7->setObjectName(QStringLiteral("Panel7"));
    Panel7->setAlignment(Qt::AlignCenter);
    Panel7->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel7->setGeometry(8, 270, 588, 26);

    Cmailhead = new QCheckBox(U("メールの本体を読み込まない（大きなデータの時有効）"), Area);
    Cmailhead->setObjectName(QStringLiteral("Cmailhead"));
    Cmailhead->setToolTip(U("スペースキーで設定できます"));
    Cmailhead->setChecked(true);
    Cmailhead->setGeometry(8, 302, 588, 22);

    ConnectStatus = AddStatusBar(Box, "ConnectStatus", "ProgressBar1", &ProgressBar1);
}

// ---------------------------------------------------------------------------
// Window events

void TMainForm::FormCreate() {
    ForcedDisconnect = false;
    Button4->setEnabled(false);
    ProgressBar1->hide();
    ProgressBar2->hide();
    Calendar1->setSelectedDate(CalendarToday());
    Calendar1Click();
    setAcceptDrops(true);
    SpinEdit1->MinValue = 0;
    // The account numbers (AccountCount, CurrentAccount, SelectedAccount)
    // start at 0 with the settings window's record; a patrol window created
    // later must not reset them, or the next new account would overwrite
    // account 1.
    Tag = 0;
    ReferencesText.clear();
    InReplyToId.clear();
}

void TMainForm::FormShow() {
    eUserName->setFocus();
    const QDate Today = CalendarToday();
    Panel8->setText(QString::number(Today.year()) + U("年"));
    Button6->setText(QString::number(Today.month()) + U("月"));
}

void TMainForm::FormActivate() {
    ActiveTextControl = FocusedControl;
    if (!Form3) return;
    if (Form3->isVisible() && Form3->Tag != Tag) Form3->hide();
    if (eUserName->count() > 0 && Form3->Tag != Tag) {
        const QString User = eUserName->currentText();
        const QString Pass = ePassword->text();
        Form3->Serve(Tag);
        Form3->editdisp(GetMySelf());
        Form3->SetUserName(User);
        Form3->SetPassword(Pass);
        if (eUserName->currentText() != User) eUserName->setEditText(User);
        if (ePassword->text() != Pass) ePassword->setText(Pass);
    }
}

void TMainForm::FormDeactivate() {
    if (Form3) Form3->Serve(Tag);
}

void TMainForm::ApplyLayout(int W) {
    TResizeInput In;
    In.W = W;
    In.eToLeft = eTo->x();
    In.SendBtnWidth = SendBtn->width();
    In.Button2Width = Button2->width();
    In.Button3Width = Button3->width();
    In.Button1Width = Button1->width();
    In.reletterWidth = reletter->width();
    In.Button5Width = Button5->width();
    const TResizeLayout L = ComputeResizeLayout(In);
    for (QWidget* F : {static_cast<QWidget*>(eTo), static_cast<QWidget*>(eCC),
                       static_cast<QWidget*>(eSubject), static_cast<QWidget*>(ComboBox2)})
        F->resize(L.FieldWidth, F->height());
    SendBtn->move(L.SendBtnLeft, SendBtn->y());
    ClearBtn->move(L.SendBtnLeft, ClearBtn->y());
    PasswdOK->move(L.SendBtnLeft, PasswdOK->y());
    Button2->move(L.Button2Left, Button2->y());
    Button3->move(L.Button3Left, Button3->y());
    Button1->move(L.Button1Left, Button1->y());
    reletter->move(L.reletterLeft, reletter->y());
    Button5->move(L.Button5Left, Button5->y());

    // The connection page's other controls follow the width too.
    GroupBox1->resize(W, GroupBox1->height());
    const int MemoLeft = memo1->x();
    memo1->resize(std::max(60, W - MemoLeft - 8), memo1->height());
    Panel7->resize(std::max(60, W - 16), Panel7->height());
    Cmailhead->resize(std::max(60, W - 16), Cmailhead->height());

    reMessageText->viewport()->update();
    mReadMessage->viewport()->update();
}

void TMainForm::FormResize() {
    QWidget* Page = PageControl1->currentWidget();
    if (Page) ApplyLayout(Page->width());
}

void TMainForm::FormClose() {
    if (FClosed) return;
    FClosed = true;
    if (Form3) Form3->hide();
    if (Receive) Receive->End();
    CloseSend();
    if (Tag != 0 && Form3) {
        auto& Slots = Form3->PatrolWindows;
        if (Tag - 1 < static_cast<int>(Slots.size()) && Slots[static_cast<size_t>(Tag - 1)] == &Host)
            Slots[static_cast<size_t>(Tag - 1)] = nullptr;
    }
}

void TMainForm::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    // The start-up steps belong to the first show; a restore from minimised
    // or a later show keeps the captions and the focus the user left.
    if (FShown) return;
    FShown = true;
    FormShow();
    FormResize();
}

void TMainForm::resizeEvent(QResizeEvent* Event) {
    QMainWindow::resizeEvent(Event);
    FormResize();
}

void TMainForm::closeEvent(QCloseEvent* Event) {
    FormClose();
    Event->accept();
    if (Tag != 0) {
        deleteLater();
    } else if (OnMainClosed) {
        OnMainClosed();
    }
}

void TMainForm::changeEvent(QEvent* Event) {
    QMainWindow::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            FormActivate();
        else
            FormDeactivate();
    }
}

namespace {
// The first local file of a drag, or an empty string.
QString DroppedFile(const QMimeData* Data) {
    if (!Data || !Data->hasUrls()) return QString();
    for (const QUrl& Url : Data->urls())
        if (Url.isLocalFile()) return Url.toLocalFile();
    return QString();
}
}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* Event) {
    if (!DroppedFile(Event->mimeData()).isEmpty()) Event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* Event) {
    const QString Path = DroppedFile(Event->mimeData());
    if (Path.isEmpty()) return;
    Event->acceptProposedAction();
    LoadFileIntoBody(Path);
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (ReceiveEventFilter(Watched, Event)) return true;
    const QEvent::Type T = Event->type();
    if (T == QEvent::Resize && (Watched == SendPage || Watched == RecvPage || Watched == ConPage)) {
        ApplyLayout(static_cast<QWidget*>(Watched)->width());
        return false;
    }
    // The text boxes would take a dropped file as text; the window loads it.
    if (T == QEvent::DragEnter || T == QEvent::DragMove || T == QEvent::Drop) {
        auto* D = static_cast<QDropEvent*>(Event);
        const QString Path = DroppedFile(D->mimeData());
        if (Path.isEmpty()) return false;
        D->acceptProposedAction();
        if (T == QEvent::Drop) LoadFileIntoBody(Path);
        return true;
    }
    if (Watched == Button6) {
        if (T == QEvent::MouseButtonPress)
            Button6MouseDown(static_cast<QMouseEvent*>(Event)->button());
        else if (T == QEvent::KeyRelease && !static_cast<QKeyEvent*>(Event)->isAutoRepeat())
            Button6KeyDown(static_cast<QKeyEvent*>(Event)->key(),
                           static_cast<QKeyEvent*>(Event)->modifiers());
        return QMainWindow::eventFilter(Watched, Event);
    }
    if (T == QEvent::ShortcutOverride) {
        auto* K = static_cast<QKeyEvent*>(Event);
        const QKeySequence Key(K->keyCombination());
        // Ctrl+D in the message list toggles the row's mark rather than
        // opening the account menu's "削除(&D)".
        if (Watched == ListView1 && Key == delete1->menuAction()->shortcut()) {
            K->accept();
            return true;
        }
        // The menu's keys win over the text fields' own bindings (Ctrl+Z is
        // the forced disconnect, not undo; Ctrl+E the settings window, not
        // the end of the line). The clipboard keys stay with the field.
        for (QAction* A : {N1, Open1, N4, Edit1, N2, N3, N6, edit2->menuAction(), patrol, About1})
            if (Key == A->shortcut()) return true;
        return false;
    }

    QWidget* Control = nullptr;
    if (Watched == reMessageText || Watched == reMessageText->viewport())
        Control = reMessageText;
    else if (Watched == mReadMessage || Watched == mReadMessage->viewport())
        Control = mReadMessage;
    else if (Watched == memo1 || Watched == memo1->viewport())
        Control = memo1;
    else if (Watched == eUserName || Watched == eUserName->lineEdit())
        Control = eUserName;
    else if (Watched == eTo || Watched == eCC || Watched == eSubject || Watched == ePassword)
        Control = static_cast<QWidget*>(Watched);
    if (!Control) return QMainWindow::eventFilter(Watched, Event);

    if (T == QEvent::FocusIn) {
        OnClick(Control);
    } else if (T == QEvent::MouseButtonRelease) {
        if (Control == eTo || Control == eCC || Control == eSubject)
            eToMouseUp(Control);
        else
            OnClick(Control);
    } else if (T == QEvent::MouseMove) {
        if (Control == eTo)
            eToMouseMove();
        else if (Control == eCC)
            eCCMouseMove();
        else if (Control == eSubject)
            eSubjectMouseMove();
    }
    return QMainWindow::eventFilter(Watched, Event);
}

// ---------------------------------------------------------------------------
// Focus tracking and the clipboard

void TMainForm::OnClick(QWidget* Sender) {
    FocusedControl = Sender;
    EditItems.Track(Sender);
}

void TMainForm::eToMouseUp(QWidget* Sender) { OnClick(Sender); }

void TMainForm::eToMouseMove() { eTo->setToolTip(eTo->text()); }
void TMainForm::eCCMouseMove() { eCC->setToolTip(eCC->text()); }
void TMainForm::eSubjectMouseMove() { eSubject->setToolTip(eSubject->text()); }

void TMainForm::OnChanging() { EditItems.DisableAll(); }

void TMainForm::OnChange() {
    if (PageControl1->currentWidget() == ConPage) N1->setEnabled(false);
    File1Click();
}

void TMainForm::File1Click() {
    N1->setEnabled(false);
    Open1->setEnabled(false);
    QWidget* Page = PageControl1->currentWidget();
    if (Page == SendPage) {
        Open1->setEnabled(true);
        if (!reMessageText->document()->isEmpty()) N1->setEnabled(true);
    } else if (Page == RecvPage) {
        if (!mReadMessage->document()->isEmpty()) N1->setEnabled(true);
    }
}

void TMainForm::Copy1Click() {
    if (PageControl1->currentWidget() != ConPage) return;
    auto* Box = qobject_cast<QComboBox*>(ActiveTextControl);
    if (Box && Box->lineEdit()) EditItems.ShowSelectionOf(Box);
}

void TMainForm::Copy2Click() { CopyFrom(ActiveTextControl); }

void TMainForm::Cut1Click() { CutFrom(ActiveTextControl); }

void TMainForm::Paste1Click() {
    if (!ClipboardHasText()) {
        ShowMessageBox(this, QMessageBox::Information, QStringLiteral("There is no text on the Clipboard"));
        return;
    }
    PasteInto(ActiveTextControl, QApplication::clipboard()->text());
}

// ---------------------------------------------------------------------------
// File dialogs

const QString TMainForm::TextFilter = QStringLiteral("Text files (*.txt *.TXT);;all files (*)");

QString TMainForm::AskOpenPath(TDialogFolder Kind, const QString& Filter) {
    const QString Dir = StartFolder(Kind);
    QString Path;
    if (OpenDialog) {
        Path = OpenDialog(Dir, Filter);
    } else {
        QFileDialog Dialog(this, QString(), Dir, Filter);
        Dialog.setAcceptMode(QFileDialog::AcceptOpen);
        Dialog.setFileMode(QFileDialog::ExistingFile);
        if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
            Path = Dialog.selectedFiles().first();
    }
    if (!Path.isEmpty()) RememberFolder(Kind, Path);
    return Path;
}

QString TMainForm::AskSavePath(TDialogFolder Kind, const QString& Name, const QString& Filter,
                               const QString& Suffix) {
    const QString Dir = StartFolder(Kind);
    QString Path;
    if (SaveDialog) {
        Path = SaveDialog(Dir, Name, Filter);
    } else {
        QFileDialog Dialog(this, QString(), Dir, Filter);
        Dialog.setAcceptMode(QFileDialog::AcceptSave);
        Dialog.setFileMode(QFileDialog::AnyFile);
        if (!Suffix.isEmpty()) Dialog.setDefaultSuffix(Suffix);
        Dialog.selectFile(Name);
        if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
            Path = Dialog.selectedFiles().first();
    }
    if (!Path.isEmpty()) RememberFolder(Kind, Path);
    return Path;
}

// ---------------------------------------------------------------------------
// Menu commands

void TMainForm::N1Click() {
    QWidget* Page = PageControl1->currentWidget();
    QTextEdit* Source = Page == RecvPage ? mReadMessage : Page == SendPage ? reMessageText : nullptr;
    if (!Source) return;
    const QString Path =
        AskSavePath(TDialogFolder::Files, QStringLiteral("default.txt"), TextFilter, QStringLiteral("txt"));
    if (Path.isEmpty()) return;
    try {
        SaveTextFile(WidgetToPath(Path), BoxLines(Source->toPlainText()));
    } catch (const Exception& E) {
        ShowMessageBox(this, QMessageBox::Critical, ShownText(E.Message()));
    }
}

void TMainForm::Open1Click() {
    const QString Path = AskOpenPath(TDialogFolder::Files, TextFilter);
    if (Path.isEmpty()) return;
    LoadFileIntoBody(Path);
}

void TMainForm::LoadFileIntoBody(const QString& Path) {
    try {
        const std::string Text = LoadTextFile(WidgetToPath(Path));
        reMessageText->setPlainText(BoxText(Text, MaxBoxLength));
    } catch (const Exception& E) {
        ShowMessageBox(this, QMessageBox::Critical, ShownText(E.Message()));
    }
}

void TMainForm::FillSendPage(const std::string& To, const std::string& CC, const std::string& Subject,
                             const std::string& Body) {
    eTo->setText(ShownText(To));
    eCC->setText(ShownText(CC));
    eSubject->setText(ShownText(Subject));
    reMessageText->setPlainText(BoxText(Body));
    ReferencesText.clear();
    InReplyToId.clear();
    PageControl1->setCurrentWidget(SendPage);
    // The next thing to write: the body, or the recipient when there is none.
    QWidget* Next = To.empty() ? static_cast<QWidget*>(eTo) : static_cast<QWidget*>(reMessageText);
    Next->setFocus();
    FocusedControl = Next;
    ActiveTextControl = Next;
}

void TMainForm::N4Click() {
    if (Receive->ForceDisconnect()) ForcedDisconnect = true;
    if (ForceSendDisconnect()) ForcedDisconnect = true;
}

void TMainForm::mailendClick() { close(); }

void TMainForm::Edit1Click() {
    if (Form3) Form3->ShowWindow();
}

void TMainForm::N6Click() {
    if (Form3) Form3->BeginNewAccount();
}

void TMainForm::Calendar1Click() {
    const QDate D = Calendar1->selectedDate();
    memo1->setPlainText(BoxText(DayText(D.month(), D.day())));
}

void TMainForm::Button6MouseDown(Qt::MouseButton Button) {
    if (Button == Qt::LeftButton)
        StepCalendar(false);
    else if (Button == Qt::RightButton)
        StepCalendar(true);
}

void TMainForm::Button6KeyDown(int Key, Qt::KeyboardModifiers Mods) {
    if (Key != Qt::Key_Return && Key != Qt::Key_Enter) return;
    StepCalendar(!(Mods & Qt::ShiftModifier));
}

std::function<QDate()> TMainForm::CalendarToday = [] { return QDate::currentDate(); };

namespace {
TCalendarDate CalendarDate(const QDate& D) { return {D.year(), D.month(), D.day()}; }
QDate ToQDate(const TCalendarDate& D) { return QDate(D.Year, D.Month, D.Day); }
}  // namespace

void TMainForm::StepCalendar(bool Forward) {
    const TCalendarDate Next =
        StepMonth(CalendarDate(Calendar1->selectedDate()), Forward, CalendarDate(CalendarToday()));
    // The new date shows its month and, through the date change, its text.
    Calendar1->setSelectedDate(ToQDate(Next));
    ShowCalendarCaptions();
}

void TMainForm::CalendarPageChanged(int Year, int Month) {
    // The grid moved to another month by itself (a click on a greyed day,
    // the keys, the wheel, a typed date). Where its selection stayed behind
    // (the wheel only turns the page), the day lands as a month step lands.
    const QDate Sel = Calendar1->selectedDate();
    if (Sel.year() != Year || Sel.month() != Month)
        Calendar1->setSelectedDate(ToQDate(LandOnMonth(Year, Month, CalendarDate(CalendarToday()))));
    ShowCalendarCaptions();
}

void TMainForm::ShowCalendarCaptions() {
    // The captions are read back from the grid, not counted separately.
    Panel8->setText(QString::number(Calendar1->yearShown()) + U("年"));
    Button6->setText(QString::number(Calendar1->monthShown()) + U("月"));
}

void TMainForm::About1Click() {
    if (!about) about = new Tabout(this);
    about->show();
    about->raise();
    about->activateWindow();
}

bool TMainForm::AskTrustCertificate(const std::string& Text, const std::string& Fingerprint) {
    const QPointer<TMainForm> Self(this);
    const bool Yes = ShowMessageBox(this, QMessageBox::Warning, ShownText(Text),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    if (!Yes || !Self) return false;
    // The settings file keeps it for the account; a patrol window's account
    // is not the one the settings window shows, so the window's own record
    // takes it too.
    if (Form3) Form3->TrustCertificate(Host.MySelf, Fingerprint);
    std::vector<std::string>& Own = Host.Account.TrustedCerts;
    if (std::find(Own.begin(), Own.end(), Fingerprint) == Own.end()) {
        Own.push_back(Fingerprint);
        if (Own.size() > MaxTrustedCertificates) Own.erase(Own.begin());
    }
    return true;
}

// ---------------------------------------------------------------------------
// Account choice

void TMainForm::ePOPserverChange() {
    const QString User = eUserName->currentText();
    PasswdOK->setEnabled(!User.isEmpty() && !ePassword->text().isEmpty());
    const int Index =
        User.isEmpty() ? -1 : eUserName->findText(User, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (Index >= 0) {
        if (Tag != 0) {
            SetMySelf(Tag);
            if (Form3) Form3->Serve(Tag);
        } else {
            SetMySelf(Index + 1);
            if (Form3) {
                Form3->Settings.SelectedAccount = Index;
                Form3->Settings.CurrentAccount = Index + 1;
                Form3->Serve(0);
            }
        }
        if (Form3) Form3->editdisp(GetMySelf());
    } else {
        QLineEdit* E = eUserName->lineEdit();
        const int Pos = E->cursorPosition();
        E->deselect();
        E->setCursorPosition(Pos);
    }
    if (Form3) Form3->SetUserName(User);
    ResetPopShow();
}

void TMainForm::Passchange() {
    const QString Pass = ePassword->text();
    PasswdOK->setEnabled(!eUserName->currentText().isEmpty() && !Pass.isEmpty());
    if (Form3) Form3->SetPassword(Pass);
}

void TMainForm::CmailheadClick() {
    if (Form3) Form3->SetHeaderOnly(Cmailhead->isChecked());
    mailreadclear();
}

void TMainForm::Timer2Timer() {
    // The system's long time format, without a time-zone name.
    QString Format = QLocale::system().timeFormat(QLocale::LongFormat);
    Format.remove(QLatin1Char('t'));
    Panel6->setText(QLocale::system().toString(QTime::currentTime(), Format.trimmed()));
}

// ---------------------------------------------------------------------------
// Operations

void TMainForm::SetReceiveControls(bool Enabled) {
    for (QWidget* W :
         {static_cast<QWidget*>(PasswdOK), static_cast<QWidget*>(eUserName), static_cast<QWidget*>(ePassword),
          static_cast<QWidget*>(Button1), static_cast<QWidget*>(reletter), static_cast<QWidget*>(Button5),
          static_cast<QWidget*>(SpinEdit1), static_cast<QWidget*>(Button4), static_cast<QWidget*>(Cmailhead)})
        W->setEnabled(Enabled);
    // The item "巡回" of the main window, also when a patrol window runs this.
    TMainForm* Main = this;
    if (Form3 && Form3->MainForm())
        if (auto* M = qobject_cast<TMainForm*>(Form3->MainForm()->Window)) Main = M;
    Main->patrol->setEnabled(Enabled);
    if (Enabled) ListView1->setEnabled(true);
}

void TMainForm::DisableReceiveControls() { SetReceiveControls(false); }
void TMainForm::EnableReceiveControls() { SetReceiveControls(true); }

void TMainForm::SetSendControls(bool Enabled) {
    for (QWidget* W :
         {static_cast<QWidget*>(SendBtn), static_cast<QWidget*>(ClearBtn), static_cast<QWidget*>(Button2),
          static_cast<QWidget*>(Button3), static_cast<QWidget*>(reMessageText)})
        W->setEnabled(Enabled);
}

void TMainForm::DisableSendControls() { SetSendControls(false); }
void TMainForm::EnableSendControls() { SetSendControls(true); }

void TMainForm::mailreadclear() {
    lMessageCount->setText(QStringLiteral("0"));
    SpinEdit1->MinValue = 0;
    SpinEdit1->MaxValue = 0;
    SpinEdit1->clear();
    ListView1->clear();
    if (Receive) Receive->RowsCleared();
    mReadMessage->clear();
}

void TMainForm::ResetPopShow() {
    ListView1->clear();
    if (Receive) Receive->RowsCleared();
    mReadMessage->clear();
    SpinEdit1->clear();
    lMessageCount->setText(QStringLiteral("0"));
    ComboBox1->clear();
    POPStatus->clearMessage();
    Panel7->setText(U("メールシステムに接続してください"));
}
