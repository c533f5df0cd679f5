#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>

namespace rom {

enum class ErrorKind {
    CannotOpen,       // missing, no permission, read-only, a directory, ...
    ReadFailed,       // the system refused a read inside the file
    OutsideFile,      // the bytes asked for do not lie wholly inside the file
    GameChanged,      // the game code at offset 12 is no longer the one identified
    WriteFailed,      // reserving or writing failed
    SyncFailed,       // the written bytes could not be made durable (sync or close failed)
    InvalidSlot,      // species row or slot number out of range
    SlotChanged,      // the slot no longer holds the bytes the caller last read: someone else wrote it
    Locked,           // another program holds a lock (read or write) on the bytes to be written
    Interrupted,      // the caller asked a batch to stop (a signal came) before this slot's write
};

/// Bytes [first, last] of the file, as absolute offsets.
struct ByteRange {
    std::uint64_t first;
    std::uint64_t last;
    bool operator==(const ByteRange&) const = default;
};

struct RomError {
    ErrorKind kind;
    std::string reason;  // the system's own words where it gave any
    /// Set only when a failed write could not be undone: these bytes may hold a mix of old and new.
    std::optional<ByteRange> mayHaveChanged = std::nullopt;
};

/// Either a value or the reason there is none.
template <typename T>
class Result {
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(RomError error) : m_state(std::move(error)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    const T& operator*() const { return std::get<0>(m_state); }
    T& operator*() { return std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const RomError& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, RomError> m_state;
};

/// One open ROM file. Every transfer is at an absolute offset; nothing is cached.
class RomFile {
public:
    virtual ~RomFile() = default;
    /// Reads exactly out.size() bytes at offset; false on a failed or short read.
    virtual bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
    /// One positioned write of all of bytes at offset. Returns how many bytes reached the file
    /// (bytes.size() on success; fewer on a failed or short write, with lastError() saying why).
    virtual std::size_t writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    /// Allocates the disk blocks under [offset, offset + length) without changing the file's size, so
    /// that a later write there cannot run out of space. True also where the file system cannot reserve.
    virtual bool reserve(std::uint64_t offset, std::uint64_t length) = 0;
    /// Takes an advisory write lock on [offset, offset + length), shared by every program that asks for
    /// one; released on close. Waits a little for another holder; false if it does not let go.
    virtual bool lock(std::uint64_t offset, std::uint64_t length) = 0;
    /// Makes every written byte durable on the disk; false if the system could not.
    virtual bool sync() = 0;
    /// Closes the file; false if the system reported an error for it (a written byte may be lost).
    virtual bool close() = 0;
    /// The file's size in bytes; -1 if the system could not tell.
    virtual std::int64_t size() = 0;
    /// The system's reason for the last failure, or empty.
    virtual std::string lastError() const = 0;
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

/// Makes a write past the process's file-size limit fail with an error instead of killing the
/// program with SIGXFSZ, so a save can report it and undo what it wrote. Call once at start.
void IgnoreFileSizeSignal();

/// Makes an exception that nothing catches (in main, in a thread, inside Qt's event loop) end the
/// program with one line "PROGRAM: internal error: WHAT" on standard error and exit status 1, instead
/// of the runtime's abort. Call once at start.
void ExitOnUncaughtException(const char* program);

}  // namespace rom
