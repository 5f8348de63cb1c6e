#include "CalibrationReading.h"
#include "CalibrationStore.h"
#include "Clock.h"
#include "ListenerDetailsDialog.h"
#include "QtEventDispatcher.h"
#include "RecordedRuns.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "ScopedCalibrationStore.h"
#include "ScratchFolder.h"
#include "SessionFiles.h"
#include "SetupWindow.h"
#include "TerminationSignals.h"
#include "Version.h"

#include <QApplication>
#include <QChartView>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QLocale>
#include <QTest>
#include <QTimer>
#include <QDialog>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace {

// A recording output that names its device, as the real one does.
class NamedSoundOutput : public RecordingSoundOutput {
public:
    std::string DescribeDevice() override { return "\"system\" of JACK Audio Connection Kit (device 4)"; }
};

class SetupWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<SetupWindow>(SetupWindowDevices{&clock, &dispatcher, &link, &sound});
        form->ChooseParameterFile = [this]() -> std::optional<QString> { return chosenFile; };
        form->ShowMessage = [this](const QString& message) { messages << message; };
    }

    template <typename T = QWidget>
    T* Control(const char* name)
    {
        auto* control = form->findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    QString Text(const char* edit) { return Control<QLineEdit>(edit)->text(); }

    void Load(const std::string& contents)
    {
        const auto path = scratch.Path("PTC.INI");
        std::ofstream(path, std::ios::binary) << contents;
        chosenFile = QString::fromStdString(path.string());
        form->ParamButtonClick();
    }

    const ScratchFolder scratch;  // "Tone" and runs write their files in the current folder
    const ScopedCalibrationStore calibrationStore;
    VirtualClock clock;
    QtEventDispatcher dispatcher;
    RecordingSerialLink link;
    NamedSoundOutput sound;
    std::unique_ptr<SetupWindow> form;
    QStringList messages;
    std::optional<QString> chosenFile;
};

const char* const ParameterControls[] = {"ToneFreqEdit", "StartFreqEdit", "EndFreqEdit", "FreqStepEdit",
                                         "MaskerBWEdit", "SPLstepEdit",   "MaxMaskerEdit", "Button1",
                                         "Button2",      "TrackBar1",     "Calibrate",    "TonePlay",
                                         "RunPTC"};

}  // namespace

TEST_F(SetupWindowTest, StartsWithTheTabledControlsAndState)
{
    const SharedState& s = form->State();
    EXPECT_EQ(s.Ear, EarSide::Right);
    EXPECT_EQ(s.SweepDirection, Sweep::Up);
    EXPECT_EQ(s.Settings.Attenuator, AttenuatorMode::Software);
    EXPECT_EQ(s.Settings.CalibFactor, 100.0f);
    EXPECT_EQ(s.ResultsFileName, "default.dat");
    EXPECT_TRUE(s.SubjectName.empty());
    EXPECT_EQ(form->windowTitle(), "Quorvex — Set-up");

    for (const char* name : ParameterControls) {
        EXPECT_FALSE(Control(name)->isEnabled()) << name;
    }
    for (const char* name : {"GraphPTC", "SerialPort", "InitKC35"}) {
        EXPECT_FALSE(Control(name)->isEnabled()) << name;
    }
    for (const char* name : {"ParamButton", "SubjectEdit", "ResFileEdit", "RadioGroup1", "RadioGroup2"}) {
        EXPECT_TRUE(Control(name)->isEnabled()) << name;
    }
    EXPECT_EQ(Text("StartFreqEdit"), "");
    EXPECT_EQ(Text("MaxMaskerEdit"), "");
    EXPECT_TRUE(Control("HintLabel")->isVisibleTo(form.get()));
    EXPECT_EQ(Control<QLabel>("HintLabel")->text().simplified(), "Load a test-condition file with Parameters");
    EXPECT_EQ(Control<QLabel>("ConditionLabel")->text(), "");
    EXPECT_EQ(Text("ResFileEdit"), "default");
    EXPECT_EQ(Control<QLabel>("Label6")->text(), "dB SPL");
    // The tabled layout, its edit column moved right as far as this font's widest label needs.
    int widest = Control<QLabel>("ConditionLabel")->fontMetrics().horizontalAdvance("Condition 10000 of 10000");
    for (const char* label : {"Label10", "Label7", "Label8", "Label9", "Label1", "Label2", "Label3"}) {
        widest = std::max(widest, Control<QLabel>(label)->sizeHint().width());
    }
    const int shift = std::max(0, widest + 4 - 112);
    EXPECT_EQ(Control("StartFreqEdit")->geometry(), QRect(112 + shift, 24, 121, 21));
    EXPECT_EQ(Control("RunPTC")->geometry(), QRect(16, 312, 217 + shift, 33));
    EXPECT_EQ(Control("TrackBar1")->geometry(), QRect(0, 224, 238 + shift, 45));
    EXPECT_EQ(Control("RadioGroup2")->geometry(), QRect(272 + shift, 168, 217, 49));
    // The designer's 395 pixels and the calibration profile's row below them.
    EXPECT_EQ(Control("ClientArea")->size(), QSize(502 + shift, 447));
    EXPECT_EQ(Control("CalibrationProfileBox")->geometry(), QRect(16, 418, 217 + shift, 24));
    EXPECT_EQ(Control("StartFreqEdit")->accessibleName(), "Start frequency (Hz)");
    EXPECT_EQ(Control("RunPTC")->accessibleName(), "Run PTC");
    EXPECT_EQ(Control("TrackBar1")->accessibleName(), "Tone level");
}

TEST_F(SetupWindowTest, TabOrderFollowsTheTable)
{
    const char* order[] = {"TrackBar1", "TonePlay", "RunPTC", "GraphPTC", "StartFreqEdit", "EndFreqEdit",
                           "FreqStepEdit", "ToneFreqEdit", "MaskerBWEdit", "SerialPort", "InitKC35", "Calibrate",
                           "SPLstepEdit", "MaxMaskerEdit", "ParamButton", "Button1", "Button2", "RadioGroup1"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        // A radio group takes the focus on one of its buttons.
        QWidget* next = Control(order[i])->nextInFocusChain();
        QWidget* expected = Control(order[i + 1]);
        EXPECT_TRUE(next == expected || expected->isAncestorOf(next)) << "after " << order[i] << " came " << next->objectName().toStdString();
    }
}

