#pragma once

#include <string>

// The ends of the program for a wave operation that was misused. They exist because such a
// misuse means the stimulus would be wrong: no sound is better than a wrong one.

// Writes `message` and a line end to standard output and ends with exit status -1.
[[noreturn]] void EndOnWaveMisuse(const std::string& message);

// The same, followed by an empty line and "Press key to continue...", waiting for one
// character from standard input before ending with exit status -1.
[[noreturn]] void EndOnWaveMisuseAfterPrompt(const std::string& message);
