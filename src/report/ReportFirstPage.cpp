#include "ReportFirstPage.h"

#include "ConditionPlot.h"
#include "MeasuresText.h"
#include "NumberFormat.h"
#include "ReportPage.h"
#include "Version.h"

#include <QDate>

#include <algorithm>
#include <set>

namespace {

QString Measure(const std::optional<double>& value, std::string (*format)(double))
{
    return value ? QString::fromStdString(format(*value)) : QString("–");
}

// The distinct values of one field of the runs, joined; empty when no run has one.
template <typename Field>
QString Distinct(const ResultsAnalysis& analysis, Field field)
{
    std::set<std::string> values;
    for (const AnalysedRun& run : analysis.Runs) {
        if (const std::string value = field(run.Run); !value.empty()) {
            values.insert(value);
        }
    }
    QStringList list;
    for (const std::string& value : values) {
        list << QString::fromStdString(value);
    }
    return list.join(", ");
}

QString Given(const std::string& given, const QString& recorded, const char* none = "not given")
{
    const QString value = given.empty() ? recorded : QString::fromStdString(given);
    return value.isEmpty() ? QString(none) : value;
}

// "Levels: software" as the reader needs it.
QString LevelsInWords(const std::string& mode)
{
    if (mode == "software") {
        return "set in software: a digital gain against the calibration level";
    }
    if (mode == "KC35") {
        return "set by a KC35 programmable attenuator";
    }
    return "set by attenuator mode " + QString::fromStdString(mode);
}

// What the page is made of, in its order; a later part (a calibration profile) is one more
// function in Parts.
struct Facts {
    const RecordAnalysis& Results;
    ReportedListener Listener;
};

void Heading(ReportPage& page, const Facts&)
{
    page.Paragraph("Psychophysical tuning curves", 16, true);
    page.Skip(6);
}

// The runs a finding rests on: "upward 10:42:03, downward 10:47:55".
QString RunsOf(const ResultsAnalysis& a, const ConditionCurves& c)
{
    QStringList runs;
    for (const std::size_t i : c.Runs) {
        const RecordedRun& run = a.Runs[i].Run;
        runs << (run.Direction == "down" ? "downward " : "upward ") + QString::fromStdString(run.Date + " " + run.Time);
    }
    return runs.join(", ");
}

const RecordedRun* FindRun(const RecordedRuns& record, const std::string& runId)
{
    for (const RecordedRun& run : record.Runs) {
        if (run.RunId == runId) {
            return &run;
        }
    }
    return nullptr;
}

// "47.5 dB SPL, 10 dB SL (threshold 37.5 dB SPL, measured 2026-12-07 10:42:03)": the dB SL and
// the threshold each level rests on when the runs set the tone above the listener's threshold.
QString ToneLevel(const RecordAnalysis& results, const ConditionCurves& c)
{
    std::set<std::string> levels;
    for (const std::size_t i : c.Runs) {
        const RecordedRun& run = results.Analysis.Runs[i].Run;
        std::string level = FormatForResults(run.Parameters.ToneSPL) + " dB SPL";
        if (run.Parameters.ToneSL) {
            level += ", " + FormatForResults(*run.Parameters.ToneSL) + " dB SL";
            const RecordedRun* threshold = FindRun(results.Record, run.ThresholdRun);
            level += threshold != nullptr && threshold->Threshold
                         ? " (threshold " + FormatDb(threshold->Threshold->Level) + " dB SPL, measured " + threshold->Date
                               + " " + threshold->Time + ")"
                         : " (its threshold run " + run.ThresholdRun + " is not on record)";
        }
        levels.insert(level);
    }
    QStringList list;
    for (const std::string& level : levels) {
        list << QString::fromStdString(level);
    }
    return list.join("; ");
}

// The finding of every condition and ear, the criterion it was judged by and the runs it rests on.
void Finding(ReportPage& page, const Facts& facts)
{
    const ResultsAnalysis& a = facts.Results.Analysis;
    if (a.Conditions.empty()) {
        return;
    }
    page.Paragraph("Finding", 12, true);
    std::set<std::string> criteria;
    for (const ConditionCurves& c : a.Conditions) {
        const TipFinding& finding = c.HasCombined ? c.CombinedFinding : a.Runs[c.Runs.front()].Finding;
        page.Paragraph("Condition " + QString::number(c.Condition) + ", " + QString::fromStdString(c.Ear) + " ear, tone "
                           + QString::fromStdString(FormatForResults(c.Parameters.ToneF)) + " Hz at " + ToneLevel(facts.Results, c) + ": "
                           + QString::fromStdString(DescribeFinding(finding)) + ".",
                       10, true);
        page.Paragraph(QString(c.HasCombined ? "From the combined curve of " : "From the run ") + RunsOf(a, c) + ".", 7.5);
        criteria.insert(DescribeCriterion(finding));
    }
    for (const std::string& criterion : criteria) {
        page.Paragraph("Criterion: " + QString::fromStdString(criterion) + ".", 7.5);
    }
    page.Skip(6);
}

QString Status(const RecordedRun& run)
{
    const QString status = run.MarkedRepeated ? "repeated" : run.Status.empty() ? "measured" : QString::fromStdString(run.Status);
    return run.Simulated ? status + " (virtual listener)" : status;
}

// The threshold runs of the selection: ear, tone, threshold with its SD, reversals and flags.
void Thresholds(ReportPage& page, const Facts& facts)
{
    const RecordAnalysis& results = facts.Results;
    std::vector<QStringList> rows = {{"Ear", "Tone (Hz)", "Threshold (dB SPL)", "Reversals", "Measured", "Status", "Flags"}};
    for (const RecordedRun& run : results.Record.Runs) {
        if (run.Kind != RunKind::Threshold || !results.Selection.Includes(run)) {
            continue;
        }
        const QString threshold = run.Threshold ? QString::fromStdString(FormatDb(run.Threshold->Level)) + " ± " + QString::fromStdString(FormatDb(run.Threshold->Sd))
                                                : QString("none");
        QStringList flags;
        if (!run.Threshold) {
            flags << "no reversal: no threshold";
        }
        for (const std::string& flag : run.ThresholdFlags) {
            flags << QString::fromStdString(flag);
        }
        rows.push_back({QString::fromStdString(run.Ear), QString::fromStdString(FormatForResults(run.Parameters.ToneF)), threshold,
                        QString::number(run.Reversals.size()),
                        QString::fromStdString(run.Date + " " + run.Time), Status(run), flags.isEmpty() ? QString("none") : flags.join(" ")});
    }
    if (rows.size() == 1) {
        return;
    }
    page.Paragraph("Threshold in quiet (the tone alone, on which a tone in dB SL rests)", 10, true);
    page.Skip(3);
    page.Table(rows, {0.05, 0.06, 0.11, 0.08, 0.20, 0.22, 0.28}, 7.5);
    page.Skip(3);
    page.Paragraph("Threshold: the mean of the tone's levels at the last " + QString::number(ThresholdReversalsAveraged)
                       + " reversals (or all when fewer) ± their standard deviation.",
                   7);
    page.Skip(8);
}

void Listener(ReportPage& page, const Facts& facts)
{
    const ReportedListener& l = facts.Listener;
    page.Paragraph("Listener: " + l.Name, 12, true);
    page.Paragraph("Listener ID: " + l.Id + "     Date of birth: " + l.BirthDate + "     Examiner: " + l.Examiner, 10);
    page.Skip(6);
}

void Measurement(ReportPage& page, const Facts& facts)
{
    const ResultsAnalysis& a = facts.Results.Analysis;
    const QStringList lines = {
        "Measured on " + Distinct(a, [](const RecordedRun& r) { return r.Date; }) + " (" + QString::number(a.Runs.size())
            + (a.Runs.size() == 1 ? " run" : " runs") + "); sound device: "
            + Given({}, Distinct(a, [](const RecordedRun& r) { return r.Device; }), "not recorded"),
        "Levels " + Distinct(a, [](const RecordedRun& r) { return LevelsInWords(r.AttenuatorMode).toStdString(); })
            + "; calibration factor "
            + Distinct(a, [](const RecordedRun& r) { return FormatForResults(r.Settings.CalibFactor); })
            + " dB SPL (the level of a stimulus of RMS 8000)",
        "Results file: " + QString::fromStdString(facts.Results.ResultsFile) + " (session record " + QString::fromStdString(facts.Results.RecordFile)
            + "); program version " + Distinct(a, [](const RecordedRun& r) { return r.Version; })
            + "; report by Quorvex " + QuorvexVersion + " on " + QDate::currentDate().toString(Qt::ISODate),
    };
    for (const QString& line : lines) {
        page.Paragraph(line, 8.5);
    }
    page.Skip(8);
}

// The age of a calibration on the day a run was measured, in words.
QString CalibrationAge(const std::string& calibrated, const std::string& measured)
{
    const QDate from = QDate::fromString(QString::fromStdString(calibrated.substr(0, 10)), Qt::ISODate);
    const QDate to = QDate::fromString(QString::fromStdString(measured), Qt::ISODate);
    if (!from.isValid() || !to.isValid()) {
        return "age unknown";
    }
    const qint64 days = from.daysTo(to);
    return QString::number(days) + (days == 1 ? " day" : " days") + " old when measured";
}

// The headphone calibration of every run: the profile, when it was calibrated and how old that
// was, the day's listening check, and the corrections applied.
void Calibration(ReportPage& page, const Facts& facts)
{
    QStringList lines;
    for (const AnalysedRun& analysed : facts.Results.Analysis.Runs) {
        const RecordedRun& run = analysed.Run;
        const RecordedCalibration& c = run.Calibration;
        const auto db = [](const std::optional<float>& value) { return value ? QString::fromStdString(FormatDb(*value)) : QString("?"); };
        QString line = c.Profile.empty()
                           ? "no calibration profile (uncalibrated: the levels rest on the calibration factor alone)"
                           : "profile \"" + QString::fromStdString(c.Profile) + "\", calibrated "
                                 + (c.LastCalibrated.empty() ? QString("never")
                                                             : QString::fromStdString(c.LastCalibrated.substr(0, 10)) + " ("
                                                                   + CalibrationAge(c.LastCalibrated, run.Date) + ")")
                                 + "; listening check of the day " + (c.NoListeningCheck ? "not done" : "done")
                                 + "; corrections: tone " + db(c.ToneDb) + " dB, masker " + db(c.MaskerMinDb) + " to "
                                 + db(c.MaskerMaxDb) + " dB"
                                 + (c.Kc35ResidualDb ? ", KC35 residual " + db(c.Kc35ResidualDb) + " dB" : QString());
        QStringList flags;
        for (const std::string& flag : CalibrationFlagTitles(c)) {
            flags << QString::fromStdString(flag);
        }
        if (!flags.isEmpty()) {
            line += "; flags: " + flags.join(", ");
        }
        line = "Headphone calibration: " + line;
        if (!lines.contains(line)) {
            lines << line;
        }
    }
    // Runs without a profile alone leave the page as it was before profiles.
    const bool anyProfile = std::any_of(facts.Results.Analysis.Runs.begin(), facts.Results.Analysis.Runs.end(),
                                        [](const AnalysedRun& run) { return !run.Run.Calibration.Profile.empty(); });
    if (!anyProfile) {
        return;
    }
    for (const QString& line : lines) {
        page.Paragraph(line, 8.5);
    }
    page.Skip(8);
}

// The combined curve of the first condition and ear that has one, or the first's runs.
void CombinedPlot(ReportPage& page, const Facts& facts)
{
    const ResultsAnalysis& a = facts.Results.Analysis;
    if (a.Conditions.empty()) {
        return;
    }
    auto shown = std::find_if(a.Conditions.begin(), a.Conditions.end(), [](const ConditionCurves& c) { return c.HasCombined; });
    if (shown == a.Conditions.end()) {
        shown = a.Conditions.begin();
    }
    page.Paragraph("Condition " + QString::number(shown->Condition) + ", " + QString::fromStdString(shown->Ear) + " ear: tone "
                       + QString::fromStdString(FormatForResults(shown->Parameters.ToneF)) + " Hz at "
                       + ToneLevel(facts.Results, *shown)
                       + (shown->Simulated ? " (virtual listener)" : ""),
                   10, true);
    page.Plot(ConditionPlot(a, *shown), 190);
    page.Skip(6);
}

QString FlagList(const CurveMeasures& m)
{
    QStringList titles;
    for (const RaisedFlag& flag : m.Flags) {
        titles << FlagTitle(flag.Flag);
    }
    return titles.isEmpty() ? QString("none") : titles.join(", ");
}

// "20", "20 or 25": the off-frequency criteria of the conditions.
std::string JoinedCriteria(const std::set<std::string>& criteria)
{
    std::string text;
    for (const std::string& criterion : criteria) {
        text += (text.empty() ? "" : " or ") + criterion;
    }
    return text;
}

QString Shift(const std::optional<double>& shift, double criterionPercent)
{
    return Measure(shift, FormatPercent) + (shift && ShiftMarked(*shift, criterionPercent) ? " *" : "");
}

void Summary(ReportPage& page, const Facts& facts)
{
    const ResultsAnalysis& a = facts.Results.Analysis;
    page.Paragraph("Summary (the combined curve where a condition and ear was measured more than once)", 10, true);
    page.Skip(3);
    std::vector<QStringList> rows = {{"Cond.", "Ear", "Tone (Hz)", "Runs", "Tip (Hz)", "Shift (%)", "Fitted tip (Hz)",
                                      "Shift (%)", "Q10", "Low slope (dB/oct)", "High slope (dB/oct)", "Flags"}};
    std::set<std::string> criteria;
    for (const ConditionCurves& c : a.Conditions) {
        const CurveMeasures& m = c.HasCombined ? c.CombinedMeasures : a.Runs[c.Runs.front()].Measures;
        const double criterion = (c.HasCombined ? c.CombinedFinding : a.Runs[c.Runs.front()].Finding).CriterionPercent;
        criteria.insert(FormatForResults(criterion));
        rows.push_back({QString::number(c.Condition), QString::fromStdString(c.Ear), QString::fromStdString(FormatForResults(c.Parameters.ToneF)),
                        QString::number(c.Runs.size()) + (c.HasCombined ? " combined" : ""),
                        m.Smoothed.Tip ? QString::fromStdString(FormatHz(m.Smoothed.Tip->Freq)) : "–", Shift(m.ShiftPercent, criterion),
                        Measure(m.Fitted.Freq, FormatHz), Shift(m.FittedShiftPercent, criterion), Measure(m.Smoothed.Q10, FormatQ10),
                        Measure(m.Low.DbPerOctave, FormatDb), Measure(m.High.DbPerOctave, FormatDb), FlagList(m)});
    }
    page.Table(rows, {0.06, 0.05, 0.06, 0.09, 0.06, 0.06, 0.07, 0.06, 0.05, 0.09, 0.09, 0.26}, 7.5);
    page.Skip(3);
    page.Paragraph("Tip: the smoothed curve's minimum; fitted tip: the vertex of a parabola fitted around it. Each "
                   "shift is of its own tip from the tone, in % of the tone frequency; * marks "
                       + QString::fromStdString(JoinedCriteria(criteria))
                       + " % or more (an off-frequency tip, the condition's criterion). Analysis: " + QString::fromStdString(DescribeParameters(a.Parameters)) + ".",
                   7);
    page.Skip(8);
}

const AnalysedRun* Analysed(const ResultsAnalysis& analysis, const std::string& runId)
{
    for (const AnalysedRun& run : analysis.Runs) {
        if (run.Run.RunId == runId) {
            return &run;
        }
    }
    return nullptr;
}

void RunTable(ReportPage& page, const Facts& facts)
{
    const RecordAnalysis& results = facts.Results;
    page.Paragraph("Runs", 10, true);
    page.Skip(3);
    std::vector<QStringList> rows = {{"Condition", "Ear", "Sweep", "Measured", "Status", "Combined curve"}};
    for (const RecordedRun& run : results.Record.Runs) {
        if (!results.Selection.Includes(run) || run.Kind == RunKind::Threshold) {
            continue;  // threshold runs have their own table
        }
        const AnalysedRun* analysed = Analysed(results.Analysis, run.RunId);
        const QString counted = analysed == nullptr        ? QString("no points")
                                : analysed->LeftOut.empty() ? QString("counted")
                                                            : "left out: " + QString::fromStdString(analysed->LeftOut);
        rows.push_back({QString::number(run.Condition), QString::fromStdString(run.Ear), run.Direction == "down" ? "downward" : "upward",
                        QString::fromStdString(run.Date + " " + run.Time), Status(run), counted});
    }
    page.Table(rows, {0.1, 0.08, 0.1, 0.2, 0.25, 0.27}, 7.5);
    page.Skip(10);
}

void SignOff(ReportPage& page, const Facts&)
{
    page.WritingBox("Comments", 70);
    page.Skip(10);
    page.SignatureLines({"Examiner's signature", "Date"}, {0.65, 0.35});
}

using Part = void (*)(ReportPage&, const Facts&);
constexpr Part Parts[] = {Heading,      Finding, Listener, Measurement, Calibration, Thresholds,
                          CombinedPlot, Summary, RunTable, SignOff};

}  // namespace

ReportedListener ReportListener(const ResultsAnalysis& analysis, const ListenerDetails& given)
{
    return {Given({}, Distinct(analysis, [](const RecordedRun& r) { return r.Subject; })),
            Given(given.Id, Distinct(analysis, [](const RecordedRun& r) { return r.Listener.Id; })),
            Given(given.BirthDate, Distinct(analysis, [](const RecordedRun& r) { return r.Listener.BirthDate; })),
            Given(given.Examiner, Distinct(analysis, [](const RecordedRun& r) { return r.Listener.Examiner; }))};
}

void WriteFirstPage(ReportPage& page, const RecordAnalysis& results, const ListenerDetails& given)
{
    const Facts facts{results, ReportListener(results.Analysis, given)};
    for (const Part part : Parts) {
        part(page, facts);
    }
}
