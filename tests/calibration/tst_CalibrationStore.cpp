// The calibration store: a typed reading's correction and its history, refusals, an unknown
// profile, export and import, the standing of a profile on a day, two programs saving at once,
// and a store that cannot be written.
#include "CalibrationFrequencies.h"
#include "CalibrationReading.h"
#include "CalibrationStore.h"
#include "ScopedCalibrationStore.h"
#include "WholeFile.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace {

const QDateTime Monday(QDate(2026, 12, 7), QTime(9, 30));

CalibrationEntry Reading(const CalibrationProfile& profile, EarSide ear, float hz, const std::string& typed,
                         const QDateTime& when = Monday)
{
    const Result<CalibrationEntry> entry = MakeReadingEntry(profile.Name, "Anna", ear, hz, 100.0f, typed, '.', when);
    EXPECT_TRUE(entry) << entry.Reason();
    return entry ? entry.Value() : CalibrationEntry{};
}

std::string FileText(const std::string& path)
{
    return ReadWholeFile(path).Text;
}

class CalibrationStoreTest : public testing::Test {
protected:
    const ScopedCalibrationStore scoped;
    CalibrationStore store;

    CalibrationProfile Make(const std::string& name, int interval = DefaultCalibrationIntervalDays)
    {
        Result<CalibrationProfile> made = store.Create(name, "Anna", interval, Monday);
        EXPECT_TRUE(made) << made.Reason();
        return made ? made.Value() : CalibrationProfile{};
    }
};

TEST_F(CalibrationStoreTest, TheStoreIsWhereTheEnvironmentPutsIt)
{
    EXPECT_EQ(store.Folder(), scoped.Folder());
    EXPECT_EQ(CalibrationStoreFolder(), scoped.Folder());
    ::unsetenv(CalibrationStoreVariable);
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(CalibrationStoreFolder(), "/data/home/quorvex/calibration");
    ::setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    EXPECT_EQ(CalibrationStoreFolder(), std::string(::getenv("HOME")) + "/.local/share/quorvex/calibration");
    MoveCalibrationStore(scoped.Folder());
    EXPECT_EQ(CalibrationStoreFolder(), scoped.Folder());
    // Reading an absent store makes nothing.
    EXPECT_TRUE(store.List().Profiles.empty());
    EXPECT_FALSE(std::filesystem::exists(scoped.Folder()));
}

TEST_F(CalibrationStoreTest, ATypedReadingGivesTheCorrectionAndTheHistoryRecordsIt)
{
    const CalibrationProfile booth = Make("Booth A: RME card, HDA 200");
    EXPECT_EQ(std::filesystem::path(booth.File).filename(), "booth-a-rme-card-hda-200.csv");
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 1000.0f, "101.5")));
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Right, 1000.0f, "100")));  // adjusted to target
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 2000.0f, " 97.25 ")));

    const Result<CalibrationProfile> loaded = store.Load("Booth A: RME card, HDA 200");
    ASSERT_TRUE(loaded) << loaded.Reason();
    const HeadphoneResponse& response = loaded.Value().Response;
    EXPECT_EQ(response.CorrectionDb(EarSide::Left, 1000.0f), 1.5f);
    EXPECT_EQ(response.CorrectionDb(EarSide::Right, 1000.0f), 0.0f);
    EXPECT_EQ(response.CorrectionDb(EarSide::Left, 2000.0f), -2.75f);
    EXPECT_EQ(loaded.Value().IntervalDays, 365);

    // The history is text a person reads: every field of every change, the profile's name quoted.
    const std::string history = FileText(booth.File);
    EXPECT_EQ(history,
              "time,operator,profile,event,ear,frequency_hz,reference_db_spl,reading_db_spl,correction_db,"
              "interval_days,note\n"
              + CalibrationTime(Monday) + ",Anna,\"Booth A: RME card, HDA 200\",created,,,,,,365,\n"
              + CalibrationTime(Monday) + ",Anna,\"Booth A: RME card, HDA 200\",reading,left,1000,100,101.5,1.5,,\n"
              + CalibrationTime(Monday) + ",Anna,\"Booth A: RME card, HDA 200\",reading,right,1000,100,100,0,,\n"
              + CalibrationTime(Monday) + ",Anna,\"Booth A: RME card, HDA 200\",reading,left,2000,100,97.25,-2.75,,\n");

    // A later reading at the same ear and frequency replaces the point, and the history keeps both.
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 1000.0f, "102", Monday.addDays(1))));
    const CalibrationProfile again = store.Load(booth.Name).Value();
    EXPECT_EQ(again.Response.CorrectionDb(EarSide::Left, 1000.0f), 2.0f);
    EXPECT_EQ(again.History.size(), 5u);
    EXPECT_EQ(FileText(booth.File).rfind(history, 0), 0u) << "nothing earlier is rewritten";
}

