// quorvex-sim study as a lab runs it: the numbers do not depend on how the work was split, a
// stopped study resumes, the merge refuses what is missing or half written, and bad study
// files are refused with the key named.
#include "Csv.h"
#include "ListenerModel.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "StudyRun.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

namespace {

void Write(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

const std::string Sim = QUORVEX_SIM;

class Study : public testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::copy_file(std::filesystem::path(REFERENCE_RUNS) / "software.INI", dir.Path("PTC.INI"));
        Write(dir.Path("s.ini"), "[Study]\nConditions=PTC.INI\nCondition=1\nReplications=2\nSeed=5\nRunsPerTask=1\n"
                                 "[Grid]\nSPLstep=2,3\nDirection=down\nNoise=0.5\nCriterion=-5\n");
    }
    std::string Merged()
    {
        const Outcome merge = ::Sim("study merge s.ini -o summary.csv");
        EXPECT_EQ(merge.status, 0) << merge.output;
        return FileText(dir.Path("summary.csv"));
    }
    void Restart() { std::filesystem::remove_all(dir.Path("s-tasks")); }

    const ScratchFolder dir;
};

TEST_F(Study, TheSplitChangesNoNumberAndAStoppedStudyResumes)
{
    EXPECT_EQ(::Sim("study tasks s.ini").output, "4\n");
    ASSERT_EQ(::Sim("study run s.ini --jobs 1").status, 0);
    const std::string one = Merged();
    EXPECT_NE(one.find("\n1,2,10,100,down,0.5,-5,2,tip_error_hz,"), std::string::npos) << one;
    const std::string task2 = FileText(dir.Path("s-tasks/task-000002.csv"));

    Restart();
    ASSERT_EQ(::Sim("study run s.ini --jobs 2").status, 0);
    EXPECT_EQ(Merged(), one);

    Restart();
    for (const char* task : {"3", "1", "0", "2"}) {
        ASSERT_EQ(::Sim(std::string("study run s.ini --task ") + task).status, 0);
    }
    EXPECT_EQ(FileText(dir.Path("s-tasks/task-000002.csv")), task2);
    EXPECT_EQ(Merged(), one);

    // A task cut off in the middle left its part file; another one was lost.
    std::filesystem::rename(dir.Path("s-tasks/task-000002.csv"), dir.Path("s-tasks/task-000002.csv.part"));
    std::filesystem::remove(dir.Path("s-tasks/task-000001.csv"));
    const auto untouched = std::filesystem::last_write_time(dir.Path("s-tasks/task-000000.csv"));
    ASSERT_EQ(::Sim("study run s.ini --jobs 2").status, 0);
    EXPECT_EQ(std::filesystem::last_write_time(dir.Path("s-tasks/task-000000.csv")), untouched);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("s-tasks/task-000002.csv.part")));
    EXPECT_EQ(Merged(), one);
}

// The slopes have their error against the listener's closed-form curve, as the tips and Q10
// have, and every number is rounded to what it can tell (no SD of 1e-14, no sixteen digits).
TEST_F(Study, TheSummaryGivesSlopeErrorsInReadableNumbers)
{
    ASSERT_EQ(::Sim("study run s.ini").status, 0);
    std::map<std::string, std::vector<std::string>> firstCell;  // measure -> n, mean, sd, p5, p95
    const std::vector<std::vector<std::string>> rows = ParseCsv(Merged());
    ASSERT_GT(rows.size(), 1u);
    const std::regex readable("-?[0-9]+(\\.[0-9]{1,3})?");
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 15u);
        for (std::size_t k = 10; k < 14; ++k) {
            EXPECT_TRUE(std::regex_match(rows[r][k], readable)) << rows[r][8] << ": " << rows[r][k];
        }
        EXPECT_EQ(rows[r][14], std::to_string(ListenerModelVersion));
        if (rows[r][0] == "1") {
            firstCell[rows[r][8]] = {rows[r].begin() + 9, rows[r].begin() + 14};
        }
    }
    for (const std::string side : {"low", "high"}) {
        const auto& measured = firstCell[side + "_slope_db_per_octave"];
        const auto& expected = firstCell["expected_" + side + "_slope_db_per_octave"];
        const auto& error = firstCell[side + "_slope_error_db_per_octave"];
        ASSERT_EQ(expected.size(), 5u) << side;
        ASSERT_EQ(error.size(), 5u) << side;
        EXPECT_EQ(expected[2], "0") << "one filter, one expected slope";
        EXPECT_NEAR(std::stod(error[1]), std::stod(measured[1]) - std::stod(expected[1]), 0.011) << side;
        EXPECT_EQ(std::stod(expected[1]) > 0.0, side == "high");
    }
}

