#include "ScratchFolder.h"
#include "SimProcess.h"

#include "Csv.h"
#include "NumberFormat.h"
#include "Version.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

namespace {

void WriteIni(const std::filesystem::path& path, const std::string& condition)
{
    std::ofstream(path) << "[Settings]\nAttenuator=1\nMaskerDuration=300\nToneDuration=200\n"
                           "[Tests]\nN_Cond=1\nCalibFactor=100\n"
                           "[Cond1]\nToneF=1000\nStartF=700\nEndF=1300\nMaskerBW=100\nSPLstep=2\n"
                           "MaxSPL=90\nToneSPL=50\nMaskStartSPL=70\n"
                        << condition;
}

TEST(SimCommands, RunWritesTheResultsThatAnalyzeReadsBack)
{
    const ScratchFolder dir;
    WriteIni(dir.Path("PTC.INI"), "FStep=10\n");
    const Outcome run = Sim("run --seed 0 --expected --subject Rehearsal --results rehearsal --ear left");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("noise-free (seed 0)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("frequency\tlevel\texpected\tdifference"), std::string::npos);
    EXPECT_NE(run.output.find("elapsed (simulated): "), std::string::npos);
    EXPECT_NE(run.output.find("expected tip: 1000 Hz"), std::string::npos);
    const auto tip = run.output.find("\n  tip: ");
    ASSERT_NE(tip, std::string::npos);
    const std::string tipLine = run.output.substr(tip + 1, run.output.find('\n', tip + 1) - tip - 1);
    ASSERT_TRUE(std::filesystem::exists(dir.Path("rehearsal.dat")));
    ASSERT_TRUE(std::filesystem::exists(dir.Path("test.out")));

    const Outcome analyze = Sim("analyze rehearsal.dat");
    ASSERT_EQ(analyze.status, 0) << analyze.output;
    EXPECT_NE(analyze.output.find("subject: \"Rehearsal\"\n  ear: left\n  tone: 1000 Hz at 50 dB SPL"),
              std::string::npos)
        << analyze.output;
    EXPECT_NE(analyze.output.find(tipLine), std::string::npos) << tipLine << "\n" << analyze.output;

    EXPECT_TRUE(std::filesystem::exists(dir.Path("rehearsal.csv")));
    EXPECT_TRUE(std::filesystem::exists(dir.Path("rehearsal.trials.csv")));
    const Outcome csv = Sim("analyze --csv rehearsal.dat");
    ASSERT_EQ(csv.status, 0) << csv.output;
    std::string freq, hz, at, level;
    std::istringstream(tipLine.substr(tipLine.find(": ") + 2)) >> freq >> hz >> at >> level;
    // The first ten columns are those of earlier versions; the analysis's columns follow them.
    EXPECT_EQ(csv.output.rfind("block,subject,ear,ToneF,ToneSPL,points,tip_freq,tip_spl,Q10,reason,run,", 0), 0u)
        << csv.output;
    EXPECT_NE(csv.output.find("\n1,Rehearsal,left,1000,50,"), std::string::npos) << csv.output;
    // The table keeps every digit of the tip that the text states to 1 Hz and 0.1 dB.
    const auto row = ParseCsv(csv.output);
    ASSERT_GE(row.size(), 2u) << csv.output;
    EXPECT_EQ(FormatHz(std::stod(row[1][6])), freq) << tipLine << "\n" << csv.output;
    EXPECT_EQ(FormatDb(std::stod(row[1][7])), level) << tipLine << "\n" << csv.output;
}

// The "results:" line names the files the run wrote, and only those.
TEST(SimCommands, RunListsOnlyTheFilesItWrote)
{
    const ScratchFolder dir;
    WriteIni(dir.Path("PTC.INI"), "FStep=10\n");
    std::filesystem::create_directory(dir.Path("test.out"));
    std::filesystem::create_directory(dir.Path("r.csv"));
    const Outcome run = Sim("run --results r");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("results: r.dat, r.trials.csv (run "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("the log 'test.out': Is a directory"), std::string::npos) << run.output;
}

TEST(SimCommands, RunRefusesWhatItCannotDo)
{
    const ScratchFolder dir;
    const Outcome missing = Sim("run --ini nowhere.ini");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("quorvex-sim: cannot read 'nowhere.ini': No such file or directory"),
              std::string::npos)
        << missing.output;

    WriteIni(dir.Path("PTC.INI"), "FStep=0\n");
    const Outcome refused = Sim("run");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("The run cannot start: the frequency step FStep is 0 Hz"), std::string::npos)
        << refused.output;

