#include "Csv.h"

#include "PlainText.h"

std::string CsvField(std::string_view raw)
{
    const std::string utf8 = ValidUtf8(raw);
    const std::string_view text = utf8;
    const bool blankAtEnd = !text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '\t'
                                              || text.back() == '\t');
    if (text.find_first_of(",\"\r\n") == std::string_view::npos && !blankAtEnd) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"') {
            quoted += '"';
        }
        quoted += ch;
    }
    return quoted + '"';
}

std::string CsvRow(const std::vector<std::string>& fields)
{
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            row += ',';
        }
        row += CsvField(fields[i]);
    }
    return row + '\n';
}

std::vector<std::vector<std::string>> ParseCsv(std::string_view text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool rowStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (quoted) {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                field += ch;
            }
            continue;
        }
        rowStarted = true;
        if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (ch == '\n' || ch == '\r') {
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
            rowStarted = false;
        } else {
            field += ch;
        }
    }
    if (rowStarted || quoted) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}
