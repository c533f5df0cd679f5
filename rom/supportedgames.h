#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "rom/romfile.h"
#include "rom/slotaddress.h"

namespace rom {

/// The four raw bytes of a cartridge header's game code; not NUL-terminated.
using GameCode = std::array<char, 4>;

struct SupportedGame {
    GameCode code;
    std::string_view name;       // as the "Supported Roms" notice names the game
    std::uint32_t tableBase;     // offset of species 1's evolution record
    std::string_view caption;    // for the romname label; ends in one space
    std::uint64_t cartridgeSize;  // bytes in a dump of the game's cartridge
};

inline constexpr std::uint64_t kMiB = 1024 * 1024;

inline constexpr std::array<SupportedGame, 2> kSupportedGames{{
    {{'I', 'R', 'B', 'O'}, "Pokemon Black (E) (IRBO)", 110520128, "Pokemon Black (E) : Code (IRBO) ", 256 * kMiB},
    {{'I', 'R', 'E', 'O'}, "Pokemon Black 2 (U) (IREO)", 175657608, "Pokemon Black 2 (U) : Code (IREO) ", 512 * kMiB},
}};

inline constexpr std::uint64_t kGameCodeOffset = 12;
inline constexpr std::uint64_t kHeaderBytesNeeded = kGameCodeOffset + 4;

/// The supported game whose code equals this one exactly (case-sensitive); nullptr when none.
const SupportedGame* FindGame(const GameCode& code);
/// Evolution table base offset of a supported game's code; nullopt for any other code.
std::optional<std::uint64_t> TableBase(const GameCode& code);
/// The romname caption of a supported game's code; empty for any other code.
std::string_view RomCaption(const GameCode& code);
/// The code as text, its four bytes as they are.
std::string_view CodeText(const GameCode& code);
/// A part of every supported game in table order, the last two joined by the word given:
/// "Pokemon Black (E) (IRBO) and Pokemon Black 2 (U) (IREO)".
std::string SupportedGames(std::string_view (*part)(const SupportedGame&), std::string_view lastJoin);
/// Every supported code so joined: "IRBO or IREO".
std::string SupportedCodes(std::string_view lastJoin);

struct Identification {
    GameCode code{};                       // bytes 12 to 15 as read; all zero if the file is shorter
    const SupportedGame* game = nullptr;   // nullptr: unsupported
    std::int64_t fileSize = 0;
};

/// Opens the file for reading, reads the game code at offset 12 and closes it. A file shorter than
/// 16 bytes is unsupported; an error only when the file cannot be opened or read.
Result<Identification> IdentifyRom(const std::filesystem::path& path, FileSystem& files = SystemFiles());

/// The offset just past the game's evolution table.
std::uint64_t TableEnd(const SupportedGame& game);

/// Whether every record of the game's evolution table lies inside a file of this size.
bool TableFits(const SupportedGame& game, std::int64_t fileSize);

}  // namespace rom
