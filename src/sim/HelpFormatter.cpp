#include "HelpFormatter.h"

#include <algorithm>
#include <sstream>

namespace {

std::string WrapLine(const std::string& line, std::size_t width)
{
    std::istringstream words(line);
    std::string wrapped;
    std::size_t length = 0;
    std::string word;
    while (words >> word) {
        if (length > 0 && length + 1 + word.size() > width) {
            wrapped += '\n';
            length = 0;
        } else if (length > 0) {
            wrapped += ' ';
            ++length;
        }
        wrapped += word;
        length += word.size();
    }
    return wrapped;
}

}  // namespace

std::string WrapText(const std::string& text, std::size_t width)
{
    std::string wrapped;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        wrapped += WrapLine(text.substr(start, end - start), width);
        if (end < text.size()) {
            wrapped += '\n';
        }
        start = end + 1;
    }
    return wrapped;
}

std::string WrappingFormatter::make_option(const CLI::Option* option, bool isPositional) const
{
    std::ostringstream out;
    CLI::detail::format_help(out, make_option_name(option, isPositional) + make_option_opts(option),
                             WrapText(make_option_desc(option), HelpWidth - get_column_width()), get_column_width());
    return out.str();
}

std::string WrappingFormatter::make_subcommand(const CLI::App* command) const
{
    std::ostringstream out;
    CLI::detail::format_help(out, command->get_display_name(true),
                             WrapText(command->get_description(), HelpWidth - get_column_width()),
                             get_column_width());
    return out.str();
}

std::string WrappingFormatter::make_description(const CLI::App* app) const
{
    return WrapText(CLI::Formatter::make_description(app), HelpWidth);
}

std::string WrappingFormatter::make_footer(const CLI::App* app) const
{
    const std::string footer = app->get_footer();
    return footer.empty() ? footer : WrapText(footer, HelpWidth) + "\n";
}
