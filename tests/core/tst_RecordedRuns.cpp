#include "ConditionAnalysis.h"
#include "Csv.h"
#include "RecordedRuns.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Rows of a record whose columns come in another order than the program writes them, with
// session columns and one it does not know.
std::string Record()
{
    std::string text = CsvRow({"extra", "masker_spl", "masker_freq", "run", "session", "subject", "ear", "direction",
                               "condition", "ToneF", "StartF", "EndF", "FStep", "MaxSPL", "MaskerDuration", "ISI"});
    const auto add = [&](const std::string& run, const std::string& session, const std::string& direction,
                         double shiftOct) {
        for (int k = 0; k <= 100; ++k) {
            const double f = 500.0 + 15.0 * k;
            const double level = 40.0 + 60.0 * std::abs(std::log2(f / 1000.0) - shiftOct) + (k % 2 ? 1.0 : -1.0);
            text += CsvRow({"x", std::to_string(level), std::to_string(f), run, session, "A, B", "left", direction, "2",
                            "1000", "500", "2000", "15", "80", "600", "20"});
        }
    };
    add("r1", "s1", "up", 0.05);
    add("r2", "s1", "down", -0.05);
    add("r3", "s2", "up", 0.0);
    text += CsvRow({"x", "", "", "r4", "s2", "A, B", "left", "down", "2", "1000", "500", "2000", "15", "80", "600", "20"});
    return text;
}

TEST(RecordedRuns, ReadsRunsByColumnNameAndCombinesTheSelected)
{
    RecordedRuns record = ReadSessionRecord(Record());
    ASSERT_EQ(record.Runs.size(), 4u);
    EXPECT_TRUE(record.Problems.empty());
    EXPECT_TRUE(record.HasSessionColumn);
    EXPECT_EQ(record.Runs[0].Subject, "A, B");
    EXPECT_EQ(record.Runs[1].Points.size(), 101u);
    EXPECT_FLOAT_EQ(record.Runs[1].Parameters.FStep, 15.0f);
    EXPECT_TRUE(record.Runs[3].Points.empty());

    // The trial log of r1 stops half way.
    std::string log = CsvRow({"run", "trial", "masker_freq", "masker_spl", "played", "onset", "dropout"});
    for (int k = 0; k < 50; ++k) {
        log += CsvRow({"r1", std::to_string(k + 1), std::to_string(500 + 15 * k), "50", "1", "", "0"});
    }
    AddTrialLog(record, log);
    ASSERT_TRUE(record.Runs[0].Trials);
    EXPECT_FALSE(record.Runs[0].Trials->SweepCompleted);
    EXPECT_FALSE(record.Runs[1].Trials);

    const ResultsAnalysis all = AnalyseRecordedRuns(record.Runs, {});
    ASSERT_EQ(all.Conditions.size(), 1u);
    EXPECT_EQ(all.Conditions[0].Runs.size(), 3u);

    const ResultsAnalysis first = AnalyseRecordedRuns(record.Runs, {"s1", {}});
    ASSERT_EQ(first.Conditions.size(), 1u);
    const ConditionCurves& curves = first.Conditions[0];
    EXPECT_EQ(JoinedRunIds(first, curves), "r1;r2");
    ASSERT_TRUE(curves.HasCombined && curves.CombinedMeasures.Fitted.Freq);
    EXPECT_NEAR(*curves.CombinedMeasures.Fitted.Freq, 1000.0, 5.0);
    ASSERT_NE(curves.CombinedMeasures.Find(QualityFlag::SweepUnfinished), nullptr);
    EXPECT_EQ(curves.CombinedMeasures.Find(QualityFlag::SweepUnfinished)->Reason, "sweep unfinished in run r1");

    EXPECT_FALSE(AnalyseRecordedRuns(record.Runs, {"", {"r3"}}).Conditions[0].HasCombined);
}

}  // namespace
