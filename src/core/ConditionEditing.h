#pragma once

#include "ParameterFile.h"
#include "Result.h"
#include "SharedState.h"

#include <string>

// The operations behind the set-up window's parameter controls. They change the shared
// state only; showing the result is the window's job.

// Which field of the current condition a parameter edit holds.
enum class ConditionField { ToneF, StartF, EndF, FStep, MaskerBW, SPLstep, MaxSPL };

// Takes a successful load into the state: settings, a new condition table, the first
// condition current. Nothing else (ear, names, results) changes.
void ApplyParameterSet(SharedState& state, ParameterSet parameters);

// "<--" and "-->": move within the table without wrapping.
void PreviousCondition(SharedState& state);
void NextCondition(SharedState& state);

// Stores the edit's text into the current condition as a 32-bit float. Text that is not a
// number changes nothing and is refused with what the operator sees ("'abc' is not a valid
// floating point value"). The frequency fields also recompute FreqPointCount.
Result<> StoreEditedValue(SharedState& state, ConditionField field, const std::string& text, char decimalSeparator);

// The track bar's action: ToneSPL becomes the bar's whole-number position.
void SetToneLevelFromTrackBar(SharedState& state, int position);

// Where the track bar stands for a tone level: truncated toward zero, kept within 0..100.
int TrackBarPositionFor(float toneSPL);
