#pragma once
// The fuzz targets' ROM: a sparse file in memory behind the core's FileSystem seam, whose
// reservations, writes, syncs and closes fail when told to. Nothing touches the disk.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "rom/romfile.h"

namespace fuzzfiles {

/// A broken property: libFuzzer reports the crash with the input that caused it.
inline void check(bool ok)
{
    if (!ok)
        std::abort();
}

/// Bytes at any offset, held a page at a time; bytes never written read as zero.
class SparseBytes {
public:
    static constexpr std::uint64_t kPage = 256;

    std::uint8_t get(std::uint64_t at) const
    {
        const auto page = m_pages.find(at / kPage);
        return page == m_pages.end() ? 0 : page->second[at % kPage];
    }
    void set(std::uint64_t at, std::uint8_t value) { m_pages[at / kPage][at % kPage] = value; }
    // A page at a time: the import target reads and writes whole tables.
    void read(std::uint64_t at, std::span<std::uint8_t> out) const
    {
        while (!out.empty()) {
            const std::size_t n = std::min<std::uint64_t>(out.size(), kPage - at % kPage);
            const auto page = m_pages.find(at / kPage);
            if (page == m_pages.end())
                std::fill_n(out.begin(), n, 0);
            else
                std::copy_n(page->second.begin() + at % kPage, n, out.begin());
            out = out.subspan(n);
            at += n;
        }
    }
    void write(std::uint64_t at, std::span<const std::uint8_t> bytes)
    {
        while (!bytes.empty()) {
            const std::size_t n = std::min<std::uint64_t>(bytes.size(), kPage - at % kPage);
            auto& page = m_pages.try_emplace(at / kPage).first->second;
            std::copy_n(bytes.begin(), n, page.begin() + at % kPage);
            bytes = bytes.subspan(n);
            at += n;
        }
    }
    /// Calls f with every offset whose byte differs from other's.
    template <typename F>
    void forEachDifference(const SparseBytes& other, F f) const
    {
        for (const SparseBytes* side : {this, &other}) {
            for (const auto& [page, bytes] : side->m_pages) {
                const SparseBytes& otherSide = side == this ? other : *this;
                // A page both hold is compared once, from this side.
                if (side == &other && m_pages.count(page))
                    continue;
                const auto there = otherSide.m_pages.find(page);
                for (std::uint64_t i = 0; i < kPage; ++i) {
                    const std::uint8_t theirs = there == otherSide.m_pages.end() ? 0 : there->second[i];
                    if (bytes[i] != theirs)
                        f(page * kPage + i);
                }
            }
        }
    }
    bool operator==(const SparseBytes& other) const
    {
        bool same = true;
        forEachDifference(other, [&](std::uint64_t) { same = false; });
        return same;
    }

private:
    std::map<std::uint64_t, std::array<std::uint8_t, kPage>> m_pages;
};

/// Which call of each kind fails during one operation; -1: none. Counts what was asked for.
struct Faults {
    int write = -1;
    std::size_t shortBytes = 0;  // what the failing write lands first
    int reserve = -1;
    int sync = -1;
    int close = -1;
    int writes = 0, reserves = 0, syncs = 0, closes = 0;
};

class MemoryFile final : public rom::RomFile {
public:
    MemoryFile(SparseBytes& bytes, std::int64_t size, Faults& faults) : m_bytes(bytes), m_size(size), m_faults(faults)
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
        return failsAt(m_faults.reserves, m_faults.reserve, rom::ErrorKind::WriteFailed);
    }
    rom::Result<> lock(std::uint64_t, std::uint64_t) override { return {}; }
    rom::Result<> sync() override { return failsAt(m_faults.syncs, m_faults.sync, rom::ErrorKind::SyncFailed); }
    rom::Result<> close() override { return failsAt(m_faults.closes, m_faults.close, rom::ErrorKind::SyncFailed); }
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
};

/// Every path names the one file in memory.
class MemoryFileSystem final : public rom::FileSystem {
public:
    SparseBytes bytes;
    std::int64_t size = 0;
    Faults faults;
    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path&) override
    {
        return std::unique_ptr<rom::RomFile>(std::make_unique<MemoryFile>(bytes, size, faults));
    }
    rom::Result<std::unique_ptr<rom::RomFile>> openReadOnly(const std::filesystem::path& path) override
    {
        return openReadWrite(path);
    }
};

}  // namespace fuzzfiles
