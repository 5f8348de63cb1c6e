#include "ConditionAnalysis.h"
#include "Csv.h"
#include "RecordedRuns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

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
    ASSERT_TRUE(record.Runs[0].LoggedTrials);
    EXPECT_FALSE(SummariseLoggedTrials(record.Runs[0])->SweepCompleted);
    EXPECT_FALSE(record.Runs[1].LoggedTrials);

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

// Runs of one condition and ear that are not repeats of one measurement, and runs the operator
// rejected or a stop key broke off: each is measured, but only the repeats that count are
// combined, and test-retest compares runs of one direction.
TEST(RecordedRuns, CombinesOnlyRepeatsOfOneMeasurementThatCount)
{
    std::string text = CsvRow({"run", "subject", "ear", "direction", "condition", "ToneF", "StartF", "EndF", "FStep",
                               "ToneSPL", "MaskerBW", "listener_seed", "run_status", "run_points", "point",
                               "masker_freq", "masker_spl"});
    const auto add = [&](const std::string& run, const std::string& direction, const std::string& toneSpl,
                         const std::string& band, const std::string& listener, const std::string& status, int cutTo) {
        for (int k = 0; k <= 100 && k < cutTo; ++k) {
            const double f = 500.0 + 15.0 * k;
            const double level = 40.0 + 60.0 * std::abs(std::log2(f / 1000.0)) + (k % 2 ? 1.0 : -1.0);
            text += CsvRow({run, "A", "left", direction, "1", "1000", "500", "2000", "15", toneSpl, band, listener,
                            status, "101", std::to_string(k + 1), std::to_string(f), std::to_string(level)});
        }
    };
    add("up30", "up", "30", "100", "", "measured", 101);
    add("down30", "down", "30", "100", "", "measured", 101);
    add("up50", "up", "50", "400", "", "measured", 101);
    add("rejected", "up", "30", "100", "", "measured", 101);
    text += CsvRow({"rejected", "A", "left", "up", "1", "1000", "500", "2000", "15", "30", "100", "", "repeated", "", "",
                    "", ""});
    add("broken", "up", "30", "100", "", "ended", 101);
    add("virtual", "up", "30", "100", "7", "", 101);
    add("cut", "down", "30", "100", "", "measured", 60);
    const ResultsAnalysis analysis = AnalyseRecordedRuns(ReadSessionRecord(text).Runs, {});

    std::map<std::string, std::string> leftOut;
    for (const AnalysedRun& run : analysis.Runs) {
        leftOut[run.Run.RunId] = run.LeftOut;
    }
    EXPECT_EQ(leftOut, (std::map<std::string, std::string>{{"up30", ""}, {"down30", ""}, {"up50", ""},
                                                           {"rejected", "repeated"}, {"broken", "ended"},
                                                           {"virtual", ""}, {"cut", "record incomplete"}}));
    std::vector<std::string> groups;
    for (const ConditionCurves& c : analysis.Conditions) {
        groups.push_back(JoinedRunIds(analysis, c));
    }
    EXPECT_EQ(groups, (std::vector<std::string>{"up30;down30", "up50", "virtual"}));
    const ConditionCurves& repeats = analysis.Conditions[0];
    EXPECT_TRUE(repeats.HasCombined);
    EXPECT_FALSE(repeats.Spread.SmoothedHz) << "one upward and one downward run give no test-retest figure";

    const std::vector<std::string> notes = SeparationNotes(analysis);
    for (const char* note : {"run rejected is left out of combined curves: repeated",
                             "runs up30 and up50 are not combined: MaskerBW 100 and 400, ToneSPL 30 and 50",
                             "runs up30 and virtual are not combined: one measured by the virtual listener, the other by a person"}) {
        EXPECT_NE(std::find(notes.begin(), notes.end(), note), notes.end()) << note << "\n" << testing::PrintToString(notes);
    }
}

}  // namespace