    for (const auto& [arguments, problem] :
         {std::pair{"--noise 1e308", "--noise: '1e308' is beyond the range of the program's numbers"},
          {"--criterion=-1e39", "--criterion: '-1e39' is beyond the range"},
          {"--noise=-1", "--noise: '-1' is below 0"},
          {"--criterion inf", "--criterion: 'inf' is not a number"},
          {"--ini a --ini b", "--ini given 2 times; it takes one value"}}) {
        const Outcome usage = Sim(std::string("run ") + arguments, " 2>&1 >/dev/null");
        EXPECT_EQ(usage.status, 2) << arguments;
        EXPECT_EQ(usage.output.rfind(std::string("quorvex-sim run: ") + problem, 0), 0u) << usage.output;
    }
    EXPECT_EQ(Sim("run --ear middle").status, 2);
    EXPECT_EQ(Sim("run --noise -1").status, 2);
    EXPECT_EQ(Sim("analyze").status, 2);
    EXPECT_EQ(Sim("analyze nothing.dat").status, 1);
    const Outcome directory = Sim("analyze .");
    EXPECT_EQ(directory.status, 1);
    EXPECT_NE(directory.output.find("cannot read '.': Is a directory"), std::string::npos) << directory.output;
}

TEST(SimCommands, RunTakesTheEarAndDirectionInAnyCase)
{
    const ScratchFolder dir;
    WriteIni(dir.Path("PTC.INI"), "FStep=20\n");
    const Outcome run = Sim("run --ear LEFT --direction Down");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("listener: left ear, sweep down"), std::string::npos) << run.output;
}

// Each estimator is written with the decimals its spread can tell, the listener's value too.
TEST(SimCommands, ValidateWritesEachEstimatorWithItsDecimals)
{
    const ScratchFolder dir;
    const Outcome validate = Sim("validate --runs 2 --tones 1000", " 2>/dev/null");
    ASSERT_EQ(validate.status, 0);
    const std::string tenths = "-?[0-9]+\\.[0-9]";
    const std::string hundredths = tenths + "[0-9]";
    const std::string thousandths = hundredths + "[0-9]";
    for (const auto& [estimator, number] :
         {std::pair{"tip frequency, fitted parabola", tenths}, {"tip level, smoothed minimum", hundredths},
          {"Q10", thousandths}, {"high slope", tenths}}) {
        const std::string cell = number + " ± " + number;
        const std::regex row("\\| " + std::string(estimator) + " \\| " + number + " \\| " + cell + " \\| " + cell
                             + " \\| " + cell + " \\|\n");
        EXPECT_TRUE(std::regex_search(validate.output, row)) << estimator << "\n" << validate.output;
    }
}

