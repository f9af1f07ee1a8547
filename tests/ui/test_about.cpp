// The about box: the program's icon, the read-only help in eight numbered sections, the layout on resize, OK closes.
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

QString U(const char* Utf8) { return QString::fromUtf8(Utf8); }

TEST(AboutBox, ShowsTheIconAndTheHelpKeepsItsLayoutAndClosesWithOk) {
    Tabout About;
    // The picture is the program's icon, a round badge on transparency.
    const QImage Img = About.ProgramIcon->pixmap().toImage();
    ASSERT_FALSE(Img.isNull());
    EXPECT_NE(Img.pixel(32, 32), Img.pixel(2, 2));
    EXPECT_TRUE(About.Memo1->isReadOnly());
    EXPECT_EQ(About.Memo1->toPlainText(), HelpText());

    // OK stays ten above the bottom, the text ten above OK; the text scrolls.
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    for (QSize Size : {QSize(600, 700), QSize(300, 260)}) {
        About.resize(Size);
        QTest::qWait(10);
        EXPECT_EQ(About.OKButton->geometry().bottom() + 1, Size.height() - 10);
        EXPECT_EQ(About.Memo1->geometry().bottom() + 1, About.OKButton->y() - 10);
    }
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
    // Where the files are, and the socket codes with the very sentences the program shows.
    for (const char* Fact : {"./run.sh", "VELNARO.ini", "VELNARO.LST", "~/.config/velnaro/", "10060", "10061",
                             "接続がタイムアウトしました", "接続拒否。", "接続が相手よりリセット。",
                             "ホストが見つかりません。サーバ名(xxx.xxx.xxx)を確認してください"})
        EXPECT_TRUE(Text.contains(U(Fact))) << Fact;
    // Every character has a Shift_JIS code, like the rest of the program's text.
    const std::u16string Wide = Text.toStdU16String();
    EXPECT_EQ(Cp932ToUtf16(Utf16ToCp932(Wide)), Wide);
}

}  // namespace
