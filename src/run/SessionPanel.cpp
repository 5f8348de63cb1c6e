#include "SessionPanel.h"

#include "Controls.h"
#include "ListenerTexts.h"
#include "RunQuality.h"
#include "RunSummary.h"
#include "RunWindow.h"
#include "SessionTime.h"
#include "SpaceProof.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>


namespace {

QString RunText(const SessionRunner& runner, int index)
{
    const SessionRun& run = runner.Protocol().Runs.at(static_cast<std::size_t>(index));
    if (run.Kind == RunKind::Threshold) {
        return QString("threshold, condition %1, %2 ear").arg(run.Condition).arg(QString::fromStdString(EarName(run.Ear)));
    }
    return QString("condition %1, %2 ear, %3%4")
        .arg(run.Condition)
        .arg(QString::fromStdString(EarName(run.Ear)), QString::fromStdString(DirectionName(run.SweepDirection)),
             run.Practice ? QString(", practice") : QString());
}

QString Position(const SessionRunner& runner, int index)
{
    return QString::fromStdString(RunHeading(index + 1, runner.Runs()));
}

QString Paragraphs(const std::vector<std::string>& lines, const char* separator)
{
    QStringList paragraphs;
    for (const std::string& line : lines) {
        paragraphs << QString::fromStdString(line);
    }
    return paragraphs.join(separator);
}

}  // namespace

