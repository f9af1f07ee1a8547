// The account settings window TForm3: the fields of the current account, bound to the settings-file operations.
#include "Unit3.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include "AccessibleControls.h"
#include "EditCommands.h"
#include "Fonts.h"
#include "WidgetText.h"
#include "cp932.h"
#include "sign.h"

TForm3* Form3 = nullptr;

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// Raises an event that may be unset.
template <typename F, typename... A>
void Call(const F& Event, A&&... Args) {
    if (Event) Event(std::forward<A>(Args)...);
}

}  // namespace

std::function<bool(QWidget*, const QString&)> TForm3::QuestionBox = [](QWidget* Parent, const QString& Text) {
    return QMessageBox::question(Parent, QGuiApplication::applicationDisplayName(), Text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
};
std::function<void(QWidget*, const QString&)> TForm3::MessageBox = [](QWidget* Parent, const QString& Text) {
    QMessageBox Box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), Text, QMessageBox::Ok,
                    Parent);
    Box.exec();
};
std::function<void(QWidget*, const QString&)> TForm3::ErrorBox = [](QWidget* Parent, const QString& Text) {
    QMessageBox::critical(Parent, QGuiApplication::applicationDisplayName(), Text);
};

// ---------------------------------------------------------------------------

TRadioGroup::TRadioGroup(QWidget* Parent) : QGroupBox(Parent), FGroup(new QButtonGroup(this)) {
    connect(FGroup, &QButtonGroup::idToggled, this, [this](int, bool On) {
        if (On) emit Changed();
    });
    auto* Grid = new QGridLayout;
    Grid->setContentsMargins(8, 2, 8, 2);
    setLayout(Grid);
}

void TRadioGroup::SetItems(const QStringList& Items) {
    for (QRadioButton* B : FButtons) {
        FGroup->removeButton(B);
        delete B;
    }
    FButtons.clear();
    auto* Grid = static_cast<QGridLayout*>(layout());
    for (int i = 0; i < Items.size(); ++i) {
        auto* B = new QRadioButton(Items[i], this);
        B->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        FGroup->addButton(B, i);
        Grid->addWidget(B, i / 2, i % 2);
        FButtons.push_back(B);
    }
}

QStringList TRadioGroup::Items() const {
    QStringList L;
    for (QRadioButton* B : FButtons) L << B->text();
    return L;
}

int TRadioGroup::ItemIndex() const { return FGroup->checkedId(); }

void TRadioGroup::SetItemIndex(int Index) {
    const int Count = static_cast<int>(FButtons.size());
    if (Index >= Count) Index = Count - 1;
    if (Index < 0) {
        FGroup->setExclusive(false);
        for (QRadioButton* B : FButtons) B->setChecked(false);
        FGroup->setExclusive(true);
        return;
    }
    FButtons[Index]->setChecked(true);
}

QRadioButton* TRadioGroup::Button(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FButtons.size()) ? FButtons[Index] : nullptr;
}

// ---------------------------------------------------------------------------

