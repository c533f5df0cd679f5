#include "cli/batch.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "cli/romaccess.h"
#include "cli/text.h"
#include "rom/describe.h"
#include "rom/processhandlers.h"

namespace cli {
namespace {

std::string count(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " slot" : " slots");
}

// "3 slots would change, 1 already applied"
std::string summary(std::span<const Planned> plan, Counting counting, std::string_view verb)
{
    const auto applied = static_cast<std::size_t>(std::count_if(plan.begin(), plan.end(), [](const Planned& p) {
        return p.applied;
    }));
    return count(plan.size() - applied) + " " + std::string(verb) +
           (counting == Counting::WithApplied ? ", " + std::to_string(applied) + " already applied" : "");
}

std::string describe(const SlotValues& v)
{
    const auto list = ParameterList(rom::KindOf(v.method));
    return "method " + Named(List::Method, v.method, Form::NumberQuoted) + ", parameter " +
           (v.parameter && list ? Named(*list, *v.parameter, Form::NumberQuoted) : std::string("none")) + ", target " +
           Named(List::Species, v.target, Form::NumberQuoted);
}

std::string slotList(std::span<const Planned> plan, std::size_t from, std::size_t to)
{
    std::string out;
    for (std::size_t i = from; i < to; ++i)
        out += (out.empty() ? "" : ", ") + SlotName(plan[i].change.address);
    return out.empty() ? "none" : out;
}

}  // namespace

std::string PlanText(std::span<const Planned> plan, const rom::SupportedGame& game, Counting counting)
{
    std::string out;
    for (const Planned& p : plan) {
        if (p.applied) {
            out += SlotName(p.change.address) + ": already applied\n";
            continue;
        }
        out += SlotName(p.change.address) + '\n';
        out += "  old: " + describe(p.from) + '\n';
        out += "  new: " + describe(p.to) + '\n';
        const std::uint64_t start = rom::FieldOffset(game.tableBase, p.change.address);
        for (std::size_t i = 0; i < p.change.wanted.size(); ++i) {
            if (p.change.expected[i] == p.change.wanted[i])
                continue;
            char line[96];
            std::snprintf(line, sizeof line, "  byte %llu (0x%llX): %02X -> %02X\n",
                          static_cast<unsigned long long>(start + i), static_cast<unsigned long long>(start + i),
                          p.change.expected[i], p.change.wanted[i]);
            out += line;
        }
    }
    return out + summary(plan, counting, "would change") + "; nothing written\n";
}

rom::Result<Planned, std::vector<std::string>> PlanSlot(rom::SlotAddress address, const rom::SlotBytes& current,
                                                        const SlotValues& to)
{
    const SlotValues now = ValuesOf(address, current);
    std::vector<std::string> problems;
    // A number with no row cannot be chosen in the editor: it may only stay as it is stored.
    auto listedOrKept = [&](List list, std::string_view what, int value, std::optional<int> stored) {
        if (NameOf(list, value) || stored == value)
            return;
        problems.push_back(std::string(what) + " " + std::to_string(value) + " has no row in the " +
                           std::string(WhatOf(list)) + " list and differs from the stored " +
                           (stored ? std::to_string(*stored) : std::string("value")));
    };
    listedOrKept(List::Method, "method", to.method, now.method);
    if (const auto list = ParameterList(rom::KindOf(to.method)); list && to.parameter) {
        // What reading the slot's parameter with the new method's width gives now.
        rom::SlotBytes asRead = current;
        asRead[0] = static_cast<std::uint8_t>(to.method);
        listedOrKept(*list, "parameter", *to.parameter, rom::DecodeSlot(asRead).parameter);
    }
    listedOrKept(List::Species, "target", to.target, now.target);
    if (!problems.empty())
        return problems;

    rom::SlotWrite write;
    if (NameOf(List::Method, to.method)) {
        write.method = to.method;
        write.kind = rom::KindOf(to.method);
        if (to.parameter && NameOf(*ParameterList(write.kind), *to.parameter))
            write.parameter = to.parameter;
    }
    if (NameOf(List::Species, to.target))
        write.target = to.target;
    return Planned{now, to, rom::SlotChange{address, current, rom::ComposeSlot(current, write)}};
}

int CarryOut(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> plan,
             Counting counting, bool dryRun, Io& io)
{
    if (dryRun)
        return WriteOut(io, PlanText(plan, game, counting));
    return WritePlan(romPath, game, plan, counting, io);
}

bool RefuseMovedTable(const std::filesystem::path& romPath, const rom::SupportedGame& game,
                      const rom::EvolutionTable& table, bool force, Io& io)
{
    const rom::TableLayout layout = rom::CheckLayout(table);
    if (force || !layout.looksMoved())
        return false;
    Say(io, Shown(romPath), MovedTableText(game, layout) + "; --force writes anyway");
    return true;
}

void AddToPlan(std::vector<Planned>& plan, Planned p)
{
    if (plan.size() == plan.capacity())
        plan.reserve(plan.empty() ? 64 : std::max<std::size_t>(rom::kTableSlots, 2 * plan.size()));
    plan.push_back(std::move(p));
}

int WritePlan(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> all,
              Counting counting, Io& io)
{
    std::vector<Planned> plan;  // the slots to write, in order: the batch's errors count in them
    std::vector<rom::SlotChange> changes;
    plan.reserve(all.size());
    changes.reserve(all.size());
    for (const Planned& p : all) {
        if (!p.applied) {
            plan.push_back(p);
            changes.push_back(p.change);
        }
    }
    rom::Result<void, rom::BatchError> result;
    int signal = 0;
    {
        rom::DeferredSignals deferred;
        result = rom::WriteSlots(romPath, game.code, changes, io.files, &rom::DeferredSignals::Received());
        signal = rom::DeferredSignals::Received();
    }
    const std::string rom = Shown(romPath);
    if (result) {
        // The slots are in the file and synced: that, not the report, decides the exit status.
        WriteOut(io, summary(all, counting, "changed") + "\n");
        return kSuccess;
    }
    const rom::BatchError& error = result.error();
    const std::string at = error.at < plan.size() ? SlotName(plan[error.at].change.address) : std::string();
    if (error.written == changes.size()) {
        Say(io, rom, rom::Describe(error) + "; written but not confirmed: " + slotList(plan, 0, error.written));
    } else if (error.kind == rom::ErrorKind::Interrupted) {
        Say(io, rom, std::string("stopped by ") + rom::SignalName(signal) + " before writing " + at + "; " +
                         (error.written == 0 ? std::string("nothing written")
                                             : std::string("written") + (error.confirmed ? "" : " but not confirmed") +
                                                   ": " + slotList(plan, 0, error.written) + "; not written: " +
                                                   slotList(plan, error.written, plan.size())));
    } else if (error.written == 0) {
        const std::string about = error.kind == rom::ErrorKind::WriteFailed   ? "writing " + at + " failed: "
                                  : error.kind == rom::ErrorKind::SlotChanged ? at + ": "
                                                                              : std::string();
        Say(io, rom, about + rom::Describe(error) + "; nothing written");
    } else {
        Say(io, rom, "writing " + at + " failed: " + rom::Describe(error));
        Say(io, rom, std::string("written") + (error.confirmed ? "" : " but not confirmed") + ": " +
                         slotList(plan, 0, error.written) + "; not written: " + slotList(plan, error.written, plan.size()));
    }
    return kFailure;
}

}  // namespace cli
