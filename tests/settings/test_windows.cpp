// Tests of the account settings window and the signature editor: real widgets, a real settings file.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include "EditCommands.h"
#include "IniFile.h"
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
        eUserName->setEditable(true);
        Cmailhead->setChecked(true);
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
            Host.MySelf = Tag ? Tag : i + 1;
            if (!Tag) Form3->Settings.SelectedAccount = i, Form3->Settings.CurrentAccount = i + 1;
            Form3->Serve(Tag);
            Form3->editdisp(Host.MySelf);
        }
        Form3->SetUserName(eUserName->currentText());
    }

    int Tag;
    TAccountHost Host;
    QComboBox* eUserName = new QComboBox(this);
    QLineEdit* ePassword = new QLineEdit(this);
    QCheckBox* Cmailhead = new QCheckBox(this);
    TEditItems Items = {new QAction(this), new QAction(this), new QAction(this)};
    TAccountList List;
    QString Status;
    bool AddEnabled = true;
    int Clears = 0;
};

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
        TForm3::QuestionBox = [this](QWidget*, const QString& T) { return (Questions << T, Answer); };
        TForm3::MessageBox = TForm3::ErrorBox = [this](QWidget*, const QString& T) { Messages << T; };
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
        Form->eUserName->setText(User);
        Form->ePassword->setText(Password);
        Form->passsave->setChecked(Store);
        QTest::keyClicks(Form->Edit1, Pop);
        QTest::mouseClick(Form->Button1, Qt::LeftButton);
    }

    TTempDir Dir;
    const std::string Folder = Dir.Path + "テスト用フォルダ/";
    THost Main;
    std::unique_ptr<TOKsign> Sign;
    std::unique_ptr<TForm3> Form;
    QStringList Questions, Messages;  // error boxes too
    bool Answer = true;
};

TEST_F(SettingsWindowTest, FieldsComeFirstInTheTabOrderAlsoAfterAReload) {
    Form->FormCreate();
    Form->show();
    EXPECT_EQ(NextTabStop(Form->Button3), Form->RadioGroup1->Button(0));
    QWidget* W = Form->eUserName;
    for (QWidget* Next : {(QWidget*)Form->ePassword, (QWidget*)Form->Edit1, (QWidget*)Form->Edit2,
                          (QWidget*)Form->Edit4, (QWidget*)Form->passsave})
        EXPECT_EQ(W = NextTabStop(W), Next) << Next->objectName().toStdString();
}

TEST_F(SettingsWindowTest, UserNameAndPasswordCopiesSettleBetweenTheWindows) {
    AddAccount(U("太郎"), "pop.a", "secret", true);
    EXPECT_EQ(ReadFileText(Path()).find("secret"), std::string::npos);  // scrambled
    AddAccount("bob", "pop.b");
    EXPECT_EQ(Main.List.Names, (std::vector<std::string>{SJ("太郎"), "bob"}));
    EXPECT_EQ(Main.Status, U("選択されたサーバはpop.bとです"));

    // Choosing account 1 in the main window shows it in the fields; the main
    // window works with the account the fields show.
    Main.eUserName->setCurrentIndex(0);
    EXPECT_EQ(Form->Edit1->text(), "pop.a");
    EXPECT_EQ(Main.ePassword->text(), "secret");
    EXPECT_EQ(Main.Host.Account, Form->CurrentRecord());

    // Typing in the settings window's fields changes the main window's at once.
    Form->eUserName->selectAll();
    QTest::keyClicks(Form->eUserName, "carl");
    EXPECT_EQ(Main.eUserName->currentText(), "carl");
    QTest::keyClicks(Form->ePassword, "2");
    EXPECT_EQ(Main.ePassword->text(), "secret2");
}

TEST_F(SettingsWindowTest, ConnectionSectionProposesPortsSavesAndTrustsCertificates) {
    AddAccount("taro", "pop.a");
    Form->PopSecurity->setCurrentIndex(2);
    Form->SmtpSecurity->setCurrentIndex(1);
    EXPECT_EQ(Form->PopPort->value() * 1000 + Form->SmtpPort->value(), 995587);
    Form->PopPort->setValue(1995);  // the user's own port stays
    Form->PopSecurity->setCurrentIndex(1);
    EXPECT_EQ(Form->PopPort->value(), 1995);
    Form->SmtpAuth->setCurrentIndex(1);
    Form->SmtpPassword->setText("smtp-pw");
    EXPECT_EQ(Main.Host.Account.SmtpSignInPassword(), "smtp-pw");  // the served window's record follows
    QTest::mouseClick(Form->Button1, Qt::LeftButton);
    EXPECT_EQ(Value("Account1", "pop3port") + Value("Account1", "smtpauth"), "19951");
    // Trusting a certificate for the shown account keeps the typed edits.
    Form->Edit2->setText("smtp.typed");
    Form->TrustCertificate(1, std::string(64, 'C'));
    EXPECT_EQ(Form->Edit2->text(), "smtp.typed");
    EXPECT_EQ(Main.Host.Account.TrustedCerts, std::vector<std::string>{std::string(64, 'C')});
}

