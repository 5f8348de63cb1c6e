// quorvex-sim run: a measurement with the virtual listener in place of a person.
#include "SimCommands.h"

#include "NamedParameterFile.h"
#include "SimOptions.h"

#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "ExpectedCurve.h"
#include "HeadphonePoints.h"
#include "ListenerHearing.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "SessionFiles.h"
#include "VirtualRun.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>

namespace {

struct RunRequest {
    std::string ini = "./PTC.INI";
    VirtualRunOptions options;
    std::optional<std::uint32_t> seed;
    std::optional<float> criterion;
    std::optional<float> noise;
    bool expected = false;
    bool intoRealRecord = false;
    std::string calibration;
    HeadphoneRequest headphone;
};

std::string Describe(const RunRequest& request, const ParameterSet& parameters)
{
    const TestCondition& c = parameters.Conditions[static_cast<std::size_t>(request.options.Condition - 1)];
    const ListenerSettings& listener = request.options.Listener;
    std::string text = request.ini + ", condition " + std::to_string(request.options.Condition) + ": tone "
                       + FormatForResults(c.ToneF) + " Hz at " + (c.ToneSL ? FormatForResults(*c.ToneSL) + " dB SL" : FormatForResults(c.ToneSPL) + " dB SPL") + ", masker " + FormatForResults(c.MaskerBW)
                       + " Hz wide from " + FormatForResults(c.StartF) + " to " + FormatForResults(c.EndF) + " Hz in "
                       + FormatForResults(c.FStep) + " Hz and " + FormatForResults(c.SPLstep) + " dB steps, "
                       + (parameters.Settings.Attenuator == AttenuatorMode::Kc35 ? "KC35 levels" : "software levels")
                       + "\n";
    text += "listener: " + EarName(request.options.Ear) + " ear, sweep " + DirectionName(request.options.SweepDirection)
            + ", criterion " + FormatForResults(listener.CriterionDb)
            + " dB, ";
    if (listener.Seed == 0) {
        text += "noise-free (seed 0)\n";
    } else {
        text += "internal noise " + FormatForResults(listener.NoiseDb) + " dB (seed " + std::to_string(listener.Seed) + ")\n";
    }
    const EarHearing& hearing = request.options.Hearing.Of(request.options.Ear);
    if (!hearing.Normal()) {
        text += "hearing: " + DescribeHearing(hearing) + "\n";
    }
    return text;
}

void PrintPoints(const VirtualRunResult& result, const std::optional<ExpectedCurve>& expected)
{
    std::cout << "points: " << result.Points.size() << '\n';
    std::cout << (expected ? "  frequency\tlevel\texpected\tdifference\n" : "  frequency\tlevel\n");
    for (const ResultPoint& point : result.Points) {
        std::cout << "  " << FormatForResults(point.Freq) << '\t' << FormatForResults(point.SPL);
        if (expected) {
            const double level = expected->MaskerLevel(point.Freq);
            std::cout << '\t' << FormatForResults(level) << '\t' << FormatForResults(point.SPL - level);
        }
        std::cout << '\n';
    }
}

// Everything that went wrong, on standard error; true if anything did.
bool ReportTrouble(const VirtualRunResult& result, const std::string& resultsName)
{
    bool trouble = false;
    const auto say = [&trouble](const std::string& message) {
        std::cerr << "quorvex-sim run: " << message << '\n';
        trouble = true;
    };
    if (result.StoppedAtLimit) {
        say("the listener had not finished the sweep after " + std::to_string(result.TrialLimit)
            + " trials; a stop key ended the run");
    }
    if (!result.Report.Error.empty()) {
        say("the run ended early: " + result.Report.Error);
    }
    if (!result.Report.DictionaryError.empty()) {
        say(result.Report.DictionaryError);
    }
    if (result.Report.FailedPresentations > 0) {
        say(std::to_string(result.Report.FailedPresentations) + " stimuli were not played");
    }
    for (const std::string& problem : result.AttenuatorProblems) {
        say("the attenuator would not understand: " + problem);
    }
    const std::string resultsFile = resultsName + ".dat";
    // The files as the run wrote them: every run adds to the session record, a run with
    // trials to the trial log; a file that could not be written is named with its reason only.
    std::string written;
    // A threshold run writes no results-file block.
    for (const auto& [error, file] : {std::pair{&result.Report.ResultsError,
                                                result.Report.Kind == RunKind::Ptc ? resultsFile : std::string()},
                                      std::pair{&result.Report.RecordError, SessionRecordFileName(resultsFile)},
                                      std::pair{&result.Report.TrialLogError,
                                                result.Report.TrialLogWritten ? TrialLogFileName(resultsFile) : ""},
                                      std::pair{&result.Report.TestLogError, std::string("test.out")}}) {
        if (!error->empty()) {
            say(*error);
        } else if (!file.empty()) {
            written += (written.empty() ? "" : ", ") + file;
        }
    }
    std::cout << "results: " << (written.empty() ? "none" : written) << " (run " << result.Report.RunId << ")\n";
    return trouble;
}

// A threshold run's account: the track's reversals and the estimate beside the listener's threshold.
int PrintThreshold(const RunRequest& request, const ParameterSet& parameters, const VirtualRunResult& result)
{
    const TestCondition& c = parameters.Conditions[static_cast<std::size_t>(request.options.Condition - 1)];
    const ExperimentSettings& s = parameters.Settings;
    std::cout << request.ini << ", condition " << request.options.Condition << ": threshold in quiet at "
              << FormatForResults(c.ToneF) << " Hz, " << EarName(request.options.Ear) << " ear, from " << FormatForResults(s.ThresholdStartSPL)
              << " dB SPL in " << FormatForResults(s.ThresholdStep) << " dB steps, " << s.ThresholdReversals << " reversals\n";
    std::cout << "trials: " << result.Report.Trials << '\n';
    std::cout << "reversals:";
    for (const float level : result.Report.Reversals) {
        std::cout << ' ' << FormatForResults(level);
    }
    std::cout << '\n';
    if (result.Report.Threshold) {
        std::cout << "threshold: " << FormatDb(result.Report.Threshold->Level) << " dB SPL, SD "
                  << FormatDb(result.Report.Threshold->Sd) << " dB\n";
    } else {
        std::cout << "threshold: none (no reversal)\n";
    }
    const std::optional<double> audiogram = ThresholdInQuiet(request.options.Hearing.Of(request.options.Ear), c.ToneF);
    std::cout << "listener's threshold: " << FormatForResults(audiogram.value_or(ModelQuietThresholdDb)) << " dB SPL"
              << (audiogram ? "" : " (the model's own, without an audiogram)") << '\n';
    std::cout << "elapsed (simulated): " << FormatForResults(result.ElapsedMs / 1000.0) << " s\n";
    for (const std::string& flag : result.Report.ThresholdFlags) {
        std::cerr << "quorvex-sim run: " << flag << '\n';
    }
    const bool trouble = ReportTrouble(result, request.options.ResultsName);
    return trouble || !result.Report.Threshold || !result.Report.ThresholdFlags.empty() ? 1 : 0;
}

int Rehearse(RunRequest& request)
{
    ListenerSettings& listener = request.options.Listener;
    listener.Seed = request.seed.value_or(1);
    listener.CriterionDb = request.criterion.value_or(listener.CriterionDb);
    listener.NoiseDb = request.noise.value_or(listener.NoiseDb);
    const std::optional<ParameterLoad> load = LoadNamedParameterFile("run", request.ini);
    if (!load) {
        return 1;
    }
    if (!RecordTakesVirtualRuns("run", request.options.ResultsName, request.intoRealRecord)) {
        return 1;
    }
    const ParameterSet& parameters = load->Parameters;
    const std::optional<CalibrationInUse> calibration =
        ChooseRunCalibration("run", request.calibration, parameters.Settings);
    if (!calibration) {
        return 1;
    }
    request.options.Calibration = *calibration;
    request.options.Headphone = request.headphone.Response;
    if (request.headphone.Corrected && request.headphone.Response) {
        request.options.Calibration = CalibrationOfHeadphone(*request.headphone.Response);
    }
    const VirtualRunResult result = RunWithVirtualListener(parameters, request.options);
    if (!result.Refusal.empty()) {
        std::cerr << "quorvex-sim run: " << result.Refusal << '\n';
        return 1;
    }
    if (request.options.Kind == RunKind::Threshold) {
        return PrintThreshold(request, parameters, result);
    }
    std::cout << Describe(request, parameters) << DescribeRunCalibration(request.options.Calibration);
    if (!result.Report.ToneLevel.empty()) {
        std::cout << "tone: " << result.Report.ToneLevel << '\n';
    }
    std::cout << "trials: " << result.Report.Trials << '\n';
    std::optional<ExpectedCurve> expected;
    const TestCondition& condition = parameters.Conditions[static_cast<std::size_t>(request.options.Condition - 1)];
    if (request.expected) {
        expected.emplace(parameters.Settings, condition, request.options.Listener.CriterionDb);
    }
    PrintPoints(result, expected);
    std::cout << "elapsed (simulated): " << FormatForResults(result.ElapsedMs / 1000.0) << " s\n";
    std::cout << DescribeCurve(AnalyseCurve(result.Points));
    if (expected) {
        std::cout << DescribeExpectedCurve(*expected);
    }
    return ReportTrouble(result, request.options.ResultsName) ? 1 : 0;
}

}  // namespace

