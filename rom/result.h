#pragma once
// How everything in the core reports a failure: a Result holds a value or the reason there is none.

#include <cstdint>
#include <optional>
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
    /// Bytes a failed write may have changed: those that landed before it failed, and, once the caller
    /// has tried to put them back and failed too, bytes that may hold a mix of old and new.
    std::optional<ByteRange> mayHaveChanged = std::nullopt;
};

/// A value, or the reason there is none. A caller that ignores one is warned at compile time.
template <typename T = void, typename E = RomError>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_state(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    const T& operator*() const { return std::get<0>(m_state); }
    T& operator*() { return std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    T* operator->() { return &std::get<0>(m_state); }
    const E& error() const { return std::get<1>(m_state); }
    E& error() { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

/// Success with nothing to hand back, or the reason for the failure.
template <typename E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error) : m_error(std::move(error)) {}

    explicit operator bool() const { return !m_error; }
    const E& error() const { return *m_error; }
    E& error() { return *m_error; }

private:
    std::optional<E> m_error;
};

}  // namespace rom
