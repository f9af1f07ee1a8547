// Tests of the read page and the login through the real main window offscreen, against the real Dovecot: listing, reading, saving, marks, deleting, refusals, patrol windows.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "Accounts.h"
#include "DialogFolders.h"
#include "Flow.h"
#include "Main.h"
#include "MailNews.h"
#include "MailServers.h"
#include "ReceiveFlow.h"
#include "SysUtils.h"
#include "Unit3.h"
#include "cp932.h"
#include "sign.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

std::string Sample(const std::string& Name) {
    std::ifstream In(std::string(VELNARO_TEST_DATA) + "/receive/" + Name, std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return S.str();
}

bool Wait(const std::function<bool()>& Done, int Ms = 20000) { return ProcessEventsUntil(Done, Ms); }

// A check that answers at once: the server is on loopback.
struct TLoopbackCheck : TReachCheck {
    void Check() override {
        Found = Reachable = true;
        Address = "127.0.0.1";
    }
};

// Windows as the program start makes them, over a settings file with the
// given accounts (the password stored, patrol set); every flow talks to the
// test's Dovecot; every message box is recorded.
class ReceiveWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "the real Dovecot needs root to run here";
        std::string Why;
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;
        ASSERT_TRUE(Dir.isValid());
        SetProgramDir(QFile::encodeName(Dir.path()).toStdString() + "/");
        SetDialogFolderRules({true, QString(), QString()});
        TMainForm::ReceiveSetUp = [](TReceiveFlow& F) {
            F.Port = MailServers::Get().PopPort();
            F.MakeReachCheck = [] { return std::make_unique<TLoopbackCheck>(); };
        };
        // Questions (a certificate to trust) are answered Yes.
        MessageBoxHook = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                                QMessageBox::StandardButtons Buttons) {
            if (Buttons & QMessageBox::Yes) {
                Questions << Text;
                return QMessageBox::Yes;
            }
            Boxes << Text;
            return QMessageBox::Ok;
        };
    }
    void Open(const std::vector<std::string>& Users, bool HeaderOnly = false,
              const std::function<void(TAccountRecord&)>& Edit = nullptr) {
        TAccountSettings File;
        File.OnConfirmOverwrite = [] { return true; };
        for (size_t I = 0; I < Users.size(); ++I) {
            File.Record = TAccountRecord();
            File.Record.eUserName = Users[I];
            File.Record.ePassword = Users[I] + "pw";
            File.Record.passsave = true;
            File.Record.Edit1 = "127.0.0.1";
            File.Record.Edit2 = "127.0.0.1";
            File.Record.Edit4 = Users[I] + "@example.test";
            File.Record.mailhead = HeaderOnly;
            File.Record.patrol = true;
            if (Edit) Edit(File.Record);
            File.CurrentAccount = static_cast<int>(I) + 1;
            File.Save();
        }
        Main = new TMainForm;
        Sign = new TOKsign(&Main->Host);
        Settings = new TForm3(&Main->Host, Sign);
        Main->eUserName->setCurrentIndex(0);
    }
    void TearDown() override {
        delete Settings;
        delete Sign;
        delete Main;
        TMainForm::ReceiveSetUp = nullptr;
        MessageBoxHook = nullptr;
    }
    static bool Listed(TMainForm* W, int Rows) {
        return Wait([W, Rows] {
            return W->ListView1->topLevelItemCount() == Rows && !W->Receive->Connected() &&
                   W->POPStatus->currentMessage() == U("メールの情報読み込みが完了しました");
        });
    }
    static int RowOf(TMainForm* W, const char* Subject) {
        for (int I = 0; I < W->ListView1->topLevelItemCount(); ++I)
            if (W->ListView1->topLevelItem(I)->text(1) == U(Subject)) return I;
        return -1;
    }

    QTemporaryDir Dir;
    QStringList Boxes, Questions;
    TMainForm* Main = nullptr;
    TOKsign* Sign = nullptr;
    TForm3* Settings = nullptr;
};

