#include "HelpWindow.h"

#include "HelpFile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QScrollBar>
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
    OpenHelpWindow(parent, path);
}

void OpenHelpWindow(QWidget* parent, const QString& path)
{
    auto* window = parent->findChild<QDialog*>("HelpWindow", Qt::FindDirectChildrenOnly);
    if (window == nullptr) {
        window = new QDialog(parent);  // owned by the window it helps with
        window->setObjectName("HelpWindow");
        window->setWindowTitle("Quorvex — Help");
        auto* browser = new QTextBrowser(window);
        browser->setObjectName("HelpBrowser");
        browser->setOpenExternalLinks(true);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(browser);
        window->resize(760, 620);
    }
    auto* browser = window->findChild<QTextBrowser*>("HelpBrowser");
    browser->setSource(QUrl::fromLocalFile(path));
    browser->reload();  // the current copy, also when the same manual is already shown
    browser->verticalScrollBar()->setValue(0);
    window->show();
    window->raise();
    window->activateWindow();
}
