#pragma once

#include <filesystem>
#include <string>

// A temporary folder made the current one for the results files of virtual runs that only their
// measures are wanted of (a study's, a validation's), and removed at the end with all it holds.
class RunFilesFolder {
public:
    // `prefix` starts the folder's name, e.g. "quorvex-study".
    explicit RunFilesFolder(const std::string& prefix);
    ~RunFilesFolder();
    RunFilesFolder(const RunFilesFolder&) = delete;
    RunFilesFolder& operator=(const RunFilesFolder&) = delete;

    // Whether the folder could be made; nothing else is true without it.
    bool Made() const { return !path_.empty(); }
    // Removes what the runs left in it.
    void Empty() const;

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
