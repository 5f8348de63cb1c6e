#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

// The system call that moves bytes to a file descriptor, as write(2) does: the number of bytes
// written, or -1 with errno set. Tests put a failing one in its place.
using BlockWriter = std::function<long(int descriptor, const char* data, std::size_t size)>;

// A text file opened for appending (created if needed) and held under this program's advisory
// lock until it is closed or goes, so that what a writer reads of it before appending is still
// true when its block goes out: two programs appending at once take turns and cannot
// interleave their blocks. A file system without locks still gets each block in one write.
class LockedTextFile {
public:
    enum class Missing { Create, Leave };
    // `Missing::Leave` opens an existing file only (OpenError() is ENOENT otherwise), for a
    // writer that may have nothing to add but must read the file under the lock.
    explicit LockedTextFile(const std::string& path, Missing missing = Missing::Create);
    ~LockedTextFile();
    LockedTextFile(const LockedTextFile&) = delete;
    LockedTextFile& operator=(const LockedTextFile&) = delete;

    // Why the file could not be opened; nothing else works then.
    std::error_code OpenError() const { return error_; }
    // Whether the file holds nothing (also when it is not a regular file, as a FIFO).
    bool Empty() const { return size_ == 0; }
    // Up to `count` bytes from the start or from the end of a regular file; nothing from a
    // FIFO or a file that cannot be read back. What lies between is never read.
    std::string Head(std::size_t count) const;
    std::string Tail(std::size_t count) const;
    // The file's size in bytes (0 when it is not a regular file).
    std::size_t Size() const { return static_cast<std::size_t>(size_); }

    // Appends `block` (whole lines, ending in "\r\n" or "\n"):
    // - the block goes out in one write as a rule; a write cut short is followed by the rest;
    // - a write that fails (a full disk, for instance) cuts the file back to its size before
    //   the block;
    // - when the file does not end with a line end (a block cut by a crash, or by another
    //   program), one is written first, so the block starts on a line of its own.
    std::error_code Append(std::string_view block);
    std::error_code Append(std::string_view block, const BlockWriter& write);
    // Closes now, for the caller to learn of a failed close (a network file system reports
    // deferred write errors there).
    std::error_code Close();

private:
    std::string Read(off_t offset, std::size_t count) const;

    std::string path_;
    int fd_ = -1;
    std::error_code error_;
    bool regular_ = false;
    off_t size_ = 0;
};

// Appends `block` to the text file `path` as LockedTextFile::Append does, under the lock.
// Returns the system's reason when the block could not be written.
std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block);
std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block, const BlockWriter& write);

// Whether `path` can be opened for appending (it is created if absent); writes nothing.
std::error_code CheckAppendable(const std::string& path);
