#include "ThresholdEstimate.h"

#include <algorithm>
#include <cmath>

std::optional<ThresholdEstimate> EstimateThreshold(const std::vector<float>& reversalLevels)
{
    if (reversalLevels.empty()) {
        return std::nullopt;
    }
    const std::size_t n = std::min<std::size_t>(reversalLevels.size(), ThresholdReversalsAveraged);
    const auto last = reversalLevels.end() - static_cast<std::ptrdiff_t>(n);
    double sum = 0.0;
    for (auto level = last; level != reversalLevels.end(); ++level) {
        sum += *level;
    }
    ThresholdEstimate estimate;
    estimate.Averaged = static_cast<int>(n);
    estimate.Level = sum / static_cast<double>(n);
    double squares = 0.0;
    for (auto level = last; level != reversalLevels.end(); ++level) {
        squares += (*level - estimate.Level) * (*level - estimate.Level);
    }
    estimate.Sd = n > 1 ? std::sqrt(squares / static_cast<double>(n - 1)) : 0.0;
    return estimate;
}
