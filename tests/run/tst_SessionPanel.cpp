#include "Clock.h"
#include "IniFile.h"
#include "ListenerTexts.h"
#include "ParameterFile.h"
#include "QtEventDispatcher.h"
#include "RecordingSoundOutput.h"
#include "ResultsFileBlocks.h"
#include "RunWindow.h"
#include "ScratchFolder.h"
#include "SessionPanel.h"
#include "SessionPlaces.h"
#include "SessionTime.h"
#include "WholeFile.h"

#include <QApplication>
#include <QKeyEvent>

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// A run that ends by itself in 13 trials: the masker stays at MaxSPL, so the sweep starts
// after 11 trials, over three masker frequencies. The tone is loud enough to keep the output's
// bits, so a run has nothing for the operator to look at.
TestCondition QuickCondition()
{
    TestCondition c;
    c.ToneSPL = 90.0f;
    c.StartF = 500.0f;
    c.EndF = 520.0f;
    c.FStep = 10.0f;
    c.SPLstep = 0.0f;
    c.MaskStartSPL = 86.0f;
    c.MaxSPL = 86.0f;
    return c;
}

class SessionPanelTest : public testing::Test {
protected:
    SessionPanelTest()
    {
        state.Conditions = {QuickCondition(), QuickCondition()};
        state.Settings.N_Cond = 2;
        state.SubjectName = "P1";
        state.ResultsFileName = "P1.dat";
        window.ShowMessage = [this](const QString& message) { messages << message; };
        panel.ShowMessage = window.ShowMessage;
        panel.Confirm = [this](const QString& question) {
            questions << question;
            return true;
        };
        panel.AskAfterProblems = [this](const QString& summary) {
            messages << summary;
            return SessionPanel::AfterProblems::GoOn;
        };
    }

    static SessionProtocol Protocol()
    {
        std::vector<UnreadableValue> unreadable;
        return ReadSessionProtocol(IniFile::FromText("[Session]\nConditions=1,2\nEars=left\nRestEvery=1\n"), std::vector<TestCondition>(2),
                                   unreadable);
    }

    QString Memo() { return window.findChild<QPlainTextEdit*>("Memo1")->toPlainText(); }
    QString Progress() { return panel.findChild<QLabel*>("ProgressLabel")->text(); }
    QString Summaries() { return panel.findChild<QPlainTextEdit*>("SummaryView")->toPlainText(); }
    QString Listed(int row) { return panel.findChild<QListWidget*>("ProtocolList")->item(row)->text(); }
    QPushButton* Button(QWidget& owner, const char* name) { return owner.findChild<QPushButton*>(name); }

    const ScratchFolder scratch;
    SharedState state;
    RecordingSoundOutput sound;
    VirtualClock clock;
    QtEventDispatcher dispatcher;
    RunWindow window{state, RunDevices{&sound, &clock, &dispatcher, nullptr}};
    SessionRunner runner{Protocol(), PlanSession(Protocol(), {}, {}), "P1", "P1.dat"};
    std::vector<int> shown;  // the runs the set-up window was told to show
    std::string showFailure;  // the set-up window's failure to show a run, when not empty
    SessionPanel panel{runner, state, window, [this](int index) -> Result<> {
        shown.push_back(index);
        if (!showFailure.empty()) {
            return Failure{showFailure};
        }
        return {};
    }};
    QStringList messages;
    QStringList questions;  // what the operator was asked to confirm
};

// The listener's SPACE on START, as the window system delivers it: `stamp` is its time.
void Space(RunWindow& window, QEvent::Type type, bool autoRepeat, ulong stamp)
{
    QKeyEvent key(type, Qt::Key_Space, Qt::NoModifier, " ", autoRepeat);
    key.setTimestamp(stamp);
    QCoreApplication::sendEvent(window.findChild<QPushButton*>("Button1"), &key);
    QApplication::processEvents();
}

}  // namespace

