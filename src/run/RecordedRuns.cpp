#include "RecordedRuns.h"

#include "Csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

namespace {

// The record's columns this reader uses, in this order.
constexpr std::array<std::string_view, 10> Columns = {"run",       "date",      "time",  "subject",     "ear",
                                                       "direction", "condition", "point", "masker_freq", "masker_spl"};
using ColumnIndex = std::array<std::size_t, Columns.size()>;

std::optional<ColumnIndex> FindColumns(const std::vector<std::string>& header)
{
    ColumnIndex index{};
    for (std::size_t c = 0; c < Columns.size(); ++c) {
        const auto found = std::find(header.begin(), header.end(), Columns[c]);
        if (found == header.end()) {
            return std::nullopt;
        }
        index[c] = static_cast<std::size_t>(found - header.begin());
    }
    return index;
}

template <typename Number>
std::optional<Number> Read(const std::string& field)
{
    Number value{};
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::vector<RecordedRun> ReadRecordedRuns(std::string_view text)
{
    std::vector<RecordedRun> runs;
    std::optional<ColumnIndex> column;
    for (const std::vector<std::string>& row : ParseCsv(text)) {
        if (!row.empty() && row.front() == "run") {
            column = FindColumns(row);  // a header, at the top or after a file was joined to another
            continue;
        }
        if (!column || row.size() <= *std::max_element(column->begin(), column->end())) {
            continue;
        }
        const auto at = [&row, &column](std::size_t c) -> const std::string& { return row[(*column)[c]]; };
        const auto condition = Read<int>(at(6));
        const auto frequency = Read<float>(at(8));
        const auto level = Read<float>(at(9));
        if (!condition || !frequency || !level) {
            continue;
        }
        if (runs.empty() || runs.back().RunId != at(0)) {
            runs.push_back(RecordedRun{at(0), at(1), at(2), at(3), at(4), at(5), *condition, {}});
        }
        runs.back().Points.push_back(ResultPoint{*frequency, *level});
    }
    return runs;
}
