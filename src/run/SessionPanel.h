#pragma once

#include "SessionRunner.h"
#include "SharedState.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class RunWindow;

// The operator's view of a session while the listener's run window is open: the protocol
// with each run's state, run k of N with its condition, ear and direction, the time taken and
// about how long is left, and Repeat, Skip and End between runs. It drives the run window
// through the session: each START runs the next run of the protocol, and between runs the
// listener's window says the next run is ready (and offers a rest when one is due). While it
// lives it holds the run window's hooks; it gives them back when it goes.
class SessionPanel : public QDialog {
    Q_OBJECT

public:
    // `showRun` shows run `index`'s condition, ear and direction in the set-up window (in KC35
    // mode choosing the ear sends its routing); it may throw a serial error.
    SessionPanel(SessionRunner& runner, SharedState& state, RunWindow& runWindow, std::function<void(int index)> showRun);
    ~SessionPanel() override;

    // How the operator is told what went wrong. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;

    // Shows the first run as ready in the run window.
    void Begin();

    void RepeatClick();
    void SkipClick();
    void EndClick();

protected:
    // Escape would hide the panel for the rest of the session: it goes with the run window.
    void reject() override {}

private:
    void RunStarting();
    void RunFinished(const RunReport& report);
    // The next run ready in the listener's window, or the session's end.
    void OfferNext();
    void Refresh();

    SessionRunner& runner_;
    SharedState& state_;
    RunWindow& runWindow_;
    std::function<void(int)> showRun_;
    std::function<void(const RunReport&)> previousOnFinished_;
    std::optional<int> running_;  // the run going on, from 0
    QElapsedTimer sessionClock_;
    QElapsedTimer runClock_;

    QLabel* ProgressLabel = nullptr;
    QListWidget* ProtocolList = nullptr;
    QPushButton* RepeatButton = nullptr;
    QPushButton* SkipButton = nullptr;
    QPushButton* EndButton = nullptr;
    QTimer* clockTimer_ = nullptr;
};
