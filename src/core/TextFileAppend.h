#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

// The system call that moves bytes to a file descriptor, as write(2) does: the number of bytes
// written, or -1 with errno set. Tests put a failing one in its place.
using BlockWriter = std::function<long(int descriptor, const char* data, std::size_t size)>;

// Appends `block` (whole lines, ending in "\r\n" or "\n") to the text file `path`, creating
// it if needed, so that it never tears or mixes with another block:
// - the block goes out in one write on a file opened for appending, while writers of this
//   program take turns on the file (an advisory lock), so two programs appending at once
//   cannot interleave their blocks;
// - a write that fails (a full disk, for instance) cuts the file back to its size before the
//   block;
// - when the file does not end with a line end (a block cut by a crash, or by another
//   program), one is written first, so the block starts on a line of its own.
// Returns the system's reason when the block could not be written.
std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block);
std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block, const BlockWriter& write);

// Whether `path` can be opened for appending (it is created if absent); writes nothing.
std::error_code CheckAppendable(const std::string& path);
