#include "RecordDictionary.h"

#include "SessionFiles.h"
#include "Version.h"
#include "WholeFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <filesystem>
#include <map>

namespace {

struct ColumnMeaning {
    const char* Description;
    const char* Unit;                        // empty: none
    std::vector<std::pair<const char*, const char*>> Levels;  // allowed values and their meaning; empty: any
};

using Meanings = std::map<std::string, ColumnMeaning>;

const std::vector<std::pair<const char*, const char*>> Bit = {{"0", "no"}, {"1", "yes"}};
const std::vector<std::pair<const char*, const char*>> Flag = {
    {"0", "not raised"}, {"1", "raised"}, {"", "not judged (no calibration profile)"}};

const Meanings& RecordMeanings()
{
    static const Meanings meanings = {
        {"run", {"the run's identifier: its local start time (ISO 8601 with UTC offset), '_' and its number in the files", "", {}}},
        {"date", {"the run's local start date (YYYY-MM-DD)", "", {}}},
        {"time", {"the run's local start time (hh:mm:ss)", "", {}}},
        {"version", {"the version of Quorvex that measured the run", "", {}}},
        {"subject", {"the subject name typed in the set-up window", "", {}}},
        {"ear", {"the ear the tone and masker were played to", "", {{"left", "left ear"}, {"right", "right ear"}}}},
        {"direction", {"the direction the masker's centre frequency swept", "", {{"up", "StartF to EndF"}, {"down", "EndF to StartF"}}}},
        {"condition", {"the test condition's number in the test-condition file, from 1", "", {}}},
        {"ToneF", {"the tone's frequency", "Hz", {}}},
        {"StartF", {"the lowest masker centre frequency of the sweep", "Hz", {}}},
        {"EndF", {"the highest masker centre frequency of the sweep", "Hz", {}}},
        {"FStep", {"the step of the masker centre frequency", "Hz", {}}},
        {"MaskerBW", {"the masker's noise bandwidth", "Hz", {}}},
        {"SPLstep", {"the step of the masker level", "dB", {}}},
        {"MaxSPL", {"the highest masker level allowed at the ear", "dB SPL", {}}},
        {"ToneSPL", {"the tone's level at the ear", "dB SPL", {}}},
        {"MaskStartSPL", {"the masker's level at the first trial", "dB SPL", {}}},
        {"CalibFactor", {"the level a stimulus of RMS 8000 sample units plays at (the calibration level)", "dB SPL", {}}},
        {"ToneDuration", {"the tone's on-time", "ms", {}}},
        {"MaskerDuration", {"the masker's duration, the length of one stimulus", "ms", {}}},
        {"Modulated", {"whether the tone was amplitude-modulated", "", {{"0", "unmodulated"}, {"1", "modulated"}}}},
        {"ModFreq", {"the tone's modulation frequency", "Hz", {}}},
        {"ISI", {"the silence between two stimuli", "ms", {}}},
        {"RiseFall", {"the masker's rise and fall ramps", "ms", {}}},
        {"attenuator", {"how levels were set", "", {{"software", "a digital gain against CalibFactor"}, {"KC35", "a KC35 programmable attenuator"}}}},
        {"device", {"the sound device the stimuli went to", "", {}}},
        {"listener_seed", {"the virtual listener's seed; empty when a person listened", "", {}}},
        {"listener_criterion", {"the virtual listener's detection criterion; empty when a person listened", "dB", {}}},
        {"listener_noise", {"the virtual listener's internal noise; empty when a person listened", "dB", {}}},
        {"session", {"the identifier of the session the run belongs to (its start time); empty outside a session", "", {}}},
        {"session_run", {"the run's place in its session, from 1", "", {}}},
        {"session_runs", {"the number of runs of the session", "", {}}},
        {"run_status", {"the run's status in its session, or a row's mark", "",
                        {{"measured", "measured to its end"}, {"ended", "ended early by an error or a stop key"},
                         {"repeated", "rejected by the operator and measured again"}, {"skipped", "skipped by the operator"},
                         {"undone", "the operator's last mark taken back"}, {"planned", "the row that opens a session with its plan"},
                         {"set aside", "the session is no longer offered"}, {"practice", "a practice run"},
                         {"", "a run outside a session"}}}},
        {"point", {"the recorded point's number in the run, from 1; empty for a run without points", "", {}}},
        {"masker_freq", {"the masker centre frequency of the recorded point", "Hz", {}}},
        {"masker_spl", {"the masker level at the ear of the recorded point (the tuning curve)", "dB SPL", {}}},
        {"run_points", {"the number of points the run recorded (its rows)", "", {}}},
        {"session_seed", {"the seed of the session's shuffled order; empty for a listed order", "", {}}},
        {"session_plan", {"the fingerprint of what the session was planned with", "", {}}},
        {"session_plan_text", {"the session's plan, readable (key=value; ...), on its opening row", "", {}}},
        {"conditions_file", {"the test-condition file the session was loaded from, on its opening row", "", {}}},
        {"subject_id", {"the listener's ID", "", {}}},
        {"birth_date", {"the listener's date of birth (YYYY-MM-DD)", "", {}}},
        {"examiner", {"the examiner", "", {}}},
        {"listener_model", {"the version of the virtual listener's model; empty when a person listened", "", {}}},
        {"normal_tip_low", {"the low end of the normal range of the tip's shift from the tone, for upward sweeps ([Settings] NormalTipLow)", "% of ToneF", {}}},
        {"normal_tip_high", {"the high end of the normal range of the tip's shift from the tone, for upward sweeps ([Settings] NormalTipHigh)", "% of ToneF", {}}},
        {"off_frequency_shift", {"the tip's shift from the tone from which off-frequency listening is likely ([Settings] OffFrequencyShift)", "% of ToneF", {}}},
        {"calibration_profile", {"the headphone calibration profile the run was measured with; empty: none (uncalibrated)", "", {}}},
        {"calibration_date", {"the date and time of the profile's latest objective calibration (ISO 8601)", "", {}}},
        {"tone_correction", {"the correction applied to the tone: the headphone's meter reading above the level meant at ToneF, by which the tone was played lower", "dB", {}}},
        {"masker_correction_min", {"the smallest correction applied to a masker (at its centre frequency)", "dB", {}}},
        {"masker_correction_max", {"the largest correction applied to a masker (at its centre frequency)", "dB", {}}},
        {"kc35_residual", {"KC35 levels: the level at the ear minus the level meant that the attenuator's whole-dB steps left, the largest in magnitude of the run", "dB", {}}},
        {"flag_calibration_overdue", {"quality flag: the profile's objective calibration was older than its interval", "", Flag}},
        {"flag_no_listening_check", {"quality flag: the day's listening check of both ears was not on record", "", Flag}},
        {"run_type", {"what the run measured: a tuning curve, or the threshold in quiet of the tone alone", "", {{"ptc", "a tuning curve"}, {"threshold", "a threshold run"}}}},
        {"ToneSL", {"a tuning curve whose tone was set above the listener's threshold: that level; ToneSPL is then the level played", "dB SL", {}}},
        {"threshold_run", {"a tuning curve set in dB SL: the identifier of the threshold run its tone rests on", "", {}}},
        {"threshold", {"a threshold run: the threshold in quiet, the mean of the levels at its last reversals", "dB SPL", {}}},
        {"threshold_sd", {"a threshold run: the standard deviation of the levels the threshold is the mean of", "dB", {}}},
        {"threshold_reversals", {"a threshold run: the tone's level at each reversal, in order, separated by spaces", "dB SPL", {}}},
        {"threshold_flags", {"a threshold run: what makes its threshold doubtful (the level held at the device's floor or "
                             "ceiling, the time limit), one sentence each, separated by ' | '; empty when nothing does", "", {}}},
    };
    return meanings;
}

const Meanings& TrialMeanings()
{
    static const Meanings meanings = {
        {"run", {"the run's identifier, as in the session record", "", {}}},
        {"trial", {"the trial's number in the run, from 1", "", {}}},
        {"masker_freq", {"the masker centre frequency played", "Hz", {}}},
        {"masker_spl", {"the masker level at the ear", "dB SPL", {}}},
        {"played", {"whether the sound device played the stimulus", "", Bit}},
        {"onset", {"the stimulus's onset on the sound device's clock, from the run's first stimulus; empty when the device cannot tell", "s", {}}},
        {"key", {"the listener's SPACE bar after the trial", "", {{"down", "held: the tone was heard"}, {"up", "released"}}}},
        {"key_changes", {"the key changes counted at the current masker frequency after the trial", "", {}}},
        {"recorded", {"the points the trial's key changes recorded", "", {}}},
        {"dropout", {"whether the device lost frames of the stimulus", "", Bit}},
        {"masker_correction", {"the headphone's correction at the masker's centre frequency, by which the masker was played lower; empty without a calibration profile", "dB", {}}},
    };
    return meanings;
}

QJsonObject Describe(const ColumnMeaning& meaning)
{
    QJsonObject column{{"Description", meaning.Description}};
    if (*meaning.Unit != '\0') {
        column.insert("Units", meaning.Unit);
    }
    if (!meaning.Levels.empty()) {
        QJsonObject levels;
        for (const auto& [value, what] : meaning.Levels) {
            levels.insert(value, what);
        }
        column.insert("Levels", levels);
    }
    return column;
}

QJsonObject Table(const std::string& file, const std::vector<std::string>& columns, const Meanings& meanings)
{
    QJsonObject described;
    QJsonArray order;
    for (const std::string& name : columns) {
        const auto found = meanings.find(name);
        described.insert(QString::fromStdString(name),
                         found != meanings.end() ? Describe(found->second)
                                                 : QJsonObject{{"Description", "a column this version of Quorvex does not know"}});
        order.append(QString::fromStdString(name));
    }
    return {{"File", QString::fromStdString(file)}, {"ColumnOrder", order}, {"Columns", described},
            {"Format", "CSV (RFC 4180) with a header row, '.' as the decimal separator, lines ending in CR LF"}};
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
        {"SessionRecord", Table(FileName(SessionRecordFileName(resultsFileName)), recordColumns, RecordMeanings())},
        {"Calibration", Calibration(facts.Calibration)},
        {"SoundDevice", QString::fromStdString(facts.SoundDevice)},
    };
    if (!trialColumns.empty()) {
        dictionary.insert("TrialLog", Table(FileName(TrialLogFileName(resultsFileName)), trialColumns, TrialMeanings()));
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

bool RecordColumnDescribed(const std::string& column)
{
    return RecordMeanings().contains(column);
}

bool TrialColumnDescribed(const std::string& column)
{
    return TrialMeanings().contains(column);
}
