#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Never a real display, also when the tests are listed at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
