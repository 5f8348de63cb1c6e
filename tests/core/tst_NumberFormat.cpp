#include "NumberFormat.h"

#include <gtest/gtest.h>

TEST(NumberFormat, DisplayUsesFifteenSignificantDigits)
{
    EXPECT_EQ(FormatForDisplay(1000.0f, '.'), "1000");
    EXPECT_EQ(FormatForDisplay(2.5f, '.'), "2.5");
    EXPECT_EQ(FormatForDisplay(0.1f, '.'), "0.100000001490116");
    EXPECT_EQ(FormatForDisplay(0.1f, ','), "0,100000001490116");
    EXPECT_EQ(FormatForDisplay(-10.0f, '.'), "-10");
    EXPECT_EQ(FormatForDisplay(0.0f, '.'), "0");
}

TEST(NumberFormat, ResultsUseSixSignificantDigits)
{
    EXPECT_EQ(FormatForResults(1000.0f), "1000");
    EXPECT_EQ(FormatForResults(37.5f), "37.5");
    EXPECT_EQ(FormatForResults(-10.0f), "-10");
    EXPECT_EQ(FormatForResults(1234.567f), "1234.57");
    EXPECT_EQ(FormatForResults(1010.1f), "1010.1");
    EXPECT_EQ(FormatForResults(1234567.0f), "1.23457e+06");
    EXPECT_EQ(FormatForResults(0.00001f), "1e-05");
}

TEST(NumberFormat, ShortestCarriesAFloatExactly)
{
    EXPECT_EQ(FormatShortest(0.1f), "0.1");
    EXPECT_EQ(FormatShortest(1010.1f), "1010.1");
    EXPECT_EQ(FormatShortest(1234.567f), "1234.567");
    EXPECT_EQ(FormatShortest(-0.0f), "0");
    EXPECT_EQ(FormatShortest(100.0f), "100");
}

TEST(NumberFormat, FixedAndRoundedDecimalsHideRoundingNoise)
{
    EXPECT_EQ(FormatFixed(7.384, 2), "7.38");
    EXPECT_EQ(FormatFixed(-0.004, 2), "0.00");
    EXPECT_EQ(FormatFixed(1000.0, 1), "1000.0");
    EXPECT_EQ(FormatRounded(1.4580029302424492e-14, 3), "0");
    EXPECT_EQ(FormatRounded(66.72000000000001, 3), "66.72");
    EXPECT_EQ(FormatRounded(-0.0004, 3), "0");
    EXPECT_EQ(FormatRounded(-55.27683578975443, 2), "-55.28");
    EXPECT_EQ(FormatRounded(120.0, 2), "120");
}

TEST(NumberFormat, MeasuresAreStatedToTheStepTheyCanTell)
{
    EXPECT_EQ(FormatHz(1734.85), "1735");
    EXPECT_EQ(FormatDb(31.5755), "31.6");
    EXPECT_EQ(FormatDb(-45.04), "-45.0");
    EXPECT_EQ(FormatQ10(3.08037), "3.08");
    EXPECT_EQ(FormatPercent(-0.3177), "-0.3");
    EXPECT_EQ(FormatPercent(-0.04), "0.0");
}
