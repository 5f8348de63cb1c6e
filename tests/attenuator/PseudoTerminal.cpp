#include "PseudoTerminal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error(std::string("openpty failed: ") + std::strerror(errno));
    }
    slavePath_ = name;
    // Raw, so that the line discipline passes the bytes through untouched. The slave stays
    // open here so that the master keeps reading while the link closes and reopens it.
    termios settings{};
    tcgetattr(slave_, &settings);
    cfmakeraw(&settings);
    tcsetattr(slave_, TCSANOW, &settings);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PseudoTerminal::~PseudoTerminal()
{
    close(slave_);
    if (master_ >= 0) {
        close(master_);
    }
}

void PseudoTerminal::HangUp()
{
    close(master_);
    master_ = -1;
}

std::string PseudoTerminal::Read(std::size_t count, std::chrono::milliseconds limit)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (received.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd wait{master_, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - received.size()));
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
        }
    }
    return received;
}

std::string PseudoTerminal::ReadRest(std::chrono::milliseconds quiet)
{
    std::string received;
    for (;;) {
        const std::string more = Read(4096, quiet);
        if (more.empty()) {
            return received;
        }
        received += more;
    }
}
