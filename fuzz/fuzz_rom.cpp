// Feeds arbitrary file contents to identification, slot reads and slot saves, with the input also
// choosing which reservation, write, sync or close fails and how short a write comes back. After a
// failed save the bytes must be those before it (or differ only inside the range the error names as
// at risk); after a successful one only the slot's six bytes may differ, they read back as saved, and
// the file was locked, reserved before the write, synced after it and closed.
//
// What changed is found from the pages written since the save began (fuzzfiles::SparseBytes), not by
// copying and comparing the image: a copy per save took half the time of long inputs.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/memoryfiles.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

namespace {

using fuzzfiles::check;
using fuzzfiles::MemoryFileSystem;

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
    fs.size = static_cast<std::int64_t>(game.tableBase + (std::uint64_t(in.takeWord()) * 3) % (rom::kTableBytes + 64));
    for (std::uint64_t i = 0; i < 16; ++i)
        fs.bytes.set(i, in.take());
    if (in.take() & 1) {  // most inputs should reach the write path
        for (std::uint64_t i = 0; i < 4; ++i)
            fs.bytes.set(12 + i, static_cast<std::uint8_t>(game.code[i]));
    }
    for (std::uint64_t i = 0; i < 64 && in.size; ++i)
        fs.bytes.set(game.tableBase + i, in.take());

    const auto id = rom::IdentifyRom("memory", fs);
    check(bool(id));
    while (in.size >= 12) {
        // Addresses outside the table cannot be made (tests/rom checks SlotAddress::Of on them).
        const auto address = rom::SlotAddress::Of(in.takeWord() % rom::kSpeciesRows, in.take() % 7 + 1);
        check(bool(address));
        const auto shown = rom::ReadSlot("memory", game.code, *address, fs);
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

        fs.bytes.mark();
        const auto saved = rom::WriteSlot("memory", game.code, *address, w, expected, fs);
        const std::uint64_t at = rom::FieldOffset(game.tableBase, *address);
        auto unchangedOutside = [&](std::uint64_t from, std::uint64_t to) {
            fs.bytes.forEachChange([&](std::uint64_t offset) { check(offset >= from && offset < to); });
        };
        if (!saved) {
            const rom::RomError& err = saved.error();
            check(err.kind != rom::ErrorKind::SlotChanged || !shown || stale < 16);
            if (!err.mayHaveChanged) {
                unchangedOutside(1, 0);  // nothing may differ anywhere
            } else {
                check(err.mayHaveChanged->first >= at && err.mayHaveChanged->last < at + 6);
                unchangedOutside(err.mayHaveChanged->first, err.mayHaveChanged->last + 1);
            }
            continue;
        }
        check(shown && stale >= 16);
        check(fuzzfiles::carefulSave(fs.faults.calls));
        check(id->game == &game);
        check(at + 6 <= static_cast<std::uint64_t>(fs.size));
        unchangedOutside(at, at + 6);
        fs.faults = {};
        const auto back = rom::ReadSlot("memory", game.code, *address, fs);
        check(bool(back));
        check(back->bytes == rom::ComposeSlot(expected, w));
        check(back->method == (*w.method & 0xFF));
        check(back->target == static_cast<std::int16_t>(*w.target));
    }
    return 0;
}
