#include "ScratchFolder.h"
#include "SessionRunner.h"
#include "SimProcess.h"
#include "TwoConditionSession.h"
#include "VirtualSessionRuns.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace {

SessionPlan Plan(const ParameterLoad& load)
{
    return PlanSession(load.Session, load.Parameters.Settings, load.Parameters.Conditions);
}

// Each run position's run identifiers with the status of their rows ("measured", ...).
std::map<std::string, std::map<std::string, std::string>> RunsByPosition()
{
    std::map<std::string, std::map<std::string, std::string>> runs;
    for (auto& row : RecordRows()) {
        runs[row["session_run"]][row["run"]] = row["run_status"];
    }
    return runs;
}

std::int64_t RunAll(SessionRunner& runner, const ParameterLoad& load,
                    const std::function<bool(int, const VirtualRunResult&)>& afterRun)
{
    return RunSessionWithVirtualListener(runner, load.Parameters, {}, afterRun);
}

}  // namespace

TEST(SessionWithTheVirtualListener, RunsTheProtocolInOrderWithEachRunsEarAndDirection)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession(FourRuns);
    SessionRunner runner(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    std::vector<int> order;
    RunAll(runner, load, [&](int index, const VirtualRunResult& result) {
        order.push_back(index);
        EXPECT_FALSE(result.Points.empty());
        return true;
    });
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(runner.EndReason(), "Every run of the session is finished.");

    const std::vector<std::string> planned = {"2 left down", "1 right up", "1 left down", "2 right up"};
    std::string lastPosition = "1";
    std::set<std::string> runIds;
    for (auto& row : RecordRows()) {
        EXPECT_EQ(row["session"], runner.Id());
        EXPECT_EQ(row["session_runs"], "4");
        EXPECT_EQ(row["run_status"], "measured");
        EXPECT_GE(row["session_run"], lastPosition) << "runs are written in the protocol's order";
        lastPosition = row["session_run"];
        const auto k = static_cast<std::size_t>(std::stoi(row["session_run"]) - 1);
        ASSERT_LT(k, planned.size());
        EXPECT_EQ(row["condition"] + " " + row["ear"] + " " + row["direction"], planned[k]);
        runIds.insert(row["run"]);
    }
    EXPECT_EQ(lastPosition, "4");
    EXPECT_EQ(runIds.size(), 4u);

    // A run outside a session leaves the session columns empty.
    RunWithVirtualListener(load.Parameters, {});
    auto last = RecordRows().back();
    EXPECT_EQ(last["session"] + last["session_run"] + last["session_runs"] + last["run_status"], "");
}

TEST(SessionWithTheVirtualListener, AnInterruptedSessionContinuesWithoutRepeatingOrLosingARun)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession(FourRuns);
    std::string id;
    {
        SessionRunner first(load.Session, Plan(load), "virtual listener", "default.dat");
        ASSERT_TRUE(first.StartNew(std::chrono::system_clock::now()));
        id = first.Id();
        RunAll(first, load, [](int index, const VirtualRunResult&) { return index < 1; });
        EXPECT_EQ(first.EndReason(), "The operator ended the session; it continues at run 3 of 4.");
    }
    SessionRunner again(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(again.Unfinished());
    EXPECT_EQ(again.Unfinished()->ContinueAt, 2);
    SessionRunner otherSubject(load.Session, Plan(load), "someone else", "default.dat");
    EXPECT_FALSE(otherSubject.Unfinished()) << "a session belongs to its subject";

    again.Continue();
    std::vector<int> order;
    RunAll(again, load, [&](int index, const VirtualRunResult&) {
        order.push_back(index);
        return true;
    });
    EXPECT_EQ(order, (std::vector<int>{2, 3}));
    const auto runs = RunsByPosition();
    ASSERT_EQ(runs.size(), 4u);
    for (const auto& [position, ids] : runs) {
        EXPECT_EQ(ids.size(), 1u) << "run " << position << " was measured once";
    }
    for (auto& row : RecordRows()) {
        EXPECT_EQ(row["session"], id);
    }
    EXPECT_FALSE(SessionRunner(load.Session, Plan(load), "virtual listener", "default.dat").Unfinished())
        << "a finished session is not offered again";
}

TEST(SessionWithTheVirtualListener, RepeatAndSkipAreMarkedAndAFinishedRecordHasEveryRun)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession(FourRuns);
    SharedState state;
    state.Settings = load.Parameters.Settings;
    state.Conditions = load.Parameters.Conditions;
    SessionRunner runner(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    int firstRuns = 0;
    RunAll(runner, load, [&](int index, const VirtualRunResult&) {
        if (index == 0 && ++firstRuns == 1) {
            EXPECT_EQ(runner.Repeat(state).Reason(), "");
        } else if (index == 0) {
            EXPECT_EQ(runner.Skip(state).Reason(), "");  // run 2
        }
        return true;
    });
    const auto runs = RunsByPosition();
    ASSERT_EQ(runs.size(), 4u);
    ASSERT_EQ(runs.at("1").size(), 2u) << "the repeated run stays in the record";
    std::multiset<std::string> statuses;
    for (const auto& [run, status] : runs.at("1")) {
        statuses.insert(status);
    }
    EXPECT_EQ(statuses, (std::multiset<std::string>{"repeated", "measured"}));
    ASSERT_EQ(runs.at("2").size(), 1u);
    EXPECT_EQ(runs.at("2").begin()->second, "skipped");
    const auto rows = RecordRows();
    const auto skipped = std::find_if(rows.begin(), rows.end(), [](auto row) { return row["run_status"] == "skipped"; });
    ASSERT_NE(skipped, rows.end());
    EXPECT_EQ(skipped->at("condition") + skipped->at("ear") + skipped->at("direction"), "1rightup");
    EXPECT_EQ(skipped->at("point") + skipped->at("masker_freq") + skipped->at("masker_spl"), "");
    EXPECT_EQ(runner.State(1), SessionRunState::Skipped);
    EXPECT_EQ(runner.State(0), SessionRunState::Measured);
}

