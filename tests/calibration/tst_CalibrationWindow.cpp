// The calibration window: its controls, "OK" idle and during the tone, the channel choice kept
// between openings, an attenuator error leaving the window usable, the frequency chosen, and
// the readings and listening checks it saves in the calibration profile.
#include "CalibrationSupport.h"
#include "CalibrationTone.h"
#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "ScopedCalibrationStore.h"
#include "ScratchFolder.h"
#include "WholeFile.h"
#include "SharedState.h"
#include "CalibrationWindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
    const ScopedCalibrationStore calibrationStore;  // before the window, which finds the store as it is made
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
    EXPECT_EQ(form.size(), QSize(294, 580));
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

    // Tab order: the channel group, OK, the memo, Play, then the profile, the reading and the check.
    EXPECT_EQ(NextTabStop(channel2), ok);
    EXPECT_EQ(NextTabStop(ok), memo);
    EXPECT_EQ(NextTabStop(memo), play);
    EXPECT_EQ(NextTabStop(play), Control<QComboBox>("ProfileBox"));
    for (const char* name : {"ProfileBox", "NewProfile", "FrequencyBox", "ReadingEdit", "SaveReading", "OperatorEdit",
                             "ListeningCheck"}) {
        EXPECT_FALSE(Control<QWidget>(name)->accessibleName().isEmpty()) << name;
    }
    EXPECT_EQ(Control<QLineEdit>("ReadingEdit")->accessibleName(), "Meter reading (dB SPL)");
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

    QStringList messages;
    form.ShowMessage = [&messages](const QString& message) { messages << message; };
    form.PlayClick();
    EXPECT_EQ(messages, QStringList{"Attenuator level 121 dB SPL is out of range: the KC35 can set -23 to 120 dB SPL"});

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

// Zero crossings per second of one channel: twice the frequency of a tone.
double CrossingsPerSecond(const std::vector<std::int16_t>& samples)
{
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        crossings += (samples[i - 1] < 0) != (samples[i] < 0) ? 1 : 0;
    }
    return crossings * 44100.0 / static_cast<double>(samples.size());
}

TEST_F(CalibrationWindowTest, TheToneFollowsToneFOrTheFrequencyChosen)
{
    form.hide();
    form.show();  // each opening offers the condition's frequencies, ToneF shown
    auto* frequency = Control<QComboBox>("FrequencyBox");
    EXPECT_EQ(frequency->currentText(), "1000");
    EXPECT_EQ(frequency->count(), 5);  // 500 to 2000 Hz, half an octave apart
    ClickOkAfterPlays(1);
    form.PlayClick();
    ASSERT_EQ(sound.Played().size(), 1u);
    EXPECT_NEAR(CrossingsPerSecond(ChannelOf(sound.Played()[0].Samples, 0)), 2000.0, 20.0);

    form.show();
    frequency->setEditText("1414");
    EXPECT_EQ(Control<QLabel>("ToneLabel")->text(),
              "Tone 1414 Hz at 100 dB SPL on output 1 (left): the left earphone");
    okClicked = false;
    ClickOkAfterPlays(2);
    form.PlayClick();
    ASSERT_EQ(sound.Played().size(), 2u);
    EXPECT_NEAR(CrossingsPerSecond(ChannelOf(sound.Played()[1].Samples, 0)), 2828.0, 20.0);

    QStringList messages;
    form.ShowMessage = [&messages](const QString& message) { messages << message; };
    form.show();
    frequency->setEditText("30000");
    form.PlayClick();
    EXPECT_EQ(sound.Played().size(), 2u) << "nothing plays at a frequency that cannot be played";
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The frequency \"30000\" is not a number of hertz")) << messages[0].toStdString();
}

