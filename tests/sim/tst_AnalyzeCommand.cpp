#include "Csv.h"
#include "ScratchFolder.h"
#include "SimProcess.h"
#include "FileText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::string>> TabbedLines(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        auto& fields = lines.emplace_back();
        std::istringstream cells(line);
        std::string cell;
        while (std::getline(cells, cell, '\t')) {
            fields.push_back(cell);
        }
    }
    return lines;
}

// An upward and a downward run of one condition and ear, analysed as a lab would: the text,
// and the table read by pandas and joined with the session record and the trial log.
TEST(AnalyzeCommand, CombinesAnUpwardAndADownwardRunIntoATableThatJoinsTheRecord)
{
    const ScratchFolder dir;
    std::ofstream("PTC.INI") << "[Settings]\nAttenuator=1\n[Tests]\nN_Cond=1\nCalibFactor=100\n"
                                "[Cond1]\nToneF=1000\nStartF=600\nEndF=1600\nFStep=10\nMaskerBW=100\nSPLstep=2\n"
                                "MaxSPL=95\nToneSPL=40\nMaskStartSPL=60\n";
    ASSERT_EQ(Sim("run --seed 3 --results S01 --subject Ann --direction up").status, 0);
    ASSERT_EQ(Sim("run --seed 4 --results S01 --subject Ann --direction down").status, 0);

    const Outcome text = Sim("analyze S01.dat");
    ASSERT_EQ(text.status, 0) << text.output;
    EXPECT_EQ(text.output.rfind("block 1 (line 1)\n  subject: \"Ann\"\n", 0), 0u) << text.output;
    for (const char* line : {"\n  fitted tip: ", "\n  low slope: -", "\n  high slope: ", "\ncombined: \"Ann\", condition 1, right ear, 1000 Hz\n",
                             "\nanalysis: fitted tip over +-0.2 octave"}) {
        EXPECT_NE(text.output.find(line), std::string::npos) << line << "\n" << text.output;
    }
    EXPECT_EQ(text.output.find("tip difference"), std::string::npos)
        << "an upward and a downward run differ by the track's lag: no test-retest figure";
    const Outcome typo = Sim("analyze --runs typo S01.dat", " 2>&1 >/dev/null");
    EXPECT_EQ(typo.status, 1);
    EXPECT_EQ(typo.output, "quorvex-sim: run 'typo' is not in the session record 'S01.csv'\n");

    ASSERT_EQ(Sim("analyze --csv S01.dat >table.csv").status, 0);
    const Outcome joined = Shell(std::string(PYTHON3) + " " + SCRIPTS + "/analysis_pandas.py table.csv S01 2>&1");
    ASSERT_EQ(joined.status, 0) << joined.output;
    const auto rows = TabbedLines(joined.output);
    ASSERT_EQ(rows.size(), 3u) << joined.output;
    EXPECT_EQ(rows[0][0], "up");
    EXPECT_EQ(rows[1][0], "down");
    EXPECT_EQ(rows[2][0], "combined");
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NE(rows[i][1], "-");
        EXPECT_GT(std::stoi(rows[i][2]), 0) << "the record has no row of run " << rows[i][1];
        EXPECT_GT(std::stoi(rows[i][3]), 0) << "the trial log has no row of run " << rows[i][1];
    }
    EXPECT_EQ(std::stoi(rows[2][2]), std::stoi(rows[0][2]) + std::stoi(rows[1][2]));
    EXPECT_NEAR(std::stod(rows[2][4]), 1000.0, 50.0);

    // One run alone has no combined curve; a session the record does not have is refused.
    const Outcome one = Sim("analyze --runs " + rows[0][1] + " S01.dat");
    EXPECT_EQ(one.output.find("combined:"), std::string::npos) << one.output;
    EXPECT_EQ(one.output.find("block 2"), std::string::npos) << one.output;
    EXPECT_EQ(Sim("analyze --session x S01.dat").status, 1);
    EXPECT_EQ(Sim("analyze --fit-window 0 S01.dat").status, 2);

    // The first page a clinic files: the listener details given on the command line, each run
    // named by condition, ear, sweep, time and status.
    const Outcome written =
        Sim("report S01.dat -o first.pdf --subject-id P-0042 --birth-date 1961-04-23 --examiner 'Dr. B. Ortiz'", " 2>/dev/null");
    ASSERT_EQ(written.status, 0) << written.output;
    EXPECT_EQ(written.output, "quorvex-sim report: wrote the report of Ann (2 runs, 1 condition) to first.pdf\n");
    const Outcome first = Shell("pdftotext -layout -f 1 -l 1 first.pdf -");
    ASSERT_EQ(first.status, 0) << first.output;
    const std::regex expectedLines[] = {
        std::regex("Listener: Ann\n"), std::regex("Listener ID: P-0042 +Date of birth: 1961-04-23 +Examiner: Dr. B. Ortiz"),
        std::regex("Levels set in software: a digital gain against the calibration level"),
        // Each tip beside its own shift, to 1 Hz and 0.1 %; Q10 to 0.01.
        std::regex("\n1 +right +1000 +2 +\\d+ +-?\\d+\\.\\d +\\d+ +-?\\d+\\.\\d +\\d+\\.\\d\\d "),
        std::regex("\n1 +right +upward +\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d +measured \\(virtual listener\\) +counted\n"),
        std::regex("\n1 +right +downward +[-0-9]+ [:0-9]+ +measured \\(virtual listener\\) +counted\n"),
        std::regex("Comments"), std::regex("Examiner's signature +Date")};
    for (const std::regex& expected : expectedLines) {
        EXPECT_TRUE(std::regex_search(first.output, expected)) << first.output;
    }
    const Outcome badDate = Sim("report S01.dat --birth-date 1961-02-30", " 2>&1 >/dev/null");
    EXPECT_EQ(badDate.status, 2);
    EXPECT_EQ(badDate.output, "quorvex-sim report: the birth date 1961-02-30 is not a day of the calendar\n");

    // The report on both paper sizes: its text, and every page's size.
    for (const std::string paper : {"a4", "letter"}) {
        ASSERT_EQ(Sim("report S01.dat -o " + paper + ".pdf --paper " + paper).status, 0);
        const Outcome pdf = Shell("pdftotext -layout " + paper + ".pdf - && pdfinfo " + paper + ".pdf");
        ASSERT_EQ(pdf.status, 0) << pdf.output;
        for (const std::string& expected : std::vector<std::string>{"Listener: Ann", "program version ", "sound device: virtual listener",
                                           "Condition 1, right ear: tone 1000 Hz at 40 dB SPL", "Run " + rows[0][1],
                                           "Combined curve of 2 runs", "Fitted tip: ", "High slope: ",
                                           "between runs (test-retest)", paper == "a4" ? "(A4)" : "(letter)"}) {
            EXPECT_NE(pdf.output.find(expected), std::string::npos) << expected << "\n" << pdf.output;
        }
        const auto pages = pdf.output.find("Pages:");
        ASSERT_NE(pages, std::string::npos);
        EXPECT_EQ(std::stoi(pdf.output.substr(pages + 6)), 2) << "a first page and one for the condition and ear";
    }
    EXPECT_EQ(Sim("report S01.dat -o /dev/full/x.pdf").status, 1);
    EXPECT_EQ(Sim("report nothing.dat").status, 1);
    EXPECT_EQ(Sim("report S01.dat --paper a5").status, 2);
}

}  // namespace