TEST_F(CalibrationStoreTest, ReadingsThatCannotBeRightAreRefusedWithTheReason)
{
    EXPECT_EQ(CorrectionFromReading("  ", 100.0f, '.').Reason(), "Type the level the meter shows, in dB SPL.");
    EXPECT_EQ(CorrectionFromReading("ninety", 100.0f, '.').Reason(), "The meter reading \"ninety\" is not a number.");
    EXPECT_EQ(CorrectionFromReading("100,5", 100.0f, '.').Reason(), "The meter reading \"100,5\" is not a number.");
    EXPECT_EQ(CorrectionFromReading("100,5", 100.0f, ',').Value(), 0.5f);
    EXPECT_EQ(CorrectionFromReading("120", 100.0f, '.').Value(), 20.0f);
    EXPECT_EQ(CorrectionFromReading("79.5", 100.0f, '.').Reason(),
              "The meter reading 79.5 dB SPL is 20.5 dB below the target 100 dB SPL; more than 20 dB cannot be "
              "right. Check the channel, the coupler and the meter's range.");
    EXPECT_FALSE(MakeReadingEntry("Booth A", " ", EarSide::Left, 1000.0f, 100.0f, "100", '.', Monday));
    EXPECT_FALSE(ReadCalibrationFrequency("0", '.'));
    EXPECT_FALSE(ReadCalibrationFrequency("22050", '.'));
    EXPECT_EQ(ReadCalibrationFrequency("1414", '.').Value(), 1414.0f);

    // Ears more than 5 dB apart at a frequency are worth a warning; 5 dB is not.
    HeadphoneResponse response;
    response.Set(EarSide::Left, 1000.0f, 3.0f);
    response.Set(EarSide::Right, 1000.0f, -2.0f);
    EXPECT_EQ(EarDifferenceWarning(response, 1000.0f, '.'), "");
    response.Set(EarSide::Right, 1000.0f, -2.5f);
    EXPECT_EQ(EarDifferenceWarning(response, 1000.0f, '.'),
              "At 1000 Hz the left ear's correction (+3 dB) and the right ear's (-2.5 dB) differ by 5.5 dB, more "
              "than the 5 dB a listening check allows. Check that both earphones are seated and measured alike.");
    EXPECT_EQ(EarDifferenceWarning(response, 2000.0f, '.'), "") << "only where both ears were measured";

    EXPECT_FALSE(store.Create("", "Anna", 365, Monday));
    EXPECT_FALSE(store.Create("Booth\nA", "Anna", 365, Monday));
    EXPECT_FALSE(store.Create("Booth A", "Anna", 0, Monday));
    Make("Booth A");
    EXPECT_NE(store.Create("booth a", "Anna", 365, Monday).Reason().find("too like the profile \"Booth A\""),
              std::string::npos);
}

TEST_F(CalibrationStoreTest, AnUnknownProfileIsRefusedWithTheKnownNames)
{
    EXPECT_EQ(ChooseCalibration(store, "Booth C", Monday).Reason(),
              "There is no calibration profile \"Booth C\" in the calibration store " + scoped.Folder()
                  + "; it has no profiles yet.");
    Make("Booth B");
    Make("Booth A");
    EXPECT_EQ(ChooseCalibration(store, "Booth C", Monday).Reason(),
              "There is no calibration profile \"Booth C\" in the calibration store " + scoped.Folder()
                  + "; its profiles are \"Booth A\", \"Booth B\".");
    EXPECT_FALSE(ChooseCalibration(store, "", Monday).Value().InUse()) << "no name: no profile";
    EXPECT_EQ(ChooseCalibration(store, "Booth A", Monday).Value().Profile, "Booth A");
}

