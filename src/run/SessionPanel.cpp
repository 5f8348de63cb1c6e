#include "SessionPanel.h"

#include "Controls.h"
#include "RunSummary.h"
#include "SpaceProof.h"
#include "RunWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace {

QString RunText(const SessionRunner& runner, int index)
{
    const SessionRun& run = runner.Protocol().Runs.at(static_cast<std::size_t>(index));
    return QString("condition %1, %2 ear, %3")
        .arg(run.Condition)
        .arg(QString::fromStdString(EarName(run.Ear)), QString::fromStdString(DirectionName(run.SweepDirection)));
}

QString Position(const SessionRunner& runner, int index)
{
    return QString("Run %1 of %2").arg(index + 1).arg(runner.Runs());
}

}  // namespace

SessionPanel::SessionPanel(SessionRunner& runner, SharedState& state, RunWindow& runWindow,
                           std::function<void(int index)> showRun)
    : QDialog(&runWindow, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint)
    , runner_(runner)
    , state_(state)
    , runWindow_(runWindow)
    , showRun_(std::move(showRun))
{
    setObjectName("SessionPanel");
    auto* layout = new QVBoxLayout(this);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setWordWrap(true);
    ProtocolList = new QListWidget(this);
    ProtocolList->setObjectName("ProtocolList");
    ProtocolList->setAccessibleName("Session protocol");
    ProtocolList->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(ProgressLabel);
    layout->addWidget(ProtocolList);
    auto* buttons = new QHBoxLayout;
    RepeatButton = MakeButton(this, "RepeatButton", "Repeat last run", {});
    SkipButton = MakeButton(this, "SkipButton", "Skip next run", {});
    EndButton = MakeButton(this, "EndButton", "End session", {});
    for (QPushButton* button : {RepeatButton, SkipButton, EndButton}) {
        // The listener's SPACE belongs to the run window, never to the operator's buttons.
        button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
    resize(460, 360);

    connect(RepeatButton, &QPushButton::clicked, this, &SessionPanel::RepeatClick);
    connect(SkipButton, &QPushButton::clicked, this, &SessionPanel::SkipClick);
    connect(EndButton, &QPushButton::clicked, this, &SessionPanel::EndClick);
    clockTimer_ = new QTimer(this);
    connect(clockTimer_, &QTimer::timeout, this, &SessionPanel::Refresh);

    ShowMessage = [this](const QString& message) { ShowOperatorWarning(this, message); };
    previousOnFinished_ = runWindow_.OnRunFinished;
    runWindow_.OnRunStarting = [this] { RunStarting(); };
    runWindow_.OnRunFinished = [this](const RunReport& report) {
        if (previousOnFinished_) {
            previousOnFinished_(report);
        }
        RunFinished(report);
    };
}

SessionPanel::~SessionPanel()
{
    runWindow_.OnRunStarting = nullptr;
    runWindow_.OnRunFinished = previousOnFinished_;
    runWindow_.SetHeading({});
}

void SessionPanel::Begin()
{
    setWindowTitle("Session " + QString::fromStdString(runner_.Id()));
    sessionClock_.start();
    clockTimer_->start(1000);
    OfferNext();
}

void SessionPanel::OfferNext()
{
    const std::optional<int> next = runner_.Next();
    if (next) {
        try {
            showRun_(*next);
        } catch (const std::exception& error) {
            runner_.End();
            ShowMessage(QString("The set-up for %1 failed: %2\nThe session continues at this run next time.")
                            .arg(Position(runner_, *next), QString::fromStdString(error.what())));
        }
    }
    if (runner_.Over()) {
        runWindow_.ShowClosingText("The session is over. Thank you!\n\nPlease wait for the operator.");
    } else if (runner_.RestDue()) {
        runWindow_.OfferNextRun("Time for a rest. " + Position(runner_, *next) + " is ready when you are.");
    } else {
        runWindow_.OfferNextRun(Position(runner_, *next) + " is ready.");
    }
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

void SessionPanel::RunFinished(const RunReport& report)
{
    if (running_) {
        runner_.Finished(*running_, report, runClock_.elapsed());
    }
    running_.reset();
    if (RunHadProblems(report)) {
        QStringList paragraphs;
        for (const std::string& line : RunSummary(report)) {
            paragraphs << QString::fromStdString(line);
        }
        ShowMessage(paragraphs.join("\n\n"));
    }
    if (runner_.Over() && !runner_.EndReason().empty() && report.RunStatus != "measured") {
        ShowMessage(QString::fromStdString(runner_.EndReason()));
    }
    OfferNext();
}

void SessionPanel::RepeatClick()
{
    if (const Result<> repeated = runner_.Repeat(state_); !repeated) {
        ShowMessage(QString::fromStdString(repeated.Reason()));
    }
    OfferNext();
}

void SessionPanel::SkipClick()
{
    if (const Result<> skipped = runner_.Skip(state_); !skipped) {
        ShowMessage(QString::fromStdString(skipped.Reason()));
    }
    OfferNext();
}

void SessionPanel::EndClick()
{
    runner_.End();
    OfferNext();
}

void SessionPanel::Refresh()
{
    const SessionProgress progress = runner_.Progress(sessionClock_.isValid() ? sessionClock_.elapsed() : 0, state_);
    QString text;
    if (running_) {
        text = Position(runner_, *running_) + " (running): " + RunText(runner_, *running_);
    } else if (progress.Position > 0) {
        text = Position(runner_, progress.Position - 1) + " (next): " + RunText(runner_, progress.Position - 1);
    } else {
        text = QString::fromStdString(runner_.EndReason());
    }
    text += QString("\n%1 of %2 runs finished. Elapsed %3")
                .arg(progress.Finished)
                .arg(progress.Runs)
                .arg(QString::fromStdString(FormatDuration(progress.ElapsedMs)));
    if (!runner_.Over()) {
        text += ", about " + QString::fromStdString(FormatDuration(progress.LeftMs)) + " left";
    }
    ProgressLabel->setText(text + ".");

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
}
