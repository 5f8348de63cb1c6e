#pragma once

#include "RunChoices.h"
#include "TestCondition.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class IniFile;
struct UnreadableValue;

// One run of a listener's session: which condition, to which ear, in which sweep direction;
// or the threshold in quiet at the condition's ToneF in that ear (its direction stays Up).
struct SessionRun {
    int Condition = 1;       // from 1, as the set-up window counts
    EarSide Ear = EarSide::Right;
    Sweep SweepDirection = Sweep::Up;
    RunKind Kind = RunKind::Ptc;
    bool Practice = false;  // a tuning curve for the listener to learn the task; it does not count

    bool operator==(const SessionRun&) const = default;
};

// The most runs a session may have.
constexpr int MaxSessionRuns = 1000;

// The optional [Session] section of a test-condition file: the runs of a session in the order
// they are measured, and when the listener is offered a rest.
struct SessionProtocol {
    bool Present = false;            // the file has a [Session] section with at least one key
    std::string Refusal;             // why the section cannot be run, naming the key and the value
    std::vector<std::string> Notes;  // what the load's notice tells the operator about the section
    std::vector<SessionRun> Runs;    // in the order they are measured (shuffled already)
    bool Shuffled = false;
    std::uint32_t Seed = 0;  // the shuffle's seed, when shuffled
    int RestEvery = 0;       // a rest is offered after every this many runs; 0: none
    bool ThresholdsFirst = false;  // Thresholds=first placed the threshold runs
    int Practice = 0;              // Practice=N: the first N tuning curves are practice

    bool Runnable() const { return Present && Refusal.empty(); }
};

// Reads [Session] with the file's rules. Values that are not numbers are added to `unreadable`
// and take their default, as everywhere in the file. `conditions` are the file's conditions
// (their ToneF places the threshold runs of Thresholds=first).
SessionProtocol ReadSessionProtocol(const IniFile& ini, const std::vector<TestCondition>& conditions,
                                    std::vector<UnreadableValue>& unreadable);

// The runs with a threshold run before the first tuning curve of each ear and ToneF.
std::vector<SessionRun> WithThresholdsFirst(const std::vector<SessionRun>& runs, const std::vector<TestCondition>& conditions);

// The runs in shuffled order: a Fisher-Yates shuffle driven by a 32-bit Mersenne Twister
// seeded with `seed`, whose output the C++ standard fixes, so the same list and seed give the
// same order with any compiler on any machine.
std::vector<SessionRun> ShuffleRuns(std::vector<SessionRun> runs, std::uint32_t seed);

// Whether a run anywhere follows its twin (the same condition, ear and direction).
bool TwinsAdjacent(const std::vector<SessionRun>& runs);

// The order of Order=shuffled: the runs shuffled so that no run follows its twin, since the
// listener would hear the same run twice in a row. It is ShuffleRuns' order when that already
// keeps twins apart (so such a file keeps its order); otherwise the runs are drawn one by one
// with a generator seeded with `seed`, each draw uniform over the runs left that differ from the
// one before and leave a twin-free order possible. Nothing when none is (more than half of the
// runs, rounded up, are one run).
std::optional<std::vector<SessionRun>> ShuffleRunsApart(const std::vector<SessionRun>& runs, std::uint32_t seed);
