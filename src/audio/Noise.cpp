#include "Noise.h"

#include "Fft.h"
#include "RuntimeRandom.h"
#include "UniformDeviate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <ctime>

Noise::Noise(float durationMs, int sampleRate)
    : Noise(durationMs, sampleRate, static_cast<std::uint32_t>(std::time(nullptr)))
{
}

Noise::Noise(float durationMs, int sampleRate, std::uint32_t runtimeSeed)
{
    SharedRuntimeRandom().Seed(runtimeSeed);
    SizeFor(durationMs, sampleRate);
}

void Noise::SizeFor(float durationMs, int sampleRate)
{
    const double requested = 0.001 * durationMs * sampleRate;
    std::uint32_t count = 0;
    if (requested > 0.0 && sampleRate > 0) {
        const double exponent = std::ceil(std::log(requested) / std::log(2.0));
        if (!(exponent <= 31.0) || std::pow(2.0, exponent) > 2147483647.0) {
            throw std::length_error("A noise of " + std::to_string(durationMs)
                                    + " ms is longer than the longest noise Quorvex can make (2^31 samples).");
        }
        count = static_cast<std::uint32_t>(std::pow(2.0, exponent));
    }
    Reshape(sampleRate, count);
}

void Noise::SetBands(int count, float low0, float high0, float low1, float high1)
{
    bandCount_ = count;
    bandEdges_ = {low0, high0, low1, high1};
    bandLevels_ = {50.0, 50.0};
}

float Noise::Generate(const InverseTransform& inverse)
{
    const std::uint32_t n = SampleCount();
    // The spectrum is built in the samples' own storage and transformed there, which halves the
    // memory a reservoir takes to make.
    const std::span<float> spectrum = Samples();
    std::fill(spectrum.begin(), spectrum.end(), 0.0f);
    NoiseSeed = -SharedRuntimeRandom().Next();
    const double binSpacing = static_cast<double>(SampleRate()) / n;
    // Bins are kept below n/2 so that both parts of every component lie inside the spectrum,
    // whatever edges were set.
    const double lastBin = n >= 2 ? static_cast<double>(n / 2 - 1) : -1.0;
    const int bands = std::clamp(bandCount_, 0, 2);
    for (int b = 0; b < bands; ++b) {
        const double a = std::pow(10.0, (bandLevels_[b] - bandLevels_[0]) * 0.05);
        const double first = std::floor(bandEdges_[2 * b] / binSpacing + 0.5);
        const double last = std::floor(bandEdges_[2 * b + 1] / binSpacing + 0.5);
        if (std::isnan(first) || std::isnan(last) || lastBin < 0.0) {
            continue;
        }
        const auto from = static_cast<std::uint32_t>(std::clamp(first, 0.0, lastBin + 1.0));
        const auto to = static_cast<std::uint32_t>(std::clamp(last, -1.0, lastBin) + 1.0);
        for (std::uint32_t k = from; k < to; ++k) {
            const double u = UniformDeviate(NoiseSeed) * 2.0 - 1.0;
            const double re = u * a;
            double im = std::sqrt(a * a - re * re);
            const double v = UniformDeviate(NoiseSeed) * 2.0 - 1.0;
            if (!(v > 0.0)) {
                im = -im;
            }
            spectrum[2 * k] = static_cast<float>(spectrum[2 * k] + re);
            spectrum[2 * k + 1] = static_cast<float>(spectrum[2 * k + 1] + im);
        }
    }
    if (n >= 2) {
        spectrum[1] = 0.0f;
    }
    if (inverse && n >= 2) {
        inverse(spectrum.data(), n);
    } else {
        // Refused only for fewer than two samples, which have no band and stay silent as they are.
        static_cast<void>(RealFft(spectrum.data(), n, -1));
    }
    return 0.0f;
}