TEST_F(SetupWindowTest, ARadioGroupIsOneTabStopThatFocusesItsSelectedButton)
{
    form->show();
    QApplication::setActiveWindow(form.get());
    const auto tabFrom = [](const char* key, QWidget* from) {
        from->setFocus();
        QTest::keyClick(from, key[0] == 'B' ? Qt::Key_Backtab : Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    auto* params = Control("ParamButton");
    auto* subject = Control("SubjectEdit");
    auto* left = Control<QRadioButton>("RadioGroup1Item0");
    auto* right = Control<QRadioButton>("RadioGroup1Item1");
    EXPECT_EQ(tabFrom("Tab", params), right) << "Right is selected";
    EXPECT_EQ(tabFrom("Tab", right), subject);
    EXPECT_EQ(tabFrom("Backtab", subject), right);
    left->click();
    EXPECT_EQ(tabFrom("Tab", params), left);
    EXPECT_EQ(tabFrom("Tab", left), subject);
    left->setFocus();
    QTest::keyClick(left, Qt::Key_Right);  // the arrow keys move within the group
    EXPECT_TRUE(right->isChecked() && right->hasFocus());
    EXPECT_EQ(tabFrom("Tab", Control("ResFileEdit")), Control("RadioGroup2Item0"));
}

TEST_F(SetupWindowTest, CancelledDialogLoadsTheDefaultFileOrDefaults)
{
    const QString here = QDir::currentPath();
    ASSERT_FALSE(QFileInfo::exists("PTC.INI"));
    chosenFile.reset();
    form->ParamButtonClick();
    const SharedState& s = form->State();
    EXPECT_EQ(s.ParameterFileName, "./PTC.INI");
    ASSERT_EQ(s.Conditions.size(), 1u);
    EXPECT_EQ(Text("ToneFreqEdit"), "1000");
    EXPECT_EQ(Text("StartFreqEdit"), "500");
    EXPECT_EQ(Text("EndFreqEdit"), "2000");
    EXPECT_EQ(Text("FreqStepEdit"), "10");
    EXPECT_EQ(Text("MaskerBWEdit"), "200");
    EXPECT_EQ(Text("SPLstepEdit"), "3");
    EXPECT_EQ(Text("MaxMaskerEdit"), "80");
    EXPECT_EQ(Control<QLabel>("Label6")->text(), "30 dB SPL");
    EXPECT_EQ(Control<QLabel>("ConditionLabel")->text(), "Condition 1 of 1");
    EXPECT_FALSE(Control("HintLabel")->isVisibleTo(form.get()));
    EXPECT_EQ(Control<QSlider>("TrackBar1")->value(), 30);
    EXPECT_EQ(s.FreqPointCount, 151);
    EXPECT_EQ(s.MaskerFreq, 500.0f);
    for (const char* name : ParameterControls) {
        EXPECT_TRUE(Control(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Control("GraphPTC")->isEnabled());
    EXPECT_FALSE(Control("SerialPort")->isEnabled());
    EXPECT_EQ(form->findChild<QLabel*>("Label1", Qt::FindChildrenRecursively)->parent()->objectName(), "ClientArea");
}

TEST_F(SetupWindowTest, TrackBarFollowsTheConditionsToneLevel)
{
    Load("[Tests]\nN_Cond=4\n[Cond1]\nToneSPL=30\n[Cond2]\nToneSPL=45.5\n[Cond3]\nToneSPL=45.5\n[Cond4]\nToneSPL=120\n");
    auto* bar = Control<QSlider>("TrackBar1");
    auto* label = Control<QLabel>("Label6");
    SharedState& s = form->State();

    form->NextClick();  // 30 -> 45.5: the bar moves and takes the whole number
    EXPECT_EQ(bar->value(), 45);
    EXPECT_EQ(s.Conditions[1].ToneSPL, 45.0f);
    EXPECT_EQ(label->text(), "45 dB SPL");

    form->NextClick();  // the bar already stands at 45: 45.5 stays
    EXPECT_EQ(s.Conditions[2].ToneSPL, 45.5f);
    EXPECT_EQ(label->text(), "45.5 dB SPL");
    // What the bar's position cannot say reaches screen readers through the label and the bar.
    EXPECT_EQ(label->accessibleName(), "Tone level 45.5 dB SPL");
    EXPECT_EQ(bar->accessibleDescription(), "45.5 dB SPL");

    form->NextClick();
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(s.Conditions[3].ToneSPL, 100.0f);

    form->NextClick();  // on the last condition: unchanged, still refreshed
    EXPECT_EQ(s.CurrentCondition, 3);
    EXPECT_EQ(Control<QLabel>("ConditionLabel")->text(), "Condition 4 of 4");

    bar->setValue(75);
    EXPECT_EQ(s.Conditions[3].ToneSPL, 75.0f);
    EXPECT_EQ(label->text(), "75 dB SPL");
}

TEST_F(SetupWindowTest, LeavingAnEditStoresAndReformatsTheValue)
{
    Load("[Tests]\nN_Cond=1\n");
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* bandwidth = Control<QLineEdit>("MaskerBWEdit");
    auto* subject = Control<QLineEdit>("SubjectEdit");
    bandwidth->setFocus();
    bandwidth->setText("0.1");
    subject->setFocus();  // focus leaves the edit: its exit handler runs
    QApplication::processEvents();
    EXPECT_EQ(form->State().Current().MaskerBW, 0.1f);
    EXPECT_EQ(bandwidth->text(), "0.100000001490116");

    bandwidth->setFocus();
    subject->setFocus();  // unchanged edits are stored and refreshed too
    QApplication::processEvents();
    EXPECT_EQ(bandwidth->text(), "0.100000001490116");

    Control<QLineEdit>("FreqStepEdit")->setText("0.1");
    form->FreqStepEditExit();
    EXPECT_EQ(form->State().FreqPointCount, 15000);
    Control<QLineEdit>("ToneFreqEdit")->setText("1000.0");
    form->ToneFreqEditExit();
    EXPECT_EQ(Text("ToneFreqEdit"), "1000");
}

TEST_F(SetupWindowTest, CanBeDestroyedWhileAParameterEditHasTheFocus)
{
    for (const char* text : {"0.1", "abc"}) {
        Load("[Tests]\nN_Cond=1\n");
        form->show();
        QApplication::setActiveWindow(form.get());
        auto* bandwidth = Control<QLineEdit>("MaskerBWEdit");
        bandwidth->setFocus();
        bandwidth->setText(text);
        ASSERT_TRUE(bandwidth->hasFocus());
        form.reset();  // no exit handler may run on a window being taken apart
        SetUp();
    }
}

TEST_F(SetupWindowTest, OpeningTheFileMenuOrAnotherWindowDoesNotLeaveAnEdit)
{
    Load("[Tests]\nN_Cond=1\n");
    form->show();
    QApplication::setActiveWindow(form.get());
    auto* bandwidth = Control<QLineEdit>("MaskerBWEdit");
    bandwidth->setFocus();
    bandwidth->setText("0.1");
    auto* file = Control<QMenu>("File1");
    file->popup(form->mapToGlobal(QPoint(0, 0)));
    QApplication::processEvents();
    file->close();
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QApplication::setActiveWindow(form.get());
    EXPECT_EQ(bandwidth->text(), "0.1");
    EXPECT_EQ(form->State().Current().MaskerBW, 200.0f);
    Control("SubjectEdit")->setFocus();
    EXPECT_EQ(bandwidth->text(), "0.100000001490116");
}

TEST_F(SetupWindowTest, AnEditThatHoldsNoNumberIsReportedAndKeepsItsText)
{
    Load("[Tests]\nN_Cond=1\n");
    auto* start = Control<QLineEdit>("StartFreqEdit");
    start->setText("abc");
    form->StartFreqEditExit();
    EXPECT_EQ(messages, QStringList{"'abc' is not a valid floating point value"});
    EXPECT_EQ(start->text(), "abc");
    EXPECT_EQ(form->State().Current().StartF, 500.0f);
    EXPECT_EQ(form->State().FreqPointCount, 151);
}

TEST_F(SetupWindowTest, ResultsNameAndSubjectFollowTheirEdits)
{
    auto* results = Control<QLineEdit>("ResFileEdit");
    for (const auto& [typed, expected] : {std::pair{"subj", "subj.dat"}, {"subj.dat", "subj.dat.dat"}, {"", ".dat"}}) {
        results->setText(typed);
        form->ResFileEditExit();
        EXPECT_EQ(form->State().ResultsFileName, expected);
    }
    Control<QLineEdit>("SubjectEdit")->setText(" S01 ");
    form->SubjectEditExit();
    EXPECT_EQ(form->State().SubjectName, " S01 ");
}

// A name pasted with a line break (copied from a list, say) shows where the break was, and no
// control character reaches the names a run writes; an empty results name is refused at Run PTC
// instead of writing hidden files.
TEST_F(SetupWindowTest, NamesKeepToOneLineAndAnEmptyResultsNameCannotRun)
{
    for (const char* name : {"SubjectEdit", "ResFileEdit"}) {
        auto* edit = Control<QLineEdit>(name);
        edit->clear();
        QGuiApplication::clipboard()->setText("x\n1000\t99");
        edit->paste();
        EXPECT_EQ(edit->text(), QString::fromUtf8("x\uFFFD1000\uFFFD99")) << name;
    }
    form->SubjectEditExit();
    EXPECT_EQ(form->State().SubjectName, "x\xEF\xBF\xBD" "1000\xEF\xBF\xBD" "99");

    Load("[Tests]\nN_Cond=1\n");
    Control<QLineEdit>("ResFileEdit")->clear();
    form->ResFileEditExit();
    messages.clear();
    form->RunPTCClick();
    ASSERT_EQ(messages.size(), 1) << "the run was not refused";
    const std::string said = messages[0].toStdString();
    EXPECT_NE(said.find("results name is empty"), std::string::npos) << said;
}

// A tone in dB SL: refused without a threshold of the subject on record, shown above the one
// recorded once there is one.
TEST_F(SetupWindowTest, AToneInDbSLRestsOnTheSubjectsLatestThreshold)
{
    Load("[Tests]\nN_Cond=1\n[Cond1]\nToneF=1000\nToneSL=10\n");
    Control<QLineEdit>("SubjectEdit")->setText("P1");
    form->SubjectEditExit();
    auto* label = Control<QLabel>("Label6");
    EXPECT_EQ(label->text(), "10 dB SL: no threshold on record");
    auto* quiet = Control<QLabel>("QuietToneLabel");
    EXPECT_TRUE(quiet->isHidden()) << "no level to judge yet: " << quiet->toolTip().toStdString();
    messages.clear();
    form->RunPTCClick();
    ASSERT_EQ(messages.size(), 1) << "the run was not refused";
    const std::string said = messages[0].toStdString();
    EXPECT_NE(said.find("Measure it first with \"Threshold\""), std::string::npos) << said;
    EXPECT_TRUE(Control("RunThreshold")->isEnabled());

    SharedState measured = form->State();
    RunLog log;
    log.Started = std::chrono::system_clock::now();
    log.Kind = RunKind::Threshold;
    log.Reversals = {36, 38, 36, 38, 36, 38, 37, 39};
    log.Threshold = EstimateThreshold(log.Reversals);
    ASSERT_TRUE(WriteSessionFiles(measured, log, 0).RecordError.empty());
    form->SubjectEditExit();
    EXPECT_TRUE(label->text().startsWith("10 dB SL = 47.3 dB SPL (threshold 37.3 dB SPL, measured ")) << label->text().toStdString();
    // The fake output's 16 bits: the tone the run will play, not the file's ToneSPL, is judged.
    EXPECT_FALSE(quiet->isHidden());
    EXPECT_TRUE(quiet->toolTip().startsWith("The tone at 47.3 dB SPL keeps ")) << quiet->toolTip().toStdString();
}

TEST_F(SetupWindowTest, EarAndSweepFollowTheRadioGroups)
{
    auto* left = form->findChild<QRadioButton*>("RadioGroup1Item0");
    auto* right = form->findChild<QRadioButton*>("RadioGroup1Item1");
    auto* down = form->findChild<QRadioButton*>("RadioGroup2Item1");
    ASSERT_TRUE(left && right && down);
    EXPECT_TRUE(right->isChecked());
    left->click();
    EXPECT_EQ(form->State().Ear, EarSide::Left);
    right->click();
    EXPECT_EQ(form->State().Ear, EarSide::Right);
    down->click();
    EXPECT_EQ(form->State().SweepDirection, Sweep::Down);
}

TEST_F(SetupWindowTest, AFileWithAnImpossibleConditionCountIsRefusedAndNothingChanges)
{
    Load("[Tests]\nN_Cond=2\nCalibFactor=90\n[Cond2]\nToneF=3000\n");
    form->NextClick();
    messages.clear();
    Load("[Tests]\nN_Cond=0\nCalibFactor=70\n");
    EXPECT_EQ(messages.size(), 1) << "the file is refused";
    const SharedState& s = form->State();
    EXPECT_EQ(s.Conditions.size(), 2u);
    EXPECT_EQ(s.CurrentCondition, 1);
    EXPECT_EQ(s.Settings.CalibFactor, 90.0f);
    EXPECT_EQ(Text("ToneFreqEdit"), "3000");
}

TEST_F(SetupWindowTest, RunPTCAlwaysDisablesGraphResults)
{
    Load("[Tests]\nN_Cond=1\n");
    form->State().Results.Record(1.0f, 2.0f);
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    form->RunPTCClick();
    EXPECT_FALSE(Control("GraphPTC")->isEnabled());
    EXPECT_EQ(form->State().Results.ResultCount(), 0);
    EXPECT_EQ(form->State().FreqPointCount, 151);
}

// A screen reader or a keyboard shortcut presses Run PTC while the focus is still in an edit:
// the run takes what the edits hold, not what the last exit from them left.
TEST_F(SetupWindowTest, RunPTCTakesWhatTheEditsHoldWithoutTheirExit)
{
    Load("[Tests]\nN_Cond=1\n");
    QTest::keyClicks(Control<QLineEdit>("SubjectEdit"), "PERSONA");
    auto* maximum = Control<QLineEdit>("MaxMaskerEdit");
    maximum->selectAll();
    QTest::keyClicks(maximum, "85");
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    form->RunPTCClick();
    EXPECT_EQ(form->State().SubjectName, "PERSONA");
    EXPECT_EQ(form->State().Current().MaxSPL, 85.0f);
}

TEST_F(SetupWindowTest, RendersAtItsFixedSize)
{
    Load("[Tests]\nN_Cond=1\n");
    form->show();
    const QPixmap picture = Control("ClientArea")->grab();
    EXPECT_EQ(picture.size(), Control("ClientArea")->size());
    EXPECT_EQ(form->size(),
              QSize(picture.width(), 447 + form->menuBar()->height() + form->statusBar()->sizeHint().height()));
    picture.save("SetupWindow.png");
}

// The status line names the device; Calibrate and Run PTC do not start while nothing can
// play, and Refresh sees the device come back.
TEST_F(SetupWindowTest, SoundStatusShowsTheDeviceAndNothingStartsWithoutOne)
{
    Load("[Tests]\nN_Cond=1\n");
    auto* status = Control<QLabel>("SoundStatus");
    EXPECT_TRUE(status->text().endsWith("44100 Hz accepted. Uncalibrated: no calibration profile."))
        << status->text().toStdString();

    sound.FailWith(SoundFailure::CannotOpen);
    bool opened = false;
    const auto closeAnyWindow = [&opened] {
        QTimer::singleShot(0, [&opened] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = true;
                modal->close();
            }
        });
    };
    closeAnyWindow();
    form->CalibrateClick();
    closeAnyWindow();
    form->RunPTCClick();
    QApplication::processEvents();
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith("Calibrate cannot start. Sound: no device can play: Unable to open waveform "
                                       "output device."))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[1].startsWith("Run PTC cannot start.")) << messages[1].toStdString();
    EXPECT_EQ(status->text(), "Sound: no device can play: Unable to open waveform output device. Uncalibrated: no "
                              "calibration profile.");
    EXPECT_TRUE(sound.Played().empty());

    sound.FailWith(SoundFailure::None);
    Control<QPushButton>("SoundRefresh")->click();
    EXPECT_TRUE(status->text().contains("44100 Hz accepted."));
}

