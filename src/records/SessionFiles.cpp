#include "SessionFiles.h"

#include "Csv.h"
#include "NumberFormat.h"
#include "RecordColumns.h"
#include "RecordDictionary.h"
#include "ResultsWriter.h"
#include "RunChoices.h"
#include "TextFileAppend.h"
#include "Version.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

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

// Bytes read from each end of a file: far more than a header row or the last row of a run.
constexpr std::size_t EndBytes = 64 * 1024;

// The file's first row as fields, without a byte-order mark an editor may have added.
std::vector<std::string> FirstRow(const LockedTextFile& file)
{
    std::string head = file.Head(EndBytes);
    if (head.starts_with("\xEF\xBB\xBF")) {
        head.erase(0, 3);
    }
    head.resize(std::min(head.size(), head.find('\n')));
    const auto rows = ParseCsv(head);
    return rows.empty() ? std::vector<std::string>{} : rows.front();
}

Failure WriteFailure(const std::string& path, const std::string& reason, const char* what)
{
    return Failure{std::string("Quorvex could not write this run's rows to the ") + what + " '" + path + "': " + reason
                   + ". The file is as it was before the run; the results file and the points in memory are not "
                     "affected."};
}

using Rows = std::vector<std::vector<std::string>>;

// How many of this version's columns a file with `existing` as its header row takes: all of
// them, or the first ones when an earlier version began the file with just those (at least
// `least` of them); 0 when the file names other columns.
std::size_t ColumnsTaken(const std::vector<std::string>& existing, const std::vector<std::string>& header,
                         std::size_t least)
{
    const bool prefix = existing.size() <= header.size() && std::equal(existing.begin(), existing.end(), header.begin());
    return prefix && existing.size() >= least ? existing.size() : 0;
}

// Appends the rows under the lock `file` holds, after the header when the file is new; a
// failure's reason is what the operator is told.
Result<> AppendRows(LockedTextFile& file, const std::string& path, const std::vector<std::string>& header,
                    std::size_t least, Rows rows, const char* what)
{
    if (file.OpenError()) {
        return WriteFailure(path, file.OpenError().message(), what);
    }
    std::string text;
    if (file.Empty()) {
        text = CsvRow(header);
    } else if (const std::size_t taken = ColumnsTaken(FirstRow(file), header, least); taken > 0) {
        for (auto& row : rows) {
            row.resize(taken);
        }
    } else {
        // Rows under another header would sit in the wrong columns for every reader.
        return WriteFailure(path,
                            "its header row names other columns than this version of Quorvex writes (the file "
                            "was begun by another version, or edited); move or rename it and the next run "
                            "begins a new one",
                            what);
    }
    for (const auto& row : rows) {
        text += CsvRow(row);
    }
    std::error_code error = file.Append(WithCrLf(text));
    if (!error) {
        error = file.Close();
    }
    if (error) {
        return WriteFailure(path, error.message(), what);
    }
    return {};
}

// The columns a file's rows go into: this version's header for a new file, or the file's own.
std::vector<std::string> ColumnsIn(const LockedTextFile& file, const std::vector<std::string>& header, std::size_t least)
{
    if (file.OpenError()) {
        return {};
    }
    if (file.Empty()) {
        return header;
    }
    const std::vector<std::string> existing = FirstRow(file);
    const std::size_t taken = ColumnsTaken(existing, header, least);
    return taken > 0 ? std::vector<std::string>(header.begin(), header.begin() + static_cast<std::ptrdiff_t>(taken))
                     : existing;
}

int LastRunNumberIn(const LockedTextFile& file)
{
    const std::string tail = file.Tail(EndBytes);
    return LastRunNumber(tail, tail.size() == file.Size());
}

// An estimate to 0.001 dB: more than any threshold can tell, and stable across platforms.
std::string FormatNumber(double value)
{
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), std::round(value * 1000.0) / 1000.0);
    return std::string(text.data(), result.ptr);
}

std::string Seconds(double value)
{
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 6);
    return std::string(text.data(), result.ptr);
}

