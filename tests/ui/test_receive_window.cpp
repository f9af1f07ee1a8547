// The real main window offscreen against the real Dovecot and Postfix: listing, reading, saving, marks, deleting, refusals, patrol windows, a secure account sending and receiving.
#include <QLocale>
#include <QPointer>

#include <unistd.h>

#include "MailNews.h"
#include "MailServers.h"
#include "MessageReader.h"
#include "WindowFixture.h"

namespace {

std::string Sample(const std::string& Name) {
    return ReadFileText(std::string(VELNARO_TEST_DATA) + "/receive/" + Name);
}
// The mailbox of User holds the given sample messages only.
void Fill(const char* User, const std::vector<const char*>& Samples) {
    MailServers::Get().Empty(User);
    for (const char* S : Samples) MailServers::Get().Seed(User, Sample(S));
}

// The windows over a settings file with the given accounts (the password
// stored, patrol set); every receive flow talks to the test's Dovecot.
class ReceiveWindowTest : public WindowTest {
protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "the real Dovecot needs root to run here";
        std::string Why;
        ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;
        Prepare();
        PopPort = MailServers::Get().PopPort();
    }
    void Open(const std::vector<std::string>& Users, bool HeaderOnly = false,
              const std::function<void(TAccountRecord&)>& Edit = nullptr) {
        TAccountSettings File;
        File.OnConfirmOverwrite = [] { return true; };
        for (size_t I = 0; I < Users.size(); ++I) {
            TAccountRecord& A = File.Record = TAccountRecord();
            A.eUserName = Users[I];
            A.ePassword = Users[I] + "pw";
            A.Edit1 = A.Edit2 = "127.0.0.1";
            A.Edit4 = Users[I] + "@example.test";
            A.passsave = A.patrol = true;
            A.mailhead = HeaderOnly;
            if (Edit) Edit(A);
            File.CurrentAccount = static_cast<int>(I) + 1;
            File.Save();
        }
        OpenWindows();
        Main->eUserName->setCurrentIndex(0);
    }
    static bool Listed(TMainForm* W, int Rows) {
        const QString Done = U("メールの情報読み込みが完了しました");
        auto Ended = [&] { return !W->Receive->Connected() && W->POPStatus->currentMessage() == Done; };
        return Wait([&] { return Ended() && W->ListView1->topLevelItemCount() == Rows; }, 20000);
    }
};

