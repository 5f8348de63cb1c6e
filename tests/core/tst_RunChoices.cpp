#include "RunChoices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct AttenuatorRow {
    int number;        // as the test-condition file holds it
    const char* name;  // as the session record and the results header write it
    bool plays;
};

class AttenuatorNumbers : public testing::TestWithParam<AttenuatorRow> {};

// A number the program has no mode for is kept as read, so it is written back and shown unchanged.
TEST_P(AttenuatorNumbers, ComeBackAsReadWithTheirWord)
{
    const AttenuatorRow row = GetParam();
    const AttenuatorMode mode = AttenuatorModeFromNumber(row.number);
    EXPECT_EQ(AttenuatorNumber(mode), row.number);
    EXPECT_EQ(AttenuatorName(mode), row.name);
    EXPECT_EQ(AttenuatorModePlays(mode), row.plays);
}

INSTANTIATE_TEST_SUITE_P(Modes, AttenuatorNumbers,
                         testing::Values(AttenuatorRow{1, "software", true}, AttenuatorRow{2, "KC35", true},
                                         AttenuatorRow{0, "0", false}, AttenuatorRow{3, "3", false},
                                         AttenuatorRow{-7, "-7", false}));

struct WordRow {
    const char* word;
    std::optional<EarSide> ear;
    std::optional<Sweep> direction;
};

// The words are taken exactly as the files write them; callers that forgive case lower it first.
TEST(EarAndDirectionWords, RoundTripAndEveryOtherWordIsRefused)
{
    const WordRow rows[] = {{"left", EarSide::Left, {}}, {"right", EarSide::Right, {}}, {"up", {}, Sweep::Up},
                            {"down", {}, Sweep::Down},   {"Left", {}, {}},               {"DOWN", {}, {}},
                            {" up", {}, {}},             {"upwards", {}, {}},            {"", {}, {}},
                            {"0", {}, {}}};
    for (const WordRow& row : rows) {
        SCOPED_TRACE(std::string("'") + row.word + "'");
        EXPECT_EQ(EarFromName(row.word), row.ear);
        EXPECT_EQ(DirectionFromName(row.word), row.direction);
        if (row.ear) {
            EXPECT_EQ(EarName(*row.ear), row.word);
        }
        if (row.direction) {
            EXPECT_EQ(DirectionName(*row.direction), row.word);
        }
    }
}

// Files and the command line forgive case, by one rule: [Session], study files and --direction.
TEST(EarAndDirectionWords, AreReadInAnyCaseAndOtherWordsRefusedWithWhatIsMeant)
{
    EXPECT_EQ(ReadDirection("Up").Value(), Sweep::Up);
    EXPECT_EQ(ReadDirection("DOWN").Value(), Sweep::Down);
    EXPECT_EQ(ReadEar("Left").Value(), EarSide::Left);
    EXPECT_EQ(ReadEar("rIGHT").Value(), EarSide::Right);
    EXPECT_EQ(ReadDirection("upwards").Reason(), "'upwards' is not a sweep direction; a direction is up or down");
    EXPECT_EQ(ReadEar(" left").Reason(), "' left' is not an ear; an ear is left or right");
}

}  // namespace