TEST_F(CalibrationStoreTest, OverdueAndNoListeningCheckAreJudgedOnTheDay)
{
    const CalibrationProfile booth = Make("Booth A", 30);
    EXPECT_TRUE(CalibrationFor(store.Load("Booth A").Value(), Monday).Overdue) << "never calibrated";
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 1000.0f, "100")));
    ASSERT_TRUE(store.Append(MakeListeningCheck("Booth A", "Ben", Monday).Value()));
    const CalibrationProfile profile = store.Load("Booth A").Value();

    const CalibrationInUse monday = CalibrationFor(profile, Monday.addSecs(8 * 3600));
    EXPECT_FALSE(monday.Overdue);
    EXPECT_TRUE(monday.CheckedToday);
    EXPECT_EQ(monday.LastCalibrated, CalibrationTime(Monday));
    EXPECT_EQ(DescribeStanding(profile, Monday), "calibrated 2026-12-07 (today; due every 30 days); listening check "
                                                 "today by Ben");

    const CalibrationInUse tuesday = CalibrationFor(profile, Monday.addDays(1));
    EXPECT_FALSE(tuesday.Overdue);
    EXPECT_FALSE(tuesday.CheckedToday) << "a check is for its day only";
    EXPECT_FALSE(CalibrationFor(profile, Monday.addDays(30)).Overdue);
    EXPECT_TRUE(CalibrationFor(profile, Monday.addDays(31)).Overdue);
    EXPECT_EQ(DescribeStanding(profile, Monday.addDays(31)),
              "calibration overdue: last 2026-12-07 (31 days ago; due every 30 days); no listening check today (last "
              "2026-12-07 by Ben)");
}

TEST_F(CalibrationStoreTest, AProfileExportedAndImportedElsewhereIsTheSame)
{
    const CalibrationProfile booth = Make("Booth A: RME, HDA 200");
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 500.0f, "98")));
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Right, 2000.0f, "103.5")));
    const Result<std::string> exported = store.Export(booth.Name);
    ASSERT_TRUE(exported) << exported.Reason();

    const ScopedCalibrationStore otherPc;
    CalibrationStore other;
    const Result<CalibrationProfile> imported = other.Import(exported.Value(), "booth-a.csv", "Carl", Monday.addDays(2));
    ASSERT_TRUE(imported) << imported.Reason();
    EXPECT_EQ(imported.Value().Response, store.Load(booth.Name).Value().Response);
    EXPECT_EQ(imported.Value().LastReading, store.Load(booth.Name).Value().LastReading);
    const std::string text = FileText(other.Load(booth.Name).Value().File);
    EXPECT_EQ(text.rfind(exported.Value(), 0), 0u) << "the history is kept as it came";
    EXPECT_NE(text.find(",Carl,\"Booth A: RME, HDA 200\",imported,,,,,,,from booth-a.csv\n"), std::string::npos) << text;

    // The same profile a second time, and a damaged file, are refused with the reason.
    EXPECT_NE(other.Import(exported.Value(), "again.csv", "Carl", Monday).Reason().find(
                  "The profile of again.csv is not imported. The calibration store already has a profile named "
                  "\"Booth A: RME, HDA 200\""),
              std::string::npos);
    std::string damaged = exported.Value();
    damaged.replace(damaged.find(",98,-2,"), 7, ",98,-1,");  // a correction edited by hand
    EXPECT_EQ(CalibrationStore().Import(damaged, "edited.csv", "Carl", Monday).Reason(),
              "edited.csv is not a calibration profile Quorvex can read: line 3: the correction is not the meter "
              "reading minus the reference level.");
    EXPECT_EQ(CalibrationStore().Import("profile,ear\n", "x.csv", "Carl", Monday).Reason().substr(0, 60),
              "x.csv is not a calibration profile Quorvex can read: line 1 ");
    EXPECT_EQ(other.Names(), std::vector<std::string>{"Booth A: RME, HDA 200"});
}

