#pragma once

#include <QApplication>

#include <functional>

// The application object. Any exception that escapes an event handler is shown to the
// operator in a message box titled "Quorvex" with the exception's message, and that
// handler is abandoned; the program goes on.
class QuorvexApplication : public QApplication {
public:
    QuorvexApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How an escaped exception is shown. Tests replace it to record the message.
    static std::function<void(const QString& message)> ExceptionDisplay;
    static void ShowException(const QString& message);
};
