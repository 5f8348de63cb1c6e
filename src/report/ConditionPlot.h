#pragma once

#include "ConditionAnalysis.h"
#include "CurvePlot.h"

// The plot of a condition and ear: each run's points and smoothed curve in a colour of its
// own, named by its sweep and time, and the combined curve in black, with their tips.
CurvePlot ConditionPlot(const ResultsAnalysis& analysis, const ConditionCurves& curves);
