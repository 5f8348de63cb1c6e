#include "StimulusResolution.h"

#include "NumberFormat.h"
#include "Stimuli.h"

#include <cmath>

double EffectiveBits(double peak, int sampleBits)
{
    const double steps = std::fabs(peak) * std::ldexp(1.0, sampleBits - 16);
    return steps >= 1.0 ? std::log2(steps) + 1.0 : 0.0;
}

std::optional<double> RunToneBits(const ExperimentSettings& settings, const TestCondition& condition,
                                  int sampleBits)
{
    if (settings.Attenuator != AttenuatorMode::Software) {
        return std::nullopt;
    }
    return EffectiveBits(MakeRunTone(settings, condition, condition.ToneSPL).Peak(), sampleBits);
}

namespace {

// "2.8 of the output's 16 bits", rounded down so that it never reads as more than it is.
std::string BitsOf(double bits, int sampleBits)
{
    return FormatGeneral(std::floor(bits * 10.0) / 10.0, 3) + " of the output's " + std::to_string(sampleBits)
           + " bits";
}

}  // namespace

std::string QuietStimulusWarning(const std::string& stimulus, double bits, int sampleBits)
{
    return stimulus + " keeps " + BitsOf(bits, sampleBits) + " (fewer than " + FormatGeneral(FewestEffectiveBits, 3)
           + "), so it is played distorted: turn the headphone amplifier down and recalibrate; a lower "
             "CalibFactor leaves more bits for quiet stimuli.";
}

std::string QuietToneNote(double bits, int sampleBits)
{
    return "Quiet tone: it keeps " + BitsOf(bits, sampleBits)
           + ". Turn the headphone amplifier down and recalibrate.";
}
