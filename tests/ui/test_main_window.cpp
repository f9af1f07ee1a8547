// Tests of the main window with real widgets offscreen, a real settings window and real files.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <QUrl>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "Accounts.h"
#include "DialogFolders.h"
#include "Main.h"
#include "MailNews.h"
#include "ReceiveFlow.h"
#include "SysUtils.h"
#include "Unit3.h"
#include "cp932.h"
#include "days.h"
#include "sign.h"
#include "spinEdit.h"

// Readable failure messages.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

std::string ReadFile(const QString& Path) {
    QFile F(Path);
    if (!F.open(QIODevice::ReadOnly)) return "<missing>";
    return F.readAll().toStdString();
}

void WriteFile(const QString& Path, const std::string& Bytes) {
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly | QIODevice::Truncate));
    F.write(Bytes.data(), static_cast<qint64>(Bytes.size()));
}

// The windows as the program start creates them, in a temporary program
// folder; every message box is recorded and answered Yes.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        // A program folder with a Japanese name, as the file system gives it.
        ASSERT_TRUE(QDir(Dir.path()).mkdir(U("テスト用フォルダ")));
        SetProgramDir(QFile::encodeName(Folder()).toStdString() + "/");
        SetDialogFolderRules({true, QString(), QString()});  // file dialogs start in that folder
        MessageBoxHook = [this](QWidget*, QMessageBox::Icon, const QString&, const QString& Text,
                                QMessageBox::StandardButtons) {
            Boxes << Text;
            return QMessageBox::Yes;
        };
        TForm3::QuestionBox = [this](QWidget*, const QString& Text) {
            Boxes << Text;
            return true;
        };
        TForm3::MessageBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        TForm3::ErrorBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        Main = new TMainForm;
        Sign = new TOKsign(&Main->Host);
        Settings = new TForm3(&Main->Host, Sign);
    }
    void TearDown() override {
        delete Settings;
        delete Sign;
        delete Main;
        MessageBoxHook = nullptr;
        QApplication::clipboard()->clear();
    }
    QString Folder() const { return Dir.path() + U("/テスト用フォルダ"); }
    QString Path(const char* Name) const { return Folder() + "/" + QString::fromLatin1(Name); }

    QTemporaryDir Dir;
    QStringList Boxes;
    TMainForm* Main = nullptr;
    TOKsign* Sign = nullptr;
    TForm3* Settings = nullptr;
};

TEST_F(MainWindowTest, StartsOnTheConnectionPageWithHiddenItemsKeyed) {
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->ConPage);
    EXPECT_TRUE(Main->Cmailhead->isChecked());
    EXPECT_FALSE(Main->Button4->isEnabled());
    EXPECT_FALSE(Main->N1->isEnabled());
    EXPECT_FALSE(Main->Open1->isEnabled());
    EXPECT_TRUE(Main->ProgressBar1->isHidden());
    EXPECT_TRUE(Main->ProgressBar2->isHidden());
    EXPECT_FALSE(Main->memo1->toPlainText().isEmpty());  // today's anniversary text

    // "設定(&E)", "巡回" and "巡回リスト" show in no menu; the first two keep
    // their keys as actions of the window.
    QList<QAction*> Shown;
    for (QMenu* M : Main->menuBar()->findChildren<QMenu*>())
        for (QAction* A : M->actions())
            if (A->isVisible()) Shown << A;
    for (QAction* A : {Main->Edit1, Main->patrol, Main->patrolList->menuAction()})
        EXPECT_FALSE(Shown.contains(A));
    EXPECT_TRUE(Main->actions().contains(Main->Edit1));
    EXPECT_TRUE(Main->actions().contains(Main->patrol));
    EXPECT_EQ(Main->patrol->shortcut(), QKeySequence("Ctrl+P"));
}

