#include "HelpWindow.h"

#include "HelpFile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

void ShowHelpWindow(QWidget* parent)
{
    const QString path = HelpFilePath();
    if (path.isEmpty()) {
        QMessageBox::warning(parent, QCoreApplication::applicationName(),
                             "The operator's manual was not found. Quorvex looked for it here:\n" +
                                 HelpFileCandidates().join('\n'));
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
