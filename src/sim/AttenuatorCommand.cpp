// quorvex-sim attenuator: stands in for the KC35 on a pseudo-terminal and shows what arrives.
#include "SimCommands.h"

#include "Kc35Decoder.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int)
{
    stopRequested = 1;
}

// The pseudo-terminal pair. The slave stays open here too, so that the program can open and
// close it around every command without the master side seeing a hang-up.
class Terminal {
public:
    Terminal()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            error = errno;
            return;
        }
        termios settings{};
        tcgetattr(slave, &settings);
        cfmakeraw(&settings);
        tcsetattr(slave, TCSANOW, &settings);
        path = name;
    }
    ~Terminal()
    {
        if (master >= 0) {
            close(slave);
            close(master);
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    int master = -1;
    int slave = -1;
    int error = 0;
    std::string path;
};

void Print(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        std::cout << line << '\n';
    }
    std::cout.flush();
}

int StandIn()
{
    // The stop signals are only let through while waiting for bytes, so none is missed
    // between checking the flag and starting to wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    Terminal terminal;
    if (terminal.master < 0) {
        std::cerr << "quorvex-sim attenuator: cannot open a pseudo-terminal: " << std::strerror(terminal.error) << '\n';
        return 1;
    }
    std::cout << terminal.path << std::endl;

    Kc35Decoder decoder;
    // Bytes of one command arrive back to back; a second of silence ends an unfinished one.
    const timespec pause{1, 0};
    while (!stopRequested) {
        pollfd wait{terminal.master, POLLIN, 0};
        const int ready = ppoll(&wait, 1, decoder.Pending() ? &pause : nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::cerr << "quorvex-sim attenuator: " << std::strerror(errno) << '\n';
            return 1;
        }
        if (ready == 0) {
            Print(decoder.Flush());
            continue;
        }
        char buffer[256];
        const ssize_t count = read(terminal.master, buffer, sizeof buffer);
        if (count < 0 && errno != EAGAIN && errno != EINTR) {
            std::cerr << "quorvex-sim attenuator: " << std::strerror(errno) << '\n';
            return 1;
        }
        for (ssize_t i = 0; i < count; ++i) {
            Print(decoder.Feed(buffer[i]));
        }
    }
    Print(decoder.Flush());
    return 0;
}

}  // namespace

SimCommand AddAttenuatorCommand(CLI::App& tool)
{
    CLI::App* command = tool.add_subcommand("attenuator", "stand in for the KC35 attenuator on a pseudo-terminal");
    command->footer("Prints the terminal's path (for SerialPort=), then each command received, until interrupted. "
                    "It has no options, and writes no file.");
    return {command, [] { return StandIn(); }};
}
