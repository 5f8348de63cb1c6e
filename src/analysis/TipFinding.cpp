#include "TipFinding.h"

#include "NumberFormat.h"

#include <cmath>

namespace {

std::string PercentText(double value)
{
    return FormatPercent(value) + " %";
}

// Whether the smoothed curve's lowest point is one of its ends, and which.
const char* EndOfCurve(const CurveAnalysis& smoothed)
{
    if (!smoothed.Tip || smoothed.Smoothed.size() < 2) {
        return nullptr;
    }
    if (smoothed.Tip->Freq <= smoothed.Smoothed.front().Freq) {
        return "low";
    }
    if (smoothed.Tip->Freq >= smoothed.Smoothed.back().Freq) {
        return "high";
    }
    return nullptr;
}

}  // namespace

double RangeCorrectionPercent(CurveKind kind)
{
    switch (kind) {
    case CurveKind::Upward:
        return 0.0;
    case CurveKind::Downward:
        return -2.7;
    case CurveKind::Combined:
        return -1.4;
    }
    return 0.0;
}

const char* CurveKindName(CurveKind kind)
{
    switch (kind) {
    case CurveKind::Upward:
        return "upward";
    case CurveKind::Downward:
        return "downward";
    case CurveKind::Combined:
        return "combined";
    }
    return "";
}

TipFinding FindTip(const CurveMeasures& measures, const TipNorm& norm, CurveKind curve)
{
    TipFinding finding;
    finding.Curve = curve;
    finding.LowPercent = norm.LowPercent + RangeCorrectionPercent(curve);
    finding.HighPercent = norm.HighPercent + RangeCorrectionPercent(curve);
    finding.CriterionPercent = norm.OffFrequencyPercent;
    if (!measures.Smoothed.Tip) {
        finding.Reason = measures.Smoothed.TipProblem;
        return finding;
    }
    if (const char* end = EndOfCurve(measures.Smoothed)) {
        finding.Reason = std::string("the curve's lowest point is at its ") + end + " end ("
                         + FormatHz(measures.Smoothed.Tip->Freq) + " Hz): the tip may lie beyond the frequencies measured";
        return finding;
    }
    finding.Fitted = measures.FittedShiftPercent.has_value();
    finding.ShiftPercent = finding.Fitted ? measures.FittedShiftPercent : measures.ShiftPercent;
    if (!finding.ShiftPercent) {
        finding.Reason = "the tone frequency is unknown";
        return finding;
    }
    if (!finding.Fitted) {
        finding.Reason = "no fitted tip: " + measures.Fitted.Problem;
    }
    const double shift = *finding.ShiftPercent;
    if (std::abs(shift) >= norm.OffFrequencyPercent) {
        finding.Kind = FindingKind::OffFrequency;
    } else if (shift >= finding.LowPercent && shift <= finding.HighPercent) {
        finding.Kind = FindingKind::Normal;
    } else {
        finding.Kind = FindingKind::OutsideRange;
    }
    return finding;
}

const char* FindingWord(FindingKind kind)
{
    switch (kind) {
    case FindingKind::Normal:
        return "normal";
    case FindingKind::OutsideRange:
        return "outside range";
    case FindingKind::OffFrequency:
        return "off-frequency";
    case FindingKind::NotDefinable:
        return "not definable";
    }
    return "";
}

std::string DescribeFinding(const TipFinding& finding)
{
    if (finding.Kind == FindingKind::NotDefinable) {
        return "tip not definable: " + finding.Reason;
    }
    std::string text;
    switch (finding.Kind) {
    case FindingKind::Normal:
        text = "tip within the normal range";
        break;
    case FindingKind::OutsideRange:
        text = "tip outside the normal range, short of the off-frequency criterion";
        break;
    default:
        text = "tip shifted: off-frequency listening likely (dead region at ToneF possible)";
        break;
    }
    text += " (shift " + PercentText(*finding.ShiftPercent) + " of the " + (finding.Fitted ? "fitted tip" : "smoothed tip")
            + (finding.Fitted ? "" : ", " + finding.Reason) + "; " + CurveKindName(finding.Curve) + " curves: "
            + PercentText(finding.LowPercent) + " to " + PercentText(finding.HighPercent) + ")";
    return text;
}

std::string DescribeCriterion(const TipFinding& finding)
{
    std::string text = "normal tip within " + PercentText(finding.LowPercent) + " to " + PercentText(finding.HighPercent)
                       + " of ToneF for " + CurveKindName(finding.Curve) + " curves";
    text += finding.Curve == CurveKind::Upward
                ? std::string(" (Myers & Malicka 2014)")
                : " (the upward sweeps' norm of Myers & Malicka 2014 moved by " + PercentText(RangeCorrectionPercent(finding.Curve))
                      + ", the bias against upward sweeps measured with the virtual listener)";
    return text + "; off-frequency from a shift of " + PercentText(finding.CriterionPercent)
           + " either way (Warnaar & Dreschler 2012)";
}
