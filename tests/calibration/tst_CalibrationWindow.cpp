// The calibration window: its controls, "OK" idle and during the tone, the channel choice kept
// between openings, and an attenuator error leaving the window usable.
#include "CalibrationSupport.h"
#include "CalibrationTone.h"
#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "ScratchFolder.h"
#include "SharedState.h"
#include "CalibrationWindow.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

// The next widget in the focus chain that the Tab key stops at.
QWidget* NextTabStop(QWidget* from)
{
    QWidget* next = from->nextInFocusChain();
    while (next != from && (next->focusPolicy() & Qt::TabFocus) == 0) {
        next = next->nextInFocusChain();
    }
    return next;
}

class CalibrationWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions.assign(1, TestCondition{});
        state.Settings.N_Cond = 1;
        form.show();
    }

    template <typename T>
    T* Control(const char* name)
    {
        T* control = form.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // Clicks "OK" once `count` sounds have been played (checked whenever events are dispatched).
    void ClickOkAfterPlays(std::size_t count)
    {
        dispatcher.OnDispatch = [this, count] {
            if (sound.Played().size() >= count && !okClicked) {
                okClicked = true;
                Control<QPushButton>("Button1")->click();
                visibleAfterOk = form.isVisible();
            }
        };
    }

    const ScratchFolder scratch;  // each repetition writes "calib.wav" in the current folder
    SharedState state;
    RecordingSoundOutput sound;
    RecordingSerialLink link;
    RecordingDispatcher dispatcher;
    Kc35Attenuator attenuator{link, dispatcher};
    CalibrationWindow form{state, sound, dispatcher, attenuator};
    bool okClicked = false;
    bool visibleAfterOk = false;
};

TEST_F(CalibrationWindowTest, ControlsAsLaidOut)
{
    EXPECT_EQ(form.windowTitle(), "Quorvex — Calibration");
    EXPECT_EQ(form.size(), QSize(294, 272));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());

    auto* group = Control<QGroupBox>("RadioGroup1");
    EXPECT_EQ(group->geometry(), QRect(8, 8, 273, 49));
    EXPECT_EQ(group->title(), "Channel");
    auto* channel1 = Control<QRadioButton>("RadioGroup1Item0");
    auto* channel2 = Control<QRadioButton>("RadioGroup1Item1");
    EXPECT_EQ(channel1->text(), "Channel 1");
    EXPECT_EQ(channel2->text(), "Channel 2");
    EXPECT_TRUE(channel1->isChecked());
    EXPECT_LT(channel1->x(), channel2->x()) << "two columns";
    EXPECT_EQ(channel1->y(), channel2->y());

    auto* memo = Control<QPlainTextEdit>("Memo1");
    EXPECT_EQ(memo->geometry(), QRect(8, 64, 273, 97));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->toPlainText(), "(1) Select Channel\n(2) Place headphone on coupler\n(3) Click PLAY\n"
                                   "(4) Adjust channel sensitivity so that\noutput equals that specified below\n"
                                   "(5) Repeat for other channel");

    auto* label = Control<QLabel>("Label1");
    EXPECT_EQ(label->pos(), QPoint(8, 176));
    EXPECT_EQ(label->font().pixelSize(), 32);
    auto* play = Control<QPushButton>("Button2");
    auto* ok = Control<QPushButton>("Button1");
    EXPECT_EQ(play->geometry(), QRect(208, 168, 75, 25));
    EXPECT_EQ(ok->geometry(), QRect(208, 200, 75, 25));
    EXPECT_EQ(play->text(), "Play");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(play->isEnabled());

    for (QWidget* control : std::initializer_list<QWidget*>{group, channel1, channel2, memo, play, ok}) {
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    }
    EXPECT_EQ(group->accessibleName(), "Channel");
    EXPECT_EQ(play->accessibleName(), "Play");
    EXPECT_EQ(ok->accessibleName(), "OK");

    // Tab order: the channel group, OK, the memo, Play.
    EXPECT_EQ(NextTabStop(channel2), ok);
    EXPECT_EQ(NextTabStop(ok), memo);
    EXPECT_EQ(NextTabStop(memo), play);
}

