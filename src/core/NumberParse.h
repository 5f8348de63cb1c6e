#pragma once

#include <optional>
#include <string_view>

// Number syntax of the test-condition file and of the parameter edits. Blanks around the
// text are ignored; anything else that is not part of the number makes it "not a number".

// Decimal with optional sign, or hexadecimal written 0x..., 0X... or $... (32 bits).
std::optional<int> ParseInteger(std::string_view text);

// Decimal with optional sign, fraction and exponent, written with `decimalSeparator`.
// "inf", "nan", hexadecimal floats and values beyond the float range are not numbers.
std::optional<float> ParseReal(std::string_view text, char decimalSeparator);

// The system's decimal separator (from the process locale's numeric settings).
char SystemDecimalSeparator();
