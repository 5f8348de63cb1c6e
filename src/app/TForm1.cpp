#include "TForm1.h"

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
#include "TonePreview.h"
#include "Controls.h"
#include "EditExitHandlers.h"
#include "OneLineValidator.h"
#include "TForm2.h"
#include "TForm3.h"
#include "TForm4.h"
#include "TForm5.h"
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

}  // namespace

TForm1::TForm1(TForm1Devices devices, QWidget* parent)
    : QMainWindow(parent)
    , devices_(devices)
{
    if (devices_.clock == nullptr || devices_.dispatcher == nullptr) {
        throw std::invalid_argument("The set-up window needs a clock and an event dispatcher");
    }
    if (devices_.serialLink == nullptr) {
        ComPort1 = std::make_unique<TComPort>();
        devices_.serialLink = ComPort1.get();
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
    Form2 = new TForm2(state_, RunDevices{devices_.sound, devices_.clock, devices_.dispatcher, kc35_.get()}, this);
    Form2->OnRunFinished = [this](const RunReport& report) {
        if (report.StoredPoints > 2) {
            GraphPTC->setEnabled(true);
        }
    };
    Form3 = new TForm3(state_, this);
    Form4 = new TForm4(state_, *devices_.sound, *devices_.dispatcher, *kc35_, this);
    Form5 = new TForm5(this);

    setFixedSize(centralWidget()->width(),
                 ClientHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    CheckSoundDevice();
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TForm1::~TForm1() = default;

void TForm1::CreateControls()
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

    Button1 = MakeButton(client, "Button1", "<--", edits(112, 168, 59, 25));
    Button2 = MakeButton(client, "Button2", "-->", edits(176, 168, 57, 25));
    Button1->setAccessibleName("Previous condition (<--)");
    Button2->setAccessibleName("Next condition (-->)");
    PlaceLabel(ConditionLabel, 0, 168, editLeft);
    ConditionLabel->clear();

    auto* label5 = MakeLabel(client, "Label5", "Tone level");
    PlaceLabel(label5, 72, 200);
    Label6 = MakeLabel(client, "Label6", "dB SPL");
    PlaceLabel(Label6, 136 + shift, 200);
    Label6->setMinimumWidth(90);
    TrackBar1 = new QSlider(Qt::Horizontal, client);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setGeometry(spanning(0, 224, 238, 45));
    TrackBar1->setRange(0, 100);
    TrackBar1->setTickInterval(10);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setValue(0);
    label5->setBuddy(TrackBar1);
    TrackBar1->setAccessibleName(label5->text());

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

    const RadioGroup ear =
        MakeRadioGroup(client, "RadioGroup1", "Ear", rightSpanning(272, 112, 217, 49), {"Left", "Right"}, 1);
    RadioGroup1 = ear.Box;
    EarButtons = ear.Buttons;
    const RadioGroup sweep = MakeRadioGroup(client, "RadioGroup2", "Sweep direction", rightSpanning(272, 168, 217, 49),
                                            {"Upwards", "Downwards"}, 0);
    RadioGroup2 = sweep.Box;
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
             Button1, Button2, TrackBar1, Calibrate, TonePlay, RunPTC, GraphPTC, SerialPort, InitKC35}) {
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

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(TrackBar1, &QSlider::valueChanged, this, &TForm1::TrackBar1Change);
    connect(Calibrate, &QPushButton::clicked, this, &TForm1::CalibrateClick);
    connect(TonePlay, &QPushButton::clicked, this, &TForm1::TonePlayClick);
    connect(RunPTC, &QPushButton::clicked, this, &TForm1::RunPTCClick);
    connect(RunSession, &QPushButton::clicked, this, &TForm1::RunSessionClick);
    connect(SubjectEdit, &QLineEdit::textChanged, this, &TForm1::EnableRunSession);
    connect(GraphPTC, &QPushButton::clicked, this, &TForm1::GraphPTCClick);
    connect(ParamButton, &QPushButton::clicked, this, &TForm1::ParamButtonClick);
    connect(SerialPort, &QPushButton::clicked, this, &TForm1::SerialPortClick);
    connect(InitKC35, &QPushButton::clicked, this, &TForm1::InitKC35Click);
    connect(EarButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            RadioGroup1Click();
        }
    });
    connect(SweepButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            RadioGroup2Click();
        }
    });
}

