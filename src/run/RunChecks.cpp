#include "RunChecks.h"

#include "CalibrationLevels.h"
#include "FreqPointCount.h"
#include "NumberFormat.h"
#include "PlainText.h"
#include "StimulusLimits.h"

#include <cmath>
#include <utility>

Result<> CheckRunConditions(const SharedState& state, char decimalSeparator)
{
    if (!state.HasConditions()) {
        return Failure{"Load a test-condition file with \"Parameters\" before starting a run."};
    }
    const TestCondition& c = state.Current();
    const auto number = [decimalSeparator](double value) { return FormatForDisplay(value, decimalSeparator); };
    const auto refuse = [](const std::string& reason) {
        return Result<>(Failure{"The run cannot start: " + reason});
    };

    // The names go into one line of the results file's header, and into file names.
    std::string resultsName = state.ResultsFileName;
    if (resultsName.ends_with(".dat")) {
        resultsName.resize(resultsName.size() - 4);
    }
    if (resultsName.empty()) {
        return refuse("the results name is empty; the results would go to hidden files named \".dat\" and \".csv\". "
                      "Type a results name.");
    }
    for (const auto& [what, text] : {std::pair{"results name", resultsName}, {"subject name", state.SubjectName}}) {
        if (const Result<> line = CheckOneLine(text); !line) {
            return refuse(std::string("the ") + what + " holds " + line.Reason() + ", which cannot be written on the "
                          "one line the results file gives it.");
        }
    }

    if (const Result<> details = CheckListenerDetails(state.Listener); !details) {
        return refuse(details.Reason() + ". Correct it under File, Listener details.");
    }

    const std::pair<const char*, float> values[] = {
        {"ToneF", c.ToneF},     {"StartF", c.StartF}, {"EndF", c.EndF},       {"FStep", c.FStep},
        {"MaskerBW", c.MaskerBW}, {"SPLstep", c.SPLstep}, {"MaxSPL", c.MaxSPL}, {"ToneSPL", c.ToneSPL},
        {"MaskStartSPL", c.MaskStartSPL}, {"ModFreq", state.Settings.ModFreq}};
    for (const auto& [name, value] : values) {
        if (!std::isfinite(value)) {
            return refuse(std::string(name) + " is " + number(value) + ", which is not a finite number.");
        }
    }
    if (!(c.StartF > 0.0f)) {
        return refuse("the start frequency StartF is " + number(c.StartF) + " Hz; it must be above 0 Hz.");
    }
    if (!(c.FStep > 0.0f)) {
        return refuse("the frequency step FStep is " + number(c.FStep) + " Hz; it must be above 0 Hz.");
    }
    if (c.EndF < c.StartF) {
        return refuse("the end frequency EndF (" + number(c.EndF) + " Hz) is below the start frequency StartF ("
                      + number(c.StartF) + " Hz).");
    }
    if (FreqPointCount(c) < 1) {
        return refuse("StartF " + number(c.StartF) + ", EndF " + number(c.EndF) + " and FStep " + number(c.FStep)
                      + " give no usable number of masker frequencies.");
    }
    // The masker frequency is a 32-bit float: near EndF a step below half its spacing there
    // leaves it where it is, and the sweep would never end.
    const float above = c.EndF + c.FStep;
    const float below = c.EndF - c.FStep;
    if (!(above > c.EndF && below < c.EndF)) {
        return refuse("the frequency step FStep (" + number(c.FStep) + " Hz) is too small to change a masker "
                      "frequency of EndF (" + number(c.EndF) + " Hz); the sweep would never end.");
    }
    if (state.Settings.ISI < 0) {
        return refuse("the pause between presentations ISI is " + std::to_string(state.Settings.ISI)
                      + " ms; it must not be negative.");
    }
    if (const Result<> stimulus = CheckRunStimulus(state.Settings, c, decimalSeparator); !stimulus) {
        return refuse(stimulus.Reason() + ".");
    }
    if (const Result<> tone = CheckCorrectedTone(state, decimalSeparator); !tone) {
        return refuse(tone.Reason() + ".");
    }
    return {};
}

Result<> CheckThresholdRun(const SharedState& state, char decimalSeparator)
{
    if (const Result<> run = CheckRunConditions(state, decimalSeparator); !run) {
        return run;
    }
    const ExperimentSettings& s = state.Settings;
    const auto number = [decimalSeparator](double value) { return FormatForDisplay(value, decimalSeparator); };
    const auto refuse = [](const std::string& reason) { return Result<>(Failure{"The threshold run cannot start: " + reason}); };
    if (!std::isfinite(s.ThresholdStartSPL) || s.ThresholdStartSPL > s.CalibFactor) {
        return refuse("ThresholdStartSPL is " + number(s.ThresholdStartSPL) + " dB SPL; it must be a number no higher than "
                      "CalibFactor (" + number(s.CalibFactor) + " dB SPL).");
    }
    if (!(s.ThresholdStep > 0.0f) || !std::isfinite(s.ThresholdStep)) {
        return refuse("the level step ThresholdStep is " + number(s.ThresholdStep) + " dB; it must be above 0 dB.");
    }
    if (s.ThresholdReversals < 1) {
        return refuse("ThresholdReversals is " + std::to_string(s.ThresholdReversals) + "; a run needs at least one reversal.");
    }
    if (!(s.ThresholdTimeLimit > 0.0f) || !std::isfinite(s.ThresholdTimeLimit)) {
        return refuse("the time limit ThresholdTimeLimit is " + number(s.ThresholdTimeLimit) + " s; it must be above 0 s.");
    }
    return {};
}
