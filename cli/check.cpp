#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/evolgraph.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "rom/methods.h"
#include "rom/slotcodec.h"

namespace cli {
namespace {

struct CheckClass {
    std::string_view name;  // as --ignore takes it
    std::string_view help;
};

// The kinds of finding, in the order the help lists them.
constexpr std::array<CheckClass, 10> kClasses{{
    {"layout", "over 1% of the slots hold a method or target no game writes: the table may have moved"},
    {"trade", "a trade method: it needs a second console"},
    {"item-use", "a use-the-item method with an item other than the nine evolution stones"},
    {"level0", "a method whose parameter is a level, with level 0: it evolves at its next level-up"},
    {"order", "a level step at or below the level its species is reached at: it fires at once"},
    {"target", "a method with target 0 or a target outside 1-649"},
    {"unlisted", "a method, or a level (above 100), item, move or species parameter, with no row"},
    {"self", "a species that evolves into itself"},
    {"loop", "species that evolve into each other in two or more steps: each group once, with a cycle"},
    {"orphan-target", "method 0 with a target that is not 0: the target is never reached"},
}};

// A class's place in the table, by its name: a name not in it does not compile.
consteval std::size_t classNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kClasses.size(); ++i)
        if (kClasses[i].name == name)
            return i;
    throw "no such class";
}

constexpr std::size_t kLayout = classNamed("layout"), kTrade = classNamed("trade"), kItemUse = classNamed("item-use"),
                      kLevel0 = classNamed("level0"), kOrder = classNamed("order"), kTarget = classNamed("target"),
                      kUnlisted = classNamed("unlisted"), kSelf = classNamed("self"), kLoop = classNamed("loop"),
                      kOrphanTarget = classNamed("orphan-target");

std::string methodText(int method)
{
    return "method " + Named(List::Method, method, Form::NumberName);
}

// "evolves by trade holding Metal Coat" for a trade method, else "".
std::string tradeText(const SlotValues& v)
{
    const rom::Method* method = rom::MethodOf(v.method);
    if (!method || method->trigger != rom::Trigger::Trade)
        return {};
    std::string text = "evolves by trade";
    if (const auto list = ParameterList(method->kind); list && v.parameter)
        text += " holding " + Named(*list, *v.parameter, Form::Name);
    return text;
}

// The item-use finding for a "use the item" method, or "" for one of the nine stones or another method.
std::string itemUseText(const SlotValues& v)
{
    const rom::Method* method = rom::MethodOf(v.method);
    if (!method || method->trigger != rom::Trigger::UseItem || !v.parameter ||
        std::ranges::find(rom::kEvolutionStones, *v.parameter) != rom::kEvolutionStones.end())
        return {};
    // The method list's own way to evolve with any item: a level-up while holding it.
    std::string holding;
    for (int m = 0; m < static_cast<int>(rom::kMethods.size()); ++m)
        if (rom::kMethods[std::size_t(m)].trigger == rom::Trigger::LevelUp &&
            rom::kMethods[std::size_t(m)].kind == rom::ParamKind::Item)
            holding += (holding.empty() ? "" : " and ") + Named(List::Method, m, Form::NumberName);
    std::string text = methodText(v.method) + " uses " + Named(List::Item, *v.parameter, Form::Name) +
                       ", which cannot be used on a Pokemon in the unmodified game; methods " + holding +
                       " evolve it when it levels up holding the item, by day or by night";
    // Methods 17 and 18 are method 8 for one sex only; the holding methods have no such condition.
    if (v.method == 17 || v.method == 18)
        text += std::string(", with no ") + (v.method == 17 ? "male" : "female") + "-only condition";
    return text;
}

// For each species, the steps into it from another species by a method whose parameter is a level with a
// row: above 100, no Pokemon gets there.
std::vector<std::vector<const Evolution*>> levelReaches(std::span<const Evolution> evolutions)
{
    std::vector<std::vector<const Evolution*>> reaches(rom::kSpeciesRows + 1);
    for (const Evolution& e : evolutions)
        if (rom::KindOf(e.method) == rom::ParamKind::Level && e.parameter && NameOf(List::Level, *e.parameter) &&
            IsSpecies(e.target) && e.target != e.species)
            reaches[std::size_t(e.target)].push_back(&e);
    return reaches;
}

std::string stepText(int method, int level)
{
    return "by " + Named(List::Method, method, Form::Name) + " at level " + std::to_string(level);
}

}  // namespace

