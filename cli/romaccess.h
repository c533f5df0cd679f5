#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "cli/output.h"
#include "rom/slotcodec.h"
#include "rom/supportedgames.h"

namespace cli {

/// Identifies the ROM as the editor does; on refusal reports why on err and returns nullptr. The ROM is
/// only read; ReadWrite refuses first a ROM that the command, which will write it, could not write.
const rom::SupportedGame* IdentifyOrRefuse(const std::filesystem::path& path, rom::Access access, Io& io);

/// A supported ROM's game and its whole table.
struct RomTable {
    const rom::SupportedGame& game;
    rom::EvolutionTable table;
};

/// Identifies the ROM and reads its whole table; on failure reports why and returns nullopt.
std::optional<RomTable> ReadRomTable(const std::filesystem::path& path, rom::Access access, Io& io);

/// "the table at 0x6966740 does not look like an evolution table (312 of 4,543 slots hold a method or
/// target no game uses); a ROM rebuilt by another tool may have moved it": what check and the commands
/// that write say of a table that looks moved (rom::CheckLayout).
std::string MovedTableText(const rom::SupportedGame& game, rom::TableLayout layout);

}  // namespace cli
