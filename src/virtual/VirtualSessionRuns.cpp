#include "VirtualSessionRuns.h"

std::int64_t RunSessionWithVirtualListener(
    SessionRunner& runner, const ParameterSet& parameters, const VirtualSessionRunsOptions& options,
    const std::function<bool(int index, const VirtualRunResult& result)>& afterRun)
{
    std::int64_t elapsedMs = 0;
    while (const std::optional<int> next = runner.Next()) {
        const SessionRun& run = runner.Protocol().Runs[static_cast<std::size_t>(*next)];
        VirtualRunOptions session;
        session.Condition = run.Condition;
        session.Ear = run.Ear;
        session.SweepDirection = run.SweepDirection;
        session.Subject = options.Subject;
        session.ResultsName = options.ResultsName;
        session.Listener.Seed = options.Seed == 0 ? 0 : options.Seed + static_cast<std::uint32_t>(*next);
        session.Hearing = options.Hearing;
        session.Session = runner.MarkFor(*next, {});
        session.Calibration = options.Calibration;
        session.Headphone = options.Headphone;
        session.Session->Practice = run.Practice;
        session.Kind = run.Kind;
        VirtualRunResult result = RunWithVirtualListener(parameters, session);
        if (!result.Refusal.empty()) {
            result.Report.Error = result.Refusal;  // a run that could not start ends the session there
        }
        elapsedMs += result.ElapsedMs;
        runner.Finished(*next, result.Report, result.ElapsedMs);
        if (!afterRun(*next, result) && !runner.Over()) {
            runner.End();
        }
    }
    return elapsedMs;
}
