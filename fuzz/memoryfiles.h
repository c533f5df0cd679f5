#pragma once
// The fuzz targets' ROM: a sparse file in memory behind the core's FileSystem seam, whose
// reservations, writes, syncs and closes fail when told to. Nothing touches the disk.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "rom/romfile.h"

// Loops of the harness's own that would otherwise feed libFuzzer's comparison hooks on every byte
// of a page: the fuzzer learns nothing from them, and they cost more than the code under test.
#if defined(__clang__)
#define FUZZFILES_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define FUZZFILES_NO_COVERAGE
#endif

namespace fuzzfiles {

/// A broken property: libFuzzer reports the crash with the input that caused it.
inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

/// Bytes at any offset, held a page at a time; bytes never written read as zero.
///
/// Since a mark, every page is copied before its first write, so the bytes that changed are found
/// by comparing those pages alone: a byte on a page never written since cannot have changed. undo()
/// puts the marked image back.
class SparseBytes {
public:
    static constexpr std::uint64_t kPage = 256;
    using Page = std::array<std::uint8_t, kPage>;

    std::uint8_t get(std::uint64_t at) const
    {
        const auto page = m_pages.find(at / kPage);
        return page == m_pages.end() ? 0 : page->second[at % kPage];
    }
    void set(std::uint64_t at, std::uint8_t value) { pageToWrite(at / kPage)[at % kPage] = value; }
    // A page at a time, walking the map rather than searching it for each page: the import target
    // reads the whole table before every import.
    void read(std::uint64_t at, std::span<std::uint8_t> out) const
    {
        auto page = m_pages.lower_bound(at / kPage);
        while (!out.empty()) {
            const std::size_t n = std::min<std::uint64_t>(out.size(), kPage - at % kPage);
            if (page == m_pages.end() || page->first != at / kPage) {
                std::memset(out.data(), 0, n);
            } else {
                std::memcpy(out.data(), page->second.data() + at % kPage, n);
                ++page;
            }
            out = out.subspan(n);
            at += n;
        }
    }
    void write(std::uint64_t at, std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty()) {
            const std::size_t n = std::min<std::uint64_t>(bytes.size(), kPage - at % kPage);
            std::memcpy(pageToWrite(at / kPage).data() + at % kPage, bytes.data(), n);
            bytes = bytes.subspan(n);
            at += n;
        }
    }

    /// From now on, what changes is measured against the image as it is now.
    void mark() { m_before.clear(); }

    /// The byte as the marked image held it.
    std::uint8_t marked(std::uint64_t at) const
    {
        const auto before = m_before.find(at / kPage);
        if (before == m_before.end())
            return get(at);
        return before->second ? (*before->second)[at % kPage] : 0;
    }

    /// Calls f with every offset whose byte differs from the marked image's, in increasing order.
    template <typename F>
    void forEachChange(F f) const
    {
        for (const auto& [page, before] : m_before) {
            const auto now = m_pages.find(page);
            const Page& current = now == m_pages.end() ? zeros() : now->second;
            const Page& old = before ? *before : zeros();
            if (std::memcmp(current.data(), old.data(), kPage) == 0)
                continue;
            std::array<std::uint16_t, kPage> at;
            const std::size_t n = differences(current, old, at);
            for (std::size_t i = 0; i < n; ++i)
                f(page * kPage + at[i]);
        }
    }
    bool changed() const
    {
        bool any = false;
        forEachChange([&](std::uint64_t) { any = true; });
        return any;
    }

    /// Puts the marked image back.
    void undo()
    {
        for (auto& [page, before] : m_before) {
            if (before)
                m_pages[page] = *before;
            else
                m_pages.erase(page);
        }
        m_before.clear();
    }

private:
    static const Page& zeros()
    {
        static const Page page{};
        return page;
    }
    // Raw pointers: a call to std::array's operator[] would not be inlined here, and it has the hooks.
    FUZZFILES_NO_COVERAGE static std::size_t differences(const Page& pa, const Page& pb,
                                                          std::array<std::uint16_t, kPage>& out)
    {
        const std::uint8_t* a = pa.data();
        const std::uint8_t* b = pb.data();
        std::uint16_t* at = out.data();
        std::size_t n = 0;
        for (std::size_t i = 0; i < kPage; ++i) {
            at[n] = static_cast<std::uint16_t>(i);
            n += a[i] != b[i];
        }
        return n;
    }
    Page& pageToWrite(std::uint64_t page)
    {
        const auto [it, created] = m_pages.try_emplace(page);
        m_before.try_emplace(page, created ? std::nullopt : std::optional<Page>(it->second));
        return it->second;
    }