void TForm1::CreateMenu()
{
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("File1");
    RunSession1 = file->addAction("Run Session");
    RunSession1->setObjectName("RunSession1");
    RunSession1->setEnabled(false);
    connect(RunSession1, &QAction::triggered, this, &TForm1::RunSessionClick);
    QAction* exit = file->addAction("Exit");
    exit->setObjectName("Exit1");
    connect(exit, &QAction::triggered, this, &TForm1::Exit1Click);

    QMenu* help = menuBar()->addMenu("Help");
    help->setObjectName("Help1");
    QAction* manual = help->addAction("Quorvex Help");
    manual->setObjectName("QuorvexHelp1");
    connect(manual, &QAction::triggered, this, &TForm1::QuorvexHelp1Click);
    QAction* about = help->addAction("About");
    about->setObjectName("About1");
    connect(about, &QAction::triggered, this, &TForm1::About1Click);
}

void TForm1::SetTabOrder()
{
    const QList<QWidget*> order = {TrackBar1, TonePlay, RunPTC, GraphPTC, StartFreqEdit, EndFreqEdit, FreqStepEdit,
                                   ToneFreqEdit, MaskerBWEdit, SerialPort, InitKC35, Calibrate, SPLstepEdit,
                                   MaxMaskerEdit, ParamButton, Button1, Button2, RadioGroup1, SubjectEdit,
                                   ResFileEdit, RadioGroup2, RunSession};
    // A radio group takes part in the order through its buttons.
    QList<QWidget*> chain;
    for (QWidget* control : order) {
        const QButtonGroup* group = control == RadioGroup1 ? EarButtons : control == RadioGroup2 ? SweepButtons : nullptr;
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

char TForm1::DecimalSeparator() const
{
    return SystemDecimalSeparator();
}

std::optional<QString> TForm1::ShowParameterFileDialog()
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

void TForm1::ShowNoticeBox(const QString& message)
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

void TForm1::ParamButtonClick()
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

    for (QWidget* control : std::initializer_list<QWidget*>{Button1, Button2, Calibrate, TonePlay, RunPTC, TrackBar1,
                                                            ToneFreqEdit, StartFreqEdit, EndFreqEdit, FreqStepEdit,
                                                            MaskerBWEdit, SPLstepEdit, MaxMaskerEdit}) {
        control->setEnabled(true);
    }
    RefreshParameters();
    InitialiseAttenuators();
}

void TForm1::RefreshParameters()
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
    TrackBar1->setValue(TrackBarPositionFor(c.ToneSPL));  // runs TrackBar1Change when it moves
    ConditionLabel->setText(ConditionOfCount(state_.CurrentCondition + 1, static_cast<int>(state_.Conditions.size())));
    ShowToneLevel();
    state_.FreqPointCount = FreqPointCount(state_.Current());
    Form4->SetLevelText(text(state_.Settings.CalibFactor) + " dB SPL");
}

void TForm1::ShowToneLevel()
{
    const QString level =
        QString::fromStdString(FormatForDisplay(state_.Current().ToneSPL, DecimalSeparator())) + " dB SPL";
    Label6->setText(level);
    Label6->adjustSize();
    // The label's text is the level; the track bar, named "Tone Level:", tells it too, since its
    // position alone holds whole decibels only.
    Label6->setAccessibleName("Tone level " + level);
    TrackBar1->setAccessibleDescription(level);
}

void TForm1::TrackBar1Change()
{
    if (!state_.HasConditions()) {
        return;
    }
    SetToneLevelFromTrackBar(state_, TrackBar1->value());
    ShowToneLevel();
}

void TForm1::StoreEdit(QLineEdit* edit, ConditionField field)
{
    if (!state_.HasConditions()) {
        return;
    }
    StoreEditedValue(state_, field, edit->text().toStdString(), DecimalSeparator());
    RefreshParameters();
}

void TForm1::ToneFreqEditExit() { StoreEdit(ToneFreqEdit, ConditionField::ToneF); }
void TForm1::StartFreqEditExit() { StoreEdit(StartFreqEdit, ConditionField::StartF); }
void TForm1::EndFreqEditExit() { StoreEdit(EndFreqEdit, ConditionField::EndF); }
void TForm1::FreqStepEditExit() { StoreEdit(FreqStepEdit, ConditionField::FStep); }
void TForm1::MaskerBWEditExit() { StoreEdit(MaskerBWEdit, ConditionField::MaskerBW); }
void TForm1::SPLstepEditExit() { StoreEdit(SPLstepEdit, ConditionField::SPLstep); }
void TForm1::MaxMaskerEditExit() { StoreEdit(MaxMaskerEdit, ConditionField::MaxSPL); }

