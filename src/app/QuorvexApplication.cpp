#include "QuorvexApplication.h"

#include <QIcon>
#include <QMessageBox>

#include <exception>

std::function<void(const QString&)> QuorvexApplication::ExceptionDisplay = [](const QString& message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(), message);
};

QuorvexApplication::QuorvexApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // No display name of its own: the platform would append it to every window's caption.
    // Message boxes take the application name as their title.
    setApplicationName("Quorvex");
    setWindowIcon(QIcon(":/quorvex/quorvex.svg"));
}

bool QuorvexApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowException(QString());
    }
    return false;
}

void QuorvexApplication::ShowException(const QString& message)
{
    if (ExceptionDisplay) {
        ExceptionDisplay(message);
    }
}
