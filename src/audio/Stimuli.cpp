#include "Stimuli.h"

#include "SharedState.h"

#include <cmath>

namespace {

constexpr int Rate = SharedState::SampleRate;
constexpr float Reference = SharedState::ReferenceRMS;

// Multiplies the tone by the envelope 1 + sin(2 pi ModFreq t + phase), which runs from 0 to 2.
void Modulate(Wave& tone, float durationMs, float modFreq, float phase)
{
    Tone modulator(durationMs, Rate, modFreq, UnitSineRms, phase);
    modulator.AddConstant(1.0f);
    tone.Multiply(modulator);
}

bool SoftwareLevels(const ExperimentSettings& settings)
{
    return settings.Attenuator == AttenuatorMode::Software;
}

}  // namespace

Tone MakePreviewTone(const ExperimentSettings& settings, const TestCondition& condition)
{
    Tone tone(settings.ToneDuration, Rate, condition.ToneF, Reference);
    if (settings.Modulated == 1) {
        Modulate(tone, settings.ToneDuration, settings.ModFreq, PreviewModulationPhase);
    }
    if (SoftwareLevels(settings)) {
        tone.ScaleDb(condition.ToneSPL - settings.CalibFactor);
    }
    tone.Gate(0.0f, settings.ToneDuration, 0.0f, settings.RiseFall);
    return tone;
}

float RunModulationPhase(const ExperimentSettings& settings)
{
    const double cycles = (settings.MaskerDuration - settings.ToneDuration) * 0.0005 * settings.ModFreq;
    const double fraction = cycles - std::trunc(cycles);
    return static_cast<float>((0.75 - fraction) * 3.141592653589793 * 2.0);
}

Tone MakeRunTone(const ExperimentSettings& settings, const TestCondition& condition, float toneLevelDb)
{
    Tone tone(settings.MaskerDuration, Rate, condition.ToneF, Reference);
    if (settings.Modulated == 1) {
        Modulate(tone, settings.MaskerDuration, settings.ModFreq, RunModulationPhase(settings));
    }
    if (SoftwareLevels(settings)) {
        tone.ScaleDb(toneLevelDb - settings.CalibFactor);
    }
    const float silence = (settings.MaskerDuration - settings.ToneDuration) * 0.5f;
    tone.Gate(silence, settings.ToneDuration, silence, RunToneRampMs);
    return tone;
}

Noise MakeNoiseReservoir(const TestCondition& condition,
                         std::optional<std::uint32_t> runtimeSeed, const Noise::InverseTransform& inverse)
{
    Noise noise = runtimeSeed ? Noise(ReservoirRequestMs, Rate, *runtimeSeed) : Noise(ReservoirRequestMs, Rate);
    noise.SetBands(1, 0.0f, condition.MaskerBW * 0.5f, 0.0f, 0.0f);
    noise.Generate(inverse);
    noise.SetRms(Reference);
    return noise;
}

Wave MakeTrialBuffer(const ExperimentSettings& settings)
{
    return Wave(settings.MaskerDuration, Rate);
}

Tone MakeCarrier(const ExperimentSettings& settings)
{
    return Tone(settings.MaskerDuration, Rate, 1000.0f, UnitSineRms);
}

void AddTrialSection(Wave& masker, const Wave& reservoir, const ExperimentSettings& settings)
{
    masker.AddRandomSection(reservoir, 0.0f, settings.MaskerDuration);
}

void BuildTrialMasker(Wave& masker, Tone& carrier, const Wave& reservoir, const ExperimentSettings& settings,
                      float centreFrequency, SineSynthesis carrierSynthesis)
{
    masker.Fill(0.0f);
    AddTrialSection(masker, reservoir, settings);
    carrier.Regenerate(settings.MaskerDuration, Rate, centreFrequency, UnitSineRms, carrierSynthesis);
    masker.Multiply(carrier);
}

void GateMasker(Wave& masker, const ExperimentSettings& settings)
{
    masker.Gate(0.0f, settings.MaskerDuration, 0.0f, settings.RiseFall);
}

void LevelAndGateMasker(Wave& masker, const ExperimentSettings& settings, float relativeLevelDb)
{
    masker.ScaleDb(relativeLevelDb);
    GateMasker(masker, settings);
}

Tone MakeCalibrationTone(const ExperimentSettings& settings, const TestCondition& condition)
{
    Tone tone(1000.0f, Rate, condition.ToneF, Reference);
    if (SoftwareLevels(settings)) {
        tone.ScaleDb(0.0f);
    }
    tone.Gate(0.0f, 1000.0f, 0.0f, 20.0f);
    return tone;
}
