#include "ConditionPlot.h"

#include <iterator>

namespace {

const QColor RunColours[] = {QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44), QColor(148, 103, 189),
                             QColor(255, 127, 14), QColor(140, 86, 75)};

std::optional<ResultPoint> FittedTipPoint(const CurveMeasures& m)
{
    if (!m.Fitted.Freq || !m.Fitted.Level) {
        return std::nullopt;
    }
    return ResultPoint{static_cast<float>(*m.Fitted.Freq), static_cast<float>(*m.Fitted.Level)};
}

}  // namespace

CurvePlot ConditionPlot(const ResultsAnalysis& analysis, const ConditionCurves& c)
{
    const TestCondition& p = c.Parameters;
    CurvePlot plot;
    plot.FromHz = p.StartF * 0.95;
    plot.ToHz = p.EndF * 1.05;
    plot.Tone = {p.ToneF, p.ToneSPL};
    std::size_t colour = 0;
    for (const std::size_t i : c.Runs) {
        const AnalysedRun& run = analysis.Runs[i];
        PlotCurve curve;
        curve.Points = run.Run.Points;
        curve.Line = run.Measures.Smoothed.Smoothed;
        curve.Color = RunColours[colour++ % std::size(RunColours)];
        curve.Label = QString::fromStdString((run.Run.Direction == "down" ? "downward sweep, " : "upward sweep, ")
                                             + run.Run.Date + " " + run.Run.Time + (run.LeftOut.empty() ? "" : ", left out: " + run.LeftOut));
        curve.Tip = run.Measures.Smoothed.Tip;
        curve.FittedTip = FittedTipPoint(run.Measures);
        plot.Curves.push_back(curve);
    }
    if (c.HasCombined) {
        PlotCurve curve;
        curve.Line = c.Combined.Points;
        curve.Color = Qt::black;
        curve.LineWidth = 1.8;
        curve.Label = "combined curve of the " + QString::number(c.Runs.size()) + " runs";
        curve.Tip = c.CombinedMeasures.Smoothed.Tip;
        curve.FittedTip = FittedTipPoint(c.CombinedMeasures);
        plot.Curves.push_back(curve);
    }
    return plot;
}
