// Tests of the program's windows with real widgets offscreen and real files: clipboard, files, accounts, calendar, send page, mailto links, dialog folders, accessible names, the about box.
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCalendarWidget>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTcpServer>
#include <QUrl>
#include <QWheelEvent>

#include "EditCommands.h"
#include "Mailto.h"
#include "ResizeLayout.h"
#include "TextFiles.h"
#include "Unit2.h"
#include "Unit4.h"
#include "WidgetText.h"
#include "WindowFixture.h"
#include "days.h"
#include "help.h"

#include <set>

namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, ClipboardCommandsFollowTheActiveControl) {
    // Selected text in the password field is never copied or cut.
    QFocusEvent In(QEvent::FocusIn);
    Main->ePassword->setText("secret");
    Main->ePassword->selectAll();
    QApplication::sendEvent(Main->ePassword, &In);
    EXPECT_FALSE(Main->Copy2->isEnabled() || Main->Cut1->isEnabled());
    QApplication::clipboard()->setText("before");
    Main->Copy2Click();
    Main->Cut1Click();
    EXPECT_EQ(QApplication::clipboard()->text() + Main->ePassword->text(), "beforesecret");

    // A one-line edit with a selection: cut works on it.
    Main->eSubject->setText(U("件名テスト"));
    Main->eSubject->setSelection(0, 2);
    QApplication::sendEvent(Main->eSubject, &In);
    EXPECT_TRUE(Main->Copy2->isEnabled() && Main->Cut1->isEnabled() && Main->Paste1->isEnabled());
    Main->Cut1Click();
    EXPECT_EQ(QApplication::clipboard()->text() + "|" + Main->eSubject->text(), U("件名|テスト"));

    // Pasting replaces the rich-text box's selection; a selection change tracks the box.
    Main->reMessageText->setPlainText("abc def");
    QTextCursor C = Main->reMessageText->textCursor();
    C.setPosition(4);
    C.setPosition(7, QTextCursor::KeepAnchor);
    Main->reMessageText->setTextCursor(C);
    EXPECT_EQ(ActiveTextControl, Main->reMessageText);
    Main->Paste1Click();
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("abc 件名"));

    // The read-only memo copies but does not cut.
    Main->memo1->selectAll();
    Main->OnClick(Main->memo1);
    const QString Memo = Main->memo1->toPlainText();
    Main->Copy2Click();
    Main->Cut1Click();
    EXPECT_TRUE(QApplication::clipboard()->text() == Memo && Main->memo1->toPlainText() == Memo);

    // The user-name box: the edit menu recomputes copy from its selection.
    Main->eUserName->setEditText("nobody");
    Main->eUserName->lineEdit()->selectAll();
    ActiveTextControl = Main->eUserName;
    Main->Copy2->setEnabled(false);
    Main->Copy1Click();
    EXPECT_TRUE(Main->Copy2->isEnabled());

    // Changing the page disables the items; nothing to paste gives the box and no change.
    Main->OnClick(Main->eSubject);
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    EXPECT_FALSE(Main->Paste1->isEnabled());
    QApplication::clipboard()->clear();
    Main->Paste1Click();
    EXPECT_EQ(Boxes, QStringList{"There is no text on the Clipboard"});
    EXPECT_EQ(Main->eSubject->text(), U("テスト"));
}

TEST_F(MainWindowTest, SaveAndOpenAreEnabledByPage) {
    // "保存" wants text on the send or read page, "開く" the send page.
    for (bool Filled : {false, true}) {
        Main->reMessageText->setPlainText(Filled ? "body" : "");
        Main->mReadMessage->setPlainText(Filled ? "read" : "");
        for (QWidget* Page : {Main->SendPage, Main->RecvPage, Main->ConPage}) {
            SCOPED_TRACE(Page->objectName().toStdString() + (Filled ? " filled" : " empty"));
            Main->PageControl1->setCurrentWidget(Page);
            Main->N1->setEnabled(true);
            Main->Open1->setEnabled(true);
            Main->File1Click();
            EXPECT_EQ(Main->N1->isEnabled(), Filled && Page != Main->ConPage);
            EXPECT_EQ(Main->Open1->isEnabled(), Page == Main->SendPage);
        }
    }
    // Changing to the connection page disables "保存" without opening the menu.
    Main->PageControl1->setCurrentWidget(Main->SendPage);
    EXPECT_TRUE(Main->N1->isEnabled());
    Main->PageControl1->setCurrentWidget(Main->ConPage);
    EXPECT_FALSE(Main->N1->isEnabled());
}

