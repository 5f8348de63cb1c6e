#include "FreqPointCount.h"

#include <cmath>
#include <limits>

int FreqPointCount(const TestCondition& c)
{
    const double step = c.FStep;
    if (step == 0.0 || !std::isfinite(step)) {
        return 0;
    }
    const double count = (static_cast<double>(c.EndF) - static_cast<double>(c.StartF)) / step + 1.0;
    if (!std::isfinite(count) || count >= static_cast<double>(std::numeric_limits<int>::max()) + 1.0
        || count <= static_cast<double>(std::numeric_limits<int>::min()) - 1.0) {
        return 0;
    }
    return static_cast<int>(count);  // truncation toward zero
}
