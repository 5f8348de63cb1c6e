// quorvex-sim calibration list|show|history|export|import, and run and session measuring with a
// profile: a store written by hand as a lab would read it, moved by the option and the variable.
#include "ScopedCalibrationStore.h"
#include "ScratchFolder.h"
#include "SimProcess.h"

#include "Csv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const std::string Header =
    "time,operator,profile,event,ear,frequency_hz,reference_db_spl,reading_db_spl,correction_db,interval_days,note\n";

// A profile's history as Quorvex writes it: made long ago, calibrated at two frequencies.
const std::string BoothA = Header
                           + "2025-01-06T09:00:00+01:00,Anna,\"Booth A: RME, HDA 200\",created,,,,,,365,\n"
                             "2025-01-06T09:10:00+01:00,Anna,\"Booth A: RME, HDA 200\",reading,left,1000,100,101.5,1.5,,\n"
                             "2025-01-06T09:12:00+01:00,Anna,\"Booth A: RME, HDA 200\",reading,right,1000,100,99,-1,,\n"
                             "2025-01-06T09:15:00+01:00,Anna,\"Booth A: RME, HDA 200\",reading,left,2000,100,98,-2,,\n";

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(CalibrationCommand, ListsShowsAndExportsAProfileAndImportsItElsewhere)
{
    const ScratchFolder dir;
    const ScopedCalibrationStore scoped;  // the variable: where the commands look unless told
    WriteFile(std::filesystem::path(scoped.Folder()) / "booth-a-rme-hda-200.csv", BoothA);

    const Outcome list = Sim("calibration list", " 2>&1");
    ASSERT_EQ(list.status, 0) << list.output;
    const auto rows = ParseCsv(list.output);
    ASSERT_EQ(rows.size(), 2u) << list.output;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"profile", "last_calibrated", "age_days", "interval_days", "overdue",
                                                 "checked_today", "last_check", "left_points", "right_points", "file"}));
    EXPECT_EQ(rows[1][0], "Booth A: RME, HDA 200");
    EXPECT_EQ(rows[1][1], "2025-01-06T09:15:00+01:00");
    EXPECT_EQ(rows[1][4], "1") << "calibrated more than 365 days ago";
    EXPECT_EQ(rows[1][5], "0");
    EXPECT_EQ(rows[1][7], "2");
    EXPECT_EQ(rows[1][8], "1");

    const Outcome show = Sim("calibration show 'Booth A: RME, HDA 200'", " 2>&1");
    ASSERT_EQ(show.status, 0) << show.output;
    EXPECT_NE(show.output.find("standing: calibration overdue: last 2025-01-06"), std::string::npos) << show.output;
    EXPECT_NE(show.output.find("response: 3 points\n  ear\tfrequency\tcorrection\treading\treference\tcalibrated\t"
                               "operator\n  left\t1000\t1.5\t101.5\t100\t2025-01-06T09:10:00+01:00\tAnna\n"),
              std::string::npos)
        << show.output;
    EXPECT_EQ(Sim("calibration history 'Booth A: RME, HDA 200'", " 2>&1").output, BoothA);

    // Exported to one file, imported on another PC's store (moved by the option there).
    ASSERT_EQ(Sim("calibration export 'Booth A: RME, HDA 200' -o booth.csv").status, 0);
    EXPECT_EQ(ReadFile(dir.Path("booth.csv")), BoothA);
    const Outcome imported = Sim("calibration import booth.csv --operator Carl --calibration-store other-pc");
    ASSERT_EQ(imported.status, 0) << imported.output;
    EXPECT_EQ(imported.output.rfind("imported: Booth A: RME, HDA 200 (3 points; calibration overdue", 0), 0u)
        << imported.output;
    const std::string copy = ReadFile(dir.Path("other-pc/booth-a-rme-hda-200.csv"));
    EXPECT_EQ(copy.rfind(BoothA, 0), 0u);
    EXPECT_NE(copy.find(",Carl,\"Booth A: RME, HDA 200\",imported,,,,,,,from booth.csv\n"), std::string::npos) << copy;

    // A second import of the same profile, a damaged file, and an export to a full disk are
    // refused with the reason.
    const Outcome again = Sim("calibration import booth.csv --calibration-store other-pc", " 2>&1");
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("already has a profile named \"Booth A: RME, HDA 200\""), std::string::npos)
        << again.output;
    WriteFile(dir.Path("damaged.csv"), BoothA.substr(0, BoothA.size() - 20));
    const Outcome damaged = Sim("calibration import damaged.csv --calibration-store third-pc", " 2>&1");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.output.find("damaged.csv is not a calibration profile Quorvex can read: line 5: "),
              std::string::npos)
        << damaged.output;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("third-pc/booth-a-rme-hda-200.csv")));
    const Outcome full = Sim("calibration export 'Booth A: RME, HDA 200' -o /dev/full", " 2>&1");
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("cannot write '/dev/full'"), std::string::npos) << full.output;
}

