#include "ListenerReport.h"

#include "ConditionPlot.h"
#include "MeasuresText.h"
#include "NumberFormat.h"
#include "ReportFirstPage.h"
#include "ReportPage.h"
#include "Version.h"
#include "WholeFileSave.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

namespace {

QString Number(double value)
{
    return QString::fromStdString(FormatForResults(value));
}

QString Hz(const std::optional<double>& value)
{
    return value ? QString::fromStdString(FormatHz(*value)) : QString("–");
}

// The shifts marked from `criterionPercent`, the off-frequency criterion of the runs' norm.
void MeasuresLines(ReportPage& page, const CurveMeasures& m, double criterionPercent)
{
    QStringList lines = {"Tip (smoothed minimum): " + QString::fromStdString(DescribeTip(m.Smoothed))
                             + (m.ShiftPercent ? ", shift " + QString::fromStdString(DescribeShift(*m.ShiftPercent, criterionPercent)) : QString()),
                         "Fitted tip: " + QString::fromStdString(DescribeFittedTip(m, criterionPercent)), "Q10: " + QString::fromStdString(DescribeQ10(m.Smoothed)),
                         "Low slope: " + QString::fromStdString(DescribeSlope(m.Low)), "High slope: " + QString::fromStdString(DescribeSlope(m.High))};
    if (m.Flags.empty()) {
        lines << "Flags: none";
    }
    for (const RaisedFlag& flag : m.Flags) {
        lines << "Flag " + QString(FlagTitle(flag.Flag)) + ": " + QString::fromStdString(flag.Reason);
    }
    for (const QString& line : lines) {
        page.Paragraph(line, 8, false, 10);
    }
}

void ConditionPage(ReportPage& page, const ResultsAnalysis& a, const ConditionCurves& c)
{
    page.NewPage();
    const TestCondition& p = c.Parameters;
    page.Paragraph("Condition " + QString::number(c.Condition) + ", " + QString::fromStdString(c.Ear) + " ear: tone " + Number(p.ToneF)
                       + " Hz at " + Number(p.ToneSPL) + " dB SPL (" + QString::fromStdString(c.Subject) + ")",
                   12, true);
    page.Paragraph("Masker " + Number(p.MaskerBW) + " Hz wide from " + Number(p.StartF) + " to " + Number(p.EndF)
                       + " Hz in " + Number(p.FStep) + " Hz steps; level steps " + Number(p.SPLstep) + " dB, start "
                       + Number(p.MaskStartSPL) + " dB SPL, MaxSPL " + Number(p.MaxSPL) + " dB SPL",
                   8.5);
    page.Skip(6);
    page.Plot(ConditionPlot(a, c), std::min(330.0, page.Area().height() * 0.48));
    page.Skip(8);
    for (const std::size_t i : c.Runs) {
        const AnalysedRun& run = a.Runs[i];
        page.Ensure(60);
        page.Paragraph("Run " + QString::fromStdString(run.Run.RunId) + ": sweep " + QString::fromStdString(run.Run.Direction) + ", "
                           + QString::number(run.Run.Points.size()) + " points",
                       9, true);
        MeasuresLines(page, run.Measures, run.Finding.CriterionPercent);
        page.Skip(4);
    }
    if (c.HasCombined) {
        page.Ensure(70);
        QString grid = c.Combined.Points.empty()
                           ? QString::fromStdString(c.Combined.Problem)
                           : "grid " + Number(c.Combined.Points.front().Freq) + " to " + Number(c.Combined.Points.back().Freq)
                                 + " Hz every " + Number(p.FStep) + " Hz, " + QString::number(c.Combined.Points.size())
                                 + " points where every run has a value";
        page.Paragraph("Combined curve of " + QString::number(c.Runs.size()) + " runs: " + grid, 9, true);
        MeasuresLines(page, c.CombinedMeasures, c.CombinedFinding.CriterionPercent);
        page.Paragraph("Tip difference between runs (test-retest): " + Hz(c.Spread.SmoothedHz) + " Hz (smoothed), "
                           + Hz(c.Spread.FittedHz) + " Hz (fitted)",
                       8, false, 10);
    }
}

}  // namespace

QString WriteListenerReport(const RecordAnalysis& results, const QString& pdfPath, QPageSize::PageSizeId paper,
                            const ListenerDetails& given)
{
    if (results.Analysis.Runs.empty()) {
        return "There are no runs to report: the session record '" + QString::fromStdString(results.RecordFile)
               + "' is missing or has no run with points.";
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(paper));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(72);  // painter units are points
        writer.setTitle("Tuning curves: " + ReportListener(results.Analysis, given).Name);
        writer.setCreator(QString("Quorvex ") + QuorvexVersion);
        QPainter painter(&writer);
        QFont font("DejaVu Sans");
        painter.setFont(font);
        ReportPage page(writer, painter);
        WriteFirstPage(page, results, given);
        for (const ConditionCurves& c : results.Analysis.Conditions) {
            ConditionPage(page, results.Analysis, c);
        }
    }
    if (const QString problem = SaveWholeFile(pdfPath, pdf.data()); !problem.isEmpty()) {
        return "The report could not be written to '" + pdfPath + "': " + problem;
    }
    return {};
}
