#include "NumberParse.h"

#include <gtest/gtest.h>

#include <cmath>

struct IntegerCase {
    const char* text;
    std::optional<int> expected;
};

class ParseIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(ParseIntegerTest, ReadsOrRefuses)
{
    EXPECT_EQ(ParseInteger(GetParam().text), GetParam().expected) << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Syntax, ParseIntegerTest,
                         testing::Values(IntegerCase{"42", 42}, IntegerCase{" 42 ", 42}, IntegerCase{"-7", -7},
                                         IntegerCase{"+7", 7}, IntegerCase{"0x5A", 90}, IntegerCase{"0X5a", 90},
                                         IntegerCase{"$1F", 31}, IntegerCase{"$FFFFFFFF", -1},
                                         IntegerCase{"2147483647", 2147483647},
                                         IntegerCase{"-2147483648", -2147483647 - 1},
                                         IntegerCase{"2147483648", std::nullopt}, IntegerCase{"92.5", std::nullopt},
                                         IntegerCase{"", std::nullopt}, IntegerCase{"  ", std::nullopt},
                                         IntegerCase{"0x", std::nullopt}, IntegerCase{"$", std::nullopt},
                                         IntegerCase{"12abc", std::nullopt}, IntegerCase{"1 2", std::nullopt},
                                         IntegerCase{"0x1G", std::nullopt}, IntegerCase{"$100000000", std::nullopt}));

struct RealCase {
    const char* text;
    char separator;
    std::optional<float> expected;
};

class ParseRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(ParseRealTest, ReadsOrRefuses)
{
    EXPECT_EQ(ParseReal(GetParam().text, GetParam().separator), GetParam().expected)
        << "text: '" << GetParam().text << "'";
}

INSTANTIATE_TEST_SUITE_P(Syntax, ParseRealTest,
                         testing::Values(RealCase{"1000", '.', 1000.0f}, RealCase{" 42 ", '.', 42.0f},
                                         RealCase{"1.5E3", '.', 1500.0f}, RealCase{"1.5e-3", '.', 0.0015f},
                                         RealCase{"-2.5", '.', -2.5f}, RealCase{"+.5", '.', 0.5f},
                                         RealCase{"3.", '.', 3.0f}, RealCase{"0.1", '.', 0.1f},
                                         RealCase{"2,5", ',', 2.5f}, RealCase{"2.5", ',', std::nullopt},
                                         RealCase{"2,5", '.', std::nullopt}, RealCase{"inf", '.', std::nullopt},
                                         RealCase{"nan", '.', std::nullopt}, RealCase{"0x1p3", '.', std::nullopt},
                                         RealCase{"1e", '.', std::nullopt}, RealCase{".", '.', std::nullopt},
                                         RealCase{"", '.', std::nullopt}, RealCase{"12 dB", '.', std::nullopt},
                                         RealCase{"1e39", '.', std::nullopt}, RealCase{"abc", '.', std::nullopt}));
