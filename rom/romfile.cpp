#include "rom/romfile.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <system_error>

namespace rom {
namespace {

std::string systemReason(int err)
{
    return std::generic_category().message(err);
}

class StdioFile final : public RomFile {
public:
    explicit StdioFile(std::FILE* f) : m_file(f) {}
    ~StdioFile() override { std::fclose(m_file); }
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (!seek(offset, Direction::Reading))
            return false;
        errno = 0;
        const std::size_t got = std::fread(out.data(), 1, out.size(), m_file);
        if (got != out.size()) {
            m_error = std::ferror(m_file) ? systemReason(errno) : "end of file";
            std::clearerr(m_file);
            m_direction = Direction::Unknown;
            return false;
        }
        m_position = offset + out.size();
        return true;
    }

    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        if (!seek(offset, Direction::Writing))
            return false;
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
            m_error = systemReason(errno ? errno : EIO);
            std::clearerr(m_file);
            m_direction = Direction::Unknown;
            return false;
        }
        m_position = offset + bytes.size();
        return true;
    }

    bool flush() override
    {
        errno = 0;
        if (std::fflush(m_file) != 0) {
            m_error = systemReason(errno ? errno : EIO);
            return false;
        }
        return true;
    }

    std::int64_t size() override
    {
        m_direction = Direction::Unknown;
        errno = 0;
        if (std::fseek(m_file, 0, SEEK_END) != 0) {
            m_error = systemReason(errno);
            return -1;
        }
        const long end = std::ftell(m_file);
        if (end < 0)
            m_error = systemReason(errno);
        return end;
    }

    std::string lastError() const override { return m_error; }

private:
    enum class Direction { Unknown, Reading, Writing };

    // Each seek is a system call on an unbuffered stream; consecutive fields in the same direction
    // need none. C stdio demands a seek whenever the direction changes.
    bool seek(std::uint64_t offset, Direction direction)
    {
        if (m_direction == direction && m_position == offset)
            return true;
        m_direction = Direction::Unknown;
        // long is 64-bit on the platforms we build for; refuse anything it cannot hold.
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<long>::max())) {
            m_error = systemReason(EOVERFLOW);
            return false;
        }
        errno = 0;
        if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0) {
            m_error = systemReason(errno);
            return false;
        }
        m_direction = direction;
        m_position = offset;
        return true;
    }

    std::FILE* m_file;
    Direction m_direction = Direction::Unknown;
    std::uint64_t m_position = 0;
    std::string m_error;
};

class StdioFileSystem final : public FileSystem {
public:
    Result<std::unique_ptr<RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        errno = 0;
        // "r+b": existing file only, never created, never truncated.
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        if (!f)
            return RomError{ErrorKind::CannotOpen, systemReason(errno ? errno : ENOENT)};
        // Unbuffered: reads fetch only the bytes asked for and writes reach the system at once.
        std::setvbuf(f, nullptr, _IONBF, 0);
        return std::unique_ptr<RomFile>(std::make_unique<StdioFile>(f));
    }
};

}  // namespace

FileSystem& SystemFiles()
{
    static StdioFileSystem files;
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
