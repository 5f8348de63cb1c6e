#pragma once

#include "ParameterFile.h"
#include "SharedState.h"

#include <stdexcept>
#include <string>

// The operations behind the set-up window's parameter controls. They change the shared
// state only; showing the result is the window's job.

// Text that is not a number, typed into a parameter edit. The message is what the operator sees.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which field of the current condition a parameter edit holds.
enum class ConditionField { ToneF, StartF, EndF, FStep, MaskerBW, SPLstep, MaxSPL };

// Takes a successful load into the state: settings, a new condition table, the first
// condition current. Nothing else (ear, names, results) changes.
void ApplyParameterSet(SharedState& state, ParameterSet parameters);

// "<--" and "-->": move within the table without wrapping.
void PreviousCondition(SharedState& state);
void NextCondition(SharedState& state);

// Stores the edit's text into the current condition as a 32-bit float. Throws EConvertError
// ("'abc' is not a valid floating point value") and changes nothing when it is not a number.
// The frequency fields also recompute FreqPointCount.
void StoreEditedValue(SharedState& state, ConditionField field, const std::string& text, char decimalSeparator);

// The track bar's action: ToneSPL becomes the bar's whole-number position.
void SetToneLevelFromTrackBar(SharedState& state, int position);

// Where the track bar stands for a tone level: truncated toward zero, kept within 0..100.
int TrackBarPositionFor(float toneSPL);
