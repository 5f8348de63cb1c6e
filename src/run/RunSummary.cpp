#include "RunSummary.h"

#include "NumberFormat.h"
#include "StimulusResolution.h"

#include <cmath>
#include <string>

namespace {

std::string Count(std::int64_t n)
{
    return std::to_string(n);
}

std::string LateStimuli(const RunOutcome& report)
{
    if (report.LateStimuli == 0) {
        return "Stimuli late: none.";
    }
    const std::string cause =
        report.Kc35NeedsIsiMs > 0
            ? "in KC35 mode the level command waits for the stimulus before to end, and this sound device needs an "
              "ISI of about " + Count(report.Kc35NeedsIsiMs)
                  + " ms for it (its output latency and the command's time on the line)"
            : "because the computer was too busy to prepare them in time";
    return Count(report.LateStimuli) + " of the " + Count(report.Trials)
           + " stimuli of this run started late, by up to "
           + Count(static_cast<std::int64_t>(std::ceil(report.MostLateMs)))
           + " ms: the silence before them was longer than the ISI, " + cause + ". The points recorded were kept.";
}

std::string Dropouts(const RunOutcome& report)
{
    if (report.DropoutTrials.empty()) {
        return "Dropouts: none.";
    }
    std::string trials;
    for (const std::int64_t trial : report.DropoutTrials) {
        trials += (trials.empty() ? "" : ", ") + Count(trial);
    }
    return Count(static_cast<std::int64_t>(report.DropoutTrials.size())) + " of the " + Count(report.Trials)
           + " stimuli of this run were played with a dropout: the sound device lost part of them, so the listener "
             "heard a gap (trials "
           + trials + "). The points recorded were kept; consider repeating the run.";
}

std::string FilesWritten(const RunOutcome& report)
{
    std::string files;
    for (const std::string& file : report.FilesWritten) {
        files += (files.empty() ? "" : ", ") + file;
    }
    return "Files written: " + (files.empty() ? std::string("none") : files) + ".";
}

}  // namespace

namespace {

bool TooQuiet(const RunOutcome& report)
{
    return !report.QuietestStimulus.empty() && report.QuietestBits < FewestEffectiveBits;
}


// A threshold run's result: the estimate with its spread, or why there is none.
std::string ThresholdLine(const RunOutcome& report)
{
    if (!report.Threshold) {
        return "No threshold: the listener's key made no reversal in " + Count(report.Trials)
               + " trials. The run does not count; measure it again.";
    }
    std::string levels;
    for (const float level : report.Reversals) {
        if (!levels.empty()) {
            levels += ", ";
        }
        levels += FormatShortest(level);
    }
    return "Threshold: " + FormatDb(report.Threshold->Level) + " dB SPL (SD " + FormatDb(report.Threshold->Sd)
           + " dB over the last " + Count(report.Threshold->Averaged) + " of " + Count(static_cast<std::int64_t>(report.Reversals.size()))
           + " reversals, from " + Count(report.Trials) + " trials). Reversals at " + levels + " dB SPL.";
}

bool ThresholdDoubtful(const RunOutcome& report)
{
    return report.Kind == RunKind::Threshold && (!report.Threshold || !report.ThresholdFlags.empty());
}

}  // namespace

bool RunHadProblems(const RunOutcome& report)
{
    return ThresholdDoubtful(report) || report.FailedPresentations > 0 || report.LateStimuli > 0 || !report.DropoutTrials.empty()
           || !report.ResultsError.empty() || !report.RecordError.empty() || !report.TrialLogError.empty()
           || !report.TestLogError.empty() || !report.Error.empty() || TooQuiet(report);
}

std::vector<std::string> RunSummary(const RunOutcome& report)
{
    std::vector<std::string> lines;
    if (report.Kind == RunKind::Threshold) {
        lines.push_back(ThresholdLine(report));
        lines.insert(lines.end(), report.ThresholdFlags.begin(), report.ThresholdFlags.end());
    } else {
        lines.push_back("Points stored: " + Count(report.StoredPoints) + ", from " + Count(report.Trials) + " trials.");
    }
    if (!report.ToneLevel.empty()) {
        lines.push_back("Tone: " + report.ToneLevel + ".");
    }
    if (report.FailedPresentations > 0) {
        lines.push_back(Count(report.FailedPresentations) + " of the " + Count(report.Trials)
                        + " stimuli of this run could not be played by the sound device, so the listener did not "
                          "hear them. The points recorded were kept.");
    }
    lines.push_back(LateStimuli(report));
    lines.push_back(Dropouts(report));
    lines.push_back(FilesWritten(report));
    if (TooQuiet(report)) {
        lines.push_back(QuietStimulusWarning(report.QuietestStimulus, report.QuietestBits, report.SampleBits));
    }
    for (const std::string* error : {&report.ResultsNotice, &report.ResultsError, &report.RecordError,
                                     &report.TrialLogError, &report.DictionaryError, &report.TestLogError}) {
        if (!error->empty()) {
            lines.push_back(*error);
        }
    }
    if (!report.Error.empty()) {
        lines.push_back("The run was stopped by an error: " + report.Error + "\nThe " + Count(report.StoredPoints)
                        + " points recorded before it were kept.");
    }
    return lines;
}
