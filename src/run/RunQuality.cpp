#include "RunQuality.h"

#include "CurveMeasures.h"

std::string QualityLine(const std::vector<ResultPoint>& points, const TestCondition& condition)
{
    const CurveMeasures measures = MeasureRun(points, RunContext{condition.ToneF, condition.MaxSPL, std::nullopt});
    if (measures.Flags.empty()) {
        return "Quality flags: none.";
    }
    std::string line = "Quality flags:";
    for (const RaisedFlag& flag : measures.Flags) {
        line += std::string(line.back() == ':' ? " " : "; ") + FlagTitle(flag.Flag) + " (" + flag.Reason + ")";
    }
    return line + ".";
}