TEST(CalibrationCommand, UnknownProfilesAndWrongCommandLinesAreRefused)
{
    const ScratchFolder dir;
    const ScopedCalibrationStore scoped;
    WriteFile(std::filesystem::path(scoped.Folder()) / "booth-a-rme-hda-200.csv", BoothA);
    const Outcome unknown = Sim("calibration show 'Booth B'", " 2>&1");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.output, "quorvex-sim calibration: There is no calibration profile \"Booth B\" in the calibration "
                              "store " + scoped.Folder() + "; its profiles are \"Booth A: RME, HDA 200\".\n");
    for (const std::string wrong : {"calibration", "calibration show", "calibration export X", "calibration list --bogus",
                                    "calibration import"}) {
        EXPECT_EQ(Sim(wrong, " 2>/dev/null").status, 2) << wrong;
    }
    const Outcome help = Sim("calibration --help", " 2>/dev/null");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: quorvex-sim calibration"), std::string::npos) << help.output;

    // A file in the store that is not a history is named, and the rest still listed.
    WriteFile(std::filesystem::path(scoped.Folder()) / "notes.csv", "hello\n");
    const Outcome list = Sim("calibration list", " 2>&1");
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.output.find("Booth A: RME, HDA 200"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("notes.csv: line 1 is not the header of a calibration history"), std::string::npos)
        << list.output;
}

// run and session measure with the profile given, or the one the file names; an unknown one is
// refused before anything is written.
TEST(CalibrationCommand, RunAndSessionMeasureWithTheProfileAsTheSetUpWindowChoosesIt)
{
    const ScratchFolder dir;
    const ScopedCalibrationStore scoped;
    WriteFile(std::filesystem::path(scoped.Folder()) / "booth-a-rme-hda-200.csv", BoothA);
    const std::string ini = "[Settings]\nMaskerDuration=300\nToneDuration=200\n[Tests]\nN_Cond=1\n"
                            "[Cond1]\nToneF=1000\nStartF=800\nEndF=1200\nFStep=40\nMaskerBW=100\nSPLstep=2\n"
                            "MaxSPL=90\nToneSPL=50\nMaskStartSPL=70\n[Session]\nConditions=1\nEars=left\n";
    WriteFile(dir.Path("PTC.INI"), ini);

    const Outcome unknown = Sim("run --calibration 'Booth B'", " 2>&1");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.output.find("quorvex-sim run: There is no calibration profile \"Booth B\""), std::string::npos)
        << unknown.output;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("default.dat")));

    const Outcome run = Sim("run --seed 0 --calibration 'Booth A: RME, HDA 200'", " 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("calibration: Booth A: RME, HDA 200 (last calibrated 2025-01-06T09:15:00+01:00, "
                              "overdue, no listening check today)\n"),
              std::string::npos)
        << run.output;
    const Outcome plain = Sim("run --seed 0 --results plain", " 2>&1");
    EXPECT_EQ(plain.output.find("calibration:"), std::string::npos) << "no profile: said nothing of it";

    WriteFile(dir.Path("named.ini"), "[Settings]\nCalibrationProfile=Booth B\n" + ini.substr(11));
    EXPECT_EQ(Sim("session --ini named.ini --results s", " 2>&1").status, 1);
    WriteFile(dir.Path("named.ini"), "[Settings]\nCalibrationProfile=Booth A: RME, HDA 200\n" + ini.substr(11));
    const Outcome session = Sim("session --ini named.ini --results s --seed 0", " 2>&1");
    EXPECT_EQ(session.status, 0) << session.output;
    EXPECT_NE(session.output.find("calibration: Booth A: RME, HDA 200 ("), std::string::npos) << session.output;
}

}  // namespace
