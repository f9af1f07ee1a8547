// The windows on the desktop: a mailto link fills the send page, file dialogs start where the settings rules say.
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "DialogFolders.h"
#include "Mailto.h"
#include "Main.h"
#include "SysUtils.h"
#include "Unit3.h"
#include "sign.h"

inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The windows in the program's order, in a temporary program folder.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(QDir(Dir.path()).mkdir("program"));
        SetProgramDir(QFile::encodeName(Dir.path()).toStdString() + "/program/");
        MessageBoxHook = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                                QMessageBox::StandardButtons) {
            Boxes << Text;
            return QMessageBox::Ok;
        };
        Main = new TMainForm;
        Sign = new TOKsign(&Main->Host);
        Settings = new TForm3(&Main->Host, Sign);
    }
    void TearDown() override {
        delete Settings;
        delete Sign;
        delete Main;
        MessageBoxHook = nullptr;
        SetDialogFolderRules({true, QString(), QString()});
        SetProgramDir("");
    }
    QString Sub(const QString& Name) const { return Dir.path() + "/" + Name; }

    QTemporaryDir Dir;
    QStringList Boxes;
    TMainForm* Main = nullptr;
    TOKsign* Sign = nullptr;
    TForm3* Settings = nullptr;
};

TEST_F(DesktopTest, MailtoLinkFillsTheShownSendPage) {
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main));
    ASSERT_EQ(Main->PageControl1->currentWidget(), Main->ConPage);
    TMailtoFields F;
    ASSERT_TRUE(
        ParseMailto("mailto:taro@example.jp,hanako@example.jp?cc=jiro@example.jp"
                    "&subject=%E4%BC%9A%E8%AD%B0%E3%81%AE%E4%BB%B6"
                    "&body=%E6%98%8E%E6%97%A5%E3%81%AF%0D%0A%EF%BC%91%EF%BC%90%E6%99%82%E3%81%8B%E3%82%89",
                    F));
    Main->FillSendPage(F.To, F.CC, F.Subject, F.Body);
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
    EXPECT_EQ(Main->eTo->text(), "taro@example.jp, hanako@example.jp");
    EXPECT_EQ(Main->eCC->text(), "jiro@example.jp");
    EXPECT_EQ(Main->eSubject->text(), U("会議の件"));
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("明日は\n１０時から"));
    EXPECT_EQ(Main->focusWidget(), Main->reMessageText);
    EXPECT_TRUE(Boxes.isEmpty());

    // Without a recipient the cursor waits in To.
    F = TMailtoFields();
    ASSERT_TRUE(ParseMailto("mailto:?subject=x", F));
    Main->FillSendPage(F.To, F.CC, F.Subject, F.Body);
    EXPECT_EQ(Main->eTo->text(), "");
    EXPECT_EQ(Main->reMessageText->toPlainText(), "");
    EXPECT_EQ(Main->focusWidget(), Main->eTo);
    Main->hide();
}

TEST_F(DesktopTest, DialogsStartInTheProgramFolderOnlyForAPortableCopy) {
    ASSERT_TRUE(QDir(Dir.path()).mkpath(U("home/書類")));
    QFile Text(Sub(U("home/書類/a.txt")));
    ASSERT_TRUE(Text.open(QIODevice::WriteOnly));
    Text.write("abc\r\n");
    Text.close();
    SetDialogFolderRules({false, Sub("home"), Sub("Downloads")});

    QStringList Asked;
    QString Chosen;
    Main->OpenDialog = [&](const QString& Start, const QString&) {
        Asked << Start;
        return Chosen;
    };
    Main->SaveDialog = [&](const QString& Start, const QString&, const QString&) {
        Asked << Start;
        return Chosen;
    };
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    // The first dialog starts at home; a cancelled one remembers nothing;
    // the folder of a chosen file is where the next one starts, whatever
    // its kind of use (open, save).
    Main->Open1Click();
    Chosen = Sub(U("home/書類/a.txt"));
    Main->Open1Click();
    EXPECT_EQ(Main->reMessageText->toPlainText(), "abc\n");
    Chosen.clear();
    Main->N1Click();
    EXPECT_EQ(Asked, QStringList({Sub("home/"), Sub("home/"), Sub(U("home/書類/"))}));

    // Saving an attachment keeps a folder of its own: the download folder
    // once it exists, home before.
    EXPECT_EQ(StartFolder(TDialogFolder::Downloads), Sub("home/"));
    ASSERT_TRUE(QDir(Dir.path()).mkdir("Downloads"));
    EXPECT_EQ(StartFolder(TDialogFolder::Downloads), Sub("Downloads/"));
    RememberFolder(TDialogFolder::Downloads, Sub("home/x.bin"));
    EXPECT_EQ(StartFolder(TDialogFolder::Downloads), Sub("home/"));
    EXPECT_EQ(StartFolder(TDialogFolder::Files), Sub(U("home/書類/")));

    // A portable copy starts every dialog in the program folder.
    SetDialogFolderRules({true, Sub("home"), Sub("Downloads")});
    Asked.clear();
    Main->N1Click();
    EXPECT_EQ(Asked, QStringList{Sub("program/")});
    EXPECT_EQ(StartFolder(TDialogFolder::Downloads), Sub("program/"));
}

}  // namespace
