#pragma once

#include "StudyFile.h"

#include <csignal>
#include <functional>
#include <string>
#include <vector>

// The runs of a study and their task files. A task file is a CSV with one row per run, written
// as "<file>.part" and renamed when every row is in it: a file under its own name is complete.

// The task file's columns.
std::vector<std::string> StudyRowColumns();

// Runs global run `run` of the plan in the current folder (which receives and loses the run's
// results files) and returns its row. Throws std::runtime_error when the run is refused.
std::vector<std::string> RunStudyRun(const StudyPlan& plan, std::int64_t run);

// Writes task `task`'s file. `onRun` is called after every run. Returns false, leaving no
// file, when `stop` was set before the task was done.
bool RunStudyTask(const StudyPlan& plan, int task, const std::function<void()>& onRun,
                  const volatile std::sig_atomic_t& stop);

// The rows of a task's file when it is complete (every run of the task, in order), else why not.
struct TaskRows {
    std::vector<std::vector<std::string>> Rows;  // header first
    std::string Problem;                         // "missing" or what is wrong with the file
};
TaskRows ReadStudyTask(const StudyPlan& plan, int task);

// The per-cell summary of every task's rows, or the tasks that are missing or damaged.
struct StudySummary {
    std::string Text;                   // the CSV
    std::vector<std::string> Problems;  // "task 3: missing", ...
};
StudySummary SummariseStudy(const StudyPlan& plan);
