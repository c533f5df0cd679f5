#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <system_error>

#include "cli/commands.h"
#include "cli/tablecsv.h"

namespace cli {

int Export(const std::filesystem::path& romPath, const std::filesystem::path& output, bool all, Io& io)
{
    const rom::SupportedGame* game = nullptr;
    const auto table = ReadRomTable(romPath, rom::Access::ReadOnly, game, io);
    if (!table)
        return kFailure;

    std::string text;
    text.reserve(all ? 300'000 : 16'000);
    AppendHeader(text);
    for (int row = 0; row < rom::kSpeciesRows; ++row) {
        for (int slot = 1; slot <= rom::EvolutionRecord::kSlots; ++slot) {
            const rom::SlotBytes bytes = table->slot(row, slot);
            if (!all && std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; }))
                continue;
            AppendLine(text, ValuesOf(row + 1, slot, bytes));
        }
    }

    if (output.empty())
        return WriteOut(io, text);
    // Truncating the ROM itself would destroy it.
    std::error_code same;
    if (std::filesystem::equivalent(romPath, output, same)) {
        io.err << Shown(output) << ": is the ROM itself; nothing written\n";
        return kFailure;
    }
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (!file) {
        io.err << Shown(output) << ": cannot be written: " << std::strerror(errno) << '\n';
        return kFailure;
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        io.err << Shown(output) << ": writing failed: " << std::strerror(errno) << '\n';
        return kFailure;
    }
    return kSuccess;
}

}  // namespace cli
