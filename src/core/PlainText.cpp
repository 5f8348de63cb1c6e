#include "PlainText.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

struct CodePoint {
    char32_t Value = 0;
    std::size_t Length = 1;  // bytes taken from the text
    bool Valid = false;
};

// The UTF-8 character at the start of `text` (not empty); an invalid byte is one byte long.
CodePoint Decode(std::string_view text)
{
    const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    // Lead byte: the character's length, the value bits it carries, the least value of that length.
    struct Form {
        std::uint8_t First, Last;
        std::size_t Length;
        std::uint8_t Bits;
        char32_t Least;
    };
    static constexpr std::array<Form, 3> Forms = {{{0xC2, 0xDF, 2, 0x1F, 0x80},
                                                    {0xE0, 0xEF, 3, 0x0F, 0x800},
                                                    {0xF0, 0xF4, 4, 0x07, 0x10000}}};
    const Form* form = nullptr;
    for (const Form& candidate : Forms) {
        if (lead >= candidate.First && lead <= candidate.Last) {
            form = &candidate;
        }
    }
    if (form == nullptr) {
        return {};
    }
    const std::size_t length = form->Length;
    const char32_t least = form->Least;
    char32_t value = lead & form->Bits;
    if (text.size() < length) {
        return {};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) {
            return {};
        }
        value = (value << 6) | (byte(i) & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond Unicode are not characters.
    if (value < least || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        return {};
    }
    return {value, length, true};
}

bool IsControl(char32_t value)
{
    return value < 0x20 || (value >= 0x7F && value <= 0x9F);
}

// Copies `text`, replacing each character `replace` picks (and each invalid byte when
// `replaceInvalid`) by U+FFFD.
template <typename Pick>
std::string Replaced(std::string_view text, bool replaceInvalid, Pick replace)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const CodePoint c = Decode(text);
        const bool swap = c.Valid ? replace(c.Value) : replaceInvalid;
        out += swap ? Replacement : text.substr(0, c.Length);
        text.remove_prefix(c.Length);
    }
    return out;
}

}  // namespace

Result<> CheckOneLine(std::string_view text)
{
    while (!text.empty()) {
        const CodePoint c = Decode(text);
        if (c.Valid && IsControl(c.Value)) {
            if (c.Value == '\n' || c.Value == '\r') {
                return Failure{"a line break"};
            }
            if (c.Value == '\t') {
                return Failure{"a tab"};
            }
            std::array<char, 40> name{};
            std::snprintf(name.data(), name.size(), "the control character U+%04X", static_cast<unsigned>(c.Value));
            return Failure{name.data()};
        }
        text.remove_prefix(c.Length);
    }
    return {};
}

std::string WithControlCharactersShown(std::string_view text)
{
    return Replaced(text, false, IsControl);
}

std::string ValidUtf8(std::string_view text)
{
    return Replaced(text, true, [](char32_t) { return false; });
}
