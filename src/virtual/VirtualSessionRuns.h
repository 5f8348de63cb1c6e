#pragma once

#include "ConditionAnalysis.h"
#include "ParameterFile.h"
#include "Result.h"
#include "SessionRunner.h"
#include "VirtualRun.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A session's runs with the virtual listener, one after the other as "Run Session" runs them:
// each run the next of `runner`, with the protocol's condition, ear and direction.
struct VirtualSessionRunsOptions {
    std::string Subject = "virtual listener";
    std::string ResultsName = "default";
    // Run k's listener and noise are seeded with Seed + k - 1; 0 stays the noise-free listener.
    std::uint32_t Seed = 1;
    ListenerHearing Hearing;
    // As VirtualRunOptions: the calibration every run is measured with, and the simulated headphone's response.
    CalibrationInUse Calibration;
    std::optional<HeadphoneResponse> Headphone;
};

// Runs the session until it is over. `afterRun` sees each run (its index from 0) once its files
// are written and returns false to end the session there (Ctrl-C). Returns the simulated time.
std::int64_t RunSessionWithVirtualListener(
    SessionRunner& runner, const ParameterSet& parameters, const VirtualSessionRunsOptions& options,
    const std::function<bool(int index, const VirtualRunResult& result)>& afterRun);

// What a whole session found, read back from its record as the analysis reads it: its threshold
// runs and its tuning curves analysed, with each condition's combined curve and finding.
struct SessionFindings {
    std::string Session;
    std::vector<RecordedRun> Thresholds;  // in the order they were measured
    ResultsAnalysis Analysis;             // the session's tuning curves
};

// A new session of `load`'s protocol (the threshold runs, practice runs and tuning curves it
// lists) run to its end with the virtual listener, as "Run Session" runs it, into the files of
// options.ResultsName. Refused when the protocol cannot run or a run cannot start; fails when a
// file could not be written or the session did not finish.
Result<SessionFindings> RunWholeSession(const ParameterLoad& load, const VirtualSessionRunsOptions& options);
