#include "SetupWindow.h"

#include "Clock.h"
#include "FreqPointCount.h"
#include "HelpWindow.h"
#include "Kc35Attenuator.h"
#include "PortAudioOutput.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "ParameterFile.h"
#include "RunChecks.h"
#include "SessionPanel.h"
#include "SessionRunner.h"
#include "StimulusLimits.h"
#include "StimulusResolution.h"
#include "TonePreview.h"
#include "Controls.h"
#include "EditExitHandlers.h"
#include "OneLineValidator.h"
#include "RunWindow.h"
#include "GraphWindow.h"
#include "CalibrationWindow.h"
#include "AboutBox.h"
#include "TComPort.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int ClientWidth = 502;
constexpr int ClientHeight = 395;

// The tabled columns. Labels in front of edits end LabelGap pixels before their edit; where the
// window's font makes a caption wider than its room, the edit column moves right (and with it
// everything right of it) by just as much, so that the layout stays and every caption shows.
constexpr int LabelGap = 4;
constexpr int EditColumn = 112;       // the condition edits
constexpr int RightColumn = 240;      // where the right-hand controls may begin
constexpr int RightEditColumn = 352;  // the subject and results edits

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->adjustSize();
    return label;
}

// Places a label at its tabled left and top; one in front of an edit is right-aligned to end
// LabelGap pixels before `edit`, and never starts left of `columnStart`.
void PlaceLabel(QLabel* label, int left, int top, int edit = 0, int columnStart = 0)
{
    if (edit == 0) {
        label->move(left, top + 3);
        return;
    }
    const int rightEdge = edit - LabelGap;
    const int x = std::max(columnStart, std::min(left, rightEdge - label->width()));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(x, top + 3, rightEdge - x, label->height());
}

// How far the edits after `room` pixels of label space must move right for the widest label.
int ColumnShift(std::initializer_list<const QLabel*> labels, int room)
{
    int widest = 0;
    for (const QLabel* label : labels) {
        widest = std::max(widest, label->width());
    }
    return std::max(0, widest + LabelGap - room);
}

// "Condition 2 of 5", beside the arrows that step through the conditions.
QString ConditionOfCount(int n, int count)
{
    return QString("Condition %1 of %2").arg(n).arg(count);
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, QRect geometry, QLabel* label)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    label->setBuddy(edit);
    edit->setAccessibleName(label->text());
    return edit;
}

// The radio buttons list Left, Right and Upwards, Downwards: a button's id is its place.
int ButtonOf(EarSide ear)
{
    return ear == EarSide::Left ? 0 : 1;
}

int ButtonOf(Sweep direction)
{
    return direction == Sweep::Up ? 0 : 1;
}

}  // namespace

