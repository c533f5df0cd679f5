#pragma once
// A planned batch of slot writes, as import and set make one: shown by a dry run, or written as one
// batch and reported.

#include <filesystem>
#include <span>
#include <string>

#include "cli/names.h"
#include "cli/output.h"
#include "rom/slotcodec.h"

namespace cli {

/// A slot to write: the values it holds, the values asked for, and the six bytes the editor's Save
/// would store for them over the bytes it holds.
struct Planned {
    SlotValues from;
    SlotValues to;
    rom::SlotChange change;
};

/// What a dry run prints for the plan: each slot's old and new values and the bytes that change,
/// then the count.
std::string PlanText(std::span<const Planned> plan, const rom::SupportedGame& game);

/// Writes the plan into the ROM as one batch (one lock, compare before writing, one sync, SIGINT,
/// SIGTERM and SIGHUP deferred to the end of the slot in flight) and reports: the count on standard
/// output, or which slots were and were not written. The exit status follows the ROM, not the report.
int WritePlan(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> plan,
              Io& io);

}  // namespace cli