TEST_F(MainWindowTest, ClipboardCommandsFollowTheActiveControl) {
    // Selected text in the password field never enables copy or cut.
    Main->ePassword->setText("secret");
    Main->ePassword->selectAll();
    QFocusEvent In(QEvent::FocusIn);
    QApplication::sendEvent(Main->ePassword, &In);
    EXPECT_EQ(ActiveTextControl, Main->ePassword);
    EXPECT_FALSE(Main->Copy2->isEnabled());
    EXPECT_FALSE(Main->Cut1->isEnabled());
    QApplication::clipboard()->setText("before");
    Main->Copy2Click();
    Main->Cut1Click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    EXPECT_EQ(Main->ePassword->text(), QStringLiteral("secret"));

    // A one-line edit with a selection enables both; copy and cut work on it.
    Main->eSubject->setText(U("件名テスト"));
    Main->eSubject->setSelection(0, 2);
    QApplication::sendEvent(Main->eSubject, &In);
    EXPECT_TRUE(Main->Copy2->isEnabled());
    EXPECT_TRUE(Main->Cut1->isEnabled());
    EXPECT_TRUE(Main->Paste1->isEnabled());
    Main->Cut1Click();
    EXPECT_EQ(QApplication::clipboard()->text(), U("件名"));
    EXPECT_EQ(Main->eSubject->text(), U("テスト"));
    Main->eSubject->deselect();
    Main->OnClick(Main->eSubject);
    EXPECT_FALSE(Main->Copy2->isEnabled());

    // Pasting replaces the rich-text box's selection with the clipboard text.
    Main->reMessageText->setPlainText("abc def");
    QTextCursor C = Main->reMessageText->textCursor();
    C.setPosition(4);
    C.setPosition(7, QTextCursor::KeepAnchor);
    Main->reMessageText->setTextCursor(C);
    EXPECT_EQ(ActiveTextControl, Main->reMessageText);  // a selection change tracks the box
    EXPECT_TRUE(Main->Copy2->isEnabled());
    Main->Paste1Click();
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("abc 件名"));

    // Copy from the read-only anniversary memo; cut leaves it alone.
    Main->memo1->selectAll();
    Main->OnClick(Main->memo1);
    Main->Copy2Click();
    EXPECT_EQ(QApplication::clipboard()->text(), Main->memo1->toPlainText());
    const QString Memo = Main->memo1->toPlainText();
    Main->Cut1Click();
    EXPECT_EQ(Main->memo1->toPlainText(), Memo);

    // The user-name box: the edit menu recomputes copy and cut on the connection page.
    Main->eUserName->setEditText("nobody");
    Main->eUserName->lineEdit()->selectAll();
    ActiveTextControl = Main->eUserName;
    Main->Copy2->setEnabled(false);
    Main->Copy1Click();
    EXPECT_TRUE(Main->Copy2->isEnabled());
    Main->eUserName->lineEdit()->deselect();
    Main->Copy1Click();
    EXPECT_FALSE(Main->Copy2->isEnabled());

    // Changing the page disables all three.
    Main->OnClick(Main->eSubject);
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    EXPECT_FALSE(Main->Paste1->isEnabled());

    // Nothing to paste: the information box, nothing changes.
    QApplication::clipboard()->clear();
    Main->OnClick(Main->eTo);
    EXPECT_FALSE(Main->Paste1->isEnabled());
    Boxes.clear();
    Main->Paste1Click();
    EXPECT_EQ(Boxes, QStringList{QStringLiteral("There is no text on the Clipboard")});
    EXPECT_TRUE(Main->eTo->text().isEmpty());
}

TEST_F(MainWindowTest, SaveAndOpenAreEnabledByPage) {
    auto Check = [this](QWidget* Page, bool Save, bool Open) {
        Main->PageControl1->setCurrentWidget(Page);
        Main->N1->setEnabled(true);
        Main->Open1->setEnabled(true);
        Main->File1Click();
        EXPECT_EQ(Main->N1->isEnabled(), Save) << Page->objectName().toStdString();
        EXPECT_EQ(Main->Open1->isEnabled(), Open) << Page->objectName().toStdString();
    };
    Check(Main->SendPage, false, true);
    Check(Main->RecvPage, false, false);
    Main->reMessageText->setPlainText("body");
    Main->mReadMessage->setPlainText("read");
    Check(Main->SendPage, true, true);
    Check(Main->RecvPage, true, false);
    Check(Main->ConPage, false, false);
    // Changing to the connection page disables "保存" without opening the menu.
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    EXPECT_TRUE(Main->N1->isEnabled());
    Main->PageControl1->setCurrentWidget(Main->ConPage);
    EXPECT_FALSE(Main->N1->isEnabled());
}