// What a session record row is made of.
struct RunFacts {
    const SharedState& State;
    const RunLog& Log;
    const std::string& RunId;
    LocalTime Started;
    std::size_t Points;
};

std::string ListenerValue(const RunFacts& run, std::string (*value)(const SimulatedListenerRecord&))
{
    return run.Log.Listener ? value(*run.Log.Listener) : std::string();
}

std::string SessionValue(const RunFacts& run, std::string (*value)(const SessionMark&))
{
    return run.Log.Session ? value(*run.Log.Session) : std::string();
}

// The calibration columns are empty for a run without a profile.
std::string ProfileValue(const RunFacts& run, std::string (*value)(const CalibrationInUse&))
{
    return run.State.Calibration.InUse() ? value(run.State.Calibration) : std::string();
}

std::string AppliedValue(const RunFacts& run, std::optional<float> AppliedCalibration::*field)
{
    if (!run.Log.Calibration) {
        return {};
    }
    const std::optional<float>& value = (*run.Log.Calibration).*field;
    return value ? FormatForResults(*value) : std::string();
}

std::string Levels(const std::vector<float>& levels)
{
    std::string text;
    for (const float level : levels) {
        if (!text.empty()) {
            text += ' ';
        }
        text += FormatShortest(level);
    }
    return text;
}

