#pragma once

#include <array>
#include <string_view>

namespace rom {

/// What a method's parameter is, and so which selector shows it.
enum class ParamKind { None, Level, Item, Species, Move, Constant };

/// What the player does for the evolution to happen.
enum class Trigger {
    None,     // method 0: no evolution
    LevelUp,  // the Pokemon levels up, with the method's condition met
    Trade,    // it is traded to another console
    UseItem,  // an item is used on it from the bag
};

struct Method {
    std::string_view name;
    ParamKind kind;
    Trigger trigger;
};

/// The evolution methods by code; a code equals its row.
inline constexpr std::array<Method, 28> kMethods{{
    {"None", ParamKind::None, Trigger::None},
    {"Happiness", ParamKind::Constant, Trigger::LevelUp},
    {"Happiness (Morning/noon)", ParamKind::Constant, Trigger::LevelUp},
    {"Happiness (Night)", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up", ParamKind::Level, Trigger::LevelUp},
    {"Trade", ParamKind::Constant, Trigger::Trade},
    {"Trade with Held Item", ParamKind::Item, Trigger::Trade},
    {"Special Trade ( Only Shelmet/Karrablast )", ParamKind::Constant, Trigger::Trade},
    {"Item (Evo Stones)", ParamKind::Item, Trigger::UseItem},
    {"Level Up (Attack > Defense)", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up (Attack = Defense)", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up (Attack < Defense)", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up (Personality < 5 )", ParamKind::Level, Trigger::LevelUp},
    {"Level Up (Personality > 5 )", ParamKind::Level, Trigger::LevelUp},
    {"Special Evo. ( Only Shedinja free )", ParamKind::Level, Trigger::LevelUp},
    {"Special Evo. (?\?\?)", ParamKind::Constant, Trigger::LevelUp},  // escaped: "??)" would be a trigraph
    {"Max Beauty", ParamKind::Constant, Trigger::LevelUp},
    {"Item (Evo Stones) (Male)", ParamKind::Item, Trigger::UseItem},
    {"Item (Evo Stones) (Female)", ParamKind::Item, Trigger::UseItem},
    {"Level Up With Held Item (Day)", ParamKind::Item, Trigger::LevelUp},
    {"Level Up With Held Item (Night)", ParamKind::Item, Trigger::LevelUp},
    {"Level Up With Attack", ParamKind::Move, Trigger::LevelUp},
    {"Level Up With Pokemon in Party", ParamKind::Species, Trigger::LevelUp},
    {"Level Up (Male )", ParamKind::Level, Trigger::LevelUp},
    {"Level Up (Female)", ParamKind::Level, Trigger::LevelUp},
    {"Level Up in Chargestone Cave", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up in Pinwheel Forest", ParamKind::Constant, Trigger::LevelUp},
    {"Level Up in Twist Mountain Basement", ParamKind::Constant, Trigger::LevelUp},
}};

/// The only items a player can use on a Pokemon from the bag to evolve it in the unmodified games, by
/// their rows of ItemNames: Sun, Moon, Fire, Thunder, Water and Leaf Stone (80-85), Shiny, Dusk and
/// Dawn Stone (107-109). Any other item in a "use the item" method does nothing unless the ROM's item
/// data was changed too. Source: the published Generation V item index (Bulbapedia, "List of items by
/// index number (Generation V)"), whose numbers the item list's rows follow.
inline constexpr std::array<int, 9> kEvolutionStones{80, 81, 82, 83, 84, 85, 107, 108, 109};

/// The method selector's rows, in code order.
inline constexpr std::array<std::string_view, kMethods.size()> MethodNames = [] {
    std::array<std::string_view, kMethods.size()> names{};
    for (std::size_t i = 0; i < kMethods.size(); ++i)
        names[i] = kMethods[i].name;
    return names;
}();

/// The parameter kind of a method code; every code outside 0 to 27 (-1 included) is Constant.
ParamKind KindOf(int code);

/// The method of a code, or nullptr for a code with no row.
const Method* MethodOf(int code);

}  // namespace rom
