#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

QString HelpFilePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath("Quorvex.html");
}

void ShowHelpWindow(QWidget* parent)
{
    const QString path = HelpFilePath();
    if (!QFileInfo::exists(path)) {
        QMessageBox::warning(parent, QCoreApplication::applicationName(),
                             "The operator's manual was not found. Quorvex looked for it here:\n" + path);
        return;
    }
    QDialog window(parent);
    window.setObjectName("HelpWindow");
    window.setWindowTitle("Quorvex Help");
    auto* browser = new QTextBrowser(&window);
    browser->setObjectName("HelpBrowser");
    browser->setOpenExternalLinks(true);
    browser->setSource(QUrl::fromLocalFile(path));
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(browser);
    window.resize(760, 620);
    window.exec();
}
