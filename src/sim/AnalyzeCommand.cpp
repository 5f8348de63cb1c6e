// quorvex-sim analyze: the tip and Q10 of every block of a results file.
#include "SimCommands.h"

#include "Csv.h"
#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "ResultsFileBlocks.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>

namespace {

std::string Number(const std::optional<double>& value)
{
    return value ? FormatForResults(*value) : std::string();
}

// One row per block for scripts; the numbers as the text report writes them.
void PrintCsv(const std::vector<ResultsBlock>& blocks)
{
    std::cout << CsvRow({"block", "subject", "ear", "ToneF", "ToneSPL", "points", "tip_freq", "tip_spl", "Q10",
                         "reason"});
    int number = 0;
    for (const ResultsBlock& block : blocks) {
        const CurveAnalysis analysis = AnalyseCurve(block.Points);
        const std::string tipFreq = analysis.Tip ? FormatForResults(analysis.Tip->Freq) : "";
        const std::string tipSpl = analysis.Tip ? FormatForResults(analysis.Tip->SPL) : "";
        const std::string reason = !analysis.Tip ? analysis.TipProblem : !analysis.Q10 ? analysis.Q10Problem : "";
        std::cout << CsvRow({std::to_string(++number), block.Subject.value_or(""), block.Ear.value_or(""),
                             Number(block.ToneF), Number(block.ToneSPL), std::to_string(block.Points.size()),
                             tipFreq, tipSpl, Number(analysis.Q10), reason});
    }
}

int Analyze(const std::string& path, bool csv)
{
    const std::optional<std::string> text = ReadNamedFile(path);
    if (!text) {
        return 1;
    }
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(*text);
    if (csv) {
        PrintCsv(blocks);
        return 0;
    }
    if (blocks.empty()) {
        std::cout << path << ": no results blocks\n";
        return 0;
    }
    int number = 0;
    for (const ResultsBlock& block : blocks) {
        std::cout << DescribeBlock(block, ++number);
        std::cout << DescribeCurve(AnalyseCurve(block.Points));
    }
    return 0;
}

}  // namespace

SimCommand AddAnalyzeCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("analyze", "print the tip and Q10 of every run in a results file");
    command->footer("The report goes to standard output; no file is written.");
    struct Request {
        std::string path;
        bool csv = false;
    };
    const auto request = std::make_shared<Request>();
    command->add_flag("--csv", request->csv, "one CSV row per block, for scripts (default: a report to read)");
    command->add_option("FILE.dat", request->path, "results file")->type_name("")->required();
    return {command, [request] { return Analyze(request->path, request->csv); }};
}
