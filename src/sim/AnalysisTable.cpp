#include "AnalysisTable.h"

#include "Csv.h"
#include "NumberFormat.h"

#include <optional>

namespace {

std::string OptionalNumber(const std::optional<double>& value)
{
    return value ? FormatForResults(*value) : std::string();
}

// Marked from the criterion of the run's norm; a block the record does not have, from the default.
std::string Marked(const std::optional<double>& shift, const TipFinding* finding)
{
    const double criterion = finding != nullptr ? finding->CriterionPercent : TipNorm{}.OffFrequencyPercent;
    return shift ? (ShiftMarked(*shift, criterion) ? "1" : "0") : "";
}

std::string Bit(bool raised)
{
    return raised ? "1" : "0";
}

// What one row says beside the measures.
struct RowHead {
    std::string Block, Subject, Ear;
    std::optional<double> ToneF, ToneSPL;
    std::string Run, Session, Condition, Direction, Runs, Date;
    bool MaxSplJudged = false;
    bool TrialsJudged = false;
    TipSpread Spread;
    std::optional<double> GridFrom, GridTo;
    std::string Status, LeftOut, Simulated, RecordIncomplete, NoTrialLog;
    std::string CalibrationProfile, CalibrationDate, ToneCorrection, MaskerCorrectionMin, MaskerCorrectionMax;
    std::string CalibrationOverdue, NoListeningCheck;
    const TipFinding* Finding = nullptr;  // none for a block the record does not have
};

std::string OptionalNumber(const std::optional<float>& value)
{
    return value ? FormatForResults(*value) : std::string();
}

// A run's calibration columns; the flags are judged only for a run with a profile.
void SetCalibration(RowHead& head, const RecordedCalibration& c)
{
    if (c.Profile.empty()) {
        return;
    }
    head.CalibrationProfile = c.Profile;
    head.CalibrationDate = c.LastCalibrated;
    head.ToneCorrection = OptionalNumber(c.ToneDb);
    head.MaskerCorrectionMin = OptionalNumber(c.MaskerMinDb);
    head.MaskerCorrectionMax = OptionalNumber(c.MaskerMaxDb);
    head.CalibrationOverdue = Bit(c.Overdue);
    head.NoListeningCheck = Bit(c.NoListeningCheck);
}

// A combined curve's: a flag raised by any of its runs; the profile when they share one.
void AddCalibration(RowHead& head, const RecordedCalibration& c, bool first)
{
    if (first) {
        SetCalibration(head, c);
        head.CalibrationDate.clear();
        head.ToneCorrection.clear();
        head.MaskerCorrectionMin.clear();
        head.MaskerCorrectionMax.clear();
        return;
    }
    if (head.CalibrationProfile != c.Profile) {
        head.CalibrationProfile.clear();
    }
    if (!c.Profile.empty()) {
        head.CalibrationOverdue = Bit(head.CalibrationOverdue == "1" || c.Overdue);
        head.NoListeningCheck = Bit(head.NoListeningCheck == "1" || c.NoListeningCheck);
    }
}

// The finding's columns; empty for a block without a run on record, whose direction and norm
// are unknown.
void AddFinding(std::vector<std::string>& row, const TipFinding* f)
{
    if (f == nullptr) {
        row.insert(row.end(), {"", "", "", "", "", "", "not in the session record: its sweep direction and norm are unknown"});
        return;
    }
    const bool tip = f->Kind != FindingKind::NotDefinable;
    row.insert(row.end(), {FindingWord(f->Kind), tip ? OptionalNumber(f->ShiftPercent) : "",
                           tip ? (f->Fitted ? "fitted" : "smoothed") : "", FormatForResults(f->LowPercent),
                           FormatForResults(f->HighPercent), FormatForResults(f->CriterionPercent), f->Reason});
}

std::string Flag(const CurveMeasures& m, QualityFlag flag, const RowHead& head)
{
    const bool judged = flag == QualityFlag::MaskerAtMax ? head.MaxSplJudged
                        : (flag == QualityFlag::SweepUnfinished || flag == QualityFlag::PlaybackFaults) ? head.TrialsJudged
                                                                                                         : true;
    if (!judged) {
        return {};
    }
    return m.Find(flag) ? "1" : "0";
}

std::string Row(const RowHead& h, const CurveMeasures& m, const AnalysisParameters& p)
{
    const CurveAnalysis& s = m.Smoothed;
    const std::string reason = !s.Tip ? s.TipProblem : !s.Q10 ? s.Q10Problem : "";
    std::string reasons;
    for (const RaisedFlag& flag : m.Flags) {
        reasons += (reasons.empty() ? "" : "; ") + std::string(FlagTitle(flag.Flag)) + ": " + flag.Reason;
    }
    std::vector<std::string> row = {
        h.Block, h.Subject, h.Ear, OptionalNumber(h.ToneF), OptionalNumber(h.ToneSPL), std::to_string(s.Points),
        s.Tip ? FormatForResults(s.Tip->Freq) : "", s.Tip ? FormatForResults(s.Tip->SPL) : "", OptionalNumber(s.Q10), reason,
        h.Run, h.Session, h.Condition, h.Direction, h.Runs, h.Date,
        OptionalNumber(m.ShiftPercent), Marked(m.ShiftPercent, h.Finding), OptionalNumber(s.LowHz), OptionalNumber(s.HighHz),
        OptionalNumber(m.Fitted.Freq), OptionalNumber(m.Fitted.Level), OptionalNumber(m.FittedShiftPercent), Marked(m.FittedShiftPercent, h.Finding),
        std::to_string(m.Fitted.Points), s.Tip ? FormatForResults(m.Fitted.WindowLowHz) : "",
        s.Tip ? FormatForResults(m.Fitted.WindowHighHz) : "", m.Fitted.Freq ? "" : m.Fitted.Problem,
        OptionalNumber(m.Low.DbPerOctave), std::to_string(m.Low.Points), OptionalNumber(m.High.DbPerOctave),
        std::to_string(m.High.Points), OptionalNumber(h.Spread.SmoothedHz), OptionalNumber(h.Spread.FittedHz), OptionalNumber(h.GridFrom),
        OptionalNumber(h.GridTo)};
    for (const QualityFlag flag : AllQualityFlags) {
        row.push_back(Flag(m, flag, h));
    }
    row.push_back(reasons);
    row.push_back(FormatForResults(p.FitHalfWidthOctaves));
    row.push_back(FormatForResults(p.SlopeExclusionOctaves));
    for (const std::string* later : {&h.Status, &h.LeftOut, &h.Simulated, &h.RecordIncomplete, &h.NoTrialLog}) {
        row.push_back(*later);
    }
    AddFinding(row, h.Finding);
    for (const std::string* calibration : {&h.CalibrationProfile, &h.CalibrationDate, &h.ToneCorrection,
                                           &h.MaskerCorrectionMin, &h.MaskerCorrectionMax, &h.CalibrationOverdue,
                                           &h.NoListeningCheck}) {
        row.push_back(*calibration);
    }
    return CsvRow(row);
}

std::string Header()
{
    std::vector<std::string> names = {
        "block", "subject", "ear", "ToneF", "ToneSPL", "points", "tip_freq", "tip_spl", "Q10", "reason",
        "run", "session", "condition", "direction", "runs", "date",
        "tip_shift_pct", "tip_shift_marked", "q10_low_freq", "q10_high_freq",
        "fit_tip_freq", "fit_tip_spl", "fit_shift_pct", "fit_shift_marked", "fit_points", "fit_window_low",
        "fit_window_high", "fit_reason", "low_slope", "low_slope_points", "high_slope", "high_slope_points",
        "tip_diff", "fit_tip_diff", "grid_from", "grid_to"};
    for (const QualityFlag flag : AllQualityFlags) {
        names.emplace_back(FlagColumn(flag));
    }
    names.insert(names.end(), {"flag_reasons", "fit_half_width_oct", "slope_exclusion_oct", "run_status", "left_out",
                               "simulated", "flag_record_incomplete", "flag_no_trial_log", "finding", "finding_shift_pct",
                               "finding_tip", "normal_low_pct", "normal_high_pct", "off_frequency_pct",
                               "finding_reason", "calibration_profile", "calibration_date", "tone_correction",
                               "masker_correction_min", "masker_correction_max", "flag_calibration_overdue",
                               "flag_no_listening_check"});
    return CsvRow(names);
}

}  // namespace

