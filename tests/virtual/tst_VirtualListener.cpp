#include "Clock.h"
#include "ExpectedCurve.h"
#include "Kc35Attenuator.h"
#include "ListeningSoundOutput.h"
#include "RecordingSoundOutput.h"
#include "SimKeyboard.h"
#include "ListenerConditions.h"
#include "SimulatedKc35Line.h"
#include "Stimuli.h"
#include "TrackingRun.h"
#include "VirtualListener.h"

#include <gtest/gtest.h>

namespace {

// The stereo stimulus of one trial as the run builds it, as the listener's headphones hand it on.
struct HeardTrial {
    std::vector<float> samples;
    HeardSound Sound() const { return {samples, 44100, 2}; }
};

HeardTrial Trial(const SharedState& state, float maskerFreq, float maskerLevel, std::uint32_t seed)
{
    const ExperimentSettings& s = state.Settings;
    const TestCondition& c = state.Current();
    const Noise reservoir = MakeNoiseReservoir(c, seed);
    Wave masker = MakeTrialBuffer(s);
    Tone carrier = MakeCarrier(s);
    BuildTrialMasker(masker, carrier, reservoir, s, maskerFreq);
    const Tone tone = MakeRunTone(s, c, c.ToneSPL);
    const Wave silent = MakeTrialBuffer(s);
    HeardTrial heard;
    VirtualClock clock;
    ListeningSoundOutput output(clock, [&heard](const HeardSound& sound) {
        heard.samples.assign(sound.Samples.begin(), sound.Samples.end());
    });
    if (s.Attenuator == AttenuatorMode::Software) {
        LevelAndGateMasker(masker, s, maskerLevel - s.CalibFactor);
        masker.Add(tone);
        EXPECT_TRUE(masker
                        .PlayStereo(output, state.Ear == EarSide::Left ? masker : silent,
                                    state.Ear == EarSide::Left ? silent : masker)
                        .Ok());
    } else {
        GateMasker(masker, s);
        EXPECT_TRUE(masker.PlayStereo(output, masker, tone).Ok());
    }
    return heard;
}

SharedState StateFor(float toneF, AttenuatorMode attenuator, EarSide ear)
{
    const ParameterSet set = ListenerConditions(toneF, attenuator);
    SharedState state;
    state.Settings = set.Settings;
    state.Conditions = set.Conditions;
    state.Ear = ear;
    return state;
}

struct Case {
    AttenuatorMode attenuator;
    EarSide ear;
    float maskerFreq;
};

class ListenerRatio : public testing::TestWithParam<Case> {};

// What the listener measures in one stimulus is the closed form's tone-to-masker ratio, up to
// the level spread of one 1.8 s section of a 100 Hz noise band (a few tenths of a dB), and
// without bias over many sections.
TEST_P(ListenerRatio, MeasuredRatioIsTheClosedFormsWithinTheMaskersSpread)
{
    const Case c = GetParam();
    const SharedState state = StateFor(1000.0f, c.attenuator, c.ear);
    SimKeyboard keyboard;
    SimulatedKc35Line line;
    Kc35Attenuator attenuator(line, keyboard);
    const float maskerLevel = 60.0f;
    if (c.attenuator == AttenuatorMode::Kc35) {
        attenuator.SendEarRouting(c.ear);
        attenuator.SetAttenuatorLevel(1, static_cast<int>(maskerLevel));
        attenuator.SetAttenuatorLevel(2, 50);
    }
    VirtualListener listener(state, ListenerSettings{0.0, 0.0, 0}, keyboard,
                             c.attenuator == AttenuatorMode::Kc35 ? &line : nullptr);
    const ExpectedCurve curve(state.Settings, state.Current(), 0.0);
    // At criterion 0 the curve is the masker level at which the ratio is 0 dB.
    const double expectedRatio = curve.MaskerLevel(c.maskerFreq) - maskerLevel;
    const int sections = 12;
    double sum = 0.0;
    for (std::uint32_t seed = 1; seed <= sections; ++seed) {
        listener.Hear(Trial(state, c.maskerFreq, maskerLevel, seed).Sound());
        const VirtualListener::Decision& d = listener.LastDecision();
        EXPECT_NEAR(d.ToneDb - d.MaskerDb, expectedRatio, 1.0) << "seed " << seed;
        EXPECT_NEAR(d.ToneDb, 50.0, 0.05);
        sum += d.ToneDb - d.MaskerDb;
    }
    EXPECT_NEAR(sum / sections, expectedRatio, 0.25);
}

INSTANTIATE_TEST_SUITE_P(Modes, ListenerRatio,
                         testing::Values(Case{AttenuatorMode::Software, EarSide::Right, 1000.0f},
                                         Case{AttenuatorMode::Software, EarSide::Left, 1150.0f},
                                         Case{AttenuatorMode::Kc35, EarSide::Right, 900.0f},
                                         Case{AttenuatorMode::Kc35, EarSide::Left, 1000.0f}));

TEST(VirtualListener, HoldsSpaceWhileItHearsAndTheKeysWaitForADispatch)
{
    SharedState state = StateFor(1000.0f, AttenuatorMode::Software, EarSide::Right);
    state.Settings.MaskerDuration = 600.0f;
    state.Settings.ToneDuration = 400.0f;
    state.ResetResults();
    SimKeyboard keyboard;
    VirtualListener listener(state, ListenerSettings{0.0, 0.0, 0}, keyboard, nullptr);
    listener.Hear(Trial(state, 1000.0f, 30.0f, 1).Sound());  // masker 20 dB below the tone: heard
    EXPECT_TRUE(listener.Holding());
    listener.Hear(Trial(state, 1000.0f, 35.0f, 2).Sound());  // still heard: no second press
    listener.Hear(Trial(state, 1000.0f, 80.0f, 3).Sound());  // masked
    EXPECT_FALSE(listener.Holding());
    EXPECT_EQ(listener.Presentations(), 3);
    ASSERT_TRUE(keyboard.Pending());

    RecordingSoundOutput sound;
    VirtualClock clock;
    TrackingRun run(state, RunDevices{&sound, &clock, &keyboard, nullptr});
    keyboard.Attach(run);
    keyboard.ProcessEvents();
    EXPECT_FALSE(keyboard.Pending());
    EXPECT_EQ(run.ReversalCount(), 2);  // one press, one release
    EXPECT_EQ(run.LevelDirection(), -1);
}

TEST(VirtualListener, InternalNoiseIsSeededAndSeedZeroIsNoiseFree)
{
    SharedState state = StateFor(1000.0f, AttenuatorMode::Software, EarSide::Right);
    state.Settings.MaskerDuration = 300.0f;
    state.Settings.ToneDuration = 200.0f;
    const HeardTrial trial = Trial(state, 1000.0f, 50.0f, 1);
    const auto noises = [&](ListenerSettings settings) {
        SimKeyboard keyboard;
        VirtualListener listener(state, settings, keyboard, nullptr);
        std::vector<double> values;
        for (int i = 0; i < 200; ++i) {
            listener.Hear(trial.Sound());
            values.push_back(listener.LastDecision().Noise);
        }
        return values;
    };
    EXPECT_EQ(noises({0.0, 2.0, 7}), noises({0.0, 2.0, 7}));
    EXPECT_NE(noises({0.0, 2.0, 7}), noises({0.0, 2.0, 8}));
    for (const double value : noises({0.0, 2.0, 0})) {
        ASSERT_EQ(value, 0.0);
    }
    double sum = 0.0;
    double squares = 0.0;
    for (const double value : noises({0.0, 2.0, 7})) {
        sum += value;
        squares += value * value;
    }
    EXPECT_NEAR(sum / 200.0, 0.0, 0.5);
    EXPECT_NEAR(std::sqrt(squares / 200.0), 2.0, 0.4);
}

TEST(VirtualListener, WithTheKc35ItHearsNothingRoutedToTheOtherEar)
{
    const SharedState state = StateFor(1000.0f, AttenuatorMode::Kc35, EarSide::Left);
    SimKeyboard keyboard;
    SimulatedKc35Line line;
    Kc35Attenuator attenuator(line, keyboard);
    attenuator.SendKC35Setup();  // routes to the right ear
    attenuator.SetAttenuatorLevel(1, 10);
    attenuator.SetAttenuatorLevel(2, 50);
    VirtualListener listener(state, ListenerSettings{0.0, 0.0, 0}, keyboard, &line);
    listener.Hear(Trial(state, 1000.0f, 10.0f, 1).Sound());
    EXPECT_FALSE(listener.LastDecision().Heard);
    attenuator.SendEarRouting(EarSide::Left);
    listener.Hear(Trial(state, 1000.0f, 10.0f, 1).Sound());
    EXPECT_TRUE(listener.LastDecision().Heard);
}

TEST(SimulatedKc35Line, KeepsLevelsAndRoutingAndFlagsWhatTheDeviceWouldNotUnderstand)
{
    SimKeyboard keyboard;
    SimulatedKc35Line line;
    Kc35Attenuator attenuator(line, keyboard);
    EXPECT_FALSE(line.Level(1));
    EXPECT_FALSE(line.RoutedEar());
    attenuator.SendKC35Setup();
    EXPECT_EQ(line.RoutedEar(), EarSide::Right);
    attenuator.SetAttenuatorLevel(1, 100);
    attenuator.SetAttenuatorLevel(2, -23);
    attenuator.SendEarRouting(EarSide::Left);
    EXPECT_EQ(line.Level(1), 100);
    EXPECT_EQ(line.Level(2), -23);
    EXPECT_EQ(line.RoutedEar(), EarSide::Left);
    EXPECT_TRUE(line.Problems().empty());

    line.Write("Z", 1);  // while closed, and no command starts with Z
    line.Open();
    line.Write("I1", 2);
    line.Close();  // the level command is cut short
    ASSERT_EQ(line.Problems().size(), 3u);
    EXPECT_NE(line.Problems()[0].find("closed"), std::string::npos);
    EXPECT_NE(line.Problems()[2].find("incomplete"), std::string::npos);
    EXPECT_EQ(line.Level(1), 100);
}

}  // namespace
