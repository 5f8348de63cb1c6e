#include "SessionFiles.h"

#include "Csv.h"
#include "NumberFormat.h"
#include "ResultsWriter.h"
#include "TextFileAppend.h"
#include "Version.h"
#include "WholeFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

namespace {

std::string ResultsName(const std::string& resultsFileName)
{
    const std::string suffix = ".dat";
    if (resultsFileName.size() >= suffix.size() && resultsFileName.ends_with(suffix)) {
        return resultsFileName.substr(0, resultsFileName.size() - suffix.size());
    }
    return resultsFileName;
}

struct LocalTime {
    std::tm Fields{};
    int Milliseconds = 0;
};

LocalTime ToLocal(std::chrono::system_clock::time_point when)
{
    LocalTime local;
    const auto sinceEpoch = when.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
    local.Milliseconds = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count());
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    localtime_r(&whole, &local.Fields);
    return local;
}

std::string Formatted(const std::tm& fields, const char* format)
{
    std::array<char, 64> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), format, &fields);
    return std::string(text.data(), length);
}

std::string IsoTimestamp(std::chrono::system_clock::time_point when)
{
    const LocalTime local = ToLocal(when);
    std::array<char, 8> millis{};
    std::snprintf(millis.data(), millis.size(), ".%03d", local.Milliseconds);
    // strftime's %z gives +0100; ISO 8601's extended form writes +01:00.
    std::string offset = Formatted(local.Fields, "%z");
    if (offset.size() == 5) {
        offset = offset.substr(0, 3) + ':' + offset.substr(3);
    }
    return Formatted(local.Fields, "%Y-%m-%dT%H:%M:%S") + millis.data() + offset;
}

// The run identifiers (first fields) of the data rows of a file's text.
std::set<std::string> RunIds(const std::string& text)
{
    std::set<std::string> ids;
    const auto rows = ParseCsv(text);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (!rows[i].empty() && !rows[i][0].empty()) {
            ids.insert(rows[i][0]);
        }
    }
    return ids;
}

// What the file holds: nothing when it is missing, unreadable or not a regular file (a
// directory, or a FIFO that would wait for a writer); the append that follows reports it.
std::string Contents(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) ? ReadWholeFile(path).Text : std::string();
}

// Appends the rows; an empty text when they were written, otherwise what the operator is told.
std::string Append(const std::string& path, const std::string& rows, const char* what)
{
    const std::error_code error = AppendBlockToTextFile(path, WithCrLf(rows));
    if (!error) {
        return {};
    }
    return std::string("Quorvex could not write this run's rows to the ") + what + " '" + path
           + "': " + error.message() + ". The file is as it was before the run; the results file and the points in memory are not affected.";
}

bool IsNew(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error || size == 0;
}

std::string Ear(int ear)
{
    return ear == 0 ? "left" : "right";
}

std::string AttenuatorMode(int mode)
{
    if (mode == 1) {
        return "software";
    }
    if (mode == 2) {
        return "KC35";
    }
    return std::to_string(mode);
}

std::string Seconds(double value)
{
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 6);
    return std::string(text.data(), result.ptr);
}

}  // namespace

std::string SessionRecordFileName(const std::string& resultsFileName)
{
    return ResultsName(resultsFileName) + ".csv";
}

std::string TrialLogFileName(const std::string& resultsFileName)
{
    return ResultsName(resultsFileName) + ".trials.csv";
}

std::string MakeRunId(std::chrono::system_clock::time_point started, const std::vector<std::string>& existing)
{
    std::set<std::string> ids;
    for (const std::string& text : existing) {
        ids.merge(RunIds(text));
    }
    const std::string stamp = IsoTimestamp(started);
    std::size_t number = ids.size() + 1;
    while (ids.contains(stamp + "_" + std::to_string(number))) {
        ++number;
    }
    return stamp + "_" + std::to_string(number);
}

std::string SessionTimestamp(std::chrono::system_clock::time_point started)
{
    return IsoTimestamp(started);
}

