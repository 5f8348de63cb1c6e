#include "RunChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

SharedState Loaded()
{
    SharedState state;
    state.Conditions.resize(1);
    state.Settings.ISI = 200;
    return state;
}

struct Refusal {
    const char* name;
    std::function<void(SharedState&)> spoil;
    const char* mentions;
};

class RunChecksTest : public testing::TestWithParam<Refusal> {};

TEST(ListenerDetails, RefusedWithControlCharactersOrABirthDateThatIsNoDay)
{
    EXPECT_TRUE(CheckListenerDetails({"P-1", "2000-02-29", "Dr. Ortiz"}));
    EXPECT_TRUE(CheckListenerDetails({}));
    EXPECT_EQ(CheckListenerDetails({"P\t1", "", ""}).Reason(),
              "the listener ID holds a tab, which cannot be written on the one line the session record gives it");
    EXPECT_EQ(CheckListenerDetails({"", "", "A\nB"}).Reason().substr(0, 34), "the examiner holds a line break, w");
    EXPECT_EQ(CheckBirthDate("1961-02-29").Reason(), "the birth date 1961-02-29 is not a day of the calendar");
    for (const char* shape : {"23.04.1961", "1961-4-23", "-961-04-23", "1961-04-2x"}) {
        EXPECT_EQ(CheckBirthDate(shape).Reason(), std::string("the birth date \"") + shape + "\" is not written YYYY-MM-DD");
    }

    SharedState state;
    state.Conditions.resize(1);
    state.Listener.BirthDate = "1961-13-01";
    const std::string refused = CheckRunConditions(state, '.').Reason();
    EXPECT_EQ(refused.rfind("The run cannot start: the birth date 1961-13-01 is not a day", 0), 0u) << refused;
}

}  // namespace

TEST(RunChecks, TheDefaultConditionCanRun)
{
    EXPECT_EQ(CheckRunConditions(Loaded(), '.').Reason(), "");
}

TEST(RunChecks, TheSmallestStepThatMovesTheFrequencyAndTheHighestBandCanRun)
{
    SharedState state = Loaded();
    state.Current().FStep = 0.0000611f;  // just above half the float spacing at 2000 Hz
    EXPECT_EQ(CheckRunConditions(state, '.').Reason(), "");
    state.Current().FStep = 10.0f;
    state.Current().EndF = 21950.0f;
    state.Current().ToneF = 22049.0f;
    EXPECT_EQ(CheckRunConditions(state, '.').Reason(), "");
}

TEST(RunChecks, NamesInAnyScriptCanRun)
{
    SharedState state = Loaded();
    state.SubjectName = "Müller, \xEF\xBF\xBD \xE6\x9D\x8E";  // a replaced character and a CJK name
    state.ResultsFileName = "data/S01 Müller.dat";
    EXPECT_EQ(CheckRunConditions(state, '.').Reason(), "");
}

TEST(RunChecks, NothingLoadedCannotRun)
{
    EXPECT_FALSE(CheckRunConditions(SharedState{}, '.').Ok());
}

TEST_P(RunChecksTest, RefusesWithAMessageNamingTheValue)
{
    SharedState state = Loaded();
    GetParam().spoil(state);
    const Result<> check = CheckRunConditions(state, '.');
    ASSERT_FALSE(check.Ok());
    EXPECT_NE(check.Reason().find(GetParam().mentions), std::string::npos) << check.Reason();
}

INSTANTIATE_TEST_SUITE_P(
    Values, RunChecksTest,
    testing::Values(
        Refusal{"ZeroStep", [](SharedState& s) { s.Current().FStep = 0.0f; }, "FStep is 0 Hz"},
        Refusal{"NegativeStep", [](SharedState& s) { s.Current().FStep = -10.0f; }, "FStep is -10 Hz"},
        Refusal{"EndBelowStart", [](SharedState& s) { s.Current().EndF = 400.0f; }, "EndF (400 Hz)"},
        Refusal{"TinyStep", [](SharedState& s) { s.Current().FStep = 1e-30f; }, "no usable number"},
        Refusal{"NotFinite",
                [](SharedState& s) { s.Current().MaxSPL = std::numeric_limits<float>::infinity(); }, "MaxSPL"},
        Refusal{"NotANumber",
                [](SharedState& s) { s.Current().ToneF = std::numeric_limits<float>::quiet_NaN(); }, "ToneF"},
        Refusal{"SubjectWithALineBreak", [](SharedState& s) { s.SubjectName = "x\n1000\t99"; },
                "subject name holds a line break"},
        Refusal{"ResultsNameWithATab", [](SharedState& s) { s.ResultsFileName = "a\tb.dat"; },
                "results name holds a tab"},
        Refusal{"ResultsNameWithAnEscape", [](SharedState& s) { s.ResultsFileName = "a\x1b[2J.dat"; },
                "control character U+001B"},
        Refusal{"EmptyResultsName", [](SharedState& s) { s.ResultsFileName = ".dat"; }, "results name is empty"},
        Refusal{"NegativeIsi", [](SharedState& s) { s.Settings.ISI = -1; }, "ISI is -1 ms"},
        Refusal{"ToneLongerThanMasker", [](SharedState& s) { s.Settings.ToneDuration = 700.0f; }, "ToneDuration"},
        Refusal{"ToneShorterThanItsRamps", [](SharedState& s) { s.Settings.ToneDuration = 10.0f; }, "ToneDuration"},
        Refusal{"RampLongerThanMasker", [](SharedState& s) { s.Settings.RiseFall = 700.0f; }, "RiseFall"},
        Refusal{"NegativeDuration", [](SharedState& s) { s.Settings.MaskerDuration = -600.0f; }, "MaskerDuration"},
        Refusal{"LongerThanTheReservoir", [](SharedState& s) { s.Settings.MaskerDuration = 12000.0f; },
                "MaskerDuration"},
        Refusal{"BandBeyondHalfTheRate", [](SharedState& s) { s.Current().MaskerBW = 50000.0f; }, "MaskerBW"},
        Refusal{"StartAtZero", [](SharedState& s) { s.Current().StartF = 0.0f; }, "StartF is 0 Hz"},
        Refusal{"NegativeStart",
                [](SharedState& s) {
                    s.Current().StartF = -1500.0f;
                    s.Current().FStep = 50.0f;
                },
                "StartF is -1500 Hz"},
        Refusal{"StepThatCannotMoveTheFrequency", [](SharedState& s) { s.Current().FStep = 0.00001f; },
                "too small to change a masker frequency of EndF (2000 Hz)"},
        Refusal{"ToneAtHalfTheRate", [](SharedState& s) { s.Current().ToneF = 22050.0f; }, "ToneF (22050 Hz)"},
        Refusal{"BandReachingAboveHalfTheRate",
                [](SharedState& s) {
                    s.Current().EndF = 22000.0f;
                    s.Current().FStep = 1000.0f;
                },
                "EndF + MaskerBW/2 = 22100 Hz"}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });
