#pragma once

#include "CalibrationStore.h"
#include "CalibrationTone.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class EventDispatcher;
class Kc35Attenuator;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class SoundOutput;
struct SharedState;

// The calibration window: plays the reference tone on a chosen channel, over and over, while
// the operator adjusts that headphone channel to the level shown, or types what the meter
// reads at the frequency chosen and saves it in the calibration profile in use; and records the
// daily listening check. A thin shell over CalibrationTone and the calibration store; the
// channel chosen stays chosen from one opening to the next, the profile chosen is the one runs
// use (SharedState::Calibration).
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

    // How the operator is told of repetitions played with a dropout, a reading refused, a save
    // that failed, or ears that differ. Tests replace it.
    std::function<void(const QString& message)> ShowMessage;
    // How "New…" asks for a new profile's name and interval in days; nothing when cancelled.
    // Tests replace it; the program shows a small dialog.
    struct NewProfileRequest {
        QString Name;
        int IntervalDays = DefaultCalibrationIntervalDays;
    };
    std::function<std::optional<NewProfileRequest>()> AskNewProfile;
    // The date and time a reading or check is recorded at and the profile's standing is judged
    // against. Tests replace it.
    std::function<QDateTime()> Now;

    // The profile box: the profile chosen becomes the one in use (none: uncalibrated).
    void ProfileChosen();
    // "New…": makes a profile in the store and chooses it.
    void NewProfileClick();
    // "Save": the meter reading typed, for the ear of the channel chosen at the frequency chosen.
    void SaveClick();
    // "Listening check": the operator heard both ears sound right today.
    void ListeningCheckClick();
    // The profile list, the one in use and its standing, read from the store again.
    void ShowProfiles();

    // Closing the window (Escape, the title bar) while the tone repeats acts as "OK", so that
    // the tone never goes on behind a closed window.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateRecordControls();
    void SetTabOrder();
    // The frequency field's text made the tone's frequency (empty: ToneF); refused with the reason.
    Result<float> ApplyTypedFrequency();
    void FrequencyEdited();
    // The frequency field's choices for the current condition, showing its ToneF.
    void OfferFrequencies();
    // The profile in use read again and put in the shared state; false (with a message) when
    // it cannot be read.
    bool ReloadProfileInUse();
    // Appends a made entry to the profile's history; a refusal or a failed save is shown, and false.
    bool SaveEntry(const Result<CalibrationEntry>& entry);
    void ShowStanding();
    void ShowCorrections();
    std::string OperatorName() const;
    EarSide EarOfChannel() const;

    SharedState& state_;
    std::unique_ptr<CalibrationTone> procedure_;
    CalibrationStore store_;
    std::optional<CalibrationProfile> profile_;  // the profile in use, as last read
    bool closeWhenStopped_ = false;

    QGroupBox* ChannelGroup = nullptr;
    QButtonGroup* ChannelButtons = nullptr;
    QPlainTextEdit* StepsView = nullptr;
    QLabel* LevelLabel = nullptr;
    QLabel* ToneLabel = nullptr;
    QPushButton* PlayButton = nullptr;
    QPushButton* OkButton = nullptr;

    QComboBox* ProfileBox = nullptr;
    QPushButton* NewProfileButton = nullptr;
    QLabel* StandingLabel = nullptr;
    QComboBox* FrequencyBox = nullptr;
    QLineEdit* ReadingEdit = nullptr;
    QPushButton* SaveButton = nullptr;
    QLineEdit* OperatorEdit = nullptr;
    QLabel* CorrectionsLabel = nullptr;
    QPushButton* CheckButton = nullptr;
    QLabel* OutcomeLabel = nullptr;
};
