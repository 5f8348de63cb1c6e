// The set-up window's controls, menu and tab order, at the designer's places.
#include "SetupWindow.h"
#include "SetupWindowLayout.h"

#include "Controls.h"
#include "ListenerDetailsDialog.h"
#include "OneLineValidator.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>

#include <algorithm>

namespace {

constexpr int ClientWidth = 502;

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

QString ConditionOfCount(int n, int count)
{
    return QString("Condition %1 of %2").arg(n).arg(count);
}

int ButtonOf(EarSide ear)
{
    return ear == EarSide::Left ? 0 : 1;
}

int ButtonOf(Sweep direction)
{
    return direction == Sweep::Up ? 0 : 1;
}

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
    client->setFixedSize(ClientWidth + shift + rightShift, SetupClientHeight);

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
    // Threshold shares Run Session's place, nearest to Run PTC.
    const QRect sessionPlace = RunSession->geometry();
    const int thresholdWidth = (sessionPlace.width() - 5) / 2;
    Threshold = MakeButton(client, "RunThreshold", "Threshold",
                           QRect(sessionPlace.x(), sessionPlace.y(), thresholdWidth, sessionPlace.height()));
    RunSession->setGeometry(sessionPlace.adjusted(thresholdWidth + 5, 0, 0, 0));

    // Below the designer's controls: the calibration profile runs are measured with, and its standing.
    CalibrationProfileBox = new QComboBox(client);
    CalibrationProfileBox->setObjectName("CalibrationProfileBox");
    CalibrationProfileBox->setGeometry(spanning(16, SetupDesignedHeight + 23, 217, 24));
    auto* profileLabel = MakeLabel(client, "CalibrationProfileLabel", "Calibration profile");
    PlaceLabel(profileLabel, 16, SetupDesignedHeight + 2);
    profileLabel->setBuddy(CalibrationProfileBox);
    CalibrationProfileBox->setAccessibleName(profileLabel->text());
    CalibrationStanding = MakeLabel(client, "CalibrationStanding", "");
    CalibrationStanding->setWordWrap(true);
    CalibrationStanding->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    CalibrationStanding->setGeometry(rightSpanning(272, SetupDesignedHeight + 4, 217, SetupClientHeight - SetupDesignedHeight - 6));
    CalibrationStanding->setAccessibleName("Calibration");

    for (QWidget* control : std::initializer_list<QWidget*>{
             ToneFreqEdit, StartFreqEdit, EndFreqEdit, FreqStepEdit, MaskerBWEdit, SPLstepEdit, MaxMaskerEdit,
             PreviousButton, NextButton, ToneLevelSlider, Calibrate, TonePlay, RunPTC, Threshold, GraphPTC, SerialPort,
             InitKC35}) {
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
    connect(Threshold, &QPushButton::clicked, this, &SetupWindow::ThresholdClick);
    connect(RunSession, &QPushButton::clicked, this, &SetupWindow::RunSessionClick);
    connect(SubjectEdit, &QLineEdit::textChanged, this, &SetupWindow::EnableRunSession);
    connect(GraphPTC, &QPushButton::clicked, this, &SetupWindow::GraphPTCClick);
    connect(ParamButton, &QPushButton::clicked, this, &SetupWindow::ParamButtonClick);
    connect(SerialPort, &QPushButton::clicked, this, &SetupWindow::SerialPortClick);
    connect(InitKC35, &QPushButton::clicked, this, &SetupWindow::InitKC35Click);
    connect(CalibrationProfileBox, &QComboBox::activated, this, &SetupWindow::CalibrationProfileChosen);
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
    QAction* details = file->addAction("Listener details…");
    details->setObjectName("ListenerDetails1");
    connect(details, &QAction::triggered, this, [this] {
        auto* dialog = new ListenerDetailsDialog(state_, this);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
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
                                   ResFileEdit, SweepGroup, Threshold, RunSession, CalibrationProfileBox};
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
void SetupWindow::CreateSoundStatus()
{
    SoundStatus = new QLabel(this);
    SoundStatus->setObjectName("SoundStatus");
    SoundStatus->setAccessibleName("Sound device");
    // A long device name or reason, and whether levels are calibrated, wrap onto more lines
    // rather than being cut.
    SoundStatus->setWordWrap(true);
    SoundStatus->setMinimumHeight(3 * SoundStatus->fontMetrics().lineSpacing());
    SoundRefresh = new QPushButton("Refresh", this);
    SoundRefresh->setObjectName("SoundRefresh");
    SoundRefresh->setAccessibleName("Refresh the sound device");
    connect(SoundRefresh, &QPushButton::clicked, this, [this] { CheckSoundDevice(); });
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(SoundStatus, 1);
    statusBar()->addPermanentWidget(SoundRefresh);
}
