// A results file as quorvex-sim analyze reads it: the blocks, then each curve's tip, Q10,
// fitted tip and slopes.
#include "CurveAnalysis.h"
#include "CurveMeasures.h"
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
        const CurveMeasures measures = MeasureRun(block.Points, {block.ToneF.value_or(1000.0), 90.0, std::nullopt});
        if (measures.Fitted.Freq) {
            // The vertex lies within the window it was fitted in (to rounding).
            FUZZ_CHECK(*measures.Fitted.Freq >= measures.Fitted.WindowLowHz * (1 - 1e-9)
                       && *measures.Fitted.Freq <= measures.Fitted.WindowHighHz * (1 + 1e-9));
        }
    }
    return 0;
}
