#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

// The q-quantile (0..1) of `v`, interpolated linearly between neighbouring values. `v` is not empty.
inline double Quantile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    const double at = q * static_cast<double>(v.size() - 1);
    const std::size_t below = static_cast<std::size_t>(at);
    const std::size_t above = std::min(below + 1, v.size() - 1);
    return v[below] + (at - static_cast<double>(below)) * (v[above] - v[below]);
}
