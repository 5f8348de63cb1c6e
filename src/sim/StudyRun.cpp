#include "StudyRun.h"

#include "Csv.h"
#include "CurveMeasures.h"
#include "ExpectedCurve.h"
#include "TrialEntries.h"
#include "VirtualSession.h"
#include "WholeFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
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

const char* const CellColumns[] = {"cell", "SPLstep", "FStep", "MaskerBW", "direction", "noise", "criterion"};

std::vector<std::string> CellFields(const StudyPlan& plan, std::size_t cell)
{
    const StudyCell& c = plan.Cells[cell];
    return {std::to_string(cell + 1),        Exact(c.SPLstep),     Exact(c.FStep),
            Exact(c.MaskerBW),               DirectionName(c.Direction),
            Exact(c.NoiseDb),                Exact(c.CriterionDb)};
}

// The run's results files in the current folder, which nothing of a study keeps.
constexpr const char* RunFiles[] = {"run.dat", "run.csv", "run.trials.csv", "test.out"};

}  // namespace

std::vector<std::string> StudyRowColumns()
{
    std::vector<std::string> columns = {"run"};
    columns.insert(columns.end(), std::begin(CellColumns), std::end(CellColumns));
    for (const char* name : {"seed", "trials", "points", "duration_s", "tip_freq", "tip_spl", "fitted_tip_freq",
                             "fitted_tip_spl", "q10", "low_slope", "high_slope", "expected_tip_freq",
                             "expected_q10"}) {
        columns.emplace_back(name);
    }
    for (const QualityFlag flag : AllQualityFlags) {
        columns.emplace_back(FlagColumn(flag));
    }
    return columns;
}

std::vector<std::string> RunStudyRun(const StudyPlan& plan, std::int64_t run)
{
    const auto cellIndex = static_cast<std::size_t>(run / plan.Replications);
    const StudyCell& cell = plan.Cells.at(cellIndex);
    StudyCellRun setup = CellRun(plan, cellIndex);
    const ParameterSet& parameters = setup.Parameters;
    const TestCondition& condition = parameters.Conditions.at(static_cast<std::size_t>(plan.Condition - 1));
    VirtualSessionOptions& options = setup.Options;
    options.Listener.Seed = StudyRunSeed(plan.Seed, run);
    std::vector<TrialRecord> trials;
    const VirtualSessionResult result =
        RunVirtualSession(parameters, options, [&trials](const TrialRecord& trial) { trials.push_back(trial); });
    for (const char* file : RunFiles) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
    if (!result.Refusal.empty()) {
        throw std::runtime_error("cell " + std::to_string(cellIndex + 1) + ": " + result.Refusal);
    }

    RunContext context;
    context.ToneF = condition.ToneF;
    context.MaxSPL = condition.MaxSPL;
    context.Trials = SummariseTrials(TrialEntries(trials), condition, cell.Direction == Sweep::Up,
                                     parameters.Settings.MaskerDuration, parameters.Settings.ISI);
    const CurveMeasures measures = MeasureRun(result.Points, context);
    const ExpectedCurve expected(parameters.Settings, condition, cell.CriterionDb);
    const auto expectedQ10 = expected.Q10();

    std::vector<std::string> row = {std::to_string(run)};
    const std::vector<std::string> cellFields = CellFields(plan, cellIndex);
    row.insert(row.end(), cellFields.begin(), cellFields.end());
    const auto& tip = measures.Smoothed.Tip;
    const auto& fitted = measures.Fitted;
    for (std::string field :
         {std::to_string(options.Listener.Seed), std::to_string(result.Report.Trials),
          std::to_string(result.Points.size()), Exact(result.ElapsedMs / 1000.0),
          tip ? Exact(tip->Freq) : std::string(), tip ? Exact(tip->SPL) : std::string(), Optional(fitted.Freq),
          Optional(fitted.Level), Optional(measures.Smoothed.Q10), Optional(measures.Low.DbPerOctave),
          Optional(measures.High.DbPerOctave), Exact(expected.TipFrequency()),
          expectedQ10 ? Exact(expectedQ10->Q10) : std::string()}) {
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
        std::filesystem::create_directories(file_.parent_path());
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
    // Renames the part file to its own name; throws when it could not be written.
    void Complete()
    {
        out_.close();
        if (!out_) {
            throw std::runtime_error("cannot write '" + part_.string() + "'");
        }
        std::filesystem::rename(part_, file_);
        done_ = true;
    }

private:
    std::filesystem::path file_;
    std::filesystem::path part_;
    std::ofstream out_;
    bool done_ = false;
};

}  // namespace

bool RunStudyTask(const StudyPlan& plan, int task, const std::function<void()>& onRun,
                  const volatile std::sig_atomic_t& stop)
{
    PartFile part(plan.TaskFile(task));
    part.Out() << CsvRow(StudyRowColumns());
    for (std::int64_t run = plan.TaskFirstRun(task); run < plan.TaskEndRun(task); ++run) {
        if (stop != 0) {
            return false;
        }
        part.Out() << CsvRow(RunStudyRun(plan, run));
        if (onRun) {
            onRun();
        }
    }
    part.Complete();
    return true;
}

