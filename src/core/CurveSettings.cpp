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
        // A tone set above threshold is the same measurement at whatever SPL the threshold gives.
        c.ToneSL ? NamedSetting{"ToneSL", FormatShortest(*c.ToneSL)} : NamedSetting{"ToneSPL", FormatShortest(c.ToneSPL)},
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
    const auto find = [](const std::vector<NamedSetting>& settings, const std::string& name) {
        return std::find_if(settings.begin(), settings.end(), [&name](const NamedSetting& s) { return s.first == name; });
    };
    for (const NamedSetting& setting : a) {
        const auto other = find(b, setting.first);
        const std::string otherValue = other == b.end() ? "none" : other->second;
        if (otherValue != setting.second) {
            add(setting.first, setting.second, otherValue);
        }
    }
    for (const NamedSetting& setting : b) {
        if (find(a, setting.first) == a.end()) {
            add(setting.first, "none", setting.second);
        }
    }
    return differences.empty() ? std::nullopt : std::optional<std::string>(differences);
}
