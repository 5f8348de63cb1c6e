#pragma once

#include <cstdio>
#include <unistd.h>

// The wave operations report misuse on standard output and may wait for a key; a death test
// matches standard error only. This sends the child's standard output to its standard error
// and gives it an empty standard input, so the message can be matched and nothing waits.
inline void RedirectForDeathTest()
{
    std::fflush(stdout);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    if (std::freopen("/dev/null", "r", stdin) == nullptr) {
        std::perror("/dev/null");
    }
}

// Exit status -1 as the parent process sees it.
constexpr int MisuseExitCode = 255;
