#include "StudyFile.h"

#include "IniFile.h"
#include "ListenerModel.h"
#include "NumberParse.h"
#include "WholeFile.h"

#include <algorithm>
#include <functional>

namespace {

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> items;
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        std::string item = text.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
        const auto first = item.find_first_not_of(" \t");
        const auto last = item.find_last_not_of(" \t");
        items.push_back(first == std::string::npos ? std::string() : item.substr(first, last - first + 1));
        if (comma == std::string::npos) {
            return items;
        }
        from = comma + 1;
    }
}

// The values of a grid key, each read by `parse`; an absent or empty key gives `fallback`.
template <typename T>
std::optional<std::vector<T>> GridList(const IniFile& ini, const char* key, T fallback,
                                       const std::function<std::optional<T>(const std::string&)>& parse,
                                       std::string& error)
{
    const std::optional<std::string> text = ini.Value("Grid", key);
    if (!text || text->empty()) {
        return std::vector<T>{fallback};
    }
    std::vector<T> values;
    for (const std::string& item : SplitList(*text)) {
        const std::optional<T> value = parse(item);
        if (!value) {
            error = std::string("[Grid] ") + key + " = " + *text + ": '" + item + "' is not a usable value";
            return std::nullopt;
        }
        values.push_back(*value);
    }
    return values;
}

std::optional<float> PositiveReal(const std::string& text)
{
    const std::optional<float> value = ParseReal(text, '.');
    return value && *value > 0.0f ? value : std::nullopt;
}

std::optional<int> StudyInteger(const IniFile& ini, const char* key, int least, std::string& error)
{
    const std::optional<std::string> text = ini.Value("Study", key);
    const std::optional<int> value = text ? ParseInteger(*text) : std::nullopt;
    if (!value || *value < least) {
        error = std::string("[Study] ") + key + " = " + text.value_or("") + ": a whole number of at least "
                + std::to_string(least) + " is needed";
        return std::nullopt;
    }
    return value;
}

}  // namespace

int StudyPlan::Tasks() const
{
    return static_cast<int>((Runs() + RunsPerTask - 1) / RunsPerTask);
}

std::int64_t StudyPlan::TaskFirstRun(int task) const
{
    return static_cast<std::int64_t>(task) * RunsPerTask;
}

std::int64_t StudyPlan::TaskEndRun(int task) const
{
    return std::min(Runs(), TaskFirstRun(task) + RunsPerTask);
}

std::filesystem::path StudyPlan::TaskFolder() const
{
    std::filesystem::path folder = StudyPath;
    folder.replace_filename(StudyPath.stem().string() + "-tasks");
    return folder;
}

std::filesystem::path StudyPlan::TaskFile(int task) const
{
    std::string name = std::to_string(task);
    name.insert(0, name.size() < 6 ? 6 - name.size() : 0, '0');
    return TaskFolder() / ("task-" + name + ".csv");
}

std::uint32_t StudyRunSeed(std::uint32_t masterSeed, std::int64_t globalRun)
{
    std::uint64_t z = (std::uint64_t{masterSeed} << 32) + static_cast<std::uint64_t>(globalRun) + 0x9E3779B97F4A7C15u;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    z ^= z >> 31;
    const auto seed = static_cast<std::uint32_t>(z);
    return seed == 0 ? 1 : seed;
}