TEST(ResizeLayout, RoundsTheFieldsAndCentresTowardZero) {
    // Rounding to the nearest width; a space too small for the button
    // centres it leftwards, dividing toward zero.
    EXPECT_EQ(ComputeResizeLayout({81, 0, 0, 0, 0, 0, 0, 0}).FieldWidth, 1);  // 5/7
    EXPECT_EQ(ComputeResizeLayout({82, 0, 0, 0, 0, 0, 0, 0}).FieldWidth, 1);  // 10/7
    EXPECT_EQ(ComputeResizeLayout({83, 0, 0, 0, 0, 0, 0, 0}).FieldWidth, 2);  // 15/7
    EXPECT_EQ(ComputeResizeLayout({100, 64, 80, 48, 48, 70, 70, 80}).SendBtnLeft, 78 - 29);
}

TEST_F(MainWindowTest, ResizePlacesTheControls) {
    Main->ApplyLayout(430);
    for (QWidget* F : {static_cast<QWidget*>(Main->eTo), static_cast<QWidget*>(Main->eCC),
                       static_cast<QWidget*>(Main->eSubject), static_cast<QWidget*>(Main->ComboBox2)})
        EXPECT_EQ(F->width(), 250);  // 350 * 5 / 7
    EXPECT_EQ(Main->ClearBtn->x(), Main->SendBtn->x());
    EXPECT_EQ(Main->PasswdOK->x(), Main->SendBtn->x());
    EXPECT_EQ(Main->Button3->x(), Main->Button2->x() + Main->Button2->width() + 8);
    EXPECT_EQ(Main->Button1->x() + Main->Button1->width(), 430 - 8);
    EXPECT_EQ(Main->reletter->x() + Main->reletter->width(), Main->Button1->x() - 4);
    EXPECT_EQ(Main->Button5->x() + Main->Button5->width(), Main->reletter->x() - 4);

    // Resizing the shown window lays out by the page's width.
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    Main->show();
    Main->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(Main->eTo->width(), ComputeResizeLayout({Main->SendPage->width()}).FieldWidth);
    EXPECT_GT(Main->eTo->width(), 250);
    Main->hide();
}

TEST(TextFiles, Utf8IsReadAsUtf8AndAnythingElseAsShiftJis) {
    EXPECT_EQ(TextFileToSjis("\xE6\x97\xA5\xE6\x9C\xAC\r\n"), "\x93\xFA\x96\x7B\r\n");
    EXPECT_EQ(TextFileToSjis("\x93\xFA\x96\x7B\r\n"), "\x93\xFA\x96\x7B\r\n");
    EXPECT_EQ(TextFileToSjis("\xEF\xBB\xBF"
                             "abc"),
              "abc");                                       // byte-order mark dropped
    EXPECT_EQ(TextFileToSjis("\xE3\x80\x9C"), "\x81\x60");  // WAVE DASH as the full-width tilde
    EXPECT_EQ(TextFileToSjis(std::string("a\0\xE6\x97\xA5", 5)), std::string("a\0\x93\xFA", 4));
}

TEST_F(MainWindowTest, SavingWritesShiftJisLinesWithCrLf) {
    QString Asked;
    Main->SaveDialog = [&](const QString& DirName, const QString& Name, const QString&) {
        Asked = DirName + "|" + Name;
        return Path("out.txt");
    };
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    Main->reMessageText->setPlainText(U("一行目\n二行目\n\n最後"));
    Main->N1Click();
    EXPECT_EQ(Asked, Folder() + "/|default.txt");
    EXPECT_EQ(ReadFile(Path("out.txt")), SJ("一行目\r\n二行目\r\n\r\n最後\r\n"));

    // The read page saves the read message; a second save replaces the file.
    Main->PageControl1->setCurrentWidget(Main->RecvPage);
    Main->mReadMessage->setPlainText(U("受信本文"));
    Main->N1Click();
    EXPECT_EQ(ReadFile(Path("out.txt")), SJ("受信本文\r\n"));

    // A folder that cannot be written: the error box, no file.
    Main->SaveDialog = [&](const QString&, const QString&, const QString&) {
        return Path("missing/out.txt");
    };
    Boxes.clear();
    Main->N1Click();
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_EQ(Boxes[0], QStringLiteral("File not found"));
}

