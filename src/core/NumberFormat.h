#pragma once

#include <string>

// The general number format: up to `digits` significant digits, no trailing zeros, no
// decimal separator for whole numbers, exponent notation only for very large or small
// magnitudes. Independent of the process locale; `decimalSeparator` replaces '.'.
std::string FormatGeneral(double value, int digits, char decimalSeparator = '.');

// How the windows show a number: 15 significant digits.
inline std::string FormatForDisplay(double value, char decimalSeparator)
{
    return FormatGeneral(value, 15, decimalSeparator);
}

// How the results file writes a number: 6 significant digits, '.' as separator.
inline std::string FormatForResults(double value)
{
    return FormatGeneral(value, 6, '.');
}

// The fewest digits that read back as the same 32-bit float, '.' as separator: what a data
// file needs to carry a setting exactly (0.1f gives 0.1, not 0.100000001490116).
std::string FormatShortest(float value);

// Exactly `decimals` decimals, '.' as separator, never "-0.0": the numbers of a table whose
// column a reader scans (a value that rounds to zero is written as zero, without its sign).
std::string FormatFixed(double value, int decimals);

// At most `decimals` decimals, without trailing zeros, never "-0": a number rounded to what
// its measure can tell, so that rounding noise (an SD of 1e-14) reads as 0.
std::string FormatRounded(double value, int decimals);

// A measured quantity as the graph window, quorvex-sim analyze's text and the report state it:
// to the step the measurement can tell, the same in all three. The CSV tables and the data
// files keep every digit (FormatForResults).
std::string FormatHz(double hz);            // to 1 Hz: "1735"
std::string FormatDb(double db);            // to 0.1 dB, also dB/octave: "31.6"
std::string FormatQ10(double q10);          // to 0.01: "3.08"
std::string FormatPercent(double percent);  // to 0.1 %: "-0.3"
