#include "SetupWindow.h"
#include "SetupWindowLayout.h"

#include "AboutBox.h"
#include "CalibrationWindow.h"
#include "Clock.h"
#include "FreqPointCount.h"
#include "GraphWindow.h"
#include "HelpWindow.h"
#include "Kc35Attenuator.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"
#include "PortAudioOutput.h"
#include "RecordedRunState.h"
#include "RunChecks.h"
#include "RunWindow.h"
#include "StimulusLimits.h"
#include "StimulusResolution.h"
#include "SerialPortLink.h"
#include "SerialSetupDialog.h"
#include "ToneLevel.h"
#include "TonePreview.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>

#include <cassert>
#include <cstdio>
#include <cstring>

SetupWindow::SetupWindow(SetupWindowDevices devices, QWidget* parent)
    : QMainWindow(parent)
    , devices_(devices)
{
    assert(devices_.clock != nullptr && devices_.dispatcher != nullptr);
    if (devices_.serialLink == nullptr) {
        ownComPort_ = std::make_unique<SerialPortLink>();
        devices_.serialLink = ownComPort_.get();
    }
    kc35_ = std::make_unique<Kc35Attenuator>(*devices_.serialLink, *devices_.dispatcher);
    if (devices_.sound == nullptr) {
        soundDevice_ = std::make_unique<PortAudioOutput>();
        devices_.sound = soundDevice_.get();
    }
    setObjectName("Form1");
    setWindowTitle("Quorvex — Set-up");
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    CreateControls();
    CreateMenu();
    CreateSoundStatus();
    SetTabOrder();

    ChooseParameterFile = [this] { return ShowParameterFileDialog(); };
    ShowMessage = [this](const QString& message) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), message);
    };
    ShowNotice = [this](const QString& message) { ShowNoticeBox(message); };
    ChooseSessionStart = [this](const QString& question, bool canContinue) {
        return AskSessionStart(question, canContinue);
    };
    ChooseUnfinished = [this](const QString& description) { return AskUnfinished(description); };

    // The state's own initial values are those of a window that has loaded nothing; the
    // results name follows the results edit.
    ResFileEdit->setText("default");
    state_.ResultsFileName = ResFileEdit->text().toStdString() + ".dat";
    GraphPTC->setEnabled(false);

    // The other windows, created once in this order and kept hidden until opened.
    runWindow_ = new RunWindow(state_, RunDevices{devices_.sound, devices_.clock, devices_.dispatcher, kc35_.get()}, this);
    runWindow_->OnRunFinished = [this](const RunOutcome& report) {
        if (report.StoredPoints > 2) {
            GraphPTC->setEnabled(true);
        }
    };
    graphWindow_ = new GraphWindow(state_, this);
    calibrationWindow_ = new CalibrationWindow(state_, *devices_.sound, *devices_.dispatcher, *kc35_, this);
    aboutBox_ = new AboutBox(this);

    setFixedSize(centralWidget()->width(),
                 SetupClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    ShowCalibration();
    CheckSoundDevice();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

SetupWindow::~SetupWindow() = default;


char SetupWindow::DecimalSeparator() const
{
    return SystemDecimalSeparator();
}

std::optional<QString> SetupWindow::ShowParameterFileDialog()
{
    QFileDialog dialog(this, "Open test-condition file", ".");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter("ini files (*.ini) (*.INI *.ini *.Ini)");
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

void SetupWindow::ShowNoticeBox(const QString& message)
{
    // One notice at a time: a new load replaces the previous load's notice.
    if (notice_) {
        notice_->close();
    }
    notice_ = new QMessageBox(QMessageBox::Information, QApplication::applicationDisplayName(), message,
                              QMessageBox::Ok, this);
    notice_->setObjectName("ParameterNotice");
    notice_->setAttribute(Qt::WA_DeleteOnClose);
    notice_->setModal(false);
    notice_->show();
}

void SetupWindow::ParamButtonClick()
{
    const std::optional<QString> chosen = ChooseParameterFile();
    ShowFailure(LoadParameters(chosen ? chosen->toStdString() : std::string("./PTC.INI")));
}

Result<> SetupWindow::LoadParameters(const std::string& path)
{
    ParameterLoad load = LoadParameterFile(path, DecimalSeparator());
    if (!load.Loaded) {
        return Failure{load.Error};
    }
    // A file that names a calibration profile is measured with it; one this machine does not
    // have is refused before anything changes.
    const std::string profile = load.Parameters.Settings.CalibrationProfile;
    const Result<CalibrationInUse> calibration =
        ChooseCalibration(calibrationStore_, profile, QDateTime::currentDateTime());
    if (!calibration) {
        return Failure{"The test-condition file " + path + " names the calibration profile \"" + profile
                       + "\" (CalibrationProfile=), which cannot be used. " + calibration.Reason() + " Nothing was loaded."};
    }
    state_.ParameterFileName = path;
    ApplyParameterSet(state_, std::move(load.Parameters));
    if (!profile.empty()) {
        state_.Calibration = calibration.Value();
        ShowCalibration();
    }
    protocol_ = std::move(load.Session);
    QString notice;
    if (!load.Unreadable.empty()) {
        notice = "Some values in " + QString::fromStdString(path)
                 + " are not numbers of their key's type; their defaults are used:\n";
        for (const UnreadableValue& value : load.Unreadable) {
            notice += "\n" + QString::fromStdString(DescribeUnreadableValue(value));
        }
    }
    for (const std::string& note : protocol_.Notes) {
        notice += (notice.isEmpty() ? "" : "\n\n") + QString::fromStdString(note);
    }
    if (!protocol_.Refusal.empty()) {
        notice += (notice.isEmpty() ? "" : "\n\n") + QString("The session cannot be run: ")
                  + QString::fromStdString(protocol_.Refusal);
    }
    if (!notice.isEmpty()) {
        ShowNotice(notice);
    }
    HintLabel->hide();
    EnableRunSession();
    if (soundDevice_) {
        soundDevice_->SetDeviceName(state_.Settings.AudioDevice);
    }
    CheckSoundDevice();

    for (QWidget* control : std::initializer_list<QWidget*>{PreviousButton, NextButton, Calibrate, TonePlay, RunPTC, Threshold, ToneLevelSlider,
                                                            ToneFreqEdit, StartFreqEdit, EndFreqEdit, FreqStepEdit,
                                                            MaskerBWEdit, SPLstepEdit, MaxMaskerEdit}) {
        control->setEnabled(true);
    }
    RefreshParameters();
    InitialiseAttenuators();
    EnableGraphResults();
    return {};
}

void SetupWindow::RefreshParameters()
{
    if (!state_.HasConditions()) {
        return;
    }
    const char sep = DecimalSeparator();
    const auto text = [sep](float value) { return QString::fromStdString(FormatForDisplay(value, sep)); };
    TestCondition& c = state_.Current();
    ToneFreqEdit->setText(text(c.ToneF));
    StartFreqEdit->setText(text(c.StartF));
    EndFreqEdit->setText(text(c.EndF));
    FreqStepEdit->setText(text(c.FStep));
    MaskerBWEdit->setText(text(c.MaskerBW));
    state_.MaskerFreq = c.StartF;
    SPLstepEdit->setText(text(c.SPLstep));
    MaxMaskerEdit->setText(text(c.MaxSPL));
    ToneLevelSlider->setValue(TrackBarPositionFor(c.ToneSPL));  // runs ToneLevelSliderChange when it moves
    ConditionLabel->setText(ConditionOfCount(state_.CurrentCondition + 1, static_cast<int>(state_.Conditions.size())));
    ShowToneLevel();
    state_.FreqPointCount = FreqPointCount(state_.Current());
    calibrationWindow_->SetLevelText(text(state_.Settings.CalibFactor) + " dB SPL");
}

void SetupWindow::ShowToneLevel()
{
    const TestCondition& c = state_.Current();
    QString level = QString::fromStdString(FormatForDisplay(c.ToneSPL, DecimalSeparator())) + " dB SPL";
    if (c.ToneSL) {
        const Result<ResolvedTone> tone = ResolveToneSL(state_, {});
        level = QString::fromStdString(tone ? DescribeTone(tone.Value())
                                            : FormatShortest(*c.ToneSL) + " dB SL: no threshold on record");
    }
    LevelUnitLabel->setText(level);
    LevelUnitLabel->adjustSize();
    // The label's text is the level; the track bar, named "Tone Level:", tells it too, since its
    // position alone holds whole decibels only.
    LevelUnitLabel->setAccessibleName("Tone level " + level);
    ToneLevelSlider->setAccessibleDescription(level);
    ShowToneResolution();
}

void SetupWindow::ToneLevelSliderChange()
{
    if (!state_.HasConditions()) {
        return;
    }
    SetToneLevelFromTrackBar(state_, ToneLevelSlider->value());
    ShowToneLevel();
}

void SetupWindow::StoreEdit(QLineEdit* edit, ConditionField field)
{
    if (!state_.HasConditions()) {
        return;
    }
    if (const Result<> stored = StoreEditedValue(state_, field, edit->text().toStdString(), DecimalSeparator());
        !stored) {
        ShowMessage(QString::fromStdString(stored.Reason()));
        return;  // the edit keeps the text, for the operator to mend
    }
    RefreshParameters();
}

void SetupWindow::ToneFreqEditExit() { StoreEdit(ToneFreqEdit, ConditionField::ToneF); }
void SetupWindow::StartFreqEditExit() { StoreEdit(StartFreqEdit, ConditionField::StartF); }
void SetupWindow::EndFreqEditExit() { StoreEdit(EndFreqEdit, ConditionField::EndF); }
void SetupWindow::FreqStepEditExit() { StoreEdit(FreqStepEdit, ConditionField::FStep); }
void SetupWindow::MaskerBWEditExit() { StoreEdit(MaskerBWEdit, ConditionField::MaskerBW); }
void SetupWindow::SPLstepEditExit() { StoreEdit(SPLstepEdit, ConditionField::SPLstep); }
void SetupWindow::MaxMaskerEditExit() { StoreEdit(MaxMaskerEdit, ConditionField::MaxSPL); }

void SetupWindow::PreviousClick()
{
    PreviousCondition(state_);
    RefreshParameters();
}

void SetupWindow::NextClick()
{
    NextCondition(state_);
    RefreshParameters();
}

void SetupWindow::InitialiseAttenuators()
{
    // A file naming a port chooses it; without the key the port stays as it was (the
    // platform's default, or what the operator chose in the setup dialog).
    Result<> ready;
    if (ownComPort_ && !state_.Settings.SerialPort.empty()) {
        ready = ownComPort_->SetPort(state_.Settings.SerialPort);
    }
    const bool kc35 = state_.Settings.Attenuator == AttenuatorMode::Kc35;
    if (kc35 && ready) {
        ready = kc35_->SendKC35Setup();
    }
    // The buttons follow the mode also when the set-up failed: they are how the operator
    // chooses another port and sends the set-up again.
    SerialPort->setEnabled(kc35);
    InitKC35->setEnabled(kc35);
    ShowFailure(ready);
}

void SetupWindow::ShowFailure(const Result<>& result)
{
    if (!result) {
        ShowMessage(QString::fromStdString(result.Reason()));
    }
}

void SetupWindow::SerialPortClick()
{
    if (ownComPort_) {
        ShowSerialSetupDialog(*ownComPort_, this);
    }
}

void SetupWindow::InitKC35Click()
{
    ShowFailure(kc35_->SendKC35Setup());
}

void SetupWindow::EarGroupClick()
{
    ShowFailure(RouteEar());
}

Result<> SetupWindow::RouteEar()
{
    state_.Ear = EarButtons->checkedId() == ButtonOf(EarSide::Left) ? EarSide::Left : EarSide::Right;
    if (state_.Settings.Attenuator != AttenuatorMode::Kc35) {
        return {};
    }
    return kc35_->SendEarRouting(state_.Ear);
}

void SetupWindow::SweepGroupClick()
{
    state_.SweepDirection = SweepButtons->checkedId() == ButtonOf(Sweep::Down) ? Sweep::Down : Sweep::Up;
}

void SetupWindow::SubjectEditExit()
{
    state_.SubjectName = SubjectEdit->text().toStdString();
    EnableGraphResults();
    ShowThresholdOfSubject();
}

void SetupWindow::ResFileEditExit()
{
    state_.ResultsFileName = ResFileEdit->text().toStdString() + ".dat";
    EnableGraphResults();
    ShowThresholdOfSubject();
}

void SetupWindow::ShowThresholdOfSubject()
{
    if (state_.HasConditions() && state_.Current().ToneSL) {
        ShowToneLevel();
    }
}

void SetupWindow::EndForSignal(int signalNumber)
{
    const auto toStandardError = [](const QString& message) {
        std::fprintf(stderr, "quorvex: %s\n", message.toLocal8Bit().constData());
    };
    std::fprintf(stderr, "quorvex: ending on signal %d (%s)\n", signalNumber, strsignal(signalNumber));
    ShowMessage = toStandardError;
    runWindow_->ShowMessage = toStandardError;
    runWindow_->StopRun("signal " + std::to_string(signalNumber) + " (" + strsignal(signalNumber) + "), which ends Quorvex,");
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible()) {
            window->close();  // the run window stops its run first, and closes as it ends
        }
    }
    QApplication::quit();
}

