// The data dictionary beside the session record: valid JSON naming every column of the record
// and the trial log, the program's version, the calibration and the device; rewritten whole
// when what it says changes.
#include "Csv.h"
#include "RecordDictionary.h"
#include "ScratchFolder.h"
#include "SessionFiles.h"
#include "Version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::string Text(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QJsonObject Parsed(const std::filesystem::path& path)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(Text(path)), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return document.object();
}

class RecordDictionaryTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("XDG_DATA_HOME", scratch.Path("data").c_str(), 1);
        ::setenv("QUORVEX_CALIBRATION_DIR", scratch.Path("calibration").c_str(), 1);
        state.Conditions.resize(1);
        state.ResultsFileName = scratch.Path("run.dat").string();
        state.Results.Record(600.0f, 55.0f);
        log.Started = std::chrono::system_clock::now();
        log.SoundDevice = "JACK: system";
        log.Trials.push_back(TrialRecord{1, 600.0f, 55.0f, true, 0, 0, false, 5, 1, 1, 0.0f});
    }
    std::filesystem::path Dictionary() const { return scratch.Path("run.json"); }

    const ScratchFolder scratch;
    SharedState state;
    RunLog log;
};

// Every column of the file's header row is in the dictionary, described.
void ExpectEveryColumnDescribed(const QJsonObject& table, const std::filesystem::path& file)
{
    const std::vector<std::string> header = ParseCsv(Text(file)).front();
    const QJsonObject columns = table["Columns"].toObject();
    EXPECT_EQ(static_cast<std::size_t>(table["ColumnOrder"].toArray().size()), header.size());
    for (const std::string& name : header) {
        SCOPED_TRACE(name);
        const QJsonObject column = columns[QString::fromStdString(name)].toObject();
        EXPECT_FALSE(column["Description"].toString().isEmpty());
        EXPECT_FALSE(column["Description"].toString().contains("does not know"));
    }
}

TEST_F(RecordDictionaryTest, NamesEveryColumnOfTheRecordAndTheTrialLog)
{
    const SessionFilesOutcome outcome = WriteSessionFiles(state, log, 1);
    ASSERT_EQ(outcome.RecordError, "");
    ASSERT_EQ(outcome.DictionaryError, "");
    const QJsonObject dictionary = Parsed(Dictionary());
    ExpectEveryColumnDescribed(dictionary["SessionRecord"].toObject(), scratch.Path("run.csv"));
    ExpectEveryColumnDescribed(dictionary["TrialLog"].toObject(), scratch.Path("run.trials.csv"));
    EXPECT_EQ(dictionary["SessionRecord"].toObject()["File"].toString(), "run.csv");
    const QJsonObject ear = dictionary["SessionRecord"].toObject()["Columns"].toObject()["ear"].toObject();
    EXPECT_EQ(ear["Levels"].toObject().keys(), (QStringList{"left", "right"}));
    const QJsonObject level = dictionary["TrialLog"].toObject()["Columns"].toObject()["masker_spl"].toObject();
    EXPECT_EQ(level["Units"].toString(), "dB SPL");
    EXPECT_EQ(dictionary["GeneratedBy"].toArray()[0].toObject()["Version"].toString(), QuorvexVersion);
    EXPECT_EQ(dictionary["SoundDevice"].toString(), "JACK: system");
    EXPECT_TRUE(dictionary["Calibration"].toObject()["Profile"].isNull());
}

TEST_F(RecordDictionaryTest, FollowsTheCalibrationOfTheLatestRun)
{
    ASSERT_EQ(WriteSessionFiles(state, log, 1).DictionaryError, "");
    state.Calibration.Profile = "Booth B";
    state.Calibration.LastCalibrated = "2026-11-30T08:00:00";
    state.Calibration.Response.Set(EarSide::Left, 1000.0f, 1.5f);
    ASSERT_EQ(WriteSessionFiles(state, log, 1).DictionaryError, "");
    const QJsonObject calibration = Parsed(Dictionary())["Calibration"].toObject();
    EXPECT_EQ(calibration["Profile"].toString(), "Booth B");
    EXPECT_EQ(calibration["LatestCalibration"].toObject()["DateTime"].toString(), "2026-11-30T08:00:00");
    const QJsonObject point = calibration["Response"].toObject()["left"].toArray()[0].toObject();
    EXPECT_EQ(point["FrequencyHz"].toDouble(), 1000.0);
    EXPECT_EQ(point["CorrectionDb"].toDouble(), 1.5);
}

TEST_F(RecordDictionaryTest, DescribesTheColumnsOfARecordBegunByAnEarlierVersion)
{
    // The record's first columns only, as an earlier version wrote them: the rows go into those.
    const std::vector<std::string> all = ParseCsv(SessionRecordHeader()).front();
    const std::vector<std::string> earlier(all.begin(), std::find(all.begin(), all.end(), "run_points"));
    std::ofstream(scratch.Path("run.csv"), std::ios::binary) << CsvRow(earlier);
    ASSERT_EQ(WriteSessionFiles(state, log, 1).RecordError, "");
    const QJsonArray order = Parsed(Dictionary())["SessionRecord"].toObject()["ColumnOrder"].toArray();
    EXPECT_EQ(static_cast<std::size_t>(order.size()), earlier.size());
}

TEST_F(RecordDictionaryTest, OneThatCannotBeWrittenIsReportedAndTheRecordKept)
{
    std::filesystem::create_directory(Dictionary());  // a folder where the file would go
    const SessionFilesOutcome outcome = WriteSessionFiles(state, log, 1);
    EXPECT_EQ(outcome.RecordError, "");
    EXPECT_NE(outcome.DictionaryError.find("run.json"), std::string::npos) << outcome.DictionaryError;
    EXPECT_EQ(ParseCsv(Text(scratch.Path("run.csv"))).size(), 2u);
}

}  // namespace
