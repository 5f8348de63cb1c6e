#include "HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

TEST(HelpWindow, OpensBesideTheWindowThatStaysUsable)
{
    QTemporaryDir dir;
    const QString manual = dir.filePath("Quorvex.html");
    QFile file(manual);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body><h1>Contents</h1></body></html>");
    file.close();

    QWidget setUp;
    auto* button = new QPushButton("Run PTC", &setUp);
    setUp.show();
    bool blocked = false;
    QTimer::singleShot(0, [&blocked] {  // a modal help window would still be open here
        if (QWidget* modal = QApplication::activeModalWidget()) {
            blocked = true;
            modal->close();
        }
    });
    OpenHelpWindow(&setUp, manual);
    QApplication::processEvents();
    EXPECT_FALSE(blocked);
    auto* help = setUp.findChild<QWidget*>("HelpWindow");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(help->findChild<QTextBrowser*>("HelpBrowser")->toPlainText().contains("Contents"));

    OpenHelpWindow(&setUp, manual);  // Help again: the same window
    EXPECT_EQ(setUp.findChildren<QWidget*>("HelpWindow").size(), 1);
    EXPECT_TRUE(help->isVisible());
}