namespace {

// The value of column `name` in each data row of a CSV text.
std::vector<std::string> Column(const std::string& text, const std::string& name)
{
    const auto rows = ParseCsv(text);
    std::vector<std::string> values;
    const auto at = std::find(rows.at(0).begin(), rows.at(0).end(), name);
    for (std::size_t r = 1; r < rows.size() && at != rows[0].end(); ++r) {
        values.push_back(rows[r].at(static_cast<std::size_t>(at - rows[0].begin())));
    }
    return values;
}

}  // namespace

// A listener with a dead region from 750 Hz hears a 1000-Hz tone through the filter at the
// edge: its tip moves there, and analyze's table and the report's first page say so; a
// listener without one is judged normal and is still listener model 2.
TEST(AnalyzeCommand, ADeadRegionMovesTheTipAndTheFindingSaysSo)
{
    const ScratchFolder dir;
    std::ofstream("PTC.INI") << "[Settings]\nAttenuator=1\n[Tests]\nN_Cond=1\nCalibFactor=100\n"
                                "[Cond1]\nToneF=1000\nStartF=600\nEndF=1600\nFStep=10\nMaskerBW=100\nSPLstep=2\n"
                                "MaxSPL=95\nToneSPL=40\nMaskStartSPL=60\n";
    ASSERT_EQ(Sim("run --seed 3 --results N").status, 0);
    ASSERT_EQ(Sim("run --seed 3 --results D --right-audiogram 1000:30 --right-dead-region 750-20000").status, 0);
    EXPECT_EQ(Column(FileText("N.csv"), "listener_model").front(), "2");
    EXPECT_EQ(Column(FileText("D.csv"), "listener_model").front(), "3");

    const Outcome normal = Sim("analyze --csv N.dat", " 2>/dev/null");
    EXPECT_EQ(Column(normal.output, "finding"), std::vector<std::string>{"normal"}) << normal.output;
    EXPECT_EQ(Column(normal.output, "finding_tip"), std::vector<std::string>{"fitted"});
    const Outcome dead = Sim("analyze --csv D.dat", " 2>/dev/null");
    EXPECT_EQ(Column(dead.output, "finding"), std::vector<std::string>{"off-frequency"}) << dead.output;
    EXPECT_LT(std::stod(Column(dead.output, "finding_shift_pct").at(0)), -20.0);
    EXPECT_NEAR(std::stod(Column(dead.output, "fit_tip_freq").at(0)), 750.0, 40.0);
    EXPECT_EQ(Column(dead.output, "normal_low_pct"), std::vector<std::string>{"-3"});
    EXPECT_EQ(Column(dead.output, "fit_shift_marked"), std::vector<std::string>{"1"});

    // The shift is marked from the condition's own criterion, as the finding judges it.
    std::ofstream("WIDE.INI") << FileText("PTC.INI") << "[Settings]\nOffFrequencyShift=30\n";
    ASSERT_EQ(Sim("run --ini WIDE.INI --seed 3 --results W --right-audiogram 1000:30 --right-dead-region 750-20000").status, 0);
    const Outcome wide = Sim("analyze --csv W.dat", " 2>/dev/null");
    EXPECT_EQ(Column(wide.output, "finding"), std::vector<std::string>{"outside range"}) << wide.output;
    EXPECT_EQ(Column(wide.output, "fit_shift_marked"), std::vector<std::string>{"0"});
    EXPECT_EQ(Column(wide.output, "tip_shift_marked"), std::vector<std::string>{"0"});
    EXPECT_EQ(Sim("analyze W.dat").output.find("off-frequency: "), std::string::npos);

    ASSERT_EQ(Sim("report D.dat -o D.pdf", " 2>/dev/null").status, 0);
    Outcome first = Shell("pdftotext -f 1 -l 1 D.pdf - | tr -s ' \\n' '  '");
    ASSERT_EQ(first.status, 0) << first.output;
    for (const char* expected :
         {"Psychophysical tuning curves Finding Condition 1, right ear, tone 1000 Hz at 40 dB SPL: tip shifted: "
          "o\xEF\xAC\x80-frequency listening likely (dead region at ToneF possible) (shift -",
          "From the run upward ", "Criterion: normal tip within -3.0 % to 10.0 % of ToneF for upward curves (Myers & "
                                  "Malicka 2014); o\xEF\xAC\x80-frequency from a shift of 20.0 %"}) {
        EXPECT_NE(first.output.find(expected), std::string::npos) << expected << "\n" << first.output;
    }
}

