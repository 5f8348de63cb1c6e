#include "SessionFiles.h"

#include "Csv.h"
#include "NumberFormat.h"
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
#include <iterator>

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

struct RecordColumn {
    const char* Name;
    std::string (*Value)(const RunFacts&);
};

std::string ListenerValue(const RunFacts& run, std::string (*value)(const SimulatedListenerRecord&))
{
    return run.Log.Listener ? value(*run.Log.Listener) : std::string();
}

// The columns every row of a run shares, in the file's order; the point's own columns follow.
// A column is added here, and the header and every row follow.
const RecordColumn RunColumns[] = {
    {"run", [](const RunFacts& run) { return run.RunId; }},
    {"date", [](const RunFacts& run) { return Formatted(run.Started.Fields, "%Y-%m-%d"); }},
    {"time", [](const RunFacts& run) { return Formatted(run.Started.Fields, "%H:%M:%S"); }},
    {"version", [](const RunFacts&) { return std::string(QuorvexVersion); }},
    {"subject", [](const RunFacts& run) { return run.State.SubjectName; }},
    {"ear", [](const RunFacts& run) { return EarName(run.State.Ear); }},
    {"direction", [](const RunFacts& run) { return DirectionName(run.State.SweepDirection); }},
    {"condition", [](const RunFacts& run) { return std::to_string(run.State.CurrentCondition + 1); }},
    {"ToneF", [](const RunFacts& run) { return FormatShortest(run.State.Current().ToneF); }},
    {"StartF", [](const RunFacts& run) { return FormatShortest(run.State.Current().StartF); }},
    {"EndF", [](const RunFacts& run) { return FormatShortest(run.State.Current().EndF); }},
    {"FStep", [](const RunFacts& run) { return FormatShortest(run.State.Current().FStep); }},
    {"MaskerBW", [](const RunFacts& run) { return FormatShortest(run.State.Current().MaskerBW); }},
    {"SPLstep", [](const RunFacts& run) { return FormatShortest(run.State.Current().SPLstep); }},
    {"MaxSPL", [](const RunFacts& run) { return FormatShortest(run.State.Current().MaxSPL); }},
    // A threshold run's tone starts at ThresholdStartSPL and follows the key.
    {"ToneSPL",
     [](const RunFacts& run) {
         return FormatShortest(run.Log.Kind == RunKind::Threshold ? run.State.Settings.ThresholdStartSPL
                                                                  : run.State.Current().ToneSPL);
     }},
    {"MaskStartSPL", [](const RunFacts& run) { return FormatShortest(run.State.Current().MaskStartSPL); }},
    {"CalibFactor", [](const RunFacts& run) { return FormatShortest(run.State.Settings.CalibFactor); }},
    {"ToneDuration", [](const RunFacts& run) { return FormatShortest(run.State.Settings.ToneDuration); }},
    {"MaskerDuration", [](const RunFacts& run) { return FormatShortest(run.State.Settings.MaskerDuration); }},
    {"Modulated", [](const RunFacts& run) { return std::to_string(run.State.Settings.Modulated); }},
    {"ModFreq", [](const RunFacts& run) { return FormatShortest(run.State.Settings.ModFreq); }},
    {"ISI", [](const RunFacts& run) { return std::to_string(run.State.Settings.ISI); }},
    {"RiseFall", [](const RunFacts& run) { return FormatShortest(run.State.Settings.RiseFall); }},
    {"attenuator", [](const RunFacts& run) { return AttenuatorName(run.State.Settings.Attenuator); }},
    {"device", [](const RunFacts& run) { return run.Log.SoundDevice; }},
    {"listener_seed",
     [](const RunFacts& run) {
         return ListenerValue(run, [](const SimulatedListenerRecord& l) { return std::to_string(l.Seed); });
     }},
    {"listener_criterion",
     [](const RunFacts& run) {
         return ListenerValue(run, [](const SimulatedListenerRecord& l) { return FormatShortest(l.CriterionDb); });
     }},
    {"listener_noise",
     [](const RunFacts& run) {
         return ListenerValue(run, [](const SimulatedListenerRecord& l) { return FormatShortest(l.NoiseDb); });
     }},
    {"session", [](const RunFacts& run) { return run.Log.Session ? run.Log.Session->Id : std::string(); }},
    {"session_run",
     [](const RunFacts& run) { return run.Log.Session ? std::to_string(run.Log.Session->Run) : std::string(); }},
    {"session_runs",
     [](const RunFacts& run) { return run.Log.Session ? std::to_string(run.Log.Session->Runs) : std::string(); }},
    {"run_status", [](const RunFacts& run) { return run.Log.Session ? run.Log.Session->Status : std::string(); }},
};

const char* const PointColumns[] = {"point", "masker_freq", "masker_spl"};

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

