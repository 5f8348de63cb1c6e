#include "CurveSettings.h"

#include "NumberFormat.h"
#include "RunChoices.h"

#include <algorithm>

std::vector<NamedSetting> CurveSettings(const TestCondition& c, const ExperimentSettings& s)
{
    std::vector<NamedSetting> named = {
        {"ToneF", FormatShortest(c.ToneF)},
        {"StartF", FormatShortest(c.StartF)},
        {"EndF", FormatShortest(c.EndF)},
        {"FStep", FormatShortest(c.FStep)},
        {"MaskerBW", FormatShortest(c.MaskerBW)},
        {"SPLstep", FormatShortest(c.SPLstep)},
        {"MaxSPL", FormatShortest(c.MaxSPL)},
        {"ToneSPL", FormatShortest(c.ToneSPL)},
        {"MaskStartSPL", FormatShortest(c.MaskStartSPL)},
        {"CalibFactor", FormatShortest(s.CalibFactor)},
        {"ToneDuration", FormatShortest(s.ToneDuration)},
        {"MaskerDuration", FormatShortest(s.MaskerDuration)},
        {"ISI", std::to_string(s.ISI)},
        {"RiseFall", FormatShortest(s.RiseFall)},
        {"Modulated", std::to_string(s.Modulated)},
    };
    if (s.Modulated != 0) {
        named.emplace_back("ModFreq", FormatShortest(s.ModFreq));
    }
    named.emplace_back("Attenuator", AttenuatorName(s.Attenuator));
    return named;
}

std::optional<std::string> Differences(const std::vector<NamedSetting>& a, const std::vector<NamedSetting>& b)
{
    std::string differences;
    const auto add = [&differences](const std::string& name, const std::string& first, const std::string& second) {
        differences += (differences.empty() ? "" : ", ") + name + " " + first + " and " + second;
    };
    for (const auto& [name, value] : a) {
        const auto other = std::find_if(b.begin(), b.end(), [&name](const NamedSetting& s) { return s.first == name; });
        const std::string otherValue = other == b.end() ? "none" : other->second;
        if (otherValue != value) {
            add(name, value, otherValue);
        }
    }
    for (const auto& [name, value] : b) {
        if (std::none_of(a.begin(), a.end(), [&name](const NamedSetting& s) { return s.first == name; })) {
            add(name, "none", value);
        }
    }
    return differences.empty() ? std::nullopt : std::optional<std::string>(differences);
}
