// Feeds arbitrary file contents to identification, slot reads and slot writes, and checks that a
// write changes at most its slot's six bytes, never the file's size, and reads back as written.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

// A sparse in-memory file: only the bytes the input gives exist, the rest reads as zero.
class MemoryFile final : public rom::RomFile {
public:
    MemoryFile(std::map<std::uint64_t, std::uint8_t>& bytes, std::int64_t size) : m_bytes(bytes), m_size(size) {}
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
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> b) override
    {
        check(offset + b.size() <= static_cast<std::uint64_t>(m_size));  // a write must never grow the file
        for (std::size_t i = 0; i < b.size(); ++i)
            m_bytes[offset + i] = b[i];
        return true;
    }
    bool flush() override { return true; }
    std::int64_t size() override { return m_size; }
    std::string lastError() const override { return "end of file"; }

private:
    std::map<std::uint64_t, std::uint8_t>& m_bytes;
    std::int64_t m_size;
};

class MemoryFileSystem final : public rom::FileSystem {
public:
    std::map<std::uint64_t, std::uint8_t> bytes;
    std::int64_t size = 0;
    rom::Result<std::unique_ptr<rom::RomFile>> openReadWrite(const std::filesystem::path&) override
    {
        return std::unique_ptr<rom::RomFile>(std::make_unique<MemoryFile>(bytes, size));
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
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // 1. The real file layer on the raw input.
    static const std::string path = "/tmp/quorvane-fuzz-" + std::to_string(::getpid()) + ".nds";
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                     static_cast<std::streamsize>(size));
    }
    const auto real = rom::IdentifyRom(path);
    check(bool(real));
    check(real->fileSize == static_cast<std::int64_t>(size));
    if (size < 16)
        check(real->game == nullptr);
    else
        check(std::memcmp(real->code.data(), data + 12, 4) == 0);

    // 2. A sparse file of either game: the first 16 bytes are the header, then the table's start,
    //    then requests. The file's apparent size ends somewhere in the table.
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
    while (in.size >= 8) {
        const int row = in.takeWord() % 700 - 20;
        const int slot = in.take() % 9;
        if (in.take() & 1) {
            const auto s = rom::ReadSlot("memory", game.code, row, slot, fs);
            if (s) {
                check(s->method >= 0 && s->method <= 255);
                check(s->target >= -32768 && s->target <= 32767);
            }
            continue;
        }
        rom::SlotWrite w;
        w.method = in.takeWord();
        w.kind = static_cast<rom::ParamKind>(in.take() % 6);
        w.parameter = in.takeWord();
        w.target = in.takeWord();
        const auto before = fs.bytes;
        const auto err = rom::WriteSlot("memory", game.code, row, slot, w, fs);
        if (err) {
            check(fs.bytes == before);
            continue;
        }
        check(id->game == &game);
        const std::uint64_t at = rom::FieldOffset(game.tableBase, row, slot, rom::Field::Method);
        check(at + 6 <= static_cast<std::uint64_t>(fs.size));
        for (const auto& [offset, value] : fs.bytes) {
            auto old = before.find(offset);
            if (offset < at || offset >= at + 6)
                check(old != before.end() && old->second == value);
        }
        const auto back = rom::ReadSlot("memory", game.code, row, slot, fs);
        check(bool(back));
        check(back->method == (*w.method & 0xFF));
        check(back->target == static_cast<std::int16_t>(*w.target));
    }
    return 0;
}
