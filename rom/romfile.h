#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
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
    WriteFailed,      // a write or the flush after it failed or was short
    InvalidSlot,      // species row or slot number out of range
};

struct RomError {
    ErrorKind kind;
    std::string reason;  // the system's own words where it gave any
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
    /// Writes all of bytes at offset; false on a failed or short write.
    virtual bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    /// Hands any written bytes still held back to the system; false if it refused them.
    virtual bool flush() = 0;
    /// The file's size in bytes; -1 if the system could not tell.
    virtual std::int64_t size() = 0;
    /// The system's reason for the last failure, or empty.
    virtual std::string lastError() const = 0;
};

/// Opens files for the codec; tests put a failing one in its place.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    /// An existing file opened for reading and writing, never created or truncated.
    virtual Result<std::unique_ptr<RomFile>> openReadWrite(const std::filesystem::path& path) = 0;
};

/// The real file system: POSIX descriptors with positioned reads and writes.
FileSystem& SystemFiles();

/// The little-endian 16-bit word at offset; false on a short or failed read.
bool readU16le(RomFile& file, std::uint64_t offset, std::uint16_t& value);
/// Writes value at offset as a little-endian 16-bit word; false on a short or failed write.
bool writeU16le(RomFile& file, std::uint64_t offset, std::uint16_t value);

}  // namespace rom
