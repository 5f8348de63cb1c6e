#include "StudyRun.h"

#include "Csv.h"
#include "CurveMeasures.h"
#include "ExpectedCurve.h"
#include "TrialEntries.h"
#include "VirtualRun.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace {

// The shortest text that reads back as the same number.
template <typename T>
std::string Exact(T value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string Optional(const std::optional<double>& value)
{
    return value ? Exact(*value) : std::string();
}

const char* const CellNames[] = {"cell", "SPLstep", "FStep", "MaskerBW", "direction", "noise", "criterion"};

// Every value of the base test-condition file a run reads besides the cell's: with the run's
// index, cell and seed they decide every number the run gives.
const char* const BaseNames[] = {"ToneF",        "StartF",         "EndF",     "MaxSPL", "ToneSPL",
                                 "MaskStartSPL", "ToneDuration",   "MaskerDuration", "RiseFall", "ISI",
                                 "Modulated",    "ModFreq",        "CalibFactor",    "attenuator"};

std::vector<std::string> BaseFields(const StudyPlan& plan)
{
    const ExperimentSettings& s = plan.Base.Settings;
    const TestCondition& c = plan.Base.Conditions.at(static_cast<std::size_t>(plan.Condition - 1));
    return {Exact(c.ToneF),          Exact(c.StartF),         Exact(c.EndF),       Exact(c.MaxSPL),
            Exact(c.ToneSPL),        Exact(c.MaskStartSPL),   Exact(s.ToneDuration), Exact(s.MaskerDuration),
            Exact(s.RiseFall),       std::to_string(s.ISI),   std::to_string(s.Modulated), Exact(s.ModFreq),
            Exact(s.CalibFactor),    AttenuatorName(s.Attenuator)};
}

// The run's results files in the current folder, which nothing of a study keeps.
constexpr const char* RunFiles[] = {"run.dat", "run.csv", "run.trials.csv", "test.out"};

}  // namespace

std::vector<std::string> CellColumns()
{
    return {std::begin(CellNames), std::end(CellNames)};
}

std::vector<std::string> CellFields(const StudyPlan& plan, std::size_t cell)
{
    const StudyCell& c = plan.Cells.at(cell);
    return {std::to_string(cell + 1), Exact(c.SPLstep), Exact(c.FStep), Exact(c.MaskerBW),
            DirectionName(c.Direction), Exact(c.NoiseDb), Exact(c.CriterionDb)};
}

std::vector<std::string> PlanColumns()
{
    std::vector<std::string> columns = {"run"};
    columns.insert(columns.end(), std::begin(CellNames), std::end(CellNames));
    columns.emplace_back("seed");
    columns.insert(columns.end(), std::begin(BaseNames), std::end(BaseNames));
    columns.emplace_back("listener_model");
    return columns;
}

std::vector<std::string> PlanFields(const StudyPlan& plan, std::int64_t run)
{
    std::vector<std::string> fields = {std::to_string(run)};
    const std::vector<std::string> cell = CellFields(plan, static_cast<std::size_t>(run / plan.Replications));
    fields.insert(fields.end(), cell.begin(), cell.end());
    fields.push_back(std::to_string(StudyRunSeed(plan.Seed, run)));
    const std::vector<std::string> base = BaseFields(plan);
    fields.insert(fields.end(), base.begin(), base.end());
    fields.push_back(std::to_string(ListenerModelVersion));
    return fields;
}

std::vector<std::string> StudyRowColumns()
{
    std::vector<std::string> columns = PlanColumns();
    for (const char* name : {"trials", "points", "duration_s", "tip_freq", "tip_spl", "fitted_tip_freq",
                             "fitted_tip_spl", "q10", "low_slope", "high_slope", "expected_tip_freq",
                             "expected_q10", "expected_low_slope", "expected_high_slope"}) {
        columns.emplace_back(name);
    }
    for (const QualityFlag flag : AllQualityFlags) {
        columns.emplace_back(FlagColumn(flag));
    }
    return columns;
}

