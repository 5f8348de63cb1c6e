#include "ConditionEditing.h"

#include <gtest/gtest.h>

namespace {

SharedState ThreeConditions()
{
    SharedState state;
    ParameterSet set;
    set.Settings.N_Cond = 3;
    set.Conditions.resize(3);
    set.Conditions[1].ToneF = 2000.0f;
    set.Conditions[2].ToneF = 4000.0f;
    ApplyParameterSet(state, set);
    return state;
}

}  // namespace

TEST(ConditionEditing, NavigationStopsAtBothEnds)
{
    SharedState state = ThreeConditions();
    PreviousCondition(state);
    EXPECT_EQ(state.CurrentCondition, 0);
    NextCondition(state);
    NextCondition(state);
    NextCondition(state);
    EXPECT_EQ(state.CurrentCondition, 2);
    PreviousCondition(state);
    EXPECT_EQ(state.CurrentCondition, 1);
}

TEST(ConditionEditing, ANewLoadStartsAtTheFirstCondition)
{
    SharedState state = ThreeConditions();
    NextCondition(state);
    NextCondition(state);
    ParameterSet other;
    other.Conditions.resize(1);
    other.Conditions[0].ToneF = 500.0f;
    ApplyParameterSet(state, other);
    EXPECT_EQ(state.CurrentCondition, 0);
    EXPECT_EQ(state.Current().ToneF, 500.0f);
}

TEST(ConditionEditing, StoresEditedValuesAsFloats)
{
    SharedState state = ThreeConditions();
    ASSERT_TRUE(StoreEditedValue(state, ConditionField::FStep, "3", '.'));
    EXPECT_EQ(state.FreqPointCount, 501);
    ASSERT_TRUE(StoreEditedValue(state, ConditionField::MaskerBW, "0.1", '.'));
    EXPECT_EQ(state.Current().MaskerBW, 0.1f);
    ASSERT_TRUE(StoreEditedValue(state, ConditionField::MaxSPL, "-5", '.'));
    EXPECT_EQ(state.Current().MaxSPL, -5.0f) << "no range check on entry";
}

TEST(ConditionEditing, TextThatIsNotANumberChangesNothing)
{
    SharedState state = ThreeConditions();
    state.FreqPointCount = 151;
    for (const char* text : {"abc", "", "1,5", "inf"}) {
        EXPECT_EQ(StoreEditedValue(state, ConditionField::StartF, text, '.').Reason(),
                  std::string("'") + text + "' is not a valid floating point value");
    }
    EXPECT_EQ(state.Current().StartF, 500.0f);
    EXPECT_EQ(state.FreqPointCount, 151);
}

TEST(ConditionEditing, TrackBarPositionTruncatesAndStaysInRange)
{
    EXPECT_EQ(TrackBarPositionFor(45.9f), 45);
    EXPECT_EQ(TrackBarPositionFor(120.0f), 100);
    EXPECT_EQ(TrackBarPositionFor(-3.5f), 0);
    EXPECT_EQ(TrackBarPositionFor(0.0f), 0);
}
