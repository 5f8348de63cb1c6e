#include "ResultsFileCompletion.h"
#include "ResultsWriter.h"
#include "ScratchFolder.h"
#include "SessionFiles.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class ResultsFileCompletionTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions = {TestCondition{1000, 500, 2000, 10, 200, 3, 90, 40, 50}};
        state.SubjectName = "Ann\tB";  // a control character, shown in the .dat as U+FFFD
        state.Ear = EarSide::Left;
        state.ResultsFileName = scratch.Path("s.dat").string();
    }

    // One run's files, as a run writes them: the record first, then the block.
    void Measure(float shift, bool block)
    {
        state.ResetResults();
        for (int k = 0; k < 5; ++k) {
            state.Results.Record(700.0f + 100.0f * static_cast<float>(k) + shift, 60.5f - static_cast<float>(k));
        }
        ASSERT_EQ(WriteSessionFiles(state, RunLog{std::chrono::system_clock::now(), "", {}, {}, {}, {}}, 5).RecordError,
                  "");
        if (block) {
            ASSERT_TRUE(WriteResultsBlock(state, 5));
        }
    }

    std::string Dat() const { return ReadWholeFile(state.ResultsFileName).Text; }

    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    SharedState state;
};

}  // namespace

// Killed between the record and the results file: the next run adds the very block the run
// would have written, once, and says so.
TEST_F(ResultsFileCompletionTest, AddsTheBlockARunOnRecordLacksAsTheRunWouldHaveWrittenIt)
{
    Measure(0.0f, true);
    Measure(5.0f, true);
    const std::string whole = Dat();
    std::ofstream(state.ResultsFileName, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.find(";---", 10));

    const Result<std::string> completed = CompleteResultsFile(state.ResultsFileName);
    ASSERT_TRUE(completed);
    EXPECT_NE(completed.Value().find("lacked the block of run "), std::string::npos) << completed.Value();
    EXPECT_EQ(Dat(), whole);
    const Result<std::string> again = CompleteResultsFile(state.ResultsFileName);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.Value(), "");
    EXPECT_EQ(Dat(), whole);
}

// A last block the record does not hold (its record write failed) is named, never doubled.
TEST_F(ResultsFileCompletionTest, NamesALastBlockTheRecordLacksAndWritesNothing)
{
    Measure(0.0f, true);
    state.Results.Record(1234.0f, 55.0f);
    ASSERT_TRUE(WriteResultsBlock(state, 6));  // a block without its rows
    const std::string before = Dat();
    const Result<std::string> completed = CompleteResultsFile(state.ResultsFileName);
    ASSERT_TRUE(completed);
    EXPECT_NE(completed.Value().find("is not in the session record"), std::string::npos) << completed.Value();
    EXPECT_EQ(Dat(), before);
}

