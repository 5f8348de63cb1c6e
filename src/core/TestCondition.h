#pragma once

#include "RunChoices.h"

#include <optional>
#include <string>

// One measurement condition as the test-condition file describes it. The defaults are the
// values a missing key takes when the file is read.
struct TestCondition {
    float ToneF = 1000.0f;       // Hz, the signal tone
    float StartF = 500.0f;       // Hz, lower end of the masker sweep
    float EndF = 2000.0f;        // Hz, upper end of the masker sweep
    float FStep = 10.0f;         // Hz, spacing of masker centre frequencies
    float MaskerBW = 200.0f;     // Hz, width of the noise band
    float SPLstep = 3.0f;        // dB, masker level step
    float MaxSPL = 80.0f;        // dB SPL, highest masker level
    float ToneSPL = 30.0f;       // dB SPL, level of the tone
    float MaskStartSPL = 40.0f;  // dB SPL, masker level at the start of a run
    // dB above the listener's threshold in quiet at ToneF, in place of ToneSPL: the run plays
    // the tone at the latest threshold on record plus this (ToneLevel.h).
    std::optional<float> ToneSL{};
};

// Experiment-wide settings. The initial values are those of the set-up window before any
// file has been loaded; every control that uses them is disabled until a load assigns them.
struct ExperimentSettings {
    AttenuatorMode Attenuator = AttenuatorMode::Software;  // other numbers are kept and play nothing
    int Debug = 0;                 // read and kept, nothing depends on it
    float ToneDuration = 400.0f;   // ms
    float MaskerDuration = 600.0f; // ms
    int Modulated = 0;             // 1 = amplitude-modulated tone
    float ModFreq = 10.0f;         // Hz
    int ISI = 200;                 // ms between presentations
    float RiseFall = 20.0f;        // ms ramps
    int N_Cond = 0;                // number of conditions
    float CalibFactor = 100.0f;    // dB SPL produced by a stimulus of RMS 8000

    // The threshold run (the tone alone): its first level, its step, the reversals that end
    // it, and the time after which it ends whatever the reversals.
    float ThresholdStartSPL = 40.0f;  // dB SPL
    float ThresholdStep = 2.0f;       // dB
    int ThresholdReversals = 8;
    float ThresholdTimeLimit = 300.0f;  // s

    // Optional keys of [Settings]; empty means the platform's default device or port.
    std::string AudioDevice;  // text contained in a sound device's or host API's name, e.g. "JACK"
    std::string SerialPort;   // the attenuator's serial port, e.g. "ttyUSB0" or "/dev/pts/3"
    // The headphone calibration profile the file's runs are measured with, by name; empty: the
    // one the operator chooses (none by default).
    std::string CalibrationProfile;

    // The norm the tip's finding is judged against (TipFinding.h), in % of ToneF, for upward
    // sweeps: the normal range and the off-frequency criterion.
    float NormalTipLow = -3.0f;
    float NormalTipHigh = 10.0f;
    float OffFrequencyShift = 20.0f;
};

// A recorded track point: masker centre frequency (Hz) and masker level (dB SPL).
struct ResultPoint {
    float Freq = 0.0f;
    float SPL = 0.0f;
};
