#pragma once

#include <array>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "rom/methods.h"
#include "rom/romfile.h"
#include "rom/slotaddress.h"
#include "rom/supportedgames.h"

namespace rom {

/// A slot's six bytes as stored: method, parameter and target words, little-endian.
using SlotBytes = std::array<std::uint8_t, 6>;

/// One slot as the editor reads it: widths differ by field.
struct EvolutionSlot {
    static constexpr int kSize = EvolutionRecord::kSlotSize;

    int method = 0;                  // low byte of the method word only, 0 to 255
    std::optional<int> parameter;    // by KindOf(method): Level the low byte; Item, Species, Move signed 16-bit;
                                     // nothing for None and Constant
    int target = 0;                  // signed 16-bit
    SlotBytes bytes{};               // the six bytes these values were read from
};

/// The values of six stored bytes, read with the editor's widths.
EvolutionSlot DecodeSlot(const SlotBytes& bytes);

/// Reads one slot of the identified game's table, opening and closing the file. Like every read, it
/// opens the file for reading only, so a file that has become write-protected can still be read.
/// Fails with GameChanged when the file no longer carries that game's code, and with OutsideFile
/// rather than return values from beyond the file's end.
Result<EvolutionSlot> ReadSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                               FileSystem& files = SystemFiles());

/// The whole evolution table as stored: 649 records of 44 bytes, read with one read.
struct EvolutionTable {
    std::vector<std::uint8_t> bytes;
    SlotBytes slot(SlotAddress address) const;
};

/// How many of a table's slots hold what no game writes: a method with no row (a low byte above 27), or a
/// target outside 0-649 as read. A real game has none, and a hack that adds a method to a few species
/// stays far below the threshold; past it the table is likely not where the game code says it is (a
/// ROM rebuilt by another tool can move it). A move by a multiple of 6 bytes keeps every field in step
/// and cannot be seen this way.
struct TableLayout {
    static constexpr int kMostOddSlots = kTableSlots / 100;  // 1% of 4,543: 45

    int oddSlots = 0;
    bool looksMoved() const { return oddSlots > kMostOddSlots; }
};

/// Counts the table's slots that no game writes.
TableLayout CheckLayout(const EvolutionTable& table);

/// Reads the game's whole table after checking the file's game code.
Result<EvolutionTable> ReadTable(const std::filesystem::path& path, const GameCode& game,
                                 FileSystem& files = SystemFiles());

/// What to store in a slot. Each present value is written as a 16-bit little-endian word;
/// an absent one leaves the stored word exactly as it is.
struct SlotWrite {
    std::optional<int> method;
    ParamKind kind = ParamKind::None;  // None: parameter untouched; Constant: parameter 0
    std::optional<int> parameter;      // for Level, Item, Species and Move
    std::optional<int> target;
};

/// The six bytes a save of values stores over kept: the write rules applied to the kept bytes.
SlotBytes ComposeSlot(const SlotBytes& kept, const SlotWrite& values);

/// Saves one slot in place, all or nothing: under a lock on the slot, checks the game code, the
/// file's size and that the slot still holds `expected` (the bytes the values were shown from; else
/// SlotChanged and nothing written), reserves the disk space, writes the six bytes of
/// ComposeSlot(expected, values) with one write, syncs and closes. Any failure puts the old bytes
/// back; only if that fails too does the error carry mayHaveChanged. Succeeds once durable.
Result<> WriteSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                   const SlotWrite& values, const SlotBytes& expected, FileSystem& files = SystemFiles());

/// The same, composing over whatever the slot holds at the time of writing: for callers with no
/// earlier read to compare against.
Result<> WriteSlot(const std::filesystem::path& path, const GameCode& game, SlotAddress address,
                   const SlotWrite& values, FileSystem& files = SystemFiles());

/// One slot of a batch: the bytes it was planned from and the bytes to store.
struct SlotChange {
    SlotAddress address;
    SlotBytes expected;
    SlotBytes wanted;
};

/// Why a batch stopped: at changes[written], or at the final sync or close when written == changes.size();
/// changes[written] is never half-written.
struct BatchError : RomError {
    std::size_t written = 0;   // changes[0, written) are in the file
    bool confirmed = false;    // and they were synced and the file closed without error
    std::size_t at = 0;        // the change the error is about (for SlotChanged, the first that differs)
};

/// Writes several slots under one lock with one sync at the end. Before the first write, every slot
/// is compared with its expected bytes (any difference: SlotChanged, nothing written) and reserved.
/// Each run of changes that are adjacent slots of one record (up to seven) is then one write, put back
/// on failure; the slots before it stay written and are synced. When stopRequested is given and has
/// become non-zero (a signal handler sets it), the batch stops before the next run's write with
/// Interrupted, and what it wrote is synced as after a failure.
/// Succeeds once every slot is written and confirmed.
Result<void, BatchError> WriteSlots(const std::filesystem::path& path, const GameCode& game,
                                    std::span<const SlotChange> changes, FileSystem& files = SystemFiles(),
                                    const volatile std::sig_atomic_t* stopRequested = nullptr);

}  // namespace rom
