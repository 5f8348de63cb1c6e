#include "SessionProtocol.h"

#include "AsciiText.h"
#include "IniFile.h"
#include "NumberParse.h"
#include "ParameterFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>

namespace {

const char* const Section = "Session";

// A protocol that cannot be run; the message names the key and the value.
class Refusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& key, const std::string& value, const std::string& why)
{
    throw Refusal("[Session] " + key + (value.empty() ? "" : " = " + value) + ": " + why);
}

// The comma-separated items of a value, blanks around each removed; an empty item is refused.
std::vector<std::string> Items(const std::string& key, const std::string& value)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = value.find(',', start);
        items.push_back(std::string(TrimBlanks(value.substr(start, comma == std::string::npos ? std::string::npos : comma - start))));
        if (items.back().empty()) {
            Refuse(key, value, "an item of the list is empty");
        }
        if (comma == std::string::npos) {
            return items;
        }
        start = comma + 1;
    }
}

int ConditionNumber(const std::string& key, const std::string& value, const std::string& item, int conditionCount)
{
    const std::optional<int> number = ParseInteger(item);
    if (!number || *number < 1 || *number > conditionCount) {
        Refuse(key, value, "there is no condition " + item + " (the file has " + std::to_string(conditionCount)
                               + (conditionCount == 1 ? " condition)" : " conditions)"));
    }
    return *number;
}

EarSide Ear(const std::string& key, const std::string& value, const std::string& item)
{
    const Result<EarSide> ear = ReadEar(item);
    if (!ear) {
        Refuse(key, value, ear.Reason());
    }
    return ear.Value();
}

Sweep Direction(const std::string& key, const std::string& value, const std::string& item)
{
    const Result<Sweep> direction = ReadDirection(item);
    if (!direction) {
        Refuse(key, value, direction.Reason());
    }
    return direction.Value();
}

// The value of a key, or nothing when it is absent or empty (an empty value counts as absent).
std::optional<std::string> Text(const IniFile& ini, const std::string& key)
{
    std::optional<std::string> text = ini.Value(Section, key);
    return text && !text->empty() ? text : std::nullopt;
}

// An integer with the file's rules; a value that is not one is noted and takes the default.
std::optional<int> Integer(const IniFile& ini, const std::string& key, std::vector<UnreadableValue>& unreadable)
{
    const std::optional<std::string> text = Text(ini, key);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<int> value = ParseInteger(*text);
    if (!value) {
        unreadable.push_back({Section, key, *text});
    }
    return value;
}

// The run number of a key "RunN", or nothing for another key.
std::optional<long long> RunNumber(const std::string& lowerKey)
{
    if (lowerKey.size() <= 3 || !lowerKey.starts_with("run")
        || !std::all_of(lowerKey.begin() + 3, lowerKey.end(), [](unsigned char ch) { return std::isdigit(ch); })) {
        return std::nullopt;
    }
    const std::string digits = lowerKey.substr(3);
    if (digits.front() == '0' || digits.size() > 9) {
        return digits.front() == '0' ? 0 : MaxSessionRuns + 1LL;
    }
    return std::stoll(digits);
}

std::vector<SessionRun> ExplicitRuns(const IniFile& ini, const std::map<long long, std::string>& runKeys, int conditionCount)
{
    std::vector<SessionRun> runs;
    long long expected = 1;
    for (const auto& [number, key] : runKeys) {
        const std::string name = "Run" + key.substr(3);
        if (number < 1) {
            Refuse(name, "", "runs are numbered from 1 (Run1, Run2, ...) without leading zeros");
        }
        if (number > MaxSessionRuns) {
            Refuse(name, "", "a session has at most " + std::to_string(MaxSessionRuns) + " runs");
        }
        if (number != expected) {
            Refuse(name, *Text(ini, key), "Run" + std::to_string(expected) + " is missing; runs are numbered from 1 without gaps");
        }
        const std::string value = *Text(ini, key);
        const std::vector<std::string> items = Items(name, value);
        if (items.size() == 3 && AsciiLower(items[0]) == "threshold") {
            runs.push_back({ConditionNumber(name, value, items[1], conditionCount), Ear(name, value, items[2]), Sweep::Up,
                            RunKind::Threshold});
        } else if (items.size() == 3) {
            runs.push_back({ConditionNumber(name, value, items[0], conditionCount), Ear(name, value, items[1]),
                            Direction(name, value, items[2])});
        } else {
            Refuse(name, value, "a run is written condition,ear,direction, e.g. 2,left,up, or threshold,condition,ear");
        }
        ++expected;
    }
    return runs;
}

