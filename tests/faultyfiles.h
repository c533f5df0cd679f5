#pragma once
// A file system that wraps the real one and fails on command, as a full disk, a failing drive or a
// revoked permission would. Shared by the core's and the editor's tests.

#include <cerrno>
#include <memory>
#include <string>
#include <system_error>

#include "rom/romfile.h"
#include "rom/supportedgames.h"

namespace faulty {

class FaultyFileSystem final : public rom::FileSystem {
public:
    int refuseOpenWith = 0;            // errno to refuse every open with; 0 opens normally
    bool failReadsPastHeader = false;  // the game code stays readable, so a file can still be identified
    int writesBeforeFailure = -1;      // writeAt calls that succeed before the rest fail; -1 never fails
    bool failFlush = false;

    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        if (refuseOpenWith)
            return rom::RomError{rom::ErrorKind::CannotOpen, std::generic_category().message(refuseOpenWith)};
        auto real = rom::SystemFiles().openReadWrite(path);
        if (!real)
            return real.error();
        return std::unique_ptr<rom::RomFile>(std::make_unique<File>(std::move(*real), *this));
    }

private:
    class File final : public rom::RomFile {
    public:
        File(std::unique_ptr<rom::RomFile> inner, FaultyFileSystem& fs) : m_inner(std::move(inner)), m_fs(fs) {}

        bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
        {
            if (m_fs.failReadsPastHeader && offset >= rom::kHeaderBytesNeeded)
                return fail(EIO);
            return m_inner->readAt(offset, out);
        }
        bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
        {
            if (m_fs.writesBeforeFailure == 0)
                return fail(ENOSPC);
            if (m_fs.writesBeforeFailure > 0)
                --m_fs.writesBeforeFailure;
            return m_inner->writeAt(offset, bytes);
        }
        bool flush() override { return m_fs.failFlush ? fail(EIO) : m_inner->flush(); }
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
