#pragma once

#include <array>
#include <string_view>

namespace rom {

/// What a method's parameter is, and so which selector shows it.
enum class ParamKind { None, Level, Item, Species, Move, Constant };

struct Method {
    std::string_view name;
    ParamKind kind;
};

/// The evolution methods by code; a code equals its row.
inline constexpr std::array<Method, 28> kMethods{{
    {"None", ParamKind::None},
    {"Happiness", ParamKind::Constant},
    {"Happiness (Morning/noon)", ParamKind::Constant},
    {"Happiness (Night)", ParamKind::Constant},
    {"Level Up", ParamKind::Level},
    {"Trade", ParamKind::Constant},
    {"Trade with Held Item", ParamKind::Item},
    {"Special Trade ( Only Shelmet/Karrablast )", ParamKind::Constant},
    {"Item (Evo Stones)", ParamKind::Item},
    {"Level Up (Attack > Defense)", ParamKind::Constant},
    {"Level Up (Attack = Defense)", ParamKind::Constant},
    {"Level Up (Attack < Defense)", ParamKind::Constant},
    {"Level Up (Personality < 5 )", ParamKind::Level},
    {"Level Up (Personality > 5 )", ParamKind::Level},
    {"Special Evo. ( Only Shedinja free )", ParamKind::Level},
    {"Special Evo. (?\?\?)", ParamKind::Constant},  // escaped: "??)" would be a trigraph
    {"Max Beauty", ParamKind::Constant},
    {"Item (Evo Stones) (Male)", ParamKind::Item},
    {"Item (Evo Stones) (Female)", ParamKind::Item},
    {"Level Up With Held Item (Day)", ParamKind::Item},
    {"Level Up With Held Item (Night)", ParamKind::Item},
    {"Level Up With Attack", ParamKind::Move},
    {"Level Up With Pokemon in Party", ParamKind::Species},
    {"Level Up (Male )", ParamKind::Level},
    {"Level Up (Female)", ParamKind::Level},
    {"Level Up in Chargestone Cave", ParamKind::Constant},
    {"Level Up in Pinwheel Forest", ParamKind::Constant},
    {"Level Up in Twist Mountain Basement", ParamKind::Constant},
}};

/// The method selector's rows, in code order.
inline constexpr std::array<std::string_view, kMethods.size()> MethodNames = [] {
    std::array<std::string_view, kMethods.size()> names{};
    for (std::size_t i = 0; i < kMethods.size(); ++i)
        names[i] = kMethods[i].name;
    return names;
}();

/// The parameter kind of a method code; every code outside 0 to 27 (-1 included) is Constant.
ParamKind KindOf(int code);

}  // namespace rom
