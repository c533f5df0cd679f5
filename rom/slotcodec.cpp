#include "rom/slotcodec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace rom {
namespace {

// A failed read inside the file is the system's failure; past its end it is a short file.
RomError readError(RomFile& file, std::uint64_t end, RomError failed)
{
    const auto size = file.size();
    if (size && static_cast<std::uint64_t>(*size) < end)
        return {ErrorKind::OutsideFile, "the file ends at byte " + std::to_string(*size)};
    return failed;
}

// The open file and the table base of a supported game.
struct OpenGame {
    std::uint64_t base;
    std::unique_ptr<RomFile> file;
};

Result<OpenGame> openGame(const std::filesystem::path& path, const GameCode& game, Access access, FileSystem& files)
{
    const auto base = TableBase(game);
    if (!base)
        return RomError{ErrorKind::GameChanged, "not a supported game"};
    auto opened = files.open(path, access);
    if (!opened)
        return opened.error();
    return OpenGame{*base, std::move(*opened)};
}

// Offsets are only meaningful while the file is still the game it was identified as: a file replaced
// by another game or cut short would be read or written at the wrong places.
Result<> checkGameCode(RomFile& file, const GameCode& game)
{
    std::uint8_t code[4];
    if (!file.readAt(kGameCodeOffset, code))
        return RomError{ErrorKind::GameChanged, "the file no longer has a game code"};
    if (!std::equal(game.begin(), game.end(), code,
                    [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
        return RomError{ErrorKind::GameChanged, "the file's game code has changed since it was opened"};
    return {};
}

// Bytes at an offset into the table of a file that still carries the game's code, opened for reading only.
Result<> readTableBytes(const std::filesystem::path& path, const GameCode& game, std::uint64_t offset,
                        std::span<std::uint8_t> out, FileSystem& files)
{
    auto opened = openGame(path, game, Access::ReadOnly, files);
    if (!opened)
        return opened.error();
    RomFile& file = *opened->file;
    if (auto same = checkGameCode(file, game); !same)
        return same;
    const std::uint64_t at = opened->base + offset;
    if (auto read = file.readAt(at, out); !read)
        return readError(file, at + out.size(), std::move(read.error()));
    return {};
}

void putWord(SlotBytes& bytes, Field field, int value)
{
    const auto at = static_cast<std::size_t>(field);
    const auto word = static_cast<std::uint16_t>(value);
    bytes[at] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

std::int16_t signedWord(const SlotBytes& bytes, Field field)
{
    const auto at = static_cast<std::size_t>(field);
    return static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// One write of the new bytes; whatever part of it landed before a failure is put back.
Result<> writeOrRestore(RomFile& file, std::uint64_t at, std::span<const std::uint8_t> old,
                        std::span<const std::uint8_t> wanted)
{
    auto written = file.writeAt(at, wanted);
    if (written)
        return {};
    RomError error = std::move(written.error());
    if (const auto landed = std::exchange(error.mayHaveChanged, std::nullopt)) {
        const std::size_t count = std::min<std::uint64_t>(landed->last + 1 - at, old.size());
        if (!file.writeAt(at, old.first(count)))
            error.mayHaveChanged = ByteRange{at, at + count - 1};
    }
    return error;
}

// Puts a slot's old bytes back after its write could not be confirmed, through a fresh descriptor:
// the one that wrote it may already be closed.
RomError undoUnconfirmed(const std::filesystem::path& path, std::uint64_t at, const SlotBytes& old, RomError error,
                         FileSystem& files)
{
    auto opened = files.openReadWrite(path);
    bool restored = false;
    if (opened) {
        RomFile& file = **opened;
        restored = file.lock(at, old.size()) && file.writeAt(at, old) && file.sync();
        restored = file.close() && restored;
    }
    if (!restored)
        error.mayHaveChanged = ByteRange{at, at + old.size() - 1};
    return error;
}

}  // namespace

EvolutionSlot DecodeSlot(const SlotBytes& bytes)
{
    EvolutionSlot out;
    out.bytes = bytes;
    out.method = bytes[0];  // the method word's high byte is never looked at
    switch (KindOf(out.method)) {
    case ParamKind::Level:
        out.parameter = bytes[2];
        break;
    case ParamKind::Move:
    case ParamKind::Item:
    case ParamKind::Species:
        out.parameter = signedWord(bytes, Field::Parameter);
        break;
    case ParamKind::None:
    case ParamKind::Constant:
        break;
    }
    out.target = signedWord(bytes, Field::Target);
    return out;
}

Result<EvolutionSlot> ReadSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                               FileSystem& files)
{
    SlotBytes bytes{};
    if (auto read = readTableBytes(path, game, address.offset(), bytes, files); !read)
        return read.error();
    return DecodeSlot(bytes);
}

SlotBytes EvolutionTable::slot(SlotAddress address) const
{
    SlotBytes out{};
    const auto at = static_cast<std::size_t>(address.offset());
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
    return out;
}

TableLayout CheckLayout(const EvolutionTable& table)
{
    // The two fields as DecodeSlot reads them, the method word's low byte and the signed target, read
    // from a copy of each record: import and set run this over every slot first, and the sanitized
    // fuzz build spent most of an import checking a decode, then each byte's load, per slot.
    // Unsigned throughout, so that nothing needs an overflow check: a negative target reads as 0x8000
    // or more.
    unsigned odd = 0;
    std::array<std::uint8_t, EvolutionRecord::kSize> r;
    for (std::size_t record = 0; record + r.size() <= table.bytes.size(); record += r.size()) {
        std::memcpy(r.data(), table.bytes.data() + record, r.size());
        for (std::size_t at = 0; at < EvolutionRecord::kSlots * EvolutionSlot::kSize; at += EvolutionSlot::kSize) {
            const unsigned method = r[at];
            const unsigned target = r[at + 4] | unsigned{r[at + 5]} << 8;
            odd += method >= kMethods.size() || target > unsigned{kSpeciesRows};
        }
    }
    TableLayout layout;
    layout.oddSlots = static_cast<int>(odd);
    return layout;
}

Result<EvolutionTable> ReadTable(const std::filesystem::path& path, const GameCode& game, FileSystem& files)
{
    EvolutionTable table;
    table.bytes.resize(kTableBytes);
    if (auto read = readTableBytes(path, game, 0, table.bytes, files); !read)
        return read.error();
    return table;
}

SlotBytes ComposeSlot(const SlotBytes& kept, const SlotWrite& values)
{
    SlotBytes out = kept;
    if (values.method)
        putWord(out, Field::Method, *values.method);
    switch (values.kind) {
    case ParamKind::Level:
    case ParamKind::Item:
    case ParamKind::Species:
    case ParamKind::Move:
        if (values.parameter)
            putWord(out, Field::Parameter, *values.parameter);
        break;
    case ParamKind::Constant:
        putWord(out, Field::Parameter, 0);
        break;
    case ParamKind::None:
        break;
    }
    if (values.target)
        putWord(out, Field::Target, *values.target);
    return out;
}

Result<void, BatchError> WriteSlots(const std::filesystem::path& path, const GameCode& game,
                                    std::span<const SlotChange> changes, FileSystem& files,
                                    const volatile std::sig_atomic_t* stopRequested)
{
    // Before the first write: nothing written, nothing to confirm.
    auto stop = [](std::size_t at, RomError error) { return BatchError{std::move(error), 0, false, at}; };
    if (changes.empty())
        return {};

    auto opened = openGame(path, game, Access::ReadWrite, files);
    if (!opened)
        return stop(0, opened.error());
    const std::uint64_t base = opened->base;
    RomFile& file = *opened->file;

    std::uint64_t first = UINT64_MAX, end = 0;
    for (const SlotChange& c : changes) {
        first = std::min(first, FieldOffset(base, c.address));
        end = std::max(end, FieldOffset(base, c.address) + EvolutionSlot::kSize);
    }
    // Held from the comparison to the sync, so two savers cannot interleave their reads and writes.
    if (auto locked = file.lock(first, end - first); !locked)
        return stop(0, std::move(locked.error()));
    if (auto same = checkGameCode(file, game); !same)
        return stop(0, std::move(same.error()));

    // Never write a slot that would grow the file or straddle its end.
    const auto size = file.size();
    if (!size)
        return stop(0, size.error());
    if (static_cast<std::uint64_t>(*size) < end) {
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (FieldOffset(base, changes[i].address) + EvolutionSlot::kSize >
                static_cast<std::uint64_t>(*size))
                return stop(i, {ErrorKind::OutsideFile, "the file ends at byte " + std::to_string(*size)});
        }
    }

    // Compare everything first: a plan made from bytes someone has since changed is not applied at all.
    std::vector<std::uint8_t> current(end - first);
    if (auto read = file.readAt(first, current); !read)
        return stop(0, readError(file, end, std::move(read.error())));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const auto at = static_cast<std::size_t>(FieldOffset(base, changes[i].address) - first);
        if (!std::equal(changes[i].expected.begin(), changes[i].expected.end(), current.begin() + std::ptrdiff_t(at)))
            return stop(i, {ErrorKind::SlotChanged, {}});
    }
    // A record's changed slots that lie side by side in the plan go to the disk as one run of bytes:
    // one reservation and one write for up to seven slots, never over the record's last two bytes.
    struct Run {
        std::size_t first, end;  // changes[first, end)
        std::uint64_t at;
    };
    std::vector<Run> runs;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const SlotAddress a = changes[i].address;
        if (!runs.empty() && a.speciesRow() == changes[i - 1].address.speciesRow() &&
            a.index() == changes[i - 1].address.index() + 1)
            runs.back().end = i + 1;
        else
            runs.push_back({i, i + 1, FieldOffset(base, a)});
    }
    // A full disk fails here, before any byte has changed.
    for (const Run& r : runs) {
        if (auto reserved = file.reserve(r.at, (r.end - r.first) * EvolutionSlot::kSize); !reserved)
            return stop(r.first, std::move(reserved.error()));
    }

    std::size_t written = 0;
    std::optional<RomError> failure;
    std::vector<std::uint8_t> old, wanted;
    for (const Run& r : runs) {
        if (stopRequested && *stopRequested) {
            failure = RomError{ErrorKind::Interrupted, {}};
            break;
        }
        old.clear();
        wanted.clear();
        for (std::size_t i = r.first; i < r.end; ++i) {
            old.insert(old.end(), changes[i].expected.begin(), changes[i].expected.end());
            wanted.insert(wanted.end(), changes[i].wanted.begin(), changes[i].wanted.end());
        }
        if (auto wrote = writeOrRestore(file, r.at, old, wanted); !wrote) {
            failure = std::move(wrote.error());
            break;
        }
        written = r.end;
    }
    // What was written is made durable even when a later slot failed.
    Result<> synced;
    if (written > 0)
        synced = file.sync();
    if (!synced && !failure)
        failure = synced.error();
    const auto closed = file.close();
    if (!closed && !failure)
        failure = closed.error();
    if (!failure)
        return {};
    return BatchError{std::move(*failure), written, synced && closed, written};
}

Result<> WriteSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                   const SlotWrite& values, const SlotBytes& expected, FileSystem& files)
{
    const SlotChange change{address, expected, ComposeSlot(expected, values)};
    auto written = WriteSlots(path, game, {&change, 1}, files);
    if (written)
        return {};
    BatchError& failure = written.error();
    if (failure.written == 1 && !failure.confirmed) {
        // A save that was not confirmed is a failed save, and a failed save leaves the file as it was.
        const auto base = TableBase(game);
        return undoUnconfirmed(path, FieldOffset(*base, address), expected, std::move(failure), files);
    }
    return static_cast<RomError&&>(failure);
}

Result<> WriteSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                   const SlotWrite& values, FileSystem& files)
{
    const auto current = ReadSlot(path, game, address, files);
    if (!current)
        return current.error();
    return WriteSlot(path, game, address, values, current->bytes, files);
}

}  // namespace rom
