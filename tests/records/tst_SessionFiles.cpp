#include "Csv.h"
#include "ScratchFolder.h"
#include "RecordedRuns.h"
#include "SessionFiles.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace {

class SessionFilesTest : public testing::Test {
protected:
    void SetUp() override
    {
        state.Conditions.resize(1);
        state.ResultsFileName = scratch.Path("s.dat").string();
        state.ResetResults();
        state.Results.Record(900.0f, 60.0f);
        state.Results.Record(910.0f, 62.0f);
        log.Started = std::chrono::system_clock::now();
        log.Trials.resize(1);
    }
    std::filesystem::path Record() const { return scratch.Path("s.csv"); }
    std::filesystem::path TrialLog() const { return scratch.Path("s.trials.csv"); }

    // The values of one column, after the header.
    std::vector<std::string> Column(const std::filesystem::path& path, const std::string& name) const
    {
        const auto rows = ParseCsv(FileText(path));
        std::vector<std::string> values;
        if (rows.empty()) {
            return values;
        }
        const auto column = std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin();
        for (std::size_t i = 1; i < rows.size(); ++i) {
            values.push_back(static_cast<std::size_t>(column) < rows[i].size() ? rows[i][column] : "(none)");
        }
        return values;
    }

    const ScratchFolder scratch{ScratchFolder::Mode::Stay};
    SharedState state;
    RunLog log;
};

// Runs WriteSessionFiles in a child process; its exit status tells whether both files took the
// rows. The child first closes `inherited`, the parent's hold on the file, so that only the
// parent holds it.
pid_t WriteInChild(const SharedState& state, const RunLog& log, int inherited)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(inherited);
        const SessionFilesOutcome outcome = WriteSessionFiles(state, log, 2);
        ::_exit(outcome.RecordError.empty() && outcome.TrialLogError.empty() ? 0 : 1);
    }
    return child;
}

int ExitStatus(pid_t child)
{
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// Two programs end their runs while a third writer holds the session record (as a slow disk or
// a busy program would): both wait, and each then numbers its run and decides on the header on
// the files as they are, so that the files get one header and two run numbers.
TEST_F(SessionFilesTest, TwoRunsEndingTogetherTakeOneHeaderAndNumbersOfTheirOwn)
{
    const int holder = ::open(Record().c_str(), O_WRONLY | O_CREAT, 0666);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const pid_t first = WriteInChild(state, log, holder);
    const pid_t second = WriteInChild(state, log, holder);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::close(holder);
    EXPECT_EQ(ExitStatus(first), 0);
    EXPECT_EQ(ExitStatus(second), 0);

    for (const auto& path : {Record(), TrialLog()}) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<std::string> runs = Column(path, "run");
        EXPECT_EQ(std::count(runs.begin(), runs.end(), "run"), 0) << "a second header row";
        std::set<std::string> numbers;
        for (const std::string& run : runs) {
            numbers.insert(run.substr(run.rfind('_')));
        }
        EXPECT_EQ(numbers, (std::set<std::string>{"_1", "_2"}));
    }
}

// A session record of a gigabyte (sparse: its middle is never written) takes the next run in a
// process allowed far less memory than the file's size, numbered after the file's last run.
TEST_F(SessionFilesTest, AppendingReadsOnlyTheEndsOfTheFiles)
{
    std::filesystem::path path = Record();
    {
        std::ofstream out(path, std::ios::binary);
        out << SessionRecordHeader();
    }
    std::filesystem::resize_file(path, std::uintmax_t{1} << 30);
    std::ofstream(path, std::ios::binary | std::ios::app) << "\n2026-12-07T14:05:31.042+01:00_41,2026-12-07,x\r\n";

    const pid_t child = ::fork();
    if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
        // The sanitizers reserve address space of their own; there only the numbering is checked.
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t{512} << 20;
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        try {
            const SessionFilesOutcome outcome = WriteSessionFiles(state, log, 2);
            ::_exit(outcome.RunId.ends_with("_42") && outcome.RecordError.empty() ? 0 : 1);
        } catch (...) {
            ::_exit(2);
        }
    }
    EXPECT_EQ(ExitStatus(child), 0);
    EXPECT_GT(std::filesystem::file_size(path), std::uintmax_t{1} << 30);
}

