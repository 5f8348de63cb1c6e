#include "StandardOutput.h"

#include <unistd.h>

#include <cerrno>

StandardOutputBuffer::StandardOutputBuffer()
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

StandardOutputBuffer::~StandardOutputBuffer()
{
    Drain();
}

bool StandardOutputBuffer::Drain()
{
    const char* next = pbase();
    while (!error_ && next < pptr()) {
        const ssize_t count = ::write(STDOUT_FILENO, next, static_cast<std::size_t>(pptr() - next));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            error_ = {count < 0 ? errno : EIO, std::generic_category()};
            break;
        }
        next += count;
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return !error_;
}

StandardOutputBuffer::int_type StandardOutputBuffer::overflow(int_type ch)
{
    if (!Drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int StandardOutputBuffer::sync()
{
    return Drain() ? 0 : -1;
}
