#include <charconv>
#include <ostream>

#include "cli/commands.h"
#include "cli/suggest.h"
#include "cli/text.h"
#include "rom/methods.h"

namespace cli {
namespace {

std::string numberAndName(List list, int number)
{
    const std::string* name = NameOf(list, number);
    return std::to_string(number) + " " + (name ? *name : std::string("(no row)"));
}

// Species by number 1-649 or by name in any letter case; 0 when neither names one.
int findSpecies(const std::string& text, std::string& problem)
{
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec == std::errc() && end == text.data() + text.size()) {
        if (number < 1 || number > rom::kSpeciesRows) {
            problem = "species " + text + " is outside 1-649";
            return 0;
        }
        return number;
    }
    // Row 0, "None", is no species. No two species' names differ only in letter case.
    const auto names = NamesOf(List::Species).subspan(1);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (EqualIgnoringCase(names[i], text))
            return static_cast<int>(i) + 1;
    std::vector<std::string> shown;
    for (const std::size_t i : Suggest(names, text))
        shown.push_back("\"" + names[i] + "\" (" + std::to_string(i + 1) + ")");
    problem = "no species is named " + Quoted(text) + DidYouMean(shown);
    return 0;
}

}  // namespace

int Show(const std::filesystem::path& romPath, const std::string& speciesText, Io& io)
{
    std::string problem;
    const int species = findSpecies(speciesText, problem);
    if (!species) {
        io.err << problem << '\n';
        return kUsage;
    }
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
