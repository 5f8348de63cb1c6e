// The virtual listener hearing through a headphone with a response: a run corrected with that
// response measures the flat headphone's curve, an uncorrected one the curve shifted by it.
#include "Csv.h"
#include "ExpectedCurve.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "ListenerConditions.h"
#include "SimulatedHeadphone.h"
#include "Tone.h"
#include "VirtualRun.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

// Louder below the tone, quieter above it, flat at the tone itself.
HeadphoneResponse Tilted()
{
    HeadphoneResponse response;
    for (const EarSide ear : {EarSide::Left, EarSide::Right}) {
        response.Set(ear, 700.0f, 4.0f);
        response.Set(ear, 850.0f, 3.0f);
        response.Set(ear, 1000.0f, 0.0f);
        response.Set(ear, 1300.0f, -4.0f);
    }
    return response;
}

TEST(SimulatedHeadphone, PlaysEachFrequencyLouderByTheEarsCorrection)
{
    HeadphoneResponse response;
    response.Set(EarSide::Left, 1000.0f, 3.0f);
    response.Set(EarSide::Left, 2000.0f, -2.0f);
    SimulatedHeadphone headphone(response, {EarSide::Left, EarSide::Right});
    const float hz = 1414.2f;  // half way in log frequency: 0.5 dB
    const Tone tone(500.0f, 44100, hz, 8000.0f);
    std::vector<float> stereo(2 * tone.Samples().size(), 0.0f);
    for (std::size_t i = 0; i < tone.Samples().size(); ++i) {
        stereo[2 * i] = tone.Samples()[i];
    }
    const HeardSound heard = headphone.Play(HeardSound{stereo, 44100, 2});
    double in = 0.0;
    double out = 0.0;
    double right = 0.0;
    for (std::size_t i = 4410; i < tone.Samples().size() - 4410; ++i) {  // away from the ends
        in += static_cast<double>(stereo[2 * i]) * stereo[2 * i];
        out += static_cast<double>(heard.Samples[2 * i]) * heard.Samples[2 * i];
        right += std::abs(heard.Samples[2 * i + 1]);
    }
    EXPECT_NEAR(10.0 * std::log10(out / in), response.CorrectionDb(EarSide::Left, hz), 0.05);
    EXPECT_EQ(right, 0.0);
}

class HeardThroughAHeadphone : public testing::TestWithParam<AttenuatorMode> {};

// The mean of the measured minus the flat headphone's closed-form curve below 900 Hz, where the
// response lifts the masker by 3 to 4 dB.
double LowSideDeviation(AttenuatorMode mode, const CalibrationInUse& calibration)
{
    const ParameterSet set = ListenerConditions(1000.0f, mode);
    VirtualRunOptions options;
    options.Listener = ListenerSettings{-4.0, 0.0, 2};
    options.Calibration = calibration;
    options.Headphone = Tilted();
    const VirtualRunResult result = RunWithVirtualListener(set, options);
    EXPECT_TRUE(result.Report.Error.empty()) << result.Report.Error;
    const ExpectedCurve curve(set.Settings, set.Conditions[0], -4.0);
    double sum = 0.0;
    int count = 0;
    for (const ResultPoint& p : result.Points) {
        if (p.Freq < 900.0f && p.SPL < set.Conditions[0].MaxSPL) {
            sum += p.SPL - curve.MaskerLevel(p.Freq);
            ++count;
        }
    }
    EXPECT_GT(count, 10);
    return sum / count;
}

TEST_P(HeardThroughAHeadphone, ACorrectedRunMeasuresTheFlatCurveAnUncorrectedOneTheShift)
{
    const ScratchFolder dir;
    ::setenv("XDG_DATA_HOME", dir.Path("data").c_str(), 1);
    ::setenv("QUORVEX_CALIBRATION_DIR", dir.Path("calibration").c_str(), 1);
    CalibrationInUse profile;
    profile.Profile = "Booth A";
    profile.Response = Tilted();
    const double corrected = LowSideDeviation(GetParam(), profile);
    const double uncorrected = LowSideDeviation(GetParam(), CalibrationInUse{});
    // The level steps are 2 dB; the tip level's spread in the validation table is below 1 dB.
    EXPECT_NEAR(corrected, 0.0, 1.0);
    // The headphone adds 3 to 4 dB to the masker there: the uncorrected curve lies that much lower.
    EXPECT_LT(uncorrected - corrected, -2.5);
    EXPECT_GT(uncorrected - corrected, -4.5);
}

INSTANTIATE_TEST_SUITE_P(SoftwareAndKc35, HeardThroughAHeadphone,
                         testing::Values(AttenuatorMode::Software, AttenuatorMode::Kc35),
                         [](const testing::TestParamInfo<AttenuatorMode>& info) {
                             return std::string(info.param == AttenuatorMode::Software ? "software" : "KC35");
                         });

