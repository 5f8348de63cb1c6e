#pragma once

#include <string>

// A wave operation misused: operands of different lengths or rates, or a section that does not
// fit. No input reaches one (the run's and the preview's checks refuse what would), so it is a
// fault of the program; the operation stops before it touches a sample, and the fault reaches
// the operator as a message (the run's summary, the application's message box, quorvex-sim's
// standard error) instead of a wrong sound or a program that ends without a word.
[[noreturn]] void RefuseWaveMisuse(const std::string& message);
