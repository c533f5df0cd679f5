#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

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

// How a drawn edge stands to the base table, slot by slot as diff compares them.
enum class Mark { Same, Added, Removed, Changed };

struct Edge {
    const Evolution* e;              // Removed: the base's slot; else the drawn table's
    Mark mark = Mark::Same;
    const Evolution* was = nullptr;  // Changed: the base's slot, with the same target
};

// Both lists are in species, then slot order.
std::vector<Edge> compared(std::span<const Evolution> now, const std::vector<Evolution>* base)
{
    std::vector<Edge> edges;
    edges.reserve(now.size() + (base ? base->size() : 0));
    if (!base) {
        for (const Evolution& e : now)
            edges.push_back({&e});
        return edges;
    }
    auto before = [](const Evolution& a, const Evolution& b) {
        return std::pair(a.species, a.slot) < std::pair(b.species, b.slot);
    };
    for (std::size_t i = 0, j = 0; i < now.size() || j < base->size();) {
        if (j == base->size() || (i < now.size() && before(now[i], (*base)[j]))) {
            edges.push_back({&now[i++], Mark::Added});
        } else if (i == now.size() || before((*base)[j], now[i])) {
            edges.push_back({&(*base)[j++], Mark::Removed});
        } else {
            const Evolution &n = now[i++], &b = (*base)[j++];
            if (n.target != b.target) {
                edges.push_back({&b, Mark::Removed});
                edges.push_back({&n, Mark::Added});
            } else if (n.method != b.method || n.parameter != b.parameter) {
                edges.push_back({&n, Mark::Changed, &b});
            } else {
                edges.push_back({&n});
            }
        }
    }
    return edges;
}

// DOT's \l ends a line of the legend flush left.
constexpr std::string_view kLegend =
    R"(  label="Compared with the base table:\l)"
    R"(blue, bold: an evolution the base lacks\l)"
    R"(grey, dashed: an evolution only the base has\l)"
    R"(orange, \"old -> new\": the same target by another method or parameter\l)"
    R"(black: the same in both\l";)"
    "\n  labelloc=t;\n  labeljust=l;\n";

std::string_view markAttributes(Mark mark)
{
    switch (mark) {
    case Mark::Added: return ", color=blue, fontcolor=blue, style=bold";
    case Mark::Removed: return ", color=gray50, fontcolor=gray50, style=dashed";
    case Mark::Changed: return ", color=darkorange3, fontcolor=darkorange3";
    case Mark::Same: break;
    }
    return "";
}

std::string graphText(std::span<const Evolution> evolutions, const std::vector<Evolution>* base,
                      const std::vector<int>& chosen)
{
    const std::vector<Edge> drawn = compared(evolutions, base);
    std::vector<Evolution> all;
    all.reserve(drawn.size());
    for (const Edge& d : drawn)
        all.push_back(*d.e);
    const std::vector<int> family = FamilyOf(all);
    std::vector<bool> shown(family.size(), false);
    if (chosen.empty()) {
        for (const Evolution& e : all)
            shown[std::size_t(family[std::size_t(e.species)])] = true;
    } else {
        for (const int s : chosen)
            shown[std::size_t(family[std::size_t(s)])] = true;
    }
    std::vector<std::vector<int>> members(family.size());
    for (int s = 1; s <= rom::kSpeciesRows; ++s)
        if (shown[std::size_t(family[std::size_t(s)])])
            members[std::size_t(family[std::size_t(s)])].push_back(s);
    std::vector<std::vector<const Edge*>> edges(family.size());
    for (const Edge& d : drawn)
        if (shown[std::size_t(family[std::size_t(d.e->species)])])
            edges[std::size_t(family[std::size_t(d.e->species)])].push_back(&d);

    std::string out = "digraph evolutions {\n  rankdir=LR;\n  node [shape=box];\n";
    out.reserve(64 * drawn.size() + 40 * family.size());
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
        for (auto d = edges[root].rbegin(); d != edges[root].rend(); ++d) {
            if (IsSpecies((*d)->e->target))
                continue;
            out += "    ";
            appendTargetId(out, *(*d)->e);
            out += " [label=";
            AppendDotQuoted(out, Named(List::Species, (*d)->e->target));
            out += ", style=dashed];\n";
        }
        for (auto s = members[root].rbegin(); s != members[root].rend(); ++s) {
            out += "    s";
            AppendNumber(out, *s);
            out += " [label=";
            AppendDotQuoted(out, Named(List::Species, *s));
            out += "];\n";
        }
        for (const Edge* d : edges[root]) {
            out += "    s";
            AppendNumber(out, d->e->species);
            out += " -> ";
            appendTargetId(out, *d->e);
            out += " [label=";
            label.clear();
            if (d->was) {
                appendEdgeLabel(label, *d->was);
                label += " -> ";
            }
            appendEdgeLabel(label, *d->e);
            AppendDotQuoted(out, label);
            out += markAttributes(d->mark);
            out += "];\n";
        }
        out += "  }\n";
    }
    // After the clusters, which would otherwise each take the legend as their label.
    if (base)
        (out += '\n') += kLegend;
    out += "}\n";
    return out;
}

}  // namespace

