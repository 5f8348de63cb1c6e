#include "StudyFile.h"

#include "IniFile.h"
#include "ListenerModel.h"
#include "NumberFormat.h"
#include "NumberParse.h"
#include "WholeFile.h"

#include <algorithm>
#include <functional>
#include <map>

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
Result<std::vector<T>> GridList(const IniFile& ini, const char* key, T fallback,
                                const std::function<Result<T>(const std::string&)>& parse)
{
    const std::optional<std::string> text = ini.Value("Grid", key);
    if (!text || text->empty()) {
        return std::vector<T>{fallback};
    }
    std::vector<T> values;
    for (const std::string& item : SplitList(*text)) {
        Result<T> value = parse(item);
        if (!value) {
            return Failure{std::string("[Grid] ") + key + " = " + *text + ": " + value.Reason()};
        }
        values.push_back(value.Value());
    }
    return values;
}

Result<float> PositiveReal(const std::string& text)
{
    const std::optional<float> value = ParseReal(text, '.');
    if (value && *value > 0.0f) {
        return *value;
    }
    return Failure{"'" + text + "' is not a number above 0"};
}

Result<double> NonNegativeReal(const std::string& text)
{
    const std::optional<float> value = ParseReal(text, '.');
    if (value && *value >= 0.0f) {
        return static_cast<double>(*value);
    }
    return Failure{"'" + text + "' is not a number of 0 or more"};
}

Result<double> Real(const std::string& text)
{
    if (const std::optional<float> value = ParseReal(text, '.')) {
        return static_cast<double>(*value);
    }
    return Failure{"'" + text + "' is not a number"};
}

Result<int> StudyInteger(const IniFile& ini, const char* key, int least)
{
    const std::optional<std::string> text = ini.Value("Study", key);
    const std::optional<int> value = text ? ParseInteger(*text) : std::nullopt;
    if (!value || *value < least) {
        return Failure{std::string("[Study] ") + key + " = " + text.value_or("") + ": a whole number of at least "
                       + std::to_string(least) + " is needed"};
    }
    return *value;
}

// Refuses a section or key the study file does not have: a misspelt one would run a study
// other than the one meant.
Result<> KnownNames(const IniFile& ini)
{
    const std::map<std::string, std::vector<std::string>> known = {
        {"study", {"conditions", "condition", "replications", "seed", "runspertask"}},
        {"grid", {"splstep", "fstep", "maskerbw", "direction", "noise", "criterion"}}};
    for (const std::string& section : ini.Sections()) {
        if (!known.contains(section)) {
            return Failure{"a study file has no section [" + section + "] (Study, Grid)"};
        }
    }
    for (const auto& [section, keys] : known) {
        for (const std::string& key : ini.Keys(section)) {
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                return Failure{section == "study"
                                   ? "[Study] has no key '" + key + "' (Conditions, Condition, Replications, Seed, RunsPerTask)"
                                   : "[Grid] has no key '" + key + "' (SPLstep, FStep, MaskerBW, Direction, Noise, Criterion)"};
            }
        }
    }
    return {};
}

