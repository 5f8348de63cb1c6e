#include "CalibrationLevels.h"

#include "Kc35Attenuator.h"
#include "NumberFormat.h"

#include <cmath>

float StimulusCorrectionDb(const CalibrationInUse& calibration, EarSide ear, float freqHz)
{
    return calibration.InUse() ? calibration.Response.CorrectionDb(ear, freqHz) : 0.0f;
}

float MaskerCeilingRelativeDb(bool softwareLevels, float correctionDb)
{
    return softwareLevels ? correctionDb : 0.0f;
}

Result<Kc35Setting> Kc35CorrectedLevel(float levelDb, float correctionDb, std::optional<float> ceilingDb)
{
    const float steps = std::round(correctionDb);
    const Result<int> level = TruncateLevel(levelDb - steps);
    if (!level) {
        return Failure{level.Reason()};
    }
    Kc35Setting setting;
    setting.Level = level.Value();
    // A hundredth of a dB of float rounding is not a level above the ceiling.
    if (ceilingDb && static_cast<float>(setting.Level) + correctionDb > *ceilingDb + 0.01f) {
        setting.Level -= 1;
    }
    setting.ResidualDb = static_cast<float>(setting.Level) + correctionDb - levelDb;
    return setting;
}

Result<> CheckCorrectedTone(const SharedState& state, char decimalSeparator)
{
    if (!state.Calibration.InUse() || state.Settings.Attenuator != AttenuatorMode::Software) {
        return {};
    }
    const TestCondition& c = state.Current();
    const float correction = StimulusCorrectionDb(state.Calibration, state.Ear, c.ToneF);
    const double gain = c.ToneSPL - correction - state.Settings.CalibFactor;
    // A tone of RMS 8000 peaks at 8000 * sqrt(2); the modulation's envelope doubles that.
    const double peak = SharedState::ReferenceRMS * std::sqrt(2.0) * (state.Settings.Modulated == 1 ? 2.0 : 1.0);
    const double highestGain = 20.0 * std::log10(32767.0 / peak);
    if (gain <= highestGain) {
        return {};
    }
    const auto number = [decimalSeparator](double value) { return FormatForDisplay(value, decimalSeparator); };
    return Failure{"the tone at " + number(c.ToneSPL) + " dB SPL, with the " + EarName(state.Ear) + " ear's correction of "
                   + number(correction) + " dB at " + number(c.ToneF) + " Hz in the calibration profile \""
                   + state.Calibration.Profile + "\", needs a gain of " + number(gain)
                   + " dB over CalibFactor and would clip (at most " + number(std::round(highestGain * 100.0) / 100.0)
                   + " dB)"};
}
