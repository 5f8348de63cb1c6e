#pragma once

#include <CLI/CLI.hpp>

#include <cstddef>
#include <string>

// The width of every line of the usage texts: they read in an 80-column terminal, and the
// manual page, which shows each command's usage as printed, indents it by 8 columns.
inline constexpr std::size_t HelpWidth = 72;

// `text` with its lines broken between words so that none is longer than `width` (a word
// longer than that stands on a line of its own); line breaks already there stay.
std::string WrapText(const std::string& text, std::size_t width);

// CLI11's usage layout, every description and footer wrapped to HelpWidth columns; the text
// of an option or command stays in the column right of its name.
class WrappingFormatter : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option* option, bool isPositional) const override;
    std::string make_subcommand(const CLI::App* command) const override;
    std::string make_description(const CLI::App* app) const override;
    std::string make_footer(const CLI::App* app) const override;
};