TEST_F(ReceiveWindowTest, RefusesListsReadsSavesMarksAndDeletesThroughTheWindow) {
    Fill("alice", {"01-iso2022jp.eml", "03-utf8-nodate.eml", "05-nested.eml"});
    Open({"alice"});
    // Refused logins show their boxes and list nothing.
    for (auto [User, Password, Apop, Box] :
         {std::tuple("alice", "wrong", false, "パスワードが違います"),
          std::tuple("nobody", "nobodypw", true, "Apopでの承認に失敗。username、passwdを確認してください")}) {
        Settings->ApopOn->setChecked(Apop);
        Main->eUserName->setEditText(User);
        Main->ePassword->setText(Password);
        Main->PasswdOKClick();
        ASSERT_TRUE(Wait([&] { return !Boxes.isEmpty() && !Main->Receive->Connected(); }, 20000));
        EXPECT_EQ(Boxes.takeFirst(), U(Box));
        EXPECT_TRUE(Boxes.isEmpty() && Main->PasswdOK->isEnabled() &&
                    Main->ListView1->topLevelItemCount() == 0);
    }
    // The stored password comes back with the account.
    Main->eUserName->setEditText("alice");
    EXPECT_EQ(Main->ePassword->text(), "alicepw");
    QTest::mouseClick(Main->PasswdOK, Qt::LeftButton);
    ASSERT_TRUE(Listed(Main, 3));
    EXPECT_EQ(Main->lMessageCount->text() + Main->Panel7->text(), U("3あなたの全メール数は3通です"));
    EXPECT_TRUE(Main->PasswdOK->isEnabled() && Main->ProgressBar1->isHidden());

    // The four columns; a message without a Date shows the zero date.
    // The rows in the order of the mailbox.
    const int Iso = 0, NoDate = 1, Nested = 2;
    int N = 0;
    for (const char* Subject : {"打ち合わせの件", "請求書のご送付", "見積書の送付"})
        EXPECT_EQ(Main->ListView1->topLevelItem(N++)->text(1), U(Subject));
    QTreeWidgetItem* Row = Main->ListView1->topLevelItem(Iso);
    EXPECT_EQ(Row->text(0), U("(1)佐藤 花子 <hanako@example.test>"));
    EXPECT_EQ(Row->text(2), QLocale::system().toString(QDate(2026, 12, 1), QLocale::ShortFormat));
    EXPECT_EQ(Row->text(3), QString::number(Sample("01-iso2022jp.eml").size()));
    EXPECT_EQ(Main->ListView1->topLevelItem(NoDate)->text(2),
              QLocale::system().toString(QDate(1899, 12, 30), QLocale::ShortFormat));

    // Double-click reads; the header toggle shows it again with its header.
    Main->show();
    Main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    Main->PageControl1->setCurrentWidget(Main->RecvPage);
    Main->ListView1->setCurrentItem(Main->ListView1->topLevelItem(Nested));
    Main->ListView1->setFocus();
    Main->CheckListBox1DblClick();
    EXPECT_TRUE(Main->mReadMessage->toPlainText().startsWith(U("------<Subject is 見積書の送付")));
    EXPECT_EQ(Main->POPStatus->currentMessage(), QString::number(Nested + 1) + U("通目のメール読込完了"));
    ASSERT_EQ(Main->ComboBox1->count(), 3);
    EXPECT_TRUE(Main->Button4->isEnabled());
    Main->N3->trigger();
    EXPECT_TRUE(Main->mReadMessage->toPlainText().startsWith("From: "));

    // "保存": the dialog proposes the listed name; the bytes are the attachment's.
    for (auto [Index, Name, File] :
         {std::tuple(1, "見積書.pdf", "05-nested.pdf"), std::tuple(2, "image3.png", "05-nested.png")}) {
        Main->ComboBox1->setCurrentIndex(Index);
        QString Proposed;
        Main->SaveDialog = [&](const QString&, const QString& Name, const QString&) {
            Proposed = Name;
            return Sub(U("保存先"));
        };
        Main->Button4Click();
        EXPECT_EQ(Proposed, U(Name));
        EXPECT_EQ(ReadFile(Sub(U("保存先"))), Sample(File));
    }

    // A reply to the message shown.
    Main->reletterClick();
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
    EXPECT_EQ(Main->eTo->text() + " " + Main->eSubject->text(), U("jiro@example.test RE:見積書の送付"));
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
    EXPECT_EQ(Main->ListView1->topLevelItem(0)->text(1), U("請求書のご送付"));
    EXPECT_EQ(MailServers::Get().Messages("alice").size(), 2u);
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join("|").toStdString();
}

TEST_F(ReceiveWindowTest, PatrolWindowsListTheirAccountsAtOnce) {
    Fill("alice", {"02-sjis.eml", "02-sjis.eml"});
    Fill("bob", {"04-eucjp.eml", "04-eucjp.eml", "04-eucjp.eml"});
    Open({"alice", "bob"}, true);
    Main->patrol->trigger();
    ASSERT_EQ(Settings->PatrolWindows.size(), 2u);
    TMainForm* W[2];
    for (int I = 0; I < 2; ++I) {
        ASSERT_TRUE(Settings->PatrolWindows[I] &&
                    (W[I] = qobject_cast<TMainForm*>(Settings->PatrolWindows[I]->Window)));
        EXPECT_EQ(W[I]->objectName() + " " + QString::number(W[I]->Tag), QString("Mainform%1 %1").arg(I + 1));
    }
    EXPECT_EQ(W[1]->windowTitle(), U("巡回の名前はbobです"));
    // Both log in by themselves; their connections run side by side.
    ASSERT_TRUE(Listed(W[0], 2));
    ASSERT_TRUE(Listed(W[1], 3));
    EXPECT_EQ(W[0]->Receive->Pop()->objectName(), "Pop1");
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
    File.editdisp(1);
    EXPECT_EQ(File.Record.TrustedCerts.size(), 1u);
    File.editdisp(2);
    EXPECT_TRUE(File.Record.TrustedCerts.empty());

    // Closing one clears only its own slot, and the window goes.
    QPointer<TMainForm> Closed(W[0]);
    W[0]->close();
    EXPECT_EQ(Settings->PatrolWindows[0], nullptr);
    EXPECT_EQ(Settings->PatrolWindows[1], &W[1]->Host);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Closed.isNull());
    EXPECT_TRUE(Boxes.isEmpty()) << Boxes.join("|").toStdString();
}

