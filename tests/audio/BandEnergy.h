#pragma once

#include "Fft.h"
#include "Wave.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// The power of every bin of a wave, zero-padded to the next power of two; bin k is the
// frequency k x rate / (padded length).
struct PowerSpectrum {
    std::vector<double> power;
    double binHz = 0.0;

    double Between(double lowHz, double highHz) const
    {
        double sum = 0.0;
        for (std::size_t k = 0; k < power.size(); ++k) {
            const double f = static_cast<double>(k) * binHz;
            if (f >= lowHz && f <= highHz) {
                sum += power[k];
            }
        }
        return sum;
    }
    double Total() const { return Between(-1.0, 1.0e12); }
};

inline PowerSpectrum SpectrumOf(const Wave& wave)
{
    std::uint32_t n = 2;
    while (n < wave.SampleCount()) {
        n *= 2;
    }
    std::vector<float> data(n, 0.0f);
    std::copy(wave.Samples().begin(), wave.Samples().end(), data.begin());
    EXPECT_TRUE(RealFft(data.data(), n, 1).Ok());
    PowerSpectrum result;
    result.binHz = static_cast<double>(wave.SampleRate()) / n;
    result.power.resize(n / 2 + 1);
    result.power[0] = static_cast<double>(data[0]) * data[0];
    result.power[n / 2] = static_cast<double>(data[1]) * data[1];
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        result.power[k] = 2.0 * (static_cast<double>(data[2 * k]) * data[2 * k]
                                 + static_cast<double>(data[2 * k + 1]) * data[2 * k + 1]);
    }
    return result;
}
