#include "RunFilesFolder.h"

#include <stdlib.h>

RunFilesFolder::RunFilesFolder(const std::string& prefix)
    : previous_(std::filesystem::current_path())
{
    std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(name.data()) != nullptr) {
        path_ = name;
        std::filesystem::current_path(path_);
    }
}

RunFilesFolder::~RunFilesFolder()
{
    if (!Made()) {
        return;
    }
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

void RunFilesFolder::Empty() const
{
    if (!Made()) {
        return;
    }
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}
