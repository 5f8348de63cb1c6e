#include "Csv.h"
#include "ParameterFile.h"
#include "ScratchFolder.h"
#include "SessionRunner.h"
#include "SimProcess.h"
#include "VirtualSessionRuns.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace {

// Two short conditions (11 masker frequencies each) and the session given.
ParameterLoad Load(const std::string& session, int attenuator = 1)
{
    std::ofstream("PTC.INI") << "[Settings]\nAttenuator=" << attenuator
                             << "\nMaskerDuration=300\nToneDuration=200\nISI=50\n[Tests]\nN_Cond=2\n"
                                "[Cond1]\nToneF=1000\nStartF=900\nEndF=1100\nFStep=20\nMaskerBW=100\nToneSPL=40\n"
                                "MaskStartSPL=60\n[Cond2]\nToneF=2000\nStartF=1800\nEndF=2200\nFStep=40\n"
                                "MaskerBW=100\nToneSPL=40\nMaskStartSPL=60\n[Session]\n"
                             << session;
    ParameterLoad load = LoadParameterFile("PTC.INI", '.');
    EXPECT_TRUE(load.Session.Runnable()) << load.Session.Refusal;
    return load;
}

SessionPlan Plan(const ParameterLoad& load)
{
    return PlanSession(load.Session, load.Parameters.Settings, load.Parameters.Conditions);
}

const char* const FourRuns = "Run1=2,left,down\nRun2=1,right,up\nRun3=1,left,down\nRun4=2,right,up\n";

// The session record's rows of runs as maps from column name to field; the rows that open a
// session with its plan are left out.
std::vector<std::map<std::string, std::string>> Record(const std::string& name = "default.csv")
{
    const auto rows = ParseCsv(ReadWholeFile(name).Text);
    std::vector<std::map<std::string, std::string>> records;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].empty() || rows[i][0].empty()) {
            continue;
        }
        auto& record = records.emplace_back();
        for (std::size_t c = 0; c < rows[0].size() && c < rows[i].size(); ++c) {
            record[rows[0][c]] = rows[i][c];
        }
    }
    return records;
}

