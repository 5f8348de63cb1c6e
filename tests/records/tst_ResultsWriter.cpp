#include "ResultsWriter.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ResultsWriterTest : public testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("quorvex_results_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        state.Conditions.resize(1);
        state.ResultsFileName = (dir / "default.dat").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
    SharedState state;
};

}  // namespace

TEST_F(ResultsWriterTest, WritesTheBlockByteForByte)
{
    state.Ear = EarSide::Right;
    state.Settings.Attenuator = AttenuatorMode::Kc35;
    state.SubjectName = "S01";
    state.Results.Record(1000.0f, 42.0f);
    state.Results.Record(1010.0f, 39.5f);
    EXPECT_EQ(WriteResultsBlock(state, 2).Reason(), "");
    EXPECT_EQ(FileText(state.ResultsFileName),
              ";----------------------------------------------------\r\n"
              "; Subject = \tS01\r\n"
              "; Ear = right\r\n"
              "; Tone Frequency = \t1000\r\n"
              "; Tone SPL = \t30\r\n"
              "; Attenuator = KC35\r\n"
              "1000\t42\r\n"
              "1010\t39.5\r\n");
}

// A line break in the name would start a line that reads as a point: it shows as U+FFFD.
TEST_F(ResultsWriterTest, TheSubjectStaysOnItsLine)
{
    state.SubjectName = "x\n1000\t99\r";
    EXPECT_EQ(WriteResultsBlock(state, 0).Reason(), "");
    EXPECT_NE(FileText(state.ResultsFileName).find("; Subject = \tx\xEF\xBF\xBD" "1000\xEF\xBF\xBD" "99\xEF\xBF\xBD\r\n; Ear"),
              std::string::npos);
}

TEST_F(ResultsWriterTest, AppendsOneBlockPerRunAndOmitsUnknownModes)
{
    state.Ear = EarSide::Left;
    for (int mode : {0, 3}) {
        state.Settings.Attenuator = AttenuatorModeFromNumber(mode);
        state.Results.Clear();
        state.Results.Record(1010.1f, -10.0f);
        EXPECT_EQ(WriteResultsBlock(state, 1).Reason(), "");
    }
    const std::string block = ";----------------------------------------------------\r\n"
                              "; Subject = \t\r\n"
                              "; Ear = left\r\n"
                              "; Tone Frequency = \t1000\r\n"
                              "; Tone SPL = \t30\r\n"
                              "1010.1\t-10\r\n";
    EXPECT_EQ(FileText(state.ResultsFileName), block + block);
}

TEST_F(ResultsWriterTest, WritesEveryPointBeyondTheConditionsCapacity)
{
    state.ResetResults();
    for (int i = 0; i < 400; ++i) {  // more key changes than the 151 frequencies
        state.Results.Record(500.0f + static_cast<float>(i), 40.0f);
    }
    EXPECT_EQ(WriteResultsBlock(state, state.Results.ResultCount()).Reason(), "");
    const std::string text = FileText(state.ResultsFileName);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 400);
    EXPECT_NE(text.find("899\t40\r\n"), std::string::npos);
}

TEST_F(ResultsWriterTest, ACountBeyondTheRecordedPointsWritesOnlyThePoints)
{
    state.Results.Record(700.0f, 20.0f);
    EXPECT_EQ(WriteResultsBlock(state, 50).Reason(), "");
    const std::string text = FileText(state.ResultsFileName);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 + 1);
}

TEST_F(ResultsWriterTest, AnUnwritableFileIsReportedWithItsNameAndReason)
{
    state.ResultsFileName = (dir / "missing" / "run1.dat").string();
    state.Results.Record(700.0f, 20.0f);
    const std::string message = WriteResultsBlock(state, 1).Reason();
    EXPECT_NE(message.find("results file '" + state.ResultsFileName + "': No such file or directory"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("too few for \"Graph Results\""), std::string::npos) << "the button stays off: " << message;
    EXPECT_EQ(state.Results.ResultCount(), 1) << "the points stay for the graph";
    for (int i = 0; i < 2; ++i) {
        state.Results.Record(710.0f, 20.0f);
    }
    EXPECT_NE(WriteResultsBlock(state, 3).Reason().find("The 3 points of this run are still in memory: \"Graph Results\" shows them"),
              std::string::npos);

    state.ResultsFileName = (dir / "run1.dat").string();  // the next block starts afresh
    EXPECT_EQ(WriteResultsBlock(state, 1).Reason(), "");
}

TEST_F(ResultsWriterTest, TestLogHeaderCarriesLabelsOnly)
{
    const auto path = (dir / "test.out").string();
    EXPECT_EQ(AppendTestLogHeader(path).Reason(), "");
    EXPECT_EQ(AppendTestLogHeader(path).Reason(), "");
    const std::string header = ";------------------------------------------------\r\n;Subject=\t\r\n;Ear=\t\r\n";
    EXPECT_EQ(FileText(path), header + header);
    EXPECT_FALSE(AppendTestLogHeader((dir / "no" / "test.out").string()).Ok());
}
