#pragma once

#include "HeadphoneResponse.h"
#include "ListenerDetails.h"
#include "ResultsBuffer.h"
#include "TestCondition.h"

#include <string>
#include <vector>

// Everything the set-up window owns and the other windows and operations read and write:
// the loaded conditions, the settings, the operator's choices and the latest run's results.
// One instance lives in the set-up window for the life of the program.
struct SharedState {
    std::vector<TestCondition> Conditions;
    int CurrentCondition = 0;
    ExperimentSettings Settings;

    EarSide Ear = EarSide::Right;
    Sweep SweepDirection = Sweep::Up;
    std::string SubjectName;
    ListenerDetails Listener;  // "Listener details…"; written with every run
    CalibrationInUse Calibration;  // the headphone calibration profile chosen; none by default
    std::string ResultsFileName = "default.dat";
    std::string ParameterFileName;

    static constexpr int SampleRate = 44100;
    static constexpr float ReferenceRMS = 8000.0f;

    int FreqPointCount = 0;
    float MaskerFreq = 0.0f;
    float MaskerSPL = 0.0f;
    float RunToneSPL = 0.0f;

    ResultsBuffer Results;

    bool HasConditions() const { return !Conditions.empty(); }
    // The condition every operation uses. Only valid once a file has been loaded.
    TestCondition& Current() { return Conditions.at(static_cast<std::size_t>(CurrentCondition)); }
    const TestCondition& Current() const { return Conditions.at(static_cast<std::size_t>(CurrentCondition)); }

    // Clears the results for the current condition (before every run).
    void ResetResults();
};