std::optional<StudyPlan> LoadStudy(const std::filesystem::path& path, std::string& error)
{
    const WholeFile file = ReadWholeFile(path.string());
    if (file.Error) {
        error = "cannot read '" + path.string() + "': " + file.Error.message();
        return std::nullopt;
    }
    const IniFile ini = IniFile::FromText(file.Text);
    StudyPlan plan;
    plan.StudyPath = path;
    for (const std::string& key : ini.Keys("Study")) {
        if (key != "conditions" && key != "condition" && key != "replications" && key != "seed"
            && key != "runspertask") {
            error = "[Study] has no key '" + key + "' (Conditions, Condition, Replications, Seed, RunsPerTask)";
            return std::nullopt;
        }
    }
    for (const std::string& key : ini.Keys("Grid")) {
        if (key != "splstep" && key != "fstep" && key != "maskerbw" && key != "direction" && key != "noise"
            && key != "criterion") {
            error = "[Grid] has no key '" + key + "' (SPLstep, FStep, MaskerBW, Direction, Noise, Criterion)";
            return std::nullopt;
        }
    }
    const std::optional<std::string> conditions = ini.Value("Study", "Conditions");
    if (!conditions || conditions->empty()) {
        error = "[Study] Conditions names no test-condition file";
        return std::nullopt;
    }
    plan.ConditionsPath = path.parent_path() / *conditions;
    const auto condition = StudyInteger(ini, "Condition", 1, error);
    const auto replications = condition ? StudyInteger(ini, "Replications", 1, error) : std::nullopt;
    const auto seed = replications ? StudyInteger(ini, "Seed", 0, error) : std::nullopt;
    if (!seed) {
        return std::nullopt;
    }
    plan.Condition = *condition;
    plan.Replications = *replications;
    plan.Seed = static_cast<std::uint32_t>(*seed);
    if (ini.Value("Study", "RunsPerTask")) {
        const auto perTask = StudyInteger(ini, "RunsPerTask", 1, error);
        if (!perTask) {
            return std::nullopt;
        }
        plan.RunsPerTask = *perTask;
    }

    const WholeFile base = ReadWholeFile(plan.ConditionsPath.string());
    if (base.Error) {
        error = "[Study] Conditions: cannot read '" + plan.ConditionsPath.string() + "': " + base.Error.message();
        return std::nullopt;
    }
    const ParameterLoad load = LoadParameters(IniFile::FromText(base.Text), plan.ConditionsPath.string(), '.');
    if (!load.Loaded) {
        error = "[Study] Conditions: " + load.Error;
        return std::nullopt;
    }
    if (!load.Unreadable.empty()) {
        error = "[Study] Conditions: '" + plan.ConditionsPath.string() + "': "
                + DescribeUnreadableValue(load.Unreadable.front());
        return std::nullopt;
    }
    plan.Base = load.Parameters;
    if (plan.Condition > static_cast<int>(plan.Base.Conditions.size())) {
        error = "[Study] Condition = " + std::to_string(plan.Condition) + ": the file has "
                + std::to_string(plan.Base.Conditions.size()) + " conditions";
        return std::nullopt;
    }
    const TestCondition& c = plan.Base.Conditions[static_cast<std::size_t>(plan.Condition - 1)];
    const ListenerSettings listener;
    const std::function<std::optional<float>(const std::string&)> positive = PositiveReal;
    const auto splSteps = GridList<float>(ini, "SPLstep", c.SPLstep, positive, error);
    const auto fSteps = splSteps ? GridList<float>(ini, "FStep", c.FStep, positive, error) : std::nullopt;
    const auto bandwidths = fSteps ? GridList<float>(ini, "MaskerBW", c.MaskerBW, positive, error) : std::nullopt;
    const auto directions =
        bandwidths ? GridList<Sweep>(ini, "Direction", Sweep::Up,
                                     [](const std::string& text) { return DirectionFromName(text); }, error)
                   : std::nullopt;
    const auto noises = directions ? GridList<double>(ini, "Noise", listener.NoiseDb,
                                                      [](const std::string& text) -> std::optional<double> {
                                                          const auto v = ParseReal(text, '.');
                                                          return v && *v >= 0.0f ? std::optional<double>(*v)
                                                                                 : std::nullopt;
                                                      },
                                                      error)
                                   : std::nullopt;
    const auto criteria = noises ? GridList<double>(ini, "Criterion", listener.CriterionDb,
                                                    [](const std::string& text) -> std::optional<double> {
                                                        const auto v = ParseReal(text, '.');
                                                        return v ? std::optional<double>(*v) : std::nullopt;
                                                    },
                                                    error)
                                 : std::nullopt;
    if (!criteria) {
        return std::nullopt;
    }
    for (const float splStep : *splSteps) {
        for (const float fStep : *fSteps) {
            for (const float bandwidth : *bandwidths) {
                for (const Sweep direction : *directions) {
                    for (const double noise : *noises) {
                        for (const double criterion : *criteria) {
                            plan.Cells.push_back({splStep, fStep, bandwidth, direction, noise, criterion});
                        }
                    }
                }
            }
        }
    }
    return plan;
}