// Whole sessions: a row of the threshold's bias and one of the findings per listener, and the
// files of the sessions left in no folder of the user's.
TEST(SimCommands, ValidateSessionsTablesTheThresholdAndTheFindingOfEachListener)
{
    const ScratchFolder dir;
    const Outcome validate = Sim("validate --sessions 1 --tones 1000 --sl 15", " 2>/dev/null");
    ASSERT_EQ(validate.status, 0);
    for (const char* row : {"\\| 1000 \\| normal \\| 1 \\| 30\\.0 \\| [0-9.]+ \\| -?[0-9.]+ \\| 0\\.00 \\|\n",
                            "\\| 1000 \\| normal \\| 1/1 \\(100\\.0 %\\) \\| 0/1 \\(0\\.0 %\\) \\| 0/1 \\(0\\.0 %\\) \\| "
                            "0/1 \\(0\\.0 %\\) \\| 0 \\|\n",
                            "\\| 1000 \\| dead region from 750 Hz \\| 0/1 \\(0\\.0 %\\) \\| 0/1 \\(0\\.0 %\\) \\| 1/1 "
                            "\\(100\\.0 %\\) \\| 0/1 \\(0\\.0 %\\) \\| 0 \\|\n",
                            "the tone at 15 dB above the threshold measured"}) {
        EXPECT_TRUE(std::regex_search(validate.output, std::regex(row))) << row << "\n" << validate.output;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << "the sessions' files stay in a temporary folder";
}

// The usage is the reference a user has: every option says what it is when not given, every
// command what it writes, and the manual page (which indents it by 8) fits 80 columns.
TEST(SimCommands, EveryOptionStatesItsDefaultAndEveryCommandTheFilesItWrites)
{
    for (const std::string command :
         {"conditions", "devices", "stimulus", "run", "analyze", "report", "validate", "attenuator", "calibration"}) {
        SCOPED_TRACE(command);
        const std::string help = Sim(command + " --help", " 2>/dev/null").output;
        std::istringstream lines(help);
        std::vector<std::string> entries;  // an option or positional with its continuation lines
        bool inList = false;
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 72u) << line;
            if (line == "Options:" || line == "Positionals:") {
                inList = true;
            } else if (line.empty()) {
                inList = false;
            } else if (inList && line.rfind("                        ", 0) == 0 && !entries.empty()) {
                entries.back() += " " + line;
            } else if (inList) {
                entries.push_back(line);
            }
        }
        for (const std::string& entry : entries) {
            if (entry.find("--help") == std::string::npos) {
                EXPECT_TRUE(entry.find("default") != std::string::npos || entry.find("REQUIRED") != std::string::npos)
                    << entry;
            }
        }
        EXPECT_TRUE(help.find("written") != std::string::npos || help.find("Writes") != std::string::npos
                    || help.find("writes no file") != std::string::npos)
            << help;
    }
}

// Names that would break a line of the results file are refused and nothing is written; a
// name in another encoding keeps the data files UTF-8; the report shows a file's control
// characters as U+FFFD instead of passing them to the terminal.
TEST(SimCommands, NamesThatWouldBreakAFileAreRefusedAndTheReportShowsWhatItReads)
{
    const ScratchFolder dir;
    WriteIni(dir.Path("PTC.INI"), "FStep=10\n");
    for (const auto& [arguments, reason] :
         {std::pair{"--subject \"$(printf 'x\\n1000\\t99')\"", "the subject name holds a line break"},
          {"--results \"$(printf 'a\\tb')\"", "the results name holds a tab"},
          {"--results ''", "the results name is empty"}}) {
        const Outcome refused = Sim(std::string("run ") + arguments);
        EXPECT_EQ(refused.status, 1) << arguments;
        EXPECT_NE(refused.output.find(reason), std::string::npos) << refused.output;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path("default.dat")) || std::filesystem::exists(dir.Path(".dat"))
                 || std::filesystem::exists(dir.Path("test.out")));

    ASSERT_EQ(Sim("run --results latin --subject \"$(printf 'M\\374ller')\"").status, 0);
    std::ifstream record(dir.Path("latin.csv"), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(record), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find(",M\xEF\xBF\xBDller,"), std::string::npos) << text.substr(0, 600);

    std::ofstream(dir.Path("odd.dat"), std::ios::binary) << ";---\r\n; Subject = \tA\x1b[2J\r\n\x07\r\n1000\t50\r\n";
    const Outcome report = Sim("analyze odd.dat");
    EXPECT_NE(report.output.find("subject: \"A\xEF\xBF\xBD[2J\""), std::string::npos) << report.output;
    EXPECT_EQ(report.output.find_first_of("\x1b\x07"), std::string::npos) << report.output;
}

