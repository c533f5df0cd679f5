#pragma once
// A planned batch of slot writes, as import and set make one: shown by a dry run, or written as one
// batch and reported.

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "cli/names.h"
#include "cli/output.h"
#include "rom/result.h"
#include "rom/slotcodec.h"

namespace cli {

/// A slot of the plan: the values it holds, the values asked for, and the six bytes the editor's Save
/// would store for them over the bytes it holds.
struct Planned {
    SlotValues from;
    SlotValues to;
    rom::SlotChange change;
    bool applied = false;  // a change set's slot that holds its new values already: nothing to write
};

/// Adds p to the plan: room for a short table at first, then for every slot at once. (Doubling
/// copied a change of the whole table a dozen times; a whole table's room for every short one is a
/// mapping of its own under the sanitizers' allocator.)
void AddToPlan(std::vector<Planned>& plan, Planned p);

/// The slot's plan to hold these values, written as the editor's Save writes them: listed values
/// whole words, a value with no row (which the editor cannot choose) left as stored. The reasons when
/// a value has no row in its list and is not what the slot holds.
rom::Result<Planned, std::vector<std::string>> PlanSlot(rom::SlotAddress address, const rom::SlotBytes& current,
                                                        const SlotValues& to);

/// Whether the plan's report counts slots already applied: a change set's does.
enum class Counting { Written, WithApplied };

/// What a dry run prints for the plan: each slot's old and new values and the bytes that change, or
/// that it is already applied; then the count.
std::string PlanText(std::span<const Planned> plan, const rom::SupportedGame& game, Counting counting);

/// Writes the plan's slots into the ROM as one batch (one lock, compare before writing, one sync,
/// SIGINT, SIGTERM and SIGHUP deferred to the end of the slot in flight) and reports: the count on
/// standard output, or which slots were and were not written. The exit status follows the ROM, not
/// the report.
int WritePlan(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> plan,
              Counting counting, Io& io);

/// What import and set do with their plan: show it (a dry run) or write it.
int CarryOut(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> plan,
             Counting counting, bool dryRun, Io& io);

/// Refuses, with the reason, a table that looks moved (rom::CheckLayout) unless forced: a bulk write
/// there would land on whatever lies at the game's fixed offset.
bool RefuseMovedTable(const std::filesystem::path& romPath, const rom::SupportedGame& game,
                      const rom::EvolutionTable& table, bool force, Io& io);

}  // namespace cli
