#include "RecordDictionary.h"

#include "RecordColumns.h"
#include "SessionFiles.h"
#include "Version.h"
#include "WholeFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <filesystem>
#include <optional>

namespace {

QJsonObject Describe(const ColumnDefinition& column)
{
    QJsonObject described{{"Description", column.Description}};
    if (*column.Unit != '\0') {
        described.insert("Units", column.Unit);
    }
    if (!column.Levels.empty()) {
        QJsonObject levels;
        for (const ColumnLevel& level : column.Levels) {
            levels.insert(level.Value, level.Meaning);
        }
        described.insert("Levels", levels);
    }
    return described;
}

// `definition` gives a column of this version by its name, or nothing for a name it does not write.
template <typename FindDefinition>
QJsonObject Table(const std::string& file, const std::vector<std::string>& columns, FindDefinition definition)
{
    QJsonObject described;
    QJsonArray order;
    for (const std::string& name : columns) {
        const std::optional<ColumnDefinition> found = definition(name);
        described.insert(QString::fromStdString(name),
                         found ? Describe(*found)
                               : QJsonObject{{"Description", "a column this version of Quorvex does not know"}});
        order.append(QString::fromStdString(name));
    }
    return {{"File", QString::fromStdString(file)}, {"ColumnOrder", order}, {"Columns", described},
            {"Format", "CSV (RFC 4180) with a header row, '.' as the decimal separator, lines ending in CR LF"}};
}

std::optional<ColumnDefinition> RecordDefinition(const std::string& name)
{
    const std::optional<RecordColumn> column = RecordColumnNamed(name);
    return column ? std::optional(Definition(*column)) : std::nullopt;
}

std::optional<ColumnDefinition> TrialDefinition(const std::string& name)
{
    const std::optional<TrialColumn> column = TrialColumnNamed(name);
    return column ? std::optional(Definition(*column)) : std::nullopt;
}

QJsonObject Calibration(const CalibrationInUse& c)
{
    if (!c.InUse()) {
        return {{"Profile", QJsonValue::Null}, {"Description", "no calibration profile: uncalibrated, the levels rest on CalibFactor alone"}};
    }
    QJsonObject response;
    for (const EarSide ear : {EarSide::Left, EarSide::Right}) {
        QJsonArray points;
        for (const ResponsePoint& p : c.Response.Points(ear)) {
            points.append(QJsonObject{{"FrequencyHz", p.FreqHz}, {"CorrectionDb", p.CorrectionDb}});
        }
        response.insert(QString::fromStdString(EarName(ear)), points);
    }
    return {{"Profile", QString::fromStdString(c.Profile)},
            {"LatestCalibration", QJsonObject{{"DateTime", QString::fromStdString(c.LastCalibrated)}}},
            {"Overdue", c.Overdue},
            {"ListeningCheckToday", c.CheckedToday},
            {"Response", response},
            {"Description", "each ear's correction (meter reading minus the level meant) at the measured frequencies, "
                            "interpolated linearly in log frequency and held beyond them; each stimulus was played "
                            "lower by its ear's correction at its frequency"}};
}

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

}  // namespace

std::string RecordDictionaryFileName(const std::string& resultsFileName)
{
    std::string record = SessionRecordFileName(resultsFileName);
    return record.substr(0, record.size() - 4) + ".json";
}

std::string RecordDictionaryJson(const std::string& resultsFileName, const std::vector<std::string>& recordColumns,
                                 const std::vector<std::string>& trialColumns, const DictionaryFacts& facts)
{
    QJsonObject dictionary{
        {"Name", "Quorvex session record"},
        {"Description", "Psychophysical tuning curves: the session record has a row per recorded point of every run "
                        "with the run's parameters, the trial log a row per trial"},
        {"GeneratedBy", QJsonArray{QJsonObject{{"Name", "Quorvex"}, {"Version", QuorvexVersion}}}},
        {"SessionRecord", Table(FileName(SessionRecordFileName(resultsFileName)), recordColumns, RecordDefinition)},
        {"Calibration", Calibration(facts.Calibration)},
        {"SoundDevice", QString::fromStdString(facts.SoundDevice)},
    };
    if (!trialColumns.empty()) {
        dictionary.insert("TrialLog", Table(FileName(TrialLogFileName(resultsFileName)), trialColumns, TrialDefinition));
    }
    return QJsonDocument(dictionary).toJson(QJsonDocument::Indented).toStdString();
}

Result<> UpdateRecordDictionary(const std::string& resultsFileName, const std::vector<std::string>& recordColumns,
                                const std::vector<std::string>& trialColumns, const DictionaryFacts& facts)
{
    const std::string path = RecordDictionaryFileName(resultsFileName);
    const std::string text = RecordDictionaryJson(resultsFileName, recordColumns, trialColumns, facts);
    if (const WholeFile existing = ReadWholeFile(path); !existing.Error && existing.Text == text) {
        return {};
    }
    QSaveFile file(QString::fromStdString(path));
    const qint64 size = static_cast<qint64>(text.size());
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), size) != size || !file.commit()) {
        return Failure{"Quorvex could not write the data dictionary '" + path + "' beside the session record: "
                       + file.errorString().toStdString() + ". The session record and the trial log are not affected."};
    }
    return {};
}
