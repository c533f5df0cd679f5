#include "rom/slotcodec.h"

#include <algorithm>
#include <memory>
#include <string>

namespace rom {
namespace {

bool validAddress(int speciesRow, int slot)
{
    return speciesRow >= 0 && speciesRow < kSpeciesRows && slot >= 1 && slot <= EvolutionRecord::kSlots;
}

RomError invalidAddress(int speciesRow, int slot)
{
    return {ErrorKind::InvalidSlot, "species row " + std::to_string(speciesRow) + ", slot " + std::to_string(slot)};
}

// A failed read inside the file is the system's failure; past its end it is a short file.
RomError readError(RomFile& file, std::uint64_t slotEnd)
{
    const std::int64_t size = file.size();
    if (size >= 0 && static_cast<std::uint64_t>(size) < slotEnd)
        return {ErrorKind::OutsideFile, "the file ends at byte " + std::to_string(size)};
    return {ErrorKind::ReadFailed, file.lastError()};
}

// The open file and the table base for one slot's transfer, once the slot is known to exist.
struct SlotAccess {
    std::uint64_t base;
    std::unique_ptr<RomFile> file;
};

Result<SlotAccess> openSlot(const std::filesystem::path& path, const GameCode& game, int speciesRow, int slot,
                            FileSystem& files)
{
    const auto base = TableBase(game);
    if (!base)
        return RomError{ErrorKind::GameChanged, "not a supported game"};
    if (!validAddress(speciesRow, slot))
        return invalidAddress(speciesRow, slot);
    auto opened = files.openReadWrite(path);
    if (!opened)
        return opened.error();
    return SlotAccess{*base, std::move(*opened)};
}

}  // namespace

std::uint64_t FieldOffset(std::uint64_t base, int speciesRow, int slot, Field field)
{
    // 44 * 648 fits the signed 16-bit product the table's addressing allows.
    const auto record = static_cast<std::int16_t>(EvolutionRecord::kSize * speciesRow);
    return base + static_cast<std::uint64_t>(record) + std::uint64_t(EvolutionSlot::kSize) * (slot - 1) +
           static_cast<std::uint64_t>(field);
}

Result<EvolutionSlot> ReadSlot(const std::filesystem::path& path, const GameCode& game, int speciesRow, int slot,
                               FileSystem& files)
{
    auto access = openSlot(path, game, speciesRow, slot, files);
    if (!access)
        return access.error();
    const std::uint64_t base = access->base;
    RomFile& file = *access->file;

    const std::uint64_t slotStart = FieldOffset(base, speciesRow, slot, Field::Method);
    const std::uint64_t slotEnd = slotStart + EvolutionSlot::kSize;
    EvolutionSlot out;

    std::uint8_t byte = 0;
    if (!file.readAt(slotStart, {&byte, 1}))
        return readError(file, slotEnd);
    out.method = byte;

    const std::uint64_t paramAt = FieldOffset(base, speciesRow, slot, Field::Parameter);
    std::uint16_t word = 0;
    switch (KindOf(out.method)) {
    case ParamKind::Level:
        if (!file.readAt(paramAt, {&byte, 1}))
            return readError(file, slotEnd);
        out.parameter = byte;
        break;
    case ParamKind::Move:
    case ParamKind::Item:
    case ParamKind::Species:
        if (!readU16le(file, paramAt, word))
            return readError(file, slotEnd);
        out.parameter = static_cast<std::int16_t>(word);
        break;
    case ParamKind::None:
    case ParamKind::Constant:
        break;
    }

    if (!readU16le(file, FieldOffset(base, speciesRow, slot, Field::Target), word))
        return readError(file, slotEnd);
    out.target = static_cast<std::int16_t>(word);
    return out;
}

std::optional<RomError> WriteSlot(const std::filesystem::path& path, const GameCode& game, int speciesRow, int slot,
                                  const SlotWrite& values, FileSystem& files)
{
    auto access = openSlot(path, game, speciesRow, slot, files);
    if (!access)
        return access.error();
    const std::uint64_t base = access->base;
    RomFile& file = *access->file;

    std::uint8_t code[4];
    if (!file.readAt(kGameCodeOffset, code))
        return RomError{ErrorKind::GameChanged, "the file no longer has a game code"};
    if (!std::equal(game.begin(), game.end(), code, [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; }))
        return RomError{ErrorKind::GameChanged, "the file's game code has changed since it was opened"};

    // Never write a slot that would grow the file or straddle its end.
    const std::uint64_t slotEnd = FieldOffset(base, speciesRow, slot, Field::Method) + EvolutionSlot::kSize;
    const std::int64_t size = file.size();
    if (size < 0)
        return RomError{ErrorKind::ReadFailed, file.lastError()};
    if (static_cast<std::uint64_t>(size) < slotEnd)
        return RomError{ErrorKind::OutsideFile, "the file ends at byte " + std::to_string(size)};

    auto put = [&](Field field, int value) {
        return writeU16le(file, FieldOffset(base, speciesRow, slot, field), static_cast<std::uint16_t>(value));
    };
    bool ok = true;
    if (values.method)
        ok = put(Field::Method, *values.method);
    switch (values.kind) {
    case ParamKind::Level:
    case ParamKind::Item:
    case ParamKind::Species:
    case ParamKind::Move:
        if (ok && values.parameter)
            ok = put(Field::Parameter, *values.parameter);
        break;
    case ParamKind::Constant:
        if (ok)
            ok = put(Field::Parameter, 0);
        break;
    case ParamKind::None:
        break;
    }
    if (ok && values.target)
        ok = put(Field::Target, *values.target);
    if (!ok || !file.flush())
        return RomError{ErrorKind::WriteFailed, file.lastError()};
    return std::nullopt;
}

}  // namespace rom
