// A results file as quorvex-sim analyze reads it: the blocks, then each curve's tip and Q10.
#include "CurveAnalysis.h"
#include "FuzzCheck.h"
#include "ResultsFileBlocks.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const ResultsBlock& block : ReadResultsBlocks(text)) {
        const CurveAnalysis curve = AnalyseCurve(block.Points);
        FUZZ_CHECK(curve.Points <= static_cast<int>(block.Points.size()));
        if (curve.Tip) {
            FUZZ_CHECK(std::isfinite(curve.Tip->Freq) && std::isfinite(curve.Tip->SPL));
        }
    }
    return 0;
}
