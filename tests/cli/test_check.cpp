// check: each class found on a table made for it, the order of the listing, the loops, the exit status.
#include <gtest/gtest.h>

#include "cli/evolgraph.h"
#include "tests/cli/clitestutil.h"

namespace {

using namespace clitest;

const std::vector<std::string> kSampleTrades{
    "Machoke (67) slot 1: evolves by trade, which needs a second console",
    "Onix (95) slot 1: evolves by trade holding Metal Coat, which needs a second console",
    "Seadra (117) slot 1: evolves by trade holding Dragon Scale, which needs a second console",
    "Karrablast (588) slot 1: evolves by trade, which needs a second console",
};

struct Case {
    const char* what;            // the class, as --ignore names it
    std::string csv;             // imported onto the sample image ("" for none); header added unless it has one
    std::vector<sample::SampleSlot> raw;  // values import refuses, stored directly
    std::vector<std::string> lines;       // all the class finds, in order
    std::vector<std::string> others = {};  // classes that also fire on the table, left out of both runs
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.what;
}

std::filesystem::path tableFor(const TempDir& dir, const Case& c)
{
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    if (!c.csv.empty()) {
        const auto csv = dir.file(std::string(c.what) + ".csv");
        writeText(csv, (c.csv.starts_with("species") ? "" : "species,slot,method,parameter,target\n") + c.csv);
        const Ran r = run({"import", p.string(), csv.string()});
        EXPECT_EQ(r.status, 0) << r.err;
    }
    for (const auto& s : c.raw)
        EXPECT_TRUE(sample::PutSlot(p, irbo(), s));
    return p;
}

// n slots from species 400 on whose target no game writes.
std::vector<sample::SampleSlot> oddSlots(int n)
{
    std::vector<sample::SampleSlot> slots;
    for (int i = 0; i < n; ++i)
        slots.push_back({*rom::SlotAddress::Of(399 + i / 7, 1 + i % 7), 4, 10, 650});
    return slots;
}

const std::string kReachedAgain = ": it evolves again at its first level-up after it is reached";
const std::string kHolding = ", which cannot be used on a Pokemon in the unmodified game; methods 19 (Level Up With "
                             "Held Item (Day)) and 20 (Level Up With Held Item (Night)) evolve it when it levels up "
                             "holding the item, by day or by night";
const std::string kMoved = "layout: the table at 0x6966740 does not look like an evolution table (46 of 4,543 slots "
                           "hold a method or target no game uses); a ROM rebuilt by another tool may have moved it, "
                           "and then the findings below describe bytes that are not the table";

class Classes : public ::testing::TestWithParam<Case> {};

const std::vector<Case> kCases{
    {"trade", "", {}, kSampleTrades},
    {"target",
     "4,1,4,16,0\n",
     {{{24, 3}, 8, 83, 650}, {{24, 4}, 1, 0, 0xFFFF}},
     {"Charmander (4) slot 1: has method 4 (Level Up) but target None (0): it evolves into nothing",
      "Pikachu (25) slot 3: target 650 is outside 1-649", "Pikachu (25) slot 4: target -1 is outside 1-649"}},
    {"unlisted",
     "",
     {{{9, 1}, 28, 0, 11},
      {{9, 2}, 0x0104, 150, 11},
      {{9, 3}, 8, 700, 11},
      {{9, 4}, 21, 600, 11},
      {{9, 5}, 22, 0x8000, 11},
      {{9, 6}, 0x0204, 100, 11}},
     {"Caterpie (10) slot 1: method 28 has no row in the method list",
      "Caterpie (10) slot 2: parameter 150 has no row in the level list",
      "Caterpie (10) slot 3: parameter 700 has no row in the item list",
      "Caterpie (10) slot 4: parameter 600 has no row in the move list",
      "Caterpie (10) slot 5: parameter -32768 has no row in the species list"},
     {"item-use"}},
    {"self", "25,2,4,30,25\n", {}, {"Pikachu (25) slot 2: evolves into itself"}},
    // Two groups, found once each: Pikachu, Raichu and Pichu in one cycle; Bulbasaur, Ivysaur and
    // Venusaur in a group wider than the shortest cycle through Bulbasaur.
    {"loop",
     "26,1,4,10,172\n2,2,4,10,1\n3,1,4,10,2\n",
     {},
     {"loop: Bulbasaur (1) -> Ivysaur (2) -> Bulbasaur (1) (one cycle among 3 species that evolve into each other)",
      "loop: Pikachu (25) -> Raichu (26) -> Pichu (172) -> Pikachu (25)"},
     {"order"}},
    {"orphan-target",
     "1,2,0,,26\n",
     {{{1, 3}, 0, 5, 700}},
     {"Bulbasaur (1) slot 2: has method 0 (None) but target Raichu (26), which is never reached",
      "Ivysaur (2) slot 3: has method 0 (None) but target no row (700), which is never reached"}},
    // Level 1 is no finding; every method whose parameter is a level is.
    {"level0",
     "1,1,4,1,2\n41,1,24,0,42\n50,1,14,0,51\n63,1,4,0,64\n",
     {},
     {"Zubat (41) slot 1: method 24 (Level Up (Female)) at level 0 evolves it at its next level-up, whatever its level",
      "Diglett (50) slot 1: method 14 (Special Evo. ( Only Shedinja free )) at level 0 evolves it at its next "
      "level-up, whatever its level",
      "Abra (63) slot 1: method 4 (Level Up) at level 0 evolves it at its next level-up, whatever its level"}},
    // Found: equal levels, at level 100, across level methods. Not found: the sample's three stages in order,
    // a level one above, a reach by a stone (item 83), a reach at level 101, which no player reaches.
    {"order",
     "7,1,4,16,8\n8,1,4,16,9\n13,1,4,7,14\n14,1,4,8,15\n17,1,4,36,18\n21,1,4,100,22\n22,1,4,100,20\n"
     "29,1,8,83,30\n30,1,4,5,31\n43,1,24,21,44\n44,1,4,30,45\n44,2,13,21,182\n",
     {{{15, 1}, 4, 101, 17}},
     {"Wartortle (8) slot 1: evolves into Blastoise (9) by Level Up at level 16, but Squirtle (7) slot 1 evolves "
      "into it by Level Up at level 16" + kReachedAgain,
      "Fearow (22) slot 1: evolves into Raticate (20) by Level Up at level 100, but Spearow (21) slot 1 evolves "
      "into it by Level Up at level 100" + kReachedAgain,
      "Gloom (44) slot 2: evolves into Bellossom (182) by Level Up (Personality > 5 ) at level 21, but Oddish (43) "
      "slot 1 evolves into it by Level Up (Female) at level 21" + kReachedAgain},
     {"unlisted"}},
    // Each of the nine stones is no finding, named here, not numbered, so that a wrong number shows.
    {"item-use",
     "species,slot,method,parameter_name,target\n46,1,8,Metal Coat,47\n48,1,17,Dragon Scale,49\n"
     "50,1,18,Oval Stone,51\n52,1,8,Sun Stone,53\n53,1,8,Moon Stone,54\n54,1,8,Fire Stone,55\n"
     "55,1,8,Thunderstone,56\n56,1,17,Water Stone,57\n57,1,18,Leaf Stone,58\n58,1,8,Shiny Stone,59\n"
     "59,1,8,Dusk Stone,60\n60,1,8,Dawn Stone,61\n",
     {},
     {"Paras (46) slot 1: method 8 (Item (Evo Stones)) uses Metal Coat" + kHolding,
      "Venonat (48) slot 1: method 17 (Item (Evo Stones) (Male)) uses Dragon Scale" + kHolding +
          ", with no male-only condition",
      "Diglett (50) slot 1: method 18 (Item (Evo Stones) (Female)) uses Oval Stone" + kHolding +
          ", with no female-only condition"}},
    // First of all, past the threshold; nothing at it.
    {"layout", "", oddSlots(46), {kMoved}, {"target"}},
    {"layout", "", oddSlots(45), {}, {"target"}},
};

INSTANTIATE_TEST_SUITE_P(Check, Classes, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.what + std::string(info.param.lines.empty() ? "_silent" : "");
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

// The class's lines among the sample's trades, in species and slot order with the loops last (the cases'
// slots all lie before Machoke's); with the class and trade ignored, nothing and exit status 0.
TEST_P(Classes, FoundOnATableMadeForItAndGoneWhenIgnored)
{
    const Case& c = GetParam();
    TempDir dir;
    const auto p = tableFor(dir, c);
    std::vector<std::string> expected = c.lines;
    if (c.what != std::string("trade"))
        expected.insert(std::find_if(expected.begin(), expected.end(), [](auto& l) { return l.starts_with("loop"); }),
                        kSampleTrades.begin(), kSampleTrades.end());
    std::vector<std::string> args{"check", p.string()};
    for (const std::string& other : c.others)
        args.insert(args.end(), {"--ignore", other});
    FaultyFileSystem readOnly;  // it reads the ROM as export does
    readOnly.refuseWritingWith = EROFS;
    const Ran found = run(args, readOnly);
    EXPECT_EQ(found.status, 1) << found.err;
    EXPECT_EQ(lines(found.out), expected);

    args.insert(args.end(), {"--ignore", c.what, "--ignore", "trade"});
    const Ran ignored = run(args);
    EXPECT_EQ(ignored.status, 0) << ignored.out;
    EXPECT_EQ(ignored.out + ignored.err, "");
}

// As a linter: 2 for a failure or bad usage, never 1, which means findings.
TEST(Check, FailureAndBadUsageExitWithTwo)
{
    TempDir dir;
    const Ran missing = run({"check", dir.file("missing.nds").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("missing.nds: the file cannot be opened"), std::string::npos) << missing.err;
    const auto p = makeImage(dir, irbo(), Fill::Sample);
    EXPECT_EQ(run({"check", p.string(), "--ignore", "self,trades"}).status, 2);
    EXPECT_EQ(run({"check", p.string(), "--ignore", "self,trade"}).status, 0);
}

// The games' own table, as quorvane-sample --full writes it and the tests' images hold it, is consistent:
// check finds its trades and nothing else.
TEST(Check, FullTableListsOnlyItsTrades)
{
    TempDir dir;
    const auto p = dir.file("full.nds");
    ASSERT_EQ(runShell(std::string(QUORVANE_SAMPLE) + " --full IRBO " + p.string() + " >/dev/null").status, 0);
    EXPECT_EQ(table(p, irbo()), table(makeImage(dir, irbo(), Fill::Full), irbo()));
    const Ran all = run({"check", p.string()});
    EXPECT_EQ(all.status, 1) << all.err;
    EXPECT_EQ(lines(all.out).size(), 22u) << all.out;  // Poliwhirl's to Shelmet's
    const Ran ignored = run({"check", p.string(), "--ignore", "trade"});
    EXPECT_EQ(ignored.status, 0) << ignored.out;
    EXPECT_EQ(ignored.out + ignored.err, "");
}

// Groups found by Tarjan's algorithm against mutual reachability by brute force (Floyd-Warshall), on
// random graphs dense enough to hold several groups, some within reach of others.
TEST(Check, LoopsAreTheStronglyConnectedGroupsEachWithARealCycle)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        const int n = std::uniform_int_distribution<int>(5, 60)(rng);
        std::vector<cli::Evolution> evolutions;
        std::vector<std::vector<bool>> reach(std::size_t(n) + 2, std::vector<bool>(std::size_t(n) + 2));
        for (int species = 1; species <= n; ++species) {
            for (int slot = 1; slot <= 7; ++slot) {
                // Some are no species; some species evolve into themselves first, which makes no group.
                int target = std::uniform_int_distribution<int>(-1, n + 1)(rng);
                if (slot == 1 && species % 3 == 0)
                    target = species;
                else if (std::uniform_int_distribution<int>(0, 4)(rng) != 0 || target < 0)
                    continue;
                evolutions.push_back({species, slot, 4, 10, target});
                reach[std::size_t(species)][std::size_t(target)] = true;
            }
        }
        const auto edge = reach;
        for (std::size_t k = 1; k <= std::size_t(n); ++k)
            for (std::size_t a = 1; a <= std::size_t(n); ++a)
                for (std::size_t b = 1; b <= std::size_t(n); ++b)
                    reach[a][b] = reach[a][b] || (reach[a][k] && reach[k][b]);
        std::vector<std::vector<int>> groups;
        std::vector<bool> grouped(std::size_t(n) + 1);
        for (int a = 1; a <= n; ++a) {
            std::vector<int> group{a};
            for (int b = a + 1; b <= n && !grouped[std::size_t(a)]; ++b)
                if (reach[std::size_t(a)][std::size_t(b)] && reach[std::size_t(b)][std::size_t(a)])
                    group.push_back(b);
            for (const int m : group)
                grouped[std::size_t(m)] = true;
            if (group.size() > 1)
                groups.push_back(group);
        }

        const auto loops = cli::LoopsOf(evolutions);
        ASSERT_EQ(loops.size(), groups.size()) << "seed " << seed;
        for (std::size_t i = 0; i < loops.size(); ++i) {
            EXPECT_EQ(loops[i].members, groups[i]) << "seed " << seed;
            const auto& cycle = loops[i].cycle;
            ASSERT_GE(cycle.size(), 3u) << "seed " << seed;
            EXPECT_EQ(cycle.front(), groups[i].front());
            EXPECT_EQ(cycle.back(), groups[i].front());
            for (std::size_t k = 0; k + 1 < cycle.size(); ++k)
                EXPECT_TRUE(edge[std::size_t(cycle[k])][std::size_t(cycle[k + 1])]) << "seed " << seed;
        }
    }
}

}  // namespace