// A clinical session: the report's first page lists the threshold run and states the tone's
// level in dB SPL and dB SL with the threshold it rests on.
TEST(AnalyzeCommand, TheReportListsTheThresholdRunAndTheToneLevelItGave)
{
    const ScratchFolder dir;
    std::ofstream("PTC.INI") << "[Settings]\nAttenuator=1\n[Tests]\nN_Cond=1\nCalibFactor=100\n"
                                "[Cond1]\nToneF=1000\nStartF=600\nEndF=1600\nFStep=10\nMaskerBW=100\nSPLstep=2\n"
                                "MaxSPL=95\nToneSL=10\nMaskStartSPL=60\n"
                                "[Session]\nDirections=up,down\nThresholds=first\n";
    ASSERT_EQ(Sim("session --seed 2 --subject Ann --right-audiogram 1000:30", " 2>/dev/null").status, 0);
    const std::vector<std::string> thresholds = Column(FileText("default.csv"), "threshold");
    const auto measuredThreshold = std::find_if(thresholds.begin(), thresholds.end(),
                                                [](const std::string& value) { return !value.empty(); });
    ASSERT_NE(measuredThreshold, thresholds.end());
    const double threshold = std::stod(*measuredThreshold);
    char level[64];
    std::snprintf(level, sizeof level, "%.1f", threshold);
    char played[64];
    std::snprintf(played, sizeof played, "%g", std::round((threshold + 10.0) * 10.0) / 10.0);

    ASSERT_EQ(Sim("report default.dat -o first.pdf", " 2>/dev/null").status, 0);
    const Outcome first = Shell("pdftotext -layout -f 1 -l 1 first.pdf -");
    const Outcome flowing = Shell("pdftotext -f 1 -l 1 first.pdf - | tr -s ' \\n' '  '");
    ASSERT_EQ(first.status, 0) << first.output;
    const std::string measured = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d";
    EXPECT_TRUE(std::regex_search(flowing.output,
                                  std::regex("tone 1000 Hz at " + std::string(played) + " dB SPL, 10 dB SL \\(threshold "
                                             + level + " dB SPL, measured " + measured + "\\): tip within")))
        << flowing.output;
    EXPECT_TRUE(std::regex_search(first.output, std::regex("\nright +1000 +" + std::string(level) + " ± \\d+\\.\\d +8 +"
                                                           + measured + " +measured \\(virtual listener\\) +none\n")))
        << first.output;
    EXPECT_FALSE(std::regex_search(first.output, std::regex("no points"))) << "a threshold run is no curve";
}

// A block without a subject's name and with one point: analyze says so and why it has no tip.
TEST(AnalyzeCommand, DescribesABlockWithoutASubjectAndWithTooFewPoints)
{
    const ScratchFolder dir;
    std::ofstream("few.dat", std::ios::binary) << ";---\r\n; Subject = \t\r\n; Ear = right\r\n"
                                                  "; Tone Frequency = \t4000\r\n; Tone SPL = \t35.5\r\n"
                                                  "3800\t-10\r\n;---\r\n";
    const Outcome text = Sim("analyze few.dat", " 2>/dev/null");
    EXPECT_NE(text.output.find("subject: \"\""), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("tone: 4000 Hz at 35.5 dB SPL"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("points: 1"), std::string::npos) << text.output;
    EXPECT_NE(text.output.find("tip: cannot be computed: too few points"), std::string::npos) << text.output;
}
