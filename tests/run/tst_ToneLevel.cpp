#include "ToneLevel.h"

#include <gtest/gtest.h>

namespace {

RecordedRun ThresholdOf(const std::string& id, const std::string& ear, float toneF, double level)
{
    // Copied from strings, not assigned from literals, which GCC 12 warns about here in error.
    const std::string subject = "P1", date = "2026-12-08", time = "10:42:05", session = "S", status = "measured";
    RecordedRun run;
    run.RunId = id;
    run.Subject = subject;
    run.Ear = ear;
    run.Date = date;
    run.Time = time;
    run.Session = session;
    run.Status = status;
    run.Kind = RunKind::Threshold;
    run.Parameters.ToneF = toneF;
    run.Threshold = ThresholdEstimate{level, 1.0, 6};
    return run;
}

SharedState StateWithToneSL(AttenuatorMode mode = AttenuatorMode::Software)
{
    SharedState state;
    state.Conditions.resize(1);
    state.Conditions[0].ToneSL = 10.0f;
    state.SubjectName = "P1";
    state.Settings.Attenuator = mode;
    return state;
}

struct Caution {
    const char* name;
    const char* session;
    const char* today;
    const char* profile;
    const char* expected;  // DescribeTone
};

class ThresholdOnRecord : public testing::TestWithParam<Caution> {};

}  // namespace

// The latest usable threshold of the subject, ear and ToneF; an ended, repeated or other run's is
// passed over, and its age and calibration are told.
TEST_P(ThresholdOnRecord, GivesTheToneAboveItAndSaysWhenItIsNotOfThisSitting)
{
    RecordedRuns record;
    record.Runs = {ThresholdOf("a", "right", 1000, 37.46), ThresholdOf("b", "left", 1000, 20),
                   ThresholdOf("c", "right", 2000, 20), ThresholdOf("d", "right", 1000, 50),
                   ThresholdOf("e", "right", 1000, 50)};
    record.Runs[3].Status = "ended";
    record.Runs[4].MarkedRepeated = true;
    SharedState state = StateWithToneSL();
    state.Calibration.Profile = GetParam().profile;
    const Result<ResolvedTone> tone = ResolveToneSL(record, state, GetParam().session, GetParam().today);
    ASSERT_TRUE(tone) << tone.Reason();
    EXPECT_EQ(tone.Value().ThresholdRun, "a");
    EXPECT_EQ(tone.Value().ToneSPL, 47.5f);
    EXPECT_EQ(DescribeTone(tone.Value()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ToneLevel, ThresholdOnRecord,
    testing::Values(
        Caution{"InThisSession", "S", "2026-12-08", "", "10 dB SL = 47.5 dB SPL (threshold 37.5 dB SPL, measured 10:42)"},
        Caution{"BeforeThisSession", "T", "2026-12-08", "",
                "10 dB SL = 47.5 dB SPL (threshold 37.5 dB SPL, measured 10:42): measured before this session"},
        Caution{"OnAnEarlierDay", "", "2026-12-09", "",
                "10 dB SL = 47.5 dB SPL (threshold 37.5 dB SPL, measured 2026-12-08 10:42): measured on an earlier day"},
        Caution{"WithAnotherProfile", "S", "2026-12-08", "Booth B",
                "10 dB SL = 47.5 dB SPL (threshold 37.5 dB SPL, measured 10:42): measured without a calibration "
                "profile"}),
    [](const testing::TestParamInfo<Caution>& info) { return std::string(info.param.name); });

TEST(ToneLevel, IsWholeDecibelsWithTheAttenuatorAndRefusedWithoutAThreshold)
{
    RecordedRuns record;
    record.Runs = {ThresholdOf("a", "right", 1000, 37.9)};
    const Result<ResolvedTone> kc35 = ResolveToneSL(record, StateWithToneSL(AttenuatorMode::Kc35), "", "2026-12-08");
    ASSERT_TRUE(kc35);
    EXPECT_EQ(kc35.Value().ToneSPL, 47.0f) << "the level the attenuator sets";

    SharedState left = StateWithToneSL();
    left.Ear = EarSide::Left;
    const Result<ResolvedTone> none = ResolveToneSL(record, left, "", "2026-12-08");
    ASSERT_FALSE(none);
    EXPECT_EQ(none.Reason(), "The tone is set 10 dB above the listener's threshold, and the session record holds no "
                             "threshold of P1 at 1000 Hz in the left ear. Measure it first with \"Threshold\".");
}
