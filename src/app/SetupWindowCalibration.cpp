// The set-up window's calibration profile: the one runs are measured with, its standing, and
// the status line's word on calibration.
#include "SetupWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>

void SetupWindow::CalibrationProfileChosen()
{
    const std::string previous = state_.Calibration.Profile;
    state_.Calibration = CalibrationInUse{};
    state_.Calibration.Profile = CalibrationProfileBox->currentData().toString().toStdString();
    if (const Result<> chosen = RefreshCalibration(); !chosen) {
        // Gone between the listing and the choice: the choice before stays.
        state_.Calibration = CalibrationInUse{};
        state_.Calibration.Profile = previous;
        ShowCalibration();
        ShowMessage(QString::fromStdString(chosen.Reason()));
    }
}

void SetupWindow::ShowCalibration()
{
    static_cast<void>(RefreshCalibration());
}

Result<> SetupWindow::RefreshCalibration()
{
    const CalibrationStore::Listing listing = calibrationStore_.List();
    const std::string inUse = state_.Calibration.Profile;
    const QSignalBlocker quiet(CalibrationProfileBox);
    CalibrationProfileBox->clear();
    CalibrationProfileBox->addItem("(none: uncalibrated)", QString());
    QString standing = "No profile: levels follow CalibFactor alone.";
    QString file;
    for (const CalibrationProfile& profile : listing.Profiles) {
        CalibrationProfileBox->addItem(QString::fromStdString(profile.Name), QString::fromStdString(profile.Name));
        if (profile.Name == inUse) {
            state_.Calibration = CalibrationFor(profile, QDateTime::currentDateTime());
            standing = QString::fromStdString(DescribeStanding(profile, QDateTime::currentDateTime()));
            file = QString::fromStdString(profile.File);
        }
    }
    if (!inUse.empty() && file.isEmpty()) {
        // Chosen, but gone from the store or unreadable: said, and kept until the operator chooses.
        CalibrationProfileBox->addItem(QString::fromStdString(inUse) + " (not in the store)",
                                       QString::fromStdString(inUse));
        standing = "The profile \"" + QString::fromStdString(inUse) + "\" is not in the calibration store "
                   + QString::fromStdString(calibrationStore_.Folder()) + ": runs are refused until one is chosen.";
    }
    Result<> outcome;
    if (!inUse.empty() && file.isEmpty()) {
        outcome = Failure{"The calibration profile \"" + inUse + "\" chosen in the set-up window cannot be used. "
                          + calibrationStore_.Load(inUse).Reason() + " Choose a profile in the set-up window."};
    }
    CalibrationProfileBox->setCurrentIndex(CalibrationProfileBox->findData(QString::fromStdString(inUse)));
    const QString tip = "Calibration store: " + QString::fromStdString(calibrationStore_.Folder())
                        + (listing.Problems.empty() ? QString()
                                                    : "\nNot read: " + QString::fromStdString(listing.Problems.front()));
    CalibrationProfileBox->setToolTip(tip);
    CalibrationStanding->setText(standing);
    CalibrationStanding->setToolTip(standing);
    CalibrationStanding->setAccessibleDescription(standing);

    // Another program saving a reading or a check, or adding a profile, shows here at once.
    if (storeWatcher_ == nullptr) {
        storeWatcher_ = new QFileSystemWatcher(this);
        connect(storeWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { ShowCalibration(); });
        connect(storeWatcher_, &QFileSystemWatcher::fileChanged, this, [this] { ShowCalibration(); });
    }
    const QStringList watched = QStringList{QString::fromStdString(calibrationStore_.Folder())} << file;
    for (const QStringList& old : {storeWatcher_->files(), storeWatcher_->directories()}) {
        for (const QString& path : old) {
            if (!watched.contains(path)) {
                storeWatcher_->removePath(path);
            }
        }
    }
    for (const QString& path : watched) {
        if (!path.isEmpty() && QFileInfo::exists(path) && !storeWatcher_->files().contains(path)
            && !storeWatcher_->directories().contains(path)) {
            storeWatcher_->addPath(path);
        }
    }
    ShowStatusLine();
    return outcome;
}

void SetupWindow::ShowStatusLine()
{
    const QString calibration = state_.Calibration.InUse()
                                    ? "Calibrated: " + QString::fromStdString(state_.Calibration.Profile) + "."
                                    : QString("Uncalibrated: no calibration profile.");
    const QString line = soundLine_.isEmpty()       ? calibration
                         : soundLine_.endsWith('.') ? soundLine_ + " " + calibration
                                                    : soundLine_ + ". " + calibration;
    SoundStatus->setText(line);
    SoundStatus->setToolTip(line);
    SoundStatus->setAccessibleDescription(line);
}