SetupWindow::SetupWindow(SetupWindowDevices devices, QWidget* parent)
    : QMainWindow(parent)
    , devices_(devices)
{
    if (devices_.clock == nullptr || devices_.dispatcher == nullptr) {
        throw std::invalid_argument("The set-up window needs a clock and an event dispatcher");
    }
    if (devices_.serialLink == nullptr) {
        ownComPort_ = std::make_unique<TComPort>();
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
    ChooseSessionStart = [this](const QString& question) { return AskSessionStart(question); };

    // The state's own initial values are those of a window that has loaded nothing; the
    // results name follows the results edit.
    ResFileEdit->setText("default");
    state_.ResultsFileName = ResFileEdit->text().toStdString() + ".dat";
    GraphPTC->setEnabled(false);

    // The other windows, created once in this order and kept hidden until opened.
    runWindow_ = new RunWindow(state_, RunDevices{devices_.sound, devices_.clock, devices_.dispatcher, kc35_.get()}, this);
    runWindow_->OnRunFinished = [this](const RunReport& report) {
        if (report.StoredPoints > 2) {
            GraphPTC->setEnabled(true);
        }
    };
    graphWindow_ = new GraphWindow(state_, this);
    calibrationWindow_ = new CalibrationWindow(state_, *devices_.sound, *devices_.dispatcher, *kc35_, this);
    aboutBox_ = new AboutBox(this);

    setFixedSize(centralWidget()->width(),
                 ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    CheckSoundDevice();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::CreateControls()
{
    auto* client = new QWidget(this);
    client->setObjectName("ClientArea");
    setCentralWidget(client);

    auto* label10 = MakeLabel(client, "Label10", "Tone frequency (Hz)");
    auto* label7 = MakeLabel(client, "Label7", "Start frequency (Hz)");
    auto* label8 = MakeLabel(client, "Label8", "End frequency (Hz)");
    auto* label9 = MakeLabel(client, "Label9", "Frequency step (Hz)");
    auto* label1 = MakeLabel(client, "Label1", "Masker bandwidth (Hz)");
    auto* label2 = MakeLabel(client, "Label2", "Masker level step (dB)");
    auto* label3 = MakeLabel(client, "Label3", "Max. masker level (dB SPL)");
    auto* label4 = MakeLabel(client, "Label4", "Subject name");
    auto* label11 = MakeLabel(client, "Label11", "Results file name");
    // Sized for the longest it can say, so that the column leaves it room.
    ConditionLabel = MakeLabel(client, "ConditionLabel", ConditionOfCount(MaxConditionCount, MaxConditionCount));
    const int shift =
        ColumnShift({label10, label7, label8, label9, label1, label2, label3, ConditionLabel}, EditColumn);
    const int rightShift = ColumnShift({label4, label11}, RightEditColumn - RightColumn);
    // Tabled rectangles: of the edit column and right of it (moved), spanning the left column
    // (widened), of the right-hand edits (moved twice) and spanning up to them (widened).
    const auto edits = [shift](int x, int y, int w, int h) { return QRect(x + shift, y, w, h); };
    const auto spanning = [shift](int x, int y, int w, int h) { return QRect(x, y, w + shift, h); };
    const auto rightEdits = [shift, rightShift](int x, int y, int w, int h) {
        return QRect(x + shift + rightShift, y, w, h);
    };
    const auto rightSpanning = [shift, rightShift](int x, int y, int w, int h) {
        return QRect(x + shift, y, w + rightShift, h);
    };
    client->setFixedSize(ClientWidth + shift + rightShift, ClientHeight);

    const int editLeft = EditColumn + shift;
    PlaceLabel(label10, 32, 0, editLeft);
    ToneFreqEdit = MakeEdit(client, "ToneFreqEdit", "", edits(112, 0, 121, 21), label10);
    PlaceLabel(label7, 32, 24, editLeft);
    StartFreqEdit = MakeEdit(client, "StartFreqEdit", "", edits(112, 24, 121, 21), label7);
    PlaceLabel(label8, 32, 48, editLeft);
    EndFreqEdit = MakeEdit(client, "EndFreqEdit", "", edits(112, 48, 121, 21), label8);
    PlaceLabel(label9, 8, 72, editLeft);
    FreqStepEdit = MakeEdit(client, "FreqStepEdit", "", edits(112, 72, 121, 21), label9);
    PlaceLabel(label1, 16, 96, editLeft);
    MaskerBWEdit = MakeEdit(client, "MaskerBWEdit", "", edits(112, 96, 121, 21), label1);
    PlaceLabel(label2, 40, 120, editLeft);
    SPLstepEdit = MakeEdit(client, "SPLstepEdit", "", edits(112, 120, 121, 21), label2);
    PlaceLabel(label3, 16, 144, editLeft);
    MaxMaskerEdit = MakeEdit(client, "MaxMaskerEdit", "", edits(112, 144, 121, 21), label3);

    PreviousButton = MakeButton(client, "Button1", "<--", edits(112, 168, 59, 25));
    NextButton = MakeButton(client, "Button2", "-->", edits(176, 168, 57, 25));
    PreviousButton->setAccessibleName("Previous condition (<--)");
    NextButton->setAccessibleName("Next condition (-->)");
    PlaceLabel(ConditionLabel, 0, 168, editLeft);
    ConditionLabel->clear();

    auto* label5 = MakeLabel(client, "Label5", "Tone level");
    PlaceLabel(label5, 72, 200);
    LevelUnitLabel = MakeLabel(client, "Label6", "dB SPL");
    PlaceLabel(LevelUnitLabel, 136 + shift, 200);
    LevelUnitLabel->setMinimumWidth(90);
    ToneLevelSlider = new QSlider(Qt::Horizontal, client);
    ToneLevelSlider->setObjectName("TrackBar1");
    ToneLevelSlider->setGeometry(spanning(0, 224, 238, 45));
    ToneLevelSlider->setRange(0, 100);
    ToneLevelSlider->setTickInterval(10);
    ToneLevelSlider->setTickPosition(QSlider::TicksBelow);
    ToneLevelSlider->setValue(0);
    label5->setBuddy(ToneLevelSlider);
    ToneLevelSlider->setAccessibleName(label5->text());

    // The ellipsis: the button opens a window of its own (and its caption is not its name).
    Calibrate = MakeButton(client, "Calibrate", "Calibrate…", {56, 272, 65, 33});
    TonePlay = MakeButton(client, "TonePlay", "Tone", edits(136, 272, 65, 33));
    RunPTC = MakeButton(client, "RunPTC", "Run PTC", spanning(16, 312, 217, 33));
    GraphPTC = MakeButton(client, "GraphPTC", "Graph Results", spanning(16, 352, 217, 33));

    const int rightEditLeft = RightEditColumn + shift + rightShift;
    PlaceLabel(label4, 272 + shift, 0, rightEditLeft, RightColumn + shift);
    SubjectEdit = MakeEdit(client, "SubjectEdit", "", rightEdits(352, 0, 137, 21), label4);
    PlaceLabel(label11, 256 + shift, 24, rightEditLeft, RightColumn + shift);
    ResFileEdit = MakeEdit(client, "ResFileEdit", "", rightEdits(352, 24, 137, 21), label11);
    // Both names go into a line of the results file's header or into file names.
    for (QLineEdit* name : {SubjectEdit, ResFileEdit}) {
        name->setValidator(new OneLineValidator(name));
    }
    ParamButton = MakeButton(client, "ParamButton", "Parameters", rightSpanning(272, 72, 217, 25));
    // Until a file is loaded, the one thing to do is this.
    HintLabel = MakeLabel(client, "HintLabel", "Load a test-condition file\nwith Parameters");
    HintLabel->setGeometry(rightSpanning(272, 228, 217, HintLabel->sizeHint().height()));
    HintLabel->setAccessibleName("Load a test-condition file with Parameters");
    // In the hint's place once a file is loaded: a tone too quiet for the device's samples.
    QuietToneLabel = MakeLabel(client, "QuietToneLabel", "");
    QuietToneLabel->setWordWrap(true);
    QuietToneLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QuietToneLabel->setGeometry(rightSpanning(272, 228, 217, 77));
    QuietToneLabel->setAccessibleName("Quiet tone");
    QuietToneLabel->hide();

    const RadioGroup ear =
        MakeRadioGroup(client, "RadioGroup1", "Ear", rightSpanning(272, 112, 217, 49), {"Left", "Right"},
                       ButtonOf(EarSide::Right));
    EarGroup = ear.Box;
    EarButtons = ear.Buttons;
    const RadioGroup sweep = MakeRadioGroup(client, "RadioGroup2", "Sweep direction", rightSpanning(272, 168, 217, 49),
                                            {"Upwards", "Downwards"}, ButtonOf(Sweep::Up));
    SweepGroup = sweep.Box;
    SweepButtons = sweep.Buttons;

    // The two buttons stay right-aligned under the edits: a wider caption grows a button leftwards.
    InitKC35 = MakeButton(client, "InitKC35", "Initialise KC35", rightEdits(416, 360, 75, 25));
    InitKC35->move(rightEditLeft + 139 - InitKC35->width(), InitKC35->y());
    SerialPort = MakeButton(client, "SerialPort", "Serial Port", rightEdits(336, 360, 75, 25));
    SerialPort->move(InitKC35->x() - 5 - SerialPort->width(), SerialPort->y());
    // Beside Run PTC; last in the focus chain, after the tabled controls.
    RunSession = MakeButton(client, "RunSession", "Run Session", rightSpanning(272, 312, 217, 33));
    RunSession->setEnabled(false);

    for (QWidget* control : std::initializer_list<QWidget*>{
             ToneFreqEdit, StartFreqEdit, EndFreqEdit, FreqStepEdit, MaskerBWEdit, SPLstepEdit, MaxMaskerEdit,
             PreviousButton, NextButton, ToneLevelSlider, Calibrate, TonePlay, RunPTC, GraphPTC, SerialPort, InitKC35}) {
        control->setEnabled(false);
    }

    exitHandlers_.Attach(ToneFreqEdit, [this] { ToneFreqEditExit(); });
    exitHandlers_.Attach(StartFreqEdit, [this] { StartFreqEditExit(); });
    exitHandlers_.Attach(EndFreqEdit, [this] { EndFreqEditExit(); });
    exitHandlers_.Attach(FreqStepEdit, [this] { FreqStepEditExit(); });
    exitHandlers_.Attach(MaskerBWEdit, [this] { MaskerBWEditExit(); });
    exitHandlers_.Attach(SPLstepEdit, [this] { SPLstepEditExit(); });
    exitHandlers_.Attach(MaxMaskerEdit, [this] { MaxMaskerEditExit(); });
    exitHandlers_.Attach(SubjectEdit, [this] { SubjectEditExit(); });
    exitHandlers_.Attach(ResFileEdit, [this] { ResFileEditExit(); });

    connect(PreviousButton, &QPushButton::clicked, this, &SetupWindow::PreviousClick);
    connect(NextButton, &QPushButton::clicked, this, &SetupWindow::NextClick);
    connect(ToneLevelSlider, &QSlider::valueChanged, this, &SetupWindow::ToneLevelSliderChange);
    connect(Calibrate, &QPushButton::clicked, this, &SetupWindow::CalibrateClick);
    connect(TonePlay, &QPushButton::clicked, this, &SetupWindow::TonePlayClick);
    connect(RunPTC, &QPushButton::clicked, this, &SetupWindow::RunPTCClick);
    connect(RunSession, &QPushButton::clicked, this, &SetupWindow::RunSessionClick);
    connect(SubjectEdit, &QLineEdit::textChanged, this, &SetupWindow::EnableRunSession);
    connect(GraphPTC, &QPushButton::clicked, this, &SetupWindow::GraphPTCClick);
    connect(ParamButton, &QPushButton::clicked, this, &SetupWindow::ParamButtonClick);
    connect(SerialPort, &QPushButton::clicked, this, &SetupWindow::SerialPortClick);
    connect(InitKC35, &QPushButton::clicked, this, &SetupWindow::InitKC35Click);
    connect(EarButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            EarGroupClick();
        }
    });
    connect(SweepButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            SweepGroupClick();
        }
    });
}

