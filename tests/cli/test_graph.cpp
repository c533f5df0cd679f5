// graph, laid out by the real Graphviz and compared with what export reads from the same table.
#include <gtest/gtest.h>

#include <cstdio>
#include <iomanip>
#include <map>

#include "cli/evolgraph.h"
#include "cli/tablecsv.h"
#include "rom/methods.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

// Nodes as "label [style]", edges as "tail -> head: label", both by label, and again with "[style colour]";
// links and heights by node name.
struct Drawn {
    std::map<std::string, std::string> label;
    std::multiset<std::string> nodes, edges, styled;
    std::vector<std::array<std::string, 3>> links;
    std::map<std::string, double> y;
};

// Runs dot -Tplain (one line per node and edge); a warning or error fails as a line it does not expect.
Drawn draw(const TempDir& dir, const std::string& dotText)
{
    writeText(dir.file("g.dot"), dotText);
    FILE* pipe = ::popen(("dot -Tplain '" + dir.file("g.dot").string() + "' 2>&1").c_str(), "r");
    std::string text;
    char buffer[4096];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    EXPECT_EQ(pipe ? ::pclose(pipe) : -1, 0) << text;
    Drawn d;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::vector<std::string> f;
        for (std::string field; (in >> std::ws).peek() != EOF; f.push_back(field))
            in >> std::quoted(field, '"', '\\');  // dot writes \" and \\ inside quotes
        if (f.size() == 11 && f[0] == "node") {
            d.label[f[1]] = f[6];
            d.nodes.insert(f[6] + " [" + f[7] + "]");
            d.y[f[1]] = std::stod(f[3]);
        } else if (f.size() > 4 && f[0] == "edge") {
            const std::size_t labelAt = 4 + 2 * std::stoul(f[3]);
            d.links.push_back({f[1], f[2], f.size() == labelAt + 5 ? f[labelAt] : ""});
            const std::string edge = d.label.at(f[1]) + " -> " + d.label.at(f[2]) + ": " + d.links.back()[2];
            d.edges.insert(edge);
            d.styled.insert(edge + " [" + f[f.size() - 2] + " " + f.back() + "]");
        } else {
            EXPECT_TRUE(f[0] == "graph" || f[0] == "stop") << line;
        }
    }
    return d;
}

// Families, by their lowest species, stack top-down in ascending order: each wholly above the next.
void expectFamiliesTopDown(const Drawn& d)
{
    std::map<std::string, int> lowest;  // node name -> lowest species of its family
    for (const auto& [name, y] : d.y)
        lowest[name] = name[0] == 's' ? std::stoi(name.substr(1)) : 1000;
    for (bool merged = true; merged;) {
        merged = false;
        for (const auto& [tail, head, label] : d.links) {
            const int m = std::min(lowest[tail], lowest[head]);
            merged = merged || lowest[tail] != m || lowest[head] != m;
            lowest[tail] = lowest[head] = m;
        }
    }
    std::map<int, std::pair<double, double>> height;  // lowest and highest y of each family's nodes
    for (const auto& [name, family] : lowest) {
        const double y = d.y.at(name);
        const auto [at, fresh] = height.try_emplace(family, y, y);
        at->second = {std::min(at->second.first, y), std::max(at->second.second, y)};
    }
    for (auto a = height.begin(), b = a; a != height.end() && ++b != height.end(); ++a)
        EXPECT_GT(a->second.first, b->second.second) << "the family of " << a->first << " is not above that of " << b->first;
}

