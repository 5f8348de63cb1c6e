// quorvex-sim analyze: the tip and Q10 of every block of a results file.
#include "SimCommands.h"

#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "NamedParameterFile.h"
#include "ResultsFileBlocks.h"

#include <iostream>
#include <optional>

int RunAnalyzeCommand(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::cerr << "usage: quorvex-sim analyze FILE.dat\n";
        return 2;
    }
    const std::optional<std::string> text = ReadNamedFile(args[0]);
    if (!text) {
        return 1;
    }
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(*text);
    if (blocks.empty()) {
        std::cout << args[0] << ": no results blocks\n";
        return 0;
    }
    int number = 0;
    for (const ResultsBlock& block : blocks) {
        std::cout << DescribeBlock(block, ++number);
        std::cout << DescribeCurve(AnalyseCurve(block.Points));
    }
    return 0;
}