TEST_F(ReceiveWindowTest, ListsReadsSavesMarksAndDeletesThroughTheWindow) {
    MailServers::Get().Empty("alice");
    for (const char* S : {"01-iso2022jp.eml", "03-utf8-nodate.eml", "05-nested.eml"})
        MailServers::Get().Seed("alice", Sample(S));
    Open({"alice"});
    EXPECT_EQ(Main->ePassword->text(), QStringLiteral("alicepw"));
    QTest::mouseClick(Main->PasswdOK, Qt::LeftButton);
    ASSERT_TRUE(Listed(Main, 3));
    EXPECT_EQ(Main->lMessageCount->text(), QStringLiteral("3"));
    EXPECT_EQ(Main->Panel7->text(), U("あなたの全メール数は3通です"));
    EXPECT_TRUE(Main->PasswdOK->isEnabled());
    EXPECT_TRUE(Main->ProgressBar1->isHidden());

    // The four columns; a message without a Date shows the zero date.
    const int Iso = RowOf(Main, "打ち合わせの件");
    const int NoDate = RowOf(Main, "請求書のご送付");
    ASSERT_GE(Iso, 0);
    ASSERT_GE(NoDate, 0);
    QTreeWidgetItem* Row = Main->ListView1->topLevelItem(Iso);
    EXPECT_EQ(Row->text(0), QString("(%1)").arg(Iso + 1) + U("佐藤 花子 <hanako@example.test>"));
    EXPECT_EQ(Row->text(2), QLocale::system().toString(QDate(2026, 12, 1), QLocale::ShortFormat));
    EXPECT_EQ(Row->text(3), QString::number(Sample("01-iso2022jp.eml").size()));
    EXPECT_EQ(Main->ListView1->topLevelItem(NoDate)->text(2),
              QLocale::system().toString(QDate(1899, 12, 30), QLocale::ShortFormat));

    // Double-click reads; the header toggle shows it again with its header.
    const int Nested = RowOf(Main, "見積書の送付");
    Main->show();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    Main->PageControl1->setCurrentWidget(Main->RecvPage);
    Main->ListView1->setCurrentItem(Main->ListView1->topLevelItem(Nested));
    Main->ListView1->setFocus();
    Main->CheckListBox1DblClick();
    EXPECT_TRUE(Main->mReadMessage->toPlainText().startsWith(U("------<Subject is 見積書の送付")));
    EXPECT_EQ(Main->POPStatus->currentMessage(), QString("%1").arg(Nested + 1) + U("通目のメール読込完了"));
    ASSERT_EQ(Main->ComboBox1->count(), 3);
    EXPECT_TRUE(Main->Button4->isEnabled());
    Main->N3->trigger();
    EXPECT_TRUE(Main->mReadMessage->toPlainText().startsWith(QStringLiteral("From: ")));

    // "保存": the dialog proposes the listed name; the bytes are the attachment's.
    for (auto [Index, Name, File] :
         {std::tuple(1, "見積書.pdf", "05-nested.pdf"), std::tuple(2, "image3.png", "05-nested.png")}) {
        Main->ComboBox1->setCurrentIndex(Index);
        QString Proposed;
        const QString Target = Dir.path() + U("/保存先");
        Main->SaveDialog = [&](const QString&, const QString& Name, const QString&) {
            Proposed = Name;
            return Target;
        };
        Main->Button4Click();
        EXPECT_EQ(Proposed, U(Name));
        QFile Saved(Target);
        ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(Saved.readAll().toStdString(), Sample(File));
    }

    // A reply to the message shown.
    Main->reletterClick();
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
    EXPECT_EQ(Main->eTo->text(), QStringLiteral("jiro@example.test"));
    EXPECT_EQ(Main->eSubject->text(), U("RE:見積書の送付"));
    EXPECT_EQ(Main->InReplyToId, "<nested.5@example.test>");
    EXPECT_EQ(Main->ReferencesText, "<earlier.1@example.test> <nested.5@example.test>");

    // Ctrl+D marks the selected row; the delete pass removes it and lists anew.
    Main->PageControl1->setCurrentWidget(Main->RecvPage);
    Main->ListView1->setCurrentItem(Main->ListView1->topLevelItem(Iso));
    Main->ListView1->setFocus();
    QTest::keyClick(Main->ListView1, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(Main->ListView1->topLevelItem(Iso)->checkState(0), Qt::Checked);
    EXPECT_EQ(Main->POPStatus->currentMessage(),
              QString(U("（%1）のメール削除のチェックがつきました")).arg(Iso + 1));
    QTest::mouseClick(Main->Button1, Qt::LeftButton);
    ASSERT_TRUE(Listed(Main, 2));
    EXPECT_EQ(RowOf(Main, "打ち合わせの件"), -1);
    EXPECT_EQ(MailServers::Get().Messages("alice").size(), 2u);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join("|").toStdString();
}

TEST_F(ReceiveWindowTest, RefusedLoginsShowTheirMessageBoxes) {
    struct Case {
        const char* User;
        const char* Password;
        bool Apop;
        const char* Box;
    };
    const Case Cases[] = {
        {"alice", "wrong", false, "パスワードが違います"},
        {"nobody", "nobodypw", true, "Apopでの承認に失敗。username、passwdを確認してください"},
    };
    Open({"alice"});
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Box);
        Boxes.clear();
        Settings->ApopOn->setChecked(C.Apop);
        Main->eUserName->setEditText(QString::fromLatin1(C.User));
        Main->ePassword->setText(QString::fromLatin1(C.Password));
        Main->PasswdOKClick();
        ASSERT_TRUE(Wait([&] { return !Boxes.isEmpty() && !Main->Receive->Connected(); }));
        EXPECT_EQ(Boxes, QStringList{U(C.Box)});
        EXPECT_TRUE(Main->PasswdOK->isEnabled());
        EXPECT_EQ(Main->ListView1->topLevelItemCount(), 0);
    }
}

