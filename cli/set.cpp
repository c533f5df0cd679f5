#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/batch.h"
#include "cli/commands.h"
#include "cli/romaccess.h"
#include "cli/suggest.h"
#include "cli/text.h"
#include "rom/methods.h"

namespace cli {
namespace {

enum Field { kSpecies, kSlot, kMethod, kParameter, kTarget };
constexpr std::array<std::string_view, 5> kFields{"species", "slot", "method", "parameter", "target"};

// A usage error: the command line asks for what cannot be.
struct Usage {
    std::string reason;
};

// One FIELD=VALUE of the command line.
struct Assignment {
    Field field;
    std::string value;
};

rom::Result<Assignment, Usage> parseAssignment(const std::string& text, const std::string& option, bool to)
{
    const std::size_t equals = text.find('=');
    const std::string name = text.substr(0, equals);
    const auto known = std::find(kFields.begin(), kFields.end(), name);
    const bool allowed = known != kFields.end() && (!to || (*known != "species" && *known != "slot"));
    if (equals == std::string::npos || !allowed) {
        std::vector<std::string> fields;
        for (std::size_t i = to ? kMethod : kSpecies; i < kFields.size(); ++i)
            fields.emplace_back(kFields[i]);
        std::vector<std::string> shown;
        for (const std::size_t i : Suggest(fields, name))
            shown.push_back("\"" + fields[i] + "\"");
        std::string all;
        for (const std::string& f : fields)
            all += (all.empty() ? "" : ", ") + f;
        return Usage{option + " takes FIELD=VALUE, FIELD one of " + all + ": not " + Quoted(text) +
                     DidYouMean(shown)};
    }
    return Assignment{Field(known - kFields.begin()), text.substr(equals + 1)};
}

std::optional<int> parseNumber(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A value of a list, by number or name, as import takes it; a number must have a row where it is written.
rom::Result<int, Usage> rowOf(List list, const std::string& text, bool mustHaveRow, Field field)
{
    if (const auto number = parseNumber(text)) {
        if (mustHaveRow && !NameOf(list, *number))
            return Usage{std::string(kFields[field]) + " " + text + " has no row in the " + std::string(WhatOf(list)) +
                         " list"};
        return *number;
    }
    // Species in any letter case, as every command line takes them; "None" is target 0.
    if (list == List::Species && text != "None") {
        auto species = FindSpecies(text);
        if (!species)
            return Usage{species.error()};
        return *species;
    }
    auto row = RowNamed(list, text);
    if (!row)
        return Usage{row.error() + (row.error().find(" names rows ") != std::string::npos ? ": give the number" : "")};
    return *row;
}

// What --to parameter needs, by the list it must be a row of: "a level", "LEVEL".
std::string takes(List list)
{
    const std::string what(WhatOf(list));
    std::string upper = what;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return AWhatOf(list) + ": add --to parameter=" + upper;
}

// The slots --where chooses: several values for one field are alternatives, different fields must all hold.
class Match {
public:
    rom::Result<void, Usage> add(const Assignment& a)
    {
        switch (a.field) {
        case kSpecies:
        case kTarget: {
            auto row = rowOf(List::Species, a.value, false, a.field);
            if (!row)
                return row.error();
            (a.field == kSpecies ? m_species : m_target).push_back(*row);
            return {};
        }
        case kSlot: {
            const auto slot = parseNumber(a.value);
            if (!slot || *slot < 1 || *slot > rom::EvolutionRecord::kSlots)
                return Usage{"slot " + Quoted(a.value) + " is not a slot: 1 to 7"};
            m_slot.push_back(*slot);
            return {};
        }
        case kMethod: {
            auto row = rowOf(List::Method, a.value, false, kMethod);
            if (!row)
                return row.error();
            m_method.push_back(*row);
            return {};
        }
        case kParameter:
            m_parameter.push_back(a.value);
            return {};
        }
        return {};
    }

    // A parameter's name is a row of the list the slot's method takes; check now that it names one
    // in some list the chosen methods take.
    rom::Result<void, Usage> checkParameters() const
    {
        std::vector<List> lists;
        for (const int m : m_method)
            if (const auto list = ParameterList(rom::KindOf(m)))
                lists.push_back(*list);
        if (m_method.empty())
            lists = {List::Item, List::Move, List::Species, List::Level};
        for (const std::string& p : m_parameter) {
            if (parseNumber(p))
                continue;
            std::optional<Usage> first;
            bool found = false;
            for (const List list : lists) {
                auto row = rowOf(list, p, false, kParameter);
                found = found || bool(row);
                if (!row && !first)
                    first = row.error();
            }
            if (!found)
                return first ? *first : Usage{"no method chosen by --where takes a parameter"};
        }
        return {};
    }

    bool matches(const SlotValues& v) const
    {
        // A slot with method 0 is no evolution: it is chosen only by its slot number or by method None.
        if (v.method == 0 && m_slot.empty() && m_method.empty())
            return false;
        auto any = [](const auto& values, auto&& test) {
            return values.empty() || std::any_of(values.begin(), values.end(), test);
        };
        const auto list = ParameterList(rom::KindOf(v.method));
        return any(m_species, [&](int s) { return s == v.species; }) &&
               any(m_slot, [&](int s) { return s == v.slot; }) &&
               any(m_method, [&](int m) { return m == v.method; }) &&
               any(m_target, [&](int t) { return t == v.target; }) &&
               any(m_parameter, [&](const std::string& p) {
                   if (!list || !v.parameter)
                       return false;
                   if (const auto number = parseNumber(p))
                       return *number == *v.parameter;
                   const auto rows = RowsNamed(*list, p);
                   return rows.size() == 1 && rows[0] == *v.parameter;
               });
    }

private:
    std::vector<int> m_species, m_slot, m_method, m_target;
    std::vector<std::string> m_parameter;
};

// What --to gives each chosen slot.
struct Change {
    std::optional<int> method, target;
    std::optional<std::string> parameter;

    rom::Result<void, Usage> add(const Assignment& a)
    {
        if (a.field == kMethod || a.field == kTarget) {
            auto row = rowOf(a.field == kMethod ? List::Method : List::Species, a.value, true, a.field);
            if (!row)
                return row.error();
            (a.field == kMethod ? method : target) = *row;
        } else {
            parameter = a.value;
        }
        return {};
    }

    // The slot's values after the change: a parameter of the same kind is kept, one of another kind
    // must be given, and a method that takes none gets what the write rules give it.
    rom::Result<SlotValues, Usage> apply(const SlotValues& now) const
    {
        SlotValues to = now;
        to.method = method.value_or(now.method);
        to.target = target.value_or(now.target);
        const auto list = ParameterList(rom::KindOf(to.method));
        auto methodName = [&] { return Named(List::Method, to.method, Form::Name); };
        if (!list) {
            if (parameter)
                return Usage{methodName() + " takes no parameter: drop --to parameter"};
            to.parameter.reset();
            return to;
        }
        if (parameter) {
            auto row = rowOf(*list, *parameter, true, kParameter);
            if (!row)
                return row.error();
            to.parameter = *row;
        } else if (ParameterList(rom::KindOf(now.method)) != list) {
            return Usage{methodName() + " takes " + takes(*list)};
        }
        return to;
    }
};

struct SetOptions {
    std::filesystem::path rom;
    std::vector<std::string> where, to;
    bool dryRun = false;
    bool force = false;
};

int usage(const Usage& u, Io& io)
{
    Say(io, kProgram, "set: " + u.reason);
    return kUsage;
}

int runSet(const SetOptions& o, Io& io)
{
    Match match;
    Change change;
    // Each FIELD=VALUE of an option, into what it builds; the first problem, if any.
    auto addAll = [](const std::vector<std::string>& texts, const std::string& option, auto& into) {
        for (const std::string& text : texts) {
            auto a = parseAssignment(text, option, option == "--to");
            if (!a)
                return std::optional<Usage>(a.error());
            if (auto added = into.add(*a); !added)
                return std::optional<Usage>(added.error());
        }
        return std::optional<Usage>();
    };
    if (const auto problem = addAll(o.where, "--where", match))
        return usage(*problem, io);
    if (const auto problem = addAll(o.to, "--to", change))
        return usage(*problem, io);
    if (auto checked = match.checkParameters(); !checked)
        return usage(checked.error(), io);

    const auto read = ReadRomTable(o.rom, o.dryRun ? rom::Access::ReadOnly : rom::Access::ReadWrite, io);
    if (!read)
        return kFailure;
    if (RefuseMovedTable(o.rom, read->game, read->table, o.force, io))
        return kFailure;

    std::vector<Planned> plan;
    std::size_t matched = 0;
    for (const rom::SlotAddress at : rom::SlotAddress::All()) {
        const rom::SlotBytes current = read->table.slot(at);
        const SlotValues now = ValuesOf(at, current);
        if (!match.matches(now))
            continue;
        ++matched;
        auto to = change.apply(now);
        if (!to)
            return usage({to.error().reason + " (" + SlotName(at) + " holds " + SlotSummary(now) + ")"}, io);
        if (*to == now)
            continue;
        auto planned = PlanSlot(at, current, *to);
        if (!planned) {
            for (const std::string& reason : planned.error())
                Say(io, Shown(o.rom), SlotName(at) + ": " + reason);
            Say(io, Shown(o.rom), "nothing written");
            return kFailure;
        }
        AddToPlan(plan, std::move(*planned));
    }
    if (matched == 0)
        return WriteOut(io, "no slot matches; nothing written\n");
    return CarryOut(o.rom, read->game, plan, Counting::Written, o.dryRun, io);
}

Runner declareSet(CLI::App& command)
{
    auto o = std::make_shared<SetOptions>();
    AddRomArgument(command, o->rom, "ROM image to change in place");
    command.footer(
        "FIELD=VALUE: a number, or a name as import takes it (a species in any letter case, a level with\n"
        "or without leading zeros); a name names exactly one row (method=Trade is method 5 only).\n"
        "Several --where on one field are alternatives; on different fields all must hold. A slot with\n"
        "method 0 (None) is chosen only by --where slot or --where method=None. A parameter's\n"
        "name is looked up in the list of the slot's method. --to method of a method whose parameter is\n"
        "of another kind needs --to parameter; where the kind stays the same the parameter is kept.\n"
        "The slots are written as import writes them: one batch under one lock, each compared before it\n"
        "is written, one sync; a slot that already holds the values is not written. Nothing matched\n"
        "is not an error. A table that does not look like an evolution table is refused (see import).\n"
        "Examples:\n"
        "  Every plain trade to Level Up 37:\n"
        "    quorvane-cli set black.nds --where method=Trade --to \"method=Level Up\" --to parameter=37\n"
        "  Trades holding an item to levelling up while holding it by day:\n"
        "    quorvane-cli set black.nds --where \"method=Trade with Held Item\" \\\n"
        "      --to \"method=Level Up With Held Item (Day)\"\n"
        "  One slot, by species and slot:\n"
        "    quorvane-cli set black.nds --where species=Pikachu --where slot=1 --to \"method=Level Up\" \\\n"
        "      --to parameter=36");
    command.add_option("--where", o->where, "Change the slots whose FIELD (species, slot, method, parameter, target) is VALUE")
        ->option_text("FIELD=VALUE")
        ->allow_extra_args(false)
        ->required();
    command.add_option("--to", o->to, "Give them this FIELD (method, parameter, target)")
        ->option_text("FIELD=VALUE")
        ->allow_extra_args(false)
        ->required();
    command.add_flag("-n,--dry-run", o->dryRun, "Print each slot that would change, with its bytes, and write nothing");
    command.add_flag("--force", o->force, "Write even into a table that does not look like an evolution table");
    return [o](Io& io) { return runSet(*o, io); };
}

}  // namespace

constinit const Command kSetCommand{"set", "Change every slot that matches a rule, as import would write it", declareSet};

}  // namespace cli
