// quorvex-sim report: the per-listener PDF report of a results file.
#include "SimCommands.h"

#include "ListenerReport.h"
#include "NamedParameterFile.h"

#include <CLI/CLI.hpp>

#include <QGuiApplication>

#include <iostream>
#include <memory>

namespace {

struct Request {
    std::string path;
    std::string output;
    std::string paper = "a4";
    std::string session;
    std::vector<std::string> runs;
};

int Report(const Request& request)
{
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

    const ResultsFileAnalysis results = AnalyseResultsFile(request.path, {request.session, request.runs});
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
                                              request.paper == "letter" ? QPageSize::Letter : QPageSize::A4);
    if (!error.isEmpty()) {
        std::cerr << "quorvex-sim: " << error.toStdString() << "\n";
        return 1;
    }
    std::cout << output << ": " << results.Analysis.Runs.size() << " runs, " << results.Analysis.Conditions.size()
              << " conditions and ears\n";
    return 0;
}

}  // namespace

SimCommand AddReportCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("report", "write the per-listener PDF report of a results file");
    command->footer("Reads the session record (NAME.csv) and trial log (NAME.trials.csv) beside NAME.dat; the report is written to the PDF file.");
    const auto request = std::make_shared<Request>();
    command->add_option("-o,--output", request->output, "the PDF file (default NAME.pdf)")->type_name("FILE");
    command->add_option("--paper", request->paper, "paper size (default a4)")
        ->type_name("a4|letter")
        ->check(CLI::IsMember({"a4", "letter"}).description(""));
    command->add_option("--session", request->session, "only the runs of this session id (default: every run)")->type_name("ID");
    command->add_option("--runs", request->runs, "only these runs, ids as the session record has them (default: every run)")
        ->type_name("ID[,ID...]")
        ->delimiter(',');
    command->add_option("FILE.dat", request->path, "results file")->type_name("")->required();
    return {command, [request] { return Report(*request); }};
}
