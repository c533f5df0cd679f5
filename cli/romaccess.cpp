#include "cli/romaccess.h"

#include <cstdio>
#include <ostream>
#include <string>

#include "cli/text.h"
#include "rom/describe.h"

namespace cli {

const rom::SupportedGame* IdentifyOrRefuse(const std::filesystem::path& path, rom::Access access, Io& io)
{
    if (access == rom::Access::ReadWrite) {
        if (const auto writable = rom::CheckWritable(path, io.files); !writable) {
            Say(io, Shown(path), rom::Describe(writable.error()));
            return nullptr;
        }
    }
    const auto identified = rom::IdentifyRom(path, io.files);
    if (!identified) {
        Say(io, Shown(path), rom::Describe(identified.error()));
        return nullptr;
    }
    if (!identified->game) {
        const std::string_view code(identified->code.data(), identified->code.size());
        Say(io, Shown(path), "unsupported ROM: game code " + Quoted(code) + " is neither " + rom::SupportedCodes("nor"));
        return nullptr;
    }
    if (!rom::TableFits(*identified->game, identified->fileSize)) {
        Say(io, Shown(path), "too short to hold the evolution table of " + std::string(identified->game->name) +
                                 ": it has " + std::to_string(identified->fileSize) + " bytes");
        return nullptr;
    }
    return identified->game;
}

std::optional<RomTable> ReadRomTable(const std::filesystem::path& path, rom::Access access, Io& io)
{
    const rom::SupportedGame* game = IdentifyOrRefuse(path, access, io);
    if (!game)
        return std::nullopt;
    auto table = rom::ReadTable(path, game->code, io.files);
    if (!table) {
        Say(io, Shown(path), rom::Describe(table.error()));
        return std::nullopt;
    }
    return RomTable{*game, std::move(*table)};
}

namespace {

// "4,543": counts of slots as the table's size is written.
std::string grouped(int n)
{
    std::string text = std::to_string(n);
    for (auto at = static_cast<std::ptrdiff_t>(text.size()) - 3; at > 0; at -= 3)
        text.insert(static_cast<std::size_t>(at), 1, ',');
    return text;
}

}  // namespace

std::string MovedTableText(const rom::SupportedGame& game, rom::TableLayout layout)
{
    char base[24];
    std::snprintf(base, sizeof base, "0x%llX", static_cast<unsigned long long>(game.tableBase));
    return std::string("the table at ") + base + " does not look like an evolution table (" +
           grouped(layout.oddSlots) + " of " + grouped(rom::kTableSlots) +
           " slots hold a method or target no game uses); a ROM rebuilt by another tool may have moved it";
}

}  // namespace cli
