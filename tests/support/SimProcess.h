#pragma once

// quorvex-sim run as a child process, as an operator would run it from a shell. The test
// target defines QUORVEX_SIM as the path of the built tool.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

struct Outcome {
    int status = -1;
    std::string output;  // what the chosen streams carried
};

// A shell command's exit status and what it writes to standard output.
inline Outcome Shell(const std::string& command)
{
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    std::array<char, 4096> buffer{};
    std::size_t count = 0;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        outcome.output.append(buffer.data(), count);
    }
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// `streams` chooses what is read: both by default, " 2>/dev/null" standard output only,
// " 2>&1 >/dev/null" standard error only. `before` is shell text run first, such as a ulimit.
inline Outcome Sim(const std::string& arguments, const std::string& streams = " 2>&1", const std::string& before = "")
{
    return Shell(before + std::string(QUORVEX_SIM) + " " + arguments + streams);
}

