#pragma once

#include "Result.h"

#include <string>
#include <string_view>

// Text from the operator, the command line or a file on its way into a one-line field of a
// results file, a data file or a terminal. Control characters (C0, DEL, C1) would break the
// line or steer the terminal; bytes that are not UTF-8 would make a UTF-8 file unreadable.

// Whether `text` holds no control character; refused with the first one as the operator is
// told of it ("a line break", "a tab", "the control character U+001B").
Result<> CheckOneLine(std::string_view text);

// `text` with every control character replaced by U+FFFD, the replacement character, so that
// the change shows.
std::string WithControlCharactersShown(std::string_view text);

// `text` with every byte that does not belong to a UTF-8 character replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);
