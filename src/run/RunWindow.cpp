#include "RunWindow.h"

#include "Clock.h"
#include "Controls.h"
#include "ListenerTexts.h"
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
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// The window as designed. The memo grows with the window, keeping its distance from the top and
// bottom and the designed margins' sum across, and stands centred; the buttons keep their
// places relative to the memo's bottom centre.
constexpr QSize DesignSize(976, 771);
constexpr QRect DesignMemo(88, 64, 625, 233);
// START and the SPACE-bar button take turns in one place; EXIT stands level with them.
constexpr QRect DesignKeyButton(208, 312, 385, 177);
constexpr QRect DesignExit(608, 312, 193, 177);

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
    , clock_(*devices.clock)
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
    readyText_ = QString::fromStdString(BeforeRunText());
    InstructionsView->setPlainText(readyText_);

    StartButton = MakeButton(this, "Button1", "START", DesignKeyButton);
    StartButton->setFont(MsSansSerif(32));
    SpaceBarButton = MakeButton(this, "Button2", SpaceBarCaption, DesignKeyButton);
    SpaceBarButton->setGeometry(DesignKeyButton);  // the caption is shown in lines that fit
    ShowSpaceBarCaption(*SpaceBarButton);
    ExitButton = MakeButton(this, "Button3", "EXIT", DesignExit);
    ExitButton->setFont(MsSansSerif(24));

    FinishedLabel = new QLabel(QString::fromStdString(FinishedText()), this);
    FinishedLabel->setObjectName("FinishedLabel");
    FinishedLabel->setGeometry(DesignKeyButton);
    FinishedLabel->setAlignment(Qt::AlignCenter);
    FinishedLabel->setWordWrap(true);
    FinishedLabel->setFont(MsSansSerif(40));
    FinishedLabel->hide();

    for (QWidget* button : std::initializer_list<QWidget*>{StartButton, SpaceBarButton, ExitButton, FinishedLabel}) {
        designedButtons_.emplace_back(button, button->geometry());
    }
    StartButton->installEventFilter(this);
    SpaceBarButton->installEventFilter(this);
    ExitButton->installEventFilter(this);
    setTabOrder(StartButton, SpaceBarButton);
    setTabOrder(SpaceBarButton, ExitButton);

    connect(StartButton, &QPushButton::clicked, this, &RunWindow::StartClick);
    connect(ExitButton, &QPushButton::clicked, this, &RunWindow::ExitClick);
    run_.OnStopKey = [this] { ShowExit(); };
    run_.OnFileProblem = [this](const std::string& problem) { ShowMessage(QString::fromStdString(problem)); };

    ShowMessage = [this](const QString& message) { ShowOperatorWarning(this, message); };
}

void RunWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        if (place_) {
            setGeometry(place_->first);
        }
        if (!place_ || place_->second) {
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
}

void RunWindow::PlaceOn(const QRect& area, bool maximised)
{
    place_.emplace(area, maximised);
}

void RunWindow::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) {
        return;
    }
    if (OnKeyboardChanged) {
        OnKeyboardChanged(isActiveWindow());
    }
    // A click on another window must not leave the listener's SPACE going nowhere.
    if (running_ && !isActiveWindow()) {
        QTimer::singleShot(0, this, &RunWindow::TakeKeyboard);
    }
}

void RunWindow::TakeKeyboard()
{
    const QWidget* modal = QApplication::activeModalWidget();
    if (!isVisible() || isActiveWindow() || (modal != nullptr && modal != this)) {
        return;
    }
    raise();
    activateWindow();
}

void RunWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const QSize grown = size() - DesignSize;
    QRect memo = DesignMemo;
    memo.setSize(QSize(std::max(0, DesignMemo.width() + grown.width()),
                       std::max(0, DesignMemo.height() + grown.height())));
    memo.moveLeft((width() - memo.width()) / 2);
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
    const QString prefix = heading_.isEmpty() ? QString() : heading_ + "\n\n";
    if (running_) {
        InstructionsView->setPlainText(prefix + QString::fromStdString(DuringRunText()));
    } else {
        readyText_ = prefix + QString::fromStdString(BeforeRunText());
        InstructionsView->setPlainText(readyText_);
    }
}

void RunWindow::OfferNextRun(const QString& text)
{
    readyText_ = text;
    ShowStart();
}

void RunWindow::ShowListenerText(const QString& text)
{
    InstructionsView->setFont(MsSansSerif(24));
    InstructionsView->setPlainText(text);
    InstructionsView->setAccessibleName("Instructions");
    startGate_.Close();
    exitGate_.Close();
    for (QWidget* widget : std::initializer_list<QWidget*>{StartButton, SpaceBarButton, ExitButton, FinishedLabel}) {
        widget->hide();
    }
}

