#pragma once

#include "ListenerHearing.h"
#include "ListenerModel.h"
#include "ParameterFile.h"
#include "TrackingRun.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A measurement rehearsed with the virtual listener: the real run on the real stimuli, with
// no sound device and no waiting.
struct VirtualRunOptions {
    int Condition = 1;       // 1-based, as the set-up window counts
    EarSide Ear = EarSide::Right;
    Sweep SweepDirection = Sweep::Up;
    std::string Subject = "virtual listener";
    std::string ResultsName = "default";  // the results file is this name followed by ".dat"
    // The listener. Its seed also seeds the noise reservoir, so the same options give the
    // same session.
    ListenerSettings Listener;
    // Its threshold in quiet and dead region in each ear; none: model 2's listener.
    ListenerHearing Hearing;
    // The run's place in a session, for the session record.
    std::optional<SessionMark> Session;
    // The calibration profile the run applies (none by default).
    CalibrationInUse Calibration;
    // The response of the headphone the listener hears through; without one, the response of
    // the run's calibration profile (the headphone the profile was measured on), and without
    // that a flat headphone.
    std::optional<HeadphoneResponse> Headphone;
    // A tuning curve, or the threshold in quiet at the condition's ToneF.
    RunKind Kind = RunKind::Ptc;
};

struct VirtualRunResult {
    std::string Refusal;  // why the run did not start (nothing else is set then)
    RunOutcome Report;
    std::vector<ResultPoint> Points;
    std::uint32_t ElapsedMs = 0;  // simulated: pauses, presentations and intervals
    std::int64_t TrialLimit = 0;
    bool StoppedAtLimit = false;  // the listener never ended the sweep; a stop key did
    int Presentations = 0;        // stimuli the listener heard
    std::vector<std::string> AttenuatorProblems;
};

// A session never ends by itself if the listener never makes five key changes and the masker
// never reaches MaxSPL; a stop key is pressed after this many trials.
std::int64_t VirtualTrialLimit(int freqPointCount);

// Refuses what RunWithVirtualListener refuses, without running: the checks of "Run PTC" and a tone
// the listener's filter can take.
Result<> CheckVirtualRun(const ParameterSet& parameters, const VirtualRunOptions& options);

// Runs condition `options.Condition` of `parameters` as the set-up window would after loading
// them: in KC35 mode the attenuator gets the set-up and the ear routing first. Refuses what
// "Run PTC" refuses. Writes the results file and "test.out" as a run does. `onTrial` sees
// every trial after its key changes.
VirtualRunResult RunWithVirtualListener(const ParameterSet& parameters, const VirtualRunOptions& options,
                                       const std::function<void(const TrialRecord&)>& onTrial = {});