void SetupWindow::ApplyEdits()
{
    SubjectEditExit();
    ResFileEditExit();
    for (const auto& [edit, field] : {std::pair{ToneFreqEdit, ConditionField::ToneF},
                                      std::pair{StartFreqEdit, ConditionField::StartF},
                                      std::pair{EndFreqEdit, ConditionField::EndF},
                                      std::pair{FreqStepEdit, ConditionField::FStep},
                                      std::pair{MaskerBWEdit, ConditionField::MaskerBW},
                                      std::pair{SPLstepEdit, ConditionField::SPLstep},
                                      std::pair{MaxMaskerEdit, ConditionField::MaxSPL}}) {
        if (edit->isModified()) {
            StoreEdit(edit, field);
            edit->setModified(false);
        }
    }
}

void SetupWindow::ResetResults()
{
    state_.ResetResults();
}


bool SetupWindow::CheckSoundDevice()
{
    const OutputDeviceStatus status = devices_.sound->CheckDevice();
    soundLine_ = QString::fromStdString(DescribeOutputDeviceStatus(status));
    ShowStatusLine();
    outputBits_ = status.CanPlay ? status.SampleBits : 0;
    ShowToneResolution();
    return status.CanPlay;
}

void SetupWindow::ShowToneResolution()
{
    // A tone in dB SL is judged at the level the run will play; without a threshold on record
    // there is no such level yet, and the level's label says so.
    std::optional<TestCondition> played;
    std::optional<double> bits;
    if (outputBits_ > 0 && state_.HasConditions()) {
        played = CurrentConditionAsPlayed(state_);
    }
    if (played) {
        bits = RunToneBits(state_.Settings, *played, outputBits_);
    }
    if (!bits || *bits >= FewestEffectiveBits) {
        QuietToneLabel->hide();
        return;
    }
    const QString warning = QString::fromStdString(
        QuietStimulusWarning("The tone at " + FormatShortest(played->ToneSPL) + " dB SPL", *bits, outputBits_));
    QuietToneLabel->setText(QString::fromStdString(QuietToneNote(*bits, outputBits_)));
    QuietToneLabel->setToolTip(warning);
    QuietToneLabel->setAccessibleDescription(warning);
    QuietToneLabel->show();
}