// Each run position's run identifiers with the status of their rows ("measured", ...).
std::map<std::string, std::map<std::string, std::string>> RunsByPosition()
{
    std::map<std::string, std::map<std::string, std::string>> runs;
    for (auto& row : Record()) {
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
    const ParameterLoad load = Load(FourRuns);
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
    for (auto& row : Record()) {
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
    auto last = Record().back();
    EXPECT_EQ(last["session"] + last["session_run"] + last["session_runs"] + last["run_status"], "");
}

TEST(SessionWithTheVirtualListener, AnInterruptedSessionContinuesWithoutRepeatingOrLosingARun)
{
    const ScratchFolder dir;
    const ParameterLoad load = Load(FourRuns);
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
    for (auto& row : Record()) {
        EXPECT_EQ(row["session"], id);
    }
    EXPECT_FALSE(SessionRunner(load.Session, Plan(load), "virtual listener", "default.dat").Unfinished())
        << "a finished session is not offered again";
}

TEST(SessionWithTheVirtualListener, RepeatAndSkipAreMarkedAndAFinishedRecordHasEveryRun)
{
    const ScratchFolder dir;
    const ParameterLoad load = Load(FourRuns);
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
    const auto rows = Record();
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
    ParameterLoad load = Load("Conditions=1,2\n", 2);
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

TEST(SessionCommand, RunsTheShuffledOrderThatConditionsListsAndRefusesABadProtocol)
{
    const ScratchFolder dir;
    const ParameterLoad load = Load("Conditions=2,1\nDirections=up,down\nOrder=shuffled\nSeed=3\n");
    std::string keys;
    std::vector<std::string> lines;
    for (std::size_t k = 0; k < load.Session.Runs.size(); ++k) {
        const SessionRun& run = load.Session.Runs[k];
        const std::string condition = std::to_string(run.Condition);
        keys += "Run" + std::to_string(k + 1) + "=" + condition + "," + EarName(run.Ear) + ","
                + DirectionName(run.SweepDirection) + "\n";
        lines.push_back("run " + std::to_string(k + 1) + "/4: condition " + condition + ", " + EarName(run.Ear)
                        + " ear, " + DirectionName(run.SweepDirection) + ": ");
    }
    const Outcome listed = Sim("conditions PTC.INI", " 2>/dev/null");
    EXPECT_NE(listed.output.find("[Session]\n" + keys + "Order=shuffled\nSeed=3\n"), std::string::npos) << listed.output;
    const Outcome run = Sim("session --ini PTC.INI --results S01 --subject P1");
    EXPECT_EQ(run.status, 0) << run.output;
    for (const std::string& line : lines) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << " in\n" << run.output;
    }
    EXPECT_NE(run.output.find(": 4 of 4 runs finished"), std::string::npos) << run.output;
    for (auto& row : Record("S01.csv")) {
        EXPECT_EQ(row["session_seed"], "3") << "every row names the shuffle's seed";
    }

    std::ofstream("bad.ini") << "[Tests]\nN_Cond=1\n[Session]\nEars=both\n";
    const Outcome bad = Sim("session --ini bad.ini");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.output, "quorvex-sim session: [Session] Ears = both: 'both' is not an ear; an ear is left or right\n");
    EXPECT_EQ(Sim("session --bogus", " 2>/dev/null").status, 2);
}

// A session interrupted after two runs, and the file changed before it is continued: a level,
// then the protocol's order. Each change is named, and only a new session can start; with the
// file as it was, the session continues.
TEST(SessionWithTheVirtualListener, AChangedPlanIsNamedAndOnlyANewSessionStarts)
{
    const ScratchFolder dir;
    const ParameterLoad load = Load(FourRuns);
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
        const ParameterLoad reordered = Load("Run1=2,left,down\nRun2=1,right,up\nRun3=2,left,down\nRun4=2,right,up\n");
        const SessionRunner changedOrder(reordered.Session, Plan(reordered), "virtual listener", "default.dat");
        ASSERT_TRUE(changedOrder.Unfinished());
        EXPECT_EQ(changedOrder.Unfinished()->Changes,
                  std::vector<std::string>{"run 3: condition 1 left down then, condition 2 left down now"});
    }
    {
        const ParameterLoad same = Load(FourRuns);
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
    const ParameterLoad load = Load(FourRuns);
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

// The simulator never adds virtual runs to a record in which a person was measured, unless told to.
TEST(SessionCommand, RefusesASessionRecordThatHoldsAPersonsRuns)
{
    const ScratchFolder dir;
    Load(FourRuns);
    ASSERT_EQ(Sim("run --ini PTC.INI --results S01 --subject Anna", " >/dev/null 2>&1").status, 0);
    // What the program writes for a person: the listener's columns empty.
    const auto rows = ParseCsv(ReadWholeFile("S01.csv").Text);
    const auto seed = std::find(rows[0].begin(), rows[0].end(), "listener_seed") - rows[0].begin();
    std::string person = CsvRow(rows[0]);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        auto row = rows[i];
        row[static_cast<std::size_t>(seed)].clear();
        person += CsvRow(row);
    }
    std::ofstream("S01.csv", std::ios::binary | std::ios::trunc) << person;

    for (const char* command : {"session --ini PTC.INI --results S01 --subject Anna", "run --ini PTC.INI --results S01"}) {
        const Outcome refused = Sim(command, " 2>&1 >/dev/null");
        EXPECT_EQ(refused.status, 1) << command;
        EXPECT_NE(refused.output.find("holds runs a person measured (Anna, run "), std::string::npos) << refused.output;
    }
    EXPECT_EQ(ReadWholeFile("S01.csv").Text, person) << "nothing was added";
    EXPECT_EQ(Sim("run --ini PTC.INI --results S01 --into-real-record", " >/dev/null 2>&1").status, 0);
}