void SetupWindow::CreateMenu()
{
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    RunSessionAction = file->addAction("Run Session");
    RunSessionAction->setObjectName("RunSession1");
    RunSessionAction->setEnabled(false);
    connect(RunSessionAction, &QAction::triggered, this, &SetupWindow::RunSessionClick);
    QAction* exit = file->addAction("Exit");
    exit->setObjectName("Exit1");
    connect(exit, &QAction::triggered, this, &SetupWindow::ExitClick);

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    QAction* manual = help->addAction("Quorvex Help");
    manual->setObjectName("QuorvexHelp1");
    connect(manual, &QAction::triggered, this, &SetupWindow::ManualClick);
    QAction* about = help->addAction("About");
    about->setObjectName("About1");
    connect(about, &QAction::triggered, this, &SetupWindow::AboutClick);
}

void SetupWindow::SetTabOrder()
{
    const QList<QWidget*> order = {ToneLevelSlider, TonePlay, RunPTC, GraphPTC, StartFreqEdit, EndFreqEdit, FreqStepEdit,
                                   ToneFreqEdit, MaskerBWEdit, SerialPort, InitKC35, Calibrate, SPLstepEdit,
                                   MaxMaskerEdit, ParamButton, PreviousButton, NextButton, EarGroup, SubjectEdit,
                                   ResFileEdit, SweepGroup, RunSession};
    // A radio group takes part in the order through its buttons.
    QList<QWidget*> chain;
    for (QWidget* control : order) {
        const QButtonGroup* group = control == EarGroup ? EarButtons : control == SweepGroup ? SweepButtons : nullptr;
        if (group == nullptr) {
            chain.append(control);
            continue;
        }
        for (QAbstractButton* button : group->buttons()) {
            chain.append(button);
        }
    }
    for (qsizetype i = 0; i + 1 < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
}

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
    const std::string path = chosen ? chosen->toStdString() : std::string("./PTC.INI");
    ParameterLoad load = LoadParameterFile(path, DecimalSeparator());
    if (!load.Loaded) {
        throw std::runtime_error(load.Error);
    }
    state_.ParameterFileName = path;
    ApplyParameterSet(state_, std::move(load.Parameters));
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

    for (QWidget* control : std::initializer_list<QWidget*>{PreviousButton, NextButton, Calibrate, TonePlay, RunPTC, ToneLevelSlider,
                                                            ToneFreqEdit, StartFreqEdit, EndFreqEdit, FreqStepEdit,
                                                            MaskerBWEdit, SPLstepEdit, MaxMaskerEdit}) {
        control->setEnabled(true);
    }
    RefreshParameters();
    InitialiseAttenuators();
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
    const QString level =
        QString::fromStdString(FormatForDisplay(state_.Current().ToneSPL, DecimalSeparator())) + " dB SPL";
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
    StoreEditedValue(state_, field, edit->text().toStdString(), DecimalSeparator());
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
    if (ownComPort_ && !state_.Settings.SerialPort.empty()) {
        ownComPort_->SetPort(state_.Settings.SerialPort);
    }
    const bool kc35 = state_.Settings.Attenuator == AttenuatorMode::Kc35;
    if (kc35) {
        kc35_->SendKC35Setup();  // a serial error leaves both buttons as they were
    }
    SerialPort->setEnabled(kc35);
    InitKC35->setEnabled(kc35);
}

