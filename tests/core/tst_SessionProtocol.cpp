#include "IniFile.h"
#include "ParameterFile.h"
#include "SessionProtocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

// A two-condition file with the given [Session] lines.
SessionProtocol Read(const std::string& session, std::vector<UnreadableValue>* unreadable = nullptr)
{
    const IniFile ini = IniFile::FromText("[Tests]\nN_Cond=2\n[Session]\n" + session);
    std::vector<UnreadableValue> values;
    SessionProtocol protocol = ReadSessionProtocol(ini, std::vector<TestCondition>(2), values);
    if (unreadable != nullptr) {
        *unreadable = values;
    }
    return protocol;
}

std::string Runs(const SessionProtocol& protocol)
{
    std::string text;
    for (const SessionRun& run : protocol.Runs) {
        text += std::to_string(run.Condition) + EarName(run.Ear)[0] + DirectionName(run.SweepDirection)[0] + ' ';
    }
    return text;
}

}  // namespace

TEST(SessionProtocol, AFileWithoutTheSectionHasNoProtocol)
{
    EXPECT_FALSE(Read("").Present);
    const ParameterLoad load = LoadParameters(IniFile::FromText("[Tests]\nN_Cond=2\n"), "PTC.INI", '.');
    EXPECT_TRUE(load.Loaded);
    EXPECT_FALSE(load.Session.Present);
}

TEST(SessionProtocol, CompactRunsGoRepeatByConditionByEarByDirection)
{
    const SessionProtocol protocol = Read("conditions = 2,1\nEARS=Right,left\nDirections=up,DOWN\nRepeats=2\n");
    ASSERT_TRUE(protocol.Runnable()) << protocol.Refusal;
    EXPECT_EQ(Runs(protocol), "2ru 2rd 2lu 2ld 1ru 1rd 1lu 1ld 2ru 2rd 2lu 2ld 1ru 1rd 1lu 1ld ");
    EXPECT_EQ(Runs(Read("Repeats=1\n")), "1ru 2ru ") << "every condition, right ear, upwards by default";
}

TEST(SessionProtocol, ExplicitRunsWinAndTheNoticeSaysTheCompactKeysWereIgnored)
{
    const SessionProtocol protocol = Read("Run2=1,right,down\nRun1=2,left,up\nEars=left\nRepeats=3\nRestEvery=1\n");
    ASSERT_TRUE(protocol.Runnable()) << protocol.Refusal;
    EXPECT_EQ(Runs(protocol), "2lu 1rd ");
    EXPECT_EQ(protocol.RestEvery, 1);
    ASSERT_EQ(protocol.Notes.size(), 1u);
    EXPECT_EQ(protocol.Notes[0], "[Session] Ears, Repeats: ignored, because Run1 to Run2 give the runs");
}

TEST(SessionProtocol, AShuffleIsAPureFunctionOfTheListAndTheSeed)
{
    const SessionProtocol listed = Read("Ears=left,right\nDirections=up,down\n");
    const SessionProtocol shuffled = Read("Ears=left,right\nDirections=up,down\nOrder=Shuffled\nSeed=7\n");
    ASSERT_TRUE(shuffled.Runnable()) << shuffled.Refusal;
    EXPECT_EQ(shuffled.Runs, ShuffleRuns(listed.Runs, 7)) << "a shuffle without twins keeps its order";
    EXPECT_NE(shuffled.Runs, listed.Runs);
    EXPECT_NE(ShuffleRuns(listed.Runs, 8), shuffled.Runs);
    // The order is fixed by the standard's Mersenne Twister and our own draw: the same on any machine.
    EXPECT_EQ(Runs(shuffled), "1ru 2lu 1lu 1rd 2ld 1ld 2ru 2rd ");
}

