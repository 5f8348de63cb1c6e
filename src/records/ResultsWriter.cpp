#include "ResultsWriter.h"

#include "NumberFormat.h"
#include "PlainText.h"
#include "RunChoices.h"
#include "TextFileAppend.h"

#include <algorithm>

namespace {

std::string ResultsFileFailure(const std::string& path, const std::error_code& error, std::size_t points)
{
    std::string message = "Quorvex could not write this run's block to the results file '" + path + "': "
                          + error.message() + ". The file was left as it was before this block. ";
    if (points > 2) {
        message += "The " + std::to_string(points) + " points of this run are still in memory: \"Graph Results\" "
                   "shows them until the next run.";
    } else {
        message += "This run recorded " + std::to_string(points) + (points == 1 ? " point" : " points")
                   + ", too few for \"Graph Results\".";
    }
    return message;
}

}  // namespace

std::string WithCrLf(const std::string& text)
{
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        if (ch == '\n') {
            bytes += "\r\n";
        } else {
            bytes += ch;
        }
    }
    return bytes;
}

Result<> WriteResultsBlock(const SharedState& state, int count)
{
    const TestCondition& c = state.Current();
    std::string block = ";----------------------------------------------------\n";
    // A line break in the name would start a line that reads as a point.
    block += "; Subject = \t" + WithControlCharactersShown(state.SubjectName) + "\n";
    block += "; Ear = " + EarName(state.Ear) + "\n";
    block += "; Tone Frequency = \t" + FormatForResults(c.ToneF) + "\n";
    block += "; Tone SPL = \t" + FormatForResults(c.ToneSPL) + "\n";
    // A mode that plays nothing has no line.
    if (AttenuatorModePlays(state.Settings.Attenuator)) {
        block += "; Attenuator = " + AttenuatorName(state.Settings.Attenuator) + "\n";
    }
    const auto& points = state.Results.Points();
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(points.size())));
    for (std::size_t i = 0; i < n; ++i) {
        block += FormatForResults(points[i].Freq) + "\t" + FormatForResults(points[i].SPL) + "\n";
    }
    const std::error_code error = AppendBlockToTextFile(state.ResultsFileName, WithCrLf(block));
    if (error) {
        return Failure{ResultsFileFailure(state.ResultsFileName, error, n)};
    }
    return {};
}

Result<> AppendTestLogHeader(const std::string& path)
{
    const std::error_code error =
        AppendBlockToTextFile(path, WithCrLf(";------------------------------------------------\n;Subject=\t\n;Ear=\t\n"));
    if (!error) {
        return {};
    }
    return Failure{"Quorvex could not write this run's header to the log '" + path + "': " + error.message()
                   + ". The run goes on; the results file is not affected."};
}

Result<> CheckResultsFile(const std::string& path)
{
    const std::error_code error = CheckAppendable(path);
    if (!error) {
        return {};
    }
    return Failure{"The results file '" + path + "' cannot be opened for appending: " + error.message()
                   + ". The run goes on and keeps its points in memory; they reach the file at the end of the run "
                     "only if it can be written then."};
}
