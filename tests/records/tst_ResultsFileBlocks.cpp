#include "ResultsFileBlocks.h"

#include <gtest/gtest.h>

namespace {

TEST(ResultsFileBlocks, ReadsEveryBlockWithCrLfAndTabs)
{
    const std::string text =
        ";----------------------------------------------------\r\n"
        "; Subject = \tAnna K\r\n"
        "; Ear = left\r\n"
        "; Tone Frequency = \t1000\r\n"
        "; Tone SPL = \t30\r\n"
        "; Attenuator = software\r\n"
        "1000\t42\r\n"
        "1010\t39.5\r\n"
        ";----------------------------------------------------\r\n"
        "; Subject = \t\r\n"
        "; Ear = right\r\n"
        "; Tone Frequency = \t4000\r\n"
        "; Tone SPL = \t35.5\r\n"
        "3800\t-10\r\n"
        "oops\r\n"
        ";----------------------------------------------------\r\n";
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(text);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].FirstLine, 1);
    EXPECT_EQ(blocks[0].Subject, "Anna K");
    EXPECT_EQ(blocks[0].Ear, "left");
    EXPECT_EQ(blocks[0].ToneF, 1000.0);
    EXPECT_EQ(blocks[0].ToneSPL, 30.0);
    EXPECT_EQ(blocks[0].Attenuator, "software");
    ASSERT_EQ(blocks[0].Points.size(), 2u);
    EXPECT_EQ(blocks[0].Points[1].Freq, 1010.0f);
    EXPECT_EQ(blocks[0].Points[1].SPL, 39.5f);
    EXPECT_TRUE(blocks[0].Problems.empty());

    EXPECT_EQ(blocks[1].FirstLine, 9);
    EXPECT_EQ(blocks[1].Subject, "");
    EXPECT_EQ(blocks[1].ToneSPL, 35.5);
    EXPECT_FALSE(blocks[1].Attenuator);
    ASSERT_EQ(blocks[1].Points.size(), 1u);
    EXPECT_EQ(blocks[1].Points[0].SPL, -10.0f);
    ASSERT_EQ(blocks[1].Problems.size(), 1u);
    EXPECT_NE(blocks[1].Problems[0].find("line 15"), std::string::npos);

    EXPECT_TRUE(blocks[2].Points.empty());
}

TEST(ResultsFileBlocks, PointsBeforeAnySeparatorFormABlockAndLfAlsoEndsLines)
{
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks("\n500\t40\n510\t41\n;---\n; Ear = left\n");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].FirstLine, 2);
    EXPECT_FALSE(blocks[0].Subject);
    EXPECT_EQ(blocks[0].Points.size(), 2u);
    EXPECT_EQ(blocks[1].Ear, "left");
    EXPECT_TRUE(ReadResultsBlocks("").empty());
}

}  // namespace