std::string readText(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What an export of the same table calls for, from its numbers and names only.
Drawn expected(const std::string& csv)
{
    Drawn d;
    std::set<std::string> nodes;
    int line = 0;
    std::stringbuf text(csv);
    const auto stop = cli::ReadCsv(text, [&](const cli::CsvRecord& r) {
        const auto f = [&](int i) { return std::string(r.fields[std::size_t(i)]); };
        if (++line == 1 || f(3) == "0")
            return true;
        std::string label = f(4).empty() ? "method " + f(3) + " (no row)" : f(4);
        if (const auto list = cli::ParameterList(rom::KindOf(std::stoi(f(3)))); !f(5).empty())
            label += ": " + (f(6).empty() ? std::string(cli::WhatOf(*list)) + " " + f(5) + " (no row)" : f(6));
        const bool species = cli::IsSpecies(std::stoi(f(7)));
        const std::string source = f(1) + " (" + f(0) + ")",
                          target = species ? f(8) + " (" + f(7) + ")" : f(7) == "0" ? "None (0)" : "no row (" + f(7) + ")";
        d.edges.insert(source + " -> " + target + ": " + label);
        nodes.insert(source + " [solid]");
        nodes.insert(species ? target + " [solid]" : source + " -> " + target + " [dashed]");
        return true;
    });
    EXPECT_FALSE(stop) << stop->reason;
    for (const std::string& n : nodes)  // a target that is no species: one node for each species naming it
        d.nodes.insert(n.find(" -> ") == std::string::npos ? n : n.substr(n.find(" -> ") + 4));
    return d;
}

// Under 200 evolutions over species 1-120 (dot's layout grows fast), with every kind of odd value.
std::vector<std::uint8_t> generatedTable(unsigned seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<std::uint8_t> t(rom::kTableBytes);
    for (int species = 1; species <= 120; species += pick(1, 3)) {
        for (int slot = 0, slots = pick(1, 3); slot < slots; ++slot) {
            const std::size_t at = rom::SlotAddress::Of(species - 1, slot + 1)->offset();
            const int odd = pick(0, 15);
            int method = pick(1, 27);
            if (odd == 0)
                method = pick(28, 255);  // no row
            else if (odd == 1)
                method |= 0x100;  // a high byte, never read
            else if (odd == 2)
                method = 0;  // draws nothing, whatever its target
            putWord(t, at, method);
            putWord(t, at + 2, odd == 3 ? 0x7FFF : odd == 4 ? pick(101, 626) : pick(0, 100));
            putWord(t, at + 4, odd == 5 ? std::array{0, -1, 650}[std::size_t(pick(0, 2))] : odd == 6 ? species : pick(1, 120));
        }
    }
    return t;
}

class Graphviz : public ::testing::TestWithParam<unsigned> {};  // 0: the sample table, else a generated one's seed

TEST_P(Graphviz, DrawsEveryEvolutionOfTheTableAndNothingElse)
{
    if (std::system("command -v dot >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Graphviz's dot is not on the PATH (scripts/setup installs the Debian package graphviz)";
    TempDir dir;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    if (GetParam())
        putTable(p, irbo(), generatedTable(GetParam()));
    FaultyFileSystem readOnly;  // it reads the ROM as export does
    readOnly.refuseWritingWith = EROFS;
    const Ran whole = run({"graph", p.string()}, readOnly);
    ASSERT_EQ(whole.status, 0) << whole.err;
    const Drawn all = draw(dir, whole.out), want = expected(run({"export", p.string()}).out);
    ASSERT_LT(all.edges.size(), 200u);
    EXPECT_EQ(all.edges, want.edges);
    EXPECT_EQ(all.nodes, want.nodes);
    expectFamiliesTopDown(all);
    if (!GetParam()) {
        for (const char* e : {"Vaporeon (134): Item (Evo Stones): Water Stone", "Jolteon (135): Item (Evo Stones): Thunderstone",
                              "Flareon (136): Item (Evo Stones): Fire Stone", "Espeon (196): Happiness (Morning/noon)",
                              "Umbreon (197): Happiness (Night)", "Leafeon (470): Level Up in Pinwheel Forest",
                              "Glaceon (471): Level Up in Twist Mountain Basement"})
            EXPECT_EQ(all.edges.count("Eevee (133) -> " + std::string(e)), 1u) << e;
        const char* eevee[] = {"s134", "s135", "s136", "s196", "s197", "s470", "s471"};  // in slot order
        for (std::size_t i = 1; i < std::size(eevee); ++i)
            EXPECT_GT(all.y.at(eevee[i - 1]), all.y.at(eevee[i])) << "a family's slots read top-down too";
        EXPECT_EQ(all.edges.count("Nincada (290) -> Shedinja (292): Special Evo. ( Only Shedinja free ): 20"), 1u);
        // Same table, same bytes, in the other game's image too, and in the file -o names (never the ROM).
        EXPECT_EQ(run({"graph", makeImage(dir, ireo(), Fill::Sample, "b.nds").string()}).out, whole.out);
        EXPECT_EQ(run({"graph", p.string(), "-o", dir.file("o.dot").string()}).out, "");
        EXPECT_EQ(readText(dir.file("o.dot")), whole.out);
        EXPECT_EQ(run({"graph", p.string(), "-o", p.string()}).status, 1);
        EXPECT_EQ(run({"graph", p.string(), "Eevee", "Eeve"}).status, 2);
    }

    // A species' graph is its family: what the whole drawing joins to it, either way, by number or name.
    for (const int species : {1, 25, 40, 77, 133, 600}) {
        std::set<std::string> family;
        for (const auto& [name, label] : all.label)
            if (label == cli::Named(cli::List::Species, species))
                family.insert(name);
        for (std::size_t size = 0; size != family.size();) {
            size = family.size();
            for (const auto& [tail, head, label] : all.links)
                if (family.count(tail) || family.count(head))
                    family.insert({tail, head});
        }
        std::multiset<std::string> nodes, edges;
        for (const std::string& name : family)
            nodes.insert(*all.nodes.lower_bound(all.label.at(name) + " ["));
        for (const auto& [tail, head, label] : all.links)
            if (family.count(tail))
                edges.insert(all.label.at(tail) + " -> " + all.label.at(head) + ": " + label);
        if (family.empty())
            nodes.insert(cli::Named(cli::List::Species, species) + " [solid]");
        const Ran one = run({"graph", p.string(), std::to_string(species)});
        const Drawn drawn = draw(dir, one.out);
        EXPECT_EQ(drawn.nodes, nodes) << species;
        EXPECT_EQ(drawn.edges, edges) << species;
        EXPECT_EQ(run({"graph", p.string(), *cli::NameOf(cli::List::Species, species)}).out, one.out);
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, Graphviz, ::testing::Values(0u, 11u, 12u, 13u));

// One side of a drawing against a base: without the other side's own edges, each change read as its old or
// its new label.
std::multiset<std::string> side(const Drawn& d, bool base)
{
    std::multiset<std::string> edges;
    for (const std::string& e : d.styled) {
        const std::size_t at = e.rfind(" ["), label = e.find(": ") + 2;  // no species name holds ": "
        const std::string mark = e.substr(at), edge = e.substr(0, at);
        if (mark == (base ? " [bold blue]" : " [dashed gray50]"))
            continue;
        const std::size_t arrow = edge.find(" -> ", label);
        if (mark != " [solid darkorange3]" || arrow == std::string::npos)
            edges.insert(edge);
        else
            edges.insert(base ? edge.substr(0, arrow) : edge.substr(0, label) + edge.substr(arrow + 4));
    }
    return edges;
}

// graph ROM --against BASE holds both drawings: ROM's own is it less what only BASE has, BASE's less what BASE
// lacks. On the sample with one evolution added, one removed, one's method changed and one's target changed,
// then on generated tables with slots of another one copied over.
TEST(GraphAgainst, MarksWhatDiffersAndHoldsBothTables)
{
    if (std::system("command -v dot >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Graphviz's dot is not on the PATH (scripts/setup installs the Debian package graphviz)";
    for (const unsigned seed : {0u, 21u, 22u}) {
        TempDir dir;
        const auto base = makeImage(dir, irbo(), Fill::Sample, "base.nds"), rom = makeImage(dir, irbo(), Fill::Sample);
        if (seed) {
            std::vector<std::uint8_t> t = generatedTable(seed), other = generatedTable(seed + 50);
            putTable(base, irbo(), t);
            std::mt19937 rng(seed);
            for (int i = 0; i < 40; ++i) {
                const auto at = rom::SlotAddress::Of(std::uniform_int_distribution<int>(0, 119)(rng), 1 + i % 3)->offset();
                std::copy_n(other.begin() + std::ptrdiff_t(at), 6, t.begin() + std::ptrdiff_t(at));
            }
            putTable(rom, irbo(), t);
        } else {
            writeText(dir.file("c.csv"), "species,slot,method,parameter,target\n4,1,4,16,5\n67,1,0,,0\n25,1,4,36,26\n"
                                         "133,7,27,,470\n");
            ASSERT_EQ(run({"import", rom.string(), dir.file("c.csv").string()}).status, 0);
        }
        const Ran both = run({"graph", rom.string(), "--against", base.string()});
        ASSERT_EQ(both.status, 0) << both.err;
        const Drawn d = draw(dir, both.out);
        EXPECT_EQ(side(d, false), draw(dir, run({"graph", rom.string()}).out).edges) << seed;
        EXPECT_EQ(side(d, true), draw(dir, run({"graph", base.string()}).out).edges) << seed;
        expectFamiliesTopDown(d);
        if (seed)
            continue;
        std::multiset<std::string> marked;
        for (const std::string& e : d.styled)
            if (!e.ends_with(" [solid black]"))
                marked.insert(e);
        EXPECT_EQ(marked, (std::multiset<std::string>{
                              "Charmander (4) -> Charmeleon (5): Level Up: 16 [bold blue]",
                              "Pikachu (25) -> Raichu (26): Item (Evo Stones): Thunderstone -> Level Up: 36 [solid darkorange3]",
                              "Machoke (67) -> Machamp (68): Trade [dashed gray50]",
                              "Eevee (133) -> Leafeon (470): Level Up in Twist Mountain Basement [bold blue]",
                              "Eevee (133) -> Glaceon (471): Level Up in Twist Mountain Basement [dashed gray50]"}));
        writeText(dir.file("both.dot"), both.out);  // one legend, not one per family
        EXPECT_EQ(runShell("dot -Tsvg '" + dir.file("both.dot").string() + "' | grep -c 'Compared with'").out, "1\n");
        const auto before = table(base, irbo());
        EXPECT_EQ(run({"graph", rom.string(), "--against", base.string(), "-o", base.string()}).status, 1);
        EXPECT_EQ(table(base, irbo()), before);
    }
}

// Names come from fixed lists, but the quoting holds for any text: dot shows each label as given.
TEST(GraphvizLabels, ShowTheirTextWhateverItHolds)
{
    if (std::system("command -v dot >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Graphviz's dot is not on the PATH (scripts/setup installs the Debian package graphviz)";
    const std::vector<std::string> texts{"quote \" inside", "\"", "back\\slash", "ends in \\", "\\\\", "\\N",
                                         "\\n\\l\\G", "\\\"", "Pok\xC3\xA9 Doll", "HM01 Cut ", "  both  ",
                                         "{a|b} <c>", "} digraph {", "// no comment", "#"};
    std::string text = "digraph t {\n";
    for (std::size_t i = 0; i < texts.size(); ++i) {
        text += "n" + std::to_string(i) + " [label=";
        cli::AppendDotQuoted(text, texts[i]);
        text += "];\nn" + std::to_string(i) + " -> n" + std::to_string(i) + " [label=";
        cli::AppendDotQuoted(text, texts[i]);
        text += "];\n";
    }
    TempDir dir;
    const Drawn d = draw(dir, text + "}\n");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(d.label.at("n" + std::to_string(i)), texts[i]);
        EXPECT_EQ(d.links.at(i)[2], texts[i]);
    }
}

}  // namespace
