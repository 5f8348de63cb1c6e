#include "Result.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace {

// A result whose value is itself text keeps the value and the reason apart.
TEST(Result, TextValueAndReasonStayApart)
{
    const Result<std::string> read = std::string("the file's text");
    EXPECT_TRUE(read.Ok());
    EXPECT_EQ(read.Value(), "the file's text");
    EXPECT_EQ(read.Reason(), "") << "a value is not a reason";

    const Result<std::string> unread = Failure{"cannot read 'x'"};
    EXPECT_FALSE(unread.Ok());
    EXPECT_EQ(unread.Reason(), "cannot read 'x'");
    EXPECT_THROW(unread.Value(), std::bad_variant_access) << "a reason is not a value";
}

TEST(Result, AFailureWithoutWordsIsStillAFailure)
{
    EXPECT_TRUE(Result<>().Ok());
    EXPECT_FALSE(Result<>(Failure{}).Ok());
}

}  // namespace