// The fake output plays 16-bit samples: the example's tone, 70 dB below CalibFactor, spans a
// few steps of them until the operator makes it louder.
TEST_F(SetupWindowTest, SoundStatusWarnsOfAToneThatKeepsTooFewBits)
{
    Load("[Tests]\nN_Cond=1\n");
    form->show();
    auto* quiet = Control<QLabel>("QuietToneLabel");
    EXPECT_TRUE(quiet->isVisible());
    EXPECT_EQ(quiet->text(), "Quiet tone: it keeps 2.8 of the output's 16 bits. Turn the headphone amplifier down and "
                             "recalibrate.");
    EXPECT_TRUE(quiet->toolTip().startsWith("The tone at 30 dB SPL keeps 2.8")) << quiet->toolTip().toStdString();
    EXPECT_LE(quiet->heightForWidth(quiet->width()), quiet->height());
    Control<QSlider>("TrackBar1")->setValue(95);
    EXPECT_FALSE(quiet->isVisible());
}

// The profile runs are measured with: listed, chosen, its standing shown, read again before a run.
TEST_F(SetupWindowTest, TheCalibrationProfileIsShownChosenAndFilledIntoTheState)
{
    CalibrationStore store;
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime longAgo = now.addDays(-400);
    ASSERT_TRUE(store.Create("Booth A", "Anna", 365, longAgo));
    ASSERT_TRUE(store.Append(
        MakeReadingEntry("Booth A", "Anna", EarSide::Left, 1000.0f, 100.0f, "102", '.', longAgo).Value()));
    ASSERT_TRUE(store.Create("Booth B", "Anna", 365, now));
    ASSERT_TRUE(form->RefreshCalibration());
    auto* box = Control<QComboBox>("CalibrationProfileBox");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentText(), "(none: uncalibrated)");
    EXPECT_EQ(box->accessibleName(), "Calibration profile");
    EXPECT_FALSE(form->State().Calibration.InUse());
    EXPECT_EQ(Control<QLabel>("CalibrationStanding")->text(), "No profile: levels follow CalibFactor alone.");

    box->setCurrentIndex(1);
    form->CalibrationProfileChosen();
    const CalibrationInUse& inUse = form->State().Calibration;
    EXPECT_EQ(inUse.Profile, "Booth A");
    EXPECT_TRUE(inUse.Overdue);
    EXPECT_FALSE(inUse.CheckedToday);
    EXPECT_EQ(inUse.LastCalibrated, CalibrationTime(longAgo));
    EXPECT_EQ(inUse.Response.CorrectionDb(EarSide::Left, 1000.0f), 2.0f);
    EXPECT_EQ(Control<QLabel>("CalibrationStanding")->text().toStdString(),
              "calibration overdue: last " + longAgo.date().toString(Qt::ISODate).toStdString()
                  + " (400 days ago; due every 365 days); no listening check today");
    EXPECT_TRUE(Control<QLabel>("SoundStatus")->text().endsWith("Calibrated: Booth A."));

    // Another program records today's listening check; the state has it when it is read again,
    // as before every run.
    ASSERT_TRUE(store.Append(MakeListeningCheck("Booth A", "Ben", now).Value()));
    ASSERT_TRUE(form->RefreshCalibration());
    EXPECT_TRUE(form->State().Calibration.CheckedToday);

    // The profile gone from the store: Run PTC says so instead of measuring with it.
    Load("[Tests]\nN_Cond=1\n");
    EXPECT_EQ(form->State().Calibration.Profile, "Booth A") << "a file that names none keeps the choice";
    std::filesystem::remove(store.Load("Booth A").Value().File);
    messages.clear();
    form->RunPTCClick();
    ASSERT_EQ(messages.size(), 1) << "the run was not refused";
    const std::string said = messages[0].toStdString();
    EXPECT_NE(said.find("There is no calibration profile \"Booth A\" in the calibration store "
                                             + calibrationStore.Folder() + "; its profiles are \"Booth B\"."),
              std::string::npos)
        << said;
}

