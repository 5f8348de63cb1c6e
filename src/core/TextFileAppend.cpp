#include "TextFileAppend.h"

#include "SystemError.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

std::string_view LineEndOf(std::string_view block)
{
    const auto end = block.find('\n');
    return end != std::string_view::npos && end > 0 && block[end - 1] == '\r' ? "\r\n" : "\n";
}

// Opens `path` for appending, creating it if needed. The open does not wait: a FIFO that no
// program reads fails at once (ENXIO) instead of holding the run's end forever. The writes
// that follow block as usual.
int OpenForAppending(const std::string& path, bool create = true)
{
    errno = 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | (create ? O_CREAT : 0) | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

}  // namespace

LockedTextFile::LockedTextFile(const std::string& path, Missing missing)
    : path_(path)
    , fd_(OpenForAppending(path, missing == Missing::Create))
{
    if (fd_ < 0) {
        error_ = LastSystemError();
        return;
    }
    // Taken before the file is measured, so that nothing is appended between measuring it,
    // reading it and cutting back to its size.
    ::flock(fd_, LOCK_EX);
    struct stat before {};
    if (::fstat(fd_, &before) != 0) {
        error_ = LastSystemError();
        Close();
        return;
    }
    regular_ = S_ISREG(before.st_mode);
    size_ = regular_ ? before.st_size : 0;
}

LockedTextFile::~LockedTextFile()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string LockedTextFile::Read(off_t offset, std::size_t count) const
{
    if (!regular_ || count == 0) {
        return {};
    }
    // The append descriptor cannot read; the lock on it holds for this one too.
    const int in = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return {};
    }
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(in, bytes.data() + got, count - got, offset + static_cast<off_t>(got));
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    ::close(in);
    bytes.resize(got);
    return bytes;
}

std::string LockedTextFile::Head(std::size_t count) const
{
    return Read(0, std::min(count, static_cast<std::size_t>(size_)));
}

std::string LockedTextFile::Tail(std::size_t count) const
{
    const std::size_t length = std::min(count, static_cast<std::size_t>(size_));
    return Read(size_ - static_cast<off_t>(length), length);
}

std::error_code LockedTextFile::Append(std::string_view block)
{
    return Append(block, [](int descriptor, const char* data, std::size_t size) {
        return static_cast<long>(::write(descriptor, data, size));
    });
}

std::error_code LockedTextFile::Append(std::string_view block, const BlockWriter& write)
{
    if (fd_ < 0) {
        return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
    }
    std::string bytes;
    // A file whose last byte cannot be read back is taken as ending a line: nothing is known,
    // and nothing is added.
    const std::string last = Tail(1);
    if (!last.empty() && last != "\n") {
        bytes = LineEndOf(block);
    }
    bytes += block;
    // One write as a rule; a write cut short (slow storage, a signal) is followed by the rest
    // while the lock holds, and any failure undoes the whole block.
    std::size_t written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const long count = write(fd_, bytes.data() + written, bytes.size() - written);
        if (count <= 0) {
            const std::error_code error = count < 0 ? LastSystemError() : std::make_error_code(std::errc::io_error);
            // Should the cut fail too, the next block still starts on a line of its own.
            if (regular_) {
                [[maybe_unused]] const int cut = ::ftruncate(fd_, size_);
            }
            return error;
        }
        written += static_cast<std::size_t>(count);
    }
    size_ += regular_ ? static_cast<off_t>(bytes.size()) : 0;
    return {};
}

std::error_code LockedTextFile::Close()
{
    const int fd = fd_;
    fd_ = -1;
    if (fd < 0) {
        return error_;
    }
    return ::close(fd) == 0 ? std::error_code{} : LastSystemError();
}

std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block)
{
    LockedTextFile file(path);
    if (const std::error_code error = file.Append(block)) {
        return error;
    }
    return file.Close();
}

std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block, const BlockWriter& write)
{
    LockedTextFile file(path);
    if (const std::error_code error = file.Append(block, write)) {
        return error;
    }
    return file.Close();
}

std::error_code CheckAppendable(const std::string& path)
{
    // No lock: nothing is written, and a writer holding it must not delay the run's start.
    const int fd = OpenForAppending(path);
    if (fd < 0) {
        return LastSystemError();
    }
    return ::close(fd) == 0 ? std::error_code{} : LastSystemError();
}
