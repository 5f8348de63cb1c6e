#include "StudyTaskFile.h"

#include "Csv.h"
#include "StudyRun.h"
#include "WholeFile.h"

#include <filesystem>

TaskRows ReadStudyTask(const StudyPlan& plan, int task)
{
    TaskRows rows;
    const std::filesystem::path file = plan.TaskFile(task);
    const auto refuse = [&rows](TaskState state, std::string problem) {
        rows.State = state;
        rows.Rows.clear();
        rows.Problem = std::move(problem);
        return rows;
    };
    if (!std::filesystem::exists(file)) {
        return refuse(TaskState::Missing, "missing");
    }
    const WholeFile whole = ReadWholeFile(file.string());
    if (whole.Error) {
        return refuse(TaskState::Damaged, "unreadable: " + whole.Error.message());
    }
    const std::int64_t first = plan.TaskFirstRun(task);
    const std::int64_t end = plan.TaskEndRun(task);
    const std::string damaged =
        "damaged (not the " + std::to_string(end - first) + " runs from " + std::to_string(first) + ")";
    // A file that does not end its last line was cut short; its last row proves nothing.
    if (whole.Text.empty() || whole.Text.back() != '\n') {
        return refuse(TaskState::Damaged, damaged);
    }
    rows.Rows = ParseCsv(whole.Text);
    const std::vector<std::string> columns = StudyRowColumns();
    if (rows.Rows.empty() || rows.Rows[0] != columns) {
        return refuse(TaskState::OtherPlan, "has columns other than this quorvex-sim writes");
    }
    const std::vector<std::string> planColumns = PlanColumns();
    for (std::size_t r = 1; r < rows.Rows.size(); ++r) {
        const std::vector<std::string>& row = rows.Rows[r];
        if (row.size() != columns.size()) {
            return refuse(TaskState::Damaged, damaged);
        }
        const std::int64_t run = first + static_cast<std::int64_t>(r) - 1;
        if (run >= end) {
            return refuse(TaskState::OtherPlan, "holds more runs than the " + std::to_string(end - first)
                                                    + " the study now plans for it");
        }
        const std::vector<std::string> planned = PlanFields(plan, run);
        for (std::size_t k = 0; k < planned.size(); ++k) {
            if (row[k] == planned[k]) {
                continue;
            }
            // The run's index and cell say where it is; the rest what it was measured with.
            const bool place = planColumns[k] == "run" || planColumns[k] == "cell";
            const std::string now = (place ? planColumns[k] + " " : std::string()) + planned[k];
            return refuse(TaskState::OtherPlan, (place ? "holds " : "was measured with ") + planColumns[k] + " "
                                                    + row[k] + " where the study now plans " + now);
        }
    }
    if (static_cast<std::int64_t>(rows.Rows.size()) - 1 < end - first) {
        return refuse(TaskState::Damaged, damaged);
    }
    rows.State = TaskState::Complete;
    return rows;
}

std::string DescribeTask(const StudyPlan& plan, int task, const TaskRows& rows)
{
    return "task " + std::to_string(task) + " (" + plan.TaskFile(task).string() + ")"
           + (rows.State == TaskState::OtherPlan ? " " : ": ") + rows.Problem;
}

std::string OtherPlanAdvice(const StudyPlan& plan)
{
    return "remove the study's task folder (" + plan.TaskFolder().string() + ") or restore the study file";
}
