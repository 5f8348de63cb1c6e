#pragma once

#include "TestCondition.h"

#include <optional>
#include <string>

// How much of its shape a quiet stimulus keeps. In software mode a level is a gain on the
// samples, so a stimulus far below CalibFactor spans only a few steps of the output's samples
// and is heard distorted, near threshold, where the measurement happens.

// Fewer bits than this and the operator is told (about 72 dB of signal to quantisation noise).
inline constexpr double FewestEffectiveBits = 12.0;

// The bits of an output of `sampleBits`-bit samples that a sound of peak `peak` (its largest
// sample of either sign, as Wave::Peak gives it, in 16-bit units, full scale 32768) spans: log2 of the peak in the output's steps, plus the sign bit.
// 0 for silence.
double EffectiveBits(double peak, int sampleBits);

// The bits the run's tone of `condition` keeps on an output of `sampleBits`-bit samples; none
// where levels are not a gain on the samples (KC35 mode plays at the reference level).
std::optional<double> RunToneBits(const ExperimentSettings& settings, const TestCondition& condition,
                                  int sampleBits);

// The operator's warning about `stimulus` ("The tone at 30 dB SPL") keeping `bits` bits of the
// output's `sampleBits`, with what to do about it.
std::string QuietStimulusWarning(const std::string& stimulus, double bits, int sampleBits);
// The same, short, for a window's label beside the tone's level.
std::string QuietToneNote(double bits, int sampleBits);
