#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

// A fresh temporary folder of the test's own, removed with everything in it when the test ends.
// A run writes "test.out" (and tone.wav, calib.wav, results files given without a folder) in
// the current folder: Enter makes the test work inside the scratch folder until it ends, so
// nothing reaches the source or build tree and parallel tests never share a file.
class ScratchFolder {
public:
    enum class Mode { Stay, Enter };

    explicit ScratchFolder(Mode mode = Mode::Enter)
        : previous_(std::filesystem::current_path())
    {
        std::string name = (std::filesystem::temp_directory_path() / "quorvex-test-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            ADD_FAILURE() << "no temporary folder could be made in " << std::filesystem::temp_directory_path();
        }
        path_ = name;
        if (mode == Mode::Enter) {
            std::filesystem::current_path(path_);
            entered_ = true;
        }
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (entered_) {
            std::filesystem::current_path(previous_, ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Path(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
    bool entered_ = false;
};
