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

Result<SessionFindings> RunWholeSession(const ParameterLoad& load, const VirtualSessionRunsOptions& options)
{
    const SessionProtocol& protocol = load.Session;
    if (!protocol.Runnable() || protocol.Runs.empty()) {
        return Failure{protocol.Refusal.empty() ? "The file has no session to run." : protocol.Refusal};
    }
    SharedState state;
    state.Settings = load.Parameters.Settings;
    state.Conditions = load.Parameters.Conditions;
    state.SubjectName = options.Subject;
    state.ResultsFileName = options.ResultsName + ".dat";
    state.Calibration = options.Calibration;
    if (Result<> check = CheckSessionRuns(protocol, state, '.'); !check) {
        return Failure{check.Reason()};
    }
    SessionRunner runner(protocol, PlanSession(protocol, state.Settings, state.Conditions), options.Subject,
                         state.ResultsFileName);
    if (!runner.RecordProblem().empty()) {
        return Failure{runner.RecordProblem()};
    }
    if (Result<> started = runner.StartNew(std::chrono::system_clock::now()); !started) {
        return Failure{started.Reason()};
    }
    std::string trouble;
    const std::int64_t elapsedMs
        = RunSessionWithVirtualListener(runner, load.Parameters, options, [&trouble](int, const VirtualRunResult& result) {
              for (const std::string* error : {&result.Report.ResultsError, &result.Report.RecordError,
                                               &result.Report.TrialLogError, &result.Report.DictionaryError,
                                               &result.Report.TestLogError}) {
                  if (trouble.empty() && !error->empty()) {
                      trouble = *error;
                  }
              }
              return trouble.empty();
          });
    if (!trouble.empty()) {
        return Failure{trouble};
    }
    const SessionProgress progress = runner.Progress(elapsedMs, state);
    if (progress.Finished != progress.Runs) {
        return Failure{runner.EndReason()};
    }
    const std::string& resultsFile = state.ResultsFileName;
    const RecordedRuns record = ReadRecordFiles(SessionRecordFileName(resultsFile), TrialLogFileName(resultsFile));
    if (!record.Problems.empty()) {
        return Failure{record.Problems.front()};
    }
    SessionFindings findings;
    findings.Session = runner.Id();
    for (const RecordedRun& run : record.Runs) {
        if (run.Session == findings.Session && run.Kind == RunKind::Threshold) {
            findings.Thresholds.push_back(run);
        }
    }
    findings.Analysis = AnalyseRecordedRuns(record.Runs, RunSelection{findings.Session, {}});
    return findings;
}