TEST_F(ReceiveWindowTest, PatrolWindowsListTheirAccountsAtOnce) {
    MailServers::Get().Empty("alice");
    MailServers::Get().Empty("bob");
    for (int I = 0; I < 2; ++I) MailServers::Get().Seed("alice", Sample("02-sjis.eml"));
    for (int I = 0; I < 3; ++I) MailServers::Get().Seed("bob", Sample("04-eucjp.eml"));
    Open({"alice", "bob"}, true);
    Main->patrol->trigger();
    ASSERT_EQ(Settings->PatrolWindows.size(), 2u);
    TMainForm* W[2];
    for (int I = 0; I < 2; ++I) {
        ASSERT_NE(Settings->PatrolWindows[size_t(I)], nullptr);
        W[I] = qobject_cast<TMainForm*>(Settings->PatrolWindows[size_t(I)]->Window);
        ASSERT_NE(W[I], nullptr);
        EXPECT_EQ(W[I]->Tag, I + 1);
        EXPECT_EQ(W[I]->objectName(), QString("Mainform%1").arg(I + 1));
    }
    EXPECT_EQ(W[1]->windowTitle(), U("巡回の名前はbobです"));
    EXPECT_FALSE(W[0]->Account1->menuAction()->isVisible());
    // Both log in by themselves; their connections run side by side.
    ASSERT_TRUE(Listed(W[0], 2));
    ASSERT_TRUE(Listed(W[1], 3));
    EXPECT_EQ(W[0]->Receive->Pop()->objectName(), QStringLiteral("Pop1"));
    EXPECT_EQ(W[1]->ListView1->topLevelItem(0)->text(1), U("発表順のお知らせ"));
    EXPECT_EQ(Main->ListView1->topLevelItemCount(), 0);

    // A certificate trusted in the first window goes to its account, in the
    // file and in the window's own record, though the settings window shows
    // the second account.
    const std::string Fp(64, 'A');
    EXPECT_TRUE(W[0]->AskTrustCertificate(SJ("信頼しますか"), Fp));
    EXPECT_EQ(Questions, QStringList{U("信頼しますか")});
    EXPECT_EQ(W[0]->Host.Account.TrustedCerts, std::vector<std::string>{Fp});
    EXPECT_TRUE(W[1]->Host.Account.TrustedCerts.empty());
    TAccountSettings File;
    for (int N : {1, 2}) {
        File.editdisp(N);
        EXPECT_EQ(File.Record.TrustedCerts.size(), N == 1 ? 1u : 0u) << N;
    }

    // Closing one clears only its own slot.
    W[0]->close();
    EXPECT_EQ(Settings->PatrolWindows[0], nullptr);
    EXPECT_EQ(Settings->PatrolWindows[1], &W[1]->Host);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join("|").toStdString();
}

}  // namespace

