#include "RunQuality.h"

#include "CurveMeasures.h"

std::vector<std::string> CalibrationFlags(const CalibrationInUse& calibration)
{
    std::vector<std::string> flags;
    if (calibration.InUse() && calibration.Overdue) {
        flags.emplace_back("calibration overdue (the profile's objective calibration is older than its interval)");
    }
    if (calibration.InUse() && !calibration.CheckedToday) {
        flags.emplace_back("no listening check (today's check of both ears is not on record)");
    }
    return flags;
}

std::string QualityLine(const std::vector<ResultPoint>& points, const TestCondition& condition,
                        const CalibrationInUse& calibration)
{
    const CurveMeasures measures = MeasureRun(points, RunContext{condition.ToneF, condition.MaxSPL, std::nullopt});
    std::vector<std::string> flags;
    for (const RaisedFlag& flag : measures.Flags) {
        flags.push_back(std::string(FlagTitle(flag.Flag)) + " (" + flag.Reason + ")");
    }
    for (std::string& flag : CalibrationFlags(calibration)) {
        flags.push_back(std::move(flag));
    }
    if (flags.empty()) {
        return "Quality flags: none.";
    }
    std::string line = "Quality flags:";
    for (const std::string& flag : flags) {
        line += std::string(line.back() == ':' ? " " : "; ") + flag;
    }
    return line + ".";
}
