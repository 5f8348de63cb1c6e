#include "ListenerReport.h"

#include "CurvePlot.h"
#include "MeasuresText.h"
#include "NumberFormat.h"
#include "Version.h"

#include <QBuffer>
#include <QDate>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <set>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Number(double value)
{
    return Text(FormatForResults(value));
}

QString Optional(const std::optional<double>& value)
{
    return value ? Number(*value) : QString("–");
}

// A table's number: four significant digits.
QString Short(const std::optional<double>& value)
{
    return value ? Text(FormatGeneral(*value, 4, '.')) : QString("–");
}

// Writes lines down the page, starting a new page when the next one would not fit.
class PageWriter {
public:
    PageWriter(QPdfWriter& writer, QPainter& painter)
        : writer_(writer), painter_(painter), area_(QPointF(0, 0), writer.pageLayout().paintRect(QPageLayout::Point).size())
    {
    }

    QRectF Area() const { return area_; }
    double Y() const { return y_; }

    void NewPage()
    {
        writer_.newPage();
        y_ = 0;
    }

    // Room for `height` more points on this page, or a new page.
    void Ensure(double height)
    {
        if (y_ > 0 && y_ + height > area_.height()) {
            NewPage();
        }
    }

    // A paragraph, wrapped to the page's width (indented by `indent` points).
    void Paragraph(const QString& text, double pointSize, bool bold = false, double indent = 0.0)
    {
        QFont font = painter_.font();
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        painter_.setFont(font);
        const QRectF width(indent, 0, area_.width() - indent, 10000);
        const QRectF needed = painter_.boundingRect(width, Qt::TextWordWrap, text);
        Ensure(needed.height());
        painter_.setPen(Qt::black);
        painter_.drawText(QRectF(indent, y_, area_.width() - indent, needed.height()), Qt::TextWordWrap, text);
        y_ += needed.height();
    }

    void Skip(double height) { y_ += height; }

    // A table: the first row a header, columns of the given shares of the width.
    void Table(const std::vector<QStringList>& rows, const std::vector<double>& shares, double pointSize)
    {
        QFont font = painter_.font();
        font.setPointSizeF(pointSize);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            font.setBold(r == 0);
            painter_.setFont(font);
            double height = 0;
            double x = 0;
            for (int c = 0; c < rows[r].size(); ++c) {
                const double w = area_.width() * shares[static_cast<std::size_t>(c)];
                height = std::max(height, painter_.boundingRect(QRectF(x, 0, w - 3, 1000), Qt::TextWordWrap, rows[r][c]).height());
                x += w;
            }
            Ensure(height + 3);
            x = 0;
            for (int c = 0; c < rows[r].size(); ++c) {
                const double w = area_.width() * shares[static_cast<std::size_t>(c)];
                painter_.drawText(QRectF(x, y_, w - 3, height), Qt::TextWordWrap, rows[r][c]);
                x += w;
            }
            y_ += height + 2;
            painter_.setPen(QPen(QColor(160, 160, 160), 0.4));
            painter_.drawLine(QPointF(0, y_ - 1), QPointF(area_.width(), y_ - 1));
            painter_.setPen(Qt::black);
        }
    }

    void Plot(const CurvePlot& plot, double height)
    {
        Ensure(height);
        DrawCurvePlot(painter_, QRectF(0, y_, area_.width(), height), plot);
        y_ += height;
    }

private:
    QPdfWriter& writer_;
    QPainter& painter_;
    QRectF area_;
    double y_ = 0;
};

// The distinct values of one field of the runs, joined.
template <typename Field>
QString Distinct(const ResultsAnalysis& analysis, Field field)
{
    std::set<std::string> values;
    for (const AnalysedRun& run : analysis.Runs) {
        values.insert(field(run.Run));
    }
    QStringList list;
    for (const std::string& value : values) {
        list << (value.empty() ? QString("(none)") : Text(value));
    }
    return list.join(", ");
}

const CurveMeasures& Summary(const ResultsAnalysis& analysis, const ConditionCurves& c)
{
    return c.HasCombined ? c.CombinedMeasures : analysis.Runs[c.Runs.front()].Measures;
}

QString FlagList(const CurveMeasures& m)
{
    QStringList titles;
    for (const RaisedFlag& flag : m.Flags) {
        titles << FlagTitle(flag.Flag);
    }
    return titles.isEmpty() ? QString("none") : titles.join(", ");
}

