#include "WholeFile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::error_code LastError()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace

WholeFile ReadWholeFile(const std::string& path)
{
    WholeFile file;
    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> in(std::fopen(path.c_str(), "rb"));
    if (!in) {
        file.Error = LastError();
        return file;
    }
    std::array<char, 65536> buffer;
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0) {
        file.Text.append(buffer.data(), count);
    }
    if (std::ferror(in.get())) {
        file.Error = LastError();
        file.Text.clear();
    }
    return file;
}