TEST(SessionProtocol, AShuffledOrderNeverPutsARunNextToItsTwin)
{
    const SessionProtocol listed = Read("Ears=left,right\nDirections=up,down\nRepeats=2\n");
    ASSERT_TRUE(TwinsAdjacent(ShuffleRuns(listed.Runs, 7))) << "the plain shuffle of seed 7 has twins side by side";
    const SessionProtocol shuffled = Read("Ears=left,right\nDirections=up,down\nRepeats=2\nOrder=shuffled\nSeed=7\n");
    ASSERT_TRUE(shuffled.Runnable()) << shuffled.Refusal;
    EXPECT_FALSE(TwinsAdjacent(shuffled.Runs)) << Runs(shuffled);
    EXPECT_TRUE(std::is_permutation(shuffled.Runs.begin(), shuffled.Runs.end(), listed.Runs.begin(), listed.Runs.end()));
    EXPECT_EQ(Runs(shuffled), "2rd 2ru 2lu 1ru 1rd 2lu 1rd 1ld 1lu 2ru 1ru 1ld 1lu 2ld 2rd 2ld ");
    EXPECT_TRUE(shuffled.Notes.empty());
    // Only two runs, many times over: the one order left is alternation.
    for (std::uint32_t seed = 0; seed < 50; ++seed) {
        const SessionProtocol two = Read("Repeats=6\nOrder=shuffled\nSeed=" + std::to_string(seed) + "\n");
        EXPECT_FALSE(TwinsAdjacent(two.Runs)) << Runs(two);
    }
    const SessionProtocol impossible = Read("Conditions=1\nRepeats=3\nOrder=shuffled\nSeed=1\n");
    EXPECT_TRUE(impossible.Runnable());
    EXPECT_EQ(impossible.Runs.size(), 3u);
    ASSERT_EQ(impossible.Notes.size(), 1u);
    EXPECT_EQ(impossible.Notes[0], "[Session] Order = shuffled: more than half of the runs are the same run, so some "
                                   "of them follow their twin");
}

struct Refused {
    const char* session;
    const char* message;
};

class BadProtocol : public testing::TestWithParam<Refused> {};

TEST_P(BadProtocol, IsRefusedNamingTheKeyAndTheValue)
{
    const SessionProtocol protocol = Read(GetParam().session);
    EXPECT_TRUE(protocol.Present);
    EXPECT_FALSE(protocol.Runnable());
    EXPECT_EQ(protocol.Refusal, GetParam().message);
    EXPECT_TRUE(protocol.Runs.empty());
}

INSTANTIATE_TEST_SUITE_P(
    SessionProtocol, BadProtocol,
    testing::Values(
        Refused{"Conditions=1,3\n", "[Session] Conditions = 1,3: there is no condition 3 (the file has 2 conditions)"},
        Refused{"Conditions=1,,2\n", "[Session] Conditions = 1,,2: an item of the list is empty"},
        Refused{"Ears=both\n", "[Session] Ears = both: 'both' is not an ear; an ear is left or right"},
        Refused{"Directions=up,sideways\n",
                "[Session] Directions = up,sideways: 'sideways' is not a sweep direction; a direction is up or down"},
        Refused{"Repeats=0\n", "[Session] Repeats = 0: a session repeats its runs at least once"},
        Refused{"Repeats=300\nEars=left,right\n",
                "[Session] Repeats = 300: the session would have 1200 runs; it may have at most 1000"},
        Refused{"Run1=1,left,up\nRun3=2,left,up\n",
                "[Session] Run3 = 2,left,up: Run2 is missing; runs are numbered from 1 without gaps"},
        Refused{"Run1=1,left\n", "[Session] Run1 = 1,left: a run is written condition,ear,direction, e.g. 2,left,up, "
                                  "or threshold,condition,ear"},
        Refused{"Run1=threshold,3,left\n", "[Session] Run1 = threshold,3,left: there is no condition 3 (the file has 2 conditions)"},
        Refused{"Run1=threshold,1,left\nRun2=1,left,up\nOrder=shuffled\nSeed=1\n",
                "[Session] Order = shuffled: threshold runs keep their place in the session; shuffle the tuning curves "
                "alone and measure the thresholds with Thresholds=first"},
        Refused{"Run1=threshold,1,left\nRun2=1,left,up\nThresholds=first\n",
                "[Session] Thresholds = first: the runs already name their threshold runs"},
        Refused{"Thresholds=always\n", "[Session] Thresholds = always: the thresholds are measured first, or none are"},
        Refused{"Practice=2\n", "[Session] Practice = 2: from 0 to 1 of the session's tuning curves can be practice"},
        Refused{"Practice=-1\n", "[Session] Practice = -1: from 0 to 1 of the session's tuning curves can be practice"},
        Refused{"Run1001=1,left,up\n", "[Session] Run1001: a session has at most 1000 runs"},
        Refused{"Order=random\n", "[Session] Order = random: the order is listed or shuffled"},
        Refused{"Order=shuffled\n",
                "[Session] Order = shuffled: a shuffled session needs Seed (a whole number): the same seed gives the "
                "same order"},
        Refused{"RestEvery=-1\n", "[Session] RestEvery = -1: a rest comes after every N runs, N from 0 (no rests)"}));

