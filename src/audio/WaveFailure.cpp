#include "WaveFailure.h"

#include <cstdio>
#include <cstdlib>

void EndOnWaveMisuse(const std::string& message)
{
    std::fputs(message.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    std::exit(-1);
}

void EndOnWaveMisuseAfterPrompt(const std::string& message)
{
    std::fputs(message.c_str(), stdout);
    std::fputs("\n\nPress key to continue...\n", stdout);
    std::fflush(stdout);
    std::getchar();
    std::exit(-1);
}
