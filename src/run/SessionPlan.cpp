#include "SessionPlan.h"

#include "CurveSettings.h"
#include "NumberFormat.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view Separator = "; ";

std::string Fingerprint(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char byte : text) {
        hash = (hash ^ byte) * 1099511628211ULL;
    }
    std::array<char, 17> hex{};
    std::snprintf(hex.data(), hex.size(), "%016llx", static_cast<unsigned long long>(hash));
    return hex.data();
}

std::vector<std::pair<std::string, std::string>> Entries(std::string_view text)
{
    std::vector<std::pair<std::string, std::string>> entries;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(Separator), text.size());
        const std::string_view entry = text.substr(0, end);
        const std::size_t equals = entry.find('=');
        if (equals != std::string_view::npos) {
            entries.emplace_back(std::string(entry.substr(0, equals)), std::string(entry.substr(equals + 1)));
        }
        text.remove_prefix(std::min(text.size(), end + Separator.size()));
    }
    return entries;
}

}  // namespace

SessionPlan PlanSession(const SessionProtocol& protocol, const ExperimentSettings& settings,
                        const std::vector<TestCondition>& conditions)
{
    SessionPlan plan;
    plan.Seed = protocol.Shuffled ? std::to_string(protocol.Seed) : std::string();
    std::vector<std::pair<std::string, std::string>> entries = {
        {"runs", std::to_string(protocol.Runs.size())},
        {"order", protocol.Shuffled ? "shuffled" : "listed"},
    };
    if (protocol.Shuffled) {
        entries.emplace_back("seed", plan.Seed);
    }
    std::set<int> used;
    for (std::size_t k = 0; k < protocol.Runs.size(); ++k) {
        const SessionRun& run = protocol.Runs[k];
        used.insert(run.Condition);
        entries.emplace_back("run " + std::to_string(k + 1),
                             run.Kind == RunKind::Threshold
                                 ? "threshold condition " + std::to_string(run.Condition) + " " + EarName(run.Ear)
                                 : "condition " + std::to_string(run.Condition) + " " + EarName(run.Ear) + " "
                                       + DirectionName(run.SweepDirection) + (run.Practice ? " practice" : ""));
    }
    // The threshold track's settings, where the session measures thresholds.
    if (std::any_of(protocol.Runs.begin(), protocol.Runs.end(),
                    [](const SessionRun& run) { return run.Kind == RunKind::Threshold; })) {
        entries.emplace_back("ThresholdStartSPL", FormatShortest(settings.ThresholdStartSPL));
        entries.emplace_back("ThresholdStep", FormatShortest(settings.ThresholdStep));
        entries.emplace_back("ThresholdReversals", std::to_string(settings.ThresholdReversals));
        entries.emplace_back("ThresholdTimeLimit", FormatShortest(settings.ThresholdTimeLimit));
    }
    for (const int condition : used) {
        if (condition < 1 || static_cast<std::size_t>(condition) > conditions.size()) {
            continue;
        }
        for (const auto& [name, value] : CurveSettings(conditions[static_cast<std::size_t>(condition - 1)], settings)) {
            entries.emplace_back("condition " + std::to_string(condition) + " " + name, value);
        }
    }
    for (const auto& [key, value] : entries) {
        plan.Text += (plan.Text.empty() ? "" : std::string(Separator)) + key + "=" + value;
    }
    plan.Fingerprint = Fingerprint(plan.Text);
    return plan;
}

std::vector<std::string> PlanChanges(const std::string& recorded, const std::string& current)
{
    const auto then = Entries(recorded);
    const auto now = Entries(current);
    const auto value = [](const auto& entries, const std::string& key) -> std::string {
        for (const auto& [k, v] : entries) {
            if (k == key) {
                return v;
            }
        }
        return "none";
    };
    std::vector<std::string> changes;
    std::set<std::string> seen;
    for (const auto* entries : {&then, &now}) {
        for (const auto& [key, ignored] : *entries) {
            if (!seen.insert(key).second) {
                continue;
            }
            const std::string was = value(then, key);
            const std::string is = value(now, key);
            if (was != is) {
                changes.push_back(key + ": " + was + " then, " + is + " now");
            }
        }
    }
    return changes;
}