TEST_F(SessionPanelTest, BetweenRunsTheListenerIsOfferedTheNextRunAndTheOperatorSeesProgress)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Begin();
    window.show();
    EXPECT_EQ(panel.windowTitle(), "Quorvex — Session: P1");
    EXPECT_TRUE(Memo().startsWith("Run 1 of 2 is ready.\n\nWhen you hear the tone"))
        << Memo().toStdString();
    EXPECT_TRUE(Progress().startsWith(
        "Run 1 of 2 (next): condition 1, left ear, up\n0 of 2 runs measured, 0 skipped, 2 to do. Elapsed 0:0"))
        << Progress().toStdString();
    EXPECT_TRUE(Progress().endsWith(" left.")) << "an estimate before any run has ended";
    EXPECT_FALSE(Button(panel, "RepeatButton")->isEnabled());

    Button(window, "Button1")->click();  // START: run 1
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(shown, (std::vector<int>{0, 1}));
    EXPECT_TRUE(Memo().startsWith("Time for a rest. Run 2 of 2 is ready when you are.\n\n")) << Memo().toStdString();
    EXPECT_TRUE(Button(window, "Button1")->isVisible() && Button(window, "Button1")->hasFocus());
    EXPECT_TRUE(Progress().contains("Run 2 of 2 (next): condition 2, left ear, up\n1 of 2 runs measured"))
        << Progress().toStdString();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - measured");
    EXPECT_TRUE(Summaries().startsWith("Run 1 of 2: condition 1, left ear, up - measured\nPoints stored: "))
        << Summaries().toStdString();
    EXPECT_TRUE(Summaries().contains("\nDropouts: none.\n")) << Summaries().toStdString();
    EXPECT_TRUE(Summaries().contains("\nQuality flags: ")) << Summaries().toStdString();

    Button(panel, "RepeatButton")->click();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - to do");
    EXPECT_TRUE(Memo().startsWith("Run 1 of 2 is ready.")) << Memo().toStdString();
    Button(panel, "SkipButton")->click();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - skipped");
    ASSERT_EQ(questions.size(), 2) << "Repeat and Skip each asked first";
    EXPECT_TRUE(questions[1].startsWith("Skip Run 1 of 2 (condition 1, left ear, up)?")) << questions[1].toStdString();
    EXPECT_TRUE(Progress().contains("0 of 2 runs measured, 1 skipped, 1 to do.")) << Progress().toStdString();
    Button(panel, "EndButton")->click();
    EXPECT_TRUE(Memo().startsWith("The session is over.")) << Memo().toStdString();
    EXPECT_TRUE(Button(window, "Button3")->isVisible());
    EXPECT_FALSE(Button(panel, "SkipButton")->isEnabled());
    EXPECT_TRUE(Progress().startsWith("The operator ended the session; it continues at run 2 of 2."))
        << Progress().toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(SessionPanelTest, ARunTheSetUpWindowCannotShowEndsTheSessionWithTheReason)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    showFailure = "Cannot write to the serial port /dev/ttyS0: Input/output error (error code: 5)";
    panel.Begin();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].toStdString(), "The set-up for Run 1 of 2 failed: " + showFailure
                                             + "\nThe session continues at this run next time.");
    EXPECT_TRUE(runner.Over());
    EXPECT_TRUE(Memo().startsWith("The session is over.")) << Memo().toStdString();
}

TEST_F(SessionPanelTest, TheListenersHeldSpaceDoesNotStartTheNextRun)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Begin();
    window.show();
    Button(window, "Button1")->click();  // run 1
    ASSERT_TRUE(Memo().startsWith("Time for a rest. Run 2 of 2")) << Memo().toStdString();

    // SPACE still held from run 1: marked repeats, and a repeat X11 could not mark (a release
    // and a press at the same time), then the listener lets go, long after the screen appeared.
    clock.Advance(5000);
    Space(window, QEvent::KeyPress, true, 100);
    Space(window, QEvent::KeyRelease, false, 130);
    Space(window, QEvent::KeyPress, false, 130);
    Space(window, QEvent::KeyRelease, false, 160);
    EXPECT_EQ(runner.State(1), SessionRunState::Pending);
    EXPECT_TRUE(Button(window, "Button1")->isVisible()) << "run 2 has not started";

    // A new press starts it, but not within a second of the ready screen.
    Button(panel, "RepeatButton")->click();  // the ready screen shows anew
    Space(window, QEvent::KeyPress, false, 200);
    Space(window, QEvent::KeyRelease, false, 300);
    EXPECT_EQ(runner.State(0), SessionRunState::Pending) << "run 1 again, not yet started";
    clock.Advance(FreshPressGate::ReadyMs);
    Space(window, QEvent::KeyPress, false, 1400);
    EXPECT_EQ(runner.State(0), SessionRunState::Measured) << "the press started the run";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

