#pragma once

#include "Result.h"
#include "SessionRunner.h"
#include "SharedState.h"

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class RunWindow;

// The operator's view of a session while the listener's run window is open: the protocol
// with each run's state, run k of N with its condition, ear and direction, the runs measured,
// skipped and to do, the session's time (with its earlier sittings) and about how long is left,
// every run's summary, whether the listener's keys reach the run window, and Repeat, Skip and
// End between runs. It drives the run window through the session: each START runs the next
// run of the protocol, and between runs the listener's window says the next run is ready (and
// offers a rest when one is due). A run with problems waits for the operator before the
// session goes on. The panel never takes the keyboard from the run window. While it lives it
// holds the run window's hooks; it gives them back when it goes.
class SessionPanel : public QDialog {
    Q_OBJECT

public:
    // `showRun` shows run `index`'s condition, ear and direction in the set-up window (in KC35
    // mode choosing the ear sends its routing); its failure ends the session before that run.
    SessionPanel(SessionRunner& runner, SharedState& state, RunWindow& runWindow,
                 std::function<Result<>(int index)> showRun);
    ~SessionPanel() override;

    // How the operator is told what went wrong. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;
    // How the operator confirms Repeat or Skip: true to go ahead. Tests replace it.
    std::function<bool(const QString& question)> Confirm;
    // What the operator chooses after a run with problems. Tests replace it.
    enum class AfterProblems { GoOn, Repeat, End };
    std::function<AfterProblems(const QString& summary)> AskAfterProblems;

    // Shows the first run as ready in the run window and starts the panel's clock.
    void Begin();

    void RepeatClick();
    void SkipClick();
    void EndClick();
    void UndoClick();

protected:
    // Escape would hide the panel for the rest of the session: it goes with the run window.
    void reject() override {}

private:
    void RunStarting();
    void RunFinished(const RunOutcome& report);
    // What the operator decides about a run with problems, done.
    void Decide(const QString& summary);
    // The next run ready in the listener's window, or the session's end.
    void OfferNext();
    void Refresh();
    void ShowKeyboard(bool reaches);
    AfterProblems AskInBox(const QString& summary);
    bool ConfirmInBox(const QString& question);

    SessionRunner& runner_;
    SharedState& state_;
    RunWindow& runWindow_;
    std::function<Result<>(int)> showRun_;
    std::function<void(const RunOutcome&)> previousOnFinished_;
    std::optional<int> running_;  // the run going on, from 0
    std::int64_t earlierMs_ = 0;  // the session's time in earlier sittings, from the record
    QElapsedTimer sessionClock_;
    QElapsedTimer runClock_;

    QLabel* ProgressLabel = nullptr;
    QLabel* KeyboardLabel = nullptr;
    QListWidget* ProtocolList = nullptr;
    QPlainTextEdit* SummaryView = nullptr;
    QPushButton* RepeatButton = nullptr;
    QPushButton* SkipButton = nullptr;
    QPushButton* EndButton = nullptr;
    QPushButton* UndoButton = nullptr;
    QTimer* clockTimer_ = nullptr;
};
