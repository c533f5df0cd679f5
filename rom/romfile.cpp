#include "rom/romfile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace rom {
namespace {

std::string systemReason(int err)
{
    return std::generic_category().message(err);
}

RomError systemError(ErrorKind kind, int err)
{
    return {kind, systemReason(err)};
}

// Positioned reads and writes: one system call per transfer, nothing buffered in between, so every
// written byte is with the system when writeAt returns.
class PosixFile final : public RomFile {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    Result<> readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        std::size_t done = 0;
        while (done < out.size()) {
            if (!fits(offset + done))
                return systemError(ErrorKind::ReadFailed, EOVERFLOW);
            const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return systemError(ErrorKind::ReadFailed, errno);
            if (n == 0)
                return RomError{ErrorKind::ReadFailed, "end of file"};
            done += static_cast<std::size_t>(n);
        }
        return {};
    }

    Result<> writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        // One call: a second one after a short write could land what the first refused, and the
        // caller then could not tell which bytes to put back.
        if (!fits(offset + bytes.size()))
            return systemError(ErrorKind::WriteFailed, EOVERFLOW);
        ssize_t n;
        do {
            n = ::pwrite(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return systemError(ErrorKind::WriteFailed, errno);
        const auto landed = static_cast<std::size_t>(n);
        if (landed == bytes.size())
            return {};
        RomError error{ErrorKind::WriteFailed,
                       "only " + std::to_string(n) + " of " + std::to_string(bytes.size()) + " bytes were written"};
        if (landed > 0)
            error.mayHaveChanged = ByteRange{offset, offset + landed - 1};
        return error;
    }

    Result<> reserve(std::uint64_t offset, std::uint64_t length) override
    {
        if (!fits(offset + length))
            return systemError(ErrorKind::WriteFailed, EOVERFLOW);
        int result;
        do {
            result = ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset), static_cast<off_t>(length));
        } while (result < 0 && errno == EINTR);
        if (result == 0 || errno == EOPNOTSUPP || errno == ENOSYS)
            return {};  // a file system that cannot reserve still gets the write, and its error if any
        return systemError(ErrorKind::WriteFailed, errno);
    }

    Result<> lock(std::uint64_t offset, std::uint64_t length) override
    {
        if (!fits(offset + length))
            return systemError(ErrorKind::Locked, EOVERFLOW);
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        range.l_start = static_cast<off_t>(offset);
        range.l_len = static_cast<off_t>(length);
        // Holders keep the lock for one save, a few milliseconds; a program stuck holding it must not
        // hang the window, so give up after a while instead of waiting without end.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        for (;;) {
            if (::fcntl(m_fd, F_OFD_SETLK, &range) == 0)
                return {};
            const int err = errno;
            if (err == EINVAL || err == ENOLCK || err == EOPNOTSUPP)
                return {};  // no locks on this file system: the comparison before writing still guards
            if ((err != EAGAIN && err != EACCES && err != EINTR) || std::chrono::steady_clock::now() > giveUp) {
                // Contention is what ErrorKind::Locked says already: no second reason to repeat it.
                if (err == EAGAIN || err == EACCES)
                    return RomError{ErrorKind::Locked, {}};
                return systemError(ErrorKind::Locked, err);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    Result<> sync() override
    {
        int result;
        do {
            result = ::fdatasync(m_fd);
        } while (result < 0 && errno == EINTR);
        if (result == 0)
            return {};
        return systemError(ErrorKind::SyncFailed, errno);
    }

    Result<> close() override
    {
        const int fd = m_fd;
        m_fd = -1;
        // Never retried on EINTR: the descriptor is gone either way on Linux.
        if (fd < 0 || ::close(fd) == 0)
            return {};
        return systemError(ErrorKind::SyncFailed, errno);
    }

    Result<std::int64_t> size() override
    {
        // The end offset is the size; cheaper than fstat, and pread/pwrite ignore the file position.
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0)
            return systemError(ErrorKind::ReadFailed, errno);
        return std::int64_t{end};
    }

private:
    static bool fits(std::uint64_t offset)
    {
        return offset <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    }

    int m_fd;
};

class PosixFileSystem final : public FileSystem {
public:
    Result<std::unique_ptr<RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        return openWith(path, O_RDWR);
    }
    Result<std::unique_ptr<RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        return openWith(path, O_RDONLY);
    }

private:
    static Result<std::unique_ptr<RomFile>> openWith(const std::filesystem::path& path, int mode)
    {
        // Existing file only: never created, never truncated. Without O_NONBLOCK a FIFO's open waits
        // for a writer that may never come; a FIFO or a device is then refused, not read. The flag
        // changes nothing for a regular file, so it stays set.
        int fd = -1;
        do {
            fd = ::open(path.c_str(), mode | O_CLOEXEC | O_NONBLOCK);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return RomError{ErrorKind::CannotOpen, systemReason(errno)};
        auto file = std::make_unique<PosixFile>(fd);
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            return RomError{ErrorKind::CannotOpen, systemReason(errno)};
        if (!S_ISREG(st.st_mode))
            return RomError{ErrorKind::CannotOpen, "not a regular file"};
        return std::unique_ptr<RomFile>(std::move(file));
    }
};

}  // namespace

FileSystem& SystemFiles()
{
    static PosixFileSystem files;
    return files;
}

Result<> CheckWritable(const std::filesystem::path& path, FileSystem& files)
{
    auto opened = files.openReadWrite(path);
    if (!opened)
        return opened.error();
    // Nothing was written, so closing cannot lose a byte: its result says nothing about writability.
    return {};
}

}  // namespace rom