TEST_F(SetupWindowTest, AConditionFileNamesItsProfileAndAnUnknownOneIsRefusedWithTheKnownNames)
{
    ASSERT_TRUE(CalibrationStore().Create("Booth A", "Anna", 365, QDateTime::currentDateTime()));
    messages.clear();
    Load("[Settings]\nCalibrationProfile=Booth Z\n[Tests]\nN_Cond=1\n");
    ASSERT_EQ(messages.size(), 1) << "the file was loaded";
    const std::string said = messages[0].toStdString();
    EXPECT_EQ(said,
              "The test-condition file " + chosenFile->toStdString()
                  + " names the calibration profile \"Booth Z\" (CalibrationProfile=), which cannot be used. There "
                    "is no calibration profile \"Booth Z\" in the calibration store " + calibrationStore.Folder()
                  + "; its profiles are \"Booth A\". Nothing was loaded.");
    EXPECT_FALSE(form->State().HasConditions());
    Load("[Settings]\nCalibrationProfile=Booth A\n[Tests]\nN_Cond=1\n");
    EXPECT_EQ(form->State().Calibration.Profile, "Booth A");
    EXPECT_EQ(Control<QComboBox>("CalibrationProfileBox")->currentText(), "Booth A");
    EXPECT_TRUE(Control<QLabel>("SoundStatus")->text().endsWith("Calibrated: Booth A."));
}

