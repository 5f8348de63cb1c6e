#pragma once

#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "RecordingSoundOutput.h"
#include "ScratchFolder.h"
#include "ScriptedListener.h"
#include "TrackingRun.h"

#include <vector>

// A run of one default condition on fake devices, in a scratch folder of its own that it writes
// "run.dat" to: the recording sound output, a clock that counts the trials, a scripted listener
// and a KC35 on a recording serial link. Every trial it completes is kept in `trials`.
class FakeDeviceRun {
public:
    FakeDeviceRun()
    {
        state.Conditions.resize(1);
        state.Settings.CalibFactor = 100.0f;
        state.ResultsFileName = scratch.Path("run.dat").string();
        listener.Attach(run);
        run.OnTrial = [this](const TrialRecord& trial) { trials.push_back(trial); };
    }
    FakeDeviceRun(const FakeDeviceRun&) = delete;
    FakeDeviceRun& operator=(const FakeDeviceRun&) = delete;

    TestCondition& Condition() { return state.Conditions[0]; }

    const ScratchFolder scratch;  // the run writes "test.out" in the current folder
    SharedState state;
    RecordingSoundOutput sound;
    TrialCountingClock clock;
    ScriptedListener listener{clock};
    RecordingSerialLink link;
    Kc35Attenuator attenuator{link, listener};
    TrackingRun run{state, RunDevices{&sound, &clock, &listener, &attenuator}};
    std::vector<TrialRecord> trials;
};
