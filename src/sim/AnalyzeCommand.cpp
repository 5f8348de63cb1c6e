// quorvex-sim analyze: the tip and Q10 of every block of a results file.
#include "SimCommands.h"

#include "CommandFiles.h"
#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "ResultsFileBlocks.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace {

int Analyze(const std::string& path)
{
    const std::optional<std::string> text = ReadCommandFile(path);
    if (!text) {
        return 1;
    }
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(*text);
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
    const auto path = std::make_shared<std::string>();
    command->add_option("FILE.dat", *path, "results file")->type_name("")->required();
    return {command, [path] { return Analyze(*path); }};
}