TEST(SessionWithTheVirtualListener, AnAttenuatorErrorEndsTheSessionAtItsRunAndItContinuesThere)
{
    const ScratchFolder dir;
    // Condition 2's tone is louder than the KC35 can set: its run ends with an error.
    ParameterLoad load = LoadTwoConditionSession("Conditions=1,2\n", 2);
    load.Parameters.Conditions[1].ToneSPL = 130.0f;
    SessionRunner runner(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(runner.StartNew(std::chrono::system_clock::now()));
    RunAll(runner, load, [](int, const VirtualRunResult&) { return true; });
    EXPECT_EQ(runner.State(0), SessionRunState::Measured);
    EXPECT_EQ(runner.State(1), SessionRunState::Ended);
    EXPECT_TRUE(runner.EndReason().starts_with("An error ended run 2 of 2: ")) << runner.EndReason();
    EXPECT_EQ(RunsByPosition().at("2").begin()->second, "ended");
    const SessionRunner again(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(again.Unfinished());
    EXPECT_EQ(again.Unfinished()->ContinueAt, 1);
}

// A session interrupted after two runs, and the file changed before it is continued: a level,
// then the protocol's order. Each change is named, and only a new session can start; with the
// file as it was, the session continues.
TEST(SessionWithTheVirtualListener, AChangedPlanIsNamedAndOnlyANewSessionStarts)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession(FourRuns);
    {
        SessionRunner first(load.Session, Plan(load), "virtual listener", "default.dat");
        ASSERT_TRUE(first.StartNew(std::chrono::system_clock::now()));
        RunAll(first, load, [](int index, const VirtualRunResult&) { return index < 1; });
    }
    ParameterLoad louder = load;
    louder.Parameters.Conditions[0].ToneSPL = 45.0f;
    {
        const SessionRunner changedLevel(louder.Session, Plan(louder), "virtual listener", "default.dat");
        ASSERT_TRUE(changedLevel.Unfinished());
        EXPECT_FALSE(changedLevel.CanContinue());
        EXPECT_EQ(changedLevel.Unfinished()->Changes, std::vector<std::string>{"condition 1 ToneSPL: 40 then, 45 now"});
        const std::string question = ResumeQuestion(changedLevel, "virtual listener", "default.csv");
        EXPECT_NE(question.find("planned otherwise"), std::string::npos) << question;
        EXPECT_EQ(question.find("Continue at run"), std::string::npos) << question;
    }
    {
        const ParameterLoad reordered = LoadTwoConditionSession("Run1=2,left,down\nRun2=1,right,up\nRun3=2,left,down\nRun4=2,right,up\n");
        const SessionRunner changedOrder(reordered.Session, Plan(reordered), "virtual listener", "default.dat");
        ASSERT_TRUE(changedOrder.Unfinished());
        EXPECT_EQ(changedOrder.Unfinished()->Changes,
                  std::vector<std::string>{"run 3: condition 1 left down then, condition 2 left down now"});
    }
    {
        const ParameterLoad same = LoadTwoConditionSession(FourRuns);
        const SessionRunner unchanged(same.Session, Plan(same), "virtual listener", "default.dat");
        ASSERT_TRUE(unchanged.CanContinue());
        EXPECT_EQ(unchanged.Unfinished()->ContinueAt, 2);
        const Outcome second = Sim("session --ini PTC.INI", " 2>&1 >/dev/null");
        EXPECT_EQ(second.status, 1) << "a second program does not run the session beside the first";
        EXPECT_NE(second.output.find("Another Quorvex is running a session with this results name"), std::string::npos)
            << second.output;
    }
    EXPECT_EQ(Sim("session --ini PTC.INI").status, 0) << "the unchanged file continues the session";
}

// A power cut in the middle of writing run 2's rows: the resume measures run 2 again and says
// why, and analyze flags the run.
TEST(SessionWithTheVirtualListener, ARecordCutInsideARunMeasuresItAgainAndSaysSo)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession(FourRuns);
    {
        SessionRunner first(load.Session, Plan(load), "virtual listener", "default.dat");
        ASSERT_TRUE(first.StartNew(std::chrono::system_clock::now()));
        RunAll(first, load, [](int index, const VirtualRunResult&) { return index < 1; });
    }
    std::string record = ReadWholeFile("default.csv").Text;
    for (int cut = 0; cut < 3; ++cut) {
        record.erase(record.rfind('\n', record.size() - 2) + 1);
    }
    record.erase(record.size() - 20);  // and the last row left cut short
    std::ofstream("default.csv", std::ios::binary | std::ios::trunc) << record;

    const SessionRunner again(load.Session, Plan(load), "virtual listener", "default.dat");
    ASSERT_TRUE(again.CanContinue());
    EXPECT_EQ(again.Unfinished()->ContinueAt, 1);
    const std::string question = ResumeQuestion(again, "virtual listener", "default.csv");
    EXPECT_NE(question.find("Run 2 has only "), std::string::npos) << question;
    EXPECT_TRUE(question.ends_with("Continue at run 2 of 4")) << question;

    const Outcome analysed = Sim("analyze default.dat", " 2>/dev/null");
    EXPECT_NE(analysed.output.find("flag record incomplete: "), std::string::npos) << analysed.output;
    EXPECT_NE(analysed.output.find("left out of combined curves: record incomplete"), std::string::npos)
        << analysed.output;
}

