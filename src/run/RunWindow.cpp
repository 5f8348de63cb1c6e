#include "RunWindow.h"

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

RunWindow::RunWindow(SharedState& state, RunDevices devices, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , state_(state)
    , run_(state, devices)
{
    setObjectName("Form2");
    setWindowTitle("Quorvex — Run");
    setFont(MsSansSerif(11));
    resize(DesignSize);

    InstructionsView = new QPlainTextEdit(this);
    InstructionsView->setObjectName("Memo1");
    InstructionsView->setGeometry(DesignMemo);
    InstructionsView->setReadOnly(true);
    InstructionsView->setFont(MsSansSerif(24));
    InstructionsView->setAccessibleName("Instructions");
    // A stray click on the instructions must not take the SPACE bar away from the listener.
    InstructionsView->setFocusPolicy(Qt::NoFocus);
    InstructionsView->setPlainText(Instructions);

    StartButton = MakeButton(this, "Button1", "START", DesignKeyButton);
    StartButton->setFont(MsSansSerif(32));
    SpaceBarButton = MakeButton(this, "Button2", SpaceBarCaption, DesignKeyButton);
    SpaceBarButton->setGeometry(DesignKeyButton);  // the caption is shown in lines that fit
    ShowSpaceBarCaption(*SpaceBarButton);
    ExitButton = MakeButton(this, "Button3", "EXIT", DesignExit);
    ExitButton->setFont(MsSansSerif(24));

    FinishedLabel = new QLabel("Finished — thank you", this);
    FinishedLabel->setObjectName("FinishedLabel");
    FinishedLabel->setGeometry(DesignKeyButton);
    FinishedLabel->setAlignment(Qt::AlignCenter);
    FinishedLabel->setWordWrap(true);
    FinishedLabel->setFont(MsSansSerif(40));
    FinishedLabel->hide();

    for (QWidget* button : std::initializer_list<QWidget*>{StartButton, SpaceBarButton, ExitButton, FinishedLabel}) {
        designedButtons_.emplace_back(button, button->geometry());
    }
    SpaceBarButton->installEventFilter(this);
    ExitButton->installEventFilter(this);
    setTabOrder(StartButton, SpaceBarButton);
    setTabOrder(SpaceBarButton, ExitButton);

    connect(StartButton, &QPushButton::clicked, this, &RunWindow::StartClick);
    connect(ExitButton, &QPushButton::clicked, this, &RunWindow::ExitClick);
    run_.OnStopKey = [this] { ExitButton->show(); };
    run_.OnFileProblem = [this](const std::string& problem) { ShowMessage(QString::fromStdString(problem)); };

    ShowMessage = [this](const QString& message) { ShowOperatorWarning(this, message); };
}

void RunWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void RunWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize grown = size() - DesignSize;
    QRect memo = DesignMemo;
    memo.setSize(QSize(std::max(0, DesignMemo.width() + grown.width()),
                       std::max(0, DesignMemo.height() + grown.height())));
    InstructionsView->setGeometry(memo);
    const QPoint shift(memo.center().x() - DesignMemo.center().x(), memo.bottom() - DesignMemo.bottom());
    for (const auto& [button, designed] : designedButtons_) {
        button->setGeometry(designed.translated(shift));
    }
}

void RunWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject the dialog: the window closes only through EXIT or its close box.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void RunWindow::SetHeading(const QString& heading)
{
    heading_ = heading;
    InstructionsView->setPlainText(heading_.isEmpty() ? Instructions : heading_ + "\n\n" + Instructions);
}

void RunWindow::OfferNextRun(const QString& heading)
{
    SetHeading(heading);
    ShowStart();
}

void RunWindow::ShowClosingText(const QString& text)
{
    InstructionsView->setPlainText(text);
    StartButton->hide();
    SpaceBarButton->hide();
    ExitButton->show();
    ExitButton->setFocus();
}

void RunWindow::ShowStart()
{
    InstructionsView->setFont(MsSansSerif(24));
    SetHeading(heading_);
    InstructionsView->setAccessibleName("Instructions");
    FinishedLabel->hide();
    SpaceBarButton->hide();
    ExitButton->hide();
    StartButton->show();
    StartButton->setEnabled(true);
    StartButton->setFocus();
}

void RunWindow::FormShow()
{
    ShowStart();
    closeRequested_ = false;
    state_.ResetResults();
}

void RunWindow::StartClick()
{
    StartButton->setEnabled(false);
    StartButton->hide();
    SpaceBarButton->show();
    SpaceBarButton->setFocus();
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

void RunWindow::ShowSummary(const RunReport& report)
{
    // The listener's key has nowhere left to go: the SPACE-bar button gives way to the
    // thanks, and the focus moves to EXIT, which ignores the SPACE bar.
    SpaceBarButton->hide();
    FinishedLabel->show();
    ExitButton->show();
    ExitButton->setFocus();
    QStringList paragraphs;
    for (const std::string& line : RunSummary(report)) {
        paragraphs << QString::fromStdString(line);
    }
    InstructionsView->setFont(MsSansSerif(16));
    InstructionsView->setPlainText(paragraphs.join("\n\n"));
    InstructionsView->setAccessibleName("Run summary");
}

void RunWindow::SpaceBarKeyDown(int key)
{
    run_.KeyDown(key);
}

void RunWindow::SpaceBarKeyUp(int key)
{
    run_.KeyUp(key);
}

void RunWindow::ExitClick()
{
    if (running_) {
        closeRequested_ = true;
        return;
    }
    done(1);
}

void RunWindow::closeEvent(QCloseEvent* event)
{
    if (running_) {
        // The run has to end (and write its results) before the window can go.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool RunWindow::eventFilter(QObject* watched, QEvent* event)
{
    // EXIT is for the operator: a SPACE that the listener holds or presses again never reaches it.
    // RETURN closes it from the keyboard.
    if (watched == ExitButton && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && event->type() == QEvent::KeyPress && !key->isAutoRepeat()) {
            ExitButton->click();
            return true;
        }
        return key->key() == Qt::Key_Space;
    }
    if (watched == SpaceBarButton && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Holding SPACE repeats release+press pairs; the key has not changed, so they count nothing.
        if (!key->isAutoRepeat()) {
            const int code = key->key() == Qt::Key_Space ? TrackingRun::SpaceKey : key->key();
            if (event->type() == QEvent::KeyPress) {
                SpaceBarKeyDown(code);
            } else {
                SpaceBarKeyUp(code);
            }
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
