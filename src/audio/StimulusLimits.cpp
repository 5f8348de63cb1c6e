#include "StimulusLimits.h"

#include "NumberFormat.h"
#include "SharedState.h"
#include "Stimuli.h"

#include <cmath>

namespace {

constexpr float NyquistHz = SharedState::SampleRate * 0.5f;

class Checker {
public:
    explicit Checker(char decimalSeparator) : separator_(decimalSeparator) {}

    std::string Number(float value) const { return FormatForDisplay(value, separator_); }

    // A duration that is finite, not negative and not longer than the reservoir.
    void Duration(const char* name, float ms)
    {
        if (!outcome_) {
            return;
        }
        if (!std::isfinite(ms)) {
            outcome_ = Failure{std::string(name) + " is not a finite number of milliseconds"};
        } else if (ms < 0.0f) {
            outcome_ = Failure{std::string(name) + " (" + Number(ms) + " ms) is negative"};
        } else if (ms > LongestStimulusMs) {
            outcome_ = Failure{std::string(name) + " (" + Number(ms) + " ms) is longer than the noise reservoir ("
                               + Number(LongestStimulusMs) + " ms)"};
        }
    }

    // `shorterName` must not exceed `longerName`.
    void NotLonger(const char* shorterName, float shorter, const char* longerName, float longer)
    {
        if (outcome_ && shorter > longer) {
            outcome_ = Failure{std::string(shorterName) + " (" + Number(shorter) + " ms) is longer than " + longerName
                               + " (" + Number(longer) + " ms)"};
        }
    }

    // A tone the sample rate can carry: below half of it, or it comes out aliased.
    void ToneFrequency(float hz)
    {
        Require(!(hz >= NyquistHz), "ToneF (" + Number(hz) + " Hz) is not below half the sample rate ("
                                        + Number(NyquistHz) + " Hz); it would be played at a wrong frequency");
    }

    void Require(bool holds, const std::string& message)
    {
        if (outcome_ && !holds) {
            outcome_ = Failure{message};
        }
    }

    const Result<>& Outcome() const { return outcome_; }

private:
    char separator_;
    Result<> outcome_;  // the first refusal
};

}  // namespace

Result<> CheckRunStimulus(const ExperimentSettings& settings, const TestCondition& condition, char decimalSeparator)
{
    Checker check(decimalSeparator);
    check.Duration("MaskerDuration", settings.MaskerDuration);
    check.Duration("ToneDuration", settings.ToneDuration);
    check.Duration("RiseFall", settings.RiseFall);
    check.NotLonger("ToneDuration", settings.ToneDuration, "MaskerDuration", settings.MaskerDuration);
    check.Require(settings.ToneDuration >= RunToneRampMs,
                  "ToneDuration (" + check.Number(settings.ToneDuration) + " ms) is shorter than the tone's "
                      + check.Number(RunToneRampMs) + " ms ramps");
    check.NotLonger("RiseFall", settings.RiseFall, "MaskerDuration", settings.MaskerDuration);
    check.Require(std::isfinite(condition.MaskerBW) && condition.MaskerBW >= 0.0f
                      && condition.MaskerBW * 0.5f < NyquistHz,
                  "MaskerBW (" + check.Number(condition.MaskerBW) + " Hz) must be at least 0 and below "
                      + check.Number(2.0f * NyquistHz) + " Hz");
    check.ToneFrequency(condition.ToneF);
    const double bandTop = static_cast<double>(condition.EndF) + condition.MaskerBW * 0.5;
    check.Require(!(bandTop > NyquistHz),
                  "the masker band reaches EndF + MaskerBW/2 = " + check.Number(static_cast<float>(bandTop))
                      + " Hz, above half the sample rate (" + check.Number(NyquistHz)
                      + " Hz); it would be played at wrong frequencies");
    return check.Outcome();
}

Result<> CheckPreviewTone(const ExperimentSettings& settings, const TestCondition& condition, char decimalSeparator)
{
    Checker check(decimalSeparator);
    check.Duration("ToneDuration", settings.ToneDuration);
    check.Duration("RiseFall", settings.RiseFall);
    check.NotLonger("RiseFall", settings.RiseFall, "ToneDuration", settings.ToneDuration);
    check.ToneFrequency(condition.ToneF);
    return check.Outcome();
}

Result<> CheckToneFrequency(const TestCondition& condition, char decimalSeparator)
{
    Checker check(decimalSeparator);
    check.ToneFrequency(condition.ToneF);
    return check.Outcome();
}
