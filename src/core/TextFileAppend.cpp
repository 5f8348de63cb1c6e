#include "TextFileAppend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::error_code LastError()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

// A file descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    // Closes now, for the caller to learn of a failed close (a network file system reports
    // deferred write errors there).
    std::error_code Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? std::error_code{} : LastError();
    }

private:
    int fd_;
};

// Whether the last byte of the regular file `path` (of `size` bytes) ends a line. A file that
// cannot be read back is taken as ending one: nothing can be known, and nothing is added.
bool EndsWithLineEnd(const std::string& path, off_t size)
{
    if (size == 0) {
        return true;
    }
    const Descriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char last = '\n';
    if (in.Get() >= 0 && ::pread(in.Get(), &last, 1, size - 1) != 1) {
        last = '\n';
    }
    return last == '\n';
}

std::string_view LineEndOf(std::string_view block)
{
    const auto end = block.find('\n');
    return end != std::string_view::npos && end > 0 && block[end - 1] == '\r' ? "\r\n" : "\n";
}

// Opens `path` for appending, creating it if needed. The open does not wait: a FIFO that no
// program reads fails at once (ENXIO) instead of holding the run's end forever. The writes
// that follow block as usual.
int OpenForAppending(const std::string& path)
{
    errno = 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

}  // namespace

std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block)
{
    return AppendBlockToTextFile(path, block, [](int descriptor, const char* data, std::size_t size) {
        return static_cast<long>(::write(descriptor, data, size));
    });
}

std::error_code AppendBlockToTextFile(const std::string& path, std::string_view block, const BlockWriter& write)
{
    Descriptor file(OpenForAppending(path));
    if (file.Get() < 0) {
        return LastError();
    }
    // Writers of this program take turns, so that nothing is appended between measuring the
    // size and cutting back to it. A file system without locks still gets the single write.
    ::flock(file.Get(), LOCK_EX);
    struct stat before {};
    if (::fstat(file.Get(), &before) != 0) {
        return LastError();
    }
    const bool regular = S_ISREG(before.st_mode);

    std::string bytes;
    if (regular && !EndsWithLineEnd(path, before.st_size)) {
        bytes = LineEndOf(block);
    }
    bytes += block;
    // One write as a rule; a write cut short (slow storage, a signal) is followed by the rest
    // while the lock holds, and any failure undoes the whole block.
    std::size_t written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const long count = write(file.Get(), bytes.data() + written, bytes.size() - written);
        if (count <= 0) {
            const std::error_code error = count < 0 ? LastError() : std::make_error_code(std::errc::io_error);
            // Should the cut fail too, the next block still starts on a line of its own.
            if (regular) {
                [[maybe_unused]] const int cut = ::ftruncate(file.Get(), before.st_size);
            }
            return error;
        }
        written += static_cast<std::size_t>(count);
    }
    return file.Close();
}

std::error_code CheckAppendable(const std::string& path)
{
    Descriptor file(OpenForAppending(path));
    if (file.Get() < 0) {
        return LastError();
    }
    return file.Close();
}
