#include "Clock.h"
#include "QtEventDispatcher.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "RunWindow.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

namespace {

// A clock that never waits and can act at its n-th pause (the first is the pause before the
// first trial, the second the pause after it).
class HookedClock final : public Clock {
public:
    std::uint32_t NowMs() override { return now_; }
    void Delay(std::uint32_t ms) override
    {
        now_ += ms;
        ++delays_;
        if (OnDelay) {
            OnDelay(delays_);
        }
        if (delays_ == SafetyPauseLimit) {  // a test that forgot to stop its run fails, not hangs
            ADD_FAILURE() << "the run was still going after " << SafetyPauseLimit << " pauses";
            if (Stop) {
                Stop();
            }
        }
    }
    std::function<void(int)> OnDelay;
    std::function<void()> Stop;
    static constexpr int SafetyPauseLimit = 2000;

private:
    std::uint32_t now_ = 0;
    int delays_ = 0;
};

class RunWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions.resize(1);
        state.ResultsFileName = "run.dat";
        window.ShowMessage = [this](const QString& message) { messages << message; };
        window.OnRunFinished = [this](const RunOutcome& report) { finished.push_back(report); };
        clock.Stop = [this] { window.Run().KeyDown('Q'); };
    }

    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }
    QString Memo() { return window.findChild<QPlainTextEdit*>("Memo1")->toPlainText(); }

    // Queues a key event on the SPACE-bar button, as the keyboard would while a sound plays.
    void Queue(QEvent::Type type, int key, bool autoRepeat = false)
    {
        QCoreApplication::postEvent(Button("Button2"), new QKeyEvent(type, key, Qt::NoModifier, QString(), autoRepeat));
    }

    // A stop key pressed while the first stimulus plays (or fails to play).
    void StopDuringTheFirstTrial()
    {
        clock.OnDelay = [this](int pause) {
            if (pause == 2) {
                Queue(QEvent::KeyPress, Qt::Key_Q);
            }
        };
    }

    const ScratchFolder scratch;  // the run writes "test.out" and the results file here
    SharedState state;
    RecordingSoundOutput sound;
    HookedClock clock;
    QtEventDispatcher dispatcher;
    RunWindow window{state, RunDevices{&sound, &clock, &dispatcher, nullptr}};
    QStringList messages;
    std::vector<RunOutcome> finished;
};

}  // namespace

TEST_F(RunWindowTest, ShowingTheWindowOffersStartOnlyAndClearsTheResults)
{
    state.Results.Record(1.0f, 2.0f);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    EXPECT_TRUE(Button("Button1")->isVisible());
    EXPECT_TRUE(Button("Button1")->hasFocus()) << "a SPACE press starts the run";
    EXPECT_FALSE(Button("Button2")->isVisible());
    EXPECT_FALSE(Button("Button3")->isVisible());
    EXPECT_EQ(state.Results.ResultCount(), 0);
    EXPECT_EQ(window.findChild<QWidget*>("Memo1")->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(window.windowTitle(), "Quorvex — Run");
}

TEST_F(RunWindowTest, AutoRepeatCountsOnceAndAnotherKeyStopsTheRunAndShowsExit)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    // The listener's keys arrive while the first stimulus plays.
    sound.SetObserver([this](const PlayedSound&) {
        if (sound.Played().size() != 1) {
            return;
        }
        Queue(QEvent::KeyPress, Qt::Key_Space);
        for (int i = 0; i < 5; ++i) {  // holding SPACE: the keyboard repeats release + press
            Queue(QEvent::KeyRelease, Qt::Key_Space, true);
            Queue(QEvent::KeyPress, Qt::Key_Space, true);
        }
        Queue(QEvent::KeyPress, Qt::Key_Shift);
    });
    Button("Button1")->click();

    // The run has ended: the thanks stand where the SPACE-bar button was, EXIT has the focus.
    EXPECT_FALSE(Button("Button1")->isVisible());
    EXPECT_FALSE(Button("Button2")->isVisible());
    EXPECT_TRUE(window.findChild<QWidget*>("FinishedLabel")->isVisible());
    EXPECT_TRUE(Button("Button3")->isVisible());
    EXPECT_TRUE(Button("Button3")->hasFocus());
    EXPECT_EQ(window.Run().ReversalCount(), 1);
    EXPECT_EQ(window.Run().LevelDirection(), +1);
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].Trials, 1) << "the run ends after the trial in which the key came";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(RunWindowTest, ARunEndsWithItsProblemsReported)
{
    sound.FailWith(SoundFailure::CannotOpen);
    state.ResultsFileName = "/nonexistent-dir/run.dat";
    window.show();
    StopDuringTheFirstTrial();
    testing::internal::CaptureStderr();
    Button("Button1")->click();
    testing::internal::GetCapturedStderr();
    // Told as the run starts, and again in the summary when it has ended.
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("'/nonexistent-dir/run.dat' cannot be opened")) << messages[0].toStdString();
    const QString summary = Memo();
    EXPECT_TRUE(summary.startsWith("Points stored: 0, from 1 trials.")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("\n1 of the 1 stimuli")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("Files written: test.out.")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("/nonexistent-dir/run.dat")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("/nonexistent-dir/run.trials.csv")) << summary.toStdString();
    EXPECT_TRUE(window.findChild<QWidget*>("FinishedLabel")->isVisible());
    EXPECT_FALSE(Button("Button2")->isVisible());
    EXPECT_TRUE(Button("Button3")->hasFocus() || !window.isActiveWindow());
}

