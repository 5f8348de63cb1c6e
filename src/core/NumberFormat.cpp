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