TEST_F(ReceiveWindowTest, SecureAccountReceivesAndSendsThroughTheWindowAfterOneTrustQuestion) {
    std::string Why;
    ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;
    MailServers& S = MailServers::Get();
    Fill("alice", {"02-sjis.eml"});
    Fill("bob", {});
    Fill("carol", {});
    // POP3 over TLS on its own port, submission with STARTTLS and sign-in,
    // both servers named as their certificate names them. The test authority
    // is trusted nowhere: the user trusts the certificate when asked.
    TClientSocket::ExtraCaCertificates.clear();
    PopPort = 0;
    Open({"alice"}, true, [&](TAccountRecord& A) {
        A.Edit1 = A.Edit2 = "mail.example.test";
        A.PopPort = S.PopsPort();
        A.PopSecurity = 2;
        A.SmtpPort = S.SubmissionPort();
        A.SmtpSecurity = 1;
        A.SmtpAuth = true;
        A.RadioGroup1 = 0;  // RFC2231
        A.signcheck = true;
        A.SignLines = {"--", SJ("山田太郎")};
    });

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
    ASSERT_TRUE(Wait([&] { return Main->POPStatus->currentMessage() == U("メールの展開完了"); }, 20000));
    EXPECT_TRUE(Main->mReadMessage->toPlainText().contains(U("会議資料")));

    // A Japanese message with a CC, the signature and a Japanese-named attachment.
    const QString Attachment = Sub(U("見積書.pdf"));
    WriteFile(Attachment, "%PDF-1.4\r\n");
    Main->OpenDialog = [&](const QString&, const QString&) { return Attachment; };
    QTest::mouseClick(Main->Button2, Qt::LeftButton);
    Main->eTo->setText("bob@example.test");
    Main->eCC->setText("carol@example.test");
    Main->eSubject->setText(U("お見積もりの件（再送）"));
    Main->reMessageText->setPlainText(U("佐藤様\n\n.\nお見積書を添付します。"));
    QTest::mouseClick(Main->SendBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait([&] { return Main->SMTPStatus->currentMessage() == U("送信終了"); }, 30000))
        << Main->SMTPStatus->currentMessage().toStdString() << " " << Boxes.join('|').toStdString();
    EXPECT_EQ(Boxes, QStringList{U("送信が完了しました")});
    EXPECT_EQ(Questions.size(), 1);
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("佐藤様\n\n.\nお見積書を添付します。\n--\n山田太郎"));
    for (const char* User : {"bob", "carol"}) {
        SCOPED_TRACE(User);
        ASSERT_TRUE(Wait([&] { return S.Messages(User).size() == 1; }, 20000));
        TMessageReader R;
        R.ReadText(S.Messages(User)[0]);
        const TReadLayout L = R.Layout(false);
        EXPECT_EQ(R.Message().Subject(), SJ("お見積もりの件（再送）"));
        EXPECT_EQ(R.Message().GetField("Cc"), "carol@example.test");
        ASSERT_TRUE(L.Shown.size() == 1 && L.Attachments.size() == 1);
        const auto First = L.Lines.begin() + L.Shown[0].FirstLine;
        EXPECT_EQ(std::vector<std::string>(First, First + L.Shown[0].LineCount),
                  (std::vector<std::string>{SJ("佐藤様"), "", ".", SJ("お見積書を添付します。"), "--",
                                            SJ("山田太郎")}));
        EXPECT_EQ(L.Attachments[0].Name, SJ("見積書.pdf"));
    }
    for (const char* User : {"bob", "carol"}) S.Empty(User);
}

}  // namespace