void TForm1::Button1Click()
{
    PreviousCondition(state_);
    RefreshParameters();
}

void TForm1::Button2Click()
{
    NextCondition(state_);
    RefreshParameters();
}

void TForm1::InitialiseAttenuators()
{
    // A file naming a port chooses it; without the key the port stays as it was (the
    // platform's default, or what the operator chose in the setup dialog).
    if (ComPort1 && !state_.Settings.SerialPort.empty()) {
        ComPort1->SetPort(state_.Settings.SerialPort);
    }
    const bool kc35 = state_.Settings.Attenuator == 2;
    if (kc35) {
        kc35_->SendKC35Setup();  // a serial error leaves both buttons as they were
    }
    SerialPort->setEnabled(kc35);
    InitKC35->setEnabled(kc35);
}

void TForm1::SerialPortClick()
{
    if (ComPort1) {
        ComPort1->ShowSetupDialog(this);
    }
}

void TForm1::InitKC35Click()
{
    kc35_->SendKC35Setup();
}

void TForm1::RadioGroup1Click()
{
    state_.Ear = EarButtons->checkedId() == 0 ? 0 : 1;
    if (state_.Settings.Attenuator == 2) {
        kc35_->SendEarRouting(state_.Ear);
    }
}

void TForm1::RadioGroup2Click()
{
    state_.SweepDirection = SweepButtons->checkedId() == 1 ? 1 : 0;
}

void TForm1::SubjectEditExit()
{
    state_.SubjectName = SubjectEdit->text().toStdString();
}

void TForm1::ResFileEditExit()
{
    state_.ResultsFileName = ResFileEdit->text().toStdString() + ".dat";
}

void TForm1::ResetResults()
{
    state_.ResetResults();
}

void TForm1::CreateSoundStatus()
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

bool TForm1::CheckSoundDevice()
{
    const OutputDeviceStatus status = devices_.sound->CheckDevice();
    const QString line = QString::fromStdString(DescribeOutputDeviceStatus(status));
    SoundStatus->setText(line);
    SoundStatus->setToolTip(line);
    SoundStatus->setAccessibleDescription(line);
    return status.CanPlay;
}

bool TForm1::SoundDeviceReadyFor(const QString& action)
{
    if (!TonePreviewPlaysIn(state_.Settings.Attenuator) || CheckSoundDevice()) {
        return true;
    }
    ShowMessage(action + " cannot start. " + SoundStatus->text()
                + " Connect or start the sound device, then press Refresh.");
    return false;
}

void TForm1::TonePlayClick()
{
    if (!state_.HasConditions() || !TonePreviewPlaysIn(state_.Settings.Attenuator)) {
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

void TForm1::RunPTCClick()
{
    if (const auto refusal = CheckRunConditions(state_, DecimalSeparator())) {
        throw std::runtime_error(*refusal);
    }
    if (!SoundDeviceReadyFor("Run PTC")) {
        return;
    }
    ResetResults();
    GraphPTC->setEnabled(false);
    Form2->exec();
}

TForm1::SessionStart TForm1::AskSessionStart(const QString& question)
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

void TForm1::EnableRunSession()
{
    if (RunSession1 == nullptr) {
        return;
    }
    const bool ready = protocol_.Present && !SubjectEdit->text().isEmpty();
    RunSession->setEnabled(ready);
    RunSession1->setEnabled(ready);
}

void TForm1::ShowSessionRun(int index)
{
    const SessionRun& run = protocol_.Runs.at(static_cast<std::size_t>(index));
    state_.CurrentCondition = run.Condition - 1;
    RefreshParameters();
    // Choosing the ear runs its handler, which in KC35 mode sends the routing when it changes.
    EarButtons->button(run.Ear)->setChecked(true);
    SweepButtons->button(run.SweepDirection)->setChecked(true);
}

void TForm1::RunSessionClick()
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
    SessionPanel panel(runner, state_, *Form2, [this](int index) { ShowSessionRun(index); });
    panel.ShowMessage = ShowMessage;
    panel.show();
    panel.Begin();
    Form2->exec();
}

void TForm1::GraphPTCClick()
{
    Form3->exec();
}

void TForm1::CalibrateClick()
{
    if (!SoundDeviceReadyFor("Calibrate")) {
        return;
    }
    Form4->exec();
}

void TForm1::Exit1Click()
{
    QApplication::quit();
}

void TForm1::QuorvexHelp1Click()
{
    ShowHelpWindow(this);
}

void TForm1::About1Click()
{
    Form5->exec();
}
