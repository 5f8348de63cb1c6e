#include "Clock.h"
#include "IniFile.h"
#include "ParameterFile.h"
#include "QtEventDispatcher.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "SessionPanel.h"
#include "RunWindow.h"

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

// A run that ends by itself in 13 trials: the masker stays at MaxSPL, so the sweep starts
// after 11 trials, over three masker frequencies.
TestCondition QuickCondition()
{
    TestCondition c;
    c.StartF = 500.0f;
    c.EndF = 520.0f;
    c.FStep = 10.0f;
    c.SPLstep = 0.0f;
    c.MaskStartSPL = 80.0f;
    c.MaxSPL = 80.0f;
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
    }

    static SessionProtocol Protocol()
    {
        std::vector<UnreadableValue> unreadable;
        return ReadSessionProtocol(IniFile::FromText("[Session]\nConditions=1,2\nEars=left\nRestEvery=1\n"), 2,
                                   unreadable);
    }

    QString Memo() { return window.findChild<QPlainTextEdit*>("Memo1")->toPlainText(); }
    QString Progress() { return panel.findChild<QLabel*>("ProgressLabel")->text(); }
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
    SessionPanel panel{runner, state, window, [this](int index) { shown.push_back(index); }};
    QStringList messages;
};

}  // namespace

TEST_F(SessionPanelTest, BetweenRunsTheListenerIsOfferedTheNextRunAndTheOperatorSeesProgress)
{
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    panel.Begin();
    window.show();
    EXPECT_TRUE(Memo().startsWith("Run 1 of 2 is ready.\n\nWhen you hear the tone"))
        << Memo().toStdString();
    EXPECT_TRUE(Progress().startsWith("Run 1 of 2 (next): condition 1, left ear, up\n0 of 2 runs finished. Elapsed 0:0"))
        << Progress().toStdString();
    EXPECT_TRUE(Progress().endsWith(" left.")) << "an estimate before any run has ended";
    EXPECT_FALSE(Button(panel, "RepeatButton")->isEnabled());

    Button(window, "Button1")->click();  // START: run 1
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(shown, (std::vector<int>{0, 1}));
    EXPECT_TRUE(Memo().startsWith("Time for a rest. Run 2 of 2 is ready when you are.\n\n")) << Memo().toStdString();
    EXPECT_TRUE(Button(window, "Button1")->isVisible() && Button(window, "Button1")->hasFocus());
    EXPECT_TRUE(Progress().contains("Run 2 of 2 (next): condition 2, left ear, up\n1 of 2 runs finished"))
        << Progress().toStdString();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - measured");

    Button(panel, "RepeatButton")->click();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - to do");
    EXPECT_TRUE(Memo().startsWith("Run 1 of 2 is ready.")) << Memo().toStdString();
    Button(panel, "SkipButton")->click();
    EXPECT_EQ(Listed(0), "Run 1 of 2: condition 1, left ear, up - skipped");
    Button(panel, "EndButton")->click();
    EXPECT_TRUE(Memo().startsWith("The session is over.")) << Memo().toStdString();
    EXPECT_TRUE(Button(window, "Button3")->isVisible());
    EXPECT_FALSE(Button(panel, "SkipButton")->isEnabled());
    EXPECT_TRUE(Progress().startsWith("The operator ended the session; it continues at run 2 of 2."))
        << Progress().toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}
