#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/text.h"

namespace cli {
int Show(const std::filesystem::path& romPath, const std::string& speciesText, Io& io)
{
    const auto found = FindSpecies(speciesText);
    if (!found) {
        Say(io, kProgram, found.error());
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
        rows.push_back({std::to_string(v.slot), Named(List::Method, v.method, Form::NumberQuoted),
                        v.parameter && list ? Named(*list, *v.parameter, Form::NumberQuoted) : std::string(),
                        Named(List::Species, v.target, Form::NumberQuoted)});
    }
    std::array<std::size_t, 4> widths{};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));

    std::string text = Named(List::Species, species) + ", " +
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

namespace {

Runner declareShow(CLI::App& command)
{
    struct Options {
        std::filesystem::path rom;
        std::string species;
    };
    auto o = std::make_shared<Options>();
    AddRomArgument(command, o->rom, "ROM image to read");
    command.add_option("SPECIES", o->species, "Species number (1-649) or name, in any letter case")
        ->required()
        ->type_name("");
    command.footer("Each number is followed by its name in quotes, or by \"(no row)\" where its list has no row for\n"
                   "it.");
    return [o](Io& io) { return Show(o->rom, o->species, io); };
}

}  // namespace

constinit const Command kShowCommand{"show", "Print one species' seven slots as a table", declareShow};

}  // namespace cli
