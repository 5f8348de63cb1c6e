// quorvex-sim study tasks|run|merge: a procedure study on every core, or as a Slurm job array.
#include "RunFilesFolder.h"
#include "SimCommands.h"

#include "StudyRun.h"
#include "StudySummary.h"
#include "StudyTaskFile.h"

#include <CLI/CLI.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int)
{
    stopRequested = 1;
}

// Ctrl-C, and the SIGTERM a cluster sends at its time limit: the run in hand is finished, its
// task's part file removed, and the command ends with status 130.
void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

constexpr int InterruptedStatus = 130;

std::optional<StudyPlan> LoadPlan(const std::string& path)
{
    Result<StudyPlan> plan = LoadStudy(path);
    if (!plan) {
        std::cerr << "quorvex-sim study: " << path << ": " << plan.Reason() << '\n';
        return std::nullopt;
    }
    return std::move(plan).Value();
}

// Runs the given tasks one after another; returns the exit status.
int RunTasks(const StudyPlan& plan, const std::vector<int>& tasks, const std::function<void(char)>& report)
{
    // The task files' path made absolute, so that the runs' own folder does not change it.
    StudyPlan absolute = plan;
    std::error_code noPath;
    absolute.StudyPath = std::filesystem::absolute(plan.StudyPath, noPath);
    const RunFilesFolder folder("quorvex-study");
    if (!folder.Made()) {
        std::cerr << "quorvex-sim study: cannot make a temporary folder in "
                  << std::filesystem::temp_directory_path(noPath).string() << '\n';
        return 1;
    }
    for (const int task : tasks) {
        const Result<bool> done = RunStudyTask(absolute, task, [&report] { report('r'); }, stopRequested);
        if (!done) {
            std::cerr << "quorvex-sim study: " << done.Reason() << '\n';
            return 1;
        }
        if (!done.Value()) {
            return InterruptedStatus;
        }
        report('t');
    }
    return 0;
}