SessionPanel::SessionPanel(SessionRunner& runner, SharedState& state, RunWindow& runWindow,
                           std::function<Result<>(int index)> showRun)
    : QDialog(&runWindow, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowDoesNotAcceptFocus)
    , runner_(runner)
    , state_(state)
    , runWindow_(runWindow)
    , showRun_(std::move(showRun))
{
    setObjectName("SessionPanel");
    // The listener's keys belong to the run window: showing or clicking the panel takes none.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto* layout = new QVBoxLayout(this);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setWordWrap(true);
    KeyboardLabel = new QLabel(this);
    KeyboardLabel->setObjectName("KeyboardLabel");
    KeyboardLabel->setWordWrap(true);
    KeyboardLabel->setMinimumHeight(2 * KeyboardLabel->fontMetrics().lineSpacing());
    ProtocolList = new QListWidget(this);
    ProtocolList->setObjectName("ProtocolList");
    ProtocolList->setAccessibleName("Session protocol");
    ProtocolList->setFocusPolicy(Qt::NoFocus);
    SummaryView = new QPlainTextEdit(this);
    SummaryView->setObjectName("SummaryView");
    SummaryView->setAccessibleName("Run summaries");
    SummaryView->setReadOnly(true);
    SummaryView->setFocusPolicy(Qt::NoFocus);
    SummaryView->setPlaceholderText("Each run's summary appears here when it ends.");
    layout->addWidget(ProgressLabel);
    layout->addWidget(KeyboardLabel);
    layout->addWidget(ProtocolList, 1);
    layout->addWidget(SummaryView, 2);
    auto* buttons = new QHBoxLayout;
    RepeatButton = MakeButton(this, "RepeatButton", "Repeat last run", {});
    SkipButton = MakeButton(this, "SkipButton", "Skip next run", {});
    EndButton = MakeButton(this, "EndButton", "End session", {});
    UndoButton = MakeButton(this, "UndoButton", "Undo last mark", {});
    for (QPushButton* button : {RepeatButton, SkipButton, UndoButton, EndButton}) {
        // The listener's SPACE belongs to the run window, never to the operator's buttons.
        button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    resize(460, 600);

    connect(RepeatButton, &QPushButton::clicked, this, &SessionPanel::RepeatClick);
    connect(SkipButton, &QPushButton::clicked, this, &SessionPanel::SkipClick);
    connect(EndButton, &QPushButton::clicked, this, &SessionPanel::EndClick);
    connect(UndoButton, &QPushButton::clicked, this, &SessionPanel::UndoClick);
    clockTimer_ = new QTimer(this);
    connect(clockTimer_, &QTimer::timeout, this, &SessionPanel::Refresh);

    ShowMessage = [this](const QString& message) { ShowOperatorWarning(this, message); };
    Confirm = [this](const QString& question) { return ConfirmInBox(question); };
    AskAfterProblems = [this](const QString& summary) { return AskInBox(summary); };
    previousOnFinished_ = runWindow_.OnRunFinished;
    runWindow_.OnRunStarting = [this] { RunStarting(); };
    runWindow_.OnRunFinished = [this](const RunOutcome& report) {
        if (previousOnFinished_) {
            previousOnFinished_(report);
        }
        RunFinished(report);
    };
    runWindow_.OnKeyboardChanged = [this](bool hasKeyboard) { ShowKeyboard(hasKeyboard); };
}

SessionPanel::~SessionPanel()
{
    runWindow_.OnRunStarting = nullptr;
    runWindow_.OnRunFinished = previousOnFinished_;
    runWindow_.OnKeyboardChanged = nullptr;
    runWindow_.SetHeading({});
}

void SessionPanel::Begin()
{
    setWindowTitle("Quorvex — Session: " + QString::fromStdString(state_.SubjectName));
    earlierMs_ = RecordedSessionMs(state_.ResultsFileName, runner_.Id());
    sessionClock_.start();
    clockTimer_->start(1000);
    OfferNext();
}

void SessionPanel::OfferNext()
{
    const std::optional<int> next = runner_.Next();
    if (next) {
        if (const Result<> shown = showRun_(*next); !shown) {
            runner_.End();
            ShowMessage(QString("The set-up for %1 failed: %2\nThe session continues at this run next time.")
                            .arg(Position(runner_, *next), QString::fromStdString(shown.Reason())));
        }
    }
    if (runner_.Over()) {
        runWindow_.ShowClosingText(QString::fromStdString(SessionOverText()));
    } else {
        runWindow_.OfferNextRun(QString::fromStdString(ReadyText(*next + 1, runner_.Runs(), runner_.RestDue())));
    }
    runWindow_.TakeKeyboard();
    Refresh();
}

void SessionPanel::RunStarting()
{
    running_ = runner_.Next();
    if (!running_) {
        return;
    }
    runner_.Prepare(*running_, state_, runWindow_.Run());
    state_.ResetResults();
    runWindow_.SetHeading(Position(runner_, *running_));
    runClock_.start();
    Refresh();
}

void SessionPanel::RunFinished(const RunOutcome& report)
{
    std::vector<std::string> lines = RunSummary(report);
    if (running_) {
        runner_.Finished(*running_, report, runClock_.elapsed());
        const auto condition = static_cast<std::size_t>(state_.CurrentCondition);
        // A threshold run's flags are in its summary; it has no curve.
        if (condition < state_.Conditions.size() && report.Kind == RunKind::Ptc) {
            lines.push_back(QualityLine(state_.Results.Points(), state_.Conditions[condition], state_.Calibration));
        }
        SummaryView->appendPlainText(Position(runner_, *running_) + ": " + RunText(runner_, *running_) + " - "
                                     + QString::fromStdString(Describe(runner_.State(*running_))) + "\n"
                                     + Paragraphs(lines, "\n") + "\n");
    }
    running_.reset();
    if (RunHadProblems(report)) {
        const QString summary = Paragraphs(RunSummary(report), "\n\n");
        if (runner_.CanRepeat()) {
            Decide(summary);
        } else {
            ShowMessage(summary);
        }
    }
    if (runner_.Over() && !runner_.EndReason().empty() && !MeasuredStatus(report.RunStatus)) {
        ShowMessage(QString::fromStdString(runner_.EndReason()));
    }
    OfferNext();
}

void SessionPanel::Decide(const QString& summary)
{
    runWindow_.ShowListenerText(QString::fromStdString(WaitText()));
    Refresh();
    switch (AskAfterProblems(summary)) {
    case AfterProblems::GoOn:
        break;
    case AfterProblems::Repeat:
        if (const Result<> repeated = runner_.Repeat(state_); !repeated) {
            ShowMessage(QString::fromStdString(repeated.Reason()));
        }
        break;
    case AfterProblems::End:
        runner_.End();
        break;
    }
}

void SessionPanel::RepeatClick()
{
    if (!runner_.CanRepeat()) {
        return;
    }
    const std::optional<int> next = runner_.Next();
    if (!Confirm("Measure the last run again? The session record marks it repeated; its rows stay in the files."
                 + (next ? "\n\nThe listener's next run is then the last one again, not " + Position(runner_, *next) + "."
                         : QString()))) {
        return;
    }
    if (const Result<> repeated = runner_.Repeat(state_); !repeated) {
        ShowMessage(QString::fromStdString(repeated.Reason()));
    }
    OfferNext();
}

void SessionPanel::SkipClick()
{
    const std::optional<int> next = runner_.Next();
    if (!next || !Confirm("Skip " + Position(runner_, *next) + " (" + RunText(runner_, *next)
                          + ")? The session record marks it skipped, and it is not measured in this session.")) {
        return;
    }
    if (const Result<> skipped = runner_.Skip(state_); !skipped) {
        ShowMessage(QString::fromStdString(skipped.Reason()));
    }
    OfferNext();
}

void SessionPanel::UndoClick()
{
    if (const Result<> undone = runner_.Undo(state_); !undone) {
        ShowMessage(QString::fromStdString(undone.Reason()));
    }
    OfferNext();
}

void SessionPanel::EndClick()
{
    runner_.End();
    OfferNext();
}

void SessionPanel::ShowKeyboard(bool reaches)
{
    KeyboardLabel->setText(reaches ? "The listener's keys reach the run window."
                                   : "The run window does not have the keyboard: the listener's keys go nowhere. "
                                     "Click the run window.");
    KeyboardLabel->setStyleSheet(reaches ? QString() : QString("color: #b00000; font-weight: bold;"));
}

SessionPanel::AfterProblems SessionPanel::AskInBox(const QString& summary)
{
    QMessageBox box(QMessageBox::Warning, QApplication::applicationDisplayName(),
                    "The last run had problems:\n\n" + summary + "\n\nGo on with the session?", QMessageBox::NoButton,
                    this);
    const QAbstractButton* goOn = box.addButton("Go on", QMessageBox::AcceptRole);
    const QAbstractButton* repeat = box.addButton("Repeat the run", QMessageBox::ActionRole);
    box.addButton("End session", QMessageBox::RejectRole);
    const SpaceProof proof(box);
    box.exec();
    return box.clickedButton() == goOn ? AfterProblems::GoOn
           : box.clickedButton() == repeat ? AfterProblems::Repeat
                                           : AfterProblems::End;
}

bool SessionPanel::ConfirmInBox(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question,
                    QMessageBox::Yes | QMessageBox::Cancel, this);
    box.setDefaultButton(QMessageBox::Cancel);
    const SpaceProof proof(box);
    return box.exec() == QMessageBox::Yes;
}