TEST_F(MainWindowTest, SavingWritesShiftJisLinesWithCrLf) {
    QString Asked, Target = Path("out.txt");
    Main->SaveDialog = [&](const QString& DirName, const QString& Name, const QString&) {
        Asked = DirName + "|" + Name;
        return Target;
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
    Target = Path("missing/out.txt");
    Main->N1Click();
    EXPECT_EQ(Boxes, QStringList{"File not found"});
}

TEST_F(MainWindowTest, OpeningAndDroppingLoadUtf8AndShiftJisFiles) {
    // UTF-8 after a byte-order mark, with the WAVE DASH of Mac and Unix editors.
    WriteFile(Path("utf8.txt"), std::string("\xEF\xBB\xBF") + "日本語〜\r\nline 2\r\n");
    QString Chosen = Path("utf8.txt"), StartDir;
    Main->OpenDialog = [&](const QString& DirName, const QString&) {
        StartDir = DirName;
        return Chosen;
    };
    Main->Open1Click();
    EXPECT_EQ(StartDir, Folder() + "/");
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("日本語～\nline 2\n"));
    // A missing file: the error box and the body unchanged.
    Chosen = Path("none.txt");
    Main->Open1Click();
    EXPECT_EQ(Boxes, QStringList{"File not found"});
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("日本語～\nline 2\n"));
    // A NUL does not end a file's text.
    EXPECT_EQ(TextFileToSjis(std::string("a\0\xE6\x97\xA5", 5)), std::string("a\0\x93\xFA", 4));

    // A file dropped on the body, or on a one-line field (which would take
    // the file manager's text form of the name), loads into the body.
    auto Drop = [](QWidget* Target, const QString& File) {
        QMimeData Data;
        Data.setUrls({QUrl::fromLocalFile(File)});
        Data.setText(File);
        QDragEnterEvent Enter(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Target, &Enter);
        EXPECT_TRUE(Enter.isAccepted());
        QDropEvent Drop(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Target, &Drop);
    };
    WriteFile(Path("drop.txt"), "dropped\n");
    Drop(Main->reMessageText->viewport(), Path("drop.txt"));
    EXPECT_EQ(Main->reMessageText->toPlainText(), "dropped\n");
    WriteFile(Path("drop2.txt"), "\x83\x65\x83\x58\x83\x67");  // テスト in Shift_JIS
    Drop(Main->eSubject, Path("drop2.txt"));
    EXPECT_EQ(Main->reMessageText->toPlainText(), U("テスト"));
    EXPECT_TRUE(Main->eSubject->text().isEmpty());
}

