#pragma once

#include "CurveAnalysis.h"
#include "ExpectedCurve.h"
#include "ResultsFileBlocks.h"

#include <string>

// The text quorvex-sim prints about a results block and a curve, one item per line.
std::string DescribeBlock(const ResultsBlock& block, int number);
std::string DescribeCurve(const CurveAnalysis& analysis);
std::string DescribeExpectedCurve(const ExpectedCurve& curve);