// The operator takes back a Repeat and then a Skip: the run is measured, and the next to do,
// as before each mark, in the panel and in what the record says to a later resume.
TEST_F(SessionPanelTest, TheLastMarkCanBeUndone)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Confirm = [](const QString&) { return true; };
    panel.Begin();
    window.show();
    Button(window, "Button1")->click();  // run 1
    EXPECT_FALSE(Button(panel, "UndoButton")->isEnabled());
    Button(panel, "RepeatButton")->click();
    EXPECT_EQ(runner.State(0), SessionRunState::Pending);
    ASSERT_TRUE(Button(panel, "UndoButton")->isEnabled());
    Button(panel, "UndoButton")->click();
    EXPECT_EQ(runner.State(0), SessionRunState::Measured);
    EXPECT_FALSE(Button(panel, "UndoButton")->isEnabled()) << "one mark is taken back, not the one before";

    Button(panel, "SkipButton")->click();
    EXPECT_EQ(runner.State(1), SessionRunState::Skipped);
    Button(panel, "UndoButton")->click();
    EXPECT_EQ(runner.State(1), SessionRunState::Pending);
    clock.Advance(FreshPressGate::ReadyMs);
    Button(window, "Button1")->click();  // run 2
    EXPECT_EQ(runner.State(1), SessionRunState::Measured);
    EXPECT_EQ(ReadResultsBlocks(ReadWholeFile("P1.dat").Text).size(), 2u)
        << "the skip's mark, taken back, is no run whose block the results file lacks";

    const SessionRunner later(Protocol(), PlanSession(Protocol(), {}, {}), "P1", "P1.dat");
    EXPECT_FALSE(later.Unfinished()) << "both runs measured";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(SessionPanelTest, ARunWithProblemsWaitsForTheOperatorAndItsSummaryStays)
{
    sound.ReportDropouts(true);
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Begin();
    window.show();
    QString asked;
    QString listenerRead;
    panel.AskAfterProblems = [&](const QString& summary) {
        asked = summary;
        listenerRead = Memo();
        return SessionPanel::AfterProblems::Repeat;
    };
    Button(window, "Button1")->click();
    EXPECT_TRUE(asked.contains("played with a dropout")) << asked.toStdString();
    EXPECT_EQ(listenerRead, QString::fromStdString(WaitText()));
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - to do") << "repeated, as the operator chose";
    EXPECT_TRUE(Memo().startsWith("Run 1 of 2 is ready.")) << Memo().toStdString();
    EXPECT_TRUE(Summaries().contains("played with a dropout")) << Summaries().toStdString();
}

TEST_F(SessionPanelTest, AContinuedSessionKeepsItsCountsAndElapsedTime)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Begin();
    window.show();
    Button(window, "Button1")->click();  // run 1 measured
    Button(panel, "EndButton")->click();
    const std::int64_t recorded = RecordedSessionMs("P1.dat", runner.Id());
    EXPECT_EQ(recorded, 1000 + 13 * (600 + 200)) << "the pause and 13 trials of a masker and an ISI";

    SessionRunner later(Protocol(), PlanSession(Protocol(), {}, {}), "P1", "P1.dat");
    ASSERT_TRUE(later.Unfinished().has_value());
    later.Continue();
    ASSERT_TRUE(later.Skip(state));
    SessionPanel again(later, state, window, [](int) { return Result<>(); });
    again.Begin();
    const QString progress = again.findChild<QLabel*>("ProgressLabel")->text();
    EXPECT_TRUE(progress.contains("1 of 2 runs measured, 1 skipped, 0 to do. Elapsed 0:1")) << progress.toStdString();
}

TEST(SessionPlaces, TheRunWindowNeverCoversThePanel)
{
    const QRect screen(0, 0, 1920, 1080);
    const SessionPlaces one = PlaceSessionWindows(screen, screen, 460);
    EXPECT_FALSE(one.Maximised);
    EXPECT_FALSE(one.RunWindow.intersects(one.Panel));
    EXPECT_TRUE(screen.contains(one.Panel) && screen.contains(one.RunWindow));
    const QRect second(1920, 0, 1280, 1024);
    const SessionPlaces two = PlaceSessionWindows(screen, second, 460);
    EXPECT_TRUE(two.Maximised);
    EXPECT_EQ(two.RunWindow, second);
    EXPECT_TRUE(screen.contains(two.Panel));
}
