#include "cli/fdstream.h"

#include <cerrno>
#include <system_error>

#include <unistd.h>

#include "rom/writeall.h"

namespace cli {

FdInput::int_type FdInput::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    ssize_t n;
    do {
        n = ::read(m_fd, m_buffer.data(), m_buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw std::system_error(errno, std::generic_category());
    if (n == 0)
        return traits_type::eof();
    setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + n);
    return traits_type::to_int_type(*gptr());
}

FdOutput::FdOutput(int fd) : m_fd(fd), m_buffer(64 * 1024)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

FdOutput::~FdOutput()
{
    try {
        drain();
    } catch (const std::system_error&) {
        // Whoever cared about the output has synced it and seen the error.
    }
}

void FdOutput::drain()
{
    const int err = rom::WriteAll(m_fd, std::string_view(pbase(), static_cast<std::size_t>(pptr() - pbase())));
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());  // what failed is dropped, once
    if (err != 0)
        throw std::system_error(err, std::generic_category());
}

FdOutput::int_type FdOutput::overflow(int_type c)
{
    drain();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int FdOutput::sync()
{
    drain();
    return 0;
}

}  // namespace cli
