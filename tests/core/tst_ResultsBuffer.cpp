#include "SharedState.h"

#include <gtest/gtest.h>

TEST(ResultsBuffer, ResetEmptiesAndReservesTheCondition)
{
    SharedState state;
    state.Conditions.resize(1);
    state.Results.Record(1.0f, 2.0f);
    state.Results.StoredResultCount = 7;
    state.ResetResults();
    EXPECT_EQ(state.FreqPointCount, 151);
    EXPECT_EQ(state.Results.ResultCount(), 0);
    EXPECT_GE(state.Results.Capacity(), 151u);
    EXPECT_EQ(state.Results.StoredResultCount, 7) << "a reset keeps the latest run's count";
}

TEST(ResultsBuffer, KeepsEveryPointBeyondTheCapacity)
{
    ResultsBuffer buffer;
    buffer.Reset(3);
    for (int i = 0; i < 10; ++i) {
        buffer.Record(1000.0f + i, 40.0f - i);
    }
    ASSERT_EQ(buffer.ResultCount(), 10);
    EXPECT_EQ(buffer[9].Freq, 1009.0f);
    EXPECT_EQ(buffer[9].SPL, 31.0f);
}

TEST(ResultsBuffer, HugeConditionDoesNotAllocateUpFront)
{
    ResultsBuffer buffer;
    buffer.Reset(1000000000);
    EXPECT_LE(buffer.Capacity(), static_cast<std::size_t>(ResultsBuffer::MaxInitialCapacity));
    buffer.Reset(-5);
    EXPECT_EQ(buffer.ResultCount(), 0);
}
