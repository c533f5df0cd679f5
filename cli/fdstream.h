#pragma once
// Stream buffers over file descriptors that report a failed read or write by throwing
// std::system_error with the system's reason. The standard library's file buffers either turn a
// failure into an end of input or throw from places that cannot say which file failed.

#include <streambuf>
#include <vector>

namespace cli {

/// Reads a descriptor it does not own; a failed read throws std::system_error.
class FdInput final : public std::streambuf {
public:
    explicit FdInput(int fd) : m_fd(fd), m_buffer(64 * 1024) {}

protected:
    int_type underflow() override;

private:
    int m_fd;
    std::vector<char> m_buffer;
};

/// Writes a descriptor it does not own, buffered until sync; a failed write throws std::system_error.
class FdOutput final : public std::streambuf {
public:
    explicit FdOutput(int fd);
    ~FdOutput() override;
    FdOutput(const FdOutput&) = delete;
    FdOutput& operator=(const FdOutput&) = delete;

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    void drain();

    int m_fd;
    std::vector<char> m_buffer;
};

}  // namespace cli
