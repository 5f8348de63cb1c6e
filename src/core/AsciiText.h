#pragma once

#include <string>
#include <string_view>

// The words and keys of Quorvex's files and command line are ASCII: they are compared without
// regard to case, and values are read without the blanks around them. Bytes above 0x7F pass
// through unchanged, so that a UTF-8 name is never broken.

// `text` with A–Z turned into a–z.
std::string AsciiLower(std::string_view text);

// `text` without the spaces, tabs, carriage returns and line feeds at either end.
std::string_view TrimBlanks(std::string_view text);
