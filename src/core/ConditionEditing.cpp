#include "ConditionEditing.h"

#include "FreqPointCount.h"
#include "NumberParse.h"

#include <algorithm>
#include <cmath>

void ApplyParameterSet(SharedState& state, ParameterSet parameters)
{
    state.Settings = std::move(parameters.Settings);
    state.Conditions = std::move(parameters.Conditions);
    state.CurrentCondition = 0;
}

void PreviousCondition(SharedState& state)
{
    state.CurrentCondition = std::max(state.CurrentCondition - 1, 0);
}

void NextCondition(SharedState& state)
{
    const int last = static_cast<int>(state.Conditions.size()) - 1;
    state.CurrentCondition = std::max(std::min(state.CurrentCondition + 1, last), 0);
}

Result<> StoreEditedValue(SharedState& state, ConditionField field, const std::string& text, char decimalSeparator)
{
    const auto value = ParseReal(text, decimalSeparator);
    if (!value) {
        return Failure{"'" + text + "' is not a valid floating point value"};
    }
    TestCondition& c = state.Current();
    switch (field) {
    case ConditionField::ToneF: c.ToneF = *value; break;
    case ConditionField::StartF: c.StartF = *value; break;
    case ConditionField::EndF: c.EndF = *value; break;
    case ConditionField::FStep: c.FStep = *value; break;
    case ConditionField::MaskerBW: c.MaskerBW = *value; break;
    case ConditionField::SPLstep: c.SPLstep = *value; break;
    case ConditionField::MaxSPL: c.MaxSPL = *value; break;
    }
    if (field == ConditionField::StartF || field == ConditionField::EndF || field == ConditionField::FStep) {
        state.FreqPointCount = FreqPointCount(c);
    }
    return {};
}

void SetToneLevelFromTrackBar(SharedState& state, int position)
{
    state.Current().ToneSPL = static_cast<float>(position);
}

int TrackBarPositionFor(float toneSPL)
{
    if (!std::isfinite(toneSPL)) {
        return toneSPL > 0 ? 100 : 0;
    }
    return static_cast<int>(std::clamp(std::trunc(toneSPL), 0.0f, 100.0f));
}
