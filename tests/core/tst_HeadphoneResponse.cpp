#include "HeadphoneResponse.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(HeadphoneResponse, InterpolatesInLogFrequencyAndHoldsTheEnds)
{
    HeadphoneResponse response;
    response.Set(EarSide::Left, 2000.0f, 4.0f);
    response.Set(EarSide::Left, 500.0f, -2.0f);
    response.Set(EarSide::Left, 1000.0f, 1.0f);

    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Left, 1000.0f), 1.0f);
    // An octave's geometric middle is half way in log frequency.
    EXPECT_NEAR(response.CorrectionDb(EarSide::Left, 1000.0f * std::sqrt(2.0f)), 2.5f, 1e-4);
    EXPECT_NEAR(response.CorrectionDb(EarSide::Left, 707.1068f), -0.5f, 1e-4);
    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Left, 100.0f), -2.0f);
    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Left, 8000.0f), 4.0f);
    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Left, std::nanf("")), -2.0f);
    // The other ear has its own points, none here.
    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Right, 1000.0f), 0.0f);
}

TEST(HeadphoneResponse, ASecondReadingAtAFrequencyReplacesTheFirst)
{
    HeadphoneResponse response;
    response.Set(EarSide::Right, 1000.0f, 3.0f);
    response.Set(EarSide::Right, 1000.0f, -1.5f);
    ASSERT_EQ(response.Points(EarSide::Right).size(), 1u);
    EXPECT_FLOAT_EQ(response.CorrectionDb(EarSide::Right, 4000.0f), -1.5f);
    EXPECT_FALSE(response.Empty());
    EXPECT_TRUE(HeadphoneResponse{}.Empty());
}

}  // namespace