TEST_F(SetupWindowTest, RunPTCRefusesAConditionTheRunCannotHonour)
{
    Load("[Tests]\nN_Cond=1\n[Cond1]\nFStep=0\n");
    form->State().Results.Record(1.0f, 2.0f);
    messages.clear();
    form->RunPTCClick();
    ASSERT_EQ(messages.size(), 1) << "the run was not refused";
    const std::string said = messages[0].toStdString();
    EXPECT_NE(said.find("FStep is 0 Hz"), std::string::npos) << said;
    EXPECT_EQ(form->State().Results.ResultCount(), 1) << "a refused run changes nothing";
}

namespace {

// Plays the listener for one opening of the run window: START, then the SPACE bar changed
// once after each of the first `changes` stimuli, then a stop key, then EXIT.
void RunWithKeyChanges(RecordingSoundOutput& sound, int changes)
{
    QTimer::singleShot(0, [&sound, changes] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        auto* spaceBar = window->findChild<QPushButton*>("Button2");
        const std::size_t before = sound.Played().size();
        sound.SetObserver([&sound, spaceBar, changes, before](const PlayedSound&) {
            const int trial = static_cast<int>(sound.Played().size() - before);
            if (trial <= changes) {
                const auto type = trial % 2 == 1 ? QEvent::KeyPress : QEvent::KeyRelease;
                QCoreApplication::postEvent(spaceBar, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier));
            } else {
                QCoreApplication::postEvent(spaceBar, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            }
        });
        window->findChild<QPushButton*>("Button1")->click();
        window->findChild<QPushButton*>("Button3")->click();
    });
}

}  // namespace

TEST_F(SetupWindowTest, GraphResultsNeedsARunWithMoreThanTwoPoints)
{
    Load("[Tests]\nN_Cond=1\n");
    RunWithKeyChanges(sound, 7);  // changes 5, 6 and 7 are recorded
    form->RunPTCClick();
    EXPECT_EQ(form->State().Results.StoredResultCount, 3);
    EXPECT_TRUE(Control("GraphPTC")->isEnabled());

    RunWithKeyChanges(sound, 6);
    form->RunPTCClick();
    EXPECT_EQ(form->State().Results.StoredResultCount, 2);
    EXPECT_FALSE(Control("GraphPTC")->isEnabled());
}