// Columns added after the point's: a file begun by a version without them keeps taking rows.
// run_points lets a reader tell a run whose rows were cut short (a power cut) from a whole one.
const RecordColumn LaterColumns[] = {
    {"run_points", [](const RunFacts& run) { return std::to_string(run.Points); }},
    {"session_seed", [](const RunFacts& run) { return SessionValue(run, [](const SessionMark& s) { return s.Seed; }); }},
    {"session_plan", [](const RunFacts& run) { return SessionValue(run, [](const SessionMark& s) { return s.Plan; }); }},
    {"session_plan_text", [](const RunFacts&) { return std::string(); }},
    {"conditions_file", [](const RunFacts&) { return std::string(); }},
    {"subject_id", [](const RunFacts& run) { return run.State.Listener.Id; }},
    {"birth_date", [](const RunFacts& run) { return run.State.Listener.BirthDate; }},
    {"examiner", [](const RunFacts& run) { return run.State.Listener.Examiner; }},
    {"listener_model",
     [](const RunFacts& run) {
         return ListenerValue(run, [](const SimulatedListenerRecord& l) { return std::to_string(l.Model); });
     }},
    // The norm the run's tip is judged against, as the test-condition file gave it.
    {"normal_tip_low", [](const RunFacts& run) { return FormatShortest(run.State.Settings.NormalTipLow); }},
    {"normal_tip_high", [](const RunFacts& run) { return FormatShortest(run.State.Settings.NormalTipHigh); }},
    {"off_frequency_shift", [](const RunFacts& run) { return FormatShortest(run.State.Settings.OffFrequencyShift); }},
    // The calibration profile the run was measured with and what it applied (dB).
    {"calibration_profile",
     [](const RunFacts& run) { return ProfileValue(run, [](const CalibrationInUse& c) { return c.Profile; }); }},
    {"calibration_date",
     [](const RunFacts& run) { return ProfileValue(run, [](const CalibrationInUse& c) { return c.LastCalibrated; }); }},
    {"tone_correction",
     [](const RunFacts& run) {
         return run.Log.Calibration ? FormatForResults(run.Log.Calibration->ToneDb) : std::string();
     }},
    {"masker_correction_min", [](const RunFacts& run) { return AppliedValue(run, &AppliedCalibration::MaskerMinDb); }},
    {"masker_correction_max", [](const RunFacts& run) { return AppliedValue(run, &AppliedCalibration::MaskerMaxDb); }},
    {"kc35_residual", [](const RunFacts& run) { return AppliedValue(run, &AppliedCalibration::Kc35ResidualDb); }},
    {"flag_calibration_overdue",
     [](const RunFacts& run) {
         return ProfileValue(run, [](const CalibrationInUse& c) { return std::string(c.Overdue ? "1" : "0"); });
     }},
    {"flag_no_listening_check",
     [](const RunFacts& run) {
         return ProfileValue(run, [](const CalibrationInUse& c) { return std::string(c.CheckedToday ? "0" : "1"); });
     }},
    // What the run measured, and the threshold: a threshold run's own estimate, or the threshold
    // run a tone in dB SL rests on.
    {"run_type", [](const RunFacts& run) { return RunKindName(run.Log.Kind); }},
    {"ToneSL", [](const RunFacts& run) { return run.Log.ToneSL ? FormatShortest(*run.Log.ToneSL) : std::string(); }},
    {"threshold_run", [](const RunFacts& run) { return run.Log.ThresholdRun; }},
    {"threshold",
     [](const RunFacts& run) { return run.Log.Threshold ? FormatNumber(run.Log.Threshold->Level) : std::string(); }},
    {"threshold_sd",
     [](const RunFacts& run) { return run.Log.Threshold ? FormatNumber(run.Log.Threshold->Sd) : std::string(); }},
    {"threshold_reversals",
     [](const RunFacts& run) {
         std::string levels;
         for (const float level : run.Log.Reversals) {
             if (!levels.empty()) {
                 levels += ' ';
             }
             levels += FormatShortest(level);
         }
         return levels;
     }},
    {"threshold_flags",
     [](const RunFacts& run) {
         std::string flags;
         for (const std::string& flag : run.Log.ThresholdFlags) {
             flags += (flags.empty() ? "" : ThresholdFlagSeparator) + flag;
         }
         return flags;
     }},
};

// The columns a session record must have for this version to add rows to it.
constexpr std::size_t RecordColumnsNeeded = std::size(RunColumns) + std::size(PointColumns);

std::vector<std::string> RecordHeaderFields()
{
    std::vector<std::string> names;
    for (const RecordColumn& column : RunColumns) {
        names.emplace_back(column.Name);
    }
    names.insert(names.end(), std::begin(PointColumns), std::end(PointColumns));
    for (const RecordColumn& column : LaterColumns) {
        names.emplace_back(column.Name);
    }
    return names;
}

