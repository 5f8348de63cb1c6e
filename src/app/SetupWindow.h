#pragma once

#include "CalibrationStore.h"
#include "ConditionEditing.h"
#include "EditExitHandlers.h"
#include "SessionProtocol.h"
#include "SharedState.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class EventDispatcher;
class Kc35Attenuator;
class PortAudioOutput;
class SoundOutput;
class SerialLink;
class SerialPortLink;
class QAction;
class QButtonGroup;
class QComboBox;
class QFileSystemWatcher;
class QGroupBox;
class QLabel;
class QMessageBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QDialog;
class RunWindow;
class GraphWindow;
class CalibrationWindow;
class AboutBox;

// The devices the set-up window and the windows it opens work with. The program passes the
// real ones; tests pass fakes.
struct SetupWindowDevices {
    Clock* clock = nullptr;
    EventDispatcher* dispatcher = nullptr;
    // The attenuator's line. Null: the window's own serial port ownComPort_.
    SerialLink* serialLink = nullptr;
    // The sound device. Null: the window's own PortAudio output, on the file's AudioDevice.
    SoundOutput* sound = nullptr;
};

// The set-up window: owner of the shared state, where the operator loads a test-condition
// file, edits the current condition, chooses ear and sweep direction and opens the other
// windows.
class SetupWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit SetupWindow(SetupWindowDevices devices, QWidget* parent = nullptr);
    ~SetupWindow() override;

    SharedState& State() { return state_; }
    // The KC35 commands over the window's serial line, for the windows that set levels.
    Kc35Attenuator& Attenuator() { return *kc35_; }

    // How "Parameters" asks for a file: the chosen path, or nothing when cancelled.
    // Tests replace it; the program shows the file-open dialog.
    std::function<std::optional<QString>()> ChooseParameterFile;
    // How the window tells the operator about a problem that is not an error of the handler
    // (a tone that was not played, a file not written). Tests replace it.
    std::function<void(const QString& message)> ShowMessage;
    // How the window tells the operator something worth knowing that needs no answer (the
    // unreadable values of a loaded file): a notice that does not block the window. Tests replace it.
    std::function<void(const QString& message)> ShowNotice;

    // How "Run Session" asks whether to continue the unfinished session `question` names.
    // Tests replace it; the program asks in a message box.
    enum class SessionStart { Continue, New, Cancel };
    // `canContinue`: the unfinished session may be continued; otherwise only a new one starts.
    std::function<SessionStart(const QString& question, bool canContinue)> ChooseSessionStart;

    // How the program, as it starts, offers the unfinished session `description` names: continue
    // it, set it aside for good, or decide later. Tests replace it; the program asks in a message box.
    enum class UnfinishedChoice { Continue, SetAside, Later };
    std::function<UnfinishedChoice(const QString& description)> ChooseUnfinished;
    // Offers the latest unfinished session of the data folder, if any: its subject, results name
    // and test-condition file are filled in only when the operator chooses to continue it.
    void OfferUnfinishedSession();

    void RefreshParameters();
    void InitialiseAttenuators();
    void ResetResults();
    // SIGTERM, SIGINT or SIGHUP: a run going on stops after its trial and writes its files (a
    // session's run is marked ended), every window closes, messages go to standard error
    // instead of boxes nobody will click, and the application's event loops end.
    void EndForSignal(int signalNumber);
    // What the edits hold now, also where the focus never left them (a button pressed from the
    // keyboard's shortcut or by an accessibility tool): every action that plays or writes
    // files starts with it.
    void ApplyEdits();
    // Looks at the sound device again and shows what was found in the status line; true when
    // it can play.
    bool CheckSoundDevice();
    // The calibration profile in use read again from the store into the shared state, with
    // its standing at this moment (overdue, today's listening check), and shown; refused with
    // the reason when the profile chosen is no longer in the store or cannot be read (the state
    // keeps what it held). Runs whenever the choice or the store changes and before every run.
    Result<> RefreshCalibration();
    // The profile box: the operator chooses the profile runs are measured with (none: uncalibrated).
    void CalibrationProfileChosen();

public slots:
    void ToneLevelSliderChange();
    void TonePlayClick();
    void RunPTCClick();
    // The listener's threshold in quiet at the condition's ToneF, in the run window.
    void ThresholdClick();
    // A tone in dB SL rests on the threshold of the subject in the results name's record.
    void ShowThresholdOfSubject();
    void RunSessionClick();
    void GraphPTCClick();
    void ToneFreqEditExit();
    void StartFreqEditExit();
    void EndFreqEditExit();
    void FreqStepEditExit();
    void MaskerBWEditExit();
    void SerialPortClick();
    void InitKC35Click();
    void CalibrateClick();
    void SPLstepEditExit();
    void MaxMaskerEditExit();
    void ParamButtonClick();
    void PreviousClick();
    void NextClick();
    void EarGroupClick();
    void SubjectEditExit();
    void ResFileEditExit();
    void SweepGroupClick();
    void ExitClick();
    void ManualClick();
    void AboutClick();

