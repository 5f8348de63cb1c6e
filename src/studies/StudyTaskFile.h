#pragma once

#include "StudyFile.h"

#include <string>
#include <vector>

// A study's task file read back and checked against what the study file now plans.
enum class TaskState {
    Complete,   // every run of the task, as planned
    Missing,    // no file: the task is still to run
    Damaged,    // unreadable or cut short: the task runs again
    OtherPlan,  // measured for another study file: neither skipped nor merged, nor overwritten
};

struct TaskRows {
    TaskState State = TaskState::Missing;
    std::vector<std::vector<std::string>> Rows;  // when Complete: the header, then one row per run
    std::string Problem;  // otherwise: "missing", "damaged (...)", "was measured with SPLstep 4 where ..."
};
TaskRows ReadStudyTask(const StudyPlan& plan, int task);

// "task 3 (STUDY-tasks/task-000003.csv): missing", or for another plan "task 3 (...) was
// measured with SPLstep 4 where the study now plans 6".
std::string DescribeTask(const StudyPlan& plan, int task, const TaskRows& rows);

// What to do about task files measured for another plan.
std::string OtherPlanAdvice(const StudyPlan& plan);
