#include "NumberParse.h"

#include "AsciiText.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsHexDigit(char ch)
{
    return IsDigit(ch) || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

}  // namespace

std::optional<int> ParseInteger(std::string_view text)
{
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (char ch : text) {
        if (base == 10 ? !IsDigit(ch) : !IsHexDigit(ch)) {
            return std::nullopt;
        }
    }
    std::uint64_t magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    if (base == 16) {
        // A hexadecimal value names 32 bits: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull) {
            return std::nullopt;
        }
        const auto bits = static_cast<std::uint32_t>(negative ? (0u - static_cast<std::uint32_t>(magnitude))
                                                              : static_cast<std::uint32_t>(magnitude));
        return static_cast<int>(bits);
    }
    const std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (magnitude > 2147483648ull || value > 2147483647 || value < -2147483648LL) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<float> ParseReal(std::string_view text, char decimalSeparator)
{
    text = TrimBlanks(text);
    std::string canonical;
    canonical.reserve(text.size());
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            canonical.push_back('-');
        }
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        canonical.push_back(text[i++]);
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == decimalSeparator) {
        canonical.push_back('.');
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            canonical.push_back(text[i++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        canonical.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            canonical.push_back(text[i++]);
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            canonical.push_back(text[i++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto result = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
    if (result.ec != std::errc{} || result.ptr != canonical.data() + canonical.size()) {
        return std::nullopt;
    }
    const auto narrowed = static_cast<float>(value);
    if (!std::isfinite(narrowed)) {
        return std::nullopt;
    }
    return narrowed;
}

char SystemDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point.at(0).unicode() < 128 ? static_cast<char>(point.at(0).unicode()) : '.';
}
