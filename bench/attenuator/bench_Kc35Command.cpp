// Times one KC35 level command (open, "I" + two digits one byte per write, close), the time it
// adds before every presentation of a run. Usage:
//   bench_kc35_command [PORT] [count]
// Without PORT it sends to a pseudo-terminal of its own, drained by a reader thread; with PORT
// (e.g. ttyUSB0, or the path quorvex-sim attenuator printed) it sends there.
#include "EventDispatcher.h"
#include "Kc35Attenuator.h"
#include "Quantile.h"
#include "SerialPortLink.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class NoEvents final : public EventDispatcher {
public:
    void ProcessEvents() override {}
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

    int master = -1;
    int slave = -1;
    std::string port = argc > 1 ? argv[1] : "";
    std::atomic<bool> done{false};
    std::thread reader;
    if (port.empty()) {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            return 1;
        }
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        port = name;
        reader = std::thread([&] {
            char buffer[256];
            while (!done) {
                pollfd wait{master, POLLIN, 0};
                if (poll(&wait, 1, 50) > 0 && read(master, buffer, sizeof buffer) < 0) {
                    return;
                }
            }
        });
    }

    SerialPortLink comPort(port);
    NoEvents events;
    Kc35Attenuator kc35(comPort, events);
    std::vector<double> ms;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (const Result<> set = kc35.SetAttenuatorLevel(1, 40 + i % 40); !set) {
            ++failures;
            std::fprintf(stderr, "%s\n", set.Reason().c_str());
            comPort.Close();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    done = true;
    if (reader.joinable()) {
        reader.join();
        close(slave);
        close(master);
    }
    std::printf("port %s, %d level commands, %d failed\n", port.c_str(), count, failures);
    std::printf("per command: median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n", Quantile(ms, 0.5),
                Quantile(ms, 0.9), Quantile(ms, 1.0));
    std::printf("line time of 3 bytes at 9600 baud, 7E2 (11 bits each): %.3f ms\n", 3 * 11 * 1000.0 / 9600);
    return failures == 0 ? 0 : 1;
}
