#include "RecordedRuns.h"

#include "Csv.h"
#include "NumberParse.h"
#include "RunChoices.h"
#include "SessionFiles.h"
#include "WholeFile.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

// The fields of a CSV table by the names of its header row.
class Columns {
public:
    explicit Columns(const std::vector<std::string>& header)
    {
        for (std::size_t i = 0; i < header.size(); ++i) {
            index_.emplace(header[i], i);
        }
    }

    bool Has(const std::string& name) const { return index_.contains(name); }

    std::string Text(const std::vector<std::string>& row, const std::string& name) const
    {
        const auto found = index_.find(name);
        return found != index_.end() && found->second < row.size() ? row[found->second] : std::string();
    }

    std::optional<float> Real(const std::vector<std::string>& row, const std::string& name) const
    {
        return ParseReal(Text(row, name), '.');
    }

private:
    std::map<std::string, std::size_t> index_;
};

void ReadParameters(RecordedRun& run, const Columns& c, const std::vector<std::string>& row,
                    std::vector<std::string>& problems)
{
    TestCondition& p = run.Parameters;
    ExperimentSettings& s = run.Settings;
    const std::pair<const char*, float*> fields[] = {
        {"ToneF", &p.ToneF},         {"StartF", &p.StartF},
        {"EndF", &p.EndF},           {"FStep", &p.FStep},
        {"MaskerBW", &p.MaskerBW},   {"SPLstep", &p.SPLstep},
        {"MaxSPL", &p.MaxSPL},       {"ToneSPL", &p.ToneSPL},
        {"MaskStartSPL", &p.MaskStartSPL}, {"CalibFactor", &s.CalibFactor},
        {"ToneDuration", &s.ToneDuration}, {"MaskerDuration", &s.MaskerDuration},
        {"ModFreq", &s.ModFreq},     {"RiseFall", &s.RiseFall},
        {"normal_tip_low", &s.NormalTipLow}, {"normal_tip_high", &s.NormalTipHigh},
        {"off_frequency_shift", &s.OffFrequencyShift},
    };
    for (const auto& [name, field] : fields) {
        if (const auto value = c.Real(row, name)) {
            *field = *value;
        } else if (c.Has(name)) {
            problems.push_back("run " + run.RunId + ": " + name + " is not a number");
        }
    }
    if (const std::string sl = c.Text(row, "ToneSL"); !sl.empty()) {
        p.ToneSL = ParseReal(sl, '.');
        if (!p.ToneSL) {
            problems.push_back("run " + run.RunId + ": ToneSL is not a number");
        }
    }
    s.ISI = ParseInteger(c.Text(row, "ISI")).value_or(s.ISI);
    s.Modulated = ParseInteger(c.Text(row, "Modulated")).value_or(s.Modulated);
    run.Condition = ParseInteger(c.Text(row, "condition")).value_or(0);
}

RecordedCalibration ReadCalibration(const Columns& c, const std::vector<std::string>& row)
{
    RecordedCalibration calibration;
    calibration.Profile = c.Text(row, "calibration_profile");
    calibration.LastCalibrated = c.Text(row, "calibration_date");
    calibration.ToneDb = c.Real(row, "tone_correction");
    calibration.MaskerMinDb = c.Real(row, "masker_correction_min");
    calibration.MaskerMaxDb = c.Real(row, "masker_correction_max");
    calibration.Kc35ResidualDb = c.Real(row, "kc35_residual");
    calibration.Overdue = c.Text(row, "flag_calibration_overdue") == "1";
    calibration.NoListeningCheck = c.Text(row, "flag_no_listening_check") == "1";
    return calibration;
}