bool SetupWindow::SoundDeviceReadyFor(const QString& action)
{
    if (!AttenuatorModePlays(state_.Settings.Attenuator) || CheckSoundDevice()) {
        return true;
    }
    ShowMessage(action + " cannot start. " + soundLine_
                + " Connect or start the sound device, then press Refresh.");
    return false;
}

void SetupWindow::TonePlayClick()
{
    ApplyEdits();
    if (!state_.HasConditions() || !AttenuatorModePlays(state_.Settings.Attenuator)) {
        return;
    }
    CheckSoundDevice();
    if (const Result<> check = CheckPreviewTone(state_.Settings, state_.Current(), DecimalSeparator()); !check) {
        ShowMessage(QString::fromStdString("The tone cannot be played: " + check.Reason() + "."));
        return;
    }
    const Result<TonePreviewOutcome> previewed = PlayTonePreview(state_, *devices_.sound, [this](float level) {
        const Result<int> whole = TruncateLevel(level);
        return whole ? kc35_->SetAttenuatorLevel(2, whole.Value()) : Result<>(Failure{whole.Reason()});
    });
    if (!previewed) {
        ShowMessage(QString::fromStdString(previewed.Reason()));
        return;
    }
    const TonePreviewOutcome& outcome = previewed.Value();
    // Which device was tried is only looked up when the tone was not played.
    const std::string device = outcome.Played ? std::string() : devices_.sound->DescribeDevice();
    const std::string deviceAdvice =
        (device.empty() ? std::string() : "It tried " + device + ". ")
        + "Check that the device is connected and not in use by another program. The command \"quorvex-sim devices "
          "FILE\" lists the sound output devices PortAudio sees and the one AudioDevice in the test-condition file "
          "FILE chooses.";
    const Result<> preview = TonePreviewResult(outcome, QDir::currentPath().toStdString(), deviceAdvice);
    if (!preview) {
        ShowMessage(QString::fromStdString(preview.Reason()));
    }
    if (outcome.Played && outcome.Dropout) {
        ShowMessage("The tone was played with a dropout: the sound device lost part of it, so it had a gap. "
                    "Close other programs and play it again.");
    }
}

