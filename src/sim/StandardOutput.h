#pragma once

#include <array>
#include <streambuf>
#include <system_error>

// A stream buffer for standard output that writes with write(2) and keeps the system's reason
// of the first write that failed ("No space left on device", "Broken pipe" when SIGPIPE is
// ignored), which std::cout forgets. Output after a failure is dropped.
class StandardOutputBuffer : public std::streambuf {
public:
    StandardOutputBuffer();
    ~StandardOutputBuffer() override;
    StandardOutputBuffer(const StandardOutputBuffer&) = delete;
    StandardOutputBuffer& operator=(const StandardOutputBuffer&) = delete;

    std::error_code Error() const { return error_; }

protected:
    int_type overflow(int_type ch) override;
    int sync() override;

private:
    bool Drain();

    std::array<char, 65536> buffer_{};
    std::error_code error_;
};