// What every row of a run holds in `column`; the point's own columns are filled per point.
std::string RunValue(RecordColumn column, const RunFacts& run)
{
    const SharedState& state = run.State;
    const ExperimentSettings& settings = state.Settings;
    switch (column) {
    case RecordColumn::Run:
        return run.RunId;
    case RecordColumn::Date:
        return Formatted(run.Started.Fields, "%Y-%m-%d");
    case RecordColumn::Time:
        return Formatted(run.Started.Fields, "%H:%M:%S");
    case RecordColumn::Version:
        return QuorvexVersion;
    case RecordColumn::Subject:
        return state.SubjectName;
    case RecordColumn::Ear:
        return EarName(state.Ear);
    case RecordColumn::Direction:
        return DirectionName(state.SweepDirection);
    case RecordColumn::Condition:
        return std::to_string(state.CurrentCondition + 1);
    case RecordColumn::ToneF:
        return FormatShortest(state.Current().ToneF);
    case RecordColumn::StartF:
        return FormatShortest(state.Current().StartF);
    case RecordColumn::EndF:
        return FormatShortest(state.Current().EndF);
    case RecordColumn::FStep:
        return FormatShortest(state.Current().FStep);
    case RecordColumn::MaskerBW:
        return FormatShortest(state.Current().MaskerBW);
    case RecordColumn::SPLstep:
        return FormatShortest(state.Current().SPLstep);
    case RecordColumn::MaxSPL:
        return FormatShortest(state.Current().MaxSPL);
    case RecordColumn::ToneSPL:
        // A threshold run's tone starts at ThresholdStartSPL and follows the key.
        return FormatShortest(run.Log.Kind == RunKind::Threshold ? settings.ThresholdStartSPL : state.Current().ToneSPL);
    case RecordColumn::MaskStartSPL:
        return FormatShortest(state.Current().MaskStartSPL);
    case RecordColumn::CalibFactor:
        return FormatShortest(settings.CalibFactor);
    case RecordColumn::ToneDuration:
        return FormatShortest(settings.ToneDuration);
    case RecordColumn::MaskerDuration:
        return FormatShortest(settings.MaskerDuration);
    case RecordColumn::Modulated:
        return std::to_string(settings.Modulated);
    case RecordColumn::ModFreq:
        return FormatShortest(settings.ModFreq);
    case RecordColumn::ISI:
        return std::to_string(settings.ISI);
    case RecordColumn::RiseFall:
        return FormatShortest(settings.RiseFall);
    case RecordColumn::Attenuator:
        return AttenuatorName(settings.Attenuator);
    case RecordColumn::Device:
        return run.Log.SoundDevice;
    case RecordColumn::ListenerSeed:
        return ListenerValue(run, [](const SimulatedListenerRecord& l) { return std::to_string(l.Seed); });
    case RecordColumn::ListenerCriterion:
        return ListenerValue(run, [](const SimulatedListenerRecord& l) { return FormatShortest(l.CriterionDb); });
    case RecordColumn::ListenerNoise:
        return ListenerValue(run, [](const SimulatedListenerRecord& l) { return FormatShortest(l.NoiseDb); });
    case RecordColumn::Session:
        return SessionValue(run, [](const SessionMark& s) { return s.Id; });
    case RecordColumn::SessionRun:
        return SessionValue(run, [](const SessionMark& s) { return std::to_string(s.Run); });
    case RecordColumn::SessionRuns:
        return SessionValue(run, [](const SessionMark& s) { return std::to_string(s.Runs); });
    case RecordColumn::RunStatus:
        return SessionValue(run, [](const SessionMark& s) { return s.Status; });
    case RecordColumn::Point:
    case RecordColumn::MaskerFreq:
    case RecordColumn::MaskerSpl:
        return {};
    // run_points lets a reader tell a run whose rows were cut short (a power cut) from a whole one.
    case RecordColumn::RunPoints:
        return std::to_string(run.Points);
    case RecordColumn::SessionSeed:
        return SessionValue(run, [](const SessionMark& s) { return s.Seed; });
    case RecordColumn::SessionPlan:
        return SessionValue(run, [](const SessionMark& s) { return s.Plan; });
    // Only a session's opening row has its plan (PlanRow).
    case RecordColumn::SessionPlanText:
    case RecordColumn::ConditionsFile:
        return {};
    case RecordColumn::SubjectId:
        return state.Listener.Id;
    case RecordColumn::BirthDate:
        return state.Listener.BirthDate;
    case RecordColumn::Examiner:
        return state.Listener.Examiner;
    case RecordColumn::ListenerModel:
        return ListenerValue(run, [](const SimulatedListenerRecord& l) { return std::to_string(l.Model); });
    case RecordColumn::NormalTipLow:
        return FormatShortest(settings.NormalTipLow);
    case RecordColumn::NormalTipHigh:
        return FormatShortest(settings.NormalTipHigh);
    case RecordColumn::OffFrequencyShift:
        return FormatShortest(settings.OffFrequencyShift);
    case RecordColumn::CalibrationProfile:
        return ProfileValue(run, [](const CalibrationInUse& c) { return c.Profile; });
    case RecordColumn::CalibrationDate:
        return ProfileValue(run, [](const CalibrationInUse& c) { return c.LastCalibrated; });
    case RecordColumn::ToneCorrection:
        return run.Log.Calibration ? FormatForResults(run.Log.Calibration->ToneDb) : std::string();
    case RecordColumn::MaskerCorrectionMin:
        return AppliedValue(run, &AppliedCalibration::MaskerMinDb);
    case RecordColumn::MaskerCorrectionMax:
        return AppliedValue(run, &AppliedCalibration::MaskerMaxDb);
    case RecordColumn::Kc35Residual:
        return AppliedValue(run, &AppliedCalibration::Kc35ResidualDb);
    case RecordColumn::FlagCalibrationOverdue:
        return ProfileValue(run, [](const CalibrationInUse& c) { return std::string(c.Overdue ? "1" : "0"); });
    case RecordColumn::FlagNoListeningCheck:
        return ProfileValue(run, [](const CalibrationInUse& c) { return std::string(c.CheckedToday ? "0" : "1"); });
    case RecordColumn::RunType:
        return RunKindName(run.Log.Kind);
    case RecordColumn::ToneSL:
        return run.Log.ToneSL ? FormatShortest(*run.Log.ToneSL) : std::string();
    case RecordColumn::ThresholdRun:
        return run.Log.ThresholdRun;
    case RecordColumn::Threshold:
        return run.Log.Threshold ? FormatNumber(run.Log.Threshold->Level) : std::string();
    case RecordColumn::ThresholdSd:
        return run.Log.Threshold ? FormatNumber(run.Log.Threshold->Sd) : std::string();
    case RecordColumn::ThresholdReversals:
        return Levels(run.Log.Reversals);
    case RecordColumn::ThresholdFlags: {
        std::string flags;
        for (const std::string& flag : run.Log.ThresholdFlags) {
            flags += (flags.empty() ? "" : std::string(ThresholdFlagSeparator)) + flag;
        }
        return flags;
    }
    case RecordColumn::Count:
        break;
    }
    return {};
}

