#include "Kc35Decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Decode(const std::string& bytes, bool flush = true)
{
    Kc35Decoder decoder;
    std::vector<std::string> lines;
    for (const char byte : bytes) {
        for (std::string& line : decoder.Feed(byte)) {
            lines.push_back(std::move(line));
        }
    }
    if (flush) {
        for (std::string& line : decoder.Flush()) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(Kc35Decoder, DescribesEveryCommandThatArrivesBackToBack)
{
    EXPECT_EQ(Decode("L02L40M80N02N80P0202I14K50I8FK00L01N01L02N02"), (Lines{
        "set-up group 1: L02L40M80",
        "set-up group 2: N02N80P0202",
        "channel 1 (I): attenuation 20 dB = level 100 dB SPL",
        "channel 2 (K): attenuation 80 dB = level 40 dB SPL",
        "channel 1 (I): attenuation 143 dB = level -23 dB SPL",
        "channel 2 (K): attenuation 0 dB = level 120 dB SPL",
        "routing: left ear (L01N01)",
        "routing: right ear (L02N02)",
    }));
}

TEST(Kc35Decoder, FlagsStrayBytesAndResumesAtTheNextCommand)
{
    EXPECT_EQ(Decode("\r\nI14"), (Lines{"unrecognised byte 0x0D", "unrecognised byte 0x0A",
                                        "channel 1 (I): attenuation 20 dB = level 100 dB SPL"}));
    EXPECT_EQ(Decode("I9AK82"), (Lines{"unrecognised byte 0x49 'I'", "unrecognised byte 0x39 '9'",
                                       "unrecognised byte 0x41 'A'",
                                       "channel 2 (K): attenuation 130 dB = level -10 dB SPL"}))
        << "a high digit above 8 is no level";
    EXPECT_EQ(Decode("I1fI14"), (Lines{"unrecognised byte 0x49 'I'", "unrecognised byte 0x31 '1'",
                                       "unrecognised byte 0x66 'f'",
                                       "channel 1 (I): attenuation 20 dB = level 100 dB SPL"}))
        << "low digits are upper case";
    EXPECT_EQ(Decode("L02XL01N01"), (Lines{"unrecognised byte 0x4C 'L'", "unrecognised byte 0x30 '0'",
                                           "unrecognised byte 0x32 '2'", "unrecognised byte 0x58 'X'",
                                           "routing: left ear (L01N01)"}));
}

TEST(Kc35Decoder, ABrokenPrefixThatStartsANewCommandIsNotLost)
{
    EXPECT_EQ(Decode("L0I14"), (Lines{"unrecognised byte 0x4C 'L'", "unrecognised byte 0x30 '0'",
                                      "channel 1 (I): attenuation 20 dB = level 100 dB SPL"}));
}

TEST(Kc35Decoder, AnUnfinishedCommandWaitsUntilTheStreamEnds)
{
    Kc35Decoder decoder;
    for (const char byte : std::string("N02N80P02")) {
        EXPECT_TRUE(decoder.Feed(byte).empty());
    }
    EXPECT_TRUE(decoder.Pending());
    EXPECT_EQ(decoder.Flush(), (Lines{"incomplete command: 0x4E 'N' 0x30 '0' 0x32 '2' 0x4E 'N' 0x38 '8' "
                                      "0x30 '0' 0x50 'P' 0x30 '0' 0x32 '2'"}));
    EXPECT_FALSE(decoder.Pending());
    EXPECT_TRUE(decoder.Flush().empty());
}

TEST(Kc35Decoder, NonAsciiBytesAreShownByCode)
{
    EXPECT_EQ(Decode(std::string("\xFF\x00", 2)), (Lines{"unrecognised byte 0xFF", "unrecognised byte 0x00"}));
}

}  // namespace