TEST_F(ReceiveWindowTest, SecureAccountReceivesAndSendsThroughTheWindowAfterOneTrustQuestion) {
    std::string Why;
    ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;
    MailServers& S = MailServers::Get();
    S.Empty("alice");
    S.Empty("bob");
    S.Seed("alice", Sample("02-sjis.eml"));
    // POP3 over TLS on its own port, submission with STARTTLS and sign-in,
    // both servers named as their certificate names them. The test authority
    // is trusted nowhere: the user trusts the certificate when asked.
    TClientSocket::ExtraCaCertificates.clear();
    TMainForm::ReceiveSetUp = [](TReceiveFlow& F) {
        F.MakeReachCheck = [] { return std::make_unique<TLoopbackCheck>(); };
    };
    Open({"alice"}, true, [&](TAccountRecord& A) {
        A.Edit1 = A.Edit2 = "mail.example.test";
        A.PopPort = S.PopsPort();
        A.PopSecurity = 2;
        A.SmtpPort = S.SubmissionPort();
        A.SmtpSecurity = 1;
        A.SmtpAuth = true;
    });
    Main->SendFlow->MakeReachCheck = [] { return std::make_unique<TLoopbackCheck>(); };

    QTest::mouseClick(Main->PasswdOK, Qt::LeftButton);
    ASSERT_TRUE(Listed(Main, 1)) << Boxes.join('|').toStdString();
    ASSERT_EQ(Questions.size(), 1);
    EXPECT_TRUE(Questions[0].contains(U("証明書の発行元を確認できません")));
    TAccountSettings File;
    File.editdisp(1);
    ASSERT_EQ(File.Record.TrustedCerts.size(), 1u);
    EXPECT_EQ(Main->Host.Account.TrustedCerts, File.Record.TrustedCerts);

    // Header-only: reading connects again.
    Main->ListView1->setCurrentItem(Main->ListView1->topLevelItem(0));
    Main->CheckListBox1DblClick();
    ASSERT_TRUE(Wait([&] { return Main->POPStatus->currentMessage() == U("メールの展開完了"); }));
    EXPECT_TRUE(Main->mReadMessage->toPlainText().contains(U("会議資料")));

    const QString Subject = QString("secure-%1").arg(getpid());
    Main->eTo->setText("bob@example.test");
    Main->eSubject->setText(Subject);
    Main->reMessageText->setPlainText(U("暗号化して送ります"));
    QTest::mouseClick(Main->SendBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait([&] { return Main->SMTPStatus->currentMessage() == U("送信終了"); }, 30000))
        << Main->SMTPStatus->currentMessage().toStdString() << " " << Boxes.join('|').toStdString();
    EXPECT_EQ(Boxes, QStringList{U("送信が完了しました")});
    EXPECT_EQ(Questions.size(), 1);
    ASSERT_TRUE(Wait([&] { return S.Messages("bob").size() == 1; }));
    EXPECT_NE(S.Messages("bob")[0].find(Subject.toStdString()), std::string::npos);
    S.Empty("bob");
}
