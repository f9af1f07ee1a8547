// Entry of the window tests: the offscreen platform, one QApplication around GoogleTest.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // Before anything else: test discovery runs this binary without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(argc, argv);
    QApplication::setApplicationName("Velnaro");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
