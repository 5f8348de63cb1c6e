#include "RoexFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>

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

// The smallest 2^a 3^b 5^c not below n with a of at least 5: lengths that FFTW's estimated
// plans transform quickly.
std::size_t FastLength(std::size_t n)
{
    std::size_t best = 32;
    while (best < n) {
        best *= 2;
    }
    for (std::size_t threes = 1; threes < best; threes *= 3) {
        for (std::size_t odd = threes; odd < best; odd *= 5) {
            std::size_t m = 32 * odd;
            while (m < n) {
                m *= 2;
            }
            best = std::min(best, m);
        }
    }
    return best;
}

std::size_t TransformLengthFor(double sampleRate, double centreHz, std::size_t windowLength)
{
    const double timeConstant = 4.0 * sampleRate / (2.0 * 3.141592653589793 * ErbHz(centreHz));
    return FastLength(windowLength + static_cast<std::size_t>(std::ceil(10.0 * timeConstant)));
}

constexpr double NegligibleWeight = 1e-15;

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
    , spectrum_(TransformLengthFor(sampleRate, centreHz, window_.size()))
{
    const std::size_t n = spectrum_.Length();
    std::size_t last = 0;
    bool any = false;
    for (std::size_t k = 0; 2 * k <= n; ++k) {
        if (RoexWeight(centreHz, static_cast<double>(k) * sampleRate / static_cast<double>(n)) >= NegligibleWeight) {
            firstBin_ = any ? firstBin_ : k;
            last = k;
            any = true;
        }
    }
    for (std::size_t k = firstBin_; any && k <= last; ++k) {
        const double w = RoexWeight(centreHz, static_cast<double>(k) * sampleRate / static_cast<double>(n));
        // Parseval over the half-spectrum: bins 0 and n/2 once, the others for their mirror too.
        weights_.push_back(k == 0 || 2 * k == n ? w : 2.0 * w);
    }
}

double RoexEnergyMeter::HeardEnergy(const float* samples, std::size_t available, std::size_t stride,
                                    std::span<const float> known)
{
    const std::span<float> input = spectrum_.Input();
    const std::size_t length = window_.size();
    const std::size_t heard = std::min(length, stride == 0 ? 0 : (available + stride - 1) / stride);
    // ToPcm16's values, in loops without branches that the compiler vectorises: saturated,
    // NaN made 0, then truncated toward zero.
    for (std::size_t i = 0; i < heard; ++i) {
        float x = samples[i * stride];
        x = x >= 32767.0f ? 32767.0f : x;
        x = x <= -32768.0f ? -32768.0f : x;
        input[i] = x == x ? x : 0.0f;
    }
    const std::size_t both = std::min(heard, known.size());
    for (std::size_t i = 0; i < both; ++i) {
        input[i] = (static_cast<float>(static_cast<std::int32_t>(input[i])) - known[i]) * window_[i];
    }
    for (std::size_t i = both; i < heard; ++i) {
        input[i] = static_cast<float>(static_cast<std::int32_t>(input[i])) * window_[i];
    }
    const std::size_t knownOnly = std::max(heard, std::min(length, known.size()));
    for (std::size_t i = heard; i < knownOnly; ++i) {
        input[i] = -known[i] * window_[i];
    }
    std::fill(input.begin() + static_cast<std::ptrdiff_t>(knownOnly), input.end(), 0.0f);
    return Measure();
}

double RoexEnergyMeter::Energy(std::span<const float> samples)
{
    const std::span<float> input = spectrum_.Input();
    const std::size_t count = std::min(window_.size(), samples.size());
    for (std::size_t i = 0; i < count; ++i) {
        input[i] = samples[i] * window_[i];
    }
    std::fill(input.begin() + static_cast<std::ptrdiff_t>(count), input.end(), 0.0f);
    return Measure();
}

double RoexEnergyMeter::Measure()
{
    spectrum_.Transform();
    const std::span<const std::complex<float>> bins = spectrum_.Bins().subspan(firstBin_, weights_.size());
    double sum = 0.0;
    for (std::size_t k = 0; k < weights_.size(); ++k) {
        sum += weights_[k] * static_cast<double>(std::norm(bins[k]));
    }
    return sum / static_cast<double>(spectrum_.Length());
}
