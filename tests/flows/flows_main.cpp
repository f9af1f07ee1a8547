// Entry point of the flow tests: a Qt application without windows around GoogleTest.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication App(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
