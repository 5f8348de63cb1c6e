#include "CalibrationFrequencies.h"

#include "SharedState.h"

#include <algorithm>
#include <cmath>

std::vector<float> DefaultCalibrationFrequencies(const TestCondition& condition)
{
    std::vector<float> frequencies;
    const auto add = [&frequencies](double hz) {
        const float whole = static_cast<float>(std::round(hz));
        if (std::isfinite(whole) && whole > 0.0f && whole < SharedState::SampleRate / 2.0f) {
            frequencies.push_back(whole);
        }
    };
    add(condition.ToneF);
    const double low = condition.StartF;
    const double high = condition.EndF;
    if (std::isfinite(low) && std::isfinite(high) && low > 0.0 && high >= low) {
        const double octaves = std::log2(high / low);
        const int intervals = std::max(1, static_cast<int>(std::ceil(octaves / CalibrationPointSpacingOctaves - 1e-9)));
        for (int i = 0; i <= intervals; ++i) {
            add(low * std::exp2(octaves * i / intervals));
        }
    }
    std::sort(frequencies.begin(), frequencies.end());
    frequencies.erase(std::unique(frequencies.begin(), frequencies.end()), frequencies.end());
    return frequencies;
}
