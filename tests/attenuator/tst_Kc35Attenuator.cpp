#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct LevelCase {
    int channel;
    int level;
    const char* bytes;
};

class Kc35AttenuatorTest : public testing::Test {
protected:
    RecordingSerialLink link;
    RecordingDispatcher events;
    Kc35Attenuator kc35{link, events};
};

class Kc35LevelTest : public Kc35AttenuatorTest, public testing::WithParamInterface<LevelCase> {};

TEST_P(Kc35LevelTest, SendsTheLevelBetweenOneOpenAndOneCloseOneBytePerWrite)
{
    const LevelCase c = GetParam();
    const Result<> set = kc35.SetAttenuatorLevel(c.channel, c.level);
    ASSERT_TRUE(set) << set.Reason();
    EXPECT_EQ(link.Transcript(), std::string("[") + c.bytes + "]");
    EXPECT_EQ(link.WriteSizes(), std::vector<int>(3, 1));
    EXPECT_FALSE(link.Connected());
}

INSTANTIATE_TEST_SUITE_P(Levels, Kc35LevelTest, testing::Values(
    LevelCase{1, 100, "I14"}, LevelCase{2, 40, "K50"}, LevelCase{1, -10, "I82"},
    LevelCase{2, -10, "K82"}, LevelCase{1, 120, "I00"}, LevelCase{1, -23, "I8F"},
    LevelCase{2, 105, "K0F"}, LevelCase{2, 104, "K10"}, LevelCase{1, -9, "I81"}));

TEST_F(Kc35AttenuatorTest, SetUpSendsTwoGroupsEachBetweenItsOwnOpenAndClose)
{
    ASSERT_TRUE(kc35.SendKC35Setup());
    EXPECT_EQ(link.Transcript(), "[L02L40M80][N02N80P0202]");
    EXPECT_EQ(link.WriteSizes(), std::vector<int>(20, 1));
}

TEST_F(Kc35AttenuatorTest, EarRoutingSendsOneGroup)
{
    for (const EarSide ear : {EarSide::Left, EarSide::Right, EarSide::Left}) {
        ASSERT_TRUE(kc35.SendEarRouting(ear));
    }
    EXPECT_EQ(link.Transcript(), "[L01N01][L02N02][L01N01]");
    EXPECT_EQ(link.WriteSizes(), std::vector<int>(18, 1));
}

TEST_F(Kc35AttenuatorTest, LevelsOutOfRangeSendNothingAndNeverOpenThePortButDispatchFirst)
{
    for (const int level : {121, -24, 1000, -1000, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        SCOPED_TRACE(level);
        const int dispatchesBefore = events.Calls();
        const Result<> set = kc35.SetAttenuatorLevel(1, level);
        ASSERT_FALSE(set);
        std::string expected = "Attenuator level ";
        expected += std::to_string(level);
        expected += " dB SPL is out of range: the KC35 can set -23 to 120 dB SPL";
        EXPECT_EQ(set.Reason(), expected);
        EXPECT_EQ(events.Calls(), dispatchesBefore + 1) << "pending events run before the range check";
    }
    EXPECT_EQ(link.OpenCalls(), 0);
    EXPECT_EQ(link.Transcript(), "");
}

TEST_F(Kc35AttenuatorTest, PendingEventsRunBeforeThePortIsOpened)
{
    events.OnDispatch = [this] { link.Note("E"); };
    ASSERT_TRUE(kc35.SetAttenuatorLevel(2, 40));
    EXPECT_EQ(link.Transcript(), "E[K50]");
}

TEST_F(Kc35AttenuatorTest, AnEventHandlerRunningDuringTheDispatchMaySendItsOwnCommandFirst)
{
    events.OnDispatch = [this] {
        events.OnDispatch = nullptr;
        EXPECT_TRUE(kc35.SendEarRouting(EarSide::Left));
    };
    ASSERT_TRUE(kc35.SetAttenuatorLevel(1, 100));
    EXPECT_EQ(link.Transcript(), "[L01N01][I14]");
}

TEST_F(Kc35AttenuatorTest, FailingWriteLeavesThePortOpenAndTheNextGroupClosesIt)
{
    link.FailOnWrite(2);
    const Result<> set = kc35.SetAttenuatorLevel(1, 100);
    EXPECT_EQ(set.Reason(), "Cannot write to the serial port: Input/output error (error code: 5)");
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.Transcript(), "[I");

    ASSERT_TRUE(kc35.SendEarRouting(EarSide::Right));
    EXPECT_EQ(link.Transcript(), "[IL02N02]") << "the open port is reused, then closed";
    EXPECT_FALSE(link.Connected());
}

// A byte the held line never took leaves the attenuator at its old level: the command fails
// rather than letting the stimulus play at a level nobody asked for.
TEST_F(Kc35AttenuatorTest, AByteTheHeldLineDidNotTakeFailsTheCommandAndSendsNoMore)
{
    link.HoldOnWrite(2);
    const Result<> set = kc35.SetAttenuatorLevel(1, 100);
    ASSERT_FALSE(set);
    EXPECT_NE(set.Reason().find("took no byte of the command I14 in time"), std::string::npos) << set.Reason();
    EXPECT_EQ(link.Transcript(), "[I") << "nothing after the byte that was not taken";
}

TEST_F(Kc35AttenuatorTest, FailingSetUpStopsAtTheFailingByte)
{
    link.FailOnWrite(12);
    EXPECT_FALSE(kc35.SendKC35Setup());
    EXPECT_EQ(link.Transcript(), "[L02L40M80][N0");
    EXPECT_TRUE(link.Connected());
}

TEST_F(Kc35AttenuatorTest, FailingOpenFailsTheCommandAndSendsNothing)
{
    link.FailOpen(true);
    EXPECT_EQ(kc35.SendKC35Setup().Reason(), "Cannot open the serial port: No such file or directory (error code: 2)");
    EXPECT_EQ(link.Transcript(), "");
    EXPECT_FALSE(link.Connected());
}

TEST(TruncateLevel, TruncatesTowardZero)
{
    const std::pair<float, int> cases[] = {
        {40.9f, 40}, {-9.5f, -9}, {40.0f, 40}, {-0.5f, 0}, {0.99f, 0}, {-23.9f, -23}, {120.99f, 120}, {121.0f, 121}};
    for (const auto& [level, expected] : cases) {
        const Result<int> truncated = TruncateLevel(level);
        ASSERT_TRUE(truncated) << level;
        EXPECT_EQ(truncated.Value(), expected) << level;
    }
}

TEST(TruncateLevel, ValuesNoIntHoldsAreRangeErrors)
{
    for (const float level : {std::nanf(""), std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(), 3e9f, -3e9f}) {
        const Result<int> truncated = TruncateLevel(level);
        ASSERT_FALSE(truncated) << level;
        EXPECT_TRUE(truncated.Reason().starts_with("Attenuator level ")) << truncated.Reason();
    }
}

TEST_F(Kc35AttenuatorTest, TruncatedFloatLevelsSendTheirWholePart)
{
    ASSERT_TRUE(kc35.SetAttenuatorLevel(2, TruncateLevel(40.9f).Value()));
    ASSERT_TRUE(kc35.SetAttenuatorLevel(1, TruncateLevel(-9.5f).Value()));
    EXPECT_EQ(link.Transcript(), "[K50][I81]");
}

}  // namespace
