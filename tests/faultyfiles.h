#pragma once
// A file system that wraps the real one and fails on command, as a full disk, a failing drive, a
// revoked permission or another program would. Shared by the core's and the editor's tests.

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "rom/romfile.h"
#include "rom/supportedgames.h"

namespace faulty {

class FaultyFileSystem final : public rom::FileSystem {
public:
    int refuseOpenWith = 0;            // errno to refuse every open with; 0 opens normally
    int opensBeforeRefusal = -1;       // opens that succeed before refuseOpenWith applies; -1: all refused
    bool failReadsPastHeader = false;  // the game code stays readable, so a file can still be identified
    int writesBeforeFailure = -1;      // writeAt calls that succeed before the rest fail; -1 never fails
    int shortWriteBytes = -1;          // the failing write lands this many bytes first (0 to 5); -1: none
    bool failReserve = false;
    bool failLock = false;
    int syncsBeforeFailure = -1;       // sync calls that succeed before the rest fail; -1 never fails
    int closesBeforeFailure = -1;      // close calls that succeed before the rest fail; -1 never fails
    std::function<void()> beforeWrite; // runs just before every writeAt, as another program might

    // What the code under test asked for, in order: "open", "lock", "reserve", "write", "sync", "close".
    std::string calls;

    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        return wrap(rom::SystemFiles().openReadWrite(path));
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        return wrap(rom::SystemFiles().openReadOnly(path));
    }

private:
    rom::Result<std::unique_ptr<rom::RomFile>> wrap(rom::Result<std::unique_ptr<rom::RomFile>> real)
    {
        record("open");
        if (refuseOpenWith && opensBeforeRefusal-- <= 0)
            return rom::RomError{rom::ErrorKind::CannotOpen, std::generic_category().message(refuseOpenWith)};
        if (!real)
            return real.error();
        return std::unique_ptr<rom::RomFile>(std::make_unique<File>(std::move(*real), *this));
    }

    void record(const char* what)
    {
        if (!calls.empty())
            calls += ' ';
        calls += what;
    }

    static bool due(int& countdown)
    {
        if (countdown == 0)
            return true;
        if (countdown > 0)
            --countdown;
        return false;
    }

    class File final : public rom::RomFile {
    public:
        File(std::unique_ptr<rom::RomFile> inner, FaultyFileSystem& fs) : m_inner(std::move(inner)), m_fs(fs) {}

        bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
        {
            if (m_fs.failReadsPastHeader && offset >= rom::kHeaderBytesNeeded)
                return fail(EIO);
            return m_inner->readAt(offset, out);
        }
        std::size_t writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
        {
            m_fs.record("write");
            if (m_fs.beforeWrite)
                m_fs.beforeWrite();
            if (!due(m_fs.writesBeforeFailure))
                return m_inner->writeAt(offset, bytes);
            std::size_t landed = 0;
            if (m_fs.shortWriteBytes > 0)
                landed = m_inner->writeAt(offset, bytes.first(std::min<std::size_t>(bytes.size(),
                                                                                    std::size_t(m_fs.shortWriteBytes))));
            fail(ENOSPC);
            return landed;
        }
        bool reserve(std::uint64_t offset, std::uint64_t length) override
        {
            m_fs.record("reserve");
            return m_fs.failReserve ? fail(ENOSPC) : m_inner->reserve(offset, length);
        }
        bool lock(std::uint64_t offset, std::uint64_t length) override
        {
            m_fs.record("lock");
            return m_fs.failLock ? fail(EAGAIN) : m_inner->lock(offset, length);
        }
        bool sync() override
        {
            m_fs.record("sync");
            return due(m_fs.syncsBeforeFailure) ? fail(EIO) : m_inner->sync();
        }
        bool close() override
        {
            m_fs.record("close");
            const bool closed = m_inner->close();
            return due(m_fs.closesBeforeFailure) ? fail(EIO) : closed;
        }
        std::int64_t size() override { return m_inner->size(); }
        std::string lastError() const override { return m_error.empty() ? m_inner->lastError() : m_error; }

    private:
        bool fail(int err)
        {
            m_error = std::generic_category().message(err);
            return false;
        }

        std::unique_ptr<rom::RomFile> m_inner;
        FaultyFileSystem& m_fs;
        std::string m_error;
    };
};

}  // namespace faulty
