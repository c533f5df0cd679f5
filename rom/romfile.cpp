#include "rom/romfile.h"

#include <cerrno>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace rom {
namespace {

std::string systemReason(int err)
{
    return std::generic_category().message(err);
}

// Positioned reads and writes: one system call per field, nothing buffered in between, so every
// written byte is with the system when writeAt returns.
class PosixFile final : public RomFile {
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        std::size_t done = 0;
        while (done < out.size()) {
            if (!fits(offset + done))
                return false;
            const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_error = systemReason(errno);
                return false;
            }
            if (n == 0) {
                m_error = "end of file";
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            if (!fits(offset + done))
                return false;
            const ssize_t n =
                ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_error = systemReason(n < 0 ? errno : EIO);
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    bool flush() override { return true; }  // pwrite keeps nothing back

    std::int64_t size() override
    {
        // The end offset is the size; cheaper than fstat, and pread/pwrite ignore the file position.
        const off_t end = ::lseek(m_fd, 0, SEEK_END);
        if (end < 0)
            m_error = systemReason(errno);
        return end;
    }

    std::string lastError() const override { return m_error; }

private:
    bool fits(std::uint64_t offset)
    {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
            m_error = systemReason(EOVERFLOW);
            return false;
        }
        return true;
    }

    int m_fd;
    std::string m_error;
};

class PosixFileSystem final : public FileSystem {
public:
    Result<std::unique_ptr<RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        // Existing file only: never created, never truncated.
        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return RomError{ErrorKind::CannotOpen, systemReason(errno)};
        return std::unique_ptr<RomFile>(std::make_unique<PosixFile>(fd));
    }
};

}  // namespace

FileSystem& SystemFiles()
{
    static PosixFileSystem files;
    return files;
}

bool readU16le(RomFile& file, std::uint64_t offset, std::uint16_t& value)
{
    std::uint8_t b[2];
    if (!file.readAt(offset, b))
        return false;
    value = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool writeU16le(RomFile& file, std::uint64_t offset, std::uint16_t value)
{
    const std::uint8_t b[2] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>(value >> 8)};
    return file.writeAt(offset, b);
}

}  // namespace rom