std::string Clock(double seconds)
{
    const auto s = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

// The progress bar on standard error: tasks and runs done, rate and time left.
class Progress {
public:
    Progress(int tasks, std::int64_t runs, int tasksDone, std::int64_t runsDone)
        : tasks_(tasks), runs_(runs), tasksDone_(tasksDone), runsDone_(runsDone), skipped_(runsDone),
          start_(std::chrono::steady_clock::now()), shown_(::isatty(STDERR_FILENO) == 1)
    {
        Show();
    }
    void Note(char what)
    {
        if (what == 't') {
            ++tasksDone_;
        } else {
            ++runsDone_;
        }
        Show();
    }
    void End()
    {
        if (shown_) {
            std::cerr << '\n';
        }
    }

private:
    void Show()
    {
        if (!shown_) {
            return;
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        const double rate = elapsed > 0.0 ? static_cast<double>(runsDone_ - skipped_) / elapsed : 0.0;
        const int width = 30;
        const auto filled = runs_ > 0 ? static_cast<int>(width * runsDone_ / runs_) : width;
        char line[160];
        std::snprintf(line, sizeof line, "\r[%-*s] tasks %d/%d, runs %lld/%lld, %.1f runs/s, %s left ", width,
                      std::string(static_cast<std::size_t>(filled), '#').c_str(), tasksDone_, tasks_,
                      static_cast<long long>(runsDone_), static_cast<long long>(runs_), rate,
                      rate > 0.0 ? Clock(static_cast<double>(runs_ - runsDone_) / rate).c_str() : "--:--:--");
        std::cerr << line << std::flush;
    }

    int tasks_;
    std::int64_t runs_;
    int tasksDone_;
    std::int64_t runsDone_;
    std::int64_t skipped_;
    std::chrono::steady_clock::time_point start_;
    bool shown_;
};

int RunStudy(const std::string& path, std::optional<int> onlyTask, int jobs)
{
    const std::optional<StudyPlan> plan = LoadPlan(path);
    if (!plan) {
        return 1;
    }
    if (!onlyTask) {
        if (const char* arrayTask = std::getenv("SLURM_ARRAY_TASK_ID")) {
            onlyTask = std::atoi(arrayTask);
        }
    }
    CatchStopSignals();
    if (onlyTask) {
        if (*onlyTask < 0 || *onlyTask >= plan->Tasks()) {
            std::cerr << "quorvex-sim study: there is no task " << *onlyTask << " (the study has " << plan->Tasks()
                      << ", from 0)\n";
            return 2;
        }
        const TaskRows rows = ReadStudyTask(*plan, *onlyTask);
        if (rows.State == TaskState::OtherPlan) {
            std::cerr << "quorvex-sim study: " << DescribeTask(*plan, *onlyTask, rows) << "; "
                      << OtherPlanAdvice(*plan) << '\n';
            return 1;
        }
        if (rows.State == TaskState::Complete) {
            return 0;
        }
        return RunTasks(*plan, {*onlyTask}, [](char) {});
    }

    // Complete task files are kept: a stopped study resumes where it stopped. A task file of
    // another plan is neither skipped nor overwritten: the study file changed under it.
    std::vector<int> pending;
    std::int64_t runsDone = 0;
    int otherPlan = 0;
    for (int task = 0; task < plan->Tasks(); ++task) {
        const TaskRows rows = ReadStudyTask(*plan, task);
        if (rows.State == TaskState::OtherPlan && otherPlan++ == 0) {
            std::cerr << "quorvex-sim study: " << DescribeTask(*plan, task, rows) << '\n';
        }
        if (rows.State == TaskState::Complete) {
            runsDone += plan->TaskEndRun(task) - plan->TaskFirstRun(task);
        } else {
            pending.push_back(task);
        }
    }
    if (otherPlan > 0) {
        std::cerr << "quorvex-sim study: " << otherPlan << (otherPlan == 1 ? " task file was" : " task files were")
                  << " measured for another plan; nothing was run; " << OtherPlanAdvice(*plan) << '\n';
        return 1;
    }
    Progress progress(plan->Tasks(), plan->Runs(), plan->Tasks() - static_cast<int>(pending.size()), runsDone);
    jobs = std::max(1, std::min(jobs, static_cast<int>(pending.size())));
    // Worker processes, each with its own share of the tasks: the runs keep module-wide random
    // state, and each process its own results folder. They report every run on a pipe.
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        std::cerr << "quorvex-sim study: cannot make a pipe\n";
        return 1;
    }
    std::vector<pid_t> workers;
    for (int w = 0; w < jobs && !pending.empty(); ++w) {
        std::vector<int> share;
        for (std::size_t i = static_cast<std::size_t>(w); i < pending.size(); i += static_cast<std::size_t>(jobs)) {
            share.push_back(pending[i]);
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipeEnds[0]);
            // A worker whose parent is gone (killed with SIGKILL) learns it from the pipe and
            // stops as at Ctrl-C, removing its part file and its folder, instead of dying of
            // SIGPIPE with both left behind.
            std::signal(SIGPIPE, SIG_IGN);
            const int status = RunTasks(*plan, share, [&](char what) {
                if (::write(pipeEnds[1], &what, 1) != 1) {
                    stopRequested = 1;
                }
            });
            std::_Exit(status);
        }
        if (pid < 0) {
            std::cerr << "quorvex-sim study: cannot start a worker process\n";
            stopRequested = 1;
            break;
        }
        workers.push_back(pid);
    }
    ::close(pipeEnds[1]);
    char what = 0;
    bool forwarded = false;
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], &what, 1);
        if (got == 1) {
            progress.Note(what);
        } else if (got == 0 || errno != EINTR) {
            break;
        }
        // A stop sent to this process alone (kill PID) reaches the workers too.
        if (stopRequested != 0 && !forwarded) {
            for (const pid_t pid : workers) {
                ::kill(pid, SIGTERM);
            }
            forwarded = true;
        }
    }
    ::close(pipeEnds[0]);
    int result = stopRequested != 0 ? InterruptedStatus : 0;
    for (const pid_t pid : workers) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
        if (code != 0 && result == 0) {
            result = code;
        }
    }
    progress.End();
    if (result == InterruptedStatus) {
        std::cerr << "quorvex-sim study: stopped; the complete tasks are kept and the next 'study run' goes on\n";
    }
    return result;
}

