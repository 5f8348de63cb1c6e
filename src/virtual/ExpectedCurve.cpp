#include "ExpectedCurve.h"

#include "ListenerModel.h"
#include "RoexFilter.h"

#include <cmath>

namespace {

double RatioDb(double ratio)
{
    return 10.0 * std::log10(ratio);
}

// Bisection for the masker frequency between `inside` (below the target level) and `outside`
// (at or above it).
double Crossing(const ExpectedCurve& curve, double inside, double outside, double target)
{
    for (int i = 0; i < 200 && std::abs(outside - inside) > 1e-9; ++i) {
        const double middle = 0.5 * (inside + outside);
        (curve.MaskerLevel(middle) < target ? inside : outside) = middle;
    }
    return 0.5 * (inside + outside);
}

// The slope of the line fitted to the curve at the condition's masker frequencies in
// [fromHz, toHz], levels above MaxSPL left out.
std::optional<double> LineSlope(const ExpectedCurve& curve, const TestCondition& c, double fromHz, double toHz)
{
    double n = 0, x = 0, y = 0, xx = 0, xy = 0;
    for (double f = c.StartF; f <= c.EndF + 1e-6; f += c.FStep) {
        const double exact = curve.MaskerLevel(f);
        if (f < fromHz || f > toHz || exact > c.MaxSPL) {
            continue;
        }
        // At the precision a run records its points.
        const auto level = static_cast<double>(static_cast<float>(exact));
        const double lx = std::log2(static_cast<double>(static_cast<float>(f)));
        n += 1;
        x += lx;
        y += level;
        xx += lx * lx;
        xy += lx * level;
    }
    if (n < 2 || !(n * xx - x * x > 0.0)) {
        return std::nullopt;
    }
    return (n * xy - x * y) / (n * xx - x * x);
}

}  // namespace

ExpectedCurve::ExpectedCurve(const ExperimentSettings& settings, const TestCondition& condition, double criterionDb)
    : toneF_(condition.ToneF)
    , halfBand_(condition.MaskerBW * 0.5)
{
    const ListeningWindow window = ToneListeningWindow(settings);
    double sum2 = 0.0;
    double sum4 = 0.0;
    for (const float w : window.Weights) {
        sum2 += static_cast<double>(w) * w;
        sum4 += static_cast<double>(w) * w * w * w;
    }
    const double toneLevel =
        settings.Attenuator == AttenuatorMode::Kc35 ? std::trunc(condition.ToneSPL) : condition.ToneSPL;
    double toneSpectrum = 1.0;
    if (settings.Modulated == 1) {
        toneSpectrum += 0.5 * RoexWeight(toneF_, toneF_ + settings.ModFreq);
    }
    const double gateRatio = sum2 > 0.0 ? sum4 / sum2 : 1.0;
    levelOffset_ = toneLevel + RatioDb(toneSpectrum) + RatioDb(2.0) + RatioDb(gateRatio) - criterionDb;
}

double ExpectedCurve::BandWeight(double centreHz) const
{
    if (halfBand_ <= 0.0) {
        return RoexWeight(toneF_, centreHz);
    }
    return RoexBandIntegral(toneF_, centreHz - halfBand_, centreHz + halfBand_) / (2.0 * halfBand_);
}

double ExpectedCurve::MaskerLevel(double centreHz) const
{
    return levelOffset_ - RatioDb(BandWeight(centreHz));
}

std::optional<ExpectedCurve::Bandwidth> ExpectedCurve::Q10() const
{
    const double target = TipLevel() + 10.0;
    const double lowest = halfBand_;
    if (!(toneF_ > lowest) || !(MaskerLevel(lowest) >= target)) {
        return std::nullopt;
    }
    // W falls below 1e-9 within a few tone frequencies, far more than 10 dB.
    double high = 2.0 * toneF_;
    for (int i = 0; i < 16 && MaskerLevel(high) < target; ++i) {
        high *= 2.0;
    }
    if (!(MaskerLevel(high) >= target)) {
        return std::nullopt;
    }
    Bandwidth band;
    band.LowHz = Crossing(*this, toneF_, lowest, target);
    band.HighHz = Crossing(*this, toneF_, high, target);
    band.Q10 = toneF_ / (band.HighHz - band.LowHz);
    return band;
}

ExpectedSlopes ExpectedSideSlopes(const ExpectedCurve& curve, const TestCondition& condition,
                                  const AnalysisParameters& parameters)
{
    const double exclusion = std::exp2(parameters.SlopeExclusionOctaves);
    return {LineSlope(curve, condition, condition.StartF, condition.ToneF / exclusion),
            LineSlope(curve, condition, condition.ToneF * exclusion, condition.EndF)};
}