void SetupWindow::RunPTCClick()
{
    ApplyEdits();
    if (const Result<> check = CheckRunConditions(state_, DecimalSeparator()); !check) {
        ShowMessage(QString::fromStdString(check.Reason()));
        return;
    }
    if (const Result<> calibration = RefreshCalibration(); !calibration) {
        ShowMessage(QString::fromStdString(calibration.Reason()));
        return;
    }
    if (state_.Current().ToneSL) {
        if (const Result<ResolvedTone> tone = ResolveToneSL(state_, {}); !tone) {
            ShowMessage(QString::fromStdString(tone.Reason()));
            return;
        }
    }
    if (!SoundDeviceReadyFor("Run PTC")) {
        return;
    }
    ResetResults();
    GraphPTC->setEnabled(false);
    runWindow_->Run().Kind = RunKind::Ptc;
    runWindow_->exec();
}

void SetupWindow::ThresholdClick()
{
    ApplyEdits();
    if (const Result<> check = CheckThresholdRun(state_, DecimalSeparator()); !check) {
        ShowMessage(QString::fromStdString(check.Reason()));
        return;
    }
    if (const Result<> calibration = RefreshCalibration(); !calibration) {
        ShowMessage(QString::fromStdString(calibration.Reason()));
        return;
    }
    if (!SoundDeviceReadyFor("Threshold")) {
        return;
    }
    runWindow_->Run().Kind = RunKind::Threshold;
    runWindow_->exec();
    runWindow_->Run().Kind = RunKind::Ptc;
    ShowToneLevel();  // a tone in dB SL now rests on this threshold
}

void SetupWindow::GraphPTCClick()
{
    if (state_.Results.StoredResultCount > 2) {
        graphWindow_->exec();
        return;
    }
    // After a restart: the latest run on record, in a window of its own state.
    std::optional<SharedState> recorded = StateOfLatestRecordedRun(state_);
    if (!recorded) {
        ShowMessage("The session record of " + ResFileEdit->text() + " holds no run of " + SubjectEdit->text()
                    + " with more than two points.");
        return;
    }
    GraphWindow window(*recorded, this);
    window.exec();
}

void SetupWindow::EnableGraphResults()
{
    GraphPTC->setEnabled(state_.Results.StoredResultCount > 2 || HasRecordedRun(state_));
}

void SetupWindow::CalibrateClick()
{
    ApplyEdits();
    if (!SoundDeviceReadyFor("Calibrate")) {
        return;
    }
    calibrationWindow_->exec();
    // The window may have chosen another profile, made one, or saved readings and checks.
    ShowCalibration();
}

void SetupWindow::ExitClick()
{
    QApplication::quit();
}

void SetupWindow::ManualClick()
{
    ShowHelpWindow(this);
}

void SetupWindow::AboutClick()
{
    aboutBox_->exec();
}
