#pragma once

#include "StudyFile.h"

#include <string>
#include <vector>

// The per-cell summary of a study's task files: one row per cell and measure (`cell`, the
// cell's settings, `runs`, `measure`, `n`, `mean`, `sd`, `p5`, `p95`, `listener_model`), each
// number rounded to what its measure can tell (see SummaryMeasures in StudySummary.cpp).
struct StudySummary {
    std::string Text;                   // the CSV; empty when there are problems
    std::vector<std::string> Problems;  // "task 3 (...): missing", ...
    bool OtherPlan = false;             // a task file was measured for another plan
};
StudySummary SummariseStudy(const StudyPlan& plan);
