#include "CommandFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::nullopt_t CannotRead(const std::string& path, int error)
{
    std::cerr << "quorvex-sim: cannot read '" << path << "': " << std::strerror(error != 0 ? error : EIO) << '\n';
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadCommandFile(const std::string& path)
{
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return CannotRead(path, errno);
    }
    std::string text;
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, count);
    }
    // Reading a directory fails here, not at opening.
    if (std::ferror(file.get())) {
        return CannotRead(path, errno);
    }
    return text;
}
