#include <algorithm>
#include <array>
#include <ostream>
#include <vector>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/text.h"

namespace cli {
namespace {

std::string numberAndName(List list, int number)
{
    const std::string* name = NameOf(list, number);
    return std::to_string(number) + " " + (name ? *name : std::string("(no row)"));
}

}  // namespace

int Show(const std::filesystem::path& romPath, const std::string& speciesText, Io& io)
{
    const auto found = FindSpecies(speciesText);
    if (!found) {
        io.err << found.error() << '\n';
        return kUsage;
    }
    const int species = *found;
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    if (!read)
        return kFailure;

    std::vector<std::array<std::string, 4>> rows{{"slot", "method", "parameter", "target"}};
    for (const rom::SlotAddress at : rom::SlotAddress::OfRow(species - 1)) {
        const SlotValues v = ValuesOf(at, read->table.slot(at));
        const auto list = ParameterList(rom::KindOf(v.method));
        rows.push_back({std::to_string(v.slot), numberAndName(List::Method, v.method),
                        v.parameter && list ? numberAndName(*list, *v.parameter) : std::string(),
                        numberAndName(List::Species, v.target)});
    }
    std::array<std::size_t, 4> widths{};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));

    std::string text = *NameOf(List::Species, species) + " (" + std::to_string(species) + "), " +
                       std::string(read->game.name) + '\n';
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        text += line + '\n';
    }
    return WriteOut(io, text);
}

}  // namespace cli
