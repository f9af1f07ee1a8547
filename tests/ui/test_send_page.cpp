// The send page and the address book as the program start makes them: windows in their order, files to send, the address book command, the forced disconnect.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "FlowFixtures.h"
#include "Main.h"
#include "StartWindows.h"
#include "TestFiles.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "WidgetText.h"
#include "help.h"
#include "sign.h"

inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The program's windows over a settings file with one account.
class SendPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDir(Dir.Path);
        WriteFileText(
            Dir.Path + "VELNARO.ini",
            "[NUMBER]\r\ncount=1\r\nstart=1\r\n[Account1]\r\nuser=alice\r\nsmtp=smtp.example.test\r\n");
        MessageBoxHook = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                                QMessageBox::StandardButtons) {
            Boxes << Text;
            return QMessageBox::Ok;
        };
        W = CreateProgramWindows();
        Main = W->MainForm.get();
        Main->OpenDialog = [this](const QString&, const QString&) { return Chosen.value(Opened++); };
        Main->SendFlow->MakeReachCheck = [this] { return std::make_unique<TInstantCheck>(Reach); };
    }
    void TearDown() override {
        W.reset();
        MessageBoxHook = nullptr;
        SetProgramDir("");
    }
    QString Status() const { return Main->SMTPStatus->currentMessage(); }

    TTempDir Dir;
    QStringList Boxes;
    std::unique_ptr<TProgramWindows> W;
    TMainForm* Main = nullptr;
    TInstantCheck::TAnswer Reach;
    QStringList Chosen;  // what the open dialog returns, in turn
    int Opened = 0;
};

TEST_F(SendPageTest, ProgramStartCreatesTheWindowsInOrderAndWiresThem) {
    QStringList Classes;
    for (QWidget* Window : W->Order) Classes << Window->metaObject()->className();
    EXPECT_EQ(Classes.join(' '), "TMainForm Tabout TDualListDlg TForm4 TOKsign TForm3");
    // The settings window found the main window there to fill.
    ASSERT_EQ(Main->eUserName->count(), 1);
    EXPECT_EQ(Main->eUserName->itemText(0), "alice");
    EXPECT_EQ(DualListDlg, W->AddressBook.get());
    EXPECT_EQ(Form4, W->AddressEntry.get());
    EXPECT_EQ(Form3, W->Settings.get());
    W.reset();
    EXPECT_EQ(DualListDlg, nullptr);
    EXPECT_EQ(Form4, nullptr);
    EXPECT_EQ(Form3, nullptr);
}

TEST_F(SendPageTest, FilesToSendAreAddedRemovedAndClearedWithThePage) {
    const QString A = U("/tmp/添付/a.txt"), B = "/tmp/b.dat", C = "/tmp/c.zip";
    Chosen = {A, B, C, QString()};
    for (int i = 0; i < 4; ++i) QTest::mouseClick(Main->Button2, Qt::LeftButton);  // the last one cancelled
    EXPECT_EQ(Main->ComboBox2->toolTip(), C);  // the new entry is selected
    EXPECT_EQ(Main->SendDraft().Files,
              (std::vector<std::string>{WidgetToPath(A), "/tmp/b.dat", "/tmp/c.zip"}));

    // Removing the last selects the one before it, removing the first the new first.
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_EQ(Main->ComboBox2->currentText(), B);
    Main->ComboBox2->setCurrentIndex(0);
    EXPECT_EQ(Main->ComboBox2->toolTip(), A);
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_EQ(Main->ComboBox2->toolTip(), B);
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_EQ(Main->ComboBox2->count(), 0);
    EXPECT_TRUE(Main->ComboBox2->toolTip().isEmpty());
    EXPECT_EQ(Status(), U("添付データはありせん"));

    // Clear empties every field of the page and the reply fields.
    Main->ShowSendDraft(
        {"a@example.test", "b@example.test", "s", "body", {"/tmp/b.dat"}, "<i@x>", "<r@x> <i@x>"});
    EXPECT_EQ(Main->ComboBox2->count(), 1);
    QTest::mouseClick(Main->ClearBtn, Qt::LeftButton);
    const TSendDraft D = Main->SendDraft();
    EXPECT_TRUE(D.To.empty() && D.CC.empty() && D.Subject.empty() && D.Body.empty() && D.Files.empty());
    EXPECT_TRUE(D.InReplyToId.empty() && D.ReferencesText.empty());
}

TEST_F(SendPageTest, AddressBookCommandFillsToAndCc) {
    Main->eTo->setText("kept@example.test");
    Main->N2->trigger();
    EXPECT_EQ(Boxes, QStringList{U("住所録のファイルはありません")});
    EXPECT_TRUE(DualListDlg->isVisible());
    EXPECT_EQ(DualListDlg->ListView1->topLevelItemCount(), 0);

    WriteFileText(Dir.Path + "VELNARO.LST", SJ("山田,yamada@example.test,\r\nSato,sato@example.test,\r\n"));
    Main->N2->trigger();
    ASSERT_EQ(DualListDlg->ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(Boxes.size(), 1);
    DualListDlg->ListView1->setCurrentItem(DualListDlg->ListView1->topLevelItem(1));
    QTest::mouseClick(DualListDlg->SpeedButton1, Qt::LeftButton);
    DualListDlg->ListView1->setCurrentItem(DualListDlg->ListView1->topLevelItem(0));
    QTest::mouseClick(DualListDlg->SpeedButton1, Qt::LeftButton);
    QTest::mouseClick(DualListDlg->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(DualListDlg->isVisible());
    EXPECT_EQ(Main->eTo->text(), "kept@example.test");  // the To list was empty
    EXPECT_EQ(Main->eCC->text(), "sato@example.test,yamada@example.test");
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
}

TEST_F(SendPageTest, ForcedDisconnectEndsASendWithItsText) {
    QTcpServer Silent;  // accepts and never greets
    ASSERT_TRUE(Silent.listen(QHostAddress::LocalHost));
    Main->SendFlow->Port = Silent.serverPort();
    Main->Host.Account = SendHarness::Account();
    Main->eTo->setText("a@example.test");
    QTest::mouseClick(Main->SendBtn, Qt::LeftButton);
    ASSERT_TRUE(Wait([&] { return Main->SendFlow->Smtp() && Main->SendFlow->Smtp()->Active(); }));
    EXPECT_EQ(Main->SendFlow->Smtp()->objectName(), "Smtp0");
    EXPECT_FALSE(Main->SendBtn->isEnabled());  // connected: the send controls are off
    EXPECT_EQ(Main->eSubject->text(), " ");    // the empty subject goes as one space

    Main->N4Click();
    EXPECT_TRUE(Main->ForcedDisconnect);
    EXPECT_EQ(Status(), U("SMTPサーバから強制切断しました"));
    EXPECT_TRUE(Main->SendBtn->isEnabled());
    EXPECT_FALSE(Main->SendFlow->Smtp()->Active());
}

}  // namespace
