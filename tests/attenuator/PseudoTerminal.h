#pragma once

#include <chrono>
#include <string>

// A pseudo-terminal pair opened by the test: the program's serial link opens SlavePath(); the
// test reads what arrives on the master side, as the attenuator would.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int SlaveFd() const { return slave_; }

    // Reads until `count` bytes have arrived or `limit` has passed; returns what came.
    std::string Read(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Everything that arrives within `quiet` (nothing more is expected).
    std::string ReadRest(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));
    // Closes the master side, as an attenuator unplugged from the line: the slave's writes and
    // openings fail from now on.
    void HangUp();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
