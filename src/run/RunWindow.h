#pragma once

#include "FreshPressGate.h"
#include "SharedState.h"
#include "TrackingRun.h"

#include <QDialog>
#include <QRect>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class Clock;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The run window: the listener's instructions, START, the SPACE-bar button that takes the
// listener's key, and EXIT. One opening allows one run. When the run has ended, the listener
// reads "Finished — thank you" and the operator the run's summary in place of the
// instructions, until the operator closes the window; the SPACE bar closes nothing.
// SPACE starts a run only with a press that begins a second after START has shown, and RETURN
// presses EXIT likewise: a key held from before, or its auto-repeat, starts and closes nothing.
// While a run plays the window takes the keyboard back whenever another window takes it, and
// only keys that reach this window stop the run. Its close box closes it: during a run it stops
// the run, which writes its files, and closes the window as the run ends.
class RunWindow : public QDialog {
    Q_OBJECT

public:
    RunWindow(SharedState& state, RunDevices devices, QWidget* parent = nullptr);

    TrackingRun& Run() { return run_; }

    // Called when a run has ended, with its report (the set-up window enables "Graph
    // Results" when more than two points were stored).
    std::function<void(const RunOutcome&)> OnRunFinished;
    // Called when START is pressed, before the run begins (a session sets up its next run).
    std::function<void()> OnRunStarting;
    // How the operator is told, as the run starts, of a file it cannot write. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;
    // Called when the window gains or loses the keyboard: the listener's keys reach a run only
    // while it has it.
    std::function<void(bool hasKeyboard)> OnKeyboardChanged;

    // A line above the listener's instructions while a run plays (a session's "Run 2 of 8");
    // empty for none.
    void SetHeading(const QString& heading);
    // START again for the next run of a session, under the listener's `text` ("Run 2 of 8 is ready. ...").
    void OfferNextRun(const QString& text);
    // A text for the listener with neither START nor EXIT (while the operator looks at a run).
    void ShowListenerText(const QString& text);
    // The end of a session: the text in place of the instructions, and EXIT.
    void ShowClosingText(const QString& text);
    // Where the window goes when it is shown: `area`, filling that screen when `maximised`.
    // Without a place it fills the screen it opens on.
    void PlaceOn(const QRect& area, bool maximised);
    void ForgetPlace() { place_.reset(); }
    bool HasKeyboard() const { return isActiveWindow(); }
    // Makes the window the one the keyboard types into, unless an operator's dialog is open.
    void TakeKeyboard();

    // Ends the run going on after its trial, its files written, with what ended it for the record.
    void StopRun(const std::string& cause);

    void FormShow();
    void StartClick();
    void SpaceBarKeyDown(int key);
    void SpaceBarKeyUp(int key);
    void ExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSummary(const RunOutcome& report);
    void ShowStart();
    void ShowExit();
    bool StartKey(const QKeyEvent& key);
    bool ExitKey(const QKeyEvent& key);
    bool RunKey(const QKeyEvent& key);

    SharedState& state_;
    Clock& clock_;
    TrackingRun run_;
    bool running_ = false;
    bool closeRequested_ = false;
    bool closeBoxUsed_ = false;
    QString heading_;
    QString readyText_;
    FreshPressGate startGate_;
    FreshPressGate exitGate_;
    std::optional<std::pair<QRect, bool>> place_;  // the area, and whether to fill its screen

    QPlainTextEdit* InstructionsView = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* SpaceBarButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QLabel* FinishedLabel = nullptr;
    std::vector<std::pair<QWidget*, QRect>> designedButtons_;  // each button's place at the design size
};
