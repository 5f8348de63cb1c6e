// quorvex-sim: the measurement logic of Quorvex from the command line.
#include "SimCommands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
    const char* summary;
};

const Command commands[] = {
    {"conditions", RunConditionsCommand, "conditions [FILE]   print what \"Parameters\" loads from FILE (default ./PTC.INI)"},
    {"attenuator", RunAttenuatorCommand, "attenuator          stand in for the KC35 on a pseudo-terminal: print its path, then each command received"},
    {"stimulus", RunStimulusCommand,
     "stimulus tone|calibration|reservoir|masker --out FILE.wav [--ini FILE] [--condition N] [--seed N]\n"
     "           [--frequency HZ] [--level DB]   write a stimulus as the program builds it (left channel)"},
    {"run", RunRunCommand,
     "run [--ini FILE] [--condition N] [--ear left|right] [--direction up|down] [--subject NAME]\n"
     "           [--results NAME] [--seed N] [--criterion DB] [--noise DB] [--expected]\n"
     "           measure a tuning curve with the virtual listener; write the results file and test.out"},
    {"analyze", RunAnalyzeCommand,
     "analyze [--csv] FILE.dat   tip and Q10 of every block of a results file (--csv: one CSV row per block)"},
};

void PrintUsage(std::FILE* to)
{
    std::fputs("usage: quorvex-sim <command> [options]\n\ncommands:\n", to);
    for (const Command& command : commands) {
        std::fprintf(to, "  %s\n", command.summary);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    for (const Command& command : commands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run(args);
        }
    }
    std::fprintf(stderr, "quorvex-sim: unknown command '%s'\n\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
