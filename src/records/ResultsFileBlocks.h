#pragma once

#include "TestCondition.h"

#include <optional>
#include <string>
#include <vector>

// One run's block of a results file, read back: the commented header and the points.
struct ResultsBlock {
    int FirstLine = 0;  // 1-based line number of the block's separator (or first line)
    std::optional<std::string> Subject;
    std::optional<std::string> Ear;
    std::optional<double> ToneF;
    std::optional<double> ToneSPL;
    std::optional<std::string> Attenuator;
    std::vector<ResultPoint> Points;
    std::vector<std::string> Problems;  // lines that are neither header nor point
};

// Splits the text of a results file into its blocks. A block starts at a line of ";" and
// hyphens; lines before the first such line form a block of their own if they hold anything.
// Lines may end with CR LF or LF.
std::vector<ResultsBlock> ReadResultsBlocks(const std::string& text);

// Whether two runs' points are the same as the results file writes them (six significant
// digits): how a block is matched to its run in the session record, or a recorded run to the one
// in memory.
bool SamePoints(const std::vector<ResultPoint>& a, const std::vector<ResultPoint>& b);

// Whether `block` starts with all of `points` (a run whose record was cut short holds the first
// points of its block).
bool StartsWithPoints(const std::vector<ResultPoint>& block, const std::vector<ResultPoint>& points);
