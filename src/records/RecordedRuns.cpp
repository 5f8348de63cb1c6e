#include "RecordedRuns.h"

#include "Csv.h"
#include "NumberParse.h"
#include "RecordColumns.h"
#include "RunChoices.h"
#include "WholeFile.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace {

using R = RecordColumn;

using T = TrialColumn;

template <typename Positions, typename Column>
std::optional<float> Real(const Positions& c, const std::vector<std::string>& row, Column column)
{
    return ParseReal(c.Text(row, column), '.');
}

void ReadParameters(RecordedRun& run, const RecordColumnPositions& c, const std::vector<std::string>& row,
                    std::vector<std::string>& problems)
{
    TestCondition& p = run.Parameters;
    ExperimentSettings& s = run.Settings;
    const std::pair<RecordColumn, float*> fields[] = {
        {R::ToneF, &p.ToneF},
        {R::StartF, &p.StartF},
        {R::EndF, &p.EndF},
        {R::FStep, &p.FStep},
        {R::MaskerBW, &p.MaskerBW},
        {R::SPLstep, &p.SPLstep},
        {R::MaxSPL, &p.MaxSPL},
        {R::ToneSPL, &p.ToneSPL},
        {R::MaskStartSPL, &p.MaskStartSPL},
        {R::CalibFactor, &s.CalibFactor},
        {R::ToneDuration, &s.ToneDuration},
        {R::MaskerDuration, &s.MaskerDuration},
        {R::ModFreq, &s.ModFreq},
        {R::RiseFall, &s.RiseFall},
        {R::NormalTipLow, &s.NormalTipLow},
        {R::NormalTipHigh, &s.NormalTipHigh},
        {R::OffFrequencyShift, &s.OffFrequencyShift},
    };
    for (const auto& [column, field] : fields) {
        if (const auto value = Real(c, row, column)) {
            *field = *value;
        } else if (c.Has(column)) {
            problems.push_back("run " + run.RunId + ": " + Definition(column).Name + " is not a number");
        }
    }
    if (const std::string sl = c.Text(row, R::ToneSL); !sl.empty()) {
        p.ToneSL = ParseReal(sl, '.');
        if (!p.ToneSL) {
            problems.push_back("run " + run.RunId + ": ToneSL is not a number");
        }
    }
    s.ISI = ParseInteger(c.Text(row, R::ISI)).value_or(s.ISI);
    s.Modulated = ParseInteger(c.Text(row, R::Modulated)).value_or(s.Modulated);
    run.Condition = ParseInteger(c.Text(row, R::Condition)).value_or(0);
}

RecordedCalibration ReadCalibration(const RecordColumnPositions& c, const std::vector<std::string>& row)
{
    RecordedCalibration calibration;
    calibration.Profile = c.Text(row, R::CalibrationProfile);
    calibration.LastCalibrated = c.Text(row, R::CalibrationDate);
    calibration.ToneDb = Real(c, row, R::ToneCorrection);
    calibration.MaskerMinDb = Real(c, row, R::MaskerCorrectionMin);
    calibration.MaskerMaxDb = Real(c, row, R::MaskerCorrectionMax);
    calibration.Kc35ResidualDb = Real(c, row, R::Kc35Residual);
    calibration.Overdue = c.Text(row, R::FlagCalibrationOverdue) == "1";
    calibration.NoListeningCheck = c.Text(row, R::FlagNoListeningCheck) == "1";
    return calibration;
}

