#pragma once

#include "Wave.h"

#include <array>
#include <cstdint>
#include <functional>

// A noise made in the frequency domain: every spectral bin inside the chosen bands gets a
// component of the band's amplitude with a random phase, and one inverse transform turns the
// spectrum into samples. Its length is a power of two.
class Noise : public Wave {
public:
    // Turns the packed half-spectrum of `n` values in data[0 .. n-1] (RealFft's layout) into
    // n/2 times the real sequence in place, as RealFft(data, n, -1) does.
    using InverseTransform = std::function<void(float* data, std::uint32_t n)>;

    // The smallest power of two of samples not shorter than `durationMs` at `sampleRate`.
    // Seeds the module-wide runtime generator from the calendar clock in whole seconds.
    Noise(float durationMs, int sampleRate);
    // The same with the runtime generator seeded from `runtimeSeed`, for noise that can be
    // reproduced (the simulator and tests).
    Noise(float durationMs, int sampleRate, std::uint32_t runtimeSeed);

    // One or two bands (`count`), each from a low to a high edge in Hz, at the same level.
    void SetBands(int count, float low0, float high0, float low1, float high1);
    // Draws a fresh noise into the samples (the deviates' seed comes from the runtime
    // generator). The level is arbitrary; callers scale it with SetRms. Returns 0. The spectrum
    // becomes samples by RealFft, or by `inverse` where given (the simulator's faster transform,
    // equal to RealFft's to within float rounding).
    float Generate(const InverseTransform& inverse = {});

    const std::array<double, 4>& BandEdges() const { return bandEdges_; }
    int BandCount() const { return bandCount_; }

private:
    void SizeFor(float durationMs, int sampleRate);

    std::array<double, 4> bandEdges_{};
    std::array<double, 2> bandLevels_{};
    int bandCount_ = 0;
};
