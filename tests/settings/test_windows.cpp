// Tests of the account settings window and the signature editor: real widgets, a real settings file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include "IniFile.h"
#include "Rc4unit.h"
#include "EditCommands.h"
#include "TestFiles.h"
#include "Unit3.h"
#include "WidgetText.h"
#include "cp932.h"
#include "sign.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The main window as the settings window sees it: its host, wired as the
// main window wires it, with the main window's own reactions to its
// user-name box and password field.
class THost : public QMainWindow {
public:
    explicit THost(int Tag = 0) : Tag(Tag) {
        eUserName = new QComboBox(this);
        eUserName->setEditable(true);
        ePassword = new QLineEdit(this);
        Cmailhead = new QCheckBox(this);
        Cmailhead->setChecked(true);
        Items = {new QAction(this), new QAction(this), new QAction(this)};
        QObject::connect(eUserName, &QComboBox::editTextChanged, [this] { ePOPserverChange(); });
        QObject::connect(ePassword, &QLineEdit::textChanged, [this] {
            if (Form3) Form3->SetPassword(ePassword->text());
        });
        Host.Window = this;
        Host.OnUserName = [this](const QString& T) { eUserName->setEditText(T); };
        Host.OnPassword = [this](const QString& T) { ePassword->setText(T); };
        Host.OnHeaderOnly = [this](bool On) { Cmailhead->setChecked(On); };
        Host.OnConnectStatus = [this](const std::string& T) { Status = ShownText(T); };
        Host.OnClearMessages = [this] { ++Clears; };
        Host.OnAccountList = [this](const TAccountList& L) {
            List = L;
            const QSignalBlocker B(eUserName);
            eUserName->clear();
            for (const std::string& N : L.Names) eUserName->addItem(ShownText(N));
            eUserName->setCurrentIndex(L.Selected);
        };
        Host.OnAddItemEnabled = [this](bool On) { AddEnabled = On; };
        Host.OnTextFocus = [this](QWidget* C) { Items.Track(C); };
    }
    void ePOPserverChange() {
        if (!Form3) return;
        const int i = eUserName->findText(eUserName->currentText());
        if (i >= 0) {
            if (Tag) {
                Host.MySelf = Tag;
            } else {
                Form3->Settings.SelectedAccount = i;
                Host.MySelf = i + 1;
                Form3->Settings.CurrentAccount = i + 1;
            }
            Form3->Serve(Tag);
            Form3->editdisp(Host.MySelf);
        }
        Form3->SetUserName(eUserName->currentText());
    }
    QStringList Names() const {
        QStringList L;
        for (const std::string& N : List.Names) L << ShownText(N);
        return L;
    }

    int Tag;
    TAccountHost Host;
    QComboBox* eUserName;
    QLineEdit* ePassword;
    QCheckBox* Cmailhead;
    TEditItems Items;
    TAccountList List;
    QString Status;
    bool AddEnabled = true;
    int Clears = 0;
};

// Typing: key by key for ASCII; other text as an input method inserts it.
void Type(QLineEdit* E, const QString& Text) {
    bool Ascii = true;
    for (QChar C : Text) Ascii = Ascii && C.unicode() < 0x80;
    if (Ascii)
        QTest::keyClicks(E, Text);
    else
        E->insert(Text);
}

// The next widget that Tab reaches.
QWidget* NextTabStop(QWidget* W) {
    do W = W->nextInFocusChain();
    while (!(W->focusPolicy() & Qt::TabFocus) || !W->isVisibleTo(W->window()));
    return W;
}

