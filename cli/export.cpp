#include <algorithm>

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

}  // namespace cli