constexpr std::size_t At(RecordColumn column)
{
    return static_cast<std::size_t>(column);
}

// The rows of one run. A run without points has one row, its point columns empty, so that every
// run is on record.
Rows RecordRows(const SharedState& state, const RunLog& log, const std::string& runId, int count)
{
    const auto& points = state.Results.Points();
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(points.size())));
    const RunFacts facts{state, log, runId, ToLocal(log.Started), n};
    std::vector<std::string> run(RecordColumnCount);
    for (std::size_t c = 0; c < RecordColumnCount; ++c) {
        run[c] = RunValue(static_cast<RecordColumn>(c), facts);
    }
    Rows rows;
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<std::string>& row = rows.emplace_back(run);
        row[At(RecordColumn::Point)] = std::to_string(i + 1);
        row[At(RecordColumn::MaskerFreq)] = FormatForResults(points[i].Freq);
        row[At(RecordColumn::MaskerSpl)] = FormatForResults(points[i].SPL);
    }
    if (n == 0) {
        rows.push_back(run);
    }
    return rows;
}

// What the trial log holds of `trial` in `column`; `onset` is the trial's, already formatted.
std::string TrialValue(TrialColumn column, const TrialRecord& trial, const RunLog& log, const std::string& runId,
                       const std::string& onset)
{
    switch (column) {
    case TrialColumn::Run:
        return runId;
    case TrialColumn::Trial:
        return std::to_string(trial.Trial);
    case TrialColumn::MaskerFreq:
        return FormatForResults(trial.Frequency);
    case TrialColumn::MaskerSpl:
        return FormatForResults(trial.Level);
    case TrialColumn::Played:
        return trial.Played ? "1" : "0";
    case TrialColumn::Onset:
        return onset;
    case TrialColumn::Key:
        return trial.LevelDirection > 0 ? "down" : "up";
    case TrialColumn::KeyChanges:
        return std::to_string(trial.ReversalCount);
    case TrialColumn::Recorded:
        return std::to_string(trial.PointsRecorded);
    case TrialColumn::Dropout:
        return trial.Dropout ? "1" : "0";
    case TrialColumn::MaskerCorrection:
        return log.Calibration ? FormatForResults(trial.MaskerCorrection) : std::string();
    case TrialColumn::Count:
        break;
    }
    return {};
}

// The trial log's rows of the trials of `log` from `from` on. Onsets count from the run's first
// stimulus whose onset the sound output could tell.
Rows TrialRows(const RunLog& log, const std::string& runId, std::size_t from)
{
    Rows rows;
    const auto first = std::find_if(log.Trials.begin(), log.Trials.end(),
                                    [](const TrialRecord& trial) { return trial.OnsetFrame.has_value(); });
    for (std::size_t i = from; i < log.Trials.size(); ++i) {
        const TrialRecord& trial = log.Trials[i];
        const std::string onset =
            trial.OnsetFrame ? Seconds(static_cast<double>(*trial.OnsetFrame - *first->OnsetFrame) / SharedState::SampleRate)
                             : std::string();
        std::vector<std::string>& row = rows.emplace_back(TrialColumnCount);
        for (std::size_t c = 0; c < TrialColumnCount; ++c) {
            row[c] = TrialValue(static_cast<TrialColumn>(c), trial, log, runId, onset);
        }
    }
    return rows;
}

}  // namespace

void AppliedCalibration::NoteMasker(float correctionDb)
{
    MaskerMinDb = std::min(MaskerMinDb.value_or(correctionDb), correctionDb);
    MaskerMaxDb = std::max(MaskerMaxDb.value_or(correctionDb), correctionDb);
}