std::string RecordedStatus(const RecordedRun& run)
{
    return run.MarkedRepeated ? "repeated" : run.Status;
}

std::vector<BlockRun> MatchBlocksToRuns(const std::vector<ResultsBlock>& blocks, const ResultsAnalysis& analysis)
{
    std::vector<BlockRun> matched;
    std::vector<bool> used(analysis.Runs.size(), false);
    for (const ResultsBlock& block : blocks) {
        BlockRun entry;
        for (std::size_t i = 0; i < analysis.Runs.size(); ++i) {
            const RecordedRun& run = analysis.Runs[i].Run;
            const bool same = run.Incomplete ? StartsWithPoints(block.Points, run.Points) : SamePoints(run.Points, block.Points);
            if (!used[i] && same) {
                used[i] = true;
                entry.Run = &analysis.Runs[i];
                break;
            }
        }
        entry.Measures = entry.Run != nullptr ? entry.Run->Measures
                                              : MeasureRun(block.Points, {block.ToneF.value_or(0.0), std::nullopt, std::nullopt},
                                                           analysis.Parameters);
        matched.push_back(std::move(entry));
    }
    return matched;
}

std::string AnalysisCsv(const std::vector<ResultsBlock>& blocks, const std::vector<BlockRun>& matched,
                        const ResultsAnalysis& analysis, bool selecting)
{
    std::string text = Header();
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const AnalysedRun* run = matched[i].Run;
        if (selecting && run == nullptr) {
            continue;
        }
        const ResultsBlock& b = blocks[i];
        RowHead head{};
        head.Block = std::to_string(i + 1);
        head.Subject = b.Subject.value_or("");
        head.Ear = b.Ear.value_or("");
        head.ToneF = b.ToneF;
        head.ToneSPL = b.ToneSPL;
        if (run != nullptr) {
            const RecordedRun& r = run->Run;
            head.Run = r.RunId;
            head.Session = r.Session;
            head.Condition = std::to_string(r.Condition);
            head.Direction = r.Direction;
            head.Runs = r.RunId;
            head.Date = r.Date;
            head.MaxSplJudged = true;
            head.TrialsJudged = r.LoggedTrials.has_value();
            head.Status = RecordedStatus(r);
            head.LeftOut = run->LeftOut;
            head.Simulated = Bit(r.Simulated);
            head.RecordIncomplete = Bit(r.Incomplete);
            head.NoTrialLog = Bit(!r.LoggedTrials);
            head.Finding = &run->Finding;
            SetCalibration(head, r.Calibration);
        }
        text += Row(head, matched[i].Measures, analysis.Parameters);
    }
    for (const ConditionCurves& c : analysis.Conditions) {
        if (!c.HasCombined) {
            continue;
        }
        RowHead head{};
        head.Subject = c.Subject;
        head.Ear = c.Ear;
        head.ToneF = c.Parameters.ToneF;
        head.ToneSPL = c.Parameters.ToneSPL;
        head.Condition = std::to_string(c.Condition);
        head.Direction = "combined";
        head.Runs = JoinedRunIds(analysis, c);
        head.MaxSplJudged = true;
        head.TrialsJudged = true;
        for (const std::size_t i : c.Runs) {
            AddCalibration(head, analysis.Runs[i].Run.Calibration, i == c.Runs.front());
            head.TrialsJudged = head.TrialsJudged && analysis.Runs[i].Run.LoggedTrials.has_value();
            if (head.Session.empty() || head.Session == analysis.Runs[i].Run.Session) {
                head.Session = analysis.Runs[i].Run.Session;
            }
        }
        head.Spread = c.Spread;
        head.Simulated = Bit(c.Simulated);
        head.Finding = &c.CombinedFinding;
        if (!c.Combined.Points.empty()) {
            head.GridFrom = c.Combined.Points.front().Freq;
            head.GridTo = c.Combined.Points.back().Freq;
        }
        text += Row(head, c.CombinedMeasures, analysis.Parameters);
    }
    return text;
}
