#pragma once

#include <cstdint>
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
class RoexEnergyMeter {
public:
    // `window`: the analysis weighting of the stretch, one factor per sample.
    RoexEnergyMeter(double sampleRate, double centreHz, std::vector<float> window);

    // The filtered energy (sum of squared sample units, scaled by `gain` squared) of the
    // stretch starting at samples[0] every `stride` values: the window's length of samples.
    // Samples beyond the end of `samples` count as silence.
    double Energy(const std::int16_t* samples, std::size_t available, std::size_t stride, double gain);
    double Energy(const std::vector<float>& samples, double gain);

    std::size_t Length() const { return window_.size(); }

private:
    double Measure(double gain);

    std::vector<float> window_;
    std::vector<float> buffer_;
    std::vector<double> weights_;  // W per bin of the packed half-spectrum
};
