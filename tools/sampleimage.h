#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "rom/supportedgames.h"

namespace sample {

/// One stored slot as raw 16-bit words.
struct SampleSlot {
    rom::SlotAddress address;
    std::uint16_t method;
    std::uint16_t parameter;
    std::uint16_t target;
};

/// A small, realistic evolution table: several real chains and one slot left empty.
std::span<const SampleSlot> SampleSlots();

/// The whole table as Black, White, Black 2 and White 2 hold it: every evolution of species 1-649, a
/// species' slots numbered from 1 in the games' order; every other slot empty.
std::span<const SampleSlot> FullSlots();

// A failure's reason is what quorvane-sample prints after the file's name.

/// Creates (or replaces) a sparse file of the given apparent size holding code at offset 12.
rom::Result<> CreateImage(const std::filesystem::path& path, const rom::GameCode& code, std::uint64_t size);

/// Stores raw method, parameter and target words into slots of the game's table.
rom::Result<> PutSlots(const std::filesystem::path& path, const rom::SupportedGame& game,
                       std::span<const SampleSlot> slots);
rom::Result<> PutSlot(const std::filesystem::path& path, const rom::SupportedGame& game, const SampleSlot& slot);

/// A cartridge-sized image of the game holding slots. An existing file is left alone (an error) unless
/// replace is true.
rom::Result<> WriteSampleImage(const std::filesystem::path& path, const rom::SupportedGame& game,
                               bool replace = false, std::span<const SampleSlot> slots = SampleSlots());

}  // namespace sample
