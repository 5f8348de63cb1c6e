#include "TForm2.h"

#include "Controls.h"
#include "RunSummary.h"
#include "SpaceProof.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// The window as designed. The memo keeps its distance from all four sides, so it grows with
// the window; the buttons keep their places relative to the memo's bottom centre.
constexpr QSize DesignSize(976, 771);
constexpr QRect DesignMemo(88, 64, 625, 233);
// START and the SPACE-bar button take turns in one place; EXIT stands level with them.
constexpr QRect DesignKeyButton(208, 312, 385, 177);
constexpr QRect DesignExit(608, 312, 193, 177);

const QString Instructions = "When you hear the tone - press the space bar\n\n"
                             "When you can't hear the tone - let go of the space bar\n\n"
                             "Press any other key to stop test\n\n"
                             "When you are ready to start press the space bar once.";
const QString SpaceBarCaption = "PRESS SPACE BAR WHEN YOU CAN HEAR THE TONE";

QFont MsSansSerif(int pixelHeight)
{
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    return font;
}

// The SPACE-bar button's caption in three lines, in the largest font up to 40 px that leaves
// it whole inside the button: the listener reads it from the chair.
void ShowSpaceBarCaption(QPushButton& button)
{
    const QString lines = "PRESS SPACE BAR\nWHEN YOU CAN\nHEAR THE TONE";
    const QSize room = button.size() - QSize(24, 16);
    int pixels = 40;
    for (; pixels > 11; --pixels) {
        QFont font = MsSansSerif(pixels);
        font.setBold(true);
        const QSize needed = QFontMetrics(font).size(0, lines);
        if (needed.width() <= room.width() && needed.height() <= room.height()) {
            break;
        }
    }
    QFont font = MsSansSerif(pixels);
    font.setBold(true);
    button.setFont(font);
    button.setText(lines);
}

}  // namespace

TForm2::TForm2(SharedState& state, RunDevices devices, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , state_(state)
    , run_(state, devices)
{
    setObjectName("Form2");
    setWindowTitle("Quorvex — Run");
    setFont(MsSansSerif(11));
    resize(DesignSize);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(DesignMemo);
    Memo1->setReadOnly(true);
    Memo1->setFont(MsSansSerif(24));
    Memo1->setAccessibleName("Instructions");
    // A stray click on the instructions must not take the SPACE bar away from the listener.
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setPlainText(Instructions);

    Button1 = MakeButton(this, "Button1", "START", DesignKeyButton);
    Button1->setFont(MsSansSerif(32));
    Button2 = MakeButton(this, "Button2", SpaceBarCaption, DesignKeyButton);
    Button2->setGeometry(DesignKeyButton);  // the caption is shown in lines that fit
    ShowSpaceBarCaption(*Button2);
    Button3 = MakeButton(this, "Button3", "EXIT", DesignExit);
    Button3->setFont(MsSansSerif(24));

    FinishedLabel = new QLabel("Finished — thank you", this);
    FinishedLabel->setObjectName("FinishedLabel");
    FinishedLabel->setGeometry(DesignKeyButton);
    FinishedLabel->setAlignment(Qt::AlignCenter);
    FinishedLabel->setWordWrap(true);
    FinishedLabel->setFont(MsSansSerif(40));
    FinishedLabel->hide();

    for (QWidget* button : std::initializer_list<QWidget*>{Button1, Button2, Button3, FinishedLabel}) {
        designedButtons_.emplace_back(button, button->geometry());
    }
    Button2->installEventFilter(this);
    Button3->installEventFilter(this);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    run_.OnStopKey = [this] { Button3->show(); };
    run_.OnFileProblem = [this](const std::string& problem) { ShowMessage(QString::fromStdString(problem)); };

    ShowMessage = [this](const QString& message) { ShowOperatorWarning(this, message); };
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void TForm2::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize grown = size() - DesignSize;
    QRect memo = DesignMemo;
    memo.setSize(QSize(std::max(0, DesignMemo.width() + grown.width()),
                       std::max(0, DesignMemo.height() + grown.height())));
    Memo1->setGeometry(memo);
    const QPoint shift(memo.center().x() - DesignMemo.center().x(), memo.bottom() - DesignMemo.bottom());
    for (const auto& [button, designed] : designedButtons_) {
        button->setGeometry(designed.translated(shift));
    }
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog: the window closes only through EXIT or its close box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::SetHeading(const QString& heading)
{
    heading_ = heading;
    Memo1->setPlainText(heading_.isEmpty() ? Instructions : heading_ + "\n\n" + Instructions);
}

void TForm2::OfferNextRun(const QString& heading)
{
    SetHeading(heading);
    ShowStart();
}

void TForm2::ShowClosingText(const QString& text)
{
    Memo1->setPlainText(text);
    Button1->hide();
    Button2->hide();
    Button3->show();
    Button3->setFocus();
}

void TForm2::ShowStart()
{
    Memo1->setFont(MsSansSerif(24));
    SetHeading(heading_);
    Memo1->setAccessibleName("Instructions");
    FinishedLabel->hide();
    Button2->hide();
    Button3->hide();
    Button1->show();
    Button1->setEnabled(true);
    Button1->setFocus();
}

void TForm2::FormShow()
{
    ShowStart();
    closeRequested_ = false;
    state_.ResetResults();
}

void TForm2::Button1Click()
{
    Button1->setEnabled(false);
    Button1->hide();
    Button2->show();
    Button2->setFocus();
    running_ = true;
    if (OnRunStarting) {
        OnRunStarting();
    }
    const RunReport report = run_.Run();
    running_ = false;
    ShowSummary(report);
    // A session offers its next run from here, in place of the summary; its panel shows the summary.
    if (OnRunFinished) {
        OnRunFinished(report);
    }
    // EXIT clicked during the run closes the window as the run ends, unless the summary has
    // something to tell.
    if (closeRequested_ && !RunHadProblems(report)) {
        done(1);
    }
}

void TForm2::ShowSummary(const RunReport& report)
{
    // The listener's key has nowhere left to go: the SPACE-bar button gives way to the
    // thanks, and the focus moves to EXIT, which ignores the SPACE bar.
    Button2->hide();
    FinishedLabel->show();
    Button3->show();
    Button3->setFocus();
    QStringList paragraphs;
    for (const std::string& line : RunSummary(report)) {
        paragraphs << QString::fromStdString(line);
    }
    Memo1->setFont(MsSansSerif(16));
    Memo1->setPlainText(paragraphs.join("\n\n"));
    Memo1->setAccessibleName("Run summary");
}

void TForm2::Button2KeyDown(int key)
{
    run_.KeyDown(key);
}

void TForm2::Button2KeyUp(int key)
{
    run_.KeyUp(key);
}

void TForm2::Button3Click()
{
    if (running_) {
        closeRequested_ = true;
        return;
    }
    done(1);
}

void TForm2::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The run has to end (and write its results) before the window can go.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    // EXIT is for the operator: a SPACE that the listener holds or presses again never reaches it.
    // RETURN closes it from the keyboard.
    if (watched == Button3 && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
            Button3->click();
            return true;
        }
        return key->key() == Qt::Key_Space;
    }
    if (watched == Button2 && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Holding SPACE repeats release+press pairs; the key has not changed, so they count nothing.
        if (!key->isAutoRepeat()) {
            const int code = key->key() == Qt::Key_Space ? TrackingRun::SpaceKey : key->key();
            if (event->type() == QEvent::KeyPress) {
                Button2KeyDown(code);
            } else {
                Button2KeyUp(code);
            }
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
