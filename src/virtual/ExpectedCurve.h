#pragma once

#include "CurveMeasures.h"
#include "TestCondition.h"

#include <optional>

// The tuning curve the noise-free virtual listener should produce, in closed form.
//
// In its filter the listener compares the tone's energy S with the masker's N over the tone's
// window (gate weighting w, 20 ms ramps). For a masker of level Lm centred on fc:
// - the masker is the reservoir noise (RMS 8000 at the gain for Lm) times a unit-amplitude
//   sine, which halves its power: it sounds at Lm - 10 log10 2 dB SPL, spread evenly over
//   fc +- MaskerBW / 2, so N = 10^((Lm - 3.01) / 10) x Wbar(fc) x sum(w^2), with Wbar the mean
//   of W over the band (closed-form integral of the roex weighting);
// - the tone (level Lt, W = 1 at its own frequency) gives S = 10^(Lt / 10) x sum(w^4), its
//   own gate and the listening window being the same ramps.
// The listener is at criterion c when S / N = 10^(c / 10), so
//   Lm(fc) = Lt + 10 log10 2 + 10 log10(sum(w^4) / sum(w^2)) - c - 10 log10 Wbar(fc).
// The tone's spectral spread (a few Hz) changes W by less than 0.01 dB and is left out. An
// amplitude-modulated tone adds two sidebands of a quarter of the carrier's power at
// +- ModFreq, counted as steady lines (an approximation; exact for an unmodulated tone). With
// the KC35 the attenuator sets whole dB, so the tone level is the truncated ToneSPL and the
// curve gives the masker level the attenuator must be set to.
class ExpectedCurve {
public:
    ExpectedCurve(const ExperimentSettings& settings, const TestCondition& condition, double criterionDb);

    // The masker level (dB SPL) at which the listener is just at its criterion.
    double MaskerLevel(double centreHz) const;

    // Tip: the masker frequency of the lowest level (the band centred on the tone, where the
    // filter's weighting is largest) and that level.
    double TipFrequency() const { return toneF_; }
    double TipLevel() const { return MaskerLevel(toneF_); }

    struct Bandwidth {
        double LowHz = 0.0;
        double HighHz = 0.0;
        double Q10 = 0.0;
    };
    // Where the curve is 10 dB above its tip on each side, and tip frequency / their distance.
    // Nothing when the curve never rises 10 dB below the tip (a masker band cannot go below 0 Hz).
    std::optional<Bandwidth> Q10() const;

private:
    double BandWeight(double centreHz) const;

    double toneF_;
    double halfBand_;
    double levelOffset_;
};

// The slopes (dB/octave) a run's analysis should find on the closed-form curve: line fits of
// level against log2 frequency at the condition's masker frequencies, from StartF to the tone
// and from the tone to EndF, leaving out the slope exclusion around the tone as the analysis
// leaves it out around the tip, and levels above MaxSPL, which no run can record. Nothing for a
// side with fewer than two such points.
struct ExpectedSlopes {
    std::optional<double> Low;
    std::optional<double> High;
};
ExpectedSlopes ExpectedSideSlopes(const ExpectedCurve& curve, const TestCondition& condition,
                                  const AnalysisParameters& parameters = {});