TForm3::TForm3(TAccountHost* MainForm, TOKsign* Sign, QWidget* Parent, const std::string& SettingsPath)
    : QWidget(Parent, Qt::Window), Settings(SettingsPath), FMainForm(MainForm),
      FMainObject(MainForm ? MainForm->Window : nullptr), FMainIsObject(FMainObject != nullptr), FSign(Sign) {
    if (!Form3) Form3 = this;
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(U("VELNARO設定"));
    AnnounceAsWindow(this);
    setFont(WindowFont());

    auto Named = [](auto* W, const char* Name) {
        W->setObjectName(QString::fromLatin1(Name));
        return W;
    };

    // Top panel: the account.
    Panel1 = Named(new QWidget(this), "Panel1");
    auto* Top = new QGridLayout(Panel1);
    Top->setContentsMargins(8, 8, 8, 4);
    Top->setVerticalSpacing(4);
    Label1 = Named(new QLabel(QStringLiteral("User Name"), Panel1), "Label1");
    eUserName = Named(new QLineEdit(Panel1), "eUserName");
    Label2 = Named(new QLabel(QStringLiteral("Password"), Panel1), "Label2");
    ePassword = Named(new QLineEdit(Panel1), "ePassword");
    ePassword->setEchoMode(QLineEdit::Password);
    Label4 = Named(new QLabel(QStringLiteral("pop3 server name"), Panel1), "Label4");
    Edit1 = Named(new QLineEdit(Panel1), "Edit1");
    Label5 = Named(new QLabel(QStringLiteral("smtp server name"), Panel1), "Label5");
    Edit2 = Named(new QLineEdit(Panel1), "Edit2");
    Label6 = Named(new QLabel(QStringLiteral("Your mail address"), Panel1), "Label6");
    Edit4 = Named(new QLineEdit(Panel1), "Edit4");
    passsave = Named(new QCheckBox(U("上記のpasswordを保存する"), Panel1), "passsave");
    int Row = 0;
    for (auto [L, E] : {std::pair<QLabel*, QLineEdit*>{Label1, eUserName},
                        {Label2, ePassword},
                        {Label4, Edit1},
                        {Label5, Edit2},
                        {Label6, Edit4}}) {
        L->setBuddy(E);
        Top->addWidget(L, Row, 0);
        Top->addWidget(E, Row++, 1);
    }
    Top->addWidget(passsave, Row, 1);

    // Connection panel: ports, TLS and the SMTP sign-in.
    Panel4 = Named(new QWidget(this), "Panel4");
    auto* Conn = new QVBoxLayout(Panel4);
    Conn->setContentsMargins(8, 0, 8, 4);
    GroupBox2 = Named(new QGroupBox(U("サーバへの接続"), Panel4), "GroupBox2");
    auto* Net = new QGridLayout(GroupBox2);
    Net->setContentsMargins(6, 4, 6, 4);
    Net->setVerticalSpacing(3);
    Net->setHorizontalSpacing(4);
    auto MakePort = [&](const char* Name, int Value) {
        auto* P = Named(new QSpinBox(GroupBox2), Name);
        P->setRange(1, 65535);
        P->setValue(Value);
        return P;
    };
    auto MakeChoice = [&](const char* Name, const QStringList& Items) {
        auto* C = Named(new QComboBox(GroupBox2), Name);
        C->addItems(Items);
        return C;
    };
    const QStringList Securities{U("なし"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")};
    Label7 = Named(new QLabel(U("POP3 ポート"), GroupBox2), "Label7");
    PopPort = MakePort("PopPort", DefaultPopPort);
    Label8 = Named(new QLabel(U("POP3 暗号化"), GroupBox2), "Label8");
    PopSecurity = MakeChoice("PopSecurity", Securities);
    Label9 = Named(new QLabel(U("SMTP ポート"), GroupBox2), "Label9");
    SmtpPort = MakePort("SmtpPort", DefaultSmtpPort);
    Label10 = Named(new QLabel(U("SMTP 暗号化"), GroupBox2), "Label10");
    SmtpSecurity = MakeChoice("SmtpSecurity", Securities);
    Label11 = Named(new QLabel(U("SMTP 認証"), GroupBox2), "Label11");
    SmtpAuth = MakeChoice("SmtpAuth", {U("しない"), U("する")});
    Label12 = Named(new QLabel(U("SMTP ユーザ名"), GroupBox2), "Label12");
    SmtpUser = Named(new QLineEdit(GroupBox2), "SmtpUser");
    SmtpUser->setPlaceholderText(U("空欄: User Name と同じ"));
    Label13 = Named(new QLabel(U("SMTP パスワード"), GroupBox2), "Label13");
    SmtpPassword = Named(new QLineEdit(GroupBox2), "SmtpPassword");
    SmtpPassword->setEchoMode(QLineEdit::Password);
    SmtpPassword->setPlaceholderText(U("空欄: Password と同じ"));
    const std::pair<QLabel*, QWidget*> Pairs[] = {
        {Label7, PopPort},   {Label8, PopSecurity}, {Label9, SmtpPort},     {Label10, SmtpSecurity},
        {Label11, SmtpAuth}, {Label12, SmtpUser},   {Label13, SmtpPassword}};
    for (const auto& [L, W] : Pairs) L->setBuddy(W);
    Net->addWidget(Label7, 0, 0);
    Net->addWidget(PopPort, 0, 1);
    Net->addWidget(Label8, 0, 2);
    Net->addWidget(PopSecurity, 0, 3);
    Net->addWidget(Label9, 1, 0);
    Net->addWidget(SmtpPort, 1, 1);
    Net->addWidget(Label10, 1, 2);
    Net->addWidget(SmtpSecurity, 1, 3);
    Net->addWidget(Label11, 2, 0);
    Net->addWidget(SmtpAuth, 2, 1);
    Net->addWidget(Label12, 3, 0);
    Net->addWidget(SmtpUser, 3, 1, 1, 3);
    Net->addWidget(Label13, 4, 0);
    Net->addWidget(SmtpPassword, 4, 1, 1, 3);
    Net->setColumnStretch(3, 1);
    Conn->addWidget(GroupBox2);

    // Middle panel: the signature.
    Panel2 = Named(new QWidget(this), "Panel2");
    auto* Middle = new QVBoxLayout(Panel2);
    Middle->setContentsMargins(8, 0, 8, 0);
    GroupBox1 = Named(new QGroupBox(U("署名"), Panel2), "GroupBox1");
    auto* Group = new QGridLayout(GroupBox1);
    Group->setContentsMargins(6, 4, 6, 4);
    Label3 = Named(new QLabel(GroupBox1), "Label3");
    Label3->setFont(FixedFont());
    Label3->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label3->setTextFormat(Qt::PlainText);
    Label3->setAutoFillBackground(true);
    QPalette P = Label3->palette();
    P.setColor(QPalette::Window, Qt::white);
    P.setColor(QPalette::WindowText, Qt::black);
    Label3->setPalette(P);
    Label3->setFrameShape(QFrame::StyledPanel);
    Label3->setMinimumHeight(40);
    Label3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    signcheck = Named(new QCheckBox(U("署名をメールの最後に自動挿入する"), GroupBox1), "signcheck");
    Button3 = Named(new QPushButton(U("署名の編集"), GroupBox1), "Button3");
    Group->addWidget(Label3, 0, 0, 1, 2);
    Group->addWidget(signcheck, 1, 0);
    Group->addWidget(Button3, 1, 1);
    Middle->addWidget(GroupBox1);

    // Bottom panel: options and the two buttons.
    Panel3 = Named(new QWidget(this), "Panel3");
    auto* Bottom = new QGridLayout(Panel3);
    Bottom->setContentsMargins(8, 4, 8, 8);
    Bottom->setVerticalSpacing(2);
    RadioGroup1 = Named(new TRadioGroup(Panel3), "RadioGroup1");
    RadioGroup1->SetItems({QStringLiteral("RFC2231"), QStringLiteral("JISEncode")});
    RadioGroup1->SetItemIndex(1);
    mailhead = Named(new QCheckBox(U("メール本文を読み込まない"), Panel3), "mailhead");
    mailhead->setChecked(true);
    ApopOn = Named(new QCheckBox(U("Apopで接続"), Panel3), "ApopOn");
    pingcheck = Named(new QCheckBox(U("pingでのチェックを無視する"), Panel3), "pingcheck");
    patrol = Named(new QCheckBox(U("巡回する"), Panel3), "patrol");
    patrol->setVisible(false);
    Button1 = Named(new QPushButton(U("データの保存"), Panel3), "Button1");
    Button2 = Named(new QPushButton(U("保存せず実行"), Panel3), "Button2");
    Bottom->addWidget(RadioGroup1, 0, 0, 1, 2);
    Bottom->addWidget(mailhead, 1, 0);
    Bottom->addWidget(ApopOn, 1, 1);
    Bottom->addWidget(pingcheck, 2, 0);
    Bottom->addWidget(patrol, 2, 1);
    auto* Buttons = new QHBoxLayout;
    Buttons->addStretch();
    Buttons->addWidget(Button1);
    Buttons->addWidget(Button2);
    Bottom->addLayout(Buttons, 3, 0, 1, 2);

    auto* Whole = new QVBoxLayout(this);
    Whole->setContentsMargins(0, 0, 0, 0);
    Whole->setSpacing(0);
    Whole->addWidget(Panel1);
    Whole->addWidget(Panel4);
    Whole->addWidget(Panel2, 1);
    Whole->addWidget(Panel3);

    // Tab order: the five fields and passsave first, then the rest from top to bottom.
    QWidget* Order[] = {eUserName,
                        ePassword,
                        Edit1,
                        Edit2,
                        Edit4,
                        passsave,
                        PopPort,
                        PopSecurity,
                        SmtpPort,
                        SmtpSecurity,
                        SmtpAuth,
                        SmtpUser,
                        SmtpPassword,
                        signcheck,
                        Button3,
                        RadioGroup1->Button(0),
                        RadioGroup1->Button(1),
                        mailhead,
                        ApopOn,
                        pingcheck,
                        Button1,
                        Button2};
    for (size_t i = 0; i + 1 < std::size(Order); ++i) setTabOrder(Order[i], Order[i + 1]);

    // The connection section adds its height to the original 365 x 388.
    const QSize Size(365, 388 + 150);
    resize(Size);
    if (const QScreen* Screen = QGuiApplication::primaryScreen())
        move(Screen->availableGeometry().center() - QPoint(Size.width() / 2, Size.height() / 2));

    // Handlers. Qt's textChanged and toggled fire only when the value really
    // changes, so programmatic changes run them exactly as the loads need.
    connect(eUserName, &QLineEdit::textChanged, this, [this] { userchange(); });
    connect(ePassword, &QLineEdit::textChanged, this, [this] { passwdChange(); });
    connect(passsave, &QCheckBox::toggled, this, [this] { passsaveClick(); });
    connect(mailhead, &QCheckBox::toggled, this, [this] { mailheadClick(); });
    connect(ApopOn, &QCheckBox::toggled, this, [this] { ApopOnClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    for (QLineEdit* E : {eUserName, ePassword, Edit1, Edit2, Edit4, SmtpUser, SmtpPassword})
        E->installEventFilter(this);
    mailhead->installEventFilter(this);
    // A new security choice proposes its usual port, unless the port is one
    // the user chose; loading an account sets its own port afterwards.
    auto Propose = [this](QComboBox* Choice, QSpinBox* Port, bool Smtp) {
        connect(Choice, &QComboBox::currentIndexChanged, this, [this, Port, Smtp](int Index) {
            if (FLoading == 0) Port->setValue(ProposedPort(Smtp, Index, Port->value()));
        });
    };
    Propose(PopSecurity, PopPort, false);
    Propose(SmtpSecurity, SmtpPort, true);
    connect(SmtpAuth, &QComboBox::currentIndexChanged, this, [this] { EnableSignInFields(); });
    EnableSignInFields();

    Settings.OnConfirmOverwrite = [this] { return QuestionBox(this, ShownText(OverwriteQuestionText())); };
    Settings.OnSetMySelf = [this](int n) {
        if (TAccountHost* M = this->MainForm()) M->MySelf = n;
    };
    // Every change of a field is a change of the served window's record.
    for (QLineEdit* E : {eUserName, ePassword, Edit1, Edit2, Edit4, SmtpUser, SmtpPassword})
        connect(E, &QLineEdit::textChanged, this, [this] { PublishRecord(); });
    for (QSpinBox* P : {PopPort, SmtpPort})
        connect(P, &QSpinBox::valueChanged, this, [this] { PublishRecord(); });
    for (QComboBox* C : {PopSecurity, SmtpSecurity, SmtpAuth})
        connect(C, &QComboBox::currentIndexChanged, this, [this] { PublishRecord(); });
    for (QAbstractButton* B :
         {static_cast<QAbstractButton*>(passsave), static_cast<QAbstractButton*>(signcheck),
          static_cast<QAbstractButton*>(mailhead), static_cast<QAbstractButton*>(ApopOn),
          static_cast<QAbstractButton*>(pingcheck), static_cast<QAbstractButton*>(patrol)})
        connect(B, &QAbstractButton::toggled, this, [this] { PublishRecord(); });
    connect(RadioGroup1, &TRadioGroup::Changed, this, [this] { PublishRecord(); });
    if (FSign) {
        FSign->OnOK = [this](const std::vector<std::string>& Lines) { ShowSignPreview(Lines); };
        connect(FSign->Memo1, &QPlainTextEdit::textChanged, this, [this] { PublishRecord(); });
    }

    FormCreate();
}

TForm3::~TForm3() {
    // FormDestroy: the patrol list goes with the window.
    PatrolWindows.clear();
    if (FSign) FSign->OnOK = nullptr;
    if (Form3 == this) Form3 = nullptr;
}

TAccountHost* TForm3::MainForm() const {
    // A host that is a QObject is used only while it lives.
    return FMainIsObject && !FMainObject ? nullptr : FMainForm;
}

TAccountHost* TForm3::ServedWindow() const {
    if (Tag == 0) return MainForm();
    if (Tag < 0 || Tag > static_cast<int>(PatrolWindows.size())) return nullptr;
    return PatrolWindows[Tag - 1];
}

TAccountRecord TForm3::CurrentRecord() const {
    TAccountRecord R;
    R.eUserName = WidgetText(eUserName->text());
    R.ePassword = WidgetText(ePassword->text());
    R.passsave = passsave->isChecked();
    R.Edit1 = WidgetText(Edit1->text());
    R.Edit2 = WidgetText(Edit2->text());
    R.Edit4 = WidgetText(Edit4->text());
    if (FSign) R.SignLines = FSign->Lines();
    R.signcheck = signcheck->isChecked();
    R.RadioGroup1 = RadioGroup1->ItemIndex();
    R.mailhead = mailhead->isChecked();
    R.ApopOn = ApopOn->isChecked();
    R.patrol = patrol->isChecked();
    R.pingcheck = pingcheck->isChecked();
    R.PopPort = PopPort->value();
    R.PopSecurity = PopSecurity->currentIndex();
    R.SmtpPort = SmtpPort->value();
    R.SmtpSecurity = SmtpSecurity->currentIndex();
    R.SmtpAuth = SmtpAuth->currentIndex() == 1;
    R.SmtpUser = WidgetText(SmtpUser->text());
    R.SmtpPassword = WidgetText(SmtpPassword->text());
    R.TrustedCerts = FTrustedCerts;
    return R;
}

void TForm3::EnableSignInFields() {
    const bool On = SmtpAuth->currentIndex() == 1;
    for (QWidget* W : {static_cast<QWidget*>(SmtpUser), static_cast<QWidget*>(SmtpPassword),
                       static_cast<QWidget*>(Label12), static_cast<QWidget*>(Label13)})
        W->setEnabled(On);
}

void TForm3::SetUserName(const QString& Text) {
    if (eUserName->text() != Text) eUserName->setText(Text);
}

void TForm3::SetPassword(const QString& Text) {
    if (ePassword->text() != Text) ePassword->setText(Text);
}

void TForm3::SetHeaderOnly(bool On) {
    if (mailhead->isChecked() != On) mailhead->setChecked(On);
}

void TForm3::Serve(int WindowTag) {
    Tag = WindowTag;
    PublishRecord();
}

void TForm3::PublishRecord() {
    if (FLoading > 0) return;
    if (TAccountHost* W = ServedWindow()) W->Account = CurrentRecord();
}

void TForm3::ShowSignPreview(const std::vector<std::string>& Lines) {
    QString Text;
    for (const std::string& L : Lines) Text += ShownText(L) + QLatin1Char('\n');
    Label3->setText(Text);
}

// ---------------------------------------------------------------------------
// Loading accounts

void TForm3::FormCreate() {
    // The choice is refilled only when its items differ, so its buttons keep
    // their place in the tab order.
    const QStringList Encodings{QStringLiteral("RFC2231"), QStringLiteral("JISEncode")};
    if (RadioGroup1->Items() != Encodings) RadioGroup1->SetItems(Encodings);
    RadioGroup1->SetItemIndex(1);
    Settings.Reload();
    ShowReload();
}

void TForm3::ShowReload() {
    // Copies: the main window's handlers may show another account while the
    // fields are being filled, which rewrites Settings.
    TAccountList List;
    List.Names = Settings.UserNames;
    List.PatrolFlags = Settings.PatrolFlags;
    List.Selected = Settings.SelectedIndex();
    const TAccountRecord R = Settings.Record;
    List.OnEdit = [this](int i) { edit2Click(i); };
    List.OnDelete = [this](int i) { deleteClick(i); };
    List.OnPatrol = [this](int) { patrolClick(); };
    // Refilling the user-name box and choosing its item is no change of the
    // text by the user: the main window fills it quietly, and its change
    // handler runs when the user name is set below, if it differs.
    if (TAccountHost* Main = MainForm()) Call(Main->OnAccountList, List);
    ShowRecord(R, true);
}

void TForm3::ShowRecord(const TAccountRecord& R, bool Reloading) {
    const std::string Status = SJ("選択されたサーバは") + R.Edit1 + SJ("と") + R.Edit2 + SJ("です");

    ++FLoading;
    eUserName->setText(ShownText(R.eUserName));
    TAccountHost* Main = MainForm();
    if (Reloading && Main) {
        Call(Main->OnUserName, eUserName->text());
        // The main window copies its password field into ePassword; the
        // assignment below then finds it there already.
        Call(Main->OnPassword, ShownText(R.ePassword));
    }
    ePassword->setText(ShownText(R.ePassword));
    passsave->setChecked(R.passsave);
    Edit1->setText(ShownText(R.Edit1));
    Edit2->setText(ShownText(R.Edit2));
    Edit4->setText(ShownText(R.Edit4));
    if (TAccountHost* M = MainForm()) Call(M->OnConnectStatus, Status);
    if (FSign) FSign->SetLines(R.SignLines);
    ShowSignPreview(R.SignLines);
    signcheck->setChecked(R.signcheck);
    RadioGroup1->SetItemIndex(R.RadioGroup1);
    mailhead->setChecked(R.mailhead);
    ApopOn->setChecked(R.ApopOn);
    patrol->setChecked(R.patrol);
    pingcheck->setChecked(R.pingcheck);
    PopSecurity->setCurrentIndex(R.PopSecurity);
    PopPort->setValue(R.PopPort);
    SmtpSecurity->setCurrentIndex(R.SmtpSecurity);
    SmtpPort->setValue(R.SmtpPort);
    SmtpAuth->setCurrentIndex(R.SmtpAuth ? 1 : 0);
    SmtpUser->setText(ShownText(R.SmtpUser));
    SmtpPassword->setText(ShownText(R.SmtpPassword));
    FTrustedCerts = R.TrustedCerts;
    --FLoading;
    PublishRecord();
}

void TForm3::editdisp(int n) {
    Settings.editdisp(n);
    ShowRecord(Settings.Record, false);
}

// ---------------------------------------------------------------------------
// Saving and deleting

void TForm3::Button1Click() {
    Settings.Record = CurrentRecord();
    QString Failure;
    try {
        Settings.Save();
    } catch (const std::exception& E) {
        Failure = ShownText(E.what());
    }
    EnableAddItem();
    ShowReload();
    if (!Failure.isEmpty()) ErrorBox(this, Failure);
}

void TForm3::DeleteAccount(int n) {
    QString Failure;
    try {
        Settings.DeleteAccount(n);
    } catch (const std::exception& E) {
        Failure = ShownText(E.what());
    }
    ShowReload();
    if (!Failure.isEmpty()) ErrorBox(this, Failure);
}

void TForm3::TrustCertificate(int n, const std::string& Fingerprint) {
    // The settings keep the fields' record when they show account n.
    Settings.Record = CurrentRecord();
    try {
        Settings.TrustCertificate(n, Fingerprint);
    } catch (const std::exception& E) {
        ErrorBox(this, ShownText(E.what()));
    }
    if (n == Settings.ShownAccount) {
        FTrustedCerts = Settings.Record.TrustedCerts;
        PublishRecord();
    }
}

void TForm3::edit2Click(int Index) {
    editdisp(Index + 1);
    Settings.CurrentAccount = Index + 1;
    ShowWindow();
}

void TForm3::deleteClick(int Index) {
    if (Index < 0 || Index >= static_cast<int>(Settings.UserNames.size())) return;
    if (QuestionBox(this, ShownText(DeleteQuestionText(Settings.UserNames[Index])))) DeleteAccount(Index + 1);
}

void TForm3::patrolClick() { MessageBox(this, U("このユーザは巡回に組み込まれています")); }

void TForm3::BeginNewAccount() {
    Settings.BeginNewAccount();
    if (TAccountHost* M = MainForm()) Call(M->OnAddItemEnabled, false);
    for (QLineEdit* E : {eUserName, ePassword, Edit1, Edit2, Edit4}) E->clear();
    Label3->clear();
    for (QCheckBox* C : {passsave, signcheck, ApopOn, patrol, pingcheck}) C->setChecked(false);
    mailhead->setChecked(true);
    // The connection section starts plain, on the old ports.
    ++FLoading;
    const TAccountRecord Plain;
    PopSecurity->setCurrentIndex(Plain.PopSecurity);
    PopPort->setValue(Plain.PopPort);
    SmtpSecurity->setCurrentIndex(Plain.SmtpSecurity);
    SmtpPort->setValue(Plain.SmtpPort);
    SmtpAuth->setCurrentIndex(0);
    SmtpUser->clear();
    SmtpPassword->clear();
    FTrustedCerts.clear();
    --FLoading;
    PublishRecord();
    if (FSign) FSign->ClearLines();
    ShowWindow();
}

// ---------------------------------------------------------------------------
// Showing and hiding

void TForm3::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void TForm3::EnableAddItem() {
    if (TAccountHost* M = MainForm()) Call(M->OnAddItemEnabled, true);
}

void TForm3::Button2Click() {
    Settings.CurrentAccount = Settings.AccountCount;
    EnableAddItem();
    close();
}

void TForm3::Button3Click() {
    if (!FSign) return;
    FSign->show();
    FSign->raise();
    FSign->activateWindow();
}

void TForm3::FormClose() {
    Settings.WindowHidden();
    EnableAddItem();
}

void TForm3::FormHide() {
    Settings.WindowHidden();
    EnableAddItem();
}

void TForm3::FormActivate() { ActiveTextControl = FocusedControl; }

void TForm3::closeEvent(QCloseEvent* Event) {
    FormClose();
    Event->accept();
}

void TForm3::hideEvent(QHideEvent* Event) {
    // A minimised window is not hidden in this sense.
    if (!Event->spontaneous()) FormHide();
    QWidget::hideEvent(Event);
}

bool TForm3::event(QEvent* Event) {
    if (Event->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(Event);
}

bool TForm3::eventFilter(QObject* Watched, QEvent* Event) {
    const QEvent::Type T = Event->type();
    if (Watched == mailhead) {
        if (T == QEvent::FocusIn) mailheadClick();
    } else if (T == QEvent::FocusIn || T == QEvent::MouseButtonRelease) {
        auto* W = static_cast<QWidget*>(Watched);
        if (T == QEvent::MouseButtonRelease && W != ePassword)
            Edit1MouseUp(W);
        else
            OnClick(W);
    }
    return QWidget::eventFilter(Watched, Event);
}

// ---------------------------------------------------------------------------
// Change handlers

void TForm3::userchange() {
    if (TAccountHost* W = ServedWindow()) Call(W->OnUserName, eUserName->text());
}

void TForm3::passwdChange() {
    if (TAccountHost* W = ServedWindow()) Call(W->OnPassword, ePassword->text());
}

void TForm3::passsaveClick() {
    // Only a tick the user gives here warns; a load started elsewhere stays quiet.
    if (passsave->isChecked() && isActiveWindow())
        MessageBox(this, U("注意：パスワードが") + PathToWidget(Settings.SettingsPath()) +
                             U("に保存される設定になります"));
}

void TForm3::mailheadClick() {
    if (TAccountHost* W = ServedWindow()) Call(W->OnHeaderOnly, mailhead->isChecked());
}

void TForm3::ApopOnClick() {
    if (TAccountHost* M = MainForm()) Call(M->OnClearMessages);
}

void TForm3::OnClick(QWidget* Sender) {
    FocusedControl = Sender;
    ActiveTextControl = Sender;
    if (TAccountHost* M = MainForm()) Call(M->OnTextFocus, Sender);
}