class SettingsWindowTest : public ::testing::Test {
protected:
    SettingsWindowTest() {
        // A program folder with a Japanese name: the file system gives its
        // path as UTF-8, not as the program's Shift_JIS text.
        ::mkdir(Folder.c_str(), 0700);
        SetProgramDir(Folder);
        TForm3::QuestionBox = [this](QWidget*, const QString& T) {
            Questions << T;
            return Answer;
        };
        TForm3::MessageBox = [this](QWidget*, const QString& T) { Messages << T; };
        TForm3::ErrorBox = [this](QWidget*, const QString& T) { Errors << T; };
    }
    ~SettingsWindowTest() override {
        Form.reset();
        Sign.reset();
        ::unlink(Path().c_str());
        ::rmdir(Folder.c_str());
    }
    void Create() {
        Sign = std::make_unique<TOKsign>(&Main.Host);
        Form = std::make_unique<TForm3>(&Main.Host, Sign.get(), nullptr, Path());
    }
    std::string Path() const { return Folder + "VELNARO.ini"; }
    std::string Value(const std::string& Section, const std::string& Key) {
        return TIniFile(Path()).ReadString(Section, Key, "<none>");
    }
    // "追加(&A)", typing, "データの保存".
    void AddAccount(const QString& User, const QString& Pop, const QString& Password = "",
                    bool Store = false) {
        Form->BeginNewAccount();
        Type(Form->eUserName, User);
        Form->ePassword->setText(Password);
        Form->passsave->setChecked(Store);
        QTest::keyClicks(Form->Edit1, Pop);
        QTest::keyClicks(Form->Edit2, "smtp." + Pop);
        QTest::mouseClick(Form->Button1, Qt::LeftButton);
    }

    TTempDir Dir;
    const std::string Folder = Dir.Path + "テスト用フォルダ/";
    THost Main;
    std::unique_ptr<TOKsign> Sign;
    std::unique_ptr<TForm3> Form;
    QStringList Questions, Messages, Errors;
    bool Answer = true;
};

TEST_F(SettingsWindowTest, FieldsComeFirstInTheTabOrder) {
    Create();
    EXPECT_EQ(Form3, Form.get());
    EXPECT_EQ(OKsign, Sign.get());
    EXPECT_EQ(Form->RadioGroup1->ItemIndex(), 1);
    EXPECT_TRUE(Form->mailhead->isChecked());

    Form->FormCreate();  // a reload keeps the tab order of the encoding choice
    Form->show();
    EXPECT_FALSE(Form->patrol->isVisible());
    EXPECT_EQ(NextTabStop(Form->Button3), Form->RadioGroup1->Button(0));
    QWidget* W = Form->eUserName;
    for (QWidget* Next : {(QWidget*)Form->ePassword, (QWidget*)Form->Edit1, (QWidget*)Form->Edit2,
                          (QWidget*)Form->Edit4, (QWidget*)Form->passsave}) {
        W = NextTabStop(W);
        EXPECT_EQ(W, Next) << Next->objectName().toStdString();
    }
}

TEST_F(SettingsWindowTest, SignatureRulerHasItsMarksAtTheGivenColumns) {
    const std::string L1 = SignRulerLine1, L2 = SignRulerLine2;
    ASSERT_EQ(L1.size(), 62u);
    ASSERT_EQ(L2.size(), 62u);
    EXPECT_EQ(SignRuler(), QString::fromStdString(L1 + "\r\n" + L2));
    std::string Marks1, Marks2;
    for (size_t c = 0; c < 62; ++c) {
        if (L1[c] != ' ') Marks1 += std::to_string(c) + L1[c] + " ";
        if (L2[c] != '-') Marks2 += std::to_string(c) + L2[c] + " ";
    }
    EXPECT_EQ(Marks1, "00 55 100 155 200 255 300 355 410 465 510 565 610 ");
    EXPECT_EQ(Marks2, "0| 5+ 10| 15+ 20| 25+ 30| 35+ 41| 46+ 51| 56+ 61| ");
    Create();
    EXPECT_EQ(Sign->Label1->text(), QString::fromStdString(L1 + "\n" + L2));
    EXPECT_EQ(Sign->Label1->font().family(), "IPAMincho");
    EXPECT_EQ(Sign->Memo1->font().family(), "IPAGothic");
}