void SetupWindow::SerialPortClick()
{
    if (ownComPort_) {
        ownComPort_->ShowSetupDialog(this);
    }
}

void SetupWindow::InitKC35Click()
{
    kc35_->SendKC35Setup();
}

void SetupWindow::EarGroupClick()
{
    state_.Ear = EarButtons->checkedId() == ButtonOf(EarSide::Left) ? EarSide::Left : EarSide::Right;
    if (state_.Settings.Attenuator == AttenuatorMode::Kc35) {
        kc35_->SendEarRouting(state_.Ear);
    }
}

void SetupWindow::SweepGroupClick()
{
    state_.SweepDirection = SweepButtons->checkedId() == ButtonOf(Sweep::Down) ? Sweep::Down : Sweep::Up;
}

void SetupWindow::SubjectEditExit()
{
    state_.SubjectName = SubjectEdit->text().toStdString();
}

void SetupWindow::ResFileEditExit()
{
    state_.ResultsFileName = ResFileEdit->text().toStdString() + ".dat";
}

void SetupWindow::ResetResults()
{
    state_.ResetResults();
}

void SetupWindow::CreateSoundStatus()
{
    SoundStatus = new QLabel(this);
    SoundStatus->setObjectName("SoundStatus");
    SoundStatus->setAccessibleName("Sound device");
    // A long device name or reason wraps onto a second line rather than being cut.
    SoundStatus->setWordWrap(true);
    SoundStatus->setMinimumHeight(2 * SoundStatus->fontMetrics().lineSpacing());
    SoundRefresh = new QPushButton("Refresh", this);
    SoundRefresh->setObjectName("SoundRefresh");
    SoundRefresh->setAccessibleName("Refresh the sound device");
    connect(SoundRefresh, &QPushButton::clicked, this, [this] { CheckSoundDevice(); });
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(SoundStatus, 1);
    statusBar()->addPermanentWidget(SoundRefresh);
}