Result<std::vector<std::string>> RunStudyRun(const StudyPlan& plan, std::int64_t run)
{
    const auto cellIndex = static_cast<std::size_t>(run / plan.Replications);
    const StudyCell& cell = plan.Cells.at(cellIndex);
    StudyCellRun setup = CellRun(plan, cellIndex);
    const ParameterSet& parameters = setup.Parameters;
    const TestCondition& condition = parameters.Conditions.at(static_cast<std::size_t>(plan.Condition - 1));
    VirtualRunOptions& options = setup.Options;
    options.Listener.Seed = StudyRunSeed(plan.Seed, run);
    std::vector<TrialRecord> trials;
    const VirtualRunResult result =
        RunWithVirtualListener(parameters, options, [&trials](const TrialRecord& trial) { trials.push_back(trial); });
    for (const char* file : RunFiles) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
    if (!result.Refusal.empty()) {
        return Failure{"cell " + std::to_string(cellIndex + 1) + ": " + result.Refusal};
    }

    RunContext context;
    context.ToneF = condition.ToneF;
    context.MaxSPL = condition.MaxSPL;
    context.Trials = SummariseTrials(TrialEntries(trials), condition, cell.Direction == Sweep::Up,
                                     parameters.Settings.MaskerDuration, parameters.Settings.ISI);
    const CurveMeasures measures = MeasureRun(result.Points, context);
    const ExpectedCurve expected(parameters.Settings, condition, cell.CriterionDb);
    const auto expectedQ10 = expected.Q10();
    const ExpectedSlopes expectedSlopes = ExpectedSideSlopes(expected, condition);

    std::vector<std::string> row = PlanFields(plan, run);
    const auto& tip = measures.Smoothed.Tip;
    const auto& fitted = measures.Fitted;
    for (std::string field :
         {std::to_string(result.Report.Trials),
          std::to_string(result.Points.size()), Exact(result.ElapsedMs / 1000.0),
          tip ? Exact(tip->Freq) : std::string(), tip ? Exact(tip->SPL) : std::string(), Optional(fitted.Freq),
          Optional(fitted.Level), Optional(measures.Smoothed.Q10), Optional(measures.Low.DbPerOctave),
          Optional(measures.High.DbPerOctave), Exact(expected.TipFrequency()),
          expectedQ10 ? Exact(expectedQ10->Q10) : std::string(), Optional(expectedSlopes.Low),
          Optional(expectedSlopes.High)}) {
        row.push_back(std::move(field));
    }
    for (const QualityFlag flag : AllQualityFlags) {
        row.emplace_back(measures.Find(flag) != nullptr ? "1" : "0");
    }
    return row;
}

namespace {

// A task's part file, removed unless the task ends complete: a stop, a refused run or a
// write error leaves nothing half written.
class PartFile {
public:
    explicit PartFile(std::filesystem::path file)
        : file_(std::move(file)), part_(file_)
    {
        part_ += ".part";
        std::error_code ignored;  // a folder that could not be made fails the opening below
        std::filesystem::create_directories(file_.parent_path(), ignored);
        out_.open(part_, std::ios::binary | std::ios::trunc);
    }
    ~PartFile()
    {
        if (!done_) {
            out_.close();
            std::error_code ignored;
            std::filesystem::remove(part_, ignored);
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    std::ofstream& Out() { return out_; }
    // Renames the part file to its own name, or says that it could not be written.
    Result<> Complete()
    {
        out_.close();
        std::error_code renamed;
        if (out_) {
            std::filesystem::rename(part_, file_, renamed);
        }
        if (!out_ || renamed) {
            return Failure{"cannot write '" + (out_ ? file_ : part_).string() + "'"
                           + (renamed ? ": " + renamed.message() : std::string())};
        }
        done_ = true;
        return {};
    }

private:
    std::filesystem::path file_;
    std::filesystem::path part_;
    std::ofstream out_;
    bool done_ = false;
};

}  // namespace

Result<bool> RunStudyTask(const StudyPlan& plan, int task, const std::function<void()>& onRun,
                          const volatile std::sig_atomic_t& stop)
{
    PartFile part(plan.TaskFile(task));
    part.Out() << CsvRow(StudyRowColumns());
    for (std::int64_t run = plan.TaskFirstRun(task); run < plan.TaskEndRun(task); ++run) {
        if (stop != 0) {
            return false;
        }
        const Result<std::vector<std::string>> row = RunStudyRun(plan, run);
        if (!row) {
            return Failure{row.Reason()};
        }
        part.Out() << CsvRow(row.Value());
        if (onRun) {
            onRun();
        }
    }
    if (const Result<> complete = part.Complete(); !complete) {
        return Failure{complete.Reason()};
    }
    return true;
}
