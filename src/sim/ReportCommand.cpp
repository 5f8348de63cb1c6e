// quorvex-sim report: the per-listener PDF report of a results file.
#include "SimCommands.h"

#include "ListenerReport.h"
#include "ReportFirstPage.h"
#include "NamedParameterFile.h"

#include <CLI/CLI.hpp>

#include <QGuiApplication>

#include <iostream>
#include <memory>
#include <set>

namespace {

struct ReportRequest {
    std::string path;
    std::string output;
    std::string paper = "a4";
    std::string session;
    std::vector<std::string> runs;
    ListenerDetails listener;
};

// "Ann (3 runs, 2 conditions)": whose report it is and what it holds.
std::string WhatWasWritten(const RecordAnalysis& results, const ListenerDetails& given)
{
    const ResultsAnalysis& a = results.Analysis;
    std::set<int> conditions;
    for (const AnalysedRun& run : a.Runs) {
        conditions.insert(run.Run.Condition);
    }
    const auto count = [](std::size_t n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    return ReportListener(a, given).Name.toStdString() + " (" + count(a.Runs.size(), "run") + ", "
           + count(conditions.size(), "condition") + ")";
}

int Report(const ReportRequest& request)
{
    if (const Result<> details = CheckListenerDetails(request.listener); !details) {
        std::cerr << "quorvex-sim report: " << details.Reason() << "\n";
        return 2;
    }
    if (!ReadNamedFile(request.path).Ok()) {
        return 1;
    }
    // The fonts need a GUI application; it draws on no screen.
    int argc = 3;
    char name[] = "quorvex-sim";
    char option[] = "-platform";
    char platform[] = "offscreen";
    char* argv[] = {name, option, platform, nullptr};
    const QGuiApplication application(argc, argv);

    const RecordAnalysis results = AnalyseRecordOf(request.path, {request.session, request.runs});
    for (const std::string& problem : results.Record.Problems) {
        std::cerr << "quorvex-sim: " << problem << "\n";
    }
    if (!request.session.empty() && !results.Record.HasSessionColumn) {
        std::cerr << "quorvex-sim: the session record '" << results.RecordFile << "' has no session column\n";
        return 1;
    }
    std::string output = request.output;
    if (output.empty()) {
        output = (request.path.ends_with(".dat") ? request.path.substr(0, request.path.size() - 4) : request.path) + ".pdf";
    }
    const QString error = WriteListenerReport(results, QString::fromStdString(output),
                                              request.paper == "letter" ? QPageSize::Letter : QPageSize::A4,
                                              request.listener);
    if (!error.isEmpty()) {
        std::cerr << "quorvex-sim: " << error.toStdString() << "\n";
        return 1;
    }
    std::cout << "quorvex-sim report: wrote the report of " << WhatWasWritten(results, request.listener) << " to "
              << output << "\n";
    return 0;
}

}  // namespace

SimCommand AddReportCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("report", "write the per-listener PDF report of a results file");
    command->footer("Reads the session record (NAME.csv) and trial log (NAME.trials.csv) beside NAME.dat; the report is written to the PDF file.");
    const auto request = std::make_shared<ReportRequest>();
    command->add_option("-o,--output", request->output, "the PDF file (default NAME.pdf)")->type_name("FILE");
    command->add_option("--paper", request->paper, "paper size (default a4)")
        ->type_name("a4|letter")
        ->check(CLI::IsMember({"a4", "letter"}).description(""));
    command->add_option("--session", request->session, "only the runs of this session id (default: every run)")->type_name("ID");
    command->add_option("--runs", request->runs, "only these runs, ids as the session record has them (default: every run)")
        ->type_name("ID[,ID...]")
        ->delimiter(',');
    command->add_option("--subject-id", request->listener.Id, "the listener's ID (default: as the session record has it)")
        ->type_name("ID");
    command->add_option("--birth-date", request->listener.BirthDate,
                        "the listener's date of birth (default: as the session record has it)")
        ->type_name("YYYY-MM-DD");
    command->add_option("--examiner", request->listener.Examiner, "who measured (default: as the session record has it)")
        ->type_name("NAME");
    command->add_option("FILE.dat", request->path, "results file")->type_name("")->required();
    return {command, [request] { return Report(*request); }};
}
