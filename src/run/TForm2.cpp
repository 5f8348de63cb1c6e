#include "TForm2.h"

#include "Controls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
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

const char* const Instructions = "When you hear the tone - press the space bar\n\n"
                                 "When you can't hear the tone - let go of the space bar\n\n"
                                 "Press any other key to stop test\n\n"
                                 "When you are ready to start press the space bar once.";

QFont MsSansSerif(int pixelHeight)
{
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelHeight);
    return font;
}

}  // namespace

TForm2::TForm2(SharedState& state, RunDevices devices, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , state_(state)
    , run_(state, devices)
{
    setObjectName("Form2");
    setWindowTitle("RunPTC");
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

    Button1 = MakeButton(this, "Button1", "START", {208, 320, 385, 161});
    Button1->setFont(MsSansSerif(32));
    Button2 = MakeButton(this, "Button2", "PRESS SPACE BAR WHEN YOU CAN HEAR THE TONE", {208, 312, 385, 177});
    Button3 = MakeButton(this, "Button3", "EXIT", {608, 320, 193, 161});
    Button3->setFont(MsSansSerif(24));
    for (QPushButton* button : {Button1, Button2, Button3}) {
        designedButtons_.emplace_back(button, button->geometry());
    }
    Button2->installEventFilter(this);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);

    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    run_.OnStopKey = [this] { Button3->show(); };
    run_.OnFileProblem = [this](const std::string& problem) { ShowMessage(QString::fromStdString(problem)); };

    ShowMessage = [this](const QString& message) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), message);
    };
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
    Memo1->setPlainText(heading_.isEmpty() ? QString(Instructions) : heading_ + "\n\n" + Instructions);
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
    if (OnRunFinished) {
        OnRunFinished(report);
    }
    ReportProblems(report);
    if (closeRequested_) {
        done(1);
    }
}

void TForm2::ReportProblems(const RunReport& report)
{
    if (report.FailedPresentations > 0) {
        ShowMessage(QString("%1 of the %2 stimuli of this run could not be played by the sound device, so the "
                            "listener did not hear them. The points recorded were kept.")
                        .arg(report.FailedPresentations)
                        .arg(report.Trials));
    }
    if (!report.DropoutTrials.empty()) {
        QStringList trials;
        for (const std::int64_t trial : report.DropoutTrials) {
            trials << QString::number(trial);
        }
        ShowMessage(QString("%1 of the %2 stimuli of this run were played with a dropout: the sound device lost part "
                            "of them, so the listener heard a gap (trials %3). The points recorded were kept; "
                            "consider repeating the run.")
                        .arg(report.DropoutTrials.size())
                        .arg(report.Trials)
                        .arg(trials.join(", ")));
    }
    if (report.LateStimuli > 0) {
        ShowMessage(QString("%1 of the %2 stimuli of this run started late, by up to %3 ms: the silence before them "
                            "was longer than the ISI, because the computer was too busy to prepare them in time. "
                            "The points recorded were kept.")
                        .arg(report.LateStimuli)
                        .arg(report.Trials)
                        .arg(std::ceil(report.MostLateMs)));
    }
    // A folder that cannot be written fails all three files: one message names them all.
    QStringList unwritten;
    for (const std::string* error : {&report.ResultsError, &report.RecordError, &report.TrialLogError}) {
        if (!error->empty()) {
            unwritten.append(QString::fromStdString(*error));
        }
    }
    if (!unwritten.isEmpty()) {
        ShowMessage(unwritten.join("\n\n"));
    }
    if (!report.Error.empty()) {
        ShowMessage(QString("The run was stopped by an error: %1\nThe %2 points recorded before it were kept.")
                        .arg(QString::fromStdString(report.Error))
                        .arg(report.StoredPoints));
    }
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
