// quorvex-sim analyze: the tip and Q10 of every block of a results file.
#include "SimCommands.h"

#include "Csv.h"
#include "CurveAnalysis.h"
#include "CurveReport.h"
#include "NamedParameterFile.h"
#include "NumberFormat.h"
#include "ResultsFileBlocks.h"

#include <iostream>
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

}  // namespace

int RunAnalyzeCommand(const std::vector<std::string>& args)
{
    const bool csv = !args.empty() && args[0] == "--csv";
    if (args.size() != (csv ? 2u : 1u)) {
        std::cerr << "usage: quorvex-sim analyze [--csv] FILE.dat\n";
        return 2;
    }
    const std::string& path = args.back();
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
