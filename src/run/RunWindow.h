#pragma once

#include "SharedState.h"
#include "TrackingRun.h"

#include <QDialog>
#include <QRect>

#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The run window: the listener's instructions, START, the SPACE-bar button that takes the
// listener's key, and EXIT. One opening allows one run. When the run has ended, the listener
// reads "Finished — thank you" and the operator the run's summary in place of the
// instructions, until the operator closes the window; the SPACE bar closes nothing.
class RunWindow : public QDialog {
    Q_OBJECT

public:
    RunWindow(SharedState& state, RunDevices devices, QWidget* parent = nullptr);

    TrackingRun& Run() { return run_; }

    // Called when a run has ended, with its report (the set-up window enables "Graph
    // Results" when more than two points were stored).
    std::function<void(const RunReport&)> OnRunFinished;
    // Called when START is pressed, before the run begins (a session sets up its next run).
    std::function<void()> OnRunStarting;
    // How the operator is told, as the run starts, of a file it cannot write. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;

    // A line above the listener's instructions (a session's "Run 2 of 8 is ready"); empty for
    // none. OfferNextRun also shows START again, for the next run of a session.
    void SetHeading(const QString& heading);
    void OfferNextRun(const QString& heading);
    // The end of a session: the text in place of the instructions, and EXIT.
    void ShowClosingText(const QString& text);

    void FormShow();
    void StartClick();
    void SpaceBarKeyDown(int key);
    void SpaceBarKeyUp(int key);
    void ExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSummary(const RunReport& report);
    void ShowStart();

    SharedState& state_;
    TrackingRun run_;
    bool running_ = false;
    bool closeRequested_ = false;
    QString heading_;

    QPlainTextEdit* InstructionsView = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* SpaceBarButton = nullptr;
    QPushButton* ExitButton = nullptr;
    QLabel* FinishedLabel = nullptr;
    std::vector<std::pair<QWidget*, QRect>> designedButtons_;  // each button's place at the design size
};