private:
    void CreateControls();
    void CreateMenu();
    void SetTabOrder();
    void StoreEdit(QLineEdit* edit, ConditionField field);
    void ShowToneLevel();
    std::optional<QString> ShowParameterFileDialog();
    void ShowNoticeBox(const QString& message);
    void CreateSoundStatus();
    // Warns, beside the edits, when the current tone keeps too few of the device's bits.
    void ShowToneResolution();
    // Calibrate and Run PTC do not start when nothing can play in a mode that plays.
    bool SoundDeviceReadyFor(const QString& action);
    SessionStart AskSessionStart(const QString& question, bool canContinue);
    UnfinishedChoice AskUnfinished(const QString& description);
    // Loads the test-condition file at `path`, as "Parameters" does with a chosen file; a file
    // that cannot be read or names a profile that cannot be used is refused, and nothing changes.
    Result<> LoadParameters(const std::string& path);
    // Graph Results opens a run of the session record when none is in memory.
    void EnableGraphResults();
    // The session "Run Session" continues without asking: the one the operator chose at start.
    std::string continueSession_;
    // "Run Session" can start: the file has a [Session] section and a subject name is typed.
    void EnableRunSession();
    // The set-up window's controls follow run `index` of the session; in KC35 mode a change of
    // ear sends its routing, and fails when the routing cannot be sent.
    Result<> ShowSessionRun(int index);
    // The ear of the checked button becomes the run's; in KC35 mode its routing is sent.
    Result<> RouteEar();
    // A serial or attenuator failure, as the operator reads it.
    void ShowFailure(const Result<>& result);
    // The run window and the session panel side by side, or each on a screen of its own.
    void PlaceSessionWindows(QWidget& panel);
    char DecimalSeparator() const;
    // RefreshCalibration where nothing waits for its outcome: the profiles of the store in the
    // profile box, the one in use chosen, its standing beside it and in the status line; the
    // store's folder and the profile's file watched for changes.
    void ShowCalibration();
    // The status line: the sound device, and whether levels are calibrated.
    void ShowStatusLine();

    SharedState state_;
    SetupWindowDevices devices_;
    std::unique_ptr<SerialPortLink> ownComPort_;  // absent when the devices bring their own line
    std::unique_ptr<Kc35Attenuator> kc35_;
    std::unique_ptr<PortAudioOutput> soundDevice_;  // absent when the devices bring their own output
    int outputBits_ = 0;  // the resolution of the device found; 0 when it cannot play
    QString soundLine_;   // what the last look at the sound device found
    CalibrationStore calibrationStore_;
    QFileSystemWatcher* storeWatcher_ = nullptr;

    QLineEdit* ToneFreqEdit = nullptr;
    QLineEdit* StartFreqEdit = nullptr;
    QLineEdit* EndFreqEdit = nullptr;
    QLineEdit* FreqStepEdit = nullptr;
    QLineEdit* MaskerBWEdit = nullptr;
    QLineEdit* SPLstepEdit = nullptr;
    QLineEdit* MaxMaskerEdit = nullptr;
    QLineEdit* SubjectEdit = nullptr;
    QLineEdit* ResFileEdit = nullptr;
    QPushButton* PreviousButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* Calibrate = nullptr;
    QPushButton* TonePlay = nullptr;
    QPushButton* RunPTC = nullptr;
    QPushButton* RunSession = nullptr;
    QPushButton* Threshold = nullptr;
    QAction* RunSessionAction = nullptr;
    QPushButton* GraphPTC = nullptr;
    QPushButton* ParamButton = nullptr;
    QPushButton* SerialPort = nullptr;
    QPushButton* InitKC35 = nullptr;
    QLabel* LevelUnitLabel = nullptr;
    QLabel* ConditionLabel = nullptr;  // which condition of how many the edits show
    QLabel* HintLabel = nullptr;       // what to do first, until a file is loaded
    QLabel* QuietToneLabel = nullptr;
    QLabel* SoundStatus = nullptr;
    QPushButton* SoundRefresh = nullptr;
    QComboBox* CalibrationProfileBox = nullptr;
    QLabel* CalibrationStanding = nullptr;
    QSlider* ToneLevelSlider = nullptr;
    QGroupBox* EarGroup = nullptr;
    QGroupBox* SweepGroup = nullptr;
    QButtonGroup* EarButtons = nullptr;
    QButtonGroup* SweepButtons = nullptr;

    RunWindow* runWindow_ = nullptr;
    GraphWindow* graphWindow_ = nullptr;
    CalibrationWindow* calibrationWindow_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    SessionProtocol protocol_;  // the loaded file's [Session] section
    QPointer<QMessageBox> notice_;  // the notice of the latest load, while it is open

    // Last, so that the edits' exit handlers stop before anything they use goes.
    EditExitHandlers exitHandlers_;
};