TEST_F(MainWindowTest, AccountsRoundTripThroughTheSettingsWindow) {
    for (const char* User : {"alice", "bob"}) {
        Main->N6Click();
        EXPECT_TRUE(Settings->isVisible() && Settings->eUserName->text().isEmpty() && !Main->N6->isEnabled());
        Settings->eUserName->setText(User);
        Settings->Edit1->setText(QString("pop.") + User);
        Settings->Edit2->setText("smtp.example");
        Settings->Edit4->setText(QString(User) + "@example");
        Settings->Button1Click();
        EXPECT_TRUE(Main->N6->isEnabled());
    }
    ASSERT_EQ(Main->eUserName->count(), 2);
    EXPECT_TRUE(Main->edit2->actions().size() == 2 && Main->delete1->actions().size() == 2);

    // Switching accounts in the main window shows the account in the settings window.
    Main->eUserName->setCurrentIndex(0);
    EXPECT_EQ(Settings->Edit1->text(), "pop.alice");
    Main->eUserName->setCurrentIndex(1);
    EXPECT_EQ(Settings->Edit1->text(), "pop.bob");

    // A name that matches no account keeps the account but is copied over,
    // and the list is reset.
    Main->ListView1->addTopLevelItem(new QTreeWidgetItem({"(1)x"}));
    Main->eUserName->setEditText("carol");
    EXPECT_EQ(Main->GetMySelf(), 2);
    EXPECT_EQ(Settings->eUserName->text(), "carol");
    EXPECT_EQ(Main->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(Main->Panel7->text(), U("メールシステムに接続してください"));

    // The password and the header-only box are copied to the settings window.
    EXPECT_FALSE(Main->PasswdOK->isEnabled());
    Main->ePassword->setText("pw");
    EXPECT_EQ(Settings->ePassword->text(), "pw");
    EXPECT_TRUE(Main->PasswdOK->isEnabled());
    Main->Cmailhead->setChecked(!Settings->mailhead->isChecked());
    EXPECT_EQ(Settings->mailhead->isChecked(), Main->Cmailhead->isChecked());

    // Editing through "編集(&E)", deleting through "削除(&D)" after the confirmation.
    Main->edit2->actions().at(1)->trigger();
    EXPECT_EQ(Settings->eUserName->text(), "bob");
    Settings->Edit1->setText("pop2.bob");
    Settings->Button1Click();
    Main->delete1->actions().at(0)->trigger();
    ASSERT_FALSE(Questions.isEmpty());
    EXPECT_TRUE(Questions.last().contains("alice"));
    EXPECT_EQ(Main->edit2->actions().size(), 1);

    // A new start reads the file back; the windows' globals go with their windows.
    W.reset();
    EXPECT_TRUE(DualListDlg == nullptr && Form4 == nullptr && Form3 == nullptr);
    OpenWindows();
    EXPECT_TRUE(Form3 == Settings && DualListDlg == W->AddressBook.get());
    ASSERT_EQ(Main->eUserName->count(), 1);
    Main->eUserName->setCurrentIndex(0);
    EXPECT_EQ(Settings->Edit1->text(), "pop2.bob");
}

TEST_F(MainWindowTest, ForcedDisconnectEndsTheWindowsPopAndSmtpConnections) {
    QTcpServer Silent;  // takes the connections and never greets
    ASSERT_TRUE(Silent.listen(QHostAddress::LocalHost));
    Main->Receive->Port = Main->SendFlow->Port = Silent.serverPort();
    TAccountRecord A = SendHarness::Account();
    A.Edit1 = "127.0.0.1";
    A.ePassword = "pass";
    Main->Host.Account = A;
    Main->Receive->PasswdOKClick(A);
    Main->eTo->setText("a@example.test");
    QTest::mouseClick(Main->SendBtn, Qt::LeftButton);
    TPOPx* Pop = Main->Receive->Pop();
    ASSERT_NE(Pop, nullptr);
    ASSERT_TRUE(
        Wait([&] { return Pop->Active() && Main->SendFlow->Smtp() && Main->SendFlow->Smtp()->Active(); }));
    EXPECT_EQ(Pop->objectName() + Main->SendFlow->Smtp()->objectName(), "Pop0Smtp0");
    EXPECT_FALSE(Main->SendBtn->isEnabled());  // connected: the send controls are off
    EXPECT_EQ(Main->eSubject->text(), " ");    // the empty subject goes as one space
    Main->ProgressBar1->show();

    Main->N4Click();
    EXPECT_TRUE(Main->ForcedDisconnect && Main->ProgressBar1->isHidden());
    EXPECT_TRUE(Wait([&] { return !Pop->Active() && !Main->SendFlow->Smtp()->Active(); }));
    EXPECT_EQ(Main->ConnectStatus->currentMessage(), U("POPサーバから強制切断しました"));
    EXPECT_EQ(Main->SMTPStatus->currentMessage(), U("SMTPサーバから強制切断しました"));
    EXPECT_TRUE(Main->SendBtn->isEnabled());

    // Without connected clients nothing happens.
    Main->ForcedDisconnect = false;
    Main->N4Click();
    EXPECT_FALSE(Main->ForcedDisconnect);
}

// The memo's text as Shift_JIS, with the day text's CR LF as the box shows it.
std::string Shown(QPlainTextEdit* Memo) { return Utf16ToCp932(Memo->toPlainText().toStdU16String()); }
std::string DayShown(const QDate& D) {
    std::string T = DayText(D.month(), D.day());
    const size_t Pos = T.find("\r\n");
    if (Pos != std::string::npos) T.erase(Pos, 1);
    return T;
}

TEST_F(MainWindowTest, CalendarCaptionsFollowEveryMoveOfTheGrid) {
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
    QAccessibleInterface* Button = QAccessible::queryAccessibleInterface(Main->Button6);
    ASSERT_TRUE(Button && Button->actionInterface());
    auto Click = [this](Qt::MouseButton B) { return [this, B] { QTest::mouseClick(Main->Button6, B); }; };
    const struct {
        const char* What;
        QDate From;  // chosen first, when valid
        std::function<void()> Move;
        QDate Lands;  // where the month button's step lands; the grid's own moves land anywhere
    } Moves[] = {
        {"right click: forward across the year", {}, Click(Qt::RightButton), QDate(2027, 1, 1)},
        {"left click: back to today", {}, Click(Qt::LeftButton), QDate(2026, 12, 6)},
        {"Shift+Enter: back",
         {},
         [&] { QTest::keyRelease(Main->Button6, Qt::Key_Return, Qt::ShiftModifier); },
         QDate(2026, 11, 1)},
        {"Enter: forward", {}, [&] { QTest::keyRelease(Main->Button6, Qt::Key_Enter); }, QDate(2026, 12, 6)},
        {"press action: back like a left click",
         {},
         [&] { Button->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); },
         QDate(2026, 11, 1)},
        {"back across the year", QDate(2026, 1, 31), Click(Qt::LeftButton), QDate(2025, 12, 1)},
        {"the day goes to 1 first", QDate(2024, 1, 31), Click(Qt::RightButton), QDate(2024, 2, 1)},
        // The last cell of the grid always holds a greyed day of the next month.
        {"click on a greyed day",
         {},
         [View] {
             const QModelIndex Cell =
                 View->model()->index(View->model()->rowCount() - 1, View->model()->columnCount() - 1);
             QTest::mouseClick(View->viewport(), Qt::LeftButton, {}, View->visualRect(Cell).center());
         },
         {}},
        {"PageDown", {}, [View] { QTest::keyClick(View, Qt::Key_PageDown); }, {}},
        {"PageUp", {}, [View] { QTest::keyClick(View, Qt::Key_PageUp); }, {}},
        {"Right across the month's end",
         {},
         [this, View] {
             const QDate D = Main->Calendar1->selectedDate();
             Main->Calendar1->setSelectedDate(QDate(D.year(), D.month(), D.daysInMonth()));
             QTest::keyClick(View, Qt::Key_Right);
         },
         {}},
        {"Up across the month's start", {}, [View] { QTest::keyClick(View, Qt::Key_Up); }, {}},
        {"wheel", {}, [&Wheel] { Wheel(-120 * 4); }, {}},
        {"wheel back", {}, [&Wheel] { Wheel(120 * 4); }, {}},
    };
    QDate Before = Main->Calendar1->selectedDate();
    for (const auto& M : Moves) {
        SCOPED_TRACE(M.What);
        if (M.From.isValid()) Main->Calendar1->setSelectedDate(M.From);
        M.Move();
        const QDate D = Main->Calendar1->selectedDate();
        EXPECT_NE(D.month(), Before.month());  // every move crosses a month edge
        if (M.Lands.isValid()) {
            EXPECT_EQ(D, M.Lands);
        }
        Before = D;
        EXPECT_EQ(Main->Calendar1->monthShown(), D.month());
        EXPECT_EQ(Main->Panel8->text(), QString::number(D.year()) + U("年"));
        EXPECT_EQ(Main->Button6->text(), QString::number(D.month()) + U("月"));
        EXPECT_EQ(Shown(Main->memo1), DayShown(D));
    }
    Main->hide();
}