// The operator clicks the set-up window during a run and presses Alt+F4 there. The keys reach
// the set-up window's focus, and may still reach the run window's (the window manager moves the
// keyboard before Qt's focus follows): none of them is the listener's stop key.
TEST_F(SetupWindowTest, TheOperatorsKeysInTheSetupWindowDoNotStopARun)
{
    const std::string quick = "StartF=500\nEndF=520\nFStep=10\nSPLstep=0\nMaskStartSPL=80\nMaxSPL=80\n";
    Load("[Tests]\nN_Cond=1\n[Cond1]\n" + quick);
    form->show();
    auto* runWindow = form->findChild<QDialog*>("Form2");
    bool keyboardBack = false;
    sound.SetObserver([&](const PlayedSound&) {
        if (sound.Played().size() != 2) {
            return;
        }
        QApplication::setActiveWindow(form.get());
        for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            for (const int key : {int(Qt::Key_Alt), int(Qt::Key_F4)}) {
                for (QWidget* focus : {QApplication::focusWidget(), runWindow->focusWidget()}) {
                    QKeyEvent event(type, key, Qt::AltModifier);
                    QCoreApplication::sendEvent(focus != nullptr ? focus : form.get(), &event);
                }
            }
        }
        QTest::qWait(0);
        keyboardBack = runWindow->isActiveWindow();
    });
    QTimer::singleShot(0, [runWindow] {
        runWindow->findChild<QPushButton*>("Button1")->click();
        runWindow->findChild<QPushButton*>("Button3")->click();
    });
    form->RunPTCClick();
    EXPECT_EQ(sound.Played().size(), 13u) << "the run went on to the end of its sweep";
    EXPECT_TRUE(keyboardBack) << "the run window took the keyboard back";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(SetupWindowTest, TonePreviewInKC35ModeSendsTheTruncatedLevelBeforePlaying)
{
    Load("[Settings]\nAttenuator=2\n[Tests]\nN_Cond=1\n[Cond1]\nToneSPL=45.9\n");
    link.Clear();
    sound.SetObserver([this](const PlayedSound&) { link.Note("<played>"); });
    form->TonePlayClick();
    EXPECT_EQ(link.Transcript(), "[K4B]<played>");
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(SetupWindowTest, TonePreviewRefusesWhatItsGateCannotHonourAndReportsASilentDevice)
{
    Load("[Settings]\nToneDuration=10\nRiseFall=20\n[Tests]\nN_Cond=1\n");
    messages.clear();
    form->TonePlayClick();
    EXPECT_EQ(messages.size(), 1) << "the tone is refused";
    EXPECT_TRUE(sound.Played().empty());

    Load("[Tests]\nN_Cond=1\n");
    messages.clear();
    sound.FailWith(SoundFailure::CannotOpen);
    testing::internal::CaptureStderr();
    form->TonePlayClick();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(
        messages[0].contains("did not play the tone. It tried \"system\" of JACK Audio Connection Kit (device 4)."))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("quorvex-sim devices FILE")) << messages[0].toStdString();
}

TEST_F(SetupWindowTest, UnreadableValuesAreListedInOneNoticeThatDoesNotBlockTheWindow)
{
    const auto notices = [this] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return form->findChildren<QMessageBox*>("ParameterNotice");
    };
    const std::string typo = "[Tests]\nN_Cond=2\nCalibFactor=92.5\n[Cond2]\nStartF=5OO\nToneF=1000,5\n";
    Load(typo);
    EXPECT_EQ(form->State().Conditions[1].StartF, 500.0f);
    ASSERT_EQ(notices().size(), 1);
    QMessageBox* notice = notices().front();
    EXPECT_TRUE(notice->isVisible());
    EXPECT_FALSE(notice->isModal());
    EXPECT_TRUE(notice->text().endsWith("\n\n[Tests] CalibFactor = 92.5 -> default used\n"
                                        "[Cond2] ToneF = 1000,5 -> default used\n"
                                        "[Cond2] StartF = 5OO -> default used"))
        << notice->text().toStdString();
    Load(typo);
    EXPECT_EQ(notices().size(), 1);  // the second load's notice replaces the first one's

    QStringList shown;
    form->ShowNotice = [&shown](const QString& message) { shown << message; };
    Load("[Tests]\nN_Cond=1\n[Cond1]\nStartF=500\nToneF=1000.5\n");
    EXPECT_TRUE(shown.isEmpty()) << shown.join("\n").toStdString();
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SetupWindowTest, ToneInAModeWithoutOutputDoesNothingEvenWithSettingsItWouldRefuse)
{
    for (const char* mode : {"0", "3"}) {
        Load(std::string("[Settings]\nAttenuator=") + mode
             + "\nToneDuration=10\nRiseFall=20\n[Tests]\nN_Cond=1\n[Cond1]\nToneF=30000\n");
        EXPECT_NO_THROW(form->TonePlayClick()) << "Attenuator=" << mode;
    }
    EXPECT_TRUE(sound.Played().empty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_FALSE(QFileInfo::exists("tone.wav"));
}

TEST_F(SetupWindowTest, ToneThatWasNeitherWrittenNorPlayedIsToldInOneMessage)
{
    QDir().mkdir("tone.wav");  // a folder in the way: the file cannot be written
    Load("[Tests]\nN_Cond=1\n");
    sound.FailWith(SoundFailure::CannotOpen);
    testing::internal::CaptureStderr();
    form->TonePlayClick();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages[0].startsWith("The tone was not played and tone.wav could not be written"))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QDir::currentPath())) << messages[0].toStdString();
}

// Delay(0) does not wait for the clock to move on: a call returns within the millisecond it was
// made in. The machine's load can make any one call late, never a thousand in a row.
TEST(SteadyClock, DelayOfZeroReturnsAtOnce)
{
    SteadyClock real;
    bool withinItsMillisecond = false;
    for (int call = 0; call < 1000 && !withinItsMillisecond; ++call) {
        const std::uint32_t before = real.NowMs();
        real.Delay(0);
        withinItsMillisecond = real.NowMs() == before;
    }
    EXPECT_TRUE(withinItsMillisecond);
}

TEST(SteadyClock, DelayWaitsAtLeastItsTime)
{
    SteadyClock real;
    const std::uint32_t start = real.NowMs();
    real.Delay(5);
    EXPECT_GE(real.NowMs() - start, 5u);
}

// Runs in its own test process with a German locale (see CMakeLists.txt).
TEST_F(SetupWindowTest, CommaLocaleReadsAndShowsNumbersWithADecimalComma)
{
    if (QLocale::system().decimalPoint() != ",") {
        GTEST_SKIP() << "needs a locale whose decimal separator is a comma";
    }
    Load("[Tests]\nN_Cond=1\n[Cond1]\nStartF=1,5E3\nEndF=2000.5\n");
    EXPECT_EQ(Text("StartFreqEdit"), "1500");
    EXPECT_EQ(Text("EndFreqEdit"), "2000") << "a point is not this system's decimal separator";
    Control<QLineEdit>("MaskerBWEdit")->setText("0,1");
    form->MaskerBWEditExit();
    EXPECT_EQ(Text("MaskerBWEdit"), "0,100000001490116");
}

