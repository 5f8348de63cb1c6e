#include "CurveAnalysis.h"

#include "NumberFormat.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double Weights[CurveAnalysis::SmoothingWidth] = {0.125, 0.25, 0.25, 0.25, 0.125};

std::vector<ResultPoint> Smooth(const std::vector<ResultPoint>& sorted)
{
    std::vector<ResultPoint> smoothed;
    const int half = CurveAnalysis::SmoothingWidth / 2;
    for (std::size_t i = half; i + half < sorted.size(); ++i) {
        double logFreq = 0.0;
        double level = 0.0;
        for (int k = 0; k < CurveAnalysis::SmoothingWidth; ++k) {
            const ResultPoint& p = sorted[i + k - half];
            logFreq += Weights[k] * std::log(static_cast<double>(p.Freq));
            level += Weights[k] * p.SPL;
        }
        smoothed.push_back({static_cast<float>(std::exp(logFreq)), static_cast<float>(level)});
    }
    return smoothed;
}

// Frequency at which the curve between points a and b reaches `target`.
double Interpolate(const ResultPoint& a, const ResultPoint& b, double target)
{
    if (b.SPL == a.SPL) {
        return b.Freq;
    }
    return a.Freq + (target - a.SPL) * (static_cast<double>(b.Freq) - a.Freq) / (static_cast<double>(b.SPL) - a.SPL);
}

// Walks from the tip by `step` (-1 down, +1 up in frequency) to the first smoothed point at
// least `target`; nothing if the curve ends first.
std::optional<double> Edge(const std::vector<ResultPoint>& curve, std::size_t tip, int step, double target)
{
    for (auto i = static_cast<std::ptrdiff_t>(tip) + step; i >= 0 && i < static_cast<std::ptrdiff_t>(curve.size());
         i += step) {
        if (curve[static_cast<std::size_t>(i)].SPL >= target) {
            return Interpolate(curve[static_cast<std::size_t>(i - step)], curve[static_cast<std::size_t>(i)], target);
        }
    }
    return std::nullopt;
}

std::string NoRise(const std::vector<ResultPoint>& curve, std::size_t from, std::size_t to, const char* side)
{
    double highest = curve[from].SPL;
    for (std::size_t i = from; i <= to; ++i) {
        highest = std::max(highest, static_cast<double>(curve[i].SPL));
    }
    return std::string("the curve never rises 10 dB above the tip ") + side + " it (it reaches "
           + FormatForResults(highest) + " dB SPL there)";
}

}  // namespace

CurveAnalysis AnalyseCurve(const std::vector<ResultPoint>& points)
{
    std::vector<ResultPoint> sorted = UsablePointsInFrequencyOrder(points);
    if (sorted.size() < static_cast<std::size_t>(CurveAnalysis::SmoothingWidth)) {
        CurveAnalysis analysis;
        analysis.Points = static_cast<int>(sorted.size());
        analysis.TipProblem = "too few points (" + std::to_string(analysis.Points) + "; the smoothing needs "
                              + std::to_string(CurveAnalysis::SmoothingWidth) + ")";
        analysis.Q10Problem = "no tip";
        return analysis;
    }
    CurveAnalysis analysis = AnalyseSmoothedCurve(Smooth(sorted));
    analysis.Points = static_cast<int>(sorted.size());
    return analysis;
}

std::vector<ResultPoint> UsablePointsInFrequencyOrder(const std::vector<ResultPoint>& points)
{
    std::vector<ResultPoint> sorted;
    for (const ResultPoint& p : points) {
        if (std::isfinite(p.Freq) && std::isfinite(p.SPL) && p.Freq > 0.0f) {
            sorted.push_back(p);
        }
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ResultPoint& a, const ResultPoint& b) { return a.Freq < b.Freq; });
    return sorted;
}

CurveAnalysis AnalyseSmoothedCurve(std::vector<ResultPoint> smoothed)
{
    CurveAnalysis analysis;
    analysis.Points = static_cast<int>(smoothed.size());
    if (smoothed.empty()) {
        analysis.TipProblem = "no points";
        analysis.Q10Problem = "no tip";
        return analysis;
    }
    analysis.Smoothed = std::move(smoothed);
    const std::vector<ResultPoint>& curve = analysis.Smoothed;
    const auto tip = static_cast<std::size_t>(
        std::min_element(curve.begin(), curve.end(),
                         [](const ResultPoint& a, const ResultPoint& b) { return a.SPL < b.SPL; })
        - curve.begin());
    analysis.Tip = curve[tip];
    const double target = static_cast<double>(curve[tip].SPL) + 10.0;
    analysis.LowHz = Edge(curve, tip, -1, target);
    analysis.HighHz = Edge(curve, tip, +1, target);
    if (!analysis.LowHz) {
        analysis.Q10Problem = NoRise(curve, 0, tip, "below");
    } else if (!analysis.HighHz) {
        analysis.Q10Problem = NoRise(curve, tip, curve.size() - 1, "above");
    } else {
        analysis.Q10 = curve[tip].Freq / (*analysis.HighHz - *analysis.LowHz);
    }
    return analysis;
}

std::string DescribeTip(const CurveAnalysis& analysis)
{
    if (!analysis.Tip) {
        return "cannot be computed: " + analysis.TipProblem;
    }
    return FormatHz(analysis.Tip->Freq) + " Hz at " + FormatDb(analysis.Tip->SPL) + " dB SPL";
}

std::string DescribeQ10(const CurveAnalysis& analysis)
{
    if (!analysis.Q10 || !analysis.LowHz || !analysis.HighHz) {
        return "cannot be computed: " + analysis.Q10Problem;
    }
    return FormatQ10(*analysis.Q10) + " (10 dB above the tip from " + FormatHz(*analysis.LowHz) + " to "
           + FormatHz(*analysis.HighHz) + " Hz)";
}