std::vector<SessionRun> CompactRuns(const IniFile& ini, int conditionCount, std::vector<UnreadableValue>& unreadable)
{
    std::vector<int> conditions;
    if (const auto value = Text(ini, "Conditions")) {
        for (const std::string& item : Items("Conditions", *value)) {
            conditions.push_back(ConditionNumber("Conditions", *value, item, conditionCount));
        }
    } else {
        for (int c = 1; c <= conditionCount; ++c) {
            conditions.push_back(c);
        }
    }
    std::vector<EarSide> ears{EarSide::Right};
    if (const auto value = Text(ini, "Ears")) {
        ears.clear();
        for (const std::string& item : Items("Ears", *value)) {
            ears.push_back(Ear("Ears", *value, item));
        }
    }
    std::vector<Sweep> directions{Sweep::Up};
    if (const auto value = Text(ini, "Directions")) {
        directions.clear();
        for (const std::string& item : Items("Directions", *value)) {
            directions.push_back(Direction("Directions", *value, item));
        }
    }
    const int repeats = Integer(ini, "Repeats", unreadable).value_or(1);
    if (repeats < 1) {
        Refuse("Repeats", *Text(ini, "Repeats"), "a session repeats its runs at least once");
    }
    // In floating point, which no list however long overflows.
    const double count = static_cast<double>(repeats) * static_cast<double>(conditions.size())
                         * static_cast<double>(ears.size()) * static_cast<double>(directions.size());
    if (count > MaxSessionRuns) {
        Refuse("Repeats", std::to_string(repeats),
               "the session would have " + (count < 1e15 ? std::to_string(std::llround(count)) : std::string("too many"))
                   + " runs; it may have at most " + std::to_string(MaxSessionRuns));
    }
    std::vector<SessionRun> runs;
    for (int repeat = 0; repeat < repeats; ++repeat) {
        for (const int condition : conditions) {
            for (const EarSide ear : ears) {
                for (const Sweep direction : directions) {
                    runs.push_back({condition, ear, direction});
                }
            }
        }
    }
    return runs;
}

// A uniform draw from 0..bound (inclusive) by rejection, so that no value is favoured.
std::uint32_t Draw(std::mt19937& generator, std::uint32_t bound)
{
    const std::uint64_t range = std::uint64_t{bound} + 1;
    const std::uint64_t limit = (std::uint64_t{1} << 32) / range * range;
    std::uint64_t value = 0;
    do {
        value = generator();
    } while (value >= limit);
    return static_cast<std::uint32_t>(value % range);
}

}  // namespace

std::vector<SessionRun> WithThresholdsFirst(const std::vector<SessionRun>& runs, const std::vector<TestCondition>& conditions)
{
    std::vector<SessionRun> placed;
    std::set<std::pair<EarSide, float>> measured;
    for (const SessionRun& run : runs) {
        const auto condition = static_cast<std::size_t>(run.Condition - 1);
        const float toneF = condition < conditions.size() ? conditions[condition].ToneF : 0.0f;
        if (run.Kind == RunKind::Ptc && measured.insert({run.Ear, toneF}).second) {
            placed.push_back({run.Condition, run.Ear, Sweep::Up, RunKind::Threshold});
        }
        placed.push_back(run);
    }
    return placed;
}