void RunWindow::ShowClosingText(const QString& text)
{
    ShowListenerText(text);
    ShowExit();
    ExitButton->setFocus();
}

void RunWindow::ShowExit()
{
    ExitButton->show();
    exitGate_.Open(clock_.NowMs());
}

void RunWindow::ShowStart()
{
    InstructionsView->setFont(MsSansSerif(24));
    InstructionsView->setPlainText(readyText_);
    InstructionsView->setAccessibleName("Instructions");
    FinishedLabel->hide();
    SpaceBarButton->hide();
    ExitButton->hide();
    exitGate_.Close();
    StartButton->show();
    StartButton->setEnabled(true);
    StartButton->setFocus();
    startGate_.Open(clock_.NowMs());
}

void RunWindow::FormShow()
{
    ShowStart();
    closeRequested_ = false;
    closeBoxUsed_ = false;
    state_.ResetResults();
}

void RunWindow::StartClick()
{
    StartButton->setEnabled(false);
    StartButton->hide();
    startGate_.Close();
    SpaceBarButton->show();
    SpaceBarButton->setFocus();
    running_ = true;
    SetHeading(heading_);
    if (OnRunStarting) {
        OnRunStarting();
    }
    const RunOutcome report = run_.Run();
    running_ = false;
    ShowSummary(report);
    // A session offers its next run from here, in place of the summary; its panel shows the summary.
    if (OnRunFinished) {
        OnRunFinished(report);
    }
    // EXIT clicked during the run closes the window as the run ends, unless the summary has
    // something to tell; the close box closes it all the same, telling it first.
    if (closeRequested_ && closeBoxUsed_ && RunHadProblems(report)) {
        ShowMessage(InstructionsView->toPlainText());
    }
    if (closeRequested_ && (closeBoxUsed_ || !RunHadProblems(report))) {
        done(1);
    }
}

void RunWindow::ShowSummary(const RunOutcome& report)
{
    // The listener's key has nowhere left to go: the SPACE-bar button gives way to the
    // thanks, and the focus moves to EXIT, which ignores the SPACE bar.
    SpaceBarButton->hide();
    FinishedLabel->show();
    ShowExit();
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

void RunWindow::StopRun(const std::string& cause)
{
    if (running_) {
        run_.Stop(cause);
    }
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
        // The run has to end (and write its results) before the window can go: it stops as a
        // stop key stops it, and the window closes as it ends.
        closeRequested_ = true;
        closeBoxUsed_ = true;
        event->ignore();
        run_.Stop("the run window's close box");
        return;
    }
    QDialog::closeEvent(event);
}

bool RunWindow::StartKey(const QKeyEvent& key)
{
    // START answers SPACE only through the gate, and no other key: the listener's key held from
    // the run before, or its repeats, must not start the next one.
    if (key.key() == Qt::Key_Space) {
        if (key.type() == QEvent::KeyRelease) {
            startGate_.Released(key.timestamp());
        } else if (startGate_.Pressed(clock_.NowMs(), key.isAutoRepeat(), key.timestamp())) {
            QTimer::singleShot(0, this, [this] {
                if (StartButton->isVisible() && StartButton->isEnabled()) {
                    StartClick();
                }
            });
        }
    }
    return true;
}

bool RunWindow::ExitKey(const QKeyEvent& key)
{
    // EXIT is for the operator: SPACE never reaches it, and RETURN closes it only with a press
    // that begins after EXIT has shown a while (not the RETURN that answered a message before).
    const bool enter = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    if (enter && key.type() == QEvent::KeyRelease) {
        exitGate_.Released(key.timestamp());
    } else if (enter && exitGate_.Pressed(clock_.NowMs(), key.isAutoRepeat(), key.timestamp())) {
        ExitButton->click();
    }
    return enter || key.key() == Qt::Key_Space;
}

bool RunWindow::RunKey(const QKeyEvent& key)
{
    // Holding SPACE repeats release+press pairs; the key has not changed, so they count nothing.
    if (key.isAutoRepeat()) {
        return true;
    }
    // Another key stops the run only when it was typed into this window: the operator's keys
    // in another window (Alt+F4 in the set-up window) are not the listener's.
    if (key.key() != Qt::Key_Space && !isActiveWindow()) {
        return true;
    }
    const int code = key.key() == Qt::Key_Space ? TrackingRun::SpaceKey : key.key();
    if (key.type() == QEvent::KeyPress) {
        SpaceBarKeyDown(code);
    } else {
        SpaceBarKeyUp(code);
    }
    return true;
}

bool RunWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (watched == StartButton) {
            return StartKey(key);
        }
        if (watched == ExitButton) {
            return ExitKey(key);
        }
        if (watched == SpaceBarButton) {
            return RunKey(key);
        }
    }
    return QDialog::eventFilter(watched, event);
}
