#include "WholeFile.h"

#include "SystemError.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

enum class FileRefusal { NotAFile = 1, TooLarge };

class RefusalCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "whole file"; }
    std::string message(int code) const override
    {
        if (static_cast<FileRefusal>(code) == FileRefusal::NotAFile) {
            return "it is a device, not a file";
        }
        return "it holds more than " + std::to_string(WholeFileLimit >> 20) + " MiB, the most Quorvex reads of a file";
    }
};

std::error_code Refused(FileRefusal refusal)
{
    static const RefusalCategory category;
    return {static_cast<int>(refusal), category};
}

}  // namespace

WholeFile ReadWholeFile(const std::string& path)
{
    WholeFile file;
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) {
        file.Error = LastSystemError();
        return file;
    }
    // Regular files and pipes are read; a pipe is stopped at the limit.
    struct stat status {};
    if (::fstat(::fileno(in.get()), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            file.Error = std::make_error_code(std::errc::is_a_directory);
            return file;
        }
        if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) {
            file.Error = Refused(FileRefusal::NotAFile);
            return file;
        }
        if (S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) > WholeFileLimit) {
            file.Error = Refused(FileRefusal::TooLarge);
            return file;
        }
    }
    std::array<char, 65536> buffer;
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        if (file.Text.size() + count > WholeFileLimit) {
            file.Error = Refused(FileRefusal::TooLarge);
            file.Text.clear();
            return file;
        }
        file.Text.append(buffer.data(), count);
    }
    if (std::ferror(in.get())) {
        file.Error = LastSystemError();
        file.Text.clear();
    }
    return file;
}