// A task file measured for another study file is neither skipped, nor overwritten, nor merged:
// the refusal names the task and the first setting that differs, in the rows or in the base
// test-condition file.
TEST_F(Study, TaskFilesOfAnotherPlanAreRefusedByRunAndMerge)
{
    ASSERT_EQ(::Sim("study run s.ini").status, 0);
    const std::string summary = Merged();
    const std::string study = FileText(dir.Path("s.ini"));
    const auto measured = std::filesystem::last_write_time(dir.Path("s-tasks/task-000002.csv"));
    const auto refused = [&](const std::string& task, const std::string& difference) {
        const Outcome run = ::Sim("study run s.ini --jobs 2");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.output.find(difference), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("nothing was run; remove the study's task folder"), std::string::npos) << run.output;
        const Outcome alone = ::Sim("study run s.ini --task " + task);
        EXPECT_EQ(alone.status, 1) << alone.output;
        const Outcome merge = ::Sim("study merge s.ini -o summary.csv");
        EXPECT_EQ(merge.status, 1);
        EXPECT_NE(merge.output.find(difference), std::string::npos) << merge.output;
        EXPECT_NE(merge.output.find("(s-tasks) or restore the study file"), std::string::npos) << merge.output;
        EXPECT_EQ(FileText(dir.Path("summary.csv")), summary);
        EXPECT_EQ(std::filesystem::last_write_time(dir.Path("s-tasks/task-000002.csv")), measured);
    };

    Write(dir.Path("s.ini"), std::regex_replace(study, std::regex("SPLstep=2,3"), "SPLstep=2,4"));
    refused("2", "task 2 (s-tasks/task-000002.csv) was measured with SPLstep 3 where the study now plans 4");
    Write(dir.Path("s.ini"), std::regex_replace(study, std::regex("Seed=5"), "Seed=6"));
    refused("0", "task 0 (s-tasks/task-000000.csv) was measured with seed ");
    Write(dir.Path("s.ini"), std::regex_replace(study, std::regex("RunsPerTask=1"), "RunsPerTask=2"));
    refused("1", "task 1 (s-tasks/task-000001.csv) holds run 1 where the study now plans run 2");

    Write(dir.Path("s.ini"), study);
    const std::string base = FileText(dir.Path("PTC.INI"));
    Write(dir.Path("PTC.INI"),
          std::regex_replace(base, std::regex("ToneSPL=30"), "ToneSPL=35", std::regex_constants::format_first_only));
    refused("2", "was measured with ToneSPL 30 where the study now plans 35");

    Write(dir.Path("PTC.INI"), base);
    EXPECT_EQ(::Sim("study run s.ini").status, 0);
    EXPECT_EQ(Merged(), summary);
}

// Runs measured with another listener model are not mixed with this one's.
TEST_F(Study, TaskFilesOfAnotherListenerModelAreRefused)
{
    ASSERT_EQ(::Sim("study run s.ini").status, 0);
    const std::string model = "," + std::to_string(ListenerModelVersion) + ",";
    const std::string task = FileText(dir.Path("s-tasks/task-000001.csv"));
    Write(dir.Path("s-tasks/task-000001.csv"), std::regex_replace(task, std::regex(",software" + model), ",software,1,"));
    const Outcome merge = ::Sim("study merge s.ini -o summary.csv");
    EXPECT_EQ(merge.status, 1);
    EXPECT_NE(merge.output.find("task 1 (s-tasks/task-000001.csv) was measured with listener_model 1 where the study "
                                "now plans "
                                + std::to_string(ListenerModelVersion)),
              std::string::npos)
        << merge.output;
}

TEST_F(Study, AStopLeavesOnlyCompleteTasks)
{
    Write(dir.Path("s.ini"), "[Study]\nConditions=PTC.INI\nCondition=1\nReplications=400\nSeed=5\nRunsPerTask=20\n");
    // The stop comes while the runs are under way (a run takes some 30 ms; 400 take seconds).
    const Outcome stopped = ::Sim("study run s.ini --jobs 2 & p=$!; sleep 1; kill -INT $p; wait $p; echo status $?",
                                  " 2>&1");
    EXPECT_NE(stopped.output.find("status 130"), std::string::npos) << stopped.output;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("s-tasks"))) {
        EXPECT_EQ(entry.path().extension(), ".csv") << entry.path();
    }
}

// Killed outright, the command cannot tell its workers; they find out when they next report
// a run, and stop as at Ctrl-C: no part file, no folder of theirs left.
TEST_F(Study, TheWorkersOfAKilledStudyLeaveNothingBehind)
{
    Write(dir.Path("s.ini"), "[Study]\nConditions=PTC.INI\nCondition=1\nReplications=400\nSeed=5\nRunsPerTask=20\n");
    std::filesystem::create_directory(dir.Path("tmp"));
    const Outcome killed = ::Sim("study run s.ini --jobs 2 & p=$!; sleep 1; kill -KILL $p; wait $p; echo status $?",
                                 " 2>&1", "TMPDIR=" + dir.Path("tmp").string() + " ");
    EXPECT_NE(killed.output.find("status 137"), std::string::npos) << killed.output;
    // The workers end within a run; the limit only keeps a fault from hanging the test.
    for (int wait = 0; wait < 600 && !std::filesystem::is_empty(dir.Path("tmp")); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("tmp")));
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("s-tasks"))) {
        EXPECT_EQ(entry.path().extension(), ".csv") << entry.path();
    }
}

