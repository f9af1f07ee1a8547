// Tests of the address book window and the entry dialog: real widgets offscreen, a real address book file.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

#include "SysUtils.h"
#include "TestFiles.h"
#include "Unit2.h"
#include "Unit4.h"
#include "WidgetText.h"
#include "cp932.h"

namespace {

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

class AddressBookWindowTest : public ::testing::Test {
protected:
    AddressBookWindowTest() {
        SetProgramDir(Dir.Path);
        Book = std::make_unique<TDualListDlg>();
        Entry = std::make_unique<TForm4>(Book.get());
        TForm4::MessageBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        TDualListDlg::ErrorBox = [this](QWidget*, const QString& Text) { Boxes << Text; };
        Book->OnHandOver = [this](const std::string* To, const std::string* CC) {
            Handed = (To ? *To : "<kept>") + " " + (CC ? *CC : "<kept>");
        };
    }

    // The rows of a list as "name|address" (Shift_JIS).
    static std::vector<std::string> Rows(QTreeWidget* List) {
        std::vector<std::string> R;
        for (int i = 0; i < List->topLevelItemCount(); ++i)
            R.push_back(WidgetText(List->topLevelItem(i)->text(0)) + "|" +
                        WidgetText(List->topLevelItem(i)->text(1)));
        return R;
    }
    static void ClickRow(QTreeWidget* List, int Row, bool Double = false) {
        const QPoint P = List->visualItemRect(List->topLevelItem(Row)).center();
        QTest::mouseClick(List->viewport(), Qt::LeftButton, {}, P);
        if (Double) QTest::mouseDClick(List->viewport(), Qt::LeftButton, {}, P);
    }
    // Opens the entry dialog through Open and runs Steps inside its modal loop.
    void InDialog(const std::function<void()>& Open, const std::function<void()>& Steps) {
        bool Ran = false;
        QTimer::singleShot(0, [&] {
            Steps();
            Ran = true;
        });
        Open();
        EXPECT_TRUE(Ran);
        EXPECT_FALSE(Entry->isVisible());
    }

    TTempDir Dir;
    std::unique_ptr<TDualListDlg> Book;
    std::unique_ptr<TForm4> Entry;
    QStringList Boxes;
    std::string Handed;  // "To CC" as handed over
};

TEST_F(AddressBookWindowTest, EntryDialogAddsThroughOkContinueAndCancel) {
    // OK without an address: the message, nothing added, the dialog stays;
    // neither Enter nor Esc closes it.
    InDialog([&] { Book->CancelBtnClick(); },
             [&] {
                 Entry->name->setText(U("山田"));
                 QTest::mouseClick(Entry->Button1, Qt::LeftButton);
                 EXPECT_EQ(Boxes, QStringList{U("メールアドレスをいれてください。")});
                 QTest::keyClick(Entry->eaddr, Qt::Key_Return);
                 QTest::keyClick(Entry->eaddr, Qt::Key_Escape);
                 EXPECT_TRUE(Entry->isVisible());
                 QTest::keyClicks(Entry->eaddr, "yamada@example.test");
                 QTest::mouseClick(Entry->Button1, Qt::LeftButton);
             });
    EXPECT_EQ(Rows(Book->ListView1), std::vector<std::string>{SJ("山田") + "|yamada@example.test"});

    // Esc in the address book window opens the dialog; "継続（追加）" adds
    // and empties; "キャンセル" adds nothing.
    Book->show();
    Book->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Book.get()));
    InDialog([&] { QTest::keyClick(Book->ListView1, Qt::Key_Escape); },
             [&] {
                 QTest::keyClicks(Entry->eaddr, "a@example.test");
                 QTest::mouseClick(Entry->Button3, Qt::LeftButton);
                 EXPECT_TRUE(Entry->isVisible() && Entry->eaddr->text().isEmpty());
                 QTest::keyClicks(Entry->eaddr, "x@example.test");
                 QTest::mouseClick(Entry->Button2, Qt::LeftButton);
             });
    EXPECT_EQ(Rows(Book->ListView1).size(), 2u);
    EXPECT_EQ(Boxes.size(), 1);
}

