#include "FreqPointCount.h"
#include "ParameterFile.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

std::string WriteFile(const ScratchFolder& dir, const std::string& name, const std::string& text)
{
    const auto path = dir.Path(name);
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

}  // namespace

TEST(ParameterFile, MissingFileGivesOneDefaultCondition)
{
    const ParameterLoad load = LoadParameterFile("/nonexistent/PTC.INI", '.');
    ASSERT_TRUE(load.Loaded);
    const ExperimentSettings& s = load.Parameters.Settings;
    EXPECT_EQ(s.Attenuator, AttenuatorMode::Software);
    EXPECT_EQ(s.ToneDuration, 400.0f);
    EXPECT_EQ(s.MaskerDuration, 600.0f);
    EXPECT_EQ(s.ModFreq, 20.0f);
    EXPECT_EQ(s.ISI, 20);
    EXPECT_EQ(s.N_Cond, 1);
    EXPECT_EQ(s.CalibFactor, 100.0f);
    ASSERT_EQ(load.Parameters.Conditions.size(), 1u);
    const TestCondition& c = load.Parameters.Conditions[0];
    EXPECT_EQ(c.ToneF, 1000.0f);
    EXPECT_EQ(c.StartF, 500.0f);
    EXPECT_EQ(c.EndF, 2000.0f);
    EXPECT_EQ(c.MaskStartSPL, 40.0f);
    EXPECT_EQ(FreqPointCount(c), 151);
}

TEST(ParameterFile, AFileThatCannotBeReadIsLikeAMissingOne)
{
    for (const auto& path : {std::filesystem::temp_directory_path(), std::filesystem::path("/proc/self/mem")}) {
        const ParameterLoad load = LoadParameterFile(path.string(), '.');
        ASSERT_TRUE(load.Loaded) << path;
        ASSERT_EQ(load.Parameters.Conditions.size(), 1u) << path;
        EXPECT_EQ(load.Parameters.Conditions[0].EndF, 2000.0f) << path;
    }
}

TEST(ParameterFile, MissingConditionSectionsTakeDefaults)
{
    const ScratchFolder dir{ScratchFolder::Mode::Stay};
    const auto path = WriteFile(dir, "gap.ini",
                                     "[Tests]\nN_Cond=3\nCalibFactor=0x5A\n[Cond1]\nToneF=2000\n[COND3]\nstartf=1.5E3\n");
    const ParameterLoad load = LoadParameterFile(path, '.');
    ASSERT_TRUE(load.Loaded);
    ASSERT_EQ(load.Parameters.Conditions.size(), 3u);
    EXPECT_EQ(load.Parameters.Settings.CalibFactor, 90.0f);
    EXPECT_EQ(load.Parameters.Conditions[0].ToneF, 2000.0f);
    EXPECT_EQ(load.Parameters.Conditions[1].ToneF, 1000.0f);
    EXPECT_EQ(load.Parameters.Conditions[2].StartF, 1500.0f);
    EXPECT_EQ(load.Parameters.Settings.AudioDevice, "");
}

TEST(ParameterFile, ReadsTheOptionalDeviceKeys)
{
    const ScratchFolder dir{ScratchFolder::Mode::Stay};
    const auto path = WriteFile(dir, "devices.ini", "[Settings]\nAudioDevice = JACK \nSerialPort=/dev/pts/4\n"
                                                    "CalibrationProfile= Booth A: RME, HDA 200 \n");
    const ParameterLoad load = LoadParameterFile(path, '.');
    EXPECT_EQ(load.Parameters.Settings.AudioDevice, "JACK");
    EXPECT_EQ(load.Parameters.Settings.SerialPort, "/dev/pts/4");
    EXPECT_EQ(load.Parameters.Settings.CalibrationProfile, "Booth A: RME, HDA 200");
}

TEST(ParameterFile, UnreadableValuesTakeTheirDefaultAndAreListed)
{
    const ScratchFolder dir{ScratchFolder::Mode::Stay};
    const ParameterLoad typo = LoadParameterFile(
        WriteFile(dir, "unreadable.ini", "[settings]\nISI=250.5\nDebug=\n[Tests]\nCalibFactor=0x5A\n"
                                         "[Cond1]\nStartF=5OO\ntonef = 1000,5 \nEndF=2500\n"),
        '.');
    ASSERT_TRUE(typo.Loaded);
    EXPECT_EQ(typo.Parameters.Settings.ISI, 20);
    EXPECT_EQ(typo.Parameters.Settings.CalibFactor, 90.0f);
    EXPECT_EQ(typo.Parameters.Conditions[0].StartF, 500.0f);
    EXPECT_EQ(typo.Parameters.Conditions[0].EndF, 2500.0f);
    std::vector<std::string> listed;
    for (const UnreadableValue& value : typo.Unreadable) {
        listed.push_back(DescribeUnreadableValue(value));
    }
    // In reading order, under the program's names; an empty value counts as absent.
    EXPECT_EQ(listed, (std::vector<std::string>{"[Settings] ISI = 250.5 -> default used",
                                                "[Cond1] ToneF = 1000,5 -> default used",
                                                "[Cond1] StartF = 5OO -> default used"}));

    const ParameterLoad clean = LoadParameterFile(WriteFile(dir, "clean.ini", "[Cond1]\nToneF=1000,5\n"), ',');
    EXPECT_EQ(clean.Parameters.Conditions[0].ToneF, 1000.5f);
    EXPECT_TRUE(clean.Unreadable.empty());
}

TEST(ParameterFile, ConditionCountOutsideRangeIsRefused)
{
    const ScratchFolder dir{ScratchFolder::Mode::Stay};
    for (const char* count : {"0", "-1", "10001"}) {
        const auto path = WriteFile(dir, "count.ini", std::string("[Tests]\nN_Cond=") + count + "\n");
        const ParameterLoad load = LoadParameterFile(path, '.');
        EXPECT_FALSE(load.Loaded) << count;
        EXPECT_NE(load.Error.find(std::string("N_Cond=") + count), std::string::npos) << load.Error;
    }
    const auto path = WriteFile(dir, "count.ini", "[Tests]\nN_Cond=10000\n");
    EXPECT_TRUE(LoadParameterFile(path, '.').Loaded);
}

TEST(FreqPointCount, TruncatesFromStoredFloats)
{
    TestCondition c;
    c.FStep = 3.0f;
    EXPECT_EQ(FreqPointCount(c), 501);
    c.FStep = 0.1f;  // stored slightly above 0.1
    EXPECT_EQ(FreqPointCount(c), 15000);
}

TEST(FreqPointCount, NeverDividesByZeroOrOverflows)
{
    TestCondition c;
    c.FStep = 0.0f;
    EXPECT_EQ(FreqPointCount(c), 0);
    c.FStep = 1e-30f;
    EXPECT_EQ(FreqPointCount(c), 0);
    c.FStep = 10.0f;
    c.EndF = 100.0f;
    EXPECT_EQ(FreqPointCount(c), -39);  // EndF below StartF: "Run PTC" refuses it
}
