#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

#include "rom/result.h"

namespace rom {

/// One open ROM file. Every transfer is at an absolute offset; nothing is cached. A failure carries
/// the system's reason, with the kind the core reports it as.
class RomFile {
public:
    virtual ~RomFile() = default;
    /// Reads exactly out.size() bytes at offset; ReadFailed on a failed or short read.
    virtual Result<> readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    /// One positioned write of all of bytes at offset. WriteFailed on a failed or short write, whose
    /// mayHaveChanged names the bytes that reached the file before it failed, if any did.
    virtual Result<> writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    /// Allocates the disk blocks under [offset, offset + length) without changing the file's size, so
    /// that a later write there cannot run out of space; WriteFailed if it cannot. Succeeds also where
    /// the file system cannot reserve.
    virtual Result<> reserve(std::uint64_t offset, std::uint64_t length) = 0;
    /// Takes an advisory write lock on [offset, offset + length), shared by every program that asks for
    /// one; released on close. Waits a little for another holder; Locked if it does not let go.
    virtual Result<> lock(std::uint64_t offset, std::uint64_t length) = 0;
    /// Makes every written byte durable on the disk; SyncFailed if the system could not.
    virtual Result<> sync() = 0;
    /// Closes the file; SyncFailed if the system reported an error for it (a written byte may be lost).
    virtual Result<> close() = 0;
    /// The file's size in bytes; ReadFailed if the system could not tell.
    virtual Result<std::int64_t> size() = 0;
};

enum class Access { ReadOnly, ReadWrite };

/// Opens files for the codec; tests put a failing one in its place.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// An existing regular file opened for reading and writing, never created or truncated; anything
    /// else (a FIFO, a device, a folder) is refused at once with CannotOpen.
    virtual Result<std::unique_ptr<RomFile>> openReadWrite(const std::filesystem::path& path) = 0;
    /// An existing file opened for reading only; writes through it fail.
    virtual Result<std::unique_ptr<RomFile>> openReadOnly(const std::filesystem::path& path) = 0;

    Result<std::unique_ptr<RomFile>> open(const std::filesystem::path& path, Access access)
    {
        return access == Access::ReadWrite ? openReadWrite(path) : openReadOnly(path);
    }
};

/// The real file system: POSIX descriptors with positioned reads and writes.
FileSystem& SystemFiles();

/// Opens the file for writing, as a save does, and closes it again without writing: CannotOpen when it
/// cannot be (missing, write-protected, not a regular file, ...). Reads never need it.
Result<> CheckWritable(const std::filesystem::path& path, FileSystem& files = SystemFiles());

}  // namespace rom