// Thresholds=first after the shuffle: each ear and ToneF measured once, before its first curve;
// conditions 1 and 2 share ToneF here, so one threshold serves both in an ear.
TEST(SessionProtocol, ThresholdsComeFirstPerEarAndToneAndPracticeMarksTheFirstCurves)
{
    const auto kinds = [](const SessionProtocol& protocol) {
        std::string text;
        for (const SessionRun& run : protocol.Runs) {
            if (run.Kind == RunKind::Threshold) {
                text += 'T';
            }
            text += std::to_string(run.Condition);
            text += EarName(run.Ear).front();
            text += run.Practice ? "p " : " ";
        }
        return text;
    };
    const SessionProtocol same = Read("Ears=right,left\nThresholds=FIRST\nPractice=2\n");
    ASSERT_TRUE(same.Runnable()) << same.Refusal;
    EXPECT_EQ(kinds(same), "T1r 1rp T1l 1lp 2r 2l ");
    EXPECT_TRUE(same.ThresholdsFirst);

    std::vector<TestCondition> conditions(2);
    conditions[1].ToneF = 2000.0f;
    std::vector<UnreadableValue> values;
    const SessionProtocol two = ReadSessionProtocol(
        IniFile::FromText("[Session]\nConditions=2,1\nRepeats=2\nOrder=shuffled\nSeed=3\nThresholds=first\n"), conditions,
        values);
    ASSERT_TRUE(two.Runnable()) << two.Refusal;
    const std::string order = kinds(two);
    EXPECT_EQ(order.substr(0, 4), 'T' + order.substr(4, 3)) << "the first curve's threshold before it: " << order;
    EXPECT_EQ(std::count_if(two.Runs.begin(), two.Runs.end(), [](const SessionRun& r) { return r.Kind == RunKind::Threshold; }), 2);

    const SessionProtocol listed = Read("Run1=THRESHOLD,2,left\nRun2=2,left,down\nPractice=1\nRun3=2,left,up\n");
    ASSERT_TRUE(listed.Runnable()) << listed.Refusal;
    EXPECT_EQ(kinds(listed), "T2l 2lp 2l ");
}

TEST(SessionProtocol, UnreadableNumbersTakeTheirDefaultAndAreTold)
{
    std::vector<UnreadableValue> unreadable;
    const SessionProtocol protocol = Read("Repeats=two\nRestEvery=1.5\nRepet=2\n", &unreadable);
    ASSERT_TRUE(protocol.Runnable()) << protocol.Refusal;
    EXPECT_EQ(protocol.Runs.size(), 2u);
    EXPECT_EQ(protocol.RestEvery, 0);
    ASSERT_EQ(unreadable.size(), 2u);
    EXPECT_EQ(DescribeUnreadableValue(unreadable[0]), "[Session] Repeats = two -> default used");
    ASSERT_EQ(protocol.Notes.size(), 1u);
    EXPECT_EQ(protocol.Notes[0], "[Session] repet is not a key of this section; it was ignored");
}