SessionProtocol ReadSessionProtocol(const IniFile& ini, const std::vector<TestCondition>& conditions,
                                    std::vector<UnreadableValue>& unreadable)
{
    const int conditionCount = static_cast<int>(conditions.size());
    SessionProtocol protocol;
    const std::vector<std::string> keys = ini.Keys(Section);
    protocol.Present = !keys.empty();
    if (!protocol.Present) {
        return protocol;
    }
    static const std::map<std::string, std::string> compactKeys = {
        {"conditions", "Conditions"}, {"ears", "Ears"}, {"directions", "Directions"}, {"repeats", "Repeats"}};
    static const std::set<std::string> otherKeys = {"order", "seed", "restevery", "thresholds", "practice"};
    std::map<long long, std::string> runKeys;
    std::vector<std::string> ignored;
    for (const std::string& key : keys) {
        if (const auto number = RunNumber(key)) {
            if (Text(ini, key)) {
                runKeys.emplace(*number, key);
            }
        } else if (compactKeys.contains(key)) {
            ignored.push_back(compactKeys.at(key));
        } else if (!otherKeys.contains(key)) {
            protocol.Notes.push_back("[Session] " + key + " is not a key of this section; it was ignored");
        }
    }
    try {
        if (runKeys.empty()) {
            protocol.Runs = CompactRuns(ini, conditionCount, unreadable);
        } else {
            protocol.Runs = ExplicitRuns(ini, runKeys, conditionCount);
            if (!ignored.empty()) {
                std::string names;
                for (const std::string& key : ignored) {
                    names += (names.empty() ? "" : ", ") + key;
                }
                protocol.Notes.push_back("[Session] " + names + ": ignored, because Run1 to Run"
                                         + std::to_string(protocol.Runs.size()) + " give the runs");
            }
        }
        const std::string order = AsciiLower(Text(ini, "Order").value_or("listed"));
        if (order != "listed" && order != "shuffled") {
            Refuse("Order", *Text(ini, "Order"), "the order is listed or shuffled");
        }
        const std::optional<int> seed = Integer(ini, "Seed", unreadable);
        protocol.Shuffled = order == "shuffled";
        const bool thresholdItems = std::any_of(protocol.Runs.begin(), protocol.Runs.end(),
                                                [](const SessionRun& run) { return run.Kind == RunKind::Threshold; });
        if (protocol.Shuffled && thresholdItems) {
            Refuse("Order", "shuffled", "threshold runs keep their place in the session; shuffle the tuning curves "
                                        "alone and measure the thresholds with Thresholds=first");
        }
        if (protocol.Shuffled) {
            if (!seed) {
                Refuse("Order", "shuffled", "a shuffled session needs Seed (a whole number): the same seed gives the same order");
            }
            protocol.Seed = static_cast<std::uint32_t>(*seed);
            if (std::optional<std::vector<SessionRun>> apart = ShuffleRunsApart(protocol.Runs, protocol.Seed)) {
                protocol.Runs = std::move(*apart);
            } else {
                protocol.Runs = ShuffleRuns(std::move(protocol.Runs), protocol.Seed);
                protocol.Notes.push_back("[Session] Order = shuffled: more than half of the runs are the same run, so "
                                         "some of them follow their twin");
            }
        }
        const std::string thresholds = AsciiLower(Text(ini, "Thresholds").value_or("none"));
        if (thresholds != "none" && thresholds != "first") {
            Refuse("Thresholds", *Text(ini, "Thresholds"), "the thresholds are measured first, or none are");
        }
        protocol.ThresholdsFirst = thresholds == "first";
        if (protocol.ThresholdsFirst && thresholdItems) {
            Refuse("Thresholds", "first", "the runs already name their threshold runs");
        }
        if (protocol.ThresholdsFirst) {
            protocol.Runs = WithThresholdsFirst(protocol.Runs, conditions);
            if (protocol.Runs.size() > static_cast<std::size_t>(MaxSessionRuns)) {
                Refuse("Thresholds", "first", "the session would have " + std::to_string(protocol.Runs.size())
                                                  + " runs; it may have at most " + std::to_string(MaxSessionRuns));
            }
        }
        protocol.Practice = Integer(ini, "Practice", unreadable).value_or(0);
        const auto curves = std::count_if(protocol.Runs.begin(), protocol.Runs.end(),
                                          [](const SessionRun& run) { return run.Kind == RunKind::Ptc; });
        if (protocol.Practice < 0 || (protocol.Practice > 0 && protocol.Practice >= curves)) {
            Refuse("Practice", *Text(ini, "Practice"), "from 0 to " + std::to_string(curves - 1)
                                                           + " of the session's tuning curves can be practice");
        }
        int practice = protocol.Practice;
        for (SessionRun& run : protocol.Runs) {
            if (run.Kind == RunKind::Ptc && practice > 0) {
                run.Practice = true;
                --practice;
            }
        }
        protocol.RestEvery = Integer(ini, "RestEvery", unreadable).value_or(0);
        if (protocol.RestEvery < 0) {
            Refuse("RestEvery", *Text(ini, "RestEvery"), "a rest comes after every N runs, N from 0 (no rests)");
        }
    } catch (const Refusal& refusal) {
        protocol.Refusal = refusal.what();
        protocol.Runs.clear();
    }
    return protocol;
}