TEST(HeadphoneOption, ReadsPointsOrAFileAndRefusesWhatIsNeither)
{
    const ScratchFolder dir;
    ::setenv("XDG_DATA_HOME", dir.Path("data").c_str(), 1);
    ::setenv("QUORVEX_CALIBRATION_DIR", dir.Path("calibration").c_str(), 1);
    std::ofstream(dir.Path("PTC.INI")) << "[Settings]\nMaskerDuration=200\nToneDuration=100\n[Tests]\nN_Cond=1\n"
                                          "[Cond1]\nToneF=1000\nStartF=900\nEndF=1100\nFStep=50\n";
    std::ofstream(dir.Path("booth.txt")) << "# left and right ear of booth A\nleft:1000:2.5\nright:1000:-1, right:2000:1\n";
    ASSERT_EQ(Sim("run --headphone booth.txt --correct-headphone --results a", " 2>&1 >/dev/null").output, "");
    const auto record = ParseCsv(Shell("cat a.csv").output);
    const auto column = std::find(record[0].begin(), record[0].end(), "tone_correction") - record[0].begin();
    EXPECT_EQ(record[1].at(static_cast<std::size_t>(column)), "-1");  // the right ear at 1000 Hz

    for (const char* refused : {"--headphone 1000", "--headphone 1000:x", "--headphone middle:1000:2",
                                "--headphone 0:3", "--correct-headphone", "--headphone data"}) {
        SCOPED_TRACE(refused);
        std::filesystem::create_directories(dir.Path("data"));
        const Outcome outcome = Sim(std::string("run --results b ") + refused, " 2>&1 >/dev/null");
        EXPECT_EQ(outcome.status, 2) << outcome.output;
        EXPECT_FALSE(outcome.output.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("b.dat")));
}

TEST(CalibrationFlags, TravelFromTheRecordToAnalyzeAndTheReport)
{
    const ScratchFolder dir;
    ::setenv("XDG_DATA_HOME", dir.Path("data").c_str(), 1);
    ::setenv("QUORVEX_CALIBRATION_DIR", dir.Path("calibration").c_str(), 1);
    ParameterSet set = ListenerConditions(1000.0f, AttenuatorMode::Software);
    set.Settings.MaskerDuration = 300.0f;
    set.Settings.ToneDuration = 200.0f;
    VirtualRunOptions options;
    options.Calibration.Profile = "Booth A: HDA 200";
    options.Calibration.LastCalibrated = "2025-10-01T09:00:00";
    options.Calibration.Overdue = true;
    options.Calibration.CheckedToday = false;
    options.Calibration.Response = Tilted();
    ASSERT_TRUE(RunWithVirtualListener(set, options).Report.Error.empty());

    const Outcome table = Sim("analyze default.dat --csv", " 2>/dev/null");
    ASSERT_EQ(table.status, 0) << table.output;
    const auto rows = ParseCsv(table.output);
    ASSERT_GE(rows.size(), 2u);
    const auto value = [&rows](const std::string& name) {
        const auto at = std::find(rows[0].begin(), rows[0].end(), name);
        return at == rows[0].end() ? std::string("no column") : rows[1][static_cast<std::size_t>(at - rows[0].begin())];
    };
    EXPECT_EQ(value("calibration_profile"), "Booth A: HDA 200");
    EXPECT_EQ(value("calibration_date"), "2025-10-01T09:00:00");
    EXPECT_EQ(value("tone_correction"), "0");
    EXPECT_EQ(value("masker_correction_max"), "4");
    EXPECT_EQ(value("flag_calibration_overdue"), "1");
    EXPECT_EQ(value("flag_no_listening_check"), "1");

    const Outcome text = Sim("analyze default.dat", " 2>/dev/null");
    EXPECT_NE(text.output.find("  flag calibration overdue\n  flag no listening check\n"), std::string::npos) << text.output;

    ASSERT_EQ(Sim("report default.dat -o report.pdf").status, 0);
    // pdftotext joins "fi" and "fl" into ligatures: the words looked for have neither.
    const Outcome page = Shell("pdftotext -f 1 -l 1 report.pdf - | tr -s ' \\n' ' '");
    EXPECT_NE(page.output.find("\"Booth A: HDA 200\", calibrated 2025-10-01 ("), std::string::npos) << page.output;
    EXPECT_NE(page.output.find("listening check of the day not done"), std::string::npos) << page.output;
    EXPECT_NE(page.output.find("calibration overdue, no listening check"), std::string::npos) << page.output;
}

}  // namespace