// "SPLstep 2, FStep 10, ...": a cell's settings for a message.
std::string DescribeCell(const StudyCell& cell)
{
    return "SPLstep " + FormatShortest(cell.SPLstep) + ", FStep " + FormatShortest(cell.FStep) + ", MaskerBW "
           + FormatShortest(cell.MaskerBW) + ", direction " + DirectionName(cell.Direction) + ", noise "
           + FormatForResults(cell.NoiseDb) + ", criterion " + FormatForResults(cell.CriterionDb);
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

StudyCellRun CellRun(const StudyPlan& plan, std::size_t cell)
{
    const StudyCell& settings = plan.Cells.at(cell);
    StudyCellRun run;
    run.Parameters = plan.Base;
    TestCondition& condition = run.Parameters.Conditions.at(static_cast<std::size_t>(plan.Condition - 1));
    condition.SPLstep = settings.SPLstep;
    condition.FStep = settings.FStep;
    condition.MaskerBW = settings.MaskerBW;
    run.Options.Condition = plan.Condition;
    run.Options.SweepDirection = settings.Direction;
    run.Options.ResultsName = "run";
    run.Options.Listener.NoiseDb = settings.NoiseDb;
    run.Options.Listener.CriterionDb = settings.CriterionDb;
    return run;
}

Result<StudyPlan> LoadStudy(const std::filesystem::path& path)
{
    const WholeFile file = ReadWholeFile(path.string());
    if (file.Error) {
        return Failure{"cannot read '" + path.string() + "': " + file.Error.message()};
    }
    const IniFile ini = IniFile::FromText(file.Text);
    if (const Result<> names = KnownNames(ini); !names) {
        return Failure{names.Reason()};
    }
    StudyPlan plan;
    plan.StudyPath = path;
    const std::optional<std::string> conditions = ini.Value("Study", "Conditions");
    if (!conditions || conditions->empty()) {
        return Failure{"[Study] Conditions names no test-condition file"};
    }
    plan.ConditionsPath = path.parent_path() / *conditions;
    const Result<int> condition = StudyInteger(ini, "Condition", 1);
    const Result<int> replications = StudyInteger(ini, "Replications", 1);
    const Result<int> seed = StudyInteger(ini, "Seed", 0);
    for (const Result<int>* value : {&condition, &replications, &seed}) {
        if (!*value) {
            return Failure{value->Reason()};
        }
    }
    plan.Condition = condition.Value();
    plan.Replications = replications.Value();
    plan.Seed = static_cast<std::uint32_t>(seed.Value());
    if (ini.Value("Study", "RunsPerTask")) {
        const Result<int> perTask = StudyInteger(ini, "RunsPerTask", 1);
        if (!perTask) {
            return Failure{perTask.Reason()};
        }
        plan.RunsPerTask = perTask.Value();
    }

    const WholeFile base = ReadWholeFile(plan.ConditionsPath.string());
    if (base.Error) {
        return Failure{"[Study] Conditions: cannot read '" + plan.ConditionsPath.string() + "': " + base.Error.message()};
    }
    const ParameterLoad load = LoadParameters(IniFile::FromText(base.Text), plan.ConditionsPath.string(), '.');
    if (!load.Loaded) {
        return Failure{"[Study] Conditions: " + load.Error};
    }
    if (!load.Unreadable.empty()) {
        return Failure{"[Study] Conditions: '" + plan.ConditionsPath.string() + "': "
                       + DescribeUnreadableValue(load.Unreadable.front())};
    }
    plan.Base = load.Parameters;
    if (plan.Condition > static_cast<int>(plan.Base.Conditions.size())) {
        return Failure{"[Study] Condition = " + std::to_string(plan.Condition) + ": the file has "
                       + std::to_string(plan.Base.Conditions.size()) + " conditions"};
    }
    const TestCondition& c = plan.Base.Conditions[static_cast<std::size_t>(plan.Condition - 1)];
    const ListenerSettings listener;
    const auto splSteps = GridList<float>(ini, "SPLstep", c.SPLstep, PositiveReal);
    const auto fSteps = GridList<float>(ini, "FStep", c.FStep, PositiveReal);
    const auto bandwidths = GridList<float>(ini, "MaskerBW", c.MaskerBW, PositiveReal);
    const auto directions = GridList<Sweep>(ini, "Direction", Sweep::Up, ReadDirection);
    const auto noises = GridList<double>(ini, "Noise", listener.NoiseDb, NonNegativeReal);
    const auto criteria = GridList<double>(ini, "Criterion", listener.CriterionDb, Real);
    for (const std::string* reason : {&splSteps.Reason(), &fSteps.Reason(), &bandwidths.Reason(),
                                      &directions.Reason(), &noises.Reason(), &criteria.Reason()}) {
        if (!reason->empty()) {
            return Failure{*reason};
        }
    }
    for (const float splStep : splSteps.Value()) {
        for (const float fStep : fSteps.Value()) {
            for (const float bandwidth : bandwidths.Value()) {
                for (const Sweep direction : directions.Value()) {
                    for (const double noise : noises.Value()) {
                        for (const double criterion : criteria.Value()) {
                            plan.Cells.push_back({splStep, fStep, bandwidth, direction, noise, criterion});
                        }
                    }
                }
            }
        }
    }
    // Every cell is checked as its runs would be, so that a value no run can take is refused
    // before any task starts rather than in the middle of the study.
    for (std::size_t cell = 0; cell < plan.Cells.size(); ++cell) {
        const StudyCellRun run = CellRun(plan, cell);
        if (const Result<> check = CheckVirtualRun(run.Parameters, run.Options); !check) {
            return Failure{"[Grid] cell " + std::to_string(cell + 1) + " (" + DescribeCell(plan.Cells[cell])
                           + "): " + check.Reason()};
        }
    }
    return plan;
}