TEST_F(MainWindowTest, StartUpStepsRunOnTheFirstShowOnly) {
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
    Main->hide();
}

using SendPageTest = WindowTest;

TEST_F(SendPageTest, FilesToSendAreAddedRemovedAndClearedWithThePage) {
    const QString A = U("/tmp/添付/a.txt"), B = "/tmp/b.dat", C = "/tmp/c.zip";
    QStringList Chosen = {A, B, C, QString()};
    Main->OpenDialog = [&](const QString&, const QString&) { return Chosen.takeFirst(); };
    for (int i = 0; i < 4; ++i) QTest::mouseClick(Main->Button2, Qt::LeftButton);  // the last one cancelled
    EXPECT_EQ(Main->ComboBox2->toolTip(), C);  // the new entry is selected
    EXPECT_EQ(Main->SendDraft().Files,
              (std::vector<std::string>{WidgetToPath(A), "/tmp/b.dat", "/tmp/c.zip"}));

    // Removing the last selects the one before it, removing the first the new first.
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_EQ(Main->ComboBox2->currentText(), B);
    Main->ComboBox2->setCurrentIndex(0);
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_EQ(Main->ComboBox2->toolTip(), B);
    QTest::mouseClick(Main->Button3, Qt::LeftButton);
    EXPECT_TRUE(Main->ComboBox2->count() == 0 && Main->ComboBox2->toolTip().isEmpty());
    EXPECT_EQ(Main->SMTPStatus->currentMessage(), U("添付データはありせん"));

    // Clear empties every field of the page and the reply fields.
    Main->ShowSendDraft(
        {"a@example.test", "b@example.test", "s", "body", {"/tmp/b.dat"}, "<i@x>", "<r@x> <i@x>"});
    QTest::mouseClick(Main->ClearBtn, Qt::LeftButton);
    const TSendDraft D = Main->SendDraft();
    EXPECT_TRUE(D.To.empty() && D.CC.empty() && D.Subject.empty() && D.Body.empty() && D.Files.empty());
    EXPECT_TRUE(D.InReplyToId.empty() && D.ReferencesText.empty());
}

