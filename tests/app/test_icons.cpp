// The program's icon as built-in resources: every theme size, a round badge on transparency.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

TEST(ProgramIcon, EverySizeIsBuiltInAsARoundBadge) {
    for (int Size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString Path = QString(":/icons/%1x%1/apps/org.velnaro.Velnaro.png").arg(Size);
        SCOPED_TRACE(Path.toStdString());
        const QImage Icon(Path);
        ASSERT_FALSE(Icon.isNull());
        EXPECT_EQ(Icon.size(), QSize(Size, Size));
        EXPECT_EQ(qAlpha(Icon.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(Icon.pixel(Size - 1, Size - 1)), 0);
        EXPECT_EQ(qAlpha(Icon.pixel(Size / 2, Size / 2)), 255);
    }
}
