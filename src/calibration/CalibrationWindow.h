#pragma once

#include "CalibrationTone.h"

#include <QDialog>

#include <functional>
#include <memory>

class EventDispatcher;
class Kc35Attenuator;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class SoundOutput;
struct SharedState;

// The calibration window: plays the reference tone on a chosen channel, over and over, while
// the operator adjusts that headphone channel to the level shown. A thin shell over
// CalibrationTone; the channel chosen stays chosen from one opening to the next.
class CalibrationWindow : public QDialog {
    Q_OBJECT

public:
    CalibrationWindow(SharedState& state, SoundOutput& sound, EventDispatcher& dispatcher, Kc35Attenuator& attenuator,
           QWidget* parent = nullptr);
    ~CalibrationWindow() override;

    // The stated level, kept up to date by the set-up window ("100 dB SPL").
    void SetLevelText(const QString& text);

    // "Play": repeats the tone until "OK". Attenuator and serial errors leave this handler
    // for the application's error display; the window stays open.
    void PlayClick();
    // "OK": closes at once when idle; while the tone repeats, the repetition in progress
    // finishes and the window closes when "Play" returns.
    void OkClick();
    void ChannelGroupClick();
    // States the tone's frequency, level, output and earphone as they are now.
    void ShowToneDescription();

    // How the operator is told of repetitions played with a dropout. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;

    // Closing the window (Escape, the title bar) while the tone repeats acts as "OK", so that
    // the tone never goes on behind a closed window.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();

    SharedState& state_;
    std::unique_ptr<CalibrationTone> procedure_;
    bool closeWhenStopped_ = false;

    QGroupBox* ChannelGroup = nullptr;
    QButtonGroup* ChannelButtons = nullptr;
    QPlainTextEdit* StepsView = nullptr;
    QLabel* LevelLabel = nullptr;
    QLabel* ToneLabel = nullptr;
    QPushButton* PlayButton = nullptr;
    QPushButton* OkButton = nullptr;
};