void AppliedCalibration::NoteResidual(float residualDb)
{
    if (!Kc35ResidualDb || std::abs(residualDb) > std::abs(*Kc35ResidualDb)) {
        Kc35ResidualDb = residualDb;
    }
}

std::string SessionRecordFileName(const std::string& resultsFileName)
{
    return ResultsName(resultsFileName) + ".csv";
}

std::string TrialLogFileName(const std::string& resultsFileName)
{
    return ResultsName(resultsFileName) + ".trials.csv";
}

std::string SessionLockFileName(const std::string& resultsFileName)
{
    return ResultsName(resultsFileName) + ".session.lock";
}

std::string MakeRunId(std::chrono::system_clock::time_point started, int previousRunNumber)
{
    return IsoTimestamp(started) + "_" + std::to_string(std::max(previousRunNumber, 0) + 1);
}

int LastRunNumber(std::string_view tail, bool fromStart)
{
    // A row of a run begins with its identifier, "<timestamp>_<number>,"; the first line of a
    // tail cut from inside the file may be the end of a row and is passed over.
    std::size_t end = tail.size();
    while (end > 0) {
        const std::size_t lineEnd = tail.rfind('\n', end - 1);
        const std::size_t start = lineEnd == std::string_view::npos ? 0 : lineEnd + 1;
        if (start > 0 || fromStart) {
            const std::string_view line = tail.substr(start, end - start);
            const std::string_view id = line.substr(0, line.find(','));
            const std::size_t mark = id.rfind('_');
            int number = 0;
            if (mark != std::string_view::npos && mark >= 19 && id[10] == 'T') {
                const auto [last, error] = std::from_chars(id.data() + mark + 1, id.data() + id.size(), number);
                if (error == std::errc() && last == id.data() + id.size() && number > 0) {
                    return number;
                }
            }
        }
        if (start == 0) {
            break;
        }
        end = start - 1;
    }
    return 0;
}

std::string SessionRecordHeader()
{
    return CsvRow(RecordColumnNames());
}

std::string TrialLogHeader()
{
    return CsvRow(TrialColumnNames());
}

std::string SessionTimestamp(std::chrono::system_clock::time_point started)
{
    return IsoTimestamp(started);
}

namespace {

// A row of a session that names no run, with the columns given and the others empty.
std::vector<std::string> SessionRow(std::chrono::system_clock::time_point when,
                                    std::initializer_list<std::pair<RecordColumn, std::string>> values)
{
    std::vector<std::string> row(RecordColumnCount);
    const LocalTime local = ToLocal(when);
    row[At(RecordColumn::Date)] = Formatted(local.Fields, "%Y-%m-%d");
    row[At(RecordColumn::Time)] = Formatted(local.Fields, "%H:%M:%S");
    row[At(RecordColumn::Version)] = QuorvexVersion;
    for (const auto& [column, value] : values) {
        row[At(column)] = value;
    }
    return row;
}

std::vector<std::string> PlanRow(const SessionPlanRow& plan)
{
    return SessionRow(plan.Started, {{RecordColumn::Subject, plan.Subject},
                                     {RecordColumn::Session, plan.SessionId},
                                     {RecordColumn::SessionRuns, std::to_string(plan.Runs)},
                                     {RecordColumn::RunStatus, "planned"},
                                     {RecordColumn::SessionSeed, plan.Seed},
                                     {RecordColumn::SessionPlan, plan.Fingerprint},
                                     {RecordColumn::SessionPlanText, plan.Text},
                                     {RecordColumn::ConditionsFile, plan.ConditionsFile}});
}

}  // namespace

std::string NewRunId(const std::string& resultsFileName, std::chrono::system_clock::time_point started)
{
    const LockedTextFile record(SessionRecordFileName(resultsFileName), LockedTextFile::Missing::Leave);
    const LockedTextFile trials(TrialLogFileName(resultsFileName), LockedTextFile::Missing::Leave);
    return MakeRunId(started, std::max(LastRunNumberIn(record), LastRunNumberIn(trials)));
}

