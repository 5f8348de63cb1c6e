#pragma once

#include "CurveMeasures.h"
#include "TipNorm.h"

#include <optional>
#include <string>

// The clinical finding of a tuning curve: its tip's shift from the tone, in % of ToneF, judged
// against a normal range and an off-frequency criterion.
//
// The norm is stated for upward sweeps: a normal tip lies within -3 % ... +10 % of the tone
// (Myers & Malicka 2014, 32 adults, quadratic fit); a shift of 20 % or more agreed best with
// the TEN test's dead regions (Warnaar & Dreschler 2012). A downward sweep's track lags the
// other way and puts the same listener's tip lower; a combined curve (upward and downward runs
// averaged) lies between. Their ranges are the upward norm moved by the difference between
// the directions' tip bias that `quorvex-sim validate` measures against the virtual listener
// (docs/analysis-validation.md, fitted tip, mean over 1, 2 and 4 kHz): downward -2.7 %,
// combined -1.4 %. The off-frequency criterion is not moved: it is a size of shift far beyond
// any direction's bias.

// The curve the finding is about, which decides the range.
enum class CurveKind { Upward, Downward, Combined };
// The measured difference of a kind's tip bias from the upward sweep's, in % of ToneF.
double RangeCorrectionPercent(CurveKind kind);
// "upward", "downward", "combined".
const char* CurveKindName(CurveKind kind);

enum class FindingKind { Normal, OutsideRange, OffFrequency, NotDefinable };

struct TipFinding {
    FindingKind Kind = FindingKind::NotDefinable;
    CurveKind Curve = CurveKind::Upward;
    std::optional<double> ShiftPercent;  // of the tip the finding rests on
    bool Fitted = false;                 // the fitted tip; otherwise the smoothed minimum
    double LowPercent = 0.0;             // the range for this kind of curve
    double HighPercent = 0.0;
    double CriterionPercent = 0.0;
    std::string Reason;  // why the tip is not definable; why the smoothed tip stands in
};

// The finding of one curve's measures. The fitted tip is used, or the smoothed minimum when
// there is none. The tip is not definable without either, or when the curve's lowest point is
// one of its ends (the tip may lie beyond the frequencies measured).
TipFinding FindTip(const CurveMeasures& measures, const TipNorm& norm, CurveKind curve);

// The finding's word in a CSV column: "normal", "outside range", "off-frequency",
// "not definable".
const char* FindingWord(FindingKind kind);
// The finding in one sentence: "tip within the normal range (shift 2.1 % of the fitted tip;
// upward sweeps: -3.0 % to 10.0 %)".
std::string DescribeFinding(const TipFinding& finding);
// The criterion in words: "normal range -3.0 % to 10.0 % of ToneF for upward sweeps (Myers &
// Malicka 2014), off-frequency from 20.0 % (Warnaar & Dreschler 2012)".
std::string DescribeCriterion(const TipFinding& finding);
