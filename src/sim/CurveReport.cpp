#include "CurveReport.h"

#include "NumberFormat.h"
#include "PlainText.h"

namespace {

// Text from the file as the terminal may show it.
std::string Shown(const std::string& text)
{
    return WithControlCharactersShown(ValidUtf8(text));
}

}  // namespace

std::string DescribeBlock(const ResultsBlock& block, int number)
{
    std::string text = "block " + std::to_string(number) + " (line " + std::to_string(block.FirstLine) + ")\n";
    text += "  subject: " + (block.Subject ? "\"" + Shown(*block.Subject) + "\"" : std::string("(no subject line)")) + "\n";
    text += "  ear: " + (block.Ear ? Shown(*block.Ear) : std::string("(no ear line)")) + "\n";
    text += "  tone: " + (block.ToneF ? FormatForResults(*block.ToneF) + " Hz" : std::string("(no tone frequency line)"));
    text += block.ToneSPL ? " at " + FormatForResults(*block.ToneSPL) + " dB SPL\n" : std::string(", no tone level line\n");
    if (block.Attenuator) {
        text += "  attenuator: " + Shown(*block.Attenuator) + "\n";
    }
    for (const std::string& problem : block.Problems) {
        text += "  ignored: " + Shown(problem) + "\n";
    }
    text += "  points: " + std::to_string(block.Points.size()) + "\n";
    return text;
}

std::string DescribeCurve(const CurveAnalysis& analysis)
{
    return "  tip: " + DescribeTip(analysis) + "\n  Q10: " + DescribeQ10(analysis) + "\n";
}

std::string DescribeExpectedCurve(const ExpectedCurve& curve)
{
    std::string text = "  expected tip: " + FormatHz(curve.TipFrequency()) + " Hz at " + FormatDb(curve.TipLevel())
                       + " dB SPL\n";
    if (const auto band = curve.Q10()) {
        text += "  expected Q10: " + FormatQ10(band->Q10) + " (10 dB above the tip from " + FormatHz(band->LowHz)
                + " to " + FormatHz(band->HighHz) + " Hz)\n";
    } else {
        text += "  expected Q10: none (the curve does not rise 10 dB below the tip)\n";
    }
    return text;
}