std::string SessionRecordRows(const SharedState& state, const RunLog& log, const std::string& runId, int count,
                              bool header)
{
    std::string rows;
    if (header) {
        rows += CsvRow({"run", "date", "time", "version", "subject", "ear", "direction", "condition", "ToneF",
                        "StartF", "EndF", "FStep", "MaskerBW", "SPLstep", "MaxSPL", "ToneSPL", "MaskStartSPL",
                        "CalibFactor", "ToneDuration", "MaskerDuration", "Modulated", "ModFreq", "ISI", "RiseFall",
                        "attenuator", "device", "point", "masker_freq", "masker_spl", "session", "session_run",
                        "session_runs", "run_status"});
    }
    const TestCondition& c = state.Current();
    const ExperimentSettings& s = state.Settings;
    const LocalTime started = ToLocal(log.Started);
    const std::vector<std::string> run = {
        runId,
        Formatted(started.Fields, "%Y-%m-%d"),
        Formatted(started.Fields, "%H:%M:%S"),
        QuorvexVersion,
        state.SubjectName,
        Ear(state.Ear),
        state.SweepDirection == 0 ? "up" : "down",
        std::to_string(state.CurrentCondition + 1),
        FormatShortest(c.ToneF),
        FormatShortest(c.StartF),
        FormatShortest(c.EndF),
        FormatShortest(c.FStep),
        FormatShortest(c.MaskerBW),
        FormatShortest(c.SPLstep),
        FormatShortest(c.MaxSPL),
        FormatShortest(c.ToneSPL),
        FormatShortest(c.MaskStartSPL),
        FormatShortest(s.CalibFactor),
        FormatShortest(s.ToneDuration),
        FormatShortest(s.MaskerDuration),
        std::to_string(s.Modulated),
        FormatShortest(s.ModFreq),
        std::to_string(s.ISI),
        FormatShortest(s.RiseFall),
        AttenuatorMode(s.Attenuator),
        log.SoundDevice,
    };
    const std::vector<std::string> session =
        log.Session ? std::vector<std::string>{log.Session->Id, std::to_string(log.Session->Run),
                                               std::to_string(log.Session->Runs), log.Session->Status}
                    : std::vector<std::string>(4);
    const auto& points = state.Results.Points();
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(points.size())));
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<std::string> row = run;
        row.push_back(std::to_string(i + 1));
        row.push_back(FormatForResults(points[i].Freq));
        row.push_back(FormatForResults(points[i].SPL));
        row.insert(row.end(), session.begin(), session.end());
        rows += CsvRow(row);
    }
    if (n == 0 && log.Session) {
        std::vector<std::string> row = run;
        row.resize(row.size() + 3);
        row.insert(row.end(), session.begin(), session.end());
        rows += CsvRow(row);
    }
    return rows;
}

std::string TrialLogRows(const RunLog& log, const std::string& runId, bool header)
{
    std::string rows;
    if (header) {
        rows += CsvRow({"run", "trial", "masker_freq", "masker_spl", "played", "onset", "key", "key_changes",
                        "recorded", "dropout"});
    }
    // Onsets count from the first stimulus whose onset the sound output could tell.
    const auto first = std::find_if(log.Trials.begin(), log.Trials.end(),
                                    [](const TrialRecord& trial) { return trial.OnsetFrame.has_value(); });
    for (const TrialRecord& trial : log.Trials) {
        const std::string onset =
            trial.OnsetFrame ? Seconds(static_cast<double>(*trial.OnsetFrame - *first->OnsetFrame) / SharedState::SampleRate)
                             : std::string();
        rows += CsvRow({runId, std::to_string(trial.Trial), FormatForResults(trial.Frequency),
                        FormatForResults(trial.Level), trial.Played ? "1" : "0", onset,
                        trial.LevelDirection > 0 ? "down" : "up",
                        std::to_string(trial.ReversalCount), std::to_string(trial.PointsRecorded),
                        trial.Dropout ? "1" : "0"});
    }
    return rows;
}

SessionFilesOutcome WriteSessionFiles(const SharedState& state, const RunLog& log, int count)
{
    SessionFilesOutcome outcome;
    const std::string record = SessionRecordFileName(state.ResultsFileName);
    const std::string trials = TrialLogFileName(state.ResultsFileName);
    outcome.RunId = !log.RunId.empty() ? log.RunId : MakeRunId(log.Started, {Contents(record), Contents(trials)});
    // A run without points has no row in the record (unless it is part of a session), one
    // ended before its first trial none in the log; an empty append would only create the file.
    if (std::min(count, state.Results.ResultCount()) > 0 || log.Session) {
        outcome.RecordError =
            Append(record, SessionRecordRows(state, log, outcome.RunId, count, IsNew(record)), "session record");
    }
    if (!log.Trials.empty()) {
        outcome.TrialLogError = Append(trials, TrialLogRows(log, outcome.RunId, IsNew(trials)), "trial log");
    }
    return outcome;
}