TEST(SimCommands, EveryCommandPrintsItsUsageOnRequestAndRefusesUnknownOptions)
{
    const std::string standardOutput = " 2>/dev/null";
    const std::string standardError = " 2>&1 >/dev/null";
    for (const std::string command :
         {"conditions", "devices", "stimulus", "run", "analyze", "attenuator", "calibration", "help"}) {
        const std::string usage = "Usage: quorvex-sim " + command + " ";
        const Outcome help = Sim(command + " --help", standardOutput);
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.output.find(usage), std::string::npos) << help.output;
        EXPECT_EQ(Sim(command + " -h", standardOutput).output, help.output);
        EXPECT_EQ(Sim("help " + command, standardOutput).output, help.output);

        const Outcome unknown = Sim(command + " --bogus", standardError);
        EXPECT_EQ(unknown.status, 2) << command;
        EXPECT_NE(unknown.output.find("quorvex-sim " + command + ": unrecognized option '--bogus'"), std::string::npos)
            << unknown.output;
        EXPECT_NE(unknown.output.find(usage), std::string::npos) << unknown.output;
    }
    const Outcome version = Sim("--version", standardOutput);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, std::string("quorvex-sim ") + QuorvexVersion + "\n");
    const Outcome tool = Sim("help", standardOutput);
    EXPECT_EQ(tool.status, 0);
    EXPECT_NE(tool.output.find("Usage: quorvex-sim [OPTIONS] COMMAND"), std::string::npos) << tool.output;
    EXPECT_EQ(Sim("--help", standardOutput).output, tool.output);
    const Outcome full = Sim("--help", " 2>&1 >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.output, "quorvex-sim: write error: No space left on device\n");

    for (const std::string wrong : {"", "nosuch", "help nosuch"}) {
        const Outcome refused = Sim(wrong, standardError);
        EXPECT_EQ(refused.status, 2) << wrong;
        EXPECT_NE(refused.output.find("Usage: quorvex-sim [OPTIONS] COMMAND"), std::string::npos) << refused.output;
    }
    EXPECT_NE(Sim("nosuch").output.find("quorvex-sim: unknown command 'nosuch'"), std::string::npos);
}

TEST(SimCommands, AFileThatCannotBeReadIsNamedWithTheReason)
{
    const ScratchFolder dir;
    std::filesystem::create_directory(dir.Path("adir"));
    for (const char* command : {"conditions adir", "run --ini adir", "stimulus tone --ini adir --out t.wav",
                                "analyze adir"}) {
        const Outcome refused = Sim(command);
        EXPECT_EQ(refused.status, 1) << command;
        EXPECT_EQ(refused.output, "quorvex-sim: cannot read 'adir': Is a directory\n") << command;
    }
}

}  // namespace

// A device or a file far larger than any test-condition or results file is refused with the
// reason and the limit before memory runs out; a pipe is read as a file.
TEST(SimCommands, ReadsNoDeviceAndNoFileBeyondTheLimit)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("big.dat")) << "1000\t50\n";
    std::filesystem::resize_file(dir.Path("big.dat"), std::uintmax_t{17} << 20);
#if defined(__SANITIZE_ADDRESS__)
    const std::string memory;
#else
    const std::string memory = "ulimit -v 1000000; ";  // a failure ends here, not in the machine's swap
#endif
    for (const auto& [command, reason] :
         {std::pair{"conditions /dev/zero", "cannot read '/dev/zero': it is a device, not a file"},
          {"analyze /dev/zero", "cannot read '/dev/zero': it is a device, not a file"},
          {"analyze big.dat", "cannot read 'big.dat': it holds more than 16 MiB, the most Quorvex reads of a file"},
          {"conditions big.dat", "it holds more than 16 MiB"}}) {
        const Outcome refused = Sim(command, " 2>&1 >/dev/null", memory);
        EXPECT_EQ(refused.status, 1) << command << "\n" << refused.output;
        EXPECT_NE(refused.output.find(reason), std::string::npos) << refused.output;
    }
    WriteIni(dir.Path("PTC.INI"), "FStep=10\n");
    const Outcome piped = Sim("conditions /dev/stdin < PTC.INI");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_NE(piped.output.find("FreqPointCount"), std::string::npos) << piped.output;
}