// SIGTERM in the middle of a session's run (a logout, an administrator's kill): the run stops
// after its trial with its trials and points on file, marked ended, and every window closes
// without a message box that nobody would answer.
TEST_F(SetupWindowTest, SigtermInARunKeepsItsTrialsAndPointsAndClosesEveryWindow)
{
    Load("[Settings]\nMaskerDuration=300\nToneDuration=200\n[Tests]\nN_Cond=1\n[Session]\nConditions=1\nEars=left\n");
    Control<QLineEdit>("SubjectEdit")->setText("Ann");
    Control<QLineEdit>("ResFileEdit")->setText("S01");
    const TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Requested, form.get(),
                     [this](int number) { form->EndForSignal(number); });
    auto* runWindow = form->findChild<QDialog*>("Form2");
    QTimer::singleShot(0, [&] {
        auto* spaceBar = runWindow->findChild<QPushButton*>("Button2");
        sound.SetObserver([this, spaceBar](const PlayedSound&) {
            const auto trial = sound.Played().size();
            if (trial <= 8) {
                const auto type = trial % 2 == 1 ? QEvent::KeyPress : QEvent::KeyRelease;
                QCoreApplication::postEvent(spaceBar, new QKeyEvent(type, Qt::Key_Space, Qt::NoModifier));
            } else if (trial == 9) {
                ::raise(SIGTERM);
            }
        });
        runWindow->findChild<QPushButton*>("Button1")->click();
    });
    form->RunSessionClick();
    sound.SetObserver({});

    const RecordedRuns record = ReadRecordFiles("S01.csv", "S01.trials.csv");
    ASSERT_EQ(record.Runs.size(), 1u);
    EXPECT_EQ(record.Runs[0].Status, "ended");
    EXPECT_EQ(record.Runs[0].Points.size(), 4u) << "key changes 5 to 8";
    ASSERT_TRUE(record.Runs[0].LoggedTrials);
    EXPECT_GE(record.Runs[0].LoggedTrials->size(), 9u);
    EXPECT_FALSE(runWindow->isVisible());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

// After a restart the program offers the data folder's unfinished session and fills in nothing
// until the operator chooses to continue it; set aside, it is not offered again.
TEST_F(SetupWindowTest, AtStartTheUnfinishedSessionIsOfferedAndContinuedOnlyWhenChosen)
{
    const std::string quick = "StartF=500\nEndF=520\nFStep=10\nSPLstep=0\nMaskStartSPL=80\nMaxSPL=80\n";
    Load("[Settings]\nAttenuator=2\n[Tests]\nN_Cond=2\n[Cond1]\n" + quick + "[Cond2]\n" + quick
         + "[Session]\nConditions=1,2\nEars=left\n");
    Control<QLineEdit>("SubjectEdit")->setText("P1");
    Control<QLineEdit>("ResFileEdit")->setText("S01");
    const auto runFirstThenEnd = [this] {
        QTimer::singleShot(0, [this] {
            auto* runWindow = form->findChild<QDialog*>("Form2");
            runWindow->findChild<QPushButton*>("Button1")->click();
            runWindow->findChild<QDialog*>("SessionPanel")->findChild<QPushButton*>("EndButton")->click();
            runWindow->findChild<QPushButton*>("Button3")->click();
        });
    };
    runFirstThenEnd();
    form->RunSessionClick();

    // The program starts again in the same folder.
    form = std::make_unique<SetupWindow>(SetupWindowDevices{&clock, &dispatcher, &link, &sound});
    form->ShowMessage = [this](const QString& message) { messages << message; };
    QString offered;
    form->ChooseUnfinished = [&offered](const QString& description) {
        offered = description;
        return SetupWindow::UnfinishedChoice::Later;
    };
    form->OfferUnfinishedSession();
    EXPECT_TRUE(offered.contains("Subject: P1\nResults name: S01\nTest-condition file: ")) << offered.toStdString();
    EXPECT_TRUE(offered.contains("1 of 2 runs finished")) << offered.toStdString();
    EXPECT_EQ(Text("SubjectEdit"), "") << "no subject is filled in unless the operator continues";

    bool asked = false;
    form->ChooseSessionStart = [&asked](const QString&, bool) {
        asked = true;
        return SetupWindow::SessionStart::Cancel;
    };
    form->ChooseUnfinished = [](const QString&) { return SetupWindow::UnfinishedChoice::Continue; };
    runFirstThenEnd();
    form->OfferUnfinishedSession();
    EXPECT_FALSE(asked) << "the session chosen at start is continued without a second question";
    EXPECT_EQ(form->State().CurrentCondition, 1) << "run 2 of the same session was measured";
    const RecordedRuns record = ReadRecordFiles("S01.csv", "");
    ASSERT_EQ(record.Runs.size(), 2u);
    EXPECT_EQ(record.Runs[0].Session, record.Runs[1].Session);

    // A finished session is not offered; a new unfinished one set aside is not offered again.
    offered.clear();
    form->ChooseUnfinished = [&offered](const QString& description) {
        offered = description;
        return SetupWindow::UnfinishedChoice::SetAside;
    };
    form->OfferUnfinishedSession();
    EXPECT_TRUE(offered.isEmpty()) << offered.toStdString();
    form->ChooseSessionStart = [](const QString&, bool) { return SetupWindow::SessionStart::New; };
    runFirstThenEnd();
    form->RunSessionClick();
    form->OfferUnfinishedSession();
    EXPECT_FALSE(offered.isEmpty());
    offered.clear();
    form->OfferUnfinishedSession();
    EXPECT_TRUE(offered.isEmpty()) << "set aside";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

// After a restart, with no run in memory, Graph Results shows the subject's latest run on record.
TEST_F(SetupWindowTest, GraphResultsOpensTheLatestRunOnRecordAfterARestart)
{
    Load("[Tests]\nN_Cond=1\n");
    SharedState measured = form->State();
    measured.SubjectName = "P1";
    measured.ResultsFileName = "S01.dat";
    measured.Ear = EarSide::Left;
    for (int k = 0; k < 5; ++k) {
        measured.Results.Record(600.0f + 100.0f * static_cast<float>(k), 60.0f - static_cast<float>(k));
    }
    ASSERT_TRUE(WriteSessionFiles(measured, RunLog{std::chrono::system_clock::now(), "", {}, {}, {}, {}}, 5)
                    .RecordError.empty());
    EXPECT_FALSE(Control("GraphPTC")->isEnabled());
    Control<QLineEdit>("SubjectEdit")->setText("P1");
    Control<QLineEdit>("ResFileEdit")->setText("S01");
    form->SubjectEditExit();
    form->ResFileEditExit();
    EXPECT_TRUE(Control("GraphPTC")->isEnabled());
    QString shownTitle;
    QTimer::singleShot(0, [&shownTitle] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            shownTitle = modal->findChild<QChartView*>("Chart1")->chart()->title();
            modal->close();
        }
    });
    form->GraphPTCClick();
    EXPECT_TRUE(shownTitle.contains("P1") && shownTitle.contains("left")) << shownTitle.toStdString();
    EXPECT_EQ(form->State().Ear, EarSide::Right) << "the set-up window's own state is left as it was";
}

