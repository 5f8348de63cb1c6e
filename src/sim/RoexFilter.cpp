#include "RoexFilter.h"

#include "Fft.h"

#include <algorithm>
#include <cmath>

double ErbHz(double centreHz)
{
    return 24.7 * (4.37 * centreHz / 1000.0 + 1.0);
}

double RoexP(double centreHz)
{
    return 4.0 * centreHz / ErbHz(centreHz);
}

double RoexWeight(double centreHz, double hz)
{
    const double pg = RoexP(centreHz) * std::abs(hz - centreHz) / centreHz;
    return (1.0 + pg) * std::exp(-pg);
}

namespace {

// The integral of W over normalised distances 0 to |g|, signed like g:
// the antiderivative of (1 + p g) e^(-p g) is -(2 + p g) e^(-p g) / p.
double SignedIntegral(double p, double g)
{
    const double pg = p * std::abs(g);
    const double value = (2.0 - (2.0 + pg) * std::exp(-pg)) / p;
    return g < 0.0 ? -value : value;
}

std::uint32_t TransformLength(std::size_t samples)
{
    std::uint32_t n = 2;
    while (n < samples) {
        n *= 2;
    }
    return n;
}

}  // namespace

double RoexBandIntegral(double centreHz, double lowHz, double highHz)
{
    const double p = RoexP(centreHz);
    const double gLow = (lowHz - centreHz) / centreHz;
    const double gHigh = (highHz - centreHz) / centreHz;
    return centreHz * (SignedIntegral(p, gHigh) - SignedIntegral(p, gLow));
}

RoexEnergyMeter::RoexEnergyMeter(double sampleRate, double centreHz, std::vector<float> window)
    : window_(std::move(window))
{
    const std::uint32_t n = TransformLength(window_.size());
    buffer_.assign(n, 0.0f);
    weights_.resize(n / 2 + 1);
    for (std::uint32_t k = 0; k <= n / 2; ++k) {
        weights_[k] = RoexWeight(centreHz, k * sampleRate / n);
    }
}

double RoexEnergyMeter::Energy(const std::int16_t* samples, std::size_t available, std::size_t stride, double gain)
{
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    const std::size_t count = std::min(window_.size(), stride == 0 ? 0 : (available + stride - 1) / stride);
    for (std::size_t i = 0; i < count; ++i) {
        buffer_[i] = static_cast<float>(samples[i * stride]) * window_[i];
    }
    return Measure(gain);
}

double RoexEnergyMeter::Energy(const std::vector<float>& samples, double gain)
{
    std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    const std::size_t count = std::min(window_.size(), samples.size());
    for (std::size_t i = 0; i < count; ++i) {
        buffer_[i] = samples[i] * window_[i];
    }
    return Measure(gain);
}

double RoexEnergyMeter::Measure(double gain)
{
    const auto n = static_cast<std::uint32_t>(buffer_.size());
    // Never refused: TransformLength gives a power of two of at least 2.
    static_cast<void>(RealFft(buffer_.data(), n, +1));
    // Parseval over the packed half-spectrum: bins 0 and n/2 once, the others twice.
    double sum = weights_[0] * buffer_[0] * buffer_[0] + weights_[n / 2] * buffer_[1] * buffer_[1];
    for (std::uint32_t k = 1; k < n / 2; ++k) {
        const double re = buffer_[2 * k];
        const double im = buffer_[2 * k + 1];
        sum += 2.0 * weights_[k] * (re * re + im * im);
    }
    return sum / n * gain * gain;
}