SimCommand AddRunCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("run", "measure a tuning curve with the virtual listener");
    command->footer("Files written, in the current folder, each appended to as a run of the program does: the "
                    "results file NAME.dat, the session record NAME.csv, the trial log "
                    "NAME.trials.csv and test.out. The run's summary goes to standard output.");
    const auto request = std::make_shared<RunRequest>();
    VirtualRunOptions& options = request->options;
    AddIniOption(*command, request->ini);
    AddConditionOption(*command, options.Condition);
    command->add_option_function<std::string>(
               "--ear", [&options](const std::string& ear) { options.Ear = ReadEar(ear).Value(); },
               "the ear the tone is played to (default right)")
        ->type_name("left|right")
        ->check(CLI::IsMember({EarName(EarSide::Left), EarName(EarSide::Right)}, CLI::ignore_case).description(""));
    command->add_option_function<std::string>(
               "--direction",
               [&options](const std::string& way) {
                   options.SweepDirection = ReadDirection(way).Value();
               },
               "sweep direction (default up)")
        ->type_name("up|down")
        ->check(CLI::IsMember({DirectionName(Sweep::Up), DirectionName(Sweep::Down)}, CLI::ignore_case).description(""));
    command->add_option("--subject", options.Subject, "subject name written to the results file (default empty)")->type_name("NAME");
    command->add_option("--results", options.ResultsName, "results name; the file is NAME.dat (default default)")
        ->type_name("NAME");
    AddSeedOption(*command, request->seed)
        ->description("the listener's seed, also the noise reservoir's (default 1); 0: a listener without internal "
                      "noise");
    AddRealRecordOption(*command, request->intoRealRecord);
    AddCalibrationOption(*command, request->calibration);
    AddCalibrationStoreOption(*command);
    AddRealOption(*command, "--criterion", request->criterion, "DB", "the listener's detection criterion in dB (default -4)");
    AddRealOption(*command, "--noise", request->noise, "DB", "the listener's internal noise in dB, from 0 (default 1)", true);
    AddHearingOptions(*command, options.Hearing);
    AddHeadphoneOptions(*command, request->headphone);
    command->add_flag("--expected", request->expected, "also print the curve the listener's filter predicts (default: not printed)");
    command->add_flag_callback(
        "--threshold", [&options] { options.Kind = RunKind::Threshold; },
        "measure the listener's threshold in quiet at the condition's ToneF instead of a tuning curve: the tone "
        "alone, from ThresholdStartSPL in ThresholdStep steps until ThresholdReversals reversals; no results-file block "
        "(default: a tuning curve)");
    return {command, [request] { return Rehearse(*request); }};
}