TEST_F(SetupWindowTest, AboutBoxShowsTheProgramsPictureNameVersionWorkingFolderAndOk)
{
    auto* about = form->findChild<QDialog*>("Form5");
    ASSERT_NE(about, nullptr);
    auto* picture = about->findChild<QLabel*>("ProgramIcon");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(about->findChild<QLabel*>("ProductName")->text(), "<b>Quorvex</b>");
    EXPECT_EQ(about->findChild<QLabel*>("Version")->text(), QString("Version ") + QuorvexVersion);
    const QString comments = about->findChild<QPlainTextEdit*>("Comments")->toPlainText();
    EXPECT_TRUE(comments.contains("This session works in " + QDir::currentPath() + ".")) << comments.toStdString();
    QTimer::singleShot(0, about, [about] { about->findChild<QPushButton*>("OKButton")->click(); });
    EXPECT_EQ(about->exec(), 1);
}

TEST_F(SetupWindowTest, RunSessionRunsTheProtocolsRunsAndOffersToContinueAnUnfinishedSession)
{
    // Two runs that end by themselves in 13 trials (the masker stays at MaxSPL).
    const std::string quick = "StartF=500\nEndF=520\nFStep=10\nSPLstep=0\nMaskStartSPL=80\nMaxSPL=80\n";
    Load("[Settings]\nAttenuator=2\n[Tests]\nN_Cond=2\n[Cond1]\n" + quick + "[Cond2]\n" + quick
         + "[Session]\nConditions=1,2\nEars=left\n");
    auto* runSession = Control<QPushButton>("RunSession");
    EXPECT_FALSE(runSession->isEnabled()) << "no subject name yet";
    Control<QLineEdit>("SubjectEdit")->setText("P1");
    EXPECT_TRUE(runSession->isEnabled());
    EXPECT_TRUE(form->findChild<QAction*>("RunSession1")->isEnabled());

    // The listener runs the first run; the operator then ends the session.
    auto* runWindow = form->findChild<QDialog*>("Form2");
    QTimer::singleShot(0, [&] {
        runWindow->findChild<QPushButton*>("Button1")->click();
        runWindow->findChild<QDialog*>("SessionPanel")->findChild<QPushButton*>("EndButton")->click();
        runWindow->findChild<QPushButton*>("Button3")->click();
    });
    runSession->click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(form->State().CurrentCondition, 1) << "the set-up window shows the session's next run";
    EXPECT_EQ(form->State().Ear, EarSide::Left);
    EXPECT_NE(link.Transcript().find("[L01N01]"), std::string::npos) << "the KC35 routes the session's ear";
    EXPECT_TRUE(Control("RadioGroup1")->findChildren<QRadioButton*>().at(0)->isChecked()) << "the left ear shown";

    QString question;
    form->ChooseSessionStart = [&question](const QString& asked, bool) {
        question = asked;
        return SetupWindow::SessionStart::Cancel;
    };
    runSession->click();
    EXPECT_TRUE(question.endsWith("Continue at run 2 of 2")) << question.toStdString();

    Load("[Tests]\nN_Cond=1\n[Session]\nEars=both\n");
    messages.clear();
    form->RunSessionClick();
    ASSERT_EQ(messages.size(), 1) << "a bad protocol was run";
    const std::string said = messages[0].toStdString();
    EXPECT_EQ(said, "The session cannot be run: [Session] Ears = both: 'both' is not an ear; an ear is left or right");
}

TEST_F(SetupWindowTest, ListenerDetailsAreSetFromTheFileMenuAndABadBirthDateIsSaidInTheDialog)
{
    form->findChild<QAction*>("ListenerDetails1")->trigger();
    auto* dialog = form->findChild<ListenerDetailsDialog*>("ListenerDetailsDialog");
    ASSERT_NE(dialog, nullptr);
    for (const auto& [name, accessible] : {std::pair{"ListenerIdEdit", "Listener ID"}, {"BirthDateEdit", "Date of birth"},
                                           {"ExaminerEdit", "Examiner"}}) {
        auto* edit = dialog->findChild<QLineEdit*>(name);
        ASSERT_NE(edit, nullptr) << name;
        EXPECT_EQ(edit->accessibleName(), accessible);
    }
    dialog->findChild<QLineEdit*>("ListenerIdEdit")->setText("P-0042");
    dialog->findChild<QLineEdit*>("BirthDateEdit")->setText("1961-02-29");
    dialog->findChild<QLineEdit*>("ExaminerEdit")->setText("Dr. Ortiz");
    dialog->OkClick();
    EXPECT_EQ(dialog->findChild<QLabel*>("ProblemLabel")->text(), "The birth date 1961-02-29 is not a day of the calendar.");
    EXPECT_EQ(form->State().Listener, ListenerDetails{});

    dialog->findChild<QLineEdit*>("BirthDateEdit")->setText("1961-04-23");
    dialog->OkClick();
    EXPECT_EQ(form->State().Listener, (ListenerDetails{"P-0042", "1961-04-23", "Dr. Ortiz"}));
}