TEST_F(SettingsWindowTest, EmptyFolderThenAddingSavingAndSwitchingAccounts) {
    Create();
    EXPECT_EQ(Main.eUserName->count(), 0);
    EXPECT_TRUE(Main.List.Names.empty());
    EXPECT_EQ(Main.Status, U("選択されたサーバはとです"));
    EXPECT_EQ(Main.Host.MySelf, 0);

    // First save: no question, account 1, the password scrambled.
    AddAccount(U("太郎"), "pop.a", "secret", true);
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_EQ(Value("Number", "count"), "1");
    EXPECT_EQ(Value("Account1", "user"), SJ("太郎"));
    const std::string Stored = Value("Account1", "password");
    EXPECT_EQ(Stored.size(), 512u);
    EXPECT_EQ(ReadFileText(Path()).find("secret"), std::string::npos);
    EXPECT_EQ(DecodePassword(PasswordKey, Stored), "secret");
    EXPECT_TRUE(Main.AddEnabled);
    EXPECT_TRUE(Form->isVisible());   // the window stays after a save
    EXPECT_TRUE(Messages.isEmpty());  // ticked while not the active window: no warning

    // Second account: the overwrite question, answered Yes.
    AddAccount("bob", "pop.b");
    EXPECT_EQ(Questions, QStringList{U("設定データが存在します。上書きしますか?")});
    EXPECT_EQ(Value("Number", "count"), "2");
    EXPECT_EQ(Value("Number", "start"), "2");
    EXPECT_EQ(Value("Account2", "password"), "");
    EXPECT_EQ(Main.eUserName->count(), 2);
    EXPECT_EQ(Main.eUserName->currentText(), "bob");
    EXPECT_EQ(Main.Names(), (QStringList{U("太郎"), "bob"}));
    EXPECT_EQ(Main.Status, U("選択されたサーバはpop.bとsmtp.pop.bです"));
    EXPECT_EQ(Form->Settings.CurrentAccount, 2);

    // Choosing account 1 in the main window shows it in the fields.
    Main.eUserName->setCurrentIndex(0);
    EXPECT_EQ(Form->Edit1->text(), "pop.a");
    EXPECT_EQ(Form->ePassword->text(), "secret");
    EXPECT_TRUE(Form->passsave->isChecked());
    EXPECT_EQ(Main.ePassword->text(), "secret");
    EXPECT_EQ(Form->Settings.CurrentAccount, 1);
    // The main window works with the account the fields show.
    EXPECT_EQ(Main.Host.Account, Form->CurrentRecord());
    EXPECT_EQ(Main.Host.Account.Edit1, "pop.a");

    // Typing in the settings window's fields changes the main window's at once.
    Form->eUserName->selectAll();
    QTest::keyClicks(Form->eUserName, "carl");
    EXPECT_EQ(Main.eUserName->currentText(), "carl");
    QTest::keyClicks(Form->ePassword, "2");
    EXPECT_EQ(Main.ePassword->text(), "secret2");

    // A third account answered No: the file stays, the start account shows.
    const std::string Before = ReadFileText(Path());
    Answer = false;
    AddAccount("dan", "pop.d");
    EXPECT_EQ(ReadFileText(Path()), Before);
    EXPECT_EQ(Form->eUserName->text(), "bob");
    EXPECT_EQ(Main.eUserName->currentText(), "bob");
}

