#include "Clock.h"
#include "QtEventDispatcher.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "TForm2.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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
        window.OnRunFinished = [this](const RunReport& report) { finished.push_back(report); };
        clock.Stop = [this] { window.Run().KeyDown('Q'); };
    }

    QPushButton* Button(const char* name) { return window.findChild<QPushButton*>(name); }

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
    TForm2 window{state, RunDevices{&sound, &clock, &dispatcher, nullptr}};
    QStringList messages;
    std::vector<RunReport> finished;
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
    EXPECT_EQ(window.windowTitle(), "RunPTC");
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

    EXPECT_FALSE(Button("Button1")->isVisible());
    EXPECT_TRUE(Button("Button2")->isVisible());
    EXPECT_TRUE(Button("Button2")->hasFocus());
    EXPECT_TRUE(Button("Button3")->isVisible());
    EXPECT_EQ(window.Run().ReversalCount, 1);
    EXPECT_EQ(window.Run().LevelDirection, +1);
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
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[0].contains("'/nonexistent-dir/run.dat' cannot be opened")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith("1 of the 1 stimuli")) << messages[1].toStdString();
    EXPECT_TRUE(messages[2].contains("/nonexistent-dir/run.dat")) << messages[2].toStdString();
    EXPECT_TRUE(messages[2].contains("/nonexistent-dir/run.trials.csv")) << messages[2].toStdString();
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
