#include <ostream>

#include "cli/commands.h"
#include "cli/tablecsv.h"

namespace cli {

int Diff(const std::filesystem::path& romA, const std::filesystem::path& romB, Io& io)
{
    const rom::SupportedGame* gameA = nullptr;
    const rom::SupportedGame* gameB = nullptr;
    const auto a = ReadRomTable(romA, rom::Access::ReadOnly, gameA, io);
    if (!a)
        return kFailure;
    const auto b = ReadRomTable(romB, rom::Access::ReadOnly, gameB, io);
    if (!b)
        return kFailure;

    std::string text;
    AppendHeader(text);
    for (int row = 0; row < rom::kSpeciesRows; ++row) {
        for (int slot = 1; slot <= rom::EvolutionRecord::kSlots; ++slot) {
            // Bytes the editor never reads (a method's high byte, an unused parameter) are no difference.
            const SlotValues va = ValuesOf(row + 1, slot, a->slot(row, slot));
            const SlotValues vb = ValuesOf(row + 1, slot, b->slot(row, slot));
            if (va != vb)
                AppendLine(text, vb);
        }
    }
    return WriteOut(io, text);
}

}  // namespace cli