TEST_F(SettingsWindowTest, PatrolAndDeleteQuestionThroughTheAccountSubItems) {
    for (const char* U : {"a", "b", "c"}) AddAccount(U, "pop." + QString(U));
    Main.List.OnEdit(1);
    // "巡回する" of account 2 enables its "巡回リスト" sub-item only.
    Form->patrol->setChecked(true);
    Form->Button1->click();
    EXPECT_EQ(Main.List.PatrolFlags, (std::vector<bool>{false, true, false}));
    Main.List.OnPatrol(1);
    EXPECT_EQ(Messages, QStringList{U("このユーザは巡回に組み込まれています")});

    Answer = false;
    Main.List.OnDelete(0);
    EXPECT_EQ(Questions.back(), U("ユーザ名 aのデータをファイルから消去しますか？"));
    EXPECT_EQ(Main.List.Names.size(), 3u);  // the deletion itself is AccountsTest's
}

TEST_F(SettingsWindowTest, PasswordWarningNamesTheRealFileOnlyWhenTheWindowIsActive) {
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

TEST_F(SettingsWindowTest, ServedWindowGetsTheCopiesAndApopClearsTheMainList) {
    AddAccount("a", "pop.a");
    THost PatrolWindow(1);
    Form->PatrolWindows = {&PatrolWindow.Host};
    Form->Serve(1);
    EXPECT_EQ(PatrolWindow.Host.Account.Edit1, "pop.a");
    QTest::mouseClick(Form->mailhead, Qt::LeftButton);
    EXPECT_FALSE(PatrolWindow.Cmailhead->isChecked());
    EXPECT_TRUE(Main.Cmailhead->isChecked());
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

TEST_F(SettingsWindowTest, FocusInTheSettingsWindowsReachesTheHostsClipboardItems) {
    Form->ePassword->setText("secret");
    Form->ePassword->selectAll();
    Form->OnClick(Form->ePassword);
    EXPECT_FALSE(Main.Items.Copy->isEnabled());  // never the password
    Form->Edit1->setText("pop.example.jp");
    Form->Edit1->selectAll();
    QTest::mouseRelease(Form->Edit1, Qt::LeftButton);
    EXPECT_TRUE(Main.Items.Copy->isEnabled());
    Sign->OnClick(Sign->Memo1);
    EXPECT_EQ(ActiveTextControl, Sign->Memo1);
}

TEST_F(SettingsWindowTest, CloseWithoutSavingThenSignatureEditorOkCancelAndSave) {
    AddAccount("a", "pop.a");
    // Closing without saving keeps the typed values and the file.
    const std::string Before = ReadFileText(Path());
    Form->BeginNewAccount();
    EXPECT_FALSE(Main.AddEnabled);
    Form->Edit1->setText("typed.example.jp");
    QTest::mouseClick(Form->Button2, Qt::LeftButton);
    EXPECT_TRUE(Main.AddEnabled);
    EXPECT_EQ(Form->Edit1->text(), "typed.example.jp");
    EXPECT_EQ(ReadFileText(Path()), Before);
    Form->editdisp(1);
    Form->Button3->click();
    Sign->Memo1->insertPlainText(U("山田"));
    QTest::keyClick(Sign->Memo1, Qt::Key_Return);
    QTest::keyClick(Sign->Memo1, Qt::Key_Return);
    QTest::mouseClick(Sign->OKBtn, Qt::LeftButton);
    EXPECT_EQ(Form->Label3->text(), U("山田\n\n"));

    // Cancel keeps the typed text but not the preview; a save stores the text.
    Form->Button3->click();
    Sign->Memo1->setPlainText("new");
    QTest::keyClick(Sign->Memo1, Qt::Key_Escape);
    Form->Button1->click();
    EXPECT_EQ(Value("Account1", "signcount") + Value("Account1", "sign1"), "1new");
    EXPECT_EQ(Form->Label3->text(), "new\n");
}

TEST(SettingsWindow, WindowsOutliveTheMainWindowSafely) {
    TTempDir Dir;
    auto Host = std::make_unique<THost>();
    TOKsign Editor(&Host->Host);
    TForm3 Window(&Host->Host, &Editor, nullptr, Dir.Path + "VELNARO.ini");
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