TaskRows ReadStudyTask(const StudyPlan& plan, int task)
{
    TaskRows rows;
    const std::filesystem::path file = plan.TaskFile(task);
    if (!std::filesystem::exists(file)) {
        rows.Problem = "missing";
        return rows;
    }
    const WholeFile whole = ReadWholeFile(file.string());
    if (whole.Error) {
        rows.Problem = "unreadable: " + whole.Error.message();
        return rows;
    }
    rows.Rows = ParseCsv(whole.Text);
    const std::vector<std::string> columns = StudyRowColumns();
    const std::int64_t first = plan.TaskFirstRun(task);
    const std::int64_t runs = plan.TaskEndRun(task) - first;
    bool intact = !whole.Text.empty() && whole.Text.back() == '\n' && !rows.Rows.empty() && rows.Rows[0] == columns
                  && static_cast<std::int64_t>(rows.Rows.size()) == runs + 1;
    for (std::size_t r = 1; intact && r < rows.Rows.size(); ++r) {
        intact = rows.Rows[r].size() == columns.size()
                 && rows.Rows[r][0] == std::to_string(first + static_cast<std::int64_t>(r) - 1);
    }
    if (!intact) {
        rows.Rows.clear();
        rows.Problem = "damaged (not the " + std::to_string(runs) + " runs from " + std::to_string(first) + ")";
    }
    return rows;
}

namespace {

struct Statistics {
    std::size_t N = 0;
    double Mean = 0.0;
    double Sd = 0.0;
    double P5 = 0.0;
    double P95 = 0.0;
};

// Linear interpolation between order statistics (type 7 of Hyndman and Fan, R's default).
double Percentile(const std::vector<double>& sorted, double q)
{
    const double at = q * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(at);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (at - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

Statistics Describe(std::vector<double> values)
{
    Statistics s;
    s.N = values.size();
    if (values.empty()) {
        return s;
    }
    double sum = 0.0;
    for (const double v : values) {
        sum += v;
    }
    s.Mean = sum / static_cast<double>(s.N);
    double squares = 0.0;
    for (const double v : values) {
        squares += (v - s.Mean) * (v - s.Mean);
    }
    s.Sd = s.N > 1 ? std::sqrt(squares / static_cast<double>(s.N - 1)) : 0.0;
    std::sort(values.begin(), values.end());
    s.P5 = Percentile(values, 0.05);
    s.P95 = Percentile(values, 0.95);
    return s;
}

std::optional<double> Number(const std::string& text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? std::optional<double>(value) : std::nullopt;
}

// A summary measure: its name and how it is taken from a row (named columns).
struct Measure {
    std::string Name;
    std::function<std::optional<double>(const std::map<std::string, std::string>&)> Value;
};

std::vector<Measure> Measures()
{
    const auto difference = [](const char* column, const char* truth, bool percent) {
        return [=](const std::map<std::string, std::string>& row) -> std::optional<double> {
            const auto value = Number(row.at(column));
            const auto expected = Number(row.at(truth));
            if (!value || !expected) {
                return std::nullopt;
            }
            return percent ? 100.0 * (*value - *expected) / *expected : *value - *expected;
        };
    };
    const auto plain = [](const char* column) {
        return [=](const std::map<std::string, std::string>& row) { return Number(row.at(column)); };
    };
    std::vector<Measure> measures = {
        {"tip_error_hz", difference("tip_freq", "expected_tip_freq", false)},
        {"tip_error_pct", difference("tip_freq", "expected_tip_freq", true)},
        {"fitted_tip_error_hz", difference("fitted_tip_freq", "expected_tip_freq", false)},
        {"fitted_tip_error_pct", difference("fitted_tip_freq", "expected_tip_freq", true)},
        {"q10_error", difference("q10", "expected_q10", false)},
        {"q10_error_pct", difference("q10", "expected_q10", true)},
        {"low_slope_db_per_octave", plain("low_slope")},
        {"high_slope_db_per_octave", plain("high_slope")},
        {"duration_s", plain("duration_s")},
    };
    for (const QualityFlag flag : AllQualityFlags) {
        measures.push_back({FlagColumn(flag), plain(FlagColumn(flag))});
    }
    return measures;
}

}  // namespace

StudySummary SummariseStudy(const StudyPlan& plan)
{
    StudySummary summary;
    std::vector<std::vector<std::map<std::string, std::string>>> cells(plan.Cells.size());
    const std::vector<std::string> columns = StudyRowColumns();
    for (int task = 0; task < plan.Tasks(); ++task) {
        const TaskRows rows = ReadStudyTask(plan, task);
        if (!rows.Problem.empty()) {
            summary.Problems.push_back("task " + std::to_string(task) + " (" + plan.TaskFile(task).string()
                                       + "): " + rows.Problem);
            continue;
        }
        for (std::size_t r = 1; r < rows.Rows.size(); ++r) {
            std::map<std::string, std::string> named;
            for (std::size_t k = 0; k < columns.size(); ++k) {
                named[columns[k]] = rows.Rows[r][k];
            }
            const auto run = std::stoll(named["run"]);
            cells.at(static_cast<std::size_t>(run / plan.Replications)).push_back(std::move(named));
        }
    }
    if (!summary.Problems.empty()) {
        return summary;
    }
    std::vector<std::string> header(std::begin(CellColumns), std::end(CellColumns));
    for (const char* name : {"runs", "measure", "n", "mean", "sd", "p5", "p95"}) {
        header.emplace_back(name);
    }
    summary.Text = CsvRow(header);
    const std::vector<Measure> measures = Measures();
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        for (const Measure& measure : measures) {
            std::vector<double> values;
            for (const auto& row : cells[cell]) {
                if (const auto value = measure.Value(row)) {
                    values.push_back(*value);
                }
            }
            const Statistics s = Describe(values);
            std::vector<std::string> row = CellFields(plan, cell);
            row.push_back(std::to_string(cells[cell].size()));
            row.push_back(measure.Name);
            row.push_back(std::to_string(s.N));
            for (const double v : {s.Mean, s.Sd, s.P5, s.P95}) {
                row.push_back(s.N > 0 ? Exact(v) : std::string());
            }
            summary.Text += CsvRow(row);
        }
    }
    return summary;
}
