#include "TForm4.h"

#include "Controls.h"
#include "NumberParse.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int ClientWidth = 294;
constexpr int ClientHeight = 272;  // with a row for the tone's description below the tabled controls
// The level label may grow to the right up to the buttons so that a long level stays whole.
constexpr int LabelLeft = 8;
constexpr int LabelMaxRight = 200;

}  // namespace

TForm4::TForm4(SharedState& state, SoundOutput& sound, EventDispatcher& dispatcher, Kc35Attenuator& attenuator,
               QWidget* parent)
    : QDialog(parent)
    , state_(state)
    , procedure_(std::make_unique<CalibrationTone>(state, sound, dispatcher, attenuator))
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
    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TForm4::~TForm4() = default;

void TForm4::CreateControls()
{
    const RadioGroup channel =
        MakeRadioGroup(this, "RadioGroup1", "Channel", {8, 8, 273, 49}, {"Channel 1", "Channel 2"}, 0);
    RadioGroup1 = channel.Box;
    ChannelButtons = channel.Buttons;
    connect(ChannelButtons, &QButtonGroup::idClicked, this, [this] { RadioGroup1Click(); });

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 64, 273, 97);
    Memo1->setReadOnly(true);
    Memo1->setTabChangesFocus(true);
    Memo1->setAccessibleName("Calibration steps");
    Memo1->setPlainText("(1) Select Channel\n"
                        "(2) Place headphone on coupler\n"
                        "(3) Click PLAY\n"
                        "(4) Adjust channel sensitivity so that\n"
                        "output equals that specified below\n"
                        "(5) Repeat for other channel");

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    QFont large = font();
    large.setPixelSize(32);
    Label1->setFont(large);
    Label1->setGeometry(LabelLeft, 176, 94, 37);
    Label1->setAccessibleName("Calibration level");  // with its value once one is shown

    ToneLabel = new QLabel(this);
    ToneLabel->setObjectName("ToneLabel");
    ToneLabel->setGeometry(LabelLeft, 232, 273, 32);
    ToneLabel->setWordWrap(true);

    Button2 = MakeButton(this, "Button2", "Play", {208, 168, 75, 25});
    Button1 = MakeButton(this, "Button1", "OK", {208, 200, 75, 25});
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
}

void TForm4::SetTabOrder()
{
    // The channel group takes part through its buttons.
    QList<QWidget*> chain;
    for (QAbstractButton* radio : ChannelButtons->buttons()) {
        chain.append(radio);
    }
    chain.append({Button1, Memo1, Button2});
    for (qsizetype i = 0; i + 1 < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i], chain[i + 1]);
    }
}

void TForm4::SetLevelText(const QString& text)
{
    Label1->setText(text);
    // Screen readers and UI automation read the name: it carries the level, not just its role.
    Label1->setAccessibleName("Calibration level " + text);
    const int width = Label1->fontMetrics().horizontalAdvance(text) + 4;
    Label1->resize(std::clamp(width, 94, LabelMaxRight - LabelLeft), Label1->height());
}

void TForm4::RadioGroup1Click()
{
    procedure_->SelectChannel(ChannelButtons->checkedId() == 1 ? 2 : 1);
    ShowToneDescription();
}

void TForm4::showEvent(QShowEvent* event)
{
    ShowToneDescription();
    QDialog::showEvent(event);
}

void TForm4::ShowToneDescription()
{
    const QString text = QString::fromStdString(
        DescribeCalibrationTone(state_, procedure_->SelectedChannel(), SystemDecimalSeparator()));
    ToneLabel->setText(text);
    ToneLabel->setAccessibleName(text);
}

void TForm4::Button2Click()
{
    if (procedure_->Playing()) {
        return;
    }
    closeWhenStopped_ = false;
    // "OK" during the tone asks for the window to close once the tone has stopped, also when
    // an error ended it.
    struct CloseWhenAsked {
        TForm4& form;
        ~CloseWhenAsked()
        {
            if (form.closeWhenStopped_) {
                form.closeWhenStopped_ = false;
                form.done(1);
            }
        }
    } closeWhenAsked{*this};
    procedure_->Play();
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

void TForm4::Button1Click()
{
    procedure_->Stop();
    if (procedure_->Playing()) {
        closeWhenStopped_ = true;
        return;
    }
    done(1);
}

void TForm4::reject()
{
    if (procedure_->Playing()) {
        Button1Click();
        return;
    }
    QDialog::reject();
}