void FirstPage(PageWriter& page, const ResultsFileAnalysis& results)
{
    const ResultsAnalysis& a = results.Analysis;
    page.Paragraph("Psychophysical tuning curves", 16, true);
    page.Skip(6);
    page.Paragraph("Subject: " + Distinct(a, [](const RecordedRun& r) { return r.Subject; }), 12, true);
    page.Skip(4);
    const QString dates = Distinct(a, [](const RecordedRun& r) { return r.Date; });
    const QStringList lines = {
        "Results file: " + Text(results.ResultsFile) + " (session record " + Text(results.RecordFile) + ")",
        "Measured on: " + dates + " (" + QString::number(a.Runs.size()) + " runs)",
        "Program version: " + Distinct(a, [](const RecordedRun& r) { return r.Version; }) + "; report by Quorvex "
            + QuorvexVersion + " on " + QDate::currentDate().toString(Qt::ISODate),
        "Calibration factor: " + Distinct(a, [](const RecordedRun& r) { return FormatForResults(r.Settings.CalibFactor); })
            + " dB SPL (the level of a stimulus of RMS 8000)",
        "Levels: " + Distinct(a, [](const RecordedRun& r) { return r.AttenuatorMode; }) + "; sound device: "
            + Distinct(a, [](const RecordedRun& r) { return r.Device; }),
    };
    for (const QString& line : lines) {
        page.Paragraph(line, 9.5);
    }
    page.Skip(10);
    page.Paragraph("Summary (the combined curve where a condition and ear was measured more than once)", 11, true);
    page.Skip(4);
    std::vector<QStringList> rows = {{"Cond.", "Ear", "Tone (Hz)", "Runs", "Tip (Hz)", "Fitted tip (Hz)", "Shift (%)",
                                      "Q10", "Low slope (dB/oct)", "High slope (dB/oct)", "Flags"}};
    for (const ConditionCurves& c : a.Conditions) {
        const CurveMeasures& m = Summary(a, c);
        const std::optional<double> shift = m.FittedShiftPercent ? m.FittedShiftPercent : m.ShiftPercent;
        rows.push_back({QString::number(c.Condition), Text(c.Ear), Number(c.Parameters.ToneF),
                        QString::number(c.Runs.size()) + (c.HasCombined ? " combined" : ""),
                        m.Smoothed.Tip ? Short(m.Smoothed.Tip->Freq) : "–", Short(m.Fitted.Freq),
                        Short(shift) + (shift && ShiftMarked(*shift) ? " *" : ""), Short(m.Smoothed.Q10),
                        Short(m.Low.DbPerOctave), Short(m.High.DbPerOctave), FlagList(m)});
    }
    page.Table(rows, {0.06, 0.06, 0.07, 0.1, 0.07, 0.08, 0.07, 0.06, 0.09, 0.09, 0.25}, 7.5);
    page.Skip(8);
    page.Paragraph("Shift: of the fitted tip (of the smoothed minimum where there is no fitted tip) from the tone, in % "
                   "of the tone frequency; * marks "
                       + Number(QualityThresholds::ShiftMarkPercent) + " % or more (an off-frequency tip).",
                   8);
    page.Paragraph("Analysis: " + Text(DescribeParameters(a.Parameters)) + ".", 8);
}

void MeasuresLines(PageWriter& page, const CurveMeasures& m)
{
    QStringList lines = {"Tip (smoothed minimum): " + Text(DescribeTip(m.Smoothed))
                             + (m.ShiftPercent ? ", shift " + Text(DescribeShift(*m.ShiftPercent)) : QString()),
                         "Fitted tip: " + Text(DescribeFittedTip(m)), "Q10: " + Text(DescribeQ10(m.Smoothed)),
                         "Low slope: " + Text(DescribeSlope(m.Low)), "High slope: " + Text(DescribeSlope(m.High))};
    if (m.Flags.empty()) {
        lines << "Flags: none";
    }
    for (const RaisedFlag& flag : m.Flags) {
        lines << "Flag " + QString(FlagTitle(flag.Flag)) + ": " + Text(flag.Reason);
    }
    for (const QString& line : lines) {
        page.Paragraph(line, 8, false, 10);
    }
}

const QColor RunColours[] = {QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44), QColor(148, 103, 189),
                             QColor(255, 127, 14), QColor(140, 86, 75)};

