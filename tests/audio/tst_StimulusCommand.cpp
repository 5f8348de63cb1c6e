#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

class StimulusCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("quorvex-stimulus-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        WriteIni("PTC.INI", "MaskerDuration=600\nToneDuration=400\n");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    void WriteIni(const std::string& name, const std::string& settings) const
    {
        std::ofstream(Path(name)) << "[Settings]\nAttenuator=1\n" << settings
                                  << "[Tests]\nN_Cond=2\nCalibFactor=100\n"
                                     "[Cond1]\nToneF=1000\nStartF=500\nEndF=2000\nMaskerBW=100\nToneSPL=30\n"
                                     "MaskStartSPL=40\nMaxSPL=80\n"
                                     "[Cond2]\nToneF=2000\nStartF=1500\nEndF=3000\nMaskerBW=1000\n";
    }

    Outcome Run(const std::string& arguments) const
    {
        const std::string command =
            "cd '" + dir_.string() + "' && '" QUORVEX_SIM "' stimulus " + arguments + " 2>&1";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return outcome;
        }
        std::array<char, 512> buffer{};
        while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
            outcome.output += buffer.data();
        }
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

    std::vector<unsigned char> Bytes(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Checks the file holds `frames` frames with silence on the right and sound on the left.
    void ExpectLeftOnly(const std::string& name, std::size_t frames) const
    {
        const std::vector<unsigned char> b = Bytes(name);
        ASSERT_EQ(b.size(), 44 + 4 * frames) << name;
        bool leftSounds = false;
        for (std::size_t i = 0; i < frames; ++i) {
            const std::size_t at = 44 + 4 * i;
            ASSERT_EQ(b[at + 2] | b[at + 3], 0) << name << " frame " << i;
            leftSounds = leftSounds || (b[at] | b[at + 1]) != 0;
        }
        EXPECT_TRUE(leftSounds) << name;
    }

private:
    std::filesystem::path dir_;
};

TEST_F(StimulusCommand, WritesEachStimulusOnTheLeft)
{
    struct Case {
        const char* kind;
        std::size_t frames;
    };
    for (const Case c : {Case{"tone", 17640}, Case{"calibration", 44100}, Case{"reservoir", 524288},
                         Case{"masker", 26460}}) {
        const std::string out = std::string(c.kind) + ".wav";
        const Outcome outcome = Run(std::string(c.kind) + " --out " + out + " --seed 11");
        ASSERT_EQ(outcome.status, 0) << outcome.output;
        ExpectLeftOnly(out, c.frames);
    }
}

TEST_F(StimulusCommand, SeedMakesTheNoiseReproducible)
{
    ASSERT_EQ(Run("masker --out a.wav --seed 42 --frequency 1000 --level 50").status, 0);
    ASSERT_EQ(Run("masker --out b.wav --seed 42 --frequency 1000 --level 50").status, 0);
    ASSERT_EQ(Run("masker --out c.wav --seed 43 --frequency 1000 --level 50").status, 0);
    EXPECT_EQ(Bytes("a.wav"), Bytes("b.wav"));
    EXPECT_NE(Bytes("a.wav"), Bytes("c.wav"));
}

TEST_F(StimulusCommand, ConditionAndIniAreHonoured)
{
    WriteIni("long.ini", "MaskerDuration=1000\nToneDuration=500\n");
    const Outcome outcome = Run("masker --ini long.ini --condition 2 --out m.wav --seed 1");
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("centred on 1500 Hz"), std::string::npos) << outcome.output;
    ExpectLeftOnly("m.wav", 44100);
}

TEST_F(StimulusCommand, MaskerLevelIsLimitedAsInTheRun)
{
    const Outcome outcome = Run("masker --out m.wav --seed 1 --level 95");
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_NE(outcome.output.find("at 80 dB SPL"), std::string::npos) << outcome.output;  // MaxSPL
}

TEST_F(StimulusCommand, UsageMistakesExitWithTwoRefusedSettingsWithOneAndNothingIsWritten)
{
    WriteIni("bad.ini", "MaskerDuration=20000\n");
    WriteIni("isi.ini", "ISI=-1\n");
    struct Case {
        const char* arguments;
        int status;
        const char* says;
    };
    for (const Case c : {Case{"", 2, "KIND is required"}, Case{"noise --out x.wav", 2, "noise not in"},
                         Case{"tone", 2, "--out is required"}, Case{"tone --out", 2, "--out: 1 required"},
                         Case{"tone --out x.wav --frequency 1000", 2, "applies to masker only"},
                         Case{"masker --out x.wav --level loud", 2, "--level: 'loud' is not a number"},
                         Case{"masker --out x.wav --seed -1", 2, "--seed: '-1' is not a whole number"},
                         Case{"masker --out x.wav --bogus 1", 2, "unrecognized option '--bogus'"},
                         Case{"masker --out x.wav --condition 3", 1, "has no condition 3"},
                         Case{"masker --out x.wav --ini bad.ini", 1,
                              "MaskerDuration (20000 ms) is longer than the noise reservoir"},
                         Case{"masker --out x.wav --ini isi.ini", 1, "ISI is -1 ms"},
                         Case{"reservoir --out x.wav --ini isi.ini", 1, "ISI is -1 ms"},
                         Case{"masker --out x.wav --frequency 22001", 1,
                              "masker band reaches 22051 Hz, above half the sample rate (22050 Hz)"},
                         Case{"masker --out x.wav --frequency=-5", 1, "centre frequency must be above 0 Hz"},
                         Case{"tone --out x.wav --ini missing.ini", 1,
                              "cannot read 'missing.ini': No such file or directory"}}) {
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_NE(outcome.output.find(c.says), std::string::npos) << c.arguments << "\n" << outcome.output;
        EXPECT_FALSE(std::filesystem::exists(Path("x.wav"))) << c.arguments;
    }
}

// A stimulus beyond 16-bit full scale is written as it would be played, cut flat, and said.
TEST_F(StimulusCommand, ClippingIsSaid)
{
    const Outcome loud = Run("tone --out loud.wav --level 140");
    EXPECT_EQ(loud.status, 0) << loud.output;
    EXPECT_NE(loud.output.find("quorvex-sim stimulus: "), std::string::npos) << loud.output;
    EXPECT_NE(loud.output.find(" %) clip"), std::string::npos) << loud.output;
    EXPECT_EQ(Run("tone --out quiet.wav").output.find("clip"), std::string::npos);
}

TEST_F(StimulusCommand, UnwritableOutputIsAnError)
{
    const Outcome outcome = Run("calibration --out no-such-folder/c.wav");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.output.find("quorvex-sim stimulus: could not open 'no-such-folder/c.wav': No such file or "
                                  "directory"),
              std::string::npos)
        << outcome.output;
}

}  // namespace
