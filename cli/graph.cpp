#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/evolgraph.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "cli/text.h"

namespace cli {
namespace {

void appendEdgeLabel(std::string& out, const Evolution& e)
{
    out += Named(List::Method, e.method, Form::Name);
    if (const auto list = ParameterList(rom::KindOf(e.method)); list && e.parameter)
        (out += ": ") += Named(*list, *e.parameter, Form::Name);
}

// Species are s<number>; a target that is no species is a node of each species naming it, "x<species>_<value>"
// (quoted for the minus sign).
void appendTargetId(std::string& out, const Evolution& e)
{
    if (IsSpecies(e.target)) {
        out += 's';
        AppendNumber(out, e.target);
        return;
    }
    out += "\"x";
    AppendNumber(out, e.species);
    out += '_';
    AppendNumber(out, e.target);
    out += '"';
}

std::string graphText(std::span<const Evolution> evolutions, const std::vector<int>& chosen)
{
    const std::vector<int> family = FamilyOf(evolutions);
    std::vector<bool> shown(family.size(), false);
    if (chosen.empty()) {
        for (const Evolution& e : evolutions)
            shown[std::size_t(family[std::size_t(e.species)])] = true;
    } else {
        for (const int s : chosen)
            shown[std::size_t(family[std::size_t(s)])] = true;
    }
    std::vector<std::vector<int>> members(family.size());
    for (int s = 1; s <= rom::kSpeciesRows; ++s)
        if (shown[std::size_t(family[std::size_t(s)])])
            members[std::size_t(family[std::size_t(s)])].push_back(s);
    std::vector<std::vector<const Evolution*>> edges(family.size());
    for (const Evolution& e : evolutions)
        if (shown[std::size_t(family[std::size_t(e.species)])])
            edges[std::size_t(family[std::size_t(e.species)])].push_back(&e);

    std::string out = "digraph evolutions {\n  rankdir=LR;\n  node [shape=box];\n";
    out.reserve(64 * evolutions.size() + 40 * family.size());
    std::string label;
    // Left to right, dot stacks what it reads first at the bottom: families and the nodes in each are written
    // from the highest species down so as to read top-down from the lowest. Each family is a cluster, which
    // keeps another family's nodes out of its rows.
    for (std::size_t root = family.size() - 1; root >= 1; --root) {
        if (members[root].empty())
            continue;
        out += "\n  // family of species ";
        AppendNumber(out, int(root));
        out += "\n  subgraph cluster_";
        AppendNumber(out, int(root));
        out += " {\n    peripheries=0;\n";
        // A second slot of a species naming the same value declares its node again, as DOT allows.
        for (auto e = edges[root].rbegin(); e != edges[root].rend(); ++e) {
            if (IsSpecies((*e)->target))
                continue;
            out += "    ";
            appendTargetId(out, **e);
            out += " [label=";
            AppendDotQuoted(out, Named(List::Species, (*e)->target));
            out += ", style=dashed];\n";
        }
        for (auto s = members[root].rbegin(); s != members[root].rend(); ++s) {
            out += "    s";
            AppendNumber(out, *s);
            out += " [label=";
            AppendDotQuoted(out, Named(List::Species, *s));
            out += "];\n";
        }
        for (const Evolution* e : edges[root]) {
            out += "    s";
            AppendNumber(out, e->species);
            out += " -> ";
            appendTargetId(out, *e);
            out += " [label=";
            label.clear();
            appendEdgeLabel(label, *e);
            AppendDotQuoted(out, label);
            out += "];\n";
        }
        out += "  }\n";
    }
    out += "}\n";
    return out;
}

}  // namespace

int Graph(const std::filesystem::path& romPath, const std::vector<std::string>& speciesTexts,
          const std::filesystem::path& output, Io& io)
{
    std::vector<int> chosen;
    for (const std::string& text : speciesTexts) {
        const auto species = FindSpecies(text);
        if (!species) {
            io.err << species.error() << '\n';
            return kUsage;
        }
        chosen.push_back(*species);
    }
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    if (!read)
        return kFailure;
    const std::string text = graphText(EvolutionsOf(read->table), chosen);

    return WriteOutput(romPath, output, text, io);
}

namespace {

Runner declareGraph(CLI::App& command)
{
    struct Options {
        std::filesystem::path rom, output;
        std::vector<std::string> species;
    };
    auto o = std::make_shared<Options>();
    command.footer(
        "A family is every species joined to another by evolutions, in either direction. An edge is a slot\n"
        "whose method is not 0, labelled with the method and its parameter; a target that is no species\n"
        "is a dashed node (\"None (0)\", \"no row (N)\"). The same table always gives the same text.\n"
        "Example: quorvane-cli graph rom.nds Eevee | dot -Tsvg > eevee.svg");
    AddRomArgument(command, o->rom, "ROM image to read");
    command.add_option("SPECIES", o->species,
                       "Only the families of these species (numbers 1-649 or exact names); "
                       "all families with an evolution when none is given")
        ->type_name("");
    AddOutputOption(command, o->output, "Write to FILE instead of standard output");
    return [o](Io& io) { return Graph(o->rom, o->species, o->output, io); };
}

}  // namespace

constinit const Command kGraphCommand{"graph", "Write the evolution families as a Graphviz DOT digraph, for dot to draw",
                                      declareGraph};

}  // namespace cli
