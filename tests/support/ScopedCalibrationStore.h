#pragma once

#include "ScratchFolder.h"

#include <stdlib.h>

#include <optional>
#include <string>

// The calibration store moved to a folder of the test's own for the test's life
// (QUORVEX_CALIBRATION_DIR, as a lab would move it), so that no test reads or writes the
// profiles of the machine's user. The folder itself is not made: the first profile makes it.
class ScopedCalibrationStore {
public:
    ScopedCalibrationStore()
        : scratch_(ScratchFolder::Mode::Stay)
    {
        if (const char* previous = ::getenv(Variable)) {
            previous_ = previous;
        }
        ::setenv(Variable, Folder().c_str(), 1);
    }
    ~ScopedCalibrationStore()
    {
        if (previous_) {
            ::setenv(Variable, previous_->c_str(), 1);
        } else {
            ::unsetenv(Variable);
        }
    }
    ScopedCalibrationStore(const ScopedCalibrationStore&) = delete;
    ScopedCalibrationStore& operator=(const ScopedCalibrationStore&) = delete;

    std::string Folder() const { return (scratch_.Path() / "calibration").string(); }
    const ScratchFolder& Scratch() const { return scratch_; }

private:
    static constexpr const char* Variable = "QUORVEX_CALIBRATION_DIR";
    ScratchFolder scratch_;
    std::optional<std::string> previous_;
};