std::vector<SessionRun> ShuffleRuns(std::vector<SessionRun> runs, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    for (std::size_t i = runs.size(); i > 1; --i) {
        const std::uint32_t j = Draw(generator, static_cast<std::uint32_t>(i - 1));
        std::swap(runs[i - 1], runs[j]);
    }
    return runs;
}

bool TwinsAdjacent(const std::vector<SessionRun>& runs)
{
    return std::adjacent_find(runs.begin(), runs.end()) != runs.end();
}

std::optional<std::vector<SessionRun>> ShuffleRunsApart(const std::vector<SessionRun>& runs, std::uint32_t seed)
{
    std::vector<SessionRun> plain = ShuffleRuns(runs, seed);
    if (!TwinsAdjacent(plain)) {
        return plain;
    }
    // Each distinct run (a kind) with how many of it are left. An order without twins side by
    // side exists for n runs left, the first not of kind `previous`, exactly when no kind has more
    // than (n + 1) / 2 left and `previous` no more than n / 2.
    std::vector<SessionRun> kinds;
    std::vector<std::size_t> left;
    std::vector<std::size_t> kindOf;
    for (const SessionRun& run : runs) {
        const auto found = std::find(kinds.begin(), kinds.end(), run);
        if (found == kinds.end()) {
            kinds.push_back(run);
            left.push_back(0);
        }
        const auto kind = static_cast<std::size_t>(std::find(kinds.begin(), kinds.end(), run) - kinds.begin());
        ++left[kind];
        kindOf.push_back(kind);
    }
    if (*std::max_element(left.begin(), left.end()) > (runs.size() + 1) / 2) {
        return std::nullopt;
    }
    std::mt19937 generator(seed);
    std::vector<std::size_t> remaining = kindOf;  // the kinds of the runs not yet drawn, in listed order
    std::vector<SessionRun> order;
    std::optional<std::size_t> previous;
    while (!remaining.empty()) {
        const std::size_t after = remaining.size() - 1;  // runs left once this one is drawn
        // The two largest counts decide whether drawing kind k keeps an order possible.
        std::size_t first = 0;
        std::size_t second = 0;
        std::size_t firstKind = 0;
        for (std::size_t k = 0; k < left.size(); ++k) {
            if (left[k] > first) {
                second = first;
                first = left[k];
                firstKind = k;
            } else if (left[k] > second) {
                second = left[k];
            }
        }
        const auto possible = [&](std::size_t k) {
            const std::size_t othersMost = k == firstKind ? second : first;
            return k != previous && left[k] - 1 <= after / 2 && othersMost <= (after + 1) / 2;
        };
        std::vector<std::size_t> candidates;
        for (std::size_t i = 0; i < remaining.size(); ++i) {
            if (possible(remaining[i])) {
                candidates.push_back(i);
            }
        }
        const std::size_t pick = candidates[Draw(generator, static_cast<std::uint32_t>(candidates.size() - 1))];
        const std::size_t kind = remaining[pick];
        order.push_back(kinds[kind]);
        --left[kind];
        previous = kind;
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(pick));
    }
    return order;
}
