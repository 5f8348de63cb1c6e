// The set-up window keeps the calibration window's level label up to date.
#include "Clock.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "SetupWindow.h"
#include "CalibrationWindow.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

QString LevelAfterLoading(const std::string& contents)
{
    const ScratchFolder scratch;
    VirtualClock clock;
    RecordingDispatcher dispatcher;
    RecordingSerialLink link;
    RecordingSoundOutput sound;
    SetupWindow form(SetupWindowDevices{&clock, &dispatcher, &link, &sound});
    const std::filesystem::path path = scratch.Path("calibration-level.ini");
    std::ofstream(path, std::ios::binary) << contents;
    form.ChooseParameterFile = [&path]() -> std::optional<QString> { return QString::fromStdString(path.string()); };
    form.ParamButtonClick();
    auto* calibration = form.findChild<CalibrationWindow*>();
    EXPECT_NE(calibration, nullptr);
    auto* label = calibration != nullptr ? calibration->findChild<QLabel*>("Label1") : nullptr;
    return label != nullptr ? label->text() : QString();
}

TEST(SetUpWindowCalibration, LevelLabelShowsCalibFactorOfTheLoadedFile)
{
    EXPECT_EQ(LevelAfterLoading("[Tests]\nN_Cond=1\n"), "100 dB SPL");
    EXPECT_EQ(LevelAfterLoading("[Tests]\nN_Cond=1\nCalibFactor=0x5A\n"), "90 dB SPL");
}

}  // namespace
