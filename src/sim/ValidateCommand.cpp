// quorvex-sim validate: the analysis's estimators against the virtual listener's own filter,
// over many seeded runs per sweep direction, as a Markdown table.
#include "SimCommands.h"
#include "SimOptions.h"

#include "ConditionAnalysis.h"
#include "CurveMeasures.h"
#include "ExpectedCurve.h"
#include "MeasuresText.h"
#include "NumberFormat.h"
#include "RunFilesFolder.h"
#include "SessionValidation.h"
#include "TipFinding.h"
#include "TrialEntries.h"
#include "ValidationParts.h"
#include "VirtualRun.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <memory>
#include <numeric>

namespace {

struct Request {
    int runs = 100;
    std::vector<double> tones = {1000.0, 2000.0, 4000.0};
    AnalysisParameters parameters;
    bool findings = false;
    double thresholdDb = 30.0;  // the listeners' threshold in quiet at every frequency
    double deadEdge = 0.75;     // the dead region's lower edge, times the tone frequency
    int sessions = 0;           // whole sessions per listener and tone instead; 0: none
    double sensationLevel = 10.0;
};

// The values one estimator gave over the runs of one direction (or their combined curves).
struct Sample {
    std::vector<double> values;
    int missing = 0;
    void Add(const std::optional<double>& value)
    {
        if (value) {
            values.push_back(*value);
        } else {
            ++missing;
        }
    }
};

struct Estimators {
    Sample tipHz, fitHz, tipLevel, fitLevel, q10, low, high;
};

void AddMeasures(Estimators& e, const CurveMeasures& m)
{
    const auto& s = m.Smoothed;
    e.tipHz.Add(s.Tip ? std::optional<double>(s.Tip->Freq) : std::nullopt);
    e.tipLevel.Add(s.Tip ? std::optional<double>(s.Tip->SPL) : std::nullopt);
    e.fitHz.Add(m.Fitted.Freq);
    e.fitLevel.Add(m.Fitted.Level);
    e.q10.Add(s.Q10);
    e.low.Add(m.Low.DbPerOctave);
    e.high.Add(m.High.DbPerOctave);
}

// "bias ± SD (n)" against the true value, with the estimator's decimals.
std::string Cell(const Sample& sample, double truth, int decimals)
{
    if (sample.values.empty()) {
        return "none (" + std::to_string(sample.missing) + " without)";
    }
    const double n = static_cast<double>(sample.values.size());
    const double mean = std::accumulate(sample.values.begin(), sample.values.end(), 0.0) / n;
    double squares = 0.0;
    for (const double v : sample.values) {
        squares += (v - mean) * (v - mean);
    }
    const double sd = sample.values.size() > 1 ? std::sqrt(squares / (n - 1.0)) : 0.0;
    std::string text = FormatFixed(mean - truth, decimals) + " ± " + FormatFixed(sd, decimals);
    if (sample.missing > 0) {
        text += " (" + std::to_string(sample.missing) + " without)";
    }
    return text;
}

// The measures of seeded run `run` of condition `k` (from 0) in one direction, its files removed.
std::optional<CurveMeasures> MeasureSeededRun(const ParameterSet& parameters, std::size_t k, int run, Sweep direction,
                                              const ListenerHearing& hearing, const AnalysisParameters& analysis)
{
    const TestCondition& c = parameters.Conditions[k];
    VirtualRunOptions options;
    options.Condition = static_cast<int>(k + 1);
    options.SweepDirection = direction;
    options.ResultsName = "validate";
    options.Listener.Seed = static_cast<std::uint32_t>(2 * run + 1 + (direction == Sweep::Down ? 1 : 0));
    options.Hearing = hearing;
    std::vector<TrialRecord> trials;
    const VirtualRunResult result
        = RunWithVirtualListener(parameters, options, [&trials](const TrialRecord& trial) { trials.push_back(trial); });
    // The runs' files are not needed: each run starts them anew.
    for (const char* file : {"validate.dat", "validate.csv", "validate.trials.csv", "test.out"}) {
        std::filesystem::remove(file);
    }
    if (!result.Refusal.empty()) {
        std::cerr << "quorvex-sim validate: " << result.Refusal << "\n";
        return std::nullopt;
    }
    const TrialSummary summary = SummariseTrials(TrialEntries(trials), c, direction == Sweep::Up,
                                                 parameters.Settings.MaskerDuration, parameters.Settings.ISI);
    return MeasureRun(result.Points, {c.ToneF, c.MaxSPL, summary}, analysis);
}

int ValidateFindings(const Request& request, const ParameterSet& parameters)
{
    const TipNorm norm;
    std::cout << "# The tip's finding against the virtual listener\n\n"
              << "Made by `quorvex-sim validate --findings --runs " << request.runs << " --threshold "
              << FormatForResults(request.thresholdDb) << " --dead-edge " << FormatForResults(request.deadEdge) << "` (" << request.runs
              << " seeded pairs of runs per listener and tone, one upward and one downward, combined; run k upward "
                 "has seed 2k+1, downward 2k+2). The conditions are those of the estimators' table "
                 "(analysis-validation.md): tone at 40 dB SPL, masker from 0.6 to 1.6 times the tone frequency. "
                 "Both listeners have a threshold in quiet of "
              << FormatForResults(request.thresholdDb)
              << " dB SPL at every frequency, so the tone is "
              << FormatForResults(40.0 - request.thresholdDb)
              << " dB above it; the listener with a dead region has one from " << FormatForResults(request.deadEdge)
              << " times the tone frequency up to 20 kHz, and hears the tone through the filter at that edge. "
                 "Norm: the defaults ("
              << FormatPercent(norm.LowPercent) << " % to " << FormatPercent(norm.HighPercent)
              << " % for upward curves, moved for downward and combined ones; off-frequency from "
              << FormatPercent(norm.OffFrequencyPercent) << " %).\n\n"
              << "Each cell: runs (or combined curves) with that finding, of all.\n";
    const RunFilesFolder folder("quorvex-validate");
    if (!folder.Made()) {
        std::cerr << "quorvex-sim validate: no temporary folder could be made\n";
        return 1;
    }
    for (std::size_t k = 0; k < parameters.Conditions.size(); ++k) {
        const TestCondition& c = parameters.Conditions[k];
        std::cout << "\n## Tone " << FormatForResults(c.ToneF) << " Hz\n\n"
                  << "| listener | curve | tip within the normal range | outside the range | off-frequency | not definable |\n"
                  << "|---|---|---|---|---|---|\n";
        for (const bool dead : {false, true}) {
            const ListenerHearing hearing = ValidationListener(
                c.ToneF, request.thresholdDb, dead ? std::optional<double>(request.deadEdge) : std::nullopt);
            FindingCounts up, down, combined;
            for (int run = 0; run < request.runs; ++run) {
                std::vector<CurveMeasures> pair;
                std::vector<std::vector<ResultPoint>> curves;
                for (const Sweep direction : {Sweep::Up, Sweep::Down}) {
                    const std::optional<CurveMeasures> m
                        = MeasureSeededRun(parameters, k, run, direction, hearing, request.parameters);
                    if (!m) {
                        return 1;
                    }
                    const bool upward = direction == Sweep::Up;
                    (upward ? up : down).Add(FindTip(*m, norm, upward ? CurveKind::Upward : CurveKind::Downward).Kind);
                    pair.push_back(*m);
                    curves.push_back(m->Smoothed.Smoothed);
                }
                const CurveMeasures both = MeasureCombined(CombineCurves(curves, c), c.ToneF, pair,
                                                           {DirectionName(Sweep::Up), DirectionName(Sweep::Down)},
                                                           request.parameters);
                combined.Add(FindTip(both, norm, CurveKind::Combined).Kind);
            }
            for (const auto& [name, counts] : {std::pair{"upward", &up}, std::pair{"downward", &down},
                                              std::pair{"combined", &combined}}) {
                std::cout << "| " << DescribeValidationListener(hearing)
                          << " | " << name << " | " << counts->Rate(FindingKind::Normal) << " | "
                          << counts->Rate(FindingKind::OutsideRange) << " | " << counts->Rate(FindingKind::OffFrequency)
                          << " | " << counts->Rate(FindingKind::NotDefinable) << " |\n";
            }
        }
    }
    return 0;
}

int Validate(const Request& request)
{
    ParameterSet parameters;
    for (const double tone : request.tones) {
        parameters.Conditions.push_back(ValidationCondition(tone));
    }
    parameters.Settings = ValidationSettings(static_cast<int>(parameters.Conditions.size()));
    if (request.sessions > 0) {
        return ValidateSessions({request.sessions, request.tones, request.thresholdDb, request.deadEdge,
                                 request.sensationLevel});
    }
    if (request.findings) {
        return ValidateFindings(request, parameters);
    }
    const ListenerSettings listenerDefaults;
    std::cout << "# Tip, Q10 and slope estimators against the virtual listener\n\n"
              << "Made by `quorvex-sim validate --runs " << request.runs << "` (" << request.runs
              << " seeded runs per direction and tone; run k upward has seed 2k+1, downward 2k+2, "
              << "and the two are combined). Listener: criterion " << FormatForResults(listenerDefaults.CriterionDb)
              << " dB, internal noise " << FormatForResults(listenerDefaults.NoiseDb)
              << " dB. Each condition: tone at 40 dB SPL, masker from 0.6 to 1.6 times the tone "
                 "frequency in steps of 1/100 of it, 1/10 of it wide, 2 dB steps, start 60 dB SPL, MaxSPL 90; "
                 "400/600 ms tone/masker, ISI 20 ms, software levels.\n\n"
              << "Analysis: " << DescribeParameters(request.parameters) << ".\n\n"
              << "Each cell: bias (mean estimate minus the listener's closed-form value) ± standard deviation "
                 "over the runs; \"without\" counts runs that gave no estimate. Frequencies in Hz, levels in "
                 "dB SPL, slopes in dB/octave. The true slopes are line fits to the closed-form curve over "
                 "the same ranges (from the tone), below MaxSPL.\n";
    const RunFilesFolder folder("quorvex-validate");
    if (!folder.Made()) {
        std::cerr << "quorvex-sim validate: no temporary folder could be made in "
                  << std::filesystem::temp_directory_path().string() << "\n";
        return 1;
    }
    for (std::size_t k = 0; k < parameters.Conditions.size(); ++k) {
        const TestCondition& c = parameters.Conditions[k];
        const ExpectedCurve truth(parameters.Settings, c, listenerDefaults.CriterionDb);
        Estimators up, down, combined;
        for (int run = 0; run < request.runs; ++run) {
            std::vector<CurveMeasures> pair;
            std::vector<std::vector<ResultPoint>> curves;
            for (const Sweep direction : {Sweep::Up, Sweep::Down}) {
                const std::optional<CurveMeasures> m = MeasureSeededRun(parameters, k, run, direction, {}, request.parameters);
                if (!m) {
                    return 1;
                }
                pair.push_back(*m);
                AddMeasures(direction == Sweep::Up ? up : down, pair.back());
                curves.push_back(pair.back().Smoothed.Smoothed);
            }
            AddMeasures(combined, MeasureCombined(CombineCurves(curves, c), c.ToneF, pair,
                                                  {DirectionName(Sweep::Up), DirectionName(Sweep::Down)},
                                                  request.parameters));
        }
        const auto band = truth.Q10();
        const ExpectedSlopes slopes = ExpectedSideSlopes(truth, c, request.parameters);
        std::cout << "\n## Tone " << FormatForResults(c.ToneF) << " Hz\n\n"
                  << "| estimator | listener's value | upward | downward | combined |\n"
                  << "|---|---|---|---|---|\n";
        // Each estimator with the decimals its spread can tell: tenths of a Hz and of a dB per
        // octave, hundredths of a dB, thousandths of a Q10; the listener's value likewise.
        const auto row = [&](const char* name, double value, const Sample Estimators::*sample, int decimals) {
            std::cout << "| " << name << " | " << FormatFixed(value, decimals) << " | "
                      << Cell(up.*sample, value, decimals) << " | " << Cell(down.*sample, value, decimals) << " | "
                      << Cell(combined.*sample, value, decimals) << " |\n";
        };
        row("tip frequency, smoothed minimum", truth.TipFrequency(), &Estimators::tipHz, 1);
        row("tip frequency, fitted parabola", truth.TipFrequency(), &Estimators::fitHz, 1);
        row("tip level, smoothed minimum", truth.TipLevel(), &Estimators::tipLevel, 2);
        row("tip level, fitted parabola", truth.TipLevel(), &Estimators::fitLevel, 2);
        if (band) {
            row("Q10", band->Q10, &Estimators::q10, 3);
        }
        if (slopes.Low) {
            row("low slope", *slopes.Low, &Estimators::low, 1);
        }
        if (slopes.High) {
            row("high slope", *slopes.High, &Estimators::high, 1);
        }
    }
    return 0;
}

}  // namespace

