#pragma once

#include "RealFourierTransform.h"

#include <cstddef>
#include <span>
#include <vector>

// The roex(p) auditory filter of Glasberg and Moore (1990): an intensity weighting
// W(g) = (1 + p g) e^(-p g) of the normalised distance g = |f - F| / F from the centre F, with
// p = 4 F / ERB and ERB = 24.7 (4.37 F / 1000 + 1) Hz.

double ErbHz(double centreHz);
double RoexP(double centreHz);
// W at frequency `hz` for a filter centred on `centreHz`.
double RoexWeight(double centreHz, double hz);
// The integral of W over `lowHz` to `highHz` (Hz), in closed form: the energy a flat band of
// unit power density delivers through the filter.
double RoexBandIntegral(double centreHz, double lowHz, double highHz);

// Measures the energy a listener's roex filter passes from one stretch of a signal: the stretch
// is weighted by an analysis window, transformed, and every spectral bin weighted by W. The
// window and the weights depend only on the stretch's length, so one meter serves every trial.
// The transform is longer than the window by a guard of ten time constants of the filter's
// response (4 fs / (2 pi ERB) samples), so that the circular transform weighs every pair of
// samples as the filter does to within 1e-4 of the response's peak, and then only pairs at
// the window's two tapered ends; its length is one FFTW transforms quickly. Bins where W is
// below 1e-15 are left out.
class RoexEnergyMeter {
public:
    // `window`: the analysis weighting of the stretch, one factor per sample.
    RoexEnergyMeter(double sampleRate, double centreHz, std::vector<float> window);

    // The filtered energy (sum of squared sample units) of the stretch starting at samples[0]
    // every `stride` values, as a 16-bit device plays them (ToPcm16), less `known` sample by
    // sample: the window's length of samples. Samples beyond `available` values count as
    // silence, as does `known` beyond its end.
    double HeardEnergy(const float* samples, std::size_t available, std::size_t stride,
                       std::span<const float> known = {});
    // The filtered energy of the window's length of `samples` as they are (beyond their end: silence).
    double Energy(std::span<const float> samples);

    std::size_t Length() const { return window_.size(); }
    std::size_t TransformLength() const { return spectrum_.Length(); }

private:
    double Measure();

    std::vector<float> window_;
    RealFourierTransform spectrum_;
    std::size_t firstBin_ = 0;
    std::vector<double> weights_;  // W per bin from firstBin_, twice where the bin stands for its mirror too
};
