// quorvex-sim session: a listener's whole session, as "Run Session" runs it, with the virtual
// listener.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "HeadphonePoints.h"
#include "NumberFormat.h"
#include "SimOptions.h"

#include "ConditionAnalysis.h"
#include "CurveAnalysis.h"
#include "SessionFiles.h"
#include "SessionRunner.h"
#include "VirtualSessionRuns.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <optional>

namespace {

// Exit status of a command ended by Ctrl-C, as shells report it.
constexpr int Interrupted = 130;

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void RequestInterrupt(int)
{
    interruptRequested = 1;
}

// Ctrl-C ends the session after the run that is going has written its files.
class InterruptAfterRun {
public:
    InterruptAfterRun()
    {
        interruptRequested = 0;
        struct sigaction action {};
        action.sa_handler = RequestInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~InterruptAfterRun() { sigaction(SIGINT, &previous_, nullptr); }
    InterruptAfterRun(const InterruptAfterRun&) = delete;
    InterruptAfterRun& operator=(const InterruptAfterRun&) = delete;

    bool Requested() const { return interruptRequested != 0; }

private:
    struct sigaction previous_ {};
};

struct SessionRequest {
    std::string ini = "./PTC.INI";
    std::string subject = "virtual listener";
    std::string results = "default";
    std::optional<std::uint32_t> seed;
    bool fresh = false;
    bool intoRealRecord = false;
    std::string calibration;
    ListenerHearing hearing;
    HeadphoneRequest headphone;
};

// The finding of every run of the session and of each combined curve, from the record.
void PrintFindings(const std::string& resultsFile, const std::string& session)
{
    const RecordedRuns record = ReadRecordFiles(SessionRecordFileName(resultsFile), TrialLogFileName(resultsFile));
    const ResultsAnalysis analysis = AnalyseRecordedRuns(record.Runs, RunSelection{session, {}});
    for (const AnalysedRun& run : analysis.Runs) {
        std::cout << "finding, run " << run.Run.SessionRun << " (" << run.Run.Ear << ", condition " << run.Run.Condition
                  << ", " << run.Run.Direction << (run.LeftOut.empty() ? "" : ", left out: " + run.LeftOut)
                  << "): " << DescribeFinding(run.Finding) << '\n';
    }
    for (const ConditionCurves& c : analysis.Conditions) {
        if (c.HasCombined) {
            std::cout << "finding, combined (" << c.Ear << ", condition " << c.Condition << ", runs "
                      << JoinedRunIds(analysis, c) << "): " << DescribeFinding(c.CombinedFinding) << '\n';
        }
    }
}

std::string RunLine(const SessionRunner& runner, int index, const VirtualRunResult& result)
{
    const SessionRun& run = runner.Protocol().Runs[static_cast<std::size_t>(index)];
    const std::string position = "run " + std::to_string(index + 1) + "/" + std::to_string(runner.Runs()) + ": ";
    const std::string ended = MeasuredStatus(result.Report.RunStatus) ? "" : " (ended)";
    if (run.Kind == RunKind::Threshold) {
        const std::optional<ThresholdEstimate>& threshold = result.Report.Threshold;
        return position + "threshold, condition " + std::to_string(run.Condition) + ", " + EarName(run.Ear) + " ear: "
               + (threshold ? FormatDb(threshold->Level) + " dB SPL (SD " + FormatDb(threshold->Sd) + " dB, "
                                  + std::to_string(result.Report.Reversals.size()) + " reversals)"
                            : std::string("no threshold"))
               + ended;
    }
    const CurveAnalysis curve = AnalyseCurve(result.Points);
    return position + "condition " + std::to_string(run.Condition) + ", " + EarName(run.Ear) + " ear, "
           + DirectionName(run.SweepDirection) + ": " + std::to_string(result.Points.size()) + " points, tip "
           + DescribeTip(curve) + (run.Practice ? " (practice)" : "") + ended;
}

int RunSession(const SessionRequest& request)
{
    const std::string name = "quorvex-sim session: ";
    const std::optional<ParameterLoad> load = LoadNamedParameterFile("session", request.ini);
    if (!load) {
        return 1;
    }
    const SessionProtocol& protocol = load->Session;
    for (const std::string& note : protocol.Notes) {
        std::cerr << name << request.ini << ": " << note << '\n';
    }
    if (!protocol.Present) {
        std::cerr << name << request.ini << " has no [Session] section\n";
        return 1;
    }
    if (!protocol.Runnable()) {
        std::cerr << name << protocol.Refusal << '\n';
        return 1;
    }
    SharedState state;
    state.Settings = load->Parameters.Settings;
    state.Conditions = load->Parameters.Conditions;
    // A tone in dB SL is checked against this subject's thresholds in this results name's record.
    state.SubjectName = request.subject;
    state.ResultsFileName = request.results + ".dat";
    if (const Result<> check = CheckSessionRuns(protocol, state, '.'); !check) {
        std::cerr << name << check.Reason() << '\n';
        return 1;
    }
    if (!RecordTakesVirtualRuns("session", request.results, request.intoRealRecord)) {
        return 1;
    }
    const std::optional<CalibrationInUse> calibration =
        ChooseRunCalibration("session", request.calibration, state.Settings);
    if (!calibration) {
        return 1;
    }
    const std::string resultsFile = request.results + ".dat";
    SessionRunner runner(protocol, PlanSession(protocol, state.Settings, state.Conditions), request.subject, resultsFile);
    if (!runner.RecordProblem().empty()) {
        std::cerr << name << runner.RecordProblem() << '\n';
        return 1;
    }
    if (runner.Unfinished() && !request.fresh) {
        if (!runner.CanContinue()) {
            std::cerr << name << ResumeQuestion(runner, request.subject, SessionRecordFileName(resultsFile))
                      << " Run it with --new to start a new session.\n";
            return 1;
        }
        for (const std::string& note : runner.Unfinished()->Notes) {
            std::cerr << name << note << '\n';
        }
        runner.Continue();
        std::cout << "session " << runner.Id() << ": continued at run " << *runner.Next() + 1 << " of "
                  << runner.Runs() << '\n';
    } else {
        if (const Result<> started = runner.StartNew(std::chrono::system_clock::now()); !started) {
            std::cerr << name << started.Reason() << '\n';
            return 1;
        }
        std::cout << "session " << runner.Id() << ": " << runner.Runs() << " runs\n";
    }

    const InterruptAfterRun interrupt;
    VirtualSessionRunsOptions options;
    options.Subject = request.subject;
    options.ResultsName = request.results;
    options.Seed = request.seed.value_or(1);
    options.Calibration = *calibration;
    std::cout << DescribeRunCalibration(options.Calibration);
    options.Hearing = request.hearing;
    options.Headphone = request.headphone.Response;
    if (request.headphone.Corrected && request.headphone.Response) {
        options.Calibration = CalibrationOfHeadphone(*request.headphone.Response);
    }
    bool trouble = false;
    const std::int64_t elapsedMs = RunSessionWithVirtualListener(
        runner, load->Parameters, options, [&](int index, const VirtualRunResult& result) {
            std::cout << RunLine(runner, index, result) << std::endl;
            if (!result.Report.ResultsNotice.empty()) {
                std::cerr << name << result.Report.ResultsNotice << '\n';
            }
            for (const std::string* error : {&result.Report.ResultsError, &result.Report.RecordError,
                                             &result.Report.TrialLogError, &result.Report.DictionaryError,
                                             &result.Report.TestLogError}) {
                if (!error->empty()) {
                    std::cerr << name << *error << '\n';
                    trouble = true;
                }
            }
            return !interrupt.Requested();
        });
    const SessionProgress progress = runner.Progress(elapsedMs, state);
    std::cout << "session " << runner.Id() << ": " << progress.Finished << " of " << progress.Runs
              << " runs finished, " << FormatDuration(elapsedMs) << " simulated\n";
    const bool complete = progress.Finished == progress.Runs;
    if (complete) {
        PrintFindings(resultsFile, runner.Id());
    }
    if (!complete) {
        std::cout << runner.EndReason() << " Run 'quorvex-sim session' with the same options to continue.\n";
    }
    if (interrupt.Requested() && !complete) {
        return Interrupted;
    }
    return trouble || !complete ? 1 : 0;
}

}  // namespace

SimCommand AddSessionCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("session", "run the [Session] protocol of a file with the virtual listener");
    command->footer("Continues the subject's unfinished session of this protocol in NAME.csv, if there is one.\n"
                    "Ctrl-C ends the session after the run that is going has written its files.");
    const auto request = std::make_shared<SessionRequest>();
    AddIniOption(*command, request->ini);
    command->add_option("--subject", request->subject, "subject name (default virtual listener)")->type_name("NAME");
    command->add_option("--results", request->results, "results name; the files are NAME.dat, NAME.csv (default default)")
        ->type_name("NAME");
    AddSeedOption(*command, request->seed)
        ->description("the listener's seed (default 1); run k uses seed + k - 1; 0: a listener without internal noise");
    command->add_flag("--new", request->fresh, "start a new session instead of continuing an unfinished one");
    AddRealRecordOption(*command, request->intoRealRecord);
    AddCalibrationOption(*command, request->calibration);
    AddCalibrationStoreOption(*command);
    AddHearingOptions(*command, request->hearing);
    AddHeadphoneOptions(*command, request->headphone);
    return {command, [request] { return RunSession(*request); }};
}
