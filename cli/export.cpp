#include <algorithm>
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/tablecsv.h"

namespace cli {

int Export(const std::filesystem::path& romPath, const std::filesystem::path& output, bool all, Io& io)
{
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    if (!read)
        return kFailure;
    const rom::EvolutionTable& table = read->table;

    std::string text;
    text.reserve(all ? 300'000 : 16'000);
    AppendHeader(text);
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const rom::SlotBytes bytes = table.slot(at);
        if (!all && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }))
            continue;
        AppendLine(text, ValuesOf(at, bytes));
    }

    return WriteOutput(romPath, output, text, io);
}

namespace {

Runner declareExport(CLI::App& command)
{
    struct Options {
        std::filesystem::path rom, output;
        bool all = false;
    };
    auto o = std::make_shared<Options>();
    command.footer(
        "Columns: species,species_name,slot,method,method_name,parameter,parameter_name,target,target_name.\n"
        "Numbers are the values the editor shows; a name is empty where its number has no row, and\n"
        "parameter is empty for methods that take none. Lines are in species, then slot order.");
    AddRomArgument(command, o->rom, "ROM image to read");
    AddOutputOption(command, o->output,
                    "Write to FILE (- is standard output, the default); a file is replaced only\n"
                    "once the new text is complete and synced");
    command.add_flag("--all", o->all, "Write all 649 x 7 slots, not only those whose bytes are not all zero");
    return [o](Io& io) { return Export(o->rom, o->output, o->all, io); };
}

}  // namespace

constinit const Command kExportCommand{"export", "Write the ROM's evolution table as CSV", declareExport};

}  // namespace cli