TEST_F(RunWindowTest, StimuliPlayedWithADropoutAreNamedAtTheEnd)
{
    sound.ReportDropouts(true);
    window.show();
    clock.OnDelay = [this](int pause) {
        if (pause == 3) {
            Queue(QEvent::KeyPress, Qt::Key_Q);
        }
    };
    Button("Button1")->click();
    EXPECT_TRUE(messages.isEmpty());
    const QString summary = Memo();
    EXPECT_TRUE(summary.contains("\n2 of the 2 stimuli of this run were played with a dropout")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("(trials 1, 2)")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("Files written: test.out, run.dat, run.csv, run.trials.csv.")) << summary.toStdString();
}

// The listener still holds SPACE when the run ends, and the keyboard repeats it into whatever
// has the focus then. X11 marks a repeat by peeking at the next event, so not every repeat
// arrives marked: the stream mixes both kinds and ends with the key's release.
TEST_F(RunWindowTest, TheRunEndSummarySurvivesAHeldSpace)
{
    sound.ReportDropouts(true);
    RunWindow own(state, RunDevices{&sound, &clock, &dispatcher, nullptr});  // the operator's own message boxes
    own.show();
    QApplication::setActiveWindow(&own);
    clock.Stop = [&own] { own.Run().KeyDown('Q'); };
    clock.OnDelay = [&own](int pause) {
        if (pause == 3) {
            QCoreApplication::postEvent(own.findChild<QPushButton*>("Button2"),
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier));
        }
    };
    const auto shownToTheOperator = [&own] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (window->isVisible() && box != nullptr && box->text().contains("dropout")) {
                return true;
            }
        }
        const auto* memo = own.findChild<QPlainTextEdit*>("Memo1");
        return own.isVisible() && memo->isVisible() && memo->toPlainText().contains("dropout");
    };
    QTimer keyboard;
    int repeats = 0;
    std::optional<bool> survived;
    QObject::connect(&keyboard, &QTimer::timeout, [&] {
        QWidget* window = QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget() : &own;
        QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window;
        const auto send = [focus](QEvent::Type type, bool autoRepeat) {
            QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, " ", autoRepeat);
            QCoreApplication::sendEvent(focus, &key);
        };
        if (repeats < 30) {
            const bool marked = repeats % 3 != 0;
            send(QEvent::KeyRelease, marked);
            send(QEvent::KeyPress, marked);
        } else if (repeats == 30) {
            send(QEvent::KeyRelease, false);
        } else {
            survived = shownToTheOperator();
            keyboard.stop();
            if (QWidget* box = QApplication::activeModalWidget()) {
                box->close();  // a box that survived, so that the run can end
            }
        }
        ++repeats;
    });
    own.OnRunFinished = [&keyboard](const RunOutcome&) { keyboard.start(1); };
    own.findChild<QPushButton*>("Button1")->click();
    ASSERT_TRUE(QTest::qWaitFor([&survived] { return survived.has_value(); }, 10000));
    EXPECT_TRUE(*survived) << "the held SPACE dismissed the summary";
    EXPECT_TRUE(own.isVisible());
    const auto* finished = own.findChild<QLabel*>("FinishedLabel");
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(finished->text(), "Finished\u00A0\u2014 thank\u00A0you") << "\"thank you\" stays on one line";
    EXPECT_TRUE(finished->isVisible());
}

