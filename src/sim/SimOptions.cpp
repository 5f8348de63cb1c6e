#include "SimOptions.h"

#include "NumberParse.h"

#include <charconv>
#include <functional>

namespace {

// An option whose text `parse` turns into the value; `expected` says what it takes.
template <typename T>
CLI::Option* AddParsedOption(CLI::App& command, const std::string& name, const std::string& typeName,
                             const std::string& help, const std::string& expected,
                             std::function<std::optional<T>(const std::string&)> parse,
                             std::function<void(T)> store)
{
    CLI::Validator check(
        [parse, expected](std::string& text) -> std::string {
            return parse(text) ? std::string() : "'" + text + "' is not " + expected;
        },
        "");
    return command
        .add_option_function<std::string>(
            name, [parse, store](const std::string& text) { store(*parse(text)); }, help)
        ->type_name(typeName)
        ->check(check);
}

}  // namespace

CLI::Option* AddIniOption(CLI::App& command, std::string& path)
{
    return command.add_option("--ini", path, "test-condition file (default ./PTC.INI)")->type_name("FILE");
}

CLI::Option* AddConditionOption(CLI::App& command, int& condition)
{
    return AddParsedOption<int>(
        command, "--condition", "N", "condition number, from 1 (default 1)", "a condition number from 1",
        [](const std::string& text) {
            const std::optional<int> n = ParseInteger(text);
            return n && *n >= 1 ? n : std::nullopt;
        },
        [&condition](int n) { condition = n; });
}

CLI::Option* AddSeedOption(CLI::App& command, std::optional<std::uint32_t>& seed)
{
    return AddParsedOption<std::uint32_t>(
        command, "--seed", "N", "seed of the noise reservoir, 0 to 4294967295 (default: from the clock, as in the program)", "a whole number from 0 to 4294967295",
        [](const std::string& text) -> std::optional<std::uint32_t> {
            std::uint32_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
                return std::nullopt;
            }
            return value;
        },
        [&seed](std::uint32_t value) { seed = value; });
}

CLI::Option* AddRealOption(CLI::App& command, const std::string& name, std::optional<float>& value,
                           const std::string& typeName, const std::string& help, bool atLeastZero)
{
    return AddParsedOption<float>(
        command, name, typeName, help, atLeastZero ? "a number from 0" : "a number",
        [atLeastZero](const std::string& text) {
            const std::optional<float> number = ParseReal(text, '.');
            return number && (!atLeastZero || *number >= 0.0f) ? number : std::nullopt;
        },
        [&value](float number) { value = number; });
}
