#include "MeasuresText.h"

#include "NumberFormat.h"
#include "TipNorm.h"

std::string DescribeShift(double shiftPercent, double criterionPercent)
{
    std::string text = FormatPercent(shiftPercent) + " %";
    if (ShiftMarked(shiftPercent, criterionPercent)) {
        text += " (off-frequency: " + FormatForResults(criterionPercent) + " % or more)";
    }
    return text;
}

std::string DescribeFittedTip(const CurveMeasures& measures, double criterionPercent)
{
    const FittedTip& tip = measures.Fitted;
    if (!tip.Freq || !tip.Level) {
        return "none: " + tip.Problem;
    }
    std::string text = FormatHz(*tip.Freq) + " Hz at " + FormatDb(*tip.Level) + " dB SPL";
    if (measures.FittedShiftPercent) {
        text += ", shift " + DescribeShift(*measures.FittedShiftPercent, criterionPercent);
    }
    return text + " (quadratic in log frequency over " + std::to_string(tip.Points) + " points from "
           + FormatHz(tip.WindowLowHz) + " to " + FormatHz(tip.WindowHighHz) + " Hz)";
}

std::string DescribeSlope(const SideSlope& slope)
{
    if (!slope.DbPerOctave) {
        return "none: " + slope.Problem;
    }
    return FormatDb(*slope.DbPerOctave) + " dB/octave (" + std::to_string(slope.Points) + " points from "
           + FormatHz(slope.FromHz) + " to " + FormatHz(slope.ToHz) + " Hz)";
}

std::string DescribeParameters(const AnalysisParameters& parameters)
{
    return "fitted tip over +-" + FormatForResults(parameters.FitHalfWidthOctaves)
           + " octave around the smoothed minimum; slopes leave out +-" + FormatForResults(parameters.SlopeExclusionOctaves)
           + " octave around the tip; flags: shift at the off-frequency criterion or more (OffFrequencyShift, "
           + FormatForResults(TipNorm{}.OffFrequencyPercent) + " % by default), masker at MaxSPL in more than " + FormatForResults(QualityThresholds::MaxSplShare * 100.0)
           + " % of the trials within the recorded points' frequencies, fewer than "
           + std::to_string(QualityThresholds::MinPoints)
           + " points, a stimulus " + FormatForResults(QualityThresholds::LateMs) + " ms or more late";
}