void ConditionPage(PageWriter& page, const ResultsAnalysis& a, const ConditionCurves& c)
{
    page.NewPage();
    const TestCondition& p = c.Parameters;
    page.Paragraph("Condition " + QString::number(c.Condition) + ", " + Text(c.Ear) + " ear: tone " + Number(p.ToneF)
                       + " Hz at " + Number(p.ToneSPL) + " dB SPL (" + Text(c.Subject) + ")",
                   12, true);
    page.Paragraph("Masker " + Number(p.MaskerBW) + " Hz wide from " + Number(p.StartF) + " to " + Number(p.EndF)
                       + " Hz in " + Number(p.FStep) + " Hz steps; level steps " + Number(p.SPLstep) + " dB, start "
                       + Number(p.MaskStartSPL) + " dB SPL, MaxSPL " + Number(p.MaxSPL) + " dB SPL",
                   8.5);
    page.Skip(6);
    CurvePlot plot;
    plot.FromHz = p.StartF * 0.95;
    plot.ToHz = p.EndF * 1.05;
    plot.Tone = {p.ToneF, p.ToneSPL};
    std::size_t colour = 0;
    for (const std::size_t i : c.Runs) {
        const AnalysedRun& run = a.Runs[i];
        PlotCurve curve;
        curve.Points = run.Run.Points;
        curve.Line = run.Measures.Smoothed.Smoothed;
        curve.Color = RunColours[colour++ % std::size(RunColours)];
        curve.Label = Text(run.Run.RunId + " (" + run.Run.Direction + ")");
        curve.Tip = run.Measures.Smoothed.Tip;
        if (run.Measures.Fitted.Freq) {
            curve.FittedTip = ResultPoint{static_cast<float>(*run.Measures.Fitted.Freq), static_cast<float>(*run.Measures.Fitted.Level)};
        }
        plot.Curves.push_back(curve);
    }
    if (c.HasCombined) {
        PlotCurve curve;
        curve.Line = c.Combined.Points;
        curve.Color = Qt::black;
        curve.LineWidth = 1.8;
        curve.Label = "combined";
        curve.Tip = c.CombinedMeasures.Smoothed.Tip;
        if (c.CombinedMeasures.Fitted.Freq) {
            curve.FittedTip = ResultPoint{static_cast<float>(*c.CombinedMeasures.Fitted.Freq),
                                          static_cast<float>(*c.CombinedMeasures.Fitted.Level)};
        }
        plot.Curves.push_back(curve);
    }
    page.Plot(plot, std::min(330.0, page.Area().height() * 0.48));
    page.Skip(8);
    for (const std::size_t i : c.Runs) {
        const AnalysedRun& run = a.Runs[i];
        page.Ensure(60);
        page.Paragraph("Run " + Text(run.Run.RunId) + ": sweep " + Text(run.Run.Direction) + ", "
                           + QString::number(run.Run.Points.size()) + " points",
                       9, true);
        MeasuresLines(page, run.Measures);
        page.Skip(4);
    }
    if (c.HasCombined) {
        page.Ensure(70);
        QString grid = c.Combined.Points.empty()
                           ? Text(c.Combined.Problem)
                           : "grid " + Number(c.Combined.Points.front().Freq) + " to " + Number(c.Combined.Points.back().Freq)
                                 + " Hz every " + Number(p.FStep) + " Hz, " + QString::number(c.Combined.Points.size())
                                 + " points where every run has a value";
        page.Paragraph("Combined curve of " + QString::number(c.Runs.size()) + " runs: " + grid, 9, true);
        MeasuresLines(page, c.CombinedMeasures);
        page.Paragraph("Tip difference between runs (test-retest): " + Optional(c.Spread.SmoothedHz) + " Hz (smoothed), "
                           + Optional(c.Spread.FittedHz) + " Hz (fitted)",
                       8, false, 10);
    }
}

}  // namespace

QString WriteListenerReport(const ResultsFileAnalysis& results, const QString& pdfPath, QPageSize::PageSizeId paper)
{
    if (results.Analysis.Runs.empty()) {
        return "There are no runs to report: the session record '" + Text(results.RecordFile)
               + "' is missing or has no run with points.";
    }
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(paper));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setResolution(72);  // painter units are points
        writer.setTitle("Tuning curves: " + Distinct(results.Analysis, [](const RecordedRun& r) { return r.Subject; }));
        writer.setCreator(QString("Quorvex ") + QuorvexVersion);
        QPainter painter(&writer);
        QFont font("DejaVu Sans");
        painter.setFont(font);
        PageWriter page(writer, painter);
        FirstPage(page, results);
        for (const ConditionCurves& c : results.Analysis.Conditions) {
            ConditionPage(page, results.Analysis, c);
        }
    }
    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data()) != pdf.data().size() || !file.commit()) {
        return "The report could not be written to '" + pdfPath + "': " + file.errorString();
    }
    return {};
}
