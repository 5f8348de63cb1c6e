#pragma once

#include "TestCondition.h"

#include <cstddef>
#include <vector>

// The recorded points of the run in progress (or the latest run). It grows as points
// arrive, so no key change is ever dropped, and the results file and the graph read the
// same points.
class ResultsBuffer {
public:
    // The most points reserved up front. A condition may ask for many more frequencies than
    // a listener will ever record; the buffer grows past this on demand.
    static constexpr int MaxInitialCapacity = 4096;

    // Empties the buffer and makes room for `capacity` points (bounded, see above).
    void Reset(int capacity);
    // Forgets the points but keeps the room (a run starting its trials).
    void Clear() { points_.clear(); }
    void Record(float freq, float spl);

    int ResultCount() const { return static_cast<int>(points_.size()); }
    const std::vector<ResultPoint>& Points() const { return points_; }
    const ResultPoint& operator[](std::size_t i) const { return points_.at(i); }
    std::size_t Capacity() const { return points_.capacity(); }

    // Number of points of the latest finished run (what the graph shows).
    int StoredResultCount = 0;

private:
    std::vector<ResultPoint> points_;
};
