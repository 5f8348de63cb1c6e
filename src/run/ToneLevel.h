#pragma once

#include "RecordedRuns.h"
#include "Result.h"
#include "SharedState.h"

#include <optional>
#include <string>

// A tone given in dB SL (ToneSL) is played at the listener's threshold in quiet plus ToneSL:
// the latest threshold run of the subject, ear and ToneF in the session record that gave an
// estimate and was neither ended nor rejected.
struct ResolvedTone {
    float ToneSL = 0.0f;
    float ToneSPL = 0.0f;    // the level played: whole dB in KC35 mode, as the attenuator sets it
    double Threshold = 0.0;  // dB SPL
    std::string ThresholdRun;  // its run identifier
    std::string Measured;      // "10:42", or "2026-12-07 10:42" on another day
    // "measured before this session", "measured with the calibration profile 'Booth B'"...;
    // empty when it was measured in this session (or today, outside one) with this calibration.
    std::string Caution;
};

// The tone of `state`'s current condition at its ToneSL against `record`; `sessionId` is the
// session the run belongs to (empty outside one), `today` the local date "YYYY-MM-DD". Refused
// with what to do when there is no threshold on record.
Result<ResolvedTone> ResolveToneSL(const RecordedRuns& record, const SharedState& state, const std::string& sessionId,
                                   const std::string& today);
// The same against the session record of `state.ResultsFileName`, today.
Result<ResolvedTone> ResolveToneSL(const SharedState& state, const std::string& sessionId);

// The current condition of `state` as a run would play it now: a tone in dB SL at the level
// resolved against the session record; nothing when it is in dB SL and no threshold is on record.
std::optional<TestCondition> CurrentConditionAsPlayed(const SharedState& state);

// "10 dB SL = 47.5 dB SPL (threshold 37.5 dB SPL, measured 10:42)", with the caution after it.
std::string DescribeTone(const ResolvedTone& tone);