int Check(const std::filesystem::path& romPath, const std::vector<std::string>& ignored, Io& io)
{
    std::array<bool, kClasses.size()> on;
    on.fill(true);
    for (const std::string& name : ignored)  // the command line lets only these names through
        for (std::size_t i = 0; i < kClasses.size(); ++i)
            if (kClasses[i].name == name)
                on[i] = false;
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    // As a linter's: 1 means findings, so a failure is 2.
    if (!read)
        return kUsage;
    const rom::EvolutionTable& table = read->table;

    std::string out;
    out.reserve(std::size_t(rom::kTableSlots) * 128);  // pages are only taken as findings fill them
    std::size_t found = 0;
    // Most slots have nothing to report: a slot's name is only made for a finding.
    auto report = [&](std::size_t c, const auto& where, const std::string& what) {
        if (!on[c])
            return;
        if constexpr (std::is_invocable_v<decltype(where)>)
            out += where();
        else
            out += where;
        (out += ": ") += what;
        out += '\n';
        ++found;
    };
    if (const rom::TableLayout layout = rom::CheckLayout(table); layout.looksMoved())
        report(kLayout, "layout",
                   MovedTableText(read->game, layout) + ", and then the findings below describe bytes that are not "
                                                        "the table");
    const std::vector<Evolution> evolutions = EvolutionsOf(table);
    const auto reaches = levelReaches(evolutions);
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const SlotValues v = ValuesOf(at, table.slot(at));
        const auto where = [&] { return SlotName(at); };
        if (v.method == 0) {
            if (v.target != 0)
                report(kOrphanTarget, where,
                       "has method 0 (None) but target " + Named(List::Species, v.target) + ", which is never reached");
            continue;
        }
        if (const std::string trade = tradeText(v); !trade.empty())
            report(kTrade, where, trade + ", which needs a second console");
        if (const std::string itemUse = itemUseText(v); !itemUse.empty())
            report(kItemUse, where, itemUse);
        const bool byLevel = rom::KindOf(v.method) == rom::ParamKind::Level;
        if (byLevel && v.parameter == 0)
            report(kLevel0, where,
                   methodText(v.method) + " at level 0 evolves it at its next level-up, whatever its level");
        for (const Evolution* r : reaches[std::size_t(v.species)])
            if (byLevel && *v.parameter <= *r->parameter)
                report(kOrder, where,
                       "evolves into " + Named(List::Species, v.target) + " " + stepText(v.method, *v.parameter) +
                           ", but " + SlotName(r->species, r->slot) + " evolves into it " +
                           stepText(r->method, *r->parameter) +
                           ": it evolves again at its first level-up after it is reached");
        if (v.target == 0)
            report(kTarget, where, "has " + methodText(v.method) + " but target None (0): it evolves into nothing");
        else if (!IsSpecies(v.target))
            report(kTarget, where, "target " + std::to_string(v.target) + " is outside 1-649");
        if (!NameOf(List::Method, v.method))
            report(kUnlisted, where, "method " + std::to_string(v.method) + " has no row in the method list");
        const auto list = ParameterList(rom::KindOf(v.method));
        if (list && v.parameter && !NameOf(*list, *v.parameter))
            report(kUnlisted, where, "parameter " + std::to_string(*v.parameter) + " has no row in the " +
                                         std::string(WhatOf(*list)) + " list");
        if (v.target == v.species)
            report(kSelf, where, "evolves into itself");
    }
    if (on[kLoop]) {
        for (const Loop& loop : LoopsOf(evolutions)) {
            std::string path;
            for (const int s : loop.cycle)
                path += (path.empty() ? "" : " -> ") + Named(List::Species, s);
            if (loop.members.size() + 1 > loop.cycle.size())
                path += " (one cycle among " + std::to_string(loop.members.size()) +
                        " species that evolve into each other)";
            report(kLoop, "loop", path);
        }
    }
    if (WriteOut(io, out) != kSuccess)
        return kUsage;
    return found ? kFailure : kSuccess;
}

namespace {

Runner declareCheck(CLI::App& command)
{
    struct Options {
        std::filesystem::path rom;
        std::vector<std::string> ignored;
    };
    auto o = std::make_shared<Options>();
    std::string footer = "Classes, for --ignore:\n";
    std::vector<std::string> names;
    for (const CheckClass& c : kClasses) {
        footer += "  " + std::string(c.name) + std::string(15 - std::min<std::size_t>(c.name.size(), 14), ' ') +
                  std::string(c.help) + "\n";
        names.emplace_back(c.name);
    }
    command.footer(footer + "Exit status, as for a linter: 0 nothing listed, 1 something listed, 2 a failure or bad usage.");
    AddRomArgument(command, o->rom, "ROM image to read");
    command.add_option("--ignore", o->ignored, "Leave out the findings of CLASS; may be given again, or as a list with commas")
        ->option_text("CLASS")
        ->allow_extra_args(false)
        ->delimiter(',')
        ->check(OneOf(names, "class", "classes"));
    return [o](Io& io) { return Check(o->rom, o->ignored, io); };
}

}  // namespace

constinit const Command kCheckCommand{
    "check", "List the evolutions a player cannot perform or that look like mistakes, then the loops", declareCheck};

}  // namespace cli
