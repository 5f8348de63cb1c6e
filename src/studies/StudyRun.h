#pragma once

#include "Result.h"
#include "StudyFile.h"

#include <csignal>
#include <functional>
#include <string>
#include <vector>

// The runs of a study and their task files. A task file is a CSV with one row per run, written
// as "<file>.part" and renamed when every row is in it: a file under its own name is complete.

// The columns that say what a run was: `run`, the cell's (CellColumns), `seed`, every value of
// the base test-condition file the run reads (ToneF, StartF, ..., attenuator) and the listener
// model's version (`listener_model`). Together they decide every number the run gives, so a
// task file is checked against the plan by them.
std::vector<std::string> PlanColumns();
// Their fields as the plan gives them for global run `run`.
std::vector<std::string> PlanFields(const StudyPlan& plan, std::int64_t run);

// A cell's columns (`cell`, its number from 1, and its settings) and its fields.
std::vector<std::string> CellColumns();
std::vector<std::string> CellFields(const StudyPlan& plan, std::size_t cell);

// The task file's columns: the plan's, then what the run measured and the listener's own values.
std::vector<std::string> StudyRowColumns();

// Runs global run `run` of the plan in the current folder (which receives and loses the run's
// results files) and returns its row, or the run's refusal with its cell.
Result<std::vector<std::string>> RunStudyRun(const StudyPlan& plan, std::int64_t run);

// Writes task `task`'s file. `onRun` is called after every run. Returns true when the task is
// done, and false, leaving no file, when `stop` was set before; a refused run or a write error
// is its failure and leaves no file either.
Result<bool> RunStudyTask(const StudyPlan& plan, int task, const std::function<void()>& onRun,
                          const volatile std::sig_atomic_t& stop);