TEST_F(MainWindowTest, OpeningAndDroppingLoadUtf8AndShiftJisFiles) {
    WriteFile(Path("utf8.txt"), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\r\nline 2\r\n");  // 日本語
    WriteFile(Path("sjis.txt"), "\x93\xFA\x96\x7B\x8C\xEA\r\nline 2\r\n");
    QString Chosen = Path("utf8.txt"), StartDir;
    Main->OpenDialog = [&](const QString& DirName, const QString&) {
        StartDir = DirName;
        return Chosen;
    };
    Main->Open1Click();
    EXPECT_EQ(StartDir, Folder() + "/");
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("日本語\nline 2\n"));
    Main->reMessageText->clear();
    Chosen = Path("sjis.txt");
    Main->Open1Click();
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("日本語\nline 2\n"));

    // A missing file: the error box and the body unchanged.
    Chosen = Path("none.txt");
    Boxes.clear();
    Main->Open1Click();
    EXPECT_EQ(Boxes, QStringList{QStringLiteral("File not found")});
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("日本語\nline 2\n"));

    // Dropping a file on the body loads it instead of inserting its name.
    WriteFile(Path("drop.txt"), "dropped\n");
    QMimeData Data;
    Data.setUrls({QUrl::fromLocalFile(Path("drop.txt"))});
    QWidget* Target = Main->reMessageText->viewport();
    QDragEnterEvent Enter(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Enter);
    EXPECT_TRUE(Enter.isAccepted());
    QDropEvent Drop(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Target, &Drop);
    EXPECT_EQ(Main->reMessageText->toPlainText(), QStringLiteral("dropped\n"));

    // Also when dropped on a one-line field, which would take the file
    // manager's text form of the name.
    WriteFile(Path("drop2.txt"), "\x83\x65\x83\x58\x83\x67");  // テスト in Shift_JIS
    Data.setUrls({QUrl::fromLocalFile(Path("drop2.txt"))});
    Data.setText(Path("drop2.txt"));
    QDragEnterEvent Enter2(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Main->eSubject, &Enter2);
    EXPECT_TRUE(Enter2.isAccepted());
    QDropEvent Drop2(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Main->eSubject, &Drop2);
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("テスト"));
    EXPECT_TRUE(Main->eSubject->text().isEmpty());
}

