#include "ResultsBuffer.h"

#include <algorithm>

void ResultsBuffer::Reset(int capacity)
{
    std::vector<ResultPoint> fresh;
    fresh.reserve(static_cast<std::size_t>(std::clamp(capacity, 1, MaxInitialCapacity)));
    points_.swap(fresh);
}

void ResultsBuffer::Record(float freq, float spl)
{
    points_.push_back(ResultPoint{freq, spl});
}
