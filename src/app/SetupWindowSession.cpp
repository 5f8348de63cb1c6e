// The set-up window's "Run Session": a protocol of runs from the loaded file, in the run window
// with the session panel beside it.
#include "SetupWindow.h"
#include "SetupWindowLayout.h"

#include "RunChecks.h"
#include "RunWindow.h"
#include "SessionFiles.h"
#include "SessionPanel.h"
#include "SessionPlaces.h"
#include "SessionRunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include <chrono>
#include <filesystem>
#include <utility>

SetupWindow::SessionStart SetupWindow::AskSessionStart(const QString& question, bool canContinue)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question, QMessageBox::NoButton, this);
    const QAbstractButton* proceed =
        canContinue ? box.addButton(question.section('\n', -1), QMessageBox::AcceptRole) : nullptr;
    const QAbstractButton* fresh = box.addButton("Start a new session", QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == proceed ? SessionStart::Continue
           : box.clickedButton() == fresh ? SessionStart::New
                                          : SessionStart::Cancel;
}

SetupWindow::UnfinishedChoice SetupWindow::AskUnfinished(const QString& description)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), description, QMessageBox::NoButton,
                    this);
    const QAbstractButton* proceed = box.addButton("Continue it", QMessageBox::AcceptRole);
    const QAbstractButton* aside = box.addButton("Set it aside", QMessageBox::DestructiveRole);
    box.addButton("Later", QMessageBox::RejectRole);
    box.exec();
    return box.clickedButton() == proceed ? UnfinishedChoice::Continue
           : box.clickedButton() == aside ? UnfinishedChoice::SetAside
                                          : UnfinishedChoice::Later;
}

void SetupWindow::OfferUnfinishedSession()
{
    const std::vector<FolderSession> sessions = UnfinishedSessionsIn(".");
    if (sessions.empty()) {
        return;
    }
    const FolderSession& s = sessions.front();
    const std::string resultsName = std::filesystem::path(s.ResultsFileName).stem().string();
    const QString description =
        QString("This data folder has an unfinished session:\n\nSubject: %1\nResults name: %2\nTest-condition file: "
                "%3\nBegun %4; %5 of %6 runs finished.\n\nContinue it now, set it aside (it is not offered again; "
                "Run Session still continues it), or decide later?")
            .arg(QString::fromStdString(s.Subject), QString::fromStdString(resultsName),
                 QString::fromStdString(s.ConditionsFile), QString::fromStdString(s.Begun))
            .arg(s.Finished)
            .arg(s.Runs);
    switch (ChooseUnfinished(description)) {
    case UnfinishedChoice::Later:
        return;
    case UnfinishedChoice::SetAside:
        if (const Result<> aside = SetSessionAside(s.ResultsFileName, s.SessionId, s.Subject,
                                                   std::chrono::system_clock::now());
            !aside) {
            ShowMessage(QString::fromStdString(aside.Reason()));
        }
        return;
    case UnfinishedChoice::Continue:
        break;
    }
    std::error_code missing;
    if (!std::filesystem::is_regular_file(s.ConditionsFile, missing)) {
        ShowMessage(QString("The session cannot be continued now: its test-condition file %1 is not there. Load it "
                            "with Parameters, type the subject %2 and the results name %3, and click Run Session.")
                        .arg(QString::fromStdString(s.ConditionsFile), QString::fromStdString(s.Subject),
                             QString::fromStdString(resultsName)));
        return;
    }
    if (const Result<> loaded = LoadParameters(s.ConditionsFile); !loaded) {
        ShowFailure(loaded);
        return;
    }
    SubjectEdit->setText(QString::fromStdString(s.Subject));
    ResFileEdit->setText(QString::fromStdString(resultsName));
    continueSession_ = s.SessionId;
    RunSessionClick();
}

void SetupWindow::EnableRunSession()
{
    if (RunSessionAction == nullptr) {
        return;
    }
    const bool ready = protocol_.Present && !SubjectEdit->text().isEmpty();
    RunSession->setEnabled(ready);
    RunSessionAction->setEnabled(ready);
}