TEST_F(MainWindowTest, AccountsRoundTripThroughTheSettingsWindow) {
    auto AddAccount = [this](const char* User, const char* Pop) {
        Main->N6Click();
        EXPECT_FALSE(Main->N6->isEnabled());
        EXPECT_TRUE(Settings->isVisible());
        EXPECT_TRUE(Settings->eUserName->text().isEmpty());
        Settings->eUserName->setText(QString::fromLatin1(User));
        Settings->Edit1->setText(QString::fromLatin1(Pop));
        Settings->Edit2->setText("smtp.example");
        Settings->Edit4->setText(QString::fromLatin1(User) + "@example");
        Settings->Button1Click();
        EXPECT_TRUE(Main->N6->isEnabled());
    };
    EXPECT_EQ(Main->eUserName->count(), 0);
    AddAccount("alice", "pop.alice");
    EXPECT_TRUE(QFile::exists(Path("VELNARO.ini")));
    AddAccount("bob", "pop.bob");
    ASSERT_EQ(Main->eUserName->count(), 2);
    EXPECT_EQ(Main->eUserName->itemText(0), QStringLiteral("alice"));
    EXPECT_EQ(Main->eUserName->itemText(1), QStringLiteral("bob"));
    EXPECT_EQ(Main->edit2->actions().size(), 2);
    EXPECT_EQ(Main->delete1->actions().size(), 2);
    EXPECT_EQ(Settings->Settings.AccountCount, 2);

    // Switching accounts in the main window shows the account in the settings window.
    Main->ePassword->setText("pw");
    Main->eUserName->setCurrentIndex(0);
    EXPECT_EQ(Main->GetMySelf(), 1);
    EXPECT_EQ(Settings->Settings.CurrentAccount, 1);
    EXPECT_EQ(Settings->Edit1->text(), QStringLiteral("pop.alice"));
    Main->eUserName->setCurrentIndex(1);
    EXPECT_EQ(Main->GetMySelf(), 2);
    EXPECT_EQ(Settings->Edit1->text(), QStringLiteral("pop.bob"));
    EXPECT_EQ(Settings->Settings.SelectedAccount, 1);

    // A name that matches no account keeps the account but is copied over,
    // and the read page is reset.
    Main->ListView1->addTopLevelItem(new QTreeWidgetItem({"(1)x"}));
    Main->lMessageCount->setText("5");
    Main->eUserName->setEditText("carol");
    EXPECT_EQ(Main->GetMySelf(), 2);
    EXPECT_EQ(Settings->eUserName->text(), QStringLiteral("carol"));
    EXPECT_EQ(Settings->Edit1->text(), QStringLiteral("pop.bob"));
    EXPECT_EQ(Main->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(Main->lMessageCount->text(), QStringLiteral("0"));
    EXPECT_EQ(Main->Panel7->text(), U("メールシステムに接続してください"));

    // Editing through the "編集(&E)" sub-item and saving.
    Main->edit2->actions().at(0)->trigger();
    EXPECT_EQ(Settings->eUserName->text(), QStringLiteral("alice"));
    Settings->Edit1->setText("pop2.alice");
    Settings->Button1Click();
    TAccountSettings File(QFile::encodeName(Path("VELNARO.ini")).toStdString());
    File.Reload();
    File.editdisp(1);
    EXPECT_EQ(File.Record.Edit1, "pop2.alice");
    EXPECT_EQ(File.AccountCount, 2);

    // Deleting through "削除(&D)" after the confirmation.
    Boxes.clear();
    Main->delete1->actions().at(0)->trigger();
    ASSERT_FALSE(Boxes.isEmpty());
    EXPECT_TRUE(Boxes[0].contains("alice"));
    ASSERT_EQ(Main->eUserName->count(), 1);
    EXPECT_EQ(Main->eUserName->itemText(0), QStringLiteral("bob"));
    EXPECT_EQ(Main->edit2->actions().size(), 1);

    // The password and the header-only box are copied to the settings window.
    Main->ePassword->setText("other");
    EXPECT_EQ(Settings->ePassword->text(), QStringLiteral("other"));
    Main->Cmailhead->setChecked(!Settings->mailhead->isChecked());
    EXPECT_EQ(Settings->mailhead->isChecked(), Main->Cmailhead->isChecked());
    EXPECT_TRUE(Main->PasswdOK->isEnabled());
    Main->ePassword->clear();
    EXPECT_FALSE(Main->PasswdOK->isEnabled());
}

TEST_F(MainWindowTest, ControlGroupsAndReadPageReset) {
    Main->DisableReceiveControls();
    for (QWidget* W : {static_cast<QWidget*>(Main->PasswdOK), static_cast<QWidget*>(Main->eUserName),
                       static_cast<QWidget*>(Main->ePassword), static_cast<QWidget*>(Main->Button1),
                       static_cast<QWidget*>(Main->SpinEdit1), static_cast<QWidget*>(Main->Cmailhead)})
        EXPECT_FALSE(W->isEnabled());
    EXPECT_FALSE(Main->patrol->isEnabled());
    Main->ListView1->setEnabled(false);
    Main->EnableReceiveControls();
    EXPECT_TRUE(Main->Button4->isEnabled());
    EXPECT_TRUE(Main->ListView1->isEnabled());
    EXPECT_TRUE(Main->patrol->isEnabled());
    Main->DisableSendControls();
    EXPECT_FALSE(Main->reMessageText->isEnabled());
    EXPECT_FALSE(Main->SendBtn->isEnabled());
    Main->EnableSendControls();
    EXPECT_TRUE(Main->Button3->isEnabled());

    Main->SpinEdit1->MaxValue = 5;
    Main->SpinEdit1->setText("3");
    Main->mReadMessage->setPlainText("text");
    Main->mailreadclear();
    EXPECT_EQ(Main->SpinEdit1->MaxValue, 0);
    EXPECT_TRUE(Main->SpinEdit1->text().isEmpty());
    EXPECT_TRUE(Main->mReadMessage->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, ForcedDisconnectClosesTheWindowsPopClient) {
    QTcpServer Server;  // takes the connection and never greets
    ASSERT_TRUE(Server.listen(QHostAddress::LocalHost));
    Main->Receive->Port = Server.serverPort();
    Main->Receive->MakeReachCheck = nullptr;  // straight to the server
    TAccountRecord A;
    A.Edit1 = "127.0.0.1";
    A.eUserName = "user";
    A.ePassword = "pass";
    Main->Receive->PasswdOKClick(A);
    TPOPx* Pop = Main->Receive->Pop();
    ASSERT_NE(Pop, nullptr);
    EXPECT_EQ(Pop->objectName(), QStringLiteral("Pop0"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Pop->Active(); }, 3000));
    Main->ProgressBar1->show();
    Main->N4Click();
    EXPECT_TRUE(Main->ForcedDisconnect);
    EXPECT_EQ(Pop->State, popNone);
    EXPECT_TRUE(Main->ProgressBar1->isHidden());
    EXPECT_TRUE(ProcessEventsUntil([&] { return !Pop->Active(); }, 3000));
    EXPECT_EQ(Main->ConnectStatus->currentMessage(), U("POPサーバから強制切断しました"));

    // Without connected clients nothing happens.
    Main->ForcedDisconnect = false;
    Main->N4Click();
    EXPECT_FALSE(Main->ForcedDisconnect);
}

TEST_F(MainWindowTest, ClosingAPatrolWindowClearsOnlyItsSlot) {
    auto* Patrol = new TMainForm;
    Patrol->Tag = 2;
    Settings->PatrolWindows = {&Main->Host, &Patrol->Host};
    QPointer<TMainForm> Watch(Patrol);
    Patrol->close();
    EXPECT_EQ(Settings->PatrolWindows[0], &Main->Host);
    EXPECT_EQ(Settings->PatrolWindows[1], nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(Watch.isNull());
    Settings->PatrolWindows.clear();
}

}  // namespace

namespace {

TEST_F(MainWindowTest, MenuKeysWinOverTheTextFieldsBindings) {
    Main->show();
    QApplication::setActiveWindow(Main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    Main->eTo->setFocus();
    Main->eTo->setText("abc");
    // Ctrl+E: the hidden "設定(&E)", not the end of the line.
    QTest::keyClick(Main->eTo, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(Settings->isVisible());
    Settings->hide();
    // Ctrl+C stays with the field: it copies its selection.
    Main->eTo->selectAll();
    QTest::keyClick(Main->eTo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abc"));
    Main->hide();
}

}  // namespace

namespace {
// The memo's text as Shift_JIS with the day text's CR LF as the box shows it.
std::string Shown(QPlainTextEdit* Memo) { return Utf16ToCp932(Memo->toPlainText().toStdU16String()); }
std::string DayShown(int Month, int Day) {
    std::string T = DayText(Month, Day);
    const size_t Pos = T.find("\r\n");
    if (Pos != std::string::npos) T.erase(Pos, 1);
    return T;
}
}  // namespace

TEST_F(MainWindowTest, CalendarStepsMonthsAndShowsTheDaysText) {
    TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
    Main->Calendar1->setSelectedDate(QDate(2026, 12, 6));
    Main->FormShow();
    EXPECT_EQ(Main->Panel8->text(), U("2026年"));
    EXPECT_EQ(Main->Button6->text(), U("12月"));
    EXPECT_EQ(Shown(Main->memo1), DayShown(12, 6));

    // Right button: forward across the year to January 1.
    QTest::mousePress(Main->Button6, Qt::RightButton);
    QTest::mouseRelease(Main->Button6, Qt::RightButton);
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2027, 1, 1));
    EXPECT_EQ(Main->Panel8->text(), U("2027年"));
    EXPECT_EQ(Main->Button6->text(), U("1月"));
    EXPECT_EQ(Shown(Main->memo1), DayShown(1, 1));

    // Left button: back to the current month, which restores today.
    QTest::mousePress(Main->Button6, Qt::LeftButton);
    QTest::mouseRelease(Main->Button6, Qt::LeftButton);
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2026, 12, 6));
    EXPECT_EQ(Main->Button6->text(), U("12月"));
    EXPECT_EQ(Shown(Main->memo1), DayShown(12, 6));

    // Shift+Enter steps back, Enter forward; other keys do nothing.
    QTest::keyRelease(Main->Button6, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2026, 11, 1));
    EXPECT_EQ(Shown(Main->memo1), DayShown(11, 1));
    QTest::keyRelease(Main->Button6, Qt::Key_A);
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2026, 11, 1));
    QTest::keyRelease(Main->Button6, Qt::Key_Enter);
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2026, 12, 6));

    // Choosing February 29 of a leap year shows its own text.
    Main->Calendar1->setSelectedDate(QDate(2028, 2, 29));
    EXPECT_EQ(Shown(Main->memo1), DayShown(2, 29));
    EXPECT_NE(DayShown(2, 29), DayShown(3, 1));
    TMainForm::CalendarToday = [] { return QDate::currentDate(); };
}