TEST_F(CalibrationWindowTest, ATypedReadingIsSavedAndTheListeningCheckRecorded)
{
    QStringList messages;
    form.ShowMessage = [&messages](const QString& message) { messages << message; };
    form.Now = [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 0)); };
    Control<QLineEdit>("OperatorEdit")->setText("Anna");
    // No profile yet: "New…" makes one, which is then the one in use.
    form.AskNewProfile = [] { return CalibrationWindow::NewProfileRequest{"Booth A: HDA 200", 180}; };
    Control<QPushButton>("NewProfile")->click();
    ASSERT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(state.Calibration.Profile, "Booth A: HDA 200");
    EXPECT_EQ(Control<QComboBox>("ProfileBox")->currentText(), "Booth A: HDA 200");
    EXPECT_TRUE(state.Calibration.Overdue) << "not calibrated yet";

    // Channel 2 is the right earphone; the meter shows 2.5 dB more than the level shown.
    Control<QRadioButton>("RadioGroup1Item1")->click();
    Control<QComboBox>("FrequencyBox")->setEditText("2000");
    Control<QLineEdit>("ReadingEdit")->setText("102.5");
    Control<QPushButton>("SaveReading")->click();
    ASSERT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(state.Calibration.Response.CorrectionDb(EarSide::Right, 2000.0f), 2.5f);
    EXPECT_FALSE(state.Calibration.Overdue);
    EXPECT_EQ(Control<QLabel>("OutcomeLabel")->text(),
              "Saved: right ear at 2000 Hz, meter 102.5 dB SPL, correction +2.5 dB.");
    EXPECT_EQ(Control<QLabel>("CorrectionsLabel")->text(), "At 2000 Hz: left not measured, right +2.5 dB");
    EXPECT_TRUE(Control<QLineEdit>("ReadingEdit")->text().isEmpty());
    const std::string file = calibrationStore.Folder() + "/booth-a-hda-200.csv";
    EXPECT_NE(ReadWholeFile(file).Text.find(",Anna,Booth A: HDA 200,reading,right,2000,100,102.5,2.5,,\n"),
              std::string::npos)
        << ReadWholeFile(file).Text;

    // A reading that cannot be right is refused and adds nothing.
    const std::string before = ReadWholeFile(file).Text;
    Control<QLineEdit>("ReadingEdit")->setText("abc");
    Control<QPushButton>("SaveReading")->click();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "The meter reading \"abc\" is not a number.");
    EXPECT_EQ(ReadWholeFile(file).Text, before);

    // The left ear 7.5 dB below the right at the same frequency is saved, with a warning.
    Control<QRadioButton>("RadioGroup1Item0")->click();
    Control<QLineEdit>("ReadingEdit")->setText("95");
    Control<QPushButton>("SaveReading")->click();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].startsWith("At 2000 Hz the left ear's correction (-5 dB) and the right ear's (+2.5 dB) "
                                       "differ by 7.5 dB"))
        << messages[1].toStdString();
    EXPECT_EQ(state.Calibration.Response.CorrectionDb(EarSide::Left, 2000.0f), -5.0f);

    // The daily listening check: one click.
    EXPECT_FALSE(state.Calibration.CheckedToday);
    Control<QPushButton>("ListeningCheck")->click();
    EXPECT_TRUE(state.Calibration.CheckedToday);
    EXPECT_EQ(Control<QLabel>("OutcomeLabel")->text(), "Listening check recorded: Anna heard both ears sound right.");
    EXPECT_NE(ReadWholeFile(file).Text.find(",Anna,Booth A: HDA 200,listening check,both,,,,,,both ears sounded right\n"),
              std::string::npos);
    EXPECT_EQ(Control<QLabel>("StandingLabel")->text().toStdString(),
              "calibrated 2026-12-07 (today; due every 180 days); listening check today by Anna");

    // Choosing no profile: uncalibrated, and nothing can be saved.
    Control<QComboBox>("ProfileBox")->setCurrentIndex(0);
    form.ProfileChosen();
    EXPECT_FALSE(state.Calibration.InUse());
    Control<QLineEdit>("ReadingEdit")->setText("100");
    Control<QPushButton>("SaveReading")->click();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[2].startsWith("Choose a calibration profile")) << messages[2].toStdString();
}

}  // namespace
