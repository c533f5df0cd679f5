#include <algorithm>
#include <ostream>

#include "cli/commands.h"
#include "cli/evolgraph.h"
#include "cli/names.h"
#include "cli/romaccess.h"
#include "rom/methods.h"

namespace cli {
namespace {

enum Class { kTrade, kTarget, kUnlisted, kSelf, kLoop, kOrphanTarget };

std::string methodText(int method)
{
    const std::string* name = NameOf(List::Method, method);
    return "method " + std::to_string(method) + " (" + (name ? *name : std::string("no row")) + ")";
}

std::string targetText(int target)
{
    if (IsSpecies(target))
        return SpeciesLabel(target);
    return target == 0 ? std::string("None (0)") : std::to_string(target) + " (no row)";
}

std::string tradeText(const SlotValues& v)
{
    switch (v.method) {
    case 5: return "evolves by trade";
    case 6: {
        const std::string* item = v.parameter ? NameOf(List::Item, *v.parameter) : nullptr;
        return "evolves by trade holding " + (item ? *item : "item " + std::to_string(v.parameter.value_or(0)));
    }
    case 7: return "evolves by the special trade of Karrablast and Shelmet";
    default: return {};
    }
}

}  // namespace

int Check(const std::filesystem::path& romPath, const std::vector<std::string>& ignored, Io& io)
{
    std::array<bool, kCheckClasses.size()> on;
    on.fill(true);
    for (const std::string& name : ignored)  // the command line lets only these names through
        if (const auto at = std::find(kCheckClasses.begin(), kCheckClasses.end(), name); at != kCheckClasses.end())
            on[std::size_t(at - kCheckClasses.begin())] = false;
    const auto read = ReadRomTable(romPath, rom::Access::ReadOnly, io);
    // As a linter's: 1 means findings, so a failure is 2.
    if (!read)
        return kUsage;
    const rom::EvolutionTable& table = read->table;

    std::string out;
    std::size_t found = 0;
    auto report = [&](Class c, const std::string& where, const std::string& what) {
        if (!on[c])
            return;
        out += where + ": " + what + "\n";
        ++found;
    };
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const SlotValues v = ValuesOf(at, table.slot(at));
        const std::string where = SlotName(v.species, v.slot);
        if (v.method == 0) {
            if (v.target != 0)
                report(kOrphanTarget, where,
                       "has method 0 (None) but target " + targetText(v.target) + ", which is never reached");
            continue;
        }
        if (const std::string trade = tradeText(v); !trade.empty())
            report(kTrade, where, trade + ", which needs a second console");
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
        for (const Loop& loop : LoopsOf(EvolutionsOf(table))) {
            std::string path;
            for (const int s : loop.cycle)
                path += (path.empty() ? "" : " -> ") + SpeciesLabel(s);
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

}  // namespace cli
