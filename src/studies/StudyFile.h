#pragma once

#include "ParameterFile.h"
#include "Result.h"
#include "RunChoices.h"
#include "VirtualRun.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A procedure study: many virtual-listener runs of one test condition over a grid of settings.
//
//   [Study]
//   Conditions=PTC.INI   ; the base test-condition file, relative to the study file
//   Condition=1          ; which of its conditions
//   Replications=100     ; runs per cell
//   Seed=1               ; master seed
//   RunsPerTask=50       ; optional: runs per task file (default 50)
//   [Grid]               ; lists; every combination is a cell
//   SPLstep=2,3,4
//   FStep=10,20
//   MaskerBW=200
//   Direction=up,down
//   Noise=0,1            ; the listener's internal noise, dB
//   Criterion=           ; empty: the listener's default
//
// A grid key that is absent or empty keeps the base condition's value (the listener's default
// for Noise and Criterion, upwards for Direction). Direction is up or down in any case.

// One cell's settings.
struct StudyCell {
    float SPLstep = 0.0f;
    float FStep = 0.0f;
    float MaskerBW = 0.0f;
    Sweep Direction = Sweep::Up;
    double NoiseDb = 0.0;
    double CriterionDb = 0.0;
};

struct StudyPlan {
    std::filesystem::path StudyPath;
    std::filesystem::path ConditionsPath;
    int Condition = 1;
    int Replications = 0;
    std::uint32_t Seed = 0;
    int RunsPerTask = 50;
    ParameterSet Base;             // the loaded test-condition file
    std::vector<StudyCell> Cells;  // in grid order: the first key varies slowest

    std::int64_t Runs() const { return static_cast<std::int64_t>(Cells.size()) * Replications; }
    int Tasks() const;
    // The global run indices of task k: [first, end).
    std::int64_t TaskFirstRun(int task) const;
    std::int64_t TaskEndRun(int task) const;
    // The task files' folder: beside the study file, named after it with "-tasks".
    std::filesystem::path TaskFolder() const;
    std::filesystem::path TaskFile(int task) const;
};

// The seed of a run: a SplitMix64 mix of the master seed and the run's global index, never 0
// (0 would be a noise-free listener).
std::uint32_t StudyRunSeed(std::uint32_t masterSeed, std::int64_t globalRun);

// What a run of the cell is given: the base conditions with the cell's settings, and the
// listener's (its seed is the run's, StudyRunSeed).
struct StudyCellRun {
    ParameterSet Parameters;
    VirtualRunOptions Options;
};
StudyCellRun CellRun(const StudyPlan& plan, std::size_t cell);

// Reads a study file and its test-condition file. Anything unreadable, an unknown section or
// key, and a cell whose runs would be refused are refused with the section, key or cell named.
Result<StudyPlan> LoadStudy(const std::filesystem::path& path);
