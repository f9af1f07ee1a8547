// End to end through the main window: the send page's button, the real Postfix delivering into the real Dovecot.
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <random>

#include "BaseMsg.h"
#include "FlowFixtures.h"
#include "MailServers.h"
#include "Main.h"
#include "ReadLayout.h"
#include "TestFiles.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

TEST(SendPageServers, JapaneseMessageWithCcSignatureAndAttachmentArrivesWhole) {
    if (geteuid() != 0) GTEST_SKIP() << "real Dovecot and Postfix need root to run here";
    std::string Why;
    ASSERT_TRUE(MailServers::Get().StartDovecot(Why)) << Why;
    ASSERT_TRUE(MailServers::Get().StartPostfix(Why)) << Why;
    for (const char* User : {"bob", "carol"}) MailServers::Get().Empty(User);

    TTempDir Dir;
    std::string Bytes(300000, '\0');  // more than one piece of the text on the wire
    std::mt19937 Random(3);
    for (char& B : Bytes) B = static_cast<char>(Random());
    const std::string File = Dir.Path + "見積書.pdf";
    WriteFileText(File, Bytes);

    QStringList Boxes;
    MessageBoxHook = [&](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                         QMessageBox::StandardButtons) {
        Boxes << Text;
        return QMessageBox::Ok;
    };
    TMainForm Main;
    Main.SendFlow->Port = MailServers::Get().SmtpPort();
    TInstantCheck::TAnswer Reach;
    Main.SendFlow->MakeReachCheck = [&] { return std::make_unique<TInstantCheck>(Reach); };
    Main.Host.Account = SendHarness::Account();
    Main.Host.Account.Edit4 = "dave@example.test";
    Main.Host.Account.RadioGroup1 = 0;  // RFC2231
    Main.Host.Account.signcheck = true;
    Main.Host.Account.SignLines = {"--", SJ("山田太郎")};
    Main.OpenDialog = [&](const QString&, const QString&) { return U(File.c_str()); };

    Main.eTo->setText("carol@example.test");
    Main.eCC->setText("bob@example.test");
    Main.eSubject->setText(U("お見積もりの件（再送）"));
    Main.reMessageText->setPlainText(U("佐藤様\n\n.\nお見積書を添付します。"));
    QTest::mouseClick(Main.Button2, Qt::LeftButton);
    QTest::mouseClick(Main.SendBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait([&] { return Main.SMTPStatus->currentMessage() == U("送信終了"); }, 30000))
        << Main.SMTPStatus->currentMessage().toStdString() << " " << Boxes.join('|').toStdString();
    EXPECT_EQ(Boxes, QStringList{U("送信が完了しました")});
    EXPECT_EQ(Main.reMessageText->toPlainText(), U("佐藤様\n\n.\nお見積書を添付します。\n--\n山田太郎"));
    MessageBoxHook = nullptr;

    for (const char* User : {"carol", "bob"}) {
        ASSERT_TRUE(Wait([&] { return !MailServers::Get().Messages(User).empty(); }, 20000)) << User;
        const std::string Text = MailServers::Get().Messages(User)[0];
        TINetMessage Message;
        Message.SetText(Text);
        TMIMEx Mime;
        Mime.DecodeText(Text);
        const TReadLayout L = BuildReadLayout(Mime, false, Message.Subject());
        EXPECT_EQ(Message.Subject(), SJ("お見積もりの件（再送）"));
        EXPECT_EQ(Message.GetField("Cc"), "bob@example.test");
        ASSERT_EQ(L.Shown.size(), 1u);
        const std::vector<std::string> Body(L.Lines.begin() + L.Shown[0].FirstLine,
                                            L.Lines.begin() + L.Shown[0].FirstLine + L.Shown[0].LineCount);
        EXPECT_EQ(Body, (std::vector<std::string>{SJ("佐藤様"), "", ".", SJ("お見積書を添付します。"), "--",
                                                  SJ("山田太郎")}));
        ASSERT_EQ(L.Attachments.size(), 1u);
        EXPECT_EQ(L.Attachments[0].Name, SJ("見積書.pdf"));
        std::string Error;
        ASSERT_TRUE(SaveAttachmentAs(Mime, L.Attachments[0].Number, Dir.Path + "saved", Error)) << Error;
        EXPECT_TRUE(ReadFileText(Dir.Path + "saved") == Bytes);
    }
    for (const char* User : {"bob", "carol"}) MailServers::Get().Empty(User);
}

}  // namespace
