#pragma once
// A file system that wraps the real one and fails on command, as a full disk, a failing drive, a
// revoked permission or another program would. Shared by the tests of every folder and by fuzz_import.

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>

#include "rom/romfile.h"
#include "rom/supportedgames.h"

namespace faulty {

/// Which calls of one kind fail: the call numbered `after` (0 = the first) and the `times - 1` after it.
struct Fault {
    int after = -1;  // -1: never
    int times = 1 << 30;
    int seen = 0;

    bool fires()
    {
        const int n = seen++;
        return after >= 0 && n >= after && n - after < times;
    }
};

class FaultyFileSystem final : public rom::FileSystem {
public:
    int refuseOpenWith = 0;            // errno to refuse every open with; 0 opens normally
    int refuseWritingWith = 0;         // the same for opens for writing only, as for a write-protected file
    bool failReadsPastHeader = false;  // the game code stays readable, so a file can still be identified
    Fault writeFault;                  // a failing write lands shortWriteBytes first (fewer than asked), then ENOSPC
    int shortWriteBytes = 0;
    Fault reserveFault;
    Fault lockFault;
    Fault syncFault;
    Fault closeFault;                  // the file is closed all the same, as the system does
    std::function<void(int)> onWrite;  // called before each write with its number (0 = the first)

    // What the code under test asked for, in order: "open", "lock", "reserve", "write", "sync", "close".
    std::string calls;

    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path& path) override
    {
        return wrap(rom::SystemFiles().openReadWrite(path), refuseOpenWith ? refuseOpenWith : refuseWritingWith);
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        return wrap(rom::SystemFiles().openReadOnly(path), refuseOpenWith);
    }

private:
    int writes = 0;

    rom::Result<std::unique_ptr<rom::RomFile>> wrap(rom::Result<std::unique_ptr<rom::RomFile>> real, int refuseWith)
    {
        record("open");
        if (refuseWith)
            return rom::RomError{rom::ErrorKind::CannotOpen, std::generic_category().message(refuseWith)};
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

    class File final : public rom::RomFile {
    public:
        File(std::unique_ptr<rom::RomFile> inner, FaultyFileSystem& fs) : m_inner(std::move(inner)), m_fs(fs) {}

        rom::Result<> readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
        {
            if (m_fs.failReadsPastHeader && offset >= rom::kHeaderBytesNeeded)
                return fail(rom::ErrorKind::ReadFailed, EIO);
            return m_inner->readAt(offset, out);
        }
        rom::Result<> writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
        {
            m_fs.record("write");
            if (m_fs.onWrite)
                m_fs.onWrite(m_fs.writes++);
            if (!m_fs.writeFault.fires())
                return m_inner->writeAt(offset, bytes);
            rom::RomError error = fail(rom::ErrorKind::WriteFailed, ENOSPC);
            const std::size_t n = m_fs.shortWriteBytes <= 0 || bytes.empty()
                                      ? 0
                                      : std::min(bytes.size() - 1, std::size_t(m_fs.shortWriteBytes));
            if (n > 0) {
                if (auto landed = m_inner->writeAt(offset, bytes.first(n)); !landed)
                    return landed;
                error.mayHaveChanged = rom::ByteRange{offset, offset + n - 1};
            }
            return error;
        }
        rom::Result<> reserve(std::uint64_t offset, std::uint64_t length) override
        {
            m_fs.record("reserve");
            if (m_fs.reserveFault.fires())
                return fail(rom::ErrorKind::WriteFailed, ENOSPC);
            return m_inner->reserve(offset, length);
        }
        rom::Result<> lock(std::uint64_t offset, std::uint64_t length) override
        {
            m_fs.record("lock");
            if (m_fs.lockFault.fires())
                return fail(rom::ErrorKind::Locked, EAGAIN);
            return m_inner->lock(offset, length);
        }
        rom::Result<> sync() override
        {
            m_fs.record("sync");
            if (m_fs.syncFault.fires())
                return fail(rom::ErrorKind::SyncFailed, EIO);
            return m_inner->sync();
        }
        rom::Result<> close() override
        {
            m_fs.record("close");
            auto closed = m_inner->close();
            if (m_fs.closeFault.fires())
                return fail(rom::ErrorKind::SyncFailed, EIO);
            return closed;
        }
        rom::Result<std::int64_t> size() override { return m_inner->size(); }

    private:
        static rom::RomError fail(rom::ErrorKind kind, int err)
        {
            return {kind, std::generic_category().message(err)};
        }

        std::unique_ptr<rom::RomFile> m_inner;
        FaultyFileSystem& m_fs;
    };
};

/// Standard input that hands out text a few bytes at a time, as a pipe does, and fails with EIO
/// once failAt bytes have been read (never if failAt is past the text's end plus one).
class FailingInput final : public std::streambuf {
public:
    FailingInput(std::string_view text, std::size_t failAt, std::size_t piece = 7)
        : m_text(text), m_failAt(failAt), m_piece(std::max<std::size_t>(piece, 1))
    {
    }

protected:
    int_type underflow() override
    {
        if (gptr() < egptr())
            return traits_type::to_int_type(*gptr());
        if (m_given >= m_failAt)
            throw std::system_error(EIO, std::generic_category());
        if (m_given >= m_text.size())
            return traits_type::eof();
        const std::size_t n = std::min({m_piece, m_text.size() - m_given, m_failAt - m_given});
        char* at = const_cast<char*>(m_text.data() + m_given);
        setg(at, at, at + n);
        m_given += n;
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string_view m_text;
    std::size_t m_failAt;
    std::size_t m_piece;
    std::size_t m_given = 0;
};

/// Standard output on a full disk: every write fails with ENOSPC.
class FullOutput final : public std::streambuf {
protected:
    int_type overflow(int_type) override { throw std::system_error(ENOSPC, std::generic_category()); }
    std::streamsize xsputn(const char*, std::streamsize) override
    {
        throw std::system_error(ENOSPC, std::generic_category());
    }
};

}  // namespace faulty
