// quorvex-sim analyze: the tip, Q10, fitted tip, slopes and flags of every block of a results
// file, and the combined curve of each condition and ear measured more than once.
#include "SimCommands.h"
#include "SimOptions.h"

#include "AnalysisTable.h"
#include "ConditionAnalysis.h"
#include "CurveReport.h"
#include "MeasuresText.h"
#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "ResultsFileBlocks.h"
#include "SessionFiles.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

namespace {

struct AnalyzeRequest {
    std::string path;
    bool csv = false;
    std::string session;
    std::vector<std::string> runs;
    AnalysisParameters parameters;
};

// The shifts marked from `criterionPercent`, the off-frequency criterion of the run's norm.
void PrintMeasures(const CurveMeasures& m, double criterionPercent)
{
    if (m.ShiftPercent) {
        std::cout << "  tip shift: " << DescribeShift(*m.ShiftPercent, criterionPercent) << "\n";
    }
    std::cout << "  fitted tip: " << DescribeFittedTip(m, criterionPercent) << "\n";
    std::cout << "  low slope: " << DescribeSlope(m.Low) << "\n";
    std::cout << "  high slope: " << DescribeSlope(m.High) << "\n";
    if (m.Flags.empty()) {
        std::cout << "  flags: none\n";
    }
    for (const RaisedFlag& flag : m.Flags) {
        std::cout << "  flag " << FlagTitle(flag.Flag) << ": " << flag.Reason << "\n";
    }
}

void PrintFinding(const TipFinding& finding)
{
    std::cout << "  finding: " << DescribeFinding(finding) << "\n";
    std::cout << "  criterion: " << DescribeCriterion(finding) << "\n";
}

void PrintCombined(const ResultsAnalysis& analysis, const ConditionCurves& c)
{
    std::cout << "combined: \"" << c.Subject << "\", condition " << c.Condition << ", " << c.Ear << " ear, "
              << FormatForResults(c.Parameters.ToneF) << " Hz\n";
    std::cout << "  runs: " << JoinedRunIds(analysis, c) << "\n";
    if (!c.Combined.Points.empty()) {
        std::cout << "  grid: " << FormatForResults(c.Combined.Points.front().Freq) << " to "
                  << FormatForResults(c.Combined.Points.back().Freq) << " Hz every "
                  << FormatForResults(c.Parameters.FStep) << " Hz (" << c.Combined.Points.size()
                  << " points where every run has a value)\n";
    }
    std::cout << DescribeCurve(c.CombinedMeasures.Smoothed);
    PrintMeasures(c.CombinedMeasures, c.CombinedFinding.CriterionPercent);
    PrintFinding(c.CombinedFinding);
    for (const auto& [direction, spread] : {std::pair{"upward", &c.SpreadUp}, std::pair{"downward", &c.SpreadDown}}) {
        if (spread->SmoothedHz || spread->FittedHz) {
            std::cout << "  tip difference between " << direction << " runs: "
                      << (spread->SmoothedHz ? FormatHz(*spread->SmoothedHz) + " Hz" : std::string("none"))
                      << " (smoothed), "
                      << (spread->FittedHz ? FormatHz(*spread->FittedHz) + " Hz" : std::string("none"))
                      << " (fitted)\n";
        }
    }
}

void PrintRecordState(const AnalysedRun& run)
{
    const RecordedRun& r = run.Run;
    if (!run.LeftOut.empty()) {
        std::cout << "  left out of combined curves: " << run.LeftOut << "\n";
    }
    if (r.Incomplete) {
        std::cout << "  flag record incomplete: " << r.Points.size() << " points on record"
                  << (r.ExpectedPoints >= 0 ? " of " + std::to_string(r.ExpectedPoints) : std::string()) << "\n";
    }
    if (!r.LoggedTrials) {
        std::cout << "  flag no trial log: the trial log has no rows of this run; the sweep and playback are not judged\n";
    }
    if (r.Simulated) {
        std::cout << "  measured by the virtual listener\n";
    }
    const RecordedCalibration& calibration = r.Calibration;
    if (!calibration.Profile.empty()) {
        const auto db = [](const std::optional<float>& value) { return value ? FormatDb(*value) : std::string("?"); };
        std::cout << "  calibration profile \"" << calibration.Profile << "\", calibrated "
                  << (calibration.LastCalibrated.empty() ? std::string("never") : calibration.LastCalibrated)
                  << "; correction of the tone " << db(calibration.ToneDb) << " dB, of the masker "
                  << db(calibration.MaskerMinDb) << " to " << db(calibration.MaskerMaxDb) << " dB";
        if (calibration.Kc35ResidualDb) {
            std::cout << ", KC35 residual " << db(calibration.Kc35ResidualDb) << " dB";
        }
        std::cout << "\n";
    }
    for (const std::string& flag : CalibrationFlagTitles(calibration)) {
        std::cout << "  flag " << flag << "\n";
    }
}

int Analyze(const AnalyzeRequest& request)
{
    const Result<std::string> text = ReadNamedFile(request.path);
    if (!text) {
        return 1;
    }
    const std::string recordPath = SessionRecordFileName(request.path);
    const RecordedRuns record = ReadRecordFiles(recordPath, TrialLogFileName(request.path));
    for (const std::string& problem : record.Problems) {
        std::cerr << "quorvex-sim: " << problem << "\n";
    }
    if (!request.session.empty() && !record.HasSessionColumn) {
        std::cerr << "quorvex-sim: the session record '" << recordPath << "' has no session column\n";
        return 1;
    }
    for (const std::string& id : request.runs) {
        if (std::none_of(record.Runs.begin(), record.Runs.end(), [&id](const RecordedRun& run) { return run.RunId == id; })) {
            std::cerr << "quorvex-sim: run '" << id << "' is not in the session record '" << recordPath << "'\n";
            return 1;
        }
    }
    const RunSelection selection{request.session, request.runs};
    const bool selecting = !request.session.empty() || !request.runs.empty();
    if (selecting && std::none_of(record.Runs.begin(), record.Runs.end(),
                                  [&selection](const RecordedRun& run) { return selection.Includes(run); })) {
        std::cerr << "quorvex-sim: no run in the session record '" << recordPath << "' is of the session or runs given\n";
        return 1;
    }
    const ResultsAnalysis analysis = AnalyseRecordedRuns(record.Runs, selection, request.parameters);
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(text.Value());
    const std::vector<BlockRun> matched = MatchBlocksToRuns(blocks, analysis);
    if (request.csv) {
        std::cout << AnalysisCsv(blocks, matched, analysis, selecting);
        for (const std::string& note : request.runs.empty() ? std::vector<std::string>{} : SeparationNotes(analysis)) {
            std::cerr << "quorvex-sim: note: " << note << "\n";
        }
        return 0;
    }
    if (blocks.empty()) {
        std::cout << request.path << ": no results blocks\n";
        return 0;
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const AnalysedRun* run = matched[i].Run;
        if (selecting && run == nullptr) {
            continue;
        }
        std::cout << DescribeBlock(blocks[i], static_cast<int>(i + 1));
        std::cout << DescribeCurve(matched[i].Measures.Smoothed);
        if (run != nullptr) {
            std::cout << "  run: " << run->Run.RunId << " (condition " << run->Run.Condition << ", "
                      << run->Run.Direction << (run->Run.Session.empty() ? "" : ", session " + run->Run.Session)
                      << (RecordedStatus(run->Run).empty() ? "" : ", " + RecordedStatus(run->Run)) << ")\n";
            PrintRecordState(*run);
        } else {
            std::cout << "  run: not in the session record '" << recordPath << "'\n";
        }
        // A block the record does not have is judged by the default norm.
        PrintMeasures(matched[i].Measures, run != nullptr ? run->Finding.CriterionPercent : TipNorm{}.OffFrequencyPercent);
        if (run != nullptr) {
            PrintFinding(run->Finding);
        }
    }
    for (const ConditionCurves& c : analysis.Conditions) {
        if (c.HasCombined) {
            PrintCombined(analysis, c);
        }
    }
    // Runs asked for by name are expected together: say what keeps them apart.
    if (!request.runs.empty()) {
        for (const std::string& note : SeparationNotes(analysis)) {
            std::cout << "note: " << note << "\n";
        }
    }
    std::cout << "analysis: " << DescribeParameters(request.parameters) << "\n";
    return 0;
}

}  // namespace

SimCommand AddAnalyzeCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand(
        "analyze", "print the tip, Q10, fitted tip, slopes and quality flags of every run in a results file, "
                   "and the combined curve of each condition and ear measured more than once");
    command->footer("The report goes to standard output; no file is written.");
    const auto request = std::make_shared<AnalyzeRequest>();
    command->add_flag("--csv", request->csv,
                      "one CSV table: a row per run and per combined curve, run ids as the session record has them (default: a report to read)");
    command->add_option("--session", request->session, "only the runs of this session id (default: every run)")->type_name("ID");
    command->add_option("--runs", request->runs, "only these runs, ids as the session record has them (default: every run)")
        ->type_name("ID[,ID...]")
        ->delimiter(',');
    AddAnalysisOptions(*command, request->parameters);
    command->add_option("FILE.dat", request->path, "results file")->type_name("")->required();
    return {command, [request] { return Analyze(*request); }};
}
