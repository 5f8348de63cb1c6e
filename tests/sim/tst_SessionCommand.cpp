// The session command as an operator runs it: the shuffled order it lists and runs, a protocol it
// refuses, and a record of a person's runs it leaves alone.
#include "Csv.h"
#include "RunChoices.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "TwoConditionSession.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

TEST(SessionCommand, RunsTheShuffledOrderThatConditionsListsAndRefusesABadProtocol)
{
    const ScratchFolder dir;
    const ParameterLoad load = LoadTwoConditionSession("Conditions=2,1\nDirections=up,down\nOrder=shuffled\nSeed=3\n");
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
    for (auto& row : RecordRows("S01.csv")) {
        EXPECT_EQ(row["session_seed"], "3") << "every row names the shuffle's seed";
    }

    std::ofstream("bad.ini") << "[Tests]\nN_Cond=1\n[Session]\nEars=both\n";
    const Outcome bad = Sim("session --ini bad.ini");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.output, "quorvex-sim session: [Session] Ears = both: 'both' is not an ear; an ear is left or right\n");
    EXPECT_EQ(Sim("session --bogus", " 2>/dev/null").status, 2);
}

// The simulator never adds virtual runs to a record in which a person was measured, unless told to.
TEST(SessionCommand, RefusesASessionRecordThatHoldsAPersonsRuns)
{
    const ScratchFolder dir;
    LoadTwoConditionSession(FourRuns);
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
