// A session of three runs killed at each of its writes in turn, as a power cut or a kill would
// stop it, and then continued: every run counts once, the results file holds each run once, and
// every block of it is a run of the session record.
#include "RecordedRuns.h"
#include "ResultsFileBlocks.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace {

const char* const ThreeRuns =
    "[Settings]\nAttenuator=1\nMaskerDuration=300\nToneDuration=200\nISI=50\n[Tests]\nN_Cond=2\n"
    "[Cond1]\nToneF=1000\nStartF=900\nEndF=1100\nFStep=20\nMaskerBW=100\nToneSPL=40\nMaskStartSPL=60\n"
    "[Cond2]\nToneF=2000\nStartF=1800\nEndF=2200\nFStep=40\nMaskerBW=100\nToneSPL=40\nMaskStartSPL=60\n"
    "[Session]\nRun1=1,left,up\nRun2=2,right,down\nRun3=1,right,up\n";

std::string Session(const std::string& folder)
{
    return "cd '" + folder + "' && " + std::string(QUORVEX_SIM) + " session --ini PTC.INI --results S --subject Ann";
}

int WritesOf(const std::string& command, const std::string& folder)
{
    const std::string trace = folder + "/writes.txt";
    Shell("strace -f -qq -e trace=write -o '" + trace + "' sh -c \"" + command + "\" >/dev/null 2>&1");
    std::ifstream in(trace);
    int writes = 0;
    for (std::string line; std::getline(in, line);) {
        writes += line.find("write(") != std::string::npos ? 1 : 0;
    }
    return writes;
}

}  // namespace

TEST(SessionKilledAtEveryWrite, CountsEachRunOnceAndTheResultsFileHoldsEachRunOnce)
{
    if (Shell("strace -V >/dev/null 2>&1").status != 0) {
        GTEST_SKIP() << "strace is not installed";
    }
    const ScratchFolder scratch;
    const std::string clean = (std::filesystem::current_path() / "clean").string();
    std::filesystem::create_directory(clean);
    std::ofstream(clean + "/PTC.INI") << ThreeRuns;
    const int writes = WritesOf(Session(clean), clean);
    ASSERT_GT(writes, 10) << "the session wrote nothing";

    for (int n = 1; n <= writes; ++n) {
        SCOPED_TRACE("killed at write " + std::to_string(n) + " of " + std::to_string(writes));
        const std::string folder = (std::filesystem::current_path() / ("kill-" + std::to_string(n))).string();
        std::filesystem::create_directory(folder);
        std::ofstream(folder + "/PTC.INI") << ThreeRuns;
        Shell("strace -f -qq -o /dev/null -e trace=write -e inject=write:error=EIO:signal=KILL:when=" + std::to_string(n)
              + " sh -c \"" + Session(folder) + "\" >/dev/null 2>&1");
        const Outcome resumed = Shell(Session(folder) + " 2>&1");
        ASSERT_EQ(resumed.status, 0) << resumed.output;

        // A kill after the last run leaves a finished session, and the second command begins a
        // new one: every session on record has each run measured once.
        const RecordedRuns record = ReadRecordFiles(folder + "/S.csv", folder + "/S.trials.csv");
        std::map<std::string, std::map<int, int>> measured;
        for (const RecordedRun& run : record.Runs) {
            EXPECT_FALSE(run.Incomplete) << run.RunId;
            if (run.Status == "measured" && !run.MarkedRepeated) {
                ++measured[run.Session][run.SessionRun];
                EXPECT_TRUE(run.LoggedTrials.has_value()) << "run " << run.RunId << " has no trial log";
            }
        }
        ASSERT_FALSE(measured.empty());
        for (const auto& [session, runs] : measured) {
            EXPECT_EQ(runs, (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}})) << "session " << session;
        }

        // Each block is the next run on record that wrote one, in order.
        const std::vector<ResultsBlock> blocks = ReadResultsBlocks(ReadWholeFile(folder + "/S.dat").Text);
        std::vector<const RecordedRun*> withBlocks;
        for (const RecordedRun& run : record.Runs) {
            withBlocks.push_back(&run);
        }
        ASSERT_EQ(blocks.size(), withBlocks.size());
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            ASSERT_EQ(blocks[i].Points.size(), withBlocks[i]->Points.size()) << "block " << i + 1;
            for (std::size_t p = 0; p < blocks[i].Points.size(); ++p) {
                EXPECT_EQ(blocks[i].Points[p].Freq, withBlocks[i]->Points[p].Freq);
                EXPECT_EQ(blocks[i].Points[p].SPL, withBlocks[i]->Points[p].SPL);
            }
        }
        if (HasFailure()) {
            return;
        }
    }
}
