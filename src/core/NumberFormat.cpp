#include "NumberFormat.h"

#include <array>
#include <charconv>

std::string FormatGeneral(double value, int digits, char decimalSeparator)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, digits);
    std::string text(buffer.data(), result.ptr);
    if (text == "-0") {
        text = "0";
    }
    if (decimalSeparator != '.') {
        for (char& ch : text) {
            if (ch == '.') {
                ch = decimalSeparator;
            }
        }
    }
    return text;
}

std::string FormatShortest(float value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    return text == "-0" ? "0" : text;
}

std::string FormatFixed(double value, int decimals)
{
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer.data(), result.ptr);
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string FormatRounded(double value, int decimals)
{
    std::string text = FormatFixed(value, decimals);
    if (text.find('.') != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text;
}

std::string FormatHz(double hz)
{
    return FormatFixed(hz, 0);
}

std::string FormatDb(double db)
{
    return FormatFixed(db, 1);
}

std::string FormatQ10(double q10)
{
    return FormatFixed(q10, 2);
}

std::string FormatPercent(double percent)
{
    return FormatFixed(percent, 1);
}
