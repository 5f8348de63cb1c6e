#pragma once

#include "Noise.h"
#include "TestCondition.h"
#include "Tone.h"
#include "Wave.h"

#include <cstdint>
#include <optional>

// The stimuli of the program, built the same way for the tone preview, the run, the
// calibration window and quorvex-sim. Every stimulus is synthesised at the reference RMS of
// 8000 (the level CalibFactor stands for) at 44100 Hz. Callers check the settings first
// (StimulusLimits.h).

// RMS of a sine of amplitude 1: the carrier that shifts the masker band and the modulator.
constexpr float UnitSineRms = 0.70710677f;
// The preview's modulator starts at its minimum (the float nearest -pi/2).
constexpr float PreviewModulationPhase = -1.5707964f;
// The run's tone has ramps of this length whatever RiseFall says.
constexpr float RunToneRampMs = 20.0f;
// The noise reservoir is asked for this long; it comes out as 524288 samples (11888.6 ms).
constexpr float ReservoirRequestMs = 6000.0f;

// The tone of the preview: ToneDuration ms at ToneF, modulated (envelope 0 at the first
// sample) if Modulated is 1, given the gain ToneSPL - CalibFactor in software mode
// only, and gated with RiseFall ramps.
Tone MakePreviewTone(const ExperimentSettings& settings, const TestCondition& condition);

// The starting phase of the run's modulator that puts the envelope's minimum at the tone's
// onset, (MaskerDuration - ToneDuration) / 2 ms into the stimulus.
float RunModulationPhase(const ExperimentSettings& settings);

// The run's tone: MaskerDuration ms at ToneF, modulated if Modulated is 1, given the gain
// toneLevelDb - CalibFactor in software mode only, and gated to ToneDuration ms in the middle
// of the stimulus with 20 ms ramps.
Tone MakeRunTone(const ExperimentSettings& settings, const TestCondition& condition, float toneLevelDb);

// The run's noise reservoir: low-pass noise from 0 Hz to MaskerBW / 2 at RMS 8000. The runtime
// generator is seeded from the clock, or from `runtimeSeed` when given; `inverse`, where given,
// turns its spectrum into samples (Noise::Generate).
Noise MakeNoiseReservoir(const TestCondition& condition,
                         std::optional<std::uint32_t> runtimeSeed = std::nullopt,
                         const Noise::InverseTransform& inverse = {});

// A silent buffer of one stimulus (MaskerDuration ms): the masker's working buffer and the
// silent channel.
Wave MakeTrialBuffer(const ExperimentSettings& settings);
// The carrier of the masker; BuildTrialMasker retunes it in place.
Tone MakeCarrier(const ExperimentSettings& settings);

// Adds a random MaskerDuration-ms section of `reservoir` into `masker` (a trial buffer).
void AddTrialSection(Wave& masker, const Wave& reservoir, const ExperimentSettings& settings);
// One trial's masker, without level or gate: `masker` is cleared, a random MaskerDuration-ms
// section of `reservoir` is added into it (AddTrialSection), `carrier` is refilled at `centreFrequency` and the
// masker multiplied by it, which centres the band on that frequency. Reuses both buffers.
void BuildTrialMasker(Wave& masker, Tone& carrier, const Wave& reservoir, const ExperimentSettings& settings,
                      float centreFrequency, SineSynthesis carrierSynthesis = SineSynthesis::Exact);
// The masker's gate: MaskerDuration ms on with RiseFall ramps (alone in KC35 mode).
void GateMasker(Wave& masker, const ExperimentSettings& settings);
// Software mode: the gain relativeLevelDb (the masker level - CalibFactor), then the gate.
void LevelAndGateMasker(Wave& masker, const ExperimentSettings& settings, float relativeLevelDb);

// The calibration window's tone: 1000 ms at ToneF, RMS 8000, 20 ms ramps.
Tone MakeCalibrationTone(const ExperimentSettings& settings, const TestCondition& condition);
