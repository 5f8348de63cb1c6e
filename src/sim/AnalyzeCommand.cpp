// quorvex-sim analyze: the tip and Q10 of every block of a results file.
#include "SimCommands.h"

#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "ResultsFileBlocks.h"

#include <fstream>
#include <iostream>
#include <sstream>

int RunAnalyzeCommand(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::cerr << "usage: quorvex-sim analyze FILE.dat\n";
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
        std::cerr << "quorvex-sim analyze: cannot read '" << args[0] << "'\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::vector<ResultsBlock> blocks = ReadResultsBlocks(text.str());
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