    std::map<std::uint64_t, Page> m_pages;
    std::map<std::uint64_t, std::optional<Page>> m_before;  // each page written since the mark, as it was
};

/// Which call of each kind fails during one operation; -1: none. Counts what was asked for.
struct Faults {
    int write = -1;
    std::size_t shortBytes = 0;  // what the failing write lands first
    int reserve = -1;
    int sync = -1;
    int close = -1;
    int writes = 0, reserves = 0, syncs = 0, closes = 0;
    std::string calls;  // L lock, R reserve, W write, S sync, C close, in the order asked for
};

/// Whether the calls make a careful save: a lock first, every reservation before the first write
/// (so that a full disk fails before any byte changes), a sync after the last write, a close at the end.
inline bool carefulSave(const std::string& calls)
{
    const std::size_t firstWrite = calls.find('W');
    return calls.starts_with('L') && calls.ends_with('C') && calls.rfind('R') < firstWrite &&
           calls.find('S', calls.rfind('W')) != std::string::npos;
}

class MemoryFile final : public rom::RomFile {
public:
    MemoryFile(SparseBytes& bytes, std::int64_t size, Faults& faults, bool writable)
        : m_bytes(bytes), m_size(size), m_faults(faults), m_writable(writable)
    {
    }
    rom::Result<> readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset + out.size() > static_cast<std::uint64_t>(m_size))
            return injected(rom::ErrorKind::ReadFailed);
        m_bytes.read(offset, out);
        return {};
    }
    rom::Result<> writeAt(std::uint64_t offset, std::span<const std::uint8_t> b) override
    {
        check(offset + b.size() <= static_cast<std::uint64_t>(m_size));  // a write must never grow the file
        if (!m_writable)
            return rom::RomError{rom::ErrorKind::WriteFailed, "opened for reading only"};
        m_faults.calls += 'W';
        if (m_faults.writes++ != m_faults.write) {
            m_bytes.write(offset, b);
            return {};
        }
        const std::size_t n = std::min(m_faults.shortBytes, b.size() - 1);
        m_bytes.write(offset, b.first(n));
        rom::RomError error = injected(rom::ErrorKind::WriteFailed);
        if (n > 0)
            error.mayHaveChanged = rom::ByteRange{offset, offset + n - 1};
        return error;
    }
    rom::Result<> reserve(std::uint64_t, std::uint64_t) override
    {
        m_faults.calls += 'R';
        return failsAt(m_faults.reserves, m_faults.reserve, rom::ErrorKind::WriteFailed);
    }
    rom::Result<> lock(std::uint64_t, std::uint64_t) override
    {
        m_faults.calls += 'L';
        return {};
    }
    rom::Result<> sync() override
    {
        m_faults.calls += 'S';
        return failsAt(m_faults.syncs, m_faults.sync, rom::ErrorKind::SyncFailed);
    }
    rom::Result<> close() override
    {
        m_faults.calls += 'C';
        return failsAt(m_faults.closes, m_faults.close, rom::ErrorKind::SyncFailed);
    }
    rom::Result<std::int64_t> size() override { return m_size; }

private:
    static rom::RomError injected(rom::ErrorKind kind) { return {kind, "injected failure"}; }
    static rom::Result<> failsAt(int& count, int failing, rom::ErrorKind kind)
    {
        if (count++ == failing)
            return injected(kind);
        return {};
    }

    SparseBytes& m_bytes;
    std::int64_t m_size;
    Faults& m_faults;
    bool m_writable;
};

/// Every path names the one file in memory.
class MemoryFileSystem final : public rom::FileSystem {
public:
    SparseBytes bytes;
    std::int64_t size = 0;
    Faults faults;
    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path&) override
    {
        return std::unique_ptr<rom::RomFile>(std::make_unique<MemoryFile>(bytes, size, faults, true));
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path&) override
    {
        return std::unique_ptr<rom::RomFile>(std::make_unique<MemoryFile>(bytes, size, faults, false));
    }
};

}  // namespace fuzzfiles