const std::vector<std::string> TrialLogFields = {"run", "trial", "masker_freq", "masker_spl", "played", "onset",
                                                 "key", "key_changes", "recorded", "dropout", "masker_correction"};
// A trial log begun by a version without the later columns keeps taking rows in its own.
constexpr std::size_t TrialLogColumnsNeeded = 10;

// The rows of one run. A run without points has one row, its point columns empty, so that every
// run is on record.
Rows RecordRows(const SharedState& state, const RunLog& log, const std::string& runId, int count)
{
    const auto& points = state.Results.Points();
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(points.size())));
    const RunFacts facts{state, log, runId, ToLocal(log.Started), n};
    std::vector<std::string> run;
    for (const RecordColumn& column : RunColumns) {
        run.push_back(column.Value(facts));
    }
    std::vector<std::string> later;
    for (const RecordColumn& column : LaterColumns) {
        later.push_back(column.Value(facts));
    }
    Rows rows;
    for (std::size_t i = 0; i < n; ++i) {
        std::vector<std::string>& row = rows.emplace_back(run);
        row.push_back(std::to_string(i + 1));
        row.push_back(FormatForResults(points[i].Freq));
        row.push_back(FormatForResults(points[i].SPL));
        row.insert(row.end(), later.begin(), later.end());
    }
    if (n == 0) {
        std::vector<std::string>& row = rows.emplace_back(run);
        row.resize(row.size() + std::size(PointColumns));
        row.insert(row.end(), later.begin(), later.end());
    }
    return rows;
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
        rows.push_back({runId, std::to_string(trial.Trial), FormatForResults(trial.Frequency),
                        FormatForResults(trial.Level), trial.Played ? "1" : "0", onset,
                        trial.LevelDirection > 0 ? "down" : "up", std::to_string(trial.ReversalCount),
                        std::to_string(trial.PointsRecorded), trial.Dropout ? "1" : "0",
                        log.Calibration ? FormatForResults(trial.MaskerCorrection) : std::string()});
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
    return CsvRow(RecordHeaderFields());
}

std::string TrialLogHeader()
{
    return CsvRow(TrialLogFields);
}

std::string SessionTimestamp(std::chrono::system_clock::time_point started)
{
    return IsoTimestamp(started);
}

namespace {

// A row of a session that names no run, with the columns given and the others empty.
std::vector<std::string> SessionRow(std::chrono::system_clock::time_point when,
                                    std::initializer_list<std::pair<const char*, std::string>> values)
{
    const std::vector<std::string> header = RecordHeaderFields();
    std::vector<std::string> row(header.size());
    const LocalTime local = ToLocal(when);
    const auto set = [&](const char* name, const std::string& value) {
        row[static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin())] = value;
    };
    set("date", Formatted(local.Fields, "%Y-%m-%d"));
    set("time", Formatted(local.Fields, "%H:%M:%S"));
    set("version", QuorvexVersion);
    for (const auto& [name, value] : values) {
        set(name, value);
    }
    return row;
}

std::vector<std::string> PlanRow(const SessionPlanRow& plan)
{
    return SessionRow(plan.Started, {{"subject", plan.Subject},
                                     {"session", plan.SessionId},
                                     {"session_runs", std::to_string(plan.Runs)},
                                     {"run_status", "planned"},
                                     {"session_seed", plan.Seed},
                                     {"session_plan", plan.Fingerprint},
                                     {"session_plan_text", plan.Text},
                                     {"conditions_file", plan.ConditionsFile}});
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
    const std::vector<std::string> recordColumns = ColumnsIn(record, RecordHeaderFields(), RecordColumnsNeeded);
    const std::vector<std::string> trialColumns = ColumnsIn(trials, TrialLogFields, TrialLogColumnsNeeded);
    if (trialsToWrite) {
        outcome.TrialLogError = AppendRows(trials, trialsPath, TrialLogFields, TrialLogColumnsNeeded,
                                           TrialRows(log, outcome.RunId, log.TrialsWritten), "trial log")
                                    .Reason();
    }
    outcome.RecordError = AppendRows(record, recordPath, RecordHeaderFields(), RecordColumnsNeeded,
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
    Result<> appended = AppendRows(trials, path, TrialLogFields, TrialLogColumnsNeeded,
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
    const std::vector<std::string> columns = ColumnsIn(record, RecordHeaderFields(), RecordColumnsNeeded);
    Result<> appended = AppendRows(record, path, RecordHeaderFields(), RecordColumnsNeeded, {PlanRow(plan)}, "session record");
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
    return AppendRows(record, path, RecordHeaderFields(), RecordColumnsNeeded,
                      {SessionRow(when, {{"subject", subject}, {"session", sessionId}, {"run_status", "set aside"}})},
                      "session record");
}