TEST_F(AddressBookWindowTest, CopyDeleteAndHandOver) {
    WriteFileText(AddressBookPath(), SJ("山田,yamada@example.test,\r\nSato,sato@example.test,x\r\n"));
    ASSERT_TRUE(Book->LoadSource(AddressBookPath()));
    Book->show();
    ClickRow(Book->ListView1, 0);
    QTest::mouseClick(Book->IncludeBtn, Qt::LeftButton);
    ClickRow(Book->ListView1, 1, true);  // a double click copies to To
    QTest::keyClick(Book->ListView1, Qt::Key_Return);
    QTest::mouseClick(Book->SpeedButton1, Qt::LeftButton);
    const std::string Yamada = SJ("山田") + "|yamada@example.test", Sato = "Sato|sato@example.test";
    EXPECT_EQ(Rows(Book->ListView2), (std::vector<std::string>{Yamada, Sato, Sato}));
    EXPECT_EQ(Rows(Book->ListView3), std::vector<std::string>{Sato});

    // The Delete key removes the list's selected row and selects the one
    // taking its place; "削除" acts on the list selected last.
    ClickRow(Book->ListView2, 1);
    QTest::keyClick(Book->ListView2, Qt::Key_Delete);
    EXPECT_EQ(Book->ListView2->selectedItems().value(0), Book->ListView2->topLevelItem(1));
    QTest::mouseClick(Book->Button2, Qt::LeftButton);
    EXPECT_EQ(Rows(Book->ListView2), std::vector<std::string>{Yamada});
    EXPECT_EQ(Book->ListView2->selectedItems().value(0), Book->ListView2->topLevelItem(0));

    QTest::mouseClick(Book->OKBtn, Qt::LeftButton);
    EXPECT_EQ(Handed, "yamada@example.test sato@example.test");
    EXPECT_FALSE(Book->isVisible());
}

TEST_F(AddressBookWindowTest, SaveWritesTheFileAndAFailureIsReported) {
    Book->AddEntry(SJ("山田"), "yamada@example.test");
    QTest::mouseClick(Book->Button1, Qt::LeftButton);
    EXPECT_EQ(ReadFileText(AddressBookPath()), SJ("山田,yamada@example.test,\r\n"));
    // A folder that is not there: the error box with the system's code.
    SetProgramDir(Dir.Path + "missing/");
    Book->Button1Click();
    ASSERT_EQ(Boxes.size(), 1);
    EXPECT_TRUE(Boxes[0].startsWith(U("I/O エラー ("))) << Boxes[0].toStdString();
}

TEST_F(AddressBookWindowTest, ResizingKeepsTheListsApartAndTheButtonsBetweenThem) {
    Book->show();
    for (const QSize S : {Book->minimumSize(), QSize(900, 640)}) {
        Book->resize(S);
        SCOPED_TRACE(S.width());
        const QRect L1 = Book->ListView1->geometry(), L2 = Book->ListView2->geometry(),
                    L3 = Book->ListView3->geometry();
        // The CC list under the To list; the buttons between the lists or in
        // a row under them; nothing beyond the edge.
        EXPECT_LT(L2.bottom(), L3.top());
        EXPECT_LE(std::max(L2.right(), L3.right()), S.width());
        for (QPushButton* B : {Book->IncludeBtn, Book->HelpBtn, Book->SpeedButton1, Book->Button3})
            EXPECT_TRUE(L1.right() < B->x() && B->geometry().right() < L2.left())
                << B->objectName().toStdString();
        int Left = 0;
        for (QPushButton* B : {Book->CancelBtn, Book->Button2, Book->OKBtn, Book->Button1}) {
            EXPECT_LT(std::max(L1.bottom(), L3.bottom()), B->y());
            EXPECT_LE(B->geometry().bottom(), S.height());
            EXPECT_LT(Left, B->x());
            Left = B->geometry().right();
        }
    }
}

}  // namespace