SimCommand AddValidateCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand(
        "validate", "measure the analysis's tip, Q10 and slope estimators against the virtual listener's filter");
    command->footer("Writes a Markdown table to standard output; the files of the runs go to a temporary folder.");
    const auto request = std::make_shared<Request>();
    command->add_option("--runs", request->runs, "seeded runs per sweep direction and tone (default 100)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000));
    command->add_option("--tones", request->tones, "tone frequencies, Hz (default 1000,2000,4000)")
        ->type_name("HZ[,HZ...]")
        ->delimiter(',')
        ->check(CLI::Range(100.0, 8000.0));
    AddAnalysisOptions(*command, request->parameters);
    command->add_flag("--findings", request->findings,
                      "instead: how often the tip's finding is normal for a listener with normal filters and "
                      "off-frequency for one with a dead region below the tone (default: the estimators)");
    command->add_option("--sessions", request->sessions,
                        "instead: N whole seeded sessions (threshold, practice runs, curves, finding) per tone for "
                        "each listener: the threshold's bias and SD, and how often the finding is right (default: none, "
                        "the estimators)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000));
    command->add_option("--threshold", request->thresholdDb,
                        "with --findings or --sessions: the listeners' threshold in quiet, dB SPL (default 30)")
        ->type_name("DB")
        ->check(CLI::Range(-20.0, 39.0));
    command->add_option("--dead-edge", request->deadEdge,
                        "with --findings or --sessions: the dead region's lower edge, times the tone frequency "
                        "(default 0.75)")
        ->type_name("RATIO")
        ->check(CLI::Range(0.6, 0.99));
    command->add_option("--sl", request->sensationLevel,
                        "with --sessions: the tone's level above the threshold measured, dB (default 10)")
        ->type_name("DB")
        ->check(CLI::Range(0.0, 40.0));
    return {command, [request] { return Validate(*request); }};
}
