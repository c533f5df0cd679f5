#include "cli/batch.h"

#include <cstdio>
#include <ostream>
#include <vector>

#include "cli/text.h"
#include "rom/describe.h"
#include "rom/processhandlers.h"

namespace cli {
namespace {

std::string count(std::size_t n)
{
    return std::to_string(n) + (n == 1 ? " slot" : " slots");
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

std::string PlanText(std::span<const Planned> plan, const rom::SupportedGame& game)
{
    std::string out;
    for (const Planned& p : plan) {
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
    return out + count(plan.size()) + " would change; nothing written\n";
}

int WritePlan(const std::filesystem::path& romPath, const rom::SupportedGame& game, std::span<const Planned> plan,
              Io& io)
{
    std::vector<rom::SlotChange> changes;
    changes.reserve(plan.size());
    for (const Planned& p : plan)
        changes.push_back(p.change);
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
        WriteOut(io, count(changes.size()) + " changed\n");
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