TEST_F(Study, MergeRefusesMissingAndHalfWrittenTasksAndWritesNothing)
{
    ASSERT_EQ(::Sim("study run s.ini").status, 0);
    const std::string whole = FileText(dir.Path("s-tasks/task-000003.csv"));
    Write(dir.Path("s-tasks/task-000003.csv"), whole.substr(0, whole.size() / 2));
    std::filesystem::remove(dir.Path("s-tasks/task-000001.csv"));
    const Outcome merge = ::Sim("study merge s.ini -o summary.csv");
    EXPECT_EQ(merge.status, 1);
    EXPECT_NE(merge.output.find("task 1 (s-tasks/task-000001.csv): missing"), std::string::npos) << merge.output;
    EXPECT_NE(merge.output.find("task 3 (s-tasks/task-000003.csv): damaged"), std::string::npos) << merge.output;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("summary.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("summary.csv.part")));
}

// A run refused in the middle of a task (here a cell the study file's load would have refused)
// leaves no part file behind.
TEST_F(Study, ARefusedRunLeavesNoPartFile)
{
    Result<StudyPlan> plan = LoadStudy(dir.Path("s.ini"));
    ASSERT_TRUE(plan) << plan.Reason();
    plan.Value().Cells[1].MaskerBW = 50000.0f;
    plan.Value().RunsPerTask = 4;
    const volatile std::sig_atomic_t go = 0;
    const Result<bool> refused = RunStudyTask(plan.Value(), 0, {}, go);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.Reason().starts_with("cell 2: ")) << refused.Reason();
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("s-tasks")));
}

TEST_F(Study, DirectionsAreReadInAnyCase)
{
    Write(dir.Path("s.ini"), "[Study]\nConditions=PTC.INI\nCondition=1\nReplications=2\nSeed=5\n"
                             "[Grid]\nDirection=Up,DOWN\n");
    const Outcome tasks = ::Sim("study tasks s.ini");
    EXPECT_EQ(tasks.status, 0) << tasks.output;
    EXPECT_EQ(tasks.output, "1\n");
}

const std::string Head = "[Study]\nConditions=PTC.INI\nCondition=1\nReplications=2\nSeed=1\n";

struct BadStudy {
    std::string text;
    const char* named;
};

class BadStudyFile : public testing::TestWithParam<BadStudy> {};

TEST_P(BadStudyFile, IsRefusedWithTheKeyNamed)
{
    const ScratchFolder dir;
    std::filesystem::copy_file(std::filesystem::path(REFERENCE_RUNS) / "software.INI", dir.Path("PTC.INI"));
    Write(dir.Path("bad.ini"), GetParam().text);
    for (const char* command : {"study tasks bad.ini", "study run bad.ini", "study merge bad.ini -o x.csv"}) {
        const Outcome outcome = ::Sim(command);
        EXPECT_EQ(outcome.status, 1) << command;
        EXPECT_NE(outcome.output.find(GetParam().named), std::string::npos) << outcome.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("bad-tasks")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("x.csv")));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadStudyFile,
    testing::Values(BadStudy{Head + "[Grid]\nLevelStep=2\n", "[Grid] has no key 'levelstep'"},
                    BadStudy{Head + "[Grid]\nSPLstep=2,x\n", "[Grid] SPLstep = 2,x: 'x'"},
                    BadStudy{Head + "[Grid]\nDirection=sideways\n",
                             "[Grid] Direction = sideways: 'sideways' is not a sweep direction"},
                    BadStudy{Head + "[Grdi]\nSPLstep=2,4\n", "a study file has no section [grdi]"},
                    // Cell 1 could run; cell 2's band is wider than the masker can be.
                    BadStudy{Head + "[Grid]\nMaskerBW=100,50000\n",
                             "[Grid] cell 2 (SPLstep 2, FStep 10, MaskerBW 50000"},
                    BadStudy{"[Study]\nConditions=PTC.INI\nCondition=1\nReplications=many\nSeed=1\n",
                             "[Study] Replications"},
                    BadStudy{"[Study]\nConditions=gone.INI\nCondition=1\nReplications=2\nSeed=1\n", "gone.INI"},
                    BadStudy{"[Study]\nConditions=PTC.INI\nCondition=3\nReplications=2\nSeed=1\n",
                             "[Study] Condition = 3"}));

}  // namespace