TEST_F(MainWindowTest, CalendarCaptionsFollowEveryMoveOfTheGrid) {
    TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
    Main->Calendar1->setSelectedDate(QDate(2026, 12, 6));
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main));
    Main->PageControl1->setCurrentWidget(Main->ConPage);
    auto* View = Main->Calendar1->findChild<QAbstractItemView*>();
    ASSERT_NE(View, nullptr);
    auto Wheel = [View](int Delta) {
        const QPointF At = View->viewport()->rect().center();
        QWheelEvent E(At, View->viewport()->mapToGlobal(At), QPoint(), QPoint(0, Delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View->viewport(), &E);
    };
    // The last cell of the grid always holds a greyed day of the next month.
    auto ClickLastCell = [View] {
        const QModelIndex Cell =
            View->model()->index(View->model()->rowCount() - 1, View->model()->columnCount() - 1);
        QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(Cell).center());
    };
    const struct {
        const char* What;
        std::function<void()> Move;
    } Moves[] = {
        {"click on a greyed day", ClickLastCell},
        {"PageDown", [View] { QTest::keyClick(View, Qt::Key_PageDown); }},
        {"PageUp", [View] { QTest::keyClick(View, Qt::Key_PageUp); }},
        {"Right across the month's end",
         [this, View] {
             Main->Calendar1->setSelectedDate(QDate(2026, 11, 30));
             QTest::keyClick(View, Qt::Key_Right);
         }},
        {"Up across the month's start", [View] { QTest::keyClick(View, Qt::Key_Up); }},
        {"wheel", [&Wheel] { Wheel(-120 * 4); }},
        {"wheel back", [&Wheel] { Wheel(120 * 4); }},
    };
    QDate Before = Main->Calendar1->selectedDate();
    for (const auto& M : Moves) {
        SCOPED_TRACE(M.What);
        M.Move();
        const QDate D = Main->Calendar1->selectedDate();
        EXPECT_NE(D.month(), Before.month());  // every move crosses a month edge
        Before = D;
        EXPECT_EQ(Main->Calendar1->monthShown(), D.month());
        EXPECT_EQ(Main->Panel8->text(), QString::number(D.year()) + U("年"));
        EXPECT_EQ(Main->Button6->text(), QString::number(D.month()) + U("月"));
        EXPECT_EQ(Shown(Main->memo1), DayShown(D.month(), D.day()));
    }
    TMainForm::CalendarToday = [] { return QDate::currentDate(); };
    Main->hide();
}

TEST_F(MainWindowTest, StartUpStepsRunOnTheFirstShowOnly) {
    TMainForm::CalendarToday = [] { return QDate(2026, 12, 6); };
    Main->Calendar1->setSelectedDate(QDate(2026, 12, 6));
    Main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main));
    EXPECT_EQ(Main->focusWidget(), Main->eUserName);
    EXPECT_EQ(Main->Button6->text(), U("12月"));

    Main->Button6MouseDown(Qt::RightButton);
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    Main->eSubject->setFocus();
    // Minimised and restored, or hidden and shown again: nothing jumps back.
    Main->showMinimized();
    QApplication::processEvents();
    Main->showNormal();
    QApplication::processEvents();
    Main->hide();
    Main->show();
    QApplication::processEvents();
    EXPECT_EQ(Main->Calendar1->selectedDate(), QDate(2027, 1, 1));
    EXPECT_EQ(Main->Panel8->text(), U("2027年"));
    EXPECT_EQ(Main->Button6->text(), U("1月"));
    EXPECT_EQ(Main->focusWidget(), Main->eSubject);
    TMainForm::CalendarToday = [] { return QDate::currentDate(); };
    Main->hide();
}
