#pragma once

#include "TestCondition.h"

#include <cstdint>
#include <vector>

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