// Every run is on record, also one without points; a rehearsal names its listener there, a run
// with a person leaves those columns empty; a file begun with other columns is left alone.
TEST_F(SessionFilesTest, EveryRunHasARowAndOnlyASimulatedOneNamesItsListener)
{
    state.ResetResults();
    log.Listener = SimulatedListenerRecord{7, -4.5f, 1.25f};
    EXPECT_EQ(WriteSessionFiles(state, log, 0).RecordError, "");
    log.Listener.reset();
    log.Trials.clear();
    state.Results.Record(900.0f, 60.0f);
    const SessionFilesOutcome person = WriteSessionFiles(state, log, 1);
    EXPECT_EQ(person.RecordError, "");
    EXPECT_TRUE(person.RunId.ends_with("_2")) << person.RunId;
    EXPECT_FALSE(person.TrialLogWritten);

    EXPECT_EQ(Column(Record(), "point"), (std::vector<std::string>{"", "1"}));
    EXPECT_EQ(Column(Record(), "listener_seed"), (std::vector<std::string>{"7", ""}));
    EXPECT_EQ(Column(Record(), "listener_criterion"), (std::vector<std::string>{"-4.5", ""}));
    EXPECT_EQ(Column(Record(), "listener_noise"), (std::vector<std::string>{"1.25", ""}));

    const std::string older = "run,date,subject,point\r\nx_1,2026-12-07,A,1\r\n";
    std::ofstream(Record(), std::ios::binary) << older;
    const std::string error = WriteSessionFiles(state, log, 1).RecordError;
    EXPECT_NE(error.find("other columns"), std::string::npos) << error;
    EXPECT_EQ(FileText(Record()), older);
}

TEST(LastRunNumber, IsTheNumberOfTheLastRowThatBeginsWithARunIdentifier)
{
    const std::string header = "run,date\r\n";
    const std::string row3 = "2026-12-07T14:05:31.042+01:00_3,2026-12-07\r\n";
    const std::string row12 = "2026-12-07T15:00:00.000-05:00_12,\"two\r\nlines\"\r\n";
    EXPECT_EQ(LastRunNumber("", true), 0);
    EXPECT_EQ(LastRunNumber(header, true), 0);
    EXPECT_EQ(LastRunNumber(header + row3, true), 3);
    EXPECT_EQ(LastRunNumber(header + row3 + row12, true), 12);
    EXPECT_EQ(LastRunNumber(row3 + "2026-12-07T15:00:00.000+01:00_4,cut sho", true), 4);
    EXPECT_EQ(LastRunNumber(row3.substr(5), false), 0) << "a row's end is not its start";
    EXPECT_EQ(LastRunNumber(row3.substr(5) + row12, false), 12);
}

TEST_F(SessionFilesTest, TheListenerDetailsGoAfterThePointsColumnsAndReadBack)
{
    state.Listener = {"P-0042", "1961-04-23", "Dr. Ortiz, audiology"};
    ASSERT_EQ(WriteSessionFiles(state, log, 2).RecordError, "");
    const auto header = ParseCsv(FileText(Record())).front();
    const auto details = std::find(header.begin(), header.end(), "subject_id");
    ASSERT_LE(details + 3, header.end());
    EXPECT_GT(details - header.begin(), std::find(header.begin(), header.end(), "masker_spl") - header.begin());
    EXPECT_EQ(std::vector<std::string>(details, details + 3),
              (std::vector<std::string>{"subject_id", "birth_date", "examiner"}));
    EXPECT_EQ(std::vector<std::string>(header.end() - 7, header.end()),
              (std::vector<std::string>{"run_type", "ToneSL", "threshold_run", "threshold", "threshold_sd",
                                        "threshold_reversals", "threshold_flags"}))
        << "the threshold columns, one block at the end";
    const RecordedRuns read = ReadSessionRecord(FileText(Record()));
    ASSERT_EQ(read.Runs.size(), 1u);
    EXPECT_EQ(read.Runs[0].Listener, state.Listener);
}


// A threshold run's flags are sentences with commas, colons and brackets: each comes back whole.
TEST_F(SessionFilesTest, AThresholdRunsFlagsReadBackOneByOne)
{
    state.ResetResults();
    log.Kind = RunKind::Threshold;
    log.Reversals = {40.0f, 38.0f};
    log.Threshold = EstimateThreshold(log.Reversals);
    log.ThresholdFlags = {"The tone's level was held at the device's ceiling (110 dB SPL) during the run: the threshold "
                          "may lie beyond it.",
                          "The run reached its time limit (300 s) after 2 of its 8 reversals."};
    ASSERT_EQ(WriteSessionFiles(state, log, 0).RecordError, "");
    log.ThresholdFlags.clear();
    log.RunId.clear();
    ASSERT_EQ(WriteSessionFiles(state, log, 0).RecordError, "");
    const RecordedRuns read = ReadSessionRecord(FileText(Record()));
    ASSERT_EQ(read.Runs.size(), 2u);
    EXPECT_EQ(read.Runs[0].ThresholdFlags, (std::vector<std::string>{
                                               "The tone's level was held at the device's ceiling (110 dB SPL) during "
                                               "the run: the threshold may lie beyond it.",
                                               "The run reached its time limit (300 s) after 2 of its 8 reversals."}));
    EXPECT_TRUE(read.Runs[1].ThresholdFlags.empty());
}