TEST_F(SettingsWindowTest, ConnectionSectionProposesPortsSavesAndTrustsCertificates) {
    Create();
    AddAccount("taro", "pop.a");
    EXPECT_EQ(Form->PopPort->value(), 110);
    EXPECT_FALSE(Form->SmtpUser->isEnabled());
    // A new choice proposes its usual port while the port is a usual one.
    const struct {
        QComboBox* Choice;
        QSpinBox* Port;
        int Index, Expected;
    } Steps[] = {
        {Form->PopSecurity, Form->PopPort, 2, 995},
        {Form->PopSecurity, Form->PopPort, 1, 110},
        {Form->SmtpSecurity, Form->SmtpPort, 2, 465},
        {Form->SmtpSecurity, Form->SmtpPort, 1, 587},
    };
    for (const auto& S : Steps) {
        S.Choice->setCurrentIndex(S.Index);
        EXPECT_EQ(S.Port->value(), S.Expected) << S.Choice->objectName().toStdString() << " " << S.Index;
    }
    Form->PopPort->setValue(1995);  // the user's own port stays
    Form->PopSecurity->setCurrentIndex(2);
    EXPECT_EQ(Form->PopPort->value(), 1995);
    Form->SmtpAuth->setCurrentIndex(1);
    EXPECT_TRUE(Form->SmtpUser->isEnabled());
    Type(Form->SmtpUser, "taro@example.jp");
    Form->SmtpPassword->setText("smtp-pw");
    EXPECT_EQ(Main.Host.Account.SmtpSecurity, 1);  // the served window's record follows
    EXPECT_EQ(Main.Host.Account.SmtpSignInPassword(), "smtp-pw");
    QTest::mouseClick(Form->Button1, Qt::LeftButton);
    EXPECT_EQ(Value("Account1", "pop3port"), "1995");
    EXPECT_EQ(Value("Account1", "smtpauth"), "1");
    EXPECT_EQ(Value("Account1", "smtppassword"), "");  // passwords are not stored for this account

    // Another account and back: the stored values come back without proposals.
    AddAccount("hanako", "pop.b");
    EXPECT_EQ(Form->SmtpPort->value(), 25);
    EXPECT_EQ(Form->SmtpAuth->currentIndex(), 0);
    Form->editdisp(1);
    EXPECT_EQ(Form->PopPort->value(), 1995);
    EXPECT_EQ(Form->PopSecurity->currentIndex(), 2);
    EXPECT_EQ(Form->SmtpPort->value(), 587);
    EXPECT_EQ(Form->SmtpUser->text(), "taro@example.jp");

    // Trusting a certificate for the shown account keeps the typed edits.
    Form->Edit2->setText("smtp.typed");
    const std::string Fp(64, 'C');
    Form->TrustCertificate(1, Fp);
    EXPECT_EQ(Value("Account1", "trustcert"), Fp);
    EXPECT_EQ(Value("Account1", "smtp"), "smtp.pop.a");
    EXPECT_EQ(Form->Edit2->text(), "smtp.typed");
    EXPECT_EQ(Main.Host.Account.TrustedCerts, std::vector<std::string>{Fp});
    EXPECT_EQ(Form->CurrentRecord().TrustedCerts, std::vector<std::string>{Fp});
    Form->BeginNewAccount();
    EXPECT_EQ(Form->CurrentRecord().UsesConnectionSection(), false);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(SettingsWindowTest, EditAndDeleteThroughTheAccountSubItems) {
    Create();
    AddAccount("a", "pop.a");
    AddAccount("b", "pop.b");
    AddAccount("c", "pop.c");
    Form->hide();
    EXPECT_EQ(Form->Settings.CurrentAccount, 3);

    Main.List.OnEdit(1);  // "b"
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(Form->Settings.CurrentAccount, 2);
    EXPECT_EQ(Form->Edit1->text(), "pop.b");
    Form->Edit4->setText("b@example.jp");
    Form->Button1->click();
    EXPECT_EQ(Value("Number", "count"), "3");
    EXPECT_EQ(Value("Number", "start"), "2");
    EXPECT_EQ(Value("Account2", "address"), "b@example.jp");

    // "巡回する" of account 2 enables its "巡回リスト" sub-item only.
    Form->patrol->setChecked(true);
    Form->Button1->click();
    EXPECT_EQ(Main.List.PatrolFlags, (std::vector<bool>{false, true, false}));
    Main.List.OnPatrol(1);
    EXPECT_EQ(Messages, QStringList{U("このユーザは巡回に組み込まれています")});

    Questions.clear();
    Answer = false;
    Main.List.OnDelete(0);
    EXPECT_EQ(Questions, QStringList{U("ユーザ名 aのデータをファイルから消去しますか？")});
    EXPECT_EQ(Value("Number", "count"), "3");
    Answer = true;
    Main.List.OnDelete(0);
    EXPECT_EQ(Value("Number", "count"), "2");
    EXPECT_EQ(Value("Account1", "user"), "b");
    EXPECT_EQ(Main.Names(), (QStringList{"b", "c"}));

    Main.List.OnDelete(1);
    Main.List.OnDelete(0);
    EXPECT_EQ(Value("Number", "count"), "0");
    EXPECT_EQ(Value("Number", "start"), "0");
    EXPECT_EQ(Main.eUserName->count(), 0);
    EXPECT_TRUE(Main.List.Names.empty());
}

TEST_F(SettingsWindowTest, SaveAfterHidingGoesToTheAccountTheFieldsShow) {
    Create();
    AddAccount("a", "pop.a");
    AddAccount("b", "pop.b");
    AddAccount("c", "pop.c");
    Main.List.OnEdit(0);
    Form->Button1->click();  // start 1; the reload leaves CurrentAccount at 3
    Form->hide();
    ASSERT_EQ(Form->Settings.CurrentAccount, 3);
    Form->ShowWindow();  // as "設定(&E)" does
    EXPECT_EQ(Form->eUserName->text(), "a");
    Form->Edit1->setText("pop.a2");
    Form->Button1->click();
    EXPECT_EQ(Value("Account1", "pop3"), "pop.a2");
    EXPECT_EQ(Value("Account3", "user"), "c");  // the last account is left alone
    EXPECT_EQ(Value("Account3", "pop3"), "pop.c");
}

TEST_F(SettingsWindowTest, PasswordWarningOnlyWhenTheWindowIsActive) {
    Create();
    AddAccount("a", "pop.a", "pw", true);
    AddAccount("b", "pop.b");
    Messages.clear();
    Main.eUserName->setCurrentIndex(0);  // a load from the main window ticks passsave
    EXPECT_TRUE(Form->passsave->isChecked());
    EXPECT_TRUE(Messages.isEmpty());

    Form->ShowWindow();
    QApplication::setActiveWindow(Form.get());
    ASSERT_TRUE(Form->isActiveWindow());
    Form->passsave->setChecked(false);
    QTest::mouseClick(Form->passsave, Qt::LeftButton);
    EXPECT_EQ(Messages, QStringList{U("注意：パスワードが") + QString::fromStdString(Path()) +
                                    U("に保存される設定になります")});
}

TEST_F(SettingsWindowTest, SaveWithoutStoringKeepsTheTypedValuesAndTheFile) {
    Create();
    AddAccount("a", "pop.a");
    const std::string Before = ReadFileText(Path());
    Form->BeginNewAccount();
    EXPECT_FALSE(Main.AddEnabled);
    EXPECT_EQ(Form->Settings.CurrentAccount, 2);
    Form->Edit1->setText("typed.example.jp");
    QTest::mouseClick(Form->Button2, Qt::LeftButton);
    EXPECT_FALSE(Form->isVisible());
    EXPECT_TRUE(Main.AddEnabled);
    EXPECT_EQ(Form->Settings.CurrentAccount, 1);
    EXPECT_EQ(Form->Edit1->text(), "typed.example.jp");
    EXPECT_EQ(ReadFileText(Path()), Before);
}

TEST_F(SettingsWindowTest, ServedWindowGetsTheCopiesAndApopClearsTheMainList) {
    Create();
    AddAccount("a", "pop.a");
    THost PatrolWindow(1);
    Form->PatrolWindows = {&PatrolWindow.Host};
    Form->Serve(1);
    EXPECT_EQ(PatrolWindow.Host.Account.Edit1, "pop.a");
    QTest::mouseClick(Form->mailhead, Qt::LeftButton);
    EXPECT_FALSE(PatrolWindow.Cmailhead->isChecked());
    EXPECT_TRUE(Main.Cmailhead->isChecked());
    Form->ePassword->setText("x");
    EXPECT_EQ(PatrolWindow.ePassword->text(), "x");
    QTest::mouseClick(Form->ApopOn, Qt::LeftButton);
    EXPECT_EQ(Main.Clears, 1);
    Form->ApopOn->setChecked(true);  // no change, no handler
    EXPECT_EQ(Main.Clears, 1);

    // The patrol window keeps its own account when the settings window
    // shows another one for the main window.
    Form->Serve(0);
    Form->Edit1->setText("pop.other");
    EXPECT_EQ(PatrolWindow.Host.Account.Edit1, "pop.a");
    EXPECT_EQ(Main.Host.Account.Edit1, "pop.other");

    Form->PatrolWindows = {nullptr};  // an empty slot: no served window
    Form->Serve(1);
    Form->eUserName->setText("nobody");
    EXPECT_EQ(PatrolWindow.eUserName->currentText(), "");
    EXPECT_EQ(Main.eUserName->currentText(), "a");
    Form->PatrolWindows.clear();
}

TEST_F(SettingsWindowTest, FocusTrackingSetsTheClipboardItems) {
    Create();
    Form->ePassword->setText("secret");
    Form->Edit1->setText("pop.example.jp");
    QGuiApplication::clipboard()->setText("x");
    Form->ePassword->selectAll();
    Form->OnClick(Form->ePassword);
    EXPECT_FALSE(Main.Items.Cut->isEnabled());
    EXPECT_FALSE(Main.Items.Copy->isEnabled());
    EXPECT_TRUE(Main.Items.Paste->isEnabled());
    EXPECT_EQ(ActiveTextControl, Form->ePassword);

    Form->Edit1->selectAll();
    QTest::mouseRelease(Form->Edit1, Qt::LeftButton);
    EXPECT_TRUE(Main.Items.Copy->isEnabled());
    EXPECT_TRUE(Main.Items.Cut->isEnabled());
    EXPECT_EQ(Form->FocusedControl, Form->Edit1);

    QGuiApplication::clipboard()->clear();
    Sign->Memo1->setPlainText("sig");
    Sign->OnClick(Sign->Memo1);
    EXPECT_FALSE(Main.Items.Copy->isEnabled());
    EXPECT_FALSE(Main.Items.Paste->isEnabled());
    EXPECT_EQ(ActiveTextControl, Sign->Memo1);
}

TEST_F(SettingsWindowTest, SignatureEditorOkCancelAndSave) {
    Create();
    AddAccount("a", "pop.a");
    Form->Button3->click();
    EXPECT_TRUE(Sign->isVisible());
    Sign->Memo1->insertPlainText(U("山田"));
    QTest::keyClick(Sign->Memo1, Qt::Key_Return);
    QTest::keyClick(Sign->Memo1, Qt::Key_Return);
    EXPECT_EQ(Sign->Lines(), (std::vector<std::string>{SJ("山田"), ""}));
    QTest::mouseClick(Sign->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(Sign->isVisible());
    EXPECT_EQ(Form->Label3->text(), U("山田\n\n"));

    // Cancel keeps the typed text but not the preview; a save stores the text.
    Form->Button3->click();
    Sign->Memo1->setPlainText("new");
    QTest::keyClick(Sign->Memo1, Qt::Key_Escape);
    EXPECT_FALSE(Sign->isVisible());
    EXPECT_EQ(Form->Label3->text(), U("山田\n\n"));
    Form->Button1->click();
    EXPECT_EQ(Value("Account1", "signcount"), "1");
    EXPECT_EQ(Value("Account1", "sign1"), "new");
    EXPECT_EQ(Form->Label3->text(), "new\n");

    Sign->ClearLines();
    Form->Button1->click();
    EXPECT_EQ(Value("Account1", "signcount"), "0");
    EXPECT_EQ(Form->Label3->text(), "");
}

TEST_F(SettingsWindowTest, WindowsOutliveTheMainWindowSafely) {
    auto Host = std::make_unique<THost>();
    TOKsign Editor(&Host->Host);
    TForm3 Window(&Host->Host, &Editor, nullptr, Path());
    Window.Button1->click();
    EXPECT_EQ(Host->eUserName->count(), 1);
    Host.reset();
    EXPECT_EQ(Window.MainForm(), nullptr);
    Window.ApopOn->setChecked(true);
    Window.Button2Click();
    Window.FormCreate();
    Editor.OnClick(Editor.Memo1);
    EXPECT_EQ(Window.eUserName->text(), "");
}

}  // namespace
