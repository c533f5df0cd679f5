// The full table's rows: each one the editor can show, each species' slots numbered from 1, and
// well-known facts of the games.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "rom/methods.h"
#include "rom/namelists.h"
#include "tools/sampleimage.h"

namespace {

struct Evolutions {
    std::set<int> slots;
    std::multiset<int> methods, targets;
};

TEST(FullTable, RowsAreListedNumberedAndTrueToTheGames)
{
    // A parameter's last row by kind; row 0 ("None", level "00") is no value for an evolution. Other
    // kinds store 0.
    const std::map<rom::ParamKind, int> last{{rom::ParamKind::Level, int(rom::LevelNames.size()) - 1},
                                             {rom::ParamKind::Item, int(rom::ItemNames.size()) - 1},
                                             {rom::ParamKind::Move, int(rom::MoveNames.size()) - 1},
                                             {rom::ParamKind::Species, rom::kSpeciesRows}};
    std::map<int, Evolutions> bySpecies;
    std::map<int, int> evolvesFrom;
    for (const sample::SampleSlot& s : sample::FullSlots()) {
        const int species = s.address.species();
        SCOPED_TRACE(std::to_string(species) + " slot " + std::to_string(s.address.slot()));
        const rom::Method* method = rom::MethodOf(s.method);
        ASSERT_TRUE(method && s.method != 0);
        const auto kind = last.find(method->kind);
        EXPECT_TRUE(kind == last.end() ? s.parameter == 0 : s.parameter >= 1 && s.parameter <= kind->second);
        EXPECT_TRUE(s.target >= 1 && s.target <= rom::kSpeciesRows && s.target != species) << s.target;
        // Every evolved species has one species before it; Feebas reaches Milotic in two slots.
        EXPECT_EQ(evolvesFrom.emplace(s.target, species).first->second, species) << s.target;
        Evolutions& e = bySpecies[species];
        EXPECT_TRUE(e.slots.insert(s.address.slot()).second) << "listed twice";
        e.methods.insert(s.method);
        e.targets.insert(s.target);
    }
    for (const auto& [species, e] : bySpecies)
        EXPECT_EQ(*e.slots.rbegin(), int(e.slots.size())) << "species " << species << ": a gap";
    EXPECT_EQ(bySpecies.size(), 303u);
    EXPECT_EQ(evolvesFrom.size(), 320u);
    EXPECT_EQ(sample::FullSlots().size(), 321u);

    const std::vector<std::pair<int, Evolutions>> facts{
        {1, {{}, {4}, {2}}},                                                 // Bulbasaur, the first row
        {133, {{}, {2, 3, 8, 8, 8, 26, 27}, {134, 135, 136, 196, 197, 470, 471}}},  // Eevee
        {150, {}},                                                           // Mewtwo
        {236, {{}, {9, 10, 11}, {106, 107, 237}}},                           // Tyrogue
        {265, {{}, {12, 13}, {266, 268}}},                                   // Wurmple
        {281, {{}, {4, 17}, {282, 475}}},                                    // Kirlia
        {290, {{}, {14, 15}, {291, 292}}},                                   // Nincada
        {349, {{}, {6, 16}, {350, 350}}},                                    // Feebas
        {361, {{}, {4, 18}, {362, 478}}},                                    // Snorunt
        {412, {{}, {23, 24}, {413, 414}}},                                   // Burmy
        {415, {{}, {24}, {416}}},                                            // Combee
        {458, {{}, {22}, {226}}},                                            // Mantyke
        {588, {{}, {7}, {589}}},                                             // Karrablast
        {636, {{}, {4}, {637}}},                                             // Larvesta, the last to evolve
        {649, {}},                                                           // Genesect, the last row
    };
    for (const auto& [species, fact] : facts) {
        EXPECT_EQ(bySpecies[species].methods, fact.methods) << "species " << species;
        EXPECT_EQ(bySpecies[species].targets, fact.targets) << "species " << species;
    }
}

}  // namespace
