#pragma once

#include "TestCondition.h"

#include <cstdint>
#include <vector>

// The version of the listener model, written beside every virtual run (the session record's
// listener_model, a study's task files and summary). It changes whenever the listener's
// decisions could change for the same seed, so that a file says which listener made it.
// 1: files without the column, up to the roex energy of a 32768-point transform of our own;
// 2: the energy from FFTW over the window plus a guard, with the carrier by rotation and the
//    noise reservoir through FFTW (the same statistics; runs may part from version 1's after
//    a decision within a rounding of the criterion).
inline constexpr int ListenerModelVersion = 2;
// 3: a listener with a threshold in quiet or a dead region in the ear it listens with
//    (ListenerHearing.h); a listener without them decides as model 2 does, and its runs say 2.
inline constexpr int HearingListenerModelVersion = 3;

// The listener's threshold in quiet, dB SPL at its ear, in a threshold run of an ear without an
// audiogram (ListenerHearing.h): a tone alone is heard when its level plus the internal noise
// exceeds it.
inline constexpr double ModelQuietThresholdDb = 10.0;

// How the virtual listener decides, shared by the listener and its expected curve.
struct ListenerSettings {
    // The listener hears the tone when the tone's energy at the output of its auditory filter
    // exceeds the masker's by this many dB (the power-spectrum model's threshold ratio).
    double CriterionDb = -4.0;
    // Standard deviation, in dB, of the internal noise added to every decision.
    double NoiseDb = 1.0;
    // Seed of the internal noise; 0 makes the listener noise-free.
    std::uint32_t Seed = 0;
};

// The window the listener attends to: the tone's on-time, weighted by the tone's own gate
// (20 ms raised-cosine ramps, flat between), in samples of the stimulus.
struct ListeningWindow {
    std::size_t Start = 0;
    std::vector<float> Weights;
};
ListeningWindow ToneListeningWindow(const ExperimentSettings& settings);