// The run type and, of a threshold run, its estimate and reversals ("40 36 38 ...").
void ReadThreshold(RecordedRun& run, const RecordColumnPositions& c, const std::vector<std::string>& row,
                   std::vector<std::string>& problems)
{
    const std::string type = c.Text(row, R::RunType);
    if (const std::optional<RunKind> kind = RunKindFromName(type)) {
        run.Kind = *kind;
    } else {
        problems.push_back("run " + run.RunId + ": run_type " + type + " is neither ptc nor threshold");
    }
    run.ThresholdRun = c.Text(row, R::ThresholdRun);
    if (run.Kind != RunKind::Threshold) {
        return;
    }
    const std::string reversals = c.Text(row, R::ThresholdReversals);
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
    const std::string flags = c.Text(row, R::ThresholdFlags);
    for (std::size_t start = 0; start < flags.size();) {
        const std::size_t end = std::min(flags.find(ThresholdFlagSeparator, start), flags.size());
        run.ThresholdFlags.push_back(flags.substr(start, end - start));
        start = end + ThresholdFlagSeparator.size();
    }
    const auto level = Real(c, row, R::Threshold);
    const auto sd = Real(c, row, R::ThresholdSd);
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
    const RecordColumnPositions c(rows.front());
    const std::size_t fields = rows.front().size();
    record.HasSessionColumn = c.Has(R::Session);
    std::map<std::string, std::size_t> byId;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        const std::string id = c.Text(row, R::Run);
        const std::string status = c.Text(row, R::RunStatus);
        const bool cut = row.size() < fields;
        if (id.empty()) {
            if (status == "planned" && !cut) {
                record.Plans.push_back({c.Text(row, R::Session), c.Text(row, R::Subject),
                                        ParseInteger(c.Text(row, R::SessionRuns)).value_or(0), c.Text(row, R::SessionSeed),
                                        c.Text(row, R::SessionPlan), c.Text(row, R::SessionPlanText),
                                        c.Text(row, R::ConditionsFile), c.Text(row, R::Date), c.Text(row, R::Time), r});
            } else if (status == "set aside" && !cut) {
                record.SetAside.insert(c.Text(row, R::Session));
            } else if (cut) {
                record.Problems.push_back("row " + std::to_string(r + 1) + " is cut short and names no run");
            }
            continue;
        }
        auto [where, added] = byId.emplace(id, record.Runs.size());
        if (added) {
            RecordedRun& run = record.Runs.emplace_back();
            run.RunId = id;
            run.Session = c.Text(row, R::Session);
            run.SessionRun = ParseInteger(c.Text(row, R::SessionRun)).value_or(0);
            run.SessionRuns = ParseInteger(c.Text(row, R::SessionRuns)).value_or(0);
            run.Status = status;
            run.SessionSeed = c.Text(row, R::SessionSeed);
            run.SessionPlan = c.Text(row, R::SessionPlan);
            run.ExpectedPoints = ParseInteger(c.Text(row, R::RunPoints)).value_or(-1);
            run.Simulated = !c.Text(row, R::ListenerSeed).empty();
            run.Date = c.Text(row, R::Date);
            run.Time = c.Text(row, R::Time);
            run.Version = c.Text(row, R::Version);
            run.Subject = c.Text(row, R::Subject);
            run.Listener = {c.Text(row, R::SubjectId), c.Text(row, R::BirthDate), c.Text(row, R::Examiner)};
            run.Ear = c.Text(row, R::Ear);
            run.Direction = c.Text(row, R::Direction);
            run.AttenuatorMode = c.Text(row, R::Attenuator);
            run.Device = c.Text(row, R::Device);
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
        const std::string freq = c.Text(row, R::MaskerFreq);
        const std::string level = c.Text(row, R::MaskerSpl);
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
    const TrialColumnPositions c(rows.front());
    std::map<std::string, std::vector<TrialEntry>> trials;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        TrialEntry entry;
        entry.Freq = Real(c, row, T::MaskerFreq).value_or(0.0f);
        entry.Level = Real(c, row, T::MaskerSpl).value_or(0.0f);
        if (const auto onset = Real(c, row, T::Onset)) {
            entry.OnsetSeconds = *onset;
        }
        entry.Dropout = c.Text(row, T::Dropout) == "1";
        trials[c.Text(row, T::Run)].push_back(entry);
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