bool SetupWindow::CheckSoundDevice()
{
    const OutputDeviceStatus status = devices_.sound->CheckDevice();
    const QString line = QString::fromStdString(DescribeOutputDeviceStatus(status));
    SoundStatus->setText(line);
    SoundStatus->setToolTip(line);
    SoundStatus->setAccessibleDescription(line);
    outputBits_ = status.CanPlay ? status.SampleBits : 0;
    ShowToneResolution();
    return status.CanPlay;
}

void SetupWindow::ShowToneResolution()
{
    std::optional<double> bits;
    if (outputBits_ > 0 && state_.HasConditions()) {
        bits = RunToneBits(state_.Settings, state_.Current(), outputBits_);
    }
    if (!bits || *bits >= FewestEffectiveBits) {
        QuietToneLabel->hide();
        return;
    }
    const QString warning = QString::fromStdString(
        QuietStimulusWarning("The tone at " + FormatShortest(state_.Current().ToneSPL) + " dB SPL", *bits, outputBits_));
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
    ShowMessage(action + " cannot start. " + SoundStatus->text()
                + " Connect or start the sound device, then press Refresh.");
    return false;
}

void SetupWindow::TonePlayClick()
{
    if (!state_.HasConditions() || !AttenuatorModePlays(state_.Settings.Attenuator)) {
        return;
    }
    CheckSoundDevice();
    if (const auto refusal = CheckPreviewTone(state_.Settings, state_.Current(), DecimalSeparator())) {
        throw std::runtime_error("The tone cannot be played: " + *refusal + ".");
    }
    const TonePreviewOutcome outcome = PlayTonePreview(
        state_, *devices_.sound, [this](float level) { kc35_->SetAttenuatorLevel(2, TruncateLevel(level)); });
    // Which device was tried is only looked up when the tone was not played.
    const std::string device = outcome.Played ? std::string() : devices_.sound->DescribeDevice();
    const std::string deviceAdvice =
        (device.empty() ? std::string() : "It tried " + device + ". ")
        + "Check that the device is connected and not in use by another program. The command \"quorvex-sim devices "
          "FILE\" lists the sound output devices PortAudio sees and the one AudioDevice in the test-condition file "
          "FILE chooses.";
    if (const auto problem = TonePreviewProblem(outcome, QDir::currentPath().toStdString(), deviceAdvice)) {
        ShowMessage(QString::fromStdString(*problem));
    }
    if (outcome.Played && outcome.Dropout) {
        ShowMessage("The tone was played with a dropout: the sound device lost part of it, so it had a gap. "
                    "Close other programs and play it again.");
    }
}

