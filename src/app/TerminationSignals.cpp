#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cassert>
#include <csignal>
#include <stdexcept>

namespace {

constexpr std::array Handled = {SIGTERM, SIGINT, SIGHUP};
int writeEnd = -1;
std::array<struct sigaction, Handled.size()> previous{};

extern "C" void NoteSignal(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a request: the signal is not lost for the program.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    assert(writeEnd < 0 && "only one TerminationSignals may watch the signals at a time");
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("Quorvex cannot watch for the signals that end it: no pipe could be made");
    }
    writeEnd = pipe_[1];
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::Read);
    for (std::size_t i = 0; i < Handled.size(); ++i) {
        struct sigaction action {};
        action.sa_handler = NoteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(Handled[i], &action, &previous[i]);
    }
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < Handled.size(); ++i) {
        sigaction(Handled[i], &previous[i], nullptr);
    }
    notifier_.reset();
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TerminationSignals::Read()
{
    unsigned char byte = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        emit Requested(byte);
    }
}
