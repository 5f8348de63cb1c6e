// The operator's stand-in for the KC35: quorvex-sim attenuator, driven by the real link.
#include "Kc35Attenuator.h"
#include "RecordingSerialLink.h"
#include "SerialPortLink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// quorvex-sim attenuator as a child process whose standard output the test reads line by line.
class Simulator {
public:
    Simulator()
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char program[] = QUORVEX_SIM;
        char command[] = "attenuator";
        char* argv[] = {program, command, nullptr};
        if (posix_spawn(&pid_, program, &actions, nullptr, argv, environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
    }
    ~Simulator()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool Started() const { return pid_ > 0; }

    // The next line of output, or "" when none comes within five seconds.
    std::string ReadLine()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (;;) {
            const auto end = buffered_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd wait{output_, POLLIN, 0};
            if (left.count() <= 0 || poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
                return "";
            }
            char chunk[256];
            const ssize_t n = read(output_, chunk, sizeof chunk);
            if (n <= 0) {
                return "";
            }
            buffered_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Stops it as an operator would (Ctrl+C, or SIGTERM from a service manager) and returns its
    // exit status; -2 when it has not ended five seconds later (it is then killed).
    int Stop(int signal = SIGINT)
    {
        kill(pid_, signal);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                return -2;  // the destructor kills it
            }
            usleep(10000);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Bytes written to its standard output that nobody has read yet.
    int Unread() const
    {
        int count = 0;
        ioctl(output_, FIONREAD, &count);
        return count;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
};

TEST(AttenuatorSimulator, ShowsEachCommandThePortSendsAndStopsCleanly)
{
    Simulator simulator;
    ASSERT_TRUE(simulator.Started());
    const std::string path = simulator.ReadLine();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    SerialPortLink port(path);
    RecordingDispatcher events;
    Kc35Attenuator kc35(port, events);
    ASSERT_TRUE(kc35.SendKC35Setup());
    ASSERT_TRUE(kc35.SetAttenuatorLevel(2, 40));
    ASSERT_TRUE(kc35.SetAttenuatorLevel(1, -23));
    ASSERT_TRUE(kc35.SendEarRouting(EarSide::Left));

    for (const char* expected : {"set-up group 1: L02L40M80", "set-up group 2: N02N80P0202",
                                 "channel 2 (K): attenuation 80 dB = level 40 dB SPL",
                                 "channel 1 (I): attenuation 143 dB = level -23 dB SPL",
                                 "routing: left ear (L01N01)"}) {
        EXPECT_EQ(simulator.ReadLine(), expected);
    }
    EXPECT_EQ(simulator.Stop(), 0);
}

TEST(AttenuatorSimulator, StoppingShowsWhatIsStillPendingAndEndsCleanly)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        Simulator simulator;
        ASSERT_TRUE(simulator.Started());
        const std::string path = simulator.ReadLine();
        const int port = open(path.c_str(), O_WRONLY | O_NOCTTY);
        ASSERT_GE(port, 0) << path;
        EXPECT_EQ(write(port, "K50I4", 5), 5);
        close(port);
        EXPECT_EQ(simulator.ReadLine(), "channel 2 (K): attenuation 80 dB = level 40 dB SPL") << signal;
        EXPECT_EQ(simulator.Stop(signal), 0) << signal;
        EXPECT_EQ(simulator.ReadLine(), "incomplete command: 0x49 'I' 0x34 '4'") << signal;
    }
}

// Its standard output not read (a full pipe): Ctrl+C and SIGTERM still end it at once.
TEST(AttenuatorSimulator, StopsWhileItsOutputIsBlocked)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        Simulator simulator;
        ASSERT_TRUE(simulator.Started());
        const std::string path = simulator.ReadLine();
        const int port = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(port, 0) << path;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (simulator.Unread() < 60000 && std::chrono::steady_clock::now() < deadline) {
            if (write(port, "K50", 3) != 3) {
                usleep(1000);
            }
        }
        ASSERT_GE(simulator.Unread(), 60000) << "the output pipe never filled";
        usleep(100000);  // it is now blocked on its output
        EXPECT_EQ(simulator.Stop(signal), 0) << signal;
        close(port);
    }
}

}  // namespace
