#pragma once

#include "Result.h"
#include "TestCondition.h"

// Checks that the durations a stimulus is built from can be honoured before anything is
// synthesised: every duration finite and not negative, none longer than the noise reservoir
// the masker is cut from, and every ramp within its on-time. Each refuses with a message naming
// the offending value, and is Ok when the stimulus can be built. Numbers in the message use
// `decimalSeparator`.

// The longest stimulus in whole milliseconds: the noise reservoir's length (524288 samples at
// 44100 Hz, 11888.6 ms), from which every masker is cut.
constexpr float LongestStimulusMs = 11888.0f;

// The run: MaskerDuration, ToneDuration and RiseFall as above, ToneDuration not longer than
// MaskerDuration, a tone on-time of at least the tone's 20 ms ramp, RiseFall not longer than
// the masker's on-time, a masker band (MaskerBW) that is finite, not negative and whose half
// fits below half the sample rate, a tone below half the sample rate and a band whose top at
// the end of the sweep (EndF + MaskerBW/2) does not reach above it.
Result<> CheckRunStimulus(const ExperimentSettings& settings, const TestCondition& condition,
                          char decimalSeparator = '.');

// The tone preview: ToneDuration and RiseFall as above, RiseFall not longer than ToneDuration,
// and the tone below half the sample rate.
Result<> CheckPreviewTone(const ExperimentSettings& settings, const TestCondition& condition,
                          char decimalSeparator = '.');

// The calibration tone: ToneF below half the sample rate.
Result<> CheckToneFrequency(const TestCondition& condition, char decimalSeparator = '.');