TEST_F(RunWindowTest, ExitClosesWithResultOne)
{
    window.show();
    StopDuringTheFirstTrial();
    Button("Button1")->click();
    Button("Button3")->click();
    EXPECT_EQ(window.result(), 1);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(RunWindowTest, ExitClickedDuringARunWithProblemsLeavesTheSummaryOpen)
{
    sound.ReportDropouts(true);
    window.show();
    clock.OnDelay = [this](int pause) {
        if (pause == 3) {
            Queue(QEvent::KeyPress, Qt::Key_Q);
            Button("Button3")->click();  // while the run is still going
        }
    };
    Button("Button1")->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(Memo().contains("dropout")) << Memo().toStdString();
}

TEST_F(RunWindowTest, EscapeBeforeStartLeavesTheWindowOpenWithStartReady)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    QTest::keyClick(Button("Button1"), Qt::Key_Escape);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(Button("Button1")->isVisible() && Button("Button1")->isEnabled());
    EXPECT_TRUE(finished.empty());
    window.close();  // the close box still closes it
    EXPECT_FALSE(window.isVisible());
}

namespace {

// The design: a 976 x 771 window with a 625 x 233 memo 64 from the top, and the START and
// SPACE-bar buttons centred below it, EXIT to their right. The memo stands centred.
constexpr int DesignMargins = 976 - 625;
constexpr int DesignBottomMargin = 771 - 64 - 233;

void ExpectMemoAnchoredAndButtonsBelowIt(QDialog& window)
{
    const QRect memo = window.findChild<QWidget*>("Memo1")->geometry();
    EXPECT_EQ(memo.top(), 64);
    EXPECT_EQ(window.width() - memo.width(), DesignMargins) << window.width();
    EXPECT_LE(std::abs(memo.left() - (window.width() - memo.right() - 1)), 1) << "centred";
    EXPECT_EQ(window.height() - memo.bottom() - 1, DesignBottomMargin) << window.height();
    const QRect start = window.findChild<QWidget*>("Button1")->geometry();
    const QRect spaceBar = window.findChild<QWidget*>("Button2")->geometry();
    const QRect exit = window.findChild<QWidget*>("Button3")->geometry();
    EXPECT_EQ(spaceBar.size(), QSize(385, 177));
    EXPECT_EQ(spaceBar.center().x(), memo.center().x());
    EXPECT_EQ(spaceBar.top(), memo.bottom() + 16);
    EXPECT_EQ(start, spaceBar);
    EXPECT_EQ(exit, QRect(spaceBar.right() + 16, start.top(), 193, 177));
}

}  // namespace

TEST_F(RunWindowTest, TheMemoGrowsWithTheWindowAndTheButtonsStayCentredBelowIt)
{
    window.show();
    window.setWindowState(Qt::WindowNoState);
    for (const QSize size : {QSize(976, 771), QSize(1500, 1000)}) {
        window.resize(size);
        QApplication::processEvents();
        ExpectMemoAnchoredAndButtonsBelowIt(window);
    }
}

// Runs in its own test process on a 1920 x 1080 screen (see CMakeLists.txt).
TEST_F(RunWindowTest, MaximisedOnAFullHdScreenTheMemoShowsEveryLine)
{
    const QSize screen = QApplication::primaryScreen()->size();
    if (screen.width() < 1920 || screen.height() < 1080) {
        GTEST_SKIP() << "needs a screen of 1920 x 1080";
    }
    window.show();
    QApplication::processEvents();
    ASSERT_TRUE(window.isMaximized());
    ExpectMemoAnchoredAndButtonsBelowIt(window);
    auto* memo = window.findChild<QPlainTextEdit*>("Memo1");
    EXPECT_GT(memo->width(), 1500);
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0) << "a line of the instructions is hidden";
}

// A threshold run in the same window: START, the listener's SPACE held while the tone is at
// 30 dB SPL or above, and the threshold in the summary; the results file stays untouched.
TEST_F(RunWindowTest, AThresholdRunTracksTheToneAloneAndShowsTheThreshold)
{
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    window.Run().Kind = RunKind::Threshold;
    bool holding = false;
    sound.SetObserver([&](const PlayedSound&) {
        const bool heard = state.RunToneSPL >= 30.0f;
        if (heard != holding) {
            Queue(heard ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Space);
            holding = heard;
        }
    });
    Button("Button1")->click();

    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0].Reversals, (std::vector<float>{28, 30, 28, 30, 28, 30, 28, 30}));
    EXPECT_EQ(finished[0].Trials, 14) << "40 down to 28 (7 trials), then a reversal a trial";
    const QString summary = Memo();
    EXPECT_TRUE(summary.startsWith("Threshold: 29.0 dB SPL (SD 1.1 dB over the last 6 of 8 reversals, from 14 trials)."))
        << summary.toStdString();
    EXPECT_FALSE(summary.contains("Points stored")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("Files written: test.out, run.csv, run.trials.csv.")) << summary.toStdString();
    EXPECT_FALSE(QFile::exists("run.dat"));
    EXPECT_TRUE(Button("Button3")->hasFocus());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}
