// The about box: caption, the program's icon, version line, the eight help sections, resize layout, OK closes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

#include "cp932.h"
#include "help.h"

namespace {

TEST(AboutBox, ShowsCaptionPictureVersionAndReadOnlyHelp) {
    Tabout About;
    EXPECT_EQ(About.windowTitle(), "about Velnaro");
    EXPECT_EQ(About.Version->text(), "version 1.2.1.4");
    EXPECT_EQ(About.ProgramIcon->toolTip(), QString::fromUtf8("忠犬のように黙々と仕事をこなす願いを込めて"));
    ASSERT_FALSE(About.ProgramIcon->pixmap().isNull());
    // The picture is the program's icon, a round badge on transparency.
    const QImage Img = About.ProgramIcon->pixmap().toImage();
    EXPECT_NE(Img.pixel(32, 32), Img.pixel(2, 2));
    EXPECT_EQ(About.OKButton->text(), "OK");
    EXPECT_TRUE(About.Memo1->isReadOnly());
    EXPECT_EQ(About.Memo1->toPlainText(), HelpText());
    EXPECT_EQ(About.findChild<QPlainTextEdit*>("Memo1"), About.Memo1);

    About.resize(420, 300);
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    EXPECT_GT(About.Memo1->verticalScrollBar()->maximum(), 0);  // the text scrolls
}

TEST(AboutBox, HelpTextHasEightNumberedSectionsInOrder) {
    const QString Text = HelpText();
    const char* const Titles[] = {"インストール", "初めて",     "読む",     "送る",
                                  "アドレス帳",   "アカウント", "ファイル", "エラー番号"};
    qsizetype From = 0;
    for (int N = 1; N <= 8; ++N) {
        QRegularExpression Heading(QStringLiteral("^%1\\. .*$").arg(N), QRegularExpression::MultilineOption);
        auto Match = Heading.match(Text, From);
        ASSERT_TRUE(Match.hasMatch()) << "section " << N;
        EXPECT_TRUE(Match.captured().contains(QString::fromUtf8(Titles[N - 1])))
            << Match.captured().toStdString();
        From = Match.capturedEnd();
    }
    EXPECT_FALSE(QRegularExpression("^9\\. ", QRegularExpression::MultilineOption).match(Text).hasMatch());

    // Facts of this program: how to start it, its two files, the socket codes
    // with the very sentences the program shows.
    for (const char* Fact : {"./run.sh", "VELNARO.ini", "VELNARO.LST", "~/.config/velnaro/", "APOP",
                             "pingでのチェックを無視する", "10060", "10061", "11001", "10054"})
        EXPECT_TRUE(Text.contains(QString::fromUtf8(Fact))) << Fact;
    for (const char* Sentence : {"接続がタイムアウトしました", "接続拒否。", "接続が相手よりリセット。",
                                 "ホストが見つかりません。サーバ名(xxx.xxx.xxx)を確認してください"})
        EXPECT_TRUE(Text.contains(QString::fromUtf8(Sentence))) << Sentence;

    // Every character has a Shift_JIS code, like the rest of the program's text.
    const std::u16string Wide = Text.toStdU16String();
    EXPECT_EQ(Cp932ToUtf16(Utf16ToCp932(Wide)), Wide);
}

TEST(AboutBox, ResizeKeepsButtonTenAboveBottomAndMemoTenAboveButton) {
    Tabout About;
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    for (QSize Size : {QSize(460, 420), QSize(600, 700), QSize(300, 260)}) {
        About.resize(Size);
        QTest::qWait(10);
        ASSERT_EQ(About.size(), Size);
        EXPECT_EQ(About.OKButton->geometry().bottom() + 1, Size.height() - 10);
        EXPECT_EQ(About.Memo1->geometry().bottom() + 1, About.OKButton->y() - 10);
        EXPECT_GT(About.Memo1->height(), 0);
        EXPECT_LE(About.Memo1->geometry().right(), Size.width());
    }
}

TEST(AboutBox, OkClosesTheBox) {
    Tabout About;
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    QTest::mouseClick(About.OKButton, Qt::LeftButton);
    EXPECT_FALSE(About.isVisible());
    EXPECT_EQ(About.result(), QDialog::Accepted);
}

}  // namespace
