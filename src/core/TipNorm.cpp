#include "TipNorm.h"

#include "NumberFormat.h"

#include <cmath>

TipNorm NormOf(const ExperimentSettings& settings)
{
    return {settings.NormalTipLow, settings.NormalTipHigh, settings.OffFrequencyShift};
}

std::string NormProblem(const TipNorm& norm)
{
    const auto named = [](const char* key, double value) { return std::string(key) + " (" + FormatShortest(static_cast<float>(value)) + ")"; };
    if (!std::isfinite(norm.LowPercent) || !std::isfinite(norm.HighPercent) || !std::isfinite(norm.OffFrequencyPercent)) {
        return "NormalTipLow, NormalTipHigh and OffFrequencyShift must be numbers";
    }
    if (!(norm.LowPercent < norm.HighPercent)) {
        return named("NormalTipLow", norm.LowPercent) + " is not below " + named("NormalTipHigh", norm.HighPercent);
    }
    if (!(norm.OffFrequencyPercent > norm.HighPercent) || !(-norm.OffFrequencyPercent < norm.LowPercent)) {
        return named("OffFrequencyShift", norm.OffFrequencyPercent)
               + " must be larger than the normal range's shifts on both sides (" + named("NormalTipLow", norm.LowPercent)
               + ", " + named("NormalTipHigh", norm.HighPercent) + ")";
    }
    return {};
}
