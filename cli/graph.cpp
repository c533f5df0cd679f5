#include <charconv>
#include <ostream>

#include "cli/commands.h"
#include "cli/evolgraph.h"
#include "cli/names.h"
#include "cli/romaccess.h"

namespace cli {
namespace {

void appendNumber(std::string& out, int value)
{
    char buffer[16];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

void appendEdgeLabel(std::string& out, const Evolution& e)
{
    const std::string* method = NameOf(List::Method, e.method);
    if (!method) {
        out += "no row: method ";
        appendNumber(out, e.method);
        return;
    }
    out += *method;
    if (const auto list = ParameterList(rom::KindOf(e.method)); list && e.parameter) {
        out += ": ";
        if (const std::string* name = NameOf(*list, *e.parameter)) {
            out += *name;
        } else {
            out += "no row: ";
            out += WhatOf(*list);
            out += ' ';
            appendNumber(out, *e.parameter);
        }
    }
}

// Species are s<number>; a target that is no species is a node of each species naming it, "x<species>_<value>"
// (quoted for the minus sign).
void appendTargetId(std::string& out, const Evolution& e)
{
    if (IsSpecies(e.target)) {
        out += 's';
        appendNumber(out, e.target);
        return;
    }
    out += "\"x";
    appendNumber(out, e.species);
    out += '_';
    appendNumber(out, e.target);
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
    for (std::size_t root = 1; root < family.size(); ++root) {
        if (members[root].empty())
            continue;
        out += "\n  // family of species ";
        appendNumber(out, int(root));
        out += '\n';
        for (const int s : members[root]) {
            out += "  s";
            appendNumber(out, s);
            out += " [label=";
            AppendDotQuoted(out, SpeciesLabel(s));
            out += "];\n";
        }
        // A second slot of a species naming the same value declares its node again, as DOT allows.
        for (const Evolution* e : edges[root]) {
            if (IsSpecies(e->target))
                continue;
            label = e->target == 0 ? "None (0)" : "no row: ";
            if (e->target != 0)
                appendNumber(label, e->target);
            out += "  ";
            appendTargetId(out, *e);
            out += " [label=";
            AppendDotQuoted(out, label);
            out += ", style=dashed];\n";
        }
        for (const Evolution* e : edges[root]) {
            out += "  s";
            appendNumber(out, e->species);
            out += " -> ";
            appendTargetId(out, *e);
            out += " [label=";
            label.clear();
            appendEdgeLabel(label, *e);
            AppendDotQuoted(out, label);
            out += "];\n";
        }
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

}  // namespace cli