// Output larger than any buffer that cannot be written is reported with the reason of the write
// that failed, also when an earlier write failed already.
TEST(SimCommands, AWriteErrorNamesTheReasonOfTheFailedWrite)
{
    const ScratchFolder dir;
    {
        std::ofstream many(dir.Path("many.dat"));
        for (int block = 0; block < 3000; ++block) {
            many << ";----\n; Subject = \tS" << block << "\n1000\t50\n";
        }
    }
    const Outcome full = Sim("analyze many.dat", " 2>&1 >/dev/full");
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.output, "quorvex-sim: write error: No space left on device\n");

    const Outcome pipe = Sim("analyze many.dat 2>err.txt | head -c 1 >/dev/null; cat err.txt", "", "trap '' PIPE; ");
    EXPECT_EQ(pipe.output, "quorvex-sim: write error: Broken pipe\n");
}

TEST(SimCommands, ConditionsPrintsWhatParametersLoads)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("PTC.INI")) << "[Settings]\nISI=250.5\nThresholdStep=1\n[Tests]\nN_Cond=2\nCalibFactor=$5A\n"
                                          "[Cond2]\nMaskerBW=0.1\nFStep=0.1\nToneSL=12.5\n"
                                          "[Session]\nConditions=2\nThresholds=first\nRepeats=2\nPractice=1\n";
    const Outcome printed = Sim("conditions", " 2>/dev/null");
    ASSERT_EQ(printed.status, 0) << printed.output;
    EXPECT_EQ(printed.output,
              "Attenuator=1\nDebug=0\nToneDuration=400\nMaskerDuration=600\nModulated=0\nModFreq=20\n"
              "ISI=20   (default used: the file's value is unreadable)\n"
              "RiseFall=20\nThresholdStartSPL=40\nThresholdStep=1\nThresholdReversals=8\nThresholdTimeLimit=300\n"
              "N_Cond=2\nCalibFactor=90\n"
              "[Cond1]\nToneF=1000\nStartF=500\nEndF=2000\nFStep=10\nMaskerBW=200\nSPLstep=3\nMaxSPL=80\n"
              "ToneSPL=30\nMaskStartSPL=40\nFreqPointCount=151\n"
              "[Cond2]\nToneF=1000\nStartF=500\nEndF=2000\nFStep=0.100000001490116\nMaskerBW=0.100000001490116\n"
              "SPLstep=3\nMaxSPL=80\nToneSL=12.5\nMaskStartSPL=40\nFreqPointCount=15000\n"
              "[Session]\nRun1=threshold,2,right\nRun2=2,right,up\nRun3=2,right,up\nPractice=1\nOrder=listed\n"
              "RestEvery=0\n");
}

TEST(SimCommands, ConditionsRefusesAnImpossibleConditionCount)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("many.ini")) << "[Tests]\nN_Cond=20000\n";
    const Outcome refused = Sim("conditions many.ini");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("N_Cond=20000"), std::string::npos) << refused.output;
}

TEST(SimCommands, ConditionsListsUnreadableValuesAndRefusesAFileItCannotRead)
{
    const ScratchFolder dir;
    std::ofstream(dir.Path("typo.ini")) << "[Cond1]\nToneF=1000,5\nStartF=5OO\nEndF=\n";
    const Outcome listed = Sim("conditions typo.ini", " 2>&1 >/dev/null");
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, "quorvex-sim: typo.ini: [Cond1] ToneF = 1000,5 -> default used\n"
                             "quorvex-sim: typo.ini: [Cond1] StartF = 5OO -> default used\n");
    const Outcome marked = Sim("conditions typo.ini", " 2>/dev/null");
    EXPECT_NE(marked.output.find("\nStartF=500   (default used: the file's value is unreadable)\nEndF=2000\n"),
              std::string::npos)
        << marked.output;

    WriteIni(dir.Path("clean.ini"), "FStep=10\n");
    EXPECT_EQ(Sim("conditions clean.ini", " 2>&1 >/dev/null").output, "");

    const Outcome missing = Sim("conditions nosuch.ini");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "quorvex-sim: cannot read 'nosuch.ini': No such file or directory\n");
}