// The run type and, of a threshold run, its estimate and reversals ("40 36 38 ...").
void ReadThreshold(RecordedRun& run, const Columns& c, const std::vector<std::string>& row,
                   std::vector<std::string>& problems)
{
    const std::string type = c.Text(row, "run_type");
    if (const std::optional<RunKind> kind = RunKindFromName(type)) {
        run.Kind = *kind;
    } else {
        problems.push_back("run " + run.RunId + ": run_type " + type + " is neither ptc nor threshold");
    }
    run.ThresholdRun = c.Text(row, "threshold_run");
    if (run.Kind != RunKind::Threshold) {
        return;
    }
    const std::string reversals = c.Text(row, "threshold_reversals");
    std::size_t start = 0;
    while (start < reversals.size()) {
        const std::size_t end = std::min(reversals.find(' ', start), reversals.size());
        if (const auto level = ParseReal(reversals.substr(start, end - start), '.')) {
            run.Reversals.push_back(*level);
        } else if (end > start) {
            problems.push_back("run " + run.RunId + ": a reversal level that is not a number");
        }
        start = end + 1;
    }
    const std::string flags = c.Text(row, "threshold_flags");
    const std::string separator = ThresholdFlagSeparator;
    for (std::size_t start = 0; start < flags.size();) {
        const std::size_t end = std::min(flags.find(separator, start), flags.size());
        run.ThresholdFlags.push_back(flags.substr(start, end - start));
        start = end + separator.size();
    }
    const auto level = c.Real(row, "threshold");
    const auto sd = c.Real(row, "threshold_sd");
    if (level && sd) {
        run.Threshold = ThresholdEstimate{*level, *sd, std::min<int>(static_cast<int>(run.Reversals.size()),
                                                                      ThresholdReversalsAveraged)};
    }
}

std::string FileText(const std::string& path, const char* what, std::vector<std::string>& problems)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return {};
    }
    const WholeFile file = ReadWholeFile(path);
    if (file.Error) {
        problems.push_back(std::string("cannot read the ") + what + " '" + path + "': " + file.Error.message());
    }
    return file.Text;
}

}  // namespace

std::vector<std::string> CalibrationFlagTitles(const RecordedCalibration& calibration)
{
    std::vector<std::string> titles;
    if (calibration.Overdue) {
        titles.emplace_back("calibration overdue");
    }
    if (calibration.NoListeningCheck) {
        titles.emplace_back("no listening check");
    }
    return titles;
}