SessionFilesOutcome WriteSessionFiles(const SharedState& state, const RunLog& log, int count)
{
    SessionFilesOutcome outcome;
    const std::string recordPath = SessionRecordFileName(state.ResultsFileName);
    const std::string trialsPath = TrialLogFileName(state.ResultsFileName);
    // Every writer takes the record first, then the trial log, and holds each until its rows
    // are in: the run's number and the header are decided on the files as they will be
    // appended to. A run without trials leaves a missing trial log missing.
    LockedTextFile record(recordPath);
    const bool trialsToWrite = log.TrialsWritten < log.Trials.size();
    LockedTextFile trials(trialsPath, trialsToWrite ? LockedTextFile::Missing::Create : LockedTextFile::Missing::Leave);
    outcome.RunId = !log.RunId.empty() ? log.RunId
                                        : MakeRunId(log.Started, std::max(LastRunNumberIn(record), LastRunNumberIn(trials)));
    const std::vector<std::string> recordColumns = ColumnsIn(record, RecordColumnNames(), RecordColumnsNeeded);
    const std::vector<std::string> trialColumns = ColumnsIn(trials, TrialColumnNames(), TrialColumnsNeeded);
    if (trialsToWrite) {
        outcome.TrialLogError = AppendRows(trials, trialsPath, TrialColumnNames(), TrialColumnsNeeded,
                                           TrialRows(log, outcome.RunId, log.TrialsWritten), "trial log")
                                    .Reason();
    }
    outcome.RecordError = AppendRows(record, recordPath, RecordColumnNames(), RecordColumnsNeeded,
                                     RecordRows(state, log, outcome.RunId, count), "session record")
                              .Reason();
    if (outcome.RecordError.empty()) {
        outcome.Written.push_back(recordPath);
        outcome.DictionaryError =
            UpdateRecordDictionary(state.ResultsFileName, recordColumns, trialColumns,
                                   DictionaryFacts{state.Calibration, log.SoundDevice})
                .Reason();
    }
    outcome.TrialLogWritten = !log.Trials.empty() && outcome.TrialLogError.empty();
    if (outcome.TrialLogWritten) {
        outcome.Written.push_back(trialsPath);
    }
    return outcome;
}

Result<> AppendTrialLogRows(const std::string& resultsFileName, RunLog& log)
{
    if (log.TrialsWritten >= log.Trials.size()) {
        return {};
    }
    const std::string path = TrialLogFileName(resultsFileName);
    LockedTextFile trials(path);
    Result<> appended = AppendRows(trials, path, TrialColumnNames(), TrialColumnsNeeded,
                                   TrialRows(log, log.RunId, log.TrialsWritten), "trial log");
    if (appended) {
        log.TrialsWritten = log.Trials.size();
    }
    return appended;
}

Result<> WriteSessionPlan(const std::string& resultsFileName, const SessionPlanRow& plan)
{
    const std::string path = SessionRecordFileName(resultsFileName);
    LockedTextFile record(path);
    const bool created = record.Empty();
    const std::vector<std::string> columns = ColumnsIn(record, RecordColumnNames(), RecordColumnsNeeded);
    Result<> appended = AppendRows(record, path, RecordColumnNames(), RecordColumnsNeeded, {PlanRow(plan)}, "session record");
    // A record begun by a session's plan has its dictionary from the start. A dictionary that
    // cannot be written here is written, or its failure reported, with the first run's rows.
    if (appended && created) {
        (void)UpdateRecordDictionary(resultsFileName, columns, {}, {});
    }
    return appended;
}

Result<> SetSessionAside(const std::string& resultsFileName, const std::string& sessionId, const std::string& subject,
                         std::chrono::system_clock::time_point when)
{
    const std::string path = SessionRecordFileName(resultsFileName);
    LockedTextFile record(path);
    return AppendRows(record, path, RecordColumnNames(), RecordColumnsNeeded,
                      {SessionRow(when, {{RecordColumn::Subject, subject},
                                        {RecordColumn::Session, sessionId},
                                        {RecordColumn::RunStatus, "set aside"}})},
                      "session record");
}
