#pragma once

#include "CurveAnalysis.h"
#include "TestCondition.h"
#include "TrialEntries.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// What a laboratory reports of a tuning curve beyond the smoothed tip and Q10: a tip fitted by
// least squares, the slopes of the two sides, the tip's shift from the tone, and quality flags.
// Frequencies are taken in octaves (log2) wherever a fit is made: the filters' shapes and the
// published slopes are stated per octave.

// The methods' parameters; printed with every result they shape.
struct AnalysisParameters {
    // Half-width, in octaves, of the window around the smoothed minimum whose points the
    // quadratic is fitted to. 0.2 octave (0.87 to 1.15 times the minimum's frequency) holds
    // the rounded top of a normal tip (a Q10 of 4 to 8 puts the 10-dB points 0.09 to 0.18
    // octave from it) and little of the straight sides beyond it, which a parabola does not
    // follow.
    double FitHalfWidthOctaves = 0.2;
    // Points nearer the smoothed tip than this (octaves) are left out of the side slopes' line
    // fits, which then run from there to the curve's ends: the rounded tip is not a side.
    double SlopeExclusionOctaves = 0.15;
};

// The thresholds of the quality flags.
namespace QualityThresholds {
// The masker at MaxSPL in more than this share of the trials within the frequencies the
// measures use (from the lowest to the highest recorded point): the tone could not be masked
// there, so the curve is cut off where it is measured.
inline constexpr double MaxSplShare = 0.10;
// Fewer usable points than this leave too few for the fitted tip and both slopes.
inline constexpr int MinPoints = 20;
// A stimulus that started this much (ms) or more after its schedule was played late.
inline constexpr double LateMs = 1.0;
}  // namespace QualityThresholds

// A line or parabola fit needs at least this many points.
inline constexpr int MinSlopePoints = 3;
inline constexpr int MinFitPoints = 5;

struct FittedTip {
    std::optional<double> Freq;   // Hz, the parabola's vertex
    std::optional<double> Level;  // dB SPL
    double WindowLowHz = 0.0;     // the window the points were taken from
    double WindowHighHz = 0.0;
    int Points = 0;               // points in the window
    std::string Problem;          // why there is no fitted tip
};

struct SideSlope {
    std::optional<double> DbPerOctave;  // level against log2 frequency
    double FromHz = 0.0;                // the range the points were taken from
    double ToHz = 0.0;
    int Points = 0;
    std::string Problem;  // why there is no slope
};

// What a run's trials say beyond its points: from the trial log, or the run's own records.
struct TrialSummary {
    int Trials = 0;
    int AtMaxSpl = 0;   // trials whose masker was at MaxSPL
    // The masker frequency of every trial, and whether it was at MaxSPL, in trial order.
    std::vector<std::pair<float, bool>> MaskerAtMax;
    int Late = 0;       // stimuli that started late
    int Dropouts = 0;   // stimuli played with a dropout
    double LastFrequency = 0.0;  // the last trial's masker frequency
    double SweepEndHz = 0.0;     // where the sweep ends (EndF upwards, StartF downwards)
    bool SweepCompleted = false;
};

// Sums up a run's trials. `upward`: the sweep's direction. A trial is late when its onset
// follows the one before by more than MaskerDuration + ISI + the late threshold; the sweep is
// completed when the last trial is within one FStep of its end.
TrialSummary SummariseTrials(const std::vector<TrialEntry>& trials, const TestCondition& condition, bool upward,
                             double maskerDurationMs, double isiMs);

enum class QualityFlag { NoQ10, LowSideNotFalling, MaskerAtMax, FewPoints, SweepUnfinished, PlaybackFaults };
inline constexpr std::array AllQualityFlags = {QualityFlag::NoQ10,           QualityFlag::LowSideNotFalling,
                                               QualityFlag::MaskerAtMax,     QualityFlag::FewPoints,
                                               QualityFlag::SweepUnfinished, QualityFlag::PlaybackFaults};
// The flag's CSV column, e.g. "flag_no_q10", and its name in words, e.g. "no Q10".
const char* FlagColumn(QualityFlag flag);
const char* FlagTitle(QualityFlag flag);

struct RaisedFlag {
    QualityFlag Flag;
    std::string Reason;  // in words, with the threshold
};

struct CurveMeasures {
    CurveAnalysis Smoothed;  // smoothed curve, its minimum (the tip) and Q10
    FittedTip Fitted;
    SideSlope Low;
    SideSlope High;
    // (tip - ToneF) / ToneF in %, of each tip.
    std::optional<double> ShiftPercent;
    std::optional<double> FittedShiftPercent;
    std::vector<RaisedFlag> Flags;  // only the raised ones

    const RaisedFlag* Find(QualityFlag flag) const;
};

// What a run's measures depend on beyond its points.
struct RunContext {
    double ToneF = 0.0;
    std::optional<double> MaxSPL;         // unknown without the session record
    std::optional<TrialSummary> Trials;   // unknown without the trial log
};

// The measures of one run's points, as recorded. The MaxSPL share is judged over the trials
// whose masker lay within the frequencies of the recorded points (the ceiling beyond the
// curve's ends, where the track had no point to give, cuts nothing a measure uses); without
// trials over the points; the sweep and playback flags are then not judged.
CurveMeasures MeasureRun(const std::vector<ResultPoint>& points, const RunContext& context,
                         const AnalysisParameters& parameters = {});

// The runs of one condition and ear averaged: each run's smoothed curve interpolated (linearly
// in frequency) at StartF + k FStep up to EndF, and averaged where every run has a value.
struct CombinedCurve {
    std::vector<ResultPoint> Points;  // the averaged grid points, in frequency order
    std::string Problem;              // why there is none (no frequency every run covers)
};
CombinedCurve CombineCurves(const std::vector<std::vector<ResultPoint>>& smoothedCurves, const TestCondition& condition);

// The measures of a combined curve, taken as it is (it is not smoothed again). Its MaxSPL,
// sweep and playback flags are those the runs raised, the runs named by `runNames`.
CurveMeasures MeasureCombined(const CombinedCurve& curve, double toneF, const std::vector<CurveMeasures>& runs,
                              const std::vector<std::string>& runNames, const AnalysisParameters& parameters = {});

// The largest difference between the runs' tips (Hz), by each method, when two or more runs
// have one (test-retest).
struct TipSpread {
    std::optional<double> SmoothedHz;
    std::optional<double> FittedHz;
};
TipSpread TipDifference(const std::vector<CurveMeasures>& runs);

// The shift is marked when its magnitude reaches the off-frequency criterion (% of the tone
// frequency) the run's norm gives (TipNorm's OffFrequencyPercent, TipFinding's CriterionPercent).
bool ShiftMarked(double shiftPercent, double criterionPercent);
