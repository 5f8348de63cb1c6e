#pragma once

#include "Csv.h"

#include <map>
#include <string>
#include <vector>

// The rows of a CSV text after its header, each as its fields named by the header's columns; a
// row shorter than the header lacks the columns it does not reach.
inline std::vector<std::map<std::string, std::string>> CsvRowsByHeader(const std::string& text)
{
    const auto rows = ParseCsv(text);
    std::vector<std::map<std::string, std::string>> named;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        auto& row = named.emplace_back();
        for (std::size_t c = 0; c < rows[0].size() && c < rows[i].size(); ++c) {
            row[rows[0][c]] = rows[i][c];
        }
    }
    return named;
}