int MergeStudy(const std::string& path, const std::string& output)
{
    const std::optional<StudyPlan> plan = LoadPlan(path);
    if (!plan) {
        return 1;
    }
    const StudySummary summary = SummariseStudy(*plan);
    if (!summary.Problems.empty()) {
        for (const std::string& problem : summary.Problems) {
            std::cerr << "quorvex-sim study merge: " << problem << '\n';
        }
        if (summary.OtherPlan) {
            std::cerr << "quorvex-sim study merge: nothing written; " << OtherPlanAdvice(*plan) << '\n';
        } else {
            std::cerr << "quorvex-sim study merge: nothing written; run 'quorvex-sim study run " << path
                      << "' first\n";
        }
        return 1;
    }
    if (output == "-") {
        std::cout << summary.Text;
        return 0;
    }
    const auto refuse = [&output](const std::string& reason) {
        std::cerr << "quorvex-sim study merge: cannot write '" << output << "': " << reason << '\n';
        return 1;
    };
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(output, error);
    if (std::filesystem::is_directory(status)) {
        return refuse(std::strerror(EISDIR));
    }
    // A regular file is written under a temporary name and renamed, so that it is whole or
    // not there; a device or a pipe is written to as it is.
    const bool replace = !std::filesystem::exists(status) || std::filesystem::is_regular_file(status);
    std::filesystem::path target = output;
    if (replace) {
        target += ".part";
    }
    errno = 0;
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out << summary.Text;
    out.close();
    if (!out) {
        const int reason = errno;
        if (replace) {
            std::filesystem::remove(target, error);
        }
        return refuse(reason != 0 ? std::strerror(reason) : "write error");
    }
    if (replace) {
        std::filesystem::rename(target, output, error);
        if (error) {
            std::filesystem::remove(target, error);
            return refuse(error.message());
        }
    }
    return 0;
}

}  // namespace

SimCommand AddStudyCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("study", "a procedure study: many virtual runs over a grid of settings");
    command->require_subcommand(1);
    command->footer("Task files are written beside STUDY in STUDY-tasks/; see \"Procedure studies\" in docs/studies.md.");
    struct Request {
        std::string study;
        std::optional<int> task;
        int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        std::string output;
        CLI::App* tasks = nullptr;
        CLI::App* run = nullptr;
        CLI::App* merge = nullptr;
    };
    const auto request = std::make_shared<Request>();
    request->tasks = command->add_subcommand("tasks", "print the number of tasks of STUDY");
    request->run = command->add_subcommand("run", "run the tasks of STUDY that are not complete");
    request->merge = command->add_subcommand("merge", "summarise every task of STUDY per cell");
    for (CLI::App* sub : {request->tasks, request->run, request->merge}) {
        sub->add_option("STUDY", request->study, "the study file")->required();
    }
    request->run->add_option("--task", request->task,
                             "run task K only (default: every task, or SLURM_ARRAY_TASK_ID in a Slurm array job)")
        ->type_name("K")
        ->check(CLI::Range(0, 99999999).description(""));
    request->run->add_option("--jobs", request->jobs, "worker processes (default: every core)")
        ->type_name("N")
        ->check(CLI::Range(1, 4096).description(""));
    request->merge->add_option("-o,--output", request->output, "the summary CSV ('-': standard output)")
        ->type_name("SUMMARY.csv")
        ->required();
    return {command, [request] {
                if (request->tasks->parsed()) {
                    const std::optional<StudyPlan> plan = LoadPlan(request->study);
                    if (!plan) {
                        return 1;
                    }
                    std::cout << plan->Tasks() << '\n';
                    return 0;
                }
                if (request->run->parsed()) {
                    return RunStudy(request->study, request->task, request->jobs);
                }
                return MergeStudy(request->study, request->output);
            }};
}
