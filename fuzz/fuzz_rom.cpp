// Feeds arbitrary file contents to identification, slot reads and slot saves, with the input also
// choosing which reservation, write, sync or close fails and how short a write comes back. After a
// failed save the bytes must be those before it (or differ only inside the range the error names as
// at risk); after a successful one only the slot's six bytes may differ, and they read back as saved.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

/// Which call of each kind fails during one save; -1: none.
struct Faults {
    int write = -1;
    std::size_t shortBytes = 0;  // what the failing write lands first
    int reserve = -1;
    int sync = -1;
    int close = -1;
    int writes = 0, reserves = 0, syncs = 0, closes = 0;
};

// A sparse in-memory file: only the bytes the input gives exist, the rest reads as zero.
class MemoryFile final : public rom::RomFile {
public:
    MemoryFile(std::map<std::uint64_t, std::uint8_t>& bytes, std::int64_t size, Faults& faults)
        : m_bytes(bytes), m_size(size), m_faults(faults)
    {
    }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (offset + out.size() > static_cast<std::uint64_t>(m_size))
            return false;
        for (std::size_t i = 0; i < out.size(); ++i) {
            auto it = m_bytes.find(offset + i);
            out[i] = it == m_bytes.end() ? 0 : it->second;
        }
        return true;
    }
    std::size_t writeAt(std::uint64_t offset, std::span<const std::uint8_t> b) override
    {
        check(offset + b.size() <= static_cast<std::uint64_t>(m_size));  // a write must never grow the file
        std::size_t n = b.size();
        if (m_faults.writes++ == m_faults.write)
            n = std::min(m_faults.shortBytes, b.size() - 1);
        for (std::size_t i = 0; i < n; ++i)
            m_bytes[offset + i] = b[i];
        return n;
    }
    bool reserve(std::uint64_t, std::uint64_t) override { return m_faults.reserves++ != m_faults.reserve; }
    bool lock(std::uint64_t, std::uint64_t) override { return true; }
    bool sync() override { return m_faults.syncs++ != m_faults.sync; }
    bool close() override { return m_faults.closes++ != m_faults.close; }
    std::int64_t size() override { return m_size; }
    std::string lastError() const override { return "injected failure"; }

private:
    std::map<std::uint64_t, std::uint8_t>& m_bytes;
    std::int64_t m_size;
    Faults& m_faults;
};

class MemoryFileSystem final : public rom::FileSystem {
public:
    std::map<std::uint64_t, std::uint8_t> bytes;
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

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::uint8_t take()
    {
        if (!size)
            return 0;
        --size;
        return *data++;
    }
    int takeWord() { return take() | (take() << 8); }
    int takeFault() { const int f = take() % 8; return f < 4 ? f : -1; }  // mostly, nothing fails
};

// The real file layer on the raw input, through a memory file that leaves nothing on disk.
void identifyRealFile(const std::uint8_t* data, std::size_t size)
{
    static const int fd = ::memfd_create("quorvane-fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    check(fd >= 0 && ::ftruncate(fd, 0) == 0);
    check(size == 0 || ::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    const auto real = rom::IdentifyRom(path);
    check(bool(real));
    check(real->fileSize == static_cast<std::int64_t>(size));
    if (size < 16)
        check(real->game == nullptr);
    else
        check(std::memcmp(real->code.data(), data + 12, 4) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    identifyRealFile(data, size);

    // A sparse file of either game: the first 16 bytes are the header, then the table's start,
    // then requests. The file's apparent size ends somewhere in the table.
    Input in{data, size};
    MemoryFileSystem fs;
    const rom::SupportedGame& game = rom::kSupportedGames[in.take() & 1];
    const std::uint64_t tableBytes = std::uint64_t(rom::kSpeciesRows) * rom::EvolutionRecord::kSize;
    fs.size = static_cast<std::int64_t>(game.tableBase + (std::uint64_t(in.takeWord()) * 3) % (tableBytes + 64));
    for (std::uint64_t i = 0; i < 16; ++i)
        fs.bytes[i] = in.take();
    if (in.take() & 1) {  // most inputs should reach the write path
        for (std::uint64_t i = 0; i < 4; ++i)
            fs.bytes[12 + i] = static_cast<std::uint8_t>(game.code[i]);
    }
    for (std::uint64_t i = 0; i < 64 && in.size; ++i)
        fs.bytes[game.tableBase + i] = in.take();

    const auto id = rom::IdentifyRom("memory", fs);
    check(bool(id));
    while (in.size >= 12) {
        const int row = in.takeWord() % 700 - 20;
        const int slot = in.take() % 9;
        const auto shown = rom::ReadSlot("memory", game.code, row, slot, fs);
        if (shown) {
            check(shown->method >= 0 && shown->method <= 255);
            check(shown->target >= -32768 && shown->target <= 32767);
        }
        if (in.take() & 1)
            continue;

        rom::SlotWrite w;
        w.method = in.takeWord();
        w.kind = static_cast<rom::ParamKind>(in.take() % 6);
        w.parameter = in.takeWord();
        w.target = in.takeWord();
        rom::SlotBytes expected = shown ? shown->bytes : rom::SlotBytes{};
        const std::uint8_t stale = in.take();
        if (stale < 16)
            expected[stale % 6] ^= static_cast<std::uint8_t>(stale | 1);  // as if someone saved in between
        fs.faults = {};
        fs.faults.write = in.takeFault();
        fs.faults.shortBytes = in.take() % 6;
        fs.faults.reserve = in.takeFault();
        fs.faults.sync = in.takeFault();
        fs.faults.close = in.takeFault();

        const auto before = fs.bytes;
        const auto err = rom::WriteSlot("memory", game.code, row, slot, w, expected, fs);
        const std::uint64_t at = rom::FieldOffset(game.tableBase, row, slot, rom::Field::Method);
        auto unchangedOutside = [&](std::uint64_t from, std::uint64_t to) {
            for (const auto& [offset, value] : fs.bytes) {
                auto old = before.find(offset);
                if (offset < from || offset >= to)
                    check(old != before.end() ? old->second == value : value == 0);
            }
        };
        if (err) {
            check(err->kind != rom::ErrorKind::SlotChanged || !shown || stale < 16);
            if (!err->mayHaveChanged) {
                unchangedOutside(1, 0);  // nothing may differ anywhere
            } else {
                check(err->mayHaveChanged->first >= at && err->mayHaveChanged->last < at + 6);
                unchangedOutside(err->mayHaveChanged->first, err->mayHaveChanged->last + 1);
            }
            continue;
        }
        check(shown && stale >= 16);
        check(id->game == &game);
        check(at + 6 <= static_cast<std::uint64_t>(fs.size));
        unchangedOutside(at, at + 6);
        fs.faults = {};
        const auto back = rom::ReadSlot("memory", game.code, row, slot, fs);
        check(bool(back));
        check(back->bytes == rom::ComposeSlot(expected, w));
        check(back->method == (*w.method & 0xFF));
        check(back->target == static_cast<std::int16_t>(*w.target));
    }
    return 0;
}
