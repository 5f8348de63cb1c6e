// quorvex-sim run: a measurement with the virtual listener in place of a person.
#include "SimCommands.h"

#include "NamedParameterFile.h"

#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "ExpectedCurve.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "SessionFiles.h"
#include "VirtualSession.h"

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>

namespace {

constexpr const char* Usage =
    "usage: quorvex-sim run [--ini FILE] [--condition N] [--ear left|right] [--direction up|down]\n"
    "                       [--subject NAME] [--results NAME] [--seed N] [--criterion DB] [--noise DB]\n"
    "                       [--expected]\n";

struct RunRequest {
    std::string ini = "./PTC.INI";
    VirtualSessionOptions options;
    bool expected = false;
};

RunRequest DefaultRequest()
{
    RunRequest request;
    request.options.Listener.Seed = 1;
    return request;
}

std::optional<RunRequest> ParseRequest(const std::vector<std::string>& args)
{
    const auto fail = [](const std::string& message) {
        std::cerr << "quorvex-sim run: " << message << '\n' << Usage;
        return std::optional<RunRequest>();
    };
    RunRequest request = DefaultRequest();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--expected") {
            request.expected = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            return fail(option + " needs a value");
        }
        const std::string& value = args[++i];
        if (option == "--ini") {
            request.ini = value;
        } else if (option == "--condition") {
            const std::optional<int> n = ParseInteger(value);
            if (!n || *n < 1) {
                return fail("--condition takes a condition number from 1, not '" + value + "'");
            }
            request.options.Condition = *n;
        } else if (option == "--ear") {
            if (value != "left" && value != "right") {
                return fail("--ear takes left or right, not '" + value + "'");
            }
            request.options.Ear = value == "left" ? 0 : 1;
        } else if (option == "--direction") {
            if (value != "up" && value != "down") {
                return fail("--direction takes up or down, not '" + value + "'");
            }
            request.options.SweepDirection = value == "up" ? 0 : 1;
        } else if (option == "--subject") {
            request.options.Subject = value;
        } else if (option == "--results") {
            request.options.ResultsName = value;
        } else if (option == "--seed") {
            std::uint32_t seed = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seed);
            if (error != std::errc() || end != value.data() + value.size()) {
                return fail("--seed takes a whole number from 0 to 4294967295, not '" + value + "'");
            }
            request.options.Listener.Seed = seed;
        } else if (option == "--criterion" || option == "--noise") {
            const std::optional<float> number = ParseReal(value, '.');
            if (!number || (option == "--noise" && *number < 0.0f)) {
                return fail(option + " takes a number of dB" + (option == "--noise" ? " from 0" : "") + ", not '"
                            + value + "'");
            }
            (option == "--criterion" ? request.options.Listener.CriterionDb : request.options.Listener.NoiseDb) =
                *number;
        } else {
            return fail("unknown option '" + option + "'");
        }
    }
    return request;
}

std::string Number(double value)
{
    return FormatForResults(value);
}

std::string Describe(const RunRequest& request, const ParameterSet& parameters)
{
    const TestCondition& c = parameters.Conditions[static_cast<std::size_t>(request.options.Condition - 1)];
    const ListenerSettings& listener = request.options.Listener;
    std::string text = request.ini + ", condition " + std::to_string(request.options.Condition) + ": tone "
                       + Number(c.ToneF) + " Hz at " + Number(c.ToneSPL) + " dB SPL, masker " + Number(c.MaskerBW)
                       + " Hz wide from " + Number(c.StartF) + " to " + Number(c.EndF) + " Hz in "
                       + Number(c.FStep) + " Hz and " + Number(c.SPLstep) + " dB steps, "
                       + (parameters.Settings.Attenuator == 2 ? "KC35 levels" : "software levels") + "\n";
    text += std::string("listener: ") + (request.options.Ear == 0 ? "left" : "right") + " ear, sweep "
            + (request.options.SweepDirection == 0 ? "up" : "down") + ", criterion " + Number(listener.CriterionDb)
            + " dB, ";
    if (listener.Seed == 0) {
        text += "noise-free (seed 0)\n";
    } else {
        text += "internal noise " + Number(listener.NoiseDb) + " dB (seed " + std::to_string(listener.Seed) + ")\n";
    }
    return text;
}

void PrintPoints(const VirtualSessionResult& result, const std::optional<ExpectedCurve>& expected)
{
    std::cout << "points: " << result.Points.size() << '\n';
    std::cout << (expected ? "  frequency\tlevel\texpected\tdifference\n" : "  frequency\tlevel\n");
    for (const ResultPoint& point : result.Points) {
        std::cout << "  " << Number(point.Freq) << '\t' << Number(point.SPL);
        if (expected) {
            const double level = expected->MaskerLevel(point.Freq);
            std::cout << '\t' << Number(level) << '\t' << Number(point.SPL - level);
        }
        std::cout << '\n';
    }
}

// Everything that went wrong, on standard error; true if anything did.
bool ReportTrouble(const VirtualSessionResult& result, const std::string& resultsName)
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
    if (result.Report.FailedPresentations > 0) {
        say(std::to_string(result.Report.FailedPresentations) + " stimuli were not played");
    }
    for (const std::string& problem : result.AttenuatorProblems) {
        say("the attenuator would not understand: " + problem);
    }
    if (!result.Report.TestLogError.empty()) {
        say(result.Report.TestLogError);
    }
    const std::string resultsFile = resultsName + ".dat";
    // A run without points adds no row to the session record.
    const std::string record = result.Points.empty() ? std::string() : SessionRecordFileName(resultsFile);
    std::string written;
    for (const auto& [error, file] : {std::pair{&result.Report.ResultsError, resultsFile},
                                      std::pair{&result.Report.RecordError, record},
                                      std::pair{&result.Report.TrialLogError, TrialLogFileName(resultsFile)}}) {
        if (!error->empty()) {
            say(*error);
        } else if (!file.empty()) {
            written += file + ", ";
        }
    }
    std::cout << "results: " << written << "test.out (run " << result.Report.RunId << ")\n";
    return trouble;
}

}  // namespace

int RunRunCommand(const std::vector<std::string>& args)
{
    const std::optional<RunRequest> request = ParseRequest(args);
    if (!request) {
        return 2;
    }
    const std::optional<ParameterSet> parameters = LoadNamedParameterFile("run", request->ini);
    if (!parameters) {
        return 1;
    }
    const VirtualSessionResult result = RunVirtualSession(*parameters, request->options);
    if (!result.Refusal.empty()) {
        std::cerr << "quorvex-sim run: " << result.Refusal << '\n';
        return 1;
    }
    std::cout << Describe(*request, *parameters);
    std::cout << "trials: " << result.Report.Trials << '\n';
    std::optional<ExpectedCurve> expected;
    const TestCondition& condition = parameters->Conditions[static_cast<std::size_t>(request->options.Condition - 1)];
    if (request->expected) {
        expected.emplace(parameters->Settings, condition, request->options.Listener.CriterionDb);
    }
    PrintPoints(result, expected);
    std::cout << "elapsed (simulated): " << Number(result.ElapsedMs / 1000.0) << " s\n";
    std::cout << DescribeCurve(AnalyseCurve(result.Points));
    if (expected) {
        std::cout << DescribeExpectedCurve(*expected);
    }
    return ReportTrouble(result, request->options.ResultsName) ? 1 : 0;
}