void SetupWindow::RunPTCClick()
{
    if (const auto refusal = CheckRunConditions(state_, DecimalSeparator())) {
        throw std::runtime_error(*refusal);
    }
    if (!SoundDeviceReadyFor("Run PTC")) {
        return;
    }
    ResetResults();
    GraphPTC->setEnabled(false);
    runWindow_->exec();
}

SetupWindow::SessionStart SetupWindow::AskSessionStart(const QString& question)
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), question, QMessageBox::NoButton, this);
    const QAbstractButton* proceed = box.addButton(question.section('\n', -1), QMessageBox::AcceptRole);
    const QAbstractButton* fresh = box.addButton("Start a new session", QMessageBox::DestructiveRole);
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == proceed ? SessionStart::Continue
           : box.clickedButton() == fresh ? SessionStart::New
                                          : SessionStart::Cancel;
}

void SetupWindow::EnableRunSession()
{
    if (RunSessionAction == nullptr) {
        return;
    }
    const bool ready = protocol_.Present && !SubjectEdit->text().isEmpty();
    RunSession->setEnabled(ready);
    RunSessionAction->setEnabled(ready);
}

void SetupWindow::ShowSessionRun(int index)
{
    const SessionRun& run = protocol_.Runs.at(static_cast<std::size_t>(index));
    state_.CurrentCondition = run.Condition - 1;
    RefreshParameters();
    // Choosing the ear runs its handler, which in KC35 mode sends the routing when it changes.
    EarButtons->button(ButtonOf(run.Ear))->setChecked(true);
    SweepButtons->button(ButtonOf(run.SweepDirection))->setChecked(true);
}

void SetupWindow::RunSessionClick()
{
    SubjectEditExit();
    ResFileEditExit();
    if (!protocol_.Runnable()) {
        throw std::runtime_error(protocol_.Present ? "The session cannot be run: " + protocol_.Refusal
                                                   : "The test-condition file has no [Session] section.");
    }
    if (const auto refusal = CheckSessionRuns(protocol_, state_, DecimalSeparator())) {
        throw std::runtime_error(*refusal);
    }
    if (!SoundDeviceReadyFor("Run Session")) {
        return;
    }
    SessionRunner runner(protocol_, state_.SubjectName, state_.ResultsFileName);
    if (!runner.RecordProblem().empty()) {
        throw std::runtime_error(runner.RecordProblem());
    }
    if (const auto& unfinished = runner.Unfinished()) {
        const QString question = QString("%1 has an unfinished session of this protocol in %2.\n"
                                         "Continue at run %3 of %4")
                                     .arg(QString::fromStdString(state_.SubjectName),
                                          QString::fromStdString(SessionRecordFileName(state_.ResultsFileName)))
                                     .arg(unfinished->ContinueAt + 1)
                                     .arg(runner.Runs());
        const SessionStart choice = ChooseSessionStart(question);
        if (choice == SessionStart::Cancel) {
            return;
        }
        if (choice == SessionStart::Continue) {
            runner.Continue();
        } else {
            runner.StartNew(std::chrono::system_clock::now());
        }
    } else {
        runner.StartNew(std::chrono::system_clock::now());
    }
    GraphPTC->setEnabled(false);
    SessionPanel panel(runner, state_, *runWindow_, [this](int index) { ShowSessionRun(index); });
    panel.ShowMessage = ShowMessage;
    panel.show();
    panel.Begin();
    runWindow_->exec();
}

void SetupWindow::GraphPTCClick()
{
    graphWindow_->exec();
}

void SetupWindow::CalibrateClick()
{
    if (!SoundDeviceReadyFor("Calibrate")) {
        return;
    }
    calibrationWindow_->exec();
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
