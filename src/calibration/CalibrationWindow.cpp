#include "CalibrationWindow.h"

#include "Controls.h"
#include "NewProfileDialog.h"
#include "NumberParse.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int ClientWidth = 294;
// With a row for the tone's description below the tabled controls, and the profile, the meter
// reading and the listening check below it.
constexpr int ClientHeight = 580;
// The level label may grow to the right up to the buttons so that a long level stays whole.
constexpr int LabelLeft = 8;
constexpr int LabelMaxRight = 200;

}  // namespace

CalibrationWindow::CalibrationWindow(SharedState& state, SoundOutput& sound, EventDispatcher& dispatcher, Kc35Attenuator& attenuator,
               QWidget* parent)
    : QDialog(parent)
    , state_(state)
    , procedure_(std::make_unique<CalibrationTone>(state, sound, dispatcher, attenuator))
    , store_(CalibrationStoreFolder())
{
    setObjectName("Form4");
    setWindowTitle("Quorvex — Calibration");
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    CreateControls();
    SetTabOrder();
    ShowMessage = [this](const QString& message) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), message);
    };
    AskNewProfile = [this]() -> std::optional<NewProfileRequest> {
        const std::optional<NewProfile> answer = AskForNewProfile(this, DefaultCalibrationIntervalDays);
        if (!answer) {
            return std::nullopt;
        }
        return NewProfileRequest{answer->Name, answer->IntervalDays};
    };
    Now = [] { return QDateTime::currentDateTime(); };
    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

CalibrationWindow::~CalibrationWindow() = default;

void CalibrationWindow::CreateControls()
{
    const RadioGroup channel =
        MakeRadioGroup(this, "RadioGroup1", "Channel", {8, 8, 273, 49}, {"Channel 1", "Channel 2"}, 0);
    ChannelGroup = channel.Box;
    ChannelButtons = channel.Buttons;
    connect(ChannelButtons, &QButtonGroup::idClicked, this, [this] { ChannelGroupClick(); });

    StepsView = new QPlainTextEdit(this);
    StepsView->setObjectName("Memo1");
    StepsView->setGeometry(8, 64, 273, 97);
    StepsView->setReadOnly(true);
    StepsView->setTabChangesFocus(true);
    StepsView->setAccessibleName("Calibration steps");
    StepsView->setPlainText("(1) Select Channel\n"
                        "(2) Place headphone on coupler\n"
                        "(3) Click PLAY\n"
                        "(4) Adjust channel sensitivity so that\n"
                        "output equals that specified below\n"
                        "(5) Repeat for other channel");

    LevelLabel = new QLabel(this);
    LevelLabel->setObjectName("Label1");
    QFont large = font();
    large.setPixelSize(32);
    LevelLabel->setFont(large);
    LevelLabel->setGeometry(LabelLeft, 176, 94, 37);
    LevelLabel->setAccessibleName("Calibration level");  // with its value once one is shown

    ToneLabel = new QLabel(this);
    ToneLabel->setObjectName("ToneLabel");
    ToneLabel->setGeometry(LabelLeft, 232, 273, 32);
    ToneLabel->setWordWrap(true);

    PlayButton = MakeButton(this, "Button2", "Play", {208, 168, 75, 25});
    OkButton = MakeButton(this, "Button1", "OK", {208, 200, 75, 25});
    connect(PlayButton, &QPushButton::clicked, this, &CalibrationWindow::PlayClick);
    connect(OkButton, &QPushButton::clicked, this, &CalibrationWindow::OkClick);
    CreateRecordControls();
}

void CalibrationWindow::SetTabOrder()
{
    // The channel group takes part through its buttons.
    QList<QWidget*> chain;
    for (QAbstractButton* radio : ChannelButtons->buttons()) {
        chain.append(radio);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{OkButton, StepsView, PlayButton, ProfileBox, NewProfileButton,
                                                            FrequencyBox, ReadingEdit, SaveButton, OperatorEdit,
                                                            CheckButton}) {
        chain.append(control);
    }
    for (qsizetype i = 0; i + 1 < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
}

void CalibrationWindow::SetLevelText(const QString& text)
{
    LevelLabel->setText(text);
    // Screen readers and UI automation read the name: it carries the level, not just its role.
    LevelLabel->setAccessibleName("Calibration level " + text);
    const int width = LevelLabel->fontMetrics().horizontalAdvance(text) + 4;
    LevelLabel->resize(std::clamp(width, 94, LabelMaxRight - LabelLeft), LevelLabel->height());
}

void CalibrationWindow::ChannelGroupClick()
{
    procedure_->SelectChannel(ChannelButtons->checkedId() == 1 ? 2 : 1);
    ShowToneDescription();
}

void CalibrationWindow::showEvent(QShowEvent* event)
{
    OfferFrequencies();
    ShowProfiles();
    ShowToneDescription();
    QDialog::showEvent(event);
}

void CalibrationWindow::ShowToneDescription()
{
    const QString text = QString::fromStdString(
        DescribeCalibrationTone(state_, procedure_->SelectedChannel(), procedure_->Frequency(), SystemDecimalSeparator()));
    ToneLabel->setText(text);
    ToneLabel->setAccessibleName(text);
}

void CalibrationWindow::PlayClick()
{
    if (procedure_->Playing()) {
        return;
    }
    const Result<float> frequency = ApplyTypedFrequency();
    if (!frequency) {
        ShowMessage(QString::fromStdString(frequency.Reason()));
        return;
    }
    closeWhenStopped_ = false;
    // "OK" during the tone asks for the window to close once the tone has stopped, also when
    // an error ended it.
    struct CloseWhenAsked {
        CalibrationWindow& form;
        ~CloseWhenAsked()
        {
            if (form.closeWhenStopped_) {
                form.closeWhenStopped_ = false;
                form.done(1);
            }
        }
    } closeWhenAsked{*this};
    if (const Result<int> played = procedure_->Play(); !played) {
        ShowMessage(QString::fromStdString(played.Reason()));
    }
    if (!procedure_->Problem().empty()) {
        ShowMessage(QString::fromStdString("The calibration tone could not be played, so it was stopped: "
                                           + procedure_->Problem() + "."));
    }
    if (procedure_->Dropouts() > 0) {
        ShowMessage(QString("%1 repetitions of the calibration tone were played with a dropout: the sound device "
                            "lost part of them, so they had a gap and may have misled the level meter. Close other "
                            "programs and calibrate again.")
                        .arg(procedure_->Dropouts()));
    }
}

void CalibrationWindow::OkClick()
{
    procedure_->Stop();
    if (procedure_->Playing()) {
        closeWhenStopped_ = true;
        return;
    }
    done(1);
}

void CalibrationWindow::reject()
{
    if (procedure_->Playing()) {
        OkClick();
        return;
    }
    QDialog::reject();
}