// Two programs saving readings into one profile at the same moment each keep every one.
TEST_F(CalibrationStoreTest, TwoProgramsSavingAtOnceLoseNothing)
{
    const CalibrationProfile booth = Make("Booth A");
    constexpr int Saves = 40;
    std::vector<pid_t> children;
    for (const EarSide ear : {EarSide::Left, EarSide::Right}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CalibrationStore own;
            int failed = 0;
            for (int i = 0; i < Saves; ++i) {
                const Result<CalibrationEntry> entry = MakeReadingEntry(
                    booth.Name, "Anna", ear, 100.0f + static_cast<float>(i), 100.0f, "101", '.', Monday);
                failed += entry && own.Append(entry.Value()) ? 0 : 1;
            }
            ::_exit(failed);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const Result<CalibrationProfile> profile = store.Load(booth.Name);
    ASSERT_TRUE(profile) << profile.Reason();
    EXPECT_EQ(profile.Value().History.size(), 1u + 2 * Saves);
    EXPECT_EQ(profile.Value().Response.Points(EarSide::Left).size(), static_cast<std::size_t>(Saves));
    EXPECT_EQ(profile.Value().Response.Points(EarSide::Right).size(), static_cast<std::size_t>(Saves));
}

// A full disk: the save is refused with the system's reason and the file is as it was.
TEST_F(CalibrationStoreTest, AFullDiskIsReportedAndKeepsEarlierCalibrations)
{
    const CalibrationProfile booth = Make("Booth A");
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 1000.0f, "101")));
    const std::string before = FileText(booth.File);
    store.SetWriter([](int, const char*, std::size_t) -> long {
        errno = ENOSPC;
        return -1;
    });
    const Result<> saved = store.Append(Reading(booth, EarSide::Left, 1000.0f, "99"));
    EXPECT_EQ(saved.Reason(), "The calibration of \"Booth A\" could not be saved in " + booth.File
                                  + ": No space left on device. Nothing was added; its earlier calibrations are kept.");
    EXPECT_EQ(FileText(booth.File), before);
    EXPECT_NE(store.Create("Booth B", "Anna", 365, Monday).Reason().find("cannot be written: No space left on device"),
              std::string::npos);
    EXPECT_EQ(store.Names(), std::vector<std::string>{"Booth A"}) << "no half-made profile is left behind";
    EXPECT_EQ(store.Load("Booth A").Value().Response.CorrectionDb(EarSide::Left, 1000.0f), 1.0f);
}

// A store in a folder the program may not write: saving and making a profile say why, and what
// was calibrated before is there as it was. Root may write anywhere, so as root the attempt is
// made by a child that has become the user "nobody".
TEST_F(CalibrationStoreTest, AReadOnlyStoreIsReportedAndKeepsEarlierCalibrations)
{
    const CalibrationProfile booth = Make("Booth A");
    ASSERT_TRUE(store.Append(Reading(booth, EarSide::Left, 1000.0f, "101")));
    const std::string before = FileText(booth.File);
    namespace fs = std::filesystem;
    fs::permissions(scoped.Scratch().Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(scoped.Folder(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                                         | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(booth.File, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        CalibrationStore own;
        const std::string reasons = own.Append(Reading(booth, EarSide::Left, 1000.0f, "99")).Reason() + "\n"
                                    + own.Create("Booth B", "Anna", 365, Monday).Reason() + "\n"
                                    + std::to_string(own.Load("Booth A").Value().History.size());
        const bool sent = ::write(pipe[1], reasons.data(), reasons.size()) == static_cast<ssize_t>(reasons.size());
        ::_exit(sent ? 0 : 4);
    }
    ::close(pipe[1]);
    std::string said;
    char buffer[1024];
    for (ssize_t n = 0; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) {
        said.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::permissions(scoped.Folder(), fs::perms::owner_all);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "root here cannot become the user nobody, which a read-only folder stops";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(said, "The calibration of \"Booth A\" could not be saved in " + booth.File
                        + ": Permission denied. Nothing was added; its earlier calibrations are kept.\n"
                          "The calibration store " + scoped.Folder() + " cannot be written: Permission denied.\n"
                          "2");
    EXPECT_EQ(FileText(booth.File), before);
}

TEST(CalibrationFrequencies, TheConditionsFrequenciesWithPointsHalfAnOctaveApart)
{
    TestCondition condition;  // ToneF 1000, StartF 500, EndF 2000
    EXPECT_EQ(DefaultCalibrationFrequencies(condition), (std::vector<float>{500, 707, 1000, 1414, 2000}));
    condition.ToneF = 1200.0f;
    condition.StartF = 1000.0f;
    condition.EndF = 1300.0f;
    EXPECT_EQ(DefaultCalibrationFrequencies(condition), (std::vector<float>{1000, 1200, 1300}));
    condition.EndF = 30000.0f;  // beyond what can be played: left out
    EXPECT_LT(DefaultCalibrationFrequencies(condition).back(), 22050.0f);
}

}  // namespace
