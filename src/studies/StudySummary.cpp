#include "StudySummary.h"

#include "Csv.h"
#include "CurveMeasures.h"
#include "ListenerModel.h"
#include "NumberFormat.h"
#include "StudyRun.h"
#include "StudyTaskFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <optional>

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
    std::sort(values.begin(), values.end());
    s.P5 = Percentile(values, 0.05);
    s.P95 = Percentile(values, 0.95);
    // Equal values have that mean and no spread, not the rounding noise of the sums.
    if (values.front() == values.back()) {
        s.Mean = values.front();
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
    s.Sd = std::sqrt(squares / static_cast<double>(s.N - 1));
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

using Row = std::map<std::string, std::string>;

// A summary measure: its name, how it is taken from a row (named columns), and the decimals
// its statistics are written with.
struct Measure {
    std::string Name;
    std::function<std::optional<double>(const Row&)> Value;
    int Decimals = 2;
};

// Decimals: hundredths of a Hz, of a percent, of a dB per octave; thousandths of a Q10, of a
// second and of a share of runs. Finer than any cell's spread, coarser than rounding noise.
std::vector<Measure> SummaryMeasures()
{
    const auto difference = [](const char* column, const char* truth, bool percent) {
        return [=](const Row& row) -> std::optional<double> {
            const auto value = Number(row.at(column));
            const auto expected = Number(row.at(truth));
            if (!value || !expected) {
                return std::nullopt;
            }
            return percent ? 100.0 * (*value - *expected) / *expected : *value - *expected;
        };
    };
    const auto plain = [](const char* column) { return [=](const Row& row) { return Number(row.at(column)); }; };
    std::vector<Measure> measures = {
        {"tip_error_hz", difference("tip_freq", "expected_tip_freq", false), 2},
        {"tip_error_pct", difference("tip_freq", "expected_tip_freq", true), 2},
        {"fitted_tip_error_hz", difference("fitted_tip_freq", "expected_tip_freq", false), 2},
        {"fitted_tip_error_pct", difference("fitted_tip_freq", "expected_tip_freq", true), 2},
        {"q10_error", difference("q10", "expected_q10", false), 3},
        {"q10_error_pct", difference("q10", "expected_q10", true), 2},
        {"low_slope_db_per_octave", plain("low_slope"), 2},
        {"expected_low_slope_db_per_octave", plain("expected_low_slope"), 2},
        {"low_slope_error_db_per_octave", difference("low_slope", "expected_low_slope", false), 2},
        {"high_slope_db_per_octave", plain("high_slope"), 2},
        {"expected_high_slope_db_per_octave", plain("expected_high_slope"), 2},
        {"high_slope_error_db_per_octave", difference("high_slope", "expected_high_slope", false), 2},
        {"duration_s", plain("duration_s"), 3},
    };
    for (const QualityFlag flag : AllQualityFlags) {
        measures.push_back({FlagColumn(flag), plain(FlagColumn(flag)), 3});
    }
    return measures;
}

}  // namespace

StudySummary SummariseStudy(const StudyPlan& plan)
{
    StudySummary summary;
    std::vector<std::vector<Row>> cells(plan.Cells.size());
    const std::vector<std::string> columns = StudyRowColumns();
    for (int task = 0; task < plan.Tasks(); ++task) {
        const TaskRows rows = ReadStudyTask(plan, task);
        if (rows.State != TaskState::Complete) {
            summary.Problems.push_back(DescribeTask(plan, task, rows));
            summary.OtherPlan = summary.OtherPlan || rows.State == TaskState::OtherPlan;
            continue;
        }
        for (std::size_t r = 1; r < rows.Rows.size(); ++r) {
            Row named;
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
    std::vector<std::string> header = CellColumns();
    for (const char* name : {"runs", "measure", "n", "mean", "sd", "p5", "p95", "listener_model"}) {
        header.emplace_back(name);
    }
    summary.Text = CsvRow(header);
    const std::vector<Measure> measures = SummaryMeasures();
    for (std::size_t cell = 0; cell < cells.size(); ++cell) {
        for (const Measure& measure : measures) {
            std::vector<double> values;
            for (const Row& row : cells[cell]) {
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
                row.push_back(s.N > 0 ? FormatRounded(v, measure.Decimals) : std::string());
            }
            row.push_back(std::to_string(ListenerModelVersion));
            summary.Text += CsvRow(row);
        }
    }
    return summary;
}
