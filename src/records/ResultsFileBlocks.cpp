#include "ResultsFileBlocks.h"

#include "NumberFormat.h"
#include "NumberParse.h"

#include <algorithm>

#include <sstream>
#include <string_view>

namespace {

bool IsSeparator(std::string_view line)
{
    return line.size() >= 2 && line[0] == ';' && line.find_first_not_of('-', 1) == std::string_view::npos;
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of a header line "; Name = value" (the program puts a tab before some values).
std::optional<std::string_view> HeaderValue(std::string_view line, std::string_view name)
{
    const std::string prefix = "; " + std::string(name) + " =";
    if (!line.starts_with(prefix)) {
        return std::nullopt;
    }
    return Trim(line.substr(prefix.size()));
}

void ReadLine(ResultsBlock& block, std::string_view line, int number)
{
    if (Trim(line).empty()) {
        return;
    }
    if (const auto subject = HeaderValue(line, "Subject")) {
        // The name is kept as typed, after the tab the program writes.
        std::string_view name = line.substr(std::string_view("; Subject =").size());
        if (name.starts_with(' ')) {
            name.remove_prefix(1);
        }
        if (name.starts_with('\t')) {
            name.remove_prefix(1);
        }
        block.Subject = std::string(name);
        return;
    }
    if (const auto ear = HeaderValue(line, "Ear")) {
        block.Ear = std::string(*ear);
        return;
    }
    if (const auto attenuator = HeaderValue(line, "Attenuator")) {
        block.Attenuator = std::string(*attenuator);
        return;
    }
    for (const auto& [name, field] : {std::pair{"Tone Frequency", &block.ToneF}, std::pair{"Tone SPL", &block.ToneSPL}}) {
        if (const auto value = HeaderValue(line, name)) {
            if (const auto parsed = ParseReal(*value, '.')) {
                *field = *parsed;
                return;
            }
            block.Problems.push_back("line " + std::to_string(number) + ": " + name + " is not a number");
            return;
        }
    }
    if (line.starts_with(';')) {
        return;  // a comment the program does not write; harmless
    }
    const auto tab = line.find('\t');
    if (tab != std::string_view::npos) {
        const auto freq = ParseReal(line.substr(0, tab), '.');
        const auto level = ParseReal(line.substr(tab + 1), '.');
        if (freq && level) {
            block.Points.push_back({*freq, *level});
            return;
        }
    }
    block.Problems.push_back("line " + std::to_string(number) + " is not a point (frequency, tab, level): \""
                             + std::string(line) + "\"");
}

}  // namespace

std::vector<ResultsBlock> ReadResultsBlocks(const std::string& text)
{
    std::vector<ResultsBlock> blocks;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (IsSeparator(line)) {
            blocks.emplace_back().FirstLine = number;
            continue;
        }
        if (blocks.empty()) {
            if (Trim(line).empty()) {
                continue;
            }
            blocks.emplace_back().FirstLine = number;
        }
        ReadLine(blocks.back(), line, number);
    }
    return blocks;
}

namespace {

bool SamePoint(const ResultPoint& a, const ResultPoint& b)
{
    return FormatForResults(a.Freq) == FormatForResults(b.Freq) && FormatForResults(a.SPL) == FormatForResults(b.SPL);
}

}  // namespace

bool SamePoints(const std::vector<ResultPoint>& a, const std::vector<ResultPoint>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SamePoint);
}

bool StartsWithPoints(const std::vector<ResultPoint>& block, const std::vector<ResultPoint>& points)
{
    return points.size() <= block.size() && std::equal(points.begin(), points.end(), block.begin(), SamePoint);
}
