#include "Csv.h"

#include <gtest/gtest.h>

TEST(Csv, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(CsvRow({"S01", "37.5", ""}), "S01,37.5,\n");
    EXPECT_EQ(CsvField("Doe, \"J\""), "\"Doe, \"\"J\"\"\"");
    EXPECT_EQ(CsvField(" padded"), "\" padded\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
}

// A name typed in Latin-1 must not make a UTF-8 file unreadable: each stray byte shows as U+FFFD.
TEST(Csv, WritesOnlyUtf8)
{
    EXPECT_EQ(CsvField("M\xFCller"), "M\xEF\xBF\xBDller");
    EXPECT_EQ(CsvField("M\xC3\xBCller \xF0\x9F\x8E\xA7"), "M\xC3\xBCller \xF0\x9F\x8E\xA7");
    EXPECT_EQ(CsvField("\xC0\xAF \xED\xA0\x80 \xE2\x82"), "\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD")
        << "overlong, surrogate and cut characters";
}

TEST(Csv, ParsesWhatItWritesWithEitherLineEnd)
{
    const std::vector<std::string> fields = {"Doe, \"J\"", "", "two\r\nlines", "x"};
    std::string text = CsvRow(fields) + CsvRow({"a", "b"});
    EXPECT_EQ(ParseCsv(text), (std::vector<std::vector<std::string>>{fields, {"a", "b"}}));
    std::string crlf;
    for (char ch : std::string("h1,h2\na,\"b\"\n")) {
        crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    }
    EXPECT_EQ(ParseCsv(crlf), (std::vector<std::vector<std::string>>{{"h1", "h2"}, {"a", "b"}}));
    EXPECT_EQ(ParseCsv("last,row"), (std::vector<std::vector<std::string>>{{"last", "row"}}));
}