TEST_F(CalibrationWindowTest, LevelLabelShowsTheWholeTextItIsGiven)
{
    form.SetLevelText("100 dB SPL");
    auto* label = Control<QLabel>("Label1");
    EXPECT_EQ(label->text(), "100 dB SPL");
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance("100 dB SPL"));
    EXPECT_LE(label->geometry().right(), Control<QPushButton>("Button2")->x());
    // A screen reader hears the level, not only what the label is for.
    EXPECT_EQ(label->accessibleName(), "Calibration level 100 dB SPL");
    form.SetLevelText("90 dB SPL");
    EXPECT_EQ(label->text(), "90 dB SPL");
    EXPECT_EQ(label->accessibleName(), "Calibration level 90 dB SPL");
}

TEST_F(CalibrationWindowTest, OkWhileIdleClosesAtOnce)
{
    Control<QPushButton>("Button1")->click();

    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), 1);
    EXPECT_TRUE(sound.Played().empty());
}

TEST_F(CalibrationWindowTest, OkWhilePlayingEndsAfterTheCurrentRepetitionAndClosesWhenPlayReturns)
{
    ClickOkAfterPlays(2);

    form.PlayClick();

    EXPECT_TRUE(okClicked);
    EXPECT_TRUE(visibleAfterOk) << "the window waits for the tone to stop";
    EXPECT_EQ(sound.Played().size(), 2u);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), 1);

    // Opened again, "Play" starts with a cleared stop flag.
    form.show();
    okClicked = false;
    ClickOkAfterPlays(5);
    form.PlayClick();
    EXPECT_EQ(sound.Played().size(), 5u);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(CalibrationWindowTest, RepetitionsPlayedWithADropoutAreReported)
{
    QStringList messages;
    form.ShowMessage = [&messages](const QString& message) { messages << message; };
    ClickOkAfterPlays(1);
    form.PlayClick();
    EXPECT_TRUE(messages.isEmpty());
    form.show();
    okClicked = false;
    sound.ReportDropouts(true);
    ClickOkAfterPlays(3);
    form.PlayClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("2 repetitions of the calibration tone were played with a dropout"))
        << messages[0].toStdString();
}

TEST_F(CalibrationWindowTest, ClosingTheWindowDuringTheToneStopsIt)
{
    dispatcher.OnDispatch = [this] {
        if (sound.Played().size() == 3) {
            form.reject();
        }
    };

    form.PlayClick();

    EXPECT_EQ(sound.Played().size(), 3u);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(CalibrationWindowTest, ChannelChosenDuringTheToneMovesItAndStaysChosenNextTime)
{
    dispatcher.OnDispatch = [this] {
        if (sound.Played().size() == 1) {
            Control<QRadioButton>("RadioGroup1Item1")->click();
        } else if (sound.Played().size() == 2) {
            Control<QPushButton>("Button1")->click();
        }
    };

    form.PlayClick();

    ASSERT_EQ(sound.Played().size(), 2u);
    EXPECT_EQ(SoundingChannel(sound.Played()[0].Samples), 0);
    EXPECT_EQ(SoundingChannel(sound.Played()[1].Samples), 1);

    form.show();
    EXPECT_TRUE(Control<QRadioButton>("RadioGroup1Item1")->isChecked());
    okClicked = false;
    ClickOkAfterPlays(3);
    form.PlayClick();
    EXPECT_EQ(SoundingChannel(sound.Played()[2].Samples), 1);
}

TEST_F(CalibrationWindowTest, RangeErrorLeavesTheWindowOpenAndUsable)
{
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.Settings.CalibFactor = 121.0f;

    EXPECT_THROW(form.PlayClick(), AttenuatorLevelError);

    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(link.Transcript(), "[I82][K82]");
    EXPECT_TRUE(sound.Played().empty());

    state.Settings.CalibFactor = 100.0f;
    ClickOkAfterPlays(1);
    form.PlayClick();
    EXPECT_EQ(link.Transcript(), "[I82][K82][I82][K82][I14]");
    EXPECT_EQ(sound.Played().size(), 1u);
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
