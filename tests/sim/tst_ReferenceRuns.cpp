// Virtual runs give the same results for the same seed and listener model (listener_model),
// whatever is done to make them faster: quorvex-sim run writes the results file, the session
// record and the trial log of tests/sim/reference/ again. The .dat must be byte for byte the
// same; in the CSV files every column of the reference must hold the same text, except the
// run's clock and the program's version (run, date, time, version).
#include "Csv.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

const std::filesystem::path Reference = std::filesystem::path(SCRIPTS) / "reference";

void ExpectSameColumns(const std::filesystem::path& made, const std::filesystem::path& reference)
{
    SCOPED_TRACE(made.filename().string());
    const auto rows = ParseCsv(FileText(made));
    const auto expected = ParseCsv(FileText(reference));
    ASSERT_EQ(rows.size(), expected.size());
    ASSERT_FALSE(rows.empty());
    const std::set<std::string> clock = {"run", "date", "time", "version"};
    for (std::size_t k = 0; k < expected[0].size(); ++k) {
        const std::string& name = expected[0][k];
        if (clock.count(name) != 0) {
            continue;
        }
        const auto column = std::find(rows[0].begin(), rows[0].end(), name);
        ASSERT_NE(column, rows[0].end()) << "no column " << name;
        const auto at = static_cast<std::size_t>(column - rows[0].begin());
        for (std::size_t r = 1; r < expected.size(); ++r) {
            ASSERT_EQ(rows[r].at(at), expected[r][k]) << name << " of row " << r;
        }
    }
}

struct ReferenceRun {
    const char* name;
    const char* arguments;
};

class ReferenceRuns : public testing::TestWithParam<ReferenceRun> {};

TEST_P(ReferenceRuns, WriteTheReferenceFilesAgain)
{
    const ScratchFolder dir;
    const ReferenceRun& run = GetParam();
    for (const char* ini : {"software.INI", "kc35.INI", "modulated.INI"}) {
        std::filesystem::copy_file(Reference / ini, dir.Path(ini));
    }
    const Outcome outcome = Sim(std::string("run ") + run.arguments + " --results " + run.name);
    ASSERT_EQ(outcome.status, 0) << outcome.output;
    const std::string name = run.name;
    EXPECT_EQ(FileText(dir.Path(name + ".dat")), FileText(Reference / (name + ".dat")));
    ExpectSameColumns(dir.Path(name + ".csv"), Reference / (name + ".csv"));
    ExpectSameColumns(dir.Path(name + ".trials.csv"), Reference / (name + ".trials.csv"));
}

INSTANTIATE_TEST_SUITE_P(
    SeedsModesDirections, ReferenceRuns,
    testing::Values(
        ReferenceRun{"run1", "--ini software.INI --condition 1 --direction up --ear right --seed 1"},
        ReferenceRun{"run2", "--ini software.INI --condition 2 --direction down --ear left --seed 7"},
        ReferenceRun{"run3", "--ini software.INI --condition 1 --direction down --ear right --seed 0"},
        ReferenceRun{"run4", "--ini kc35.INI --condition 1 --direction down --ear left --seed 3"},
        ReferenceRun{"run5", "--ini kc35.INI --condition 2 --direction up --ear right --seed 5 --criterion -5 "
                             "--noise 2"},
        ReferenceRun{"run6", "--ini modulated.INI --condition 1 --direction up --ear right --seed 4 --criterion -6 "
                             "--noise 2"}),
    [](const testing::TestParamInfo<ReferenceRun>& info) { return std::string(info.param.name); });

}  // namespace