TEST_F(SendPageTest, AddressBookCommandFillsToAndCc) {
    Main->eTo->setText("kept@example.test");
    Main->N2->trigger();
    EXPECT_EQ(Boxes, QStringList{U("住所録のファイルはありません")});
    EXPECT_TRUE(DualListDlg->isVisible() && DualListDlg->ListView1->topLevelItemCount() == 0);

    WriteFile(Path("VELNARO.LST"), SJ("山田,yamada@example.test,\r\nSato,sato@example.test,\r\n"));
    Main->N2->trigger();
    ASSERT_EQ(DualListDlg->ListView1->topLevelItemCount(), 2);
    for (int Row : {1, 0}) {
        DualListDlg->ListView1->setCurrentItem(DualListDlg->ListView1->topLevelItem(Row));
        QTest::mouseClick(DualListDlg->SpeedButton1, Qt::LeftButton);
    }
    QTest::mouseClick(DualListDlg->OKBtn, Qt::LeftButton);
    EXPECT_FALSE(DualListDlg->isVisible());
    // The To list was empty: To is kept.
    EXPECT_EQ(Main->eTo->text() + "|" + Main->eCC->text(),
              "kept@example.test|sato@example.test,yamada@example.test");
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
}

using DesktopTest = WindowTest;

TEST_F(DesktopTest, MailtoLinkFillsTheShownSendPage) {
    Main->show();
    QApplication::setActiveWindow(Main);
    ASSERT_TRUE(QTest::qWaitForWindowActive(Main));
    TMailtoFields F;
    ASSERT_TRUE(
        ParseMailto("mailto:taro@example.jp,hanako@example.jp?cc=jiro@example.jp"
                    "&subject=%E4%BC%9A%E8%AD%B0%E3%81%AE%E4%BB%B6"
                    "&body=%E6%98%8E%E6%97%A5%E3%81%AF%0D%0A%EF%BC%91%EF%BC%90%E6%99%82%E3%81%8B%E3%82%89",
                    F));
    Main->FillSendPage(F.To, F.CC, F.Subject, F.Body);
    EXPECT_EQ(Main->PageControl1->currentWidget(), Main->SendPage);
    // Resizing the shown window lays the fields out by the page's width.
    Main->resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(Main->eTo->width(), ComputeResizeLayout({Main->SendPage->width()}).FieldWidth);
    EXPECT_EQ(Main->eTo->text() + "|" + Main->eCC->text(),
              "taro@example.jp, hanako@example.jp|jiro@example.jp");
    EXPECT_EQ(Main->eSubject->text() + "|" + Main->reMessageText->toPlainText(),
              U("会議の件|明日は\n１０時から"));
    EXPECT_EQ(Main->focusWidget(), Main->reMessageText);
    EXPECT_TRUE(Boxes.isEmpty());

    // Without a recipient the cursor waits in To.
    F = TMailtoFields();
    ASSERT_TRUE(ParseMailto("mailto:?subject=x", F));
    Main->FillSendPage(F.To, F.CC, F.Subject, F.Body);
    EXPECT_TRUE(Main->eTo->text().isEmpty() && Main->reMessageText->toPlainText().isEmpty());
    EXPECT_EQ(Main->focusWidget(), Main->eTo);

    // Ctrl+E in a field is the hidden "設定(&E)", not the end of the line;
    // Ctrl+C stays with the field and copies its selection.
    Main->eTo->setText("abc");
    QTest::keyClick(Main->eTo, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(Settings->isVisible());
    Settings->hide();
    Main->eTo->selectAll();
    QTest::keyClick(Main->eTo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    Main->hide();
}

TEST_F(DesktopTest, DialogsStartInTheProgramFolderOnlyForAPortableCopy) {
    ASSERT_TRUE(QDir(Dir.path()).mkpath(U("home/書類")));
    WriteFile(Sub(U("home/書類/a.txt")), "abc\r\n");
    SetDialogFolderRules({false, Sub("home"), Sub("Downloads")});
    QStringList Asked;
    QString Chosen;
    Main->OpenDialog = [&](const QString& Start, const QString&) { return Asked << Start, Chosen; };
    Main->SaveDialog = [&](const QString& Start, const QString&, const QString&) {
        return Asked << Start, Chosen;
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
    EXPECT_EQ(Asked, QStringList{Folder() + "/"});
    EXPECT_EQ(StartFolder(TDialogFolder::Downloads), Folder() + "/");
}

// A widget the user can reach: not hidden by the program. The pages of a
// page control count although only one is shown at a time.
bool Reachable(const QWidget* W) {
    for (; W && !W->isWindow(); W = W->parentWidget())
        if (W->isHidden() && !qobject_cast<QStackedWidget*>(W->parentWidget())) return false;
    return true;
}

// The interactive controls of Window without an accessible name, by object
// name and class; and the window itself when it is not announced as a window.
QStringList Unnamed(QWidget* Window) {
    using A = QAccessible;
    // The roles of controls a user operates.
    static const std::set<A::Role> Interactive = {
        A::Button,  A::CheckBox,   A::RadioButton,    A::ComboBox,    A::EditableText,
        A::SpinBox, A::Slider,     A::List,           A::Tree,        A::Table,
        A::PageTab, A::ButtonMenu, A::ButtonDropDown, A::HotkeyField, A::Link};
    QStringList Missing;
    const A::Role WindowRole = A::queryAccessibleInterface(Window)->role();
    if (WindowRole != A::Window && WindowRole != A::Dialog)
        Missing << QStringLiteral("window role %1").arg(WindowRole);
    for (QWidget* W : Window->findChildren<QWidget*>()) {
        if (W->window() != Window || !Reachable(W)) continue;
        QAccessibleInterface* I = A::queryAccessibleInterface(W);
        if (I && Interactive.count(I->role()) && I->text(A::Name).trimmed().isEmpty())
            Missing << W->objectName() + QLatin1Char(':') + QString::fromLatin1(W->metaObject()->className());
    }
    return Missing;
}

using AccessibilityTest = WindowTest;

TEST_F(AccessibilityTest, EveryInteractiveControlHasAName) {
    // The login fields are named by their labels, not by the group around them.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->eUserName)->text(QAccessible::Name), "User Name:");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Main->ePassword)->text(QAccessible::Name), "Password:");
    // Every window of the program start; the main window's spin edit is labelled by its caption.
    for (QWidget* Window : W->Order) {
        const QStringList Missing = Unnamed(Window);
        EXPECT_TRUE(Missing.isEmpty())
            << Window->metaObject()->className() << ": " << Missing.join(", ").toStdString();
    }
}

TEST(AboutBox, ShowsTheIconAndTheHelpKeepsItsLayoutAndClosesWithOk) {
    Tabout About;
    // The picture is the program's icon, a round badge on transparency.
    const QImage Img = About.ProgramIcon->pixmap().toImage();
    ASSERT_FALSE(Img.isNull());
    EXPECT_NE(Img.pixel(32, 32), Img.pixel(2, 2));
    EXPECT_TRUE(About.Memo1->isReadOnly());
    EXPECT_EQ(About.Memo1->toPlainText(), HelpText());

    // Made small, the text stays above OK and scrolls.
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    About.resize(300, 260);
    QTest::qWait(10);
    EXPECT_LT(About.Memo1->geometry().bottom(), About.OKButton->y());
    EXPECT_LE(About.OKButton->geometry().bottom(), About.height());
    EXPECT_GT(About.Memo1->verticalScrollBar()->maximum(), 0);
    QTest::mouseClick(About.OKButton, Qt::LeftButton);
    EXPECT_FALSE(About.isVisible());
    EXPECT_EQ(About.result(), QDialog::Accepted);
}

TEST(AboutBox, HelpTextHasEightNumberedSectionsInOrder) {
    const QString Text = HelpText();
    const char* const Titles[] = {"インストール", "初めて",     "読む",     "送る",
                                  "アドレス帳",   "アカウント", "ファイル", "エラー番号"};
    // Each heading "N. ..." names its section; none after the eighth.
    const auto Options = QRegularExpression::MultilineOption;
    qsizetype From = 0;
    for (int N = 1; N <= 8; ++N) {
        From = Text.indexOf(
            QRegularExpression(QStringLiteral("^%1\\. [^\n]*").arg(N) + U(Titles[N - 1]), Options), From);
        ASSERT_GE(From, 0) << "section " << N;
    }
    EXPECT_FALSE(Text.contains(QRegularExpression("^9\\. ", Options)));
    // How to start the program, where its files are, a socket code with the sentence the program shows.
    for (const char* Fact :
         {"./run.sh", "VELNARO.ini", "VELNARO.LST", "~/.config/velnaro/", "10061", "接続拒否。"})
        EXPECT_TRUE(Text.contains(U(Fact))) << Fact;
    // Every character has a Shift_JIS code, like the rest of the program's text.
    const std::u16string Wide = Text.toStdU16String();
    EXPECT_EQ(Cp932ToUtf16(Utf16ToCp932(Wide)), Wide);
}

}  // namespace
