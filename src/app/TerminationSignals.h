#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP (a logout, Ctrl-C in the terminal that started Quorvex, the terminal
// closed) arrive as a Qt signal in the main thread, where the program can end a run with its
// files written instead of dying in the middle of it. The handler only writes the signal's
// number to a pipe that the event loop watches. One object at a time; the previous handlers are
// put back when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    void Requested(int signalNumber);

private:
    void Read();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
