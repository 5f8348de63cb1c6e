#pragma once

#include <string>
#include <string_view>
#include <vector>

// Comma-separated values as spreadsheets and analysis tools read them without options: a
// field is put in double quotes when it holds a comma, a quote, a line break or blanks at
// either end, and a quote inside it is doubled. Rows end with "\n" (the file writers turn
// that into the file's line end). The text is UTF-8: bytes of another encoding become U+FFFD,
// so that a file of these rows is always valid UTF-8 for its readers.
std::string CsvField(std::string_view text);
std::string CsvRow(const std::vector<std::string>& fields);

// The rows of CSV text, fields unquoted. Accepts LF or CR LF line ends and quoted fields
// that span lines; an unterminated quote runs to the end of the text.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text);