RecordedRuns ReadSessionRecord(const std::string& text)
{
    RecordedRuns record;
    const auto rows = ParseCsv(text);
    if (rows.empty()) {
        return record;
    }
    const Columns c(rows.front());
    const std::size_t fields = rows.front().size();
    record.HasSessionColumn = c.Has("session");
    std::map<std::string, std::size_t> byId;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        const std::string id = c.Text(row, "run");
        const std::string status = c.Text(row, "run_status");
        const bool cut = row.size() < fields;
        if (id.empty()) {
            if (status == "planned" && !cut) {
                record.Plans.push_back({c.Text(row, "session"), c.Text(row, "subject"),
                                        ParseInteger(c.Text(row, "session_runs")).value_or(0), c.Text(row, "session_seed"),
                                        c.Text(row, "session_plan"), c.Text(row, "session_plan_text"),
                                        c.Text(row, "conditions_file"), c.Text(row, "date"), c.Text(row, "time"), r});
            } else if (status == "set aside" && !cut) {
                record.SetAside.insert(c.Text(row, "session"));
            } else if (cut) {
                record.Problems.push_back("row " + std::to_string(r + 1) + " is cut short and names no run");
            }
            continue;
        }
        auto [where, added] = byId.emplace(id, record.Runs.size());
        if (added) {
            RecordedRun& run = record.Runs.emplace_back();
            run.RunId = id;
            run.Session = c.Text(row, "session");
            run.SessionRun = ParseInteger(c.Text(row, "session_run")).value_or(0);
            run.SessionRuns = ParseInteger(c.Text(row, "session_runs")).value_or(0);
            run.Status = status;
            run.SessionSeed = c.Text(row, "session_seed");
            run.SessionPlan = c.Text(row, "session_plan");
            run.ExpectedPoints = ParseInteger(c.Text(row, "run_points")).value_or(-1);
            run.Simulated = !c.Text(row, "listener_seed").empty();
            run.Date = c.Text(row, "date");
            run.Time = c.Text(row, "time");
            run.Version = c.Text(row, "version");
            run.Subject = c.Text(row, "subject");
            run.Listener = {c.Text(row, "subject_id"), c.Text(row, "birth_date"), c.Text(row, "examiner")};
            run.Ear = c.Text(row, "ear");
            run.Direction = c.Text(row, "direction");
            run.AttenuatorMode = c.Text(row, "attenuator");
            run.Device = c.Text(row, "device");
            run.Calibration = ReadCalibration(c, row);
            ReadParameters(run, c, row, record.Problems);
            ReadThreshold(run, c, row, record.Problems);
        }
        RecordedRun& run = record.Runs[where->second];
        run.LastRow = r;
        if (!added && status == "repeated") {
            run.MarkedRepeated = true;
            continue;
        }
        // The operator's last mark withdrawn: a repeat, or else a skip.
        if (!added && status == "undone") {
            if (run.MarkedRepeated) {
                run.MarkedRepeated = false;
            } else if (run.Status == "skipped") {
                run.SkipUndone = true;
            }
            continue;
        }
        if (cut) {
            run.Incomplete = true;
            record.Problems.push_back("run " + id + ": row " + std::to_string(r + 1) + " is cut short");
            continue;
        }
        const std::string freq = c.Text(row, "masker_freq");
        const std::string level = c.Text(row, "masker_spl");
        if (freq.empty() && level.empty()) {
            continue;  // a run that left no point
        }
        const auto f = ParseReal(freq, '.');
        const auto l = ParseReal(level, '.');
        if (f && l) {
            run.Points.push_back({*f, *l});
        } else {
            record.Problems.push_back("run " + id + ": a point that is not a number (" + freq + ", " + level + ")");
        }
    }
    for (RecordedRun& run : record.Runs) {
        if (run.ExpectedPoints >= 0 && static_cast<int>(run.Points.size()) != run.ExpectedPoints && !run.Incomplete) {
            run.Incomplete = true;
            record.Problems.push_back("run " + run.RunId + ": " + std::to_string(run.Points.size()) + " of its "
                                      + std::to_string(run.ExpectedPoints) + " points are on record");
        }
    }
    return record;
}

std::string LeftOutBecause(const RecordedRun& run)
{
    if (run.Kind == RunKind::Threshold) {
        return "threshold run";
    }
    if (run.Incomplete) {
        return "record incomplete";
    }
    if (run.MarkedRepeated) {
        return "repeated";
    }
    if (run.Status == "ended" || run.Status == "practice") {
        return run.Status;
    }
    return {};
}

void AddTrialLog(RecordedRuns& runs, const std::string& text)
{
    const auto rows = ParseCsv(text);
    if (rows.empty()) {
        return;
    }
    const Columns c(rows.front());
    std::map<std::string, std::vector<TrialEntry>> trials;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        TrialEntry entry;
        entry.Freq = c.Real(row, "masker_freq").value_or(0.0f);
        entry.Level = c.Real(row, "masker_spl").value_or(0.0f);
        if (const auto onset = c.Real(row, "onset")) {
            entry.OnsetSeconds = *onset;
        }
        entry.Dropout = c.Text(row, "dropout") == "1";
        trials[c.Text(row, "run")].push_back(entry);
    }
    for (RecordedRun& run : runs.Runs) {
        const auto found = trials.find(run.RunId);
        if (found != trials.end()) {
            run.LoggedTrials = std::move(found->second);
        }
    }
}

RecordedRuns ReadRecordFiles(const std::string& recordPath, const std::string& trialLogPath)
{
    std::vector<std::string> problems;
    RecordedRuns runs = ReadSessionRecord(FileText(recordPath, "session record", problems));
    AddTrialLog(runs, FileText(trialLogPath, "trial log", problems));
    runs.Problems.insert(runs.Problems.begin(), problems.begin(), problems.end());
    return runs;
}
