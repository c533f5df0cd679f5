#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "rom/methods.h"
#include "rom/romfile.h"
#include "rom/supportedgames.h"

namespace rom {

inline constexpr int kSpeciesRows = 649;  // species 1 to 649, one record each

/// A species' record: seven slots, then two bytes that are never read or written.
struct EvolutionRecord {
    static constexpr int kSize = 44;
    static constexpr int kSlots = 7;
};

/// One slot as the editor reads it: widths differ by field.
struct EvolutionSlot {
    static constexpr int kSize = 6;

    int method = 0;                  // low byte of the method word only, 0 to 255
    std::optional<int> parameter;    // by KindOf(method): Level the low byte; Item, Species, Move signed 16-bit;
                                     // nothing for None and Constant
    int target = 0;                  // signed 16-bit
};

enum class Field { Method = 0, Parameter = 2, Target = 4 };

/// Absolute offset of a field: base + 44 * row + 6 * (slot - 1) + field; row 0 to 648, slot 1 to 7.
std::uint64_t FieldOffset(std::uint64_t base, int speciesRow, int slot, Field field);

/// Reads slot 1-7 of species row 0-648 of the identified game's table, opening and closing the file.
/// Fails with OutsideFile rather than return values from beyond the file's end.
Result<EvolutionSlot> ReadSlot(const std::filesystem::path& path, const GameCode& game, int speciesRow, int slot,
                               FileSystem& files = SystemFiles());

/// What to store in a slot. Each present value is written as a 16-bit little-endian word;
/// an absent one leaves the stored word exactly as it is.
struct SlotWrite {
    std::optional<int> method;
    ParamKind kind = ParamKind::None;  // None: parameter untouched; Constant: parameter 0
    std::optional<int> parameter;      // for Level, Item, Species and Move
    std::optional<int> target;
};

/// Writes one slot in place. Before writing, checks that the file still carries the game code it was
/// identified by and that the slot lies wholly inside it; the written bytes are flushed before success.
/// Returns the error, or nullopt once everything is written.
std::optional<RomError> WriteSlot(const std::filesystem::path& path, const GameCode& game, int speciesRow, int slot,
                                  const SlotWrite& values, FileSystem& files = SystemFiles());

}  // namespace rom
