// Entry point of the tests that need a QApplication (widgets, clipboard, event dispatch).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Quorvex");
    return RUN_ALL_TESTS();
}