Result<> SetupWindow::ShowSessionRun(int index)
{
    const SessionRun& run = protocol_.Runs.at(static_cast<std::size_t>(index));
    // Each run carries the calibration as it stands when the run starts.
    if (const Result<> calibration = RefreshCalibration(); !calibration) {
        ShowMessage(QString::fromStdString(calibration.Reason()));
    }
    state_.CurrentCondition = run.Condition - 1;
    RefreshParameters();
    SweepButtons->button(ButtonOf(run.SweepDirection))->setChecked(true);
    // As a click on the ear would, a change of ear sends its routing in KC35 mode; here its
    // failure goes to the session, which ends, rather than to a message of its own.
    if (EarButtons->checkedId() == ButtonOf(run.Ear)) {
        return {};
    }
    {
        const QSignalBlocker quiet(EarButtons);
        EarButtons->button(ButtonOf(run.Ear))->setChecked(true);
    }
    return RouteEar();
}

void SetupWindow::RunSessionClick()
{
    const std::string chosenAtStart = std::exchange(continueSession_, std::string());
    ApplyEdits();
    if (!protocol_.Runnable()) {
        ShowMessage(QString::fromStdString(protocol_.Present ? "The session cannot be run: " + protocol_.Refusal
                                                             : "The test-condition file has no [Session] section."));
        return;
    }
    if (const Result<> check = CheckSessionRuns(protocol_, state_, DecimalSeparator()); !check) {
        ShowMessage(QString::fromStdString(check.Reason()));
        return;
    }
    if (const Result<> calibration = RefreshCalibration(); !calibration) {
        ShowMessage(QString::fromStdString(calibration.Reason()));
        return;
    }
    if (!SoundDeviceReadyFor("Run Session")) {
        return;
    }
    SessionPlan plan = PlanSession(protocol_, state_.Settings, state_.Conditions);
    std::error_code noPath;
    plan.ConditionsFile = std::filesystem::absolute(state_.ParameterFileName, noPath).string();
    SessionRunner runner(protocol_, std::move(plan), state_.SubjectName, state_.ResultsFileName);
    if (!runner.RecordProblem().empty()) {
        ShowMessage(QString::fromStdString(runner.RecordProblem()));
        return;
    }
    bool fresh = true;
    if (runner.CanContinue() && runner.Unfinished()->Id == chosenAtStart) {
        fresh = false;
    } else if (runner.Unfinished()) {
        const SessionStart choice = ChooseSessionStart(
            QString::fromStdString(
                ResumeQuestion(runner, state_.SubjectName, SessionRecordFileName(state_.ResultsFileName))),
                                                       runner.CanContinue());
        if (choice == SessionStart::Cancel) {
            return;
        }
        fresh = choice != SessionStart::Continue;
    }
    if (fresh) {
        if (const Result<> started = runner.StartNew(std::chrono::system_clock::now()); !started) {
            ShowMessage(QString::fromStdString(started.Reason()));
            return;
        }
    } else {
        runner.Continue();
    }
    GraphPTC->setEnabled(false);
    SessionPanel panel(runner, state_, *runWindow_, [this](int index) { return ShowSessionRun(index); });
    panel.ShowMessage = [this](const QString& message) { ShowMessage(message); };
    PlaceSessionWindows(panel);
    panel.show();
    panel.Begin();
    runWindow_->exec();
    runWindow_->ForgetPlace();
}

void SetupWindow::PlaceSessionWindows(QWidget& panel)
{
    // The operator's screen is the set-up window's; with a second screen the listener's is the other.
    const QScreen* operatorScreen = screen() != nullptr ? screen() : QApplication::primaryScreen();
    if (operatorScreen == nullptr) {
        return;
    }
    const QScreen* listenerScreen = operatorScreen;
    for (const QScreen* other : QApplication::screens()) {
        if (other != operatorScreen) {
            listenerScreen = other;
            break;
        }
    }
    const SessionPlaces places = ::PlaceSessionWindows(operatorScreen->availableGeometry(),
                                                       listenerScreen->availableGeometry(), panel.width());
    runWindow_->PlaceOn(places.RunWindow, places.Maximised);
    panel.setGeometry(places.Panel);
}