int Graph(const std::filesystem::path& romPath, const std::vector<std::string>& speciesTexts,
          const std::filesystem::path& output, Io& io, const std::filesystem::path& against)
{
    std::vector<int> chosen;
    for (const std::string& text : speciesTexts) {
        const auto species = FindSpecies(text);
        if (!species) {
            Say(io, kProgram, species.error());
            return kUsage;
        }
        chosen.push_back(*species);
    }
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    if (!read)
        return kFailure;
    std::optional<std::vector<Evolution>> base;
    // The base is only read, as the ROM is: -o may name neither.
    if (std::error_code same; !against.empty() && std::filesystem::equivalent(against, output, same)) {
        io.err << Shown(output) << ": is the base ROM itself; nothing written\n";
        return kFailure;
    }
    if (!against.empty()) {
        const auto baseRead = ReadRomTable(against, rom::Access::ReadOnly, io);
        if (!baseRead)
            return kFailure;
        base = EvolutionsOf(baseRead->table);
    }
    const std::string text = graphText(EvolutionsOf(read->table), base ? &*base : nullptr, chosen);

    return WriteOutput(romPath, output, text, io);
}

namespace {

Runner declareGraph(CLI::App& command)
{
    struct Options {
        std::filesystem::path rom, output, against;
        std::vector<std::string> species;
    };
    auto o = std::make_shared<Options>();
    command.footer(
        "A family is every species joined to another by evolutions, in either direction. An edge is a slot\n"
        "whose method is not 0, labelled with the method and its parameter; a target that is no species\n"
        "is a dashed node (\"None (0)\", \"no row (N)\"). The same table always gives the same text.\n"
        "With --against, an evolution BASE lacks is blue and bold, one only BASE has grey and dashed, and a\n"
        "slot whose target stayed but whose method or parameter changed orange, labelled \"old -> new\".\n"
        "Example: quorvane-cli graph rom.nds Eevee | dot -Tsvg > eevee.svg");
    AddRomArgument(command, o->rom, "ROM image to read");
    command.add_option("SPECIES", o->species,
                       "Only the families of these species (numbers 1-649 or exact names); "
                       "all families with an evolution when none is given")
        ->type_name("");
    command.add_option("--against", o->against,
                       "Draw BASE's families too, and mark on the edges what ROM's table changed from BASE's")
        ->option_text("BASE");
    AddOutputOption(command, o->output, "Write to FILE instead of standard output");
    return [o](Io& io) { return Graph(o->rom, o->species, o->output, io, o->against); };
}

}  // namespace

constinit const Command kGraphCommand{"graph", "Write the evolution families as a Graphviz DOT digraph, for dot to draw",
                                      declareGraph};

}  // namespace cli