void SessionPanel::Refresh()
{
    const SessionProgress progress =
        runner_.Progress(earlierMs_ + (sessionClock_.isValid() ? sessionClock_.elapsed() : 0), state_);
    const SessionCounts counts = CountRuns(runner_);
    QString text;
    if (running_) {
        text = Position(runner_, *running_) + " (running): " + RunText(runner_, *running_);
    } else if (progress.Position > 0) {
        text = Position(runner_, progress.Position - 1) + " (next): " + RunText(runner_, progress.Position - 1);
    } else {
        text = QString::fromStdString(runner_.EndReason());
    }
    text += QString("\n%1 of %2 runs measured, %3 skipped, %4 to do. Elapsed %5")
                .arg(counts.Measured)
                .arg(progress.Runs)
                .arg(counts.Skipped)
                .arg(counts.ToDo)
                .arg(QString::fromStdString(FormatDuration(progress.ElapsedMs)));
    if (!runner_.Over()) {
        const std::int64_t left = TimeLeftMs(progress, running_ ? runClock_.elapsed() : 0);
        text += ", about " + QString::fromStdString(FormatDuration(left)) + " left";
    }
    ProgressLabel->setText(text + ".");
    if (runWindow_.isVisible()) {
        ShowKeyboard(runWindow_.HasKeyboard());
    }

    if (ProtocolList->count() != runner_.Runs()) {
        ProtocolList->clear();
        for (int k = 0; k < runner_.Runs(); ++k) {
            ProtocolList->addItem(QString());
        }
    }
    for (int k = 0; k < runner_.Runs(); ++k) {
        const QString state = running_ == k ? QString("running") : QString::fromStdString(Describe(runner_.State(k)));
        ProtocolList->item(k)->setText(Position(runner_, k) + ": " + RunText(runner_, k) + " - " + state);
    }
    const bool between = !running_ && !runner_.Over();
    RepeatButton->setEnabled(between && runner_.CanRepeat());
    SkipButton->setEnabled(between);
    EndButton->setEnabled(between);
    UndoButton->setEnabled(!running_ && runner_.CanUndo());
}
